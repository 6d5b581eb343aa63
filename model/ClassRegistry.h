// The registry of persistent model classes by name: the object stream creates the objects it
// reads from the class names stored in the file.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Exception.h"
#include "model/Persistent.h"

namespace zep::model {

/// A class name the registry does not know.
ZEP_DECLARE_EXCEPTION(EClassNotFound, Exception);

/// Creates an empty object of one class (default construction, no project).
using TClassCreator = std::function<std::unique_ptr<TZEPPersistent>()>;

/// Name -> creator. Names compare exactly (the stream stores them as written). Registering a
/// name again replaces its creator, so registration may run more than once.
class TClassRegistry {
public:
    /// The process-wide registry the object stream uses.
    static TClassRegistry& Instance();

    void Register(const std::string& name, TClassCreator creator);
    bool IsRegistered(const std::string& name) const;
    /// A new object of the named class; EClassNotFound ("Class <name> not found") when unknown.
    std::unique_ptr<TZEPPersistent> Create(const std::string& name) const;
    /// The registered names in registration order.
    std::vector<std::string> Names() const;
    std::size_t Count() const { return entries_.size(); }

private:
    struct Entry {
        std::string name;
        TClassCreator creator;
    };
    const Entry* Find(const std::string& name) const;
    std::vector<Entry> entries_;
};

/// Registers `T` (default constructible) under `name` in the process-wide registry.
template <class T> void RegisterClass(const std::string& name) {
    TClassRegistry::Instance().Register(name, [] { return std::make_unique<T>(); });
}

} // namespace zep::model
