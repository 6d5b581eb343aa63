#include "shell/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "foundation/OrvLogging.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "shell/Application.h"
#include "shell/Commands.h"
#include "shell/EditCommands.h"
#include "shell/GuiMessageHandler.h"
#include "shell/NetForm.h"

namespace zep::shell {

namespace fs = std::filesystem;

bool IsSwitch(const std::string& argument) {
    if (argument.empty() || argument[0] != '/') return false;
    // On this system a full path starts with "/" too: only "/word" with nothing of that name
    // is a switch.
    if (argument.find('/', 1) != std::string::npos) return false;
    std::error_code ec;
    return !fs::exists(argument, ec) && !fs::exists(ResolveOpenName(argument), ec);
}

TMainForm::TMainForm(const std::string& settingsFile, QWidget* parent)
    : QMainWindow(parent), mru_(settingsFile.empty() ? SettingsFileName() : settingsFile) {
    setWindowTitle(QStringLiteral("ZEP"));
    mdi_ = new QMdiArea(this);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { UpdateCommands(); });

    for (int i = 0; i < 4; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setMinimumWidth(i == 0 || i == 3 ? 160 : 90);
        statusBar()->addWidget(panels_[i], i == 0 || i == 3 ? 1 : 0);
    }
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    progress_->setMaximumWidth(200);
    progress_->setVisible(false);
    statusBar()->addPermanentWidget(progress_);

    handler_ = std::make_unique<TGuiMessageHandler>(this, panels_[3], progress_);
    PushMessageHandler(handler_.get());
    saveAsDialog = [this](const std::string& dir, const std::string& base) -> std::string {
        const QString start = dir.empty() ? QString() : ToQ((fs::path(dir) / base).string());
        const QString f = QFileDialog::getSaveFileName(
            this, tr("Save As"), start,
            tr("Varden Database (zipped) (*.zpz);;Old Varden Database (*.zep);;All Files (*)"));
        return FromQ(f);
    };

    mru_.Load();
    BuildMenus();
    UpdateCommands();
    resize(1100, 760);
}

TMainForm::~TMainForm() {
    // Nothing may pump events into windows being torn down: the studies' teardown reports
    // progress to a handler that shows nothing.
    PopMessageHandler(handler_.get());
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    // Windows first (they reference the documents), then the documents.
    for (QMdiSubWindow* w : mdi_->subWindowList())
        delete w;
    dying_.clear();
    documents_.clear();
}

void TMainForm::BuildMenus() {
    std::map<std::string, QMenu*> menus;
    std::map<std::string, QActionGroup*> groups;
    for (const TCommandDef& c : CommandTable()) {
        QMenu*& top = menus[c.menu];
        if (!top) top = menuBar()->addMenu(QString::fromLatin1(c.menu));
        QMenu* menu = top;
        if (c.submenu) {
            QMenu*& sub = menus[std::string(c.menu) + "/" + c.submenu];
            if (!sub) sub = top->addMenu(QString::fromLatin1(c.submenu));
            menu = sub;
        }
        if (std::string(c.name) == "FileExit") {
            reopen_ = menu->addMenu(tr("&Reopen"));
            menu->addSeparator();
        }
        auto* a = new QAction(QString::fromLatin1(c.caption), this);
        a->setObjectName(QString::fromLatin1(c.name));
        if (*c.keys) a->setShortcut(QKeySequence(QString::fromLatin1(c.keys)));
        if (c.group) {
            QActionGroup*& g = groups[c.group];
            if (!g) g = new QActionGroup(this);
            a->setCheckable(true);
            g->addAction(a);
            if (std::string(c.name) == "ModeNormal") a->setChecked(true);
        }
        if (c.checked) a->setCheckable(true);
        const TCommandDef* def = &c;
        connect(a, &QAction::triggered, this, [this, def] { Run(def->name); });
        menu->addAction(a);
        actions_[c.name] = a;
    }
    FillReopenMenu();
}

