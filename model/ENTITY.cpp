#include "model/ENTITY.h"

#include <unordered_map>
#include <utility>
#include <vector>

#include <algorithm>
#include <cstring>
#include <functional>
#include <typeinfo>

#include "foundation/CodePages.h"
#include "foundation/Format.h"

namespace zep::model {

namespace {
std::string TrimControl(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32)
        --e;
    return text.substr(b, e - b);
}

void WriteLE(TStream& out, std::uint32_t v, int bytes) {
    unsigned char b[4];
    for (int i = 0; i < bytes; ++i)
        b[i] = static_cast<unsigned char>(v >> (8 * i));
    out.Write(b, static_cast<std::size_t>(bytes));
}
} // namespace

TPropSpecSet& TEntity::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet();
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute, "id"),
            new TStrPropSpec(kPropName, "name", psAttribute),
            new TStrPropSpec(kPropDescription, "description", psNotStored),
            new TStrPropSpec(kPropOldName, "old_name", psNotStored),
        });
        return s;
    }();
    return *set;
}

void TEntity::StoreProperties(TPersistWriter& writer) const {
    writer.BeginList(true, static_cast<std::uint32_t>(props_.Count()));
    std::uint32_t position = 0;
    for (const TProperty& p : props_) {
        writer.ListItem(++position);
        writer.WriteUInt8(static_cast<std::uint8_t>(p.Id()));
        writer.WriteValue(p.value);
    }
    writer.EndList();
}

void TEntity::LoadProperties(TPersistReader& reader) {
    while (props_.Count() > 0)
        props_.RawPut(props_.At(props_.Count() - 1).Id(), TValue());
    reader.ReadPropertyPairs(&props_, false);
    ResetIdCache();
    // Older files kept the name under another identifier.
    if (props_.Find(kPropOldName) && GetName().empty()) {
        const std::string old = props_.GetString(kPropOldName);
        if (!old.empty() && old != "true") props_.RawPut(kPropName, TValue(old));
    }
}

void TEntity::SetProperty(std::int32_t id, const TValue& value) {
    TPropSpec& spec = Specs().ById(id);
    TValue v = value;
    if (!v.IsEmpty()) spec.IsValid(v); // converts; an invalid value is still stored
    if (id == kPropId) {
        const std::int32_t oldId = Id();
        cachedId_ = v.ToInteger();
        if (ownerList_ && oldId != cachedId_) {
            ownerList_->IdChanged(oldId, cachedId_);
            ownerList_->IdMayChange(this, oldId);
        }
    }
    const bool record = RecordsOwnChanges();
    if (v.IsEmpty() || ValuesEqual(v, spec.Default()))
        props_.SetValue(id, TValue(), record);
    else
        props_.SetValue(id, v, record);
    if (record) Changed();
}

bool TEntity::RecordsOwnChanges() const {
    return undo::IsRecording() && !NewInRecordingTransaction();
}

std::int32_t TEntity::Id() const {
    if (cachedId_ == 0) cachedId_ = props_.GetInteger(kPropId);
    return cachedId_;
}

std::string TEntity::GetDescription() const {
    return GetString(kPropDescription);
}
std::string TEntity::GetName() const {
    return GetString(kPropName);
}

std::string TEntity::GetListText() const {
    std::string name = GetName();
    if (Internal()) name = "[" + name + "]";
    return IdText() + " " + name + " " + GetDescription();
}

void TEntity::Changed() {
    if (undo::IsRecording()) undo::Perform(std::make_unique<TEntityChangeUndoer>(this));
}

void TEntity::ResetIdCache() {
    // Lazily: an undo resets the cache before the identifier's own value is restored.
    const std::int32_t indexed = cachedId_;
    cachedId_ = 0;
    if (ownerList_) {
        ownerList_->InvalidateMaxId();
        ownerList_->IdMayChange(this, indexed);
    }
}

void TEntity::Copy(const TEntity& other) {
    AssignProperties(other);
    SetName(other.GetName());
    SetDescription(other.GetDescription());
    SetId(other.Id());
}

