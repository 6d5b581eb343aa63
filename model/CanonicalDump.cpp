#include "model/CanonicalDump.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "model/KindCast.h"
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
    if (auto* e = KindCast<TEntity>(object)) {
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
    auto* v = KindCast<const TVersionedEntity>(&entity);
    if (!v) return;
    // In scenario order; most entities hold one or two versions, sorted without an allocation.
    const TVersionList& list = v->Versions();
    const std::size_t count = list.Count();
    const TVersion* few[8];
    std::vector<const TVersion*> many;
    const TVersion** versions = few;
    if (count > std::size(few)) {
        many.resize(count);
        versions = many.data();
    }
    for (std::size_t i = 0; i < count; ++i)
        versions[i] = &list.At(i);
    const auto before = [](const TVersion* a, const TVersion* b) {
        return CompareScenarios(a->Scenario(), b->Scenario()) < 0;
    };
    if (count > std::size(few)) {
        std::stable_sort(versions, versions + count, before);
    } else {
        // Insertion sort: stable, and stable_sort would take a buffer from the heap.
        for (std::size_t i = 1; i < count; ++i)
            for (std::size_t k = i; k > 0 && before(versions[k], versions[k - 1]); --k)
                std::swap(versions[k], versions[k - 1]);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const TVersion* version = versions[i];
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
