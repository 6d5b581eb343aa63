// Child processes whose console output is read line by line: the model programs run through
// them. On Linux a child gets one pipe for standard output and error and its own process
// group, so that ending it also ends whatever it started.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "foundation/Exception.h"

namespace zep::modelio {

/// A child process could not be created, waited for or read, or ended with a failure.
ZEP_DECLARE_EXCEPTION(EChildProcessException, Exception);

/// Receives one line of child output with its end characters ("\n", "\r\n" or "\r"; none for
/// a last line without end). May throw to stop reading.
using TOutputHandler = std::function<void(const std::string& line)>;

/// Splits bytes into lines the way a console shows them: a line ends at LF; CR LF ends it
/// after both; a CR followed by anything else ends it too, and that character starts the next
/// line (a progress counter that rewrites its line).
class TLineSplitter {
public:
    /// Passes every line completed by `data` to `emit`.
    void Feed(const char* data, std::size_t size, const TOutputHandler& emit);
    /// Passes what is left at the end of the output (a pending CR, a line without end).
    void Finish(const TOutputHandler& emit);

private:
    std::string line_;
    bool pendingCR_ = false;
};

/// Splits a command line at blanks; double quotes group blanks into one argument.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

/// One child process and the read end of its output pipe. Destroying it ends the process
/// (Terminate) when it still runs and reaps it, so no child outlives its object.
class TChildProcess {
public:
    TChildProcess();
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    /// The directory the child starts in (empty: the parent's).
    void SetWorkingDirectory(std::string dir) { workingDirectory_ = std::move(dir); }
    /// How long Terminate waits after SIGTERM before it sends SIGKILL.
    void SetGracePeriod(std::chrono::milliseconds grace) { grace_ = grace; }
    /// Called while the child prints nothing, every `interval`; may throw to stop reading
    /// (a cancel that must not wait for the next line).
    void SetIdleHandler(std::function<void()> handler,
                        std::chrono::milliseconds interval = std::chrono::milliseconds(200)) {
        idle_ = std::move(handler);
        idleInterval_ = interval;
    }

    /// Starts `argv[0]` (a path, or a name looked up in PATH) with the arguments. Standard
    /// input is /dev/null: a program in a process group of its own must not read the
    /// terminal. Raises EChildProcessException "CreatePipe:" or "CreateProcess:" followed by
    /// the system's error text.
    void Start(const std::vector<std::string>& argv);
    /// Start with the command line split by SplitCommandLine.
    void Start(const std::string& commandLine) { Start(SplitCommandLine(commandLine)); }

    /// Reads the output until its end, passing each line to `handler`. An exception from a
    /// handler passes through (the destructor then ends the child). A failing read raises
    /// EChildProcessException "ReadFile:" followed by the system's error text.
    void PumpOutput(const TOutputHandler& handler);
    /// Waits for the child and answers its exit code; a child killed by signal N answers
    /// 128 + N, so that it counts as failed.
    int WaitForExit();
    /// Whether the output has ended.
    bool Eof() const { return eof_; }
    /// Ends the child's process group: SIGTERM, then SIGKILL after the grace period; reaps
    /// the child. Reading stops.
    void Terminate();
    bool Terminated() const { return terminated_; }
    pid_t Pid() const { return pid_; }

private:
    void CloseOutput();
    bool Reap(bool block);

    std::string workingDirectory_;
    std::chrono::milliseconds grace_{2000};
    std::function<void()> idle_;
    std::chrono::milliseconds idleInterval_{200};
    pid_t pid_ = -1;
    int output_ = -1;
    bool eof_ = false;
    bool terminated_ = false;
    bool reaped_ = false;
    int status_ = 0;
};

} // namespace zep::modelio
