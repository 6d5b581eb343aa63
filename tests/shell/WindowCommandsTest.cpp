// The network window's commands end to end: edits as named commands with undo, the copy to
// the clipboard, the PDF, the log switch.
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QTabBar>
#include <fstream>

#include "ShellTestSupport.h"
#include "foundation/OrvLogging.h"
#include "model/CanonicalDump.h"
#include "shell/AppSettings.h"
#include "shell/EditCommands.h"
#include "shell/MainWindow.h"
#include "shell/MapRender.h"
#include "shell/NetForm.h"

namespace zep::shell {
namespace {

using test::TScriptedHandler;
using test::TTempDir;

struct TCommandsFixture : ::testing::Test {
    TTempDir dir;
    TScriptedHandler handler;
    std::unique_ptr<TMainForm> main;
    std::unique_ptr<ScopedMessageHandler> scope;
    TNetForm* form = nullptr;

    void SetUp() override {
        test::WriteSample(dir / "s.zpz");
        main = std::make_unique<TMainForm>(dir / "zep.ini");
        main->resize(900, 650);
        main->show();
        scope = std::make_unique<ScopedMessageHandler>(handler);
        form = main->OpenFile(dir / "s.zpz");
        ASSERT_NE(form, nullptr);
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        handler.answers.assign(8, mrNo); // nothing is saved on the way out
        main.reset();
        scope.reset();
    }
    model::TProject& Project() { return form->Document()->Project(); }
    std::string Dump() {
        return model::DumpList(Project().Nodes()) + model::DumpList(Project().Links()) +
               model::DumpList(Project().LinkRoutes());
    }
};

// Each edit: the study changes, the Undo entry names it, Undo brings back exactly the study from
// before, and the document is unmodified again.
TEST_F(TCommandsFixture, EditsAreNamedCommandsThatUndoExactly) {
    // A spur for the simplifier to take away: a new node linked both ways to one node.
    model::TNode* stub = Project().NewNode();
    model::TNode* at = Project().Nodes().Get(30);
    stub->SetPosition({at->Position().x + 0.1, at->Position().y + 0.1});
    Project().LinkBetween(at, stub);
    Project().LinkBetween(stub, at);
    form->RefreshView();
    const std::string before = Dump();
    struct TCase {
        const char* command;
        const char* name;
        std::function<void()> select;
    };
    const std::vector<TCase> cases = {
        {"EditDelete", "Delete Node", [&] { form->SelectNode(Project().Nodes().Get(40)); }},
        {"EditDelete", "Delete Link", [&] { form->SelectLink(Project().Links().Get(17)); }},
        {"EditSimplify", "Simplify Network", [] {}},
        {"EditRemoveNetwork", "Remove Network", [] {}},
    };
    for (const TCase& c : cases) {
        c.select();
        ASSERT_TRUE(main->Run(c.command)) << c.command;
        ASSERT_TRUE(form->Document()->Modified()) << c.command;
        EXPECT_EQ(main->Action("EditUndo")->text().toStdString(), std::string("Undo ") + c.name);
        EXPECT_NE(Dump(), before) << c.command;
        EXPECT_EQ(form->SelectedNode(), nullptr); // nothing removed stays selected
        ASSERT_TRUE(main->Run("EditUndo"));
        EXPECT_EQ(Dump(), before) << c.command;
        EXPECT_FALSE(form->Document()->Modified()) << c.command;
    }
    EXPECT_TRUE(handler.errors.empty()) << handler.errors.front();
}

TEST_F(TCommandsFixture, MergeRoutesChosenInTheColourList) {
    form->Tabs();
    form->SelectPainter(1);
    QListWidget* list = form->ColorList();
    std::vector<int> lines;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().contains("Line")) lines.push_back(i);
    ASSERT_GE(lines.size(), 2u);
    const std::size_t routes = Project().Routes().Count();
    list->item(lines[0])->setSelected(true);
    list->item(lines[1])->setSelected(true);
    ASSERT_TRUE(main->Run("EditMerge"));
    EXPECT_EQ(Project().Routes().Count(), routes - 1);
    EXPECT_EQ(main->Action("EditUndo")->text(), "Undo Merge Routes");
    ASSERT_TRUE(main->Run("EditUndo"));
    EXPECT_EQ(Project().Routes().Count(), routes);
}

TEST_F(TCommandsFixture, SimilarRoutesShareLinks) {
    model::TRoute* line = nullptr;
    for (std::size_t i = 0; i < Project().Routes().Count() && !line; ++i)
        if (Project().Routes().Get(i)->GetName() == "Line 1") line = Project().Routes().Get(i);
    ASSERT_NE(line, nullptr);
    // A copy along the same links is similar; a route on one link of another line is not.
    model::TRoute* twin = Project().NewRoute(line->Operator());
    for (std::size_t i = 0; i < line->LinkRoutes().Count(); ++i)
        Project()
            .NewLinkRoute(static_cast<model::TLinkRoute*>(line->LinkRoutes().Item(i))->Link(), twin)
            ->SetUsedIn(Project().BaseScenario(), true);
    model::TRoute* stray = Project().NewRoute(line->Operator());
    model::TLink* elsewhere = nullptr;
    for (std::size_t i = 0; i < Project().Links().Count() && !elsewhere; ++i) {
        model::TLink* l = Project().Links().Get(i);
        bool onLine = false;
        for (std::size_t k = 0; k < line->LinkRoutes().Count(); ++k)
            onLine |= static_cast<model::TLinkRoute*>(line->LinkRoutes().Item(k))->Link() == l;
        if (!onLine) elsewhere = l;
    }
    Project().NewLinkRoute(elsewhere, stray)->SetUsedIn(Project().BaseScenario(), true);
    const auto similar = SimilarRoutes(Project(), *line, Project().BaseScenario());
    EXPECT_NE(std::find(similar.begin(), similar.end(), twin), similar.end());
    EXPECT_EQ(std::find(similar.begin(), similar.end(), stray), similar.end());
    EXPECT_EQ(std::find(similar.begin(), similar.end(), line), similar.end());

    // The window gives them colours 1, 2, ... and selects them in the colour list.
    form->RefreshView();
    form->SelectPainter(1);
    QListWidget* list = form->ColorList();
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).value<void*>() == line) list->setCurrentRow(i);
    ASSERT_TRUE(main->Run("ViewSimilarRoutes"));
    int selected = 0;
    for (int i = 0; i < list->count(); ++i)
        selected += list->item(i)->isSelected();
    EXPECT_EQ(selected, int(similar.size()));
}

