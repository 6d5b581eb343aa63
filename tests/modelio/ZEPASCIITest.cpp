#include "modelio/ZEPASCII.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "foundation/OrvMessages.h"

namespace zep::modelio {
namespace {

namespace fs = std::filesystem;

TEST(ZEPASCIIRealRendering, Table) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double value;
        const char* text;
    };
    // clang-format off
    const Case cases[] = {
        {0, "0"}, {-0.0, "0"}, {0.5, "0.5"}, {2.50, "2.5"}, {-2.5, "-2.5"}, {60, "60"},
        {1234567, "1234567"}, {1234567.4, "1234567"}, {123456.75, "123456.8"},
        {9999999, "9999999"}, {9999999.5, "1E7"}, {12345678, "1.234568E7"},
        {-12345678, "-1.234568E7"}, {99999999, "1E8"}, {2147483647.0, "2.147484E9"},
        {0.00001, "0.00001"}, {-0.00001, "-0.00001"}, {0.000012345678, "0.00001234568"},
        {0.000001, "1E-6"}, {0.0000099, "9.9E-6"}, {-0.0000012345678, "-1.234568E-6"},
        {1.0 / 3.0, "0.3333333"}, {-2.0 / 3.0, "-0.6666667"}, {1e100, "1E100"},
        {1e-100, "1E-100"}, {std::numeric_limits<double>::max(), "1.797693E308"},
        {std::numeric_limits<double>::lowest(), "-1.797693E308"},
        {std::numeric_limits<double>::min(), "2.225074E-308"},
        {std::numeric_limits<double>::denorm_min(), "4.940656E-324"},
        {inf, "-1"}, {-inf, "-1"}, {std::nan(""), "-1"},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(RenderReal(c.value), c.text) << c.value;
}

// Every rendering reads back as the value rounded to seven significant digits, in the notation
// the magnitude calls for and without superfluous characters.
TEST(ZEPASCIIRealRendering, ReadsBackWithinSevenDigitsInTheRightNotation) {
    std::mt19937_64 rng(20261208);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int i = 0; i < 20000; ++i) {
        double v = mantissa(rng) * std::pow(10.0, exponent(rng));
        if (i % 2) v = -v;
        std::string text = RenderReal(v);
        SCOPED_TRACE(text);
        char* end = nullptr;
        double back = std::strtod(text.c_str(), &end);
        ASSERT_EQ(*end, '\0');
        EXPECT_LE(std::fabs(back - v), std::fabs(v) * 5.000001e-7);
        EXPECT_EQ(text.find_first_of(",+ "), std::string::npos);
        std::size_t e = text.find('E');
        std::string mant = text.substr(0, e);
        if (mant.find('.') != std::string::npos) {
            EXPECT_NE(mant.back(), '0');
        }
        EXPECT_NE(mant.back(), '.');
        bool scientific = std::fabs(back) >= 9999999.5 || std::fabs(v) < 0.00001;
        EXPECT_EQ(e != std::string::npos, scientific);
        std::string significant;
        for (char c : mant)
            if (c >= '0' && c <= '9' && (c != '0' || !significant.empty())) significant += c;
        EXPECT_LE(significant.size(), 7u);
    }
}

// The regional settings never reach the model files. The test builds a locale whose decimal
// separator is a two-byte character (Pashto, U+066B), the hardest case for printf-based code.
TEST(ZEPASCIIRealRendering, IgnoresTheRegionalSettings) {
    fs::path dir = fs::temp_directory_path() / ("zepascii_locale_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string cmd =
        "localedef -i ps_AF -f UTF-8 " + (dir / "ps_AF.UTF-8").string() + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 && !fs::exists(dir / "ps_AF.UTF-8")) {
        fs::remove_all(dir);
        GTEST_SKIP() << "cannot build a test locale";
    }
    ::setenv("LOCPATH", dir.c_str(), 1);
    bool switched = std::setlocale(LC_ALL, "ps_AF.UTF-8") != nullptr;
    std::string half = RenderReal(0.5), mixed = RenderReal(1234.5678), big = RenderReal(12345678.0),
                small = RenderReal(0.000012345);
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    fs::remove_all(dir);
    if (!switched) GTEST_SKIP() << "test locale not accepted";
    EXPECT_EQ(half, "0.5");
    EXPECT_EQ(mixed, "1234.568");
    EXPECT_EQ(big, "1.234568E7");
    EXPECT_EQ(small, "0.000012345");
}

