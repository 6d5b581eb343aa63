// The model network file reader: a small network with every section, the flags, and the
// messages of damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "ModelFileWriter.h"
#include "files/ModelFile.h"
#include "files/PrjFile.h"
#include "foundation/OrvMessages.h"
#include "model/ADMIN.h"
#include "model/CATEGORY.h"
#include "model/Consistency.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::files {
namespace {

using test::ModelFileBytes;
using test::TModelFileOptions;

class TErrors : public TMessageHandler {
public:
    void Error(const std::string& text) override { errors.push_back(text); }
    void Progress(const std::string&, double) override {}
    void ProgressDone() override {}
    std::vector<std::string> errors;
};

std::unique_ptr<model::TProject> Read(const std::string& bytes, const std::string& name,
                                      TErrors* errors = nullptr) {
    RegisterModelStreamClasses();
    TErrors local;
    PushMessageHandler(errors ? errors : &local);
    auto p = std::make_unique<model::TProject>();
    try {
        TMemoryStream in(bytes);
        LoadProject(in, *p, name);
    } catch (...) {
        PopMessageHandler(errors ? errors : &local);
        throw;
    }
    PopMessageHandler(errors ? errors : &local);
    return p;
}

std::string Outcome(const std::string& bytes) {
    try {
        Read(bytes, "net.T1S");
        return "";
    } catch (const EInvalidFormat& e) {
        return std::string("EInvalidFormat:") + e.what();
    } catch (const EReadError& e) {
        return std::string("EReadError:") + e.what();
    }
}

TEST(ModelFile, ReadsEverySection) {
    TErrors errors;
    auto p = Read(ModelFileBytes(), "study.T1S", &errors);
    EXPECT_TRUE(p->ReadOnly());
    EXPECT_FALSE(p->AssignmentResults());
    EXPECT_EQ(p->GetName(), "EXA");
    EXPECT_EQ(p->GetDescription(), "Example study");
    ASSERT_EQ(p->Scenarios().Count(), 2u);
    model::TScenario* future = p->Scenarios().FindScenario("01A");
    ASSERT_NE(future, nullptr);
    EXPECT_EQ(future->Parent(), p->BaseScenario());
    EXPECT_EQ(p->BaseScenario()->GetName(), "00A");

    ASSERT_EQ(p->Categories().Count(), 2u);
    auto* workers = static_cast<model::TCategory*>(p->Categories().FindById(1));
    ASSERT_NE(workers, nullptr);
    EXPECT_EQ(workers->GetName(), "Workers");
    EXPECT_EQ(workers->GetFloatIn(future, model::TCategory::kValueOfTravelTime), 10.0);
    // max_generation is written as the span above min_generation.
    EXPECT_EQ(workers->GetFloatIn(future, model::TCategory::kMaxGeneration), 13.0 + 14.0);
    EXPECT_EQ(p->Administrators().Count(), 1u);
    ASSERT_EQ(p->Modes().Count(), 2u);
    auto* bus = static_cast<model::TMode*>(p->Modes().FindById(2));
    EXPECT_TRUE(bus->GetBooleanIn(future, model::TMode::kIsPublic));
    EXPECT_TRUE(workers->HasMode(bus));

    auto* car = static_cast<model::TOperator*>(p->Operators().FindById(1));
    auto* city = static_cast<model::TOperator*>(p->Operators().FindById(2));
    ASSERT_TRUE(car && city);
    EXPECT_EQ(city->Mode(), bus);
    EXPECT_EQ(city->GetInteger(model::TOperator::kType), 3);
    EXPECT_TRUE(city->GetBooleanIn(future, model::TOperator::kHasReturnTrips));
    EXPECT_FALSE(car->GetBooleanIn(future, model::TOperator::kHasReturnTrips));
    EXPECT_NE(city->OperatorCategoryFor(workers), nullptr);
    EXPECT_EQ(car->OperatorCategoryFor(workers), nullptr);
    ASSERT_NE(car->TransferTo(city), nullptr);
    EXPECT_EQ(car->TransferTo(city)->GetFloatIn(future, model::TTransfer::kTransferCost), 9.0);

    ASSERT_EQ(p->LinkTypes().Count(), 1u);
    auto* road = static_cast<model::TLinkType*>(p->LinkTypes().Get(0));
    EXPECT_EQ(road->OperatorData(city)->GetFloatIn(future, model::TLinkTypeOper::kFreeFlowSpeed),
              50.0);
    ASSERT_EQ(p->Routes().Count() - 2, 1u); // besides the operators' internal routes

    EXPECT_EQ(p->TransportZones().Count(), 2u);
    EXPECT_EQ(p->MacroZones().Count(), 1u);
    ASSERT_EQ(p->Links().Count(), 4u);
    model::TLink* l = p->FindLinkByIds(10, 11);
    ASSERT_NE(l, nullptr);
    EXPECT_TRUE(l->twoWayMarker_);
    EXPECT_FALSE(p->FindLinkByIds(11, 12)->twoWayMarker_);
    EXPECT_EQ(l->LinkTypeIn(future), road);
    EXPECT_EQ(l->GetFloatIn(future, model::TLink::kCapacity), 1800.0);
    EXPECT_TRUE(l->IsTurnProhibited(p->FindNode(10), future));
    EXPECT_EQ(l->LinkRoutes().Count(), 1u);

    model::TNode* n10 = p->FindNode(10);
    EXPECT_EQ(n10->GetFloat(model::TNode::kX), 110.0);
    EXPECT_TRUE(p->FindNode(1)->networkFileFlag_);
    // Node 12 had no record: placed at the mean of its placed neighbours (node 11).
    model::TNode* n12 = p->FindNode(12);
    ASSERT_NE(n12, nullptr);
    EXPECT_EQ(n12->GetFloat(model::TNode::kX), 120.0);
    EXPECT_EQ(n12->GetFloat(model::TNode::kY), 210.0);
    EXPECT_TRUE(errors.errors.empty());
}

TEST(ModelFile, AssignmentResultsAndIntegerCoordinates) {
    TModelFileOptions o;
    o.doubles = false;
    auto p = Read(ModelFileBytes(o), "run.t3s");
    EXPECT_TRUE(p->AssignmentResults());
    model::TScenario* future = p->Scenarios().FindScenario("01A");
    // capacity / capacity_factor (the fourth link-type real, 4), rounded
    EXPECT_EQ(p->FindLinkByIds(10, 11)->GetFloatIn(future, model::TLink::kCapacity), 450.0);
    EXPECT_EQ(p->FindNode(11)->GetFloat(model::TNode::kY), 210.0);
}

TEST(ModelFile, ScenarioFilesHoldOnlyScenarios) {
    TModelFileOptions o;
    o.format = 3;
    o.scenarios = 3;
    auto p = Read(ModelFileBytes(o), "s.T1S");
    EXPECT_EQ(p->Scenarios().Count(), 3u);
    EXPECT_EQ(p->Scenarios().FindScenario("02A")->Parent(), p->Scenarios().FindScenario("01A"));
    EXPECT_EQ(p->Links().Count(), 0u);
}

TEST(ModelFile, ReportedProblemsReadOn) {
    TModelFileOptions o;
    o.duplicateNode = true;
    o.badModeOfOperator = 77;
    TErrors errors;
    auto p = Read(ModelFileBytes(o), "d.T1S", &errors);
    ASSERT_EQ(errors.errors.size(), 2u);
    EXPECT_EQ(errors.errors[0], "Mode 77 not valid in Operator 1");
    EXPECT_EQ(errors.errors[1], "Node 10 duplicated");
    EXPECT_EQ(p->FindNode(10)->GetFloat(model::TNode::kX), 110.0);
}

TEST(ModelFile, MessagesOfDamagedFiles) {
    TModelFileOptions o;
    o.format = 2;
    EXPECT_EQ(Outcome(ModelFileBytes(o)),
              "EInvalidFormat:Incorrect file version 2 in File:net.T1S");
    o = {};
    o.scenarios = 0;
    EXPECT_EQ(Outcome(ModelFileBytes(o)), "EInvalidFormat:Bad Number of Scenarios");
    o = {};
    o.categories = 65;
    EXPECT_EQ(Outcome(ModelFileBytes(o)), "EInvalidFormat:Number of Categories (65) not valid");
    std::string bad = ModelFileBytes();
    bad[6 + 4 + 188 + 4] = 7; // the negation of the scenario count
    EXPECT_EQ(Outcome(bad), "EInvalidFormat:Error Reading Scenarios");
}

// Records the layout allows that earlier readings got wrong: each read as the model means it.
TEST(ModelFile, ReusedRecordsNegativeCountsAndPlacedNodes) {
    TModelFileOptions o;
    o.routeId = -1; // operator 1's internal route, given to operator 2's line
    auto p = Read(ModelFileBytes(o), "r.T1S");
    EXPECT_EQ(model::ConsistencyReport(*p), "");
    auto* driving = static_cast<model::TOperator*>(p->Operators().FindById(1));
    ASSERT_NE(driving, nullptr);
    auto* internal = static_cast<model::TRoute*>(p->Routes().FindById(-1));
    ASSERT_NE(internal, nullptr);
    EXPECT_EQ(internal->Operator(), driving);

    o = {};
    o.repeatOperatorMode = 2; // operator 1 met again, now with mode 2
    p = Read(ModelFileBytes(o), "o.T1S");
    auto* again = static_cast<model::TOperator*>(p->Operators().FindById(1));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Mode(), p->Modes().FindById(2));
    EXPECT_EQ(model::ConsistencyReport(*p), "");

