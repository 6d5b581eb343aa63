// The object stream and the project file on core classes: value tags, list counts, round trips
// byte for byte, older streams, headers, and damaged input.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "PrjTestSupport.h"

namespace zep::files {
namespace {

using model::TValue;
using test::BuildRandomRoot;
using test::LoadFromBytes;
using test::StoreToBytes;
using test::TTestRoot;

class PrjStream : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::RegisterTestRoot(); }
};

TEST_F(PrjStream, ValueTagsTakeTheSmallestForm) {
    EXPECT_EQ(ValueTag(TValue(127)), 10);
    EXPECT_EQ(ValueTag(TValue(0)), 10);
    EXPECT_EQ(ValueTag(TValue(128)), 2);
    EXPECT_EQ(ValueTag(TValue(-1)), 2);
    EXPECT_EQ(ValueTag(TValue(32767)), 2);
    EXPECT_EQ(ValueTag(TValue(-32767)), 2);
    EXPECT_EQ(ValueTag(TValue(-32768)), 3);
    EXPECT_EQ(ValueTag(TValue(40000)), 3);
    EXPECT_EQ(ValueTag(TValue::Byte(200)), 2);
    EXPECT_EQ(ValueTag(TValue(2.0)), 10);
    EXPECT_EQ(ValueTag(TValue(-2.0)), 2);
    EXPECT_EQ(ValueTag(TValue(2147483647.0)), 3);
    EXPECT_EQ(ValueTag(TValue(2147483648.0)), 4); // integral, but beyond 32 bits; float-exact
    EXPECT_EQ(ValueTag(TValue(0.5)), 4);
    EXPECT_EQ(ValueTag(TValue(0.1)), 5);
    EXPECT_EQ(ValueTag(TValue::Single(0.1f)), 4);
    EXPECT_EQ(ValueTag(TValue(true)), 2);
    EXPECT_EQ(ValueTag(TValue(false)), 10);
    EXPECT_EQ(ValueTag(TValue()), 0);
    EXPECT_EQ(ValueTag(TValue::Null()), 0);
    EXPECT_EQ(ValueTag(TValue(" \t\r ")), 0);
    EXPECT_EQ(ValueTag(TValue(std::string(254, 'x'))), 8);
    EXPECT_EQ(ValueTag(TValue(" " + std::string(254, 'x') + " ")), 8);
    EXPECT_EQ(ValueTag(TValue(std::string(255, 'x'))), 72);
    EXPECT_EQ(ValueTag(TValue::Currency(2.5)), 4);
    model::TEntity e;
    EXPECT_EQ(ValueTag(TValue(&e)), 9);
}

