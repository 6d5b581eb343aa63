// The execution window: its enabling rules, the task list under random additions and removals
// against the rules as a reference, batch files, and runs through real child processes (the
// stand-in model programs, failing and missing programs, a cancel that leaves no child).
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>
#include <csignal>
#include <fstream>
#include <random>
#include <set>
#include <sys/stat.h>

#include "ShellTestSupport.h"
#include "model/SCENARIO.h"
#include "model/SECTOR.h"
#include "shell/Dialogs.h"
#include "shell/Document.h"
#include "shell/ExecutionForm.h"
#include "view/ViewSettings.h"

namespace zep::shell {
namespace {

namespace fs = std::filesystem;
using test::TScriptedHandler;
using test::TTempDir;

struct TExecFixture : ::testing::Test {
    TTempDir dir;
    TScriptedHandler handler;
    std::unique_ptr<ScopedMessageHandler> scope;
    std::unique_ptr<TDocument> doc;

    void SetUp() override {
        scope = std::make_unique<ScopedMessageHandler>(handler);
        test::WriteSample(dir / "EXA.zpz");
        doc = std::make_unique<TZEPDocument>();
        ASSERT_TRUE(doc->Open(dir / "EXA.zpz"));
    }
    void TearDown() override {
        ResetDialogs();
        doc.reset();
        scope.reset();
    }
    model::TProject& P() { return doc->Project(); }
    model::TScenario* S(const char* name) { return P().Scenarios().FindScenario(name); }

