#include "view/OrvUTM.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "foundation/Exception.h"

namespace zep::view {
namespace {

TEST(OrvUTM, ZonesWithTheNorwayAndSvalbardExceptions) {
    struct Case {
        double lat, lon;
        int zone;
    } cases[] = {
        {60, 5, 32},       {56, 3, 32},      {63.999, 11.999, 32}, {55.999, 3, 31},
        {64, 5, 31},       {60, 2.999, 31},  {60, 12, 33},         {72, 0, 31},
        {72, 8.999, 31},   {72, 9, 33},      {83.999, 20.99, 33},  {72, 21, 35},
        {72, 33, 37},      {72, 41.999, 37}, {72, 42, 38},         {71.999, 10, 32},
        {84, 10, 32},      {72, -0.001, 30}, {0, -180, 1},         {0, 180, 1},
        {0, 540, 1},       {0, 179.999, 60}, {0, -0.0, 31},        {0, -3.0001, 30},
        {-45, -720.5, 30},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TUTMLLConverter::ZoneNumber(c.lat, c.lon), c.zone) << c.lat << "," << c.lon;
    const int huge = TUTMLLConverter::ZoneNumber(10, 1e300);
    EXPECT_TRUE(huge >= 1 && huge <= 60);
    EXPECT_EQ(TUTMLLConverter::ZoneNumber(0, NAN), 0);
    EXPECT_EQ(TUTMLLConverter().LLtoUTM(60, 5).zone, "32V");
    EXPECT_EQ(TUTMLLConverter().LLtoUTM(78, 16).zone, "33X");
}

TEST(OrvUTM, BandLettersAtTheirLimits) {
    struct Case {
        double lat;
        char band;
    } cases[] = {{84, 'X'},      {84.001, 'Z'}, {72, 'X'},      {71.999, 'W'}, {64, 'W'},
                 {63.999, 'V'},  {56, 'V'},     {48, 'U'},      {40, 'T'},     {32, 'S'},
                 {24, 'R'},      {16, 'Q'},     {8, 'P'},       {0, 'N'},      {-0.001, 'M'},
                 {-8, 'M'},      {-8.001, 'L'}, {-16, 'L'},     {-24, 'K'},    {-32, 'J'},
                 {-40, 'H'},     {-48, 'G'},    {-56, 'F'},     {-64, 'E'},    {-72, 'D'},
                 {-72.001, 'C'}, {-80, 'C'},    {-80.001, 'Z'}, {-90, 'Z'},    {90, 'Z'},
                 {NAN, 'Z'}};
    for (const Case& c : cases)
        EXPECT_EQ(TUTMLLConverter::BandLetter(c.lat), c.band) << c.lat;
}

// Published grid positions, and positions from an independent transverse Mercator
// implementation (PROJ), all on WGS-84 unless named.
TEST(OrvUTM, ReferencePoints) {
    struct Case {
        const char* what;
        double lat, lon;
        const char* zone;
        double easting, northing, tolerance;
    } cases[] = {
        // The CN Tower, Toronto, as the UTM grid's usual worked example gives it (whole metres).
        {"CN Tower", 43.642566667, -79.387138889, "17T", 630084, 4833438, 1.0},
        {"CN Tower", 43.642566667, -79.387138889, "17T", 630084.311, 4833438.549, 0.02},
        {"60N 5E", 60, 5, "32V", 276979.926, 6658157.202, 0.02},
        {"Sydney Opera House", -33.8568, 151.2153, "56H", 334900.570, 6252288.753, 0.02},
        {"Rio de Janeiro", -22.9519, -43.2105, "23K", 683476.509, 7460687.308, 0.02},
        {"Longyearbyen", 78.2, 15.5, "33X", 511414.180, 8680738.603, 0.02},
        {"Eiffel Tower", 48.8583, 2.2945, "31U", 448251.898, 5411943.794, 0.02},
        {"Central Norway", 62.5, 10.5, "32V", 577270.304, 6930779.926, 0.02},
        {"Wellington", -41.2865, 174.7762, "60G", 313781.070, 5427052.795, 0.02},
    };
    TUTMLLConverter wgs84;
    for (const Case& c : cases) {
        TUTMCoord u = wgs84.LLtoUTM(c.lat, c.lon);
        EXPECT_EQ(u.zone, c.zone) << c.what;
        EXPECT_NEAR(u.easting, c.easting, c.tolerance) << c.what;
        EXPECT_NEAR(u.northing, c.northing, c.tolerance) << c.what;
    }
    // The textbook worked example on Clarke 1866 (40.5 N, 73.5 W: x = 127106.5 m from the
    // central meridian, y = 4484124.4 m); the table's radius is rounded to the metre, which moves
    // the result by about 0.3 m.
    TUTMLLConverter clarke(4);
    EXPECT_STREQ(TUTMLLConverter::Ellipsoids()[4].name, "Clarke 1866");
    TUTMCoord u = clarke.LLtoUTM(40.5, -73.5);
    EXPECT_EQ(u.zone, "18T");
    EXPECT_NEAR(u.easting, 627106.5, 0.5);
    EXPECT_NEAR(u.northing, 4484124.4, 0.5);
    // The ellipsoid matters: WGS-84 puts the same point some 200 m further north.
    EXPECT_NEAR(wgs84.LLtoUTM(40.5, -73.5).northing, 4484335.402, 0.02);
}

TEST(OrvUTM, TheEllipsoidTable) {
    auto table = TUTMLLConverter::Ellipsoids();
    ASSERT_EQ(table.size(), 23u);
    EXPECT_STREQ(table[0].name, "Airy");
    EXPECT_EQ(table[0].radius, 6377563);
    EXPECT_STREQ(table[22].name, "WGS-84");
    EXPECT_EQ(table[22].eccSquared, 0.00669438);
    EXPECT_STREQ(table[13].name, "International");
    EXPECT_EQ(table[13].radius, 6378388);
    EXPECT_EQ(TUTMLLConverter().Ellipsoid(), 22);
    TUTMLLConverter c;
    EXPECT_THROW(c.SetEllipsoid(23), Exception);
    EXPECT_THROW(c.SetEllipsoid(-1), Exception);
    EXPECT_EQ(c.Ellipsoid(), 22);
}

TEST(OrvUTM, ZoneTextOfTheInverse) {
    TUTMLLConverter c;
    TUTMCoord u = c.LLtoUTM(-33.8568, 151.2153);
    double lat = 0, lon = 0;
    u.zone = "56h"; // a lower-case band is still southern
    c.UTMtoLL(u, lat, lon);
    EXPECT_NEAR(lat, -33.8568, 1e-7);
    EXPECT_NEAR(lon, 151.2153, 1e-7);
    u.zone = "56"; // no letter: northern
    c.UTMtoLL(u, lat, lon);
    EXPECT_GT(lat, 0);
    TUTMCoord z = c.LLtoUTM(45, -123); // zone 10
    z.zone = "??";
    c.UTMtoLL(z, lat, lon);
    EXPECT_NEAR(lat, 45, 1e-7);
    EXPECT_NEAR(lon, -123, 1e-7);

    TUTMCoord bad = c.LLtoUTM(NAN, 3);
    EXPECT_TRUE(std::isnan(bad.easting) && std::isnan(bad.northing));
    EXPECT_EQ(bad.zone, "");
    EXPECT_TRUE(std::isnan(c.LLtoUTM(10, INFINITY).northing));
}

// Latitude/longitude to UTM and back returns the point, on every ellipsoid, over the whole grid
// (80 S to 84 N) including the widened zones.
TEST(OrvUTM, RoundTripsOnEveryEllipsoid) {
    const double kRad = 3.14159265358979323846 / 180;

    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> latD(-80, 84), lonD(-180, 180);
    std::uniform_real_distribution<double> norwayLat(56, 64), norwayLon(3, 12);
    std::uniform_real_distribution<double> svalbardLat(72, 84), svalbardLon(0, 42);
    for (int e = 0; e < 23; ++e) {
        TUTMLLConverter c(e);
        double worst = 0, worstStandard = 0;
        for (int i = 0; i < 3000; ++i) {
            double lat, lon;
            switch (i % 3) {
            case 0:
                lat = latD(rng), lon = lonD(rng);
                break;
            case 1:
                lat = norwayLat(rng), lon = norwayLon(rng);
                break;
            default:
                lat = svalbardLat(rng), lon = svalbardLon(rng);
            }
            TUTMCoord u = c.LLtoUTM(lat, lon);
            ASSERT_EQ(u.zone.back(), TUTMLLConverter::BandLetter(lat));
            // Even the widened zones reach no further than about 350 km from the central meridian.
            ASSERT_GT(u.easting, 100000) << lat << "," << lon;
            ASSERT_LT(u.easting, 900000) << lat << "," << lon;
            ASSERT_EQ(u.northing >= 0 && u.northing < 10000000, true);
            double lat2 = 0, lon2 = 0;
            c.UTMtoLL(u, lat2, lon2);
            // The error on the ground, in metres (a degree of latitude is about 111 km).
            const double err = 111320 * std::hypot(lat2 - lat, (lon2 - lon) * std::cos(lat * kRad));
            // Millimetres within a standard zone; the series loses accuracy towards the 6 degree
            // reach of the widened zones.
            const int zone = TUTMLLConverter::ZoneNumber(lat, lon);
            const bool standard = std::abs(lon - (zone * 6 - 183)) <= 3;
            (standard ? worstStandard : worst) = std::max(standard ? worstStandard : worst, err);
            ASSERT_LT(err, standard ? 0.005 : 0.1)
                << "ellipsoid " << e << " at " << lat << "," << lon;
        }
        RecordProperty("worst_m_" + std::to_string(e),
                       std::to_string(worstStandard) + " " + std::to_string(worst));
    }
}

} // namespace
} // namespace zep::view
