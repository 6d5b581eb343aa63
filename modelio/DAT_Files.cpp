#include "modelio/DAT_Files.h"

#include <filesystem>

#include "foundation/ORVFiles.h"
#include "model/Project.h"

namespace zep::modelio {

namespace {

// Lines of KOLP.DAT (each ends with an apostrophe) and RAPKEL.DAT, without line ends.
const std::vector<std::string>& KolpLines() {
    static const std::vector<std::string> lines = {
        std::string("INSTRUCTIONS FOR PROGRAM KOLP - File KOLP.DAT $Id$'"),
        std::string("Study:                             Year:         Scenario:'"),
        "*" + std::string(72, '-') + "'",
        std::string("1. OPTIONS'"),
        std::string("  '1 Costs by transport category....... ... (0=no 1=yes)'   0'"),
        std::string("  '2 Costs by mode and transport category.. (0=no 1=yes)'   0'"),
        std::string("  '3 Costs by socio-economic sector........ (0=no 1=yes)'   0'"),
        std::string("  '4 Trips by mode ........................ (0=no 1=yes)'   0'"),
        std::string("  '5 Trips by transport category....... ... (0=no 1=yes)'   0'"),
        std::string("  '6 Trips by mode and transport category . (0=no 1=yes)'   0'"),
        std::string("  '7 Total trips (sum of all categories) .. (0=no 1=yes)'   0'"),
        std::string("  '8 Frequency distribution by mode ....... (0=no 1=yes)'   0'"),
        std::string("  '  Cost scale intervals ............ ..... (ex: 0.25)'  0.0'"),
        std::string(" '9  Flows by socio-economic sector ....... (0=no 1=yes)'   0'"),
        std::string(" '10 Flows by transport category ...... ... (0=no 1=yes)'   0'"),
        std::string(" '11 Costs by transport category ...... ... (0=no 1=yes)'   0'"),
        std::string(" '12 Costs by socio-economic sector ....... (0=no 1=yes)'   0'"),
        std::string(" '13 External trips by transport category . (0=no 1=yes)'   0'"),
        std::string(" '14 External trips by mode and category .. (0=no 1=yes)'   0'"),
        "*" + std::string(72, '-') + "'",
        std::string("2.0 ZONE AGGREGATION'"),
        std::string("  AggZone    \" Name  \"   List of composing zones ( end with / )       '"),
        "*" + std::string(72, '-') + "'",
    };
    return lines;
}

const std::vector<std::string>& RapkelLines() {
    static const std::vector<std::string> lines = {
        std::string("INSTRUCTIONS FOR  PROGRAM RAPKEL - File: RAPKEL.DAT"),
        std::string("Study:                             Year:         Scenario:"),
        "*" + std::string(72, '-'),
        std::string("CONTROL OPTIONS"),
        std::string("  1 'List of links ...............(0=No 1=Yes 2=All)'    0"),
        std::string("  2 'List of link types ................(0=no 1=Yes)'    0"),
        std::string("  3 'Demand/Capacity Range .............(0=no 1=Yes)'    0"),
        std::string("  4 'Format .....................(1=min 2=med 3=max)'    2"),
        std::string("  5 'Table of indicators................(0=no 1=Yes)'    0"),
        std::string("  6 'Cordons ...........................(0=no 1=Yes)'    0"),
        std::string("  8 'Vehicle-distance by speed class....(0=no 1=Yes)'    0"),
        std::string("  9 'Link-Route/Category Profile........(0=no 1=Yes)'    0"),
        std::string(" 10 'Boardings by Operator & Category...(0=no 1=Yes)'    0"),
        "*" + std::string(72, '-'),
        std::string(" . List of links"),
        std::string("   Origin   Destin  Direction"),
        "*" + std::string(72, '-'),
        std::string(" . List of link types "),
        std::string("   Type"),
        "*" + std::string(72, '-'),
        std::string(" . Demand/Capacity Range"),
        std::string("   Minimum.   Maximum."),
        "*" + std::string(72, '-'),
        std::string(" . Speed Classes"),
        std::string("   Minimum.   Maximum."),
        "*" + std::string(72, '-'),
        std::string(" . Cordons "),
        std::string("   CordonNo 'Name ...' 'Directn.'  OrNode  DesNode Type (end with /)"),
        "*" + std::string(77, '-'),
    };
    return lines;
}

// Creates the file only when nothing of that name exists, not even a dangling link: whatever
// the planner put there is theirs.
bool CreateWhenMissing(const std::filesystem::path& path, const std::string& text) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return false;
    ReplaceFileContent(path.string(), text);
    return true;
}

} // namespace

std::string KolpText() {
    std::string text;
    for (const std::string& line : KolpLines()) {
        if (!text.empty()) text += "\r\n";
        text += line;
    }
    return text;
}

std::string RapkelText() {
    std::string text;
    for (const std::string& line : RapkelLines())
        text += line + "\r\n";
    return text;
}

std::vector<std::string> WriteDATFiles(const model::TProject& project) {
    const std::filesystem::path dir = std::filesystem::path(project.FileName()).parent_path();
    std::vector<std::string> created;
    if (CreateWhenMissing(dir / "KOLP.DAT", KolpText()))
        created.push_back((dir / "KOLP.DAT").string());
    if (CreateWhenMissing(dir / "RAPKEL.DAT", RapkelText()))
        created.push_back((dir / "RAPKEL.DAT").string());
    return created;
}

} // namespace zep::modelio
