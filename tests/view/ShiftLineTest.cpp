// Shifting a link's course sideways into a band: on random courses every shifted point keeps
// the offset from each piece it belongs to, on the right-hand side of the direction of travel.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "view/Painter.h"

namespace zep::view {
namespace {

/// Signed distance of q from the line through a and b; positive on the right of a -> b on
/// screen (y downwards).
double SideDistance(TPixelF a, TPixelF b, TPixel q) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    return ((q.x - a.x) * -dy + (q.y - a.y) * dx) / std::hypot(dx, dy);
}

TEST(ShiftLineTest, ShiftedPointsKeepTheOffsetFromTheirPieces) {
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> unit(0, 1);
    const double pi = 3.14159265358979323846;
    for (int round = 0; round < 2000; ++round) {
        // A course of pieces 40..200 pixels long that turn by less than 120 degrees each.
        TCentreLine line{{500 * unit(rng), 500 * unit(rng)}};
        double heading = 2 * pi * unit(rng);
        const int pieces = 1 + int(unit(rng) * 6);
        for (int k = 0; k < pieces; ++k) {
            const double len = 40 + 160 * unit(rng);
            line.push_back(
                {line.back().x + len * std::cos(heading), line.back().y + len * std::sin(heading)});
            heading += (unit(rng) - 0.5) * 2 * pi / 3;
        }
        const double offset = (unit(rng) - 0.5) * 40;
        const std::vector<TPixel> shifted = ShiftLine(line, offset);
        ASSERT_EQ(shifted.size(), line.size());
        for (std::size_t i = 0; i < line.size(); ++i) {
            // Each point lies at the offset from the pieces on either side of it (rounding to
            // pixels moves it by at most 0.71).
            if (i > 0) {
                ASSERT_NEAR(SideDistance(line[i - 1], line[i], shifted[i]), offset, 0.75)
                    << "round " << round << " point " << i;
            }
            if (i + 1 < line.size()) {
                ASSERT_NEAR(SideDistance(line[i], line[i + 1], shifted[i]), offset, 0.75)
                    << "round " << round << " point " << i;
            }
        }
    }
}

TEST(ShiftLineTest, RepeatedPointsAndTurnsBackAreHandled) {
    // Repeated points are dropped; a single point stays a point.
    const TCentreLine same{{10, 10}, {10, 10}, {10, 10}};
    EXPECT_EQ(ShiftLine(same, 5), (std::vector<TPixel>{{10, 10}}));
    const TCentreLine repeated{{0, 0}, {0, 0}, {100, 0}, {100, 0}};
    EXPECT_EQ(ShiftLine(repeated, 3), (std::vector<TPixel>{{0, 3}, {100, 3}}));
    // A course that turns straight back keeps its points finite.
    const TCentreLine back{{0, 0}, {100, 0}, {0, 0}};
    for (const TPixel& p : ShiftLine(back, 4)) {
        EXPECT_LE(std::abs(p.x), 104);
        EXPECT_LE(std::abs(p.y), 4);
    }
    // A sharp corner's mitre is limited to four offsets.
    const TCentreLine sharp{{0, 0}, {100, 0}, {0, 2}};
    const std::vector<TPixel> s = ShiftLine(sharp, 5);
    EXPECT_LE(std::hypot(s[1].x - 100, s[1].y - 0), 4 * 5 + 1);
}

} // namespace
} // namespace zep::view
