// The direct hair-line writer against Qt's own drawing of the same lines: pixel for pixel.
#include "view/qt/HairLines.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

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

struct TLine {
    int x1, y1, x2, y2; // 1/64 pixels
    QRgb colour;
};

/// Where the two images differ, as text for the failure message; empty when they are equal.
std::string FirstDifference(const QImage& a, const QImage& b) {
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return "at " + std::to_string(x) + "," + std::to_string(y) + ": " +
                       std::to_string(a.pixel(x, y)) + " vs " + std::to_string(b.pixel(x, y));
    return {};
}

// Random lines, short and long, steep and flat, on pixel centres (as the map draws them) and
// anywhere in 1/64 pixels, over a mottled ground and each other, in both 32-bit formats, with and
// without a clip, some reaching past the clip or far past the image: the whole equals Qt's
// drawing of the same lines.
TEST(HairLinesTest, RandomLinesAsQtDrawsThem) {
    EnsureApp();
    std::mt19937 rng(20261209);
    int drawn = 0, cut = 0;
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
        for (int round = 0; round < 60; ++round) {
            QImage ground(64, 48, format);
            for (int y = 0; y < ground.height(); ++y)
                for (int x = 0; x < ground.width(); ++x)
                    ground.setPixel(x, y, (rng() & 0xFFFFFF) | 0xFF000000u);
            const bool centres = round % 2 == 0;
            const int reach = round % 4 < 2 ? 8 : 40;
            const QRect clip = round % 3 == 0 ? QRect(0, 0, 64, 48) : QRect(5, 7, 40, 30);
            // Beyond the image by this many pixels: none, a few, or far.
            const int beyond = round % 5 < 3 ? 0 : round % 5 == 3 ? 3 : 300;
            std::vector<TLine> lines;
            for (int i = 0; i < 60; ++i) {
                auto coord = [&](int size) {
                    return centres ? int(rng() % unsigned(size)) * 64 + 32
                                   : int(rng() % unsigned(size * 64));
                };
                TLine l{coord(64), coord(48), 0, 0, QRgb((rng() & 0xFFFFFF) | 0xFF000000u)};
                const int r = std::max(reach, beyond);
                l.x2 = std::clamp(l.x1 + int(rng() % unsigned(2 * r * 64)) - r * 64, -beyond * 64,
                                  (64 + beyond) * 64 - 1);
                l.y2 = std::clamp(l.y1 + int(rng() % unsigned(2 * r * 64)) - r * 64, -beyond * 64,
                                  (48 + beyond) * 64 - 1);
                if (centres) {
                    l.x2 = (l.x2 & ~63) + 32;
                    l.y2 = (l.y2 & ~63) + 32;
                }
                if (rng() % 2) {
                    std::swap(l.x1, l.x2);
                    std::swap(l.y1, l.y2);
                }
                lines.push_back(l);
            }

            QImage byQt = ground.copy();
            QImage byUs = ground.copy();
            {
                QPainter qp(&byQt);
                qp.setRenderHint(QPainter::Antialiasing, true);
                qp.setClipRect(clip);
                for (const TLine& l : lines) {
                    if (l.x1 == l.x2 && l.y1 == l.y2) continue;
                    qp.setPen(QPen(QColor::fromRgb(l.colour), 1, Qt::SolidLine, Qt::FlatCap));
                    qp.drawLine(QLineF(l.x1 / 64.0, l.y1 / 64.0, l.x2 / 64.0, l.y2 / 64.0));
                }
            }
            {
                QPainter qp(&byUs);
                qp.setRenderHint(QPainter::Antialiasing, true);
                THairLineTarget target(qp);
                ASSERT_TRUE(target.IsBound());
                target.SetClip({clip.left(), clip.top(), clip.right() + 1, clip.bottom() + 1});
                for (const TLine& l : lines) {
                    if (l.x1 == l.x2 && l.y1 == l.y2) {
                        EXPECT_FALSE(target.Line(l.x1, l.y1, l.x2, l.y2, l.colour));
                        continue;
                    }
                    ASSERT_TRUE(target.Line(l.x1, l.y1, l.x2, l.y2, l.colour));
                    ++drawn;
                    const QRect box = QRect(QPoint(l.x1 >> 6, l.y1 >> 6), QPoint(l.x2 >> 6, l.y2 >> 6))
                                          .normalized()
                                          .adjusted(-1, -1, 1, 1);
                    if (!clip.contains(box)) ++cut;
                }
            }
            const std::string difference = FirstDifference(byQt, byUs);
            ASSERT_TRUE(difference.empty())
                << "format " << format << " round " << round << ": " << difference;
        }
    }
    EXPECT_GT(drawn, 5000);
    EXPECT_GT(cut, 1500);
}

} // namespace
} // namespace zep::view::qt
