// Documents without windows: the opening rules, the modified rule, saving and its failures,
// closing, view captions, and link geometries across a save.
#include <fstream>
#include <random>

#include "ShellTestSupport.h"
#include "files/PrjFile.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "shell/Document.h"
#include "shell/EditCommands.h"

namespace zep::shell {
namespace {

using test::TScriptedHandler;
using test::TTempDir;

std::string Bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class TFakeView : public TDocumentView {
public:
    std::string caption;
    int refreshes = 0;
    void SetCaption(const std::string& c) override { caption = c; }
    void RefreshView() override { ++refreshes; }
};

TEST(OpenName, ExtensionRules) {
    TTempDir dir;
    const std::string base = dir / "study";
    // Nothing there: the directory exists, so the old form's name is tried.
    EXPECT_EQ(ResolveOpenName(base), base + ".zep");
    std::ofstream(base + ".zep") << "x";
    EXPECT_EQ(ResolveOpenName(base), base + ".zep");
    std::ofstream(base + ".zpz") << "x";
    EXPECT_EQ(ResolveOpenName(base), base + ".zpz");
    EXPECT_EQ(ResolveOpenName(base + ".xml"), base + ".xml");
    EXPECT_EQ(ResolveOpenName(dir / "missing-dir/study"), dir / "missing-dir/study.zpz");
}

TEST(Document, NewDocumentAndNameRule) {
    TDocument doc;
    EXPECT_EQ(doc.FileName(), "<new>.ZEP");
    EXPECT_FALSE(doc.Named());
    EXPECT_EQ(doc.Project().GetName(), "NEW");
    EXPECT_EQ(doc.Project().GetString(model::kPropDescription), "A New Project");
    EXPECT_FALSE(doc.Modified());
    doc.SetFileName("/tmp/abc");
    EXPECT_EQ(doc.FileName(), "/tmp/abc.zpz");
}

TEST(Document, DamagedAndForeignFilesGiveTheMessageAndNoStudy) {
    TTempDir dir;
    TScriptedHandler h;
    ScopedMessageHandler scope(h);
    const std::string damaged = dir / "damaged.zpz";
    test::WriteSample(damaged);
    std::string bytes = Bytes(damaged);
    bytes.resize(bytes.size() / 2);
    std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;
    const std::string foreign = dir / "foreign.zep";
    std::ofstream(foreign, std::ios::binary) << "%PDF-1.4 not a study at all";
    for (const std::string& f : {damaged, foreign}) {
        h.errors.clear();
        TDocument doc;
        EXPECT_FALSE(doc.Open(f));
        ASSERT_EQ(h.errors.size(), 1u) << f;
        const std::string suffix = " in File:\n" + f;
        EXPECT_GT(h.errors[0].size(), suffix.size());
        EXPECT_EQ(h.errors[0].substr(h.errors[0].size() - suffix.size()), suffix);
        EXPECT_EQ(doc.Project().Nodes().Count(), 0u);
        EXPECT_FALSE(doc.Named());
    }
}

TEST(Document, ModifiedAfterCommandNotAfterSaveAndCloseAnswers) {
    TTempDir dir;
    TScriptedHandler h;
    ScopedMessageHandler scope(h);
    const std::string file = dir / "s.zpz";
    test::WriteSample(file);
    TDocument doc;
    ASSERT_TRUE(doc.Open(file));
    EXPECT_FALSE(doc.Modified());
    const std::size_t nodes = doc.Project().Nodes().Count();
    ASSERT_TRUE(RemoveNetworkCommand(doc.Project(), doc.CommandStack(), nullptr));
    EXPECT_EQ(UndoCaption(doc.CommandStack()), "Undo Remove Network");
    EXPECT_TRUE(doc.Modified());

    h.answers = {mrCancel};
    EXPECT_FALSE(doc.CanClose());
    EXPECT_TRUE(doc.Modified());
    ASSERT_EQ(h.questions.size(), 1u);
    EXPECT_EQ(h.questions[0], "Save changes to s.zpz?");
    h.answers = {mrNo};
    EXPECT_TRUE(doc.CanClose());
    EXPECT_TRUE(doc.Modified());

    h.answers = {mrYes};
    EXPECT_TRUE(doc.CanClose());
    EXPECT_FALSE(doc.Modified());
    EXPECT_TRUE(h.errors.empty());
    auto reread = files::OpenProject(file);
    EXPECT_EQ(reread->Nodes().Count(), 0u);
    EXPECT_GT(nodes, 0u);

    // A study opened from the model's output is never modified.
    ASSERT_TRUE(RemoveNetworkCommand(doc.Project(), doc.CommandStack(), nullptr) || true);
    doc.Project().SetReadOnly(true);
    EXPECT_FALSE(doc.Modified());
}

TEST(Document, FailingSaveKeepsFileAndHistory) {
    TTempDir dir;
    TScriptedHandler h;
    ScopedMessageHandler scope(h);
    const std::string file = dir / "s.zpz";
    test::WriteSample(file);
    const std::string before = Bytes(file);
    TDocument doc;
    ASSERT_TRUE(doc.Open(file));
    ASSERT_TRUE(RemoveNetworkCommand(doc.Project(), doc.CommandStack(), nullptr));
    // The old file has to go to backups/ first; a plain file of that name stops the save.
    std::ofstream(dir / "backups") << "in the way";
    EXPECT_FALSE(doc.Save());
    ASSERT_EQ(h.errors.size(), 1u);
    EXPECT_EQ(h.errors[0].rfind("Error ", 0), 0u) << h.errors[0];
    const std::string tail = " Writing File:\n" + file;
    EXPECT_EQ(h.errors[0].substr(h.errors[0].size() - tail.size()), tail);
    EXPECT_EQ(Bytes(file), before);
    EXPECT_TRUE(doc.Modified());
    ASSERT_NE(doc.CommandStack().TopCommand(), nullptr);
    EXPECT_EQ(doc.CommandStack().TopCommand()->Name(), "Remove Network");
    // The history still undoes.
    doc.CommandStack().UndoTop();
    EXPECT_GT(doc.Project().Nodes().Count(), 0u);
}

TEST(Document, SaveAsCancelAndUnnamedSave) {
    TTempDir dir;
    TScriptedHandler h;
    ScopedMessageHandler scope(h);
    TDocument doc;
    std::vector<std::pair<std::string, std::string>> asked;
    std::string answer;
    doc.saveAsDialog = [&](const std::string& d, const std::string& b) {
        asked.emplace_back(d, b);
        return answer;
    };
    EXPECT_FALSE(doc.Save()); // unnamed: Save As, cancelled
    EXPECT_FALSE(doc.Named());
    answer = dir / "named";
    EXPECT_TRUE(doc.Save());
    EXPECT_EQ(doc.FileName(), dir / "named.zpz");
    EXPECT_TRUE(std::filesystem::exists(dir / "named.zpz"));
    answer = "";
    EXPECT_FALSE(doc.SaveAs());
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0], (std::pair<std::string, std::string>{"", ""}));
    EXPECT_EQ(asked[2], (std::pair<std::string, std::string>{dir.Path().string(), "named"}));
}

