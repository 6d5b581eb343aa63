// The network window: painter tabs, the map's cached rendering under pans, zoom around the
// cursor, the scenario tree, hover texts, the view options dialog and the backgrounds dialog.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <random>

#include "ShellTestSupport.h"
#include "model/NODE.h"
#include "shell/BackgroundsDlg.h"
#include "shell/EditCommands.h"
#include "shell/MainWindow.h"
#include "shell/NetForm.h"
#include "shell/ViewOptionsDlg.h"
#include "view/BackgroundFiles.h"
#include "view/Painter.h"
#include "view/ViewSettings.h"

namespace zep::shell {
namespace {

using test::TScriptedHandler;
using test::TTempDir;

/// Pixels that differ by more than a little in any channel.
int DifferentPixels(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size()) return x.width() * x.height();
    int n = 0;
    for (int r = 0; r < x.height(); ++r) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
        for (int c = 0; c < x.width(); ++c)
            if (std::abs(qRed(p[c]) - qRed(q[c])) > 8 ||
                std::abs(qGreen(p[c]) - qGreen(q[c])) > 8 ||
                std::abs(qBlue(p[c]) - qBlue(q[c])) > 8)
                ++n;
    }
    return n;
}

int NonWhitePixels(const QImage& image) {
    const QImage x = image.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int r = 0; r < x.height(); ++r) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
        for (int c = 0; c < x.width(); ++c)
            n += p[c] != qRgb(255, 255, 255);
    }
    return n;
}

struct TWindowFixture : ::testing::Test {
    TTempDir dir;
    TScriptedHandler handler;
    std::unique_ptr<ScopedMessageHandler> scope;
    std::unique_ptr<TMainForm> main;
    TNetForm* form = nullptr;

    void SetUp() override {
        test::WriteSample(dir / "s.zpz");
        main = std::make_unique<TMainForm>(dir / "zep.ini");
        main->resize(1000, 700);
        main->show();
        scope = std::make_unique<ScopedMessageHandler>(handler);
        form = main->OpenFile(dir / "s.zpz");
        ASSERT_NE(form, nullptr);
        form->parentWidget()->resize(800, 560);
        QCoreApplication::processEvents();
        form->Map()->Surface()->EnsureRendered();
    }
    void TearDown() override {
        // Nothing modified is left, so closing asks nothing.
        main.reset();
        scope.reset();
    }
    QSize MapSize() const { return form->Map()->Surface()->size(); }
};

TEST_F(TWindowFixture, TabsInOrderAndEachPaintsLikeItsPainter) {
    const auto classes = view::PainterTabs(form->Document()->Project());
    ASSERT_EQ(form->Tabs()->count(), int(classes.size()));
    EXPECT_EQ(form->Tabs()->tabText(0), "Link Types");
    EXPECT_EQ(form->Tabs()->tabText(1), "Routes");
    EXPECT_EQ(form->Tabs()->tabText(2), "Asymmetric");
    EXPECT_EQ(form->Tabs()->currentIndex(), 0);
    std::vector<QImage> shots;
    for (int i = 0; i < form->Tabs()->count(); ++i) {
        form->Tabs()->setCurrentIndex(i);
        EXPECT_EQ(form->ActivePainter()->ClassName(), classes[std::size_t(i)]);
        TMapSurface* surface = form->Map()->Surface();
        surface->EnsureRendered();
        const QImage shown = surface->Cache();
        // The reference: a painter of that class made afresh, drawing the same view.
        view::TNetViewOptions options = form->Options();
        auto painter =
            view::CreatePainter(classes[std::size_t(i)], form->Document()->Project(), options);
        TMapScene scene = form->Scene();
        scene.painter = painter.get();
        scene.options = &options;
        const QImage reference = RenderMapImage(scene, MapSize());
        EXPECT_LT(DifferentPixels(shown, reference), 20) << classes[std::size_t(i)];
        EXPECT_GT(NonWhitePixels(shown), 2000) << classes[std::size_t(i)];
        shots.push_back(shown);
    }
    // The route tab draws bands the link type tab does not.
    EXPECT_GT(DifferentPixels(shots[0], shots[1]), 100);
}

