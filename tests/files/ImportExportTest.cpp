// Network exchange files: cell and number reading, the written lines, the choice of what a
// scenario writes, the import rules and their special values, write-then-read round trips,
// and the import as one undoable command.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/ImportExport.h"
#include "files/PrjFile.h"
#include "foundation/ORVFiles.h"
#include "foundation/OrvMessages.h"
#include "model/Consistency.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "model/Zone.h"
#include "undo/CMDStk_.h"

namespace zep::files {
namespace {

using namespace zep::model;
namespace fs = std::filesystem;

constexpr double kInf = std::numeric_limits<double>::infinity();

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "zep_nx_XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string Path() const { return path_.string(); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void Import(TProject& p, TScenario* s, const std::string& path) {
    TNetworkImporter(p, s).ImportFile(path);
}

void ImportText(TProject& p, TScenario* s, TNetworkFileKind kind, const std::string& text) {
    TNetworkImporter(p, s).ImportText(kind, text, "net.x");
}

const TNetworkFileKind kReadable[] = {TNetworkFileKind::Nodes, TNetworkFileKind::Links,
                                      TNetworkFileKind::Opers, TNetworkFileKind::Routes,
                                      TNetworkFileKind::Turns};

// Exports the scenario of `from` and imports it into `to`'s scenario of the same name.
void Transfer(TProject& from, TScenario* fromScenario, TProject& to, TScenario* toScenario,
              const TempDir& dir) {
    ExportNetwork(from, fromScenario, dir.Path());
    for (TNetworkFileKind kind : kReadable)
        Import(to, toScenario, NetworkFileName(from, fromScenario, kind, dir.Path()));
}

// A few nodes and zones, a two-way pair, one-way links (one of infinite capacity), a bus
// route over two links and a prohibited turn.
struct SmallNet {
    TProject p;
    TScenario* base;
    TLinkType* type;
    TOperator* bus;
    TRoute* route;

    TLink* Link(std::int32_t id, std::int32_t from, std::int32_t to, double capacity) {
        TLink* l = p.NewLinkByIds(id, from, to);
        l->SetLinkTypeIn(base, type);
        l->SetValueIn(base, TLink::kLength, TValue(1.5));
        l->SetValueIn(base, TLink::kCapacity, TValue(capacity));
        return l;
    }

