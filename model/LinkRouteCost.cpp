#include "model/LinkRouteCost.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/OPERATOR.h"

namespace zep::model {

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
}

TLinkRouteCostRecord::TLinkRouteCostRecord()
    : travelTime(kInf), energyPerUnitDistance(kInf), energy(kInf), energyCostPerUnitDistance(kInf),
      operatingCost(kInf), tariff(kInf), penalisedTime(kInf), charges(kInf), chargesPerUser(kInf) {}

TLinkRouteCostRecord LinkRouteCost(const TLinkRoute& r, const TScenario* s,
                                   const TCategory* category) {
    TLinkRouteCostRecord c;
    const TLink* l = r.Link();
    const TOperator* o = r.Route() ? r.Route()->Operator() : nullptr;
    if (l) c.distance = l->GetFloatIn(s, TLink::kLength);
    c.volume = r.GetFloatIn(s, TLinkRoute::kVolume);
    c.vehicles = r.GetFloatIn(s, TLinkRoute::kVehicles);
    c.boardings = r.GetFloatIn(s, TLinkRoute::kBoard);
    c.alightings = r.GetFloatIn(s, TLinkRoute::kUnboard);

    const TLinkType* type = l ? l->LinkTypeIn(s) : nullptr;
    const TLinkTypeOper* e = type && o ? type->OperatorData(o) : nullptr;
    c.equivalentVehicles =
        e ? c.vehicles * e->GetFloatIn(s, TLinkTypeOper::kEquivalentVehicles) : c.vehicles;
    c.waitingTime = r.GetFloatIn(s, TLinkRoute::kWaitingTime);
    if (c.waitingTime == 0 && o) c.waitingTime = o->GetFloatIn(s, TOperator::kMinWaitingTime);

    const double occupancy = o ? o->GetFloatIn(s, TOperator::kOccupancyRate) : 0;
    if (e && o) {
        c.speed = e->OperatorSpeed(s, l->GetFloatIn(s, TLink::kSpeed));
        if (c.speed > 0) c.travelTime = c.distance / c.speed;

        const double minEnergy = o->GetFloatIn(s, TOperator::kMinEnergy);
        const double maxEnergy = o->GetFloatIn(s, TOperator::kMaxEnergy);
        c.energyPerUnitDistance =
            minEnergy + (maxEnergy - minEnergy) *
                            std::exp(-o->GetFloatIn(s, TOperator::kEnergySlope) * c.speed);
        c.energy = c.distance * c.energyPerUnitDistance * c.vehicles;
        c.energyCostPerUnitDistance =
            o->GetFloatIn(s, TOperator::kEnergyCost) * c.energyPerUnitDistance;

        const double linkCharges = e->GetFloatIn(s, TLinkTypeOper::kCharges);
        if (std::isfinite(c.travelTime))
            c.operatingCost = c.distance * (e->GetFloatIn(s, TLinkTypeOper::kDistanceCost) +
                                            linkCharges + c.energyCostPerUnitDistance) +
                              o->GetFloatIn(s, TOperator::kTimeCost) * c.travelTime;
        const double toUser = o->GetFloatIn(s, TOperator::kPctCostToUser);
        c.charges = linkCharges * c.distance;
        c.chargesPerUser = toUser * c.charges / occupancy;
        if (std::isfinite(c.travelTime)) {
            c.tariff = o->GetFloatIn(s, TOperator::kDistanceTariff) * c.distance +
                       o->GetFloatIn(s, TOperator::kTimeTariff) * c.travelTime +
                       toUser * c.operatingCost / occupancy;
            c.penalisedTime = o->GetFloatIn(s, TOperator::kModalConstant) *
                              (e->GetFloatIn(s, TLinkTypeOper::kPenalization) * c.travelTime);
        }
        if (category)
            if (const TOperatorCategory* oc = o->OperatorCategoryFor(category)) {
                c.tariff *= oc->GetFloatIn(s, TOperatorCategory::kTariff);
                c.penalisedTime *= oc->GetFloatIn(s, TOperatorCategory::kPenalty);
            }
    }
    c.passengerCapacity = occupancy * c.vehicles;
    c.spareCapacity = std::max(c.passengerCapacity - (c.volume - c.boardings), 0.0);
    return c;
}

} // namespace zep::model
