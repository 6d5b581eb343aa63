// Random small networks with turn bans, turn delays and closed links: every zone pair's least
// cost against a plain search over links written here, and every path found is a connected
// chain of links without U-turns whose arc costs add up to its cost.
#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <random>
#include <vector>

#include "AnalysisTestStudy.h"
#include "analysis/DualGraph.h"
#include "analysis/OptPathSearcher.h"

namespace zep::analysis::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct TRefLink {
    std::int32_t from, to;
    double time;
    bool used;
};

/// Least cost from every link's end to each link, by repeated relaxation (Bellman-Ford).
std::vector<double> ReferenceFrom(std::int32_t origin, const std::vector<TRefLink>& links,
                                  const std::map<std::pair<int, int>, double>& delay,
                                  const std::map<std::pair<int, int>, bool>& banned, double vot) {
    std::vector<double> d(links.size(), kInf);
    for (std::size_t i = 0; i < links.size(); ++i)
        if (links[i].used && links[i].from == origin) d[i] = vot * links[i].time;
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t i = 0; i < links.size(); ++i) {
            if (!std::isfinite(d[i])) continue;
            for (std::size_t j = 0; j < links.size(); ++j) {
                const TRefLink& a = links[i];
                const TRefLink& b = links[j];
                if (!b.used || b.from != a.to || b.to == a.from) continue;
                const auto key = std::make_pair(int(i), b.to);
                if (banned.count(key)) continue;
                const double turn = delay.count(key) ? delay.at(key) : 0.0;
                const double c = d[i] + vot * (b.time + turn);
                if (c < d[j] - 1e-12) {
                    d[j] = c;
                    changed = true;
                }
            }
        }
    }
    return d;
}

TEST(SearchProperty, RandomNetworksMatchAPlainLinkSearch) {
    std::mt19937 rng(20240611);
    auto uniform = [&](double a, double b) { return std::uniform_real_distribution<>(a, b)(rng); };
    int pairsChecked = 0, reachable = 0;
    for (int round = 0; round < 40; ++round) {
        TTestNet n;
        const int zones = 2 + int(rng() % 3);
        const int nodes = 4 + int(rng() % 6);
        std::vector<TNode*> all;
        for (int z = 1; z <= zones; ++z)
            all.push_back(n.Zone(z));
        for (int k = 0; k < nodes; ++k)
            all.push_back(n.Node(100 + k));
        std::vector<TRefLink> ref;
        std::vector<TLink*> links;
        for (TNode* a : all)
            for (TNode* b : all)
                if (a != b && uniform(0, 1) < 0.35) {
                    const double length = uniform(1, 20), speed = uniform(5, 15);
                    links.push_back(n.Link(a, b, length, speed));
                    ref.push_back({a->Id(), b->Id(), length / speed, true});
                }
        for (std::size_t i = 0; i < links.size(); ++i)
            if (uniform(0, 1) < 0.1) {
                links[i]->SetUsedIn(n.s, false);
                ref[i].used = false;
            }
        std::map<std::pair<int, int>, double> delay;
        std::map<std::pair<int, int>, bool> banned;
        for (std::size_t i = 0; i < links.size(); ++i)
            for (TZEPPersistent* item : links[i]->Head()->OutLinks().Items()) {
                TNode* to = static_cast<TLink*>(item)->Head();
                const double r = uniform(0, 1);
                if (r < 0.15) {
                    links[i]->SetTurnProhibited(to, n.s, true);
                    banned[{int(i), to->Id()}] = true;
                } else if (r < 0.3) {
                    const double dt = uniform(0.1, 2);
                    links[i]->GetOrCreateTurnTo(to)->SetValueIn(n.s, TTurnRestriction::kDelay,
                                                                TValue(dt));
                    delay[{int(i), to->Id()}] = dt;
                }
            }
        n.Access();
        const double vot = uniform(0.5, 3);
        n.category->SetValueIn(n.s, TCategory::kValueOfTravelTime, TValue(vot));

        TDualGraph g(n.p, n.category, n.mode, n.s);
        for (int o = 1; o <= zones; ++o) {
            const std::vector<double> d = ReferenceFrom(o, ref, delay, banned, vot);
            for (int dz = 1; dz <= zones; ++dz) {
                if (o == dz) continue;
                double expected = kInf;
                for (std::size_t i = 0; i < ref.size(); ++i)
                    if (ref[i].used && ref[i].to == dz) expected = std::min(expected, d[i]);
                PPath p = g.PathBetweenZones(n.Zone(o), n.Zone(dz));
                ++pairsChecked;
                if (!std::isfinite(expected)) {
                    EXPECT_FALSE(p) << "round " << round << " " << o << "->" << dz;
                    continue;
                }
                ++reachable;
                ASSERT_TRUE(p) << "round " << round << " " << o << "->" << dz;
                EXPECT_TRUE(Near(expected, p->Cost()))
                    << "round " << round << " " << o << "->" << dz << ": " << expected << " vs "
                    << p->Cost();
                // The path: a chain of link-routes, no U-turn, starting at o and ending at dz.
                std::vector<const TLink*> chain;
                double sum = 0;
                for (const TPath* q = p.get(); q; q = q->Prefix().get()) {
                    const TArc& a = q->LastArc();
                    const TVertice& t = g.Vertex(a.target);
                    if (!t.IsZone()) chain.insert(chain.begin(), t.LinkRoute()->Link());
                    const TVertice& src = g.Vertex(a.source);
                    sum += t.IsZone() ? 0.0 : g.ArcCost(&src, t).total;
                }
                EXPECT_TRUE(Near(p->Cost(), sum));
                ASSERT_FALSE(chain.empty());
                EXPECT_EQ(o, chain.front()->Tail()->Id());
                EXPECT_EQ(dz, chain.back()->Head()->Id());
                for (std::size_t k = 1; k < chain.size(); ++k) {
                    EXPECT_EQ(chain[k - 1]->Head(), chain[k]->Tail());
                    EXPECT_NE(chain[k - 1]->Tail(), chain[k]->Head());
                }
            }
        }
    }
    EXPECT_GT(reachable, pairsChecked / 4); // the test must exercise real paths
}

} // namespace
} // namespace zep::analysis::test
