// The route painter keeps every link's bands from paint to paint. Random edits of the study,
// its colours and the band settings between paints: a painter that has painted all along draws
// exactly what a new painter draws.
#include <gtest/gtest.h>

#include <random>

#include "tests/view/ViewTestStudy.h"

namespace zep::view::test {
namespace {

bool SameCalls(const TRecordingCanvas& a, const TRecordingCanvas& b, std::string& why) {
    if (a.calls.size() != b.calls.size()) {
        why = std::to_string(a.calls.size()) + " calls against " + std::to_string(b.calls.size());
        return false;
    }
    for (std::size_t i = 0; i < a.calls.size(); ++i) {
        const TDrawCall &x = a.calls[i], &y = b.calls[i];
        if (x.kind != y.kind || x.points != y.points || x.pen != y.pen || x.color != y.color ||
            x.width != y.width || x.text != y.text) {
            why = "call " + std::to_string(i) + " differs";
            return false;
        }
    }
    return true;
}

TEST(PainterCacheTest, AKeptPainterDrawsWhatANewOneDrawsAfterRandomEdits) {
    for (const char* cls : {"TRoutePainter"}) {
        TViewStudy t;
        std::mt19937 rng(99);
        auto pick = [&](std::size_t n) { return std::size_t(rng() % n); };
        for (std::int32_t id = 5; id <= 16; ++id)
            t.Node(id, double(pick(100)), double(pick(100)));
        std::vector<TLink*> links;
        std::vector<TRoute*> routes;
        auto kept = CreatePainter(cls, t.p, t.options);
        auto& keptRoutes = static_cast<TRoutePainter&>(*kept);
        int drawnBands = 0;
        for (int step = 0; step < 150; ++step) {
            switch (pick(8)) {
            case 0:
            case 1: {
                const auto a = std::int32_t(1 + pick(16)), b = std::int32_t(1 + pick(16));
                if (a != b && !t.p.FindLink(t.N(a), t.N(b))) links.push_back(t.Link(a, b));
                break;
            }
            case 2:
            case 3:
                if (!links.empty())
                    routes.push_back(
                        t.Route(t.bus, double(1 + pick(60)), {links[pick(links.size())]}));
                break;
            case 4:
                if (!links.empty() && !routes.empty())
                    t.p.NewLinkRoute(links[pick(links.size())], routes[pick(routes.size())])
                        ->SetUsedIn(t.s, true);
                break;
            case 5:
                if (!routes.empty())
                    keptRoutes.ColorMap().Set(pick(routes.size()), tColorIndex(pick(kPaletteSize)));
                break;
            case 6:
                t.options.linkSeparation = int(pick(4));
                t.options.showNonStops = pick(2) == 0;
                kept->linkWidth = int(1 + pick(3));
                break;
            default:
                // A value edit: the window tells the painter after every command.
                if (!routes.empty()) {
                    routes[pick(routes.size())]->SetValueIn(t.s, TRoute::kMinFreq,
                                                            TValue(double(1 + pick(90))));
                    keptRoutes.InvalidateMeasure();
                }
                break;
            }
            auto fresh = CreatePainter(cls, t.p, t.options);
            fresh->linkWidth = kept->linkWidth;
            static_cast<TRoutePainter&>(*fresh).ColorMap().Assign(keptRoutes.ColorMap());
            TRecordingCanvas a, b;
            kept->Paint(a, {0, 0, 1000, 1000}, t.s);
            fresh->Paint(b, {0, 0, 1000, 1000}, t.s);
            std::string why;
            ASSERT_TRUE(SameCalls(a, b, why)) << cls << " step " << step << ": " << why;
            for (const TDrawCall& c : a.calls)
                drawnBands += c.kind == TDrawCall::Band && c.color != PaletteColor(0);
        }
        EXPECT_GT(drawnBands, 500) << cls;
    }
}

} // namespace
} // namespace zep::view::test