// Random pans (scroll bars, keys, drags) against a rendering from scratch of the final view.
TEST_F(TWindowFixture, PansReuseTheImageAndMatchAFullRendering) {
    std::mt19937 rng(7);
    TPaintChild* map = form->Map();
    TMapSurface* surface = map->Surface();
    form->Tabs()->setCurrentIndex(1);
    for (int round = 0; round < 3; ++round) {
        surface->EnsureRendered();
        const int full = surface->FullRenders();
        for (int step = 0; step < 12; ++step) {
            switch (rng() % 3) {
            case 0:
                map->PanPixels(int(rng() % 121) - 60, int(rng() % 121) - 60);
                break;
            case 1:
                map->HorizontalBar()->triggerAction(rng() % 2 ? QAbstractSlider::SliderSingleStepAdd
                                                              : QAbstractSlider::SliderPageStepSub);
                break;
            case 2: {
                const QPoint a(200 + int(rng() % 200), 200 + int(rng() % 100));
                const QPoint b = a + QPoint(int(rng() % 81) - 40, int(rng() % 81) - 40);
                QTest::mousePress(surface, Qt::MiddleButton, {}, a);
                QMouseEvent move(QEvent::MouseMove, b, surface->mapToGlobal(b), Qt::NoButton,
                                 Qt::MiddleButton, {});
                QApplication::sendEvent(surface, &move);
                QTest::mouseRelease(surface, Qt::MiddleButton, {}, b);
                break;
            }
            }
        }
        EXPECT_EQ(surface->FullRenders(), full) << "a pan rendered everything again";
        surface->EnsureRendered();
        const QImage reused = surface->Cache();
        const QImage fresh = RenderMapImage(form->Scene(), MapSize());
        EXPECT_LT(DifferentPixels(reused, fresh), MapSize().width() * MapSize().height() / 500)
            << "round " << round;
        map->ZoomAt(QPoint(300, 250), 1.5);
    }
}

