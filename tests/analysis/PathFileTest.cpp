// Path files: written, read back (plain and compressed), stepped through, reversed, searched by
// link; damaged and truncated files; the settings file; totals and the path choice model.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "AnalysisTestStudy.h"
#include "analysis/PATH.h"
#include "analysis/PathFile.h"
#include "analysis/PathFileSet.h"
#include "analysis/graph.h"
#include "foundation/ORVGZipStreams.h"
#include "foundation/OrvMessages.h"

namespace zep::analysis::test {
namespace {

namespace fs = std::filesystem;
using namespace zep::analysis::paths;

struct TCapture : TMessageHandler {
    std::vector<std::string> errors;
    void Error(const std::string& text) override { errors.push_back(text); }
    void Status(const std::string&) override {}
    void Progress(const std::string&, double) override {}
    void ProgressDone() override {}
};

/// A study of `zones` zones round one node, saved nowhere but named into a fresh directory, with
/// random path file content over its link-routes.
struct TPathStudy : TTestNet {
    fs::path dir;
    TCapture capture;
    ScopedMessageHandler scope{capture};

    explicit TPathStudy(int zones, const std::string& tag) {
        dir = fs::temp_directory_path() / ("zep_paths_" + tag);
        fs::remove_all(dir);
        fs::create_directories(dir);
        p.SetFileName((dir / "TSTUDY.zpz").string());
        Node(100);
        for (int z = 1; z <= zones; ++z) {
            Zone(z);
            Link(z, 100, 10.0 * z);
            Link(100, z, 5.0 * z);
        }
        Access();
    }
    ~TPathStudy() { fs::remove_all(dir); }