TEST(Document, GeometryFileAndPolylinesAcrossSave) {
    TTempDir dir;
    TScriptedHandler h;
    ScopedMessageHandler scope(h);
    const std::string file = dir / "s.zpz";
    model::TLink* link = nullptr;
    std::int32_t tail = 0, head = 0;
    {
        TDocument doc;
        doc.saveAsDialog = [&](const std::string&, const std::string&) { return file; };
        model::BuildSampleStudy(doc.Project());
        model::TLinkList& links = doc.Project().Links();
        for (std::size_t i = 0; i < links.Count() && !link; ++i)
            if (doc.Project().ReverseLink(links.Get(i))) link = links.Get(i);
        ASSERT_NE(link, nullptr);
        tail = link->Tail()->Id();
        head = link->Head()->Id();
        link->Polyline().SetPoints({{1.5, 2.5, 0}, {3.5, 4.5, 0}});
        ASSERT_TRUE(doc.Save());
    }
    TDocument again;
    ASSERT_TRUE(again.Open(file));
    model::TProject& p = again.Project();
    model::TLink* l = p.FindLink(p.FindNode(tail), p.FindNode(head));
    ASSERT_NE(l, nullptr);
    const auto points = l->Polyline().Points();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_DOUBLE_EQ(points[0].x, 1.5);
    EXPECT_DOUBLE_EQ(points[1].y, 4.5);
    // The reverse link takes the course backwards.
    model::TLink* r = p.FindLink(p.FindNode(head), p.FindNode(tail));
    ASSERT_NE(r, nullptr);
    const auto back = r->Polyline().Points();
    ASSERT_EQ(back.size(), 2u);
    EXPECT_DOUBLE_EQ(back[0].x, 3.5);
    EXPECT_TRUE(h.errors.empty());
}

