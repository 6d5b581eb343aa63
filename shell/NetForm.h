// The network window: one view of a document with the map, its painter tabs, the left pane
// (scenario tree, colour list, path panel) and the commands of the map.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "shell/Document.h"
#include "shell/MapView.h"
#include "view/BackgroundFiles.h"
#include "view/MapIndex.h"
#include "view/NetViewOptions.h"
#include "view/ViewSettings.h"

class QListWidget;
class QSplitter;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace zep::view {
class TPainter;
class TPathPainter;
} // namespace zep::view

namespace zep::model {
class TEntity;
}

namespace zep::shell {

class TAssignmentReportForm;
class TPathPanel;
class TProgramExecutionForm;
class TValidateForm;

/// The mouse modes of the map; the editing tools behind them plug in per mode.
enum class TMouseMode {
    Normal,
    MoveNodes,
    LabelNodes,
    CreateNodes,
    CreateLinks,
    SplitLinks,
    DefineRoute
};

class TNetForm : public QWidget, public TDocumentView {
    Q_OBJECT
public:
    explicit TNetForm(TDocument& document, QWidget* parent = nullptr);
    ~TNetForm() override;

    // ---- TDocumentView ------------------------------------------------------------------------
    void SetCaption(const std::string& caption) override;
    void RefreshView() override;

    // ---- state ---------------------------------------------------------------------------------
    TPaintChild* Map() const { return map_; }
    QTabBar* Tabs() const { return tabs_; }
    QTreeWidget* ScenarioTree() const { return scenarioTree_; }
    QListWidget* ColorList() const { return colorList_; }
    QWidget* LeftPane() const { return leftPane_; }
    view::TNetViewOptions& Options() { return options_; }
    view::TBackgroundFileManager& Backgrounds() { return backgrounds_; }
    view::TPainter* ActivePainter() const;
    /// Shows the painter of tab `index`.
    void SelectPainter(int index);
    model::TScenario* Scenario() const { return scenario_; }
    void SetScenario(model::TScenario* scenario);
    analysis::PSelection Selection() const { return selection_; }
    void SetSelection(analysis::PSelection selection);
    model::TNode* SelectedNode() const { return selectedNode_; }
    model::TLink* SelectedLink() const { return selectedLink_; }
    void SelectNode(model::TNode* node);
    void SelectLink(model::TLink* link);
    TMouseMode MouseMode() const { return mode_; }
    void SetMouseMode(TMouseMode mode) { mode_ = mode; }
    /// The text for the node or link at pixel `p` ("" for none).
    std::string DescribeAt(QPoint p);
    /// The map as the current view shows it.
    TMapScene Scene();
    /// The status text of the last hover.
    const std::string& StatusText() const { return status_; }
    /// Saves the view options, painters, backgrounds and the window's own values beside the
    /// project.
    void SaveSettings();
    /// The settings store beside the project (the model windows keep their values there too).
    view::TViewSettings& Settings() const { return *settings_; }
    /// The painter of the "Paths" tab, when the study has one.
    view::TPathPainter* PathPainter() const;
    TPathPanel* PathPanel() const { return pathPanel_; }
    /// Selects the entity on the map and centres the map on it (nodes, zones, links, and routes
    /// by their links); false for an entity without a place on the map.
    bool LocateEntity(model::TEntity* entity);

    // ---- model windows (open after the command ran; nullptr when none) ------------------------
    TProgramExecutionForm* ExecutionForm() const;
    TAssignmentReportForm* ReportForm() const;
    TValidateForm* ValidateForm() const;
    QWidget* PathsUsingLinkForm() const { return pathsUsingLinkForm_; }

    // ---- when the model commands apply ---------------------------------------------------------
    /// The Path menu: a read-only view of model output whose study has a "Paths" tab.
    static bool PathMenuEnabled(const TNetForm& form);
    /// The reports: a study opened from the model's assignment results.
    static bool ReportsEnabled(const TNetForm& form);
    /// Commands that change the study: not on a read-only one.
    static bool Writable(const TNetForm& form);
    static bool DontShowReverseChecked(const TNetForm& form);