void TMainForm::FillReopenMenu() {
    if (!reopen_) return;
    reopen_->clear();
    int n = 0;
    for (const std::string& f : mru_.Items()) {
        QAction* a = reopen_->addAction(QStringLiteral("&%1 %2").arg(++n).arg(ToQ(f)));
        connect(a, &QAction::triggered, this, [this, f] { OpenFile(f); });
    }
    reopen_->setEnabled(n > 0);
}

QAction* TMainForm::Action(const std::string& commandName) const {
    auto it = actions_.find(commandName);
    return it == actions_.end() ? nullptr : it->second;
}

bool TMainForm::Run(const std::string& commandName) {
    const TCommandDef* c = FindCommand(commandName);
    if (!c) return false;
    if (c->scope == TCommandScope::Main) {
        (this->*(c->main))();
    } else {
        TNetForm* form = ActiveNetForm();
        if (!form || (c->enabled && !c->enabled(*form))) return false;
        if (c->netArg)
            (form->*(c->netArg))(c->arg);
        else
            (form->*(c->net))();
    }
    UpdateCommands();
    return true;
}

TNetForm* TMainForm::ActiveNetForm() const {
    QMdiSubWindow* w = mdi_->activeSubWindow();
    if (!w) w = mdi_->currentSubWindow();
    if (!w) {
        const auto list = mdi_->subWindowList(QMdiArea::ActivationHistoryOrder);
        if (!list.isEmpty()) w = list.last();
    }
    return w ? qobject_cast<TNetForm*>(w->widget()) : nullptr;
}

TDocument* TMainForm::ActiveDocument() const {
    TNetForm* f = ActiveNetForm();
    return f ? f->Document() : nullptr;
}

void TMainForm::UpdateCommands() {
    TNetForm* form = ActiveNetForm();
    for (const TCommandDef& c : CommandTable())
        if (c.scope == TCommandScope::Net) {
            QAction* a = actions_[c.name];
            a->setEnabled(form != nullptr && (!c.enabled || c.enabled(*form)));
            if (c.checked) a->setChecked(form && c.checked(*form));
        }
    for (const char* name : {"FileSave", "FileSaveAs", "FileClose", "WindowNew"})
        actions_[name]->setEnabled(form != nullptr);
    TDocument* doc = form ? form->Document() : nullptr;
    QAction* undo = actions_["EditUndo"];
    undo->setText(doc ? ToQ(UndoCaption(doc->CommandStack())) : QStringLiteral("&Undo"));
    undo->setEnabled(doc && doc->CommandStack().TopCommand());
    if (doc) {
        panels_[1]->setText(QStringLiteral("Nds %1").arg(doc->Project().Nodes().Count()));
        panels_[2]->setText(QStringLiteral("Lnks %1").arg(doc->Project().Links().Count()));
    } else {
        panels_[1]->clear();
        panels_[2]->clear();
    }
}

TNetForm* TMainForm::AddView(TDocument& document) {
    if (!document.saveAsDialog)
        document.saveAsDialog = [this](const std::string& d, const std::string& b) {
            return saveAsDialog ? saveAsDialog(d, b) : std::string();
        };
    auto* form = new TNetForm(document);
    form->onChanged = [this] { UpdateCommands(); };
    form->onStatus = [this](const std::string& text) { panels_[0]->setText(ToQ(text)); };
    QMdiSubWindow* sub = mdi_->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    TDocument* doc = &document;
    connect(form, &QObject::destroyed, this, [this, doc] { ViewGone(doc); });
    sub->resize(760, 520);
    sub->show();
    mdi_->setActiveSubWindow(sub);
    UpdateCommands();
    return form;
}

void TMainForm::ViewGone(TDocument* document) {
    auto it = std::find_if(documents_.begin(), documents_.end(),
                           [&](const auto& d) { return d.get() == document; });
    if (it != documents_.end() && (*it)->Views().empty()) {
        // A large study takes a while to free and reports progress: that happens once the
        // window's destruction is over, not inside it.
        dying_.push_back(std::move(*it));
        documents_.erase(it);
    }
    // The view's sub-window is still being destroyed here and may still be the area's active
    // one, no longer a whole sub-window: the commands are brought up to date once it is gone.
    QTimer::singleShot(0, this, [this] {
        dying_.clear();
        UpdateCommands();
    });
}

