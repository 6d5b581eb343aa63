// The native project file: a six-byte version header and the object stream, gzip-compressed
// when the name ends in "z" or "Z". Saving never leaves the target missing or torn; opening
// recognises gzip by its first bytes and hands model network files to their reader.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "files/STREAM_.h"
#include "foundation/Exception.h"
#include "foundation/ORVFiles.h"
#include "foundation/SafeSave.h"
#include "foundation/Stream.h"

namespace zep::model {
class TProject;
}

namespace zep::files {

using zep::EInOutError;

/// The version header: three unsigned 16-bit numbers.
struct TFileVersion {
    std::uint16_t major = 0, minor = 0, release = 0;
    /// "major.minor.release".
    std::string Text() const;
    bool operator==(const TFileVersion&) const = default;
};

inline constexpr TFileVersion kVersionPlain{5, 0, 114};
inline constexpr TFileVersion kVersionAttraction{5, 7, 1};
/// The version named in the message for an unknown header.
inline constexpr TFileVersion kVersionExpected{6, 8, 1};

/// What the project's class adds to reading and writing files. Registered by the class name of
/// the root object (object 1).
struct TProjectFileHooks {
    /// Runs before storing (drop empty lists ...) and answers the header to write; 5.0.114 when
    /// not given.
    std::function<TFileVersion(TZEPPersistent& project)> prepareStore;
    /// The project the objects being read belong to (given to versioned entities).
    std::function<model::TProjectI*(TZEPPersistent& project)> projectOf;
    /// Runs after the object stream is read (the project's own AfterLoad when not given).
    std::function<void(TZEPPersistent& project)> afterLoad;
    /// Takes over the objects of a loaded stream that no list took (values may refer to
    /// them); without it they are kept for the life of the program.
    std::function<void(TZEPPersistent& project,
                       std::vector<std::unique_ptr<TZEPPersistent>> orphans)>
        adoptOrphans;
    /// Records the file name after a save or an open.
    std::function<void(TZEPPersistent& project, const std::string& fileName)> setFileName;
    /// Reads a model network or assignment file (header 6.8 or later) into the project; the
    /// stream is positioned after the header.
    std::function<void(TZEPPersistent& project, TStream& in, const std::string& fileName)>
        readModelFile;
    /// Reads an XML project file.
    std::function<void(TZEPPersistent& project, const std::string& fileName)> readXml;
};

/// Puts the bodies of the model's classes (nodes, links, operators ...) into the global class
/// table; runs once.
void RegisterModelStreamClasses();

void RegisterProjectFileHooks(const std::string& className, TProjectFileHooks hooks);
/// The hooks registered for `project`'s class (empty hooks when none).
const TProjectFileHooks& ProjectFileHooks(const TZEPPersistent& project);

/// The header written for `project` (runs prepareStore).
TFileVersion PrepareStore(TZEPPersistent& project);
/// Writes the version header and the object stream to `out` (uncompressed).
void StoreProject(TStream& out, TZEPPersistent& project);
/// Reads the version header and decides: 5.0 and 5.7 are read as an object stream (then the
/// project's afterLoad runs); 6.8 and later go to the model file reader; anything else fails
/// with EInvalidFormat "Incorrect file version %s. Expected %s\n".
void LoadProject(TStream& in, TZEPPersistent& project, const std::string& fileName = "");

/// Whether a name ends in "z" or "Z" (the file is written compressed).
bool IsCompressedProjectName(const std::string& fileName);
/// Whether a name ends in ".xml" or ".xmlz" in any case.
bool IsXmlProjectName(const std::string& fileName);

/// Saves through a temporary file in the target's directory. The old file stays under the
/// target name until one rename replaces it, and is kept in the backups directory (as a hard
/// link, or a copy where links are not possible). A failure leaves the previous file and no
/// temporary file behind. Answers the backup's path ("" when there was no old file).
std::string SaveProjectFile(const std::string& fileName, TZEPPersistent& project);
/// Opens a project file of any supported form into `project`, then records the file name.
void OpenProjectFile(const std::string& fileName, TZEPPersistent& project);

/// Opens a study file of any supported form into a new project.
std::unique_ptr<model::TProject> OpenProject(const std::string& fileName);
/// Saves a project: the native file (compressed when the name ends in "z"); ".xml" and ".xmlz"
/// go to the XML writer.
void SaveProject(const std::string& fileName, model::TProject& project);

/// The bytes of a project file after decompression (gzip when it starts with 1F 8B).
std::string ReadProjectImage(const std::string& fileName);

} // namespace zep::files
