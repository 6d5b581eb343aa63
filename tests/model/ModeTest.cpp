// Modes: the declared table and its bounds.
#include <gtest/gtest.h>

#include "ModeTestStudy.h"
#include "model/Mode.h"

namespace zep::model::test {
namespace {

TEST(ModeTest, DeclaredTableAndBounds) {
    const TValue e;
    const TValue z(0.0);
    ExpectTable(
        TMode::ClassSpecs(),
        {
            {253, "id", varInteger, psAttribute, e, e, e},
            {1, "is_public", varBoolean, psNotStored, TValue(false), e, e},
            {3, "path_overlapping_factor", varDouble, 0, TValue(1.0), TValue(0.001), TValue(100.0)},
            {4, "nof_paths", varDouble, 0, TValue(3.0), z, e},
            {5, "value_of_travel_time", varDouble, 0, z, z, e},
            {6, "value_of_waiting_time", varDouble, 0, z, z, e},
            {7, "alternative_specific_constant", varDouble, 0, z, e, e},
        });
    const TPropSpec& pof = TMode::ClassSpecs().ById(TMode::kPathOverlappingFactor);
    EXPECT_TRUE(pof.ErrorMessage(TValue(0.001)).empty());
    EXPECT_TRUE(pof.ErrorMessage(TValue(100.0)).empty());
    EXPECT_FALSE(pof.ErrorMessage(TValue(0.0009)).empty());
    EXPECT_FALSE(pof.ErrorMessage(TValue(100.5)).empty());

    TModeList modes(true);
    auto* m = new TMode();
    modes.Add(m);
    EXPECT_EQ(m->KeyText(), "m_1");
    TScenario base;
    EXPECT_DOUBLE_EQ(m->GetFloatIn(&base, TMode::kPathOverlappingFactor), 1.0);
    EXPECT_DOUBLE_EQ(m->GetFloatIn(&base, TMode::kNofPaths), 3.0);
    // A mode exists everywhere unless removed.
    EXPECT_TRUE(m->IsUsedIn(&base));
}

} // namespace
} // namespace zep::model::test
