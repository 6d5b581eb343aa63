// A deterministic text of entities and lists (every value, every version) for comparing model
// states before and after undo or a file round trip.
#pragma once

#include <string>

#include "model/ENTITY.h"
#include "model/Value.h"

namespace zep::model {

/// The exact kind and payload of a value; entities it references appear as class and key text.
std::string DumpValue(const TValue& value);
/// Class, key, list index, entity-level values in identifier order, then each version (in
/// scenario order) with its values.
std::string DumpEntity(const TEntity& entity);
/// Class, ownership, sorted flag, then every entity in list order.
std::string DumpList(const TEntityList& list);

/// The same texts appended to `out`.
void AppendValue(std::string& out, const TValue& value);
void AppendEntity(std::string& out, const TEntity& entity);
void AppendList(std::string& out, const TEntityList& list);

} // namespace zep::model
