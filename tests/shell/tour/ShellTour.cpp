// A scripted walk through the whole model loop in the real window (run it under Xvfb): the
// sample study generated, every stage run through the stand-in programs, the assignment
// results opened, volumes and paths looked at, a report written. It saves a screenshot of the
// screen and of the window in front at each step into the directory it is given. Not a test:
// the screenshots are for looking at.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>

#include "files/PrjFile.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "modelio/LinkGeometry.h"
#include "shell/AssignmentReportForm.h"
#include "shell/ExecutionForm.h"
#include "shell/MainWindow.h"
#include "shell/NetForm.h"
#include "shell/PathPanel.h"
#include "view/PthPaint.h"

namespace fs = std::filesystem;
using namespace zep;
using namespace zep::shell;

namespace {

fs::path g_out;

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Save(const QPixmap& pixmap, const std::string& name) {
    pixmap.save(QString::fromStdString((g_out / (name + ".png")).string()));
}

void Shot(const std::string& name, QWidget* front) {
    Pump(300);
    Save(QApplication::primaryScreen()->grabWindow(0), name + "-screen");
    if (front) Save(front->window()->grab(), name);
    std::printf("shot %s\n", name.c_str());
}

void SelectTab(TNetForm* form, const QString& caption) {
    for (int i = 0; i < form->Tabs()->count(); ++i)
        if (form->Tabs()->tabText(i) == caption) form->Tabs()->setCurrentIndex(i);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: shell_tour OUTDIR MODELDIR\n");
        return 2;
    }
    g_out = argv[1];
    const std::string modelDir = std::string(argv[2]) + "/";
    const fs::path study = g_out / "study";
    fs::remove_all(study);
    fs::create_directories(study);
    {
        model::TProject p;
        model::BuildSampleStudy(p);
        files::SaveProject((study / "EXA.zpz").string(), p);
        modelio::SaveLinkGeometries(p, (study / "EXA.zpz").string());
    }
    TMainForm main((g_out / "zep.ini").string());
    main.resize(1380, 880);
    main.show();
    TNetForm* form = main.OpenFile((study / "EXA.zpz").string());
    if (!form) return 1;
    form->parentWidget()->showMaximized();
    Pump(500);
    main.Run("ProjectGenerate");
    Shot("01-generated", &main);

    // Every stage of 00A and 01A through the stand-ins.
    main.Run("ProjectRun");
    TProgramExecutionForm* exec = form->ExecutionForm();
    exec->Runner().programDirectory = modelDir;
    exec->move(200, 120);
    QTreeWidgetItem* base = exec->ScenarioTree()->topLevelItem(0);
    for (QTreeWidgetItem* item : {base, base->child(0)}) {
        exec->ScenarioTree()->setCurrentItem(item);
        exec->AddButton()->click();
    }
    Shot("02-tasks", exec);
    exec->RunButton()->click();
    QElapsedTimer t;
    t.start();
    bool during = false;
    while (exec->Running() && t.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!during && exec->Memo()->toPlainText().contains(QStringLiteral("KELVA"))) {
            Save(QApplication::primaryScreen()->grabWindow(0), "03-running-screen");
            Save(exec->grab(), "03-running");
            during = true;
        }
    }
    Shot("04-run-done", exec);
    exec->close();
    Pump(200);

    // The results of 01A: volumes, then paths.
    TNetForm* results = main.OpenFile((study / "01A" / "EXA01A.T3S").string());
    if (!results) return 1;
    results->parentWidget()->showMaximized();
    SelectTab(results, QStringLiteral("Volume"));
    Shot("05-volumes", &main);
    SelectTab(results, QStringLiteral("Paths"));
    if (view::TPathPainter* p = results->PathPainter()) {
        // From the corner zone on to a pair whose path crosses the study.
        p->PathFileSet().Select(0, 2, 0, 17);
        for (int i = 0; i < 600 && (!p->CurrentPath() || p->CurrentPath()->steps.size() < 12); ++i)
            main.Run("PathNext");
    }
    Shot("06-paths", &main);

    main.Run("ReportAssignment");
    TAssignmentReportForm* report = results->ReportForm();
    report->move(220, 140);
    report->FormatGroup()->button(1)->click();
    report->Pages()->setCurrentIndex(1);
    if (report->OperatorList()->count() > 0)
        report->OperatorList()->item(0)->setCheckState(Qt::Unchecked);
    Shot("07-report-filters", report);
    report->Pages()->setCurrentIndex(0);
    report->SaveReportTo((g_out / "report.csv").string());
    Shot("08-report-selection", report);
    return 0;
}
