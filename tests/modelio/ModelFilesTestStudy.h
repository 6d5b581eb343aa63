// A small study whose model input files can be checked by hand: every section of every file
// gets lines, and every selection rule has a case on each side.
#pragma once

#include <string>

#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/Zone.h"

namespace zep::modelio::test {

using namespace model;

struct TSmallStudy {
    TScenario* base = nullptr;
    TScenario* child = nullptr;
    TOperator* car = nullptr;
    TOperator* bus = nullptr;
    TOperator* walk = nullptr;
    TLink* link12 = nullptr; // 1 -> 2, carries the turns
    TSectorZone* householdsCentre = nullptr;
};

inline TSmallStudy BuildSmallStudy(TProject& p) {
    TSmallStudy st;
    p.SetName("Exa");
    p.SetDescription("Test study");
    TScenario* s0 = p.BaseScenario();
    TScenario* s1 = p.NewScenario(s0);
    s1->SetName("01A");
    s1->SetDescription("Policy");
    st.base = s0;
    st.child = s1;
    p.SetInteger(TProjectI::kLocIterations, 0);

    // Modes, categories, administrators, operators.
    TMode* car = p.NewMode();
    car->SetName("car");
    TMode* bus = p.NewMode();
    bus->SetName("bus");
    bus->SetValueIn(s0, TMode::kAlternativeSpecificConstant, TValue(-0.5));
    TMode* walk = p.NewMode();
    walk->SetName("walk");
    walk->SetValueIn(s0, TMode::kNofPaths, TValue(1.0));
    TCategory* work = p.NewCategory();
    work->SetName("Work");
    work->SetValueIn(s0, TCategory::kValueOfTravelTime, TValue(8.0));
    work->SetValueIn(s0, TCategory::kValueOfWaitingTime, TValue(12.0));
    work->SetValueIn(s1, TCategory::kDemandElasticity, TValue(0.25));
    work->AddMode(car);
    work->AddMode(bus);
    work->AddMode(walk);
    TCategory* other = p.NewCategory();
    other->SetName("Other");
    other->AddMode(bus);
    other->AddMode(walk);
    TAdministrator* state = p.NewAdministrator();
    state->SetName("State");

    TOperator* carOp = p.NewOperator(car);
    carOp->SetName("Car");
    carOp->SetType(otAuto);
    carOp->SetValueIn(s0, TOperator::kHasReturnTrips, TValue(true));
    carOp->SetValueIn(s0, TOperator::kPctReturnTrips, TValue(0.9));
    carOp->SetValueIn(s0, TOperator::kMaxEnergy, TValue(8.5));
    TOperator* busOp = p.NewOperator(bus);
    busOp->SetName("Bus");
    busOp->SetType(otRoute);
    busOp->SetValueIn(s0, TOperator::kBoardingTariff, TValue(1.5));
    busOp->SetValueIn(s0, TOperator::kTimeTariff, TValue(0.1));
    TOperator* walkOp = p.NewOperator(walk);
    walkOp->SetName("Walk");
    walkOp->SetType(otWalk);
    TOperator* tramOp = p.NewOperator(bus);
    tramOp->SetName("Tram");
    tramOp->SetType(otRoute);
    tramOp->SetValueIn(s1, TOperator::kPctCostToUser, TValue(0.5));
    st.car = carOp;
    st.bus = busOp;
    st.walk = walkOp;
    p.AddTransfer(walkOp, busOp)->SetValueIn(s0, TTransfer::kTransferCost, TValue(0.25));
    p.AddTransfer(busOp, busOp)->SetValueIn(s0, TTransfer::kTransferCost, TValue(1.5));
    p.AddTransfer(busOp, walkOp)->SetValueIn(s1, TTransfer::kTransferCost, TValue(0.3));
    p.AddTransfer(carOp, walkOp);
    busOp->GetOrCreateOperatorCategoryFor(work)->SetValueIn(s0, TOperatorCategory::kTariff,
                                                            TValue(0.8));
    busOp->GetOrCreateOperatorCategoryFor(other)->SetValueIn(s0, TOperatorCategory::kPenalty,
                                                             TValue(1.2));

    // Link types: the road is the state's; the connector has no administrator.
    TLinkType* road = p.NewLinkType();
    road->SetName("Road");
    road->SetAdminIn(s0, state);
    road->SetValueIn(s0, TLinkType::kMinMaintenanceCost, TValue(1000.0));
    road->GetOrCreateOperatorData(busOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                     TValue(30.0));
    road->OperatorData(busOp)->SetValueIn(s0, TLinkTypeOper::kEquivalentVehicles, TValue(2.5));
    road->OperatorData(busOp)->SetValueIn(s0, TLinkTypeOper::kPathOverlappingFactor, TValue(0.5));
    road->GetOrCreateOperatorData(carOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                     TValue(50.0));
    road->GetOrCreateOperatorData(walkOp)->SetValueIn(s0, TLinkTypeOper::kPathOverlappingFactor,
                                                      TValue(0.7));
    TLinkType* connector = p.NewLinkType();
    connector->SetName("Connector");
    connector->GetOrCreateOperatorData(carOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                          TValue(20.0));
    connector->GetOrCreateOperatorData(walkOp)->SetValueIn(s0, TLinkTypeOper::kFreeFlowSpeed,
                                                           TValue(5.0));
    connector->SetValueIn(s1, TLinkType::kCapacityFactor, TValue(1.5));

    // Nodes and zones.
    TNode* n1 = p.NewNode(1);
    n1->SetPosition({0, 0});
    TNode* n2 = p.NewNode(2);
    n2->SetPosition({1000, 0});
    TNode* n3 = p.NewNode(3);
    n3->SetPosition({2000, 0});
    TNode* n4 = p.NewNode(4);
    n4->SetPosition({1000, 1000});
    TMicroZone* centre = p.NewMicroZone(11);
    centre->SetName("Centre");
    TMicroZone* corner = p.NewMicroZone(12);
    corner->SetName("O'Brien's Corner Long Name");
    corner->SetFloat(TZone::kInternalCostFactor, 0.25);
    TMicroZone* unnamed = p.NewMicroZone(13);
    TMicroZone* quay = p.NewMicroZone(14);
    quay->SetName("Quai \xE0 l'Est");
    TExternalZone* port = p.NewExternalZone(21);
    port->SetName("Port");
    port->SetFloat(TZone::kInternalCostFactor, 0.5);
    TMacroZone* north = p.NewMacroZone(31);
    north->SetName("North");
    TMacroZone* empty = p.NewMacroZone(32);
    empty->SetName("Empty");
    TMacroZone* south = p.NewMacroZone(33);
    south->SetName("South");
    centre->SetMacroZone(north);
    corner->SetMacroZone(north);
    quay->SetMacroZone(north);
    unnamed->SetMacroZone(south);

    // Links, created out of the file's order.
    auto link = [&](TNode* a, TNode* b, TLinkType* type, double length, double capacity) {
        TLink* l = p.LinkBetween(a, b);
        if (type) l->SetLinkTypeIn(s0, type);
        l->SetValueIn(s0, TLink::kLength, TValue(length));
        l->SetValueIn(s0, TLink::kCapacity, TValue(capacity));
        return l;
    };
    TLink* l24 = link(n2, n4, road, 1000, 800);
    TLink* l23 = link(n2, n3, road, 1000, 1200);
    TLink* l12 = link(n1, n2, road, 1000, 1200);
    TLink* l21 = link(n2, n1, road, 1000, 1200);
    link(n3, n2, road, 1000, 1200);
    link(n4, n2, road, 1000, 800);
    link(centre, n1, connector, 150, 9999);
    link(n1, centre, connector, 150, 9999);
    link(corner, n3, connector, 250.5, 9999);
    link(n3, corner, connector, 250.5, 9999);
    link(port, n4, connector, 12345678, 9999);
    link(n4, port, connector, 12345678, 9999);
    TLink* bypass = p.LinkBetween(n1, n4); // only in 01A
    bypass->SetLinkTypeIn(s1, road);
    bypass->SetValueIn(s1, TLink::kLength, TValue(1414.2136));
    bypass->SetValueIn(s1, TLink::kCapacity, TValue(600.0));
    p.LinkBetween(n3, n4); // in no scenario
    l12->SetValueIn(s0, TLink::kDelay, TValue(0.005));
    l23->SetValueIn(s1, TLink::kCapacity, TValue(1500.0));
    st.link12 = l12;

    // Turns from 1 -> 2: towards 4 prohibited, towards 3 delayed, the U-turn plain; from
    // 2 -> 3 towards the corner zone restricted without delay.
    l12->SetTurnProhibited(n4, s0, true);
    l12->GetOrCreateTurnTo(n3)->SetValueIn(s0, TTurnRestriction::kDelay, TValue(0.01));
    l12->GetOrCreateTurnTo(n1);
    l23->GetOrCreateTurnTo(corner)->SetValueIn(s0, TTurnRestriction::kRestriction, TValue(true));

    // Routes: line 10 (no transfers on 2 -> 3), the night line stops in 01A, the tram's
    // link-route is switched off, and a route of the car operator is no transit route.
    TRoute* line10 = p.NewRoute(busOp, 10);
    line10->SetName("Line 10");
    line10->SetValueIn(s0, TRoute::kMinFreq, TValue(4.0));
    line10->SetValueIn(s0, TRoute::kMaxFreq, TValue(8.0));
    line10->SetValueIn(s0, TRoute::kScheduled, TValue(true));
    p.NewLinkRoute(l12, line10)->SetUsedIn(s0, true);
    TLinkRoute* lr23 = p.NewLinkRoute(l23, line10);
    lr23->SetUsedIn(s0, true);
    lr23->SetValueIn(s0, TLinkRoute::kNoTransfers, TValue(true));
    TRoute* night = p.NewRoute(busOp, 20);
    night->SetName("Night line");
    night->SetValueIn(s0, TRoute::kTargetOccupancy, TValue(0.4));
    night->SetValueIn(s0, TRoute::kMaxFleet, TValue(3.0));
    p.NewLinkRoute(l21, night)->SetUsedIn(s0, true);
    p.NewLinkRoute(l12, night)->SetUsedIn(s0, true);
    night->SetUsedIn(s1, false);
    TRoute* tram = p.NewRoute(tramOp, 30);
    tram->SetName("Tram");
    p.NewLinkRoute(l24, tram);
    TRoute* taxi = p.NewRoute(carOp, 40);
    taxi->SetName("Taxi");
    p.NewLinkRoute(l12, taxi)->SetUsedIn(s0, true);
    p.UpdateAllAccess(s0);
    p.UpdateAllAccess(s1);

    // Sectors, their interactions with two substitution groups, per-category data.
    TSector* households = p.NewSector(1);
    households->SetName("Households");
    households->SetInteger(TSector::kSectorType, 1);
    households->SetValueIn(s0, TSector::kDistParam, TValue(0.8));
    TSector* industry = p.NewSector(2);
    industry->SetName("Industry");
    industry->SetValueIn(s0, TSector::kPriceScale, TValue(1.2));
    industry->SetFloat(TSector::kAtractorFactor, 2.0);
    TSector* services = p.NewSector(3);
    services->SetName("Services");
    services->SetValueIn(s1, TSector::kMinPriceCostRatio, TValue(0.1));
    TSectorInteraction* hs = households->GetOrCreateInteractionWith(services);
    hs->SetValueIn(s0, TSectorInteraction::kSubstitutionGroup, TValue(1.0));
    hs->SetValueIn(s0, TSectorInteraction::kSubstitutionPenalty, TValue(0.6));
    hs->SetValueIn(s0, TSectorInteraction::kSubstitutionElasticity, TValue(3.0));
    hs->SetValueIn(s0, TSectorInteraction::kSubstitutionLogitScaling, TValue(0.7));
    TSectorInteraction* hi = households->GetOrCreateInteractionWith(industry);
    hi->SetValueIn(s0, TSectorInteraction::kMinDemand, TValue(0.5));
    hi->SetValueIn(s0, TSectorInteraction::kMaxDemand, TValue(0.9));
    hi->SetValueIn(s0, TSectorInteraction::kSubstitutionGroup, TValue(1.0));
    hi->SetValueIn(s0, TSectorInteraction::kSubstitutionPenalty, TValue(0.3));
    hi->SetValueIn(s0, TSectorInteraction::kSubstitutionElasticity, TValue(2.0));
    TSectorInteraction* hh = households->GetOrCreateInteractionWith(households);
    hh->SetValueIn(s0, TSectorInteraction::kSubstitutionGroup, TValue(2.0));
    hh->SetValueIn(s0, TSectorInteraction::kSubstitutionPenalty,
                   TValue(std::numeric_limits<double>::infinity()));
    TSectorInteraction* ih = industry->GetOrCreateInteractionWith(households);
    ih->SetValueIn(s0, TSectorInteraction::kMinDemand, TValue(1.5));
    ih->SetValueIn(s0, TSectorInteraction::kExogIncrementAtractor, TValue(0.4));
    ih->SetValueIn(s0, TSectorInteraction::kExogProdFactor, TValue(1.1));
    ih->SetValueIn(s0, TSectorInteraction::kInducedIncrementAtractor, TValue(0.2));
    ih->SetValueIn(s0, TSectorInteraction::kSubstitutionGroup, TValue(2.0));
    ih->SetValueIn(s0, TSectorInteraction::kSubstitutionPenalty, TValue(0.9));
    TSectorInteraction* is = industry->GetOrCreateInteractionWith(services);
    is->SetValueIn(s0, TSectorInteraction::kInducedIncrementAtractor2, TValue(0.3));
    is->SetValueIn(s1, TSectorInteraction::kExogIncrementAtractor2, TValue(0.1));
    households->GetOrCreateSectorCategoryFor(work)->SetValueIn(s0, TSectorCategory::kTimeFactor,
                                                               TValue(1.0));
    households->SectorCategoryFor(work)->SetFloat(TSectorCategory::kType, 2.0);
    households->GetOrCreateSectorCategoryFor(other)->SetFloat(TSectorCategory::kType, 3.0);
    industry->GetOrCreateSectorCategoryFor(work)->SetValueIn(s0, TSectorCategory::kVolumeFactor,
                                                             TValue(0.5));

    // Economic data: base-year values (held for all scenarios or in the base scenario) and the
    // increments of 01A.
    TSectorZone* hc = households->GetOrCreateSectorZoneFor(centre);
    hc->SetProperty(TSectorZone::kExogProdAll, TValue(100.0));
    hc->SetProperty(TSectorZone::kBaseInducedProd, TValue(20.0));
    hc->SetProperty(TSectorZone::kBasePrice, TValue(1.5));
    hc->SetValueIn(s0, TSectorZone::kValueAdded, TValue(5.0));
    hc->SetValueIn(s1, TSectorZone::kExogProd, TValue(12.0));
    hc->SetValueIn(s1, TSectorZone::kValueAdded, TValue(6.0));
    st.householdsCentre = hc;
    TSectorZone* hk = households->GetOrCreateSectorZoneFor(corner);
    hk->SetProperty(TSectorZone::kAtrainAll, TValue(7.0));
    hk->SetValueIn(s1, TSectorZone::kExports, TValue(3.0));
    hk->SetValueIn(s1, TSectorZone::kMinProd, TValue(1.0));
    TSectorZone* hu = households->GetOrCreateSectorZoneFor(unnamed);
    hu->SetValueIn(s0, TSectorZone::kMaxProd, TValue(500.0));
    hu->SetValueIn(s1, TSectorZone::kAtrain, TValue(2.0));
    TSectorZone* hp = households->GetOrCreateSectorZoneFor(port);
    hp->SetValueIn(s0, TSectorZone::kExports, TValue(50.0));
    hp->SetValueIn(s0, TSectorZone::kMinProd, TValue(10.0));
    hp->SetValueIn(s0, TSectorZone::kMaxProd, TValue(40.0));
    hp->SetValueIn(s1, TSectorZone::kExports, TValue(60.0));
    TSectorZone* hg = households->GetOrCreateSectorZoneFor(nullptr);
    hg->SetValueIn(s1, TSectorZone::kExogProd, TValue(15.0));
    hg->SetValueIn(s1, TSectorZone::kMaxProd, TValue(200.0));
    TSectorZone* ip = industry->GetOrCreateSectorZoneFor(port);
    ip->SetProperty(TSectorZone::kAtrainAll, TValue(4.0));
    industry->GetOrCreateSectorZoneFor(quay)->SetValueIn(s0, TSectorZone::kMinProd, TValue(0.0));

    // Exogenous trips: with and without mode, none, and one changed in 01A.
    TODPair* od = centre->GetOrCreateODPairTo(corner);
    od->GetOrCreateCategoryModeFor(work, car)->SetValueIn(s0, TCategoryMode::kTrips, TValue(10.0));
    TCategoryMode* plain = od->GetOrCreateCategoryModeFor(other, nullptr);
    plain->SetValueIn(s0, TCategoryMode::kTrips, TValue(4.0));
    plain->SetValueIn(s0, TCategoryMode::kTripFactor, TValue(1.5));
    od->GetOrCreateCategoryModeFor(work, bus);
    TODPair* in = port->GetOrCreateODPairTo(centre);
    TCategoryMode* inbound = in->GetOrCreateCategoryModeFor(other, nullptr);
    inbound->SetValueIn(s0, TCategoryMode::kTrips, TValue(6.0));
    inbound->SetValueIn(s1, TCategoryMode::kTrips, TValue(8.0));

    // Attraction functions: one with two attractors (and one without sector), one without.
    TAttractionFunction* f1 = p.NewAttractionFunction();
    f1->SetTargetSector(industry);
    f1->SetValueIn(s0, TAttractionFunction::kFunctionType, TValue(1));
    f1->SetValueIn(s0, TAttractionFunction::kIncrement, TValue(0.05));
    f1->SetValueIn(s0, TAttractionFunction::kConstant, TValue(2.0));
    TAttractor* a1 = f1->AddAttractor();
    a1->SetAttractorSectorIn(s0, households);
    a1->SetValueIn(s0, TAttractor::kAttractorVariable, TValue(4));
    a1->SetValueIn(s0, TAttractor::kFunctionType, TValue(0.5));
    f1->AddAttractor();
    TAttractor* a3 = f1->AddAttractor();
    a3->SetAttractorSectorIn(s0, services);
    a3->SetValueIn(s0, TAttractor::kAttractorVariable, TValue(5));
    a3->SetValueIn(s1, TAttractor::kFunctionType, TValue(1.5));
    TAttractionFunction* f2 = p.NewAttractionFunction();
    f2->SetTargetSector(services);
    f2->SetValueIn(s0, TAttractionFunction::kTargetVariable, TValue(2));
    return st;
}

} // namespace zep::modelio::test
