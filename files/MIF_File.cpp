#include "files/MIF_File.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "files/ImportExport.h"
#include "foundation/Format.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"

namespace zep::files {

using namespace zep::model;

std::string MifCoordinate(double value) {
    if (!std::isfinite(value)) value = 0.0;
    char buf[400];
    // The shortest fixed text that reads back as the same double.
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    std::string text(buf, res.ptr);
    std::size_t dot = text.find('.');
    if (dot != std::string::npos && text.size() - dot - 1 > 18) {
        res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 18);
        text.assign(buf, res.ptr);
        while (text.back() == '0')
            text.pop_back();
        dot = text.find('.');
    }
    if (dot == std::string::npos) {
        text += '.';
        dot = text.size() - 1;
    }
    while (text.size() - dot - 1 < 3)
        text += '0';
    if (text == "-0.000") text = "0.000";
    return text;
}

std::string RouteMidLine(const TRoute* route, const TScenario* s) {
    const TOperator* op = route->Operator();
    return Format(
        "%d,\"%s\",\"%s\",%d,%g,%g,%g,%g,%d",
        {route->Id(), route->GetName(), route->GetString(kPropDescription), op ? op->Id() : 0,
         route->GetFloatIn(s, TRoute::kMinFreq), route->GetFloatIn(s, TRoute::kMaxFreq),
         route->GetFloatIn(s, TRoute::kTargetOccupancy), route->GetFloatIn(s, TRoute::kMaxFleet),
         route->GetBooleanIn(s, TRoute::kScheduled) ? 1 : 0});
}

int RoutePenColour(const TRoute* route) {
    // A multiplicative hash spreads neighbouring identifiers over the colour cube.
    const auto id = static_cast<std::uint32_t>(route->Id());
    return static_cast<int>((id * 2654435761u) >> 8);
}

TMIFWriter::TMIFWriter(const TProject& project, const TScenario* scenario)
    : project_(project), scenario_(scenario) {}

void TMIFWriter::AddHeader() {
    for (const char* line :
         {"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"", "Index 1,2,4",
          "CoordSys Earth Projection 1, 0", "Columns 9", "  ID Integer", "  NAME Char(256)",
          "  DESCRIPTION Char(256)", "  OPER Integer", "  MINFREQ Float", "  MAXFREQ Float",
          "  TARGETOCC Float", "  MAXFLEET Float", "  SCHEDULE Logical", "", "DATA", ""})
        lines_.emplace_back(line);
}

void TMIFWriter::AddRoutes() {
    const TRouteList& routes = project_.Routes();
    for (std::size_t i = 0; i < routes.Count(); ++i) {
        const TRoute* route = routes.Get(i);
        ShowProgress("Routes MIF", routes.Count() ? static_cast<double>(i) / routes.Count() : 1);
        if (route->Id() < 0) continue;
        std::vector<const TLinkRoute*> used;
        for (const TLinkRoute* lr : route->LinkRoutes().Ordered(scenario_))
            if (lr->IsUsedIn(scenario_) && lr->Link() && lr->Link()->Tail() && lr->Link()->Head())
                used.push_back(lr);
        if (used.empty()) continue;
        lines_.push_back("PLINE " + std::to_string(used.size() + 1));
        auto point = [&](const TNode* node) {
            lines_.push_back("    " + MifCoordinate(node->GetFloat(TNode::kX)) + " " +
                             MifCoordinate(node->GetFloat(TNode::kY)));
        };
        point(used.front()->Link()->Tail());
        for (const TLinkRoute* lr : used)
            point(lr->Link()->Head());
        lines_.push_back(Format("    PEN(1,2,%d)", {RoutePenColour(route)}));
        midLines_.push_back(RouteMidLine(route, scenario_));
    }
    EndProgress();
}

std::string RouteMifFileName(const TProject& project, const TScenario* scenario,
                             const std::string& extension) {
    auto code = [](const std::string& name) {
        std::string c = Trim(name);
        if (c.size() > 3) c.resize(3);
        for (char& ch : c)
            if (ch == '/' || ch == '\\' || ch == '\0') ch = '_';
        return c;
    };
    std::string scenarioCode = code(scenario->GetName());
    const std::string base =
        UpperCase("routes_" + code(project.GetName()) + scenarioCode + "." + extension);
    std::filesystem::path path = std::filesystem::path(project.FileName()).parent_path();
    if (!scenarioCode.empty()) {
        // "." or ".." would name the study directory or its parent.
        if (scenarioCode.find_first_not_of('.') == std::string::npos)
            scenarioCode.assign(scenarioCode.size(), '_');
        path /= scenarioCode;
    }
    return (path / base).string();
}

TMifWriteResult WriteRouteMifFiles(const TProject& project, const TScenario* scenario) {
    TMIFWriter writer(project, scenario);
    writer.AddHeader();
    writer.AddRoutes();
    TMifWriteResult result;
    result.mifPath = RouteMifFileName(project, scenario, "MIF");
    result.midPath = RouteMifFileName(project, scenario, "MID");
    result.routes = writer.MidLines().size();
    const std::filesystem::path dir = std::filesystem::path(result.mifPath).parent_path();
    if (!dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec)
            throw EFCreateError("Cannot create file \"" + result.mifPath + "\". " + ec.message());
    }
    result.mifWritten = SaveTextLines(result.mifPath, writer.Lines(), true);
    result.midWritten = SaveTextLines(result.midPath, writer.MidLines(), true);
    return result;
}

} // namespace zep::files
