// The "Assignment Report" window: tables of link loads for one scenario of a study opened from
// the model's assignment results, restricted to the map's selection and to chosen link types
// and operators, saved as comma-separated text or as an HTML table; and its settings file.
#pragma once

#include <QDialog>
#include <string>

#include "analysis/Selections.h"
#include "modelio/EnergyReports.h"

class QButtonGroup;
class QLineEdit;
class QListWidget;
class QSplitter;
class QTabWidget;
class QTreeWidget;

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model
namespace zep::view {
class TViewSettings;
}

namespace zep::shell {

/// A map selection as the area of a report (nullptr for none: the whole network).
modelio::PReportArea ReportAreaOf(analysis::PSelection selection);
/// Reads the area of a settings file; an empty selection means none.
modelio::PReportArea ReadReportArea(const minidom::TElement& settings);

class TAssignmentReportForm : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kSection = "AssignmentReportForm";
    static constexpr const char* kReportFilter =
        "Excel (*.xls)|*.xls|Comma-delimted (*.csv)|*.csv|All Files (*.*)|*.*";
    static constexpr const char* kSettingsSaveFilter = "XML (*.xml)|*.xml|All Files (*.*)|*.*";
    static constexpr const char* kSettingsLoadFilter =
        "Settings files (*.xml)|*.xml|All files (*.*)|*.*";

    /// `settings`: the project's window settings ("FilterSplitterPos"); may be null.
    TAssignmentReportForm(model::TProject& project, model::TScenario* scenario,
                          analysis::PSelection selection, view::TViewSettings* settings,
                          QWidget* parent = nullptr);
    ~TAssignmentReportForm() override;

    modelio::TLinkSelector& Selector() { return selector_; }
    model::TScenario* Scenario() const { return scenario_; }
    void SetScenario(model::TScenario* scenario);

    /// Reads the class width from its edit box (a text that is no number raises the conversion
    /// error), then asks a file name and writes the report; false when nothing was written.
    bool SaveReport();
    /// Writes the report to `fileName` (".xls": HTML table, else comma text); failures shown.
    bool SaveReportTo(const std::string& fileName);
    void SaveSettings();
    void LoadSettings();
    /// Reads the settings file into the window; failures shown, the window keeps its state.
    bool LoadSettingsFile(const std::string& fileName);
    /// Shows the selector's state in the controls.
    void ShowSelector();
    /// The links of the Selection page (those the report covers).
    void RefreshLinks();

    QTabWidget* Pages() const { return pages_; }
    QTreeWidget* LinkList() const { return linkList_; }
    QButtonGroup* FormatGroup() const { return formats_; }
    QLineEdit* ClassWidthEdit() const { return width_; }
    QListWidget* LinkTypeList() const { return linkTypes_; }
    QListWidget* OperatorList() const { return operators_; }
    QSplitter* FilterSplitter() const { return filterSplitter_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FillCheckLists();
    /// Reads the format and the class width into the selector; raises on a bad width.
    void ReadControls();
    void StoreSettings();

    model::TProject& project_;
    model::TScenario* scenario_;
    view::TViewSettings* settings_;
    modelio::TLinkSelector selector_;
    bool filtersChanged_ = false;

    QTreeWidget* scenarioTree_;
    QTabWidget* pages_;
    QTreeWidget* linkList_;
    QButtonGroup* formats_;
    QLineEdit* width_;
    QSplitter* filterSplitter_;
    QListWidget* linkTypes_;
    QListWidget* operators_;
};

} // namespace zep::shell
