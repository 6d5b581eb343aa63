// The main window: the documents and their network windows in a multiple-document area, the
// menus built from the command table, the recently used files, the status bar and progress
// bar, and the message handler that shows the program's messages.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "shell/AppSettings.h"
#include "shell/Document.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;

namespace zep::shell {

class TGuiMessageHandler;
class TNetForm;

/// Whether a command-line argument is a "/" switch rather than a file: it starts with "/", has
/// no further "/" and names nothing that exists (full paths start with "/" as well).
bool IsSwitch(const std::string& argument);

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    /// `settingsFile`: where the recently used files are kept ("" for the user's file).
    explicit TMainForm(const std::string& settingsFile = "", QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- documents -------------------------------------------------------------------------
    /// Opens a study (extension rules of ResolveOpenName) as a new document with its first
    /// view; nullptr when it could not be read (the message was shown, no document is left).
    TNetForm* OpenFile(const std::string& fileName);
    /// A new document with a new project and its first view.
    TNetForm* NewDocument();
    /// A further view of the document.
    TNetForm* NewView(TDocument& document);
    const std::vector<std::unique_ptr<TDocument>>& Documents() const { return documents_; }
    TNetForm* ActiveNetForm() const;
    TDocument* ActiveDocument() const;
    QMdiArea* MdiArea() const { return mdi_; }

    /// Opens the command-line arguments: "/" switches (IsSwitch) and the switch "debug" are
    /// skipped; a file that fails does not stop the others. Answers the windows opened.
    std::vector<TNetForm*> OpenArguments(const std::vector<std::string>& args);

    // ---- commands ----------------------------------------------------------------------------
    /// Runs the command of the table by name; false when unknown or disabled.
    bool Run(const std::string& commandName);
    QAction* Action(const std::string& commandName) const;
    TRecentFiles& RecentFiles() { return mru_; }
    /// The status bar's panels: 0 free text, 1 "Nds ", 2 "Lnks ", 3 the message handler's.
    QLabel* StatusPanel(int i) const { return panels_[i]; }
    QProgressBar* ProgressBar() const { return progress_; }
    /// Enables the commands and updates the Undo caption and the counts for the active window.
    void UpdateCommands();

    void NewDocumentCommand() { NewDocument(); }
    void OpenCommand();
    void SaveCommand();
    void SaveAsCommand();
    void CloseCommand();
    void ExitCommand() { close(); }
    void NewViewCommand();
    void TileCommand();
    void CascadeCommand();
    void ArrangeCommand();
    void HelpContentsCommand();
    void HelpIndexCommand();
    void DebugLogCommand();
    void AboutCommand();

    /// The Save As dialog of the documents (replaceable in tests).
    std::function<std::string(const std::string&, const std::string&)> saveAsDialog;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void FillReopenMenu();
    TNetForm* AddView(TDocument& document);
    void ViewGone(TDocument* document);
    void OpenHelp(const char* page);

    QMdiArea* mdi_;
    std::vector<std::unique_ptr<TDocument>> documents_;
    std::vector<std::unique_ptr<TDocument>> dying_; // closed, freed from the event loop
    TRecentFiles mru_;
    QMenu* reopen_ = nullptr;
    QLabel* panels_[4] = {};
    QProgressBar* progress_;
    std::unique_ptr<TGuiMessageHandler> handler_;
    std::map<std::string, QAction*> actions_;
};

} // namespace zep::shell
