// Painting the map: a full view of the large synthetic study (about 15,000 nodes and 40,000
// links) into a 1920 x 1080 canvas that only counts what it is given, against a zoomed-in view
// of the same size showing 1 % of the study's area. The ratio of the two says whether the cost
// of a paint follows what is visible (the spatial index) rather than the study's size. Also a
// study of 100,000 links. The drawing itself (anti-aliased bands on an image) is the Qt canvas's
// and is timed with it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <map>
#include <memory>

#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "bench/ZoomedView.h"
#include "view/NetViewOptions.h"
#include "view/Painter.h"

namespace {

using namespace zep;
using namespace zep::view;

/// Does the least a canvas can: remembers the pen, brush and font and counts the calls.
class TCountingCanvas : public ICanvas {
public:
    std::size_t calls = 0, points = 0;
    void SetPen(const TPen& pen) override { pen_ = pen; }
    const TPen& Pen() const override { return pen_; }
    void SetBrush(const TBrush& brush) override { brush_ = brush; }
    const TBrush& Brush() const override { return brush_; }
    void SetFont(const TFont& font) override { font_ = font; }
    const TFont& Font() const override { return font_; }
    void SetClip(const TPixelRect& rect) override { clip_ = rect; }
    TPixelRect Clip() const override { return clip_; }
    TPixelRect Bounds() const override { return {0, 0, 1920, 1080}; }
    void Line(TPixel, TPixel) override { Count(2); }
    void Polyline(std::span<const TPixel> p) override { Count(p.size()); }
    void Polygon(std::span<const TPixel> p) override { Count(p.size()); }
    void Rectangle(const TPixelRect&) override { Count(2); }
    void Ellipse(const TPixelRect&) override { Count(2); }
    void FillRect(const TPixelRect&, TColor) override { Count(2); }
    void Text(TPixel, std::string_view, int, unsigned) override { Count(1); }
    TPixel TextExtent(std::string_view text) const override { return {int(text.size()) * 6, 12}; }
    void CardinalBand(std::span<const TPixel> p, TColor, int, float) override { Count(p.size()); }

private:
    void Count(std::size_t n) {
        ++calls;
        points += n;
    }
    TPen pen_;
    TBrush brush_;
    TFont font_;
    TPixelRect clip_{};
};

struct TStudy {
    model::TProject project;
    TNetViewOptions options;
    analysis::TWorldRect extent;
};

/// The synthetic study of `links` links (the node, zone and route counts in proportion to the
/// reference size), built once per size.
TStudy& Study(int links) {
    static std::map<int, std::unique_ptr<TStudy>> studies;
    auto& slot = studies[links];
    if (!slot) {
        slot = std::make_unique<TStudy>();
        model::TStudySizes sizes;
        const double f = double(links) / sizes.links;
        sizes.nodes = std::int32_t(sizes.nodes * f);
        sizes.links = links;
        sizes.zones = std::int32_t(sizes.zones * f);
        sizes.routes = std::int32_t(sizes.routes * f);
        model::BuildSyntheticStudy(slot->project, sizes);
        for (std::size_t i = 0; i < slot->project.Nodes().Count(); ++i)
            slot->extent.Include(slot->project.Nodes().Get(i)->Position());
        slot->options.Scaler().SetCoordinateMode(1);
        slot->options.Scaler().SetExtent(slot->extent);
    }
    return *slot;
}

constexpr TPixelRect kScreen{0, 0, 1920, 1080};

void SetView(TStudy& s, bool zoomed) {
    SetBenchView(s.options.Scaler(), kScreen, s.project, zoomed);
}

double PaintSeconds(TPainter& painter, TStudy& s, TCountingCanvas& canvas) {
    const auto start = std::chrono::steady_clock::now();
    painter.Paint(canvas, kScreen, s.project.BaseScenario());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Args: links, painter (0 route, 1 link type), zoomed (0/1).
void BM_Paint(benchmark::State& state) {
    TStudy& s = Study(int(state.range(0)));
    const char* painterName = state.range(1) == 0 ? "TRoutePainter" : "TLinkTypePainter";
    auto painter = CreatePainter(painterName, s.project, s.options);
    SetView(s, state.range(2) != 0);
    TCountingCanvas warm;
    painter->Paint(warm, kScreen, s.project.BaseScenario()); // builds the spatial index
    std::size_t calls = 0;
    for (auto _ : state) {
        TCountingCanvas canvas;
        painter->Paint(canvas, kScreen, s.project.BaseScenario());
        calls = canvas.calls;
        benchmark::DoNotOptimize(canvas.points);
    }
    state.counters["draw_calls"] = double(calls);
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(std::string(painterName) + (state.range(2) ? " 1% of the area" : " full view"));
}
BENCHMARK(BM_Paint)
    ->ArgsProduct({{40000, 100000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Building the spatial index (what the first paint after an edit of the network pays).
void BM_IndexBuild(benchmark::State& state) {
    TStudy& s = Study(int(state.range(0)));
    TNetworkIndex index(s.project);
    SetView(s, true);
    std::vector<model::TLink*> links;
    for (auto _ : state) {
        index.Invalidate();
        index.VisibleLinks(s.options.Scaler(), kScreen, 0, links);
        benchmark::DoNotOptimize(links.data());
    }
}
BENCHMARK(BM_IndexBuild)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The zoomed-in paint against the full one, measured alternately in the same loop.
void BM_ZoomedToFullRatio(benchmark::State& state) {
    TStudy& s = Study(40000);
    auto painter = CreatePainter("TRoutePainter", s.project, s.options);
    double full = 0, zoomed = 0;
    TCountingCanvas warm;
    painter->Paint(warm, kScreen, s.project.BaseScenario());
    for (auto _ : state) {
        TCountingCanvas a, b;
        SetView(s, false);
        full += PaintSeconds(*painter, s, a);
        SetView(s, true);
        zoomed += PaintSeconds(*painter, s, b);
    }
    state.counters["full_ms"] = 1000 * full / double(state.iterations());
    state.counters["zoomed_ms"] = 1000 * zoomed / double(state.iterations());
    state.counters["zoomed_over_full"] = zoomed / full;
}
BENCHMARK(BM_ZoomedToFullRatio)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
