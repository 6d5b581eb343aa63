// zep-cli run: generates the input files of the scenarios concerned and runs the model
// programs of a task list, relaying their output as it comes; Ctrl-C ends the running program
// and stops the run.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "foundation/Format.h"
#include "foundation/OrvMessages.h"
#include "model/Project.h"
#include "modelio/ProgramExecution.h"

namespace zep::cli {
namespace {

const char* const kSynopsis =
    "run PROJECT (--task CODE,SCENARIO)... | --tasks FILE.zepbat [--compress]";

volatile std::sig_atomic_t g_cancel = 0;
void OnSignal(int) {
    g_cancel = 1;
}

void CheckCancel() {
    if (g_cancel) throw modelio::EAbort("canceled");
}

// One line of child output on standard output. A line ended by a bare CR (a counter) is
// redrawn in place on a terminal and dropped elsewhere, where only finished lines matter.
class TRelay {
public:
    TRelay() : terminal_(::isatty(STDOUT_FILENO) == 1) {}
    void operator()(const std::string& line) {
        CheckCancel();
        std::size_t end = line.size();
        while (end > 0 && (line[end - 1] == '\n' || line[end - 1] == '\r'))
            --end;
        const bool overwrite = !line.empty() && line.back() == '\r';
        std::string text;
        text.reserve(end);
        for (std::size_t i = 0; i < end; ++i) {
            const auto c = static_cast<unsigned char>(line[i]);
            // Control bytes of a program gone wrong must not drive the terminal.
            text += (c < 0x20 && c != '\t') || c == 0x7F ? '?' : static_cast<char>(c);
        }
        if (overwrite) {
            if (terminal_) {
                std::fprintf(stdout, "\r\033[K%s", text.c_str());
                std::fflush(stdout);
                open_ = true;
            }
            return;
        }
        if (open_ && terminal_) std::fputs("\r\033[K", stdout);
        open_ = false;
        text += '\n';
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    void Finish() {
        if (open_) std::fputc('\n', stdout);
        std::fflush(stdout);
    }

private:
    bool terminal_;
    bool open_ = false;
};

int Run(const std::vector<std::string>& args) {
    std::string projectFile, tasksFile;
    std::string tasksText;
    bool compress = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--task" || a == "--tasks") && i + 1 < args.size()) {
            if (a == "--task") {
                // "CODE,SCENARIO": the task list's own line form.
                tasksText += args[++i] + "\r\n";
            } else {
                tasksFile = args[++i];
            }
        } else if (a == "--compress") {
            compress = true;
        } else if (a.rfind("--", 0) == 0 || !projectFile.empty()) {
            throw EUsageError(std::string("usage: zep-cli ") + kSynopsis);
        } else {
            projectFile = a;
        }
    }
    if (projectFile.empty() || (tasksText.empty() == tasksFile.empty()))
        throw EUsageError(std::string("usage: zep-cli ") + kSynopsis);
    if (!tasksFile.empty()) {
        std::ifstream in(tasksFile, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "zep-cli: cannot read the task list \"%s\"\n", tasksFile.c_str());
            return 1;
        }
        std::ostringstream s;
        s << in.rdbuf();
        tasksText = s.str();
    }

    TStudy project = OpenStudy(projectFile);
    modelio::TModelRunner runner(*project);
    runner.LoadTasksText(*project, tasksText);
    if (runner.TaskCount() == 0) {
        std::fprintf(stderr, "zep-cli: the task list holds no task\n");
        return 1;
    }
    runner.compressOutput = compress;
    runner.idleHandler = CheckCancel;

    g_cancel = 0;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction oldInt {
    }, oldTerm{};
    sigaction(SIGINT, &action, &oldInt);
    sigaction(SIGTERM, &action, &oldTerm);
    struct TRestore {
        struct sigaction& i;
        struct sigaction& t;
        ~TRestore() {
            sigaction(SIGINT, &i, nullptr);
            sigaction(SIGTERM, &t, nullptr);
        }
    } restore{oldInt, oldTerm};

    TRelay relay;
    int commands = 0;
    try {
        runner.Run(
            [&](int index, int count) {
                if (index == 100 && count == 100) {
                    EndProgress();
                    return;
                }
                commands = count;
                ShowProgress(Format("Running program %d of %d", {index + 1, count}),
                             count > 0 ? static_cast<double>(index) / count : 1.0);
            },
            [&](const std::string& line) { relay(line); });
    } catch (...) {
        relay.Finish();
        EndProgress();
        throw;
    }
    relay.Finish();
    std::printf("ran %d programs for %zu tasks\n", commands, runner.TaskCount());
    return 0;
}

VerbRegistrar reg(65,
                  {"run", "PROJECT (--task CODE,SCENARIO)... | --tasks FILE.zepbat [--compress]",
                   "generate the input files and run the model programs of the tasks", Run});

} // namespace
} // namespace zep::cli
