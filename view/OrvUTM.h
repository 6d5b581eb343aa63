// Conversion between geographic latitude/longitude and UTM grid coordinates, for studies whose
// node positions are geographic (the map draws them in metres on the UTM grid).
#pragma once

#include <span>
#include <string>

namespace zep::view {

/// A reference ellipsoid: equatorial radius in metres and eccentricity squared.
struct TEllipsoid {
    const char* name;
    double radius;
    double eccSquared;
};

/// A UTM position: metres north and east, and the zone text (zone number and latitude band,
/// e.g. "32V").
struct TUTMCoord {
    double northing = 0;
    double easting = 0;
    std::string zone;
};

/// Transverse Mercator series on one of 23 ellipsoids (scale factor 0.9996, false easting
/// 500000 m, false northing 10000000 m south of the equator). Accurate to millimetres within a
/// standard zone; the widened zones of Norway and Svalbard reach 6 degrees from their central
/// meridian, where the series still holds to well under a metre.
class TUTMLLConverter {
public:
    static constexpr int kDefaultEllipsoid = 22; ///< "WGS-84"

    explicit TUTMLLConverter(int ellipsoid = kDefaultEllipsoid);

    /// The table of ellipsoids, by index.
    static std::span<const TEllipsoid> Ellipsoids();
    int Ellipsoid() const { return ellipsoid_; }
    /// Raises zep::Exception for an index outside the table.
    void SetEllipsoid(int index);

    /// Latitude and longitude in degrees (longitude of any magnitude is brought into
    /// [-180, 180)). A non-finite input gives NaN coordinates and an empty zone text.
    TUTMCoord LLtoUTM(double latitude, double longitude) const;
    /// The inverse: the zone number is read from the zone text (10 when it has none), the
    /// hemisphere from its last letter (north after "M", and north when there is no letter).
    void UTMtoLL(const TUTMCoord& utm, double& latitude, double& longitude) const;

    /// The UTM zone (1 to 60) of a position, with the Norway and Svalbard exceptions; 0 for a
    /// non-finite longitude.
    static int ZoneNumber(double latitude, double longitude);
    /// The latitude band letter, "C" to "X", or "Z" outside 80 S to 84 N.
    static char BandLetter(double latitude);

private:
    int ellipsoid_;
};

} // namespace zep::view
