#include "files/TntpReader.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include <gtest/gtest.h>

namespace zep::files {
namespace {

namespace fs = std::filesystem;

std::string Networks() {
    return std::string(ZEP_SHARED_DATA) + "/networks/";
}

template <typename F> std::string ErrorOf(F&& parse) {
    try {
        parse();
    } catch (const ETntpError& e) {
        return e.what();
    }
    return "(no error)";
}

struct RealNetwork {
    const char* net;
    const char* trips;
    const char* nodes;
    const char* flows;
    std::int32_t zones, nodeCount, links, firstThru;
};

const RealNetwork kRealNetworks[] = {
    {"SiouxFalls/SiouxFalls_net.tntp", "SiouxFalls/SiouxFalls_trips.tntp",
     "SiouxFalls/SiouxFalls_node.tntp", "SiouxFalls/SiouxFalls_flow.tntp", 24, 24, 76, 1},
    {"Anaheim/Anaheim_net.tntp", "Anaheim/Anaheim_trips.tntp", "Anaheim/anaheim_nodes.geojson",
     "Anaheim/Anaheim_flow.tntp", 38, 416, 914, 39},
    {"Chicago-Sketch/ChicagoSketch_net.tntp", "Chicago-Sketch/ChicagoSketch_trips.tntp",
     "Chicago-Sketch/ChicagoSketch_node.tntp", "Chicago-Sketch/ChicagoSketch_flow.tntp", 387, 933,
     2950, 1},
};

TEST(TntpReader, RealNetworksAgreeWithTheirMetadata) {
    if (!fs::exists(Networks())) GTEST_SKIP() << "no shared data";
    for (const auto& r : kRealNetworks) {
        SCOPED_TRACE(r.net);
        TTntpNetwork net = ReadTntpNetwork(Networks() + r.net);
        EXPECT_EQ(net.zones, r.zones);
        EXPECT_EQ(net.nodes, r.nodeCount);
        EXPECT_EQ(net.firstThruNode, r.firstThru);
        EXPECT_EQ(net.links.size(), static_cast<std::size_t>(r.links));
        std::set<std::int32_t> used;
        for (const auto& l : net.links) {
            used.insert(l.init);
            used.insert(l.term);
        }
        EXPECT_EQ(used.size(), static_cast<std::size_t>(r.nodeCount));

        TTntpTrips trips = ReadTntpTrips(Networks() + r.trips);
        EXPECT_EQ(trips.zones, r.zones);
        ASSERT_TRUE(trips.declaredTotal.has_value());
        EXPECT_NEAR(trips.Total(), *trips.declaredTotal, *trips.declaredTotal * 1e-9);
        std::set<std::int32_t> origins;
        for (const auto& t : trips.trips)
            origins.insert(t.origin);
        // Every zone is an origin, except that Chicago's block of origin 384 is empty.
        EXPECT_EQ(origins.size(), static_cast<std::size_t>(r.zones) - (r.zones == 387 ? 1 : 0));
        if (r.zones == 387) {
            EXPECT_EQ(origins.count(384), 0u);
        }

        std::string nodeFile = Networks() + r.nodes;
        std::vector<TTntpNode> nodes =
            nodeFile.ends_with(".geojson") ? ReadGeoJsonNodes(nodeFile) : ReadTntpNodes(nodeFile);
        std::set<std::int32_t> placed;
        for (const auto& n : nodes)
            placed.insert(n.id);
        EXPECT_EQ(placed, used);

        // The published flows list the network's links in the same order.
        std::vector<TTntpFlow> flows = ReadTntpFlows(Networks() + r.flows);
        ASSERT_EQ(flows.size(), net.links.size());
        for (std::size_t i = 0; i < flows.size(); ++i) {
            ASSERT_EQ(flows[i].from, net.links[i].init) << i;
            ASSERT_EQ(flows[i].to, net.links[i].term) << i;
        }
    }
}

TEST(TntpReader, RealValuesArriveUnchanged) {
    if (!fs::exists(Networks())) GTEST_SKIP() << "no shared data";
    TTntpNetwork sioux = ReadTntpNetwork(Networks() + "SiouxFalls/SiouxFalls_net.tntp");
    const TTntpLink& l = sioux.links.front();
    EXPECT_EQ(l.init, 1);
    EXPECT_EQ(l.term, 2);
    EXPECT_EQ(l.capacity, 25900.20064);
    EXPECT_EQ(l.length, 6);
    EXPECT_EQ(l.freeFlowTime, 6);
    EXPECT_EQ(l.b, 0.15);
    EXPECT_EQ(l.power, 4);
    EXPECT_EQ(l.linkType, 1);
    EXPECT_EQ(l.line, 10);
    EXPECT_EQ(sioux.metadata.size(), 5u);
    EXPECT_EQ(sioux.metadata[4].name, "ORIGINAL HEADER");

    TTntpTrips trips = ReadTntpTrips(Networks() + "Anaheim/Anaheim_trips.tntp");
    EXPECT_EQ(trips.trips.front().origin, 1);
    EXPECT_EQ(trips.trips.front().destination, 2);
    EXPECT_EQ(trips.trips.front().flow, 1365.90);
    EXPECT_EQ(trips.trips.back().origin, 38);
    EXPECT_EQ(trips.trips.back().destination, 37);
    EXPECT_EQ(trips.trips.back().flow, 2.30);

    std::vector<TTntpNode> geo = ReadGeoJsonNodes(Networks() + "Anaheim/anaheim_nodes.geojson");
    EXPECT_EQ(geo.front().id, 1);
    EXPECT_EQ(geo.front().x, -117.880141713707729);
    EXPECT_EQ(geo.front().y, 33.871155530597115);
    std::vector<TTntpNode> chicago =
        ReadTntpNodes(Networks() + "Chicago-Sketch/ChicagoSketch_node.tntp");
    EXPECT_EQ(chicago.back().id, 933);
    EXPECT_EQ(chicago.back().x, 826173);
    EXPECT_EQ(chicago.back().y, 1823508);
}

// Writes a random network and demand in every layout the collection uses (";" or none, tabs or
// blanks, comments anywhere, three line ends, tags in either case, numbers in several
// notations, optional columns left out, extra columns) and reads them back.
TEST(TntpReader, RandomFilesReadBack) {
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        std::uniform_int_distribution<int> count(1, 40);
        TTntpNetwork net;
        net.nodes = count(rng);
        net.zones = std::uniform_int_distribution<int>(0, net.nodes)(rng);
        net.firstThruNode = net.zones + 1;
        std::uniform_int_distribution<int> node(1, net.nodes);
        std::uniform_real_distribution<double> real(-1e6, 1e6);
        int links = count(rng) - 1;
        for (int i = 0; i < links; ++i) {
            TTntpLink l;
            l.init = node(rng);
            l.term = node(rng);
            l.capacity = real(rng);
            l.length = real(rng);
            l.freeFlowTime = real(rng);
            l.b = real(rng);
            l.power = real(rng);
            l.speed = real(rng);
            l.toll = real(rng);
            l.linkType = node(rng) - 20;
            net.links.push_back(l);
        }
        const char* eol = round % 3 == 0 ? "\r\n" : (round % 3 == 1 ? "\n" : "\r");
        auto sep = [&] { return rng() % 2 ? std::string("\t") : std::string("  "); };
        auto end = [&] {
            const unsigned k = rng() % 3;
            return k == 0 ? std::string(";") : k == 1 ? sep() + ";" : std::string();
        };
        auto tag = [&](std::string name) {
            if (round % 4 == 1)
                for (char& c : name)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return "<" + name + ">";
        };
        auto whole = [&](std::int32_t v) {
            const std::string t = std::to_string(v);
            switch (rng() % 4) {
            case 0:
                return t;
            case 1:
                return v >= 0 ? "+" + t : t;
            case 2:
                return t + ".0";
            default:
                return t + "e0";
            }
        };
        auto num = [](double v) {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.17g", v);
            return std::string(buf);
        };
        std::string text = "~ generated" + std::string(eol);
        text += tag("NUMBER OF ZONES") + " " + std::to_string(net.zones) + eol;
        text += tag("NUMBER OF NODES") + "\t" + whole(net.nodes) + "\t\t" + eol;
        text += "~ between tags" + std::string(eol) + eol;
        if (round % 2) text += tag("FIRST THRU NODE") + " " + whole(net.firstThruNode) + eol;
        text += tag("NUMBER OF LINKS") + " " + std::to_string(links) + eol;
        text += tag("END OF METADATA") + std::string(eol) + eol;
        for (std::size_t i = 0; i < net.links.size(); ++i) {
            auto& l = net.links[i];
            if (i % 7 == 3) text += "  ~ comment ; inside" + std::string(eol) + eol;
            // 5 to 12 fields: those left out take their defaults, those beyond 10 are ignored.
            const std::size_t fields = 5 + rng() % 8;
            if (fields <= 5) l.b = kTntpDefaultB;
            if (fields <= 6) l.power = kTntpDefaultPower;
            if (fields <= 7) l.speed = 0;
            if (fields <= 8) l.toll = 0;
            if (fields <= 9) l.linkType = kTntpDefaultLinkType;
            const double values[] = {l.capacity, l.length, l.freeFlowTime, l.b,
                                     l.power,    l.speed,  l.toll};
            text += sep() + whole(l.init) + sep() + whole(l.term);
            for (std::size_t k = 2; k < fields; ++k)
                text += sep() + (k < 9 ? num(values[k - 2]) : k == 9 ? whole(l.linkType) : "x");
            text += end() + eol;
        }
        TTntpNetwork back = ParseTntpNetwork(text, "r_net.tntp");
        if (round % 2 == 0) net.firstThruNode = 1;
        EXPECT_EQ(back.zones, net.zones);
        EXPECT_EQ(back.nodes, net.nodes);
        EXPECT_EQ(back.firstThruNode, net.firstThruNode);
        ASSERT_EQ(back.links.size(), net.links.size());
        for (std::size_t i = 0; i < net.links.size(); ++i) {
            const auto &a = net.links[i], &b = back.links[i];
            EXPECT_TRUE(a.init == b.init && a.term == b.term && a.capacity == b.capacity &&
                        a.length == b.length && a.freeFlowTime == b.freeFlowTime && a.b == b.b &&
                        a.power == b.power && a.speed == b.speed && a.toll == b.toll &&
                        a.linkType == b.linkType)
                << i;
        }

        if (net.zones == 0) continue;
        std::vector<TTntpTrip> trips;
        std::vector<int> tripLines;
        std::string demand = "<NUMBER OF ZONES> " + std::to_string(net.zones) + eol +
                             "<END OF METADATA>" + eol + eol;
        std::vector<int> zones(static_cast<std::size_t>(net.zones));
        for (int z = 0; z < net.zones; ++z)
            zones[static_cast<std::size_t>(z)] = z + 1;
        std::shuffle(zones.begin(), zones.end(), rng);
        for (int o : zones) {
            if (rng() % 4 == 0) continue;
            demand += (rng() % 2 ? "Origin" : "origin") + sep() + whole(o) + eol;
            std::vector<int> dests = zones;
            std::shuffle(dests.begin(), dests.end(), rng);
            dests.resize(rng() % dests.size());
            for (std::size_t k = 0; k < dests.size(); ++k) {
                double flow = std::fabs(real(rng));
                trips.push_back({o, dests[k], flow});
                int line = 1;
                for (std::size_t at = 0; (at = demand.find(eol, at)) != std::string::npos;
                     at += std::strlen(eol))
                    ++line;
                tripLines.push_back(line);
                demand += sep() + whole(dests[k]) + (k % 2 ? ":" : " : ") + num(flow) +
                          (rng() % 2 ? ";" : " ");
                if (round % 2 ? k % 5 == 4 : rng() % 3 == 0) demand += eol;
            }
            demand += eol;
        }
        TTntpTrips backTrips = ParseTntpTrips(demand, "r_trips.tntp");
        ASSERT_EQ(backTrips.trips.size(), trips.size());
        for (std::size_t i = 0; i < trips.size(); ++i) {
            EXPECT_EQ(backTrips.trips[i].origin, trips[i].origin);
            EXPECT_EQ(backTrips.trips[i].destination, trips[i].destination);
            EXPECT_EQ(backTrips.trips[i].flow, trips[i].flow);
            EXPECT_EQ(backTrips.LineOf(i), tripLines[i]);
        }
        EXPECT_FALSE(backTrips.declaredTotal.has_value());
    }
}

const char* kNetHead = "<NUMBER OF ZONES> 2\n<NUMBER OF NODES> 3\n<NUMBER OF LINKS> 1\n"
                       "<END OF METADATA>\n";

TEST(TntpReader, BadNetworkFiles) {
    struct Case {
        std::string text;
        const char* message;
    };
    const std::string head = kNetHead;
    const Case cases[] = {
        {"", "n.tntp:1: no <END OF METADATA>"},
        {"<NUMBER OF ZONES> 2\n\n", "n.tntp:2: no <END OF METADATA>"},
        {"hello\n<END OF METADATA>\n",
         "n.tntp:1: expected \"<NAME> value\" before <END OF METADATA>"},
        {"<NUMBER OF ZONES 2\n", "n.tntp:1: unterminated metadata tag"},
        {"<NUMBER OF ZONES> 2\n<NUMBER OF ZONES> 3\n", "n.tntp:2: <NUMBER OF ZONES> given twice"},
        {"<NUMBER OF ZONES> 2\n<NUMBER OF LINKS> 0\n<END OF METADATA>\n",
         "n.tntp:3: missing <NUMBER OF NODES>"},
        {"<NUMBER OF ZONES> -2\n<NUMBER OF NODES> 3\n<NUMBER OF LINKS> 0\n<END OF METADATA>\n",
         "n.tntp:1: <NUMBER OF ZONES> '-2' is not a count"},
        {"<NUMBER OF ZONES> 2\n<NUMBER OF NODES> 9999999999\n<NUMBER OF LINKS> 0\n<END OF "
         "METADATA>\n",
         "n.tntp:2: <NUMBER OF NODES> '9999999999' is not a count"},
        {"<NUMBER OF ZONES> 2\n<NUMBER OF NODES> 3\n<FIRST THRU NODE> 1.5\n<NUMBER OF LINKS> 0\n"
         "<END OF METADATA>\n",
         "n.tntp:3: <FIRST THRU NODE> '1.5' is not a count"},
        {head + "1\t2\t1\t1\t1\t0.15\t4\t0\t0\t1\t;\t5\n", "n.tntp:5: unexpected text after ';'"},
        {head + "1\t2\t1\t1\t;\n",
         "n.tntp:5: expected at least 5 fields (init node, term node, capacity, length, "
         "free-flow time), found 4"},
        {head + "0\t2\t1\t1\t1\t0.15\t4\t0\t0\t1\t;\n",
         "n.tntp:5: init node 0 is not within 1..2147483647"},
        {head + "1\t3e9\t1\t1\t1\t0.15\t4\t0\t0\t1\t;\n",
         "n.tntp:5: term node '3e9' is not a node number"},
        {head + "1.5\t2\t1\t1\t1\t0.15\t4\t0\t0\t1\t;\n",
         "n.tntp:5: init node '1.5' is not a node number"},
        {head + "+1\t+-2\t1\t1\t1\t0.15\t4\t0\t0\t1\t;\n",
         "n.tntp:5: term node '+-2' is not a node number"},
        {head + "1\t2\tlots\t1\t1\t0.15\t4\t0\t0\t1\t;\n",
         "n.tntp:5: capacity 'lots' is not a number"},
        {head + "1\t2\t1\tinf\t1\t0.15\t4\t0\t0\t1\t;\n", "n.tntp:5: length 'inf' is not a number"},
        {head + "1\t2\t1\t1\tnan\t0.15\t4\t0\t0\t1\t;\n",
         "n.tntp:5: free-flow time 'nan' is not a number"},
        {head + "1\t2\t1\t1\t1\t0.15\t4\t0\t1e999\t1\t;\n",
         "n.tntp:5: toll '1e999' is not a number"},
        {head + "1\t2\t1\t1\t1\t0.15\t4\t0\t0\t1.5\t;\n",
         "n.tntp:5: link type '1.5' is not an integer"},
        {head + "1\t2\t1\t1\t1\t0.15\t4\t0\t0\t\x01\t;\n",
         "n.tntp:5: link type '?' is not an integer"},
        {head, "n.tntp:3: <NUMBER OF LINKS> is 1 but the file has 0 links"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf([&] { ParseTntpNetwork(c.text, "n.tntp"); }), c.message) << c.text;

    // What the collection's files do and what the data can bear is taken, the data's own
    // adaptations noted.
    TTntpNotes notes;
    TTntpNetwork net = ParseTntpNetwork(
        "<number of zones> 4\n<Number Of  Nodes> 3.0\n<FIRST THRU NODE> 9 ;\n"
        "<NUMBER OF LINKS> 1 ~ one\n<end of metadata>\n"
        "1 2 1 1 1 0.15 4 0 0 1; ~ fine\n+3.0e0 7 1 1 1\n2 1 1 1 1 0.15 4 0 0 2e0 x y\n",
        "n.tntp", &notes);
    EXPECT_EQ(net.zones, 4);
    EXPECT_EQ(net.nodes, 3);
    EXPECT_EQ(net.firstThruNode, 9);
    ASSERT_EQ(net.links.size(), 3u);
    EXPECT_EQ(net.links[1].init, 3);
    EXPECT_EQ(net.links[1].term, 7);
    EXPECT_EQ(net.links[1].b, kTntpDefaultB);
    EXPECT_EQ(net.links[1].power, kTntpDefaultPower);
    EXPECT_EQ(net.links[1].linkType, kTntpDefaultLinkType);
    EXPECT_EQ(net.links[2].linkType, 2);
    EXPECT_EQ(notes.Lines(),
              (std::vector<std::string>{
                  "links without their last fields (b 0.15, power 4, speed 0, toll 0 and link "
                  "type 1 taken for the missing ones): 1, first at n.tntp:7: 5 fields",
                  "links with more than 10 fields (the further ones ignored): 1, first at "
                  "n.tntp:8: 12 fields",
                  "links beyond <NUMBER OF LINKS> (all kept): 2, first at n.tntp:7: <NUMBER OF "
                  "LINKS> is 1, the file has 3"}));
}

TEST(TntpReader, BadTripFiles) {
    struct Case {
        std::string text;
        const char* message;
    };
    const std::string head = "<NUMBER OF ZONES> 3\n<TOTAL OD FLOW> 10\n<END OF METADATA>\n";
    const Case cases[] = {
        {"<TOTAL OD FLOW> 1\n<END OF METADATA>\n", "t.tntp:2: missing <NUMBER OF ZONES>"},
        {"<NUMBER OF ZONES> 3\n<TOTAL OD FLOW> many\n<END OF METADATA>\n",
         "t.tntp:2: <TOTAL OD FLOW> 'many' is not a number"},
        {head + "1 : 5;\n", "t.tntp:4: destination before the first \"Origin\""},
        {head + "Origin 0\n", "t.tntp:4: origin 0 is not within 1..2147483647"},
        {head + "Origin x\n", "t.tntp:4: origin 'x' is not a node number"},
        {head + "Origin\n", "t.tntp:4: origin '' is not a node number"},
        {head + "Origin 1\n 2 : 1; \n\nOrigin 1\n", "t.tntp:7: origin 1 given twice"},
        {head + "Origin 1\n 2 : 1; 0 : 1;\n",
         "t.tntp:5: destination 0 is not within 1..2147483647"},
        {head + "Origin 1\n 2 : 1; 3 : 1;\n 2 : 4;\n",
         "t.tntp:6: destination 2 given twice for origin 1"},
        {head + "Origin 1\n 3 : 1; 1 : 1;\n 3 : 4;\n",
         "t.tntp:6: destination 3 given twice for origin 1"},
        {head + "Origin 1\n 2 1;\n", "t.tntp:5: expected ':' after destination 2"},
        {head + "Origin 1\n 2 : 1 3 : 4 2 : 1\n",
         "t.tntp:5: destination 2 given twice for origin 1"},
        {head + "Origin 1\n 2 : ;\n", "t.tntp:5: flow '' is not a number"},
        {head + "Origin 1\n 2 : -1;\n", "t.tntp:5: negative flow to destination 2"},
        {head + "Origin 1\n 2 : 1e999;\n", "t.tntp:5: flow '1e999' is not a number"},
        {head + "Origin 1\n 2 : 1; Destination 3 : 1;\n",
         "t.tntp:5: unexpected text 'Destination'"},
        {head + "Origin 1\n 2 : 1; : 1;\n", "t.tntp:5: unexpected text ':'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf([&] { ParseTntpTrips(c.text, "t.tntp"); }), c.message) << c.text;
    TTntpNotes notes;
    TTntpTrips ok = ParseTntpTrips(
        head + "~ c\nOrigin\t1 ~ x\n 2:4;3 :6.0;  \r\nORIGIN 2\n\norigin 7\n 1 : 1e1 3.0 : 0\n",
        "t.tntp", &notes);
    ASSERT_EQ(ok.trips.size(), 4u);
    EXPECT_EQ(ok.trips[2].origin, 7);
    EXPECT_EQ(ok.trips[2].flow, 10);
    EXPECT_EQ(ok.trips[3].destination, 3);
    EXPECT_EQ(ok.LineOf(0), 6);
    EXPECT_EQ(ok.LineOf(1), 6);
    EXPECT_EQ(ok.LineOf(3), 10);
    EXPECT_EQ(ok.Total(), 20);
    EXPECT_EQ(*ok.declaredTotal, 10);
    EXPECT_EQ(notes.Lines(), std::vector<std::string>{
                                 "demand files whose flows do not add up to <TOTAL OD FLOW> (the "
                                 "flows kept): 1, first at t.tntp:2: <TOTAL OD FLOW> is 10, the "
                                 "flows add up to 20"});
}

TEST(TntpReader, BadNodeFiles) {
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"Node X Y ;\n1 2 ;\n", "c.tntp:2: expected 3 fields (node, x, y), found 2"},
        {"1 2 3 ;\nNode X Y ;\n", "c.tntp:2: node 'Node' is not a node number"},
        {"1 2 3 ;\n-1 2 3 ;\n", "c.tntp:2: node -1 is not within 1..2147483647"},
        {"1 2 y ;\n", "c.tntp:1: y 'y' is not a number"},
        {"1 2 3 ;\n\n1 4 5\n", "c.tntp:3: node 1 given twice (first on line 1)"},
        {"1 2 3 ; 4\n", "c.tntp:1: unexpected text after ';'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf([&] { ParseTntpNodes(c.text, "c.tntp"); }), c.message) << c.text;

    TTntpNotes notes;
    std::vector<TTntpNode> nodes =
        ParseTntpNodes("Node_Id\tLon\tLat;\n3 0 0 5 6\n1.0 -1.5e1 2 ;\n", "c.tntp", &notes);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[1].id, 1);
    EXPECT_EQ(nodes[1].x, -15);
    EXPECT_EQ(nodes[1].line, 3);
    EXPECT_EQ(notes.Lines(), std::vector<std::string>{
                                 "node lines with more than 3 fields (the further ones ignored): "
                                 "1, first at c.tntp:2: 5 fields"});
    std::vector<TTntpFlow> flows = ParseTntpFlows("from to volume\n1 2 3.5\n", "f.tntp");
    ASSERT_EQ(flows.size(), 1u);
    EXPECT_EQ(flows[0].volume, 3.5);
    EXPECT_EQ(flows[0].cost, 0);
}

TEST(TntpReader, GeoJsonNodes) {
    auto feature = [](const std::string& props, const std::string& geometry) {
        return "{\"type\":\"Feature\",\"properties\":" + props + ",\"geometry\":" + geometry + "}";
    };
    const std::string point = "{\"type\":\"Point\",\"coordinates\":[-117.5,33.25]}";
    auto collection = [](const std::string& features) {
        return "{\"type\":\"FeatureCollection\",\n\"features\":[\n" + features + "\n]}";
    };
    std::vector<TTntpNode> nodes = ParseGeoJsonNodes(
        collection(feature("{\"id\":2}", point) + ",\n" +
                   "{\"type\":\"Feature\",\"id\":1,\"properties\":null,\"geometry\":"
                   "{\"type\":\"Point\",\"coordinates\":[1,2,3]}}"),
        "g.geojson");
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].id, 2);
    EXPECT_EQ(nodes[0].x, -117.5);
    EXPECT_EQ(nodes[0].y, 33.25);
    EXPECT_EQ(nodes[0].line, 3);
    EXPECT_EQ(nodes[1].id, 1);

    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"[]", "g.geojson:1: expected a GeoJSON FeatureCollection"},
        {"{\"type\":\"Feature\"}", "g.geojson:1: expected a GeoJSON FeatureCollection"},
        {"{\"type\":\"FeatureCollection\"}", "g.geojson:1: missing \"features\" array"},
        {collection("7"), "g.geojson:3: feature 1 is not a GeoJSON Feature"},
        {collection(feature("{\"id\":1}", "{\"type\":\"LineString\",\"coordinates\":[]}")),
         "g.geojson:3: feature 1 has no Point geometry"},
        {collection(feature("{\"id\":1}", "{\"type\":\"Point\",\"coordinates\":[1]}")),
         "g.geojson:3: feature 1: the coordinates are not [longitude, latitude]"},
        {collection(feature("{\"id\":1}", "{\"type\":\"Point\",\"coordinates\":[1,\"2\"]}")),
         "g.geojson:3: feature 1: the coordinates are not [longitude, latitude]"},
        {collection(feature("{}", point)), "g.geojson:3: feature 1 has no \"id\" property"},
        {collection(feature("{\"id\":1.5}", point)),
         "g.geojson:3: feature 1: the id is not a node number"},
        {collection(feature("{\"id\":\"7\"}", point)),
         "g.geojson:3: feature 1: the id is not a node number"},
        {collection(feature("{\"id\":0}", point)),
         "g.geojson:3: feature 1: the id is not a node number"},
        {collection(feature("{\"id\":3000000000}", point)),
         "g.geojson:3: feature 1: the id is not a node number"},
        {collection(feature("{\"id\":1}", point) + ",\n" + feature("{\"id\":1}", point)),
         "g.geojson:4: node 1 given twice (first on line 3)"},
        {collection(feature("{\"id\":1}", point) + ",\n]"),
         "g.geojson:4: unexpected character ']'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf([&] { ParseGeoJsonNodes(c.text, "g.geojson"); }), c.message) << c.text;
}

// Every prefix of a real file either reads or fails with a located message: no crash, no hang.
TEST(TntpReader, TruncatedFilesFailCleanly) {
    if (!fs::exists(Networks())) GTEST_SKIP() << "no shared data";
    auto load = [](const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    std::string net = load(Networks() + "SiouxFalls/SiouxFalls_net.tntp");
    std::string trips = load(Networks() + "SiouxFalls/SiouxFalls_trips.tntp");
    std::string geo = load(Networks() + "Anaheim/anaheim_nodes.geojson").substr(0, 3000);
    for (std::size_t n = 0; n < net.size(); n += 3) {
        try {
            ParseTntpNetwork(std::string_view(net).substr(0, n), "n");
        } catch (const ETntpError& e) {
            ASSERT_EQ(std::string(e.what()).rfind("n:", 0), 0u);
        }
    }
    for (std::size_t n = 0; n < trips.size(); n += 5) {
        try {
            ParseTntpTrips(std::string_view(trips).substr(0, n), "t");
        } catch (const ETntpError& e) {
            ASSERT_EQ(std::string(e.what()).rfind("t:", 0), 0u);
        }
    }
    for (std::size_t n = 0; n < geo.size(); n += 7)
        EXPECT_THROW(ParseGeoJsonNodes(std::string_view(geo).substr(0, n), "g"), ETntpError);
}

TEST(TntpReader, MissingFile) {
    EXPECT_THROW(ReadTntpNetwork("/nonexistent/x_net.tntp"), EFOpenError);
}

} // namespace
} // namespace zep::files