// The values of a root entity written and read back: kind and payload after one cycle.
TEST_F(PrjStream, ValuesComeBackInTheirWrittenForm) {
    TTestRoot root;
    auto* plain = new model::TEntity();
    plain->SetId(5);
    root.plain->Add(plain);
    const std::vector<std::pair<TValue, std::string>> cases = {
        {TValue(127), TValue::Byte(127).DebugText()},
        {TValue(128), TValue::Int16(128).DebugText()},
        {TValue(-1), TValue::Int16(-1).DebugText()},
        {TValue(40000), TValue(40000).DebugText()},
        {TValue(2.0), TValue::Byte(2).DebugText()},
        {TValue(0.1), TValue(0.1).DebugText()},
        {TValue(0.5), TValue::Single(0.5f).DebugText()},
        {TValue(true), TValue::Int16(-1).DebugText()},
        {TValue(false), TValue::Byte(0).DebugText()},
        {TValue("  abc "), TValue("abc").DebugText()},
        {TValue(std::string(300, 'q')), TValue(std::string(300, 'q')).DebugText()},
        {TValue::Date(45000.5), TValue::Single(45000.5f).DebugText()},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        root.RawProperties().RawPut(static_cast<std::int32_t>(i + 1), cases[i].first);
    root.RawProperties().RawPut(100, TValue(plain));
    auto loaded = LoadFromBytes(StoreToBytes(root));
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(loaded->Properties().ValueOf(static_cast<std::int32_t>(i + 1)).DebugText(),
                  cases[i].second)
            << "case " << i;
    ASSERT_EQ(loaded->plain->Count(), 1u);
    EXPECT_EQ(loaded->Properties().ValueOf(100).ToObject(), loaded->plain->Get(0));
}

TEST_F(PrjStream, TextsTooLongForTheFileAreRefusedNotCut) {
    TTestRoot root;
    root.RawProperties().RawPut(3, TValue(std::string(70000, 'x')));
    try {
        StoreToBytes(root);
        FAIL() << "no exception";
    } catch (const EInvalidVariant& e) {
        EXPECT_STREQ(e.what(), "Text of 70000 characters too long for the project file");
    }
}

// Property: save, load, save gives the same bytes; loading both images gives the same dump.
TEST_F(PrjStream, SaveLoadSaveIsByteIdentical) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        auto root = BuildRandomRoot(seed, 40);
        const std::string first = StoreToBytes(*root);
        auto once = LoadFromBytes(first);
        const std::string second = StoreToBytes(*once);
        ASSERT_EQ(first, second) << "seed " << seed;
        auto twice = LoadFromBytes(second);
        ASSERT_EQ(once->Dump(), twice->Dump()) << "seed " << seed;
        // Everything the original resolves, the copy resolves to an equal value.
        for (std::size_t i = 0; i < root->things->Count(); ++i) {
            const auto* a = root->things->Get(i);
            const auto* b = once->things->Get(i);
            for (std::size_t k = 0; k < root->scenarios->Count(); ++k) {
                const auto* sa = root->scenarios->Get(k);
                const auto* sb = once->scenarios->Get(k);
                ASSERT_EQ(sa->GetName(), sb->GetName());
                for (int id = 1; id <= 200; ++id) {
                    const TValue va = a->GetValueIn(sa, id), vb = b->GetValueIn(sb, id);
                    if (va.IsObject())
                        EXPECT_EQ(static_cast<model::TEntity*>(vb.ToObject())->Id(),
                                  static_cast<model::TEntity*>(va.ToObject())->Id());
                    else
                        EXPECT_TRUE(model::ValuesEqual(va, vb) ||
                                    (va.ToDouble() ==
                                     static_cast<double>(static_cast<float>(va.ToDouble()))))
                            << va.DebugText() << " vs " << vb.DebugText();
                }
            }
        }
        EXPECT_EQ(once->base, once->scenarios->FindScenario("00A"));
        EXPECT_EQ(once->scenarios->FindScenario("02A")->Parent(),
                  once->scenarios->FindScenario("01A"));
        EXPECT_EQ(once->scenarios->FindScenario("02A")->streamByte1_, 7);
        EXPECT_EQ(once->scenarios->FindScenario("02A")->streamByte2_, 9);
        ASSERT_EQ(once->refs->Count(), root->refs->Count());
        for (std::size_t i = 0; i < once->refs->Count(); ++i)
            EXPECT_GE(once->plain->IndexOf(once->refs->Get(i)), 0);
    }
}

// Objects are numbered depth first as their referrers hold them, while an entity's versions are
// written in the order of their scenarios' numbers: here the versions are held in scenario
// creation order (03A before 01A) and the objects their values name are first met there.
TEST_F(PrjStream, ObjectsAreNumberedInTheOrderTheirReferrersHoldThem) {
    TTestRoot root;
    auto* base = test::NamedScenario(nullptr, "00A");
    auto* s3 = test::NamedScenario(base, "03A");
    auto* s1 = test::NamedScenario(base, "01A");
    for (auto* s : {base, s3, s1})
        root.scenarios->Add(s);
    root.scenarios->Sort();
    root.base = base;
    auto* a = new model::TEntity();
    a->SetId(1);
    auto* b = new model::TEntity();
    b->SetId(2);
    root.plain->Add(a);
    root.plain->Add(b);
    auto* thing = new model::TVersionedEntity(nullptr);
    thing->SetId(9);
    root.things->Add(thing);
    thing->RawVersion(s3).RawPut(5, TValue(a));
    thing->RawVersion(s1).RawPut(5, TValue(b));

    TObjectWriter writer;
    TMemoryStream out;
    writer.StoreStream(out, root);
    EXPECT_LT(writer.NumberOf(s1), writer.NumberOf(s3));
    EXPECT_LT(writer.NumberOf(a), writer.NumberOf(b));
    const std::string bytes = StoreToBytes(root);
    auto back = LoadFromBytes(bytes);
    const auto* t = back->things->Get(0);
    EXPECT_EQ(static_cast<model::TEntity*>(
                  t->GetValueIn(back->scenarios->FindScenario("03A"), 5).ToObject())
                  ->Id(),
              1);
    EXPECT_EQ(static_cast<model::TEntity*>(
                  t->GetValueIn(back->scenarios->FindScenario("01A"), 5).ToObject())
                  ->Id(),
              2);
}

