// Categories: declared table, available modes (set semantics, copies, dropping a mode) and the
// "No modes available" validity text.
#include <gtest/gtest.h>

#include "ModeTestStudy.h"
#include "model/CATEGORY.h"
#include "model/Mode.h"

namespace zep::model::test {
namespace {

class CategoryTest : public TStudyFixture {
protected:
    CategoryTest() : modes(true), categories(true) {
        for (int i = 0; i < 3; ++i)
            modes.Add(new TMode());
        cat = new TCategory();
        categories.Add(cat);
    }
    TMode* M(std::size_t i) const { return modes.Get(i); }

    TModeList modes;
    TCategoryList categories;
    TCategory* cat;
};

TEST_F(CategoryTest, DeclaredTable) {
    const TValue e;
    const TValue z(0.0);
    const TValue one(1.0);
    ExpectTable(TCategory::ClassSpecs(),
                {
                    {253, "id", varInteger, psAttribute, e, e, e},
                    {1, "value_of_travel_time", varDouble, psMinExclusive, one, z, e},
                    {2, "value_of_waiting_time", varDouble, psMinExclusive, one, z, e},
                    {3, "min_generation", varDouble, 0, z, z, e},
                    {4, "max_generation", varDouble, 0, one, z, e},
                    {5, "demand_elasticity", varDouble, 0, one, z, e},
                    {6, "mode_choice_elasticity", varDouble, 0, one, z, e},
                    {7, "vehicle_availability", varDouble, 0, one, z, one},
                    {8, "path_choice_elasticity", varDouble, 0, one, z, e},
                    {9, "mode_choice_logit_scaling", varDouble, 0, one, z, one},
                    {10, "path_choice_logit_scaling", varDouble, 0, one, z, one},
                });
    EXPECT_EQ(cat->KeyText(), "c_1");
}

TEST_F(CategoryTest, AvailableModesAreASetOfReferences) {
    EXPECT_FALSE(cat->AvailableModes().Owns());
    cat->AddMode(M(0));
    cat->AddMode(M(2));
    cat->AddMode(M(0));
    EXPECT_EQ(cat->AvailableModes().Count(), 2u);
    EXPECT_TRUE(cat->HasMode(M(0)));
    EXPECT_FALSE(cat->HasMode(M(1)));
    cat->RemoveMode(M(1)); // absent: nothing happens
    cat->RemoveMode(M(0));
    EXPECT_FALSE(cat->HasMode(M(0)));
    EXPECT_EQ(cat->AvailableModes().Count(), 1u);
    // A reference list neither renumbers nor frees the modes.
    EXPECT_EQ(M(2)->ListIndex(), 2);
    UndoAll();
    EXPECT_EQ(cat->AvailableModes().Count(), 0u);
}

TEST_F(CategoryTest, NoModesAvailableInEveryScenario) {
    for (TScenario* s : {base, s1, s2, sib})
        EXPECT_EQ(cat->ErrorMessageIn(s), "No modes available");
    // Reported by Validate even without any version.
    EXPECT_FALSE(cat->IsValid());
    EXPECT_EQ(cat->ErrorMessage(), "No modes available");
    TCategoryList invalid(false);
    invalid.SetRecordsUndo(false);
    categories.CollectInvalid(invalid);
    EXPECT_EQ(invalid.Count(), 1u);

    cat->AddMode(M(1));
    EXPECT_EQ(cat->ErrorMessageIn(base), "");
    EXPECT_TRUE(cat->IsValid());
    // With a mode the inherited check applies: an exclusive lower limit of 0.
    cat->SetValueIn(s1, TCategory::kValueOfTravelTime, TValue(0.0));
    EXPECT_EQ(cat->ErrorMessageIn(base), "");
    EXPECT_NE(cat->ErrorMessageIn(s1), "");
    EXPECT_NE(cat->ErrorMessageIn(s1), "No modes available");
    EXPECT_FALSE(cat->IsValid());
}

TEST_F(CategoryTest, CopyAddsTheSourceModes) {
    cat->AddMode(M(0));
    cat->AddMode(M(1));
    cat->SetValueIn(s1, TCategory::kDemandElasticity, TValue(0.5));
    auto* other = new TCategory();
    categories.Add(other);
    other->AddMode(M(1));
    other->AddMode(M(2));
    other->Copy(*cat);
    // Adding skips modes already present; modes of the receiver stay.
    ASSERT_EQ(other->AvailableModes().Count(), 3u);
    EXPECT_EQ(other->AvailableModes().Get(0), M(1));
    EXPECT_EQ(other->AvailableModes().Get(1), M(2));
    EXPECT_EQ(other->AvailableModes().Get(2), M(0));
    EXPECT_DOUBLE_EQ(other->GetFloatIn(s2, TCategory::kDemandElasticity), 0.5);
}

TEST_F(CategoryTest, DroppingAModeReachesEveryCategory) {
    auto* other = new TCategory();
    categories.Add(other);
    cat->AddMode(M(0));
    cat->AddMode(M(1));
    other->AddMode(M(1));
    const std::string before =
        DumpList(categories) + DumpList(cat->AvailableModes()) + DumpList(other->AvailableModes());
    undoSet.BeginTransaction();
    categories.DropMode(M(1));
    EXPECT_FALSE(cat->HasMode(M(1)));
    EXPECT_FALSE(other->HasMode(M(1)));
    EXPECT_TRUE(cat->HasMode(M(0)));
    EXPECT_EQ(other->ErrorMessageIn(base), "No modes available");
    undoSet.UndoTo(0);
    EXPECT_EQ(DumpList(categories) + DumpList(cat->AvailableModes()) +
                  DumpList(other->AvailableModes()),
              before);
}

} // namespace
} // namespace zep::model::test
