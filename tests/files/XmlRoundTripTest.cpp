// A study through the XML form and back is the same study: native -> XML -> native -> XML gives
// the same study text, byte-identical XML and the same model input files, for the sample study,
// a synthetic one, a public road network and a study in which every property of every kind
// holds a value of its own in the root and in a child scenario.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "files/PrjFile.h"
#include "files/TXMLIn.h"
#include "files/TXMLOut.h"
#include "files/TntpImport.h"
#include "foundation/Stream.h"
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
#include "modelio/F1E_File.h"
#include "modelio/L0E_File.h"
#include "modelio/L1E_File.h"
#include "modelio/L2E_File.h"
#include "modelio/L3E_File.h"
#include "modelio/P0E_File.h"
#include "modelio/P1E_File.h"
#include "modelio/T1E_File.h"
#include "modelio/Z1E_File.h"

namespace zep::files {
namespace {

using namespace zep::model;

std::string Xml(TProject& p) {
    TMemoryStream out;
    TXMLWriter(p).Write(out);
    return out.Data();
}

std::unique_ptr<TProject> FromXml(const std::string& xml) {
    auto p = std::make_unique<TProject>();
    LoadXmlProjectFromMemory(*p, xml, "study.xml");
    return p;
}

std::string Native(TProject& p) {
    TMemoryStream out;
    StoreProject(out, p);
    return out.Data();
}

std::unique_ptr<TProject> FromNative(const std::string& image) {
    auto p = std::make_unique<TProject>();
    TMemoryStream in(image);
    LoadProject(in, *p, "study.zpz");
    return p;
}

std::string Joined(const modelio::TLines& lines) {
    std::string out;
    for (const auto& l : lines)
        out += l + "\n";
    return out;
}

/// Every model input file of every scenario, by kind and scenario.
std::map<std::string, std::string> ModelFiles(const TProject& p) {
    using namespace modelio;
    std::map<std::string, std::string> files;
    files["Z1E"] = Joined(BuildZ1E(p));
    files["L0E"] = Joined(BuildL0E(p));
    for (std::size_t i = 0; i < p.Scenarios().Count(); ++i) {
        const TScenario& s = *p.Scenarios().Get(i);
        const std::string n = " " + s.GetName();
        files["P0E" + n] = Joined(BuildP0E(p, s));
        files["P1E" + n] = Joined(BuildP1E(p, s));
        files["T1E" + n] = Joined(BuildT1E(p, s));
        files["F1E" + n] = Joined(BuildF1E(p, s));
        files["L1E" + n] = Joined(BuildL1E(p, s));
        if (s.IsBase()) continue;
        files["L2E" + n] = Joined(BuildL2E(p, s));
        files["L3E" + n] = Joined(BuildL3E(p, s));
    }
    return files;
}

/// The names of the files that differ (one mismatch message is enough to find the rest).
std::string Differing(const std::map<std::string, std::string>& a,
                      const std::map<std::string, std::string>& b) {
    std::string out;
    for (const auto& [name, text] : a) {
        auto it = b.find(name);
        if (it == b.end() || it->second != text) out += name + "; ";
    }
    return out;
}

/// The first line where two texts part, with a little context.
std::string FirstDifference(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    const std::size_t from = a.rfind('\n', i) == std::string::npos ? 0 : a.rfind('\n', i);
    return "at " + std::to_string(i) + ":\n< " + a.substr(from, 300) + "\n> " + b.substr(from, 300);
}

/// xmllint's complaint about a document ("" when it is well-formed).
std::string Lint(const std::string& xml) {
    const auto dir = std::filesystem::temp_directory_path();
    // CTest runs the tests of this program side by side: each needs names of its own.
    const std::string stem = "zep_xmlroundtrip_" + std::to_string(::getpid()) + "_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string path = (dir / (stem + ".xml")).string();
    const std::string log = (dir / (stem + ".log")).string();
    std::ofstream(path, std::ios::binary) << xml;
    const int rc = std::system(("xmllint --noout '" + path + "' 2> '" + log + "'").c_str());
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    std::filesystem::remove(log);
    return rc == 0 ? "" : text.substr(0, 400);
}

/// `original` as read from its native file; the round trip native -> XML -> native -> XML.
void CheckRoundTrip(TProject& original) {
    auto p1 = FromNative(Native(original));
    const std::string text1 = StudyText(*p1);
    const auto files1 = ModelFiles(*p1);
    const std::string xml1 = Xml(*p1);
    ASSERT_EQ(StudyText(*p1), text1) << "writing XML changed the study";
    EXPECT_EQ(Lint(xml1), "");

    auto q = FromXml(xml1);
    EXPECT_EQ(ConsistencyReport(*q), "");
    const std::string textQ = StudyText(*q);
    EXPECT_TRUE(textQ == text1) << "XML read back: " << FirstDifference(text1, textQ);
    EXPECT_EQ(Differing(files1, ModelFiles(*q)), "");

    auto p2 = FromNative(Native(*q));
    const std::string text2 = StudyText(*p2);
    EXPECT_TRUE(text2 == text1) << FirstDifference(text1, text2);
    const std::string xml2 = Xml(*p2);
    EXPECT_TRUE(xml2 == xml1) << FirstDifference(xml1, xml2);
    EXPECT_EQ(Differing(files1, ModelFiles(*p2)), "");
}

class XmlRoundTrip : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterModelStreamClasses(); }
};

