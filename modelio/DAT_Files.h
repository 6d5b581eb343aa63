// The instruction files of the model's report programs, KOLP.DAT and RAPKEL.DAT: created with
// every option off when missing, never touched once they exist (the planner edits them).
#pragma once

#include <string>
#include <vector>

namespace zep::model {
class TProject;
}

namespace zep::modelio {

/// KOLP.DAT as written: lines joined by CR LF, the last one without a line break.
std::string KolpText();
/// RAPKEL.DAT as written: every line ended by CR LF.
std::string RapkelText();

/// Creates KOLP.DAT and RAPKEL.DAT in the project directory, each only when no file of that
/// name exists. Returns the files created.
std::vector<std::string> WriteDATFiles(const model::TProject& project);

} // namespace zep::modelio