    SmallNet() {
        p.SetName("Exa");
        base = p.BaseScenario();
        const double xy[][2] = {{0, 0}, {100, 0}, {100, 100.25}};
        for (int i = 0; i < 3; ++i)
            p.NewNode(i + 1)->SetPosition({xy[i][0], xy[i][1]});
        p.FindNode(1)->SetName("A");
        p.FindNode(1)->SetDescription("first node");
        p.NewMicroZone(10)->SetPosition({0, 100});
        p.NewExternalZone(11)->SetPosition({200, 0});
        type = p.NewLinkType(4);
        Link(7, 1, 2, 1200);
        Link(7, 2, 1, 1200);
        Link(8, 2, 3, kInf)->SetValueIn(base, TLink::kLinkName, TValue(std::string("Bridge")));
        Link(9, 3, 10, 800);
        Link(10, 10, 1, 800);
        Link(11, 2, 11, 500);
        TMode* mode = p.NewMode();
        bus = p.NewOperator(mode, 5);
        bus->SetType(otRoute);
        route = p.NewRoute(bus, 3);
        route->SetName("R3");
        route->SetDescription("Circle line");
        route->SetValueIn(base, TRoute::kMaxFleet, TValue(4.0));
        route->SetValueIn(base, TRoute::kScheduled, TValue(true));
        TLinkRoute* a = p.NewLinkRoute(p.FindLinkByIds(3, 10), route);
        TLinkRoute* b = p.NewLinkRoute(p.FindLinkByIds(2, 3), route);
        a->SetUsedIn(base, true);
        b->SetUsedIn(base, true);
        a->SetValueIn(base, TLinkRoute::kNoTransfers, TValue(true));
        p.FindLinkByIds(2, 3)->SetTurnProhibited(p.FindNode(10), base, true);
    }
};

TEST(NetworkCells, SplitAtCommasAndTabsTrimAndUnquote) {
    EXPECT_EQ(SplitNetworkLine(" 1 \t2 , \"a b\" ,'c', \"d'"),
              (std::vector<std::string>{"1", "2", "a b", "c", "\"d'"}));
    EXPECT_EQ(SplitNetworkLine("1,\t2"), (std::vector<std::string>{"1", "", "2"}));
    // Quotes do not protect a comma.
    EXPECT_EQ(SplitNetworkLine("\"x,y\""), (std::vector<std::string>{"\"x", "y\""}));
    EXPECT_EQ(SplitNetworkLine(""), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitNetworkLine("\"\",''"), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(SplitNetworkLine("\""), (std::vector<std::string>{"\""}));
}

TEST(NetworkCells, Numbers) {
    EXPECT_EQ(NetworkNumber(""), 0.0);
    EXPECT_EQ(NetworkNumber("  "), 0.0);
    EXPECT_EQ(NetworkNumber(" 12.5 "), 12.5);
    EXPECT_EQ(NetworkNumber("inf"), kInf);
    EXPECT_EQ(NetworkNumber("-Inf"), -kInf);
    EXPECT_DOUBLE_EQ(NetworkNumber("50%"), 0.5);
    EXPECT_DOUBLE_EQ(NetworkNumber("1e3"), 1000.0);
    EXPECT_TRUE(std::isnan(NetworkNumber("abc")));
    EXPECT_TRUE(std::isnan(NetworkNumber("%")));
    EXPECT_TRUE(std::isnan(NetworkNumber("1,5")));
}

TEST(NetworkFiles, NamesAndKinds) {
    SmallNet n;
    n.p.SetFileName("/studies/exa/exa.zpz");
    EXPECT_EQ(NetworkFileName(n.p, n.base, TNetworkFileKind::Links), "/studies/exa/Exa-00A.links");
    EXPECT_EQ(NetworkFileName(n.p, n.base, TNetworkFileKind::Speeds, "/out"),
              "/out/Exa-00A.speeds");
    EXPECT_EQ(NetworkFileKindOf("a/b.NODES"), TNetworkFileKind::Nodes);
    EXPECT_EQ(NetworkFileKindOf("x.Turns"), TNetworkFileKind::Turns);
    for (const char* bad : {"x.speeds", "x.txt", "nodes", "x.nodes.bak"}) {
        try {
            NetworkFileKindOf(bad);
            ADD_FAILURE() << bad;
        } catch (const EInvalidFormat& e) {
            EXPECT_EQ(e.Message(),
                      std::string("Not a network file (.nodes, .links, .opers, .routes or "
                                  ".turns): ") +
                          bad);
        }
    }
}

TEST(NetworkExport, LinesOfEachFile) {
    SmallNet n;
    const TTextLines nodes = NodeLines(n.p, n.base);
    ASSERT_EQ(nodes.size(), 6u);
    EXPECT_EQ(nodes[0], "    Id,           X,           Y,Zone,name        ,description         ");
    EXPECT_EQ(nodes[1],
              "     1,           0,           0, 0,\"A\"         ,\"first node\"        ");
    EXPECT_EQ(nodes[3],
              "     3,         100,      100.25, 0,\"\"          ,\"\"                  ");
    EXPECT_EQ(nodes[4].substr(0, 35), "    10,           0,         100, 1");
    EXPECT_EQ(nodes[5].substr(0, 35), "    11,         200,           0, 2");

    const TTextLines links = LinkLines(n.p, n.base);
    ASSERT_EQ(links.size(), 6u); // the pair once
    EXPECT_EQ(links[0], "Link Id,Origin Id,Destination Id, Dir, Link-Type Id,   Distance, "
                        "Capacity,\"name\"      ,\"description\"       ");
    EXPECT_EQ(links[1], "     7,     1,     2,   2,      4,        1.5,     1200,\"\"          "
                        ",\"\"                  ");
    EXPECT_EQ(links[2], "     8,     2,     3,   1,      4,        1.5,       -1,\"Bridge\"    "
                        ",\"\"                  ");

    const TTextLines opers = OperLines(n.p, n.base);
    ASSERT_EQ(opers.size(), 2u); // the operator's internal route is left out
    EXPECT_EQ(opers[0], "    Id, Name            , Desc                                    ,   "
                        "Oper,  MinFreq,  MaxFreq,  TargOcc, MaxFleet, Sched");
    EXPECT_EQ(opers[1], "     3, \"R3\"            , \"Circle line\"                           ,"
                        "      5,        1,        1,        0,        4,  1");

    const TTextLines routes = RouteLinkLines(n.p, n.base);
    ASSERT_EQ(routes.size(), 3u);
    EXPECT_EQ(routes[0], "  From,    To,  Route, Code (0=not Used,1=Passes,2= Stops)");
    // Sequence order, not the order the route-links were made in.
    EXPECT_EQ(routes[1], "     2,     3,      3,    2");
    EXPECT_EQ(routes[2], "     3,    10,      3,    1");

    EXPECT_EQ(TurnLines(n.p, n.base), (TTextLines{"From, Thru, To, Delay", "2, 3, 10, INF"}));
}

TEST(NetworkExport, PairRuleNeedsEqualMembersWithoutRoutesOrTurns) {
    SmallNet n;
    TLink* ab = n.p.FindLinkByIds(1, 2);
    TLink* ba = n.p.FindLinkByIds(2, 1);
    EXPECT_TRUE(IsExportedAsPair(n.p, ab, n.base));
    EXPECT_TRUE(IsExportedAsPair(n.p, ba, n.base));
    ba->SetValueIn(n.base, TLink::kCapacity, TValue(900.0));
    EXPECT_FALSE(IsExportedAsPair(n.p, ab, n.base));
    EXPECT_EQ(LinkLines(n.p, n.base).size(), 7u);
    ba->SetValueIn(n.base, TLink::kCapacity, TValue(1200.0));
    ba->SetId(70);
    EXPECT_FALSE(IsExportedAsPair(n.p, ab, n.base));
    ba->SetId(7);
    ba->SetValueIn(n.base, TLink::kTwoWay, TValue(false));
    EXPECT_FALSE(IsExportedAsPair(n.p, ab, n.base));
    ba->SetValueIn(n.base, TLink::kTwoWay, TValue(true));
    ab->SetTurnProhibited(n.p.FindNode(10), n.base, true);
    EXPECT_FALSE(IsExportedAsPair(n.p, ab, n.base));
}

// A loaded study gives every operator's internal route a link-route on the links it may use;
// that neither splits a pair nor changes any other line.
TEST(NetworkExport, SameLinesAfterTheProjectFile) {
    RegisterModelStreamClasses();
    SmallNet n;
    TempDir dir;
    SaveProjectFile(dir.File("small.zpz"), n.p);
    TProject loaded;
    OpenProjectFile(dir.File("small.zpz"), loaded);
    TScenario* s = loaded.BaseScenario();
    // Loading sorts the link list (tail, then head), so the lines are compared as a set.
    TTextLines after = LinkLines(loaded, s), before = LinkLines(n.p, n.base);
    std::sort(after.begin(), after.end());
    std::sort(before.begin(), before.end());
    EXPECT_EQ(after, before);
    EXPECT_EQ(RouteLinkLines(loaded, s), RouteLinkLines(n.p, n.base));
    EXPECT_EQ(TurnLines(loaded, s), TurnLines(n.p, n.base));
}

TEST(NetworkExport, ChildScenarioWritesOnlyItsChanges) {
    SmallNet n;
    TScenario* child = n.p.NewScenario(n.base);
    child->SetName("01A");
    n.p.FindLinkByIds(3, 10)->SetValueIn(child, TLink::kCapacity, TValue(950.0));
    n.route->LinkRoutes().Get(0)->SetUsedIn(child, false); // link 3-10 leaves the route
    // A change to the member a pair is not written from still writes the pair.
    n.p.FindLinkByIds(2, 1)->SetValueIn(child, TLink::kDelay, TValue(0.01));

    const TTextLines links = LinkLines(n.p, child);
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[1].substr(0, 26), "     7,     1,     2,   2,");
    EXPECT_EQ(links[2].substr(0, 46), "     9,     3,    10,   1,      4,        1.5,");
    EXPECT_NE(links[2].find("950"), std::string::npos);
    EXPECT_EQ(RouteLinkLines(n.p, child),
              (TTextLines{"  From,    To,  Route, Code (0=not Used,1=Passes,2= Stops)",
                          "     3,    10,      3,    0"}));
    EXPECT_EQ(NodeLines(n.p, child).size(), 6u);
    EXPECT_EQ(OperLines(n.p, child).size(), 2u);
    EXPECT_EQ(TurnLines(n.p, child).size(), 1u);
    n.p.FindLinkByIds(2, 3)
        ->GetOrCreateTurnTo(n.p.FindNode(10))
        ->SetValueIn(child, TTurnRestriction::kDelay, TValue(0.25));
    EXPECT_EQ(TurnLines(n.p, child), (TTextLines{"From, Thru, To, Delay", "2, 3, 10, 0.25"}));
}

// Writing a scenario and reading it into an empty study rebuilds the network: the second
// export is the first, line for line, and the pieces hold what the first study held.
TEST(NetworkRoundTrip, SmallNetworkRebuildsInEmptyStudy) {
    SmallNet n;
    TempDir one, two;
    TProject copy;
    copy.SetName("Exa");
    Transfer(n.p, n.base, copy, copy.BaseScenario(), one);
    ExportNetwork(copy, copy.BaseScenario(), two.Path());
    for (TNetworkFileKind kind : kReadable)
        EXPECT_EQ(ReadFile(NetworkFileName(copy, copy.BaseScenario(), kind, two.Path())),
                  ReadFile(NetworkFileName(n.p, n.base, kind, one.Path())))
            << NetworkFileExtension(kind);

    TScenario* s = copy.BaseScenario();
    EXPECT_EQ(ConsistencyReport(copy), "");
    ASSERT_EQ(copy.Links().Count(), 6u);
    TLink* ab = copy.FindLinkByIds(1, 2);
    TLink* ba = copy.FindLinkByIds(2, 1);
    ASSERT_TRUE(ab && ba);
    EXPECT_EQ(ab->Id(), 7);
    EXPECT_EQ(ba->Id(), 7);
    EXPECT_TRUE(ab->GetBooleanIn(s, TLink::kTwoWay));
    EXPECT_TRUE(ba->GetBooleanIn(s, TLink::kTwoWay));
    EXPECT_FALSE(copy.FindLinkByIds(2, 3)->GetBooleanIn(s, TLink::kTwoWay));
    EXPECT_EQ(copy.FindLinkByIds(2, 3)->GetFloatIn(s, TLink::kCapacity), kInf);
    EXPECT_EQ(copy.FindLinkByIds(2, 3)->LinkTypeIn(s)->Id(), 4);
    EXPECT_TRUE(dynamic_cast<TExternalZone*>(copy.FindNode(11)));
    EXPECT_TRUE(dynamic_cast<TMicroZone*>(copy.FindNode(10)));
    EXPECT_EQ(copy.FindNode(1)->GetString(kPropDescription), "first node");
    auto* route = static_cast<TRoute*>(copy.Routes().FindById(3));
    ASSERT_TRUE(route);
    EXPECT_EQ(route->Operator()->Id(), 5);
    EXPECT_EQ(route->Operator()->Type(), otRoute);
    std::vector<std::int32_t> heads;
    for (TLinkRoute* lr : route->LinkRoutes().Ordered(s))
        heads.push_back(lr->Link()->Head()->Id());
    EXPECT_EQ(heads, (std::vector<std::int32_t>{3, 10}));
    EXPECT_TRUE(copy.FindLinkByIds(2, 3)->IsTurnProhibited(copy.FindNode(10), s));
}

TEST(NetworkRoundTrip, SampleStudyEveryScenario) {
    TProject sample;
    BuildSampleStudy(sample);
    TempDir one, two;
    TProject copy;
    copy.SetName(sample.GetName());
    // The base scenario into the empty study's base, then each child's changes into a child.
    std::map<const TScenario*, TScenario*> twin{{sample.BaseScenario(), copy.BaseScenario()}};
    for (std::size_t i = 0; i < sample.Scenarios().Count(); ++i) {
        auto* s = static_cast<TScenario*>(sample.Scenarios().Item(i));
        if (!twin.count(s)) {
            TScenario* t = copy.NewScenario(twin.at(s->Parent()));
            t->SetName(s->GetName());
            twin[s] = t;
        }
        // Each scenario writes something of every kind it changed, so the comparison below
        // is not between empty files.
        const std::size_t links = LinkLines(sample, s).size();
        const std::size_t routeLinks = RouteLinkLines(sample, s).size();
        const std::size_t turns = TurnLines(sample, s).size();
        if (s->IsBase()) {
            EXPECT_GT(links, 300u);
            EXPECT_GT(routeLinks, 20u);
        } else if (s->GetName() == "01A") {
            EXPECT_GE(links, 2u);
        } else {
            EXPECT_GE(turns, 2u);
            EXPECT_GE(routeLinks, 2u);
        }
        Transfer(sample, s, copy, twin[s], one);
        ExportNetwork(copy, twin[s], two.Path());
        for (TNetworkFileKind kind : kReadable)
            EXPECT_EQ(ReadFile(NetworkFileName(copy, twin[s], kind, two.Path())),
                      ReadFile(NetworkFileName(sample, s, kind, one.Path())))
                << s->GetName() << "." << NetworkFileExtension(kind);
    }
    EXPECT_EQ(ConsistencyReport(copy), "");
    // Beyond the files: what each scenario uses is the same in both studies.
    for (const auto& [s, t] : twin) {
        for (std::size_t i = 0; i < sample.Links().Count(); ++i) {
            const TLink* a = sample.Links().Get(i);
            const TLink* b =
                copy.FindLink(copy.FindNode(a->Tail()->Id()), copy.FindNode(a->Head()->Id()));
            ASSERT_TRUE(b) << a->IdText();
            EXPECT_EQ(a->IsUsedIn(s), b->IsUsedIn(t)) << a->IdText() << " " << s->GetName();
            EXPECT_EQ(a->GetFloatIn(s, TLink::kCapacity), b->GetFloatIn(t, TLink::kCapacity));
        }
        for (std::size_t i = 0; i < sample.Routes().Count(); ++i) {
            const TRoute* a = sample.Routes().Get(i);
            if (a->Id() < 0) continue;
            const auto* b = static_cast<const TRoute*>(copy.Routes().FindById(a->Id()));
            ASSERT_TRUE(b);
            EXPECT_EQ(a->CountUsedLinkRoutes(s), b->CountUsedLinkRoutes(t))
                << a->GetName() << " " << s->GetName();
        }
    }
}

TEST(NetworkImport, NodesCreateByKindAndKeepTheKindOfExistingOnes) {
    TProject p;
    TScenario* s = p.BaseScenario();
    ImportText(p, s, TNetworkFileKind::Nodes,
               "Id,X,Y,Zone,name,description\r\n\r\n 1, 10, 20, 0, \"n1\", \"d\"\n"
               "2\t30\t40\t1\t'z2'\t''\r3,1e2,INF,2,\"x3\",\"\"\n");
    ASSERT_EQ(p.Nodes().Count(), 3u);
    EXPECT_FALSE(p.FindNode(1)->IsZone());
    EXPECT_TRUE(dynamic_cast<TMicroZone*>(p.FindNode(2)));
    EXPECT_TRUE(dynamic_cast<TExternalZone*>(p.FindNode(3)));
    EXPECT_EQ(p.TransportZones().Count(), 2u);
    EXPECT_EQ(p.FindNode(2)->GetName(), "z2");
    EXPECT_EQ(p.FindNode(3)->GetFloat(TNode::kY), kInf);
    ImportText(p, s, TNetworkFileKind::Nodes, "2, 5, 6, 0, \"again\"\n1,7,8,2\n");
    EXPECT_TRUE(dynamic_cast<TMicroZone*>(p.FindNode(2)));
    EXPECT_FALSE(p.FindNode(1)->IsZone());
    EXPECT_EQ(p.FindNode(2)->Position().x, 5.0);
    EXPECT_EQ(p.FindNode(2)->GetName(), "again");
    EXPECT_EQ(p.FindNode(1)->GetName(), "n1"); // no name cell: the name stays
}

TEST(NetworkImport, LinkSpecialValues) {
    SmallNet n;
    TScenario* child = n.p.NewScenario(n.base);
    child->SetName("01A");
    ImportText(n.p, child, TNetworkFileKind::Links,
               "20, 3, 1, 2, 6, 2.5, -5, \"new\", \"both ways\"\n" // new pair, new type 6
               " 9, 3, 10, 1, 0, 1.5, 50%, , \n"                   // not used in 01A
               "11, 2, 11, 1, -1, 0, 0\n"                          // deleted
               " 7, 1, 2, 2, -1, 0, 0\n");                         // deleted with its reverse
    TLink* a = n.p.FindLinkByIds(3, 1);
    TLink* b = n.p.FindLinkByIds(1, 3);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Id(), 20);
    EXPECT_EQ(b->Id(), 20);
    EXPECT_EQ(a->LinkTypeIn(child)->Id(), 6);
    EXPECT_TRUE(a->IsUsedIn(child));
    EXPECT_FALSE(a->IsUsedIn(n.base));
    EXPECT_EQ(b->GetFloatIn(child, TLink::kCapacity), kInf);
    EXPECT_EQ(b->GetStringIn(child, TLink::kLinkDesc), "both ways");
    EXPECT_TRUE(a->GetBooleanIn(child, TLink::kTwoWay) && b->GetBooleanIn(child, TLink::kTwoWay));
    TLink* l9 = n.p.FindLinkByIds(3, 10);
    EXPECT_FALSE(l9->IsUsedIn(child));
    EXPECT_TRUE(l9->IsUsedIn(n.base));
    EXPECT_DOUBLE_EQ(l9->GetFloatIn(child, TLink::kCapacity), 0.5);
    EXPECT_EQ(n.p.FindLinkByIds(2, 11), nullptr);
    EXPECT_EQ(n.p.FindLink(n.p.FindNode(1), n.p.FindNode(2)), nullptr);
    EXPECT_EQ(n.p.FindLink(n.p.FindNode(2), n.p.FindNode(1)), nullptr);
    EXPECT_EQ(ConsistencyReport(n.p), "");

