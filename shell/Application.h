// The application object: start-up in its order (logging, splash, main window, the files named
// on the command line) and the last line of defence for exceptions that reach the event loop.
#pragma once

#include <QApplication>
#include <QDialog>
#include <exception>
#include <string>

#include "foundation/OrvMessages.h"

namespace zep::shell {

/// The version text shown in the about box and the exception line.
const char* VersionText();
QString AboutText();
/// The directory of the help pages (docs/help of the source tree, or ZEP_HELP_DIR).
std::string HelpDirectory();

/// The line logged and shown for an exception that reached the event loop:
/// "%s %s @%p (%s) : %s" with the program's file name, the version, the exception object's
/// address, the module (no line information is available) and the message.
std::string UnhandledExceptionText(const std::exception& e);

/// Catches what escapes event handlers: out of memory goes to Fatal, anything else is logged at
/// ERROR and shown in an error dialog. A second exception while one is being reported is
/// ignored.
class TZepApplication : public QApplication {
    Q_OBJECT
public:
    TZepApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    /// Reports an exception as notify does; for tests.
    static void ReportUnhandled(const std::exception& e);
};

/// The about box shown as a splash: it carries its own message handler while it shows and
/// closes itself when its timer fires or a key is pressed.
class TSplash : public QDialog {
    Q_OBJECT
public:
    explicit TSplash(int milliseconds, QWidget* parent = nullptr);
    ~TSplash() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TMessageHandler* handler_; // owned by the handler stack
};

/// The whole program: start-up, event loop, exit status.
int RunZep(int argc, char** argv);

} // namespace zep::shell
