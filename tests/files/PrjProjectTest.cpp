// Whole studies through the project file: the sample study and a synthetic one written, read
// and written again byte for byte, the same study after reading, and a consistent one.
#if __has_include("model/SampleStudy.h") && __has_include("model/Consistency.h")
#include <gtest/gtest.h>
#include <malloc.h>

#include "foundation/SmallObjectPool.h"

#include "files/OrdList_.h"
#include "files/PrjFile.h"
#include "model/Attractors.h"
#include "model/Consistency.h"
#include "model/LINK.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/SampleStudy.h"
#include "model/Zone.h"

namespace zep::files {
namespace {

std::string Store(model::TProject& p) {
    TMemoryStream out;
    StoreProject(out, p);
    return out.Data();
}

std::unique_ptr<model::TProject> Load(const std::string& bytes) {
    auto p = std::make_unique<model::TProject>();
    TMemoryStream in(bytes);
    LoadProject(in, *p);
    return p;
}

class PrjProject : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterModelStreamClasses(); }
};

// A study written, read, written and read again. The project's repair after the first reading
// may add values (in their in-memory kinds); from then on the study is a fixed point: the second
// and third images are the same bytes and their readings the same study, kinds included.
void RoundTrip(model::TProject& study) {
    const std::string first = Store(study);
    auto once = Load(first);
    EXPECT_EQ(model::ConsistencyReport(*once), "");
    const std::string second = Store(*once);
    auto twice = Load(second);
    const std::string third = Store(*twice);
    ASSERT_EQ(second.size(), third.size());
    ASSERT_TRUE(second == third);
    auto thrice = Load(third);
    EXPECT_EQ(model::DumpProject(*twice), model::DumpProject(*thrice));
    EXPECT_EQ(model::ConsistencyReport(*thrice), "");
}

TEST_F(PrjProject, SampleStudySaveLoadSave) {
    model::TProject study;
    model::BuildSampleStudy(study);
    study.SortAll();
    RoundTrip(study);
    auto loaded = Load(Store(study));
    EXPECT_EQ(loaded->Nodes().Count(), study.Nodes().Count());
    EXPECT_EQ(loaded->Links().Count(), study.Links().Count());
    EXPECT_EQ(loaded->LinkRoutes().Count(), study.LinkRoutes().Count());
    EXPECT_EQ(loaded->TransportZones().Count(), study.TransportZones().Count());
    EXPECT_EQ(loaded->Scenarios().Count(), study.Scenarios().Count());
    EXPECT_EQ(loaded->AttractionFunctions().Count(), study.AttractionFunctions().Count());
}

TEST_F(PrjProject, SyntheticStudySaveLoadSave) {
    model::TProject study;
    model::TStudySizes sizes;
    sizes.nodes = 400;
    sizes.links = 1000;
    sizes.zones = 20;
    sizes.routes = 10;
    sizes.scenarios = 3;
    model::BuildSyntheticStudy(study, sizes);
    study.SortAll();
    RoundTrip(study);
}

