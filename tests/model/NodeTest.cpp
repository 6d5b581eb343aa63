// Nodes, node types and zones: property tables, existence through links, lookups, the nearest
// node and the records of the model's own network file.
#include <gtest/gtest.h>

#include <cstring>

#include "ModeTestStudy.h"
#include "foundation/Stream.h"
#include "tests/model/LinkTestProject.h"

namespace zep::model::test {
namespace {

using TNodeFixture = TNetFixture;

TEST(NodeTest, PropertyTables) {
    const TValue none;
    ExpectTable(TNode::ClassSpecs(),
                {{253, "id", varInteger, psAttribute, none, none, none},
                 {1, "x", varDouble, psUnversioned, none, none, none},
                 {2, "y", varDouble, psUnversioned, none, none, none},
                 {3, "node_type", varInteger, psNoAttribute, none, TValue(0), TValue(4)}});
    EXPECT_EQ(TNode::ClassSpecs().ById(253).KeyPrefix(), "n");
    ExpectTable(TZone::ClassSpecs(),
                {{253, "id", varInteger, psAttribute, none, none, none},
                 {20, "external", varBoolean, psUnversioned, TValue(false), none, none},
                 {21, "macro_zone", varError, 0, none, none, none},
                 {30, "internal_cost_factor", varDouble, psUnversioned, TValue(0.0), TValue(0.0),
                  TValue(1.0)},
                 {1, "x", varDouble, psUnversioned, none, none, none}});
    EXPECT_EQ(TZone::ClassSpecs().ById(253).KeyPrefix(), "z");
    EXPECT_EQ(TNode::ClassSpecs().ById(253).KeyPrefix(), "n"); // the parent's set is untouched
}

TEST_F(TNodeFixture, ExistenceFollowsTheLinks) {
    TNode* a = prj.NewNode(0, 0);
    TNode* b = prj.NewNode(1, 0);
    StartRecording();
    EXPECT_FALSE(a->IsUsedIn(base));
    a->SetUsedIn(base, true); // the node's own "used" is not consulted
    EXPECT_FALSE(a->IsUsedIn(base));
    auto* l = new TLink(&prj, a, b);
    prj.links.Add(l);
    EXPECT_FALSE(a->IsUsedIn(s1));
    l->SetUsedIn(s1, true);
    for (TScenario* s : {s1, s2}) {
        EXPECT_TRUE(a->IsUsedIn(s));
        EXPECT_TRUE(b->IsUsedIn(s));
    }
    EXPECT_FALSE(b->IsUsedIn(base));
    EXPECT_FALSE(b->IsUsedIn(sib));

    // Versions: those of its links, not its own.
    EXPECT_TRUE(b->HasVersion(s1));
    EXPECT_TRUE(b->HasVersion(base)); // the link's length
    EXPECT_FALSE(b->HasVersion(s2));
    auto withVersions = b->ScenariosWithVersions(prj.scenarios);
    ASSERT_EQ(withVersions->Count(), 2u);
    EXPECT_EQ(withVersions->Get(0), base);
    EXPECT_EQ(withVersions->Get(1), s1);
    EXPECT_FALSE(withVersions->Owns());

    l->SetUsedIn(s2, false);
    EXPECT_FALSE(a->IsUsedIn(s2));
    UndoAll();
    EXPECT_FALSE(a->IsUsedIn(s1));
    EXPECT_EQ(a->OutLinks().Count(), 0u);
    EXPECT_EQ(b->InLinks().Count(), 0u);
}

TEST_F(TNodeFixture, NodeByIdFindsOrAddsAndUndoes) {
    const std::string before = prj.Dump();
    TNode* n7 = prj.nodes.NodeById(7);
    EXPECT_EQ(n7->Id(), 7);
    EXPECT_EQ(n7->KeyText(), "n_7");
    EXPECT_EQ(prj.nodes.NodeById(7), n7);
    EXPECT_EQ(prj.nodes.Count(), 1u);
    TNode* next = prj.nodes.NodeById(0);
    EXPECT_NE(next, n7);
    EXPECT_EQ(next->Id(), 8); // 0 asks the list for the next free identifier
    UndoAll();
    EXPECT_EQ(prj.nodes.Count(), 0u);
    EXPECT_EQ(prj.Dump(), before);
}

TEST_F(TNodeFixture, NearestNodeQualifiesAndBreaksTiesByOrder) {
    TNode* unused = prj.NewNode(1, 0, 1);
    TZone* zone = prj.NewZone(0, 2, 2);
    TNode* a = prj.NewNode(-2, 0, 3);
    TNode* b = prj.NewNode(2, 0, 4); // as far as a
    prj.NewLink(a, b);
    const TFloatPoint origin{0, 0};
    EXPECT_EQ(prj.nodes.NearestNode(origin, base, true, -1), unused);
    EXPECT_EQ(prj.nodes.NearestNode(origin, nullptr, false, -1), unused);
    EXPECT_EQ(prj.nodes.NearestNode(origin, base, false, -1), zone);   // a zone always qualifies
    EXPECT_EQ(prj.nodes.NearestNode(origin, sib, false, -1), zone);    // the link is used there too
    EXPECT_EQ(prj.nodes.NearestNode(origin, base, false, 2), nullptr); // strictly closer only
    EXPECT_EQ(prj.nodes.NearestNode(origin, base, false, 2.0001), zone);
    EXPECT_EQ(prj.nodes.NearestNode(origin, base, true, 0), nullptr);
    prj.nodes.Remove(zone);
    prj.nodes.Remove(unused);
    EXPECT_EQ(prj.nodes.NearestNode(origin, base, false, -1), a); // the earlier of two
    EXPECT_EQ(prj.nodes.NearestNode({0.1, 0}, base, false, -1), b);
    TNodeList empty(false);
    EXPECT_EQ(empty.NearestNode(origin, nullptr, true, -1), nullptr);
}

TEST_F(TNodeFixture, PositionNodeTypeAndZoneFlags) {
    TNode* n = prj.NewNode(3, 4);
    TZone* z = prj.NewZone(0, 0);
    StartRecording();
    EXPECT_EQ(n->Position(), (TFloatPoint{3, 4}));
    EXPECT_FALSE(n->IsZone());
    TNodeType centroid;
    n->SetNodeType(&centroid);
    n->SetPosition({-1, 2.5});
    EXPECT_EQ(n->NodeType(), &centroid);
    EXPECT_DOUBLE_EQ(n->GetFloat(TNode::kY), 2.5);

    EXPECT_TRUE(z->IsZone());
    EXPECT_FALSE(z->IsExternal());
    z->SetExternal(true);
    EXPECT_TRUE(z->IsExternal());
    EXPECT_TRUE(z->GetBoolean(TZone::kExternal));
    EXPECT_EQ(z->KeyText(), "z_" + std::to_string(z->Id()));
    TZoneList zones(false);
    zones.Add(z);
    EXPECT_EQ(zones.Get(0), z);

    UndoAll();
    EXPECT_EQ(n->NodeType(), nullptr);
    EXPECT_EQ(n->Position(), (TFloatPoint{3, 4}));
    EXPECT_FALSE(z->IsExternal());
}

TEST_F(TNodeFixture, FreedNodeLeavesNoLinkPointingAtIt) {
    TNode* a = prj.NewNode(0, 0);
    TNode* b = prj.NewNode(1, 0);
    TLink* ab = prj.NewLink(a, b);
    TLink* ba = prj.NewLink(b, a);
    undo::SetCurrentUndoSet(nullptr); // freed at once: nothing could bring it back
    prj.nodes.Remove(a);
    EXPECT_EQ(ab->Tail(), nullptr);
    EXPECT_EQ(ba->Head(), nullptr);
    EXPECT_EQ(b->InLinks().Count(), 0u);
    EXPECT_EQ(b->OutLinks().Count(), 0u);
    EXPECT_EQ(ab->Head(), b);
}

TEST(NodeTest, NetworkFileRecords) {
    TNode n;
    n.SetName("  Pla\xE7"
              "a\t");
    n.SetFloat(TNode::kX, 1.5);
    n.SetFloat(TNode::kY, -2);
    n.networkFileFlag_ = true;
    TMemoryStream out;
    n.StoreZEPTPar(out);
    const std::string& d = out.Data();
    ASSERT_EQ(d.size(), 1u + 5 + 1 + 16 + 1 + 64);
    EXPECT_EQ(d.substr(0, 6), std::string("\x05Pla\x87"
                                          "a",
                                          6)); // OEM code page
    EXPECT_EQ(d[6], '\0');
    double x, y;
    std::memcpy(&x, d.data() + 7, 8);
    std::memcpy(&y, d.data() + 15, 8);
    EXPECT_EQ(x, 1.5);
    EXPECT_EQ(y, -2);
    EXPECT_EQ(static_cast<unsigned char>(d[23]), 0xFF);
    EXPECT_EQ(d.substr(24), std::string(64, '\0'));

    TNodeType t;
    t.SetName(" Centroid Pla\xE7"
              "a ");
    TMemoryStream tout;
    t.StoreZEPTPar(tout);
    EXPECT_EQ(tout.Data().size(), 1u + 14 + 64);
    TMemoryStream tin(tout.Data());
    TNodeType back;
    back.loadZEPTPar(tin);
    EXPECT_EQ(back.GetName(), "Centroid Pla\xE7"
                              "a");
    TMemoryStream shortRecord(std::string("\x03"
                                          "ab",
                                          3));
    EXPECT_THROW(back.loadZEPTPar(shortRecord), EReadError);
    EXPECT_EQ(back.GetName(), "Centroid Pla\xE7"
                              "a");
}

} // namespace
} // namespace zep::model::test
