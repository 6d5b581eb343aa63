// The project menu of the network window: generation commands with their scenario dialogs and
// failures, network export and import, the XML export's compressed entry, and validation
// locating the entity; and each painter tab of the window painted as its reference image.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "AssignmentFile.h"
#include "ModelResults.h"
#include "ModelResultsSupport.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Value.h"
#include "modelio/LinkGeometry.h"
#include "shell/Commands.h"
#include "shell/Dialogs.h"
#include "shell/EditCommands.h"
#include "shell/MainWindow.h"
#include "shell/MapRender.h"
#include "shell/NetForm.h"
#include "shell/ValidateForm.h"
#include "view/Painter.h"

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

struct TProjectFixture : ::testing::Test {
    TTempDir dir;
    TScriptedHandler handler;
    std::unique_ptr<ScopedMessageHandler> scope;
    std::unique_ptr<TMainForm> main;
    TNetForm* form = nullptr;
    std::vector<std::string> captions; // of the scenario dialogs asked
    const char* answer = "01A";        // the scenario chosen; nullptr: cancel

    void SetUp() override {
        {
            // With the links' courses, as the map tests draw the sample.
            model::TProject p;
            model::BuildSampleStudy(p);
            files::SaveProject(dir / "EXA.zpz", p);
            modelio::SaveLinkGeometries(p, dir / "EXA.zpz");
        }
        main = std::make_unique<TMainForm>(dir / "zep.ini");
        main->show();
        scope = std::make_unique<ScopedMessageHandler>(handler);
        form = main->OpenFile(dir / "EXA.zpz");
        ASSERT_NE(form, nullptr);
        Dialogs().chooseScenario = [this](QWidget*, const std::string& caption,
                                          const model::TProject& p, const model::TScenario*) {
            captions.push_back(caption);
            return answer ? p.Scenarios().FindScenario(answer) : nullptr;
        };
    }
    void TearDown() override {
        ResetDialogs();
        main.reset();
        scope.reset();
    }
    model::TProject& P() { return form->Document()->Project(); }
};

TEST_F(TProjectFixture, MenusHoldEveryGenerationCommandInTheirPlaces) {
    QMenu* project = nullptr;
    for (QAction* a : main->menuBar()->actions())
        if (a->text() == "&Project") project = a->menu();
    ASSERT_NE(project, nullptr);
    QStringList top;
    QMenu* single = nullptr;
    for (QAction* a : project->actions()) {
        top << a->text();
        if (a->menu()) single = a->menu();
    }
    EXPECT_EQ(top, (QStringList{"&Validate...", "&Generate Input Files",
                                "Generate Sing&le Scenario...", "Generate Single &File", "&Run...",
                                "&Export Network...", "&Import Network...", "Export to &XML..."}));
    ASSERT_NE(single, nullptr);
    QStringList files;
    for (QAction* a : single->actions())
        files << a->text();
    EXPECT_EQ(files, (QStringList{"CTL &Scenario Definitions", "Z1E &Zone Definitions",
                                  "P0E &Transport Parameters...", "P1E &Network...",
                                  "T1E &Assignment Parameters...", "F1E &Flow Definitions...",
                                  "L1E Economic &Sector Definitions...", "L0E &Base Year Activity",
                                  "L2E Activity &Increments...",
                                  "L3E Activity Increments and &Decrements...", "BAT &Job File...",
                                  "&Makefile", "&Empty .DAT Files", "MI&F Route File..."}));
    EXPECT_EQ(main->Action("ProjectExportXml")->shortcut(), QKeySequence("Ctrl+Alt+X"));

    // The help page lists every command of the table with its keys.
    const std::string page = ReadAll(std::string(ZEP_SOURCE_DIR) + "/docs/help/commands.html");
    for (const TCommandDef& c : CommandTable()) {
        std::string caption;
        for (const char* p = c.caption; *p; ++p)
            if (*p != '&') caption += *p;
        EXPECT_NE(page.find("<td>" + caption + "</td><td>" + c.keys + "</td>"), std::string::npos)
            << caption;
    }
}

