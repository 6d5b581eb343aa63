// zep-cli report PROJECT --scenario S --kind route|operator|link|speed [--width W]
// [--settings FILE.xml] [--rect X1,Y1,X2,Y2] [--save-settings FILE.xml] -o OUT.csv|OUT.xls:
// an assignment report of one scenario, as comma-separated text or (.xls) as an HTML table.
#include <cmath>
#include <cstdio>
#include <sstream>

#include "analysis/Selections.h"
#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "foundation/Format.h"
#include "model/Project.h"
#include "modelio/EnergyReports.h"

namespace zep::cli {
namespace {

using namespace zep::model;

const char* const kSynopsis =
    "report PROJECT --scenario S --kind route|operator|link|speed [--width W] "
    "[--settings FILE.xml] [--rect X1,Y1,X2,Y2] [--save-settings FILE.xml] -o OUT.csv|OUT.xls";

/// A map selection seen as a report area.
class TSelectionArea : public modelio::IReportArea {
public:
    explicit TSelectionArea(analysis::PSelection selection) : selection_(std::move(selection)) {}
    bool Contains(TFloatPoint p) const override { return selection_->Contains(p); }
    void Write(TXMLGenerator& generator) const override {
        analysis::WriteSelection(generator, *selection_);
    }

private:
    analysis::PSelection selection_;
};

// An empty selection in a settings file means that none was made: the whole network.
modelio::PReportArea ReadArea(const minidom::TElement& settings) {
    analysis::PSelection selection = analysis::ReadSelection(settings);
    if (!selection || selection->ElementName().empty()) return nullptr;
    return std::make_shared<TSelectionArea>(std::move(selection));
}

int KindByName(const std::string& name) {
    if (name == "route") return modelio::rkLinkRoute;
    if (name == "operator") return modelio::rkOperator;
    if (name == "link") return modelio::rkLink;
    if (name == "speed") return modelio::rkSpeedClass;
    throw EUsageError("--kind is one of route, operator, link, speed, not \"" + name + "\"");
}

double ParseWidth(const std::string& text) {
    double width = 0;
    if (!TryStrToFloat(text, width))
        throw EUsageError("'" + text + "' is not a valid floating point value");
    return width;
}

modelio::PReportArea ParseRect(const std::string& text) {
    const std::array<double, 4> v = ParseRectOption(text);
    return std::make_shared<TSelectionArea>(
        std::make_shared<analysis::TCubeSelection>(TPoint3{v[0], v[1], 0}, TPoint3{v[2], v[3], 0}));
}

int Report(const std::vector<std::string>& args) {
    ArgReader a(
        args, {"--scenario", "--kind", "--width", "--settings", "--rect", "--save-settings", "-o"});
    a.ExpectPositional(1, 1, kSynopsis);
    if (!a.Has("--scenario") || !a.Has("-o") || (!a.Has("--kind") && !a.Has("--settings")))
        throw EUsageError("usage: zep-cli " + std::string(kSynopsis));
    // Options are checked before the study is read: a wrong one costs nothing.
    const int kind = a.Has("--kind") ? KindByName(a.Value("--kind")) : -1;
    const double width = a.Has("--width") ? ParseWidth(a.Value("--width")) : 0;
    const modelio::PReportArea rect = a.Has("--rect") ? ParseRect(a.Value("--rect")) : nullptr;

    modelio::TLinkSelector selector;
    if (a.Has("--settings")) modelio::LoadReportSettings(selector, a.Value("--settings"), ReadArea);
    if (kind >= 0) selector.SetFormatKind(kind);
    if (a.Has("--width")) selector.SetClassWidth(width);
    if (rect) selector.SetArea(rect);

    TStudy project = OpenStudy(a.Positional()[0]);
    TScenario* s = ScenarioByName(*project, a.Value("--scenario"));
    if (!project->AssignmentResults())
        std::fprintf(stderr, "note: %s holds no assignment results; loads read as 0\n",
                     a.Positional()[0].c_str());
    const std::string out = a.Value("-o");
    modelio::SaveReport(selector, *project, s, selector.FormatKind(), out);
    std::printf("written: %s\n", out.c_str());
    if (a.Has("--save-settings")) {
        modelio::SaveReportSettings(selector, a.Value("--save-settings"));
        std::printf("written: %s\n", a.Value("--save-settings").c_str());
    }
    return 0;
}

VerbRegistrar reg(
    95,
    {"report",
     "PROJECT --scenario S --kind route|operator|link|speed [--width W] [--settings FILE.xml] "
     "-o OUT.csv|OUT.xls",
     "an assignment report of a scenario: loads by link and route, operator, link, or "
     "vehicle-distance by speed class",
     Report,
     "  --kind K           route: one row per link and route; operator: per link and operator;\n"
     "                     link: per link; speed: vehicle-distance by speed class and operator\n"
     "  --width W          the speed class range (default 5)\n"
     "  --settings F.xml   report settings to start from (format, area, excluded link types\n"
     "                     and operators, class range); --kind, --width and --rect override\n"
     "  --rect X1,Y1,X2,Y2 report only the links with both ends in this world rectangle\n"
     "                     (default: the settings' area, else the whole network)\n"
     "  --save-settings F  write the settings used to F (XML)\n"
     "  -o OUT             OUT ending in .xls gets an HTML table, any other name comma-\n"
     "                     separated text\n"
     "Open the model's assignment file (S/PS.T3S) to report its loads. Exit 1 when the report\n"
     "or the settings cannot be written or read, 2 on a usage error.\n"});

} // namespace
} // namespace zep::cli
