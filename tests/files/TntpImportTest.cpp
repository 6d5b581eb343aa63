// Public road networks as studies: counts against their metadata, link values and the rule for
// zero free-flow times, exchange files written and read back unchanged, and the native project
// file round trip.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "files/ImportExport.h"
#include "files/PrjFile.h"
#include "files/TntpImport.h"
#include "model/CATEGORY.h"
#include "model/Consistency.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::files {
namespace {

using namespace zep::model;
namespace fs = std::filesystem;

std::string Networks() {
    return std::string(ZEP_SHARED_DATA) + "/networks/";
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "zep_tntp_XXXXXX").string();
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

struct NetworkFiles {
    std::string dir, net, nodes, geojson, trips;
};

const NetworkFiles kNetworks[] = {
    {"SiouxFalls", "SiouxFalls_net.tntp", "SiouxFalls_node.tntp", "", "SiouxFalls_trips.tntp"},
    {"Anaheim", "Anaheim_net.tntp", "", "anaheim_nodes.geojson", "Anaheim_trips.tntp"},
    {"Chicago-Sketch", "ChicagoSketch_net.tntp", "ChicagoSketch_node.tntp", "",
     "ChicagoSketch_trips.tntp"},
};

std::string In(const NetworkFiles& f, const std::string& name) {
    return name.empty() ? "" : Networks() + f.dir + "/" + name;
}

void ImportNetwork(TProject& p, const NetworkFiles& f) {
    ImportTntpFiles(p, In(f, f.net), In(f, f.nodes), In(f, f.geojson), In(f, f.trips));
}

const TNetworkFileKind kReadable[] = {TNetworkFileKind::Nodes, TNetworkFileKind::Links,
                                      TNetworkFileKind::Opers, TNetworkFileKind::Routes,
                                      TNetworkFileKind::Turns};

double TotalTrips(TProject& p) {
    double total = 0;
    for (std::size_t i = 0; i < p.TransportZones().Count(); ++i) {
        auto* z = static_cast<TTransportZone*>(p.TransportZones().Item(i));
        for (std::size_t k = 0; k < z->ODPairs().Count(); ++k) {
            const TCategoryModeList& cms = z->ODPairs().Get(k)->CategoryModes();
            for (std::size_t m = 0; m < cms.Count(); ++m)
                total += cms.Get(m)->GetFloatIn(p.BaseScenario(), TCategoryMode::kTrips);
        }
    }
    return total;
}

class TntpImport : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterModelStreamClasses(); }
    void SetUp() override {
        if (!fs::exists(Networks())) GTEST_SKIP() << "no shared data";
    }
};

TEST_F(TntpImport, RealNetworksMatchTheirMetadata) {
    for (const NetworkFiles& f : kNetworks) {
        SCOPED_TRACE(f.dir);
        const TTntpNetwork net = ReadTntpNetwork(In(f, f.net));
        const TTntpTrips trips = ReadTntpTrips(In(f, f.trips));
        TProject p;
        TTntpNotes notes;
        ImportTntpFiles(p, In(f, f.net), In(f, f.nodes), In(f, f.geojson), In(f, f.trips), &notes);
        EXPECT_EQ(notes.Lines(), std::vector<std::string>()); // nothing had to be adapted
        TScenario* s = p.BaseScenario();
        EXPECT_EQ(p.TransportZones().Count(), static_cast<std::size_t>(net.zones));
        EXPECT_EQ(p.Nodes().Count(), static_cast<std::size_t>(net.nodes));
        EXPECT_EQ(p.Links().Count(), net.links.size());
        EXPECT_EQ(p.CoordinateSystem(), f.geojson.empty() ? 1 : 2);
        ASSERT_EQ(p.Modes().Count(), 1u);
        EXPECT_EQ(p.Modes().Get(0)->GetName(), "Car");
        TOperator* car = p.Operators().Get(0);
        EXPECT_EQ(car->GetName(), "Car");
        EXPECT_EQ(car->Type(), otAuto);
        ASSERT_EQ(p.Categories().Count(), 1u);
        EXPECT_TRUE(p.Categories().Get(0)->HasMode(p.Modes().Get(0)));
        EXPECT_NEAR(TotalTrips(p), trips.Total(), 1e-6 * trips.Total());
        for (std::int32_t z = 1; z <= net.zones; ++z)
            EXPECT_TRUE(dynamic_cast<TMicroZone*>(p.FindNode(z))) << z;
        EXPECT_FALSE(p.FindNode(net.zones + 1) && p.FindNode(net.zones + 1)->IsZone());

        // Every link carries its line's values; speeds follow length / time.
        double fastest = 0;
        for (const TTntpLink& l : net.links)
            if (l.freeFlowTime > 0) fastest = std::max(fastest, l.length / l.freeFlowTime);
        std::int32_t id = 0;
        for (const TTntpLink& l : net.links) {
            TLink* link = p.FindLinkByIds(l.init, l.term);
            ASSERT_TRUE(link) << l.line;
            EXPECT_EQ(link->Id(), ++id);
            EXPECT_TRUE(link->IsUsedIn(s));
            EXPECT_FALSE(link->GetBooleanIn(s, TLink::kTwoWay));
            EXPECT_EQ(link->GetFloatIn(s, TLink::kCapacity), l.capacity);
            EXPECT_EQ(link->GetFloatIn(s, TLink::kLength), l.length);
            EXPECT_EQ(link->LinkTypeIn(s)->Id(), l.linkType);
            const double speed = l.freeFlowTime > 0 ? l.length / l.freeFlowTime : fastest;
            EXPECT_DOUBLE_EQ(link->GetFloatIn(s, TLink::kSpeed), speed) << l.line;
            EXPECT_TRUE(OperatorMayUseLink(link, car, s));
        }
        EXPECT_EQ(ConsistencyReport(p), "");

        // The only findings are the network's own dead ends: a plain node whose links all lead
        // to and from one neighbour (Chicago has four).
        std::map<std::int32_t, std::set<std::int32_t>> neighbours;
        for (const TTntpLink& l : net.links) {
            neighbours[l.init].insert(l.term);
            neighbours[l.term].insert(l.init);
        }
        auto invalid = p.Validate();
        for (std::size_t i = 0; i < invalid->Count(); ++i) {
            auto* link = dynamic_cast<TLink*>(invalid->Get(i));
            ASSERT_TRUE(link) << invalid->Get(i)->KeyText();
            const std::string why = link->ErrorMessage();
            ASSERT_TRUE(why == "dead end" || why == "dead start") << why;
            TNode* end = why == "dead end" ? link->Head() : link->Tail();
            EXPECT_FALSE(end->IsZone());
            EXPECT_EQ(neighbours[end->Id()].size(), 1u) << link->KeyText();
        }
        EXPECT_EQ(invalid->Count(), f.dir == "Chicago-Sketch" ? 8u : 0u);
    }
}

