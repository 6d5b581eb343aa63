// Whole studies through the project file: the sample study and a synthetic one written, read
// and written again byte for byte, the same study after reading, and a consistent one.
#if __has_include("model/SampleStudy.h") && __has_include("model/Consistency.h")
#include <gtest/gtest.h>

#include "files/PrjFile.h"
#include "model/Attractors.h"
#include "model/Consistency.h"
#include "model/LINK.h"
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

} // namespace
} // namespace zep::files

#endif // the sample study is part of the model