TEST_F(XmlRoundTrip, SampleStudy) {
    TProject study;
    BuildSampleStudy(study);
    CheckRoundTrip(study);
}

TEST_F(XmlRoundTrip, LargeSyntheticStudy) {
    TProject study;
    BuildSyntheticStudy(study, TStudySizes{});
    CheckRoundTrip(study);
}

TEST_F(XmlRoundTrip, PublicRoadNetwork) {
    const std::string dir = std::string(ZEP_SHARED_DATA) + "/networks/SiouxFalls/";
    TProject study;
    ImportTntpFiles(study, dir + "SiouxFalls_net.tntp", dir + "SiouxFalls_node.tntp", "",
                    dir + "SiouxFalls_trips.tntp");
    CheckRoundTrip(study);
}

TEST_F(XmlRoundTrip, AccessToLinksInEveryScenario) {
    TProject study;
    BuildSampleStudy(study);
    auto q = FromXml(Xml(study));
    std::size_t links = 0;
    for (std::size_t i = 0; i < q->Scenarios().Count(); ++i) {
        const TScenario* s = q->Scenarios().Get(i);
        for (std::size_t k = 0; k < q->Operators().Count(); ++k) {
            const TOperator* op = q->Operators().Get(k);
            const TOperatorRoute* own = q->InternalRouteOf(op);
            ASSERT_EQ(own == nullptr, op->Type() == otRoute) << op->KeyText();
            if (!own) continue;
            for (std::size_t m = 0; m < q->Links().Count(); ++m) {
                const TLink* link = q->Links().Get(m);
                if (!OperatorMayUseLink(link, op, s)) continue;
                ++links;
                EXPECT_NE(link->LinkRouteOf(own), nullptr)
                    << op->KeyText() << " on " << link->KeyText() << " in " << s->GetName();
            }
        }
    }
    EXPECT_GT(links, 1000u);
}