TEST_F(TWindowFixture, WheelZoomKeepsThePointUnderTheCursor) {
    view::TScaler& s = form->Options().Scaler();
    const QPoint at(250, 180);
    const auto before = s.PixelToWorld({at.x(), at.y()});
    const double zoom = s.Zoom();
    QWheelEvent wheel(at, form->Map()->Surface()->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(form->Map()->Surface(), &wheel);
    EXPECT_NEAR(s.Zoom(), zoom * 1.44, 1e-9);
    const view::TPixel after = s.WorldToPixel(before);
    EXPECT_LE(std::abs(after.x - at.x()), 1);
    EXPECT_LE(std::abs(after.y - at.y()), 1);
    EXPECT_EQ(form->Map()->HorizontalBar()->minimum(), -1024);
    EXPECT_EQ(form->Map()->HorizontalBar()->maximum(), 1024);
    EXPECT_EQ(form->Map()->VerticalBar()->singleStep(), 8);
    EXPECT_EQ(form->Map()->VerticalBar()->pageStep(), 128);
}

TEST_F(TWindowFixture, HoverNamesTheNodeAndScenarioTreeRepaints) {
    model::TProject& p = form->Document()->Project();
    model::TNode* node = p.Nodes().Get(p.Nodes().Count() / 2);
    const view::TPixel px = form->Options().Scaler().WorldToPixel(node->Position());
    const std::string text = form->DescribeAt(QPoint(px.x, px.y));
    EXPECT_EQ(text.rfind(node->IsZone() ? "Zone " : "Node ", 0), 0u) << text;
    EXPECT_NE(text.find(std::to_string(node->Id())), std::string::npos);
    EXPECT_EQ(form->DescribeAt(QPoint(2, 2)), "");

    QTreeWidget* tree = form->ScenarioTree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* child = tree->topLevelItem(0)->child(0);
    ASSERT_NE(child, nullptr);
    const int renders = form->Map()->Surface()->FullRenders();
    tree->setCurrentItem(child);
    EXPECT_EQ(form->Scenario()->GetName(), "01A");
    form->Map()->Surface()->EnsureRendered();
    EXPECT_EQ(form->Map()->Surface()->FullRenders(), renders + 1);
}

TEST_F(TWindowFixture, FindSelectsAndCentres) {
    model::TProject& p = form->Document()->Project();
    model::TNode* node = p.Nodes().Get(3);
    EXPECT_EQ(FindNodeByText(p, std::to_string(node->Id())), node);
    EXPECT_EQ(FindNodeByText(p, node->KeyText()), node);
    model::TLink* link = p.Links().Get(5);
    const std::string ends =
        std::to_string(link->Tail()->Id()) + "-" + std::to_string(link->Head()->Id());
    EXPECT_EQ(FindLinkByText(p, ends), link);
    EXPECT_EQ(FindLinkByText(p, "l_" + ends), link);
    EXPECT_EQ(FindLinkByText(p, "999999-999998"), nullptr);
}

TEST_F(TWindowFixture, ViewOptionsDialogStoresEveryValue) {
    view::TNetViewOptions options = form->Options();
    TViewOptionsDlg dlg(options, false, form);
    // Without assignment results the results' label attributes are not offered.
    EXPECT_EQ(dlg.LinkAttributeCombo()->count(), 8);
    dlg.LinkSeparationCtl()->setValue(5);
    dlg.LabelWhat()->button(3)->setChecked(true);
    dlg.LabelWith()->button(2)->setChecked(true);
    dlg.ShowNonStops()->setChecked(false);
    dlg.HideGrayed()->setChecked(true);
    dlg.LinkAttributeCombo()->setCurrentIndex(dlg.LinkAttributeCombo()->findText("Name"));
    dlg.NodeFontSize()->setText("x");
    dlg.ScaleEdit()->setText("-3");
    const double zoom = options.Scaler().Zoom();
    const int fontSize = options.nodeFont.size;
    dlg.Apply(options);
    EXPECT_EQ(options.linkSeparation, 5);
    EXPECT_EQ(options.labelWhat, 3);
    EXPECT_EQ(options.labelWith, 2);
    EXPECT_FALSE(options.showNonStops);
    EXPECT_TRUE(options.hideGrayedLinks);
    EXPECT_EQ(options.linkLabelIndex, 7);
    EXPECT_EQ(options.nodeFont.size, fontSize);                      // did not parse
    EXPECT_EQ(options.nodeFont.name, form->Options().nodeFont.name); // untouched, even if missing
    EXPECT_EQ(options.Scaler().Zoom(), zoom);                        // not positive
    dlg.ScaleEdit()->setText("2.5");
    dlg.NodeTrack()->setValue(9);
    dlg.Apply(options);
    EXPECT_EQ(options.Scaler().Zoom(), 2.5);
    EXPECT_EQ(options.NodeRadiusPixels(), 9);

    // Stored beside the project and read back by the next window.
    form->Options() = options;
    form->SaveSettings();
    view::TViewSettings settings(dir / "s.zpz");
    view::TNetViewOptions back;
    back.Load(settings);
    EXPECT_EQ(back.linkSeparation, 5);
    EXPECT_EQ(back.linkLabelIndex, 7);
    EXPECT_TRUE(back.hideGrayedLinks);
}

TEST_F(TWindowFixture, BackgroundsDialogEditsTheList) {
    const std::string a = dir / "a.dxf", b = dir / "b.dxf";
    for (const std::string& f : {a, b})
        std::ofstream(f) << "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\nroads\n10\n0\n20\n0\n11\n"
                            "50000\n21\n50000\n0\nENDSEC\n0\nEOF\n";
    view::TBackgroundFileManager& m = form->Backgrounds();
    TBackgroundsDlg dlg(m, form);
    dlg.AddPath(a);
    dlg.AddPath(b);
    dlg.AddPath(dir / "c.shp"); // refused with the reader's message
    ASSERT_EQ(handler.errors.size(), 1u);
    EXPECT_EQ(handler.errors[0], "\".shp\" is not a supported file extension");
    dlg.MoveCurrent(-1); // b before a
    dlg.Apply(m);
    ASSERT_EQ(m.Count(), 2u);
    EXPECT_EQ(m.File(0).Path(), b);
    EXPECT_EQ(m.File(1).Path(), a);
    TBackgroundsDlg again(m, form);
    again.FileList()->setCurrentRow(0);
    again.RemoveCurrent();
    again.Apply(m);
    ASSERT_EQ(m.Count(), 1u);
    EXPECT_EQ(m.File(0).Path(), a);
}

TEST_F(TWindowFixture, ZoomInFitsASelectedArea) {
    const QRect band(100, 100, 120, 60);
    QTest::mousePress(form->Map()->Surface(), Qt::LeftButton, {}, band.topLeft());
    QMouseEvent move(QEvent::MouseMove, band.bottomRight(),
                     form->Map()->Surface()->mapToGlobal(band.bottomRight()), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(form->Map()->Surface(), &move);
    QTest::mouseRelease(form->Map()->Surface(), Qt::LeftButton, {}, band.bottomRight());
    ASSERT_TRUE(form->Selection());
    const double zoom = form->Options().Scaler().Zoom();
    form->ZoomIn();
    EXPECT_FALSE(form->Selection());
    EXPECT_GT(form->Options().Scaler().Zoom(), zoom * 3);
}

} // namespace
} // namespace zep::shell