TEST_F(TProjectFixture, GenerationAsksTheScenarioAndShowsFailures) {
    // Without a scenario dialog.
    EXPECT_TRUE(main->Run("GenerateCTL"));
    EXPECT_TRUE(fs::exists(dir.Path() / "W_VARDEN.CTL"));
    EXPECT_TRUE(captions.empty());
    // Cancelled: nothing written.
    answer = nullptr;
    main->Run("GenerateP0E");
    EXPECT_EQ(captions, std::vector<std::string>{"Select Scenario"});
    EXPECT_FALSE(fs::exists(dir.Path() / "01A" / "W_EXA01A.P0E"));
    answer = "01A";
    main->Run("GenerateP0E");
    EXPECT_TRUE(fs::exists(dir.Path() / "01A" / "W_EXA01A.P0E"));
    EXPECT_TRUE(fs::exists(dir.Path() / "W_EXA.KIV")) << "the snapshot follows P0E";
    main->Run("ProjectGenerateSingle");
    EXPECT_EQ(captions.back(), "Generate Single Scenario");
    EXPECT_TRUE(fs::exists(dir.Path() / "EXA01A.BAT"));
    EXPECT_TRUE(handler.errors.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A scenario directory that cannot be made: the failure is shown, the cursor restored,
    // and the window goes on.
    answer = "02A";
    std::ofstream(dir / "02A") << "in the way";
    main->Run("ProjectGenerateSingle");
    ASSERT_EQ(handler.errors.size(), 1u);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(main->Run("GenerateMakefile"));
    EXPECT_TRUE(fs::exists(dir.Path() / "Makefile"));
    main->Run("ProjectGenerate");
    EXPECT_EQ(handler.errors.size(), 2u);
    EXPECT_TRUE(fs::exists(dir.Path() / "00A" / "W_EXA00A.P1E")) << "files before the failure stay";
}

TEST_F(TProjectFixture, ExportImportAndXml) {
    answer = "00A";
    main->Run("ProjectExportNetwork");
    EXPECT_EQ(captions.back(), "Select Scenario to Export");
    const fs::path links = dir.Path() / "EXA-00A.links";
    ASSERT_TRUE(fs::exists(links));
    ASSERT_TRUE(fs::exists(dir.Path() / "EXA-00A.nodes"));

    // A new node through an import into 01A, undone as one command.
    std::ofstream(dir / "extra.nodes")
        << "Id,X,Y,Zone,name,description\n9999,1.5,2.5,0,\"new\",\"\"\n";
    std::vector<std::string> asked;
    Dialogs().openFiles = [&](QWidget*, const std::string&, const std::string&, const char* filter,
                              bool) {
        asked.push_back(filter);
        return std::vector<std::string>{dir / "extra.nodes"};
    };
    answer = "01A";
    const std::size_t nodes = P().Nodes().Count();
    main->Run("ProjectImportNetwork");
    EXPECT_EQ(captions.back(), "Select Scenario to Import to");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].rfind("All Network Files|*.nodes;*.links;*.routes;*.opers;*.turns|", 0), 0u);
    EXPECT_EQ(P().Nodes().Count(), nodes + 1);
    EXPECT_EQ(main->Action("EditUndo")->text(), "Undo Import Network");
    EXPECT_TRUE(form->Document()->Modified());
    main->Run("EditUndo");
    EXPECT_EQ(P().Nodes().Count(), nodes);
    // A file of no exchange kind is refused with the reason; nothing changed.
    std::ofstream(dir / "what.txt") << "1,2\n";
    Dialogs().openFiles = [&](QWidget*, const std::string&, const std::string&, const char*, bool) {
        return std::vector<std::string>{dir / "what.txt"};
    };
    main->Run("ProjectImportNetwork");
    ASSERT_EQ(handler.errors.size(), 1u);
    EXPECT_NE(handler.errors[0].find("what.txt"), std::string::npos) << handler.errors[0];
    EXPECT_EQ(P().Nodes().Count(), nodes);

    // XML: the second filter entry compresses.
    std::string start;
    int entry = 0;
    Dialogs().saveFile = [&](QWidget*, const std::string&, const std::string& s, const char* filter,
                             int* index) {
        start = s;
        EXPECT_STREQ(filter,
                     "XML files (*.xml)|*.xml|Compressed XML (*.xmlz)|*.xmlz|All Files (*.*)|*.*");
        *index = entry;
        return dir / (entry == 1 ? "packed" : "plain.xml");
    };
    main->Run("ProjectExportXml");
    EXPECT_EQ(start, dir / "EXA");
    EXPECT_EQ(ReadAll(dir / "plain.xml").rfind("<model", 0), 0u);
    entry = 1;
    main->Run("ProjectExportXml");
    const std::string packed = ReadAll(dir / "packed.xmlz");
    ASSERT_GT(packed.size(), 2u);
    EXPECT_EQ(packed.substr(0, 2), "\x1f\x8b");
    EXPECT_EQ(handler.errors.size(), 1u);
}

