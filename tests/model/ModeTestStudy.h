// A scenario tree and an open undo transaction for the tests of the transport and land-use
// kinds, plus checks of declared property tables.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "model/CanonicalDump.h"
#include "model/SCENARIO.h"
#include "model/versions.h"
#include "undo/Undo_.h"

namespace zep::model::test {

/// Scenarios 00A (base) -> 01A -> 02A and 00A -> 01B, owned; an undo set that records from the
/// start of the test body so that every test can undo what it did.
class TStudyFixture : public ::testing::Test {
protected:
    TStudyFixture() : scenarios(true) {
        base = AddScenario("00A", nullptr);
        s1 = AddScenario("01A", base);
        s2 = AddScenario("02A", s1);
        sib = AddScenario("01B", base);
    }
    // After the derived fixtures built their entities: only the test's own edits are undone.
    void SetUp() override { undoSet.BeginTransaction(); }
    ~TStudyFixture() override { undo::SetCurrentUndoSet(nullptr); }

    TScenario* AddScenario(const char* name, TScenario* parent) {
        auto* s = new TScenario(parent);
        s->SetName(name);
        scenarios.Add(s);
        return s;
    }
    /// Undoes everything recorded since the fixture was made.
    void UndoAll() { undoSet.UndoTo(1); }

    undo::TUndoSet undoSet;
    TScenarioList scenarios;
    TScenario* base;
    TScenario* s1;
    TScenario* s2;
    TScenario* sib;
};

/// One row of a declared property table. Bounds and defaults are compared as reals, an absent
/// one as "empty".
struct TSpecRow {
    std::int32_t id;
    const char* name;
    std::uint16_t valueType;
    TPropFlags flags;
    TValue def;
    TValue min;
    TValue max;
};

inline std::string ValueKey(const TValue& v) {
    if (v.IsEmpty()) return "empty";
    if (v.Class() == TValueClass::Boolean) return v.ToBool() ? "true" : "false";
    const double d = v.ToDouble();
    if (std::isinf(d)) return d > 0 ? "+inf" : "-inf";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", d);
    return buf;
}

/// Each row resolves by identifier to a specification with exactly the row's name, value type,
/// flags, default and bounds.
inline void ExpectTable(TPropSpecSet& set, std::initializer_list<TSpecRow> rows) {
    for (const TSpecRow& row : rows) {
        SCOPED_TRACE(std::string("property ") + std::to_string(row.id) + " " + row.name);
        const TPropSpec* spec = set.FindById(row.id);
        ASSERT_NE(spec, nullptr);
        EXPECT_EQ(spec->Name(), row.name);
        EXPECT_EQ(spec->ValueType(), row.valueType);
        EXPECT_EQ(static_cast<int>(spec->Flags()), static_cast<int>(row.flags));
        EXPECT_EQ(ValueKey(spec->Default()), ValueKey(row.def));
        EXPECT_EQ(ValueKey(spec->Minimum()), ValueKey(row.min));
        EXPECT_EQ(ValueKey(spec->Maximum()), ValueKey(row.max));
    }
}

inline std::string DumpAll(std::initializer_list<const TEntityList*> lists) {
    std::string out;
    for (const TEntityList* l : lists)
        out += DumpList(*l);
    return out;
}

} // namespace zep::model::test
