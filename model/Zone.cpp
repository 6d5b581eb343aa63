#include "model/Zone.h"

namespace zep::model {

TPropSpecSet& TZone::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TNode::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute, "z"),
            new TBoolPropSpec(kExternal, "external", psUnversioned, TValue(false)),
            new TObjPropSpec(kMacroZone, "macro_zone", 0),
            new TFloatPropSpec(kInternalCostFactor, "internal_cost_factor", psUnversioned,
                               TValue(0.0), TValue(0.0), TValue(1.0)),
        });
        return s;
    }();
    return *set;
}

} // namespace zep::model
