// The writers' rules that the golden files cannot show on their own: what is rewritten when,
// record shapes of every size, studies with parts missing, progress labels and fractions,
// values that are no numbers, and failures.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "ModelFilesTestStudy.h"
#include "ModelFilesTestSupport.h"
#include "foundation/OrvMessages.h"

namespace zep::modelio {
namespace {

namespace fs = std::filesystem;
using namespace model;

std::map<std::string, fs::file_time_type> StampAll(const fs::path& dir, fs::file_time_type when) {
    std::map<std::string, fs::file_time_type> stamps;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        fs::last_write_time(e.path(), when);
        stamps[fs::relative(e.path(), dir).string()] = when;
    }
    return stamps;
}

std::vector<std::string> Touched(const fs::path& dir, fs::file_time_type old) {
    std::vector<std::string> touched;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file() && fs::last_write_time(e.path()) != old)
            touched.push_back(fs::relative(e.path(), dir).string());
    std::sort(touched.begin(), touched.end());
    return touched;
}

TEST(ModelFilesRewrite, OnlyChangedFilesAndAlwaysTheAllocationFile) {
    test::TTempDir dir("rewrite");
    TProject project;
    project.SetFileName((dir.path / "exa.zpz").string());
    test::TSmallStudy st = test::BuildSmallStudy(project);
    test::GenerateAll(project);
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(48);
    StampAll(dir.path, old);

    // Nothing changed: only L3E, which the model expects fresh every time, is written.
    test::GenerateAll(project);
    EXPECT_EQ(Touched(dir.path, old), std::vector<std::string>{"01A/W_EXA01A.L3E"});

    // A capacity changed in the child scenario reaches its network file only.
    StampAll(dir.path, old);
    st.link12->SetValueIn(st.child, TLink::kCapacity, TValue(999.0));
    test::GenerateAll(project);
    EXPECT_EQ(Touched(dir.path, old),
              (std::vector<std::string>{"01A/W_EXA01A.L3E", "01A/W_EXA01A.P1E"}));

    // A base-year value changes L0E; being base data, it is inherited by no increment file.
    StampAll(dir.path, old);
    st.householdsCentre->SetProperty(TSectorZone::kBasePrice, TValue(1.75));
    test::GenerateAll(project);
    EXPECT_EQ(Touched(dir.path, old), (std::vector<std::string>{"01A/W_EXA01A.L3E", "W_EXA.L0E"}));

    // A base-scenario tariff is inherited: both scenarios' parameter files change.
    StampAll(dir.path, old);
    st.bus->SetValueIn(st.base, TOperator::kBoardingTariff, TValue(2.0));
    test::GenerateAll(project);
    EXPECT_EQ(
        Touched(dir.path, old),
        (std::vector<std::string>{"00A/W_EXA00A.P0E", "01A/W_EXA01A.L3E", "01A/W_EXA01A.P0E"}));
}

// The second-level record: the first line closes after the first sub-zone, later lines after
// every even index (two sub-zones each, no indent); a pending rest ends with "/".
TEST(ModelFilesZones, MacroZoneRecordsOfEverySize) {
    TProject project;
    project.SetName("Ab");
    std::vector<TMicroZone*> micro;
    for (int i = 1; i <= 5; ++i)
        micro.push_back(project.NewMicroZone(i));
    const std::string ind(4, ' ');
    const std::string sub[5] = {IntCol(1) + NameCol(""), IntCol(2) + NameCol(""),
                                IntCol(3) + NameCol(""), IntCol(4) + NameCol(""),
                                IntCol(5) + NameCol("")};
    const std::vector<std::vector<std::string>> expected = {
        {ind + IntCol(10) + "/"},
        {ind + IntCol(10) + sub[0]},
        {ind + IntCol(10) + sub[0], sub[1] + "/"},
        {ind + IntCol(10) + sub[0], sub[1] + sub[2]},
        {ind + IntCol(10) + sub[0], sub[1] + sub[2], sub[3] + "/"},
        {ind + IntCol(10) + sub[0], sub[1] + sub[2], sub[3] + sub[4]},
    };
    TMacroZone* macro = project.NewMacroZone(10);
    for (std::size_t n = 0; n <= 5; ++n) {
        SCOPED_TRACE(n);
        if (n > 0) micro[n - 1]->SetMacroZone(macro);
        TLines lines = BuildZ1E(project);
        auto start = std::find(lines.begin(), lines.end(), "2.0 SECOND LEVEL ZONES") + 2;
        std::vector<std::string> record(start, start + static_cast<long>(expected[n].size()));
        EXPECT_EQ(record, expected[n]);
        EXPECT_EQ(start[static_cast<long>(expected[n].size())], SectionEndLine());
    }
}