    static void Choose(TProgramExecutionForm& f, const model::TScenario* s) {
        QTreeWidget* tree = f.ScenarioTree();
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if ((*it)->data(0, Qt::UserRole).value<void*>() == s) tree->setCurrentItem(*it);
        ASSERT_EQ(CurrentTreeScenario(*tree), s);
    }
    /// Pumps events until the run ended; false on time-out.
    static bool WaitForEnd(TProgramExecutionForm& f, int ms = 20000) {
        QElapsedTimer t;
        t.start();
        while (f.Running() && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !f.Running();
    }
    static std::vector<std::string> MemoLines(const TProgramExecutionForm& f) {
        std::vector<std::string> lines;
        for (const QString& l : f.Memo()->toPlainText().split(QLatin1Char('\n')))
            lines.push_back(l.toStdString());
        return lines;
    }
    /// An executable script `name` in `directory`.
    static void Script(const fs::path& directory, const std::string& name,
                       const std::string& body) {
        fs::create_directories(directory);
        const fs::path file = directory / name;
        std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
        ::chmod(file.c_str(), 0755);
    }
    static bool Usable(const TProgramExecutionForm& f) {
        return !f.Running() && f.RunButton()->isEnabled() && f.ProgramsPage()->isEnabled() &&
               f.CloseButton()->text() == "&Close";
    }
};

TEST_F(TExecFixture, EnablingRulesOfTheProgramsPage) {
    ASSERT_GT(P().Sectors().Count(), 0u);
    TProgramExecutionForm f(P(), nullptr);
    f.show();
    EXPECT_EQ(f.windowTitle(), "Execute Model Programs");
    for (const model::TScenario* s : {S("00A"), S("01A")}) {
        Choose(f, s);
        const bool base = s == P().BaseScenario();
        for (bool selected : {false, true}) {
            (selected ? f.SelectedPrograms() : f.AllPrograms())->setChecked(true);
            EXPECT_EQ(f.PathSearchBox()->isEnabled(), selected);
            EXPECT_EQ(f.LocationBox()->isEnabled(), selected);
            EXPECT_EQ(f.AssignmentBox()->isEnabled(), selected);
            EXPECT_EQ(f.InitialAssignmentBox()->isEnabled(), selected && base) << s->GetName();
            EXPECT_EQ(f.FixedBox()->isEnabled(), selected && base) << s->GetName();
        }
    }
    // The fixed transportables imply a location; no location, no fixed transportables.
    Choose(f, S("00A"));
    f.FixedBox()->click();
    EXPECT_TRUE(f.LocationBox()->isChecked());
    f.LocationBox()->click();
    EXPECT_FALSE(f.FixedBox()->isChecked());
    EXPECT_TRUE(f.InitialAssignmentBox()->isVisible());
    EXPECT_FALSE(f.CompressBox()->isVisible());
    // Nothing to run, remove or save in an empty list.
    EXPECT_FALSE(f.RunButton()->isEnabled());
    EXPECT_FALSE(f.SaveButton()->isEnabled());
    EXPECT_FALSE(f.RemoveButton()->isEnabled());

    // Without sectors the land-use stages are neither shown nor added.
    while (P().Sectors().Count() > 0)
        P().RemoveEntity(P().Sectors().Get(0));
    TProgramExecutionForm g(P(), nullptr);
    g.show();
    EXPECT_FALSE(g.InitialAssignmentBox()->isVisible());
    EXPECT_FALSE(g.LocationBox()->isVisible());
    EXPECT_FALSE(g.FixedBox()->isVisible());
    Choose(g, S("00A"));
    g.AddToBatch();
    ASSERT_EQ(g.TaskList()->topLevelItemCount(), 2);
    EXPECT_EQ(g.TaskList()->topLevelItem(0)->text(1), "Path Search");
    EXPECT_EQ(g.TaskList()->topLevelItem(1)->text(1), "Assignment");
}

// Random clicks, additions and removals; the list must always show the tasks the rules of the
// window give, in run order, with the buttons enabled as they say.
TEST_F(TExecFixture, TaskListFollowsTheRulesUnderRandomWork) {
    TProgramExecutionForm f(P(), nullptr);
    f.show();
    std::vector<model::TScenario*> scenarios;
    for (std::size_t i = 0; i < P().Scenarios().Count(); ++i)
        scenarios.push_back(P().Scenarios().Get(i));
    const auto depth = [](const model::TScenario* s) {
        int d = 0;
        for (; s->Parent(); s = s->Parent())
            ++d;
        return d;
    };
    const auto order = [&](const std::pair<model::TScenario*, int>& a,
                           const std::pair<model::TScenario*, int>& b) {
        return std::make_tuple(depth(a.first), a.first->GetName(), a.second) <
               std::make_tuple(depth(b.first), b.first->GetName(), b.second);
    };
    std::vector<std::pair<model::TScenario*, int>> expected;
    const char* names[] = {"Path Search", "Initial Assignment", "Location", "Fixed Location",
                           "Assignment"};
    // What the user has ticked, kept apart from the window: the boxes' couplings included.
    bool path = false, initial = false, location = false, fixed = false, assignment = false;
    std::mt19937 rng(24);
    for (int step = 0; step < 300; ++step) {
        model::TScenario* s = scenarios[rng() % scenarios.size()];
        const bool base = s == P().BaseScenario();
        switch (rng() % 6) {
        case 0:
            Choose(f, s);
            break;
        case 1:
            (rng() % 2 ? f.AllPrograms() : f.SelectedPrograms())->click();
            break;
        case 2: {
            QCheckBox* boxes[] = {f.PathSearchBox(), f.InitialAssignmentBox(), f.LocationBox(),
                                  f.FixedBox(), f.AssignmentBox()};
            QCheckBox* box = boxes[rng() % 5];
            if (!box->isEnabled()) break;
            box->click();
            if (box == f.PathSearchBox()) path = !path;
            if (box == f.AssignmentBox()) assignment = !assignment;
            if (box == f.InitialAssignmentBox()) initial = !initial;
            if (box == f.LocationBox()) {
                location = !location;
                if (!location) fixed = false;
            }
            if (box == f.FixedBox()) {
                fixed = !fixed;
                if (fixed) location = true;
            }
            break;
        }
        case 3:
        case 4: {
            model::TScenario* chosen = CurrentTreeScenario(*f.ScenarioTree());
            const bool chosenBase = chosen == P().BaseScenario();
            std::set<int> stages;
            if (f.AllPrograms()->isChecked()) {
                stages = {0, 1, 2, 4};
            } else {
                if (path) stages.insert(0);
                if (location) stages.insert(fixed ? 3 : 2);
                if (assignment) stages.insert(4);
                if (initial && chosenBase) stages.insert(1);
            }
            for (int stage : stages) {
                if (stage == 1 && chosen->Parent()) continue;
                const std::pair<model::TScenario*, int> task{chosen, stage};
                if (std::find(expected.begin(), expected.end(), task) == expected.end())
                    expected.push_back(task);
            }
            std::sort(expected.begin(), expected.end(), order);
            f.AddButton()->click();
            break;
        }
        case 5: {
            const int n = f.TaskList()->topLevelItemCount();
            if (n == 0) break;
            f.TaskList()->clearSelection();
            std::set<int> rows;
            for (int k = int(rng() % 3); k >= 0; --k)
                rows.insert(int(rng() % unsigned(n)));
            for (int r : rows)
                f.TaskList()->topLevelItem(r)->setSelected(true);
            EXPECT_TRUE(f.RemoveButton()->isEnabled());
            for (auto r = rows.rbegin(); r != rows.rend(); ++r)
                expected.erase(expected.begin() + *r);
            f.RemoveButton()->click();
            // The selection stays at the first removed row, or the last row left.
            const int keep = std::min(*rows.begin(), int(expected.size()) - 1);
            if (keep >= 0) {
                EXPECT_EQ(f.TaskList()->indexOfTopLevelItem(f.TaskList()->currentItem()), keep);
            }
            break;
        }
        }
        (void)base;
        ASSERT_EQ(f.TaskList()->topLevelItemCount(), int(expected.size())) << "step " << step;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const QTreeWidgetItem* item = f.TaskList()->topLevelItem(int(i));
            ASSERT_EQ(item->text(0).toStdString(), expected[i].first->GetName()) << step;
            ASSERT_EQ(item->text(1).toStdString(), names[expected[i].second]) << step;
        }
        ASSERT_EQ(f.RunButton()->isEnabled(), !expected.empty());
        ASSERT_EQ(f.SaveButton()->isEnabled(), !expected.empty());
        ASSERT_EQ(f.RemoveButton()->isEnabled(), !f.TaskList()->selectedItems().isEmpty());
    }
}

TEST_F(TExecFixture, BatchFilesRoundTripAndTheirFailures) {
    TProgramExecutionForm f(P(), nullptr);
    Choose(f, S("00A"));
    f.AddToBatch();
    Choose(f, S("01A"));
    f.SelectedPrograms()->setChecked(true);
    f.LocationBox()->setChecked(true);
    f.AddToBatch();
    const std::string tasks = f.Runner().TasksText();
    std::string asked;
    Dialogs().saveFile = [&](QWidget*, const std::string&, const std::string&, const char* filter,
                             int*) {
        asked = filter;
        return dir / "my.zepbat";
    };
    f.SaveBatch();
    EXPECT_EQ(asked, "VARDEN Batch (*.zepbat)|*.zepbat|All Files (*.*)|*.*");
    TProgramExecutionForm g(P(), nullptr);
    Dialogs().openFiles = [&](QWidget*, const std::string&, const std::string&, const char*, bool) {
        return std::vector<std::string>{dir / "my.zepbat"};
    };
    g.LoadBatch();
    EXPECT_EQ(g.Runner().TasksText(), tasks);
    EXPECT_EQ(g.TaskList()->topLevelItemCount(), int(f.Runner().TaskCount()));
    EXPECT_TRUE(handler.errors.empty());

    g.LoadBatchFile(dir / "gone.zepbat");
    ASSERT_EQ(handler.errors.size(), 1u);
    EXPECT_EQ(handler.errors[0],
              "File \"gone.zepbat\" does not exist in \"" + dir.Path().string() + "\".");
    EXPECT_EQ(g.Runner().TasksText(), tasks);

    // A faulty line stops the reading; the tasks before it are kept and shown.
    std::ofstream(dir / "bad.zepbat") << "\"PATHS\",\"00A\"\r\n\"FOO\",\"00A\"\r\n";
    g.LoadBatchFile(dir / "bad.zepbat");
    ASSERT_EQ(handler.errors.size(), 2u);
    EXPECT_EQ(handler.errors[1], "Unkon task: \"FOO\"");
    EXPECT_EQ(g.TaskList()->topLevelItemCount(), 1);
    std::ofstream(dir / "bad2.zepbat") << "\"PATHS\",\"09Z\"\r\n";
    g.LoadBatchFile(dir / "bad2.zepbat");
    ASSERT_EQ(handler.errors.size(), 3u);
    EXPECT_EQ(handler.errors[2], "Scenario <09Z> not found");
    EXPECT_EQ(g.TaskList()->topLevelItemCount(), 0);

    // The hidden compress flag is kept with the project when the window closes.
    view::TViewSettings settings(P().FileName());
    {
        TProgramExecutionForm h(P(), &settings);
        h.show();
        h.CompressBox()->setChecked(true);
        h.close();
    }
    EXPECT_TRUE(view::TViewSettings(P().FileName())
                    .ReadBool(TProgramExecutionForm::kSection, "CompressOutput", false));
}

TEST_F(TExecFixture, RunsTheStandInsAndShowsTheirOutput) {
    TProgramExecutionForm f(P(), nullptr);
    f.show();
    f.Runner().programDirectory = std::string(ZEP_BIN_DIR) + "/model/";
    Choose(f, S("00A"));
    f.AddToBatch();
    Choose(f, S("01A"));
    f.AddToBatch();
    std::string ended = "not yet";
    f.onRunEnded = [&](const std::string& failure) { ended = failure; };
    f.RunButton()->click();
    EXPECT_EQ(f.Pages()->currentIndex(), 1);
    EXPECT_TRUE(f.Running());
    EXPECT_FALSE(f.ProgramsPage()->isEnabled());
    EXPECT_EQ(f.CloseButton()->text(), "Cancel");
    ASSERT_TRUE(WaitForEnd(f));
    EXPECT_EQ(ended, "");
    EXPECT_TRUE(handler.errors.empty()) << handler.errors.front();
    EXPECT_TRUE(Usable(f));
    EXPECT_EQ(f.ProgressBar()->value(), f.ProgressBar()->maximum());
    EXPECT_TRUE(fs::exists(dir.Path() / "01A" / "EXA01A.T3S"));
    // Every command line stays in the memo, followed by what its program said.
    const std::vector<std::string> lines = MemoLines(f);
    const std::string gravo = f.Runner().programDirectory + "GRAVO.EXE 01A";
    const auto at = std::find(lines.begin(), lines.end(), gravo);
    ASSERT_NE(at, lines.end());
    ASSERT_NE(at + 1, lines.end());
    EXPECT_NE(at[1], "") << "the program's output follows its command line";
    // A counter rewriting its line leaves one line, not one per step.
    EXPECT_EQ(std::count_if(
                  lines.begin(), lines.end(),
                  [](const std::string& l) { return l.find("GRAVO 1 of") != std::string::npos; }),
              0);
    // The task set survives the run.
    EXPECT_EQ(f.TaskList()->topLevelItemCount(), int(f.Runner().TaskCount()));
}

TEST_F(TExecFixture, FailingMissingAndChattyProgramsLeaveTheWindowUsable) {
    const fs::path bin = dir.Path() / "bin";
    TProgramExecutionForm f(P(), nullptr);
    f.show();
    f.Runner().programDirectory = bin.string() + "/";
    f.SelectedPrograms()->setChecked(true);
    f.PathSearchBox()->setChecked(true);
    Choose(f, S("00A"));
    f.AddToBatch();

    // No program there at all.
    f.Run();
    ASSERT_TRUE(WaitForEnd(f));
    ASSERT_EQ(handler.errors.size(), 1u);
    EXPECT_EQ(handler.errors[0].rfind("CreateProcess:", 0), 0u) << handler.errors[0];
    EXPECT_TRUE(Usable(f));

    // A program that fails.
    Script(bin, "gravo", "echo trying\nexit 1");
    f.Run();
    ASSERT_TRUE(WaitForEnd(f));
    ASSERT_EQ(handler.errors.size(), 2u);
    EXPECT_EQ(handler.errors[1], "FAILED: " + bin.string() + "/GRAVO.EXE 00A ");
    EXPECT_TRUE(Usable(f));
    EXPECT_NE(f.Memo()->toPlainText().indexOf("trying"), -1);

    // A counter ended by bare carriage returns overwrites one line of the memo.
    Script(bin, "gravo", "printf '  1 of 3\\r  2 of 3\\r  3 of 3\\r\\ndone  \\n'");
    f.Run();
    ASSERT_TRUE(WaitForEnd(f));
    EXPECT_EQ(handler.errors.size(), 2u);
    EXPECT_EQ(MemoLines(f),
              (std::vector<std::string>{bin.string() + "/GRAVO.EXE 00A", "  3 of 3", "done", ""}));
}

bool Alive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

pid_t ReadPid(const fs::path& file) {
    pid_t pid = 0;
    std::ifstream(file) >> pid;
    return pid;
}

TEST_F(TExecFixture, CancelEndsTheRunningProgramAndLeavesNoChild) {
    const fs::path bin = dir.Path() / "bin";
    const fs::path pidFile = dir.Path() / "pid";
    // Silent while it sleeps: the cancel must not wait for a line of output.
    Script(bin, "gravo", "echo $$ > '" + pidFile.string() + "'\necho started\nexec sleep 30");
    auto f = std::make_unique<TProgramExecutionForm>(P(), nullptr);
    f->show();
    f->Runner().programDirectory = bin.string() + "/";
    f->Runner().terminateGrace = std::chrono::milliseconds(300);
    f->SelectedPrograms()->setChecked(true);
    f->PathSearchBox()->setChecked(true);
    Choose(*f, S("00A"));
    f->AddToBatch();
    f->Run();
    QElapsedTimer t;
    t.start();
    while ((f->Memo()->toPlainText().indexOf("started") < 0 || ReadPid(pidFile) <= 0) &&
           t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const pid_t pid = ReadPid(pidFile);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(Alive(pid));
    t.restart();
    f->CloseButton()->click(); // "Cancel"
    EXPECT_TRUE(f->isVisible()) << "cancel does not close the window";
    ASSERT_TRUE(WaitForEnd(*f, 5000));
    EXPECT_LT(t.elapsed(), 4000) << "the cancel does not wait for the program's end";
    EXPECT_FALSE(Alive(pid));
    EXPECT_TRUE(handler.errors.empty()) << "a cancel is silent";
    EXPECT_TRUE(Usable(*f));

    // Closing the window during a run ends the program as well.
    fs::remove(pidFile);
    f->Run();
    t.restart();
    // The file appears before the number is in it.
    while (ReadPid(pidFile) <= 0 && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const pid_t second = ReadPid(pidFile);
    ASSERT_GT(second, 0);
    f.reset();
    EXPECT_FALSE(Alive(second));
}

} // namespace
} // namespace zep::shell
