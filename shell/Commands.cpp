#include "shell/Commands.h"

#include "shell/MainWindow.h"
#include "shell/NetForm.h"

namespace zep::shell {

namespace {

using M = TMainForm;
using N = TNetForm;
constexpr auto Main = TCommandScope::Main;
constexpr auto Net = TCommandScope::Net;

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
