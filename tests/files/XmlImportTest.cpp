// Reading the XML form of a project from hand-written documents: what each element creates,
// entity-level against scenario values, undeclared names, the identifier registry and every way
// a document can fail.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/TXMLIn.h"
#include "files/TXMLOut.h"
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
#include "model/Zone.h"

namespace zep::files {
namespace {

using namespace zep::model;

// Everything the documents below refer to, in the order the writer puts it.
const std::string kHead = R"(<model name=" Test ">
  <desc>  a study  </desc>
  <def name="author" value="me" />
  <scenarios>
    <scenario id="s_BAS"><desc>root</desc></scenario>
    <scenario id="s_01A" previous="s_BAS" />
    <scenario id="s_02A" previous="s_01A" />
  </scenarios>
  <zones><zone id="z_1" name="First" /><zone id="z_2" /></zones>
  <transport_categories><category id="c_1" /></transport_categories>
  <socioeconomic_sectors><sector id="e_1" sector_type="1" /></socioeconomic_sectors>
  <modes><mode id="m_1" name="car" /></modes>
  <operators>
    <operator id="o_1" mode="m_1" type="bogus" />
    <operator id="o_2" mode="m_1" type="walk" />
    <operator id="o_3" mode="m_1" type="walk" />
  </operators>
  <routes><route id="r_5" operator="o_2" name="Line" /></routes>
  <nodes><node id="n_3" /></nodes>
  <links><link id="l_7" from="z_1" to="n_3" /><link id="l_8" from="n_3" to="z_2" /></links>
)";

std::unique_ptr<TProject> Read(const std::string& body) {
    auto p = std::make_unique<TProject>();
    LoadXmlProjectFromMemory(*p, kHead + body + "</model>", "test.xml");
    return p;
}

std::string ReadError(const std::string& document) {
    TProject p;
    try {
        LoadXmlProjectFromMemory(p, document, "test.xml");
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

template <class T> T* ById(const TEntityList& list, std::int32_t id) {
    return dynamic_cast<T*>(list.FindById(id));
}

TEST(XmlImport, EveryElementMakesItsEntity) {
    auto p = Read(R"(
  <sector_interactions><sector_interaction sector="e_1" input_sector="e_1" /></sector_interactions>
  <transfers><transfer from="o_1" to="o_2" /></transfers>
  <operator_category_data><operator_category operator="o_1" category="c_1" /></operator_category_data>
  <link_types><link_type id="t_4" /></link_types>
  <link_type_operator_data><link_type_operator link_type="t_4" operator="o_1" /></link_type_operator_data>
  <turns><turn from="z_1" thru="n_3" to="z_2" /></turns>
  <link_routes><link_route from="z_1" to="n_3" route="r_5" /></link_routes>
  <exogenous_trips><trips from="z_1" to="z_2" category="c_1" mode="m_1" /></exogenous_trips>
  <economic_data><sector_zone sector="e_1" zone="z_2" /></economic_data>
)");
    EXPECT_EQ(p->GetName(), "Test");
    EXPECT_EQ(p->GetDescription(), "a study");
    EXPECT_EQ(p->GetString(TProjectI::kAuthor), "me");
    ASSERT_EQ(p->Scenarios().Count(), 3u);
    EXPECT_EQ(p->BaseScenario()->GetName(), "BAS");
    EXPECT_EQ(p->BaseScenario()->GetDescription(), "root");
    TScenario* s2 = p->Scenarios().FindScenario("02A");
    ASSERT_NE(s2, nullptr);
    EXPECT_EQ(s2->Parent()->GetName(), "01A");

    ASSERT_EQ(p->TransportZones().Count(), 2u);
    auto* z1 = p->TransportZones().Get(0);
    EXPECT_NE(dynamic_cast<TMicroZone*>(z1), nullptr);
    EXPECT_EQ(z1->Id(), 1);
    auto* n3 = ById<TNode>(p->Nodes(), 3);
    ASSERT_NE(n3, nullptr);
    TLink* l7 = p->FindLink(z1, n3);
    ASSERT_NE(l7, nullptr);
    EXPECT_EQ(l7->Id(), 7);

    auto* e1 = ById<TSector>(p->Sectors(), 1);
    ASSERT_NE(e1, nullptr);
    EXPECT_EQ(e1->Interactions().Count(), 1u);
    // A sector's own attributes are read back as well.
    EXPECT_EQ(e1->GetInteger(TSector::kSectorType), 1);
    auto* o1 = ById<TOperator>(p->Operators(), 1);
    auto* o2 = ById<TOperator>(p->Operators(), 2);
    ASSERT_TRUE(o1 && o2);
    EXPECT_NE(o1->TransferTo(o2), nullptr);
    EXPECT_EQ(o1->OperatorCategories().Count(), 1u);
    EXPECT_NE(p->InternalRouteOf(o1), nullptr);
    auto* t4 = ById<TLinkType>(p->LinkTypes(), 4);
    ASSERT_NE(t4, nullptr);
    EXPECT_NE(t4->OperatorData(o1), nullptr);
    EXPECT_NE(l7->TurnTo(p->TransportZones().Get(1)), nullptr);
    auto* r5 = ById<TRoute>(p->Routes(), 5);
    ASSERT_NE(r5, nullptr);
    EXPECT_EQ(r5->GetName(), "Line");
    EXPECT_NE(l7->LinkRouteOf(r5), nullptr);
    TODPair* od = z1->ODPairTo(p->TransportZones().Get(1));
    ASSERT_NE(od, nullptr);
    EXPECT_EQ(od->CategoryModes().Count(), 1u);
    ASSERT_EQ(e1->SectorZones().Count(), 1u);
    EXPECT_EQ(e1->SectorZones().Get(0)->Zone(), p->TransportZones().Get(1));
    EXPECT_EQ(ConsistencyReport(*p), "");
    // The three large lists give back the room reserved for them.
    EXPECT_EQ(p->Nodes().Capacity(), p->Nodes().Count());
    EXPECT_EQ(p->Links().Capacity(), p->Links().Count());
    EXPECT_EQ(p->LinkRoutes().Capacity(), p->LinkRoutes().Count());
}

TEST(XmlImport, OperatorTypes) {
    auto p = Read("");
    // An unknown type name keeps the type a new operator has; a route makes its operator a
    // route operator; a known name is taken.
    EXPECT_EQ(ById<TOperator>(p->Operators(), 1)->Type(), otAuto);
    EXPECT_EQ(ById<TOperator>(p->Operators(), 2)->Type(), otRoute);
    EXPECT_EQ(ById<TOperator>(p->Operators(), 3)->Type(), otWalk);
}

TEST(XmlImport, EntityLevelAndScenarioValues) {
    auto p = Read(R"(
  <administrators><administrator id="a_2" /></administrators>
  <link_types><link_type id="t_4">
    <prop name="capacity_factor" value="2" />
    <prop name="capacity_factor" value="3" in="s_01A" />
    <prop name="capacity_factor" value="0" in="" />
    <prop name="min_speed_pct" value="40%" in="s_02A" />
    <def name="vc_for_min_speed" value="150%" />
    <prop name="admin" value="a_2" in="s_02A" />
  </link_type></link_types>
  <nodes><node id="n_9"><prop name="x" value=" 12.5 " in="s_02A" /><def name="y" value="INF" /></node></nodes>
)");
    TScenario* base = p->BaseScenario();
    TScenario* s1 = p->Scenarios().FindScenario("01A");
    TScenario* s2 = p->Scenarios().FindScenario("02A");
    auto* t4 = ById<TLinkType>(p->LinkTypes(), 4);
    ASSERT_NE(t4, nullptr);
    // Without `in` (or with an empty one) a prop belongs to the root scenario; the later one
    // wins there.
    EXPECT_EQ(t4->GetFloatIn(base, TLinkType::kCapacityFactor), 0.0);
    EXPECT_EQ(t4->GetFloatIn(s1, TLinkType::kCapacityFactor), 3.0);
    EXPECT_EQ(t4->GetFloatIn(s2, TLinkType::kCapacityFactor), 3.0);
    EXPECT_DOUBLE_EQ(t4->GetFloatIn(s2, TLinkType::kMinSpeedPct), 0.4);
    EXPECT_DOUBLE_EQ(t4->GetFloatIn(base, TLinkType::kMinSpeedPct), 0.9);
    // def is held once for all scenarios.
    EXPECT_EQ(t4->VersionOf(base)->Find(TLinkType::kVcForMinSpeed), nullptr);
    EXPECT_DOUBLE_EQ(t4->GetFloat(TLinkType::kVcForMinSpeed), 1.5);
    // References in values go through the registry.
    EXPECT_EQ(t4->GetObjectIn(s2, TLinkType::kAdmin), p->Administrators().Get(0));
    EXPECT_EQ(t4->GetObjectIn(s1, TLinkType::kAdmin), nullptr);
    // A scenario value of a property held for all scenarios is set on the entity.
    auto* n9 = ById<TNode>(p->Nodes(), 9);
    ASSERT_NE(n9, nullptr);
    EXPECT_EQ(n9->GetFloat(TNode::kX), 12.5);
    EXPECT_EQ(n9->GetFloat(TNode::kY), std::numeric_limits<double>::infinity());
    EXPECT_EQ(n9->VersionOf(s2), nullptr);
}

TEST(XmlImport, UndeclaredNamesLiveInMemoryOnly) {
    auto p = Read(R"(<modes><mode id="m_2"><def name="colour" value="red" />
      <prop name="colour" value="blue" in="s_01A" /></mode></modes>)");
    auto* m2 = ById<TMode>(p->Modes(), 2);
    ASSERT_NE(m2, nullptr);
    const TPropSpec& spec = m2->Specs().ByName("colour");
    EXPECT_TRUE(spec.HasFlag(psNotStored));
    EXPECT_EQ(m2->GetValue(spec.Id()).ToString(), "red");
    EXPECT_EQ(m2->GetValueIn(p->Scenarios().FindScenario("01A"), spec.Id()).ToString(), "blue");
    TMemoryStream out;
    TXMLWriter(*p).Write(out);
    EXPECT_EQ(out.Data().find("colour"), std::string::npos);
}

TEST(XmlImport, FirstRegistrationKeepsTheIdentifier) {
    auto p = Read(R"(<zones><zone id="z_1" name="Again" /></zones>
      <exogenous_trips><trips from="z_1" to="z_2" category="c_1" mode="nil" /></exogenous_trips>)");
    // Two zones came as z_1: the trips belong to the first.
    auto* first = static_cast<TTransportZone*>(p->TransportZones().FindByName("First"));
    auto* again = static_cast<TTransportZone*>(p->TransportZones().FindByName("Again"));
    ASSERT_TRUE(first && again);
    // The second keeps its place in the study under a number of its own.
    EXPECT_EQ(first->Id(), 1);
    EXPECT_EQ(again->Id(), 4); // after z_1, z_2 and n_3
    EXPECT_EQ(ConsistencyReport(*p), "");
    ASSERT_EQ(first->ODPairs().Count(), 1u);
    EXPECT_EQ(again->ODPairs().Count(), 0u);
    // "nil" is what the writer gives a record for every mode.
    EXPECT_EQ(first->ODPairs().Get(0)->CategoryModes().Get(0)->Mode(), nullptr);
}

TEST(XmlImport, RegistryBuckets) {
    TIdRegistry r;
    TScenario a, b, c;
    r.Register("n_10", &a);
    r.Register("n_2", &b);
    EXPECT_EQ(r.Find("n_2"), &b);
    r.Register("n_2", &c); // after a lookup: merged into the sorted part, still ignored
    r.Register("n_1", &c);
    r.Register("", &c);
    EXPECT_EQ(r.Lookup("n_2"), &b);
    EXPECT_EQ(r.Lookup("n_10"), &a);
    EXPECT_EQ(r.Lookup("n_1"), &c);
    EXPECT_EQ(r.Find("n_"), nullptr);
    EXPECT_EQ(r.Find(std::string("\xFF", 1)), nullptr);
    try {
        r.Lookup("");
        FAIL();
    } catch (const EEntityNotFound& e) {
        EXPECT_STREQ(e.what(), "Entity \"\" not found");
    }
    r.Clear();
    EXPECT_EQ(r.Find("n_10"), nullptr);
}

TEST(XmlImport, NotFound) {
    const std::string tail = "</model>";
    struct Case {
        const char* body;
        const char* message;
    };
    const Case cases[] = {
        // Identity attributes are required.
        {R"(<exogenous_trips><trips from="z_1" to="z_2" category="c_1" /></exogenous_trips>)",
         "Entity \"\" not found"},
        {R"(<economic_data><sector_zone sector="e_1" /></economic_data>)", "Entity \"\" not found"},
        {R"(<operators><operator id="o_9" /></operators>)", "Entity \"\" not found"},
        {R"(<link_routes><link_route from="z_1" to="n_3" /></link_routes>)",
         "Entity \"\" not found"},
        // References to what no earlier element registered, or to the wrong kind.
        {R"(<links><link id="l_1" from="n_3" to="n_99" /></links>)", "Entity \"n_99\" not found"},
        // A macro zone is no end of a link or a turn (found by fuzzing: the link was kept, and
        // its file did not read again).
        {R"(<macro_zones><macro_zone id="z_5" /></macro_zones>
            <links><link id="l_1" from="z_5" to="n_3" /></links>)",
         "Entity \"z_5\" not found"},
        {R"(<macro_zones><macro_zone id="z_5" /></macro_zones>
            <turns><turn from="z_1" thru="n_3" to="z_5" /></turns>)",
         "Entity \"z_5\" not found"},
        {R"(<macro_zones><macro_zone id="z_5" /></macro_zones>
            <economic_data><sector_zone sector="e_1" zone="z_5" /></economic_data>)",
         "Entity \"z_5\" not found"},
        {R"(<operators><operator id="o_9" mode="c_1" /></operators>)", "Entity \"c_1\" not found"},
        {R"(<turns><turn from="n_3" thru="z_1" to="z_2" /></turns>)", "Entity \"l_3-1\" not found"},
        {R"(<link_types><link_type id="t_1"><prop name="capacity_factor" value="1" in="s_09X" />
            </link_type></link_types>)",
         "Entity \"s_09X\" not found"},
        {R"(<link_types><link_type id="t_1"><def name="admin" value="a_1" /></link_type></link_types>)",
         "Entity \"a_1\" not found"},
        {R"(<scenarios><scenario id="s_03A" previous=" s_04A " /></scenarios>)",
         "Entity \"s_04A\" not found"},
        // The elements that keep the rest of a study.
        {R"(<project_values><prop name="coordinate_system" value="2" in="s_07B" /></project_values>)",
         "Entity \"s_07B\" not found"},
        {R"(<category_modes><category_mode category="c_1" mode="m_4" /></category_modes>)",
         "Entity \"m_4\" not found"},
        {R"(<category_modes><category_mode mode="m_1" /></category_modes>)",
         "Entity \"\" not found"},
        {R"(<sector_category_data><sector_category sector="e_1" category="c_5" />
            </sector_category_data>)",
         "Entity \"c_5\" not found"},
        {R"(<macro_zones><macro_zone id="z_1"><member zone="z_6" /></macro_zone></macro_zones>)",
         "Entity \"z_6\" not found"},
        {R"(<sector_interactions><sector_interaction sector="e_1" input_sector="e_1">
            <substitute sector="e_8" /></sector_interaction></sector_interactions>)",
         "Entity \"e_8\" not found"},
        {R"(<socioeconomic_sectors><sector id="e_2" target_sector="e_3" /></socioeconomic_sectors>)",
         "Entity \"e_3\" not found"},
        {R"(<od_pairs><od_pair from="z_1" to="z_4" /></od_pairs>)", "Entity \"z_4\" not found"},
        {R"(<link_types><link_type id="t_1"><def_id id="1" value="a_3" /></link_type></link_types>)",
         "Entity \"a_3\" not found"},
        {R"(<nodes><node id="n_4"><prop_id id="5" value="1" in="s_X" /></node></nodes>)",
         "Entity \"s_X\" not found"},
        {R"(<attraction_functions><function id="id_1"><def name="target_sector" value="e_9" />
            </function></attraction_functions>)",
         "Entity \"e_9\" not found"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadError(kHead + c.body + tail), c.message) << c.body;
}