TEST_F(PrjStream, OverrideEqualToParentDisappearsOnSave) {
    TTestRoot root;
    auto* base = new model::TScenario(nullptr);
    base->SetName("00A");
    auto* child = new model::TScenario(base);
    child->SetName("01A");
    root.scenarios->Add(base);
    root.scenarios->Add(child);
    root.base = base;
    auto* e = new model::TVersionedEntity(nullptr);
    e->SetId(1);
    root.things->Add(e);
    e->RawVersion(base).RawPut(20, TValue(5));
    e->RawVersion(child).RawPut(20, TValue(5));
    e->RawVersion(child).RawPut(21, TValue(6));
    const std::string bytes = StoreToBytes(root);
    // The file is compacted; the entity in memory is not (its undo history knows it as it is).
    EXPECT_NE(e->VersionOf(child)->Find(20), nullptr);
    auto loaded = LoadFromBytes(bytes);
    auto* le = loaded->things->Get(0);
    auto* lchild = loaded->scenarios->FindScenario("01A");
    EXPECT_EQ(le->VersionOf(lchild)->Find(20), nullptr);
    EXPECT_EQ(le->GetIntegerIn(lchild, 20), 5);
    EXPECT_EQ(le->GetIntegerIn(lchild, 21), 6);
}

// Finds `needle` in `hay`.
bool Contains(const std::string& hay, const std::string& needle) {
    return hay.find(needle) != std::string::npos;
}

TEST_F(PrjStream, ListsAbove65535ItemsUseTheMarker) {
    for (std::size_t n : {65535u, 65536u}) {
        TTestRoot root;
        for (std::size_t i = 0; i < n; ++i)
            root.plain->Add(new model::TEntity());
        const std::string bytes = StoreToBytes(root);
        const std::string marker(reinterpret_cast<const char*>(kLongListMarker), 4);
        if (n == 65535) {
            EXPECT_FALSE(Contains(bytes, marker));
            EXPECT_TRUE(Contains(bytes, std::string("\x01\xFF\xFF\x01\x00", 5)));
        } else {
            std::string wide = "\x01" + marker + std::string("\x00\x00\x01\x00", 4);
            EXPECT_TRUE(Contains(bytes, wide));
        }
        auto loaded = LoadFromBytes(bytes);
        EXPECT_EQ(loaded->plain->Count(), n);
        EXPECT_EQ(StoreToBytes(*loaded), bytes);
    }
}

TEST_F(PrjStream, HeaderFollowsTheAttractionFunctions) {
    TTestRoot root;
    std::string bytes = StoreToBytes(root);
    EXPECT_EQ(bytes.substr(0, 6), std::string("\x05\x00\x00\x00\x72\x00", 6));
    EXPECT_EQ(bytes.substr(6, 4), std::string("\x52\x00\x05\xA0", 4));
    root.attraction = true;
    bytes = StoreToBytes(root);
    EXPECT_EQ(bytes.substr(0, 6), std::string("\x05\x00\x07\x00\x01\x00", 6));
}

TEST_F(PrjStream, HeaderComparesMajorAndMinorOnly) {
    TTestRoot root;
    root.SetName("n");
    std::string bytes = StoreToBytes(root);
    bytes[4] = static_cast<char>(0xE7); // 5.0.999
    bytes[5] = 0x03;
    EXPECT_EQ(LoadFromBytes(bytes)->GetName(), "n");
    bytes[2] = 1; // 5.1.0
    bytes[4] = 0;
    bytes[5] = 0;
    try {
        LoadFromBytes(bytes);
        FAIL();
    } catch (const EInvalidFormat& e) {
        EXPECT_STREQ(e.what(), "Incorrect file version 5.1.0. Expected 6.8.1\n");
    }
    bytes[2] = 8; // 5.8
    bytes[0] = 6; // 6.8: a model network file, which a test root cannot take
    EXPECT_THROW(LoadFromBytes(bytes), EInvalidFormat);
}

TEST_F(PrjStream, OlderSignatureWithShortRefsLoads) {
    auto root = BuildRandomRoot(77, 30);
    TMemoryStream out;
    const std::uint16_t header[3] = {5, 0, 114};
    out.WriteBuffer(header, 6);
    TObjectWriter writer;
    writer.SetOldSignature(true);
    writer.StoreStream(out, *root);
    ASSERT_EQ(out.Data().substr(6, 4), "VPR5");
    auto old = LoadFromBytes(out.Data());
    auto fresh = LoadFromBytes(StoreToBytes(*root));
    EXPECT_EQ(old->Dump(), fresh->Dump());
    EXPECT_EQ(StoreToBytes(*old), StoreToBytes(*fresh));
}