void TEntity::StoreZEPTPar(TStream& out) const {
    WriteLE(out, static_cast<std::uint32_t>(ListIndex()) & 0xFFFF, 2);
    WriteLE(out, static_cast<std::uint32_t>(Id()), 4);
    // The field holds 32 bytes with a terminator, so a longer name keeps its first 31.
    std::string name = AnsiToOem(TrimControl(GetName()));
    if (name.size() > 31) name.resize(31);
    char field[32] = {};
    std::memcpy(field, name.data(), name.size());
    out.Write(field, sizeof field);
}

void TEntity::AssignProperties(const TEntity& other) {
    for (const TProperty& p : other.props_) {
        if (dynamic_cast<TEntityList*>(p.value.ToObject())) continue;
        SetProperty(p.Id(), p.value);
    }
}

std::string TEntity::IdText() const {
    const std::int64_t id = Id();
    return std::to_string(id < 0 ? -id : id);
}

std::string TEntity::KeyText() const {
    const TPropSpec& spec = Specs().ById(kPropId);
    // The plain identifier specification shows the number as it is: the key is made here
    // without a value and its display text (keys are written for every entity of a file or a
    // dump).
    if (typeid(spec) == typeid(TIntIdPropSpec)) {
        const std::string& prefix = spec.KeyPrefix();
        if (prefix.empty()) return IdText();
        std::string id = IdText();
        std::string key;
        key.reserve(prefix.size() + 1 + id.size());
        key.append(prefix).append(1, '_').append(id);
        return key;
    }
    return spec.KeyText(TValue(IdText()));
}

std::string TEntity::ErrorMessage() const {
    for (const TProperty& p : props_) {
        std::string msg = Specs().ById(p.Id()).ErrorMessage(p.value);
        if (!msg.empty()) return msg + " [D]";
    }
    return {};
}

void TEntity::SetName(const std::string& name) {
    SetProperty(kPropName, TValue(TrimControl(name)));
}

void TEntity::SetDescription(const std::string& description) {
    SetProperty(kPropDescription, TValue(TrimControl(description)));
}

TValue TEntity::GetValue(std::int32_t id) const {
    if (const TProperty* p = FindProperty(id)) return p->value;
    return Specs().ById(id).Default();
}

std::string TEntity::GetString(std::int32_t id) const {
    return Specs().ById(id).DisplayText(GetValue(id));
}

PProperty TEntity::GetProperty(std::int32_t id) {
    return std::make_shared<TPropertyProxy>(this, &Specs().ById(id));
}

std::unique_ptr<TEntity> TEntity::Clone() const {
    std::unique_ptr<TEntity> copy = CreateLike();
    copy->Copy(*this);
    copy->SetId(0);
    return copy;
}

// ---- TEntityList ------------------------------------------------------------------------------

TEntityList::~TEntityList() {
    // Entities still held by undo records outlive the list; they must not call back into it.
    // Only an owning list can be an entity's owner; the items of a reference list may already
    // be gone, so they are not touched.
    if (!Owns()) return;
    for (TZEPPersistent* item : Items()) {
        auto* e = static_cast<TEntity*>(item);
        if (e->ownerList_ == this) e->ownerList_ = nullptr;
    }
}

namespace {
// Adding marks a list unsorted; undoing the addition must give the flag back.
class TSortedFlagUndoer : public undo::TUndoer {
public:
    TSortedFlagUndoer(TEntityList* list, bool flag) : list_(list), flag_(flag) {}
    void Do() override {
        const bool old = list_->IsSorted();
        list_->SetSortedFlag(flag_);
        flag_ = old;
    }
    void Undo() override { Do(); }

private:
    TEntityList* list_;
    bool flag_;
};
} // namespace

std::size_t TEntityList::Add(TZEPPersistent* item) {
    auto* e = static_cast<TEntity*>(item);
    if (Owns() && e->Id() == 0) e->SetId(NextId());
    const std::size_t index = TPersistentList::Add(item);
    MarkUnsorted();
    return index;
}

