// The generation commands of the project menu, shared by the desktop application and zep-cli:
// the common step (study-wide control files), the scenario step (snapshot, input files,
// geometry, job file) and every single-file command. The application shows the hourglass
// around a call; every command ends the progress display, also when it fails.
#pragma once

#include <string>
#include <vector>

#include "foundation/Exception.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::modelio {

/// The project snapshot W_P.KIV in the project directory: nodes in identifier order and the
/// named links of the scenario, in the model's binary network layout. Always rewritten.
/// More nodes than its 16-bit count can hold raise EWriteError before anything is written.
void WriteProjectSnapshot(const model::TProject& project, const model::TScenario& scenario);
std::string ProjectSnapshotName(const model::TProject& project);

/// The link geometry file PS.ply in the scenario directory: one polyline record per link of
/// the project whose polyline is not empty. Written when its content changed.
bool WriteLinkGeometry(const model::TProject& project, const model::TScenario& scenario);
std::string LinkGeometryName(const model::TProject& project, const model::TScenario& scenario);

/// W_VARDEN.CTL, the zone file, the Makefile, then the report instruction files.
void CommonStep(const model::TProject& project);
/// The common step, the snapshot, the scenario's input files, its geometry, the study's
/// base-year file or its increments, then its job file.
void ScenarioStep(const model::TProject& project, const model::TScenario& scenario);

/// The commands of the project menu that write files.
enum class TGenerationCommand {
    GenerateInputFiles,     // the common step, then every scenario's step in list order
    GenerateSingleScenario, // the chosen scenario's step
    WriteCTL,
    WriteZ1E,
    WriteP0E, // then the snapshot
    WriteP1E, // then the snapshot
    WriteT1E,
    WriteF1E,
    WriteL1E,
    WriteL0E,
    WriteL2E, // only for a scenario with a parent
    WriteL3E, // only for a scenario with a parent
    WriteJOB,
    WriteMakefile,
    EmptyDATFiles,
};

/// The command's component name and menu caption.
struct TGenerationCommandInfo {
    TGenerationCommand command;
    const char* component;
    const char* caption;
    bool needsScenario;
};
const std::vector<TGenerationCommandInfo>& GenerationCommands();

/// Runs one command. `scenario` is the one the user chose for the commands that need one
/// (nullptr there writes nothing: the user cancelled the choice). A failing writer ends the
/// command where it failed; files written before stay as written, and the exception passes to
/// the caller after the progress display was ended.
void RunGenerationCommand(TGenerationCommand command, const model::TProject& project,
                          const model::TScenario* scenario);

} // namespace zep::modelio
