// Whole studies through the XML form: written, checked by xmllint, read and written again; the
// native file's study through XML and back; the writer's order, progress and value rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
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

/// The first export without what the reader does not take back: the sector attributes
/// sector_type and target_sector, and the attraction functions.
std::string WithoutUnread(const std::string& xml) {
    static const std::regex sectorAttributes(R"( (sector_type|target_sector)="[^"]*")");
    std::string s = std::regex_replace(xml, sectorAttributes, "");
    const auto from = s.find("  <attraction_functions>");
    const auto to = s.find("  </attraction_functions>\n");
    if (from != std::string::npos && to != std::string::npos)
        s.replace(from, to + 26 - from, "  <attraction_functions />\n");
    return s;
}

// Export, import, export: the second document is the first without what the reader leaves
// out; from then on the form is a fixed point, and the study read is consistent.
void RoundTrip(TProject& study, bool expectUnread) {
    const std::string first = Export(study);
    auto once = Import(first);
    EXPECT_EQ(ConsistencyReport(*once), "");
    const std::string second = Export(*once);
    EXPECT_EQ(first != second, expectUnread);
    ASSERT_EQ(WithoutUnread(first).size(), second.size());
    ASSERT_TRUE(WithoutUnread(first) == second);
    auto twice = Import(second);
    const std::string third = Export(*twice);
    ASSERT_TRUE(second == third);
    EXPECT_EQ(DumpProject(*once), DumpProject(*twice));
}

TEST_F(XmlProject, SampleStudyRoundTrip) {
    TProject study;
    BuildSampleStudy(study);
    RoundTrip(study, true);
}

TEST_F(XmlProject, LargeSyntheticStudyRoundTrip) {
    TProject study;
    BuildSyntheticStudy(study, TStudySizes{});
    RoundTrip(study, false);
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

/// The specification sets of the classes a study dump names.
const TPropSpecSet* SpecsOf(const std::string& cls) {
    static const std::map<std::string, TPropSpecSet*> sets = {
        {"TProject", &TProject::ClassSpecs()},
        {"TNode", &TNode::ClassSpecs()},
        {"TMicroZone", &TMicroZone::ClassSpecs()},
        {"TExternalZone", &TExternalZone::ClassSpecs()},
        {"TLink", &TLink::ClassSpecs()},
        {"TTurnRestriction", &TTurnRestriction::ClassSpecs()},
        {"TLinkRoute", &TLinkRoute::ClassSpecs()},
        {"TRoute", &TRoute::ClassSpecs()},
        {"TOperatorRoute", &TOperatorRoute::ClassSpecs()},
        {"TLinkType", &TLinkType::ClassSpecs()},
        {"TLinkTypeOper", &TLinkTypeOper::ClassSpecs()},
        {"TMode", &TMode::ClassSpecs()},
        {"TCategory", &TCategory::ClassSpecs()},
        {"TOperator", &TOperator::ClassSpecs()},
        {"TTransfer", &TTransfer::ClassSpecs()},
        {"TOperatorCategory", &TOperatorCategory::ClassSpecs()},
        {"TAdministrator", &TAdministrator::ClassSpecs()},
        {"TSector", &TSector::ClassSpecs()},
        {"TSectorInteraction", &TSectorInteraction::ClassSpecs()},
        {"TSectorZone", &TSectorZone::ClassSpecs()},
        {"TODPair", &TODPair::ClassSpecs()},
        {"TCategoryMode", &TCategoryMode::ClassSpecs()},
    };
    auto it = sets.find(cls);
    return it == sets.end() ? nullptr : it->second;
}

/// A study dump with every difference the XML form is known to make taken out, so that any
/// other difference shows. The XML form
/// - carries values as their specification's text (numbers to 7 significant digits or the
///   display format, in the property's own type), so numbers are compared in that text;
/// - does not carry values of psNotStored specifications (a turn's "restriction", a mode's
///   "is_public", ...), nor a sector's sector_type and target_sector;
/// - has no macro zones (and so no zone's macro zone), no sector-category records and no
///   attraction functions;
/// - leaves out values of the root scenario equal to their default, a category's available
///   modes and the substitutes of a sector interaction;
/// - gives a value back under the property its exchange name resolves to (a sector-zone
///   record's two declarations of "exog_prod");
/// - reads every transport zone as a micro zone (an external one keeps "external" = true);
/// - holds records without an identifier of their own (transfers, operator-category and
///   link-type records) in the order the reader creates them: an operator's transfer to itself
///   comes first.
std::string Normalized(const std::string& dump, const std::string& rootKey) {
    std::istringstream in(dump);
    std::vector<std::string> out;
    std::string line, cls;
    bool skipEntity = false;
    bool root = false;
    static const std::regex valueLine(R"(^(\s+)(-?\d+)=(\w+):(.*)$)");
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        // A category's available modes are not part of the XML form.
        if (std::regex_search(line, std::regex(R"(^c_\d+ modes \{)"))) continue;
        if (line.find(" sub-zones {") != std::string::npos) continue;
        // Nor are the substitutes of a sector interaction.
        line = std::regex_replace(line, std::regex(R"( substitutes \{[^}]*\})"), " substitutes {}");
        if (line.find('{') != std::string::npos) {
            // Members of a node's link lists and the like come in the order they were made.
            static const std::regex group(R"(\{([^}]*)\})");
            std::string sorted;
            std::size_t at = 0;
            for (auto it = std::sregex_iterator(line.begin(), line.end(), group);
                 it != std::sregex_iterator(); ++it) {
                std::istringstream words((*it)[1].str());
                std::vector<std::string> items;
                for (std::string w; words >> w;)
                    items.push_back(w);
                std::sort(items.begin(), items.end());
                sorted += line.substr(at, static_cast<std::size_t>(it->position()) - at) + "{";
                for (std::size_t i = 0; i < items.size(); ++i)
                    sorted += (i ? " " : "") + items[i];
                sorted += "}";
                at = static_cast<std::size_t>(it->position() + it->length());
            }
            line = sorted + line.substr(at);
        }
        if (line[0] != ' ') {
            cls = line.substr(0, line.find(' '));
            skipEntity = cls == "TMacroZone" || cls == "TMacroZoneList" ||
                         cls == "TAttractionFunction" || cls == "TAttractionFunctionList" ||
                         cls == "TAttractor" || cls == "TAttractorList" ||
                         cls == "TSectorCategory" || cls == "TSectorCategoryList" ||
                         cls == "function";
            if (skipEntity) continue;
            line = std::regex_replace(line, std::regex("TExternalZone"), "TMicroZone");
            // List indexes of records follow creation order, which the XML form does not keep.
            if (cls == "TTransfer" || cls == "TOperatorCategory" || cls == "TLinkTypeOper")
                line = std::regex_replace(line, std::regex(" #\\d+$"), "");
            out.push_back(line);
            continue;
        }
        if (skipEntity) continue;
        if (line.find("TMacroZone") != std::string::npos ||
            line.find("TAttractionFunction") != std::string::npos)
            continue;
        if (line.rfind("  [", 0) == 0) root = line == "  [" + rootKey + "]";
        std::smatch m;
        const TPropSpecSet* specs = SpecsOf(cls == "TExternalZone" ? "TMicroZone" : cls);
        if (specs && std::regex_match(line, m, valueLine)) {
            const TPropSpec* spec = specs->FindById(std::stoi(m[2]));
            if (!spec || spec->HasFlag(psNotStored)) continue;
            // A value comes back under the property its exchange name names (two declarations
            // of a sector-zone record share one).
            if (const TPropSpec* named = specs->FindByName(spec->Name())) spec = named;
            if (cls == "TSector" &&
                (spec->Id() == TSector::kSectorType || spec->Id() == TSector::kTargetSector))
                continue;
            const std::string kind = m[3];
            if (kind != "s" && kind != "b" && kind != "obj" && kind != "empty") {
                double v = TextToNumber(m[4].str());
                TValue text(spec->KeyText(TValue(v)));
                TValue typed = text;
                spec->CheckType(typed);
                // The root scenario's values equal to the default say nothing and are not
                // written.
                if (root && m[1].str().size() == 4 && ValuesEqual(typed, spec->Default())) continue;
                line = m[1].str() + std::to_string(spec->Id()) + "=" + spec->KeyText(typed);
            } else {
                line = m[1].str() + std::to_string(spec->Id()) + "=" + m[3].str() + ":" +
                       std::regex_replace(m[4].str(), std::regex("TExternalZone"), "TMicroZone");
            }
        }
        out.push_back(line);
    }
    // Renamed values keep their records sorted by identifier.
    static const std::regex recordLine(R"(^\s+(-?\d+)=.*$)");
    auto idOf = [](const std::string& l) {
        std::smatch m;
        return std::regex_match(l, m, recordLine) ? std::stoi(m[1]) : 0;
    };
    for (std::size_t i = 0; i < out.size();) {
        std::size_t j = i;
        const std::size_t indent = out[i].find_first_not_of(' ');
        while (j < out.size() && indent > 0 && out[j].find_first_not_of(' ') == indent &&
               std::regex_match(out[j], recordLine))
            ++j;
        if (j > i + 1)
            std::stable_sort(
                out.begin() + static_cast<std::ptrdiff_t>(i),
                out.begin() + static_cast<std::ptrdiff_t>(j),
                [&](const std::string& x, const std::string& y) { return idOf(x) < idOf(y); });
        i = std::max(j, i + 1);
    }
    std::string s;
    for (std::size_t i = 0; i < out.size(); ++i) {
        // A version left without values (it held only defaults) is no version.
        const bool version = out[i].rfind("  [", 0) == 0;
        if (version && (i + 1 == out.size() || out[i + 1].rfind("    ", 0) != 0)) continue;
        s += out[i] + "\n";
    }
    return s;
}

/// The lines of `a` and `b` that differ, for the failure message (at most `limit`).
std::string FirstDifferences(const std::string& a, const std::string& b, std::size_t limit = 30) {
    std::istringstream ia(a), ib(b);
    std::string la, lb, out;
    std::size_t n = 0, line = 0;
    while (n < limit) {
        const bool ga = static_cast<bool>(std::getline(ia, la));
        const bool gb = static_cast<bool>(std::getline(ib, lb));
        if (!ga && !gb) break;
        ++line;
        if (!ga) la = "<end>";
        if (!gb) lb = "<end>";
        if (la != lb) {
            out += std::to_string(line) + ": " + la + "  |  " + lb + "\n";
            ++n;
        }
    }
    return out;
}

TEST_F(XmlProject, NativeThroughXmlKeepsTheStudy) {
    TProject built;
    BuildSampleStudy(built);
    SaveProjectFile(Path("exa.zpz"), built);
    TProject native;
    OpenProjectFile(Path("exa.zpz"), native);
    const std::string before = DumpProject(native);
    SaveXmlProject(native, Path("exa.xml"));

    // Opening a project file named .xml goes to the XML reader.
    TProject fromXml;
    OpenProjectFile(Path("exa.xml"), fromXml);
    EXPECT_EQ(fromXml.FileName(), Path("exa.xml"));
    EXPECT_EQ(ConsistencyReport(fromXml), "");
    SaveProjectFile(Path("back.zpz"), fromXml);
    TProject back;
    OpenProjectFile(Path("back.zpz"), back);
    const std::string after = DumpProject(back);

    const std::string root = native.BaseScenario()->KeyText();
    const std::string a = Normalized(before, root), b = Normalized(after, root);
    EXPECT_TRUE(a == b) << FirstDifferences(a, b);
    // The normalization hides what it must and no more: the raw dumps differ.
    EXPECT_NE(before, after);
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
