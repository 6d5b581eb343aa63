#include "view/OrvUTM.h"

#include <array>
#include <cctype>
#include <cmath>
#include <limits>
#include <numbers>

#include "foundation/Exception.h"
#include "foundation/Format.h"

namespace zep::view {
namespace {

constexpr std::array<TEllipsoid, 23> kEllipsoids{{
    {"Airy", 6377563, 0.00667054},
    {"Australian National", 6378160, 0.006694542},
    {"Bessel 1841", 6377397, 0.006674372},
    {"Bessel 1841 (Nambia)", 6377484, 0.006674372},
    {"Clarke 1866", 6378206, 0.006768658},
    {"Clarke 1880", 6378249, 0.006803511},
    {"Everest", 6377276, 0.006637847},
    {"Fischer 1960 (Mercury)", 6378166, 0.006693422},
    {"Fischer 1968", 6378150, 0.006693422},
    {"GRS 1967", 6378160, 0.006694605},
    {"GRS 1980", 6378137, 0.00669438},
    {"Helmert 1906", 6378200, 0.006693422},
    {"Hough", 6378270, 0.00672267},
    {"International", 6378388, 0.00672267},
    {"Krassovsky", 6378245, 0.006693422},
    {"Modified Airy", 6377340, 0.00667054},
    {"Modified Everest", 6377304, 0.006637847},
    {"Modified Fischer 1960", 6378155, 0.006693422},
    {"South American 1969", 6378160, 0.006694542},
    {"WGS 60", 6378165, 0.006693422},
    {"WGS 66", 6378145, 0.006694542},
    {"WGS-72", 6378135, 0.006694318},
    {"WGS-84", 6378137, 0.00669438},
}};

constexpr double kScale = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthing = 10000000.0;
constexpr double kDeg = std::numbers::pi / 180.0;

// Into [-180, 180); fmod keeps huge longitudes exact where subtracting multiples would not.
double NormalLongitude(double longitude) {
    double l = std::fmod(longitude + 180.0, 360.0);
    if (l < 0) l += 360.0;
    l -= 180.0;
    return l >= 180.0 ? -180.0 : l;
}

} // namespace

TUTMLLConverter::TUTMLLConverter(int ellipsoid) : ellipsoid_(kDefaultEllipsoid) {
    SetEllipsoid(ellipsoid);
}

std::span<const TEllipsoid> TUTMLLConverter::Ellipsoids() {
    return kEllipsoids;
}

void TUTMLLConverter::SetEllipsoid(int index) {
    if (index < 0 || index >= static_cast<int>(kEllipsoids.size()))
        throw Exception(Format("Ellipsoid %d is not one of 0 to %d",
                               {index, static_cast<int>(kEllipsoids.size()) - 1}));
    ellipsoid_ = index;
}

int TUTMLLConverter::ZoneNumber(double latitude, double longitude) {
    if (!std::isfinite(longitude)) return 0;
    const double lon = NormalLongitude(longitude);
    if (latitude >= 56.0 && latitude < 64.0 && lon >= 3.0 && lon < 12.0) return 32;
    if (latitude >= 72.0 && latitude < 84.0) {
        if (lon >= 0.0 && lon < 9.0) return 31;
        if (lon >= 9.0 && lon < 21.0) return 33;
        if (lon >= 21.0 && lon < 33.0) return 35;
        if (lon >= 33.0 && lon < 42.0) return 37;
    }
    const int zone = static_cast<int>(std::floor((lon + 180.0) / 6.0)) + 1;
    return zone > 60 ? 60 : zone;
}

char TUTMLLConverter::BandLetter(double latitude) {
    if (latitude > 84.0 || !(latitude >= -80.0)) return 'Z';
    if (latitude >= 72.0) return 'X';
    // From 80 S in steps of 8 degrees, skipping I and O.
    static const char kBands[] = "CDEFGHJKLMNPQRSTUVW";
    return kBands[static_cast<int>(std::floor((latitude + 80.0) / 8.0))];
}

TUTMCoord TUTMLLConverter::LLtoUTM(double latitude, double longitude) const {
    TUTMCoord out;
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) {
        out.northing = out.easting = std::numeric_limits<double>::quiet_NaN();
        return out;
    }
    const TEllipsoid& el = kEllipsoids[static_cast<std::size_t>(ellipsoid_)];
    const double a = el.radius;
    const double e2 = el.eccSquared;
    const double e4 = e2 * e2;
    const double e6 = e4 * e2;
    const double ep2 = e2 / (1.0 - e2);

