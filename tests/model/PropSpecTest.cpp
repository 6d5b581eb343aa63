#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/PropSpec.h"

namespace zep::model {
namespace {

const double kInf = std::numeric_limits<double>::infinity();

TEST(PropSpecNames, DisplayAndStorageNamesComeFromTheDeclaredName) {
    TFloatPropSpec a(2, "ZoneInternalCostFactor2", psNotStored);
    EXPECT_EQ(a.DisplayName(), "zone internal cost factor2");
    EXPECT_EQ(a.StorageName(), "zone_internal_cost_factor2");
    TStrPropSpec b(1, "link_name", 0);
    EXPECT_EQ(b.DisplayName(), "link name");
    EXPECT_EQ(b.StorageName(), "link_name");
    EXPECT_EQ(TPropSpec::WordsOf("ABCdef"), "abcdef"); // leading capitals copied
    EXPECT_EQ(TPropSpec::WordsOf("linkRDFactor"), "link rdfactor");
    EXPECT_EQ(TPropSpec::WordsOf("x_MAXvalue"), "x maxvalue");
    EXPECT_EQ(TPropSpec::WordsOf("InternalCostFactor"), "internal cost factor");
}

TEST(PropSpecCheck, ValuesAreConvertedToTheDeclaredType) {
    TIntPropSpec lanes(1, "lanes", 0);
    TValue v("3");
    EXPECT_TRUE(lanes.CheckType(v));
    EXPECT_EQ(v.Kind(), varInteger);
    EXPECT_EQ(v.ToInteger(), 3);
    v = TValue("abc"); // no integer: the check fails and the text stays
    EXPECT_FALSE(lanes.CheckType(v));
    EXPECT_EQ(v.Kind(), varString);
    EXPECT_EQ(lanes.ErrorMessage(TValue("abc")), "\"lanes\" must be a integer ");

    TFloatPropSpec real(2, "capacity", 0);
    v = TValue("abc");
    EXPECT_FALSE(real.CheckType(v));
    EXPECT_TRUE(std::isnan(v.ToDouble())); // held as NaN
    EXPECT_EQ(real.ErrorMessage(v), "\"capacity\" must be a real ");
    v = TValue("50%");
    EXPECT_TRUE(real.CheckType(v));
    EXPECT_DOUBLE_EQ(v.ToDouble(), 0.5);
    v = TValue("INF");
    EXPECT_TRUE(real.CheckType(v));
    EXPECT_EQ(real.DisplayText(v), "INF");

    TStrPropSpec text(3, "label", 0);
    v = TValue(2.5);
    EXPECT_TRUE(text.CheckType(v));
    EXPECT_EQ(v.Kind(), varString);
    TValue empty;
    EXPECT_TRUE(text.CheckType(empty));
    EXPECT_TRUE(empty.IsEmpty());

    TBoolPropSpec flag(4, "flag", 0);
    for (const char* t : {"t", "TRUE", "True"}) {
        v = TValue(t);
        flag.CheckType(v);
        EXPECT_TRUE(v.AsBoolRaw()) << t;
        EXPECT_EQ(flag.DisplayText(v), "true");
    }
    v = TValue("yes");
    flag.CheckType(v);
    EXPECT_EQ(v.Kind(), varBoolean);
    EXPECT_EQ(flag.DisplayText(v), "false");

    TObjPropSpec ref(5, "ref", 0);
    v = TValue(12);
    EXPECT_TRUE(ref.CheckType(v));
    EXPECT_TRUE(v.IsEmpty()); // a non-object becomes "none"
}

TEST(PropSpecBounds, MessagesNameTheWordsTheTypeAndTheBounds) {
    TFloatPropSpec icf(30, "internal_cost_factor", psUnversioned, TValue(0.0), TValue(0.0),
                       TValue(1.0));
    EXPECT_EQ(icf.ErrorMessage(TValue(2.0)),
              "\"internal cost factor\" must be a real between 0 and 1");
    EXPECT_EQ(icf.ErrorMessage(TValue(1.0)), "");
    EXPECT_EQ(icf.ErrorMessage(TValue()), ""); // empty is always valid

    TFloatPropSpec minIncl(1, "speed", 0, TValue(), TValue(0.0));
    TFloatPropSpec minExcl(1, "speed", psMinExclusive, TValue(), TValue(0.0));
    TValue zero(0.0);
    EXPECT_TRUE(minIncl.IsValid(zero));
    EXPECT_FALSE(minExcl.IsValid(zero));
    EXPECT_EQ(minExcl.ErrorMessage(TValue(0.0)), "\"speed\" must be a real greater than 0");
    EXPECT_EQ(minIncl.ErrorMessage(TValue(-1.0)),
              "\"speed\" must be a real greater or equal than 0");

    TIntPropSpec maxIncl(1, "Count", 0, TValue(), TValue(), TValue(10));
    TIntPropSpec maxExcl(1, "Count", psMaxExclusive, TValue(), TValue(), TValue(10));
    EXPECT_EQ(maxIncl.ErrorMessage(TValue(10)), "");
    EXPECT_EQ(maxIncl.ErrorMessage(TValue(11)),
              "\"count\" must be a integer less or equal than 10");
    EXPECT_EQ(maxExcl.ErrorMessage(TValue(10)), "\"count\" must be a integer less than 10");

    TFloatPropSpec cents(1, "fare", 0, TValue(), TValue::CurrencyScaled(100));
    EXPECT_EQ(cents.ErrorMessage(TValue(0.0)),
              "\"fare\" must be a real greater or equal than 0.01");

    TBoolPropSpec b(1, "flag", 0);
    TValue on(true);
    EXPECT_TRUE(b.IsValid(on));
    TObjPropSpec o(1, "ref", 0);
    EXPECT_EQ(o.ErrorMessage(TValue(1)), ""); // converted to none, which is valid
}

TEST(PropSpecDisplay, EachClassShowsItsValuesItsOwnWay) {
    TPercentPropSpec share(1, "share", 0);
    TValue v("50");
    share.CheckType(v);
    EXPECT_DOUBLE_EQ(v.ToDouble(), 50);
    EXPECT_EQ(share.DisplayText(v), "5000%");
    v = TValue("50%");
    share.CheckType(v);
    EXPECT_DOUBLE_EQ(v.ToDouble(), 0.5);
    EXPECT_EQ(share.DisplayText(v), "50%");

    TTimePropSpec headway(2, "headway", 0);
    v = TValue("1:30");
    EXPECT_TRUE(headway.CheckType(v));
    EXPECT_DOUBLE_EQ(v.ToDouble(), 1.5);
    EXPECT_EQ(headway.DisplayText(v), "1:30:00");
    v = TValue("0:00:45");
    EXPECT_TRUE(headway.CheckType(v));
    EXPECT_EQ(headway.DisplayText(v), "0:00:45");
    EXPECT_EQ(headway.DisplayText(TValue(kInf)), "FOREVER");
    EXPECT_EQ(headway.DisplayText(TValue(26.25)), "26:15:00");
    EXPECT_EQ(headway.DisplayText(TValue("later")), "later"); // held as text
    for (const char* bad : {"1:75", "x:30", "1:30:", "1::30", ":30"}) {
        v = TValue(bad);
        EXPECT_FALSE(headway.CheckType(v)) << bad;
        EXPECT_TRUE(v.IsText()) << bad;
    }
    v = TValue("2"); // no ":": the plain number rule
    EXPECT_TRUE(headway.CheckType(v));
    EXPECT_DOUBLE_EQ(v.ToDouble(), 2);

    TEnumPropSpec kind(3, "kind", 0, 2, {"road", "rail", "walk"}, TValue(0));
    EXPECT_EQ(kind.DisplayText(TValue(1)), "rail");
    EXPECT_EQ(kind.DisplayText(TValue(3)), "nil");
    EXPECT_EQ(kind.DisplayText(TValue(-1)), "nil");
    EXPECT_EQ(kind.Minimum().ToInteger(), 0);
    EXPECT_EQ(kind.Maximum().ToInteger(), 2);

    TFloatPropSpec length(4, "length", 0);
    EXPECT_EQ(length.DisplayText(TValue(2.0 / 3)), "0.6666667");
    length.SetDisplayFormat("%3.2f");
    EXPECT_EQ(length.DisplayText(TValue(2.5)), "2.50");

    TIntIdPropSpec id(253, "id", psAttribute, "n");
    EXPECT_EQ(id.KeyText(TValue(12)), "n_12");
    EXPECT_EQ(id.DisplayText(TValue(12)), "12");
    TStrPropSpec plain(250, "name", psAttribute);
    EXPECT_EQ(plain.KeyText(TValue("abc")), "abc");
}

TEST(PropSpecSet, CopiesItsParentAndReplacesByIdOrName) {
    TPropSpecSet parent;
    EXPECT_EQ(parent.MaxId(), std::numeric_limits<std::int32_t>::min() + 1);
    TPropSpec* used = parent.Add(new TBoolPropSpec(255, "used", psNotStored, TValue(true)));
    parent.AddAll({new TStrPropSpec(250, "name", psAttribute),
                   new TStrPropSpec(1, "Name", 0)}); // differs only in case: a separate spec
    EXPECT_EQ(parent.MaxId(), 255);
    EXPECT_EQ(&parent.ByName("name"), parent.FindById(250));
    EXPECT_EQ(&parent.ByName("Name"), parent.FindById(1));

    TPropSpecSet child(parent);
    TPropSpec* redeclared = child.Add(new TBoolPropSpec(255, "used", 0, TValue(false)));
    EXPECT_EQ(&child.ById(255), redeclared);
    EXPECT_EQ(&child.ByName("used"), redeclared);
    EXPECT_EQ(&parent.ById(255), used); // the parent's set is unchanged
    EXPECT_EQ(&child.ById(250), parent.FindById(250));

    // Later entries of AddAll replace earlier ones with the same identifier.
    TPropSpecSet s;
    s.AddAll({new TStrPropSpec(5, "a", 0), new TStrPropSpec(5, "b", 0)});
    EXPECT_EQ(s.ById(5).Name(), "b");
}

TEST(PropSpecSet, UnknownIdentifiersAndNamesGetPlaceholderSpecifications) {
    TPropSpecSet s;
    s.Add(new TStrPropSpec(12, "twelve", 0));
    TPropSpec& byId = s.ById(77);
    EXPECT_EQ(byId.Name(), "77");
    EXPECT_EQ(byId.Flags(), psNoAttribute | psNotStored);
    EXPECT_TRUE(byId.Default().IsEmpty());
    EXPECT_EQ(&s.ById(77), &byId); // kept
    EXPECT_EQ(s.MaxId(), 77);

    TPropSpec& unknown = s.ByName("mystery");
    EXPECT_EQ(unknown.Id(), -78);
    EXPECT_EQ(unknown.Default().ToString(), "?");
    EXPECT_EQ(unknown.Flags(), psNoAttribute | psNotStored);
    EXPECT_EQ(unknown.ValueType(), varString);
    // The largest identifier is unchanged, so the next undeclared name gets the same number.
    EXPECT_EQ(s.ByName("other").Id(), -78);
    EXPECT_EQ(&s.ByName("mystery"), &unknown);
}

// The exchange names a set answers from its indexes agree, after every change, with what a walk
// over all its declarations finds: declarations replaced by name or by identifier, undeclared
// names and identifiers (which never take an exchange name from a declaration), names that differ
// only in case or in the place of an underscore (and so share an exchange name), and a copy that
// goes on changing apart from its parent.
TEST(PropSpecSet, ExchangeNamesFollowEveryChange) {
    const std::vector<std::string> names = {"a",  "A",    "ab", "aB",   "Ab",   "a_b", "AB",
                                            "b",  "bC",   "b_c", "B_C", "lanes", "Lanes", "c"};
    // What ById and ByName made: a declaration keeps its exchange name from them.
    std::set<const TPropSpec*> placeholders;
    auto walkFind = [&](const TPropSpecSet& set, const std::string& name) -> const TPropSpec* {
        const TPropSpec* found = nullptr;
        for (const auto& [declared, spec] : set.AllByName())
            if (spec->StorageName() == name &&
                (!found || (placeholders.contains(found) && !placeholders.contains(spec))))
                found = spec;
        return found;
    };
    auto walkNameOf = [&](const TPropSpecSet& set, std::int32_t id) -> std::string {
        auto leadsBack = [&](const TPropSpec* spec) {
            const TPropSpec* back = walkFind(set, spec->StorageName());
            return back && back->Id() == id;
        };
        if (const TPropSpec* spec = set.FindById(id); spec && leadsBack(spec))
            return spec->StorageName();
        for (const auto& [declared, spec] : set.AllByName())
            if (spec->Id() == id && leadsBack(spec)) return spec->StorageName();
        return {};
    };
    std::mt19937 random(20261209);
    for (int round = 0; round < 40; ++round) {
        TPropSpecSet parent;
        std::vector<TPropSpecSet*> sets = {&parent};
        std::unique_ptr<TPropSpecSet> child;
        for (int step = 0; step < 60; ++step) {
            if (step == 30) {
                child = std::make_unique<TPropSpecSet>(parent);
                sets.push_back(child.get());
            }
            TPropSpecSet& set = *sets[random() % sets.size()];
            const std::string& name = names[random() % names.size()];
            const auto id = static_cast<std::int32_t>(random() % 12) - 2;
            switch (random() % 4) {
            case 0:
            case 1: set.Add(new TStrPropSpec(id, name, 0)); break;
            case 2:
                if (!set.FindByName(name)) placeholders.insert(&set.ByName(name));
                break;
            default:
                if (!set.FindById(id)) placeholders.insert(&set.ById(id));
                break;
            }
            // Ask between changes too, so that remembered answers are put to the test.
            for (TPropSpecSet* s : sets) {
                for (const std::string& n : names) {
                    const std::string exchange = TStrPropSpec(0, n, 0).StorageName();
                    ASSERT_EQ(s->FindByExchangeName(exchange), walkFind(*s, exchange))
                        << "round " << round << " step " << step << " name " << exchange;
                }
                for (std::int32_t i = -80; i < 12; ++i)
                    ASSERT_EQ(s->ExchangeNameOf(i), walkNameOf(*s, i))
                        << "round " << round << " step " << step << " id " << i;
            }
        }
    }
}

} // namespace
} // namespace zep::model
