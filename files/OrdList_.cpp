#include "files/OrdList_.h"

namespace zep::files {

void StoreListBody(TObjectWriter& writer, const model::TPersistentList& list,
                   const std::function<void(TObjectWriter&, const TZEPPersistent*)>& item) {
    const auto count = static_cast<std::uint32_t>(list.Count());
    writer.BeginList(list.Owns(), count);
    for (std::uint32_t i = 0; i < count; ++i) {
        writer.ListItem(i + 1);
        if (item)
            item(writer, list.Item(i));
        else
            writer.WriteRef(list.Item(i));
    }
    writer.EndList();
}

namespace {
// The items of an opened list body, then its end.
void LoadItems(TObjectReader& reader, model::TPersistentList& list, std::uint32_t count,
               const std::function<TZEPPersistent*(TObjectReader&)>& item) {
    list.Reserve(list.Count() + count);
    for (std::uint32_t i = 0; i < count; ++i) {
        reader.ListItem(i + 1);
        TZEPPersistent* o = item ? item(reader) : reader.ReadRef();
        if (!o) continue;
        // Inline records are made by the item reader and belong to nobody else; table objects
        // are handed over by the reader.
        if (!reader.IsTableObject(o))
            reader.AddInline(o);
        else if (list.Owns())
            reader.Claim(o);
        list.RawInsert(list.Count(), o);
    }
    reader.EndList();
}
} // namespace

void LoadListBody(TObjectReader& reader, model::TPersistentList& list,
                  const std::function<TZEPPersistent*(TObjectReader&)>& item) {
    bool owning = false;
    LoadItems(reader, list, reader.BeginList(owning), item);
}

void LoadListBody(TObjectReader& reader, const std::function<model::TPersistentList&()>& getList,
                  const std::function<TZEPPersistent*(TObjectReader&)>& item) {
    bool owning = false;
    const std::uint32_t count = reader.BeginList(owning);
    if (count == 0)
        reader.EndList();
    else
        LoadItems(reader, getList(), count, item);
}

} // namespace zep::files
