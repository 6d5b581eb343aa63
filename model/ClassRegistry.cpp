#include "model/ClassRegistry.h"

namespace zep::model {

TClassRegistry& TClassRegistry::Instance() {
    static TClassRegistry registry;
    return registry;
}

const TClassRegistry::Entry* TClassRegistry::Find(const std::string& name) const {
    for (const Entry& e : entries_)
        if (e.name == name) return &e;
    return nullptr;
}

void TClassRegistry::Register(const std::string& name, TClassCreator creator) {
    for (Entry& e : entries_)
        if (e.name == name) {
            e.creator = std::move(creator);
            return;
        }
    entries_.push_back({name, std::move(creator)});
}

bool TClassRegistry::IsRegistered(const std::string& name) const {
    return Find(name) != nullptr;
}

std::unique_ptr<TZEPPersistent> TClassRegistry::Create(const std::string& name) const {
    const Entry* e = Find(name);
    if (!e) throw EClassNotFound("Class " + name + " not found");
    return e->creator();
}

std::vector<std::string> TClassRegistry::Names() const {
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const Entry& e : entries_)
        names.push_back(e.name);
    return names;
}

} // namespace zep::model
