// Property tests: random versioned edits against a plain reference model, and random commands
// undone back to the exact prior state.
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/CanonicalDump.h"
#include "tests/model/TestKinds.h"
#include "undo/CMDStk_.h"

namespace zep::model {
namespace {

using test::Tree;
using test::TThing;
using test::TThingList;

// The storage rule written as plainly as possible: scenarios by index, values in std::maps.
struct Reference {
    std::vector<int> parent;                             // -1 for the base
    std::vector<std::vector<std::map<int, TValue>>> own; // [entity][scenario]
    const TPropSpecSet* specs = &TThing::ClassSpecs();

    const TPropSpec& Spec(int id) const { return *specs->FindById(id); }

    std::optional<std::pair<int, TValue>> Resolve(int e, int s, int id) const {
        for (int x = s; x >= 0; x = parent[static_cast<std::size_t>(x)]) {
            const auto& m = own[static_cast<std::size_t>(e)][static_cast<std::size_t>(x)];
            auto it = m.find(id);
            if (it != m.end()) return std::make_pair(x, it->second);
        }
        return std::nullopt;
    }
    TValue ValueIn(int e, int s, int id) const {
        auto r = Resolve(e, s, id);
        return r ? r->second : Spec(id).Default();
    }
    std::map<int, TValue>& Own(int e, int s) {
        return own[static_cast<std::size_t>(e)][static_cast<std::size_t>(s)];
    }
    void Write(int e, int s, int id, TValue v) {
        if (!v.IsEmpty()) Spec(id).IsValid(v);
        auto r = Resolve(e, s, id);
        if (r && ValuesEqual(r->second, v)) return;
        if (r && r->first == s) {
            TValue inherited = Spec(id).Default();
            const int p = parent[static_cast<std::size_t>(s)];
            if (p >= 0) {
                auto up = Resolve(e, p, id);
                inherited = up ? up->second : TValue();
            }
            if (v.IsEmpty() || ValuesEqual(v, inherited))
                Own(e, s).erase(id);
            else
                Own(e, s)[id] = v;
            return;
        }
        if (!v.IsEmpty()) Own(e, s)[id] = v;
    }
    void Normalize(int e) {
        for (std::size_t s = 0; s < parent.size(); ++s) {
            if (parent[s] < 0) continue;
            auto copy = Own(e, static_cast<int>(s));
            for (auto& [id, v] : copy) {
                auto up = Resolve(e, parent[s], id);
                if (up && ValuesEqual(v, up->second)) Own(e, static_cast<int>(s)).erase(id);
            }
        }
    }
    void RemoveVersion(int e, int s) {
        Own(e, s).clear();
        Normalize(e);
    }
    void CopyVersion(int e, int from, int to) {
        auto copy = Own(e, from);
        for (auto it = copy.rbegin(); it != copy.rend(); ++it)
            Write(e, to, it->first, it->second);
    }
    void MoveVersion(int e, int from, int to) {
        if (from == to) return;
        auto copy = Own(e, from);
        for (auto it = copy.rbegin(); it != copy.rend(); ++it)
            Write(e, from, it->first, TValue());
        for (auto it = copy.rbegin(); it != copy.rend(); ++it)
            Write(e, to, it->first, it->second);
    }
};

const int kIds[] = {TThing::kCapacity, TThing::kLabel, TThing::kLanes, TThing::kFlag, kPropUsed};

TValue RandomValue(std::mt19937& rng, int id) {
    auto pick = [&](std::initializer_list<TValue> pool) {
        std::uniform_int_distribution<std::size_t> d(0, pool.size() - 1);
        return *(pool.begin() + static_cast<std::ptrdiff_t>(d(rng)));
    };
    switch (id) {
    case TThing::kCapacity:
        return pick({TValue(), TValue::Null(), TValue(""), TValue(0.0), TValue(2.5), TValue("2.5"),
                     TValue(1000.0), TValue(-1.0), TValue("abc"), TValue(7)});
    case TThing::kLabel:
        return pick({TValue(), TValue(""), TValue("a"), TValue("b"), TValue(3)});
    case TThing::kLanes:
        return pick({TValue(), TValue(1), TValue(2), TValue("3"), TValue(2.4)});
    case TThing::kFlag:
        return pick({TValue(), TValue(false), TValue(true), TValue("T")});
    default:
        return pick({TValue(true), TValue(false), TValue()});
    }
}

class RandomizedModelTest : public ::testing::TestWithParam<unsigned> {
protected:
    void TearDown() override { undo::SetCurrentUndoSet(nullptr); }
};

TEST_P(RandomizedModelTest, VersionedWritesMatchTheReferenceModel) {
    std::mt19937 rng(GetParam());
    auto uniform = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };

    Tree tree;
    std::vector<TScenario*> scenarios{tree.base};
    Reference ref;
    ref.parent.push_back(-1);
    const int scenarioCount = 4 + uniform(5);
    for (int i = 1; i < scenarioCount; ++i) {
        const int p = uniform(i);
        scenarios.push_back(
            tree.Add(scenarios[static_cast<std::size_t>(p)], "S" + std::to_string(i)));
        ref.parent.push_back(p);
    }
    const int entityCount = 3;
    TThingList list(true);
    for (int e = 0; e < entityCount; ++e) {
        list.Add(new TThing());
        ref.own.emplace_back(static_cast<std::size_t>(scenarioCount));
    }
    undo::TUndoSet set;
    undo::TCommandStack commands;
    std::vector<Reference> snapshots;

    auto check = [&](int step, const char* op) {
        for (int e = 0; e < entityCount; ++e) {
            TThing* t = list.Get(static_cast<std::size_t>(e));
            for (int s = 0; s < scenarioCount; ++s) {
                TScenario* sc = scenarios[static_cast<std::size_t>(s)];
                for (int id : kIds) {
                    const TValue got = t->GetValueIn(sc, id);
                    const TValue want = ref.ValueIn(e, s, id);
                    ASSERT_TRUE(got.SameAs(want))
                        << "step " << step << " " << op << " entity " << e << " scenario " << s
                        << " id " << id << ": " << got.DebugText() << " vs " << want.DebugText();
                }
                ASSERT_EQ(t->IsUsedIn(sc), ref.ValueIn(e, s, kPropUsed).ToBool());
                // Storage too: a scenario holds exactly what differs from what it inherits.
                const TVersion* v = t->VersionOf(sc);
                const auto& m = ref.Own(e, s);
                ASSERT_EQ(v ? v->Count() : 0u, m.size()) << "step " << step << " " << op;
                for (const auto& [id, value] : m)
                    ASSERT_TRUE(TPropertyList::GetValue(v->Find(id)).SameAs(value));
            }
        }
    };

