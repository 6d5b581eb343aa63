#include "model/CanonicalDump.h"

#include <algorithm>
#include <vector>

#include "model/versions.h"

namespace zep::model {

std::string DumpValue(const TValue& value) {
    if (!value.IsObject()) return value.DebugText();
    TZEPPersistent* object = value.ToObject();
    if (auto* e = dynamic_cast<TEntity*>(object))
        return std::string("obj:") + e->ClassName() + ":" + e->KeyText();
    return std::string("obj:") + object->ClassName();
}

std::string DumpEntity(const TEntity& entity) {
    std::string out = std::string(entity.ClassName()) + " " + entity.KeyText() + " #" +
                      std::to_string(entity.ListIndex()) + "\n";
    for (const TProperty& p : entity.Properties())
        out += "  " + std::to_string(p.Id()) + "=" + DumpValue(p.value) + "\n";
    if (auto* v = dynamic_cast<const TVersionedEntity*>(&entity)) {
        std::vector<const TVersion*> versions;
        for (const auto& version : v->Versions())
            versions.push_back(version.get());
        std::stable_sort(versions.begin(), versions.end(),
                         [](const TVersion* a, const TVersion* b) {
                             return CompareScenarios(a->Scenario(), b->Scenario()) < 0;
                         });
        for (const TVersion* version : versions) {
            out += "  [" + version->Scenario()->KeyText() + "]\n";
            for (const TProperty& p : *version)
                out += "    " + std::to_string(p.Id()) + "=" + DumpValue(p.value) + "\n";
        }
    }
    return out;
}

std::string DumpList(const TEntityList& list) {
    std::string out = std::string(list.ClassName()) + (list.Owns() ? " owning" : " refs") +
                      (list.Sorted() ? " sorted" : "") + " count=" + std::to_string(list.Count()) +
                      "\n";
    for (std::size_t i = 0; i < list.Count(); ++i)
        out += DumpEntity(*list.Get(i));
    return out;
}

} // namespace zep::model