TEST_F(TProjectFixture, ValidateListsTheFindingsAndLocatesThem) {
    // A capacity below zero in 01A and a category without modes.
    model::TLink* bad = P().Links().Get(3);
    bad->SetValueIn(P().Scenarios().FindScenario("01A"), model::TLink::kCapacity,
                    model::TValue(-1.0));
    P().NewCategory();
    main->Run("ProjectValidate");
    TValidateForm* v = form->ValidateForm();
    ASSERT_NE(v, nullptr);
    ASSERT_GT(v->List()->topLevelItemCount(), 0) << "the sample carries deliberate findings";
    ASSERT_EQ(v->List()->topLevelItemCount(), int(v->Findings().size()));
    bool located = false;
    for (int row = 0; row < v->List()->topLevelItemCount(); ++row) {
        const TValidationFinding& f = v->Findings()[std::size_t(row)];
        EXPECT_EQ(v->List()->topLevelItem(row)->text(2).toStdString(), f.message);
        EXPECT_FALSE(f.message.empty());
        v->Locate(row);
        if (auto* n = dynamic_cast<model::TNode*>(f.entity)) {
            EXPECT_EQ(form->SelectedNode(), n);
            located = true;
        } else if (auto* l = dynamic_cast<model::TLink*>(f.entity)) {
            EXPECT_EQ(form->SelectedLink(), l);
            located = true;
        }
        if (f.scenario) {
            EXPECT_EQ(form->Scenario(), f.scenario);
        }
    }
    EXPECT_TRUE(located) << "some finding lies on the map";
    v->Locate(int(std::find_if(v->Findings().begin(), v->Findings().end(),
                               [bad](const TValidationFinding& f) { return f.entity == bad; }) -
                  v->Findings().begin()));
    EXPECT_EQ(form->SelectedLink(), bad);
    EXPECT_EQ(form->Scenario()->GetName(), "01A");
    // A change to the study closes the list: its entries may be gone.
    form->SelectNode(P().Nodes().Get(0));
    main->Run("EditDelete");
    QCoreApplication::processEvents();
    EXPECT_EQ(form->ValidateForm(), nullptr);
}

/// Pixels that differ by more than smoothing would make them differ (as the map tests count).
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

/// Every tab of the window, painted with the window's own painter and scene at the reference
/// images' size and view, against the images of the map tests.
void CompareTabs(TNetForm& form, const std::string& prefix, const char* scenario,
                 int expectedRefs) {
    const fs::path refs = fs::path(ZEP_SOURCE_DIR) / "tests/data/view";
    model::TScenario* shown = form.Document()->Project().Scenarios().FindScenario(scenario);
    int compared = 0;
    for (int i = 0; i < form.Tabs()->count(); ++i) {
        form.SelectPainter(i);
        const fs::path file =
            refs /
            (prefix + "_" + std::string(form.ActivePainter()->ClassName()).substr(1) + ".png");
        if (!fs::exists(file)) continue; // the Paths tab: its study has no reference
        view::TScaler& s = form.Options().Scaler();
        s.ViewAll({0, 0, 640, 480});
        s.MultiplyZoom(0.96);
        form.Refresh(); // the painters measure their bands at the new scale
        TMapScene scene = form.Scene();
        scene.scenario = shown;

        const QImage image = RenderMapImage(scene, QSize(640, 480));
        if (getenv("ZEP_DUMP"))
            image.save(QString::fromStdString("/tmp/w24/" + file.filename().string()));
        QImage reference;
        ASSERT_TRUE(reference.load(QString::fromStdString(file.string())));
        reference = reference.convertToFormat(image.format());
        ASSERT_EQ(reference.size(), image.size());
        EXPECT_LE(DifferingPixels(image, reference), 640 * 480 / 2000) << file;
        ++compared;
    }
    EXPECT_EQ(compared, expectedRefs);
}

TEST(ResultsTabs, EachTabOfTheAssignmentResultsPaintsAsItsReferenceImage) {
    // Scenario 01A's results as the map tests make them: the KELVA stand-in's file of the
    // sample built in memory, read as a model file.
    model::TProject study;
    model::BuildSampleStudy(study);
    const model::TScenario& s = *study.Scenarios().FindScenario("01A");
    const auto volumes = standin::AllOrNothingVolumes(study, s);
    const std::string bytes =
        standin::AssignmentFileBytes(study, s, [&](const model::TLinkRoute& lr) {
            auto it = volumes.find(&lr);
            return it == volumes.end() ? 0.0 : it->second;
        });
    TTempDir dir;
    fs::create_directories(dir.Path() / "01A");
    std::ofstream(dir / "01A/EXA01A.T3S", std::ios::binary) << bytes;
    TScriptedHandler handler;
    TMainForm main(dir / "zep.ini");
    ScopedMessageHandler scope(handler);
    TNetForm* form = main.OpenFile(dir / "01A/EXA01A.T3S");
    ASSERT_NE(form, nullptr);
    CompareTabs(*form, "EXA01A", "01A", 11);
}

TEST(WindowTabs, EachTabOfTheSamplePaintsAsItsReferenceImage) {
    // The sample as the map tests build it, in memory: a study read back from its file is
    // repaired on loading and draws its route bands a little differently.
    TScriptedHandler handler;
    ScopedMessageHandler scope(handler);
    TZEPDocument doc;
    model::BuildSampleStudy(doc.Project());
    auto form = std::make_unique<TNetForm>(doc);
    form->resize(800, 600);
    form->show();
    QCoreApplication::processEvents();
    CompareTabs(*form, "EXA", "02A", 4);
}

} // namespace
} // namespace zep::shell
