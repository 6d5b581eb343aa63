#include "model/SampleStudy.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/Zone.h"

namespace zep::model {

namespace {

TScenario* AddScenario(TProject& p, TScenario* parent, const char* name, const char* text) {
    TScenario* s = p.NewScenario(parent);
    s->SetName(name);
    s->SetDescription(text);
    return s;
}

TMode* AddMode(TProject& p, const char* name, bool isPublic, double vot, double vowt) {
    TScenario* base = p.BaseScenario();
    TMode* m = p.NewMode();
    m->SetName(name);
    if (isPublic) m->SetBoolean(TMode::kIsPublic, true);
    m->SetValueIn(base, TMode::kValueOfTravelTime, TValue(vot));
    m->SetValueIn(base, TMode::kValueOfWaitingTime, TValue(vowt));
    return m;
}

/// Sets the link's type and values in the base scenario ("used" follows the type).
void Equip(TLink* l, TScenario* s, TLinkType* type, double capacity, double speed) {
    l->SetLinkTypeIn(s, type);
    l->SetValueIn(s, TLink::kCapacity, TValue(capacity));
    l->SetValueIn(s, TLink::kSpeed, TValue(speed));
}

/// The base length from the drawn course, after the polyline changed.
void Remeasure(TProject& p, TLink* l) {
    l->SetValueIn(p.BaseScenario(), TLink::kLength,
                  TValue(l->GeometricLength() * p.LinkLengthMultiplier()));
}

/// A bent course for a link and the mirrored one for its reverse.
void Bend(TProject& p, TLink* l, TLink* reverse, double dx, double dy) {
    const TFloatPoint a = l->Tail()->Position();
    const TFloatPoint b = l->Head()->Position();
    const TPoint3 q1{a.x + (b.x - a.x) / 3 + dx, a.y + (b.y - a.y) / 3 + dy, 0};
    const TPoint3 q2{a.x + 2 * (b.x - a.x) / 3 + dx, a.y + 2 * (b.y - a.y) / 3 + dy, 0};
    l->Polyline().SetPoints({q1, q2});
    Remeasure(p, l);
    if (reverse) {
        reverse->Polyline().SetPoints({q2, q1});
        Remeasure(p, reverse);
    }
}

} // namespace

void BuildSampleStudy(TProject& p) {
    p.SetName("EXA");
    p.SetDescription("Bundled sample study");
    p.SetString(TProjectI::kAuthor, "ZEP");
    // Coordinates are metres; lengths are kilometres, as speeds are kilometres an hour.
    p.SetFloat(TProjectI::kLinkLengthMultiplier, 0.001);
    TScenario* s0 = p.BaseScenario();
    TScenario* s1 = AddScenario(p, s0, "01A", "Bypass and wider bridge");
    TScenario* s2 = AddScenario(p, s1, "02A", "Line 4 dropped, no left turn downtown");

    // Supply: modes, categories, administrators, operators.
    TMode* car = AddMode(p, "car", false, 8.0, 12.0);
    TMode* bus = AddMode(p, "bus", true, 6.0, 10.0);
    TMode* walk = AddMode(p, "walk", false, 5.0, 5.0);
    TCategory* work = p.NewCategory();
    work->SetName("work");
    work->AddMode(car);
    work->AddMode(bus);
    work->AddMode(walk);
    work->SetValueIn(s0, TCategory::kValueOfTravelTime, TValue(9.5));
    work->SetValueIn(s0, TCategory::kValueOfWaitingTime, TValue(14.0));
    TCategory* other = p.NewCategory();
    other->SetName("other");
    other->AddMode(bus);
    other->AddMode(walk);
    other->SetValueIn(s0, TCategory::kValueOfTravelTime, TValue(4.5));
    other->SetValueIn(s1, TCategory::kVehicleAvailability, TValue(0.8));

    TAdministrator* state = p.NewAdministrator();
    state->SetName("State roads");
    TAdministrator* city = p.NewAdministrator();
    city->SetName("City council");

    TOperator* carOp = p.NewOperator(car);
    carOp->SetName("Private car");
    carOp->SetType(otAuto);
    carOp->SetValueIn(s0, TOperator::kOccupancyRate, TValue(1.3));
    carOp->SetValueIn(s0, TOperator::kDistanceTariff, TValue(0.12));
    TOperator* busOp = p.NewOperator(bus);
    busOp->SetName("City buses");
    busOp->SetType(otRoute);
    busOp->SetValueIn(s0, TOperator::kBoardingTariff, TValue(1.1));
    busOp->SetValueIn(s0, TOperator::kTargetOccupancy, TValue(0.6));
    busOp->SetValueIn(s1, TOperator::kBoardingTariff, TValue(1.25));
    TOperator* walkOp = p.NewOperator(walk);
    walkOp->SetName("Walking");
    walkOp->SetType(otWalk);
    // Bus riders walk to and from their stops: a walking operator of the bus mode gives the bus
    // mode's paths their access and egress.
    TOperator* busWalkOp = p.NewOperator(bus);
    busWalkOp->SetName("Walk to bus");
    busWalkOp->SetType(otWalk);
    p.AddTransfer(walkOp, busOp)->SetValueIn(s0, TTransfer::kTransferCost, TValue(0.25));
    p.AddTransfer(busOp, walkOp)->SetValueIn(s0, TTransfer::kTransferCost, TValue(0.0));
    p.AddTransfer(busWalkOp, busOp)->SetValueIn(s0, TTransfer::kTransferCost, TValue(0.25));
    p.AddTransfer(busOp, busWalkOp)->SetValueIn(s0, TTransfer::kTransferCost, TValue(0.0));
    p.AddTransfer(carOp, walkOp);
    p.AddTransfer(busOp, busOp)->SetValueIn(s0, TTransfer::kTransferCost, TValue(0.5));
    busOp->GetOrCreateOperatorCategoryFor(work)->SetValueIn(s0, TOperatorCategory::kTariff,
                                                            TValue(1.0));
    busOp->GetOrCreateOperatorCategoryFor(other)->SetValueIn(s0, TOperatorCategory::kTariff,
                                                             TValue(0.6));
    carOp->GetOrCreateOperatorCategoryFor(work)->SetValueIn(s0, TOperatorCategory::kPenalty,
                                                            TValue(1.2));

    // Link types: motorway (cars only), urban road (everybody), footpath (walkers).
    TLinkType* motorway = p.NewLinkType();
    motorway->SetName("Motorway");
    motorway->SetAdminIn(s0, state);
    motorway->SetValueIn(s0, TLinkType::kCapacityFactor, TValue(1.5));
    motorway->GetOrCreateOperatorData(carOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                         TValue(110.0));
    TLinkType* urban = p.NewLinkType();
    urban->SetName("Urban road");
    urban->SetAdminIn(s0, city);
    urban->SetValueIn(s0, TLinkType::kCapacityFactor, TValue(1.0));
    urban->GetOrCreateOperatorData(carOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                      TValue(50.0));
    TLinkTypeOper* urbanBus = urban->GetOrCreateOperatorData(busOp);
    urbanBus->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed, TValue(35.0));
    urbanBus->SetValueIn(s0, TLinkTypeOper::kEquivalentVehicles, TValue(2.5));
    urban->GetOrCreateOperatorData(walkOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                       TValue(4.5));
    urban->GetOrCreateOperatorData(busWalkOp)
        ->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed, TValue(4.5));
    TLinkType* footpath = p.NewLinkType();
    footpath->SetName("Footpath");
    footpath->SetAdminIn(s0, city);
    footpath->GetOrCreateOperatorData(walkOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                          TValue(5.0));
    footpath->GetOrCreateOperatorData(busWalkOp)
        ->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed, TValue(5.0));

    // The grid: 10 rows of 12 nodes, 1 km apart. Rows are two-way streets; even columns are
    // two-way avenues, odd columns one-way (alternating direction). The outer ring is motorway.
    constexpr int kRows = 10, kCols = 12;
    std::vector<TNode*> grid;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            TNode* n = p.NewNode(100 + r * kCols + c);
            n->SetPosition({1000.0 * c, 1000.0 * r});
            if ((r * kCols + c) % 9 == 0) n->SetName("Junction " + std::to_string(r * kCols + c));
            grid.push_back(n);
        }
    auto at = [&](int r, int c) { return grid[static_cast<std::size_t>(r * kCols + c)]; };
    auto ring = [&](int r1, int c1, int r2, int c2) {
        return (r1 == r2 && (r1 == 0 || r1 == kRows - 1)) ||
               (c1 == c2 && (c1 == 0 || c1 == kCols - 1));
    };
    int bend = 0;
    auto pair = [&](TNode* a, TNode* b, TLinkType* type, double cap, double speed) {
        TLink* l = p.LinkBetween(a, b);
        TLink* rev = p.LinkBetween(b, a);
        Equip(l, s0, type, cap, speed);
        Equip(rev, s0, type, cap, speed);
        if (++bend % 7 == 0) Bend(p, l, rev, 120.0, -80.0);
        return l;
    };
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c + 1 < kCols; ++c) {
            const bool fast = ring(r, c, r, c + 1);
            pair(at(r, c), at(r, c + 1), fast ? motorway : urban, fast ? 3600.0 : 1200.0,
                 fast ? 100.0 : 50.0);
        }
    for (int c = 0; c < kCols; ++c)
        for (int r = 0; r + 1 < kRows; ++r) {
            const bool fast = ring(r, c, r + 1, c);
            if (c % 2 == 0 || fast) {
                pair(at(r, c), at(r + 1, c), fast ? motorway : urban, fast ? 3600.0 : 1500.0,
                     fast ? 100.0 : 50.0);
            } else {
                TNode* a = (c % 4 == 1) ? at(r, c) : at(r + 1, c);
                TNode* b = (c % 4 == 1) ? at(r + 1, c) : at(r, c);
                TLink* l = p.LinkBetween(a, b);
                Equip(l, s0, urban, 900.0, 40.0);
                l->SetValueIn(s0, TLink::kTwoWay, TValue(false));
                l->SetValueIn(s0, TLink::kLinkName, TValue("Avenue " + std::to_string(c)));
            }
        }

    // Zones: 21 internal micro zones in two macro zones and 4 external zones, each tied to a
    // grid node by a two-way footpath/urban connector.
    TMacroZone* west = p.NewMacroZone();
    west->SetName("West");
    west->SetPosition({2500.0, 4500.0});
    TMacroZone* east = p.NewMacroZone();
    east->SetName("East");
    east->SetPosition({8500.0, 4500.0});
    std::vector<TTransportZone*> zones;
    for (int i = 0; i < 21; ++i) {
        TMicroZone* z = p.NewMicroZone(i + 1);
        const int r = 1 + (i / 5) * 2, c = 1 + (i % 5) * 2;
        z->SetPosition({1000.0 * c + 400.0, 1000.0 * r + 400.0});
        z->SetName("Zone " + std::to_string(i + 1));
        z->SetMacroZone(c < kCols / 2 ? west : east);
        if (i % 4 == 0) z->SetFloat(TZone::kInternalCostFactor, 0.25);
        pair(z, at(std::min(r, kRows - 1), c), i % 3 == 0 ? footpath : urban, 2000.0, 30.0);
        zones.push_back(z);
    }
    const int externalAt[4][2] = {{0, 0}, {0, kCols - 1}, {kRows - 1, 0}, {kRows - 1, kCols - 1}};
    for (int i = 0; i < 4; ++i) {
        TExternalZone* z = p.NewExternalZone(91 + i);
        TNode* gate = at(externalAt[i][0], externalAt[i][1]);
        z->SetPosition({gate->Position().x + (externalAt[i][1] == 0 ? -1500.0 : 1500.0),
                        gate->Position().y + (externalAt[i][0] == 0 ? -1500.0 : 1500.0)});
        z->SetName("Gate " + std::to_string(i + 1));
        pair(z, gate, motorway, 5000.0, 90.0);
        zones.push_back(z);
    }

    // Scenario 01A: a bypass link that exists only there, and a wider bridge.
    TLink* bypass = p.LinkBetween(at(2, 2), at(4, 4));
    Equip(bypass, s1, urban, 1800.0, 70.0);
    bypass->SetValueIn(s1, TLink::kTwoWay, TValue(false));
    p.FindLink(at(5, 6), at(5, 7))->SetValueIn(s1, TLink::kCapacity, TValue(2400.0));

    // Four bus lines: two along rows, two along even columns.
    auto line = [&](const char* name, std::vector<TNode*> stops, double freq) {
        TRoute* route = p.NewRoute(busOp);
        route->SetName(name);
        route->SetValueIn(s0, TRoute::kMinFreq, TValue(freq));
        route->SetValueIn(s0, TRoute::kMaxFreq, TValue(freq * 2));
        route->SetValueIn(s0, TRoute::kTargetOccupancy, TValue(0.7));
        for (std::size_t i = 0; i + 1 < stops.size(); ++i)
            p.NewLinkRoute(p.FindLink(stops[i], stops[i + 1]), route)->SetUsedIn(s0, true);
        return route;
    };
    auto rowStops = [&](int r, bool back) {
        std::vector<TNode*> v;
        for (int c = 1; c < kCols - 1; ++c)
            v.push_back(at(r, c));
        if (back) std::reverse(v.begin(), v.end());
        return v;
    };
    auto colStops = [&](int c, bool back) {
        std::vector<TNode*> v;
        for (int r = 1; r < kRows - 1; ++r)
            v.push_back(at(r, c));
        if (back) std::reverse(v.begin(), v.end());
        return v;
    };
    line("Line 1", rowStops(3, false), 6.0);
    line("Line 2", rowStops(6, true), 4.0);
    line("Line 3", colStops(4, false), 3.0);
    TRoute* line4 = line("Line 4", colStops(8, true), 2.0);
    line4->SetValueIn(s1, TRoute::kMaxFreq, TValue(6.0));

    // Scenario 02A: line 4 stops running; no left turn from (5,5)->(5,6) towards (6,6).
    line4->SetUsedIn(s2, false);
    p.FindLink(at(5, 5), at(5, 6))->SetTurnProhibited(at(6, 6), s2, true);
    p.FindLink(at(2, 3), at(2, 4))->GetOrCreateTurnTo(at(3, 4))->SetValueIn(s0, 3, TValue(0.01));

    // Land use: three sectors with interactions, economic data per zone and per category.
    TSector* agriculture = p.NewSector();
    agriculture->SetName("Agriculture");
    TSector* industry = p.NewSector();
    industry->SetName("Industry");
    TSector* households = p.NewSector();
    households->SetName("Households");
    households->SetInteger(TSector::kSectorType, 1);
    households->SetValueIn(s0, TSector::kDistParam, TValue(0.8));
    industry->SetValueIn(s0, TSector::kPriceScale, TValue(1.2));
    TSectorInteraction* eat = households->GetOrCreateInteractionWith(agriculture);
    eat->SetValueIn(s0, TSectorInteraction::kMinDemand, TValue(0.2));
    eat->SetValueIn(s0, TSectorInteraction::kMaxDemand, TValue(0.9));
    TSectorInteraction* work1 = households->GetOrCreateInteractionWith(industry);
    work1->SetValueIn(s0, TSectorInteraction::kMinDemand, TValue(0.5));
    work1->Substitutes().Add(agriculture);
    industry->GetOrCreateInteractionWith(households)
        ->SetValueIn(s0, TSectorInteraction::kMinDemand, TValue(1.5));
    for (std::size_t i = 0; i < zones.size(); ++i) {
        TTransportZone* z = zones[i];
        const double k = 1.0 + static_cast<double>(i % 5);
        TSectorZone* h = households->GetOrCreateSectorZoneFor(z);
        h->SetProperty(TSectorZone::kExogProdAll, TValue(100.0 * k));
        h->SetValueIn(s0, TSectorZone::kPrice, TValue(1.0 + 0.1 * k));
        if (i % 3 == 0)
            industry->GetOrCreateSectorZoneFor(z)->SetValueIn(s0, TSectorZone::kAtractor,
                                                              TValue(20.0 * k));
        if (z->IsExternal())
            agriculture->GetOrCreateSectorZoneFor(z)->SetValueIn(s1, TSectorZone::kExports,
                                                                 TValue(50.0));
    }
    households->GetOrCreateSectorCategoryFor(work)->SetValueIn(s0, TSectorCategory::kTimeFactor,
                                                               TValue(1.0));
    households->GetOrCreateSectorCategoryFor(other)->SetValueIn(s0, TSectorCategory::kVolumeFactor,
                                                                TValue(0.5));

    // Exogenous trips between some zones: with a mode (car) and without. Every third zone from
    // the first is reached on foot only; the trips run between zones on roads.
    for (std::size_t i = 1; i < zones.size(); i += 3) {
        TTransportZone* from = zones[i];
        TTransportZone* to = zones[(i + 7) % zones.size()];
        TODPair* od = from->GetOrCreateODPairTo(to);
        od->GetOrCreateCategoryModeFor(work, car)->SetValueIn(
            s0, TCategoryMode::kTrips, TValue(10.0 + static_cast<double>(i)));
        od->GetOrCreateCategoryModeFor(other, nullptr)
            ->SetValueIn(s0, TCategoryMode::kTrips, TValue(4.0));
    }

    // An attraction function: industry's exogenous production follows households' production.
    TAttractionFunction* f = p.NewAttractionFunction();
    f->SetTargetSector(industry);
    f->SetValueIn(s0, TAttractionFunction::kFunctionType, TValue(1));
    f->SetValueIn(s0, TAttractionFunction::kIncrement, TValue(0.05));
    TAttractor* a = f->AddAttractor();
    a->SetAttractorSectorIn(s0, households);
    a->SetValueIn(s0, TAttractor::kAttractorVariable, TValue(4));

    p.UpdateAllAccess(s0);
}

