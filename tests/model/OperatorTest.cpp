// Operators, transfers and operator-category records: declared tables, transfer costs, the
// get-or-create operations, copies, version operations passed on, and undo of random edits.
#include <gtest/gtest.h>

#include <random>

#include "ModeTestStudy.h"
#include "model/CATEGORY.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"
#include "model/Project.h"

namespace zep::model::test {
namespace {

class OperatorTest : public TStudyFixture {
protected:
    OperatorTest() : modes(true), operators(true), categories(true) {
        bus = AddMode();
        car = AddMode();
        a = AddOperator(bus);
        b = AddOperator(bus);
        c = AddOperator(car);
        cat = new TCategory();
        categories.Add(cat);
    }
    TMode* AddMode() {
        auto* m = new TMode();
        modes.Add(m);
        return m;
    }
    TOperator* AddOperator(TMode* mode) {
        auto* op = new TOperator(nullptr, mode);
        operators.Add(op);
        return op;
    }

    TModeList modes;
    TOperatorList operators;
    TCategoryList categories;
    TMode* bus;
    TMode* car;
    TOperator* a;
    TOperator* b;
    TOperator* c;
    TCategory* cat;
};

TEST_F(OperatorTest, DeclaredTables) {
    const TValue e;
    const TValue z(0.0);
    const TValue one(1.0);
    ExpectTable(TOperator::ClassSpecs(),
                {
                    {253, "id", varInteger, psAttribute, e, e, e},
                    {1, "type", varInteger, psAttribute, TValue(1), TValue(0), TValue(5)},
                    {30, "mode", varError, psAttribute, e, e, e},
                    {2, "modal_constant", varDouble, 0, one, z, e},
                    {3, "occupancy_rate", varDouble, psMinExclusive, one, z, e},
                    {4, "distance_tariff", varDouble, 0, z, z, e},
                    {5, "time_tariff", varDouble, 0, z, z, e},
                    {6, "min_energy", varDouble, 0, z, z, e},
                    {7, "max_energy", varDouble, 0, e, z, e},
                    {8, "energy_slope", varDouble, 0, e, z, e},
                    {9, "energy_cost", varDouble, 0, z, z, e},
                    {10, "constant_cost", varDouble, 0, z, z, e},
                    {11, "time_cost", varDouble, 0, z, z, e},
                    {12, "pct_cost_to_user", varDouble, 0, z, z, e},
                    {13, "min_waiting_time", varDouble, 0, z, z, e},
                    {14, "max_waiting_time", varDouble, 0, z, z, e},
                    {21, "has_return_trips", varBoolean, 0, TValue(false), e, e},
                    {15, "pct_return_trips", varDouble, 0, e, z, one},
                    {16, "time_factor", varDouble, 0, TValue(20.0), TValue(0.001), e},
                    {17, "boarding_tariff", varDouble, 0, z, z, e},
                    {20, "target_occupancy", varDouble, psMinExclusive, TValue(0.5), z, one},
                    {18, "operator_categories", varError, psNotStored, e, e, e},
                    {19, "path_asc", varDouble, 0, z, z, e},
                    {31, "min_stop_time", varDate, 0, z, z, e},
                    {32, "board_time", varDate, 0, z, z, e},
                    {33, "alight_time", varDate, 0, z, z, e},
                });
    EXPECT_EQ(TOperator::ClassSpecs().ById(kPropId).KeyPrefix(), "o");
    EXPECT_NE(dynamic_cast<TPercentPropSpec*>(&TOperator::ClassSpecs().ById(20)), nullptr);
    EXPECT_NE(dynamic_cast<TTimePropSpec*>(&TOperator::ClassSpecs().ById(32)), nullptr);
    ExpectTable(TTransfer::ClassSpecs(),
                {
                    {253, "id", varInteger, psNotStored, e, e, e},
                    {250, "name", varString, psNotStored, e, e, e},
                    {3, "from", varError, psAttribute | psAlwaysStored, e, e, e},
                    {2, "to", varError, psAttribute | psAlwaysStored, e, e, e},
                    {1, "transfer_cost", varDouble, 0, e, e, e},
                });
    ExpectTable(TOperatorCategory::ClassSpecs(), {
                                                     {253, "id", varInteger, psNotStored, e, e, e},
                                                     {250, "name", varString, psNotStored, e, e, e},
                                                     {1, "tariff", varDouble, 0, one, z, e},
                                                     {2, "penalty", varDouble, 0, one, z, e},
                                                     {5, "asc", varDouble, 0, z, z, e},
                                                 });

    // The type names by index; an index past the highest shows "nil".
    const TPropSpec& type = TOperator::ClassSpecs().ById(TOperator::kType);
    const char* names[] = {"null", "auto", "normal", "route", "walk", "mode_change"};
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(type.DisplayText(TValue(i)), names[i]);
    EXPECT_EQ(type.DisplayText(TValue(6)), "nil");

    // target_occupancy: 0 fails (exclusive), 1 passes, a bit more fails.
    const TPropSpec& occ = TOperator::ClassSpecs().ById(TOperator::kTargetOccupancy);
    EXPECT_FALSE(occ.ErrorMessage(TValue(0.0)).empty());
    EXPECT_TRUE(occ.ErrorMessage(TValue(1.0)).empty());
    EXPECT_FALSE(occ.ErrorMessage(TValue(1.0001)).empty());
    const TPropSpec& tf = TOperator::ClassSpecs().ById(TOperator::kTimeFactor);
    EXPECT_TRUE(tf.ErrorMessage(TValue(0.001)).empty());
    EXPECT_FALSE(tf.ErrorMessage(TValue(0.0009)).empty());
}

TEST_F(OperatorTest, NewOperatorHasModeTypeAndEmptyLists) {
    EXPECT_EQ(a->Mode(), bus);
    EXPECT_EQ(a->GetObject(TOperator::kMode), bus);
    EXPECT_EQ(a->Type(), otAuto);
    EXPECT_EQ(a->GetString(TOperator::kType), "auto");
    EXPECT_EQ(a->Transfers().Count(), 0u);
    EXPECT_EQ(a->GetObject(TOperator::kOperatorCategories), &a->OperatorCategories());
    EXPECT_EQ(a->KeyText(), "o_1");

    // Writing the property moves the field too, and undo puts both back.
    a->SetProperty(TOperator::kMode, TValue(car));
    EXPECT_EQ(a->Mode(), car);
    UndoAll();
    EXPECT_EQ(a->Mode(), bus);
    EXPECT_EQ(a->GetObject(TOperator::kMode), bus);

    TOperator loaded;
    EXPECT_EQ(loaded.Mode(), nullptr);
    EXPECT_EQ(loaded.Type(), otAuto);
}

TEST_F(OperatorTest, TransfersAreSharedPerPairAndReadTheirToOperator) {
    b->SetName("Night bus");
    TTransfer* t = a->GetOrCreateTransferTo(b);
    EXPECT_EQ(a->GetOrCreateTransferTo(b), t);
    EXPECT_EQ(a->Transfers().Count(), 1u);
    EXPECT_EQ(a->TransferTo(b), t);
    EXPECT_EQ(a->TransferTo(c), nullptr);
    EXPECT_EQ(b->TransferTo(a), nullptr);
    EXPECT_EQ(t->FromOperator(), a);
    EXPECT_EQ(t->ToOperator(), b);
    EXPECT_EQ(t->GetObject(TTransfer::kFrom), a);
    EXPECT_EQ(t->GetObject(TTransfer::kTo), b);
    EXPECT_EQ(t->Id(), b->Id());
    EXPECT_EQ(t->GetName(), "Night bus");
    EXPECT_EQ(t->GetInteger(kPropId), b->Id());

    a->GetOrCreateTransferTo(c);
    a->RemoveTransferTo(b);
    EXPECT_EQ(a->TransferTo(b), nullptr);
    EXPECT_EQ(a->Transfers().Count(), 1u);
    UndoAll();
    EXPECT_EQ(a->Transfers().Count(), 0u);
}

TEST_F(OperatorTest, TransferCostFallsBackToBoardingTariff) {
    b->SetValueIn(base, TOperator::kBoardingTariff, TValue(2.5));
    b->SetValueIn(s1, TOperator::kBoardingTariff, TValue(4.0));
    // No transfer at all.
    EXPECT_DOUBLE_EQ(a->TransferCostTo(b, base), 2.5);
    EXPECT_DOUBLE_EQ(a->TransferCostTo(b, s2), 4.0);
    // A transfer whose cost is empty in the scenario.
    TTransfer* t = a->GetOrCreateTransferTo(b);
    EXPECT_DOUBLE_EQ(a->TransferCostTo(b, s1), 4.0);
    // A cost set in 01A is inherited by 02A but not seen in the base or the sibling.
    t->SetValueIn(s1, TTransfer::kTransferCost, TValue(0.75));
    EXPECT_DOUBLE_EQ(a->TransferCostTo(b, s1), 0.75);
    EXPECT_DOUBLE_EQ(a->TransferCostTo(b, s2), 0.75);
    EXPECT_DOUBLE_EQ(a->TransferCostTo(b, base), 2.5);
    EXPECT_DOUBLE_EQ(a->TransferCostTo(b, sib), 2.5);
    // A cost of zero is a value, not a missing one.
    t->SetValueIn(base, TTransfer::kTransferCost, TValue(0.0));
    EXPECT_DOUBLE_EQ(a->TransferCostTo(b, sib), 0.0);
    // The default boarding tariff when nothing is set.
    EXPECT_DOUBLE_EQ(b->TransferCostTo(c, base), 0.0);
}

TEST_F(OperatorTest, OperatorCategoryRecords) {
    auto* other = new TCategory();
    categories.Add(other);
    TOperatorCategory* r = a->GetOrCreateOperatorCategoryFor(cat);
    EXPECT_EQ(a->GetOrCreateOperatorCategoryFor(cat), r);
    EXPECT_EQ(r->Operator(), a);
    EXPECT_EQ(r->Category(), cat);
    EXPECT_EQ(a->OperatorCategoryFor(other), nullptr);
    a->GetOrCreateOperatorCategoryFor(other);
    EXPECT_EQ(a->OperatorCategories().Count(), 2u);
    a->DropCategory(cat);
    EXPECT_EQ(a->OperatorCategoryFor(cat), nullptr);
    EXPECT_NE(a->OperatorCategoryFor(other), nullptr);
    UndoAll();
    EXPECT_EQ(a->OperatorCategories().Count(), 0u);
}

TEST_F(OperatorTest, VersionOperationsReachOwnedRecords) {
    TOperatorCategory* r = a->GetOrCreateOperatorCategoryFor(cat);
    TTransfer* t = a->GetOrCreateTransferTo(b);
    EXPECT_FALSE(a->HasVersion(s1));
    r->SetValueIn(s1, TOperatorCategory::kTariff, TValue(3.0));
    EXPECT_TRUE(a->HasVersion(s1));
    // A transfer's version alone does not count for the operator.
    t->SetValueIn(sib, TTransfer::kTransferCost, TValue(1.0));
    EXPECT_FALSE(a->HasVersion(sib));

    a->CopyVersion(s1, sib);
    EXPECT_DOUBLE_EQ(r->GetFloatIn(sib, TOperatorCategory::kTariff), 3.0);

    t->SetValueIn(s1, TTransfer::kTransferCost, TValue(5.0));
    a->SetValueIn(s1, TOperator::kTimeTariff, TValue(0.2));
    a->MoveVersion(s1, s2);
    EXPECT_DOUBLE_EQ(a->GetFloatIn(s2, TOperator::kTimeTariff), 0.2);
    EXPECT_DOUBLE_EQ(r->GetFloatIn(s2, TOperatorCategory::kTariff), 3.0);
    EXPECT_DOUBLE_EQ(t->GetFloatIn(s2, TTransfer::kTransferCost), 5.0);
    EXPECT_FALSE(r->HasVersion(s1) && r->GetFloatIn(s1, TOperatorCategory::kTariff) == 3.0);

    a->RemoveVersion(s2);
    EXPECT_FALSE(a->HasVersion(s2));
    EXPECT_FALSE(r->HasVersion(s2));
    // Transfers keep their versions: the project removes them through its transfer index.
    EXPECT_TRUE(t->HasVersion(s2));

    // Attaching to a project reaches every transfer and record.
    TProject owner;
    TProjectI* project = &owner;
    a->SetProject(project);
    EXPECT_EQ(t->Project(), project);
    EXPECT_EQ(r->Project(), project);
    EXPECT_EQ(a->Transfers().Project(), project);
    a->SetProject(nullptr);
}

TEST_F(OperatorTest, CopyRepointsTransfersAndRecords) {
    a->SetValueIn(s1, TOperator::kDistanceTariff, TValue(0.4));
    a->SetType(otRoute);
    a->GetOrCreateTransferTo(b)->SetValueIn(base, TTransfer::kTransferCost, TValue(1.5));
    a->GetOrCreateOperatorCategoryFor(cat)->SetValueIn(base, TOperatorCategory::kPenalty,
                                                       TValue(2.0));
    TOperator* d = AddOperator(nullptr);
    d->Copy(*a);
    EXPECT_EQ(d->Mode(), bus);
    EXPECT_EQ(d->Type(), otRoute);
    EXPECT_DOUBLE_EQ(d->GetFloatIn(s2, TOperator::kDistanceTariff), 0.4);
    ASSERT_EQ(d->Transfers().Count(), 1u);
    TTransfer* dt = d->Transfers().Get(0);
    EXPECT_NE(dt, a->Transfers().Get(0));
    EXPECT_EQ(dt->FromOperator(), d);
    EXPECT_EQ(dt->ToOperator(), b);
    EXPECT_DOUBLE_EQ(d->TransferCostTo(b, s1), 1.5);
    ASSERT_EQ(d->OperatorCategories().Count(), 1u);
    TOperatorCategory* dr = d->OperatorCategories().Get(0);
    EXPECT_NE(dr, a->OperatorCategories().Get(0));
    EXPECT_EQ(dr->Operator(), d);
    EXPECT_EQ(dr->Category(), cat);
    EXPECT_DOUBLE_EQ(dr->GetFloatIn(base, TOperatorCategory::kPenalty), 2.0);
    // The copy's record list is its own, held in its own property.
    EXPECT_EQ(d->GetObject(TOperator::kOperatorCategories), &d->OperatorCategories());

    // Clone goes through the same copy.
    std::unique_ptr<TEntity> clone = a->Clone();
    auto* co = static_cast<TOperator*>(clone.get());
    EXPECT_EQ(co->Transfers().Get(0)->FromOperator(), co);
}

TEST_F(OperatorTest, ListAnswersWhetherAnyOperatorRunsRoutes) {
    EXPECT_FALSE(operators.HasRouteOperator());
    c->SetType(otRoute);
    EXPECT_TRUE(operators.HasRouteOperator());
}

// Random edits of operators, their transfers and records, then undo: the state is the one
// before, value for value and version for version.
TEST_F(OperatorTest, RandomEditsUndoToTheSameState) {
    auto dump = [&] {
        std::string out = DumpAll({&modes, &operators, &categories});
        for (std::size_t i = 0; i < operators.Count(); ++i) {
            TOperator* op = operators.Get(i);
            out += DumpList(op->Transfers()) + DumpList(op->OperatorCategories());
            out += op->Mode() ? op->Mode()->KeyText() : "nomode";
        }
        return out;
    };
    a->GetOrCreateTransferTo(c)->SetValueIn(base, TTransfer::kTransferCost, TValue(3.0));
    undoSet.BeginTransaction();
    const std::uint32_t start = undoSet.CurrentTransaction();
    const std::string before = dump();
    TScenario* scen[] = {base, s1, s2, sib};
    std::mt19937 rng(5);
    for (int step = 0; step < 400; ++step) {
        TOperator* op = operators.Get(rng() % operators.Count());
        TOperator* other = operators.Get(rng() % operators.Count());
        TScenario* s = scen[rng() % 4];
        switch (rng() % 9) {
        case 0:
            op->GetOrCreateTransferTo(other);
            break;
        case 1:
            op->RemoveTransferTo(other);
            break;
        case 2:
            op->SetMode(rng() % 2 ? bus : car);
            break;
        case 3:
            op->SetValueIn(s, TOperator::kBoardingTariff, TValue(double(rng() % 4)));
            break;
        case 4:
            op->GetOrCreateOperatorCategoryFor(cat)->SetValueIn(s, TOperatorCategory::kAsc,
                                                                TValue(double(rng() % 3)));
            break;
        case 5:
            op->DropCategory(cat);
            break;
        case 6:
            op->MoveVersion(s, scen[rng() % 4]);
            break;
        case 7:
            op->RemoveVersion(s);
            break;
        case 8:
            if (rng() % 8 == 0)
                AddOperator(car)->Copy(*op);
            else
                op->SetType(static_cast<std::int32_t>(rng() % 6));
            break;
        }
        if (step % 50 == 0) undoSet.BeginTransaction();
    }
    EXPECT_NE(dump(), before);
    undoSet.UndoTo(start);
    EXPECT_EQ(dump(), before);
}

} // namespace
} // namespace zep::model::test
