// Attraction functions and attractors: declared tables, the variable table, the owned attractor
// list, dropping a sector, version operations and copies.
#include <gtest/gtest.h>

#include "ModeTestStudy.h"
#include "model/Attractors.h"
#include "model/Project.h"
#include "model/SECTOR.h"

namespace zep::model::test {
namespace {

class AttractorTest : public TStudyFixture {
protected:
    AttractorTest() : sectors(true), functions(true) {
        for (int i = 0; i < 3; ++i)
            sectors.Add(new TSector());
        f = new TAttractionFunction();
        functions.Add(f);
    }
    TSector* S(std::size_t i) const { return sectors.Get(i); }
    std::string Dump() const {
        std::string out = DumpList(functions);
        for (std::size_t i = 0; i < functions.Count(); ++i)
            out += DumpList(functions.Get(i)->Attractors());
        return out;
    }

    TSectorList sectors;
    TAttractionFunctionList functions;
    TAttractionFunction* f;
};

TEST_F(AttractorTest, DeclaredTablesAndVariables) {
    const TValue e;
    ExpectTable(TAttractionFunction::ClassSpecs(),
                {
                    {1, "target_sector", varError, 0, e, e, e},
                    {2, "target_variable", varInteger, 0, TValue(0), TValue(0), TValue(3)},
                    {3, "function_type", varInteger, 0, TValue(0), TValue(0), TValue(2)},
                    {4, "increment", varDouble, 0, e, e, e},
                    {5, "constant", varDouble, 0, e, e, e},
                    {6, "attractors", varError, 0, e, e, e},
                });
    ExpectTable(TAttractor::ClassSpecs(),
                {
                    {1, "attractor_sector", varError, 0, e, e, e},
                    {2, "attractor_variable", varInteger, 0, TValue(0), TValue(0), TValue(7)},
                    {3, "function_type", varDouble, 0, e, e, e},
                });
    // No prefix of its own: the plain entity identifier.
    EXPECT_EQ(TAttractionFunction::ClassSpecs().ById(kPropId).KeyPrefix(),
              TEntity::ClassSpecs().ById(kPropId).KeyPrefix());

    const char* codes[] = {"XPRO", "XDEM", "RMIN", "RMAX", "TPRO", "PRIC", "CAPA", "ACCE"};
    for (int i = 0; i < 8; ++i)
        EXPECT_STREQ(kAttractorVariables[i].code, codes[i]);
    EXPECT_STREQ(kAttractorVariables[0].title, "Exgonenous Production");
    EXPECT_STREQ(kAttractorVariables[7].title, "Accesibility");
    EXPECT_STREQ(kFunctionTypeCodes[0], "L");
    EXPECT_STREQ(kFunctionTypeCodes[1], "P");
    EXPECT_STREQ(kFunctionTypeCodes[2], "E");

    f->SetValueIn(base, TAttractionFunction::kTargetVariable, TValue(4));
    EXPECT_NE(f->ErrorMessageIn(base), "");
}

TEST_F(AttractorTest, AttractorsLiveInTheFunctionsOwnList) {
    EXPECT_EQ(f->GetObject(TAttractionFunction::kAttractors), &f->Attractors());
    EXPECT_TRUE(f->Attractors().Owns());
    TAttractor* a = f->AddAttractor();
    TAttractor* b = f->AddAttractor();
    EXPECT_EQ(f->Attractors().Count(), 2u);
    EXPECT_NE(a, b);
    a->SetAttractorSectorIn(s1, S(1));
    EXPECT_EQ(a->AttractorSectorIn(s2), S(1));
    EXPECT_EQ(a->AttractorSectorIn(base), nullptr);
    f->SetTargetSector(S(0));
    EXPECT_EQ(f->TargetSector(), S(0));

    // The list cannot be replaced or cleared through the property.
    f->SetProperty(TAttractionFunction::kAttractors, TValue());
    f->SetObject(TAttractionFunction::kAttractors, S(2));
    EXPECT_EQ(f->Attractors().Count(), 2u);
    EXPECT_EQ(f->GetObject(TAttractionFunction::kAttractors), &f->Attractors());

    // A loader that replaced the property list without a list: an empty one is put back.
    TAttractionFunction loaded;
    loaded.RawProperties().RawPut(TAttractionFunction::kAttractors, TValue());
    loaded.AfterLoad();
    EXPECT_EQ(loaded.GetObject(TAttractionFunction::kAttractors), &loaded.Attractors());
    // A list restored separately is taken over.
    auto restored = std::make_unique<TAttractorList>(true);
    restored->Add(new TAttractor());
    TAttractorList* raw = restored.get();
    loaded.RawProperties().RawPut(TAttractionFunction::kAttractors, TValue(restored.release()));
    EXPECT_EQ(&loaded.Attractors(), raw);
    EXPECT_EQ(loaded.Attractors().Count(), 1u);

    UndoAll();
    EXPECT_EQ(f->Attractors().Count(), 0u);
}

TEST_F(AttractorTest, DroppingASectorClearsEveryReference) {
    f->SetTargetSector(S(2));
    TAttractor* a = f->AddAttractor();
    a->SetAttractorSectorIn(base, S(2));
    a->SetAttractorSectorIn(s1, S(1));
    a->SetAttractorSectorIn(s2, S(2));
    TAttractor* b = f->AddAttractor();
    b->SetAttractorSectorIn(sib, S(0));
    const std::string before = Dump();
    undoSet.BeginTransaction();
    f->DropSector(S(2));
    EXPECT_EQ(f->TargetSector(), nullptr);
    EXPECT_EQ(a->AttractorSectorIn(base), nullptr);
    EXPECT_EQ(a->AttractorSectorIn(s1), S(1));
    EXPECT_EQ(a->AttractorSectorIn(s2), S(1)); // its own value is gone; 01A's shows through
    EXPECT_EQ(b->AttractorSectorIn(sib), S(0));
    for (const auto& v : a->Versions()) {
        if (const TProperty* p = v->Find(TAttractor::kAttractorSector)) {
            EXPECT_NE(p->value.ToObject(), S(2));
        }
    }
    undoSet.UndoTo(0);
    EXPECT_EQ(Dump(), before);
}

TEST_F(AttractorTest, VersionsAndCopies) {
    TAttractor* a = f->AddAttractor();
    a->SetValueIn(s1, TAttractor::kFunctionType, TValue(2.0));
    f->SetValueIn(s1, TAttractionFunction::kIncrement, TValue(0.1));
    // Copy and move act on the function alone.
    f->CopyVersion(s1, sib);
    EXPECT_DOUBLE_EQ(f->GetFloatIn(sib, TAttractionFunction::kIncrement), 0.1);
    EXPECT_TRUE(a->GetValueIn(sib, TAttractor::kFunctionType).IsEmpty());
    EXPECT_FALSE(f->HasVersion(s2));
    // Removing a scenario's version reaches the attractors: none keeps the scenario.
    f->RemoveVersion(s1);
    EXPECT_EQ(f->VersionOf(s1), nullptr);
    EXPECT_EQ(a->VersionOf(s1), nullptr);

    a->SetValueIn(base, TAttractor::kAttractorVariable, TValue(5));
    f->SetTargetSector(S(1));
    auto* g = new TAttractionFunction();
    functions.Add(g);
    g->Copy(*f);
    EXPECT_EQ(g->TargetSector(), S(1));
    ASSERT_EQ(g->Attractors().Count(), 1u);
    EXPECT_NE(g->Attractors().Get(0), a);
    EXPECT_EQ(g->Attractors().Get(0)->GetIntegerIn(s2, TAttractor::kAttractorVariable), 5);
    EXPECT_EQ(g->GetObject(TAttractionFunction::kAttractors), &g->Attractors());

    TProject owner;
    TProjectI* project = &owner;
    f->SetProject(project);
    EXPECT_EQ(a->Project(), project);
    f->SetProject(nullptr);
}

} // namespace
} // namespace zep::model::test
