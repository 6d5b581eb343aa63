#include "model/Mode.h"

namespace zep::model {

TPropSpecSet& TMode::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute, "m"),
            new TBoolPropSpec(kIsPublic, "is_public", psNotStored, TValue(false)),
            new TFloatPropSpec(kPathOverlappingFactor, "path_overlapping_factor", 0, TValue(1.0),
                               TValue(0.001), TValue(100.0)),
            new TFloatPropSpec(kNofPaths, "nof_paths", 0, TValue(3.0), TValue(0.0)),
            new TFloatPropSpec(kValueOfTravelTime, "value_of_travel_time", 0, TValue(0.0),
                               TValue(0.0)),
            new TFloatPropSpec(kValueOfWaitingTime, "value_of_waiting_time", 0, TValue(0.0),
                               TValue(0.0)),
            new TFloatPropSpec(kAlternativeSpecificConstant, "alternative_specific_constant", 0,
                               TValue(0.0)),
        });
        return s;
    }();
    return *set;
}

} // namespace zep::model
