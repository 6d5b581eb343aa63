// The run record zep_run.json written beside zep_batch.bat: for every command line of a run its
// start and end time, exit code, and the SHA-256 of each input file it was given and each
// result file present afterwards, so that a result can be traced to what produced it.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>

namespace zep::model {
class TProject;
}

namespace zep::modelio {

class TRunRecord {
public:
    struct TEntry {
        std::string commandLine;
        std::string start, end; // UTC, ISO 8601 with milliseconds
        std::optional<int> exitCode;
        std::string failure;                                // empty when the program succeeded
        std::map<std::string, std::string> inputs, results; // relative name -> digest
    };

    TRunRecord(const model::TProject& project, std::string projectDirectory);
    /// Fingerprints the command's inputs and notes its start.
    TEntry& Begin(const std::string& commandLine);
    /// Notes the end, the exit code (none when the program did not run to its end) and the
    /// results present now.
    void End(TEntry& entry, std::optional<int> exitCode, const std::string& failure);
    /// Writes zep_run.json in the project directory.
    void Save() const;
    const std::deque<TEntry>& Entries() const { return entries_; }

private:
    const model::TProject& project_;
    std::string directory_;
    std::string started_;
    std::deque<TEntry> entries_;
};

/// Escapes text for a JSON string (without the quotes).
std::string JsonEscape(const std::string& text);

} // namespace zep::modelio