void TEntityList::MarkUnsorted() {
    if (!Sorted()) return;
    if (RecordsUndo() && undo::IsRecording())
        undo::Perform(std::make_unique<TSortedFlagUndoer>(this, false));
    else
        SetSorted(false);
}

void TEntityList::Delete(std::size_t index) {
    if (Owns()) Get(index)->Dettach();
    TPersistentList::Delete(index);
}

int TEntityList::Compare(const TZEPPersistent* a, const TZEPPersistent* b) const {
    const std::int64_t ia = static_cast<const TEntity*>(a)->Id();
    const std::int64_t ib = static_cast<const TEntity*>(b)->Id();
    const std::int64_t aa = ia < 0 ? -ia : ia;
    const std::int64_t ab = ib < 0 ? -ib : ib;
    if (aa != ab) return aa < ab ? -1 : 1;
    if (a == b) return 0;
    return std::less<const TZEPPersistent*>()(a, b) ? -1 : 1;
}

void TEntityList::Changed() {
    Announce(subject_.get());
}

void TEntityList::Announce(TObject* argument) {
    if (subject_) subject_->ChangedWith(argument);
}

TSubject& TEntityList::Subject() {
    if (!subject_) subject_ = std::make_unique<TSubject>();
    return *subject_;
}

void TEntityList::Renumber(std::size_t from) {
    if (!Owns()) return;
    if (shifts_.Pending()) from = std::min(from, shifts_.ShiftedFrom());
    shifts_.Clear();
    ForEachFrom(from, [](std::size_t i, TZEPPersistent* item) {
        static_cast<TEntity*>(item)->listIndex_ = static_cast<std::int32_t>(i);
    });
}

std::int32_t TEntityList::CurrentIndex(const TEntity* entity) const {
    const auto index = static_cast<std::int32_t>(
        shifts_.Move(entity, static_cast<std::size_t>(entity->listIndex_)));
    if (shifts_.WalkedPast(Count())) const_cast<TEntityList*>(this)->Renumber(0);
    return index;
}

void TEntityList::ItemAdded(std::size_t index, TZEPPersistent* item) {
    if (Owns()) {
        auto* e = static_cast<TEntity*>(item);
        e->ownerList_ = this;
        if (maxIdValid_ && e->Id() > maxId_) maxId_ = e->Id();
        if (index + 1 == Count() && !shifts_.Pending()) {
            e->listIndex_ = static_cast<std::int32_t>(index); // appended: no other moves
        } else if (index + 1 == Count() || shifts_.Full(Count())) {
            Renumber(index);
        } else {
            shifts_.Note(index, +1);
            e->listIndex_ = static_cast<std::int32_t>(index);
            shifts_.AddFresh(e);
        }
        if (ids_) {
            SettleIdIndex();
            if (ids_) PlaceInIdIndex(e);
        }
    }
    Announce(subject_.get());
}

void TEntityList::ItemRemoving(std::size_t index, TZEPPersistent* item) {
    Announce(item);
}

void TEntityList::ItemRemoved(std::size_t index, TZEPPersistent* item) {
    if (Owns()) {
        auto* e = static_cast<TEntity*>(item);
        if (ids_) SettleIdIndex();
        if (ids_) {
            auto it = ids_->first.find(e->Id());
            if (it != ids_->first.end() && it->second == e) {
                if (ids_->duplicates)
                    ids_.reset(); // the next entity with this identifier is not known
                else
                    ids_->first.erase(it);
            }
        }
        e->ownerList_ = nullptr;
        e->listIndex_ = kNoListIndex;
        if (e->Id() == maxId_) maxIdValid_ = false;
        if (shifts_.NoteRemoved(e, index, Count())) Renumber(index);
    }
    Announce(subject_.get());
}