TEST_F(XmlRoundTrip, ValuesGoUnderANameThatLeadsBackAndInFull) {
    TProject p;
    TScenario* base = p.BaseScenario();
    TSector* sector = p.NewSector(1);
    TSectorZone* r = sector->GetOrCreateSectorZoneFor(p.NewMicroZone(4));
    r->SetValueIn(base, TSectorZone::kMinProd, TValue(5.0));
    r->SetValueIn(base, TSectorZone::kMaxProd, TValue(0.0)); // a bound of 0, not "unbounded"
    r->SetValueIn(base, TSectorZone::kMinImports, TValue(3.0));
    r->SetProperty(TSectorZone::kExogProdAll, TValue(7.0));
    TLink* link = p.LinkBetween(p.NewNode(1), p.NewNode(2));
    link->SetValueIn(base, TLink::kLength, TValue(565.685424949238));
    const std::string xml = Xml(p);
    for (const char* element :
         {"<prop name=\"min_prod\" value=\"5\" />", "<prop name=\"max_prod\" value=\"0\" />",
          "<prop name=\"min_imports\" value=\"3\" />", "<def_id id=\"2\" value=\"7\" />",
          "<prop name=\"length\" value=\"565.685424949238\" />"})
        EXPECT_NE(xml.find(element), std::string::npos) << element << "\n" << xml;

    auto back = FromXml(xml);
    TSectorZone* r2 = back->Sectors().Get(0)->SectorZones().Get(0);
    TScenario* base2 = back->BaseScenario();
    EXPECT_EQ(r2->GetFloatIn(base2, TSectorZone::kMinProd), 5.0);
    ASSERT_TRUE(r2->Resolve(base2, TSectorZone::kMaxProd));
    EXPECT_EQ(r2->GetFloatIn(base2, TSectorZone::kMaxProd), 0.0);
    EXPECT_EQ(r2->GetFloatIn(base2, TSectorZone::kMinImports), 3.0);
    EXPECT_EQ(r2->GetFloat(TSectorZone::kExogProdAll), 7.0);
    EXPECT_EQ(back->Links().Get(0)->GetFloatIn(base2, TLink::kLength), 565.685424949238);
}

TEST_F(XmlRoundTrip, ReferencesTheFileCannotNameAreLeftOut) {
    // Validation never refuses a value, so a reference may name anything; the file names only
    // what it writes with an identifier, and must read again.
    TProject p;
    TMode* hidden = p.NewMode(-4);
    TOperator* op = p.NewOperator(p.NewMode(1), 1);
    TLinkType* type = p.NewLinkType(1);
    TMacroZone* macro = p.NewMacroZone(3);
    type->SetValueIn(p.BaseScenario(), TLinkType::kAdmin, TValue(hidden));
    const TZEPPersistent* unnamed[] = {macro, op->Transfers().Get(0), p.InternalRouteOf(op)};
    std::int32_t node = 10;
    for (const TZEPPersistent* target : unnamed) {
        TLink* link = p.LinkBetween(p.NewNode(node), p.NewNode(node + 1));
        node += 2;
        link->SetValueIn(p.BaseScenario(), TLink::kType, TValue(target));
        ASSERT_EQ(link->GetObjectIn(p.BaseScenario(), TLink::kType), target);
    }
    const std::string xml = Xml(p);
    EXPECT_EQ(xml.find("m_4"), std::string::npos);
    std::unique_ptr<TProject> back;
    ASSERT_NO_THROW(back = FromXml(xml)) << xml;
    EXPECT_EQ(back->LinkTypes().Count(), 1u);
}

// ---- every property of every kind
// ----------------------------------------------------------------

/// Every entity and owned record of the study (the project itself first).
std::vector<TEntity*> EveryEntity(TProject& p) {
    std::vector<TEntity*> all{&p};
    auto add = [&all](const TEntityList& list) {
        for (std::size_t i = 0; i < list.Count(); ++i)
            all.push_back(list.Get(i));
    };
    add(p.Categories());
    add(p.Administrators());
    add(p.Modes());
    add(p.LinkTypes());
    add(p.Nodes());
    add(p.MacroZones());
    add(p.AttractionFunctions());
    for (std::size_t i = 0; i < p.Operators().Count(); ++i) {
        all.push_back(p.Operators().Get(i));
        add(p.Operators().Get(i)->Transfers());
        add(p.Operators().Get(i)->OperatorCategories());
    }
    for (std::size_t i = 0; i < p.Routes().Count(); ++i) {
        TRoute* r = p.Routes().Get(i);
        if (r->Internal()) continue; // the operator's own route and access are derived
        all.push_back(r);
        add(r->LinkRoutes());
    }
    for (std::size_t i = 0; i < p.LinkTypes().Count(); ++i)
        add(p.LinkTypes().Get(i)->OperatorDataList());
    for (std::size_t i = 0; i < p.Links().Count(); ++i) {
        all.push_back(p.Links().Get(i));
        add(p.Links().Get(i)->Turns());
    }
    for (std::size_t i = 0; i < p.TransportZones().Count(); ++i)
        for (std::size_t k = 0; k < p.TransportZones().Get(i)->ODPairs().Count(); ++k) {
            TODPair* od = p.TransportZones().Get(i)->ODPairs().Get(k);
            all.push_back(od);
            add(od->CategoryModes());
        }
    for (std::size_t i = 0; i < p.Sectors().Count(); ++i) {
        TSector* s = p.Sectors().Get(i);
        all.push_back(s);
        add(s->Interactions());
        add(s->SectorZones());
        add(s->SectorCategories());
    }
    for (std::size_t i = 0; i < p.AttractionFunctions().Count(); ++i)
        add(p.AttractionFunctions().Get(i)->Attractors());
    return all;
}

