// Networks as the public collection writes them: layout variations import to one study,
// parallel links keep every route open at the same free-flow time, node numbers the metadata
// does not announce are kept, and files that contradict each other stop at the line concerned.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <queue>
#include <random>
#include <set>

#include "files/TntpImport.h"
#include "model/Consistency.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::files {
namespace {

using namespace zep::model;

struct Files {
    std::string net, nodes, trips;
};

// Imports texts as if read from n.tntp, c.tntp and t.tntp (empty texts are absent files).
void Import(TProject& p, const Files& f, TTntpNotes* notes = nullptr) {
    TTntpNetwork net = ParseTntpNetwork(f.net, "n.tntp", notes);
    std::vector<TTntpNode> nodes;
    TTntpTrips trips;
    TTntpImportInput in;
    in.network = &net;
    in.networkFile = "n.tntp";
    in.nodesFile = "c.tntp";
    in.tripsFile = "t.tntp";
    in.notes = notes;
    if (!f.nodes.empty()) {
        nodes = ParseTntpNodes(f.nodes, "c.tntp", notes);
        in.nodes = &nodes;
    }
    if (!f.trips.empty()) {
        trips = ParseTntpTrips(f.trips, "t.tntp", notes);
        in.trips = &trips;
    }
    ImportTntp(p, in);
}

std::string ErrorOf(const Files& f) {
    try {
        TProject p;
        Import(p, f);
    } catch (const ETntpError& e) {
        return e.what();
    }
    return "(no error)";
}

const Files kPlain = {
    "<NUMBER OF ZONES> 2\n<NUMBER OF NODES> 4\n<FIRST THRU NODE> 3\n<NUMBER OF LINKS> 6\n"
    "<END OF METADATA>\n\n"
    "~\tinit\tterm\tcapacity\tlength\tfftime\tb\tpower\tspeed\ttoll\ttype\t;\n"
    "\t1\t3\t900\t2\t1\t0.15\t4\t0\t0\t1\t;\n"
    "\t3\t1\t900\t2\t1\t0.15\t4\t0\t0\t1\t;\n"
    "\t3\t4\t500\t6\t2\t0.15\t4\t0\t0\t2\t;\n"
    "\t4\t3\t500\t6\t2\t0.15\t4\t0\t0\t2\t;\n"
    "\t4\t2\t900\t2\t1\t0.15\t4\t0\t0\t1\t;\n"
    "\t2\t4\t900\t2\t1\t0.15\t4\t0\t0\t1\t;\n",
    "Node\tX\tY\t;\n1\t0\t0\t;\n2\t30\t0\t;\n3\t10\t0\t;\n4\t20\t0\t;\n",
    "<NUMBER OF ZONES> 2\n<TOTAL OD FLOW> 30\n<END OF METADATA>\n\n"
    "Origin \t1 \n    1 :      0.0;     2 :     10.0; \n\nOrigin \t2 \n    1 :     20.0; \n"};

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size())
        s.replace(p, from.size(), to);
    return s;
}

// The layouts the collection uses all give the very same study, with nothing to note.
TEST(TntpTolerance, LayoutVariationsImportToTheSameStudy) {
    TProject reference;
    Import(reference, kPlain);
    const std::string expected = DumpProject(reference);
    EXPECT_EQ(ConsistencyReport(reference), "");
    EXPECT_EQ(reference.Validate()->Count(), 0u);

    auto all = [](Files f, const std::string& from, const std::string& to) {
        f.net = Replace(f.net, from, to);
        f.nodes = Replace(f.nodes, from, to);
        f.trips = Replace(f.trips, from, to);
        return f;
    };
    std::vector<std::pair<const char*, Files>> variants = {
        {"no ';'", all(kPlain, "\t;", "")},
        {"CR LF", all(kPlain, "\n", "\r\n")},
        {"blanks", all(kPlain, "\t", "  ")},
        {"comments", all(kPlain, "\n", "\n~ note ; : Origin 9\n\n")},
        {"lower-case tags", all(all(kPlain, "<NUMBER OF ", "<number of "), "<END OF", "<end of")},
        {"notation", all(all(kPlain, "\t3\t", "\t3.0\t"), "\t4\t", "\t+4e0\t")},
        {"headings", all(all(kPlain, "Node\tX\tY", "node_id lon lat"), "Origin", "ORIGIN")},
    };
    const std::string bom = "\xEF\xBB\xBF";
    variants.push_back(
        {"byte order marks", {bom + kPlain.net, bom + kPlain.nodes, bom + kPlain.trips}});
    Files lf = kPlain;
    lf.net = Replace(lf.net, "\t;\n", "\t;\t~ end\n");
    variants.push_back({"trailing comments", lf});
    for (const auto& [name, files] : variants) {
        SCOPED_TRACE(name);
        TProject p;
        TTntpNotes notes;
        Import(p, files, &notes);
        EXPECT_EQ(DumpProject(p), expected);
        EXPECT_EQ(notes.Lines(), std::vector<std::string>());
    }
}

