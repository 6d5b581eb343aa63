// Whole maps of random synthetic studies in random views, with and without labels, drawn three
// ways: everything through Qt, with the direct writes of one-pixel bands and symbols, and on a
// second thread. All three must give the same image, pixel for pixel.
#include "view/qt/MapRender.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "model/Project.h"
#include "model/SampleStudy.h"
#include "view/NetViewOptions.h"
#include "view/Painter.h"
#include "view/Scaler.h"
#include "view/qt/PipelinedCanvas.h"
#include "view/qt/QtCanvas.h"

namespace zep::view::qt {
namespace {

void EnsureApp() {
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "view_qt_tests";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

int DifferingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

TEST(ConcurrentRenderTest, DirectAndConcurrentDrawingEqualPlainQtOverRandomViews) {
    EnsureApp();
    std::mt19937 rng(424242);
    auto uniform = [&](double lo, double hi) {
        return lo + (hi - lo) * double(rng() % 1000001) / 1000000.0;
    };
    int painted = 0;
    for (int study = 0; study < 3; ++study) {
        model::TProject project;
        model::TStudySizes sizes;
        sizes.links = 1000 + 1500 * study;
        sizes.nodes = sizes.links / 3;
        sizes.zones = 10 + 5 * study;
        sizes.routes = 8 + 6 * study;
        sizes.scenarios = 2;
        model::BuildSyntheticStudy(project, sizes);
        const analysis::TWorldRect all = StudyExtent(project);
        for (const std::string& cls : PainterTabs(project)) {
            TNetViewOptions options;
            TScaler& scaler = options.Scaler();
            scaler.SetCoordinateMode(1);
            scaler.SetExtent(all);
            auto painter = CreatePainter(cls, project, options);
            const TPixelRect screen{0, 0, 400 + int(rng() % 200), 300 + int(rng() % 150)};
            for (int view = 0; view < 3; ++view) {
                // From the whole study down to a small corner of it, labels now and then.
                const double w = (all.right - all.left) * uniform(0.05, 1.1);
                const double h = (all.bottom - all.top) * uniform(0.05, 1.1);
                const double x = uniform(all.left - w / 4, all.right - w / 2);
                const double y = uniform(all.top - h / 4, all.bottom - h / 2);
                scaler.Fit(analysis::TWorldRect::Of(x, y, x + w, y + h), screen);
                options.linkLabelIndex = rng() % 3 == 0 ? 1 : -1;
                options.labelWhat = std::uint8_t(rng() % 4);
                options.showNonStops = rng() % 2 == 0;
                TMapScene scene;
                scene.project = &project;
                scene.options = &options;
                scene.painter = painter.get();
                scene.scenario = project.BaseScenario();
                // A clip short of the whole area now and then, as a repaint of a strip (still
                // large enough to be drawn on a second thread).
                TPixelRect clip = screen;
                if (rng() % 3 == 0) clip.left = screen.Width() / 3;

                QImage plain(screen.Width(), screen.Height(), QImage::Format_RGB32);
                plain.fill(Qt::black);
                QImage direct = plain.copy(), concurrent = plain.copy();
                {
                    QPainter qp(&plain);
                    TQtCanvas canvas(qp, screen, false);
                    DrawMap(scene, canvas, clip);
                }
                {
                    QPainter qp(&direct);
                    RenderMap(scene, qp, screen, clip);
                }
                {
                    QPainter qp(&concurrent);
                    RenderMapConcurrently(scene, qp, screen, clip);
                }
                const std::string what =
                    cls + " study " + std::to_string(study) + " view " + std::to_string(view);
                ASSERT_EQ(DifferingPixels(plain, direct), 0) << what << ": direct writes";
                ASSERT_EQ(DifferingPixels(plain, concurrent), 0) << what << ": concurrent";
                int drawn = 0;
                for (int py = 0; py < plain.height(); ++py)
                    for (int px = clip.left; px < plain.width(); ++px)
                        drawn += (plain.pixel(px, py) & 0xFFFFFF) != 0xFFFFFF;
                painted += drawn > 200;
            }
        }
    }
    EXPECT_GE(painted, 20); // most views show a good part of the network
}

} // namespace
} // namespace zep::view::qt
