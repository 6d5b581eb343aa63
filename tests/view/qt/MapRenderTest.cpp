// Whole maps of the sample study, one per painter tab, against reference images looked at when
// they were made (ZEP_UPDATE_GOLDEN=1 writes them anew: look at every one before committing).
// The comparison allows the small differences smoothing may make, not a moved or missing line.
#include "view/qt/MapRender.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "AssignmentFile.h"
#include "ModelResults.h"
#include "files/ModelFile.h"
#include "foundation/Exception.h"
#include "foundation/Stream.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "view/Painter.h"

namespace zep::view::qt {
namespace {

namespace fs = std::filesystem;

void EnsureApp() {
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "view_qt_tests";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

/// The sample study's scenario 01A as the model's assignment file gives it back: a read-only
/// study with results, which offers the assignment painters.
std::unique_ptr<model::TProject> SampleResults() {
    model::TProject study;
    model::BuildSampleStudy(study);
    const model::TScenario& s = *study.Scenarios().FindScenario("01A");
    const auto volumes = standin::AllOrNothingVolumes(study, s);
    const std::string bytes =
        standin::AssignmentFileBytes(study, s, [&](const model::TLinkRoute& lr) {
            auto it = volumes.find(&lr);
            return it == volumes.end() ? 0.0 : it->second;
        });
    auto results = std::make_unique<model::TProject>();
    TReadOnlyMemoryStream in(bytes.data() + 6, bytes.size() - 6);
    files::ReadModelFile(in, *results, "EXA01A.T3S");
    return results;
}

/// Pixels that differ by more than smoothing would make them differ.
int DifferingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            n += d > 64;
        }
    return n;
}

void CheckAgainstReference(model::TProject& project, const std::string& prefix,
                           model::TScenario* scenario) {
    const fs::path dir = fs::path(ZEP_SOURCE_DIR) / "tests/data/view";
    const char* updateFlag = std::getenv("ZEP_UPDATE_GOLDEN");
    const bool update = updateFlag && *updateFlag;
    const std::vector<std::string> tabs = PainterTabs(project);
    ASSERT_FALSE(tabs.empty());
    for (const std::string& cls : tabs) {
        TMapRenderRequest request;
        request.painterClass = cls;
        request.scenario = scenario;
        request.width = 640;
        request.height = 480;
        const QImage image = RenderMapImage(project, request);
        const fs::path file = dir / (prefix + "_" + cls.substr(1) + ".png");
        if (update) {
            fs::create_directories(dir);
            ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "PNG"));
            continue;
        }
        QImage reference;
        ASSERT_TRUE(reference.load(QString::fromStdString(file.string()))) << file;
        reference = reference.convertToFormat(image.format());
        ASSERT_EQ(reference.size(), image.size()) << file;
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                drawn += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
        EXPECT_GT(drawn, 2000) << cls << " drew next to nothing";
        const int differing = DifferingPixels(image, reference);
        EXPECT_LE(differing, image.width() * image.height() / 2000)
            << cls << " differs from " << file << " in " << differing << " pixels";
    }
}

TEST(MapRender, EveryPainterOfTheSampleStudyAsItsReferenceImage) {
    EnsureApp();
    model::TProject study;
    model::BuildSampleStudy(study);
    CheckAgainstReference(study, "EXA", study.Scenarios().FindScenario("02A"));
}

TEST(MapRender, EveryAssignmentPainterOfTheSampleResultsAsItsReferenceImage) {
    EnsureApp();
    auto results = SampleResults();
    ASSERT_GE(PainterTabs(*results).size(), 10u);
    CheckAgainstReference(*results, "EXA01A", results->Scenarios().FindScenario("01A"));
}

TEST(MapRender, FilesByExtensionAndTheirFailures) {
    EnsureApp();
    model::TProject study;
    model::BuildSampleStudy(study);
    const fs::path dir = fs::temp_directory_path() / ("zep_maprender_" + std::to_string(getpid()));
    fs::create_directories(dir);
    TMapRenderRequest request;
    request.width = 320;
    request.height = 240;
    for (const char* name : {"map.png", "map.SVG", "map.pdf"}) {
        const std::string file = (dir / name).string();
        EXPECT_EQ(RenderMapFile(study, request, file), "Link Types");
        EXPECT_GT(fs::file_size(file), 500u) << name;
    }
    std::ifstream svg(dir / "map.SVG");
    const std::string text((std::istreambuf_iterator<char>(svg)), {});
    EXPECT_NE(text.find("viewBox=\"0 0 320 240\""), std::string::npos);
    EXPECT_NE(text.find("<path"), std::string::npos); // the bands

    const std::string blocked = (dir / "no" / "such" / "map.png").string();
    try {
        RenderMapFile(study, request, blocked);
        ADD_FAILURE() << "wrote into a missing directory";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot write to file \"" + blocked + "\".");
    }
    EXPECT_THROW(RenderMapFile(study, request, (dir / "map.jpg").string()), Exception);
    EXPECT_EQ(PainterClassByName(study, "routes"), "TRoutePainter");
    EXPECT_EQ(PainterClassByName(study, "NonTwoWayPainter"), "TNonTwoWayPainter");
    EXPECT_THROW(PainterClassByName(study, "nope"), Exception);
    fs::remove_all(dir);
}

} // namespace
} // namespace zep::view::qt