// A file that names a property in other letters (kept as a name the kind does not declare) leaves
// the declared name to the files read after it in the same run.
TEST(XmlImport, AnUndeclaredSpellingDoesNotTakeOverTheDeclaredName) {
    const std::string link = R"(<links><link id="l_1" from="z_2" to="n_3"><prop name=")";
    auto odd = Read(link + R"(CAPACITY" value="5" /></link></links>)");
    auto p = Read(link + R"(capacity" value="700" /></link></links>)");
    auto* read = ById<TLink>(p->Links(), 1);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetFloatIn(p->BaseScenario(), TLink::kCapacity), 700);
}

TEST(XmlImport, WhatTheWholeStudyAdds) {
    auto p = Read(R"(<macro_zones><macro_zone id="z_5" name="West"><def name="x" value="2.5" />
      <member zone="z_1" /><member zone="z_2" in="s_01A" /></macro_zone></macro_zones>
  <category_modes><category_mode category="c_1" mode="m_1" /></category_modes>
  <sector_category_data><sector_category sector="e_1" category="c_1" type="2">
    <prop name="time_factor" value="0.1000000000000000055511151231257827" /></sector_category>
  </sector_category_data>
  <project_values><prop name="coordinate_system" value="2" in="s_02A" /></project_values>
  <nodes><node id="n_40"><def_id id="1" value="12.125" /><prop_id id="255" value="true" />
    <prop_id id="255" value="false" in="s_01A" />
    <def_id id="65537" value="99" /><prop_id id="65791" value="false" />
  </node></nodes>)");
    TScenario* s1 = p->Scenarios().FindScenario("01A");
    TScenario* s2 = p->Scenarios().FindScenario("02A");
    ASSERT_EQ(p->MacroZones().Count(), 1u);
    TMacroZone* west = p->MacroZones().Get(0);
    EXPECT_EQ(west->Id(), 5);
    EXPECT_EQ(west->GetFloat(TNode::kX), 2.5);
    auto* z1 = ById<TMicroZone>(p->Nodes(), 1);
    auto* z2 = ById<TMicroZone>(p->Nodes(), 2);
    ASSERT_TRUE(z1 && z2);
    EXPECT_EQ(z1->MacroZone(), west);
    EXPECT_EQ(west->SubZones().Count(), 1u);
    EXPECT_EQ(z2->GetObjectIn(s1, TZone::kMacroZone), west);
    EXPECT_EQ(z2->GetObjectIn(p->BaseScenario(), TZone::kMacroZone), nullptr);
    auto* c1 = ById<TCategory>(p->Categories(), 1);
    ASSERT_EQ(c1->AvailableModes().Count(), 1u);
    auto* e1 = ById<TSector>(p->Sectors(), 1);
    TSectorCategory* sc = e1->SectorCategoryFor(c1);
    ASSERT_NE(sc, nullptr);
    EXPECT_EQ(sc->GetFloat(TSectorCategory::kType), 2.0);
    EXPECT_EQ(sc->GetFloatIn(p->BaseScenario(), TSectorCategory::kTimeFactor), 0.1);
    EXPECT_EQ(p->GetIntegerIn(s2, TProject::kCoordinateSystem), 2);
    EXPECT_NE(p->GetIntegerIn(s1, TProject::kCoordinateSystem), 2);
    auto* n40 = ById<TNode>(p->Nodes(), 40);
    // Identifiers beyond 16 bits are skipped, not taken for the ones they would wrap to.
    EXPECT_EQ(n40->GetFloat(TNode::kX), 12.125);
    EXPECT_FALSE(n40->GetBooleanIn(s1, kPropUsed));
    EXPECT_TRUE(n40->GetBooleanIn(p->BaseScenario(), kPropUsed));
}

