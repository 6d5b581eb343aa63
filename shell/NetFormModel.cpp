// The network window's commands over the model: the project menu (validation, generation, the
// execution window, network exchange, XML export), the Path menu and the reports.
#include <QApplication>
#include <QComboBox>
#include <QTabBar>
#include <filesystem>

#include "files/ImportExport.h"
#include "files/MIF_File.h"
#include "files/TXMLOut.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "modelio/GenerationCommands.h"
#include "shell/AssignmentReportForm.h"
#include "shell/Dialogs.h"
#include "shell/EditCommands.h"
#include "shell/ExecutionForm.h"
#include "shell/NetForm.h"
#include "shell/PathPanel.h"
#include "shell/ValidateForm.h"
#include "view/PthPaint.h"

namespace zep::shell {

namespace fs = std::filesystem;

namespace {

constexpr const char* kImportFilter =
    "All Network Files|*.nodes;*.links;*.routes;*.opers;*.turns|Nodes (*.nodes)|*.nodes|Links "
    "(*.links)|*.links|Transit Routes (*.opers)|*.opers|Route-Links (*.routes)|*.routes|Turn "
    "Restrictions (*.turns)|*.turns|All Files (*.*)|*.*";
constexpr const char* kXmlFilter =
    "XML files (*.xml)|*.xml|Compressed XML (*.xmlz)|*.xmlz|All Files (*.*)|*.*";

/// Runs a command that writes files: the hourglass meanwhile, the progress display ended and
/// a failure shown afterwards. True when it succeeded.
template <class F> bool Guarded(F&& work) {
    bool ok = true;
    try {
        TWaitCursor wait;
        work();
    } catch (const std::exception& e) {
        ok = false;
        EndProgress();
        ShowException(e);
    }
    EndProgress();
    return ok;
}

template <class T> T* Show(T* window) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace

TProgramExecutionForm* TNetForm::ExecutionForm() const {
    return executionForm_;
}

TAssignmentReportForm* TNetForm::ReportForm() const {
    return reportForm_;
}

TValidateForm* TNetForm::ValidateForm() const {
    return validateForm_;
}

bool TNetForm::PathMenuEnabled(const TNetForm& form) {
    return form.Project().ReadOnly() && form.PathPainter() != nullptr;
}

bool TNetForm::ReportsEnabled(const TNetForm& form) {
    return form.Project().AssignmentResults();
}

bool TNetForm::Writable(const TNetForm& form) {
    return !form.Project().ReadOnly();
}

bool TNetForm::DontShowReverseChecked(const TNetForm& form) {
    const view::TPathPainter* p = form.PathPainter();
    return p && !p->ShowReverse();
}

view::TPathPainter* TNetForm::PathPainter() const {
    for (const auto& p : painters_)
        if (auto* paths = dynamic_cast<view::TPathPainter*>(p.get())) return paths;
    return nullptr;
}

bool TNetForm::LocateEntity(model::TEntity* entity) {
    if (auto* lr = dynamic_cast<model::TLinkRoute*>(entity)) entity = lr->Link();
    if (auto* n = dynamic_cast<model::TNode*>(entity)) {
        SelectNode(n);
        CentreOn(ExtentOf(*n));
        return true;
    }
    if (auto* l = dynamic_cast<model::TLink*>(entity)) {
        SelectLink(l);
        CentreOn(ExtentOf(*l));
        return true;
    }
    return false;
}

void TNetForm::PathChanged() {
    pathPanel_->Refresh();
    map_->InvalidateMap();
}

// ---- Project menu ----------------------------------------------------------------------------

void TNetForm::Validate() {
    std::vector<TValidationFinding> findings;
    if (!Guarded([&] { findings = ValidationFindings(Project()); })) return;
    if (validateForm_) validateForm_->close();
    auto* form = new TValidateForm(std::move(findings), this);
    form->onLocate = [this](model::TEntity* e, const model::TScenario* s) {
        if (s) {
            SetScenario(const_cast<model::TScenario*>(s));
            FillScenarioTree();
        }
        LocateEntity(e);
    };
    validateForm_ = Show(form);
}

void TNetForm::Generate(int command) {
    const auto cmd = static_cast<modelio::TGenerationCommand>(command);
    const modelio::TGenerationCommandInfo* info = nullptr;
    for (const auto& i : modelio::GenerationCommands())
        if (i.command == cmd) info = &i;
    if (!info) return;
    const model::TScenario* s = nullptr;
    if (info->needsScenario) {
        s = Dialogs().chooseScenario(this,
                                     cmd == modelio::TGenerationCommand::GenerateSingleScenario
                                         ? "Generate Single Scenario"
                                         : "Select Scenario",
                                     Project(), scenario_);
        // Cancelled: nothing is written.
        if (!s) return;
    }
    Guarded([&] { modelio::RunGenerationCommand(cmd, Project(), s); });
}

void TNetForm::WriteMifRouteFile() {
    const model::TScenario* s =
        Dialogs().chooseScenario(this, "Select Scenario", Project(), scenario_);
    if (!s) return;
    Guarded([&] { files::WriteRouteMifFiles(Project(), s); });
}

void TNetForm::RunModel() {
    if (executionForm_) {
        executionForm_->raise();
        executionForm_->activateWindow();
        return;
    }
    auto* form = new TProgramExecutionForm(Project(), settings_.get(), this);
    // The programs' run reads the study on a thread of its own: nothing may edit it meanwhile.
    form->setWindowModality(Qt::ApplicationModal);
    executionForm_ = Show(form);
}

void TNetForm::ExportNetwork() {
    model::TScenario* s =
        Dialogs().chooseScenario(this, "Select Scenario to Export", Project(), scenario_);
    if (!s) return;
    Guarded([&] { files::TExportNetworkCmd(Project(), s).Execute(); });
}

void TNetForm::ImportNetwork() {
    if (Project().ReadOnly()) return;
    model::TScenario* s =
        Dialogs().chooseScenario(this, "Select Scenario to Import to", Project(), scenario_);
    if (!s) return;
    const std::string start = fs::path(Project().FileName()).parent_path().string();
    const std::vector<std::string> files =
        Dialogs().openFiles(this, "Import Network", start, kImportFilter, true);
    if (files.empty()) return;
    // Each file is a command of its own; the lines before a failing one stay applied, and
    // undo reverts them with the rest of that file.
    for (const std::string& file : files)
        if (!Guarded(
                [&] { files::TImportNetworkCmd(Project(), s, file).Execute(doc_.CommandStack()); }))
            break;
    Rescale();
    Changed();
}

void TNetForm::ExportXml() {
    const fs::path name(Project().FileName());
    const std::string start =
        name.empty() ? std::string() : (name.parent_path() / name.stem()).string();
    int filter = 0;
    std::string file = Dialogs().saveFile(this, "Export to XML", start, kXmlFilter, &filter);
    if (file.empty()) return;
    const bool compressed = filter == 1;
    if (fs::path(file).extension().empty()) file += compressed ? ".xmlz" : ".xml";
    Guarded([&] { files::ExportXml(Project(), file, compressed); });
}

// ---- Path menu -------------------------------------------------------------------------------

namespace {

/// Shows the Paths tab, so that what a path command changes is seen.
void ShowPathTab(TNetForm& form) {
    if (form.ActivePainter() == form.PathPainter()) return;
    for (int i = 0; i < form.Tabs()->count(); ++i)
        if (form.Tabs()->tabText(i) == QLatin1String(form.PathPainter()->Caption()))
            form.SelectPainter(i);
}

} // namespace

void TNetForm::PathSelect() {
    view::TPathPainter* p = PathPainter();
    if (!p) return;
    TPathSelectDlg dlg(Project(), *p, this);
    if (dlg.exec() != QDialog::Accepted) return;
    ShowPathTab(*this);
    const int origin = dlg.SourceList()->currentIndex(),
              destination = dlg.SinkList()->currentIndex();
    const bool samePair = origin == p->Current(0) && destination == p->Current(1);
    p->PathFileSet().Select(dlg.ModeList()->currentIndex(), origin, samePair ? p->Current(3) : 0,
                            destination);
    PathChanged();
}

void TNetForm::PathPrevious() {
    if (view::TPathPainter* p = PathPainter()) {
        ShowPathTab(*this);
        p->Previous();
        PathChanged();
    }
}

void TNetForm::PathNext() {
    if (view::TPathPainter* p = PathPainter()) {
        ShowPathTab(*this);
        p->Next();
        PathChanged();
    }
}

void TNetForm::PathReverse() {
    if (view::TPathPainter* p = PathPainter()) {
        ShowPathTab(*this);
        p->PathFileSet().Select(p->Current(2), p->Current(1), p->Current(3), p->Current(0));
        PathChanged();
    }
}

void TNetForm::PathDontShowReverse() {
    if (view::TPathPainter* p = PathPainter()) {
        p->SetShowReverse(!p->ShowReverse());
        map_->InvalidateMap();
    }
}

void TNetForm::PathsThatUseLink() {
    view::TPathPainter* p = PathPainter();
    if (!p || !selectedLink_) return;
    if (pathsUsingLinkForm_) pathsUsingLinkForm_->close();
    TPathsUsingLinkForm* form = nullptr;
    Guarded([&] { form = new TPathsUsingLinkForm(Project(), *p, *selectedLink_, this); });
    if (!form) return;
    form->onChanged = [this] {
        ShowPathTab(*this);
        PathChanged();
    };
    pathsUsingLinkForm_ = Show(form);
}

// ---- Reports ---------------------------------------------------------------------------------

void TNetForm::AssignmentReport() {
    if (reportForm_) reportForm_->close();
    reportForm_ =
        Show(new TAssignmentReportForm(Project(), scenario_, selection_, settings_.get(), this));
}

void TNetForm::LoadAssignmentSettings() {
    const std::vector<std::string> files = Dialogs().openFiles(
        this, "Load Assignment Settings", modelio::ReportSettingsFileName(Project()),
        TAssignmentReportForm::kSettingsLoadFilter, false);
    if (files.empty()) return;
    AssignmentReport();
    reportForm_->LoadSettingsFile(files.front());
}

} // namespace zep::shell