TEST(TntpTolerance, UnannouncedNodeNumbersAreKept) {
    Files f = kPlain;
    // Node 4 is called 40, one link reaches node 7 that no metadata announces, the trips name
    // node 7 as a zone and announce 3 zones; the positions name a node 99 nobody has.
    for (const char* pair : {"\t3\t4\t", "\t4\t3\t", "\t4\t2\t", "\t2\t4\t"})
        f.net = Replace(f.net, pair, Replace(pair, "4", "40"));
    f.net = Replace(f.net, "<NUMBER OF LINKS> 6", "<NUMBER OF LINKS> 8");
    f.net += "40\t7\t100\t1\t1\n7\t40\t100\t1\t1\n";
    f.nodes = Replace(f.nodes, "4\t20", "40\t20") + "7 25 5\n99 0 0\n";
    f.trips = Replace(Replace(f.trips, "<NUMBER OF ZONES> 2", "<NUMBER OF ZONES> 3"),
                      "<TOTAL OD FLOW> 30", "<TOTAL OD FLOW> 35") +
              "Origin 7\n 1 : 5;\n";
    TProject p;
    TTntpNotes notes;
    Import(p, f, &notes);
    std::set<std::int32_t> ids, zones;
    for (std::size_t i = 0; i < p.Nodes().Count(); ++i) {
        ids.insert(p.Nodes().Get(i)->Id());
        if (p.Nodes().Get(i)->IsZone()) zones.insert(p.Nodes().Get(i)->Id());
    }
    EXPECT_EQ(ids, (std::set<std::int32_t>{1, 2, 3, 7, 40}));
    EXPECT_EQ(zones, (std::set<std::int32_t>{1, 2, 7}));
    EXPECT_EQ(p.FindNode(40)->Position().x, 20);
    EXPECT_EQ(p.Links().Count(), 8u);
    EXPECT_TRUE(p.FindLinkByIds(7, 40));
    EXPECT_EQ(ConsistencyReport(p), "");
    EXPECT_EQ(p.Validate()->Count(), 0u);
    EXPECT_EQ(notes.Lines(),
              (std::vector<std::string>{
                  "links without their last fields (b 0.15, power 4, speed 0, toll 0 and link "
                  "type 1 taken for the missing ones): 2, first at n.tntp:14: 5 fields",
                  "node numbers beyond <NUMBER OF NODES> (kept as the nodes' numbers): 2, first "
                  "at n.tntp:10: node 40, <NUMBER OF NODES> is 4",
                  "demand files announcing another number of zones than the network (the zones "
                  "the trips name kept): 1, first at t.tntp:1: <NUMBER OF ZONES> is 3, the "
                  "network has 2",
                  "nodes beyond <NUMBER OF ZONES> that the trips name (made zones): 1, first at "
                  "t.tntp:11: origin 7, <NUMBER OF ZONES> is 2",
                  "positions of nodes the network does not have (left out): 1, first at "
                  "c.tntp:7: node 99",
                  "announced nodes that no link, trip or position names (left out): 1, first at "
                  "n.tntp:2: node 4"}));
}

TEST(TntpTolerance, ContradictionsStopAtTheirLine) {
    Files strangerZone = kPlain;
    strangerZone.trips += "Origin 3\n 9 : 1;\n";
    Files unplaced = kPlain;
    unplaced.nodes = Replace(unplaced.nodes, "4\t20\t0\t;\n", "");
    Files tripOnly = kPlain;
    tripOnly.trips =
        Replace(tripOnly.trips, "<NUMBER OF ZONES> 2", "<NUMBER OF ZONES> 4") + "Origin 4\n";
    tripOnly.net = Replace(tripOnly.net, "<NUMBER OF NODES> 4", "<NUMBER OF NODES> 5");
    tripOnly.trips += "Origin 5\n 1 : 1\n";
    Files crowded = kPlain;
    crowded.nodes.clear();
    crowded.net = Replace(crowded.net, "\t4\t2\t", "\t2147483647\t2\t") + "2147483647 2 1 1 1\n";
    const std::pair<Files, const char*> cases[] = {
        {strangerZone, "t.tntp:11: destination 9 is not a node of the network n.tntp"},
        {unplaced, "n.tntp:10: node 4 has no position in c.tntp"},
        {tripOnly, "t.tntp:12: node 5 has no position in c.tntp"},
        {crowded, "n.tntp:14: no node number is left for the midpoint of a further link from "
                  "node 2147483647 to node 2"},
    };
    for (const auto& [files, message] : cases)
        EXPECT_EQ(ErrorOf(files), message);
    TProject p;
    Import(p, kPlain);
    EXPECT_EQ(ErrorOf(kPlain), "(no error)");
    try {
        Import(p, kPlain);
        ADD_FAILURE();
    } catch (const ETntpError& e) {
        EXPECT_EQ(e.Message(), "n.tntp: the study already holds a network");
    }
}

