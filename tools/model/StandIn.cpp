// A stand-in for the VARDEN model programs GRAVO, KELVA, DUVA, WRIN, SEB, MARO, RAPSEB and
// RAPKEL, for the demo and the tests: started as "NAME SCENARIO [ARGS]" in the project
// directory, it checks that the scenario's input files exist, prints progress (a counter that
// rewrites its line with a bare CR), writes the result files the Makefile names and exits 0.
//
// ZEP_STANDIN_FAULT makes a program misbehave: a comma-separated list of PROGRAM[/SCENARIO]:KIND
// with KIND one of fail (exit 1), garbage (random printable text), binary (every byte value,
// NUL included), hang (print a line, then wait forever), stubborn (as hang, ignoring SIGTERM),
// killed (end by SIGKILL). For example ZEP_STANDIN_FAULT=MARO/01A:fail.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "AssignmentFile.h"
#include "ModelResults.h"
#include "files/PrjFile.h"
#include "foundation/CodePages.h"
#include "foundation/FileCompression.h"
#include "foundation/Format.h"
#include "model/Mode.h"
#include "model/Project.h"
#include "model/SCENARIO.h"
#include "modelio/ModelPrograms.h"
#include "modelio/ZEPASCII.h"

namespace fs = std::filesystem;
using namespace zep;
using namespace zep::modelio;

namespace {

std::string g_program;

int Fail(const std::string& message) {
    std::printf("%s: %s\n", g_program.c_str(), message.c_str());
    std::fflush(stdout);
    return 1;
}

// The fault asked for this program and scenario, or "".
std::string FaultFor(const std::string& scenario) {
    const char* env = std::getenv("ZEP_STANDIN_FAULT");
    if (!env) return {};
    std::string list = env;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        const std::string item = list.substr(start, comma - start);
        start = comma + 1;
        const std::size_t colon = item.find(':');
        if (colon == std::string::npos) continue;
        std::string who = UpperCase(item.substr(0, colon));
        std::string only;
        if (const std::size_t slash = who.find('/'); slash != std::string::npos) {
            only = item.substr(slash + 1, colon - slash - 1);
            who.resize(slash);
        }
        if (who == g_program && (only.empty() || only == scenario)) return item.substr(colon + 1);
    }
    return {};
}

// Little-endian writers for the binary result files.
void Put(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Data lines of a section of a model input file: the lines after `heading` and its column
// titles up to the section end line.
std::vector<std::string> SectionLines(const TLines& lines, const std::string& heading) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (Trim(lines[i]).rfind(heading, 0) != 0) continue;
        for (std::size_t j = i + 2; j < lines.size() && lines[j].rfind("*", 0) != 0; ++j)
            out.push_back(lines[j]);
        break;
    }
    return out;
}

std::int64_t FirstNumber(const std::string& line, int column = 0) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        std::size_t end = line.find(' ', i);
        if (end == std::string::npos) end = line.size();
        if (end > i) words.push_back(line.substr(i, end - i));
        i = end;
    }
    return column < static_cast<int>(words.size()) ? std::atoll(words[column].c_str()) : 0;
}

// An assignment result file of format 3 (study record and scenario table), current scenario
// `scenario`.
std::string AssignmentFile(const TCtlStudy& study, const std::string& description,
                           const std::string& scenario) {
    std::string b;
    Put(b, 6, 2);
    Put(b, 8, 2);
    Put(b, 1, 2);
    Put(b, 3, 4);
    std::string record(188, '\0');
    const std::string code = AnsiToOem(study.projectName.substr(0, 3));
    record.replace(22, code.size(), code);
    const std::string name = AnsiToOem(description.substr(0, 80));
    record.replace(25, name.size(), name);
    b += record;
    const auto n = static_cast<std::int32_t>(study.scenarios.size());
    Put(b, static_cast<std::uint32_t>(n), 4);
    Put(b, static_cast<std::uint32_t>(-n), 4);
    std::int32_t current = 1;
    for (std::int32_t i = 0; i < n; ++i) {
        const auto& [s, parent] = study.scenarios[static_cast<std::size_t>(i)];
        std::int32_t parentNumber = 0;
        for (std::int32_t k = 0; k < i; ++k)
            if (study.scenarios[static_cast<std::size_t>(k)].first == parent) parentNumber = k + 1;
        if (s == scenario) current = i + 1;
        Put(b, static_cast<std::uint32_t>(i + 1), 4);
        Put(b, static_cast<std::uint32_t>(parentNumber), 4);
        std::string field(6, '\0');
        field[0] = static_cast<char>(std::min<std::size_t>(s.size(), 5));
        field.replace(1, std::min<std::size_t>(s.size(), 5), s.substr(0, 5));
        b += field;
        b += std::string(32, '\0');
    }
    Put(b, static_cast<std::uint32_t>(n), 4);
    Put(b, static_cast<std::uint32_t>(current), 4);
    return b;
}

