#include "model/ADMIN.h"

namespace zep::model {

TPropSpecSet& TAdministrator::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->Add(new TIntIdPropSpec(kPropId, "id", psAttribute, "a"));
        return s;
    }();
    return *set;
}

void TServiceLevelList::AddStandardLevels() {
    for (int i = 0; i < 8; ++i) {
        auto level = std::make_unique<TServiceLevel>();
        level->SetId(i + 1);
        level->SetName(std::string("Level ") + static_cast<char>('A' + i));
        Add(level.get());
        level.release();
    }
}

} // namespace zep::model