TEST(ZEPASCIIColumns, WidthsAndJustification) {
    EXPECT_EQ(IntCol(42), "      42 ");
    EXPECT_EQ(IntCol(-7), "      -7 ");
    EXPECT_EQ(IntCol(123456789), "123456789 ");
    EXPECT_EQ(IntCol(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808 ");
    EXPECT_EQ(IntCol("Zone"), "    Zone ");
    EXPECT_EQ(IntCol("Available Modes .../"), "Available Modes .../ ");
    EXPECT_EQ(RealCol(0.5), "       0.5 ");
    EXPECT_EQ(RealCol(-1.234568e-10), "-1.234568E-10 ");
    EXPECT_EQ(RealCol(std::numeric_limits<double>::infinity()), "        -1 ");
    EXPECT_EQ(RealCol(std::optional<double>()), "  0#Error! ");
    EXPECT_EQ(RealCol(std::optional<double>(3)), "         3 ");
    EXPECT_EQ(WideCol(12345678.0), "    1.234568E7 ");
    EXPECT_EQ(WideCol(std::optional<double>()), "      0#Error! ");
    EXPECT_EQ(RightText(10, "Convergence"), "Convergenc ");
    EXPECT_EQ(RightText(8, "No."), "     No. ");
    EXPECT_EQ(RightText(8, ""), "         ");
    EXPECT_EQ(LeftText(15, "Name"), "Name            ");
    EXPECT_EQ(LeftText(10, "MinTarfMinTarf"), "MinTarfMin ");
    EXPECT_EQ(SectionEndLine(), "*" + std::string(73, '-') + " /");
    EXPECT_EQ(SectionEndLine().size(), 76u);
}

TEST(ZEPASCIIColumns, NamesAreQuotedCutAndConverted) {
    EXPECT_EQ(NameCol("Name"), "'Name'          ");
    EXPECT_EQ(NameCol(""), "' '             ");
    EXPECT_EQ(NameCol("  \t "), "' '             ");
    EXPECT_EQ(NameCol("'"), "' '             ");
    EXPECT_EQ(NameCol("O'Hare"), "'O Hare'        ");
    EXPECT_EQ(NameCol("'quoted'"), "'quoted'        ");
    EXPECT_EQ(NameCol("  Downtown  "), "'Downtown'      ");
    EXPECT_EQ(NameCol("ABCDEFGHIJKLMNOP"), "'ABCDEFGHIJKLM' ");
    // Cut to 13, then the blank the cut exposed is trimmed.
    EXPECT_EQ(NameCol("ABCDEFGHIJKL MNO"), "'ABCDEFGHIJKL'  ");
    // Windows-1252 "é" (0xE9) is 0x82 in CP850; "€" has no CP850 form.
    EXPECT_EQ(NameCol("Caf\xE9"), "'Caf\x82'          ");
    EXPECT_EQ(NameCol("\x80"), "'?'             ");
    for (const char* name : {"", "x", "O'Hare", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "''''''''''''''"})
        EXPECT_EQ(NameCol(name).size(), 16u) << name;

    EXPECT_EQ(QuotedText(32, "Example study"), "'Example study'                  ");
    EXPECT_EQ(QuotedText(8, "abcdefghij"), "'abcdef' ");
    EXPECT_EQ(QuotedText(8, "abcde fgh"), "'abcde'  ");
    EXPECT_EQ(QuotedText(10, "Bob's"), "'Bob s'    ");
    EXPECT_EQ(QuotedText(6, ""), "''     ");
}

TEST(ZEPASCIIColumns, LineBuilder) {
    std::string line =
        TLine().Ind().I(7).N("Zone 7").R(0.5).W(2.0).T(6, "ab").L(3, "xy").Text("/").Str();
    EXPECT_EQ(line, "    "
                    "       7 "
                    "'Zone 7'        "
                    "       0.5 "
                    "             2 "
                    "    ab "
                    "xy  "
                    "/");
}

TEST(ZEPASCIITitle, StudyAndScenarioLines) {
    TTitleInfo info{"ZONE DEFINITION -- File Z1E", "EXA", "Example study", std::nullopt};
    TLines lines = TitleBlock(info);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "ZONE DEFINITION -- File Z1E  (VARDEN v12.10.1 )");
    EXPECT_EQ(lines[1], "Study:EXA Example study");
    EXPECT_EQ(lines[2], std::string(73, '-') + " /");
    info.scenario = TTitleInfo::Scenario{"01A", "Do minimum"};
    lines = TitleBlock(info);
    EXPECT_EQ(lines[1], "Study:EXA Example study Year: 01A Policy: Do minimum");
}

TEST(ZEPASCIIFileNames, ProjectAndScenarioCodes) {
    const std::string scenario = "01A";
    std::string dir = "/studies/exa";
    EXPECT_EQ(InputFileName(dir + "/exa.zpz", "Exa", &scenario, "W_", true, "P0E"),
              "/studies/exa/01A/W_EXA01A.P0E");
    EXPECT_EQ(InputFileName(dir + "/exa.zpz", "Exa", nullptr, "W_", true, "Z1E"),
              "/studies/exa/W_EXA.Z1E");
    EXPECT_EQ(InputFileName(dir + "/exa.zpz", "Exa", &scenario, "W_", false, ".P0E"),
              "/studies/exa/W_EXA01A.P0E");
    EXPECT_EQ(InputFileName(dir + "/exa.zpz", "Example", &scenario, "energy_", true, ""),
              "/studies/exa/01A/ENERGY_EXA01A");
    // The scenario directory keeps the code's letter case; the base name is upper-cased.
    const std::string lower = "b2x";
    EXPECT_EQ(InputFileName("/s/p.zpz", "abc", &lower, "W_", true, "L1E"), "/s/b2x/W_ABCB2X.L1E");
    // Short and padded names give short codes.
    EXPECT_EQ(InputFileName("/s/p.zpz", "Ab", nullptr, "W_", true, "Z1E"), "/s/W_AB.Z1E");
    EXPECT_EQ(InputFileName("/s/p.zpz", "  Ab", nullptr, "W_", true, "Z1E"), "/s/W_AB.Z1E");
    EXPECT_EQ(InputFileName("/s/p.zpz", "", nullptr, "W_", true, "Z1E"), "/s/W_.Z1E");
    EXPECT_EQ(InputFileName("p.zpz", "Exa", nullptr, "W_", true, "Z1E"), "W_EXA.Z1E");
    // The extension replaces one the codes brought along.
    EXPECT_EQ(InputFileName("/s/p.zpz", "S.L", nullptr, "W_", true, "Z1E"), "/s/W_S.Z1E");
}

TEST(ZEPASCIIFileNames, NamesCannotLeaveTheStudyDirectory) {
    const std::string up = "..";
    const std::string slash = "a/b";
    EXPECT_EQ(InputFileName("/s/p.zpz", "../x", nullptr, "W_", true, "Z1E"), "/s/W_..Z1E");
    EXPECT_EQ(InputFileName("/s/p.zpz", "Exa", &up, "W_", true, "P0E"), "/s/__/W_EXA..P0E");
    EXPECT_EQ(InputFileName("/s/p.zpz", "Exa", &slash, "W_", true, "P0E"), "/s/a_b/W_EXAA_B.P0E");
}

class ZEPASCIISave : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zepascii_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    static std::string Bytes(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Age(const fs::path& p) {
        fs::last_write_time(p, fs::last_write_time(p) - std::chrono::hours(24));
    }
    std::size_t EntriesIn(const fs::path& d) {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(d), fs::directory_iterator()));
    }
    fs::path dir_;
};