void TEntityList::ItemsRemoved(std::size_t first, const std::vector<TZEPPersistent*>& items) {
    if (!Owns()) return TPersistentList::ItemsRemoved(first, items);
    for (TZEPPersistent* item : items) {
        Announce(item);
        auto* e = static_cast<TEntity*>(item);
        e->ownerList_ = nullptr;
        e->listIndex_ = kNoListIndex;
        if (e->Id() == maxId_) maxIdValid_ = false;
    }
    Renumber(first);
    Announce(subject_.get());
}

void TEntityList::ItemsAdded(std::size_t first, const std::vector<TZEPPersistent*>& items) {
    if (!Owns()) return TPersistentList::ItemsAdded(first, items);
    for (TZEPPersistent* item : items) {
        auto* e = static_cast<TEntity*>(item);
        e->ownerList_ = this;
        if (maxIdValid_ && e->Id() > maxId_) maxId_ = e->Id();
    }
    Renumber(first);
    Announce(subject_.get());
}

void TEntityList::Reordered() {
    Renumber(0);
    // Unique identifiers keep their entity whatever the order; with duplicates the first
    // changes.
    if (ids_ && ids_->duplicates) ids_.reset();
}

void TEntityList::IdChanged(std::int32_t oldId, std::int32_t newId) {
    if (!maxIdValid_) return;
    if (newId > maxId_)
        maxId_ = newId;
    else if (oldId == maxId_)
        maxIdValid_ = false;
}

std::int32_t TEntityList::NextId() const {
    // Owning lists keep the largest identifier up to date (their entities report identifier
    // changes), so filling a large list stays linear.
    if (!Owns() || !maxIdValid_) {
        std::int32_t max = std::numeric_limits<std::int32_t>::min();
        for (TZEPPersistent* item : Items())
            max = std::max(max, static_cast<TEntity*>(item)->Id());
        maxId_ = max;
        maxIdValid_ = Owns();
    }
    const std::int64_t next = std::max<std::int64_t>(static_cast<std::int64_t>(maxId_) + 1,
                                                     static_cast<std::int64_t>(Count()) + 1);
    return static_cast<std::int32_t>(std::min<std::int64_t>(next, INT32_MAX));
}

void TEntityList::StoreZEPTPar(TStream& out) {
    Renumber(0);
    for (TZEPPersistent* item : Items())
        static_cast<TEntity*>(item)->StoreZEPTPar(out);
}

void TEntityList::Assign(const TEntityList& other) {
    Clear();
    for (TZEPPersistent* item : other.Items())
        Add(static_cast<TEntity*>(item)->Clone().release());
    if (other.Sorted()) Sort();
}

std::size_t TEntityList::CountVisible() const {
    std::size_t n = 0;
    for (TZEPPersistent* item : Items())
        if (!static_cast<TEntity*>(item)->Internal()) ++n;
    return n;
}

void TEntityList::CollectInvalid(TEntityList& into) const {
    for (TZEPPersistent* item : Items())
        if (!static_cast<TEntity*>(item)->IsValid()) into.Add(item);
}

TEntity* TEntityList::FindById(std::int32_t id) const {
    if (!Owns() || (Count() < kIdIndexFrom && !ids_)) {
        for (TZEPPersistent* item : Items())
            if (static_cast<TEntity*>(item)->Id() == id) return static_cast<TEntity*>(item);
        return nullptr;
    }
    if (ids_) SettleIdIndex();
    if (!ids_) BuildIdIndex();
    auto it = ids_->first.find(id);
    return it == ids_->first.end() ? nullptr : it->second;
}

void TEntityList::BuildIdIndex() const {
    ids_ = std::make_unique<TIdIndex>();
    ids_->first.reserve(Count());
    for (TZEPPersistent* item : Items())
        if (!ids_->first.try_emplace(static_cast<TEntity*>(item)->Id(), static_cast<TEntity*>(item))
                 .second)
            ids_->duplicates = true;
}

void TEntityList::PlaceInIdIndex(TEntity* e) const {
    auto [it, fresh] = ids_->first.try_emplace(e->Id(), e);
    if (fresh || it->second == e) return;
    ids_->duplicates = true;
    if (e->ListIndex() < it->second->ListIndex()) it->second = e;
}

