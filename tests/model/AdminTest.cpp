// Administrators and service levels.
#include <gtest/gtest.h>

#include "ModeTestStudy.h"
#include "model/ADMIN.h"

namespace zep::model::test {
namespace {

TEST(AdminTest, AdministratorKeyAndInheritedProperties) {
    TAdministratorList admins(true);
    auto* a = new TAdministrator();
    admins.Add(a);
    a->SetName("Roads agency");
    EXPECT_EQ(a->KeyText(), "a_1");
    EXPECT_EQ(TAdministrator::ClassSpecs().ById(kPropId).Flags(), psAttribute);
    // Nothing beyond the inherited properties.
    for (const auto& [id, spec] : TAdministrator::ClassSpecs().AllById())
        EXPECT_TRUE(id == kPropId || id == kPropName || id == kPropDescription || id == kPropUsed)
            << spec->Name();
}

TEST(AdminTest, EightServiceLevels) {
    TServiceLevelList levels(true);
    levels.AddStandardLevels();
    ASSERT_EQ(levels.Count(), 8u);
    const char* names[] = {"Level A", "Level B", "Level C", "Level D",
                           "Level E", "Level F", "Level G", "Level H"};
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(levels.Get(i)->Id(), static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(levels.Get(i)->GetName(), names[i]);
    }
    EXPECT_EQ(levels.Get(7)->GetListText(), "8 Level H ");
}

} // namespace
} // namespace zep::model::test