TEST_F(ZEPASCIISave, CreatesDirectoriesAndEndsLinesWithCrLf) {
    fs::path file = dir_ / "01A" / "W_EXA01A.P0E";
    EXPECT_TRUE(SaveIfChanged(file.string(), {"first", "", "  third /"}));
    EXPECT_EQ(Bytes(file), "first\r\n\r\n  third /\r\n");
    EXPECT_EQ(EntriesIn(file.parent_path()), 1u);
    EXPECT_EQ(ReadLines(file.string()), (TLines{"first", "", "  third /"}));
}

TEST_F(ZEPASCIISave, UnchangedContentKeepsTheTimeStamp) {
    fs::path file = dir_ / "W_EXA.Z1E";
    TLines lines = {"a", "b"};
    ASSERT_TRUE(SaveIfChanged(file.string(), lines));
    Age(file);
    auto stamp = fs::last_write_time(file);
    EXPECT_FALSE(SaveIfChanged(file.string(), lines));
    EXPECT_EQ(fs::last_write_time(file), stamp);

    // The comparison is by lines: the same lines with other line ends count as unchanged.
    std::ofstream(file, std::ios::binary) << "a\nb";
    Age(file);
    stamp = fs::last_write_time(file);
    EXPECT_FALSE(SaveIfChanged(file.string(), lines));
    EXPECT_EQ(fs::last_write_time(file), stamp);

    EXPECT_TRUE(SaveIfChanged(file.string(), {"a", "b", ""}));
    EXPECT_GT(fs::last_write_time(file), stamp);
    EXPECT_EQ(Bytes(file), "a\r\nb\r\n\r\n");
    EXPECT_TRUE(SaveIfChanged(file.string(), {"a", "c"}));
    EXPECT_EQ(Bytes(file), "a\r\nc\r\n");
    EXPECT_TRUE(SaveIfChanged(file.string(), {}));
    EXPECT_EQ(Bytes(file), "");
    EXPECT_EQ(EntriesIn(dir_), 1u);
}