// The project file in the working directory: the only one, or the one named by the study code.
std::string ProjectFile(const std::string& projectName) {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator("."))
        for (const char* ext : {".zpz", ".zep"})
            if (e.is_regular_file() && UpperCase(e.path().extension().string()) == UpperCase(ext))
                found.push_back(e.path());
    if (found.size() == 1) return found[0].string();
    for (const fs::path& f : found)
        if (UpperCase(f.stem().string()) == UpperCase(NameCode(projectName))) return f.string();
    return {};
}

void Misbehave(const std::string& fault) {
    if (fault == "garbage") {
        std::mt19937 random(42);
        for (int line = 0; line < 200; ++line) {
            std::string text;
            for (int i = 0; i < 1 + static_cast<int>(random() % 300); ++i)
                text += static_cast<char>(33 + random() % 94);
            std::printf("%s%s", text.c_str(), line % 3 ? "\n" : "\r");
        }
    } else if (fault == "binary") {
        std::string bytes;
        for (int round = 0; round < 64; ++round)
            for (int c = 0; c < 256; ++c)
                bytes.push_back(static_cast<char>(c));
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        std::printf("\n");
    } else if (fault == "hang" || fault == "stubborn") {
        if (fault == "stubborn") std::signal(SIGTERM, SIG_IGN);
        std::printf("%s: waiting\n", g_program.c_str());
        std::fflush(stdout);
        for (;;)
            pause();
    } else if (fault == "killed") {
        std::fflush(stdout);
        raise(SIGKILL);
    }
}

} // namespace

