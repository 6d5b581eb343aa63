// Every model input file of the small study, base and child scenario, against the files kept
// under tests/data/modelio (checked line by line when they were first written). Set
// ZEP_UPDATE_GOLDEN=1 to rewrite them after a deliberate change, then check the difference.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "ModelFilesTestStudy.h"
#include "ModelFilesTestSupport.h"
#include "model/SampleStudy.h"

namespace zep::modelio {
namespace {

namespace fs = std::filesystem;

void CheckAgainstGolden(const fs::path& produced, const fs::path& golden) {
    const std::string rel = golden.filename().string();
    if (std::getenv("ZEP_UPDATE_GOLDEN")) {
        fs::create_directories(golden.parent_path());
        fs::copy_file(produced, golden, fs::copy_options::overwrite_existing);
        return;
    }
    ASSERT_TRUE(fs::exists(golden)) << golden;
    std::string got = test::ReadFile(produced);
    std::string want = test::ReadFile(golden);
    if (got == want) return;
    // Name the first differing line: easier to read than two whole files.
    std::istringstream a(got), b(want);
    std::string la, lb;
    for (int n = 1;; ++n) {
        bool ha = static_cast<bool>(std::getline(a, la));
        bool hb = static_cast<bool>(std::getline(b, lb));
        if (!ha && !hb) break;
        if (la != lb || ha != hb) {
            ADD_FAILURE() << rel << " line " << n << "\n got: [" << la << "]\nwant: [" << lb << "]";
            return;
        }
    }
    ADD_FAILURE() << rel << " differs";
}

TEST(ModelFilesGolden, SmallStudyEveryFileKind) {
    test::TTempDir dir("golden");
    model::TProject project;
    project.SetFileName((dir.path / "exa.zpz").string());
    test::BuildSmallStudy(project);
    test::GenerateAll(project);

    const fs::path golden = fs::path(ZEP_SOURCE_DIR) / "tests/data/modelio/small";
    const char* files[] = {"W_EXA.Z1E",        "W_EXA.L0E",        "00A/W_EXA00A.P0E",
                           "00A/W_EXA00A.P1E", "00A/W_EXA00A.T1E", "00A/W_EXA00A.F1E",
                           "00A/W_EXA00A.L1E", "01A/W_EXA01A.P0E", "01A/W_EXA01A.P1E",
                           "01A/W_EXA01A.T1E", "01A/W_EXA01A.F1E", "01A/W_EXA01A.L1E",
                           "01A/W_EXA01A.L2E", "01A/W_EXA01A.L3E"};
    for (const char* f : files) {
        SCOPED_TRACE(f);
        ASSERT_TRUE(fs::exists(dir.path / f));
        CheckAgainstGolden(dir.path / f, golden / f);
    }
    // The base scenario has no increments and no allocation; only the base writes L0E.
    EXPECT_FALSE(fs::exists(dir.path / "00A/W_EXA00A.L2E"));
    EXPECT_FALSE(fs::exists(dir.path / "00A/W_EXA00A.L3E"));
    EXPECT_FALSE(fs::exists(dir.path / "01A/W_EXA01A.L0E"));
}

// The bundled sample study: three scenarios in a chain (01A adds a link and changes a capacity,
// 02A stops a route and prohibits a turn).
TEST(ModelFilesGolden, SampleStudyEveryScenario) {
    test::TTempDir dir("sample");
    model::TProject project;
    model::BuildSampleStudy(project);
    project.SetFileName((dir.path / "exa.zpz").string());
    test::GenerateAll(project);

    const fs::path golden = fs::path(ZEP_SOURCE_DIR) / "tests/data/modelio/sample";
    std::vector<std::string> files = {"W_EXA.Z1E", "W_EXA.L0E"};
    for (const char* s : {"00A", "01A", "02A"})
        for (const char* kind : {"P0E", "P1E", "T1E", "F1E", "L1E", "L2E", "L3E"}) {
            if (std::string(s) == "00A" && kind[1] != '0' && kind[1] != '1') continue;
            files.push_back(std::string(s) + "/W_EXA" + s + "." + kind);
        }
    for (const std::string& f : files) {
        SCOPED_TRACE(f);
        ASSERT_TRUE(fs::exists(dir.path / f));
        CheckAgainstGolden(dir.path / f, golden / f);
    }
}

} // namespace
} // namespace zep::modelio
