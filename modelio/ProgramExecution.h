// The model runner: a task set of model stages per scenario, turned into program command lines
// and run one after another as child processes in the project directory, with their output
// relayed line by line. The first failing program or a cancel stops the run.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Exception.h"
#include "modelio/OrvProcesses.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::modelio {

/// A model program run directly by a stage failed: "Program %s failed".
ZEP_DECLARE_EXCEPTION(EProgramFailedException, Exception);
/// A program file that is not there: "Could not find "<path>"".
ZEP_DECLARE_EXCEPTION(EInOutError, Exception);
/// The silent abort of a cancelled run ("canceled").
ZEP_DECLARE_EXCEPTION(EAbort, Exception);
/// A task list that names a missing scenario or an unknown task.
ZEP_DECLARE_EXCEPTION(ETaskListError, Exception);

/// Receives (index of the command about to run, number of commands), and (100, 100) at the end.
using TProgressHandler = std::function<void(int index, int count)>;

/// The stages, numbered in the order they run for a scenario.
enum TStage { stPathSearch = 0, stInitialAssignment, stLocation, stFixedLocation, stAssignment };

/// The flags of AddStages.
enum TStageFlag {
    sfPathSearch = 1,
    sfInitialAssignment = 2,
    sfLocation = 4,
    sfFixedLocation = 8,
    sfAssignment = 16,
};

/// One stage of the model for one scenario.
class IModelStageRunner {
public:
    virtual ~IModelStageRunner() = default;
    /// Runs the stage's programs at once, without generating files or a command list.
    virtual void Execute(const TOutputHandler& output) = 0;
    virtual model::TScenario* Scenario() const = 0;
    virtual int Stage() const = 0;
    /// "Path Search", "Initial Assignment", "Location", "Fixed Location" or "Assignment".
    virtual std::string StageName() const = 0;
    /// Appends the stage's command lines; `previousTaskBegin` is where the lines of the task
    /// before this one begin in `lines` (lines.size() when there is none).
    virtual void AppendCommands(std::vector<std::string>& lines,
                                std::size_t previousTaskBegin) const = 0;
    /// The task code and the scenario's name, each in double quotes, joined by a comma.
    virtual std::string TaskText() const = 0;
};

/// Base of the five stage runners: the project, the scenario and the stage number.
class TModelStageRunner : public IModelStageRunner {
public:
    TModelStageRunner(model::TProject& project, model::TScenario& scenario, int stage)
        : project_(project), scenario_(scenario), stage_(stage) {}
    void Execute(const TOutputHandler& output) override;
    model::TScenario* Scenario() const override { return &scenario_; }
    int Stage() const override { return stage_; }
    std::string StageName() const override;
    std::string TaskText() const override;

    /// The task code of a stage ("PATHS", "KELVA /I", "SEB", "WRIN", "KELVA").
    static const char* TaskCode(int stage);
    static const char* DisplayName(int stage);

protected:
    /// A command line: program, blank, scenario name, blank, arguments.
    std::string Line(const char* program, const std::string& args) const;
    bool WithSectors() const;
    /// The programs of direct execution with their arguments.
    virtual std::vector<std::pair<std::string, std::string>> DirectPrograms() const = 0;
    /// Restores the scenario's compressed path files.
    void DecompressPathFiles() const;

    model::TProject& project_;
    model::TScenario& scenario_;
    int stage_;
};

class TPathSearchRunner : public TModelStageRunner {
public:
    TPathSearchRunner(model::TProject& p, model::TScenario& s)
        : TModelStageRunner(p, s, stPathSearch) {}
    void AppendCommands(std::vector<std::string>& lines, std::size_t) const override;

protected:
    std::vector<std::pair<std::string, std::string>> DirectPrograms() const override;
};

class TInitialAssignmentRunner : public TModelStageRunner {
public:
    TInitialAssignmentRunner(model::TProject& p, model::TScenario& s)
        : TModelStageRunner(p, s, stInitialAssignment) {}
    void AppendCommands(std::vector<std::string>& lines, std::size_t) const override;

protected:
    std::vector<std::pair<std::string, std::string>> DirectPrograms() const override;
};

class TLocationRunner : public TModelStageRunner {
public:
    TLocationRunner(model::TProject& p, model::TScenario& s)
        : TModelStageRunner(p, s, stLocation) {}
    void AppendCommands(std::vector<std::string>& lines, std::size_t) const override;

protected:
    TLocationRunner(model::TProject& p, model::TScenario& s, int stage)
        : TModelStageRunner(p, s, stage) {}
    /// "-f" for fixed transportables, on the WRIN or SEB line.
    virtual std::string LocationArgs() const { return ""; }
    std::vector<std::pair<std::string, std::string>> DirectPrograms() const override;
};

class TFixedLocationRunner : public TLocationRunner {
public:
    TFixedLocationRunner(model::TProject& p, model::TScenario& s)
        : TLocationRunner(p, s, stFixedLocation) {}

protected:
    std::string LocationArgs() const override { return "-f"; }
};

