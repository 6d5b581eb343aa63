// The task set (order whatever the adding order, flags, removal, task lists), the command
// lines of the sample study, and whole runs through the stand-in model programs: success, the
// Makefile's view afterwards, and every kind of failing program.
#include <algorithm>
#include <cstdlib>
#include <random>

#include <gtest/gtest.h>

#include <map>

#include "analysis/DualGraph.h"
#include "model/CATEGORY.h"
#include "model/Mode.h"
#include "model/Zone.h"

#include "ModelFilesTestSupport.h"
#include "files/PrjFile.h"
#include "model/LINK.h"
#include "model/SECTOR.h"
#include "model/SampleStudy.h"
#include "modelio/ProgramExecution.h"

namespace zep::modelio {
namespace {

// Trips times link-routes of their least-cost path, over the exogenous trips of a scenario, for
// the study in `projectFile` (as the assignment stand-in reads it).
double LoadedTripLength(const std::string& projectFile, const std::string& scenarioName) {
    std::unique_ptr<model::TProject> p = files::OpenProject(projectFile);
    const model::TScenario* s = p->Scenarios().FindScenario(scenarioName);
    std::map<const model::TMode*, std::unique_ptr<analysis::TDualGraph>> graphs;
    double sum = 0;
    for (std::size_t o = 0; o < p->TransportZones().Count(); ++o) {
        model::TTransportZone* origin = p->TransportZones().Get(o);
        for (std::size_t k = 0; k < origin->ODPairs().Count(); ++k) {
            model::TODPair* pair = origin->ODPairs().Get(k);
            for (std::size_t m = 0; m < pair->CategoryModes().Count(); ++m) {
                model::TCategoryMode* record = pair->CategoryModes().Get(m);
                const model::TMode* mode =
                    record->Mode() ? record->Mode() : analysis::DefaultSearchMode(*p);
                auto& graph = graphs[mode];
                if (!graph) graph = std::make_unique<analysis::TDualGraph>(*p, nullptr, mode, s);
                analysis::PPath path = graph->PathBetweenZones(origin, pair->Destination());
                std::size_t steps = 0;
                for (const analysis::TPath* q = path.get(); q; q = q->Prefix().get())
                    steps += graph->Vertex(q->LastArc().target).LinkRoute() != nullptr;
                sum += record->GetFloatIn(s, model::TCategoryMode::kTrips) * double(steps);
            }
        }
    }
    return sum;
}

namespace fs = std::filesystem;
using model::TProject;
using model::TScenario;

struct TStudy {
    explicit TStudy(const char* tag, bool sectors = true) : dir(tag) {
        model::BuildSampleStudy(project);
        if (!sectors)
            while (project.Sectors().Count() > 0)
                project.RemoveEntity(project.Sectors().Get(0));
        project.SetFileName((dir.path / "EXA.zpz").string());
    }
    TScenario& S(const char* name) { return *project.Scenarios().FindScenario(name); }
    test::TTempDir dir;
    TProject project;
};

TEST(ModelRunner, TaskOrderWhateverTheAddingOrder) {
    TStudy st("order");
    std::vector<TScenario*> scenarios = {&st.S("00A"), &st.S("01A"), &st.S("02A")};
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        TModelRunner runner(st.project);
        std::set<std::pair<int, int>> expected; // (scenario index, stage)
        for (int k = 0; k < 6; ++k) {
            const int s = static_cast<int>(random() % 3);
            const int flags = static_cast<int>(random() % 32);
            runner.AddStages(*scenarios[static_cast<std::size_t>(s)], flags);
            for (int stage = 0; stage < 5; ++stage)
                if ((flags & (1 << stage)) && !(stage == stInitialAssignment && s > 0))
                    expected.insert({s, stage});
        }
        ASSERT_EQ(runner.TaskCount(), expected.size());
        std::size_t i = 0;
        for (const auto& [s, stage] : expected) { // the scenarios are a chain: index order
            EXPECT_EQ(runner.Task(i).Scenario(), scenarios[static_cast<std::size_t>(s)]);
            EXPECT_EQ(runner.Task(i).Stage(), stage);
            ++i;
        }
        // Saving and loading gives the same tasks.
        TModelRunner loaded(st.project);
        loaded.LoadTasksText(st.project, runner.TasksText());
        ASSERT_EQ(loaded.TasksText(), runner.TasksText());
        if (runner.TaskCount() > 0) {
            const std::size_t victim = random() % runner.TaskCount();
            const std::string before = runner.TasksText();
            runner.RemoveTask(victim);
            EXPECT_EQ(runner.TaskCount(), expected.size() - 1);
        }
    }
}

TEST(ModelRunner, FlagsTaskTextsAndTaskListErrors) {
    TStudy st("flags");
    TModelRunner runner(st.project);
    runner.AddStages(st.S("01A"), 1 | 2 | 4 | 16); // "All programs"
    runner.AddStages(st.S("01A"), 1 | 2 | 4 | 16);
    EXPECT_EQ(runner.TasksText(), "\"PATHS\",\"01A\"\r\n\"SEB\",\"01A\"\r\n\"KELVA\",\"01A\"");
    runner.AddStages(st.S("00A"), sfInitialAssignment | sfFixedLocation);
    EXPECT_EQ(runner.Task(0).StageName(), "Initial Assignment");
    EXPECT_EQ(runner.Task(1).TaskText(), "\"WRIN\",\"00A\"");

    TModelRunner loaded(st.project);
    try {
        loaded.LoadTasksText(st.project, "\"PATHS\",\"00A\"\r\n\"PATHS\",\"09Z\"");
        FAIL();
    } catch (const ETaskListError& e) {
        EXPECT_STREQ(e.what(), "Scenario <09Z> not found");
    }
    try {
        loaded.LoadTasksText(st.project, "\"GRAVO\",\"00A\"");
        FAIL();
    } catch (const ETaskListError& e) {
        EXPECT_STREQ(e.what(), "Unkon task: \"GRAVO\"");
    }
}

TEST(ModelRunner, CommandLinesOfTheSampleStudy) {
    TStudy st("lines");
    TModelRunner runner(st.project);
    // Added child first: the parent's tasks still come first.
    runner.AddStages(st.S("01A"), sfLocation | sfAssignment);
    runner.AddStages(st.S("00A"), sfInitialAssignment | sfLocation | sfAssignment);
    const std::vector<std::string> lines = runner.CommandLines();
    const std::vector<std::string> expected = {
        "KELVA.EXE 00A -I", "DUVA.EXE 00A ", // no second DUVA for the location after it
        "WRIN.EXE 00A ", "MARO.EXE 00A ", "RAPSEB.EXE 00A -J -o location_indicators_00A.csv",
        // MARO once: the location task just before ran it
        "KELVA.EXE 00A -N -z", "DUVA.EXE 00A ", "RAPKEL.EXE 00A -J -o transport_indicators_00A.csv",
        "RAPKEL.EXE 00A -S -o route_profile_00A.csv", "SEB.EXE 01A ", "MARO.EXE 01A ",
        "RAPSEB.EXE 01A -J -o location_indicators_01A.csv", "KELVA.EXE 01A -N -z", "DUVA.EXE 01A ",
        "RAPKEL.EXE 01A -J -o transport_indicators_01A.csv",
        "RAPKEL.EXE 01A -S -o route_profile_01A.csv"};
    EXPECT_EQ(lines, expected);
    // Each scenario concerned was generated; the other one not.
    EXPECT_TRUE(fs::exists(st.dir.path / "00A/W_EXA00A.P0E"));
    EXPECT_TRUE(fs::exists(st.dir.path / "EXA01A.BAT"));
    EXPECT_FALSE(fs::exists(st.dir.path / "02A"));

    // An assignment after another scenario's assignment still runs its own MARO; without
    // sectors with "-I" and without DUVA.
    TStudy plain("plain", false);
    TModelRunner r2(plain.project);
    r2.AddStages(plain.S("00A"), sfAssignment);
    r2.AddStages(plain.S("01A"), sfAssignment);
    const std::vector<std::string> l2 = r2.CommandLines();
    EXPECT_EQ(std::count(l2.begin(), l2.end(), "MARO.EXE 01A -I"), 1);
    EXPECT_EQ(std::count(l2.begin(), l2.end(), "MARO.EXE 00A -I"), 1);
    EXPECT_EQ(std::count_if(l2.begin(), l2.end(),
                            [](const std::string& l) { return l.rfind("DUVA", 0) == 0; }),
              0);
}

std::string StandIns() {
    return std::string(ZEP_BIN_DIR) + "/model";
}

struct TRunResult {
    std::string error;
    std::vector<std::string> output;
    std::vector<std::pair<int, int>> progress;
};

TRunResult RunAll(TStudy& st, const char* fault, int flags = 1 | 2 | 4 | 16,
                  std::function<void(const std::string&)> onLine = nullptr) {
    if (fault)
        setenv("ZEP_STANDIN_FAULT", fault, 1);
    else
        unsetenv("ZEP_STANDIN_FAULT");
    TModelRunner runner(st.project);
    runner.programDirectory = StandIns();
    runner.terminateGrace = std::chrono::milliseconds(200);
    for (const char* s : {"00A", "01A", "02A"})
        runner.AddStages(st.S(s), flags);
    TRunResult r;
    try {
        runner.Run([&](int i, int n) { r.progress.emplace_back(i, n); },
                   [&](const std::string& line) {
                       r.output.push_back(line);
                       if (onLine) onLine(line);
                   });
    } catch (const std::exception& e) {
        r.error = e.what();
    }
    unsetenv("ZEP_STANDIN_FAULT");
    return r;
}

// The processes whose working directory is `dir`.
int ProcessesIn(const fs::path& dir) {
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc", ec)) {
        std::error_code ec2;
        const fs::path cwd = fs::read_symlink(e.path() / "cwd", ec2);
        if (!ec2 && cwd == fs::canonical(dir)) ++n;
    }
    return n;
}

