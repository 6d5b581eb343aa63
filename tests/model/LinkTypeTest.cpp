// Link types and their operator data: property tables, speeds, the overlapping factor that
// falls back to the mode's, version operations passed on to the operator data, copies.
#include <gtest/gtest.h>

#include "ModeTestStudy.h"
#include "model/ADMIN.h"
#include "tests/model/LinkTestProject.h"

namespace zep::model::test {
namespace {

TEST(LinkTypeTest, PropertyTables) {
    const TValue none;
    ExpectTable(
        TLinkType::ClassSpecs(),
        {{253, "id", varInteger, psAttribute, none, none, none},
         {1, "admin", varError, psAlwaysStored, none, none, none},
         {2, "capacity_factor", varDouble, 0, TValue(0.0), TValue(0.01), TValue(366.0)},
         {3, "min_maintenance_cost", varDouble, 0, none, TValue(0.0), none},
         {4, "pct_speed_at_full_capacity", varDouble, 0, TValue(0.5), TValue(0.01), TValue(0.99)},
         {5, "vc_for_min_speed", varDouble, 0, TValue(1.2), TValue(1.01), none},
         {6, "min_speed_pct", varDouble, 0, TValue(0.9), TValue(0.01), TValue(0.99)}});
    EXPECT_EQ(TLinkType::ClassSpecs().ById(253).KeyPrefix(), "t");
    EXPECT_NE(dynamic_cast<const TPercentPropSpec*>(&TLinkType::ClassSpecs().ById(5)), nullptr);
    ExpectTable(
        TLinkTypeOper::ClassSpecs(),
        {{253, "id", varInteger, psNotStored, none, none, none},
         {250, "name", varString, psNotStored, none, none, none},
         {22, "operator", varError, psAlwaysStored | psAttribute, none, none, none},
         {21, "link_type", varError, psAlwaysStored | psAttribute, none, none, none},
         {1, "free_flow_speed", varDouble, 0, none, TValue(0.1), none},
         {2, "equivalent_vehicles", varDouble, 0, none, TValue(0.0), none},
         {3, "charges", varDouble, 0, none, TValue(0.0), none},
         {4, "penalization", varDouble, 0, TValue(1.0), TValue(0.0), TValue(10.0)},
         {5, "distance_cost", varDouble, 0, none, TValue(0.0), none},
         {6, "additional_maintenance_cost", varDouble, 0, TValue(0.0), TValue(0.0), none},
         {7, "path_overlapping_factor", varDouble, 0, TValue(1.0), TValue(0.001), TValue(100.0)}});
}

class TLinkTypeFixture : public TNetFixture {
protected:
    TLinkTypeFixture() {
        road = prj.NewMode();
        walkMode = prj.NewMode();
        car = prj.NewOperator(road, otAuto);
        car->SetName("Car");
        truck = prj.NewOperator(road, otAuto);
        walk = prj.NewOperator(walkMode, otWalk);
        type = prj.NewLinkType();
    }
    TMode* road;
    TMode* walkMode;
    TOperator* car;
    TOperator* truck;
    TOperator* walk;
    TLinkType* type;
};

TEST_F(TLinkTypeFixture, OperatorDataOnePerOperator) {
    TLinkTypeOper* d = type->GetOrCreateOperatorData(car);
    EXPECT_EQ(type->GetOrCreateOperatorData(car), d);
    EXPECT_EQ(type->OperatorData(car), d);
    EXPECT_EQ(type->OperatorData(truck), nullptr);
    EXPECT_EQ(d->Id(), car->Id());
    EXPECT_EQ(d->GetName(), "Car");
    EXPECT_EQ(d->GetInteger(kPropId), car->Id());
    EXPECT_EQ(d->LinkType(), type);
    EXPECT_EQ(d->GetObject(TLinkTypeOper::kLinkType), type);
    EXPECT_EQ(d->GetObject(TLinkTypeOper::kOperator), car);
    EXPECT_EQ(type->OperatorDataList().get(0), d);
    type->GetOrCreateOperatorData(truck);
    type->RemoveOperatorData(car);
    EXPECT_EQ(type->OperatorData(car), nullptr);
    EXPECT_EQ(type->OperatorDataList().Count(), 1u);
    UndoAll();
    EXPECT_EQ(type->OperatorDataList().Count(), 0u);
}

TEST_F(TLinkTypeFixture, SpeedsRelativeToTheFastestOperator) {
    EXPECT_EQ(type->MaxFreeFlowSpeed(base), 0);
    TLinkTypeOper* c = type->GetOrCreateOperatorData(car);
    TLinkTypeOper* t = type->GetOrCreateOperatorData(truck);
    TLinkTypeOper* w = type->GetOrCreateOperatorData(walk);
    EXPECT_EQ(c->RelativeSpeed(base), 0); // nobody moves: no division by zero
    c->SetValueIn(base, TLinkTypeOper::kFreeFlowSpeed, TValue(100.0));
    t->SetValueIn(base, TLinkTypeOper::kFreeFlowSpeed, TValue(80.0));
    w->SetValueIn(base, TLinkTypeOper::kFreeFlowSpeed, TValue(5.0));
    t->SetValueIn(s1, TLinkTypeOper::kFreeFlowSpeed, TValue(120.0));
    EXPECT_EQ(type->MaxFreeFlowSpeed(base), 100);
    EXPECT_EQ(type->MaxFreeFlowSpeed(s2), 120);
    EXPECT_DOUBLE_EQ(t->RelativeSpeed(base), 0.8);
    EXPECT_DOUBLE_EQ(c->RelativeSpeed(s1), 100.0 / 120.0);
    EXPECT_DOUBLE_EQ(t->OperatorSpeed(base, 50), 40);
    EXPECT_DOUBLE_EQ(w->OperatorSpeed(base, 50), 5); // walkers keep their own pace
}

TEST_F(TLinkTypeFixture, OverlappingFactorFallsBackToTheMode) {
    road->SetValueIn(base, TMode::kPathOverlappingFactor, TValue(2.5));
    road->SetValueIn(s1, TMode::kPathOverlappingFactor, TValue(3.0));
    TLinkTypeOper* d = type->GetOrCreateOperatorData(car);
    StartRecording();
    const std::string before = DumpEntity(*d);
    // Nothing stored: the mode's.
    EXPECT_DOUBLE_EQ(d->PathOverlappingFactorIn(base), 2.5);
    d->SetValueIn(base, TLinkTypeOper::kPathOverlappingFactor, TValue(7.0));
    EXPECT_DOUBLE_EQ(d->PathOverlappingFactorIn(s1), 7);
    // Writing 0 (or nothing) stores the integer 0: "use the mode's".
    d->SetValueIn(s1, TLinkTypeOper::kPathOverlappingFactor, TValue(0.0));
    const TProperty* own = d->VersionOf(s1)->Find(TLinkTypeOper::kPathOverlappingFactor);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->value.Kind(), varInteger);
    EXPECT_EQ(own->value.ToInteger(), 0);
    EXPECT_DOUBLE_EQ(d->PathOverlappingFactorIn(s2), 3.0);
    PVProperty p = d->GetVersionedProperty(s2, TLinkTypeOper::kPathOverlappingFactor);
    EXPECT_DOUBLE_EQ(p->GetAsFloat(), 3.0);
    EXPECT_TRUE(p->IsDefault()); // a forced default
    d->SetValueIn(sib, TLinkTypeOper::kPathOverlappingFactor, TValue());
    EXPECT_EQ(d->VersionOf(sib)->Find(TLinkTypeOper::kPathOverlappingFactor)->value.Kind(),
              varInteger);
    EXPECT_DOUBLE_EQ(d->PathOverlappingFactorIn(sib), 2.5);
    EXPECT_EQ(d->ErrorMessageIn(s1), ""); // the marker is not a bad factor
    d->SetValueIn(s2, TLinkTypeOper::kPathOverlappingFactor, TValue(0.0005));
    EXPECT_FALSE(d->ErrorMessageIn(s2).empty());
    d->SetValueIn(s2, TLinkTypeOper::kPathOverlappingFactor, TValue(0.0)); // inherits the marker
    EXPECT_EQ(d->VersionOf(s2), nullptr);
    UndoAll();
    EXPECT_EQ(DumpEntity(*d), before);
}

TEST_F(TLinkTypeFixture, VersionOperationsReachTheOperatorData) {
    TLinkTypeOper* d = type->GetOrCreateOperatorData(car);
    StartRecording();
    const std::string before = DumpEntity(*type) + DumpList(type->OperatorDataList());
    d->SetValueIn(s1, TLinkTypeOper::kCharges, TValue(2.0));
    EXPECT_TRUE(type->HasVersion(s1)); // through its data
    type->CopyVersion(s1, sib);
    EXPECT_DOUBLE_EQ(d->GetFloatIn(sib, TLinkTypeOper::kCharges), 2);
    type->RemoveVersion(s1);
    EXPECT_FALSE(type->HasVersion(s1));
    EXPECT_EQ(d->VersionOf(s1), nullptr);
    EXPECT_DOUBLE_EQ(d->GetFloatIn(sib, TLinkTypeOper::kCharges), 2);
    type->MoveVersion(sib, s2);
    EXPECT_EQ(d->VersionOf(sib), nullptr);
    EXPECT_FALSE(type->HasVersion(sib));
    EXPECT_DOUBLE_EQ(d->GetFloatIn(s2, TLinkTypeOper::kCharges), 2);
    EXPECT_DOUBLE_EQ(d->GetFloatIn(s1, TLinkTypeOper::kCharges), 0);
    d->SetValueIn(s2, TLinkTypeOper::kPenalization, TValue(11.0));
    EXPECT_FALSE(type->IsValid());
    EXPECT_EQ(type->ErrorMessageIn(s2), d->ErrorMessageIn(s2));
    type->SetProject(nullptr);
    EXPECT_EQ(d->Project(), nullptr);
    type->SetProject(&prj);
    UndoAll();
    EXPECT_EQ(DumpEntity(*type) + DumpList(type->OperatorDataList()), before);
}

TEST_F(TLinkTypeFixture, AdministratorPerScenarioAndCopy) {
    TAdministrator admin(&prj);
    type->SetAdminIn(s1, &admin);
    EXPECT_EQ(type->AdminIn(s2), &admin);
    EXPECT_EQ(type->AdminIn(base), nullptr);
    type->GetOrCreateOperatorData(car)->SetValueIn(base, TLinkTypeOper::kFreeFlowSpeed,
                                                   TValue(60.0));
    TLinkType* copy = prj.NewLinkType();
    copy->Copy(*type);
    ASSERT_EQ(copy->OperatorDataList().Count(), 1u);
    TLinkTypeOper* d = copy->OperatorData(car);
    ASSERT_NE(d, nullptr);
    EXPECT_NE(d, type->OperatorData(car));
    EXPECT_EQ(d->LinkType(), copy);
    EXPECT_EQ(d->GetObject(TLinkTypeOper::kLinkType), copy);
    EXPECT_DOUBLE_EQ(d->FreeFlowSpeedIn(s1), 60);
    EXPECT_EQ(copy->AdminIn(s1), &admin);
    type->SetAdminIn(s1, nullptr);
    copy->SetAdminIn(s1, nullptr);
}

} // namespace
} // namespace zep::model::test
