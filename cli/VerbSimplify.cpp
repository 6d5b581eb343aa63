// zep-cli simplify PROJECT [--scenario S] [--rect X1,Y1,X2,Y2] -o OUT: the "Simplify Network"
// command over the whole network or a world rectangle; one line per change, then the counts.
#include <cstdio>
#include <sstream>

#include "analysis/SimplerNet.h"
#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "foundation/Format.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "undo/CMDStk_.h"

namespace zep::cli {
namespace {

using namespace zep::model;

const char* const kSynopsis = "PROJECT [--scenario S] [--rect X1,Y1,X2,Y2] -o OUT";

analysis::TWorldRect ParseRect(const std::string& text) {
    const std::array<double, 4> v = ParseRectOption(text);
    return analysis::TWorldRect::Of(v[0], v[1], v[2], v[3]);
}

std::size_t UsedLinks(const TProject& p, const TScenario* s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < p.Links().Count(); ++i)
        n += p.Links().Get(i)->IsUsedIn(s);
    return n;
}

int Simplify(const std::vector<std::string>& args) {
    ArgReader a(args, {"--scenario", "--rect", "-o"});
    a.ExpectPositional(1, 1, std::string("simplify ") + kSynopsis);
    if (!a.Has("-o")) throw EUsageError("usage: zep-cli simplify " + std::string(kSynopsis));
    const analysis::TWorldRect rect =
        a.Has("--rect") ? ParseRect(a.Value("--rect")) : analysis::TWorldRect{};
    const std::string out = a.Value("-o");
    ProjectOutputForm(out);

    TStudy project = OpenStudy(a.Positional()[0]);
    TProject& p = *project;
    TScenario* s =
        a.Has("--scenario") ? ScenarioByName(p, a.Value("--scenario")) : p.BaseScenario();
    const std::size_t nodes = p.Nodes().Count(), links = p.Links().Count();
    const std::size_t used = UsedLinks(p, s);

    undo::TCommandStack stack;
    analysis::TWorldRect repaint;
    std::size_t merged = 0, deletedNodes = 0, deletedLinks = 0;
    std::vector<std::string> lines;
    const std::int32_t changes = analysis::SimplifyNetworkCommand(
        p, stack, rect, repaint, [&](const analysis::TSimplifyChange& c) {
            merged += c.kind == "merged node";
            deletedNodes += c.kind == "deleted node";
            deletedLinks += c.kind == "deleted link";
            lines.push_back(c.kind + " " + c.key);
        });
    // Nothing may hold on to the study's past: the file gets the state as it is now.
    stack.Clear();
    p.UndoSet().Clear();
    SaveStudy(out, p);
    EndProgress();

    for (const std::string& line : lines)
        std::printf("%s\n", line.c_str());
    std::printf("changes: %d\nmerged_nodes: %zu\ndeleted_nodes: %zu\ndeleted_links: %zu\n", changes,
                merged, deletedNodes, deletedLinks);
    std::printf("nodes: %zu -> %zu\nlinks: %zu -> %zu\n", nodes, p.Nodes().Count(), links,
                p.Links().Count());
    std::printf("links_used_in_%s: %zu -> %zu\n", s->GetName().c_str(), used, UsedLinks(p, s));
    std::printf("written: %s\n", out.c_str());
    return 0;
}

VerbRegistrar reg(72, {"simplify", kSynopsis,
                       "remove dead ends and orphan nodes, merge links through pass-through "
                       "nodes, and save the study",
                       Simplify,
                       "Runs the \"Simplify Network\" command: dead-end links and nodes without "
                       "a way in or out are deleted, chains of links through nodes that only "
                       "pass traffic on are merged where the links agree in every scenario "
                       "(type, capacity, speed, routes); zones are never touched.\n"
                       "--rect X1,Y1,X2,Y2: only nodes and links inside this world rectangle "
                       "(default: the whole network).\n"
                       "--scenario S: the scenario whose used links are counted (default: the "
                       "base scenario).\n"
                       "Output: one line per change (\"deleted link l_1-2\", \"deleted node n_7\", "
                       "\"merged node n_5\"), then changes, merged_nodes, deleted_nodes, "
                       "deleted_links, nodes, links, links_used_in_S and written.\n"
                       "Exit status: 0 done, 1 failed (unreadable study, unknown scenario, "
                       "unwritable output), 2 usage error."});

} // namespace
} // namespace zep::cli