TEST(XmlImport, WhatIsNotReadOrIgnored) {
    // Attraction functions are read with their attractors, and what else they hold is skipped;
    // so is anything outside the root element and any unknown element.
    auto p = Read(R"(<socioeconomic_sectors><sector id="e_77" /></socioeconomic_sectors>
  <attraction_functions><function id="id_4"><def name="target_sector" value="e_77" />
    <attractor id="id_2"><prop name="attractor_variable" value="3" /></attractor>
    <nodes><node id="n_50" /></nodes></function></attraction_functions>
  <unknown><nodes><node id="n_51" /></nodes></unknown>
  <nodes><node id="n_52"><desc> one<b>two</b>three </desc><other><def name="x" value="1" /></other>
  </node></nodes>)");
    ASSERT_EQ(p->AttractionFunctions().Count(), 1u);
    TAttractionFunction* f = p->AttractionFunctions().Get(0);
    EXPECT_EQ(f->Id(), 4);
    EXPECT_EQ(f->TargetSector(), ById<TSector>(p->Sectors(), 77));
    ASSERT_EQ(f->Attractors().Count(), 1u);
    EXPECT_EQ(f->Attractors().Get(0)->Id(), 2);
    EXPECT_EQ(
        f->Attractors().Get(0)->GetIntegerIn(p->BaseScenario(), TAttractor::kAttractorVariable), 3);
    EXPECT_EQ(ById<TNode>(p->Nodes(), 50), nullptr);
    EXPECT_EQ(ById<TNode>(p->Nodes(), 51), nullptr);
    auto* n52 = ById<TNode>(p->Nodes(), 52);
    ASSERT_NE(n52, nullptr);
    EXPECT_EQ(n52->GetDescription(), "onethree");
    EXPECT_EQ(n52->GetValue(TNode::kX).IsEmpty(), true);

    TProject outside;
    LoadXmlProjectFromMemory(outside, R"(<root name="R"><zones><zone id="z_1" /></zones>
      <model name="Inner"><nodes><node id="n_1" /></nodes></model></root>)",
                             "t.xml");
    EXPECT_EQ(outside.GetName(), "Inner");
    EXPECT_EQ(outside.TransportZones().Count(), 0u);
    EXPECT_EQ(outside.Nodes().Count(), 1u);
}