/// A value of the specification's type within its bounds, other than its default and than
/// `other`; reals with all their digits, text with the characters XML must escape.
TValue AnyValue(const TPropSpec& spec, std::mt19937& rng, const TValue& other) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double lo = spec.Minimum().IsEmpty() ? -50.0 : spec.Minimum().ToDouble();
    double hi = spec.Maximum().IsEmpty() ? lo + 1000.0 : spec.Maximum().ToDouble();
    if (!std::isfinite(hi)) hi = lo + 1000.0;
    for (int attempt = 0;; ++attempt) {
        TValue v;
        switch (ClassOf(spec.ValueType())) {
        case TValueClass::Boolean:
            v = TValue(attempt % 2 == 0 ? !spec.Default().ToBool() : spec.Default().ToBool());
            break;
        case TValueClass::Integer:
            v = TValue(static_cast<std::int32_t>(lo + std::floor(unit(rng) * (hi - lo + 1))));
            break;
        case TValueClass::String:
            v = TValue("t<&\"'\xE9> " + std::to_string(rng() % 1000));
            break;
        default:
            v = TValue(lo + unit(rng) * (hi - lo));
        }
        if (!ValuesEqual(v, spec.Default()) && !ValuesEqual(v, other)) return v;
        if (attempt > 50) return v;
    }
}

/// Every declared property of every entity and record, given a value: once for all scenarios
/// where it is held so, else in the root and (another one) in `child`. References, identity
/// and the entity lists are the study's structure and stay as they are.
void SetEveryProperty(TProject& p, TScenario* child, std::mt19937& rng) {
    for (TEntity* e : EveryEntity(p)) {
        std::vector<const TPropSpec*> specs;
        for (const auto& [id, spec] : e->Specs().AllById())
            specs.push_back(spec);
        for (const auto& [name, spec] : e->Specs().AllByName())
            if (std::find(specs.begin(), specs.end(), spec) == specs.end()) specs.push_back(spec);
        auto* versioned = dynamic_cast<TVersionedEntity*>(e);
        for (const TPropSpec* spec : specs) {
            const std::int32_t id = spec->Id();
            if (id == kPropId || id == kPropName || spec->ValueType() == varError) continue;
            if (spec->HasFlag(psAttribute)) continue;
            if (spec->HasFlag(psNotStored) && spec->HasFlag(psNoAttribute)) continue;
            // A name of the past that a later declaration of its identifier replaced.
            if (spec->HasFlag(psNotStored) && e->Specs().FindById(id) != spec) continue;
            if (id == kPropDescription) {
                e->SetDescription("about <" + e->KeyText() + "> & \"more\"");
                continue;
            }
            if (!versioned || spec->HasFlag(psUnversioned)) {
                e->SetProperty(id, AnyValue(*spec, rng, TValue()));
                continue;
            }
            const TValue root = AnyValue(*spec, rng, TValue());
            versioned->SetVersionedValue(p.BaseScenario(), *spec, root);
            versioned->SetVersionedValue(child, *spec, AnyValue(*spec, rng, root));
        }
    }
}

TEST_F(XmlRoundTrip, EveryPropertyOfEveryKind) {
    TProject study;
    BuildSampleStudy(study);
    std::mt19937 rng(14);
    SetEveryProperty(study, study.Scenarios().FindScenario("01A"), rng);
    CheckRoundTrip(study);
}

} // namespace
} // namespace zep::files
