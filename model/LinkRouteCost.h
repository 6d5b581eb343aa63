// The cost record of one link-route in a scenario and for a demand category: what travelling
// over the link with the route's operator takes in time, energy and money. The path search,
// the path files, the painters and the assignment reports all read it.
#pragma once

namespace zep::model {

class TCategory;
class TLinkRoute;
class TScenario;

/// Twenty doubles in a fixed order; +infinity marks a value that cannot be had (a link without
/// a type, a type without data for the operator, a speed that is not above 0).
struct TLinkRouteCostRecord {
    double distance = 0;
    double volume = 0;
    double vehicles = 0;
    double equivalentVehicles = 0;
    double waitingTime = 0; ///< hours
    double speed = 0;
    double travelTime;            ///< hours
    double energyPerUnitDistance; ///< per vehicle
    double energy;
    double energyCostPerUnitDistance;
    double operatingCost;
    double tariff;
    double penalisedTime;
    double charges;
    double chargesPerUser;
    double additionalTransferCost = 0;
    double boardings = 0;
    double alightings = 0;
    double passengerCapacity = 0;
    double spareCapacity = 0;

    TLinkRouteCostRecord();
};

/// The cost record of `linkRoute` in `scenario` for `category` (nullptr: no category factors).
TLinkRouteCostRecord LinkRouteCost(const TLinkRoute& linkRoute, const TScenario* scenario,
                                   const TCategory* category);

} // namespace zep::model
