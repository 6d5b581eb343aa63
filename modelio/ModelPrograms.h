// What each model program reads and writes, as the Makefile states it: shared by the run
// record (which fingerprints a command's inputs and results) and the stand-in programs.
// Names are relative to the project directory, the programs' working directory.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "modelio/ZEPASCII.h"

namespace zep::modelio {

/// The study as W_VARDEN.CTL tells it: the study's name and every scenario with its parent
/// (empty for the scenario without parent), in file order.
struct TCtlStudy {
    std::string projectName;
    std::vector<std::pair<std::string, std::string>> scenarios;
    /// The parent of `scenario` ("" when it has none); nullptr when the file lacks it.
    const std::string* ParentOf(const std::string& scenario) const;
};
/// Reads the lines of W_VARDEN.CTL; raises EReadError when a section is missing.
TCtlStudy ParseCTL(const TLines& lines);

/// A program's files for one scenario: inputs it reads and results it writes. A name may hold
/// "?" (the path files, one per mode).
struct TProgramFiles {
    std::vector<std::string> inputs;
    std::vector<std::string> results;
};

/// The files of `program` (upper case, without ".EXE": "GRAVO", "KELVA", ...) run for
/// `scenario` (whose parent is `parent`, "" for none) of study `projectName` with `args`
/// (the arguments after the scenario). An unknown program has no files.
TProgramFiles ProgramFiles(const std::string& program, const std::string& projectName,
                           const std::string& scenario, const std::string& parent,
                           const std::vector<std::string>& args);

/// The path file of mode position `mode` (0-based) beside the project: the first three
/// characters of the study's name, the scenario's name, ".P", mode + 1, "S".
std::string PathFileName(const std::string& projectName, const std::string& scenario, int mode);

} // namespace zep::modelio
