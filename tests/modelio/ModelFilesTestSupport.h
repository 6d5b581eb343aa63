// Helpers of the model file tests: a temporary study directory, reading files whole, and the
// generation of every file of a study as a generation run writes them.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "model/Project.h"
#include "model/SCENARIO.h"
#include "modelio/F1E_File.h"
#include "modelio/L0E_File.h"
#include "modelio/L1E_File.h"
#include "modelio/L2E_File.h"
#include "modelio/L3E_File.h"
#include "modelio/P0E_File.h"
#include "modelio/P1E_File.h"
#include "modelio/T1E_File.h"
#include "modelio/Z1E_File.h"

namespace zep::modelio::test {

struct TTempDir {
    explicit TTempDir(const std::string& tag) {
        std::random_device rd;
        path = std::filesystem::temp_directory_path() /
               ("zep-modelio-" + tag + "-" + std::to_string(rd()));
        std::filesystem::create_directories(path);
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

/// The study-wide zone file, then per scenario its files; L0E with the base scenario, L2E and
/// L3E for the others (after the files that create the scenario's directory).
inline void GenerateAll(const model::TProject& project) {
    WriteZ1E(project);
    const model::TScenarioList& scenarios = project.Scenarios();
    for (std::size_t i = 0; i < scenarios.Count(); ++i) {
        const model::TScenario& s = *scenarios.Get(i);
        WriteP0E(project, s);
        WriteP1E(project, s);
        WriteT1E(project, s);
        WriteF1E(project, s);
        WriteL1E(project, s);
        if (s.IsBase()) {
            WriteL0E(project);
        } else {
            WriteL2E(project, s);
            WriteL3E(project, s);
        }
    }
}

} // namespace zep::modelio::test
