// The desktop application on the offscreen platform: opening the large synthetic study (40,000
// links) from the open command to the first painted map, and repainting while panning a study
// of 100,000 links. Anchors in the same run: reading the same file without a window, and plain
// QPainter drawing of every link as one straight line into an image of the window's size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTabBar>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

#include "files/PrjFile.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "shell/MainWindow.h"
#include "shell/NetForm.h"
#include "view/Scaler.h"

namespace {

using namespace zep;
namespace fs = std::filesystem;

const QSize kWindow(1280, 800);

fs::path BenchDir() {
    static const fs::path dir = [] {
        auto d = fs::temp_directory_path() / ("zep-openpaint-" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

/// The synthetic study of `links` links saved once as a compressed project file.
std::string StudyFile(int links) {
    static std::map<int, std::string> files;
    auto& f = files[links];
    if (f.empty()) {
        model::TProject p;
        model::TStudySizes sizes;
        const double k = double(links) / sizes.links;
        sizes.nodes = std::int32_t(sizes.nodes * k);
        sizes.links = links;
        sizes.zones = std::int32_t(sizes.zones * k);
        sizes.routes = std::int32_t(sizes.routes * k);
        model::BuildSyntheticStudy(p, sizes);
        f = (BenchDir() / ("study" + std::to_string(links) + ".zpz")).string();
        files::SaveProject(f, p);
    }
    return f;
}

struct TWindow {
    std::unique_ptr<shell::TMainForm> main;
    shell::TNetForm* form = nullptr;

    void Open(const std::string& file) {
        main = std::make_unique<shell::TMainForm>((BenchDir() / "zep.ini").string());
        main->resize(kWindow + QSize(40, 120));
        main->show();
        form = main->OpenFile(file);
        if (!form) std::abort();
        form->parentWidget()->showMaximized();
        QCoreApplication::processEvents();
    }
};

void BM_OpenToFirstPaint(benchmark::State& state) {
    const std::string file = StudyFile(int(state.range(0)));
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    double anchor = 0;
    for (auto _ : state) {
        TWindow w;
        w.Open(file);
        w.form->Map()->Surface()->EnsureRendered();
        state.PauseTiming();
        w.main.reset();
        const auto t0 = std::chrono::steady_clock::now();
        auto p = files::OpenProject(file);
        anchor += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        p.reset();
        state.ResumeTiming();
    }
    state.counters["anchor_read_s"] = anchor / double(state.iterations());
}

/// Every link as one straight line, 1 pixel, no culling: what drawing the network costs at
/// the least.
double PlainDrawSeconds(const model::TProject& p, const view::TScaler& scaler, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    const auto t0 = std::chrono::steady_clock::now();
    QPainter painter(&image);
    painter.setPen(QPen(Qt::gray, 1));
    const auto& links = p.Links();
    for (std::size_t i = 0; i < links.Count(); ++i) {
        const model::TLink* l = links.Get(i);
        const view::TPixel a = scaler.WorldToPixel(l->Tail()->Position());
        const view::TPixel b = scaler.WorldToPixel(l->Head()->Position());
        painter.drawLine(a.x, a.y, b.x, b.y);
    }
    painter.end();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Args: links, zoom factor over the whole view.
void BM_PanRepaint(benchmark::State& state) {
    const std::string file = StudyFile(int(state.range(0)));
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    TWindow w;
    w.Open(file);
    w.form->Tabs()->setCurrentIndex(1); // routes: bands, the costlier painter
    w.form->ViewAll();
    w.form->Options().Scaler().MultiplyZoom(double(state.range(1)));
    shell::TMapSurface* surface = w.form->Map()->Surface();
    surface->EnsureRendered();
    const auto full0 = std::chrono::steady_clock::now();
    w.form->Map()->InvalidateMap();
    surface->EnsureRendered();
    const double full =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - full0).count();
    int step = 0;
    for (auto _ : state) {
        // A steady drag: 12 pixels a frame, turning every 40 frames.
        const int dir = (step++ / 40) % 4;
        w.form->Map()->PanPixels(dir == 0   ? 12
                                 : dir == 2 ? -12
                                            : 0,
                                 dir == 1   ? 12
                                 : dir == 3 ? -12
                                            : 0);
        surface->repaint();
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["full_render_s"] = full;
    state.counters["anchor_plain_lines_s"] = PlainDrawSeconds(
        w.form->Document()->Project(), w.form->Options().Scaler(), surface->size());
    state.counters["surface_w"] = surface->width();
    state.counters["surface_h"] = surface->height();
}

BENCHMARK(BM_OpenToFirstPaint)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PanRepaint)
    ->Args({100000, 1})
    ->Args({100000, 8})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const auto home = BenchDir();
    ::setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(home, ec);
    return 0;
}
