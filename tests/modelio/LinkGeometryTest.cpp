// Link courses survive every save and open: written to the geometry file beside the project in
// each form, read back onto the same links (and, reversed, their reverse links), through
// zep-cli too.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "ModelFilesTestSupport.h"
#include "files/PrjFile.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "modelio/LinkGeometry.h"

namespace zep::modelio {
namespace {

namespace fs = std::filesystem;

/// Every link's course, in link identifier order (a study read back sorts its lists).
std::set<std::string> Courses(model::TProject& p) {
    std::set<std::string> out;
    for (std::size_t i = 0; i < p.Links().Count(); ++i) {
        const model::TLink* l = p.Links().Get(i);
        if (l->Polyline().IsEmpty()) continue;
        out.insert(model::PolylineRecordText(l->Tail()->Id(), l->Head()->Id(), l->Polyline()));
    }
    return out;
}

TEST(LinkGeometry, CoursesSurviveSaveAndOpenInEveryFormAndThroughTheCli) {
    test::TTempDir dir("linkgeometry");
    model::TProject study;
    model::BuildSampleStudy(study);
    const std::set<std::string> courses = Courses(study);
    ASSERT_FALSE(courses.empty());
    for (const char* name : {"EXA.zpz", "EXA.xml"}) {
        const std::string file = (dir.path / name).string();
        files::SaveProject(file, study);
        SaveLinkGeometries(study, file);
        auto back = files::OpenProject(file);
        const TGeometryAttachResult r = AttachLinkGeometries(*back);
        EXPECT_FALSE(r.file.empty()) << name;
        EXPECT_EQ(Courses(*back), courses) << name;
        // Saving again what has not changed leaves the file as it is.
        SaveLinkGeometries(*back, file);
        const auto stamp = fs::last_write_time(r.file);
        SaveLinkGeometries(*back, file);
        EXPECT_EQ(fs::last_write_time(r.file), stamp);
    }
    // A study without courses writes no geometry file.
    model::TProject plain;
    plain.NewNode(1);
    plain.NewNode(2);
    plain.NewLinkByIds(0, 1, 2);
    const std::string plainFile = (dir.path / "sub" / "PLAIN.zpz").string();
    fs::create_directories(dir.path / "sub");
    files::SaveProject(plainFile, plain);
    SaveLinkGeometries(plain, plainFile);
    for (const auto& e : fs::directory_iterator(dir.path / "sub"))
        EXPECT_NE(e.path().extension(), ".ply") << e.path();

    // zep-make-study and zep-cli convert keep the courses as well.
    const std::string bin = ZEP_BIN_DIR;
    if (!fs::exists(bin + "/zep-cli")) GTEST_SKIP() << "zep-cli not built";
    fs::create_directories(dir.path / "cli");
    const std::string made = (dir.path / "cli" / "EXA.zpz").string();
    const std::string converted = (dir.path / "cli" / "COPY.zpz").string();
    ASSERT_EQ(std::system((bin + "/zep-make-study --sample -o " + made + " >/dev/null").c_str()),
              0);
    ASSERT_EQ(
        std::system((bin + "/zep-cli convert " + made + " " + converted + " >/dev/null").c_str()),
        0);
    auto copy = files::OpenProject(converted);
    AttachLinkGeometries(*copy);
    EXPECT_EQ(Courses(*copy), courses);
}

} // namespace
} // namespace zep::modelio