TNetForm* TMainForm::NewDocument() {
    documents_.push_back(std::make_unique<TZEPDocument>());
    return AddView(*documents_.back());
}

TNetForm* TMainForm::NewView(TDocument& document) {
    return AddView(document);
}

TNetForm* TMainForm::OpenFile(const std::string& fileName) {
    const std::string resolved = ResolveOpenName(fileName);
    std::error_code ec;
    fs::path full = fs::absolute(resolved, ec);
    if (ec) full = resolved;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto doc = std::make_unique<TZEPDocument>();
    const bool ok = doc->Open(full.lexically_normal().string());
    QApplication::restoreOverrideCursor();
    if (!ok) return nullptr;
    fs::current_path(fs::path(doc->FileName()).parent_path(), ec);
    mru_.Add(doc->FileName());
    mru_.Save();
    FillReopenMenu();
    documents_.push_back(std::move(doc));
    return AddView(*documents_.back());
}

std::vector<TNetForm*> TMainForm::OpenArguments(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a.empty() || IsSwitch(a)) continue;
        // The logging switch is not a file to open.
        if (QString::fromStdString(a).compare(QStringLiteral("debug"), Qt::CaseInsensitive) == 0)
            continue;
        files.push_back(a);
    }
    std::vector<TNetForm*> opened;
    for (const std::string& f : files) {
        try {
            if (TNetForm* form = OpenFile(f)) opened.push_back(form);
        } catch (const std::exception& e) {
            ShowException(e);
        }
    }
    if (files.size() == 1 && opened.size() == 1) opened.front()->parentWidget()->showMaximized();
    return opened;
}

void TMainForm::OpenCommand() {
    const QString f = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open File"), QString(),
        tr("Varden Database (*.zpz *.zep *.xml *.xmlz);;All Files (*)"));
    if (!f.isEmpty()) OpenFile(FromQ(f));
}

void TMainForm::SaveCommand() {
    if (TDocument* d = ActiveDocument()) {
        const bool wasNamed = d->Named();
        if (d->Save() && !wasNamed) {
            mru_.Add(d->FileName());
            mru_.Save();
            FillReopenMenu();
        }
    }
}

void TMainForm::SaveAsCommand() {
    if (TDocument* d = ActiveDocument()) {
        if (d->SaveAs()) {
            mru_.Add(d->FileName());
            mru_.Save();
            FillReopenMenu();
        }
    }
}

void TMainForm::CloseCommand() {
    if (QMdiSubWindow* w = mdi_->activeSubWindow()) w->close();
}

void TMainForm::NewViewCommand() {
    if (TDocument* d = ActiveDocument()) NewView(*d);
}

void TMainForm::TileCommand() {
    mdi_->tileSubWindows();
}

void TMainForm::CascadeCommand() {
    mdi_->cascadeSubWindows();
}

void TMainForm::ArrangeCommand() {
    // Minimised windows line up along the bottom; the others keep their places.
    const auto list = mdi_->subWindowList();
    int x = 0;
    for (QMdiSubWindow* w : list) {
        if (!w->isMinimized()) continue;
        w->move(x, mdi_->viewport()->height() - w->height());
        x += w->width();
    }
}

void TMainForm::OpenHelp(const char* page) {
    const fs::path file = fs::path(HelpDirectory()) / page;
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string())));
}

void TMainForm::HelpContentsCommand() {
    OpenHelp("index.html");
}

void TMainForm::HelpIndexCommand() {
    OpenHelp("commands.html");
}

void TMainForm::DebugLogCommand() {
    TLogger& root = RootLogger();
    root.SetLevel(root.GetLevel() >= llDebug ? llWarning : llDebug);
    panels_[0]->setText(root.GetLevel() >= llDebug ? tr("Debug log on") : tr("Debug log off"));
}

void TMainForm::AboutCommand() {
    QMessageBox::about(this, tr("About ZEP"), AboutText());
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Each document asks through its last window; one refusal keeps everything open.
    mdi_->closeAllSubWindows();
    if (!mdi_->subWindowList().isEmpty()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace zep::shell
