// The network kinds inside a whole study (the bundled sample study): properties that must hold
// for every link and route of it, in every scenario.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "foundation/Stream.h"
#include "model/Consistency.h"
#include "model/LINK.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "undo/CMDStk_.h"

namespace zep::model::test {
namespace {

class TSampleStudyTest : public ::testing::Test {
protected:
    void SetUp() override { BuildSampleStudy(prj); }
    TProject prj;
};

TEST_F(TSampleStudyTest, ChainsCoverTheUsedLinkRoutesAndJoinUp) {
    ASSERT_GT(prj.Routes().Count(), 0u);
    for (std::size_t si = 0; si < prj.Scenarios().Count(); ++si) {
        TScenario* s = prj.Scenarios().Get(si);
        for (std::size_t ri = 0; ri < prj.Routes().Count(); ++ri) {
            TRoute* r = prj.Routes().Get(ri);
            SCOPED_TRACE(r->KeyText() + " in " + s->GetName());
            const TRouteLinkRouteList& list = r->LinkRoutes();
            std::set<const TLinkRoute*> inChains;
            for (const auto& chain : list.Chains(s)) {
                ASSERT_FALSE(chain.empty());
                for (std::size_t k = 0; k < chain.size(); ++k) {
                    EXPECT_TRUE(chain[k]->IsUsedIn(s));
                    EXPECT_TRUE(inChains.insert(chain[k]).second);
                    if (k > 0) {
                        EXPECT_EQ(chain[k - 1]->Link()->Head(), chain[k]->Link()->Tail());
                    }
                }
            }
            EXPECT_EQ(inChains.size(), r->CountUsedLinkRoutes(s));
            std::vector<TLinkRoute*> ordered = list.Ordered(s);
            auto stored = list.Items();
            ASSERT_EQ(ordered.size(), stored.size());
            std::sort(ordered.begin(), ordered.end());
            std::sort(stored.begin(), stored.end());
            for (std::size_t k = 0; k < stored.size(); ++k)
                EXPECT_EQ(static_cast<TZEPPersistent*>(ordered[k]), stored[k]);
        }
    }
}

TEST_F(TSampleStudyTest, NearestLinkFindsEveryLinkOnItsOwnCourse) {
    for (std::size_t i = 0; i < prj.Links().Count(); ++i) {
        TLink* l = prj.Links().Get(i);
        const TSegment& seg = l->Segments().at(0);
        const TFloatPoint mid{(seg.a.x + seg.b.x) / 2, (seg.a.y + seg.b.y) / 2};
        EXPECT_NEAR(l->Distance(mid, 0), 0, 1e-9);
        TLink* found = prj.Links().NearestLink(mid, nullptr, 0, -1);
        ASSERT_NE(found, nullptr);
        EXPECT_NEAR(found->Distance(mid, 0), 0, 1e-9);
        EXPECT_LE(found->Distance(mid, 0), l->Distance(mid, 0));
        if (found != l) { // only an earlier link at the same distance, or one closer
            EXPECT_TRUE(prj.Links().IndexOf(found) < static_cast<std::ptrdiff_t>(i) ||
                        found->Distance(mid, 0) < l->Distance(mid, 0));
        }
    }
}

TEST_F(TSampleStudyTest, PolylineFileRoundTrip) {
    TMemoryStream out;
    prj.Links().WritePolylines(out);
    std::size_t withPolyline = 0;
    std::vector<TPoint3Vector> before;
    for (std::size_t i = 0; i < prj.Links().Count(); ++i) {
        before.push_back(prj.Links().Get(i)->Polyline().Points());
        if (!before.back().empty()) ++withPolyline;
        prj.Links().Get(i)->Polyline().SetPoints({});
    }
    ASSERT_GT(withPolyline, 0u);
    TMemoryStream in(out.Data());
    const TPolylineReadResult r = prj.Links().ReadPolylines(in);
    EXPECT_EQ(r.applied, withPolyline);
    EXPECT_TRUE(r.unknown.empty());
    for (std::size_t i = 0; i < prj.Links().Count(); ++i) {
        const TPoint3Vector now = prj.Links().Get(i)->Polyline().Points();
        ASSERT_EQ(now.size(), before[i].size());
        for (std::size_t k = 0; k < now.size(); ++k) {
            // "%g" keeps six significant digits
            EXPECT_NEAR(now[k].x, before[i][k].x, std::fabs(before[i][k].x) * 1e-5 + 1e-9);
            EXPECT_NEAR(now[k].y, before[i][k].y, std::fabs(before[i][k].y) * 1e-5 + 1e-9);
        }
    }
}

TEST_F(TSampleStudyTest, NetworkEditsAsOneCommandUndoCompletely) {
    ASSERT_EQ(ConsistencyReport(prj), "");
    const std::string before = DumpProject(prj);
    undo::TCommandStack commands;
    TScenario* s = prj.Scenarios().Get(prj.Scenarios().Count() - 1);
    undo::RunCommand(&prj.UndoSet(), commands, "Edit network", [&] {
        for (std::size_t i = 0; i < prj.Links().Count(); i += 3) {
            TLink* l = prj.Links().Get(i);
            l->InsertPolylinePoint({l->Tail()->Position().x + 0.5, l->Tail()->Position().y});
            if (TNode* next = l->NextNode(0, s)) l->SetTurnProhibited(next, s, true);
            l->SetValueIn(s, TLink::kCapacity, TValue(1234.0));
        }
        for (std::size_t i = 0; i < prj.Routes().Count(); ++i) {
            TRoute* r = prj.Routes().Get(i);
            if (r->Internal() || r->LinkRoutes().IsEmpty()) continue;
            r->SetUsedIn(s, false);
            r->LinkRoutes().Get(0)->SetUsedIn(s, true); // starts the route anew there
            EXPECT_EQ(r->CountUsedLinkRoutes(s), 1u);
        }
    });
    EXPECT_EQ(ConsistencyReport(prj), "");
    EXPECT_NE(DumpProject(prj), before);
    commands.UndoTop();
    EXPECT_EQ(DumpProject(prj), before);
    EXPECT_EQ(ConsistencyReport(prj), "");
}

} // namespace
} // namespace zep::model::test