TEST(ModelFilesZones, StudyWithoutExternalZonesKeepsTheSection) {
    TProject project;
    project.SetName("  Ab");
    project.SetFileName("/study/ab.zpz");
    project.NewMicroZone(1)->SetName("Only");
    TLines lines = BuildZ1E(project);
    ASSERT_GE(lines.size(), 4u);
    const std::vector<std::string> tail(lines.end() - 3, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"3.0 EXTERNAL ZONEs",
                                              "    " + IntCol("Zone") + NameCol("Name"),
                                              SectionEndLine()}));
    // A short project name gives a short code, leading blanks trimmed first.
    EXPECT_EQ(InputFileName(project, nullptr, "W_", true, "Z1E"), "/study/W_AB.Z1E");
}

class RecordingHandler : public TNullMessageHandler {
public:
    void Progress(const std::string& text, double fraction) override {
        reports.emplace_back(text, fraction);
    }
    std::vector<std::pair<std::string, double>> reports;
    // The texts in order of first appearance, with the last fraction each reached.
    std::vector<std::pair<std::string, double>> Labels() const {
        std::vector<std::pair<std::string, double>> labels;
        for (const auto& r : reports) {
            if (labels.empty() || labels.back().first != r.first)
                labels.push_back(r);
            else
                labels.back().second = r.second;
        }
        return labels;
    }
};

TEST(ModelFilesProgress, LabelsAndFractionsAsTheModelToolsShowThem) {
    TProject project;
    test::TSmallStudy st = test::BuildSmallStudy(project);
    RecordingHandler h;
    ScopedMessageHandler scope(h);
    using L = std::vector<std::pair<std::string, double>>;

    BuildP0E(project, *st.child);
    EXPECT_EQ(h.Labels(), (L{{"P0E01A Section 1 ", 0.2},
                             {"P0E01A Section 2 ", 0.4},
                             {"P0E01A Section 3 ", 0.6},
                             {"P0E01A Section 4 ", 0.8},
                             {"P0E01A Section 5 ", 1.0}}));

    // Every link counts, used in the scenario or not.
    h.reports.clear();
    BuildP1E(project, *st.base);
    ASSERT_EQ(h.reports.size(), 2 * project.Links().Count());
    EXPECT_EQ(h.reports[0].second, 1.0 / static_cast<double>(project.Links().Count()));
    EXPECT_EQ(h.Labels(), (L{{"P1E00A Section 3.0 ", 1.0}, {"P1E00A Section 4.0 ", 1.0}}));

    h.reports.clear();
    BuildF1E(project, *st.child);
    EXPECT_EQ(h.Labels(), (L{{"F1E01A Section 1.0 ", 1.0},
                             {"F1E01A Section 3.1", 1.0},
                             {"F1E01A Section 3.2", 1.0}}));

    h.reports.clear();
    BuildL1E(project, *st.child);
    EXPECT_EQ(h.Labels(), (L{{"L1E Section 2.1 ", 1.0},
                             {"L1E Section 2.2 ", 1.0},
                             {"L1E Section 2.3 ", 1.0},
                             {"L1E Section 3.1 ", 1.0},
                             {"L1E Section 3.2 ", 1.0}}));

    // The global increments report under 1.2 and the restrictions under 3.1.
    h.reports.clear();
    BuildL2E(project, *st.child);
    EXPECT_EQ(h.Labels(), (L{{"L2E01A Section 1.2 ", 1.0},
                             {"L2E01A Section 1.3 ", 1.0},
                             {"L2E01A Section 2.1 ", 1.0},
                             {"L2E01A Section 2.2 ", 1.0},
                             {"L2E01A Section 3.1 ", 1.0},
                             {"L2E01A Section 3.3 ", 1.0}}));

    h.reports.clear();
    BuildT1E(project, *st.base);
    BuildL3E(project, *st.child);
    BuildL0E(project);
    BuildZ1E(project);
    EXPECT_EQ(h.Labels(), (L{{"T1E00A Section 2.1 ", 1.0},
                             {"T1E00A Section 2.2 ", 1.0},
                             {"T1E00A Section 2.3 ", 1.0},
                             {"T1E00A Section 2.4 ", 1.0},
                             {"L3E Section 1.0", 1.0},
                             {"L0E Section 1.0 ", 1.0},
                             {"L0E Section 2.1 ", 1.0},
                             {"L0E Section 2.2 ", 1.0},
                             {"L0E Section 3.0 ", 1.0},
                             {"Z1E Section 1.0 ", 1.0},
                             {"Z1E Section 2.0 ", 1.0},
                             {"Z1E Section 3.0 ", 1.0}}));
}