    // ---- commands ----------------------------------------------------------------------------
    void Undo();
    void CopyMap();
    void DeleteSelected();
    void Merge();
    void SimplifyNetwork();
    void RemoveNetwork();
    void ViewOptions();
    void ViewAll();
    void Refresh();
    void FindNode();
    void FindLink();
    void ZoomIn();
    void ZoomOut();
    void SimilarRoutes();
    void ToggleLeftPane();
    void BackgroundFiles();
    void ViewDxfFile();
    void Print();
    void PrintPdf();
    // Project menu
    void Validate();
    /// One generation command (modelio::TGenerationCommand), asking a scenario when it needs one.
    void Generate(int command);
    void WriteMifRouteFile();
    void RunModel();
    void ExportNetwork();
    void ImportNetwork();
    void ExportXml();
    // Path menu
    void PathSelect();
    void PathPrevious();
    void PathNext();
    void PathReverse();
    void PathDontShowReverse();
    void PathsThatUseLink();
    // Reports menu
    void AssignmentReport();
    void LoadAssignmentSettings();

    void ModeNormal() { SetMouseMode(TMouseMode::Normal); }
    void ModeMoveNodes() { SetMouseMode(TMouseMode::MoveNodes); }
    void ModeLabelNodes() { SetMouseMode(TMouseMode::LabelNodes); }
    void ModeCreateNodes() { SetMouseMode(TMouseMode::CreateNodes); }
    void ModeCreateLinks() { SetMouseMode(TMouseMode::CreateLinks); }
    void ModeSplitLinks() { SetMouseMode(TMouseMode::SplitLinks); }
    void ModeDefineRoute() { SetMouseMode(TMouseMode::DefineRoute); }

    /// Told after a command changed the study (the main window updates captions and counts).
    std::function<void()> onChanged;
    /// Told the text of the node or link under the cursor (the status bar's free panel).
    std::function<void(const std::string&)> onStatus;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildPainters();
    void FillScenarioTree();
    void FillColorList();
    void Rescale();
    /// The whole study in the map, with a small margin.
    void FitAll();
    void CentreOn(const analysis::TWorldRect& rect);
    void Click(QPoint p);
    void RubberBand(QRect r);
    /// After a command: the index, the map and the other views of the document.
    void Changed();
    /// The painters' measures of the study are stale (an edit, new colours).
    void InvalidateMeasures();
    void LoadWindowSettings();
    /// After the path painter's current path changed: the panel and the map.
    void PathChanged();
    model::TProject& Project() const;

    view::TNetViewOptions options_;
    std::unique_ptr<view::TViewSettings> settings_;
    view::TBackgroundFileManager backgrounds_;
    std::unique_ptr<view::TNetworkIndex> index_;
    std::vector<std::unique_ptr<view::TPainter>> painters_;
    int active_ = 0;
    model::TScenario* scenario_ = nullptr;
    analysis::PSelection selection_;
    model::TNode* selectedNode_ = nullptr;
    model::TLink* selectedLink_ = nullptr;
    TMouseMode mode_ = TMouseMode::Normal;
    TDocument& doc_;
    std::string status_;
    bool firstShow_ = true;
    // The whole study fills the window until the user moves the view: the window's size is
    // not final when it first shows (an MDI window is maximised afterwards).
    bool fitToWindow_ = true;

    QSplitter* splitter_;
    QWidget* leftPane_;
    QTreeWidget* scenarioTree_;
    QListWidget* colorList_;
    TPathPanel* pathPanel_;
    QPointer<TProgramExecutionForm> executionForm_;
    QPointer<TAssignmentReportForm> reportForm_;
    QPointer<TValidateForm> validateForm_;
    QPointer<QWidget> pathsUsingLinkForm_;
    QTabBar* tabs_;
    TPaintChild* map_;
};

} // namespace zep::shell
