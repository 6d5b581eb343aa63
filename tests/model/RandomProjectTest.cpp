// Random creations and removals of every kind through the project, random value edits and
// scenario operations, one to three of them as a command (so that a command also edits and
// removes what it made itself): the study stays consistent after every command, and undoing the
// commands one by one passes back through every earlier state to the first.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "ProjectTestSupport.h"
#include "RandomEditor.h"
#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/SECTOR.h"
#include "model/SampleStudy.h"
#include "model/Zone.h"
#include "tests/model/TestKinds.h"

namespace zep::model::test {
namespace {

class RandomProject : public ::testing::TestWithParam<unsigned> {};

void EditAndUndoAll(unsigned seed) {
    TProject p;
    BuildSampleStudy(p);
    TCommands commands(p);
    TRandomEditor editor(p, seed);
    constexpr int kSteps = 150;
    std::vector<std::string> states{DumpProject(p)};
    std::vector<std::string> names;
    for (int i = 0; i < kSteps; ++i) {
        std::string name;
        const int edits = 1 + i % 3;
        commands.Run("Random", [&] {
            for (int e = 0; e < edits; ++e)
                name += (e ? ", " : "") + editor.Edit();
        });
        names.push_back(name);
        const std::string problems = ConsistencyReport(p);
        ASSERT_EQ("", problems) << "after step " << i << " (" << name << ")";
        states.push_back(DumpProject(p));
    }
    for (int i = kSteps; i-- > 0;) {
        commands.UndoTop();
        const std::string diff =
            FirstDifference(states[static_cast<std::size_t>(i)], DumpProject(p));
        ASSERT_EQ("", diff) << "undoing step " << i << " (" << names[static_cast<std::size_t>(i)]
                            << ")";
        if (i % 10 == 0) {
            ASSERT_EQ("", ConsistencyReport(p)) << "undoing step " << i;
        }
    }
    EXPECT_EQ(0u, commands.Count());
}

TEST_P(RandomProject, EditsStayConsistentAndUndoRetracesEveryState) {
    EditAndUndoAll(GetParam());
}

// The same with holes in every list of eight entries or more where a deletion takes an item from
// its middle (with a list's usual length, only a large study's long lists have them).
TEST_P(RandomProject, WithHolesInShortListsToo) {
    const THolesFrom holes(8);
    EditAndUndoAll(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomProject, ::testing::Values(1u, 7u, 2026u, 31337u));

} // namespace
} // namespace zep::model::test
