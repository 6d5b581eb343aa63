// Painting the map into a 1920 x 1080 image with Qt: the painters through the Qt canvas against
// plain QPainter drawing of the very lines they draw, with the same pens (recorded from the
// painter first), in the same run; a view zoomed in to 1 % of the study's area; and full views
// a second of a 100,000-link study.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <vector>

#include "model/NODE.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "bench/ZoomedView.h"
#include "view/NetViewOptions.h"
#include "view/Painter.h"
#include "view/qt/PipelinedCanvas.h"
#include "view/qt/QtCanvas.h"

namespace {

using namespace zep;
using namespace zep::view;

constexpr TPixelRect kScreen{0, 0, 1920, 1080};

struct TStudy {
    model::TProject project;
    TNetViewOptions options;
};

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
        TScaler& scaler = slot->options.Scaler();
        scaler.SetCoordinateMode(1);
        scaler.SetExtent(StudyExtent(slot->project));
    }
    return *slot;
}

void SetView(TStudy& s, bool zoomed) {
    SetBenchView(s.options.Scaler(), kScreen, s.project, zoomed);
}

/// What a paint drew: each band and each plain stroke with its pen, to draw again plainly.
class TStrokeRecorder : public ICanvas {
public:
    struct TStroke {
        std::vector<QPoint> points;
        QPen pen;
        bool smooth = false;
    };
    std::vector<TStroke> strokes;