    // A reverse link that differs is no pair; once it matches, both become two-way.
    ImportText(n.p, n.base, TNetworkFileKind::Links, "30, 10, 3, 1, 4, 1.5, 700\n");
    EXPECT_FALSE(n.p.FindLinkByIds(10, 3)->GetBooleanIn(n.base, TLink::kTwoWay));
    EXPECT_FALSE(l9->GetBooleanIn(n.base, TLink::kTwoWay));
    ImportText(n.p, n.base, TNetworkFileKind::Links, "30, 10, 3, 1, 4, 1.5, 800\n");
    EXPECT_FALSE(n.p.FindLinkByIds(10, 3)->GetBooleanIn(n.base, TLink::kTwoWay)); // ids differ
    ImportText(n.p, n.base, TNetworkFileKind::Links, "9, 10, 3, 1, 4, 1.5, 800\n");
    EXPECT_FALSE(l9->GetBooleanIn(n.base, TLink::kTwoWay)); // 3-10 carries a route
    // Without a reverse link, two_way is false.
    ImportText(n.p, n.base, TNetworkFileKind::Links, "8, 2, 3, 1, 4, abc, 1\n");
    EXPECT_TRUE(std::isnan(n.p.FindLinkByIds(2, 3)->GetFloatIn(n.base, TLink::kLength)));
    EXPECT_FALSE(n.p.FindLinkByIds(2, 3)->GetBooleanIn(n.base, TLink::kTwoWay));
}

