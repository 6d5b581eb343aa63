// The path panel of the network window (the Paths page and the path links page), the path
// selection dialog and the window listing the paths that use a link. All of them work on the
// path painter's display state; the map repaints when it changes.
#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTreeWidget;

namespace zep::model {
class TCategory;
class TLink;
class TProject;
} // namespace zep::model
namespace zep::view {
class TPathPainter;
}

namespace zep::shell {

class TPathPanel : public QWidget {
    Q_OBJECT
public:
    TPathPanel(model::TProject& project, QWidget* parent);

    /// The painter whose paths the panel shows (nullptr: none; the panel empties).
    void SetPainter(view::TPathPainter* painter);
    view::TPathPainter* Painter() const { return painter_; }
    /// Shows the painter's current state: lists, spin, the info grid with the path choice of
    /// the chosen category, the composite cost and the path's links.
    void Refresh();
    /// Position in the category list: 0 for none, then the project's categories.
    int CategoryIndex() const;
    void SetCategoryIndex(int index);
    /// The category the path choice is computed for (nullptr: none).
    const model::TCategory* Category() const;

    QComboBox* ModeList() const { return modeList_; }
    QComboBox* SourceList() const { return sourceList_; }
    QComboBox* SinkList() const { return sinkList_; }
    QComboBox* CategoryList() const { return categoryList_; }
    QSpinBox* PathNoSpin() const { return pathNoSpin_; }
    QLabel* PathCountLabel() const { return countLbl_; }
    QPushButton* PrevPathBtn() const { return prevBtn_; }
    QPushButton* NextPathBtn() const { return nextBtn_; }
    QTableWidget* PathInfoGrid() const { return grid_; }
    QLabel* AgDisutilityLbl() const { return costLbl_; }
    QTreeWidget* PathLinksList() const { return linksList_; }
    QTabWidget* Pages() const { return pages_; }

    /// Told after the user changed the current path (the map repaints).
    std::function<void()> onChanged;

private:
    void FillLists();
    void FillGrid();
    void FillLinks();
    /// Applies a user's change, then refreshes and tells onChanged.
    void Apply(const std::function<void()>& change);

    model::TProject& project_;
    view::TPathPainter* painter_ = nullptr;
    bool refreshing_ = false;
    QTabWidget* pages_;
    QComboBox* modeList_;
    QComboBox* sourceList_;
    QComboBox* sinkList_;
    QComboBox* categoryList_;
    QSpinBox* pathNoSpin_;
    QLabel* countLbl_;
    QPushButton* prevBtn_;
    QPushButton* nextBtn_;
    QTableWidget* grid_;
    QLabel* costLbl_;
    QTreeWidget* linksList_;
};

/// Sets the spin of the path number the way the page does: a value above the path count steps
/// on to the next path (and so the next pair), any other selects that path.
void ApplyPathNumber(view::TPathPainter& painter, int value);

/// The path selection dialog: mode, origin and destination lists.
class TPathSelectDlg : public QDialog {
    Q_OBJECT
public:
    TPathSelectDlg(const model::TProject& project, const view::TPathPainter& painter,
                   QWidget* parent);
    QComboBox* ModeList() const { return modeList_; }
    QComboBox* SourceList() const { return sourceList_; }
    QComboBox* SinkList() const { return sinkList_; }

private:
    QComboBox* modeList_;
    QComboBox* sourceList_;
    QComboBox* sinkList_;
};

/// The stay-on-top window "Paths that use Link " + the link's text: one row per path (origin
/// zone id, destination zone id, path number); a click selects that path.
class TPathsUsingLinkForm : public QWidget {
    Q_OBJECT
public:
    TPathsUsingLinkForm(const model::TProject& project, view::TPathPainter& painter,
                        const model::TLink& link, QWidget* parent);
    QTreeWidget* List() const { return list_; }
    /// Selects the path of row `row`.
    void SelectRow(int row);
    std::function<void()> onChanged;

private:
    view::TPathPainter& painter_;
    QTreeWidget* list_;
};

} // namespace zep::shell
