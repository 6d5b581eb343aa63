#include "modelio/OrvProcesses.h"

#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zep::modelio {

namespace {

std::string SystemError(int error) {
    return std::strerror(error);
}

} // namespace

// ---- Lines ----------------------------------------------------------------------------------

void TLineSplitter::Feed(const char* data, std::size_t size, const TOutputHandler& emit) {
    const char* p = data;
    const char* end = data + size;
    if (p < end && pendingCR_) {
        pendingCR_ = false;
        if (*p == '\n') {
            line_ += "\r\n";
            ++p;
        } else {
            line_ += '\r';
        }
        emit(line_);
        line_.clear();
    }
    while (p < end) {
        // Whole runs of text between line ends are copied at once: a busy program prints
        // millions of lines and a call per character would cost more than the program.
        const char* stop = p;
        while (stop < end && *stop != '\n' && *stop != '\r')
            ++stop;
        line_.append(p, stop);
        if (stop == end) break;
        if (*stop == '\n') {
            line_ += '\n';
            emit(line_);
            line_.clear();
            p = stop + 1;
            continue;
        }
        // A CR: what follows decides, and it may come with the next block.
        if (stop + 1 == end) {
            pendingCR_ = true;
            break;
        }
        if (stop[1] == '\n') {
            line_ += "\r\n";
            p = stop + 2;
        } else {
            line_ += '\r';
            p = stop + 1;
        }
        emit(line_);
        line_.clear();
    }
}

void TLineSplitter::Finish(const TOutputHandler& emit) {
    if (pendingCR_) {
        pendingCR_ = false;
        line_ += '\r';
    }
    if (!line_.empty()) {
        std::string last;
        last.swap(line_);
        emit(last);
    }
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    std::string arg;
    bool inArg = false, quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inArg = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArg) args.push_back(arg);
            arg.clear();
            inArg = false;
        } else {
            arg += c;
            inArg = true;
        }
    }
    if (inArg) args.push_back(arg);
    return args;
}

// ---- The child ------------------------------------------------------------------------------

TChildProcess::TChildProcess() = default;

TChildProcess::~TChildProcess() {
    try {
        if (pid_ > 0 && !reaped_) Terminate();
    } catch (...) {
    }
    CloseOutput();
}

void TChildProcess::CloseOutput() {
    if (output_ >= 0) ::close(output_);
    output_ = -1;
}

void TChildProcess::Start(const std::vector<std::string>& argv) {
    if (pid_ > 0) throw EChildProcessException("CreateProcess:the child process runs already");
    if (argv.empty()) throw EChildProcessException("CreateProcess:" + SystemError(ENOENT));
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw EChildProcessException("CreatePipe:" + SystemError(errno));

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    if (!workingDirectory_.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory_.c_str());
    // A group of its own: Terminate reaches everything the program started, and a Ctrl-C at
    // the terminal goes to the shell, which decides what to cancel.
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                        POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const bool searchPath = argv[0].find('/') == std::string::npos;
    const int rc = searchPath ? posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ)
                              : posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        throw EChildProcessException("CreateProcess:" + SystemError(rc));
    }
    pid_ = pid;
    output_ = fds[0];
    eof_ = false;
    terminated_ = false;
    reaped_ = false;
}

void TChildProcess::PumpOutput(const TOutputHandler& handler) {
    TLineSplitter splitter;
    char buffer[65536];
    while (output_ >= 0 && !terminated_) {
        if (idle_) {
            pollfd p{output_, POLLIN, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(idleInterval_.count()));
            if (ready < 0 && errno != EINTR)
                throw EChildProcessException("ReadFile:" + SystemError(errno));
            if (ready <= 0) {
                idle_();
                continue;
            }
        }
        const ssize_t n = ::read(output_, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                if (idle_) idle_();
                continue;
            }
            throw EChildProcessException("ReadFile:" + SystemError(errno));
        }
        if (n == 0) {
            eof_ = true;
            break;
        }
        splitter.Feed(buffer, static_cast<std::size_t>(n), handler);
    }
    if (eof_) splitter.Finish(handler);
}

bool TChildProcess::Reap(bool block) {
    if (reaped_) return true;
    for (;;) {
        const pid_t r = ::waitpid(pid_, &status_, block ? 0 : WNOHANG);
        if (r == pid_) {
            reaped_ = true;
            return true;
        }
        if (r == 0) return false;
        if (errno == EINTR) continue;
        throw EChildProcessException(SystemError(errno));
    }
}

int TChildProcess::WaitForExit() {
    if (pid_ <= 0) throw EChildProcessException(SystemError(ECHILD));
    Reap(true);
    if (WIFEXITED(status_)) return WEXITSTATUS(status_);
    if (WIFSIGNALED(status_)) return 128 + WTERMSIG(status_);
    return -1;
}

void TChildProcess::Terminate() {
    terminated_ = true;
    if (pid_ <= 0) return;
    if (!reaped_) {
        ::kill(-pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + grace_;
        while (!Reap(false) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Whatever of the group outlived the program (or ignored SIGTERM) goes now.
    ::kill(-pid_, SIGKILL);
    Reap(true);
    CloseOutput();
}

} // namespace zep::modelio
