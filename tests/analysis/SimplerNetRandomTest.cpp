// The simplifier's commands on random studies and on the public road networks: every command
// leaves a consistent study and its undo gives back the exact study it started from; on the
// real networks, Simplify keeps the least cost of every zone pair.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <random>

#include "SimplifyTestSupport.h"
#include "analysis/SimplerNet.h"
#include "files/PrjFile.h"
#include "files/TntpImport.h"
#include "foundation/OrvMessages.h"
#include "model/CATEGORY.h"
#include "model/SampleStudy.h"
#include "tests/model/RandomEditor.h"
#include "undo/CMDStk_.h"

namespace zep::analysis::test {
namespace {

using namespace zep::model;
using model::test::FirstDifference;

class RandomSimplify : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomSimplify, EveryCommandUndoesToTheExactStudy) {
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    TProject p;
    BuildSampleStudy(p);
    undo::TCommandStack stack;
    model::test::TRandomEditor editor(p, GetParam());
    std::mt19937 rng(GetParam());
    auto pick = [&](std::size_t n) { return std::size_t(rng() % std::max<std::size_t>(n, 1)); };
    auto anyNode = [&]() -> TNode* {
        return p.Nodes().Count() ? p.Nodes().Get(pick(p.Nodes().Count())) : nullptr;
    };
    auto anyLink = [&]() -> TLink* {
        return p.Links().Count() ? p.Links().Get(pick(p.Links().Count())) : nullptr;
    };
    int pushed = 0;
    for (int step = 0; step < 60; ++step) {
        for (int i = 0; i < 3; ++i)
            undo::RunCommand(&p.UndoSet(), stack, "Random", [&] { editor.Edit(); });
        const int kind = int(rng() % 5);
        // Entities are picked once, so that the command can run again on the same ones.
        TNode* node = anyNode();
        TLink* link = anyLink();
        TWorldRect rect;
        if (rng() % 3 && node) {
            const TFloatPoint c = node->Position();
            const double r = double(rng() % 4000);
            rect = TWorldRect::Of(c.x - r, c.y - r, c.x + r, c.y + r);
        }
        std::vector<TRoute*> routes;
        for (std::size_t i = 0, n = 2 + pick(2); i < n && p.Routes().Count(); ++i)
            routes.push_back(p.Routes().Get(pick(p.Routes().Count())));
        if (kind == 4 && link && link->Polyline().IsEmpty())
            undo::RunCommand(&p.UndoSet(), stack, "Insert Polypoint", [&] {
                const TFloatPoint a = link->Tail()->Position(), b = link->Head()->Position();
                link->Polyline().SetPoints({{(a.x + b.x) / 2 + 1, (a.y + b.y) / 2, 0}});
            });
        TWorldRect repaint;
        auto run = [&] {
            switch (kind) {
            case 0:
                SimplifyNetworkCommand(p, stack, rect, repaint, {});
                break;
            case 1:
                MergeNodeCommand(p, stack, node, repaint);
                break;
            case 2:
                MergeLinkCommand(p, stack, link, repaint);
                break;
            case 3:
                MergeRoutesCommand(p, stack, routes);
                break;
            default:
                if (link) SplitLinkCommand(p, stack, link, p.CurrentScenario(), 0, repaint);
            }
        };
        const std::string before = DumpProject(p);
        const std::size_t depth = stack.Count();
        run();
        ASSERT_EQ("", ConsistencyReport(p)) << "step " << step << " kind " << kind;
        if (stack.Count() == depth) {
            ASSERT_EQ("", FirstDifference(before, DumpProject(p))) << "dropped, kind " << kind;
            continue;
        }
        ++pushed;
        stack.UndoTop();
        ASSERT_EQ("", FirstDifference(before, DumpProject(p)))
            << "step " << step << " kind " << kind;
        ASSERT_EQ("", ConsistencyReport(p));
        // Keep every other result, so that the study also changes through the simplifier.
        if (rng() % 2) {
            run();
            ASSERT_EQ("", ConsistencyReport(p)) << "again: step " << step << " kind " << kind;
        }
    }
    EXPECT_GT(pushed, 10);
    undo::SetCurrentUndoSet(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomSimplify, ::testing::Values(1u, 17u, 2026u));

// ---- the public road networks -------------------------------------------------------------------

namespace fs = std::filesystem;

void SimplifyRealNetwork(const std::string& folder, const std::string& netFile) {
    const std::string net = std::string(ZEP_SHARED_DATA) + "/networks/" + folder + "/" + netFile;
    if (!fs::exists(net)) GTEST_SKIP() << "no shared data at " << net;
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    // Imported, saved and opened again, as a planner would have it: opening gives every link
    // the link-routes of the operators that may use it.
    const fs::path dir = fs::temp_directory_path() / ("zep_simplify_" + folder);
    fs::create_directories(dir);
    const std::string file = (dir / "net.zpz").string();
    {
        TProject imported;
        imported.SetName(folder);
        files::ImportTntpFiles(imported, net, "", "", "");
        files::SaveProject(file, imported);
    }
    std::unique_ptr<TProject> opened = files::OpenProject(file);
    fs::remove_all(dir);
    TProject& p = *opened;
    TScenario* s = p.BaseScenario();
    TCategory* car = p.Categories().Get(0);
    car->SetValueIn(s, TCategory::kValueOfTravelTime, TValue(2.5));
    const TMode* mode = p.Modes().Get(0);
    const TZoneCosts before = ZoneCosts(p, car, mode, s);
    const std::string dump = DumpProject(p);
    const std::size_t nodes = p.Nodes().Count(), links = p.Links().Count();

    undo::TCommandStack stack;
    TWorldRect repaint;
    std::size_t merged = 0, deletedNodes = 0, deletedLinks = 0;
    const std::int32_t changes =
        SimplifyNetworkCommand(p, stack, {}, repaint, [&](const TSimplifyChange& c) {
            merged += c.kind == "merged node";
            deletedNodes += c.kind == "deleted node";
            deletedLinks += c.kind == "deleted link";
        });
    EXPECT_EQ("", ConsistencyReport(p));
    EXPECT_EQ(std::size_t(changes), merged + deletedNodes + deletedLinks);
    EXPECT_EQ(nodes - merged - deletedNodes, p.Nodes().Count());
    EXPECT_EQ(0u, CostDifferences(before, ZoneCosts(p, car, mode, s)));
    std::cout << folder << ": " << nodes << " nodes, " << links << " links; merged " << merged
              << " nodes, deleted " << deletedNodes << " nodes and " << deletedLinks
              << " links; now " << p.Nodes().Count() << " nodes, " << p.Links().Count()
              << " links\n";
    if (stack.Count()) stack.UndoTop();
    EXPECT_EQ("", FirstDifference(dump, DumpProject(p)));
    undo::SetCurrentUndoSet(nullptr);
}

TEST(RealNetworks, SiouxFallsSimplifiesWithoutChangingLeastCosts) {
    SimplifyRealNetwork("SiouxFalls", "SiouxFalls_net.tntp");
}
TEST(RealNetworks, AnaheimSimplifiesWithoutChangingLeastCosts) {
    SimplifyRealNetwork("Anaheim", "Anaheim_net.tntp");
}
TEST(RealNetworks, ChicagoSketchSimplifiesWithoutChangingLeastCosts) {
    SimplifyRealNetwork("Chicago-Sketch", "ChicagoSketch_net.tntp");
}

} // namespace
} // namespace zep::analysis::test
