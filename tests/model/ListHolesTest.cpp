// Deletions from the middle of a long list leave holes that later insertions, undo and walks over
// the list fill or close: through any mix of them, the list must read as a plain vector that
// went through the same changes.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/model/TestKinds.h"
#include "undo/CMDStk_.h"

namespace zep::model::test {
namespace {

TEST(ListHoles, AListWithHolesReadsAsAVectorThroughEditsUndoAndWalks) {
    const THolesFrom holes(16);
    for (unsigned seed : {5u, 19u, 4242u}) {
        std::mt19937 rng(seed);
        auto pick = [&](std::size_t n) {
            return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
        };
        TThingList owner(true); // owns what either list holds
        TThingList list(false);
        std::vector<TZEPPersistent*> reference;
        auto make = [&] {
            auto* t = new TThing();
            owner.Add(t);
            return t;
        };
        for (int i = 0; i < 400; ++i) {
            list.Add(make());
            reference.push_back(list.Item(list.Count() - 1));
        }
        undo::TUndoSet set;
        undo::TCommandStack commands;
        std::vector<std::vector<TZEPPersistent*>> before;
        for (int step = 0; step < 3000; ++step) {
            before.push_back(reference);
            undo::RunCommand(&set, commands, "edit", [&] {
                for (std::size_t k = 1 + pick(6); k-- > 0;) {
                    const std::size_t what = pick(10);
                    if (what < 5 && !reference.empty()) {
                        const std::size_t at = pick(reference.size());
                        if (what == 0) {
                            // By identity, as a cascade removes; the first entry of the item.
                            TZEPPersistent* item = reference[at];
                            const auto first = std::find(reference.begin(), reference.end(), item);
                            ASSERT_EQ(list.Remove(item), first - reference.begin());
                            reference.erase(first);
                        } else {
                            list.Delete(at);
                            reference.erase(reference.begin() + static_cast<std::ptrdiff_t>(at));
                        }
                    } else if (what < 7) {
                        const std::size_t at = pick(reference.size() + 1);
                        TZEPPersistent* item =
                            reference.empty() || pick(8) ? make() : reference[pick(reference.size())];
                        list.Insert(at, item);
                        reference.insert(reference.begin() + static_cast<std::ptrdiff_t>(at), item);
                    } else if (what < 9) {
                        reference.push_back(make());
                        list.Add(reference.back());
                    } else if (!reference.empty()) {
                        list.Delete(reference.size() - 1);
                        reference.pop_back();
                    }
                }
            });
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step);
            ASSERT_EQ(list.Count(), reference.size()) << where;
            // Mostly a few entries read through the holes; now and then every entry, one by one
            // (which closes them once the reads cost a pass) or as the whole vector.
            if (step % 40 == 0) {
                for (std::size_t i = 0; i < reference.size(); ++i)
                    ASSERT_EQ(list.Item(i), reference[i]) << where << ", entry " << i;
            } else if (step % 97 == 0) {
                ASSERT_EQ(std::vector<TZEPPersistent*>(list.Items().begin(), list.Items().end()),
                          reference)
                    << where;
            } else {
                for (int k = 0; k < 3 && !reference.empty(); ++k) {
                    const std::size_t i = pick(reference.size());
                    ASSERT_EQ(list.Item(i), reference[i]) << where << ", entry " << i;
                }
            }
            // Undo now and then, and sometimes a run of undos, as a planner backs out of edits.
            for (std::size_t undos = pick(5) == 0 ? 1 + pick(8) : 0;
                 undos-- > 0 && commands.CanUndoTop();) {
                commands.UndoTop();
                reference = before.back();
                before.pop_back();
                ASSERT_EQ(list.Count(), reference.size()) << "undo after " << where;
                if (!reference.empty()) {
                    const std::size_t i = pick(reference.size());
                    ASSERT_EQ(list.Item(i), reference[i]) << "undo after " << where;
                }
            }
        }
        while (commands.CanUndoTop()) {
            commands.UndoTop();
            reference = before.back();
            before.pop_back();
        }
        ASSERT_EQ(list.Count(), reference.size());
        for (std::size_t i = 0; i < reference.size(); ++i)
            ASSERT_EQ(list.Item(i), reference[i]) << "undoing all, entry " << i;
    }
}

} // namespace
} // namespace zep::model::test