// The layouts of older programs: turn restrictions, OD pairs and category modes as refs, the
// extra zone refs, interactions without substitutes. Written through a changed copy of the
// class table; read by the ordinary reader into the same study.
TEST_F(PrjProject, OlderClassLayoutsLoad) {
    using namespace model;
    auto old = TStreamClassTable::Global().Clone();
    auto versioned = [&](const char* name, std::uint16_t version,
                         std::function<void(const TZEPPersistent&, TObjectWriter&)> store) {
        TStreamClass c = *TStreamClassTable::Global().Find(name);
        c.version = version;
        if (store) c.store = std::move(store);
        old->Register(c);
    };
    versioned("TZone", 3, nullptr);
    versioned("TLink", 3, [](const TZEPPersistent& o, TObjectWriter& w) {
        const auto& l = static_cast<const TLink&>(o);
        StoreVersionedBody(w, l);
        w.WriteRef(l.Tail());
        w.WriteRef(l.Head());
        StoreListBody(w, l.Turns());
    });
    versioned("TODPair", 0, [](const TZEPPersistent& o, TObjectWriter& w) {
        const auto& p = static_cast<const TODPair&>(o);
        StoreVersionedBody(w, p);
        w.WriteRef(p.Destination());
        StoreListBody(w, p.CategoryModes());
    });
    versioned("TTransportZone", 1, [](const TZEPPersistent& o, TObjectWriter& w) {
        const auto& z = static_cast<const TTransportZone&>(o);
        StoreVersionedBody(w, z);
        w.WriteRef(nullptr);
        StoreListBody(w, z.ODPairs());
    });
    versioned("TExternalZone", 0, old->Find("TTransportZone")->store);
    versioned("TMicroZone", 1, [](const TZEPPersistent& o, TObjectWriter& w) {
        const auto& z = static_cast<const TTransportZone&>(o);
        StoreVersionedBody(w, z);
        StoreListBody(w, z.ODPairs());
        w.WriteRef(nullptr);
    });
    versioned("TSectorInteraction", 1, nullptr);
    versioned("TSector", 0, [&](const TZEPPersistent& o, TObjectWriter& w) {
        const auto& s = static_cast<const TSector&>(o);
        StoreVersionedBody(w, s);
        StoreListBody(w, s.Interactions(), [](TObjectWriter& wr, const TZEPPersistent* item) {
            const auto* i = static_cast<const TSectorInteraction*>(item);
            wr.NoteClass("TSectorInteraction");
            StoreVersionedBody(wr, *i);
            wr.WriteRef(i->FromSector());
            wr.WriteRef(i->InputSector());
        });
        for (const TPersistentList* list :
             {static_cast<const TPersistentList*>(&s.SectorCategories()),
              static_cast<const TPersistentList*>(&s.SectorZones())})
            StoreListBody(w, *list, [](TObjectWriter& wr, const TZEPPersistent* item) {
                wr.NoteClass(item->ClassName());
                TStreamClassTable::Global().Find(item->ClassName())->store(*item, wr);
            });
    });

    TProject study;
    BuildSampleStudy(study);
    for (std::size_t i = 0; i < study.Sectors().Count(); ++i) {
        auto& interactions = study.Sectors().Get(i)->Interactions();
        for (std::size_t k = 0; k < interactions.Count(); ++k)
            interactions.Get(k)->Substitutes().Clear();
    }
    auto current = Load(Store(study));
    TMemoryStream out;
    const std::uint16_t header[3] = {5, 7, 1};
    out.WriteBuffer(header, 6);
    TObjectWriter writer(*old);
    writer.StoreStream(out, study);
    {
        std::vector<std::unique_ptr<TZEPPersistent>> orphans; // outlives the study
        TProject scratch;
        TObjectReader probe;
        probe.LoadBytes(out.Data().substr(6), scratch, &scratch);
        orphans = probe.TakeOrphans();
        EXPECT_EQ(probe.ClassVersion("TLink"), 3);
        EXPECT_EQ(probe.ClassVersion("TZone"), 3);
        EXPECT_EQ(probe.ClassVersion("TMicroZone"), 1);
        EXPECT_EQ(probe.ClassVersion("TSectorInteraction"), 1);
        scratch.AfterLoad();
    }
    auto older = Load(out.Data());
    EXPECT_GT(older->Links().Count(), 0u);
    EXPECT_EQ(model::ConsistencyReport(*older), "");
    EXPECT_EQ(model::DumpProject(*older), model::DumpProject(*current));
}

TEST_F(PrjProject, HeaderFollowsTheAttractionFunctions) {
    model::TProject p;
    std::string bytes = Store(p);
    EXPECT_EQ(bytes.substr(0, 6), std::string("\x05\x00\x00\x00\x72\x00", 6));
    model::TSector* sector = p.NewSector();
    p.NewAttractionFunction()->SetTargetSector(sector);
    bytes = Store(p);
    EXPECT_EQ(bytes.substr(0, 6), std::string("\x05\x00\x07\x00\x01\x00", 6));
    EXPECT_EQ(Load(bytes)->AttractionFunctions().Count(), 1u);
}

// A damaged file read again and again (a desktop session retrying, a batch script) must not
// make the process grow: what the failed load made dies with the study it was read into.
TEST_F(PrjProject, FailedLoadsLeaveNothingBehind) {
    model::TProject study;
    model::BuildSampleStudy(study);
    const std::string whole = Store(study);
    auto loadDamaged = [&](std::size_t cut) {
        auto p = std::make_unique<model::TProject>();
        TMemoryStream in(whole.substr(0, cut));
        EXPECT_ANY_THROW(LoadProject(in, *p));
    };
    auto inUse = [] {
        return static_cast<std::ptrdiff_t>(mallinfo2().uordblks) + TSmallObjectPool::BytesInUse();
    };
    for (std::size_t cut : {whole.size() / 3, whole.size() / 2, whole.size() * 9 / 10})
        loadDamaged(cut); // warm-up: caches and pools reach their size
    const std::ptrdiff_t before = inUse();
    for (int i = 0; i < 30; ++i)
        loadDamaged(whole.size() / 3 + static_cast<std::size_t>(i) * (whole.size() / 60));
    EXPECT_LT(inUse() - before, 64 * 1024) << "bytes kept by 30 failed loads";
}

} // namespace
} // namespace zep::files

#endif // the sample study is part of the model