class TAssignmentRunner : public TModelStageRunner {
public:
    TAssignmentRunner(model::TProject& p, model::TScenario& s)
        : TModelStageRunner(p, s, stAssignment) {}
    void AppendCommands(std::vector<std::string>& lines,
                        std::size_t previousTaskBegin) const override;

protected:
    std::vector<std::pair<std::string, std::string>> DirectPrograms() const override;
};

/// The stage runner of `stage` for the scenario.
std::unique_ptr<TModelStageRunner> NewStageRunner(model::TProject& project,
                                                  model::TScenario& scenario, int stage);

/// The task set and the run.
class TModelRunner {
public:
    explicit TModelRunner(model::TProject& project) : project_(&project) {}

    /// Adds the stages of `flags` (TStageFlag) for the scenario; the initial assignment only
    /// for a scenario without parent; a scenario/stage pair already present is not added again.
    void AddStages(model::TScenario& scenario, int flags);
    /// Removes the task at that position of the set's order.
    void RemoveTask(std::size_t index);
    void Clear() { tasks_.clear(); }
    /// The tasks in run order: scenario order (an ancestor first), then stage.
    std::size_t TaskCount() const { return tasks_.size(); }
    const IModelStageRunner& Task(std::size_t index) const { return *tasks_.at(index); }

    /// Every task's TaskText joined with CR LF.
    std::string TasksText() const;
    /// Replaces the set with the tasks of `text` (one per line, blank lines skipped). Raises
    /// ETaskListError "Scenario <%s> not found" or "Unkon task: " + the quoted code; the set
    /// then holds the tasks read before the faulty line.
    void LoadTasksText(model::TProject& project, const std::string& text);

    /// Generates every scenario's files when it is first met, then appends each task's lines.
    std::vector<std::string> CommandLines();

    /// Runs the command list from the program directory in the project directory; see the
    /// unit's description. Writes zep_batch.bat before and zep_run.json after (also after a
    /// failure or cancel). A program that exits non-zero raises EChildProcessException
    /// "FAILED: " + its command line.
    void Run(const TProgressHandler& progress, const TOutputHandler& output);
    /// The program part of Run for a command list built before: a window builds the list (and
    /// with it the input files) where it owns the study, and runs the programs on a thread of
    /// their own. Reads the project only for the run record.
    void RunCommandLines(const std::vector<std::string>& lines, const TProgressHandler& progress,
                         const TOutputHandler& output) const;

    /// Compress the path files after a successful run.
    bool compressOutput = false;
    /// Called while a program prints nothing (see TChildProcess::SetIdleHandler); may throw.
    std::function<void()> idleHandler;
    /// Overrides ProgramDirectory() when not empty.
    std::string programDirectory;
    /// The grace period between SIGTERM and SIGKILL when a program is ended.
    std::chrono::milliseconds terminateGrace{2000};

private:
    void Sort();
    model::TProject* project_;
    std::vector<std::unique_ptr<TModelStageRunner>> tasks_;
};

/// What the execution window's "A&dd to Batch" adds for the selected scenario: with "All
/// programs" path search, initial assignment, location and assignment; with "Selected
/// programs" the ticked stages (fixed location when both location boxes are ticked, the
/// initial assignment only for the base scenario). Without sectors the land-use stages
/// (initial assignment, location, fixed location) are dropped.
struct TStageChoice {
    bool allPrograms = true;
    bool pathSearch = false, initialAssignment = false, location = false,
         fixedTransportables = false, assignment = false;
};
int BatchFlags(const TStageChoice& choice, bool baseScenario, bool withSectors);

/// The execution window's output memo without its widget: each output line replaces the last
/// memo line, and a line ended by a line feed opens a new, empty last line, so that a counter
/// line ended by a bare carriage return keeps overwriting one line.
class TOutputMemo {
public:
    void Add(const std::string& line);
    /// The lines shown; the last is the open line (empty after a finished line).
    const std::vector<std::string>& Lines() const { return lines_; }
    void Clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
};

/// The directory of the model programs: $VARDEN_PATH; else the "Path" key of section
/// [VARDEN] of $XDG_CONFIG_HOME/Okkerwald/VARDEN.ini (~/.config when unset) + "/bin/"; else
/// "/opt/VARDEN/bin/". Always ends with a separator.
std::string ProgramDirectory();

/// The program file `fileName` (e.g. "GRAVO.EXE") in `directory`: as given, then without
/// ".EXE", each as given, upper case and lower case; "" when none exists.
std::string FindProgram(const std::string& directory, const std::string& fileName);

/// Compresses every path file (*.P?S) below `directory`: a name ending in "S" gets "Z" in its
/// place, any other ".gz" appended; the plain file is deleted.
std::vector<std::string> CompressPathFiles(const std::string& directory);
/// Restores the compressed path files of scenario `scenario` below `directory`.
std::vector<std::string> DecompressPathFiles(const std::string& directory,
                                             const std::string& scenario);

} // namespace zep::modelio