    o = {};
    o.unplacedNode = 10; // joined to 11 in both directions and to 1 in one
    p = Read(ModelFileBytes(o), "n.T1S");
    EXPECT_DOUBLE_EQ(p->FindNode(10)->GetFloat(model::TNode::kX), (120.0 + 100.0) / 2);
    EXPECT_DOUBLE_EQ(p->FindNode(10)->GetFloat(model::TNode::kY), (210.0 + 200.0) / 2);

    o = {};
    o.scenarios = -2;
    EXPECT_EQ(Outcome(ModelFileBytes(o)), "EInvalidFormat:Bad Number of Scenarios");
    o = {};
    o.categories = -3;
    EXPECT_EQ(Outcome(ModelFileBytes(o)), "EInvalidFormat:Number of Categories (-3) not valid");
}

TEST(ModelFile, TruncationsAndFlipsEndInNamedErrors) {
    const std::string good = ModelFileBytes();
    ASSERT_EQ(Outcome(good), "");
    for (std::size_t n = 0; n < good.size(); n += 7)
        EXPECT_NE(Outcome(good.substr(0, n)), "") << n;
    std::mt19937 rng(9);
    for (int i = 0; i < 300; ++i) {
        std::string bad = good;
        bad[6 + rng() % (bad.size() - 6)] ^= static_cast<char>(1 + rng() % 255);
        (void)Outcome(bad); // any exception other than the named ones fails the test
    }
}

TEST(ModelFile, OpenedThroughTheProjectFile) {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string name = (dir / ("zep_model_" + std::to_string(::getpid()) + ".T1S")).string();
    std::ofstream(name, std::ios::binary) << ModelFileBytes();
    TErrors errors;
    PushMessageHandler(&errors);
    auto p = OpenProject(name);
    PopMessageHandler(&errors);
    std::filesystem::remove(name);
    EXPECT_EQ(p->FileName(), name);
    EXPECT_EQ(p->Links().Count(), 4u);
}

} // namespace
} // namespace zep::files
