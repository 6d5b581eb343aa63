// List bodies of the object stream: the owning flag, the count (short form with its negation,
// or the marker and a 32-bit count above 65535 items), numbered items and the trailer.
#pragma once

#include <functional>

#include "files/STREAM_.h"
#include "model/KindCast.h"
#include "model/PersistentList.h"

namespace zep::files {

/// Writes `list` as an inline list body; `item` writes one item (a ref when not given).
void StoreListBody(
    TObjectWriter& writer, const model::TPersistentList& list,
    const std::function<void(TObjectWriter&, const TZEPPersistent*)>& item = nullptr);

/// Reads an inline list body and appends its items to `list` without undo steps. `item` reads
/// one item (a ref when not given) and may answer nullptr to drop it. Every item an owning list
/// takes is claimed from the reader, so that a damaged stream never gives one object two
/// owners.
void LoadListBody(TObjectReader& reader, model::TPersistentList& list,
                  const std::function<TZEPPersistent*(TObjectReader&)>& item = nullptr);
/// The same for a list made only when the body holds items (`list` answers it).
void LoadListBody(TObjectReader& reader, const std::function<model::TPersistentList&()>& list,
                  const std::function<TZEPPersistent*(TObjectReader&)>& item = nullptr);

/// Reads a list of refs whose items must be of class T (else "Invalid image").
template <class T> void LoadRefList(TObjectReader& reader, model::TPersistentList& list) {
    LoadListBody(reader, list, [](TObjectReader& r) -> TZEPPersistent* {
        TZEPPersistent* o = r.ReadRef();
        if (o && !model::KindCast<T>(o)) throw EInvalidImage("Invalid image");
        return o;
    });
}

/// Reads a ref that must be nullptr or of class T (else "Invalid image").
template <class T> T* ReadRefAs(TObjectReader& reader) {
    TZEPPersistent* o = reader.ReadRef();
    if (!o) return nullptr;
    T* t = model::KindCast<T>(o);
    if (!t) throw EInvalidImage("Invalid image");
    return t;
}

} // namespace zep::files
