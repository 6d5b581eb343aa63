#include "model/Project.h"

#include <limits>

namespace zep::model {

// ---- TProjectI ---------------------------------------------------------------------------------

TPropSpecSet& TProjectI::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        const TValue none;
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute | psNotStored, "project_"),
            new TFloatPropSpec(kZoneInternalCostFactor, "zone_internal_cost_factor", psUnversioned,
                               none, 0.0, 1.0),
            new TFloatPropSpec(kZoneInternalCostFactor2, "ZoneInternalCostFactor2", psNotStored),
            new TIntPropSpec(kLocIterations, "loc_iterations", psUnversioned, 100, 1,
                             std::numeric_limits<std::int32_t>::max()),
            new TFloatPropSpec(kLocConvergence, "loc_convergence", psUnversioned, 0.001, 0.0, 0.5),
            new TIntPropSpec(kTransIterations, "trans_iterations", psUnversioned, 30, 1,
                             std::numeric_limits<std::int32_t>::max()),
            new TFloatPropSpec(kTransConvergence, "trans_convergence", psUnversioned, 0.001, 0.0,
                               0.5),
            new TStrPropSpec(kAuthor, "author", psUnversioned),
            new TFloatPropSpec(kTransSmoothing, "trans_smoothing", psUnversioned, 1.0, 1.0),
            new TFloatPropSpec(kLocSmoothing, "loc_smoothing", psUnversioned, 1.0, 1.0),
            // Declared elsewhere with the bounds 2..1, which no value can meet; the map view
            // knows the systems 0, 1 and 2, so those are the values accepted here.
            new TIntPropSpec(kCoordinateSystem, "coordinate_system", 0, 0, 0, 2),
            new TObjPropSpec(kAttractionFunctions, "attraction_functions", psNotStored),
            new TBoolPropSpec(kTransUseLogit, "trans_use_logit", 0, true),
            new TBoolPropSpec(kLocUseLogit, "loc_use_logit", 0, true),
            new TFloatPropSpec(kLinkLengthMultiplier, "link_length_multiplier", 0, 1.0,
                               0.0000000001),
            new TPercentPropSpec(kRouteSimilarityFactor, "route_similarity_factor", 0, 0.5, 0.0,
                                 1.0),
        });
        return s;
    }();
    return *set;
}

TProjectI::TProjectI() : TVersionedEntity(nullptr) {
    SetProject(this);
    ownBase_ = std::make_unique<TScenario>(nullptr);
    baseScenario_ = ownBase_.get();
    baseScenario_->SetName("00A");
    baseScenario_->SetDescription("Base Scenario");
    SetInteger(kCoordinateSystem, 1);
}

TProjectI::~TProjectI() = default;

} // namespace zep::model