TEST(ModelFilesValues, WhatARealColumnMakesOfAValue) {
    EXPECT_EQ(RenderReal(NumberOf(TValue())), "0");
    EXPECT_EQ(RenderReal(NumberOf(TValue(true))), "1");
    EXPECT_EQ(RenderReal(NumberOf(TValue("2.5"))), "2.5");
    EXPECT_EQ(RenderReal(NumberOf(TValue("INF"))), "-1");
    EXPECT_EQ(RenderReal(NumberOf(TValue("many"))), "0#Error!");
    TProject project;
    EXPECT_EQ(RenderReal(NumberOf(TValue(&project))), "0#Error!");
    EXPECT_EQ(TLine().R(TValue("many")).Str(), "  0#Error! ");
}

// A text stored where a number belongs reaches the file as "0#Error!" and the writer goes on.
TEST(ModelFilesValues, UnconvertibleValueDoesNotStopTheWriter) {
    TProject project;
    test::TSmallStudy st = test::BuildSmallStudy(project);
    TMode* car = project.Modes().Get(0);
    car->RawVersion(st.base).RawPut(TMode::kNofPaths, TValue("several"));
    TLines lines = BuildP0E(project, *st.base);
    auto it = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("'car'") != std::string::npos;
    });
    ASSERT_NE(it, lines.end());
    EXPECT_EQ(*it, "    " + IntCol(1) + NameCol("car") + "  0#Error! " + RealCol(1.0) +
                       RealCol(0.0) + "/");
    EXPECT_EQ(lines.back(), SectionEndLine());
}

TEST(ModelFilesFailures, WriteErrorsReachTheCallerAndKeepEarlierFiles) {
    test::TTempDir dir("fail");
    TProject project;
    project.SetFileName((dir.path / "exa.zpz").string());
    test::TSmallStudy st = test::BuildSmallStudy(project);
    WriteZ1E(project);
    // A file where the scenario's directory should be: the directory cannot be made.
    { std::ofstream(dir.path / "01A") << "in the way"; }
    EXPECT_THROW(WriteP0E(project, *st.child), EFCreateError);
    EXPECT_TRUE(fs::exists(dir.path / "W_EXA.Z1E"));
    // L3E makes no directory of its own.
    fs::remove(dir.path / "01A");
    EXPECT_THROW(WriteL3E(project, *st.child), EStreamError);
    EXPECT_FALSE(fs::exists(dir.path / "01A"));
}

} // namespace
} // namespace zep::modelio