void TEntityList::SettleIdIndex() const {
    if (ids_->pending.empty()) return;
    if (ids_->duplicates) {
        ids_.reset();
        return;
    }
    // Every pending entity is still in the list: leaving it settles the table first.
    for (const auto& [e, indexed] : ids_->pending)
        if (auto it = ids_->first.find(indexed); it != ids_->first.end() && it->second == e)
            ids_->first.erase(it);
    std::vector<std::pair<TEntity*, std::int32_t>> pending;
    pending.swap(ids_->pending);
    for (const auto& entry : pending) {
        PlaceInIdIndex(entry.first);
        if (ids_->duplicates) {
            ids_.reset(); // which of them comes first needs the whole list
            return;
        }
    }
}

void TEntityList::IdMayChange(TEntity* entity, std::int32_t indexedId) {
    NoteChange(); // whether an entity is internal follows its identifier
    if (!ids_) return;
    ids_->pending.emplace_back(entity, indexedId);
    // Changes nobody searches after (a long undo) must not pile up past a rebuild's cost.
    if (ids_->pending.size() > Count()) ids_.reset();
}

TEntity* TEntityList::FindByName(const std::string& name) const {
    const std::string wanted = TrimControl(name);
    for (TZEPPersistent* item : Items())
        if (static_cast<TEntity*>(item)->GetName() == wanted) return static_cast<TEntity*>(item);
    return nullptr;
}

std::unique_ptr<TEntityList> TEntityList::Clone() const {
    std::unique_ptr<TEntityList> copy = CreateLike(Owns());
    if (Owns()) {
        for (TZEPPersistent* item : Items())
            copy->Add(static_cast<TEntity*>(item)->Clone().release());
    } else {
        for (TZEPPersistent* item : Items())
            copy->Add(item);
    }
    if (Sorted()) copy->Sort();
    return copy;
}

void TEntityList::EnsureSorted() {
    if (!Sorted()) Sort();
}

// ---- TPropertyProxy ---------------------------------------------------------------------------

TPropertyProxy::TPropertyProxy(TEntity* entity, const TPropSpec* spec)
    : entity_(entity), spec_(spec) {
    const TProperty* p = entity_->FindProperty(spec_->Id());
    value_ = p ? p->value : spec_->Default();
}

TPropertyProxy::TPropertyProxy(TEntity* entity, const TPropSpec* spec, TValue value)
    : entity_(entity), spec_(spec), value_(std::move(value)), forcedDefault_(true) {}

void TPropertyProxy::SetValue(const TValue& value) {
    if (ValuesEqual(value, value_)) return;
    entity_->SetProperty(spec_->Id(), value);
    // Read back what the entity holds: the converted value, or the default for an empty one.
    const TProperty* p = entity_->FindProperty(spec_->Id());
    value_ = p ? p->value : spec_->Default();
    forcedDefault_ = forcedDefault_ && value.IsEmpty();
}

bool TPropertyProxy::IsUnset() const {
    return entity_->FindProperty(spec_->Id()) == nullptr;
}

bool TPropertyProxy::IsDefault() const {
    return forcedDefault_ || ValuesEqual(value_, spec_->Default());
}

namespace {
std::string ObjectText(const TPropSpec* spec, const TValue& value, bool unset, bool key) {
    if (unset || value.IsEmpty()) return "nil";
    if (auto* e = dynamic_cast<TEntity*>(value.ToObject()))
        return key ? e->KeyText() : spec->DisplayText(TValue(e->Id()));
    return "???";
}
} // namespace

std::string TPropertyProxy::GetAsString() const {
    if (spec_->ValueType() == varError) return ObjectText(spec_, value_, IsUnset(), false);
    return TPropertyImpl::GetAsString();
}

std::string TPropertyProxy::KeyText() const {
    if (spec_->ValueType() == varError) return ObjectText(spec_, value_, IsUnset(), true);
    return TPropertyImpl::KeyText();
}

} // namespace zep::model
