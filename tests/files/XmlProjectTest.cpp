// Whole studies through the XML form: written, checked by xmllint, read and written again; the
// native file's study through XML and back; the writer's order, progress and value rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/PrjFile.h"
#include "files/TXMLIn.h"
#include "files/TXMLOut.h"
#include "foundation/Format.h"
#include "foundation/ORVGZipStreams.h"
#include "foundation/OrvMessages.h"
#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/Consistency.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/SampleStudy.h"
#include "model/StudyText.h"
#include "model/Zone.h"

namespace zep::files {
namespace {

using namespace zep::model;

std::string Export(TProject& p) {
    TMemoryStream out;
    TXMLWriter(p).Write(out);
    return out.Data();
}

std::unique_ptr<TProject> Import(const std::string& xml) {
    auto p = std::make_unique<TProject>();
    LoadXmlProjectFromMemory(*p, xml, "study.xml");
    return p;
}

class XmlProject : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterModelStreamClasses(); }
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("zep_xmlproject_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    /// xmllint's verdict on a file: "" when well-formed, its complaint otherwise.
    std::string Lint(const std::string& path) const {
        const std::string log = Path("xmllint.log");
        const int rc = std::system(("xmllint --noout '" + path + "' 2> '" + log + "'").c_str());
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        return rc == 0 ? "" : "rc " + std::to_string(rc) + ": " + text.str().substr(0, 500);
    }
    static std::string ReadFile(const std::string& path) {
        TMemoryStream m;
        m.LoadFromFile(path);
        return m.Data();
    }
    std::filesystem::path dir_;
};

// Export, import, export: the form is a fixed point from the first document on, and the study
// read is consistent.
void RoundTrip(TProject& study) {
    const std::string first = Export(study);
    auto once = Import(first);
    EXPECT_EQ(ConsistencyReport(*once), "");
    const std::string second = Export(*once);
    ASSERT_EQ(first.size(), second.size());
    ASSERT_TRUE(first == second);
    auto twice = Import(second);
    EXPECT_EQ(StudyText(*once), StudyText(*twice));
}

TEST_F(XmlProject, SampleStudyRoundTrip) {
    TProject study;
    BuildSampleStudy(study);
    RoundTrip(study);
}

TEST_F(XmlProject, LargeSyntheticStudyRoundTrip) {
    TProject study;
    BuildSyntheticStudy(study, TStudySizes{});
    RoundTrip(study);
    EXPECT_GT(study.LinkRoutes().Count(), 90000u);
    ExportXml(study, Path("large.xmlz"), true);
    std::ofstream(Path("large.xml"), std::ios::binary) << Export(study);
    EXPECT_EQ(Lint(Path("large.xml")), "");
    EXPECT_EQ(Lint(Path("large.xmlz")), ""); // xmllint inflates gzip itself
}

TEST_F(XmlProject, FilesPassXmllintPlainAndCompressed) {
    TProject study;
    BuildSampleStudy(study);
    ExportXml(study, Path("exa.xml"), false);
    ExportXml(study, Path("exa.xmlz"), true);
    EXPECT_FALSE(std::filesystem::exists(Path("exa.xml.part")));
    const std::string plain = ReadFile(Path("exa.xml"));
    // No XML declaration: the document starts with the root's start tag.
    EXPECT_EQ(plain.rfind("<model name=\"EXA\">", 0), 0u);
    EXPECT_EQ(Lint(Path("exa.xml")), "");

    const std::string packed = ReadFile(Path("exa.xmlz"));
    ASSERT_GT(packed.size(), 10u);
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x1F);
    EXPECT_EQ(static_cast<unsigned char>(packed[1]), 0x8B);
    TMemoryStream source(packed);
    TGUnzipStream unzip(source);
    EXPECT_EQ(unzip.FileName(), "exa.xmlz");
    EXPECT_EQ(unzip.Comment(), "VARDEN Database");
    const std::string inflated = unzip.ReadAll();
    EXPECT_TRUE(inflated == plain);
    std::ofstream(Path("inflated.xml"), std::ios::binary) << inflated;
    EXPECT_EQ(Lint(Path("inflated.xml")), "");

    // SaveXmlProject compresses by the extension, whatever its case; the reader does not care.
    SaveXmlProject(study, Path("upper.XMLZ"));
    EXPECT_EQ(static_cast<unsigned char>(ReadFile(Path("upper.XMLZ"))[0]), 0x1F);
    TProject a, b;
    LoadXmlProject(a, Path("exa.xml"));
    LoadXmlProject(b, Path("upper.XMLZ"));
    EXPECT_EQ(DumpProject(a), DumpProject(b));

    // A failed export leaves the earlier file as it was and no temporary file.
    EXPECT_THROW(ExportXml(study, Path("missing/dir.xml"), false), Exception);
    EXPECT_FALSE(std::filesystem::exists(Path("missing")));
}

// ---- the native file's study through XML ------------------------------------------------------

