// The study text: what it shows of a small study, line by line; that it depends on the study
// and not on the order in which lists and versions happen to hold it; and that random edits
// show in it and their undo gives the text back exactly.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "RandomEditor.h"
#include "model/SampleStudy.h"
#include "model/StudyText.h"
#include "undo/CMDStk_.h"

namespace zep::model {
namespace {

/// A small study made in the order given, with the same content either way.
void SmallStudy(TProject& p, bool reversed) {
    TScenario* base = p.BaseScenario();
    TScenario* child = p.NewScenario(base);
    child->SetName("01A");
    TMode* car = p.NewMode(3);
    car->SetName("car");
    TNode* a = nullptr;
    TNode* b = nullptr;
    if (reversed) {
        b = p.NewNode(12);
        a = p.NewNode(2);
    } else {
        a = p.NewNode(2);
        b = p.NewNode(12);
    }
    a->SetName("Caf\xE9 \"Nord\"");
    a->SetFloat(TNode::kX, 0.1);
    a->SetProperty(TNode::kY, TValue::Single(565.6854f));
    b->SetProperty(TNode::kX, TValue(std::int32_t(2)));
    b->SetFloat(TNode::kY, 1.0 / 3.0);
    TLink* link = p.LinkBetween(a, b);
    link->SetId(7);
    auto speed = [&] { link->SetValueIn(child, TLink::kSpeed, TValue(80.0)); };
    auto length = [&] {
        link->SetValueIn(base, TLink::kLength, TValue(std::numeric_limits<double>::infinity()));
    };
    if (reversed) {
        speed();
        length();
    } else {
        length();
        speed();
    }
    link->SetValueIn(base, TLink::kSpeed, TValue(50.0));
    // Equal to what the parent gives: no file keeps it, and neither does the text.
    link->SetValueIn(child, TLink::kLength, TValue(std::numeric_limits<double>::infinity()));
}

TEST(StudyText, ShowsEveryValueOnceAndInFull) {
    TProject p;
    SmallStudy(p, false);
    const std::string text = StudyText(p);
    const std::string expected = "study\n"
                                 "  zone_internal_cost_factor = 0\n"
                                 "  zone_internal_cost_factor2 = 0\n"
                                 "  loc_convergence = 1e-06\n"
                                 "  trans_convergence = 1e-06\n"
                                 "  coordinate_system = 1\n"
                                 "scenario 00A\n"
                                 "  name = \"00A\"\n"
                                 "  description = \"Base Scenario\"\n"
                                 "scenario 01A\n"
                                 "  parent = 00A\n"
                                 "  name = \"01A\"\n"
                                 "node_type id_0\n"
                                 "  name = \"Centroid\"\n"
                                 "mode m_3\n"
                                 "  name = \"car\"\n"
                                 "node n_2\n"
                                 "  name = \"Caf\xC3\xA9 \\\"Nord\\\"\"\n"
                                 "  x = 0.1\n"
                                 "  y = 565.6854\n"
                                 "node n_12\n"
                                 "  x = 2\n"
                                 "  y = 0.3333333333333333\n";
    ASSERT_EQ(text.substr(0, expected.size()), expected) << text;
    EXPECT_NE(text.find("link l_2-12\n"
                        "  id = 7\n"
                        "  [00A] length = INF\n"
                        "  [00A] speed = 50\n"
                        "  [01A] speed = 80\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("[01A] length"), std::string::npos);
}

TEST(StudyText, OrderOfMakingDoesNotShow) {
    TProject one, other;
    SmallStudy(one, false);
    SmallStudy(other, true);
    EXPECT_EQ(StudyText(one), StudyText(other));
}

TEST(StudyText, ValueTexts) {
    EXPECT_EQ(RealText(0.1), "0.1");
    EXPECT_EQ(RealText(1e300), "1e+300");
    EXPECT_EQ(RealText(-std::numeric_limits<double>::infinity()), "-INF");
    EXPECT_EQ(RealText(std::numeric_limits<double>::quiet_NaN()), "NAN");
    // A single-precision value shows in its own shortest text, a double in its own.
    EXPECT_EQ(ValueText(nullptr, TValue::Single(0.1f)), "0.1");
    EXPECT_EQ(ValueText(nullptr, TValue(static_cast<double>(0.1f))), "0.1");
    EXPECT_EQ(ValueText(nullptr, TValue(0.1)), "0.1");
    EXPECT_EQ(ValueText(nullptr, TValue(std::int32_t(-3))), "-3");
    EXPECT_EQ(ValueText(nullptr, TValue(true)), "true");
    EXPECT_EQ(ValueText(nullptr, TValue("a\tb\\")), "\"a\\tb\\\\\"");
}

TEST(StudyText, EditsShowAndUndoGivesTheTextBack) {
    TProject p;
    BuildSampleStudy(p);
    const std::string sample = StudyText(p);
    test::TRandomEditor editor(p, 1414);
    undo::TCommandStack commands;
    int changed = 0;
    const int edits = 150;
    for (int i = 0; i < edits; ++i) {
        const std::string before = StudyText(p);
        std::string name;
        undo::RunCommand(&p.UndoSet(), commands, "edit", [&] { name = editor.Edit(); });
        const std::string after = StudyText(p);
        if (after != before) ++changed;
        commands.UndoTop();
        ASSERT_TRUE(StudyText(p) == before) << "edit " << i << ": " << name;
        // Edit again so that the study drifts away from the sample.
        undo::RunCommand(&p.UndoSet(), commands, "edit", [&] { editor.Edit(); });
    }
    EXPECT_GT(changed, edits / 2);
    while (commands.TopCommand())
        commands.UndoTop();
    EXPECT_TRUE(StudyText(p) == sample);
}

} // namespace
} // namespace zep::model
