// How the land-use files read the economic data of a sector in a zone. One property number
// carries two names (exog_demand/exports, min_prod/min_imports, max_prod/max_imports), and the
// base-year values are declared both for all scenarios and per scenario under one name.
#pragma once

#include <limits>

#include "model/SECTOR.h"
#include "model/Zone.h"
#include "modelio/ZEPASCII.h"

namespace zep::modelio::sectorzone {

using model::TScenario;
using model::TSectorZone;
using model::TValue;

// Per-scenario identifiers the names resolve to.
inline constexpr std::int32_t kExogProd = TSectorZone::kExogProd;     // 40
inline constexpr std::int32_t kExogDemand = TSectorZone::kExports;    // 42, also `exports`
inline constexpr std::int32_t kValueAdded = TSectorZone::kValueAdded; // 43
inline constexpr std::int32_t kAtrain = TSectorZone::kAtrain;         // 46
inline constexpr std::int32_t kMinProd = TSectorZone::kMinProd;       // 9, also `min_imports`
inline constexpr std::int32_t kMaxProd = TSectorZone::kMaxProd;       // 10, also `max_imports`
// Held once for all scenarios.
inline constexpr std::int32_t kExogProdAll = TSectorZone::kExogProdAll;         // 2
inline constexpr std::int32_t kAtrainAll = TSectorZone::kAtrainAll;             // 14
inline constexpr std::int32_t kBaseInducedProd = TSectorZone::kBaseInducedProd; // 12
inline constexpr std::int32_t kBasePrice = TSectorZone::kBasePrice;             // 13

inline const double kInfinity = std::numeric_limits<double>::infinity();

/// An unset maximum is unbounded (the `max_prod` default); every other value defaults to 0.
inline double DefaultOf(std::int32_t id) {
    return id == kMaxProd ? kInfinity : 0.0;
}

/// The value the scenario sees (base_price: the record's own, it is not versioned).
inline TValue In(const TSectorZone& r, const TScenario* s, std::int32_t id) {
    if (id == kBasePrice || id == kBaseInducedProd) return r.GetValue(id);
    if (model::TVersionedProperty v = r.Resolve(s, id)) return v.Value();
    return TValue(DefaultOf(id));
}
inline double FloatIn(const TSectorZone& r, const TScenario* s, std::int32_t id) {
    return In(r, s, id).ToDouble();
}
inline bool HoldsIn(const TSectorZone& r, const TScenario* s, std::int32_t id) {
    model::TVersionedProperty v = r.Resolve(s, id);
    return v && !v.Value().IsEmpty();
}

/// Base reads: the all-scenario declaration first, then the base scenario's value.
inline TValue Base(const TSectorZone& r, std::initializer_list<std::int32_t> ids) {
    return BaseValue(r, ids, TValue(DefaultOf(*ids.begin())));
}

inline bool IsInternal(const model::TZone* zone) {
    return zone && !zone->IsExternal();
}
inline bool IsExternal(const model::TZone* zone) {
    return zone && zone->IsExternal();
}

} // namespace zep::modelio::sectorzone