    void SetPen(const TPen& pen) override { pen_ = pen; }
    const TPen& Pen() const override { return pen_; }
    void SetBrush(const TBrush& brush) override { brush_ = brush; }
    const TBrush& Brush() const override { return brush_; }
    void SetFont(const TFont& font) override { font_ = font; }
    const TFont& Font() const override { return font_; }
    void SetClip(const TPixelRect&) override {}
    TPixelRect Clip() const override { return kScreen; }
    TPixelRect Bounds() const override { return kScreen; }
    void Line(TPixel a, TPixel b) override {
        const TPixel both[2] = {a, b};
        Add(both, pen_.color, pen_.width, false);
    }
    void Polyline(std::span<const TPixel> p) override { Add(p, pen_.color, pen_.width, false); }
    void Polygon(std::span<const TPixel> p) override { Add(p, pen_.color, pen_.width, false); }
    void Rectangle(const TPixelRect& r) override {
        const TPixel corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
        Add(corners, pen_.color, 1, false);
    }
    void Ellipse(const TPixelRect& r) override { Rectangle(r); }
    void FillRect(const TPixelRect& r, TColor) override { Rectangle(r); }
    void Text(TPixel, std::string_view, int, unsigned) override {}
    TPixel TextExtent(std::string_view t) const override { return {int(t.size()) * 6, 12}; }
    void CardinalBand(std::span<const TPixel> p, TColor color, int width, float) override {
        Add(p, color, width, true);
    }

private:
    void Add(std::span<const TPixel> p, TColor color, int width, bool smooth) {
        TStroke& s = strokes.emplace_back();
        for (const TPixel& q : p)
            s.points.emplace_back(q.x, q.y);
        s.pen = QPen(qt::ToQColor(color), std::max(1, width));
        s.smooth = smooth;
    }
    TPen pen_;
    TBrush brush_;
    TFont font_;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

/// Processor time in seconds of the whole process (all threads), or of the calling thread.
double ProcessorTime(bool thisThread = false) {
    timespec t{};
    clock_gettime(thisThread ? CLOCK_THREAD_CPUTIME_ID : CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double PaintWithPainter(TPainter& painter, TStudy& s, QImage& image, bool concurrent) {
    const auto start = std::chrono::steady_clock::now();
    image.fill(Qt::white);
    QPainter qp(&image);
    if (concurrent) {
        qt::TPipelinedCanvas canvas(qp, kScreen);
        painter.Paint(canvas, kScreen, s.project.BaseScenario());
        canvas.Finish();
    } else {
        qt::TQtCanvas canvas(qp, kScreen);
        painter.Paint(canvas, kScreen, s.project.BaseScenario());
    }
    qp.end();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double PaintPlain(const std::vector<TStrokeRecorder::TStroke>& strokes, QImage& image) {
    const auto start = std::chrono::steady_clock::now();
    image.fill(Qt::white);
    QPainter qp(&image);
    for (const auto& stroke : strokes) {
        qp.setRenderHint(QPainter::Antialiasing, stroke.smooth);
        qp.setPen(stroke.pen);
        qp.drawPolyline(stroke.points.data(), int(stroke.points.size()));
    }
    qp.end();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Args: links, painter (0 routes, 1 link types), zoomed (0/1), drawn on a second thread (0/1).
// The painter's paint and the plain QPainter drawing of its strokes, alternately.
void BM_QtPaint(benchmark::State& state) {
    TStudy& s = Study(int(state.range(0)));
    const char* name = state.range(1) == 0 ? "TRoutePainter" : "TLinkTypePainter";
    auto painter = CreatePainter(name, s.project, s.options);
    SetView(s, state.range(2) != 0);
    TStrokeRecorder recorder;
    painter->Paint(recorder, kScreen, s.project.BaseScenario());
    QImage image(1920, 1080, QImage::Format_RGB32);
    std::vector<double> ours, plain, processor, caller;
    for (auto _ : state) {
        const double before = ProcessorTime(), callerBefore = ProcessorTime(true);
        ours.push_back(PaintWithPainter(*painter, s, image, state.range(3) != 0));
        processor.push_back(ProcessorTime() - before);
        caller.push_back(ProcessorTime(true) - callerBefore);
        plain.push_back(PaintPlain(recorder.strokes, image));
    }
    // Medians: the machine is shared, and a build next door slows single paints.
    const double m = Median(ours), p = Median(plain);
    state.counters["ms"] = 1000 * m;
    state.counters["plain_ms"] = 1000 * p;
    state.counters["ratio"] = m / p;
    state.counters["fps"] = 1 / m;
    // Processor time of a paint, both threads: less swayed by other work on the machine than
    // the wall clock, and the wall time of a serial paint on an idle core.
    state.counters["cpu_ms"] = 1000 * Median(processor);
    // Of that, the calling thread's: with drawing on a second thread, the longer of this and
    // the rest is the wall time of a paint with a core to spare.
    state.counters["caller_cpu_ms"] = 1000 * Median(caller);
    state.counters["strokes"] = double(recorder.strokes.size());
    state.SetLabel(std::string(name) + (state.range(2) ? " 1% of the area" : " full view") +
                   (state.range(3) ? ", drawn on a second thread" : ""));
}
BENCHMARK(BM_QtPaint)
    ->ArgsProduct({{40000, 100000}, {0, 1}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Args: links, painter. The goal is a ratio, so both views are painted in the same loop, one
// after the other: whatever else the machine does slows both alike.
void BM_QtZoomedToFull(benchmark::State& state) {
    TStudy& s = Study(int(state.range(0)));
    const char* name = state.range(1) == 0 ? "TRoutePainter" : "TLinkTypePainter";
    auto painter = CreatePainter(name, s.project, s.options);
    QImage image(1920, 1080, QImage::Format_RGB32);
    SetView(s, false);
    PaintWithPainter(*painter, s, image, false); // builds the index and the painter's caches
    std::vector<double> full, zoomed;
    for (auto _ : state) {
        SetView(s, false);
        full.push_back(PaintWithPainter(*painter, s, image, false));
        SetView(s, true);
        zoomed.push_back(PaintWithPainter(*painter, s, image, false));
    }
    const double f = Median(full), z = Median(zoomed);
    state.counters["full_ms"] = 1000 * f;
    state.counters["zoomed_ms"] = 1000 * z;
    state.counters["zoomed_over_full"] = z / f;
    state.SetLabel(name);
}
BENCHMARK(BM_QtZoomedToFull)
    ->ArgsProduct({{40000, 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
