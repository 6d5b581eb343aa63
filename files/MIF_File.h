// The routes of a scenario as a MIF/MID pair for display in a geographic information system:
// one polyline per route (MIF geometry) and one attribute line per route (MID).
#pragma once

#include <string>
#include <vector>

namespace zep::model {
class TProject;
class TRoute;
class TScenario;
} // namespace zep::model

namespace zep::files {

/// A coordinate in the MIF form: fixed notation with at least three and at most eighteen
/// decimals, "." as the separator, no more digits than the value needs to be read back exactly.
std::string MifCoordinate(double value);

/// The MID line of a route: the fields of the transit-route line (identifier, quoted name and
/// description, operator, frequencies, target occupancy, fleet, 1 when scheduled) joined by
/// commas without the padding that would end up inside the attribute values.
std::string RouteMidLine(const model::TRoute* route, const model::TScenario* scenario);

/// The pen colour of a route's polyline: a colour number from 0 to 16777215 that depends only
/// on the route's identifier, so an unchanged study writes an unchanged file.
int RoutePenColour(const model::TRoute* route);

/// Collects the lines of the MIF file (header, data section, one PLINE object per route) and
/// the matching MID lines. Routes with a negative identifier or without a link-route used in
/// the scenario are left out of both, so that objects and attribute lines correspond one to one.
class TMIFWriter {
public:
    TMIFWriter(const model::TProject& project, const model::TScenario* scenario);

    /// The header lines up to and including the empty line after "DATA".
    void AddHeader();
    /// One PLINE object per route in list order, and its MID line.
    void AddRoutes();

    const std::vector<std::string>& Lines() const { return lines_; }
    const std::vector<std::string>& MidLines() const { return midLines_; }

private:
    const model::TProject& project_;
    const model::TScenario* scenario_;
    std::vector<std::string> lines_;
    std::vector<std::string> midLines_;
};

/// The path of the MIF ("MIF") or MID ("MID") file: the scenario's directory beside the project
/// file, ROUTES_ + project code + scenario code, upper case.
std::string RouteMifFileName(const model::TProject& project, const model::TScenario* scenario,
                             const std::string& extension);

/// What WriteRouteMifFiles did.
struct TMifWriteResult {
    std::string mifPath;
    std::string midPath;
    bool mifWritten = false; // false: the file already held these lines
    bool midWritten = false;
    std::size_t routes = 0;
};

/// Builds the pair and saves each file only when its content changed.
TMifWriteResult WriteRouteMifFiles(const model::TProject& project,
                                   const model::TScenario* scenario);

} // namespace zep::files
