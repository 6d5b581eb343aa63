// The model output in the network window: the Path menu and the path panel stepping through the
// paths of the stand-ins' path file, the paths that use a link, a damaged path file, and the
// assignment report window with its filters, its save rule and its settings file.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <fstream>
#include <random>
#include <sstream>

#include "ModelResultsSupport.h"
#include "analysis/PATH.h"
#include "model/LINK.h"
#include "model/Zone.h"
#include "shell/AssignmentReportForm.h"
#include "shell/Dialogs.h"
#include "shell/MainWindow.h"
#include "shell/NetForm.h"
#include "shell/PathPanel.h"
#include "view/PthPaint.h"
#include "view/ViewSettings.h"

namespace zep::shell {
namespace {

namespace fs = std::filesystem;
using test::TScriptedHandler;
using test::TTempDir;

std::string ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TResultsFixture : ::testing::Test {
    TTempDir dir;
    TScriptedHandler handler;
    std::unique_ptr<ScopedMessageHandler> scope;
    std::unique_ptr<TMainForm> main;
    TNetForm* form = nullptr;

    void SetUp() override {
        test::ModelResultsDir();
        main = std::make_unique<TMainForm>(dir / "zep.ini");
        main->resize(1100, 760);
        main->show();
        scope = std::make_unique<ScopedMessageHandler>(handler);
        form = main->OpenFile(test::ResultsFile());
        ASSERT_NE(form, nullptr);
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        ResetDialogs();
        main.reset();
        scope.reset();
    }
    view::TPathPainter& Painter() { return *form->PathPainter(); }
    void ShowPaths() {
        for (int i = 0; i < form->Tabs()->count(); ++i)
            if (form->Tabs()->tabText(i) == "Paths") form->Tabs()->setCurrentIndex(i);
        ASSERT_EQ(form->ActivePainter(), form->PathPainter());
    }
};

TEST_F(TResultsFixture, PathMenuOnlyForModelOutputWithPaths) {
    model::TProject& p = form->Document()->Project();
    ASSERT_TRUE(p.ReadOnly());
    ASSERT_TRUE(p.AssignmentResults());
    ASSERT_NE(form->PathPainter(), nullptr) << "the path files lie in the study directory";
    main->UpdateCommands();
    for (const char* name :
         {"PathSelect", "PathNext", "PathPrevious", "PathReverse", "PathDontShowReverse",
          "PathsThatUseLink", "ReportAssignment", "ReportLoadSettings"})
        EXPECT_TRUE(main->Action(name)->isEnabled()) << name;
    EXPECT_FALSE(main->Action("ProjectImportNetwork")->isEnabled());
    EXPECT_EQ(main->Action("PathNext")->shortcut(), QKeySequence(QStringLiteral("Ctrl+F8")));
    EXPECT_EQ(main->Action("PathPrevious")->shortcut(), QKeySequence(QStringLiteral("Ctrl+F7")));
    EXPECT_EQ(main->Action("PathReverse")->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));

    // The study itself is no model output: no Paths tab, no Path menu, no reports.
    TNetForm* study = main->OpenFile((test::ModelResultsDir() / "EXA.zpz").string());
    ASSERT_NE(study, nullptr);
    QCoreApplication::processEvents();
    main->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(study->parentWidget()));
    main->UpdateCommands();
    EXPECT_EQ(study->PathPainter(), nullptr);
    for (const char* name : {"PathSelect", "PathNext", "ReportAssignment"})
        EXPECT_FALSE(main->Action(name)->isEnabled()) << name;
    EXPECT_FALSE(main->Run("PathNext"));
    EXPECT_TRUE(main->Action("ProjectImportNetwork")->isEnabled());
    for (int i = 0; i < study->Tabs()->count(); ++i)
        EXPECT_NE(study->Tabs()->tabText(i), "Paths");
    EXPECT_FALSE(study->PathPanel()->isVisible());
}

