#include "files/TntpImport.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "foundation/OrvMessages.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::files {

using namespace zep::model;

namespace {

double LinkSpeed(const TTntpLink& link) {
    return link.freeFlowTime > 0 ? link.length / link.freeFlowTime : 0.0;
}

} // namespace

void ImportTntp(TProject& project, const TTntpImportInput& input) {
    const TTntpNetwork& net = *input.network;
    if (!project.Nodes().IsEmpty())
        throw ETntpError(input.networkFile + ": the study already holds a network");
    struct TEnd {
        ~TEnd() { EndProgress(); }
    } end;
    TScenario* base = project.BaseScenario();

    if (input.nodes) CheckTntpNodes(net, *input.nodes, input.networkFile);

    TMode* car = project.NewMode();
    car->SetName("Car");
    TOperator* op = project.NewOperator(car);
    op->SetName("Car");
    op->SetType(otAuto);
    TCategory* category = project.NewCategory();
    category->SetName("Car");
    category->AddMode(car);

    ShowProgress("Nodes", 0.0);
    for (std::int32_t id = 1; id <= net.nodes; ++id) {
        if (id <= net.zones)
            project.NewMicroZone(id);
        else
            project.NewNode(id);
    }
    if (input.nodes) {
        for (const TTntpNode& p : *input.nodes) {
            TNode* node = project.FindNode(p.id);
            node->SetFloat(TNode::kX, p.x);
            node->SetFloat(TNode::kY, p.y);
        }
        if (input.geographic) project.SetInteger(TProjectI::kCoordinateSystem, 2);
    }

    double networkMax = 0;
    std::map<std::int32_t, double> typeMax;
    for (const TTntpLink& l : net.links) {
        networkMax = std::max(networkMax, LinkSpeed(l));
        typeMax[l.linkType] = std::max(typeMax[l.linkType], LinkSpeed(l));
    }

    std::map<std::int32_t, TLinkType*> types;
    std::int32_t linkId = 0;
    for (const TTntpLink& l : net.links) {
        if (++linkId % 256 == 0)
            ShowProgress("Links", static_cast<double>(linkId) / net.links.size());
        TLinkType*& type = types[l.linkType];
        if (!type) {
            type = project.NewLinkType(l.linkType > 0 ? l.linkType : 0);
            type->SetName("Type " + std::to_string(l.linkType));
        }
        TNode* from = project.FindNode(l.init);
        TNode* to = project.FindNode(l.term);
        if (project.FindLink(from, to))
            throw ETntpError(input.networkFile + ":" + std::to_string(l.line) +
                             ": a second link from node " + std::to_string(l.init) + " to node " +
                             std::to_string(l.term));
        TLink* link = project.NewLinkByIds(linkId, l.init, l.term);
        link->SetLinkTypeIn(base, type);
        link->SetValueIn(base, TLink::kTwoWay, TValue(false));
        link->SetValueIn(base, TLink::kCapacity, TValue(l.capacity));
        link->SetValueIn(base, TLink::kLength, TValue(l.length));
        const double speed = l.freeFlowTime > 0 ? LinkSpeed(l) : networkMax;
        if (speed > 0) link->SetValueIn(base, TLink::kSpeed, TValue(speed));
    }
    for (const auto& [tntpType, type] : types) {
        const double speed = typeMax[tntpType] > 0 ? typeMax[tntpType] : networkMax;
        TLinkTypeOper* rec = type->GetOrCreateOperatorData(op);
        if (speed > 0) rec->SetValueIn(base, TLinkTypeOper::kFreeFlowSpeed, TValue(speed));
    }

    if (input.trips) {
        std::size_t done = 0;
        for (const TTntpTrip& t : input.trips->trips) {
            if (++done % 4096 == 0)
                ShowProgress("Trips", static_cast<double>(done) / input.trips->trips.size());
            if (t.flow <= 0) continue;
            auto* origin = dynamic_cast<TTransportZone*>(project.FindNode(t.origin));
            auto* destination = dynamic_cast<TTransportZone*>(project.FindNode(t.destination));
            if (!origin || !destination)
                throw ETntpError(input.networkFile + ": trips between " + std::to_string(t.origin) +
                                 " and " + std::to_string(t.destination) + ", which are not zones");
            origin->GetOrCreateODPairTo(destination)
                ->GetOrCreateCategoryModeFor(category, car)
                ->SetValueIn(base, TCategoryMode::kTrips, TValue(t.flow));
        }
    }
}

void ImportTntpFiles(TProject& project, const std::string& networkFile,
                     const std::string& nodesFile, const std::string& geoJsonFile,
                     const std::string& tripsFile) {
    const TTntpNetwork net = ReadTntpNetwork(networkFile);
    std::vector<TTntpNode> nodes;
    TTntpImportInput input;
    input.network = &net;
    input.networkFile = networkFile;
    if (!geoJsonFile.empty()) {
        nodes = ReadGeoJsonNodes(geoJsonFile);
        CheckTntpNodes(net, nodes, geoJsonFile);
        input.nodes = &nodes;
        input.geographic = true;
    } else if (!nodesFile.empty()) {
        nodes = ReadTntpNodes(nodesFile);
        CheckTntpNodes(net, nodes, nodesFile);
        input.nodes = &nodes;
    }
    TTntpTrips trips;
    if (!tripsFile.empty()) {
        trips = ReadTntpTrips(tripsFile);
        if (trips.zones != net.zones)
            throw ETntpError(tripsFile + ": " + std::to_string(trips.zones) +
                             " zones, the network has " + std::to_string(net.zones));
        input.trips = &trips;
    }
    ImportTntp(project, input);
}

} // namespace zep::files
