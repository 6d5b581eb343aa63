#include "files/TntpImport.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <unordered_map>

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

[[noreturn]] void Fail(const std::string& file, int line, const std::string& what) {
    throw ETntpError(file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + what);
}

const TTntpTag* Tag(const std::vector<TTntpTag>& tags, std::string_view name) {
    for (const TTntpTag& t : tags)
        if (t.name == name) return &t;
    return nullptr;
}

int TagLine(const std::vector<TTntpTag>& tags, std::string_view name) {
    const TTntpTag* t = Tag(tags, name);
    return t ? t->line : 0;
}

// What the files say about one node number.
struct TNodeUse {
    int linkLine = 0; // the first network line naming it
    int tripLine = 0; // the first demand line naming it
    bool tripZone = false;
    const TTntpNode* position = nullptr;
};

struct TPlannedNode {
    std::int32_t id;
    bool zone;
    const TTntpNode* position;
};

template <typename F>
void Note(const TTntpImportInput& in, std::string_view kind, const std::string& file, int line,
          F&& example) {
    if (in.notes) in.notes->Add(kind, file, line, example);
}

// Decides which nodes the study gets and which of them are zones, in ascending numbers, from
// what the network, the trips and the positions name; stops where they contradict each other.
std::vector<TPlannedNode> PlanNodes(const TTntpImportInput& in) {
    const TTntpNetwork& net = *in.network;
    // Numbers up to here are announced by the metadata; zones may exceed <NUMBER OF NODES>.
    const std::int32_t announced = std::max(net.nodes, net.zones);
    std::unordered_map<std::int32_t, TNodeUse> uses;
    uses.reserve(static_cast<std::size_t>(net.links.size()) + 16);
    for (const TTntpLink& l : net.links)
        for (std::int32_t id : {l.init, l.term}) {
            TNodeUse& u = uses[id];
            if (u.linkLine) continue;
            u.linkLine = l.line;
            if (id > announced)
                Note(in, "node numbers beyond <NUMBER OF NODES> (kept as the nodes' numbers)",
                     in.networkFile, l.line, [&] {
                         return "node " + std::to_string(id) + ", <NUMBER OF NODES> is " +
                                std::to_string(net.nodes);
                     });
        }

    if (in.trips) {
        const TTntpTrips& trips = *in.trips;
        if (trips.zones != net.zones)
            Note(in,
                 "demand files announcing another number of zones than the network (the "
                 "zones the trips name kept)",
                 in.tripsFile, TagLine(trips.metadata, "NUMBER OF ZONES"), [&] {
                     return "<NUMBER OF ZONES> is " + std::to_string(trips.zones) +
                            ", the network has " + std::to_string(net.zones);
                 });
        std::int32_t lastOrigin = 0;
        for (std::size_t i = 0; i < trips.trips.size(); ++i) {
            const TTntpTrip& t = trips.trips[i];
            // Destinations run through one origin's block: look the origin up once per block.
            const bool newOrigin = t.origin != lastOrigin;
            lastOrigin = t.origin;
            for (int k = newOrigin ? 0 : 1; k < 2; ++k) {
                const std::int32_t id = k == 0 ? t.origin : t.destination;
                auto it = uses.find(id);
                if (it == uses.end() && id > announced)
                    Fail(in.tripsFile, trips.LineOf(i),
                         std::string(k == 0 ? "origin " : "destination ") + std::to_string(id) +
                             " is not a node of the network " + in.networkFile);
                TNodeUse& u = it != uses.end() ? it->second : uses[id];
                if (u.tripZone) continue;
                u.tripZone = true;
                u.tripLine = trips.LineOf(i);
                if (id > net.zones)
                    Note(in, "nodes beyond <NUMBER OF ZONES> that the trips name (made zones)",
                         in.tripsFile, u.tripLine, [&] {
                             return (k == 0 ? "origin " : "destination ") + std::to_string(id) +
                                    ", <NUMBER OF ZONES> is " + std::to_string(net.zones);
                         });
            }
        }
    }

    if (in.nodes) {
        for (const TTntpNode& p : *in.nodes) {
            auto it = uses.find(p.id);
            if (it == uses.end() && p.id > announced) {
                Note(in, "positions of nodes the network does not have (left out)", in.nodesFile,
                     p.line, [&] { return "node " + std::to_string(p.id); });
                continue;
            }
            (it != uses.end() ? it->second : uses[p.id]).position = &p;
        }
    }

    std::vector<TPlannedNode> plan;
    plan.reserve(uses.size());
    for (const auto& [id, u] : uses)
        plan.push_back({id, id <= net.zones || u.tripZone, u.position});
    std::sort(plan.begin(), plan.end(),
              [](const TPlannedNode& a, const TPlannedNode& b) { return a.id < b.id; });

    if (in.nodes)
        for (const TPlannedNode& n : plan)
            if (!n.position) {
                const TNodeUse& u = uses[n.id];
                const bool byLink = u.linkLine > 0;
                Fail(byLink ? in.networkFile : in.tripsFile, byLink ? u.linkLine : u.tripLine,
                     "node " + std::to_string(n.id) + " has no position in " + in.nodesFile);
            }

    // Announced numbers nothing names: counted without walking a range the metadata may make
    // arbitrarily large.
    std::size_t named = 0;
    std::int64_t firstUnnamed = 0, expect = 1;
    for (const TPlannedNode& n : plan) {
        if (n.id > announced) break;
        if (!firstUnnamed && n.id != expect) firstUnnamed = expect;
        expect = static_cast<std::int64_t>(n.id) + 1;
        ++named;
    }
    if (!firstUnnamed && expect <= announced) firstUnnamed = expect;
    if (in.notes && firstUnnamed) {
        const std::size_t unnamed = static_cast<std::size_t>(announced) - named;
        const int line = TagLine(net.metadata, "NUMBER OF NODES");
        in.notes->Add(
            "announced nodes that no link, trip or position names (left out)", in.networkFile, line,
            [&] { return "node " + std::to_string(firstUnnamed); }, unnamed);
    }
    return plan;
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

    const std::vector<TPlannedNode> plan = PlanNodes(input);

    TMode* car = project.NewMode();
    car->SetName("Car");
    TOperator* op = project.NewOperator(car);
    op->SetName("Car");
    op->SetType(otAuto);
    TCategory* category = project.NewCategory();
    category->SetName("Car");
    category->AddMode(car);

    ShowProgress("Nodes", 0.0);
    for (const TPlannedNode& n : plan) {
        TNode* node = n.zone ? project.NewMicroZone(n.id) : project.NewNode(n.id);
        if (n.position) {
            node->SetFloat(TNode::kX, n.position->x);
            node->SetFloat(TNode::kY, n.position->y);
        }
    }
    if (input.nodes && input.geographic) project.SetInteger(TProjectI::kCoordinateSystem, 2);

    double networkMax = 0;
    std::map<std::int32_t, double> typeMax;
    for (const TTntpLink& l : net.links) {
        networkMax = std::max(networkMax, LinkSpeed(l));
        typeMax[l.linkType] = std::max(typeMax[l.linkType], LinkSpeed(l));
    }

    std::map<std::int32_t, TLinkType*> types;
    std::int32_t linkId = 0;
    // Midpoint nodes are numbered above every number the files announce or use.
    std::int64_t midId =
        std::max<std::int64_t>(std::max(net.nodes, net.zones), plan.empty() ? 0 : plan.back().id);
    // Second halves of split links are numbered after the last line's link.
    std::int32_t splitId = static_cast<std::int32_t>(net.links.size());
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
        const double speed = l.freeFlowTime > 0 ? LinkSpeed(l) : networkMax;
        auto make = [&](std::int32_t id, TNode* tail, TNode* head, double length) {
            TLink* link = project.LinkBetween(tail, head);
            link->SetId(id);
            link->SetLinkTypeIn(base, type);
            link->SetValueIn(base, TLink::kTwoWay, TValue(false));
            link->SetValueIn(base, TLink::kCapacity, TValue(l.capacity));
            link->SetValueIn(base, TLink::kLength, TValue(length));
            if (speed > 0) link->SetValueIn(base, TLink::kSpeed, TValue(speed));
        };
        if (!project.FindLink(from, to)) {
            make(linkId, from, to, l.length);
            continue;
        }
        Note(input, "parallel links (each further one split by an added node at its midpoint)",
             input.networkFile, l.line, [&] {
                 return "a further link from node " + std::to_string(l.init) + " to node " +
                        std::to_string(l.term);
             });
        if (++midId > INT32_MAX)
            Fail(input.networkFile, l.line,
                 "no node number is left for the midpoint of a further link from node " +
                     std::to_string(l.init) + " to node " + std::to_string(l.term));
        TNode* mid = project.NewNode(static_cast<std::int32_t>(midId));
        const TFloatPoint a = from->Position(), b = to->Position();
        mid->SetFloat(TNode::kX, (a.x + b.x) / 2);
        mid->SetFloat(TNode::kY, (a.y + b.y) / 2);
        make(linkId, from, mid, l.length / 2);
        make(++splitId, mid, to, l.length / 2);
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
            // Every node the trips name was made a zone.
            auto* origin = static_cast<TTransportZone*>(project.FindNode(t.origin));
            auto* destination = static_cast<TTransportZone*>(project.FindNode(t.destination));
            origin->GetOrCreateODPairTo(destination)
                ->GetOrCreateCategoryModeFor(category, car)
                ->SetValueIn(base, TCategoryMode::kTrips, TValue(t.flow));
        }
    }
}

void ImportTntpFiles(TProject& project, const std::string& networkFile,
                     const std::string& nodesFile, const std::string& geoJsonFile,
                     const std::string& tripsFile, TTntpNotes* notes) {
    const TTntpNetwork net = ReadTntpNetwork(networkFile, notes);
    std::vector<TTntpNode> nodes;
    TTntpImportInput input;
    input.network = &net;
    input.networkFile = networkFile;
    input.notes = notes;
    if (!geoJsonFile.empty()) {
        nodes = ReadGeoJsonNodes(geoJsonFile);
        input.nodes = &nodes;
        input.nodesFile = geoJsonFile;
        input.geographic = true;
    } else if (!nodesFile.empty()) {
        nodes = ReadTntpNodes(nodesFile, notes);
        input.nodes = &nodes;
        input.nodesFile = nodesFile;
    }
    TTntpTrips trips;
    if (!tripsFile.empty()) {
        trips = ReadTntpTrips(tripsFile, notes);
        input.trips = &trips;
        input.tripsFile = tripsFile;
    }
    ImportTntp(project, input);
}

} // namespace zep::files
