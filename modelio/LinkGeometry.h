// Link courses (polylines) outside the project file: the project file does not keep them, so
// every save writes them to the study's geometry file and every open reads them back.
#pragma once

#include <cstddef>
#include <string>

namespace zep::model {
class TProject;
}

namespace zep::modelio {

/// How many link geometries were attached after loading, and where they came from.
struct TGeometryAttachResult {
    std::size_t fromProperties = 0; ///< links whose "polypoints" held a record
    std::size_t fromFile = 0;       ///< records of the geometry file applied (reverses included)
    std::string file;               ///< the geometry file read ("" when none)
};

/// Attaches link geometries after loading: every link's "polypoints" record; when no link has
/// one, the records of the study's ".ply" file (the study-wide input file name, else the project
/// file's name), each applied to its link and, reversed, to the reverse link. A file that cannot
/// be read is reported as "Polylines cound not be loaded" and loading goes on.
TGeometryAttachResult AttachLinkGeometries(model::TProject& project);

/// Writes the polyline record of every link with a course to the study's geometry file (the
/// study-wide input file name with "ply" beside `projectFileName`, else that name with ".ply"),
/// and each record into the link's "polypoints"; writes nothing when no link has a course and
/// no such file exists, and leaves an unchanged file untouched. Raises when it cannot write.
void SaveLinkGeometries(model::TProject& project, const std::string& projectFileName);

} // namespace zep::modelio