TEST_F(XmlProject, NativeThroughXmlKeepsTheStudy) {
    TProject built;
    BuildSampleStudy(built);
    SaveProjectFile(Path("exa.zpz"), built);
    TProject native;
    OpenProjectFile(Path("exa.zpz"), native);
    const std::string before = StudyText(native);
    SaveXmlProject(native, Path("exa.xml"));

    // Opening a project file named .xml goes to the XML reader.
    TProject fromXml;
    OpenProjectFile(Path("exa.xml"), fromXml);
    EXPECT_EQ(fromXml.FileName(), Path("exa.xml"));
    EXPECT_EQ(ConsistencyReport(fromXml), "");
    SaveProjectFile(Path("back.zpz"), fromXml);
    TProject back;
    OpenProjectFile(Path("back.zpz"), back);
    EXPECT_EQ(StudyText(back), before);
}

// ---- writer rules -----------------------------------------------------------------------------

class TRecordingHandler : public TNullMessageHandler {
public:
    void Progress(const std::string& text, double fraction) override {
        steps.emplace_back(text, fraction);
    }
    void ProgressDone() override { done = true; }
    std::vector<std::pair<std::string, double>> steps;
    bool done = false;
};

TEST_F(XmlProject, ProgressTextsAndFractions) {
    TProject study;
    BuildSampleStudy(study);
    TRecordingHandler h;
    {
        ScopedMessageHandler scope(h);
        Export(study);
    }
    const std::vector<std::pair<std::string, float>> expected = {
        {"Writing zones...", 0.0f},
        {"Writing cateogories...", 1.0f / 27},
        {"Writing sectors...", 2.0f / 27},
        {"Writing administrators...", 3.0f / 27},
        {"Writing modes...", 4.0f / 27},
        {"Writing operators...", 5.0f / 27},
        {"Writing routes...", 6.0f / 27},
        {"Writing link-types...", 7.0f / 27},
        {"Writing nodes...", 8.0f / 27},
        {"Writing links...", 10.0f / 27},
        {"Writing link-routes...", 18.0f / 27},
        {"Writing exogenous trips...", 26.0f / 27},
        {"Writing economic data", 1.0f},
        {"Writing...", 28.0f / 27},
        {"Writing", 29.0f / 27},
    };
    ASSERT_EQ(h.steps.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(h.steps[i].first, expected[i].first);
        EXPECT_EQ(h.steps[i].second, static_cast<double>(expected[i].second)) << i;
    }
    EXPECT_EQ(h.steps[1].second, static_cast<double>(0.037037037f));
    EXPECT_TRUE(h.done);
}

TEST_F(XmlProject, ValuesAttributesAndSkips) {
    TProject p;
    TScenario* base = p.BaseScenario();
    TScenario* s1 = p.NewScenario(base);
    TScenario* s2 = p.NewScenario(s1);
    s1->SetName("01A");
    s2->SetName("02A");
    TMode* car = p.NewMode(3);
    car->SetName("  car\t");
    car->SetDescription(" \n ");
    // A child scenario going back to the default still overrides its parent's value.
    car->SetValueIn(s1, TMode::kPathOverlappingFactor, TValue(2.0));
    car->SetValueIn(s2, TMode::kPathOverlappingFactor, TValue(1.0));
    // Equal to what the parent gives: compacted away before writing.
    car->SetValueIn(s1, TMode::kNofPaths, TValue(5.0));
    car->RawVersion(s2).RawPut(TMode::kNofPaths, TValue(5.0));
    TMode* internal = p.NewMode(-4);
    internal->SetName("hidden");
    TOperator* op = p.NewOperator(car, 2);
    op->SetType(otRoute);
    TRoute* route = p.NewRoute(op, 9);
    TNode* a = p.NewNode(1);
    TNode* b = p.NewNode(2);
    TLink* link = p.LinkBetween(a, b);
    p.NewLinkRoute(link, route);

    const std::string xml = Export(p);
    EXPECT_NE(xml.find("<mode name=\"car\" id=\"m_3\">\n"
                       "      <prop name=\"path_overlapping_factor\" value=\"2\" in=\"s_01A\" />\n"
                       "      <prop name=\"nof_paths\" value=\"5\" in=\"s_01A\" />\n"
                       "      <prop name=\"path_overlapping_factor\" value=\"1\" in=\"s_02A\" />\n"
                       "    </mode>"),
              std::string::npos)
        << xml;
    EXPECT_EQ(xml.find("nof_paths\" value=\"5\" in=\"s_02A"), std::string::npos);
    EXPECT_EQ(xml.find("hidden"), std::string::npos);
    // Operators are written whatever their number; routes carry their operator; the operator's
    // internal route and its link-routes are not written.
    EXPECT_NE(xml.find("<operator type=\"route\" mode=\"m_3\" id=\"o_2\" />"), std::string::npos);
    EXPECT_NE(xml.find("<route operator=\"o_2\" id=\"r_9\">"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("r_-2"), std::string::npos);
    EXPECT_NE(xml.find("<link_route from=\"n_1\" to=\"n_2\" route=\"r_9\" />"), std::string::npos);

    auto back = Import(xml);
    TMode* car2 = static_cast<TMode*>(back->Modes().FindById(3));
    ASSERT_NE(car2, nullptr);
    TScenario* b2 = back->Scenarios().FindScenario("02A");
    EXPECT_EQ(car2->GetFloatIn(b2, TMode::kPathOverlappingFactor), 1.0);
    EXPECT_EQ(
        car2->GetFloatIn(back->Scenarios().FindScenario("01A"), TMode::kPathOverlappingFactor),
        2.0);
    EXPECT_EQ(car2->GetName(), "car");
}

} // namespace
} // namespace zep::files