    const double lon = NormalLongitude(longitude);
    const int zone = ZoneNumber(latitude, lon);
    const double lonOrigin = zone * 6 - 183;

    const double phi = latitude * kDeg;
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double tanPhi = std::tan(phi);
    const double N = a / std::sqrt(1.0 - e2 * sinPhi * sinPhi);
    const double T = tanPhi * tanPhi;
    const double C = ep2 * cosPhi * cosPhi;
    const double A = cosPhi * (lon - lonOrigin) * kDeg;
    const double M = a * ((1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256) * phi -
                          (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024) * std::sin(2 * phi) +
                          (15 * e4 / 256 + 45 * e6 / 1024) * std::sin(4 * phi) -
                          (35 * e6 / 3072) * std::sin(6 * phi));

    const double A2 = A * A, A3 = A2 * A, A4 = A3 * A, A5 = A4 * A, A6 = A5 * A;
    out.easting =
        kScale * N *
            (A + (1 - T + C) * A3 / 6 + (5 - 18 * T + T * T + 72 * C - 58 * ep2) * A5 / 120) +
        kFalseEasting;
    out.northing = kScale * (M + N * tanPhi *
                                     (A2 / 2 + (5 - T + 9 * C + 4 * C * C) * A4 / 24 +
                                      (61 - 58 * T + T * T + 600 * C - 330 * ep2) * A6 / 720));
    if (latitude < 0) out.northing += kFalseNorthing;
    out.zone = std::to_string(zone) + BandLetter(latitude);
    return out;
}

void TUTMLLConverter::UTMtoLL(const TUTMCoord& utm, double& latitude, double& longitude) const {
    const TEllipsoid& el = kEllipsoids[static_cast<std::size_t>(ellipsoid_)];
    const double a = el.radius;
    const double e2 = el.eccSquared;
    const double e4 = e2 * e2;
    const double e6 = e4 * e2;
    const double ep2 = e2 / (1.0 - e2);
    const double e1 = (1 - std::sqrt(1 - e2)) / (1 + std::sqrt(1 - e2));

    int zone = 0;
    std::size_t digits = 0;
    while (digits < utm.zone.size() && digits < 3 &&
           std::isdigit(static_cast<unsigned char>(utm.zone[digits])))
        zone = zone * 10 + (utm.zone[digits++] - '0');
    if (digits == 0) zone = 10;
    bool north = true;
    if (!utm.zone.empty() && std::isalpha(static_cast<unsigned char>(utm.zone.back())))
        north = std::toupper(static_cast<unsigned char>(utm.zone.back())) > 'M';

    const double x = utm.easting - kFalseEasting;
    const double y = north ? utm.northing : utm.northing - kFalseNorthing;
    const double lonOrigin = zone * 6 - 183;

    const double M = y / kScale;
    const double mu = M / (a * (1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256));
    const double phi1 = mu + (3 * e1 / 2 - 27 * e1 * e1 * e1 / 32) * std::sin(2 * mu) +
                        (21 * e1 * e1 / 16 - 55 * e1 * e1 * e1 * e1 / 32) * std::sin(4 * mu) +
                        (151 * e1 * e1 * e1 / 96) * std::sin(6 * mu);
    const double sin1 = std::sin(phi1);
    const double cos1 = std::cos(phi1);
    const double tan1 = std::tan(phi1);
    const double N1 = a / std::sqrt(1 - e2 * sin1 * sin1);
    const double T1 = tan1 * tan1;
    const double C1 = ep2 * cos1 * cos1;
    const double R1 = a * (1 - e2) / std::pow(1 - e2 * sin1 * sin1, 1.5);
    const double D = x / (N1 * kScale);
    const double D2 = D * D, D3 = D2 * D, D4 = D3 * D, D5 = D4 * D, D6 = D5 * D;

    latitude = (phi1 - (N1 * tan1 / R1) *
                           (D2 / 2 - (5 + 3 * T1 + 10 * C1 - 4 * C1 * C1 - 9 * ep2) * D4 / 24 +
                            (61 + 90 * T1 + 298 * C1 + 45 * T1 * T1 - 252 * ep2 - 3 * C1 * C1) *
                                D6 / 720)) /
               kDeg;
    longitude =
        lonOrigin + ((D - (1 + 2 * T1 + C1) * D3 / 6 +
                      (5 - 2 * C1 + 28 * T1 - 3 * C1 * C1 + 8 * ep2 + 24 * T1 * T1) * D5 / 120) /
                     cos1) /
                        kDeg;
}

} // namespace zep::view
