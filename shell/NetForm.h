// The network window: one view of a document with the map, its painter tabs, the left pane
// (scenario tree, colour list, path panel) and the commands of the map.
#pragma once

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
}

namespace zep::shell {

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
    QWidget* pathPanel_;
    QTabBar* tabs_;
    TPaintChild* map_;
};

} // namespace zep::shell
