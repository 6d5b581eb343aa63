#include "shell/Application.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>
#include <new>

#include "foundation/Format.h"
#include "foundation/OrvLogging.h"
#include "foundation/OrvMessages.h"
#include "shell/AppSettings.h"
#include "shell/GuiMessageHandler.h"
#include "shell/MainWindow.h"

namespace zep::shell {

namespace fs = std::filesystem;

namespace {

std::string ProgramFileName() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("zep") : exe.string();
}

bool reporting = false;

} // namespace

const char* VersionText() {
    return ZEP_VERSION;
}

QString AboutText() {
    return QStringLiteral("<h3>ZEP %1</h3><p>The interactive shell of the VARDEN transport and "
                          "land-use model.</p><p>Okkerwald</p>")
        .arg(QString::fromLatin1(VersionText()));
}

std::string HelpDirectory() {
    if (const char* d = std::getenv("ZEP_HELP_DIR"); d && *d) return d;
    const fs::path besideBuild =
        fs::path(ProgramFileName()).parent_path() / ".." / ".." / "docs" / "help";
    std::error_code ec;
    if (fs::is_directory(besideBuild, ec)) return besideBuild.lexically_normal().string();
    return (fs::path(ZEP_SOURCE_DIR) / "docs" / "help").string();
}

std::string UnhandledExceptionText(const std::exception& e) {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(&e));
    const std::string program = ProgramFileName();
    return Format("%s %s @%s (%s) : %s",
                  {program, std::string(VersionText()), std::string(address),
                   fs::path(program).filename().string(), std::string(e.what())});
}

TZepApplication::TZepApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("ZEP"));
    setOrganizationName(QStringLiteral("Okkerwald"));
    setApplicationDisplayName(QStringLiteral("ZEP"));
}

bool TZepApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc& e) {
        ShowFatal(e.what());
    } catch (const std::exception& e) {
        ReportUnhandled(e);
    } catch (...) {
        ReportUnhandled(std::runtime_error("unknown exception"));
    }
    return false;
}

void TZepApplication::ReportUnhandled(const std::exception& e) {
    if (reporting) return;
    reporting = true;
    try {
        const std::string line = UnhandledExceptionText(e);
        RootLogger().Error(line);
        ShowError(line);
    } catch (...) {
        // Reporting must not throw from the event loop.
    }
    reporting = false;
}

TSplash::TSplash(int milliseconds, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(AboutText(), this);
    label->setMargin(24);
    layout->addWidget(label);
    setAttribute(Qt::WA_DeleteOnClose);
    handler_ = new TGuiMessageHandler(this, nullptr, nullptr);
    PushOwnedMessageHandler(handler_);
    QTimer::singleShot(milliseconds, this, &QDialog::close);
}

TSplash::~TSplash() {
    // The main window's handler has been pushed since: only the splash's own goes.
    PopMessageHandler(handler_);
}

void TSplash::keyPressEvent(QKeyEvent*) {
    close();
}

void TSplash::mousePressEvent(QMouseEvent*) {
    close();
}

int RunZep(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    ConfigureLogging(LogFileName(), args);
    TZepApplication app(argc, argv);
    {
        // The splash's handler sits on the stack only while it shows.
        auto* splash = new TSplash(1500);
        splash->show();
        QApplication::processEvents();
    }
    TMainForm main;
    main.show();
    main.OpenArguments(args);
    return app.exec();
}

} // namespace zep::shell
