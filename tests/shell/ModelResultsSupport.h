// The sample study run through the stand-in model programs once per test program: its
// scenario 01A's assignment file and path files, opened in the window as model output. The
// car mode's path file is rewritten with every path twice (the copy with a longer turn delay),
// so that every pair has more than one path to step through.
#pragma once

#include <filesystem>
#include <string>

#include "ShellTestSupport.h"
#include "analysis/PathFile.h"
#include "foundation/Stream.h"
#include "model/Zone.h"
#include "modelio/ProgramExecution.h"

namespace zep::shell::test {

/// The directory of the run (made on first use, removed at exit).
inline const std::filesystem::path& ModelResultsDir() {
    static const std::filesystem::path dir = [] {
        namespace fs = std::filesystem;
        const fs::path d =
            fs::temp_directory_path() / ("zep-shell-results-" + std::to_string(::getpid()));
        fs::remove_all(d);
        fs::create_directories(d);
        model::TProject p;
        model::BuildSampleStudy(p);
        p.SetFileName((d / "EXA.zpz").string());
        files::SaveProject((d / "EXA.zpz").string(), p);
        TNullMessageHandler quiet;
        ScopedMessageHandler scope(quiet);
        modelio::TModelRunner runner(p);
        runner.programDirectory = std::string(ZEP_BIN_DIR) + "/model/";
        runner.LoadTasksText(p, "\"PATHS\",\"00A\"\r\n\"KELVA /I\",\"00A\"\r\n\"SEB\",\"00A\"\r\n"
                                "\"KELVA\",\"00A\"\r\n\"PATHS\",\"01A\"\r\n\"SEB\",\"01A\"\r\n"
                                "\"KELVA\",\"01A\"");
        runner.Run(nullptr, [](const std::string&) {});
        const std::string pathFile = (d / "EXA01A.P1S").string();
        analysis::paths::TMatPasCache cache(p.TransportZones().Count());
        {
            TFileStream in(pathFile, FileMode::OpenRead);
            analysis::paths::ReadPathFile(in, cache);
        }
        analysis::paths::TPathFileContent content(cache.ZoneCount());
        content.nodes.resize(1);
        for (std::size_t o = 0; o < cache.ZoneCount(); ++o)
            for (std::size_t t = 0; t < cache.ZoneCount(); ++t) {
                if (o == t) continue;
                for (int copy = 0; copy < 2; ++copy)
                    for (const analysis::paths::TCachedPath& path : cache.Pair(o, t)) {
                        analysis::paths::TPathFileContent::TPathRecord r;
                        r.turnDelay = path.turnDelay + 0.1f * float(copy);
                        for (std::size_t k = 0; k < path.StepCount(); ++k)
                            r.steps.push_back({path.LinkRouteNumber(k), path.Weight(k)});
                        content.Pair(o, t).push_back(r);
                    }
            }
        TFileStream out(pathFile, FileMode::Create);
        analysis::paths::WritePathFile(out, content);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ModelResultsDir(), ec);
        });
        return d;
    }();
    return dir;
}

/// The assignment file of scenario 01A.
inline std::string ResultsFile() {
    return (ModelResultsDir() / "01A" / "EXA01A.T3S").string();
}

} // namespace zep::shell::test