TEST(XmlImport, ParseErrorsPassAsTheParserRaisesThem) {
    const std::string message = ReadError("<model><nodes></model>");
    EXPECT_NE(message.find("Expected </nodes"), std::string::npos) << message;
    EXPECT_NE(ReadError(std::string("\x1F\x8B\x08", 3)), "(no error)");
}

class TRecordingHandler : public TNullMessageHandler {
public:
    void Progress(const std::string& text, double fraction) override {
        if (!text.empty()) steps.emplace_back(text, fraction);
    }
    std::vector<std::pair<std::string, double>> steps;
};

TEST(XmlImport, ProgressNamesTheList) {
    TRecordingHandler h;
    ScopedMessageHandler scope(h);
    std::string nodes;
    for (int i = 10; i < 3000; ++i)
        nodes += "<node id=\"n_" + std::to_string(i) + "\" />\n";
    auto p = Read("<nodes>" + nodes + "</nodes>");
    ASSERT_FALSE(h.steps.empty());
    bool sawNodes = false;
    double last = 0;
    for (const auto& [text, fraction] : h.steps) {
        EXPECT_EQ(text.rfind("Loading ", 0), 0u);
        if (text == "Loading nodes...") {
            EXPECT_GE(fraction, last);
            last = fraction;
            sawNodes = true;
        }
    }
    EXPECT_TRUE(sawNodes);
}

class XmlImportFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("zep_xmlin_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::filesystem::path dir_;
};

TEST_F(XmlImportFiles, CompressionIsRecognisedByContent) {
    const std::string doc = kHead + "</model>";
    Put("plain.xmlz", doc);
    {
        TFileStream file(Path("packed.xml"), FileMode::Create);
        TGZipStream gz(file, 0);
        gz.WriteString(doc);
        gz.Finish();
    }
    TProject a, b;
    LoadXmlProject(a, Path("plain.xmlz"));
    LoadXmlProject(b, Path("packed.xml"));
    EXPECT_EQ(DumpProject(a), DumpProject(b));
    EXPECT_EQ(a.FileName(), Path("plain.xmlz"));
    EXPECT_EQ(a.TransportZones().Count(), 2u);
}

TEST_F(XmlImportFiles, FailureIsReportedWithTheFileAndLeavesNoProject) {
    Put("bad.xml", kHead + R"(<links><link id="l_1" from="n_3" to="n_99" /></links></model>)");
    try {
        OpenXmlProject(Path("bad.xml"));
        FAIL();
    } catch (const EProjectLoadError& e) {
        EXPECT_EQ(std::string(e.what()), "Entity \"n_99\" not found in File:\\n" + Path("bad.xml"));
    }
    Put("good.xml", kHead + "</model>");
    auto p = OpenXmlProject(Path("good.xml"));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->FileName(), Path("good.xml"));
    EXPECT_THROW(OpenXmlProject(Path("missing.xml")), EProjectLoadError);
}

} // namespace
} // namespace zep::files