void BuildSyntheticStudy(TProject& p, const TStudySizes& sizes) {
    p.SetName("SYN");
    p.SetDescription("Synthetic study");
    TScenario* s0 = p.BaseScenario();
    TMode* car = AddMode(p, "car", false, 8.0, 12.0);
    TMode* bus = AddMode(p, "bus", true, 6.0, 10.0);
    TMode* walk = AddMode(p, "walk", false, 5.0, 5.0);
    TCategory* cat = p.NewCategory();
    cat->SetName("all");
    cat->AddMode(car);
    cat->AddMode(bus);
    cat->AddMode(walk);
    TOperator* carOp = p.NewOperator(car);
    carOp->SetName("car");
    TOperator* busOp = p.NewOperator(bus);
    busOp->SetName("bus");
    busOp->SetType(otRoute);
    TOperator* walkOp = p.NewOperator(walk);
    walkOp->SetName("walk");
    walkOp->SetType(otWalk);
    p.AddTransfer(walkOp, busOp);
    p.AddTransfer(busOp, walkOp);
    TLinkType* road = p.NewLinkType();
    road->SetName("road");
    road->GetOrCreateOperatorData(carOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                     TValue(50.0));
    road->GetOrCreateOperatorData(busOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                     TValue(30.0));
    road->GetOrCreateOperatorData(walkOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                      TValue(4.5));
    TLinkType* connector = p.NewLinkType();
    connector->SetName("connector");
    connector->GetOrCreateOperatorData(carOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                          TValue(30.0));
    connector->GetOrCreateOperatorData(walkOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                           TValue(4.5));

    const std::int32_t zoneCount = std::max(0, std::min(sizes.zones, sizes.nodes / 2));
    const std::int32_t gridCount = std::max(1, sizes.nodes - zoneCount);
    const std::int32_t cols =
        std::max(2, static_cast<std::int32_t>(std::ceil(std::sqrt(double(gridCount)))));
    const std::int32_t rows = std::max(1, (gridCount + cols - 1) / cols);
    std::vector<TNode*> grid;
    grid.reserve(static_cast<std::size_t>(gridCount));
    for (std::int32_t i = 0; i < gridCount; ++i) {
        TNode* n = p.NewNode(zoneCount + 1 + i);
        n->SetPosition({100.0 * (i % cols), 100.0 * (i / cols)});
        grid.push_back(n);
    }
    auto node = [&](std::int32_t r, std::int32_t c) -> TNode* {
        const std::int64_t i = std::int64_t(r) * cols + c;
        return i < gridCount ? grid[static_cast<std::size_t>(i)] : nullptr;
    };
    std::int32_t budget = std::max(0, sizes.links - 2 * zoneCount);
    auto pair = [&](TNode* a, TNode* b, TLinkType* type) {
        for (TLink* l : {p.LinkBetween(a, b), p.LinkBetween(b, a)}) {
            l->SetLinkTypeIn(s0, type);
            l->SetValueIn(s0, TLink::kCapacity, TValue(1000.0));
            l->SetValueIn(s0, TLink::kSpeed, TValue(50.0));
        }
    };
    // Rows first (the bus lines run along them), then columns while the budget lasts.
    for (std::int32_t r = 0; r < rows && budget >= 2; ++r)
        for (std::int32_t c = 0; c + 1 < cols && budget >= 2; ++c)
            if (node(r, c + 1)) {
                pair(node(r, c), node(r, c + 1), road);
                budget -= 2;
            }
    for (std::int32_t c = 0; c < cols && budget >= 2; ++c)
        for (std::int32_t r = 0; r + 1 < rows && budget >= 2; ++r)
            if (node(r + 1, c)) {
                pair(node(r, c), node(r + 1, c), road);
                budget -= 2;
            }
    std::vector<TTransportZone*> zones;
    for (std::int32_t i = 0; i < zoneCount; ++i) {
        TTransportZone* z = (i % 10 == 9) ? static_cast<TTransportZone*>(p.NewExternalZone(i + 1))
                                          : p.NewMicroZone(i + 1);
        TNode* at = grid[static_cast<std::size_t>((std::int64_t(i) * 7919) % gridCount)];
        z->SetPosition({at->Position().x + 30.0, at->Position().y + 30.0});
        pair(z, at, connector);
        zones.push_back(z);
    }

    // Bus lines along the rows, alternating direction, each over the whole row or over a
    // stretch of it that starts where the line's number says.
    const std::int32_t rowLinks = cols - 1;
    const std::int32_t lineLinks =
        sizes.lineLinks > 0 ? std::min(sizes.lineLinks, rowLinks) : rowLinks;
    std::vector<TRoute*> lines;
    for (std::int32_t k = 0; k < sizes.routes; ++k) {
        TRoute* route = p.NewRoute(busOp);
        route->SetName("Line " + std::to_string(k + 1));
        route->SetValueIn(s0, TRoute::kMinFreq, TValue(2.0 + k % 5));
        const std::int32_t r = (k * 3) % rows;
        const std::int32_t first =
            static_cast<std::int32_t>((std::int64_t(k) * 7919) % (rowLinks - lineLinks + 1));
        for (std::int32_t c = first; c < first + lineLinks; ++c) {
            TNode* a = node(r, (k % 2) ? cols - 1 - c : c);
            TNode* b = node(r, (k % 2) ? cols - 2 - c : c + 1);
            if (!a || !b) continue;
            if (TLink* l = p.FindLink(a, b)) p.NewLinkRoute(l, route)->SetUsedIn(s0, true);
        }
        lines.push_back(route);
    }
    p.UpdateAllAccess(s0);

    // Scenarios in a chain; each changes capacities, closes a few links and stops a line.
    TScenario* parent = s0;
    TLinkList& links = p.Links();
    for (std::int32_t k = 1; k < sizes.scenarios; ++k) {
        TScenario* s = p.NewScenario(parent);
        s->SetName((k < 10 ? "0" : "") + std::to_string(k) + "A");
        for (std::size_t i = static_cast<std::size_t>(k); i < links.Count(); i += 50)
            links.Get(i)->SetValueIn(s, TLink::kCapacity, TValue(1000.0 + 100.0 * k));
        for (std::size_t i = static_cast<std::size_t>(k) * 7; i < links.Count(); i += 997)
            links.Get(i)->SetUsedIn(s, false);
        if (!lines.empty()) lines[static_cast<std::size_t>(k) % lines.size()]->SetUsedIn(s, false);
        parent = s;
    }
}

} // namespace zep::model