TEST_F(ZEPASCIISave, SaveLinesAlwaysRewritesButCreatesNoDirectory) {
    fs::path file = dir_ / "W_EXA01A.L3E";
    fs::create_directories(dir_);
    SaveLines(file.string(), {"x"});
    Age(file);
    auto stamp = fs::last_write_time(file);
    SaveLines(file.string(), {"x"});
    EXPECT_GT(fs::last_write_time(file), stamp);
    EXPECT_EQ(Bytes(file), "x\r\n");
    EXPECT_THROW(SaveLines((dir_ / "01A" / "W_EXA01A.L3E").string(), {"x"}), EFCreateError);
    EXPECT_FALSE(fs::exists(dir_ / "01A"));
}

TEST_F(ZEPASCIISave, FailuresRaiseAndKeepTheOldFile) {
    fs::path file = dir_ / "W_EXA.Z1E";
    ASSERT_TRUE(SaveIfChanged(file.string(), {"old"}));

    // A file where a directory is needed.
    try {
        SaveIfChanged((file / "x.P0E").string(), {"new"});
        FAIL() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(
                      "Cannot create file \"" + (file / "x.P0E").string() + "\". ", 0),
                  0u)
            << e.what();
    }

    if (::geteuid() != 0) {
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_THROW(SaveIfChanged(file.string(), {"new"}), EFCreateError);
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
        fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_THROW(SaveIfChanged(file.string(), {"new"}), EFCreateError);
        fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::add);
    }
    EXPECT_EQ(Bytes(file), "old\r\n");
    EXPECT_EQ(EntriesIn(dir_), 1u);
}

class RecordingHandler : public TNullMessageHandler {
public:
    void Progress(const std::string& text, double fraction) override {
        reports.emplace_back(text, fraction);
    }
    std::vector<std::pair<std::string, double>> reports;
};

TEST(ZEPASCIIProgress, TextsAndFractions) {
    EXPECT_EQ(SectionProgressText("P0E", "01A", "1 "), "P0E01A Section 1 ");
    EXPECT_EQ(SectionProgressText("Z1E", "", "1.0 "), "Z1E Section 1.0 ");
    EXPECT_EQ(SectionProgressText("F1E", "01A", "3.1"), "F1E01A Section 3.1");
    RecordingHandler handler;
    ScopedMessageHandler scope(handler);
    ReportProgress("Z1E Section 1.0 ", 1, 4);
    ReportProgress("Z1E Section 3.0 ", 0, 0);
    ReportProgress("P0E01A Section 2 ", 0.4);
    ASSERT_EQ(handler.reports.size(), 3u);
    EXPECT_EQ(handler.reports[0], std::make_pair(std::string("Z1E Section 1.0 "), 0.25));
    EXPECT_EQ(handler.reports[1].second, 1.0);
    EXPECT_EQ(handler.reports[2].second, 0.4);
}

} // namespace
} // namespace zep::modelio
