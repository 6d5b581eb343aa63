// zep-cli generate: writes the model input files of a study beside its project file, for every
// scenario or one, all kinds or the ones named.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "foundation/Format.h"
#include "foundation/OrvMessages.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "modelio/CTL_File.h"
#include "modelio/DAT_Files.h"
#include "modelio/F1E_File.h"
#include "modelio/GenerationCommands.h"
#include "modelio/JOB_File.h"
#include "modelio/L0E_File.h"
#include "modelio/L1E_File.h"
#include "modelio/L2E_File.h"
#include "modelio/L3E_File.h"
#include "modelio/Make_File.h"
#include "modelio/P0E_File.h"
#include "modelio/P1E_File.h"
#include "modelio/T1E_File.h"
#include "modelio/Z1E_File.h"

namespace zep::cli {
namespace {

namespace fs = std::filesystem;
using namespace modelio;

const char* const kSynopsis =
    "generate PROJECT|--sample [--dir DIR] [--scenario S] [--only KIND,...]";
const char* const kKinds[] = {"CTL", "Z1E", "MAKEFILE", "DAT", "KIV", "P0E", "T1E", "P1E",
                              "F1E", "L1E", "PLY",      "L0E", "L2E", "L3E", "BAT"};

std::set<std::string> ChosenKinds(const std::string& only) {
    std::set<std::string> kinds;
    if (only.empty()) {
        kinds.insert(std::begin(kKinds), std::end(kKinds));
        return kinds;
    }
    std::size_t start = 0;
    while (start <= only.size()) {
        std::size_t comma = std::min(only.find(',', start), only.size());
        std::string kind = UpperCase(Trim(only.substr(start, comma - start)));
        if (std::find(std::begin(kKinds), std::end(kKinds), kind) == std::end(kKinds))
            throw EUsageError("unknown file kind \"" + kind +
                              "\" (kinds: CTL, Z1E, MAKEFILE, DAT, KIV, P0E, T1E, P1E, F1E, "
                              "L1E, PLY, L0E, L2E, L3E, BAT)");
        kinds.insert(kind);
        start = comma + 1;
    }
    return kinds;
}

void Report(bool written, const std::string& path) {
    std::printf("%s: %s\n", written ? "written" : "unchanged", path.c_str());
}

int Generate(const std::vector<std::string>& args) {
    ArgReader a(args, {"--dir", "--scenario", "--only"}, {"--sample"});
    const bool sample = a.Has("--sample");
    a.ExpectPositional(sample ? 0 : 1, sample ? 0 : 1, kSynopsis);
    if (!sample && a.Has("--dir"))
        throw EUsageError("--dir only goes with --sample: the files go beside the project");
    const std::set<std::string> kinds = ChosenKinds(a.Value("--only"));
    auto wants = [&](const char* kind) { return kinds.count(kind) > 0; };

    TStudy project;
    if (sample) {
        project.reset(new model::TProject);
        model::BuildSampleStudy(*project);
        const fs::path dir = a.Value("--dir", ".");
        fs::create_directories(dir);
        project->SetFileName((dir / (Trim(project->GetName()) + ".zpz")).string());
    } else {
        project = OpenStudy(a.Positional()[0]);
    }
    const model::TProject& p = *project;

    std::vector<const model::TScenario*> scenarios;
    if (a.Has("--scenario")) {
        scenarios.push_back(ScenarioByName(*project, a.Value("--scenario")));
    } else {
        for (std::size_t i = 0; i < p.Scenarios().Count(); ++i)
            scenarios.push_back(p.Scenarios().Get(i));
    }

    // The order of a generation run: the study-wide files, then each scenario's step.
    if (wants("CTL")) Report(WriteCTL(p), CTLFileName(p));
    if (wants("Z1E")) Report(WriteZ1E(p), InputFileName(p, nullptr, "W_", true, "Z1E"));
    if (wants("MAKEFILE")) Report(WriteMakefile(p), MakefileName(p));
    if (wants("DAT")) {
        const fs::path dir = fs::path(p.FileName()).parent_path();
        const std::vector<std::string> created = WriteDATFiles(p);
        for (const char* name : {"KOLP.DAT", "RAPKEL.DAT"}) {
            const std::string path = (dir / name).string();
            Report(std::find(created.begin(), created.end(), path) != created.end(), path);
        }
    }
    for (const model::TScenario* s : scenarios) {
        auto path = [&](const char* kind) { return InputFileName(p, s, "W_", true, kind); };
        if (wants("KIV")) {
            WriteProjectSnapshot(p, *s);
            Report(true, ProjectSnapshotName(p));
        }
        if (wants("P0E")) Report(WriteP0E(p, *s), path("P0E"));
        if (wants("T1E")) Report(WriteT1E(p, *s), path("T1E"));
        if (wants("P1E")) Report(WriteP1E(p, *s), path("P1E"));
        if (wants("F1E")) Report(WriteF1E(p, *s), path("F1E"));
        if (wants("L1E")) Report(WriteL1E(p, *s), path("L1E"));
        if (wants("PLY")) Report(WriteLinkGeometry(p, *s), LinkGeometryName(p, *s));
        // The study's base-year data go with the scenario without parent; increments and
        // allocation with the others.
        if (s->IsBase()) {
            if (wants("L0E")) Report(WriteL0E(p), InputFileName(p, nullptr, "W_", true, "L0E"));
        } else {
            if (wants("L2E")) Report(WriteL2E(p, *s), path("L2E"));
            if (wants("L3E")) {
                // L3E makes no directory itself; asked for alone it still needs the scenario's.
                fs::create_directories(fs::path(path("L3E")).parent_path());
                WriteL3E(p, *s);
                Report(true, path("L3E"));
            }
        }
        if (wants("BAT")) Report(WriteJOB(p, *s), JOBFileName(p, *s));
    }
    EndProgress();
    return 0;
}

VerbRegistrar reg(60, {"generate", "PROJECT|--sample [--dir DIR] [--scenario S] [--only KIND,...]",
                       "write the model input and run control files beside the project "
                       "(--sample: the sample study EXA into DIR)",
                       Generate});

} // namespace
} // namespace zep::cli
