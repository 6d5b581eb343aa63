// zep-cli render PROJECT -o OUT.png|.svg|.pdf: the map as the network window shows it, drawn by
// one painter into an image, an SVG drawing or a PDF page.
#include <QGuiApplication>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "foundation/Format.h"
#include "foundation/OrvMessages.h"
#include "model/Project.h"
#include "view/ViewSettings.h"
#include "view/qt/MapRender.h"

namespace zep::cli {
namespace {

namespace fs = std::filesystem;

const char* const kSynopsis = "PROJECT -o OUT.png|.svg|.pdf [--painter NAME] [--scenario S] "
                              "[--size WxH] [--rect X1,Y1,X2,Y2] [--background FILE.dxf]...";

std::pair<int, int> ParseSize(const std::string& text) {
    int w = 0, h = 0;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X') ||
        w < 16 || h < 16 || w > 20000 || h > 20000)
        throw EUsageError("--size wants WIDTHxHEIGHT in pixels (16 to 20000), not \"" + text +
                          "\"");
    return {w, h};
}

/// Text needs a GUI application; a batch tool draws without any display.
void EnsureGuiApplication() {
    if (QGuiApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt's notes about the session (no runtime directory when run from a script) are no concern
    // of a batch tool's user; its warnings are.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtDebugMsg || type == QtInfoMsg || text.startsWith("QStandardPaths:")) return;
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    static int argc = 1;
    static char name[] = "zep-cli";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

int Render(const std::vector<std::string>& args) {
    ArgReader a(args, {"-o", "--painter", "--scenario", "--size", "--rect", "--background"});
    a.ExpectPositional(1, 1, std::string("render ") + kSynopsis);
    if (!a.Has("-o")) throw EUsageError("usage: zep-cli render " + std::string(kSynopsis));
    const std::string out = a.Value("-o");
    const std::string ext = LowerCase(fs::path(out).extension().string());
    if (ext != ".png" && ext != ".svg" && ext != ".pdf")
        throw EUsageError("the output must end in .png, .svg or .pdf, not \"" + out + "\"");
    const auto [width, height] =
        a.Has("--size") ? ParseSize(a.Value("--size")) : std::pair<int, int>{1920, 1080};
    std::array<double, 4> rect{};
    const bool hasRect = a.Has("--rect");
    if (hasRect) rect = ParseRectOption(a.Value("--rect"));

    const std::string projectFile = a.Positional()[0];
    TStudy project = OpenStudy(projectFile);
    model::TProject& p = *project;
    view::qt::TMapRenderRequest request;
    request.scenario =
        a.Has("--scenario") ? ScenarioByName(p, a.Value("--scenario")) : p.BaseScenario();
    if (a.Has("--painter")) {
        try {
            request.painterClass = view::qt::PainterClassByName(p, a.Value("--painter"));
        } catch (const Exception& e) {
            throw EUsageError(e.Message());
        }
    }
    request.width = width;
    request.height = height;
    if (hasRect) request.area = analysis::TWorldRect::Of(rect[0], rect[1], rect[2], rect[3]);
    request.backgrounds = a.Values("--background");
    // The settings the network window keeps beside the project: options, painters, backgrounds.
    const view::TViewSettings settings(projectFile);
    request.settings = &settings;

    EnsureGuiApplication();
    const std::string caption = view::qt::RenderMapFile(p, request, out);
    std::printf("painter: %s\nscenario: %s\nsize: %dx%d\nwritten: %s\n", caption.c_str(),
                request.scenario->GetName().c_str(), width, height, out.c_str());
    return 0;
}

VerbRegistrar
    reg(82,
        {"render", kSynopsis, "draw the map of a study into a PNG image, an SVG drawing or a PDF",
         Render,
         "Draws the network as the network window shows it: the painter's links, then nodes,\n"
         "zones and labels, over the background drawings, with the view options, painter\n"
         "settings and background files kept beside the project (PROJECT.ini).\n"
         "  --painter NAME   a tab caption (\"Link Types\", \"Routes\", \"Asymmetric\",\n"
         "                   \"Changed\", \"Paths\", \"Equiv Veh\", ...) or class name; default\n"
         "                   the window's first tab\n"
         "  --scenario S     the scenario drawn (default the base scenario)\n"
         "  --size WxH       pixels (default 1920x1080)\n"
         "  --rect X1,Y1,X2,Y2  the world rectangle to show (default the whole study)\n"
         "  --background F   a DXF drawing behind the network (repeatable)\n"
         "Exit 1 when the study or a drawing cannot be read or the output cannot be written.\n"});

} // namespace
} // namespace zep::cli
