#include "AssignmentFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "foundation/CodePages.h"
#include "foundation/Format.h"
#include "foundation/Stream.h"
#include "model/ADMIN.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SCENARIO.h"
#include "model/Zone.h"
#include "modelio/ZEPASCII.h"

namespace zep::standin {

using namespace model;
using modelio::FloatIn;

namespace {

/// Vehicles on a link-route: a scheduled route runs its frequency; private vehicles carry the
/// volume at the operator's occupancy.
double VehiclesOf(const TLinkRoute& lr, const TScenario* sc, double volume) {
    const TRoute* route = lr.Route();
    const TOperator* op = route ? route->Operator() : nullptr;
    if (!op) return 0;
    if (op->Type() == otRoute) return FloatIn(*route, sc, TRoute::kMinFreq);
    const double occupancy = FloatIn(*op, sc, TOperator::kOccupancyRate);
    return occupancy > 0 ? volume / occupancy : volume;
}

class TWriter {
public:
    std::string bytes;
    void I32(std::int64_t v) { Put(static_cast<std::uint64_t>(v), 4); }
    void I16(std::int64_t v) { Put(static_cast<std::uint64_t>(v), 2); }
    void U8(unsigned v) { bytes.push_back(static_cast<char>(v)); }
    void F32(double v) {
        const float f = static_cast<float>(v);
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        Put(bits, 4);
    }
    void Count(std::size_t n) {
        I32(static_cast<std::int64_t>(n));
        I32(-static_cast<std::int64_t>(n));
    }
    // Identifier and a 32-byte OEM name padded with zeros.
    void Identity(const TEntity& e) {
        I32(e.Id());
        Fixed(AnsiToOem(Trim(e.GetName())), 32);
    }
    void Fixed(const std::string& text, std::size_t size) {
        std::string field = text.substr(0, size);
        field.resize(size, '\0');
        bytes += field;
    }
    void Pascal(const std::string& text, std::size_t size) {
        const std::string t = text.substr(0, size - 1);
        U8(static_cast<unsigned>(t.size()));
        Fixed(t, size - 1);
    }

private:
    void Put(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
};

void Check(std::size_t n, std::size_t min, std::size_t max, const char* what) {
    if (n < min || n > max)
        throw std::runtime_error(std::string("the study has ") + std::to_string(n) + " " + what +
                                 ", the assignment file holds " + std::to_string(min) + " to " +
                                 std::to_string(max));
}

} // namespace

std::string AssignmentFileBytes(const TProject& p, const TScenario& s, const TVolumeOf& volumeOf) {
    const TScenario* sc = &s;
    TWriter w;
    w.I16(6);
    w.I16(8);
    w.I16(1);
    w.I32(1);
    std::string study(188, '\0');
    const std::string code = AnsiToOem(modelio::NameCode(p.GetName()));
    study.replace(22, code.size(), code);
    const std::string name = AnsiToOem(p.GetDescription().substr(0, 80));
    study.replace(25, name.size(), name);
    w.bytes += study;

    // Scenarios in scenario order, so that every parent precedes its children.
    std::vector<const TScenario*> scenarios;
    for (std::size_t i = 0; i < p.Scenarios().Count(); ++i)
        scenarios.push_back(p.Scenarios().Get(i));
    std::stable_sort(scenarios.begin(), scenarios.end(),
                     [](auto* a, auto* b) { return CompareScenarios(a, b) < 0; });
    Check(scenarios.size(), 1, 200, "scenarios");
    w.Count(scenarios.size());
    std::size_t current = 1;
    for (std::size_t i = 0; i < scenarios.size(); ++i) {
        std::size_t parent = 0;
        for (std::size_t k = 0; k < i; ++k)
            if (scenarios[k] == scenarios[i]->Parent()) parent = k + 1;
        if (scenarios[i] == sc) current = i + 1;
        w.I32(static_cast<std::int64_t>(i + 1));
        w.I32(static_cast<std::int64_t>(parent));
        w.Pascal(scenarios[i]->GetName(), 6);
        w.Pascal(AnsiToOem(scenarios[i]->GetDescription()), 32);
    }
    w.I32(static_cast<std::int64_t>(scenarios.size()));
    w.I32(static_cast<std::int64_t>(current));

    const TCategoryList& categories = p.Categories();
    Check(categories.Count(), 1, 64, "categories");
    w.Count(categories.Count());
    for (std::size_t i = 0; i < categories.Count(); ++i) {
        const TCategory& c = *categories.Get(i);
        w.I32(static_cast<std::int64_t>(i + 1));
        w.Identity(c);
        const double minGeneration = FloatIn(c, sc, TCategory::kMinGeneration);
        for (double v : {FloatIn(c, sc, TCategory::kValueOfTravelTime),
                         FloatIn(c, sc, TCategory::kValueOfWaitingTime),
                         FloatIn(c, sc, TCategory::kVehicleAvailability), minGeneration,
                         FloatIn(c, sc, TCategory::kMaxGeneration) - minGeneration,
                         FloatIn(c, sc, TCategory::kDemandElasticity),
                         FloatIn(c, sc, TCategory::kModeChoiceElasticity),
                         FloatIn(c, sc, TCategory::kModeChoiceLogitScaling),
                         FloatIn(c, sc, TCategory::kPathChoiceElasticity),
                         FloatIn(c, sc, TCategory::kPathChoiceLogitScaling)})
            w.F32(v);
    }
    w.I32(static_cast<std::int64_t>(categories.Count()));

    const TAdministratorList& admins = p.Administrators();
    Check(admins.Count(), 1, 40, "administrators");
    w.Count(admins.Count());
    for (std::size_t i = 0; i < admins.Count(); ++i) {
        w.I32(static_cast<std::int64_t>(i + 1));
        w.Identity(*admins.Get(i));
    }
    w.I32(static_cast<std::int64_t>(admins.Count()));

    const TModeList& modes = p.Modes();
    w.Count(modes.Count());
    for (std::size_t i = 0; i < modes.Count(); ++i) {
        const TMode& m = *modes.Get(i);
        w.I32(static_cast<std::int64_t>(i + 1));
        w.Identity(m);
        w.F32(FloatIn(m, sc, TMode::kValueOfTravelTime));
        w.F32(FloatIn(m, sc, TMode::kValueOfWaitingTime));
        w.I32(static_cast<std::int64_t>(FloatIn(m, sc, TMode::kNofPaths)));
        w.F32(FloatIn(m, sc, TMode::kPathOverlappingFactor));
        w.U8(FloatIn(m, sc, TMode::kIsPublic) != 0 ? 1 : 0);
        w.F32(FloatIn(m, sc, TMode::kAlternativeSpecificConstant));
        for (std::size_t k = 0; k < categories.Count(); ++k) {
            w.I32(static_cast<std::int64_t>(k + 1));
            w.I32(categories.Get(k)->Id());
            w.U8(categories.Get(k)->HasMode(&m) ? 1 : 0);
        }
    }
    w.I32(static_cast<std::int64_t>(modes.Count()));

    const TOperatorList& ops = p.Operators();
    w.Count(ops.Count());
    for (std::size_t i = 0; i < ops.Count(); ++i) {
        const TOperator& o = *ops.Get(i);
        w.I32(static_cast<std::int64_t>(i + 1));
        w.Identity(o);
        w.I32(o.Mode() ? o.Mode()->Id() : 0);
        w.U8(static_cast<unsigned>(o.GetInteger(TOperator::kType)));
        const double minEnergy = FloatIn(o, sc, TOperator::kMinEnergy);
        const double returns = FloatIn(o, sc, TOperator::kHasReturnTrips) != 0
                                   ? FloatIn(o, sc, TOperator::kPctReturnTrips)
                                   : 0;
        for (double v :
             {FloatIn(o, sc, TOperator::kOccupancyRate), FloatIn(o, sc, TOperator::kDistanceTariff),
              FloatIn(o, sc, TOperator::kBoardingTariff), FloatIn(o, sc, TOperator::kModalConstant),
              minEnergy, FloatIn(o, sc, TOperator::kMaxEnergy) - minEnergy,
              FloatIn(o, sc, TOperator::kEnergySlope), FloatIn(o, sc, TOperator::kEnergyCost),
              FloatIn(o, sc, TOperator::kPctCostToUser), FloatIn(o, sc, TOperator::kTimeCost),
              FloatIn(o, sc, TOperator::kTimeTariff), FloatIn(o, sc, TOperator::kMinWaitingTime),
              FloatIn(o, sc, TOperator::kMaxWaitingTime), FloatIn(o, sc, TOperator::kConstantCost),
              returns, FloatIn(o, sc, TOperator::kTimeFactor), FloatIn(o, sc, TOperator::kPathAsc)})
            w.F32(v);
        const TOperatorCategoryList& oc = o.OperatorCategories();
        w.Count(oc.Count());
        for (std::size_t k = 0; k < oc.Count(); ++k) {
            const TOperatorCategory& r = *oc.Get(k);
            w.I32(static_cast<std::int64_t>(k + 1));
            w.I32(r.Category() ? r.Category()->Id() : 0);
            w.F32(FloatIn(r, sc, TOperatorCategory::kTariff));
            w.F32(FloatIn(r, sc, TOperatorCategory::kPenalty));
            w.F32(FloatIn(r, sc, TOperatorCategory::kAsc));
        }
        w.I32(static_cast<std::int64_t>(oc.Count()));
    }
    w.I32(static_cast<std::int64_t>(ops.Count()));

    // Transfer tariffs between every pair of operators, the boarding tariff where none is set.
    w.Count(ops.Count());
    for (std::size_t i = 0; i < ops.Count(); ++i) {
        const TOperator& from = *ops.Get(i);
        w.I32(static_cast<std::int64_t>(i + 1));
        w.I32(from.Id());
        for (std::size_t k = 0; k < ops.Count(); ++k) {
            const TOperator& to = *ops.Get(k);
            double tariff = FloatIn(to, sc, TOperator::kBoardingTariff);
            if (const TTransfer* t = from.TransferTo(&to)) {
                const TValue v = modelio::ValueIn(*t, sc, TTransfer::kTransferCost);
                if (!v.IsEmpty()) tariff = std::isinf(v.ToDouble()) ? 9e9 : v.ToDouble();
            }
            w.I32(to.Id());
            w.F32(tariff);
        }
    }
    w.I32(static_cast<std::int64_t>(ops.Count()));

    const TLinkTypeList& types = p.LinkTypes();
    Check(types.Count(), 1, 255, "link types");
    w.Count(types.Count());
    for (std::size_t i = 0; i < types.Count(); ++i) {
        const TLinkType& t = *types.Get(i);
        w.I32(static_cast<std::int64_t>(i + 1));
        w.Identity(t);
        w.I32(t.AdminIn(sc) ? t.AdminIn(sc)->Id() : 0);
        w.F32(1); // the speed factor: speeds are written as they are
        for (std::int32_t id :
             {TLinkType::kMinMaintenanceCost, TLinkType::kPctSpeedAtFullCapacity,
              TLinkType::kVcForMinSpeed, TLinkType::kCapacityFactor, TLinkType::kMinSpeedPct})
            w.F32(FloatIn(t, sc, id));
        for (std::size_t k = 0; k < ops.Count(); ++k) {
            w.I32(static_cast<std::int64_t>(k + 1));
            w.I32(ops.Get(k)->Id());
            const TLinkTypeOper* d = t.OperatorData(ops.Get(k));
            for (std::int32_t id : {TLinkTypeOper::kFreeFlowSpeed,
                                    TLinkTypeOper::kEquivalentVehicles, TLinkTypeOper::kCharges,
                                    TLinkTypeOper::kDistanceCost, TLinkTypeOper::kPenalization})
                w.F32(d ? FloatIn(*d, sc, id) : 0);
        }
    }
    w.I32(static_cast<std::int64_t>(types.Count()));

    const TRouteList& routes = p.Routes();
    Check(routes.Count(), 1, 8192, "routes");
    w.Count(routes.Count());
    for (std::size_t i = 0; i < routes.Count(); ++i) {
        const TRoute& r = *routes.Get(i);
        w.I32(static_cast<std::int64_t>(i + 1));
        w.Identity(r);
        w.I32(r.Operator() ? r.Operator()->Id() : 0);
        for (std::int32_t id : {TRoute::kMinFreq, TRoute::kMaxFreq, TRoute::kNewFreq,
                                TRoute::kTargetOccupancy, TRoute::kMaxFleet})
            w.F32(FloatIn(r, sc, id));
        w.U8(FloatIn(r, sc, TRoute::kScheduled) != 0 ? 1 : 0);
    }
    w.I32(static_cast<std::int64_t>(routes.Count()));

    // Internal zones first: the reader tells them from external ones by their position.
    std::vector<const TZone*> internal, external;
    for (std::size_t i = 0; i < p.TransportZones().Count(); ++i) {
        const TTransportZone* z = p.TransportZones().Get(i);
        (dynamic_cast<const TExternalZone*>(z) ? external : internal).push_back(z);
    }
    const std::size_t zoneCount = internal.size() + external.size() + p.MacroZones().Count();
    w.Count(zoneCount);
    w.I32(static_cast<std::int64_t>(internal.size()));
    w.I32(static_cast<std::int64_t>(external.size()));
    std::size_t number = 0;
    for (const auto* list : {&internal, &external})
        for (const TZone* z : *list) {
            w.I32(static_cast<std::int64_t>(++number));
            w.Identity(*z);
            w.I32(static_cast<std::int64_t>(number));
            w.I32(static_cast<std::int64_t>(number));
        }
    for (std::size_t i = 0; i < p.MacroZones().Count(); ++i) {
        w.I32(static_cast<std::int64_t>(++number));
        w.Identity(*p.MacroZones().Get(i));
        w.I32(static_cast<std::int64_t>(number));
        w.I32(0);
    }
    w.I32(static_cast<std::int64_t>(zoneCount));

    std::vector<const TLink*> links;
    for (std::size_t i = 0; i < p.Links().Count(); ++i)
        if (p.Links().Get(i)->IsUsedIn(sc)) links.push_back(p.Links().Get(i));
    w.Count(links.size());
    for (std::size_t i = 0; i < links.size(); ++i) {
        const TLink& l = *links[i];
        w.I32(static_cast<std::int64_t>(i + 1));
        w.I32(l.Tail() ? l.Tail()->Id() : 0);
        w.I32(l.Head() ? l.Head()->Id() : 0);
        w.I32(l.Id());
        w.U8(FloatIn(l, sc, TLink::kTwoWay) != 0 ? 1 : 0);
        const TLinkType* type = l.LinkTypeIn(sc);
        w.I32(type ? type->Id() : 0);
        w.F32(FloatIn(l, sc, TLink::kLength));
        // An assignment file holds capacities in vehicles of the link type's factor.
        const double capacity = FloatIn(l, sc, TLink::kCapacity);
        const double factor = type ? FloatIn(*type, sc, TLinkType::kCapacityFactor) : 0;
        w.I32(std::isinf(capacity) ? -1
                                   : static_cast<std::int64_t>(
                                         std::llround(factor != 0 ? capacity * factor : capacity)));
        w.F32(FloatIn(l, sc, TLink::kSpeed));
        w.F32(FloatIn(l, sc, TLink::kDelay));
        for (int k = 0; k < 3; ++k)
            w.F32(0);
        std::vector<const TLinkRoute*> used;
        for (std::size_t k = 0; k < l.LinkRoutes().Count(); ++k)
            if (l.LinkRoutes().Get(k)->IsUsedIn(sc) && l.LinkRoutes().Get(k)->Route())
                used.push_back(l.LinkRoutes().Get(k));
        w.Count(used.size());
        for (const TLinkRoute* lr : used) {
            w.I32(lr->Route()->Id());
            w.F32(FloatIn(*lr, sc, TLinkRoute::kWaitingTime));
            const double volume = volumeOf(*lr);
            w.F32(volume);
            w.F32(VehiclesOf(*lr, sc, volume));
            w.U8(FloatIn(*lr, sc, TLinkRoute::kNoTransfers) != 0 ? 1 : 0);
            w.Fixed("", 8);
            w.F32(0); // boardings
            w.F32(0); // alightings
        }
        w.I32(static_cast<std::int64_t>(used.size()));
        std::vector<std::pair<std::int32_t, double>> turns;
        if (l.HasTurns())
            for (std::size_t k = 0; k < l.Turns().Count(); ++k) {
                const TTurnRestriction& t = *l.Turns().Get(k);
                if (!t.To()) continue;
                const bool prohibited = FloatIn(t, sc, TTurnRestriction::kRestriction) != 0;
                const double delay = FloatIn(t, sc, TTurnRestriction::kDelay);
                if (prohibited || delay != 0)
                    turns.emplace_back(t.To()->Id(), prohibited ? -1 : delay);
            }
        w.Count(turns.size());
        for (const auto& [node, delay] : turns) {
            w.I32(node);
            w.F32(delay);
        }
        w.I32(static_cast<std::int64_t>(turns.size()));
    }
    w.I32(static_cast<std::int64_t>(links.size()));

    w.I32(0x02010000); // 00 00 01 02: coordinates as 64-bit reals
    Check(p.NodeTypes().Count(), 0, 100, "node types");
    w.U8(static_cast<unsigned>(p.NodeTypes().Count()));
    TMemoryStream record;
    auto store = [&](const TEntity& e) {
        record.Data().clear();
        record.Seek(0, SeekOrigin::Begin);
        e.StoreZEPTPar(record);
        w.bytes += record.Data();
    };
    for (std::size_t i = 0; i < p.NodeTypes().Count(); ++i) {
        w.I32(p.NodeTypes().Get(i)->Id());
        store(*p.NodeTypes().Get(i));
    }
    Check(p.Nodes().Count(), 0, 0xFFFF, "nodes");
    w.I16(static_cast<std::int64_t>(p.Nodes().Count()));
    for (std::size_t i = 0; i < p.Nodes().Count(); ++i) {
        w.I32(p.Nodes().Get(i)->Id());
        store(*p.Nodes().Get(i));
    }
    return w.bytes;
}

} // namespace zep::standin