    for (int step = 0; step < 600; ++step) {
        const int e = uniform(entityCount);
        TThing* t = list.Get(static_cast<std::size_t>(e));
        const int s = uniform(scenarioCount);
        const int s2 = uniform(scenarioCount);
        TScenario* sc = scenarios[static_cast<std::size_t>(s)];
        TScenario* sc2 = scenarios[static_cast<std::size_t>(s2)];
        const int op = uniform(100);
        const char* name = "";
        if (op < 5 && commands.CanUndoTop()) {
            name = "undo";
            commands.UndoTop();
            ref = snapshots.back();
            snapshots.pop_back();
        } else {
            snapshots.push_back(ref);
            undo::RunCommand(&set, commands, "edit", [&] {
                if (op < 70) {
                    name = "write";
                    const int id = kIds[uniform(5)];
                    const TValue v = RandomValue(rng, id);
                    t->SetValueIn(sc, id, v);
                    ref.Write(e, s, id, v);
                } else if (op < 78) {
                    name = "normalize";
                    t->Normalize();
                    ref.Normalize(e);
                } else if (op < 88) {
                    name = "copy";
                    t->CopyVersion(sc, sc2);
                    ref.CopyVersion(e, s, s2);
                } else if (op < 94) {
                    name = "remove";
                    t->RemoveVersion(sc);
                    ref.RemoveVersion(e, s);
                } else {
                    name = "move";
                    t->MoveVersion(sc, sc2);
                    ref.MoveVersion(e, s, s2);
                }
            });
        }
        check(step, name);
        if (HasFatalFailure()) return;
    }
    // Everything undone: nothing is left anywhere.
    while (commands.CanUndoTop())
        commands.UndoTop();
    for (int e = 0; e < entityCount; ++e)
        for (TScenario* sc : scenarios)
            EXPECT_FALSE(list.Get(static_cast<std::size_t>(e))->HasVersion(sc));
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomizedModelTest, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

// ---- undo identity ---------------------------------------------------------------------------

class UndoIdentityTest : public ::testing::TestWithParam<unsigned> {
protected:
    void TearDown() override { undo::SetCurrentUndoSet(nullptr); }
};

TEST_P(UndoIdentityTest, RandomCommandsUndoneOneByOneRestoreEachPriorDump) {
    std::mt19937 rng(GetParam());
    auto uniform = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    Tree tree;
    std::vector<TScenario*> scenarios{tree.base, tree.Add(tree.base, "A"),
                                      tree.Add(tree.base, "B")};
    scenarios.push_back(tree.Add(scenarios[1], "C"));
    TThingList list(true);
    for (int i = 0; i < 6; ++i) {
        auto* t = new TThing();
        list.Add(t);
        t->SetName("t" + std::to_string(i));
        t->SetValueIn(tree.base, TThing::kCapacity, TValue(10.0 * i));
    }
    list.EnsureSorted();
    undo::TUndoSet set;
    undo::TCommandStack commands;
    auto dump = [&] { return DumpList(list); };
    std::vector<std::string> before;

    auto randomEntity = [&]() -> TThing* {
        return list.Count()
                   ? list.Get(static_cast<std::size_t>(uniform(static_cast<int>(list.Count()))))
                   : nullptr;
    };
    auto randomScenario = [&] { return scenarios[static_cast<std::size_t>(uniform(4))]; };

    for (int command = 0; command < 60; ++command) {
        before.push_back(dump());
        const bool fail = uniform(10) == 0;
        auto edit = [&] {
            const int edits = 1 + uniform(6);
            for (int k = 0; k < edits; ++k) {
                TThing* t = randomEntity();
                const int op = uniform(14);
                if (!t || op == 0) {
                    list.Add(new TThing());
                } else if (op == 1) {
                    list.Remove(t);
                } else if (op == 2) {
                    list.Sort();
                } else if (op == 3) {
                    t->SetId(uniform(3) == 0 ? -uniform(20) : uniform(40));
                } else if (op == 4) {
                    t->SetName(uniform(2) ? "renamed" : "");
                } else if (op == 5) {
                    t->SetFloat(TThing::kX, uniform(3) ? 1.5 * uniform(4) : 0.0);
                } else if (op == 6) {
                    list.Normalize();
                } else if (op == 7) {
                    list.CopyVersion(randomScenario(), randomScenario());
                } else if (op == 8) {
                    list.MoveVersion(randomScenario(), randomScenario());
                } else if (op == 9) {
                    list.RemoveVersion(randomScenario());
                } else if (op == 10) {
                    t->SetUsedIn(randomScenario(), uniform(2) == 0);
                } else {
                    const int id = kIds[uniform(5)];
                    t->SetValueIn(randomScenario(), id, RandomValue(rng, id));
                }
            }
            if (fail) throw std::runtime_error("command failed");
        };
        if (fail) {
            EXPECT_THROW(undo::RunCommand(&set, commands, "failing", edit), std::runtime_error);
            ASSERT_EQ(dump(), before.back()) << "failed command " << command;
            before.pop_back();
        } else {
            undo::RunCommand(&set, commands, "edit", edit);
        }
    }
    ASSERT_FALSE(before.empty());
    while (!before.empty()) {
        ASSERT_TRUE(commands.CanUndoTop());
        commands.UndoTop();
        ASSERT_EQ(dump(), before.back()) << "after undoing command " << before.size();
        before.pop_back();
    }
    EXPECT_FALSE(commands.CanUndoTop());
    EXPECT_EQ(set.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, UndoIdentityTest, ::testing::Values(11u, 12u, 13u, 14u, 15u));

} // namespace
} // namespace zep::model
