#include "modelio/RunRecord.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "foundation/CodePages.h"
#include "foundation/FileCompression.h"
#include "foundation/Format.h"
#include "foundation/ORVFiles.h"
#include "model/Project.h"
#include "model/SCENARIO.h"
#include "modelio/ModelPrograms.h"
#include "modelio/OrvProcesses.h"
#include "modelio/Sha256.h"

namespace zep::modelio {

namespace fs = std::filesystem;

namespace {

std::string Now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(ms));
    return text;
}

struct TCommand {
    std::string program, scenario;
    std::vector<std::string> args;
};

TCommand Parse(const std::string& commandLine) {
    TCommand c;
    std::vector<std::string> argv = SplitCommandLine(commandLine);
    if (argv.empty()) return c;
    c.program = UpperCase(fs::path(argv[0]).filename().string());
    if (c.program.size() > 4 && c.program.compare(c.program.size() - 4, 4, ".EXE") == 0)
        c.program.resize(c.program.size() - 4);
    if (argv.size() > 1) c.scenario = argv[1];
    c.args.assign(argv.begin() + std::min<std::ptrdiff_t>(2, std::ssize(argv)), argv.end());
    return c;
}

std::string JsonMap(const std::map<std::string, std::string>& map) {
    std::string out = "{";
    bool first = true;
    for (const auto& [name, digest] : map) {
        out += first ? "" : ", ";
        first = false;
        out += "\"" + JsonEscape(name) +
               "\": " + (digest.empty() ? std::string("null") : "\"" + digest + "\"");
    }
    return out + "}";
}

} // namespace

std::string JsonEscape(const std::string& text) {
    // Names are Windows-1252 like every text of the study; JSON wants UTF-8.
    const std::string utf8 = AnsiToUtf8(text);
    std::string out;
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

TRunRecord::TRunRecord(const model::TProject& project, std::string projectDirectory)
    : project_(project), directory_(std::move(projectDirectory)), started_(Now()) {}

TRunRecord::TEntry& TRunRecord::Begin(const std::string& commandLine) {
    TEntry& e = entries_.emplace_back();
    e.commandLine = commandLine;
    const TCommand c = Parse(commandLine);
    const model::TScenario* s = project_.Scenarios().FindScenario(c.scenario);
    const std::string parent = s && s->Parent() ? s->Parent()->GetName() : std::string();
    for (const std::string& name :
         ProgramFiles(c.program, project_.GetName(), c.scenario, parent, c.args).inputs) {
        const fs::path path = fs::path(directory_) / name;
        e.inputs[name] = fs::exists(path) ? FileSha256(path.string()) : std::string();
    }
    e.start = Now();
    return e;
}

void TRunRecord::End(TEntry& e, std::optional<int> exitCode, const std::string& failure) {
    e.end = Now();
    e.exitCode = exitCode;
    e.failure = failure;
    const TCommand c = Parse(e.commandLine);
    const model::TScenario* s = project_.Scenarios().FindScenario(c.scenario);
    const std::string parent = s && s->Parent() ? s->Parent()->GetName() : std::string();
    for (const std::string& name :
         ProgramFiles(c.program, project_.GetName(), c.scenario, parent, c.args).results) {
        for (const std::string& path : MatchingFiles((fs::path(directory_) / name).string()))
            e.results[fs::relative(path, directory_).string()] = FileSha256(path);
    }
}

void TRunRecord::Save() const {
    std::string json = "{\n  \"project\": \"" + JsonEscape(project_.FileName()) + "\",\n";
    json += "  \"directory\": \"" + JsonEscape(directory_) + "\",\n";
    json += "  \"started\": \"" + started_ + "\",\n  \"commands\": [";
    bool first = true;
    for (const TEntry& e : entries_) {
        json += first ? "\n" : ",\n";
        first = false;
        json += "    {\"command\": \"" + JsonEscape(e.commandLine) + "\",\n";
        json += "     \"start\": \"" + e.start + "\", \"end\": \"" + e.end + "\",\n";
        json += "     \"exit_code\": " +
                (e.exitCode ? std::to_string(*e.exitCode) : std::string("null")) + ",";
        json += " \"failure\": " +
                (e.failure.empty() ? std::string("null") : "\"" + JsonEscape(e.failure) + "\"") +
                ",\n";
        json += "     \"inputs\": " + JsonMap(e.inputs) + ",\n";
        json += "     \"results\": " + JsonMap(e.results) + "}";
    }
    json += "\n  ]\n}\n";
    ReplaceFileContent((fs::path(directory_) / "zep_run.json").string(), json);
}

} // namespace zep::modelio