// Least free-flow times from every zone over a list of (tail, head, time) arcs.
using Arcs = std::vector<std::tuple<std::int32_t, std::int32_t, double>>;
std::map<std::pair<std::int32_t, std::int32_t>, double> LeastTimes(const Arcs& arcs,
                                                                   std::int32_t zones) {
    std::map<std::int32_t, std::vector<std::pair<std::int32_t, double>>> out;
    for (const auto& [a, b, t] : arcs)
        out[a].push_back({b, t});
    std::map<std::pair<std::int32_t, std::int32_t>, double> result;
    for (std::int32_t z = 1; z <= zones; ++z) {
        std::map<std::int32_t, double> dist{{z, 0.0}};
        using Item = std::pair<double, std::int32_t>;
        std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
        queue.push({0.0, z});
        while (!queue.empty()) {
            auto [d, n] = queue.top();
            queue.pop();
            if (d > dist[n]) continue;
            for (const auto& [m, t] : out[n])
                if (!dist.count(m) || d + t < dist[m]) {
                    dist[m] = d + t;
                    queue.push({d + t, m});
                }
        }
        for (const auto& [n, d] : dist)
            result[{z, n}] = d;
    }
    return result;
}

// Random networks full of parallel links: every zone reaches every node in the same least
// free-flow time as over the original links, and each split link keeps its values.
TEST(TntpTolerance, ParallelLinksKeepTheirRoutesAndTimes) {
    std::mt19937 rng(15);
    for (int round = 0; round < 60; ++round) {
        const std::int32_t nodes = 2 + static_cast<std::int32_t>(rng() % 12);
        const std::int32_t zones = 1 + static_cast<std::int32_t>(rng() % nodes);
        std::uniform_int_distribution<std::int32_t> node(1, nodes);
        std::vector<TTntpLink> links;
        // Few distinct pairs, many links: most pairs carry several.
        const int pairs = 1 + static_cast<int>(rng() % 8);
        std::vector<std::pair<std::int32_t, std::int32_t>> chosen;
        for (int i = 0; i < pairs; ++i) {
            std::int32_t a = node(rng), b = node(rng);
            if (a == b) b = a % nodes + 1;
            chosen.push_back({a, b});
        }
        std::string text = "<NUMBER OF ZONES> " + std::to_string(zones) + "\n<NUMBER OF NODES> " +
                           std::to_string(nodes) + "\n";
        const int count = 1 + static_cast<int>(rng() % 20);
        text += "<NUMBER OF LINKS> " + std::to_string(count) + "\n<END OF METADATA>\n";
        std::uniform_real_distribution<double> real(0.5, 10);
        for (int i = 0; i < count; ++i) {
            TTntpLink l;
            std::tie(l.init, l.term) = chosen[rng() % chosen.size()];
            l.capacity = real(rng);
            l.length = real(rng);
            l.freeFlowTime = i > 0 && rng() % 5 == 0 ? 0.0 : real(rng); // one time > 0
            l.linkType = 1 + static_cast<std::int32_t>(rng() % 2);
            links.push_back(l);
            char line[200];
            std::snprintf(line, sizeof line, "%d\t%d\t%.17g\t%.17g\t%.17g\t0.15\t4\t0\t0\t%d\n",
                          l.init, l.term, l.capacity, l.length, l.freeFlowTime, l.linkType);
            text += line;
        }
        SCOPED_TRACE(text);
        TProject p;
        TTntpNotes notes;
        Import(p, {text, "", ""}, &notes);
        TScenario* s = p.BaseScenario();

        double fastest = 0;
        for (const TTntpLink& l : links)
            if (l.freeFlowTime > 0) fastest = std::max(fastest, l.length / l.freeFlowTime);
        Arcs original, imported;
        std::set<std::pair<std::int32_t, std::int32_t>> seen;
        std::size_t parallel = 0;
        for (const TTntpLink& l : links) {
            original.push_back(
                {l.init, l.term, l.freeFlowTime > 0 ? l.freeFlowTime : l.length / fastest});
            if (!seen.insert({l.init, l.term}).second) ++parallel;
        }
        for (std::size_t i = 0; i < p.Links().Count(); ++i) {
            TLink* link = p.Links().Get(i);
            imported.push_back(
                {link->Tail()->Id(), link->Head()->Id(),
                 link->GetFloatIn(s, TLink::kLength) / link->GetFloatIn(s, TLink::kSpeed)});
        }
        const auto want = LeastTimes(original, zones);
        const auto got = LeastTimes(imported, zones);
        for (const auto& [pair, time] : want) {
            auto it = got.find(pair);
            ASSERT_NE(it, got.end()) << pair.first << "->" << pair.second;
            EXPECT_NEAR(it->second, time, 1e-9 * std::max(time, 1.0))
                << pair.first << "->" << pair.second;
        }

        // Direct check of the split links: the k-th link of a pair (k > 1, file order) runs
        // through a midpoint node of its own, both halves carrying its capacity, its speed and
        // half its length; the first half keeps the line's number.
        ASSERT_EQ(p.Links().Count(), links.size() + parallel);
        std::set<std::int32_t> ends;
        for (const TTntpLink& l : links)
            ends.insert({l.init, l.term});
        ASSERT_EQ(p.Nodes().Count(), ends.size() + parallel);
        const TTntpNotes::TEntry* note =
            notes.Find("parallel links (each further one split by an added node at its midpoint)");
        EXPECT_EQ(note ? note->count : 0, parallel);
        seen.clear();
        for (std::size_t i = 0; i < links.size(); ++i) {
            const TTntpLink& l = links[i];
            TLink* first = nullptr;
            for (std::size_t k = 0; k < p.Links().Count(); ++k)
                if (p.Links().Get(k)->Id() == static_cast<std::int32_t>(i + 1))
                    first = p.Links().Get(k);
            ASSERT_TRUE(first);
            EXPECT_EQ(first->Tail()->Id(), l.init);
            const double speed = l.freeFlowTime > 0 ? l.length / l.freeFlowTime : fastest;
            if (seen.insert({l.init, l.term}).second) {
                EXPECT_EQ(first->Head()->Id(), l.term);
                EXPECT_EQ(first->GetFloatIn(s, TLink::kLength), l.length);
                continue;
            }
            TNode* mid = first->Head();
            EXPECT_GT(mid->Id(), nodes);
            EXPECT_FALSE(mid->IsZone());
            ASSERT_EQ(mid->OutLinks().Count(), 1u);
            ASSERT_EQ(mid->InLinks().Count(), 1u);
            auto* second = static_cast<TLink*>(mid->OutLinks().Get(0));
            EXPECT_EQ(second->Head()->Id(), l.term);
            EXPECT_GT(second->Id(), static_cast<std::int32_t>(links.size()));
            for (TLink* half : {first, second}) {
                EXPECT_EQ(half->GetFloatIn(s, TLink::kCapacity), l.capacity);
                EXPECT_EQ(half->GetFloatIn(s, TLink::kLength), l.length / 2);
                EXPECT_DOUBLE_EQ(half->GetFloatIn(s, TLink::kSpeed), speed);
                EXPECT_EQ(half->LinkTypeIn(s)->Id(), l.linkType);
                EXPECT_FALSE(half->GetBooleanIn(s, TLink::kTwoWay));
            }
        }
        EXPECT_EQ(ConsistencyReport(p), "");
    }
}

// A split link lies between its ends on the map, and a study of parallel links validates.
TEST(TntpTolerance, SplitLinksValidate) {
    Files f = kPlain;
    f.net = Replace(f.net, "<NUMBER OF LINKS> 6", "<NUMBER OF LINKS> 9") +
            "3 4 800 6 1.5 0.15 4 0 0 3 ;\n4 3 800 6 1.5 0.15 4 0 0 3 ;\n3 4 100 9 9 ;\n";
    TProject p;
    Import(p, f);
    EXPECT_EQ(p.Nodes().Count(), 7u);
    EXPECT_EQ(p.Links().Count(), 12u);
    TNode* mid = p.FindNode(5);
    ASSERT_TRUE(mid);
    EXPECT_EQ(mid->Position().x, 15);
    EXPECT_EQ(mid->Position().y, 0);
    EXPECT_EQ(ConsistencyReport(p), "");
    auto invalid = p.Validate();
    for (std::size_t i = 0; i < invalid->Count(); ++i)
        ADD_FAILURE() << invalid->Get(i)->KeyText() << ": " << invalid->Get(i)->ErrorMessage();
}

} // namespace
} // namespace zep::files
