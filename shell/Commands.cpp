#include "shell/Commands.h"

#include "modelio/GenerationCommands.h"
#include "shell/MainWindow.h"
#include "shell/NetForm.h"

namespace zep::shell {

namespace {

using M = TMainForm;
using N = TNetForm;
constexpr auto Main = TCommandScope::Main;
constexpr auto Net = TCommandScope::Net;
using G = modelio::TGenerationCommand;

/// A generation command of the project menu; the single-file ones sit in their submenu.
TCommandDef GenerationEntry(const char* name, G command, const char* submenu = nullptr) {
    const char* caption = "";
    for (const auto& info : modelio::GenerationCommands())
        if (info.command == command) caption = info.caption;
    TCommandDef def{name, "&Project", caption, "", Net};
    def.submenu = submenu;
    def.netArg = &N::Generate;
    def.arg = int(command);
    return def;
}

TCommandDef When(TCommandDef def, bool (*enabled)(const TNetForm&)) {
    def.enabled = enabled;
    return def;
}

constexpr const char* kSingleFile = "Generate Single &File";

} // namespace

const std::vector<TCommandDef>& CommandTable() {
    static const std::vector<TCommandDef> table = {
        {"FileNew", "&File", "&New", "Ctrl+N", Main, &M::NewDocumentCommand},
        {"FileOpen", "&File", "&Open...", "Ctrl+O", Main, &M::OpenCommand},
        {"FileSave", "&File", "&Save", "Ctrl+S", Main, &M::SaveCommand},
        {"FileSaveAs", "&File", "Save &As...", "", Main, &M::SaveAsCommand},
        {"FileClose", "&File", "&Close", "", Main, &M::CloseCommand},
        {"FilePrint", "&File", "&Print...", "Ctrl+P", Net, nullptr, &N::Print},
        {"FilePrintPdf", "&File", "Print to P&DF...", "", Net, nullptr, &N::PrintPdf},
        {"FileExit", "&File", "E&xit", "Alt+F4", Main, &M::ExitCommand},

        {"EditUndo", "&Edit", "&Undo", "Ctrl+Z", Net, nullptr, &N::Undo},
        {"EditCopy", "&Edit", "&Copy", "Ctrl+C", Net, nullptr, &N::CopyMap},
        {"EditDelete", "&Edit", "&Delete", "Del", Net, nullptr, &N::DeleteSelected},
        {"EditMerge", "&Edit", "&Merge", "Ctrl+M", Net, nullptr, &N::Merge},
        {"EditSimplify", "&Edit", "&Simplify Network", "Ctrl+Y", Net, nullptr, &N::SimplifyNetwork},
        {"EditRemoveNetwork", "&Edit", "&Remove Network", "", Net, nullptr, &N::RemoveNetwork},

        {"ViewOptions", "&View", "&Options...", "", Net, nullptr, &N::ViewOptions},
        {"ViewAll", "&View", "&All", "Ctrl+A", Net, nullptr, &N::ViewAll},
        {"ViewRefresh", "&View", "&Refresh", "F9", Net, nullptr, &N::Refresh},
        {"ViewFindNode", "&View", "Find &Node...", "Ctrl+F", Net, nullptr, &N::FindNode},
        {"ViewFindLink", "&View", "Find &Link", "Ctrl+G", Net, nullptr, &N::FindLink},
        {"ViewZoomIn", "&View", "&Zoom In", "F8", Net, nullptr, &N::ZoomIn},
        {"ViewZoomOut", "&View", "Zoom O&ut", "F7", Net, nullptr, &N::ZoomOut},
        {"ViewSimilarRoutes", "&View", "&Similar Routes", "", Net, nullptr, &N::SimilarRoutes},
        {"ViewLeftPane", "&View", "Show/Hide Left Pane...", "Ctrl+L", Net, nullptr,
         &N::ToggleLeftPane},
        {"ViewBackgrounds", "&View", "Bac&kground Files...", "", Net, nullptr, &N::BackgroundFiles},
        {"ViewDxf", "&View", "View D&XF File...", "", Net, nullptr, &N::ViewDxfFile},

        {"ProjectValidate", "&Project", "&Validate...", "", Net, nullptr, &N::Validate},
        GenerationEntry("ProjectGenerate", G::GenerateInputFiles),
        GenerationEntry("ProjectGenerateSingle", G::GenerateSingleScenario),
        GenerationEntry("GenerateCTL", G::WriteCTL, kSingleFile),
        GenerationEntry("GenerateZ1E", G::WriteZ1E, kSingleFile),
        GenerationEntry("GenerateP0E", G::WriteP0E, kSingleFile),
        GenerationEntry("GenerateP1E", G::WriteP1E, kSingleFile),
        GenerationEntry("GenerateT1E", G::WriteT1E, kSingleFile),
        GenerationEntry("GenerateF1E", G::WriteF1E, kSingleFile),
        GenerationEntry("GenerateL1E", G::WriteL1E, kSingleFile),
        GenerationEntry("GenerateL0E", G::WriteL0E, kSingleFile),
        GenerationEntry("GenerateL2E", G::WriteL2E, kSingleFile),
        GenerationEntry("GenerateL3E", G::WriteL3E, kSingleFile),
        GenerationEntry("GenerateJOB", G::WriteJOB, kSingleFile),
        GenerationEntry("GenerateMakefile", G::WriteMakefile, kSingleFile),
        GenerationEntry("GenerateDAT", G::EmptyDATFiles, kSingleFile),
        [] {
            TCommandDef d{"GenerateMIF", "&Project", "MI&F Route File...", "",
                          Net,           nullptr,    &N::WriteMifRouteFile};
            d.submenu = kSingleFile;
            return d;
        }(),
        {"ProjectRun", "&Project", "&Run...", "", Net, nullptr, &N::RunModel},
        {"ProjectExportNetwork", "&Project", "&Export Network...", "", Net, nullptr,
         &N::ExportNetwork},
        When({"ProjectImportNetwork", "&Project", "&Import Network...", "", Net, nullptr,
              &N::ImportNetwork},
             &N::Writable),
        {"ProjectExportXml", "&Project", "Export to &XML...", "Ctrl+Alt+X", Net, nullptr,
         &N::ExportXml},

        When({"PathSelect", "Pat&h", "&Select...", "", Net, nullptr, &N::PathSelect},
             &N::PathMenuEnabled),
        When({"PathPrevious", "Pat&h", "&Previous", "Ctrl+F7", Net, nullptr, &N::PathPrevious},
             &N::PathMenuEnabled),
        When({"PathNext", "Pat&h", "&Next", "Ctrl+F8", Net, nullptr, &N::PathNext},
             &N::PathMenuEnabled),
        When({"PathReverse", "Pat&h", "Reverse", "Ctrl+R", Net, nullptr, &N::PathReverse},
             &N::PathMenuEnabled),
        [] {
            TCommandDef d = When({"PathDontShowReverse", "Pat&h", "Don't Show &Reverse", "", Net,
                                  nullptr, &N::PathDontShowReverse},
                                 &N::PathMenuEnabled);
            d.checked = &N::DontShowReverseChecked;
            return d;
        }(),
        When({"PathsThatUseLink", "Pat&h", "Paths that use Link...", "", Net, nullptr,
              &N::PathsThatUseLink},
             &N::PathMenuEnabled),

        When({"ReportAssignment", "&Reports", "Assignment...", "", Net, nullptr,
              &N::AssignmentReport},
             &N::ReportsEnabled),
        When({"ReportLoadSettings", "&Reports", "&Load Assignment Settings..", "", Net, nullptr,
              &N::LoadAssignmentSettings},
             &N::ReportsEnabled),

        {"ModeNormal", "&Mode", "&Normal Mode", "Ctrl+Shift+N", Net, nullptr, &N::ModeNormal,
         "mode"},
        {"ModeMoveNodes", "&Mode", "&Move Nodes", "Ctrl+Shift+M", Net, nullptr, &N::ModeMoveNodes,
         "mode"},
        {"ModeLabelNodes", "&Mode", "&Label Nodes", "Ctrl+Shift+L", Net, nullptr,
         &N::ModeLabelNodes, "mode"},
        {"ModeCreateNodes", "&Mode", "&Create Nodes", "Ctrl+Shift+C", Net, nullptr,
         &N::ModeCreateNodes, "mode"},
        {"ModeCreateLinks", "&Mode", "Create L&inks", "Ctrl+Shift+I", Net, nullptr,
         &N::ModeCreateLinks, "mode"},
        {"ModeSplitLinks", "&Mode", "&Split Links", "Ctrl+Shift+S", Net, nullptr,
         &N::ModeSplitLinks, "mode"},
        {"ModeDefineRoute", "&Mode", "&Define Route", "Ctrl+Shift+R", Net, nullptr,
         &N::ModeDefineRoute, "mode"},

        {"WindowNew", "&Window", "New", "", Main, &M::NewViewCommand},
        {"WindowTile", "&Window", "&Tile", "Shift+F4", Main, &M::TileCommand},
        {"WindowCascade", "&Window", "&Cascade", "Shift+F5", Main, &M::CascadeCommand},
        {"WindowArrange", "&Window", "&Arrange", "", Main, &M::ArrangeCommand},

        {"HelpContents", "&Help", "&Contents", "F1", Main, &M::HelpContentsCommand},
        {"HelpIndex", "&Help", "&Index", "", Main, &M::HelpIndexCommand},
        {"HelpDebugLog", "&Help", "&Debug Log", "", Main, &M::DebugLogCommand},
        {"HelpAbout", "&Help", "A&bout...", "", Main, &M::AboutCommand},
    };
    return table;
}

const TCommandDef* FindCommand(const std::string& name) {
    for (const TCommandDef& c : CommandTable())
        if (name == c.name) return &c;
    return nullptr;
}

} // namespace zep::shell
