// The small choices the windows ask of the user (a scenario, a file to write or read), behind
// replaceable functions: the window tests answer them from a script instead of a modal box.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QTreeWidget;

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::shell {

/// A filter in the "Description|*.a;*.b|..." form turned into Qt's "Description (*.a *.b);;..."
/// form; a description that already names its patterns keeps its text.
QString QtFilter(const char* pipeFilter);

/// Fills a tree with the project's scenarios (parents above their children) and makes
/// `current` the current item. Each item holds its scenario as user data.
void FillScenarioTree(QTreeWidget& tree, const model::TProject& project,
                      const model::TScenario* current);
/// The scenario of the tree's current item, or nullptr.
model::TScenario* CurrentTreeScenario(const QTreeWidget& tree);

/// The scenario selection dialog ("Select Scenario", "Generate Single Scenario", ...).
class TSelectScenarioDlg : public QDialog {
    Q_OBJECT
public:
    TSelectScenarioDlg(const std::string& caption, const model::TProject& project,
                       const model::TScenario* current, QWidget* parent);
    model::TScenario* Scenario() const;
    QTreeWidget* Tree() const { return tree_; }

private:
    QTreeWidget* tree_;
};

struct TDialogHooks {
    /// A scenario chosen under `caption`; nullptr when the user cancelled.
    std::function<model::TScenario*(QWidget* parent, const std::string& caption,
                                    const model::TProject& project,
                                    const model::TScenario* current)>
        chooseScenario;
    /// A file to write, starting at `start`; `filterIndex` receives the position of the filter
    /// entry chosen. "" for cancel.
    std::function<std::string(QWidget* parent, const std::string& caption, const std::string& start,
                              const char* filter, int* filterIndex)>
        saveFile;
    /// Files to read (one unless `many`); none for cancel.
    std::function<std::vector<std::string>(QWidget* parent, const std::string& caption,
                                           const std::string& start, const char* filter, bool many)>
        openFiles;
};

/// The hourglass while a command works; the normal cursor again when it ends, also by an
/// exception.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

/// The hooks every window uses; they start as the real dialogs.
TDialogHooks& Dialogs();
/// Puts the real dialogs back.
void ResetDialogs();

} // namespace zep::shell