int main(int argc, char** argv) {
    g_program = UpperCase(fs::path(argv[0]).filename().string());
    if (g_program.size() > 4 && g_program.compare(g_program.size() - 4, 4, ".EXE") == 0)
        g_program.resize(g_program.size() - 4);
    if (argc < 2) {
        std::printf("usage: %s SCENARIO [ARGUMENTS]\n", g_program.c_str());
        return 2;
    }
    const std::string scenario = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    std::printf("%s %s (stand-in for the VARDEN model program)\n", g_program.c_str(),
                scenario.c_str());

    const std::string fault = FaultFor(scenario);
    if (fault == "fail") return Fail("failing as asked by ZEP_STANDIN_FAULT");
    if (!fault.empty()) Misbehave(fault);

    if (!fs::exists("W_VARDEN.CTL")) return Fail("W_VARDEN.CTL not found in the working directory");
    TCtlStudy study;
    try {
        study = ParseCTL(ReadLines("W_VARDEN.CTL"));
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    const std::string* parent = study.ParentOf(scenario);
    if (!parent) return Fail("scenario " + scenario + " is not in W_VARDEN.CTL");
    const TProgramFiles files = ProgramFiles(g_program, study.projectName, scenario, *parent, args);
    if (files.inputs.empty() && files.results.empty())
        return Fail("unknown program (the stand-in answers to GRAVO, KELVA, DUVA, WRIN, SEB, "
                    "MARO, RAPSEB and RAPKEL)");
    for (const std::string& input : files.inputs)
        if (!fs::exists(input)) return Fail("missing input file " + input);

    const int steps = 5;
    for (int step = 1; step <= steps; ++step) {
        std::printf("  %s %d of %d\r", g_program.c_str(), step, steps);
        std::fflush(stdout);
    }
    std::printf("\n");

    for (const std::string& result : files.results) {
        if (result.find('?') != std::string::npos) continue; // the path files, below
        std::string text = g_program + " " + scenario + " stand-in result\r\n";
        for (const std::string& input : files.inputs)
            text += "input " + input + "\r\n";
        WriteBytes(result, text);
        std::printf("written %s\n", result.c_str());
    }
    if (g_program == "GRAVO") {
        const std::string z1e = InputFileName("", study.projectName, nullptr, "W_", true, "Z1E");
        const TLines zoneLines = ReadLines(z1e);
        const auto zones = static_cast<std::int32_t>(SectionLines(zoneLines, "1.0 ").size() +
                                                     SectionLines(zoneLines, "3.0 ").size());
        const TLines p0e =
            ReadLines(InputFileName("", study.projectName, &scenario, "W_", true, "P0E"));
        const auto modes = static_cast<int>(SectionLines(p0e, "2.1 ").size());
        std::set<std::int64_t> nodes;
        for (const char* section : {"2.0 MODIFIED", "3.0 "})
            for (const std::string& line : SectionLines(
                     ReadLines(InputFileName("", study.projectName, &scenario, "W_", true, "P1E")),
                     section)) {
                nodes.insert(FirstNumber(line, 0));
                nodes.insert(FirstNumber(line, 1));
            }
        // Real least-cost paths when the study's project file is at hand, computed by the
        // shell's own search; otherwise files of the right layout holding no paths.
        std::unique_ptr<model::TProject> project;
        const model::TScenario* s = nullptr;
        try {
            const std::string projectFile = ProjectFile(study.projectName);
            if (!projectFile.empty()) project = files::OpenProject(projectFile);
            if (project) s = project->Scenarios().FindScenario(scenario);
        } catch (const std::exception& e) {
            std::printf("%s: %s; the path files hold no paths\n", g_program.c_str(), e.what());
            project.reset();
        }
        const std::string empty = standin::EmptyPathFileBytes(nodes.size(), std::size_t(zones));
        for (int m = 0; m < modes; ++m) {
            const std::string name = PathFileName(study.projectName, scenario, m);
            const bool search = project && s && m < static_cast<int>(project->Modes().Count());
            WriteBytes(name, search ? standin::PathFileBytes(*project, *s,
                                                             *project->Modes().Get(std::size_t(m)))
                                    : empty);
            std::printf("written %s%s\n", name.c_str(), search ? "" : " (no paths)");
        }
    }
    if (g_program == "KELVA" && !args.empty() && UpperCase(args[0]) == "-N") {
        const std::string name = InputFileName("", study.projectName, &scenario, "", true, "T3S");
        std::string bytes;
        // The whole network of the scenario from the project file, every link-route carrying
        // the exogenous trips loaded all-or-nothing on the least-cost paths.
        try {
            const std::string projectFile = ProjectFile(study.projectName);
            if (projectFile.empty()) throw std::runtime_error("no project file in the directory");
            std::unique_ptr<model::TProject> project = files::OpenProject(projectFile);
            const model::TScenario* s = project->Scenarios().FindScenario(scenario);
            if (!s) throw std::runtime_error("the project file has no scenario " + scenario);
            const auto volumes = standin::AllOrNothingVolumes(*project, *s);
            bytes = standin::AssignmentFileBytes(*project, *s, [&](const model::TLinkRoute& lr) {
                auto it = volumes.find(&lr);
                return it == volumes.end() ? 0.0 : it->second;
            });
        } catch (const std::exception& e) {
            std::printf("%s: %s; the assignment file holds the scenarios only\n", g_program.c_str(),
                        e.what());
            bytes = AssignmentFile(study, study.projectName, scenario);
        }
        WriteBytes(name, bytes);
        std::printf("written %s\n", name.c_str());
    }
    std::printf("%s %s done\n", g_program.c_str(), scenario.c_str());
    return 0;
}