TEST(NetworkImport, OpersAndRouteLinks) {
    TProject p;
    TScenario* s = p.BaseScenario();
    ImportText(p, s, TNetworkFileKind::Nodes, "1,0,0,0\n2,1,0,0\n3,2,0,0\n");
    ImportText(p, s, TNetworkFileKind::Links, "1,1,2,1,3,1,100\n");
    ImportText(p, s, TNetworkFileKind::Opers,
               "Id,Name,Desc,Oper,MinFreq,MaxFreq,TargOcc,MaxFleet,Sched\n"
               "12, \"L12\", \"line\", 40, 2, 6, 75%, 3, 1\n"
               "-4, \"internal\", \"\", 40, 1, 1, 0, 0, 0\n"
               "13, \"L13\", \"\", 40, 1, 1, 0, 0, x\n");
    ASSERT_EQ(p.Modes().Count(), 1u);
    auto* op = static_cast<TOperator*>(p.Operators().FindById(40));
    ASSERT_TRUE(op);
    EXPECT_EQ(op->Type(), otRoute);
    EXPECT_EQ(op->Mode(), p.Modes().Get(0));
    auto* r12 = static_cast<TRoute*>(p.Routes().FindById(12));
    ASSERT_TRUE(r12);
    EXPECT_EQ(r12->GetName(), "L12");
    EXPECT_EQ(r12->Operator(), op);
    EXPECT_DOUBLE_EQ(r12->GetFloatIn(s, TRoute::kTargetOccupancy), 0.75);
    EXPECT_TRUE(r12->GetBooleanIn(s, TRoute::kScheduled));
    EXPECT_FALSE(
        static_cast<TRoute*>(p.Routes().FindById(13))->GetBooleanIn(s, TRoute::kScheduled));
    EXPECT_EQ(p.Routes().FindById(-4), nullptr);

    // Four columns: a missing link is skipped and leaves no nodes behind; five columns with a
    // code other than 0 make the link with the first link type.
    ImportText(p, s, TNetworkFileKind::Routes,
               "From,To,Route,Code\n1,2,12,2\n2,3,12,1\n7,8,12,2\n");
    EXPECT_EQ(p.FindLinkByIds(2, 3), nullptr);
    EXPECT_EQ(p.FindNode(7), nullptr);
    EXPECT_EQ(p.Nodes().Count(), 3u);
    ImportText(p, s, TNetworkFileKind::Routes, "2,3,12,1,x\n3,1,12,0,x\n1,3,99,2,x\n");
    TLink* l23 = p.FindLinkByIds(2, 3);
    ASSERT_TRUE(l23);
    EXPECT_TRUE(l23->IsUsedIn(s));
    EXPECT_EQ(l23->LinkTypeIn(s)->Id(), 3);
    EXPECT_EQ(p.FindLink(p.FindNode(3), p.FindNode(1)), nullptr); // code 0
    auto* r99 = static_cast<TRoute*>(p.Routes().FindById(99));
    ASSERT_TRUE(r99);
    EXPECT_EQ(r99->Operator(), op); // the first route operator
    std::vector<std::int32_t> tails;
    for (TLinkRoute* lr : r12->LinkRoutes().Ordered(s))
        tails.push_back(lr->Link()->Tail()->Id());
    EXPECT_EQ(tails, (std::vector<std::int32_t>{1, 2}));
    EXPECT_TRUE(p.FindLinkByIds(2, 3)->LinkRouteOf(r12)->GetBooleanIn(s, TLinkRoute::kNoTransfers));
    EXPECT_FALSE(
        p.FindLinkByIds(1, 2)->LinkRouteOf(r12)->GetBooleanIn(s, TLinkRoute::kNoTransfers));
    ImportText(p, s, TNetworkFileKind::Routes, "1,2,12,0\n");
    EXPECT_FALSE(p.FindLinkByIds(1, 2)->LinkRouteOf(r12)->IsUsedIn(s));
    EXPECT_EQ(ConsistencyReport(p), "");

    // Route-links for a study without operators: a route operator on a default mode.
    TProject q;
    ImportText(q, q.BaseScenario(), TNetworkFileKind::Routes, "1,2,5,2,x\n");
    ASSERT_NE(q.FirstRouteOperator(), nullptr);
    EXPECT_EQ(q.Modes().Count(), 1u);
    EXPECT_EQ(static_cast<TRoute*>(q.Routes().FindById(5))->Operator(), q.FirstRouteOperator());
}