    TPathFileContent Random(std::mt19937& rng, int maxPaths = 3) {
        const std::size_t z = p.TransportZones().Count();
        TPathFileContent c(z);
        c.nodes.resize(3);
        c.nodes[1].values = {7, 8, 9};
        const auto lrs = static_cast<std::int32_t>(p.LinkRoutes().Count());
        for (std::size_t o = 0; o < z; ++o)
            for (std::size_t d = 0; d < z; ++d) {
                if (o == d) continue;
                const int count = int(rng() % unsigned(maxPaths + 1));
                for (int k = 0; k < count; ++k) {
                    TPathFileContent::TPathRecord path;
                    path.turnDelay = float(rng() % 100) / 40.0f;
                    const int steps = 1 + int(rng() % 4);
                    for (int s = 0; s < steps; ++s) {
                        std::int32_t n = 1 + std::int32_t(rng() % unsigned(lrs));
                        if (rng() % 3 == 0) n = -n;
                        path.steps.push_back({n, std::uint8_t(rng() % 4)});
                    }
                    c.Pair(o, d).push_back(path);
                }
            }
        return c;
    }
    void Write(const TPathFileContent& c, int mode = 0, bool compressed = false) {
        const std::string name = PathFileName(p, s, mode, compressed);
        TFileStream f(name, FileMode::Create);
        if (compressed) {
            TGZipStream gz(f, 0);
            WritePathFile(gz, c);
            gz.Finish();
        } else {
            WritePathFile(f, c);
        }
    }
    std::string Bytes(const TPathFileContent& c) {
        TMemoryStream m;
        WritePathFile(m, c);
        return m.Data();
    }
    void WriteBytes(const std::string& bytes, int mode = 0) {
        std::ofstream(PathFileName(p, s, mode), std::ios::binary) << bytes;
    }
    /// The set as read must hold the content's paths, step by step.
    void ExpectSet(const TPathSet& set, const TPathFileContent& c, int o, int d) {
        const auto& want = c.pairs[std::size_t(o) * c.zoneCount + std::size_t(d)];
        ASSERT_EQ(want.size(), set.Count()) << o << "->" << d;
        for (std::size_t k = 0; k < want.size(); ++k) {
            const paths::TPath& path = *set.Get(k);
            EXPECT_EQ(std::int32_t(k + 1), path.number);
            EXPECT_EQ(double(want[k].turnDelay), path.turnDelay);
            ASSERT_EQ(want[k].steps.size(), path.steps.size());
            for (std::size_t s2 = 0; s2 < path.steps.size(); ++s2) {
                const auto& w = want[k].steps[s2];
                EXPECT_EQ(p.LinkRoutes().Get(std::size_t(std::abs(w.linkRoute) - 1)),
                          path.steps[s2].linkRoute);
                EXPECT_EQ(w.linkRoute < 0, path.steps[s2].reversed);
                EXPECT_EQ(w.weight, path.steps[s2].overlapWeight);
            }
        }
    }
};

TEST(PathFiles, NamesFollowTheProjectScenarioAndMode) {
    TPathStudy st(3, "names");
    EXPECT_EQ((st.dir / "TST00A.P1S").string(), PathFileName(st.p, st.s, 0));
    EXPECT_EQ((st.dir / "TST00A.P12Z").string(), PathFileName(st.p, st.s, 11, true));
    EXPECT_EQ(st.p.PathFileName(2), PathFileName(st.p, st.p.CurrentScenario(), 2));
    TScenario* child = st.p.NewScenario(st.s);
    child->SetName(" 1B ");
    EXPECT_EQ((st.dir / "TST1B.P1S").string(), PathFileName(st.p, child, 0));
    EXPECT_FALSE(HasPathFile(st.p, st.s, 0));
    std::ofstream(PathFileName(st.p, st.s, 0, true)) << "x";
    EXPECT_TRUE(HasPathFile(st.p, st.s, 0));
}

TEST(PathFiles, WrittenFilesReadBackPlainAndCompressed) {
    std::mt19937 rng(7);
    for (bool compressed : {false, true}) {
        TPathStudy st(5, compressed ? "rt_gz" : "rt");
        const TPathFileContent c = st.Random(rng);
        st.Write(c, 0, compressed);
        TPathFileSet fs(st.p, st.s);
        fs.Select(0, 0, 0, 1);
        ASSERT_TRUE(fs.File());
        for (int o = 0; o < 5; ++o)
            for (int d = 0; d < 5; ++d) {
                std::shared_ptr<TPathSet> set = fs.File()->GetSet(o, d);
                if (o == d)
                    EXPECT_EQ(0u, set->Count());
                else
                    st.ExpectSet(*set, c, o, d);
                EXPECT_FALSE(set->mismatch);
            }
        EXPECT_TRUE(st.capture.errors.empty());
    }
}

TEST(PathFiles, SteppingVisitsEveryPathOfEveryPairInOrder) {
    std::mt19937 rng(11);
    TPathStudy st(4, "step");
    const TPathFileContent c = st.Random(rng);
    st.Write(c);
    // The expected walk: origin-major, skipping the diagonal; a pair without paths is one stop.
    std::vector<std::array<int, 3>> walk;
    for (int o = 0; o < 4; ++o)
        for (int d = 0; d < 4; ++d)
            if (o != d) {
                const std::size_t n = c.pairs[std::size_t(o * 4 + d)].size();
                for (std::size_t k = 0; k < std::max<std::size_t>(n, 1); ++k)
                    walk.push_back({o, d, int(k)});
            }
    TPathFileSet fs(st.p, st.s);
    int told = 0;
    fs.AddObserver([&](const paths::TPath*, const paths::TPath*) { ++told; });
    fs.Select(0, 0, 0, 1);
    for (std::size_t i = 0; i < walk.size(); ++i) {
        EXPECT_EQ(walk[i], (std::array<int, 3>{fs.Origin(), fs.Destination(), fs.PathIndex()}))
            << "step " << i;
        fs.NextPath();
    }
    EXPECT_EQ((std::array<int, 3>{0, 1, 0}),
              (std::array<int, 3>{fs.Origin(), fs.Destination(), fs.PathIndex()}));
    EXPECT_GT(told, 0);
    // Backwards from the last path of the last pair to the first of the first, then no further.
    fs.Select(0, 3, 1000, 2);
    for (std::size_t i = walk.size(); i-- > 0;) {
        EXPECT_EQ(walk[i], (std::array<int, 3>{fs.Origin(), fs.Destination(), fs.PathIndex()}))
            << "back " << i;
        fs.PreviousPath();
    }
    EXPECT_EQ((std::array<int, 3>{0, 1, 0}),
              (std::array<int, 3>{fs.Origin(), fs.Destination(), fs.PathIndex()}));
}

TEST(PathFiles, SelectionRulesReverseAndPathsUsingALink) {
    std::mt19937 rng(3);
    TPathStudy st(4, "select");
    TMode* second = st.p.NewMode();
    (void)second;
    TPathFileContent c = st.Random(rng, 4);
    c.Pair(1, 2).resize(3, c.Pair(1, 2).empty() ? TPathFileContent::TPathRecord{1.0f, {{1, 1}}}
                                                : c.Pair(1, 2)[0]);
    c.Pair(2, 1).resize(3, TPathFileContent::TPathRecord{0.5f, {{2, 1}}});
    st.Write(c, 1); // only the second mode has a file
    TPathFileSet fs(st.p, st.s);
    fs.Select(0, 2, 0, 2);
    EXPECT_EQ(1, fs.Mode()); // the first mode with a file
    EXPECT_EQ(3, fs.Destination());
    fs.Select(1, 3, 0, 3);
    EXPECT_EQ(0, fs.Destination()); // wraps
    fs.Select(1, 1, 2, 2);
    EXPECT_EQ(2, fs.PathIndex());
    ASSERT_TRUE(fs.ReversePath());
    EXPECT_EQ(fs.File()->GetSet(2, 1)->Get(2), fs.ReversePath());
    fs.Select(1, 2, fs.PathIndex(), 1); // the reverse pair keeps the index
    EXPECT_EQ(2, fs.PathIndex());
    fs.SetDestination(3); // any other change resets it
    EXPECT_EQ(0, fs.PathIndex());
    fs.Select(1, 0, 99, 9);
    EXPECT_EQ(3, fs.Destination());
    EXPECT_EQ(fs.PathCount() ? int(fs.PathCount()) - 1 : 0, fs.PathIndex());

    // Paths using a link: against a scan of the content.
    TLink* link = st.p.FindLink(st.Node(1), st.Node(100));
    std::vector<TPathRef> want;
    for (int o = 0; o < 4; ++o)
        for (int d = 0; d < 4; ++d) {
            if (o == d) continue;
            const auto& pair = c.Pair(std::size_t(o), std::size_t(d));
            for (std::size_t k = 0; k < pair.size(); ++k)
                for (const auto& s2 : pair[k].steps)
                    if (st.p.LinkRoutes().Get(std::size_t(std::abs(s2.linkRoute) - 1))->Link() ==
                        link) {
                        want.push_back({o, d, int(k + 1)});
                        break;
                    }
        }
    const std::vector<TPathRef> got = fs.PathsUsingLink(link);
    ASSERT_EQ(want.size(), got.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(want[i].origin, got[i].origin);
        EXPECT_EQ(want[i].destination, got[i].destination);
        EXPECT_EQ(want[i].number, got[i].number);
    }
    EXPECT_FALSE(want.empty());
}

TEST(PathFiles, DamagedAndTruncatedFilesReportAndKeepWhatWasRead) {
    std::mt19937 rng(5);
    TPathStudy st(4, "damaged");
    TPathFileContent c = st.Random(rng);
    for (auto& pair : c.pairs)
        if (pair.empty()) pair.push_back({0.25f, {{1, 1}}});
    const std::string good = st.Bytes(c);
    const std::size_t header = 6 + 4 + 3 + 4 + 4 + 4; // up to the node table
    struct TCase {
        std::size_t at;
        const char* message;
    };
    // The node count check, a sequence number, the trailer.
    for (TCase k :
         {TCase{header - 4, "Error Reading Nodes:\n "}, TCase{header, "Error Reading Nodes:\n"},
          TCase{header + 3 * 16 + 12, "Error Reading Nodes:\n"}}) {
        std::string bad = good;
        bad[k.at] ^= 0x5A;
        st.WriteBytes(bad);
        st.capture.errors.clear();
        TPathFileSet fs(st.p, st.s);
        fs.Select(0, 0, 0, 1);
        ASSERT_EQ(1u, st.capture.errors.size()) << k.at;
        EXPECT_EQ(k.message, st.capture.errors[0]);
        EXPECT_EQ(0u, fs.PathCount());
        EXPECT_TRUE(fs.File()->ReadFailed());
    }
    // Cut inside the pairs: what came before stays, the rest is empty.
    for (std::size_t cut = good.size() - 1; cut > header + 3 * 16 + 16; cut -= 7) {
        st.WriteBytes(good.substr(0, cut));
        st.capture.errors.clear();
        TPathFile file(PathFileName(st.p, st.s, 0), st.p, st.s, 0, 64);
        const TMatPasCache& cache = file.Cache();
        ASSERT_EQ(1u, st.capture.errors.size());
        EXPECT_EQ("Error Reading Nodes:\nFile may be truncated", st.capture.errors[0]);
        std::size_t pair = 0;
        for (int o = 0; o < 4; ++o)
            for (int d = 0; d < 4; ++d) {
                if (o == d) continue;
                std::shared_ptr<TPathSet> set = file.GetSet(o, d);
                if (pair < cache.PairsRead()) {
                    st.ExpectSet(*set, c, o, d);
                } else if (pair > cache.PairsRead()) {
                    EXPECT_EQ(0u, set->Count());
                }
                ++pair;
            }
        EXPECT_LT(cache.PairsRead(), 12u);
    }
}

TEST(PathFiles, StepsOutsideTheStudySetTheMismatchFlag) {
    TPathStudy st(2, "mismatch");
    TPathFileContent c(2);
    const auto lrs = std::int32_t(st.p.LinkRoutes().Count());
    c.Pair(0, 1).push_back({0, {{0, 1}, {lrs + 1, 1}, {-(lrs + 5), 1}}});
    c.Pair(1, 0).push_back({0, {{lrs, 2}}});
    st.Write(c);
    TPathFile file(PathFileName(st.p, st.s, 0), st.p, st.s, 0, 64);
    auto set = file.GetSet(0, 1);
    ASSERT_EQ(1u, set->Count());
    EXPECT_TRUE(set->Get(0)->steps.empty());
    EXPECT_TRUE(set->mismatch);
    EXPECT_FALSE(file.GetSet(1, 0)->mismatch);
}

TEST(PathFiles, BufferedPathsSettingBoundsTheRecentSets) {
    TPathStudy st(4, "settings");
    const fs::path config = st.dir / "config";
    fs::create_directories(config / "Okkerwald");
    std::ofstream(config / "Okkerwald" / "KIV.INI") << "[Other]\nBufferedPaths=9\n[ paths ]\n"
                                                       "bufferedpaths = 3\n";
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    EXPECT_EQ(3, BufferedPathsSetting());
    std::mt19937 rng(1);
    st.Write(st.Random(rng));
    TPathFileSet fs(st.p, st.s);
    fs.Select(0, 0, 0, 1);
    for (int i = 0; i < 12; ++i)
        fs.NextPath();
    EXPECT_EQ(3, fs.File()->BufferedPaths());
    EXPECT_LE(fs.File()->RecentCount(), 3u);
    std::ofstream(config / "Okkerwald" / "KIV.INI") << "[Paths]\nBufferedPaths=lots\n";
    EXPECT_EQ(64, BufferedPathsSetting());
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST(PathChoice, TotalsProbabilitiesAndTheCompositeCost) {
    TPathStudy st(2, "choice");
    TOperator* op = st.op;
    op->SetValueIn(st.s, TOperator::kDistanceTariff, TValue(0.1));
    op->SetValueIn(st.s, TOperator::kMinWaitingTime, TValue(0.2));
    op->GetOrCreateOperatorCategoryFor(st.category)
        ->SetValueIn(st.s, TOperatorCategory::kAsc, TValue(0.7));
    st.category->SetValueIn(st.s, TCategory::kValueOfTravelTime, TValue(2.0));
    st.category->SetValueIn(st.s, TCategory::kValueOfWaitingTime, TValue(3.0));
    // Link-routes: 1-100 (10 long), 100-1 (5), 2-100 (20), 100-2 (10), all at speed 10.
    auto number = [&](int a, int b) {
        const TLinkRoute* lr = st.p.FindLink(st.Node(a), st.Node(b))->LinkRoutes().Get(0);
        return std::int32_t(st.p.LinkRoutes().IndexOf(lr) + 1);
    };
    TPathFileContent c(2);
    c.Pair(0, 1).push_back({0.5f, {{number(1, 100), 1}, {number(100, 2), 1}}});
    c.Pair(0, 1).push_back({0.0f, {{number(1, 100), 2}, {number(100, 2), 1}}});
    st.Write(c);
    TPathFile file(PathFileName(st.p, st.s, 0), st.p, st.s, 0, 64);
    auto set = file.GetSet(0, 1);
    ComputePathChoice(*set, st.category);
    const paths::TPath& a = *set->Get(0);
    EXPECT_DOUBLE_EQ(20.0, a.distance);
    EXPECT_DOUBLE_EQ(2.0, a.travelTime);
    EXPECT_DOUBLE_EQ(0.2, a.waitingTime); // one boarding
    EXPECT_EQ(1, a.boardings);
    EXPECT_TRUE(a.steps[0].boarding);
    EXPECT_FALSE(a.steps[1].boarding);
    EXPECT_DOUBLE_EQ(2.0 + 0.7, a.moneyCost); // tariffs and the operator's asc once
    const double genA = 2.7 + 2.0 * (2.0 + 0.5) + 3.0 * 0.2;
    EXPECT_DOUBLE_EQ(genA, a.generalisedCost);
    EXPECT_DOUBLE_EQ(genA, a.overlapCost); // weights of 1
    const paths::TPath& b = *set->Get(1);
    const double genB = 2.7 + 2.0 * 2.0 + 0.6;
    const double ovrB = 2.7 + 2.0 * (2 * 1.0 + 1.0) + 0.6; // first step's time doubled
    EXPECT_DOUBLE_EQ(genB, b.generalisedCost);
    EXPECT_DOUBLE_EQ(ovrB, b.overlapCost);
    const double wa = std::exp(-genA / std::min(genA, ovrB));
    const double wb = std::exp(-ovrB / std::min(genA, ovrB));
    EXPECT_DOUBLE_EQ(wa / (wa + wb), a.probability);
    EXPECT_DOUBLE_EQ(wb / (wa + wb), b.probability);
    const double u = wa + (1 - wa) * wb;
    EXPECT_DOUBLE_EQ(-std::log(u) * std::min(genA, genB), set->compositeCost);
    EXPECT_EQ("No", PathInfoHeadings()[0]);
    EXPECT_EQ("2:00:00", PathInfoTexts(a)[5]);
    EXPECT_EQ("0:30:00", PathInfoTexts(a)[11]);

    // A logit scaling of 0 leaves the costs unscaled; an elasticity of 0 is undefined.
    st.category->SetValueIn(st.s, TCategory::kPathChoiceLogitScaling, TValue(0.0));
    ComputePathChoice(*set, st.category);
    EXPECT_DOUBLE_EQ(std::exp(-genA) / (std::exp(-genA) + std::exp(-ovrB)),
                     set->Get(0)->probability);
    st.category->SetValueIn(st.s, TCategory::kPathChoiceElasticity, TValue(0.0));
    ComputePathChoice(*set, st.category);
    EXPECT_TRUE(std::isnan(set->compositeCost));
    // Without a category: the mean values of time over the categories of the mode.
    ComputePathChoice(*set, nullptr);
    EXPECT_DOUBLE_EQ(2.0 + 2.0 * 2.5 + 3.0 * 0.2, set->Get(0)->generalisedCost);
    auto empty = file.GetSet(1, 0);
    ComputePathChoice(*empty, st.category);
    EXPECT_EQ(0.0, empty->compositeCost);
}

TEST(PathChoice, PageTexts) {
    EXPECT_EQ("12.346", FixedText(12.3456, 7, 3));
    EXPECT_EQ("1234567.000", FixedText(1234567.0, 7, 3));
    EXPECT_EQ("1234.568", FixedText(1234.5678, 7, 3));
    EXPECT_EQ("123456.800", FixedText(123456.789, 7, 3));
    EXPECT_EQ("0.5", CompositeCostText(0.5));
    EXPECT_EQ("0.0", CompositeCostText(0.0));
    EXPECT_EQ("1.235", CompositeCostText(1.23456));
    EXPECT_EQ("FOREVER", analysis::HoursText(std::numeric_limits<double>::infinity()));
    EXPECT_EQ("26:30:00", analysis::HoursText(26.5));
}

} // namespace
} // namespace zep::analysis::test
