#include "model/CanonicalDump.h"

#include <algorithm>
#include <vector>

#include "model/versions.h"

namespace zep::model {

// Everything appends to one string: a dump is compared after every command of the random and
// fuzz tests, where a temporary string per fact cost more than the command under test.

void AppendValue(std::string& out, const TValue& value) {
    if (!value.IsObject()) {
        out += value.DebugText();
        return;
    }
    TZEPPersistent* object = value.ToObject();
    out += "obj:";
    out += object->ClassName();
    if (auto* e = dynamic_cast<TEntity*>(object)) {
        out += ':';
        out += e->KeyText();
    }
}

static void AppendProperty(std::string& out, const char* indent, const TProperty& p) {
    out += indent;
    out += std::to_string(p.Id());
    out += '=';
    AppendValue(out, p.value);
    out += '\n';
}

void AppendEntity(std::string& out, const TEntity& entity) {
    out += entity.ClassName();
    out += ' ';
    out += entity.KeyText();
    out += " #";
    out += std::to_string(entity.ListIndex());
    out += '\n';
    for (const TProperty& p : entity.Properties())
        AppendProperty(out, "  ", p);
    auto* v = dynamic_cast<const TVersionedEntity*>(&entity);
    if (!v) return;
    std::vector<const TVersion*> versions;
    for (const auto& version : v->Versions())
        versions.push_back(version.get());
    std::stable_sort(versions.begin(), versions.end(), [](const TVersion* a, const TVersion* b) {
        return CompareScenarios(a->Scenario(), b->Scenario()) < 0;
    });
    for (const TVersion* version : versions) {
        out += "  [";
        out += version->Scenario()->KeyText();
        out += "]\n";
        for (const TProperty& p : *version)
            AppendProperty(out, "    ", p);
    }
}

void AppendList(std::string& out, const TEntityList& list) {
    out += list.ClassName();
    out += list.Owns() ? " owning" : " refs";
    if (list.Sorted()) out += " sorted";
    out += " count=";
    out += std::to_string(list.Count());
    out += '\n';
    for (std::size_t i = 0; i < list.Count(); ++i)
        AppendEntity(out, *list.Get(i));
}

std::string DumpValue(const TValue& value) {
    std::string out;
    AppendValue(out, value);
    return out;
}

std::string DumpEntity(const TEntity& entity) {
    std::string out;
    AppendEntity(out, entity);
    return out;
}

std::string DumpList(const TEntityList& list) {
    std::string out;
    AppendList(out, list);
    return out;
}

} // namespace zep::model