TEST_F(TCommandsFixture, CopyPutsSvgAndImageOnTheClipboard) {
    ASSERT_TRUE(main->Run("EditCopy"));
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    const QByteArray svg = mime->data("image/svg+xml");
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("<desc>ZEP</desc>"));
    EXPECT_TRUE(svg.contains("<title>EXA</title>"));
    const QImage image = qvariant_cast<QImage>(mime->imageData());
    EXPECT_EQ(image.size(), form->Map()->Surface()->size());
    const QByteArray pdf = [&] {
        const QString file = QString::fromStdString(dir / "map.pdf");
        EXPECT_TRUE(RenderMapPdf(form->Scene(), form->Map()->Surface()->size(), file));
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_FALSE(
        RenderMapPdf(form->Scene(), {100, 100}, QString::fromStdString(dir / "no/such/dir/x.pdf")));
}

TEST_F(TCommandsFixture, DebugLogSwitchesTheRootLevel) {
    const int level = RootLogger().GetLevel();
    RootLogger().SetLevel(llWarning);
    ASSERT_TRUE(main->Run("HelpDebugLog"));
    EXPECT_EQ(RootLogger().GetLevel(), llDebug);
    ASSERT_TRUE(main->Run("HelpDebugLog"));
    EXPECT_EQ(RootLogger().GetLevel(), llWarning);
    RootLogger().SetLevel(level);
    const std::string log = LogFileName();
    EXPECT_EQ(std::filesystem::path(log).filename(), "VARDEN.LOG");
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(log).parent_path()));
    EXPECT_EQ(log.rfind(std::getenv("XDG_STATE_HOME"), 0), 0u);
}

} // namespace
} // namespace zep::shell
