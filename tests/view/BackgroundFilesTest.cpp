#include "view/BackgroundFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "foundation/OrvParse.h"
#include "tests/view/RecordingCanvas.h"
#include "view/ViewSettings.h"

namespace zep::view {
namespace {

namespace fs = std::filesystem;
using testing::TDrawCall;
using testing::TRecordingCanvas;

TPixel Identity(double x, double y, double) {
    return {static_cast<int>(x), static_cast<int>(y)};
}

std::string LineDxf(int x) {
    const std::string v = std::to_string(x);
    return "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n8\nA\n70\n1\n10\n" + v + "\n20\n0\n10\n" + v +
           "\n20\n10\n10\n" + std::to_string(x + 5) + "\n20\n5\n0\nENDSEC\n0\nEOF\n";
}

class BackgroundFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zep_background_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Put(const std::string& name, const std::string& text) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    fs::path dir_;
};

TEST_F(BackgroundFiles, OnlyDxfFilesAreSupported) {
    TBackgroundFileManager m;
    EXPECT_NO_THROW(m.AddFile("streets.dxf"));
    EXPECT_NO_THROW(m.AddFile("/maps/Streets.DXF"));
    auto message = [&](const std::string& path) {
        try {
            m.AddFile(path);
        } catch (const Exception& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(message("map.dwg"), "\".dwg\" is not a supported file extension");
    EXPECT_EQ(message("map"), "\"\" is not a supported file extension");
    EXPECT_EQ(message("map.dxf.bak"), "\".bak\" is not a supported file extension");
    EXPECT_EQ(m.Count(), 2u);
    EXPECT_EQ(m.File(1).Path(), "/maps/Streets.DXF");
    EXPECT_EQ(m.File(1).Model().Name(), "/maps/Streets.DXF");
}

TEST_F(BackgroundFiles, LoadingSkipsWhatIsMissingHiddenOrAlreadyLoaded) {
    TBackgroundFileManager m;
    TAbstractBackgroundFile& a = m.AddFile(Put("a.dxf", LineDxf(0)));
    TAbstractBackgroundFile& missing = m.AddFile((dir_ / "missing.dxf").string());
    TAbstractBackgroundFile& hidden = m.AddFile(Put("hidden.dxf", LineDxf(1000)));
    hidden.SetVisible(false);
    m.LoadAll();
    EXPECT_TRUE(a.Loaded());
    EXPECT_FALSE(missing.Loaded());
    EXPECT_FALSE(hidden.Loaded());
    EXPECT_EQ(m.Extent().min, (TPoint3{0, 0, 0}));
    EXPECT_EQ(m.Extent().max, (TPoint3{5, 10, 0}));

    // A loaded file is not read again; after Unload it is, into a cleared model.
    Put("a.dxf", LineDxf(100));
    m.LoadAll();
    EXPECT_EQ(a.Extent().min.x, 0);
    a.Unload();
    EXPECT_TRUE(a.Extent().empty);
    a.Load();
    EXPECT_EQ(a.Model().LayerCount(), 1u);
    EXPECT_EQ(a.Model().FindLayer("A")->ChildCount(), 1u);
    EXPECT_EQ(a.Extent().min.x, 100);

    hidden.SetVisible(true);
    m.LoadAll();
    EXPECT_EQ(m.Extent().max, (TPoint3{1005, 10, 0}));
}

TEST_F(BackgroundFiles, ABrokenFileDoesNotKeepTheOthersFromLoading) {
    TBackgroundFileManager m;
    TAbstractBackgroundFile& broken = m.AddFile(
        Put("broken.dxf", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n1\n20\n1\n0\nSECTION\n"));
    TAbstractBackgroundFile& good = m.AddFile(Put("good.dxf", LineDxf(3)));
    try {
        m.LoadAll();
        FAIL() << "no error";
    } catch (const EParseException& e) {
        EXPECT_EQ(e.Text(), "Expected code 0 entity, but was -1");
    }
    EXPECT_TRUE(good.Loaded());
    EXPECT_FALSE(broken.Loaded());
    EXPECT_EQ(broken.Model().LayerCount(), 0u); // not half a drawing
    EXPECT_EQ(m.Extent().min.x, 3);
}

TEST_F(BackgroundFiles, DrawnInOrderWithTheirColoursAsOutlines) {
    TBackgroundFileManager m;
    TAbstractBackgroundFile& a = m.AddFile(Put("a.dxf", LineDxf(0)));
    TAbstractBackgroundFile& b = m.AddFile(Put("b.dxf", LineDxf(50)));
    a.SetColor(0x0000FF);
    b.SetColor(0x00FF00);
    m.AddFile(Put("c.dxf", LineDxf(90))); // never loaded: not drawn
    a.Load();
    b.Load();
    m.Move(1, 0);
    EXPECT_EQ(&m.File(0), &b);

    TRecordingCanvas canvas;
    canvas.SetPen({0x123456, 1});
    canvas.SetBrush({0xFFFFFF, false});
    m.DrawAll(canvas, 0, Identity);
    ASSERT_EQ(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0].kind, TDrawCall::Polygon); // the closed lightweight polyline
    EXPECT_EQ(canvas.calls[0].points[0], (TPixel{50, 0}));
    EXPECT_EQ(canvas.calls[0].pen.color, 0x00FF00u);
    EXPECT_TRUE(canvas.calls[0].brush.clear);
    EXPECT_EQ(canvas.calls[1].pen.color, 0x0000FFu);
    EXPECT_EQ(canvas.Pen().color, 0x123456u);
    EXPECT_FALSE(canvas.Brush().clear);

    b.SetVisible(false);
    m.Remove(1);
    TRecordingCanvas none;
    m.DrawAll(none, 0, Identity);
    EXPECT_TRUE(none.calls.empty());
}

TEST_F(BackgroundFiles, SavedInTheViewSettingsAndLoadedBack) {
    const std::string project = Put("study.zpz", "x");
    const std::string a = Put("a.dxf", LineDxf(0));
    const std::string b = Put("b.dxf", LineDxf(20));
    {
        TViewSettings settings(project);
        settings.WriteString(TBackgroundFileManager::kSection, "/old.dxf", "5");
        TBackgroundFileManager m;
        m.AddFile(b).SetLoadAutomatically(true);
        m.File(0).SetColor(0xC0C0C0);
        m.AddFile((dir_ / "not_automatic.dxf").string());
        m.AddFile(a).SetLoadAutomatically(true);
        m.Save(settings);
        EXPECT_EQ(settings.Keys("BackgroundFileManager"), (std::vector<std::string>{b, a}));
        EXPECT_EQ(settings.ReadInteger("BackgroundFileManager", b, 0), 0xC0C0C0);
        settings.WriteString(TBackgroundFileManager::kSection, "notes.txt", "1");
        settings.Flush();
    }
    TViewSettings settings(project);
    TBackgroundFileManager m;
    m.AddFile(a); // replaced by what the settings hold
    m.Load(settings);
    ASSERT_EQ(m.Count(), 2u);
    EXPECT_EQ(m.File(0).Path(), b);
    EXPECT_EQ(m.File(0).Color(), 0xC0C0C0u);
    EXPECT_EQ(m.File(1).Path(), a);
    EXPECT_EQ(m.File(1).Color(), 0u);
    for (std::size_t i = 0; i < m.Count(); ++i) {
        EXPECT_TRUE(m.File(i).Loaded());
        EXPECT_TRUE(m.File(i).Visible());
        EXPECT_TRUE(m.File(i).LoadAutomatically());
    }
    EXPECT_EQ(m.Extent().max.x, 25);
}

} // namespace
} // namespace zep::view
