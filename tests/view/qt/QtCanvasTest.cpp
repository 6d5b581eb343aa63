#include "view/qt/QtCanvas.h"

#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace zep::view::qt {
namespace {

// Fonts need a GUI application; the offscreen platform needs no display.
QGuiApplication& App() {
    static int argc = 1;
    static char name[] = "view_qt_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QGuiApplication(argc, argv);
    }();
    return *app;
}

struct TImageCanvas {
    QImage image{200, 100, QImage::Format_RGB32};
    QPainter painter;
    std::unique_ptr<TQtCanvas> canvas;
    TImageCanvas() {
        App();
        image.fill(Qt::white);
        painter.begin(&image);
        canvas = std::make_unique<TQtCanvas>(painter, TPixelRect{0, 0, 200, 100});
    }
    QImage Finish() {
        canvas.reset();
        painter.end();
        return image;
    }
};

int CountColour(const QImage& image, QRgb colour, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

TEST(QtCanvasTest, ColoursRectanglesAndClipLandOnTheirPixels) {
    TImageCanvas c;
    // Windows colour values keep red in the low byte.
    c.canvas->FillRect({10, 10, 20, 30}, RGBColor(255, 0, 0));
    c.canvas->SetClip({100, 0, 150, 100});
    c.canvas->FillRect({90, 0, 200, 100}, 0xFF0000); // blue, only inside the clip
    c.canvas->SetClip({});
    const QImage img = c.Finish();
    EXPECT_EQ(CountColour(img, qRgb(255, 0, 0), img.rect()), 10 * 20);
    EXPECT_EQ(CountColour(img, qRgb(0, 0, 255), img.rect()), 50 * 100);
    EXPECT_EQ(img.pixel(99, 50) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(img.pixel(150, 50) & 0xFFFFFF, 0xFFFFFFu);
}

void DrawLines(QImage& image, TPenMode mode, const std::vector<std::pair<TPixel, TPixel>>& lines) {
    QPainter painter(&image);
    TQtCanvas canvas(painter, {0, 0, image.width(), image.height()});
    canvas.SetPen({RGBColor(200, 60, 90), 1, TPenStyle::Solid, mode});
    for (auto& [a, b] : lines)
        canvas.Line(a, b);
}

TEST(QtCanvasTest, XorStrokesTakeThemselvesAwayAgain) {
    App();
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    const QImage before = image.copy();
    std::mt19937 rnd(7);
    std::vector<std::pair<TPixel, TPixel>> lines;
    for (int i = 0; i < 20; ++i)
        lines.push_back(
            {{int(rnd() % 200), int(rnd() % 100)}, {int(rnd() % 200), int(rnd() % 100)}});
    for (TPenMode mode : {TPenMode::Xor, TPenMode::NotXor}) {
        DrawLines(image, mode, lines);
        EXPECT_NE(image, before);
        DrawLines(image, mode, lines);
        EXPECT_EQ(image, before);
    }
}

TEST(QtCanvasTest, BandsAreAsWideAsAskedAndTextTurnsWithItsEscapement) {
    TImageCanvas c;
    const std::vector<TPixel> band{{10, 20}, {100, 20}, {190, 20}};
    c.canvas->CardinalBand(band, RGBColor(0, 0, 255), 9, 0.25f);
    // A vertical text (escapement 900) is taller than wide; horizontal the other way round.
    c.canvas->SetPen({RGBColor(255, 0, 0)});
    c.canvas->SetFont({"DejaVu Sans", 10});
    const TPixel extent = c.canvas->TextExtent("Lindenstra\xDF"
                                               "e");
    EXPECT_GT(extent.x, extent.y);
    c.canvas->Text({100, 95},
                   "Lindenstra\xDF"
                   "e",
                   900, taLeft | taBottom);
    const QImage img = c.Finish();
    // The straight band of width 9 about row 20 covers rows 16..24 exactly, in full colour.
    for (int y = 16; y <= 24; ++y)
        EXPECT_EQ(img.pixel(100, y) & 0xFFFFFF, 0x0000FFu) << y;
    EXPECT_EQ(img.pixel(100, 15) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(img.pixel(100, 25) & 0xFFFFFF, 0xFFFFFFu);
    int minX = 200, maxX = 0, minY = 100, maxY = 0;
    for (int y = 30; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (qRed(img.pixel(x, y)) > 128 && qGreen(img.pixel(x, y)) < 128) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    ASSERT_LE(minX, maxX);
    EXPECT_GT(maxY - minY, 2 * (maxX - minX));
    EXPECT_LE(maxY, 95); // it rises from its reference point
}

/// Random drawing of every kind a map does, replayed identically on a canvas that may write
/// straight into the image and on one that draws everything through Qt.
void RandomDrawing(QImage& image, bool direct, unsigned seed) {
    std::mt19937 rnd(seed);
    auto pick = [&](int n) { return int(rnd() % unsigned(n)); };
    auto pixel = [&] {
        return TPixel{pick(image.width() + 20) - 10, pick(image.height() + 20) - 10};
    };
    QPainter painter(&image);
    TQtCanvas canvas(painter, {0, 0, image.width(), image.height()}, direct);
    const TPenStyle styles[] = {TPenStyle::Solid, TPenStyle::Solid, TPenStyle::Dot,
                                TPenStyle::Clear};
    for (int op = 0; op < 400; ++op) {
        const TColor colour = TColor(rnd() & 0xFFFFFF);
        switch (pick(10)) {
        case 0:
            canvas.SetPen({colour, pick(3), styles[pick(4)], TPenMode::Copy});
            break;
        case 1:
            canvas.SetBrush({colour, pick(4) == 0});
            break;
        case 2:
            if (pick(4) == 0) {
                canvas.SetClip({});
            } else {
                const TPixel a = pixel();
                canvas.SetClip({a.x, a.y, a.x + 10 + pick(80), a.y + 10 + pick(60)});
            }
            break;
        case 3:
        case 4: {
            const TPixel p = pixel();
            const int r = pick(7);
            const TPixelRect box{p.x - r, p.y - r, p.x + r + 1, p.y + r + 1};
            if (pick(2))
                canvas.Ellipse(box);
            else
                canvas.Rectangle(box);
            break;
        }
        case 5: {
            const TPixel p = pixel();
            canvas.Line(p, {p.x + pick(15) - 7, p.y + pick(15) - 7});
            break;
        }
        default: {
            // Mostly short one-pixel bands in runs of one colour, as at a full view.
            const TPixel a = pixel();
            std::vector<TPixel> band{a, {a.x + pick(13) - 6, a.y + pick(13) - 6}};
            if (pick(6) == 0) band.push_back(pixel());
            canvas.CardinalBand(band, pick(3) ? canvas.Pen().color : colour, pick(5) ? 1 : 2,
                                0.25f);
            break;
        }
        }
    }
}

TEST(QtCanvasTest, WritingStraightIntoTheImageDrawsWhatQtDraws) {
    App();
    for (unsigned seed = 1; seed <= 30; ++seed) {
        QImage direct(160, 120, QImage::Format_RGB32), plain(160, 120, QImage::Format_RGB32);
        direct.fill(QColor(250, 245, 230));
        plain.fill(QColor(250, 245, 230));
        RandomDrawing(direct, true, seed);
        RandomDrawing(plain, false, seed);
        int differing = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x)
                differing += direct.pixel(x, y) != plain.pixel(x, y);
        ASSERT_EQ(differing, 0) << "seed " << seed;
    }
}

} // namespace
} // namespace zep::view::qt
