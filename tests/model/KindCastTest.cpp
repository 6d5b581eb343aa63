#include "model/KindCast.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "model/LINK.h"
#include "model/NODE.h"
#include "model/PersistentList.h"
#include "model/SCENARIO.h"

namespace zep::model {
namespace {

// Answers must equal dynamic_cast's whatever order the classes come in, from any base the
// object is seen through, including a base that is not the first one of its class.
TEST(KindCast, AgreesWithDynamicCastAcrossClassesBasesAndConstness) {
    std::vector<std::unique_ptr<undo::TObject>> objects;
    objects.push_back(std::make_unique<TNode>());
    objects.push_back(std::make_unique<TLink>());
    objects.push_back(std::make_unique<TLinkRoute>());
    objects.push_back(std::make_unique<TOperatorRoute>());
    objects.push_back(std::make_unique<TScenario>());
    objects.push_back(std::make_unique<TEntityList>());
    for (int round = 0; round < 3; ++round)
        for (std::size_t i = 0; i < objects.size(); ++i) {
            undo::TObject* o =
                objects[(i * 7 + static_cast<std::size_t>(round)) % objects.size()].get();
            auto* p = dynamic_cast<TZEPPersistent*>(o);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(KindCast<TLinkRoute>(p), dynamic_cast<TLinkRoute*>(p));
            EXPECT_EQ(KindCast<TVersionedEntity>(p), dynamic_cast<TVersionedEntity*>(p));
            EXPECT_EQ(KindCast<TPersistentList>(p), dynamic_cast<TPersistentList*>(p));
            // The list seen through its second base: the answer is found from the whole object.
            if (auto* list = dynamic_cast<TPersistentList*>(p)) {
                undo::TUndoableList* second = list;
                EXPECT_EQ(KindCast<TPersistentList>(second), list);
                EXPECT_EQ(KindCast<TZEPPersistent>(second), p);
            }
            const TZEPPersistent* constant = p;
            EXPECT_EQ(KindCast<const TScenario>(constant), dynamic_cast<const TScenario*>(p));
        }
    EXPECT_EQ(KindCast<TNode>(static_cast<TZEPPersistent*>(nullptr)), nullptr);
}

} // namespace
} // namespace zep::model
