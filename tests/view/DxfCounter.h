// A deliberately plain second reading of DXF files for tests: the top-level LINE, POLYLINE with
// its VERTEX records, and LWPOLYLINE entities of the ENTITIES section, counted pair by pair.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace zep::view::testing {

struct TDxfCount {
    std::size_t polylines = 0;
    std::size_t points = 0;
    std::set<std::string> layers;
    std::map<std::string, std::size_t> kinds; // every code-0 record of ENTITIES
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
};

inline TDxfCount CountDxf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    auto clean = [](std::string s) {
        s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
        const auto b = s.find_first_not_of(" \t");
        const auto e = s.find_last_not_of(" \t");
        return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
    };
    TDxfCount c;
    std::string codeLine, value, section, entity;
    bool expectSectionName = false, inVertex = false;
    auto extend = [&](int code, double v) {
        if (code == 10 || code == 11) c.minX = std::min(c.minX, v), c.maxX = std::max(c.maxX, v);
        if (code == 20 || code == 21) c.minY = std::min(c.minY, v), c.maxY = std::max(c.maxY, v);
    };
    while (std::getline(in, codeLine) && std::getline(in, value)) {
        const int code = std::atoi(clean(codeLine).c_str());
        value = clean(value);
        if (code == 999) continue;
        if (code == 0 && value == "SECTION") {
            expectSectionName = true;
            continue;
        }
        if (expectSectionName && code == 2) {
            section = value;
            expectSectionName = false;
            continue;
        }
        if (section != "ENTITIES") continue;
        if (code == 0) {
            if (value == "ENDSEC") {
                section.clear();
                continue;
            }
            ++c.kinds[value];
            // A VERTEX belongs to the POLYLINE before it; anything else starts a new entity.
            if (value == "VERTEX" && entity == "POLYLINE") {
                ++c.points;
                inVertex = true;
                continue;
            }
            entity = value;
            inVertex = false;
            if (entity == "LINE" || entity == "POLYLINE" || entity == "LWPOLYLINE") ++c.polylines;
            continue;
        }
        const double v = std::atof(value.c_str());
        if (entity == "LINE") {
            if (code == 8) c.layers.insert(value);
            if (code == 10 || code == 11) ++c.points;
            extend(code, v);
        } else if (entity == "LWPOLYLINE") {
            if (code == 8) c.layers.insert(value);
            if (code == 10) ++c.points;
            extend(code, v);
        } else if (entity == "POLYLINE") {
            if (code == 8 && !inVertex) c.layers.insert(value);
            if (inVertex) extend(code, v); // the POLYLINE's own 10/20 is only its elevation
        }
    }
    return c;
}

} // namespace zep::view::testing
