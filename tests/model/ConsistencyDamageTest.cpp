// The consistency check against damage of every kind it looks for, at random places of the
// sample study (whose operators' long link-route lists make the check count into tables) and
// on a link that many routes use: each damage is named, and once it is mended the study has
// nothing to report again.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>

#include "ProjectTestSupport.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/SampleStudy.h"

namespace zep::model::test {
namespace {

using TMend = std::function<void()>;

struct TDamage {
    const char* what;     // the words the report must hold
    const char* whatElse; // and these, when not null
    std::function<TMend(TProject&, std::mt19937&)> apply;
};

template <class T> T* Pick(const TEntityList& list, std::mt19937& rng) {
    return static_cast<T*>(
        list.Get(std::uniform_int_distribution<std::size_t>(0, list.Count() - 1)(rng)));
}

TRoute* BusRoute(TProject& p, std::mt19937& rng) {
    for (;;)
        if (TRoute* r = Pick<TRoute>(p.Routes(), rng); !r->Internal()) return r;
}

// A link with `count` routes of their own besides those it has.
TLink* LinkOfManyRoutes(TProject& p, std::mt19937& rng, int count) {
    TLink* l = Pick<TLink>(p.Links(), rng);
    TOperator* op = BusRoute(p, rng)->Operator();
    for (int i = 0; i < count; ++i)
        p.NewLinkRoute(l, p.NewRoute(op));
    return l;
}

const TDamage kDamages[] = {
    {"twice", nullptr,
     [](TProject& p, std::mt19937& rng) -> TMend {
         const std::size_t at =
             std::uniform_int_distribution<std::size_t>(0, p.Nodes().Count() - 1)(rng);
         TNode* n = p.Nodes().Get(at);
         p.Nodes().RawInsert(p.Nodes().Count(), n);
         return [&p, n, at] {
             p.Nodes().RawExtract(p.Nodes().Count() - 1);
             p.Nodes().RawExtract(at);
             p.Nodes().RawInsert(at, n);
         };
     }},
    {"identifier", "held by",
     [](TProject& p, std::mt19937& rng) -> TMend {
         TNode* a = Pick<TNode>(p.Nodes(), rng);
         TNode* b = a;
         while (b == a)
             b = Pick<TNode>(p.Nodes(), rng);
         const std::int32_t id = b->Id();
         b->SetId(a->Id());
         return [b, id] { b->SetId(id); };
     }},
    {"link-route entry that is not its own of the study", nullptr,
     [](TProject& p, std::mt19937& rng) -> TMend {
         // Another link's link-route in a link's list.
         TLink* l = Pick<TLink>(p.Links(), rng);
         TLinkRoute* other = Pick<TLinkRoute>(p.LinkRoutes(), rng);
         while (other->Link() == l)
             other = Pick<TLinkRoute>(p.LinkRoutes(), rng);
         l->LinkRoutes().RawInsert(0, other);
         return [l] { l->LinkRoutes().RawExtract(0); };
     }},
    {"link-route entry that is not its own of the study", nullptr,
     [](TProject& p, std::mt19937& rng) -> TMend {
         // A link-route the study does not hold, in its link's and its route's lists (a new
         // link-route enters them by itself).
         TLink* l = Pick<TLink>(p.Links(), rng);
         TRoute* r = BusRoute(p, rng);
         auto* stray = new TLinkRoute(&p, l, r);
         return [l, r, stray] {
             l->LinkRoutes().RawExtract(static_cast<std::size_t>(l->LinkRoutes().IndexOf(stray)));
             r->LinkRoutes().RawExtract(static_cast<std::size_t>(r->LinkRoutes().IndexOf(stray)));
             delete stray;
         };
     }},
    {"two link-routes of", nullptr,
     [](TProject& p, std::mt19937& rng) -> TMend {
         // On a link of a few routes, or of more than a scan looks through.
         TLink* l = LinkOfManyRoutes(p, rng, std::bernoulli_distribution(0.5)(rng) ? 1 : 40);
         TLinkRoute* twin = new TLinkRoute(&p, l, Pick<TLinkRoute>(l->LinkRoutes(), rng)->Route());
         p.AddLinkRoute(twin);
         return [&p, twin] { p.LinkRoutes().Remove(twin); };
     }},
    {"refers to an object not in the study", nullptr,
     [](TProject& p, std::mt19937& rng) -> TMend {
         // A link type of another study (at its place in that study's list), or of none.
         auto other = std::make_shared<TProject>();
         BuildSampleStudy(*other);
         auto loose = std::make_shared<TLinkType>(&p);
         TLinkType* foreign = std::bernoulli_distribution(0.5)(rng)
                                  ? static_cast<TLinkType*>(other->LinkTypes().Get(0))
                                  : loose.get();
         TLink* l = Pick<TLink>(p.Links(), rng);
         TVersion& base = l->RawVersion(p.BaseScenario());
         const TProperty* old = base.Find(TLink::kType);
         const TValue before = old ? old->value : TValue();
         base.RawPut(TLink::kType, TValue(foreign));
         return [&base, before, other, loose] { base.RawPut(TLink::kType, before); };
     }},
    {"outgoing entry that is not its link of the study", "link or route missing",
     [](TProject& p, std::mt19937& rng) -> TMend {
         // A link the study's list lost, still in its nodes' lists and with its link-routes.
         std::size_t at = 0;
         do
             at = std::uniform_int_distribution<std::size_t>(0, p.Links().Count() - 1)(rng);
         while (p.Links().Get(at)->LinkRoutes().IsEmpty());
         TLink* l = p.Links().Get(at);
         p.Links().RawExtract(at);
         return [&p, l, at] { p.Links().RawInsert(at, l); };
     }},
};

TEST(ConsistencyDamage, EveryKindIsNamedWhereverItIsAndNothingIsLeftOnceMended) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed)
        for (const TDamage& damage : kDamages) {
            SCOPED_TRACE(std::string(damage.what) + ", seed " + std::to_string(seed));
            std::mt19937 rng(seed);
            TProject p;
            BuildSampleStudy(p);
            const TMend mend = damage.apply(p, rng);
            const std::string report = ConsistencyReport(p);
            EXPECT_NE(std::string::npos, report.find(damage.what)) << report;
            if (damage.whatElse) {
                EXPECT_NE(std::string::npos, report.find(damage.whatElse)) << report;
            }
            mend();
            EXPECT_CONSISTENT(p);
        }
}

} // namespace
} // namespace zep::model::test