TEST_F(TntpImport, PositionsComeFromTheNodeFile) {
    TProject planar, geographic;
    ImportNetwork(planar, kNetworks[0]);
    ImportNetwork(geographic, kNetworks[1]);
    for (const TTntpNode& n : ReadTntpNodes(In(kNetworks[0], kNetworks[0].nodes))) {
        EXPECT_EQ(planar.FindNode(n.id)->Position().x, n.x);
        EXPECT_EQ(planar.FindNode(n.id)->Position().y, n.y);
    }
    for (const TTntpNode& n : ReadGeoJsonNodes(In(kNetworks[1], kNetworks[1].geojson))) {
        EXPECT_EQ(geographic.FindNode(n.id)->Position().x, n.x);
        EXPECT_EQ(geographic.FindNode(n.id)->Position().y, n.y);
    }
}

// Written as exchange files and read into an empty study, each network writes the same files
// again; through the native project file too.
TEST_F(TntpImport, ExportReimportAndProjectFileLeaveTheNetworkUnchanged) {
    for (const NetworkFiles& f : kNetworks) {
        SCOPED_TRACE(f.dir);
        TempDir one, two, three;
        TProject p;
        p.SetName(f.dir);
        ImportTntpFiles(p, In(f, f.net), In(f, f.nodes), In(f, f.geojson), "");
        ExportNetwork(p, p.BaseScenario(), one.Path());
        TProject copy;
        copy.SetName(f.dir);
        for (TNetworkFileKind kind : kReadable)
            TNetworkImporter(copy, copy.BaseScenario())
                .ImportFile(NetworkFileName(p, p.BaseScenario(), kind, one.Path()));
        ExportNetwork(copy, copy.BaseScenario(), two.Path());
        for (TNetworkFileKind kind : kReadable)
            EXPECT_EQ(ReadFile(NetworkFileName(copy, copy.BaseScenario(), kind, two.Path())),
                      ReadFile(NetworkFileName(p, p.BaseScenario(), kind, one.Path())))
                << NetworkFileExtension(kind);
        EXPECT_EQ(copy.Links().Count(), p.Links().Count());
        EXPECT_EQ(copy.TransportZones().Count(), p.TransportZones().Count());

        SaveProjectFile(three.File("net.zpz"), p);
        TProject loaded;
        OpenProjectFile(three.File("net.zpz"), loaded);
        EXPECT_EQ(ConsistencyReport(loaded), "");
        ExportNetwork(loaded, loaded.BaseScenario(), three.Path());
        for (TNetworkFileKind kind : kReadable)
            EXPECT_EQ(ReadFile(NetworkFileName(loaded, loaded.BaseScenario(), kind, three.Path())),
                      ReadFile(NetworkFileName(p, p.BaseScenario(), kind, one.Path())))
                << NetworkFileExtension(kind);
    }
}

TEST_F(TntpImport, ZeroTimesGetTheFastestSpeedOfTheNetwork) {
    const char* text = "<NUMBER OF ZONES> 1\n<NUMBER OF NODES> 3\n<NUMBER OF LINKS> 3\n"
                       "<END OF METADATA>\n1\t2\t10\t1\t0\t0.15\t4\t0\t0\t3\t;\n"
                       "2\t3\t10\t6\t0.5\t0.15\t4\t0\t0\t1\t;\n"
                       "3\t2\t10\t2\t0.5\t0.15\t4\t0\t0\t1\t;\n";
    const TTntpNetwork net = ParseTntpNetwork(text, "z.tntp");
    TTntpImportInput input;
    input.network = &net;
    input.networkFile = "z.tntp";
    TProject p;
    ImportTntp(p, input);
    TScenario* s = p.BaseScenario();
    EXPECT_EQ(p.FindLinkByIds(1, 2)->GetFloatIn(s, TLink::kSpeed), 12.0);
    EXPECT_EQ(p.FindLinkByIds(3, 2)->GetFloatIn(s, TLink::kSpeed), 4.0);
    TOperator* car = p.Operators().Get(0);
    EXPECT_EQ(p.FindLinkByIds(1, 2)->LinkTypeIn(s)->OperatorData(car)->GetFloatIn(
                  s, TLinkTypeOper::kFreeFlowSpeed),
              12.0);
    EXPECT_EQ(p.FindLinkByIds(2, 3)->LinkTypeIn(s)->OperatorData(car)->GetFloatIn(
                  s, TLinkTypeOper::kFreeFlowSpeed),
              12.0);
}

} // namespace
} // namespace zep::files