// The image of a tiny root: one scenario, one versioned entity, one plain entity.
std::string SmallImage() {
    TTestRoot root;
    root.SetName("small");
    auto* base = new model::TScenario(nullptr);
    base->SetName("00A");
    root.scenarios->Add(base);
    root.base = base;
    auto* p = new model::TEntity();
    p->SetId(9);
    root.plain->Add(p);
    auto* e = new model::TVersionedEntity(nullptr);
    e->SetId(1);
    e->RawProperties().RawPut(30, TValue(p));
    e->RawVersion(base).RawPut(20, TValue(1.5));
    root.things->Add(e);
    return StoreToBytes(root);
}

// Runs the loader; answers "" on success, else the exception's class and message.
std::string LoadOutcome(const std::string& bytes) {
    try {
        LoadFromBytes(bytes);
        return "";
    } catch (const EInvalidImage& e) {
        return std::string("EInvalidImage:") + e.what();
    } catch (const EInvalidObjectReference& e) {
        return std::string("EInvalidObjectReference:") + e.what();
    } catch (const EInvalidVariant& e) {
        return std::string("EInvalidVariant:") + e.what();
    } catch (const EInvalidFormat& e) {
        return std::string("EInvalidFormat:") + e.what();
    } catch (const EReadError& e) {
        return std::string("EReadError:") + e.what();
    }
}

TEST_F(PrjStream, NamedErrorsForDamagedStreams) {
    const std::string good = SmallImage();
    ASSERT_EQ(LoadOutcome(good), "");
    std::string bad = good;
    bad[7] = 'X';
    EXPECT_EQ(LoadOutcome(bad), "EInvalidImage:Invalid image");
    // The first value tag: the root's name (the byte after the first property id 250).
    const std::size_t nameAt = good.find(std::string("\xFA\x08\x05small", 8));
    ASSERT_NE(nameAt, std::string::npos);
    bad = good;
    bad[nameAt + 1] = 6;
    EXPECT_EQ(LoadOutcome(bad), "EInvalidVariant:Invalid Variant");
    // The count halves of the root's property list disagree.
    bad = good;
    bad[nameAt - 3] = 0x7F;
    EXPECT_EQ(LoadOutcome(bad), "EInvalidImage:Bad _List");
    // The base scenario ref points past the table.
    TTestRoot root;
    auto* base = new model::TScenario(nullptr);
    root.base = base;
    root.scenarios->Add(base);
    bad = StoreToBytes(root);
    const std::string two("\x02\x00\x00\x00", 4); // the base scenario is object 2
    const std::size_t at = bad.rfind(two);
    ASSERT_NE(at, std::string::npos);
    bad[at] = 9;
    EXPECT_EQ(LoadOutcome(bad), "EInvalidObjectReference:Invalid object reference 9");
    EXPECT_EQ(LoadOutcome(good.substr(0, 3)), "EReadError:Stream read error");
}

TEST_F(PrjStream, EveryTruncationAndRandomFlipFailsCleanly) {
    const std::string good = SmallImage();
    for (std::size_t n = 0; n < good.size(); ++n) {
        const std::string outcome = LoadOutcome(good.substr(0, n));
        EXPECT_NE(outcome, "") << "truncated at " << n;
    }
    std::mt19937 rng(5);
    int failures = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string bad = good;
        for (int k = 0; k < 1 + static_cast<int>(rng() % 3); ++k)
            bad[rng() % bad.size()] ^= static_cast<char>(1 + rng() % 255);
        failures += !LoadOutcome(bad).empty(); // any other exception escapes and fails the test
    }
    EXPECT_GT(failures, 0);
}

// A root that writes one owning list twice: reading it back must not give an object two owners.
class TDupRoot : public TTestRoot {
public:
    const char* ClassName() const override { return "TDupRoot"; }
};

TEST_F(PrjStream, AnObjectInTwoOwningListsIsRefused) {
    TStreamClass c;
    c.name = "TDupRoot";
    c.store = [](const TZEPPersistent& o, TObjectWriter& w) {
        const auto& r = static_cast<const TDupRoot&>(o);
        StoreListBody(w, *r.plain);
        StoreListBody(w, *r.plain);
    };
    c.load = [](TZEPPersistent& o, TObjectReader& rd) {
        auto& r = static_cast<TDupRoot&>(o);
        LoadRefList<model::TEntity>(rd, *r.plain);
        LoadRefList<model::TEntity>(rd, *r.things);
    };
    TStreamClassTable::Global().Register(c);
    TDupRoot root;
    root.plain->Add(new model::TEntity());
    TMemoryStream out;
    StoreProject(out, root);
    TDupRoot target;
    TMemoryStream in(out.Data());
    try {
        LoadProject(in, target);
        FAIL();
    } catch (const EInvalidImage& e) {
        EXPECT_STREQ(e.what(), "Invalid image");
    }
}

} // namespace
} // namespace zep::files