// Random work on the panel's controls; after each step the panel shows the painter's state.
TEST_F(TResultsFixture, PathPanelShowsTheCurrentPathUnderRandomWork) {
    ShowPaths();
    TPathPanel* panel = form->PathPanel();
    ASSERT_TRUE(panel->isVisible());
    const int zones = panel->SourceList()->count();
    ASSERT_GT(zones, 3);
    std::mt19937 rng(5);
    for (int step = 0; step < 200; ++step) {
        switch (rng() % 7) {
        case 0:
            panel->SourceList()->setCurrentIndex(int(rng() % unsigned(zones)));
            break;
        case 1:
            panel->SinkList()->setCurrentIndex(int(rng() % unsigned(zones)));
            break;
        case 2:
            panel->NextPathBtn()->click();
            break;
        case 3:
            panel->PrevPathBtn()->click();
            break;
        case 4:
            panel->PathNoSpin()->stepUp();
            break;
        case 5:
            panel->CategoryList()->setCurrentIndex(
                int(rng() % unsigned(panel->CategoryList()->count())));
            break;
        case 6:
            main->Run("PathReverse");
            break;
        }
        view::TPathPainter& p = Painter();
        const int count = int(p.PathCount());
        ASSERT_NE(p.Current(0), p.Current(1)) << step;
        ASSERT_EQ(panel->SourceList()->currentIndex(), p.Current(0)) << step;
        ASSERT_EQ(panel->SinkList()->currentIndex(), p.Current(1)) << step;
        ASSERT_EQ(panel->PathCountLabel()->text(), QStringLiteral("of %1").arg(count));
        QTableWidget* grid = panel->PathInfoGrid();
        ASSERT_EQ(grid->rowCount(), 12);
        if (count == 0) {
            ASSERT_EQ(panel->PathNoSpin()->maximum(), 0);
            ASSERT_EQ(grid->columnCount(), 2);
            ASSERT_TRUE(panel->AgDisutilityLbl()->text().isEmpty());
            continue;
        }
        // The spin reaches one past the count: the way on to the next pair.
        ASSERT_EQ(panel->PathNoSpin()->minimum(), 1);
        ASSERT_EQ(panel->PathNoSpin()->maximum(), count + 1);
        ASSERT_EQ(panel->PathNoSpin()->value(), p.Current(3) + 1);
        ASSERT_EQ(grid->columnCount(), count + 1);
        ASSERT_EQ(grid->item(0, 0)->text(), "No");
        ASSERT_EQ(grid->item(11, 0)->text(), "TurnDelay");
        ASSERT_EQ(grid->columnWidth(0), 60);
        ASSERT_EQ(grid->item(0, p.Current(3) + 1)->text(), QString::number(p.Current(3) + 1));
        ASSERT_TRUE(grid->item(0, p.Current(3) + 1)->isSelected());
        const auto texts = analysis::paths::PathInfoTexts(*p.CurrentPath());
        for (int r = 0; r < 12; ++r)
            ASSERT_EQ(grid->item(r, p.Current(3) + 1)->text().toStdString(), texts[std::size_t(r)]);
        ASSERT_EQ(panel->AgDisutilityLbl()->text().toStdString(),
                  analysis::paths::CompositeCostText(p.CurrentSet()->compositeCost));
        ASSERT_EQ(panel->PathLinksList()->topLevelItemCount(), int(p.CurrentPath()->steps.size()));
        // The steps name the study's link-routes as the path search numbered them: each step
        // goes on from where the one before ended, from the origin zone to the destination.
        const auto& steps = p.CurrentPath()->steps;
        ASSERT_FALSE(steps.empty());
        const auto& zoneList = form->Document()->Project().TransportZones();
        EXPECT_EQ(steps.front().linkRoute->Link()->Tail(), zoneList.Get(std::size_t(p.Current(0))));
        EXPECT_EQ(steps.back().linkRoute->Link()->Head(), zoneList.Get(std::size_t(p.Current(1))));
        for (std::size_t k = 1; k < steps.size(); ++k)
            ASSERT_EQ(steps[k].linkRoute->Link()->Tail(), steps[k - 1].linkRoute->Link()->Head())
                << "step " << k << " at step " << step;
    }
}

