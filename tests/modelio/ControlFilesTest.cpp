// The run control files of the sample study and of the same study without sectors against the
// files kept under tests/data/modelio/control (checked line by line when first written; set
// ZEP_UPDATE_GOLDEN=1 to rewrite them), the project snapshot's layout, the instruction files,
// time stamps of a second generation, and a generation that fails half-way.
#include <chrono>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "ModelFilesTestSupport.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/SECTOR.h"
#include "model/SampleStudy.h"
#include "modelio/CTL_File.h"
#include "modelio/DAT_Files.h"
#include "modelio/GenerationCommands.h"
#include "modelio/JOB_File.h"
#include "modelio/Make_File.h"
#include "modelio/ModelPrograms.h"

namespace zep::modelio {
namespace {

namespace fs = std::filesystem;

void CheckGolden(const fs::path& produced, const fs::path& golden) {
    if (std::getenv("ZEP_UPDATE_GOLDEN")) {
        fs::create_directories(golden.parent_path());
        fs::copy_file(produced, golden, fs::copy_options::overwrite_existing);
        return;
    }
    ASSERT_TRUE(fs::exists(golden)) << golden;
    const TLines got = ReadLines(produced.string()), want = ReadLines(golden.string());
    for (std::size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
        const std::string g = i < got.size() ? got[i] : "<none>";
        const std::string w = i < want.size() ? want[i] : "<none>";
        ASSERT_EQ(g, w) << golden.filename() << " line " << i + 1;
    }
    // Line ends and the final line break count too.
    EXPECT_EQ(test::ReadFile(produced), test::ReadFile(golden)) << golden.filename();
}

void RemoveSectors(model::TProject& p) {
    while (p.Sectors().Count() > 0)
        p.RemoveEntity(p.Sectors().Get(p.Sectors().Count() - 1));
}

void GoldenRun(bool sectors, const char* tag) {
    test::TTempDir dir(tag);
    model::TProject p;
    model::BuildSampleStudy(p);
    if (!sectors) RemoveSectors(p);
    p.SetFileName((dir.path / "EXA.zpz").string());
    RunGenerationCommand(TGenerationCommand::GenerateInputFiles, p, nullptr);
    const fs::path golden = fs::path(ZEP_SOURCE_DIR) / "tests/data/modelio/control" / tag;
    for (const char* f : {"W_VARDEN.CTL", "Makefile", "EXA00A.BAT", "EXA01A.BAT", "EXA02A.BAT",
                          "KOLP.DAT", "RAPKEL.DAT"}) {
        SCOPED_TRACE(f);
        CheckGolden(dir.path / f, golden / f);
    }
}

TEST(ControlFiles, SampleStudyGolden) {
    GoldenRun(true, "sample");
}
TEST(ControlFiles, StudyWithoutSectorsGolden) {
    GoldenRun(false, "nosectors");
}

// Read back what was written: the tree of W_VARDEN.CTL, the snapshot's records.
TEST(ControlFiles, ControlFileAndSnapshotReadBack) {
    test::TTempDir dir("kiv");
    model::TProject p;
    model::BuildSampleStudy(p);
    p.SetFileName((dir.path / "EXA.zpz").string());
    model::TScenario* s1 = p.Scenarios().FindScenario("01A");
    RunGenerationCommand(TGenerationCommand::GenerateSingleScenario, p, s1);

    const TCtlStudy ctl = ParseCTL(ReadLines(CTLFileName(p)));
    EXPECT_EQ(ctl.projectName, "EXA");
    ASSERT_EQ(ctl.scenarios.size(), p.Scenarios().Count());
    for (const auto& [name, parent] : ctl.scenarios) {
        const model::TScenario* s = p.Scenarios().FindScenario(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(parent, s->Parent() ? s->Parent()->GetName() : "");
    }

    const std::string kiv = test::ReadFile(dir.path / "W_EXA.KIV");
    std::size_t at = 0;
    auto take = [&](std::size_t n) {
        EXPECT_LE(at + n, kiv.size());
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n && at + i < kiv.size(); ++i)
            v |= std::uint64_t(static_cast<unsigned char>(kiv[at + i])) << (8 * i);
        at += n;
        return v;
    };
    EXPECT_EQ(kiv.substr(0, 4), std::string("\0\0\x01\x02", 4));
    at = 4;
    EXPECT_EQ(static_cast<std::int8_t>(take(1)), -p.CoordinateSystem());
    const std::uint64_t nodes = take(2);
    ASSERT_EQ(nodes, p.Nodes().Count());
    std::int64_t lastId = INT64_MIN;
    for (std::uint64_t i = 0; i < nodes; ++i) {
        const auto id = static_cast<std::int32_t>(take(4));
        EXPECT_GT(id, lastId); // identifier order
        lastId = id;
        const model::TNode* node = p.FindNode(id);
        ASSERT_NE(node, nullptr);
        const std::size_t nameLength = take(1);
        at += nameLength;
        EXPECT_EQ(take(1), 0u);
        double x;
        std::memcpy(&x, kiv.data() + at, 8);
        at += 8;
        EXPECT_EQ(x, node->GetFloat(model::TNode::kX));
        at += 8 + 1 + 64;
    }
    std::size_t named = 0;
    for (std::size_t i = 0; i < p.Links().Count(); ++i) {
        const model::TLink* l = p.Links().Get(i);
        if (l->IsUsedIn(s1) && !l->GetStringIn(s1, model::TLink::kLinkName).empty()) ++named;
    }
    for (std::size_t i = 0; i < named; ++i) {
        const auto id = static_cast<std::int32_t>(take(4));
        const model::TLink* link = nullptr;
        for (std::size_t k = 0; k < p.Links().Count(); ++k)
            if (p.Links().Get(k)->Id() == id) link = p.Links().Get(k);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(static_cast<std::int32_t>(take(4)), link->Tail()->Id());
        EXPECT_EQ(static_cast<std::int32_t>(take(4)), link->Head()->Id());
        const std::size_t n = take(1);
        EXPECT_EQ(kiv.substr(at, n), link->GetStringIn(s1, model::TLink::kLinkName));
        at += n;
        EXPECT_EQ(take(2), 0u);
    }
    EXPECT_EQ(kiv.size() - at, 12u);
    EXPECT_EQ(kiv.substr(at), std::string(12, '\0'));

    // The geometry file holds one polyline record per link with points.
    const TLines ply = ReadLines((dir.path / "01A/EXA01A.ply").string());
    std::size_t withPoints = 0;
    for (std::size_t i = 0; i < p.Links().Count(); ++i)
        if (!p.Links().Get(i)->Polyline().IsEmpty()) ++withPoints;
    EXPECT_EQ(ply.size(), withPoints);
}

// Counts the ends of the progress display.
class TDoneCounter : public TNullMessageHandler {
public:
    void ProgressDone() override { ++done; }
    int done = 0;
};

TEST(ControlFiles, SecondGenerationKeepsTimeStampsAndUserFiles) {
    test::TTempDir dir("again");
    model::TProject p;
    model::BuildSampleStudy(p);
    p.SetFileName((dir.path / "EXA.zpz").string());
    RunGenerationCommand(TGenerationCommand::GenerateInputFiles, p, nullptr);
    std::ofstream(dir.path / "KOLP.DAT", std::ios::trunc) << "planner's own options";
    std::map<std::string, fs::file_time_type> before;
    for (const auto& e : fs::recursive_directory_iterator(dir.path))
        if (e.is_regular_file()) before[e.path().string()] = e.last_write_time();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    TDoneCounter counter;
    ScopedMessageHandler scope(counter);
    RunGenerationCommand(TGenerationCommand::GenerateInputFiles, p, nullptr);
    EXPECT_EQ(counter.done, 1);
    for (const auto& [path, time] : before) {
        const std::string ext = fs::path(path).extension().string();
        const bool rewritten = ext == ".KIV" || ext == ".L3E";
        EXPECT_EQ(fs::last_write_time(path) != time, rewritten) << path;
    }
    EXPECT_EQ(test::ReadFile(dir.path / "KOLP.DAT"), "planner's own options");
}

TEST(ControlFiles, GenerationFailingHalfWay) {
    test::TTempDir dir("fail");
    model::TProject p;
    model::BuildSampleStudy(p);
    p.SetFileName((dir.path / "EXA.zpz").string());
    // A directory where the Makefile goes: the common step fails at its third file.
    fs::create_directories(dir.path / "Makefile" / "x");
    TDoneCounter counter;
    ScopedMessageHandler scope(counter);
    EXPECT_ANY_THROW(RunGenerationCommand(TGenerationCommand::GenerateInputFiles, p, nullptr));
    EXPECT_EQ(counter.done, 1); // the progress display ended anyway
    EXPECT_TRUE(fs::exists(dir.path / "W_VARDEN.CTL"));
    EXPECT_TRUE(fs::exists(dir.path / "W_EXA.Z1E"));
    EXPECT_FALSE(fs::exists(dir.path / "KOLP.DAT"));
    EXPECT_FALSE(fs::exists(dir.path / "W_EXA.KIV"));
    // No temporary file is left beside the files.
    for (const auto& e : fs::directory_iterator(dir.path))
        EXPECT_EQ(e.path().extension().string().find("TMP"), std::string::npos) << e.path();

    // A scenario command without a chosen scenario writes nothing.
    fs::remove_all(dir.path / "Makefile");
    RunGenerationCommand(TGenerationCommand::WriteJOB, p, nullptr);
    EXPECT_FALSE(fs::exists(dir.path / "EXA00A.BAT"));
    // L2E and L3E only for a scenario with a parent.
    RunGenerationCommand(TGenerationCommand::WriteL2E, p, p.BaseScenario());
    EXPECT_FALSE(fs::exists(dir.path / "00A/W_EXA00A.L2E"));
}

TEST(ControlFiles, InstructionFileTexts) {
    const std::string kolp = KolpText();
    EXPECT_EQ(std::count(kolp.begin(), kolp.end(), '\n'), 22); // 23 lines, the last unended
    EXPECT_EQ(kolp.substr(kolp.size() - 2), "-'");
    const std::string rapkel = RapkelText();
    EXPECT_EQ(std::count(rapkel.begin(), rapkel.end(), '\n'), 29);
    EXPECT_EQ(rapkel.substr(rapkel.size() - 2), "\r\n");
    for (const std::string* t : {&kolp, &rapkel})
        for (std::size_t i = 0; i < t->size(); ++i)
            if ((*t)[i] == '\n') {
                EXPECT_EQ((*t)[i - 1], '\r');
            }
}

} // namespace
} // namespace zep::modelio
