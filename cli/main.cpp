// zep-cli: the batch front end.
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Verbs.h"
#include "foundation/OrvLogging.h"
#include "foundation/SafeSave.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The log goes beside the program, as for the desktop application; "debug" raises the level.
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) zep::ConfigureLogging((exe.parent_path() / "VARDEN.LOG").string(), args);
    // An interrupted save removes its temporary file; the old file was never touched.
    zep::InstallSaveInterruptCleanup();
    // The process ends after its verb: its studies need no teardown.
    zep::cli::LeaveStudiesToProcessExit();
    return zep::cli::RunCli(args);
}