TEST_F(TResultsFixture, SwapKeepsThePathAndNextAtTheLastPairWraps) {
    ShowPaths();
    TPathPanel* panel = form->PathPanel();
    view::TPathPainter& p = Painter();
    const int zones = panel->SourceList()->count();
    // A pair with two paths each way.
    p.PathFileSet().Select(p.Current(2), 1, 1, 2);
    panel->Refresh();
    ASSERT_EQ(p.Current(3), 1);
    main->Run("PathReverse");
    EXPECT_EQ(p.Current(0), 2);
    EXPECT_EQ(p.Current(1), 1);
    EXPECT_EQ(p.Current(3), 1) << "a swap keeps the path index";
    EXPECT_EQ(panel->PathNoSpin()->value(), 2);
    // Any other change of pair starts at the first path.
    panel->SinkList()->setCurrentIndex(5);
    EXPECT_EQ(p.Current(3), 0);
    ASSERT_GE(p.PathCount(), 2u);

    // The spin one past the count, from the last path, moves on to the next pair.
    panel->PathNoSpin()->setValue(int(p.PathCount()));
    EXPECT_EQ(p.Current(3), int(p.PathCount()) - 1);
    panel->PathNoSpin()->setValue(int(p.PathCount()) + 1);
    EXPECT_EQ(p.Current(0), 2);
    EXPECT_EQ(p.Current(1), 6);
    EXPECT_EQ(p.Current(3), 0);

    // Next at the last path of the last pair goes round to origin 0, destination 1.
    p.PathFileSet().Select(p.Current(2), zones - 1, 99, zones - 2);
    panel->Refresh();
    ASSERT_EQ(p.Current(3), int(p.PathCount()) - 1);
    main->Run("PathNext");
    EXPECT_EQ(p.Current(0), 0);
    EXPECT_EQ(p.Current(1), 1);
    EXPECT_EQ(p.Current(3), 0);
    EXPECT_EQ(panel->SourceList()->currentIndex(), 0);
    // Previous at the first path of the first pair stays.
    p.PathFileSet().Select(p.Current(2), 0, 0, 1);
    main->Run("PathPrevious");
    EXPECT_EQ(p.Current(0), 0);
    EXPECT_EQ(p.Current(1), 1);
    EXPECT_EQ(p.Current(3), 0);

    // Don't Show Reverse toggles with its check mark, and is kept with the window.
    main->Run("PathDontShowReverse");
    EXPECT_FALSE(p.ShowReverse());
    EXPECT_TRUE(main->Action("PathDontShowReverse")->isChecked());
    main->Run("PathDontShowReverse");
    EXPECT_TRUE(p.ShowReverse());
}

TEST_F(TResultsFixture, PathsThatUseALinkSelectThePathClicked) {
    ShowPaths();
    view::TPathPainter& p = Painter();
    p.PathFileSet().Select(p.Current(2), 2, 0, 5);
    ASSERT_NE(p.CurrentPath(), nullptr);
    ASSERT_FALSE(p.CurrentPath()->steps.empty());
    model::TLink* link = p.CurrentPath()->steps.front().linkRoute->Link();
    form->SelectLink(link);
    main->Run("PathsThatUseLink");
    auto* window = qobject_cast<TPathsUsingLinkForm*>(form->PathsUsingLinkForm());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle().toStdString(),
              "Paths that use Link " + link->KeyText().substr(2));
    QTreeWidget* list = window->List();
    ASSERT_GE(list->topLevelItemCount(), 2) << "the path and its copy";
    const auto& zones = form->Document()->Project().TransportZones();
    for (int row : {list->topLevelItemCount() - 1, 0}) {
        window->SelectRow(row);
        const QTreeWidgetItem* item = list->topLevelItem(row);
        EXPECT_EQ(item->text(0), QString::number(zones.Get(std::size_t(p.Current(0)))->Id()));
        EXPECT_EQ(item->text(1), QString::number(zones.Get(std::size_t(p.Current(1)))->Id()));
        EXPECT_EQ(item->text(2), QString::number(p.Current(3) + 1));
        bool uses = false;
        for (const auto& s : p.CurrentPath()->steps)
            uses = uses || s.linkRoute->Link() == link;
        EXPECT_TRUE(uses) << "row " << row;
        EXPECT_EQ(form->PathPanel()->PathNoSpin()->value(), p.Current(3) + 1);
    }
}

