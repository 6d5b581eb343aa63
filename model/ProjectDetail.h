// Helpers shared by the units of the project's implementation (not for other code).
#pragma once

#include "foundation/OrvLogging.h"
#include "model/ENTITY.h"
#include "model/ListMembers.h"

#include "undo/Undo_.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zep::model::detail {

using undo::TNoUndoScope;

/// Deletes `e` from the owning list `list`, finding it through its list index where it can;
/// without `detach`, the caller has taken `e` out of the other lists it must leave.
inline void DeleteFrom(TEntityList& list, TEntity* e, bool detach = true) {
    const std::ptrdiff_t index = IsAtOwnPlace(list, e) ? e->ListIndex() : list.IndexOf(e);
    if (index < 0) return;
    if (detach)
        list.Delete(static_cast<std::size_t>(index));
    else
        list.DeleteDetached(static_cast<std::size_t>(index));
}

inline TLogger& ProjectLog() {
    return GetLogger("Project");
}

/// Logs a repair the consistency pass made to a study written by an older or faulty program.
inline void Upgrade(const std::string& what) {
    ProjectLog().Warning("Upgrade: " + what);
}

} // namespace zep::model::detail