TEST(Document, UnreadableGeometryFileIsReportedAndLoadingGoesOn) {
    TTempDir dir;
    TScriptedHandler h;
    ScopedMessageHandler scope(h);
    const std::string file = dir / "s.zpz";
    test::WriteSample(file);
    std::ofstream(dir / "s.ply") << "1, 2, 3@x@y@z, garbage\r\n";
    TDocument doc;
    ASSERT_TRUE(doc.Open(file));
    EXPECT_GT(doc.Project().Nodes().Count(), 0u);
    ASSERT_EQ(h.errors.size(), 1u);
    EXPECT_EQ(h.errors[0], "Polylines cound not be loaded");
}

// Random document life: commands, undo, saves and views, checked against a plain model of what
// the modified flag and the captions must be.
TEST(Document, RandomLifeAgainstReference) {
    TTempDir dir;
    TScriptedHandler h;
    ScopedMessageHandler scope(h);
    const std::string file = dir / "life.zpz";
    test::WriteSample(file);
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        TDocument doc;
        ASSERT_TRUE(doc.Open(file));
        std::vector<std::unique_ptr<TFakeView>> views;
        std::size_t commands = 0;
        model::TScenario* base = doc.Project().BaseScenario();
        for (int step = 0; step < 40; ++step) {
            switch (rng() % 5) {
            case 0: { // a command that changes the study
                const bool changed = RemoveNetworkCommand(doc.Project(), doc.CommandStack(), base);
                if (changed) ++commands;
                break;
            }
            case 1:
                if (doc.CommandStack().TopCommand()) {
                    doc.CommandStack().UndoTop();
                    --commands;
                }
                break;
            case 2:
                ASSERT_TRUE(doc.Save());
                commands = 0;
                break;
            case 3:
                views.push_back(std::make_unique<TFakeView>());
                doc.AddView(views.back().get());
                break;
            case 4:
                if (!views.empty()) {
                    const std::size_t i = rng() % views.size();
                    EXPECT_EQ(doc.RemoveView(views[i].get()), views.size() == 1);
                    views.erase(views.begin() + std::ptrdiff_t(i));
                }
                break;
            }
            ASSERT_EQ(doc.Modified(), commands > 0) << "seed " << seed << " step " << step;
            for (std::size_t i = 0; i < views.size(); ++i)
                ASSERT_EQ(views[i]->caption, "life.zpz:" + std::to_string(i + 1));
        }
        while (!views.empty()) {
            doc.RemoveView(views.back().get());
            views.pop_back();
        }
    }
    EXPECT_TRUE(h.errors.empty());
}

} // namespace
} // namespace zep::shell
