#include "modelio/ProgramExecution.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>

#include "foundation/FileCompression.h"
#include "foundation/Format.h"
#include "foundation/ORVFiles.h"
#include "model/Project.h"
#include "model/SCENARIO.h"
#include "model/SECTOR.h"
#include "modelio/GenerationCommands.h"
#include "modelio/ModelPrograms.h"
#include "modelio/RunRecord.h"

namespace zep::modelio {

using namespace model;
namespace fs = std::filesystem;

namespace {

struct TStageInfo {
    const char* name;
    const char* code;
};
constexpr TStageInfo kStages[] = {{"Path Search", "PATHS"},
                                  {"Initial Assignment", "KELVA /I"},
                                  {"Location", "SEB"},
                                  {"Fixed Location", "WRIN"},
                                  {"Assignment", "KELVA"}};

fs::path ProjectDirectory(const TProject& project) {
    // A project named without a directory lies in the current one; absolute("") fails.
    const fs::path dir = fs::path(project.FileName()).parent_path();
    return fs::absolute(dir.empty() ? fs::path(".") : dir).lexically_normal();
}

bool EndsWithSeparator(const std::string& s) {
    return !s.empty() && s.back() == '/';
}

// A started child relays its output and reports its exit code; the object ends the child
// however the caller leaves (a cancel raised by a handler included).
int RunChild(const std::vector<std::string>& argv, const fs::path& workingDirectory,
             const TOutputHandler& output, const std::function<void()>& idle,
             std::chrono::milliseconds grace) {
    TChildProcess child;
    child.SetWorkingDirectory(workingDirectory.string());
    child.SetGracePeriod(grace);
    if (idle) child.SetIdleHandler(idle);
    child.Start(argv);
    child.PumpOutput(output);
    return child.WaitForExit();
}

// argv for a command line: the program found in its directory (or the path as written when
// none of its name forms exists, so that starting it reports the system's error).
std::vector<std::string> Argv(const std::string& commandLine) {
    std::vector<std::string> argv = SplitCommandLine(commandLine);
    if (argv.empty()) return argv;
    const fs::path program(argv[0]);
    const std::string found =
        FindProgram(program.parent_path().string(), program.filename().string());
    if (!found.empty()) argv[0] = found;
    return argv;
}

std::string Unquote(std::string field) {
    field = Trim(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        field = field.substr(1, field.size() - 2);
        std::string out;
        for (std::size_t i = 0; i < field.size(); ++i) {
            out += field[i];
            if (field[i] == '"' && i + 1 < field.size() && field[i + 1] == '"') ++i;
        }
        return out;
    }
    return field;
}

} // namespace

// ---- Stage runners --------------------------------------------------------------------------

const char* TModelStageRunner::TaskCode(int stage) {
    return kStages[stage].code;
}
const char* TModelStageRunner::DisplayName(int stage) {
    return kStages[stage].name;
}

std::string TModelStageRunner::StageName() const {
    return DisplayName(stage_);
}

std::string TModelStageRunner::TaskText() const {
    return std::string("\"") + TaskCode(stage_) + "\",\"" + scenario_.GetName() + "\"";
}

std::string TModelStageRunner::Line(const char* program, const std::string& args) const {
    return std::string(program) + " " + scenario_.GetName() + " " + args;
}

bool TModelStageRunner::WithSectors() const {
    return project_.Sectors().Count() > 0;
}

void TModelStageRunner::DecompressPathFiles() const {
    modelio::DecompressPathFiles(ProjectDirectory(project_).string(), scenario_.GetName());
}

void TModelStageRunner::Execute(const TOutputHandler& output) {
    const std::string directory = ProgramDirectory();
    for (const auto& [file, args] : DirectPrograms()) {
        const std::string programFile = directory + file;
        const std::string found = FindProgram(directory, file);
        if (found.empty()) throw EInOutError("Could not find \"" + programFile + "\"");
        const std::string commandLine = programFile + " " + scenario_.GetName() + " " + args;
        output(commandLine);
        std::vector<std::string> argv = SplitCommandLine(scenario_.GetName() + " " + args);
        argv.insert(argv.begin(), found);
        if (RunChild(argv, ProjectDirectory(project_), output, nullptr,
                     std::chrono::milliseconds(2000)) != 0)
            throw EProgramFailedException(Format("Program %s failed", {programFile}));
    }
}

void TPathSearchRunner::AppendCommands(std::vector<std::string>& lines, std::size_t) const {
    lines.push_back(Line("GRAVO.EXE", ""));
}
std::vector<std::pair<std::string, std::string>> TPathSearchRunner::DirectPrograms() const {
    return {{"GRAVO.EXE", ""}};
}

void TInitialAssignmentRunner::AppendCommands(std::vector<std::string>& lines, std::size_t) const {
    lines.push_back(Line("KELVA.EXE", "-I"));
    if (WithSectors()) lines.push_back(Line("DUVA.EXE", ""));
}
std::vector<std::pair<std::string, std::string>> TInitialAssignmentRunner::DirectPrograms() const {
    return {{"KELVA.EXE", "-I"}};
}

void TLocationRunner::AppendCommands(std::vector<std::string>& lines, std::size_t) const {
    if (scenario_.IsBase()) {
        // After an initial assignment of the same scenario the distribution has just run.
        if (lines.empty() || lines.back().find("DUVA.EXE") == std::string::npos)
            lines.push_back(Line("DUVA.EXE", ""));
        lines.push_back(Line("WRIN.EXE", LocationArgs()));
    } else {
        lines.push_back(Line("SEB.EXE", LocationArgs()));
    }
    lines.push_back(Line("MARO.EXE", ""));
    lines.push_back(
        Line("RAPSEB.EXE", "-J -o " + Format("location_indicators_%s.csv", {scenario_.GetName()})));
}
std::vector<std::pair<std::string, std::string>> TLocationRunner::DirectPrograms() const {
    const bool base = &scenario_ == project_.BaseScenario();
    return {{base ? "WRIN.EXE" : "SEB.EXE", LocationArgs()}, {"MARO.EXE", ""}};
}

void TAssignmentRunner::AppendCommands(std::vector<std::string>& lines,
                                       std::size_t previousTaskBegin) const {
    DecompressPathFiles();
    // A location task of the same scenario just before has run the distribution already;
    // a MARO line of another scenario does not count.
    const std::string maro = "MARO.EXE " + scenario_.GetName() + " ";
    bool maroBefore = false;
    for (std::size_t i = std::min(previousTaskBegin, lines.size()); i < lines.size(); ++i)
        if (lines[i].rfind(maro, 0) == 0) maroBefore = true;
    if (!maroBefore) lines.push_back(Line("MARO.EXE", WithSectors() ? "" : "-I"));
    lines.push_back(Line("KELVA.EXE", "-N -z"));
    if (WithSectors()) lines.push_back(Line("DUVA.EXE", ""));
    lines.push_back(Line("RAPKEL.EXE",
                         "-J -o " + Format("transport_indicators_%s.csv", {scenario_.GetName()})));
    lines.push_back(
        Line("RAPKEL.EXE", "-S -o " + Format("route_profile_%s.csv", {scenario_.GetName()})));
}
std::vector<std::pair<std::string, std::string>> TAssignmentRunner::DirectPrograms() const {
    DecompressPathFiles();
    std::vector<std::pair<std::string, std::string>> programs = {
        {"MARO.EXE", WithSectors() ? "" : "-I"}, {"KELVA.EXE", ""}};
    if (WithSectors()) programs.emplace_back("DUVA.EXE", "");
    return programs;
}

std::unique_ptr<TModelStageRunner> NewStageRunner(TProject& project, TScenario& scenario,
                                                  int stage) {
    switch (stage) {
    case stPathSearch:
        return std::make_unique<TPathSearchRunner>(project, scenario);
    case stInitialAssignment:
        return std::make_unique<TInitialAssignmentRunner>(project, scenario);
    case stLocation:
        return std::make_unique<TLocationRunner>(project, scenario);
    case stFixedLocation:
        return std::make_unique<TFixedLocationRunner>(project, scenario);
    case stAssignment:
        return std::make_unique<TAssignmentRunner>(project, scenario);
    default:
        return nullptr;
    }
}

// ---- The task set ---------------------------------------------------------------------------

namespace {
bool TaskBefore(const TModelStageRunner& a, const TModelStageRunner& b) {
    const int c = CompareScenarios(a.Scenario(), b.Scenario());
    return c != 0 ? c < 0 : a.Stage() < b.Stage();
}
} // namespace

void TModelRunner::Sort() {
    // Renaming or moving a scenario changes the order; the set follows it.
    std::stable_sort(tasks_.begin(), tasks_.end(),
                     [](const auto& a, const auto& b) { return TaskBefore(*a, *b); });
}

void TModelRunner::AddStages(TScenario& scenario, int flags) {
    static const int kFlagOfStage[] = {sfPathSearch, sfInitialAssignment, sfLocation,
                                       sfFixedLocation, sfAssignment};
    for (int stage = stPathSearch; stage <= stAssignment; ++stage) {
        if (!(flags & kFlagOfStage[stage])) continue;
        if (stage == stInitialAssignment && scenario.Parent()) continue;
        const bool present = std::any_of(tasks_.begin(), tasks_.end(), [&](const auto& t) {
            return t->Scenario() == &scenario && t->Stage() == stage;
        });
        if (!present) tasks_.push_back(NewStageRunner(*project_, scenario, stage));
    }
    Sort();
}

void TModelRunner::RemoveTask(std::size_t index) {
    Sort();
    if (index < tasks_.size()) tasks_.erase(tasks_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::string TModelRunner::TasksText() const {
    std::string text;
    for (const auto& task : tasks_) {
        if (!text.empty()) text += "\r\n";
        text += task->TaskText();
    }
    return text;
}

void TModelRunner::LoadTasksText(TProject& project, const std::string& text) {
    project_ = &project;
    tasks_.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (Trim(line).empty()) continue;
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (;;) {
            const std::size_t comma = line.find(',', from);
            fields.push_back(Unquote(
                line.substr(from, comma == std::string::npos ? std::string::npos : comma - from)));
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
        const std::string name = fields.size() > 1 ? fields[1] : std::string();
        TScenario* scenario = project.Scenarios().FindScenario(name);
        if (!scenario) throw ETaskListError(Format("Scenario <%s> not found", {name}));
        const std::string& code = fields[0];
        int flag = 0;
        if (code == "PATHS")
            flag = sfPathSearch;
        else if (code == "KELVA")
            flag = sfAssignment;
        else if (code == "KELVA /I")
            flag = sfInitialAssignment;
        else if (code == "SEB")
            flag = sfLocation;
        else if (code == "WRIN")
            flag = sfFixedLocation;
        else
            throw ETaskListError("Unkon task: \"" + code + "\"");
        AddStages(*scenario, flag);
    }
}

std::vector<std::string> TModelRunner::CommandLines() {
    Sort();
    std::vector<std::string> lines;
    std::set<const TScenario*> generated;
    std::size_t previousTaskBegin = 0;
    for (const auto& task : tasks_) {
        if (generated.insert(task->Scenario()).second) ScenarioStep(*project_, *task->Scenario());
        const std::size_t begin = lines.size();
        task->AppendCommands(lines, previousTaskBegin);
        previousTaskBegin = begin;
    }
    return lines;
}

void TModelRunner::Run(const TProgressHandler& progress, const TOutputHandler& output) {
    RunCommandLines(CommandLines(), progress, output);
}

void TModelRunner::RunCommandLines(const std::vector<std::string>& lines,
                                   const TProgressHandler& progress,
                                   const TOutputHandler& output) const {
    const fs::path projectDir = ProjectDirectory(*project_);
    std::string batch;
    for (const std::string& line : lines) {
        if (!batch.empty()) batch += "\r\n";
        batch += line;
    }
    ReplaceFileContent((projectDir / "zep_batch.bat").string(), batch);

    std::string directory = programDirectory.empty() ? ProgramDirectory() : programDirectory;
    if (!EndsWithSeparator(directory)) directory += '/';
    TRunRecord record(*project_, projectDir.string());
    // The record is written however the run ends: it is what tells a planner which files the
    // completed programs made.
    struct TWriteRecord {
        TRunRecord& record;
        ~TWriteRecord() {
            try {
                record.Save();
            } catch (...) {
            }
        }
    } writeRecord{record};

    const int n = static_cast<int>(lines.size());
    for (int i = 0; i < n; ++i) {
        if (progress) progress(i, n);
        std::string commandLine = lines[static_cast<std::size_t>(i)];
        const std::string first = SplitCommandLine(commandLine).empty()
                                      ? std::string()
                                      : SplitCommandLine(commandLine)[0];
        if (first.find('/') == std::string::npos) commandLine = directory + commandLine;
        output(commandLine);
        TRunRecord::TEntry& entry = record.Begin(commandLine);
        int code = -1;
        try {
            code = RunChild(Argv(commandLine), projectDir, output, idleHandler, terminateGrace);
        } catch (const std::exception& e) {
            record.End(entry, std::nullopt, e.what());
            throw;
        }
        record.End(entry, code, code == 0 ? "" : "FAILED");
        if (code != 0) throw EChildProcessException("FAILED: " + commandLine);
    }
    if (progress) progress(100, 100);
    if (compressOutput) CompressPathFiles(projectDir.string());
}

// ---- The execution window's rules ----------------------------------------------------------

int BatchFlags(const TStageChoice& c, bool baseScenario, bool withSectors) {
    int flags = 0;
    if (c.allPrograms) {
        flags = sfPathSearch | sfInitialAssignment | sfLocation | sfAssignment;
    } else {
        if (c.pathSearch) flags |= sfPathSearch;
        if (c.location) flags |= c.fixedTransportables ? sfFixedLocation : sfLocation;
        if (c.assignment) flags |= sfAssignment;
        if (baseScenario && c.initialAssignment) flags |= sfInitialAssignment;
    }
    if (!withSectors) flags &= ~(sfInitialAssignment | sfLocation | sfFixedLocation);
    return flags;
}

void TOutputMemo::Add(const std::string& line) {
    std::size_t end = line.size();
    while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\r' || line[end - 1] == '\n'))
        --end;
    if (lines_.empty()) lines_.emplace_back();
    lines_.back() = line.substr(0, end);
    // A finished line stays; the next output opens a line of its own. (Repeating the finished
    // text as the open line, as the window once did, left the last line shown twice.)
    if (!line.empty() && line.back() == '\n') lines_.emplace_back();
}

// ---- Program files --------------------------------------------------------------------------

std::string ProgramDirectory() {
    std::string directory;
    try {
        if (const char* env = std::getenv("VARDEN_PATH"); env && *env) {
            directory = env;
        } else {
            directory = "/opt/VARDEN";
            fs::path config;
            if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
                config = xdg;
            else if (const char* home = std::getenv("HOME"); home && *home)
                config = fs::path(home) / ".config";
            std::ifstream ini(config / "Okkerwald" / "VARDEN.ini");
            bool inSection = false;
            for (std::string line; std::getline(ini, line);) {
                line = Trim(line);
                if (!line.empty() && line.front() == '[') {
                    inSection = UpperCase(line) == "[VARDEN]";
                } else if (inSection && line.rfind("Path=", 0) == 0) {
                    directory = Trim(line.substr(5));
                    break;
                }
            }
            if (!directory.empty()) directory += "/bin/";
        }
    } catch (...) {
        // The value reached so far serves.
    }
    if (!directory.empty() && !EndsWithSeparator(directory)) directory += '/';
    return directory;
}

std::string FindProgram(const std::string& directory, const std::string& fileName) {
    std::vector<std::string> names = {fileName};
    const std::string upper = UpperCase(fileName);
    if (upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".EXE") == 0)
        names.push_back(fileName.substr(0, fileName.size() - 4));
    std::vector<std::string> candidates;
    for (const std::string& name : names) {
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        for (const std::string& form : {name, UpperCase(name), lower})
            if (std::find(candidates.begin(), candidates.end(), form) == candidates.end())
                candidates.push_back(form);
    }
    for (const std::string& name : candidates) {
        const fs::path path = directory.empty() ? fs::path(name) : fs::path(directory) / name;
        std::error_code ec;
        if (fs::is_regular_file(path, ec)) return path.string();
    }
    return {};
}

std::vector<std::string> CompressPathFiles(const std::string& directory) {
    return CompressFiles(directory + "/**/*.P?S");
}

std::vector<std::string> DecompressPathFiles(const std::string& directory,
                                             const std::string& scenario) {
    // The compressed forms of the scenario's *.P?S files: a final "Z", or ".gz" appended.
    std::vector<std::string> restored = DecompressFiles(directory + "/**/*" + scenario + "*.P?Z");
    for (const std::string& f : DecompressFiles(directory + "/**/*" + scenario + "*.P?S.gz"))
        restored.push_back(f);
    return restored;
}

} // namespace zep::modelio
