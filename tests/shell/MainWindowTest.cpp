// The main window: start-up arguments, recently used files, captions of several views, closing
// with Cancel, keys reaching their commands, and the report of an unhandled exception.
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTest>
#include <fstream>
#include <regex>
#include <set>

#include "ShellTestSupport.h"
#include "shell/Application.h"
#include "shell/Commands.h"
#include "shell/MainWindow.h"
#include "shell/NetForm.h"

namespace zep::shell {
namespace {

using test::TScriptedHandler;
using test::TTempDir;

TEST(MainWindow, ArgumentsSkipSwitchesAndSurviveAFailingFile) {
    TTempDir dir;
    test::WriteSample(dir / "a.zpz");
    test::WriteSample(dir / "b.xml");
    std::ofstream(dir / "bad.zpz") << "not a study";
    TMainForm main(dir / "zep.ini");
    TScriptedHandler h;
    ScopedMessageHandler scope(h);
    const auto opened =
        main.OpenArguments({"/nosplash", dir / "a", "debug", dir / "bad.zpz", dir / "b.xml", "/x"});
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(main.Documents().size(), 2u);
    ASSERT_EQ(h.errors.size(), 1u);
    EXPECT_NE(h.errors[0].find(" in File:\n" + (dir / "bad.zpz")), std::string::npos);
    EXPECT_EQ(main.Documents()[0]->FileName(), dir / "a.zpz");
    EXPECT_EQ(main.windowTitle(), "ZEP");
    EXPECT_EQ(std::filesystem::current_path(), dir.Path());
}

TEST(MainWindow, RecentFilesNewestFirstAtMostEight) {
    TTempDir dir;
    const std::string ini = dir / "zep.ini";
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i) {
        files.push_back(dir / ("s" + std::to_string(i) + ".zpz"));
        test::WriteSample(files.back());
    }
    {
        TMainForm main(ini);
        for (const auto& f : files)
            ASSERT_NE(main.OpenFile(f), nullptr);
        ASSERT_NE(main.OpenFile(files[4]), nullptr); // opened again: to the front
    }
    TRecentFiles mru(ini);
    mru.Load();
    const std::vector<std::string> expected = {files[4], files[9], files[8], files[7],
                                               files[6], files[5], files[3], files[2]};
    EXPECT_EQ(mru.Items(), expected);
}

TEST(MainWindow, ViewCaptionsRenumberAndCancelKeepsModified) {
    TTempDir dir;
    test::WriteSample(dir / "s.zpz");
    TMainForm main(dir / "zep.ini");
    main.show();
    TScriptedHandler h;
    ScopedMessageHandler scope(h);
    TNetForm* first = main.OpenFile(dir / "s.zpz");
    ASSERT_NE(first, nullptr);
    TDocument* doc = first->Document();
    TNetForm* second = main.NewView(*doc);
    EXPECT_EQ(first->windowTitle(), "s.zpz:1");
    EXPECT_EQ(second->windowTitle(), "s.zpz:2");

    main.MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(second->parentWidget()));
    ASSERT_TRUE(main.Run("EditRemoveNetwork"));
    EXPECT_TRUE(doc->Modified());
    EXPECT_EQ(main.Action("EditUndo")->text(), "Undo Remove Network");
    EXPECT_EQ(main.StatusPanel(1)->text(), "Nds 0");
    EXPECT_EQ(main.StatusPanel(2)->text(), "Lnks 0");

    // One of two views closes without a question; the second renumbers.
    ASSERT_TRUE(first->parentWidget()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(h.questions.empty());
    EXPECT_EQ(second->windowTitle(), "s.zpz:1");
    // The last one asks; Cancel keeps it open and modified.
    h.answers = {mrCancel};
    EXPECT_FALSE(second->parentWidget()->close());
    ASSERT_EQ(h.questions.size(), 1u);
    EXPECT_EQ(h.questions[0], "Save changes to s.zpz?");
    EXPECT_EQ(main.Documents().size(), 1u);
    EXPECT_TRUE(doc->Modified());
    // No: it goes, and the document with it.
    h.answers = {mrNo};
    EXPECT_TRUE(second->parentWidget()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main.Documents().empty());
}

TEST(MainWindow, CommandTableBuildsEveryActionWithItsKeys) {
    TTempDir dir;
    TMainForm main(dir / "zep.ini");
    std::set<QString> keys;
    for (const TCommandDef& c : CommandTable()) {
        QAction* a = main.Action(c.name);
        ASSERT_NE(a, nullptr) << c.name;
        EXPECT_EQ(a->text(), QString::fromLatin1(c.caption));
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(c.keys))) << c.name;
        if (*c.keys) {
            EXPECT_TRUE(keys.insert(QString::fromLatin1(c.keys)).second) << c.keys;
        }
        EXPECT_TRUE((c.scope == TCommandScope::Main) == (c.main != nullptr)) << c.name;
    }
    // Without a network window its commands are off and do nothing.
    EXPECT_FALSE(main.Action("ViewZoomIn")->isEnabled());
    EXPECT_FALSE(main.Run("ViewZoomIn"));
    EXPECT_FALSE(main.Run("NoSuchCommand"));
}

