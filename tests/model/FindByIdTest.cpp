// FindById of a long owning list answers from a table of identifiers kept up to date through
// additions, removals anywhere, identifier changes, sorts and their undo: it must always agree
// with a plain search for the first entity holding the identifier.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/model/TestKinds.h"
#include "undo/CMDStk_.h"

namespace zep::model::test {
namespace {

TEntity* FirstWithId(const TEntityList& list, std::int32_t id) {
    for (std::size_t i = 0; i < list.Count(); ++i)
        if (list.Get(i)->Id() == id) return list.Get(i);
    return nullptr;
}

void ExpectAgrees(const TEntityList& list, std::int32_t maxId, const std::string& where) {
    for (std::int32_t id = -3; id <= maxId; ++id)
        ASSERT_EQ(list.FindById(id), FirstWithId(list, id)) << where << ", identifier " << id;
}

TEST(FindById, AgreesWithAPlainSearchThroughRandomEditsAndUndo) {
    for (unsigned seed : {1u, 7u, 2026u}) {
        std::mt19937 rng(seed);
        auto pick = [&](std::size_t n) {
            return static_cast<std::size_t>(
                std::uniform_int_distribution<std::size_t>(0, n - 1)(rng));
        };
        TThingList list(true);
        for (int i = 0; i < 200; ++i)
            list.Add(new TThing());
        undo::TUndoSet set;
        undo::TCommandStack commands;
        constexpr std::int32_t kMaxId = 420;
        ExpectAgrees(list, kMaxId, "start");
        for (int step = 0; step < 300; ++step) {
            const int what = static_cast<int>(pick(7));
            undo::RunCommand(&set, commands, "edit", [&] {
                if (what == 0 && list.Count() > 0) {
                    list.Delete(pick(list.Count())); // anywhere, not only at the end
                } else if (what == 1) {
                    list.Add(new TThing());
                } else if (what == 2) {
                    auto* t = new TThing();
                    t->SetId(static_cast<std::int32_t>(pick(kMaxId)) + 1); // maybe a duplicate
                    list.Insert(pick(list.Count() + 1), t);
                } else if (what == 3 && list.Count() > 0) {
                    list.Get(pick(list.Count()))
                        ->SetId(static_cast<std::int32_t>(pick(kMaxId)) - 2);
                } else if (what == 4 && list.Count() > 1) {
                    // Two entities trade identifiers: neither is a duplicate afterwards.
                    TEntity* a = list.Get(pick(list.Count()));
                    TEntity* b = list.Get(pick(list.Count()));
                    const std::int32_t ia = a->Id(), ib = b->Id();
                    a->SetId(ib);
                    b->SetId(ia);
                } else if (what == 5) {
                    list.Sort();
                } else if (list.Count() > 0) {
                    list.Delete(list.Count() - 1);
                }
            });
            ExpectAgrees(list, kMaxId,
                         "seed " + std::to_string(seed) + " step " + std::to_string(step));
            if (pick(5) == 0) {
                commands.UndoTop();
                ExpectAgrees(list, kMaxId, "undo after step " + std::to_string(step));
            }
        }
        while (commands.CanUndoTop()) {
            commands.UndoTop();
            ExpectAgrees(list, kMaxId, "undoing all");
        }
        EXPECT_EQ(list.Count(), 200u);
    }
}

} // namespace
} // namespace zep::model::test
