// The network file of a synthetic study with scenario changes, read back: one line per link
// used in the scenario, in (origin, destination) order, its columns where the layout puts
// them, and the routes and turns the model is meant to see.
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

#include "ModelFilesTestSupport.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/OPERATOR.h"
#include "model/SampleStudy.h"

namespace zep::modelio {
namespace {

using namespace model;

struct TExpected {
    const TLink* link;
    std::multiset<std::int64_t> routes;
    std::vector<std::int64_t> turns;
};

TEST(NetworkFileReadBack, SyntheticStudyWithRandomTurnsAndTransfers) {
    TProject project;
    TStudySizes sizes;
    sizes.nodes = 500;
    sizes.links = 1200;
    sizes.zones = 20;
    sizes.routes = 12;
    sizes.scenarios = 3;
    BuildSyntheticStudy(project, sizes);
    const TScenario* last = project.Scenarios().Get(project.Scenarios().Count() - 1);
    TScenario* child = project.Scenarios().Get(1);

    // Random turns (restricted, delayed, both, neither) and link-routes without transfers.
    std::mt19937 rng(42);
    const TLinkList& links = project.Links();
    for (int k = 0; k < 300; ++k) {
        TLink* l = links.Get(rng() % links.Count());
        const TBaseLinkList& out = l->Head()->OutLinks();
        if (out.Count() == 0) continue;
        TNode* to = out.Get(rng() % out.Count())->Head();
        TTurnRestriction* t = l->GetOrCreateTurnTo(to);
        if (rng() % 2) t->SetValueIn(child, TTurnRestriction::kRestriction, TValue(true));
        if (rng() % 2) t->SetValueIn(child, TTurnRestriction::kDelay, TValue(0.001 * (rng() % 50)));
    }
    for (std::size_t i = 0; i < project.LinkRoutes().Count(); i += 7)
        project.LinkRoutes().Get(i)->SetValueIn(child, TLinkRoute::kNoTransfers, TValue(true));

    std::map<std::pair<std::int64_t, std::int64_t>, TExpected> expected;
    std::size_t delays = 0;
    for (std::size_t i = 0; i < links.Count(); ++i) {
        const TLink* l = links.Get(i);
        if (!l->IsUsedIn(last)) continue;
        TExpected e{l, {}, {}};
        for (std::size_t k = 0; k < l->LinkRoutes().Count(); ++k) {
            const TLinkRoute* lr = l->LinkRoutes().Get(k);
            const TRoute* r = lr->Route();
            if (r->Id() > 0 && lr->IsUsedIn(last) && r->IsUsedIn(last) &&
                r->Operator()->Type() == otRoute)
                e.routes.insert(lr->GetBooleanIn(last, TLinkRoute::kNoTransfers) ? -r->Id()
                                                                                 : r->Id());
        }
        for (std::size_t k = 0; k < l->Turns().Count(); ++k) {
            const TTurnRestriction* t = l->Turns().Get(k);
            const double delay = t->GetFloatIn(last, TTurnRestriction::kDelay);
            if (t->GetBooleanIn(last, TTurnRestriction::kRestriction) || delay > 0)
                e.turns.push_back(t->To()->Id());
            if (delay > 0) ++delays;
        }
        expected.emplace(std::make_pair(l->Tail()->Id(), l->Head()->Id()), e);
    }
    ASSERT_GT(expected.size(), 100u);
    std::size_t withoutTransfers = 0, withTurns = 0;
    for (const auto& [key, e] : expected) {
        withoutTransfers += e.routes.count(0) + std::count_if(e.routes.begin(), e.routes.end(),
                                                              [](auto r) { return r < 0; });
        withTurns += e.turns.empty() ? 0 : 1;
    }
    ASSERT_GT(withoutTransfers, 0u);
    ASSERT_GT(withTurns, 10u);
    ASSERT_GT(delays, 10u);

    const TLines lines = BuildP1E(project, *last);
    auto it = std::find(lines.begin(), lines.end(), "3.0 NEW LINKS") + 2;
    std::pair<std::int64_t, std::int64_t> previous{-1, -1};
    std::size_t seen = 0;
    for (; *it != SectionEndLine(); ++it, ++seen) {
        const std::string& line = *it;
        SCOPED_TRACE(line);
        // Fixed part: four I columns and three R columns after the indent.
        ASSERT_GE(line.size(), 4u + 4 * 9 + 3 * 11);
        std::istringstream in(line);
        std::int64_t tail, head, id, type;
        in >> tail >> head >> id >> type;
        const std::pair<std::int64_t, std::int64_t> key{tail, head};
        EXPECT_LT(previous, key);
        previous = key;
        auto found = expected.find(key);
        ASSERT_NE(found, expected.end());
        const TLink& l = *found->second.link;
        EXPECT_EQ(line.substr(0, 4 + 4 * 9),
                  "    " + IntCol(tail) + IntCol(head) + IntCol(l.Id()) +
                      IntCol(l.LinkTypeIn(last) ? l.LinkTypeIn(last)->Id() : 0));
        EXPECT_EQ(line.substr(4 + 4 * 9, 3 * 11),
                  RealCol(l.GetFloatIn(last, TLink::kLength)) +
                      RealCol(l.GetFloatIn(last, TLink::kCapacity)) +
                      RealCol(l.GetFloatIn(last, TLink::kDelay)));
        // The variable part: routes up to the 0, then the turns, then "/".
        std::istringstream rest(line.substr(4 + 4 * 9 + 3 * 11));
        std::multiset<std::int64_t> routes;
        std::int64_t v = 0;
        std::int64_t lastAbs = 0;
        while (rest >> v && v != 0) {
            EXPECT_LE(lastAbs, std::llabs(v)) << "route order";
            lastAbs = std::llabs(v);
            routes.insert(v);
        }
        EXPECT_EQ(v, 0);
        EXPECT_EQ(routes, found->second.routes);
        std::vector<std::int64_t> turns;
        while (rest >> v)
            turns.push_back(v);
        EXPECT_EQ(turns, found->second.turns);
        EXPECT_EQ(line.substr(line.size() - 2), " /");
    }
    EXPECT_EQ(seen, expected.size());
    // The intersection delays: one line per delayed turn of a used link.
    auto delayHeading = std::find(lines.begin(), lines.end(), "4.0 INTERSECTION DELAYS");
    EXPECT_EQ(static_cast<std::size_t>(lines.end() - delayHeading), delays + 3);
}

} // namespace
} // namespace zep::modelio