TEST(MainWindow, KeysReachTheirCommands) {
    TTempDir dir;
    test::WriteSample(dir / "s.zpz");
    TMainForm main(dir / "zep.ini");
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    TScriptedHandler h;
    ScopedMessageHandler scope(h);
    TNetForm* form = main.OpenFile(dir / "s.zpz");
    ASSERT_NE(form, nullptr);
    QApplication::setActiveWindow(&main);
    form->Map()->Surface()->setFocus();
    QCoreApplication::processEvents();
    view::TScaler& s = form->Options().Scaler();

    const double zoom = s.Zoom();
    QTest::keyClick(&main, Qt::Key_F8);
    EXPECT_DOUBLE_EQ(s.Zoom(), zoom * 1.2);
    QTest::keyClick(&main, Qt::Key_F7);
    EXPECT_NEAR(s.Zoom(), zoom, 1e-12);
    QTest::keyClick(&main, Qt::Key_F8);
    QTest::keyClick(&main, Qt::Key_A, Qt::ControlModifier);
    EXPECT_NEAR(s.Zoom(), zoom, 1e-12);

    EXPECT_TRUE(form->LeftPane()->isVisible());
    QTest::keyClick(&main, Qt::Key_L, Qt::ControlModifier);
    EXPECT_FALSE(form->LeftPane()->isVisible());
    QTest::keyClick(&main, Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(form->LeftPane()->isVisible());

    QTest::keyClick(&main, Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form->MouseMode(), TMouseMode::MoveNodes);
    QTest::keyClick(&main, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form->MouseMode(), TMouseMode::Normal);

    const std::size_t nodes = form->Document()->Project().Nodes().Count();
    ASSERT_TRUE(main.Run("EditRemoveNetwork"));
    EXPECT_EQ(form->Document()->Project().Nodes().Count(), 0u);
    QTest::keyClick(&main, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form->Document()->Project().Nodes().Count(), nodes);
    EXPECT_FALSE(form->Document()->Modified());
    EXPECT_EQ(main.Action("EditUndo")->text(), "&Undo");

    // Arrows and pages move the scroll bars by their small and large changes.
    const int h0 = form->Map()->HorizontalBar()->value();
    QTest::keyClick(form->Map()->Surface(), Qt::Key_Right);
    EXPECT_EQ(form->Map()->HorizontalBar()->value(), h0 + 8);
    QTest::keyClick(form->Map()->Surface(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(form->Map()->HorizontalBar()->value(), h0 + 8 + 128);
    const int v0 = form->Map()->VerticalBar()->value();
    QTest::keyClick(form->Map()->Surface(), Qt::Key_PageDown);
    EXPECT_EQ(form->Map()->VerticalBar()->value(), v0 + 128);
    EXPECT_TRUE(h.errors.empty());
}

TEST(MainWindow, SplashTakesOnlyItsOwnHandlerAway) {
    TTempDir dir;
    TMessageHandler* before = CurrentMessageHandler();
    auto* splash = new TSplash(60000);
    TMessageHandler* splashHandler = CurrentMessageHandler();
    EXPECT_NE(splashHandler, before);
    {
        TMainForm main(dir / "zep.ini");
        TMessageHandler* mainHandler = CurrentMessageHandler();
        EXPECT_NE(mainHandler, splashHandler);
        delete splash; // its timer or a key closes it while the main window is up
        EXPECT_EQ(CurrentMessageHandler(), mainHandler);
    }
    EXPECT_EQ(CurrentMessageHandler(), before);
}

TEST(MainWindow, UnhandledExceptionLine) {
    const std::runtime_error e("it broke");
    const std::string line = UnhandledExceptionText(e);
    EXPECT_TRUE(
        std::regex_match(line, std::regex(R"(\S+ \d+\.\d+\.\d+ @0x[0-9a-f]+ \(\S+\) : it broke)")))
        << line;
    TScriptedHandler h;
    ScopedMessageHandler scope(h);
    TZepApplication::ReportUnhandled(e);
    ASSERT_EQ(h.errors.size(), 1u);
    EXPECT_EQ(h.errors[0], line);
}

} // namespace
} // namespace zep::shell
