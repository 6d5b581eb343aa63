// The project: a new study, scenario operations over all lists, creation and lookups, link
// pairs, file names, mean values of time, validation, operator access and the class registry.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "ProjectTestSupport.h"
#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/ClassRegistry.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/SECTOR.h"
#include "model/SampleStudy.h"
#include "model/Zone.h"

namespace zep::model::test {
namespace {

TEST(ProjectNew, HoldsTheStateOfANewStudy) {
    TProject p;
    ASSERT_EQ(1u, p.Scenarios().Count());
    TScenario* base = p.Scenarios().Get(0);
    EXPECT_EQ(base, p.BaseScenario());
    EXPECT_EQ("00A", base->GetName());
    EXPECT_EQ("Base Scenario", base->GetDescription());
    EXPECT_TRUE(base->IsBase());
    EXPECT_EQ(base, p.CurrentScenario());
    ASSERT_EQ(1u, p.NodeTypes().Count());
    EXPECT_EQ(0, p.NodeTypes().Get(0)->Id());
    EXPECT_EQ("Centroid", p.NodeTypes().Get(0)->GetName());
    ASSERT_EQ(8u, p.ServiceLevels().Count());
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(static_cast<std::int32_t>(i + 1), p.ServiceLevels().Get(i)->Id());
        EXPECT_EQ(std::string("Level ") + static_cast<char>('A' + i),
                  p.ServiceLevels().Get(i)->GetName());
    }
    const TEntityList* lists[] = {
        &p.Nodes(),          &p.Links(),      &p.LinkRoutes(),     &p.Routes(),    &p.Operators(),
        &p.Modes(),          &p.Categories(), &p.Administrators(), &p.LinkTypes(), &p.Transfers(),
        &p.TransportZones(), &p.MacroZones(), &p.Sectors()};
    for (const TEntityList* l : lists)
        EXPECT_EQ(0u, l->Count()) << l->ClassName();
    EXPECT_EQ(100, p.GetInteger(TProject::kLocIterations));
    EXPECT_EQ(30, p.GetInteger(TProject::kTransIterations));
    EXPECT_EQ(1, p.CoordinateSystem());
    EXPECT_DOUBLE_EQ(1.0, p.LinkLengthMultiplier());
    EXPECT_DOUBLE_EQ(0.5, p.GetFloat(TProject::kRouteSimilarityFactor));
    EXPECT_TRUE(p.GetBoolean(TProject::kTransUseLogit));
    // Values that differ from the declared defaults are stored; the others are not.
    ASSERT_NE(nullptr, p.Properties().Find(TProject::kLocConvergence));
    EXPECT_DOUBLE_EQ(0.000001, p.GetFloat(TProject::kLocConvergence));
    EXPECT_DOUBLE_EQ(0.000001, p.GetFloat(TProject::kTransConvergence));
    EXPECT_NE(nullptr, p.Properties().Find(TProject::kZoneInternalCostFactor));
    EXPECT_EQ(nullptr, p.Properties().Find(TProject::kLocIterations));
    EXPECT_EQ("loc_iterations", p.Specs().ById(TProject::kLocIterations).Name());
    EXPECT_EQ("ZoneInternalCostFactor2", p.Specs().ById(TProject::kZoneInternalCostFactor2).Name());
    EXPECT_TRUE(p.Specs().ById(TProject::kZoneInternalCostFactor2).HasFlag(psNotStored));
    EXPECT_TRUE(p.Specs().ById(kPropId).HasFlag(psNotStored));
    EXPECT_EQ("project_", p.Specs().ById(kPropId).KeyPrefix());
    // The coordinate systems the map knows are valid; others are reported.
    EXPECT_TRUE(p.GetProperty(TProject::kCoordinateSystem)->IsValid());
    p.SetInteger(TProject::kCoordinateSystem, 3);
    EXPECT_FALSE(p.GetProperty(TProject::kCoordinateSystem)->IsValid());
    EXPECT_CONSISTENT(p);
}

TEST(ProjectNew, ConstructionRecordsNothingInAnotherStudysTransaction) {
    TProject a;
    TCommands commands(a);
    commands.Run("Build", [&] {
        a.NewNode();
        TProject b; // built and freed while a's transaction is open
        EXPECT_EQ(1u, b.NodeTypes().Count());
    });
    commands.UndoAll();
    EXPECT_EQ(0u, a.Nodes().Count());
}

class ProjectScenarios : public ::testing::Test {
protected:
    ProjectScenarios() {
        base = p.BaseScenario();
        s1 = p.NewScenario(base);
        s1->SetName("01A");
        s2 = p.NewScenario(s1);
        s2->SetName("02A");
        sib = p.NewScenario(base);
        sib->SetName("01B");
        a = p.NewNode();
        b = p.NewNode();
        l = p.LinkBetween(a, b);
        mode = p.NewMode();
    }
    TProject p;
    TScenario *base, *s1, *s2, *sib;
    TNode *a, *b;
    TLink* l;
    TMode* mode;
};

TEST_F(ProjectScenarios, RemovingAScenarioRemovesItsSubtreeAndItsVersions) {
    l->SetValueIn(s2, TLink::kCapacity, TValue(900.0));
    l->SetValueIn(s1, TLink::kCapacity, TValue(800.0));
    mode->SetValueIn(s2, TMode::kNofPaths, TValue(5.0));
    l->SetValueIn(sib, TLink::kCapacity, TValue(700.0));
    p.SetCurrentScenario(s2);
    EXPECT_TRUE(p.HasVersion(s2));
    TCommands commands(p);
    const std::string before = DumpProject(p);
    commands.Run("Remove 01A", [&] { p.RemoveScenario(s1); });
    EXPECT_EQ(2u, p.Scenarios().Count());
    EXPECT_FALSE(p.Scenarios().Contains(s1));
    EXPECT_FALSE(p.Scenarios().Contains(s2));
    EXPECT_EQ(nullptr, l->VersionOf(s1));
    EXPECT_EQ(nullptr, l->VersionOf(s2));
    EXPECT_EQ(nullptr, mode->VersionOf(s2));
    EXPECT_NE(nullptr, l->VersionOf(sib));
    EXPECT_EQ(base, p.CurrentScenario());
    EXPECT_CONSISTENT(p);
    commands.UndoAll();
    EXPECT_SAME_DUMP(before, DumpProject(p));
    EXPECT_CONSISTENT(p);
}

TEST_F(ProjectScenarios, TheBaseScenarioStays) {
    EXPECT_THROW(p.RemoveScenario(base), ERemovingInvalidEntity);
    EXPECT_EQ(4u, p.Scenarios().Count());
    // Removing "the entity" of a scenario removes only its versions.
    l->SetValueIn(s1, TLink::kCapacity, TValue(800.0));
    p.RemoveEntity(s1);
    EXPECT_TRUE(p.Scenarios().Contains(s1));
    EXPECT_FALSE(p.HasVersion(s1));
}

TEST_F(ProjectScenarios, CurrentScenarioFallsBackToTheBase) {
    p.SetCurrentScenario(sib);
    EXPECT_EQ(sib, p.CurrentScenario());
    TScenario stranger(nullptr);
    p.SetCurrentScenario(&stranger);
    EXPECT_EQ(base, p.CurrentScenario());
}

TEST_F(ProjectScenarios, VersionOperationsReachEveryList) {
    TCategory* c = p.NewCategory();
    c->AddMode(mode);
    TOperator* op = p.NewOperator(mode);
    TSector* sector = p.NewSector();
    l->SetValueIn(s1, TLink::kCapacity, TValue(800.0));
    c->SetValueIn(s1, TCategory::kMinGeneration, TValue(0.5));
    op->SetValueIn(s1, TOperator::kTimeTariff, TValue(2.0));
    sector->SetValueIn(s1, TSector::kDistParam, TValue(0.3));
    EXPECT_TRUE(p.HasVersion(s1));
    EXPECT_FALSE(p.HasVersion(sib));

    p.CopyVersion(s1, sib);
    EXPECT_DOUBLE_EQ(800.0, l->GetFloatIn(sib, TLink::kCapacity));
    EXPECT_DOUBLE_EQ(0.5, c->GetFloatIn(sib, TCategory::kMinGeneration));
    EXPECT_DOUBLE_EQ(2.0, op->GetFloatIn(sib, TOperator::kTimeTariff));
    EXPECT_DOUBLE_EQ(0.3, sector->GetFloatIn(sib, TSector::kDistParam));
    EXPECT_DOUBLE_EQ(800.0, l->GetFloatIn(s1, TLink::kCapacity));

    p.MoveVersion(s1, s2);
    EXPECT_FALSE(p.HasVersion(s1));
    EXPECT_DOUBLE_EQ(800.0, l->GetFloatIn(s2, TLink::kCapacity));
    EXPECT_DOUBLE_EQ(2.0, op->GetFloatIn(s2, TOperator::kTimeTariff));

    p.RemoveVersion(s2);
    p.RemoveVersion(sib);
    EXPECT_FALSE(p.HasVersion(s2));
    EXPECT_FALSE(p.HasVersion(sib));
    EXPECT_CONSISTENT(p);
}

TEST_F(ProjectScenarios, ProjectValuesHeldPerScenarioCountForHasVersionOnly) {
    p.SetValueIn(s1, TProject::kLinkLengthMultiplier, TValue(1.2));
    EXPECT_TRUE(p.HasVersion(s1));
    p.RemoveVersion(s1);
    EXPECT_TRUE(p.HasVersion(s1)); // the lists' operation leaves the project's own values
}

TEST_F(ProjectScenarios, ErrorMessageInTakesTheListsInOrder) {
    EXPECT_EQ("", p.ErrorMessageIn(base));
    l->SetValueIn(base, TLink::kCapacity, TValue(-5.0));
    l->SetUsedIn(base, true);
    const std::string linkMessage = l->ErrorMessageIn(base);
    ASSERT_NE("", linkMessage);
    EXPECT_EQ(linkMessage, p.ErrorMessageIn(base));
    p.NewCategory()->SetValueIn(base, TCategory::kMinGeneration, TValue(1.0));
    // Categories come before links.
    EXPECT_EQ("No modes available", p.ErrorMessageIn(base));
}

TEST(ProjectCreation, NewEntitiesJoinTheirLists) {
    TProject p;
    TNode* n = p.NewNode();
    EXPECT_EQ(1, n->Id());
    EXPECT_EQ(n, p.NodeById(1));
    TNode* n7 = p.NodeById(7);
    EXPECT_EQ(7, n7->Id());
    EXPECT_EQ(2u, p.Nodes().Count());
    TMicroZone* z = p.NewMicroZone();
    EXPECT_EQ(8, z->Id());
    EXPECT_EQ(3u, p.Nodes().Count());
    ASSERT_EQ(1u, p.TransportZones().Count());
    TExternalZone* x = p.NewExternalZone(50);
    EXPECT_TRUE(x->IsExternal());
    EXPECT_EQ(2u, p.TransportZones().Count());
    EXPECT_EQ(1, p.NewMacroZone()->Id());
    EXPECT_EQ(2, p.NewNodeType()->Id()); // at least the count plus one
    TLink* l = p.LinkBetween(n, n7);
    EXPECT_EQ(l, p.LinkBetween(n, n7));
    EXPECT_EQ(1u, p.Links().Count());
    EXPECT_EQ(l, p.FindLink(n, n7));
    EXPECT_EQ(nullptr, p.FindLink(n7, n));
    EXPECT_EQ(nullptr, p.ReverseLink(l));
    TLink* byIds = p.NewLinkByIds(40, 7, 99);
    EXPECT_EQ(40, byIds->Id());
    ASSERT_NE(nullptr, p.FindNode(99));
    EXPECT_EQ(byIds, p.FindLinkByIds(7, 99));
    EXPECT_EQ(l, p.NewLinkByIds(0, 1, 7));
    TLink* rev = p.LinkBetween(n7, n);
    EXPECT_EQ(rev, p.ReverseLink(l));
    EXPECT_EQ(l, p.ReverseLink(rev));
    EXPECT_CONSISTENT(p);
}

// A damaged file may list a zone twice in the zone list; removing the zone must leave no entry
// that would name it after it is gone.
TEST(ProjectCreation, RemovingAZoneListedTwiceLeavesNoEntry) {
    TProject p;
    TMicroZone* z = p.NewMicroZone();
    TMicroZone* other = p.NewMicroZone();
    p.TransportZones().RawInsert(p.TransportZones().Count(), z);
    ASSERT_EQ(3u, p.TransportZones().Count());
    p.RemoveEntity(z);
    EXPECT_EQ(1u, p.TransportZones().Count());
    EXPECT_EQ(other, p.TransportZones().Get(0));
    EXPECT_CONSISTENT(p);
}

TEST(ProjectCreation, OperatorsComeWithTheirRouteAndTransfer) {
    TProject p;
    TMode* m = p.NewMode();
    TOperator* op = p.NewOperator(m);
    EXPECT_EQ(m, op->Mode());
    ASSERT_EQ(1u, p.Routes().Count());
    TOperatorRoute* own = p.InternalRouteOf(op);
    ASSERT_NE(nullptr, own);
    EXPECT_EQ(-op->Id(), own->Id());
    ASSERT_EQ(1u, p.Transfers().Count());
    EXPECT_EQ(op->TransferTo(op), p.Transfers().Get(0));
    TOperator* other = p.NewOperator(m);
    TTransfer* t = p.AddTransfer(op, other);
    EXPECT_EQ(t, p.AddTransfer(op, other));
    EXPECT_EQ(3u, p.Transfers().Count());
    EXPECT_EQ(op, p.OperatorById(op->Id(), "", m));
    TOperator* named = p.OperatorById(12, "Metro", m);
    EXPECT_EQ(12, named->Id());
    EXPECT_EQ("Metro", named->GetName());
    TRoute* r = p.RouteById(5, "Red", op);
    EXPECT_EQ(op, r->Operator());
    EXPECT_EQ(r, p.RouteById(5, "", other));
    EXPECT_EQ(other, r->Operator());
    EXPECT_EQ("Red", r->GetName());
    TNode* a = p.NewNode();
    TNode* b = p.NewNode();
    TLink* l = p.LinkBetween(a, b);
    TLinkRoute* lr = p.NewLinkRoute(l, r);
    EXPECT_EQ(lr, p.NewLinkRoute(l, r));
    EXPECT_EQ(1u, p.LinkRoutes().Count());
    EXPECT_EQ(lr, l->LinkRouteOf(r));
    EXPECT_CONSISTENT(p);
}

TEST(ProjectCreation, AttractionFunctionsTargetTheFirstSector) {
    TProject p;
    TAttractionFunction* none = p.NewAttractionFunction();
    EXPECT_EQ(nullptr, none->TargetSector());
    TSector* first = p.NewSector();
    p.NewSector();
    TAttractionFunction* f = p.NewAttractionFunction();
    EXPECT_EQ(first, f->TargetSector());
    EXPECT_EQ(2u, p.AttractionFunctions().Count());
    EXPECT_EQ(&p.AttractionFunctions(), p.GetObject(TProject::kAttractionFunctions));
}

TEST(ProjectCreation, OnlyLinkRoutesCanBeAdded) {
    TProject p;
    p.AddLinkRoute(nullptr);
    TNode* n = p.NewNode();
    EXPECT_THROW(p.AddLinkRoute(n), EAddingInvalidEntity);
    EXPECT_EQ(0u, p.LinkRoutes().Count());
    TServiceLevel* level = p.ServiceLevels().Get(0);
    EXPECT_THROW(p.RemoveEntity(level), ERemovingInvalidEntity);
    EXPECT_EQ(8u, p.ServiceLevels().Count());
}

class ProjectPairs : public ::testing::Test {
protected:
    ProjectPairs() {
        base = p.BaseScenario();
        type = p.NewLinkType();
        a = p.NewNode();
        b = p.NewNode();
        ab = p.LinkBetween(a, b);
        ba = p.LinkBetween(b, a);
        for (TLink* l : {ab, ba}) {
            l->SetLinkTypeIn(base, type);
            l->SetValueIn(base, TLink::kCapacity, TValue(1000.0));
            l->SetValueIn(base, TLink::kLength, TValue(2.0));
        }
    }
    TProject p;
    TScenario* base;
    TLinkType* type;
    TNode *a, *b;
    TLink *ab, *ba;
};

TEST_F(ProjectPairs, TwoWayPairsNeedEqualValues) {
    EXPECT_TRUE(p.IsTwoWayPair(ab, base));
    ba->SetValueIn(base, TLink::kCapacity, TValue(900.0));
    EXPECT_FALSE(p.IsTwoWayPair(ab, base));
    ba->SetValueIn(base, TLink::kCapacity, TValue(1000.0));
    ba->SetValueIn(base, TLink::kLength, TValue(2.5));
    EXPECT_FALSE(p.IsTwoWayPair(ab, base));
    ba->SetValueIn(base, TLink::kLength, TValue(2.0));
    ba->SetUsedIn(base, false);
    EXPECT_FALSE(p.IsTwoWayPair(ab, base));
    ba->SetUsedIn(base, true);
    ab->SetValueIn(base, TLink::kTwoWay, TValue(false));
    EXPECT_FALSE(p.IsTwoWayPair(ab, base));
    p.SetReadOnly(true); // the model's own files carry no "two_way"
    EXPECT_TRUE(p.IsTwoWayPair(ab, base));
    TNode* c = p.NewNode();
    EXPECT_FALSE(p.IsTwoWayPair(p.LinkBetween(a, c), base));
}

TEST_F(ProjectPairs, PlainPairsShareTheIdentifierAndCarryNothing) {
    EXPECT_FALSE(p.IsPlainTwoWayPair(ab, base)); // identifiers 1 and 2
    ba->SetId(ab->Id());
    EXPECT_TRUE(p.IsPlainTwoWayPair(ab, base));
    ab->GetOrCreateTurnTo(a);
    EXPECT_FALSE(p.IsPlainTwoWayPair(ab, base));
    EXPECT_FALSE(p.IsPlainTwoWayPair(ba, base));
}

TEST(ProjectFiles, PathFileNamesFollowTheProjectAndScenario) {
    const auto dir = std::filesystem::temp_directory_path() / "zep_project_paths";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    TProject p;
    p.SetName("PRJECT");
    p.SetFileName((dir / "study.zpz").string());
    EXPECT_EQ((dir / "study.ini").string(), p.IniFileName());
    EXPECT_EQ((dir / "PRJ00A.P1S").string(), p.PathFileName(0));
    EXPECT_EQ((dir / "PRJ00A.P1Z").string(), p.PathFileName(0, true));
    EXPECT_EQ((dir / "PRJ00A.P12S").string(), p.PathFileName(11));
    TScenario* s = p.NewScenario(p.BaseScenario());
    s->SetName("1B");
    p.SetCurrentScenario(s);
    EXPECT_EQ((dir / "PRJ1B.P2S").string(), p.PathFileName(1));
    p.SetCurrentScenario(p.BaseScenario());
    EXPECT_TRUE(p.ModesWithPaths().none());
    std::ofstream(dir / "PRJ00A.P1S") << "x";
    std::ofstream(dir / "PRJ00A.P3Z") << "x";
    std::ofstream(dir / "PRJ00A.P41S") << "x"; // beyond the 40 reported modes
    const std::bitset<40> modes = p.ModesWithPaths();
    EXPECT_EQ(2u, modes.count());
    EXPECT_TRUE(modes.test(0));
    EXPECT_TRUE(modes.test(2));
    std::filesystem::remove_all(dir);
}

TEST(ProjectValues, MeanValuesOfTimeOverTheCategoriesOfAMode) {
    TProject p;
    TScenario* base = p.BaseScenario();
    TMode* car = p.NewMode();
    TMode* bus = p.NewMode();
    EXPECT_DOUBLE_EQ(0.0, p.MeanValueOfTime(car, base));
    TCategory* c1 = p.NewCategory();
    c1->AddMode(car);
    c1->SetValueIn(base, TCategory::kValueOfTravelTime, TValue(10.0));
    c1->SetValueIn(base, TCategory::kValueOfWaitingTime, TValue(3.0));
    TCategory* c2 = p.NewCategory();
    c2->AddMode(car);
    c2->AddMode(bus);
    c2->SetValueIn(base, TCategory::kValueOfTravelTime, TValue(20.0));
    EXPECT_DOUBLE_EQ(15.0, p.MeanValueOfTime(car, base));
    EXPECT_DOUBLE_EQ(20.0, p.MeanValueOfTime(bus, base));
    EXPECT_DOUBLE_EQ(2.0, p.MeanValueOfWaitingTime(car, base)); // (3 + default 1) / 2
}

TEST(ProjectAccess, InternalLinkRoutesFollowTheLinkType) {
    TProject p;
    TScenario* base = p.BaseScenario();
    TScenario* s1 = p.NewScenario(base);
    s1->SetName("01A");
    TMode* m = p.NewMode();
    TOperator* car = p.NewOperator(m);
    TOperator* bus = p.NewOperator(m);
    bus->SetType(otRoute);
    TLinkType* road = p.NewLinkType();
    road->GetOrCreateOperatorData(car)->SetValueIn(base, TLinkTypeOper::kFreeFlowSpeed,
                                                   TValue(50.0));
    road->GetOrCreateOperatorData(car)->SetValueIn(s1, TLinkTypeOper::kFreeFlowSpeed, TValue(0.0));
    TLink* l = p.LinkBetween(p.NewNode(), p.NewNode());
    l->SetLinkTypeIn(base, road);
    p.UpdateLinkAccess(l, base);
    // The route operator's internal route is obsolete and goes; the car gets a link-route.
    EXPECT_EQ(nullptr, p.InternalRouteOf(bus));
    TLinkRoute* lr = l->LinkRouteOf(p.InternalRouteOf(car));
    ASSERT_NE(nullptr, lr);
    EXPECT_TRUE(lr->IsUsedIn(base));
    p.UpdateLinkAccess(l, s1);
    EXPECT_FALSE(lr->GetBooleanIn(s1, kPropUsed));
    EXPECT_CONSISTENT(p);

    TLink* other = p.LinkBetween(p.NewNode(), p.NewNode());
    other->SetLinkTypeIn(base, road);
    p.UpdateAllAccess(base);
    EXPECT_NE(nullptr, other->LinkRouteOf(p.InternalRouteOf(car)));
    p.SetReadOnly(true);
    TLink* third = p.LinkBetween(p.NewNode(), p.NewNode());
    third->SetLinkTypeIn(base, road);
    p.UpdateLinkAccess(third, base);
    EXPECT_EQ(0u, third->LinkRoutes().Count());
}

TEST(ProjectValidate, CollectsInvalidEntitiesWithProgress) {
    TProject p;
    TScenario* base = p.BaseScenario();
    TCategory* noModes = p.NewCategory();
    TLink* bad = p.LinkBetween(p.NewNode(), p.NewNode());
    bad->SetUsedIn(base, true);
    bad->SetValueIn(base, TLink::kCapacity, TValue(-1.0));
    TScenario* s = p.NewScenario(base);
    s->SetName("TOOLONG");
    TProgressCapture progress;
    std::unique_ptr<TEntityList> invalid = p.Validate();
    EXPECT_FALSE(invalid->Owns());
    EXPECT_GE(invalid->IndexOf(noModes), 0);
    EXPECT_GE(invalid->IndexOf(bad), 0);
    EXPECT_EQ(0, invalid->IndexOf(s)); // scenarios first
    const std::vector<double> steps = progress.Fractions("Validating");
    ASSERT_EQ(14u, steps.size());
    EXPECT_DOUBLE_EQ(0.0, steps.front());
    EXPECT_DOUBLE_EQ(1.0 / 13, steps[1]);
    EXPECT_DOUBLE_EQ(1.0, steps.back());
    EXPECT_EQ(1, progress.done);
}

TEST(ProjectRegistry, RegistersTheModelClassesByName) {
    TProject::RegisterModelClasses();
    const char* names[] = {"TProject",
                           "TScenario",
                           "TAdministrator",
                           "TCategory",
                           "TMode",
                           "TOperator",
                           "TTransfer",
                           "TOperatorCategory",
                           "TOperatorCategoryList",
                           "TRoute",
                           "TOperatorRoute",
                           "TNodeType",
                           "TNode",
                           "TLinkType",
                           "TLink",
                           "TLinkRoute",
                           "TLinkTypeOper",
                           "TTurnRestriction",
                           "TZone",
                           "TExternalZone",
                           "TMicroZone",
                           "TMacroZone",
                           "TODPair",
                           "TCategoryMode",
                           "TSector",
                           "TSectorInteraction",
                           "TSectorCategory",
                           "TSectorZone",
                           "TAttractionFunction",
                           "TAttractionFunctionList",
                           "TAttractor",
                           "TAttractorList"};
    TClassRegistry& registry = TClassRegistry::Instance();
    for (const char* name : names) {
        ASSERT_TRUE(registry.IsRegistered(name)) << name;
        EXPECT_STREQ(name, registry.Create(name)->ClassName());
    }
    try {
        registry.Create("TNothing");
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_STREQ("Class TNothing not found", e.what());
    }
}

TEST(ProjectSample, TheSampleStudyIsConsistentAndComplete) {
    TProject p;
    BuildSampleStudy(p);
    EXPECT_CONSISTENT(p);
    EXPECT_EQ("EXA", p.GetName());
    EXPECT_EQ(3u, p.Scenarios().Count());
    EXPECT_EQ(25u, p.TransportZones().Count());
    EXPECT_EQ(2u, p.MacroZones().Count());
    EXPECT_GE(p.Nodes().Count(), 140u);
    EXPECT_GE(p.Links().Count(), 400u);
    EXPECT_EQ(3u, p.LinkTypes().Count());
    EXPECT_EQ(3u, p.Modes().Count());
    EXPECT_EQ(2u, p.Categories().Count());
    EXPECT_EQ(2u, p.Administrators().Count());
    std::size_t lines = 0;
    for (std::size_t i = 0; i < p.Routes().Count(); ++i)
        lines += !p.Routes().Get(i)->Internal();
    EXPECT_EQ(4u, lines);
    EXPECT_EQ("", p.ErrorMessageIn(p.BaseScenario()).substr(0, 0));
    // Deterministic: a second build gives the same study.
    TProject again;
    BuildSampleStudy(again);
    EXPECT_SAME_DUMP(DumpProject(p), DumpProject(again));
}

} // namespace
} // namespace zep::model::test