TEST(PathFileDamage, ATruncatedPathFileShowsTheMessageAndTheWindowGoesOn) {
    TTempDir dir;
    const fs::path src = test::ModelResultsDir();
    fs::create_directories(dir.Path() / "01A");
    fs::copy_file(src / "01A" / "EXA01A.T3S", dir.Path() / "01A" / "EXA01A.T3S");
    const std::string bytes = ReadAll((src / "EXA01A.P1S").string());
    std::ofstream(dir / "EXA01A.P1S", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    TScriptedHandler handler;
    TMainForm main(dir / "zep.ini");
    ScopedMessageHandler scope(handler);
    TNetForm* form = main.OpenFile(dir / "01A/EXA01A.T3S");
    ASSERT_NE(form, nullptr);
    ASSERT_NE(form->PathPainter(), nullptr);
    view::TPathPainter& p = *form->PathPainter();
    p.PathFileSet().Select(0, 1, 0, 2);
    ASSERT_FALSE(handler.errors.empty());
    EXPECT_EQ(handler.errors.back(), "Error Reading Nodes:\nFile may be truncated");
    // The pairs read before the damage are there; the others have no paths; stepping works.
    EXPECT_GT(p.PathCount(), 0u);
    const int zones = int(form->Document()->Project().TransportZones().Count());
    p.PathFileSet().Select(0, zones - 1, 0, zones - 2);
    EXPECT_EQ(p.PathCount(), 0u);
    main.Run("PathNext");
    form->PathPanel()->Refresh();
    EXPECT_EQ(form->PathPanel()->PathNoSpin()->maximum(),
              int(p.PathCount() ? p.PathCount() + 1 : 0));
    EXPECT_TRUE(main.Run("ViewRefresh"));
}

// ---- the assignment report window ----------------------------------------------------------

TEST_F(TResultsFixture, ReportFiltersSaveRuleAndSettings) {
    main->Run("ReportAssignment");
    TAssignmentReportForm* r = form->ReportForm();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->windowTitle(), "Assignment Report");
    EXPECT_EQ(r->ClassWidthEdit()->text(), "5.00");
    const int all = r->LinkList()->topLevelItemCount();
    ASSERT_GT(all, 0);
    ASSERT_GT(r->OperatorList()->count(), 1);

    // Unchecking excludes, checking includes again; the Selection page follows on return.
    std::mt19937 rng(3);
    model::TProject& p = form->Document()->Project();
    for (int step = 0; step < 12; ++step) {
        QListWidget* list = rng() % 2 ? r->OperatorList() : r->LinkTypeList();
        QListWidgetItem* item = list->item(int(rng() % unsigned(list->count())));
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        r->Pages()->setCurrentIndex(1);
        r->Pages()->setCurrentIndex(0);
        int expected = 0;
        for (std::size_t i = 0; i < p.Links().Count(); ++i)
            expected += !r->Selector().Excludes(*p.Links().Get(i), r->Scenario());
        ASSERT_EQ(r->LinkList()->topLevelItemCount(), expected);
        for (QListWidget* l : {r->OperatorList(), r->LinkTypeList()})
            for (int k = 0; k < l->count(); ++k) {
                const std::string id = l->item(k)->data(Qt::UserRole).toString().toStdString();
                const bool included = l == r->OperatorList() ? r->Selector().IsOperatorIncluded(id)
                                                             : r->Selector().IsLinkTypeIncluded(id);
                ASSERT_EQ(included, l->item(k)->checkState() == Qt::Checked);
            }
    }

    // The save rule: ".xls" gives the HTML table, anything else comma text; no extension: csv.
    std::string proposed, filter;
    std::string answer = dir / "out/report.xls";
    Dialogs().saveFile = [&](QWidget*, const std::string&, const std::string& start, const char* f,
                             int*) {
        proposed = start;
        filter = f;
        return answer;
    };
    r->FormatGroup()->button(2)->click();
    ASSERT_TRUE(r->SaveReport());
    EXPECT_EQ(filter, TAssignmentReportForm::kReportFilter);
    EXPECT_EQ(proposed, (test::ModelResultsDir() / "01A" / "ENERGY_EXA01A").string());
    EXPECT_EQ(ReadAll(answer).rfind("<html>", 0), 0u);
    answer = dir / "out/report";
    ASSERT_TRUE(r->SaveReport());
    const std::string csv = ReadAll(dir / "out/report.csv");
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "Id,Orig,Dest,LinkName,Type,Dist,LinkCap,Dem/Cap,StVeh,TotVeh,ServLev");

    // A width that is no number: the conversion error, nothing written, the window stays.
    r->ClassWidthEdit()->setText("abc");
    answer = dir / "out/never.csv";
    EXPECT_FALSE(r->SaveReport());
    ASSERT_FALSE(handler.errors.empty());
    EXPECT_EQ(handler.errors.back(), "'abc' is not a valid floating point value");
    EXPECT_FALSE(fs::exists(answer));
    // A report that cannot be written.
    std::ofstream(dir / "plain") << "x";
    r->ClassWidthEdit()->setText("7.5");
    EXPECT_FALSE(r->SaveReportTo(dir / "plain/r.csv"));
    EXPECT_EQ(handler.errors.back(), "Cannot write to file \"" + (dir / "plain/r.csv") + "\".");
    EXPECT_TRUE(r->isVisible());

    // Settings written and read back into a fresh window restore what was chosen.
    r->FormatGroup()->button(3)->click();
    answer = dir / "settings.xml";
    r->SaveSettings();
    EXPECT_EQ(filter, TAssignmentReportForm::kSettingsSaveFilter);
    EXPECT_EQ(proposed, (test::ModelResultsDir() / "01A" / "Assignment Report.xml").string());
    const modelio::TLinkSelector saved = r->Selector();
    r->close();
    Dialogs().openFiles = [&](QWidget*, const std::string&, const std::string&, const char*, bool) {
        return std::vector<std::string>{dir / "settings.xml"};
    };
    main->Run("ReportLoadSettings");
    TAssignmentReportForm* again = form->ReportForm();
    ASSERT_NE(again, nullptr);
    ASSERT_NE(again, r);
    EXPECT_EQ(again->Selector().FormatKind(), 3);
    EXPECT_EQ(again->FormatGroup()->checkedId(), 3);
    EXPECT_EQ(again->ClassWidthEdit()->text(), "7.50");
    EXPECT_EQ(again->Selector().ExcludedOperators(), saved.ExcludedOperators());
    EXPECT_EQ(again->Selector().ExcludedLinkTypes(), saved.ExcludedLinkTypes());

    // A settings file without "format" keeps the format; one that is no XML changes nothing.
    std::ofstream(dir / "noformat.xml")
        << "<?xml version=\"1.0\"?><reportSettings><speedBreak value=\"2\"/></reportSettings>";
    again->FormatGroup()->button(1)->click();
    ASSERT_TRUE(again->LoadSettingsFile(dir / "noformat.xml"));
    EXPECT_EQ(again->FormatGroup()->checkedId(), 1);
    EXPECT_EQ(again->ClassWidthEdit()->text(), "2.00");
    EXPECT_TRUE(again->Selector().ExcludedOperators().empty());
    const std::size_t errors = handler.errors.size();
    std::ofstream(dir / "broken.xml") << "<reportSettings><format value=";
    EXPECT_FALSE(again->LoadSettingsFile(dir / "broken.xml"));
    EXPECT_EQ(handler.errors.size(), errors + 1);
    EXPECT_EQ(again->ClassWidthEdit()->text(), "2.00");

    // The filter splitter's position is kept with the project.
    again->show();
    again->FilterSplitter()->setSizes({123, 300});
    const int pos = again->FilterSplitter()->sizes().value(0);
    again->close();
    EXPECT_EQ(
        form->Settings().ReadInteger(TAssignmentReportForm::kSection, "FilterSplitterPos", -1),
        pos);
}

} // namespace
} // namespace zep::shell
