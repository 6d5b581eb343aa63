// An owning list's list indexes and a long list's positions are kept through removals and
// insertions anywhere as pending shifts, settled later: whatever the mix of changes, undo and
// searches, every answer must equal a plain count of the list.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/model/TestKinds.h"
#include "undo/CMDStk_.h"

namespace zep::model::test {
namespace {

std::ptrdiff_t FirstPosition(const TPersistentList& list, const TZEPPersistent* item) {
    const auto& items = list.Items();
    const auto at = std::find(items.begin(), items.end(), item);
    return at == items.end() ? -1 : at - items.begin();
}

// Every entity's index, or (sampled) a few: a full check walks every pending shift many times
// and so settles them; a sample leaves them pending for the next change.
void ExpectAgrees(const TThingList& owner, const TThingList& refs, bool full, std::mt19937& rng,
                  const std::string& where) {
    auto check = [&](std::size_t i) {
        ASSERT_EQ(owner.Get(i)->ListIndex(), static_cast<std::int32_t>(i)) << where;
        ASSERT_EQ(owner.IndexOf(owner.Get(i)), static_cast<std::ptrdiff_t>(i)) << where;
    };
    auto checkRef = [&](std::size_t i) {
        const TZEPPersistent* item = refs.Item(i);
        ASSERT_EQ(refs.IndexOf(item), FirstPosition(refs, item)) << where << ", entry " << i;
    };
    if (full) {
        for (std::size_t i = 0; i < owner.Count(); ++i)
            check(i);
        for (std::size_t i = 0; i < refs.Count(); ++i)
            checkRef(i);
        return;
    }
    for (int k = 0; k < 4; ++k) {
        if (owner.Count())
            check(std::uniform_int_distribution<std::size_t>(0, owner.Count() - 1)(rng));
        if (refs.Count())
            checkRef(std::uniform_int_distribution<std::size_t>(0, refs.Count() - 1)(rng));
    }
}

TEST(ListPositions, IndexesAndPositionsAgreeWithACountThroughRandomEditsAndUndo) {
    // Also with holes left by deletions in the middle (with a list's usual length, these short
    // lists would never have them).
    for (unsigned seed : {3u, 11u, 2026u, 103u, 111u}) {
        const THolesFrom holes(seed > 100 ? 8 : 4096);
        std::mt19937 rng(seed);
        auto pick = [&](std::size_t n) {
            return static_cast<std::size_t>(
                std::uniform_int_distribution<std::size_t>(0, n - 1)(rng));
        };
        TThingList owner(true);
        TThingList refs(false); // a route's list: long, searched, sometimes an item twice
        for (int i = 0; i < 300; ++i) {
            auto* t = new TThing();
            owner.Add(t);
            refs.Add(t);
        }
        undo::TUndoSet set;
        undo::TCommandStack commands;
        for (int step = 0; step < 1500; ++step) {
            const int what = static_cast<int>(pick(9));
            undo::RunCommand(&set, commands, "edit", [&] {
                if (what <= 1 && owner.Count() > 1) {
                    // The way a removal goes: out of the reference list, then its owner.
                    TEntity* e = owner.Get(pick(owner.Count()));
                    while (refs.Remove(e) >= 0) {
                    }
                    owner.Delete(static_cast<std::size_t>(owner.IndexOf(e)));
                } else if (what == 2) {
                    auto* t = new TThing();
                    owner.Insert(pick(owner.Count() + 1), t);
                    refs.Insert(pick(refs.Count() + 1), t);
                } else if (what == 3) {
                    auto* t = new TThing();
                    owner.Add(t);
                    refs.Add(t);
                } else if (what == 4 && refs.Count() > 0 && pick(8) == 0) {
                    refs.Insert(pick(refs.Count() + 1), refs.Item(pick(refs.Count())));
                } else if (what == 5 && refs.Count() > 0) {
                    refs.Delete(pick(refs.Count()));
                } else if (what == 6 && pick(20) == 0) {
                    owner.Sort();
                } else if (owner.Count() > 1) {
                    TEntity* e = owner.Get(owner.Count() - 1);
                    while (refs.Remove(e) >= 0) {
                    }
                    owner.Delete(owner.Count() - 1);
                }
            });
            const std::string where =
                "seed " + std::to_string(seed) + " step " + std::to_string(step);
            ExpectAgrees(owner, refs, step % 25 == 0, rng, where);
            if (pick(4) == 0) {
                commands.UndoTop();
                ExpectAgrees(owner, refs, step % 50 == 0, rng, "undo after " + where);
            }
        }
        while (commands.CanUndoTop())
            commands.UndoTop();
        ExpectAgrees(owner, refs, true, rng, "undoing all");
        EXPECT_EQ(owner.Count(), 300u);
        EXPECT_EQ(refs.Count(), 300u);
        for (std::size_t i = 0; i < refs.Count(); ++i)
            EXPECT_EQ(refs.Item(i), owner.Item(i));
    }
}

void LongRunsOfChanges(std::size_t holesFrom) {
    const THolesFrom holes(holesFrom);
    std::mt19937 rng(7);
    auto pick = [&](std::size_t n) {
        return static_cast<std::size_t>(std::uniform_int_distribution<std::size_t>(0, n - 1)(rng));
    };
    TThingList owner(true);
    TThingList refs(false);
    for (int i = 0; i < 5000; ++i) {
        auto* t = new TThing();
        owner.Add(t);
        refs.Add(t);
    }
    for (int burst = 0; burst < 40; ++burst) {
        for (int step = 0; step < 300; ++step) {
            const std::size_t what = pick(8);
            if (what == 0 && refs.Count() > 1) {
                // Found through the positions, as a route's list finds its link-routes.
                const std::size_t k = pick(refs.Count());
                ASSERT_EQ(refs.Remove(refs.Item(k)), static_cast<std::ptrdiff_t>(k));
            } else if (what < 4 && refs.Count() > 1) {
                refs.Delete(pick(refs.Count()));
            } else {
                auto* t = new TThing();
                owner.Add(t);
                refs.Insert(pick(refs.Count() + 1), t);
            }
        }
        // Then a run of removals from the end, as a teardown makes: each walks the shifts
        // still pending, until that has cost a pass and they are settled.
        for (int k = 0; k < 60 && refs.Count() > 1; ++k)
            refs.Delete(refs.Count() - 1);
        for (int k = 0; k < 30 && owner.Count() > 1; ++k) {
            TEntity* e = owner.Get(owner.Count() - 1);
            while (refs.Remove(e) >= 0) {
            }
            owner.Delete(owner.Count() - 1);
        }
        const std::string where = "burst " + std::to_string(burst);
        for (std::size_t i = 0; i < owner.Count(); i += 97)
            ASSERT_EQ(owner.Get(i)->ListIndex(), static_cast<std::int32_t>(i)) << where;
        // The first lookups find the shifts pending; the later ones, settled by the walk.
        for (std::size_t i = 0; i < refs.Count(); ++i) {
            const std::size_t at = (i * 7919 + std::size_t(burst)) % refs.Count();
            ASSERT_EQ(refs.IndexOf(refs.Item(at)), static_cast<std::ptrdiff_t>(at)) << where;
        }
    }
}

// Long runs of changes in the middle between lookups pass the bound on pending shifts, where the
// positions are settled in place: they must stay equal to a count all the same.
TEST(ListPositions, LongRunsOfChangesInTheMiddleAgreeWithACount) {
    for (std::size_t holesFrom : {std::size_t{4096}, std::size_t{64}})
        LongRunsOfChanges(holesFrom);
}

} // namespace
} // namespace zep::model::test