TEST(NetworkImport, TurnsAndTheStarTarget) {
    SmallNet n;
    ImportText(n.p, n.base, TNetworkFileKind::Turns,
               "From, Thru, To, Delay\n3, 10, 1, 0.5\n10, 1, 2, -1\n1, 2, *, 0.1\n");
    TLink* l = n.p.FindLinkByIds(3, 10);
    EXPECT_EQ(l->TurnTo(n.p.FindNode(1))->GetFloatIn(n.base, TTurnRestriction::kDelay), 0.5);
    EXPECT_EQ(n.p.FindLinkByIds(10, 1)
                  ->TurnTo(n.p.FindNode(2))
                  ->GetFloatIn(n.base, TTurnRestriction::kDelay),
              kInf);
    TLink* ab = n.p.FindLinkByIds(1, 2);
    EXPECT_DOUBLE_EQ(ab->GetFloatIn(n.base, TLink::kDelay), 0.1);
    EXPECT_FALSE(ab->GetBooleanIn(n.base, TLink::kTwoWay));
    EXPECT_FALSE(n.p.FindLinkByIds(2, 1)->GetBooleanIn(n.base, TLink::kTwoWay));
    EXPECT_EQ(TurnLines(n.p, n.base).size(), 4u);
}

// A line that cannot be read stops the import; the lines before it stay applied.
TEST(NetworkImport, BadLinesNameFileAndLine) {
    struct Case {
        TNetworkFileKind kind;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {TNetworkFileKind::Nodes, "Id,X\n1,0,0,0\n\nx1,0,0,0\n5,0,0,0\n",
         "net.x:4: 'x1' is not a valid integer value"},
        {TNetworkFileKind::Nodes, "1,0,0,0\n2,0,0\n", "net.x:2: 4 cells expected, 3 found"},
        {TNetworkFileKind::Links, "1,1,2,1,3,1,1\n2,1,3,1,3.5,1,1\n",
         "net.x:2: '3.5' is not a valid integer value"},
        {TNetworkFileKind::Links, "1,1,2,1,3,1,1\n2,1,99999999999,1,3,1,1\n",
         "net.x:2: '99999999999' is not a valid integer value"},
        {TNetworkFileKind::Opers, "6,\"S\",\"\",8\n6,\"S\",\"\",-6\n",
         "net.x:2: operator -6 is not a number from 1 on"},
        {TNetworkFileKind::Opers, "6,\"S\",\"\",0\n",
         "net.x:1: operator 0 is not a number from 1 on"},
        {TNetworkFileKind::Routes, "1,2,5,2,x\n1,2,5,7\n",
         "net.x:2: route-link code 7 is not 0, 1 or 2"},
        {TNetworkFileKind::Turns, "1,2,*,1\n2,9,1,1\n",
         "net.x:2: there is no link from node 2 to node 9"},
        {TNetworkFileKind::Turns, "1,2,*,1\n1,2,42,1\n", "net.x:2: there is no node 42"},
    };
    for (const Case& c : cases) {
        TProject p;
        ImportText(p, p.BaseScenario(), TNetworkFileKind::Links, "1,1,2,1,3,1,1\n");
        try {
            ImportText(p, p.BaseScenario(), c.kind, c.text);
            ADD_FAILURE() << c.message;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(p.FindNode(5), nullptr) << "nothing after the bad line";
        if (c.kind == TNetworkFileKind::Turns) {
            EXPECT_FALSE(p.FindLinkByIds(1, 2)->GetBooleanIn(p.BaseScenario(), TLink::kTwoWay));
        }
        EXPECT_EQ(ConsistencyReport(p), "") << c.message;
    }
    TProject p;
    EXPECT_THROW(ImportText(p, p.BaseScenario(), TNetworkFileKind::Nodes, "Id\n7,0,0,0\n8,0,0\n"),
                 EConvertError);
    EXPECT_NE(p.FindNode(7), nullptr) << "the line before the bad one is applied";
    EXPECT_THROW(Import(p, p.BaseScenario(), "/nonexistent/x.nodes"), EFOpenError);
}

TEST(NetworkCommands, ImportIsOneUndoableCommand) {
    TProject sample;
    BuildSampleStudy(sample);
    TScenario* s1 = static_cast<TScenario*>(sample.Scenarios().FindByName("01A"));
    ASSERT_TRUE(s1);
    // Files of a different network: the small one, into the sample's child scenario.
    SmallNet n;
    TempDir dir;
    ExportNetwork(n.p, n.base, dir.Path());
    const std::string before = DumpProject(sample);
    undo::TCommandStack stack;
    for (TNetworkFileKind kind : kReadable) {
        TImportNetworkCmd cmd(sample, s1, NetworkFileName(n.p, n.base, kind, dir.Path()));
        EXPECT_STREQ(cmd.Name(), "Import Network");
        cmd.Execute(stack);
    }
    ASSERT_EQ(stack.TopCommand()->Name(), "Import Network");
    EXPECT_NE(DumpProject(sample), before);
    EXPECT_EQ(ConsistencyReport(sample), "");
    for (int i = 0; i < 5; ++i)
        stack.UndoTop();
    EXPECT_EQ(DumpProject(sample), before);

    // A failing line: the command stays on the stack with what was applied; undo reverts it.
    WriteFile(dir.File("bad.links"), "1,1,2,1,3,1,1\n1,1,x,1,3,1,1\n");
    TImportNetworkCmd bad(sample, s1, dir.File("bad.links"));
    EXPECT_THROW(bad.Execute(stack), EConvertError);
    ASSERT_NE(stack.TopCommand(), nullptr);
    EXPECT_NE(DumpProject(sample), before);
    stack.UndoTop();
    EXPECT_EQ(DumpProject(sample), before);
    // A file that cannot be read at all leaves no command behind.
    TImportNetworkCmd wrong(sample, s1, dir.File("x.txt"));
    EXPECT_THROW(wrong.Execute(stack), EInvalidFormat);
    EXPECT_EQ(stack.TopCommand(), nullptr);
}

// Collects the distinct progress texts in the order they first appear.
class ProgressTexts : public TMessageHandler {
public:
    ProgressTexts() { PushMessageHandler(this); }
    ~ProgressTexts() override { PopMessageHandler(this); }
    void Progress(const std::string& text, double fraction) override {
        if (!text.empty() && (texts.empty() || texts.back() != text)) texts.push_back(text);
        EXPECT_GE(fraction, 0.0);
        EXPECT_LE(fraction, 1.0);
    }
    std::vector<std::string> texts;
};

TEST(NetworkCommands, ProgressTexts) {
    SmallNet n;
    TempDir dir;
    {
        ProgressTexts progress;
        ExportNetwork(n.p, n.base, dir.Path());
        EXPECT_EQ(progress.texts, (std::vector<std::string>{
                                      "Exporting Nodes", "Exporting Links", "Exporting Routes",
                                      "Exporting Link-Routes", "Exporting Turn Restrictions"}));
    }
    TProject copy;
    ProgressTexts progress;
    const std::pair<TNetworkFileKind, const char*> files[] = {
        {TNetworkFileKind::Nodes, "1,0,0,0\n"},
        {TNetworkFileKind::Links, "1,1,2,1,1,1,1\n"},
        {TNetworkFileKind::Opers, "4,a,b,1\n"},
        {TNetworkFileKind::Routes, "1,2,4,1\n"},
        {TNetworkFileKind::Turns, "1,2,*,0\n"}};
    for (const auto& [kind, text] : files)
        ImportText(copy, copy.BaseScenario(), kind, text);
    EXPECT_EQ(progress.texts,
              (std::vector<std::string>{"Importing Nodes", "Importing Links", "Importing Routes",
                                        "Importing Link-Routes", "Importing Turn Restrictions"}));
}

TEST(NetworkCommands, ExportWritesSpeedsOnlyForAssignmentResults) {
    SmallNet n;
    TLinkTypeOper* rec = n.type->GetOrCreateOperatorData(n.bus);
    rec->SetValueIn(n.base, TLinkTypeOper::kFreeFlowSpeed, TValue(40.0));
    for (std::size_t i = 0; i < n.p.Links().Count(); ++i)
        n.p.Links().Get(i)->SetValueIn(n.base, TLink::kSpeed, TValue(30.0));
    TempDir dir;
    const std::string speeds = NetworkFileName(n.p, n.base, TNetworkFileKind::Speeds, dir.Path());
    WriteFile(speeds, "old\r\n");
    TExportNetworkCmd(n.p, n.base, dir.Path()).Execute();
    EXPECT_FALSE(fs::exists(speeds));
    n.p.SetAssignmentResults(true);
    TExportNetworkCmd(n.p, n.base, dir.Path()).Execute();
    // The two links of the route, with the bus at the link's speed (its own is the type's
    // reference); the first route-link on a link has no stop time.
    EXPECT_EQ(ReadFile(speeds),
              "Link Id,Origin Id,Destination Id,Operator,Distance,Speed,StopTime\r\n"
              "     8,     2,     3,     5,   1.5,       30,        0\r\n"
              "     9,     3,    10,     5,   1.5,       30,        0\r\n");
}

} // namespace
} // namespace zep::files