TEST(ModelRun, WholeStudyThroughTheStandInsThenMake) {
    TStudy st("run");
    // The sample's own trips start at zones that cars cannot leave; a car trip that can be
    // loaded makes the assignment below carry something.
    auto* from = static_cast<model::TTransportZone*>(st.project.Nodes().FindById(2));
    auto* to = static_cast<model::TTransportZone*>(st.project.Nodes().FindById(5));
    auto* car = static_cast<model::TMode*>(st.project.Modes().FindByName("car"));
    ASSERT_TRUE(from && to && car);
    from->GetOrCreateODPairTo(to)
        ->GetOrCreateCategoryModeFor(st.project.Categories().Get(0), car)
        ->SetValueIn(st.project.BaseScenario(), model::TCategoryMode::kTrips, model::TValue(10));
    files::SaveProject(st.project.FileName(), st.project); // KELVA reads the network from it
    const fs::path cwd = fs::current_path();
    const TRunResult r = RunAll(st, nullptr);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(fs::current_path(), cwd);
    ASSERT_FALSE(r.progress.empty());
    EXPECT_EQ(r.progress.back(), std::make_pair(100, 100));
    EXPECT_EQ(r.progress.front(), std::make_pair(0, static_cast<int>(r.progress.size()) - 1));
    // The counters ending in a bare CR come through as lines of their own.
    EXPECT_NE(std::find(r.output.begin(), r.output.end(), "  GRAVO 5 of 5\r\n"), r.output.end());
    EXPECT_NE(std::find(r.output.begin(), r.output.end(), "  GRAVO 1 of 5\r"), r.output.end());
    for (const char* f : {"02A/EXA02A.T2S", "EXA01A.P1S", "zep_batch.bat", "zep_run.json",
                          "route_profile_02A.csv", "00A/EXA00A.T3S"})
        EXPECT_TRUE(fs::exists(st.dir.path / f)) << f;
    const std::string record = test::ReadFile(st.dir.path / "zep_run.json");
    EXPECT_NE(record.find("\"00A/W_EXA00A.P0E\": \""), std::string::npos);
    EXPECT_NE(record.find("\"01A/EXA01A.F1S\": \""), std::string::npos);

    // KELVA's assignment file opens as model results: the scenario's network and its
    // link-routes with their volumes.
    std::unique_ptr<TProject> results =
        files::OpenProject((st.dir.path / "01A/EXA01A.T3S").string());
    EXPECT_TRUE(results->AssignmentResults());
    EXPECT_TRUE(results->ReadOnly());
    std::size_t links = 0;
    for (std::size_t i = 0; i < st.project.Links().Count(); ++i)
        if (st.project.Links().Get(i)->IsUsedIn(&st.S("01A"))) ++links;
    EXPECT_EQ(results->Links().Count(), links);
    EXPECT_EQ(results->Nodes().Count(), st.project.Nodes().Count());
    ASSERT_GT(results->LinkRoutes().Count(), 0u);
    model::TScenario* current = results->CurrentScenario();
    EXPECT_EQ(current->GetName(), "01A");
    // The exogenous trips loaded all-or-nothing: every trip of a record crosses each link-route
    // of its least-cost path, so the volumes add up to trips times path length.
    double total = 0;
    for (std::size_t i = 0; i < results->LinkRoutes().Count(); ++i)
        total += results->LinkRoutes().Get(i)->GetFloatIn(current, model::TLinkRoute::kVolume);
    EXPECT_GT(total, 0);
    EXPECT_NEAR(total, LoadedTripLength(st.project.FileName(), "01A"), 1e-4 * total);

    // GNU make reads the Makefile and, after the run, finds nothing to do; a changed input
    // reruns exactly the programs that depend on it.
    auto makeN = [&]() {
        std::string out;
        const std::string cmd = "cd '" + st.dir.path.string() + "' && make -n 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        pclose(p);
        return out;
    };
    if (std::system("make --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no make";
    EXPECT_NE(makeN().find("Nothing to be done"), std::string::npos);
    fs::last_write_time(st.dir.path / "02A/W_EXA02A.F1E",
                        fs::file_time_type::clock::now() + std::chrono::seconds(5));
    const std::string plan = makeN();
    EXPECT_NE(plan.find("duva 02A"), std::string::npos) << plan;
    EXPECT_NE(plan.find("maro 02A"), std::string::npos) << plan;
    EXPECT_EQ(plan.find("gravo"), std::string::npos) << plan;
    EXPECT_EQ(plan.find("01A"), std::string::npos) << plan;
    fs::last_write_time(st.dir.path / "00A/W_EXA00A.P1E",
                        fs::file_time_type::clock::now() + std::chrono::seconds(10));
    EXPECT_NE(makeN().find("gravo 00A"), std::string::npos);
}

TEST(ModelRun, FailingGarbageHangingMissingAndKilledPrograms) {
    {
        TStudy st("fail");
        const TRunResult r = RunAll(st, "MARO/01A:fail");
        EXPECT_EQ(r.error, "FAILED: " + StandIns() + "/MARO.EXE 01A ");
        EXPECT_TRUE(fs::exists(st.dir.path / "01A/EXA01A.L1S")); // SEB ran before
        EXPECT_FALSE(fs::exists(st.dir.path / "01A/EXA01A.F1S"));
        EXPECT_FALSE(fs::exists(st.dir.path / "02A/EXA02A.P0S"));
        const std::string record = test::ReadFile(st.dir.path / "zep_run.json");
        EXPECT_NE(record.find("\"exit_code\": 1"), std::string::npos);
    }
    for (const char* fault : {"GRAVO:garbage", "DUVA:binary"}) {
        TStudy st("noise");
        EXPECT_EQ(RunAll(st, fault).error, "") << fault;
        EXPECT_TRUE(fs::exists(st.dir.path / "02A/EXA02A.T2S"));
    }
    {
        TStudy st("killed");
        const TRunResult r = RunAll(st, "KELVA/00A:killed");
        EXPECT_EQ(r.error, "FAILED: " + StandIns() + "/KELVA.EXE 00A -I");
    }
    for (const char* fault : {"SEB/01A:hang", "SEB/01A:stubborn"}) {
        TStudy st("hang");
        const TRunResult r = RunAll(st, fault, 1 | 2 | 4 | 16, [](const std::string& line) {
            if (line.find("waiting") != std::string::npos) throw EAbort("canceled");
        });
        EXPECT_EQ(r.error, "canceled") << fault;
        EXPECT_EQ(ProcessesIn(st.dir.path), 0) << fault;
        EXPECT_FALSE(fs::exists(st.dir.path / "01A/EXA01A.L1S"));
    }
    {
        TStudy st("missing");
        const fs::path empty = st.dir.path / "no-programs";
        fs::create_directories(empty);
        TModelRunner runner(st.project);
        runner.programDirectory = empty.string();
        runner.AddStages(st.S("00A"), sfPathSearch);
        try {
            runner.Run(nullptr, [](const std::string&) {});
            FAIL();
        } catch (const EChildProcessException& e) {
            EXPECT_EQ(std::string(e.what()).rfind("CreateProcess:", 0), 0u) << e.what();
        }
        // Direct execution names the program file it could not find.
        setenv("VARDEN_PATH", empty.string().c_str(), 1);
        TPathSearchRunner direct(st.project, st.S("00A"));
        try {
            direct.Execute([](const std::string&) {});
            FAIL();
        } catch (const EInOutError& e) {
            EXPECT_EQ(std::string(e.what()), "Could not find \"" + empty.string() + "/GRAVO.EXE\"");
        }
        unsetenv("VARDEN_PATH");
    }
}

TEST(ModelRun, ProgramLookupAndPathFileCompression) {
    test::TTempDir dir("lookup");
    std::ofstream(dir.path / "gravo") << "";
    EXPECT_EQ(FindProgram(dir.path.string(), "GRAVO.EXE"), (dir.path / "gravo").string());
    std::ofstream(dir.path / "GRAVO.EXE") << "";
    EXPECT_EQ(FindProgram(dir.path.string(), "GRAVO.EXE"), (dir.path / "GRAVO.EXE").string());
    EXPECT_EQ(FindProgram(dir.path.string(), "KELVA.EXE"), "");

    fs::create_directories(dir.path / "01A");
    std::ofstream(dir.path / "EXA01A.P1S") << "paths of 01A";
    std::ofstream(dir.path / "01A/EXA01A.P2S") << "more";
    std::ofstream(dir.path / "EXA02A.P1S") << "paths of 02A";
    EXPECT_EQ(CompressPathFiles(dir.path.string()).size(), 3u);
    EXPECT_TRUE(fs::exists(dir.path / "EXA01A.P1Z"));
    EXPECT_FALSE(fs::exists(dir.path / "EXA01A.P1S"));
    EXPECT_EQ(DecompressPathFiles(dir.path.string(), "01A").size(), 2u);
    EXPECT_EQ(test::ReadFile(dir.path / "EXA01A.P1S"), "paths of 01A");
    EXPECT_TRUE(fs::exists(dir.path / "01A/EXA01A.P2S"));
    EXPECT_TRUE(fs::exists(dir.path / "EXA02A.P1Z")); // another scenario's stay compressed
}

} // namespace
} // namespace zep::modelio

namespace zep::modelio {
namespace {

TEST(ExecutionWindowRules, BatchFlagsAndOutputMemo) {
    TStageChoice all;
    EXPECT_EQ(BatchFlags(all, false, true), 1 | 2 | 4 | 16);
    EXPECT_EQ(BatchFlags(all, true, false), 1 | 16);
    TStageChoice some;
    some.allPrograms = false;
    some.initialAssignment = some.location = some.fixedTransportables = true;
    EXPECT_EQ(BatchFlags(some, true, true), 2 | 8);
    EXPECT_EQ(BatchFlags(some, false, true), 8); // initial assignment only for the base
    some.fixedTransportables = false;
    some.pathSearch = some.assignment = true;
    EXPECT_EQ(BatchFlags(some, false, true), 1 | 4 | 16);

    // A counter ended by bare CRs overwrites one line; finished lines stay.
    TOutputMemo memo;
    for (const char* l :
         {"GRAVO.EXE 00A \n", "  1 of 3\r", "  2 of 3\r", "  3 of 3\r\n", "done  \n"})
        memo.Add(l);
    EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"GRAVO.EXE 00A", "  3 of 3", "done", ""}));
}

} // namespace
} // namespace zep::modelio
