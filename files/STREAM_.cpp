#include "files/STREAM_.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "files/OrdList_.h"
#include "foundation/Format.h"
#include "foundation/InflateAhead.h"
#include "foundation/OrvMessages.h"
#include "model/KindCast.h"
#include "model/SCENARIO.h"
#include "model/versions.h"

namespace zep::files {

using model::TValue;

namespace {

constexpr std::size_t kProgressStep = 4096;

void RegisterCoreClasses(TStreamClassTable& t) {
    // Lists are written inline by their owners and never made from the table; the entry gives
    // the class table the version of the list layout (the short count with its negation, the
    // positions, the trailer).
    t.Register({"TPersistentList", kPersistentListVersion, "", nullptr, nullptr, nullptr});
    t.Register({"TEntity", 0, "",
                [](const TLoadContext&) { return std::make_unique<model::TEntity>(); }, nullptr,
                nullptr});
    t.Register(
        {"TVersionedEntity", 0, "TEntity",
         [](const TLoadContext& c) { return std::make_unique<model::TVersionedEntity>(c.project); },
         nullptr, nullptr});
    TStreamClass scenario;
    scenario.name = "TScenario";
    scenario.parent = "TEntity";
    scenario.create = [](const TLoadContext&) { return std::make_unique<model::TScenario>(); };
    scenario.store = [](const TZEPPersistent& o, TObjectWriter& w) {
        const auto& s = static_cast<const model::TScenario&>(o);
        StoreEntityBody(w, s);
        w.WriteRef(s.Parent());
        w.WriteUInt8(s.streamByte2_);
        w.WriteUInt8(s.streamByte1_);
    };
    scenario.load = [](TZEPPersistent& o, TObjectReader& r) {
        auto& s = static_cast<model::TScenario&>(o);
        s.TEntity::Load(r);
        TZEPPersistent* parent = r.ReadRef();
        auto* p = dynamic_cast<model::TScenario*>(parent);
        if (parent && !p) throw EInvalidImage("Invalid image");
        s.SetParent(p);
        s.streamByte2_ = r.ReadUInt8();
        s.streamByte1_ = r.ReadUInt8();
    };
    t.Register(std::move(scenario));
}

bool IsMarker(const std::uint8_t* p) {
    return std::memcmp(p, kLongListMarker, 4) == 0;
}

} // namespace

// ---- class table ------------------------------------------------------------------------------

TStreamClassTable& TStreamClassTable::Global() {
    static TStreamClassTable* table = [] {
        auto* t = new TStreamClassTable;
        RegisterCoreClasses(*t);
        return t;
    }();
    return *table;
}

void TStreamClassTable::Register(TStreamClass entry) {
    auto it = byName_.find(entry.name);
    if (it != byName_.end()) {
        *entries_[it->second] = std::move(entry);
        return;
    }
    byName_.emplace(entry.name, entries_.size());
    entries_.push_back(std::make_unique<TStreamClass>(std::move(entry)));
}

std::unique_ptr<TStreamClassTable> TStreamClassTable::Clone() const {
    auto copy = std::make_unique<TStreamClassTable>();
    for (const auto& e : entries_)
        copy->Register(*e);
    return copy;
}

const TStreamClass* TStreamClassTable::Find(std::string_view name) const {
    auto it = byName_.find(std::string(name));
    return it == byName_.end() ? nullptr : entries_[it->second].get();
}

// ---- value tags -------------------------------------------------------------------------------

namespace {

std::uint8_t IntegerTag(std::int64_t v) {
    if (v >= 0 && v <= 127) return 10;
    if (v >= -32767 && v <= 32767) return 2;
    return 3;
}

// Reals without fraction travel as integers; a double that single precision would change keeps
// its eight bytes.
std::uint8_t RealTag(double d, bool doublePrecision, std::int64_t& asInteger) {
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) <= 2147483647.0) {
        asInteger = static_cast<std::int64_t>(d);
        return IntegerTag(asInteger);
    }
    if (doublePrecision) {
        const float f = static_cast<float>(d);
        if (std::isnan(d) || static_cast<double>(f) != d) return 5;
    }
    return 4;
}

double RealOf(const TValue& v) {
    switch (v.Kind()) {
    case model::varSingle:
        return v.AsSingleRaw();
    case model::varCurrency:
        return static_cast<double>(v.AsCurrencyScaled()) / 10000.0;
    default:
        return v.AsDoubleRaw();
    }
}

} // namespace

std::uint8_t ValueTag(const TValue& value) {
    std::int64_t n = 0;
    switch (value.Kind()) {
    case model::varEmpty:
    case model::varNull:
        return 0;
    case model::varByte:
        return IntegerTag(value.AsByteRaw());
    case model::varSmallint:
        return IntegerTag(value.AsInt16Raw());
    case model::varInteger:
        return IntegerTag(value.AsInt32Raw());
    case model::varBoolean:
        return IntegerTag(value.AsBoolRaw() ? -1 : 0);
    case model::varSingle:
        return RealTag(value.AsSingleRaw(), false, n);
    case model::varDouble:
    case model::varDate:
    case model::varCurrency:
        return RealTag(RealOf(value), true, n);
    case model::varString: {
        const std::string t = Trim(value.TextView());
        if (t.empty()) return 0;
        return t.size() <= 254 ? 8 : 72;
    }
    case model::varError:
        return 9;
    default:
        throw EInvalidVariant("Invalid Variant");
    }
}

// ---- writer -----------------------------------------------------------------------------------

TObjectWriter::TObjectWriter(const TStreamClassTable& table) : table_(table) {}

std::uint32_t TObjectWriter::NumberOf(const TZEPPersistent* object) const {
    const std::uint32_t n = numbers_.Find(object);
    return n == TAddressIndex::kAbsent ? 0 : n;
}

std::uint16_t TObjectWriter::ClassIndex(const std::string& name) {
    auto it = classIndex_.find(name);
    if (it != classIndex_.end()) return it->second;
    const TStreamClass* entry = table_.Find(name);
    if (entry && !entry->parent.empty()) ClassIndex(entry->parent);
    if (name.size() > 63) throw EInvalidImage("Class name too long: " + name);
    if (classes_.size() >= 0xFFFF) throw EInvalidImage("Too many classes");
    const auto index = static_cast<std::uint16_t>(classes_.size());
    classes_.push_back({name, entry ? entry->version : std::uint16_t(0)});
    classIndex_.emplace(name, index);
    return index;
}

const TObjectWriter::ClassOfObject& TObjectWriter::ClassOf(const TZEPPersistent& object) {
    const char* name = object.ClassName();
    auto it = classOf_.find(name);
    if (it == classOf_.end())
        it = classOf_.emplace(name, ClassOfObject{ClassIndex(name), table_.Find(name)}).first;
    return it->second;
}

void TObjectWriter::RaiseClassVersion(const std::string& name, std::uint16_t version) {
    if (!discovering_) return;
    ClassEntry& entry = classes_[ClassIndex(name)];
    entry.version = std::max(entry.version, version);
}

void TObjectWriter::StoreBody(const TZEPPersistent& object) {
    const TStreamClass* entry = ClassOf(object).entry;
    if (entry && entry->store)
        entry->store(object, *this);
    else if (auto* v = dynamic_cast<const model::TVersionedEntity*>(&object))
        StoreVersionedBody(*this, *v);
    else if (auto* e = dynamic_cast<const model::TEntity*>(&object))
        StoreEntityBody(*this, *e);
    else
        object.Store(*this);
    if (!lists_.empty())
        throw EInvalidImage("Unclosed list in the body of " + std::string(object.ClassName()));
}

void TObjectWriter::StoreStream(TStream& out, const TZEPPersistent& root) {
    numbers_.Clear();
    numbers_.Reserve(1024);
    objects_.clear();
    objectClass_.clear();
    classes_.clear();
    classIndex_.clear();
    classOf_.clear();
    out_.clear();

    discovering_ = true;
    numbers_.Insert(&root, 1);
    objects_.push_back(&root);
    objectClass_.push_back(ClassOf(root).index);
    StoreBody(root);
    if (objects_.size() > 0x7FFFFFFF) throw EInvalidImage("Too many objects");

    discovering_ = false;
    ShowProgress("Storing Index", 0.0);
    if (oldSignature_ && objects_.size() > 0xFFFF)
        throw EInvalidImage("Too many objects for the older stream form");
    if (oldSignature_)
        out_.append(kOldStreamSignature, 4);
    else
        out_.append(reinterpret_cast<const char*>(kStreamSignature), 4);
    WriteInt16(static_cast<std::int16_t>(classes_.size()));
    for (const ClassEntry& c : classes_) {
        WriteShortString(c.name);
        WriteInt16(static_cast<std::int16_t>(c.version));
        WriteInt16(0);
    }
    if (oldSignature_)
        WriteInt16(static_cast<std::int16_t>(objects_.size()));
    else
        WriteInt32(static_cast<std::int32_t>(objects_.size()));
    for (std::uint16_t c : objectClass_)
        WriteInt16(static_cast<std::int16_t>(c));
    out.WriteBuffer(out_.data(), out_.size());
    out_.clear();

    const std::size_t n = objects_.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i % kProgressStep == 0) {
            ShowProgress("Writing", static_cast<double>(i) / static_cast<double>(n));
            if (out_.size() > (1u << 20)) {
                out.WriteBuffer(out_.data(), out_.size());
                out_.clear();
            }
        }
        StoreBody(*objects_[i]);
    }
    out.WriteBuffer(out_.data(), out_.size());
    out_.clear();
    EndProgress();
}

void TObjectWriter::WriteUInt8(std::uint8_t v) {
    Put(&v, 1);
}
void TObjectWriter::WriteInt16(std::int16_t v) {
    Put(&v, 2);
}
void TObjectWriter::WriteInt32(std::int32_t v) {
    Put(&v, 4);
}
void TObjectWriter::WriteSingle(float v) {
    Put(&v, 4);
}
void TObjectWriter::WriteDouble(double v) {
    Put(&v, 8);
}

void TObjectWriter::WriteShortString(std::string_view text) {
    if (text.size() > 255)
        throw EInvalidVariant(Format("Text of %d characters too long for a short string",
                                     {static_cast<int>(text.size())}));
    WriteUInt8(static_cast<std::uint8_t>(text.size()));
    Put(text.data(), text.size());
}

void TObjectWriter::WriteLongString(std::string_view text) {
    // 65535 means "no string": a text that long cannot be written without losing it.
    if (text.size() >= 0xFFFF)
        throw EInvalidVariant(Format("Text of %d characters too long for the project file",
                                     {static_cast<int>(text.size())}));
    WriteInt16(static_cast<std::int16_t>(static_cast<std::uint16_t>(text.size())));
    Put(text.data(), text.size());
}

void TObjectWriter::WriteNoLongString() {
    WriteInt16(-1);
}

void TObjectWriter::WriteRef(const TZEPPersistent* object) {
    if (!object) {
        if (oldSignature_)
            WriteInt16(0);
        else
            WriteInt32(0);
        return;
    }
    if (discovering_) {
        // One probe: an object met before keeps its number.
        if (!numbers_.Insert(object, static_cast<std::uint32_t>(objects_.size() + 1))) return;
        // The nested body must not see the owner's open lists.
        std::vector<OpenList> saved;
        saved.swap(lists_);
        objects_.push_back(object);
        objectClass_.push_back(ClassOf(*object).index);
        StoreBody(*object);
        saved.swap(lists_);
        return;
    }
    if (oldSignature_)
        WriteInt16(static_cast<std::int16_t>(NumberOf(object)));
    else
        WriteInt32(static_cast<std::int32_t>(NumberOf(object)));
}

void TObjectWriter::WriteValue(const TValue& value) {
    const std::uint8_t tag = ValueTag(value);
    WriteUInt8(tag);
    std::int64_t n = 0;
    double real = 0;
    switch (value.Kind()) {
    case model::varByte:
        n = value.AsByteRaw();
        break;
    case model::varSmallint:
        n = value.AsInt16Raw();
        break;
    case model::varInteger:
        n = value.AsInt32Raw();
        break;
    case model::varBoolean:
        n = value.AsBoolRaw() ? -1 : 0;
        break;
    case model::varSingle:
    case model::varDouble:
    case model::varDate:
    case model::varCurrency:
        real = RealOf(value);
        RealTag(real, value.Kind() != model::varSingle, n);
        break;
    default:
        break;
    }
    switch (tag) {
    case 0:
        return;
    case 2:
        WriteInt16(static_cast<std::int16_t>(n));
        return;
    case 3:
        WriteInt32(static_cast<std::int32_t>(n));
        return;
    case 4:
        WriteSingle(static_cast<float>(real));
        return;
    case 5:
        WriteDouble(real);
        return;
    case 8:
        WriteShortString(Trim(value.TextView()));
        return;
    case 72:
        WriteLongString(Trim(value.TextView()));
        return;
    case 9:
        WriteRef(value.ToObject());
        return;
    case 10:
        WriteUInt8(static_cast<std::uint8_t>(n));
        return;
    default:
        throw EInvalidVariant("Invalid Variant");
    }
}

void TObjectWriter::BeginList(bool owning, std::uint32_t count) {
    if (discovering_) ClassIndex("TPersistentList");
    WriteUInt8(owning ? 1 : 0);
    const bool wide = count > 0xFFFF;
    if (wide) {
        Put(kLongListMarker, 4);
        WriteInt32(static_cast<std::int32_t>(count));
    } else {
        WriteInt16(static_cast<std::int16_t>(count));
        WriteInt16(static_cast<std::int16_t>(-static_cast<std::int32_t>(count)));
    }
    lists_.push_back({count, 1, wide});
}

void TObjectWriter::ListItem(std::uint32_t position) {
    if (lists_.empty() || position != lists_.back().next || position > lists_.back().count)
        throw EInvalidImage("Bad _List");
    ++lists_.back().next;
    if (lists_.back().wide)
        WriteInt32(static_cast<std::int32_t>(position));
    else
        WriteInt16(static_cast<std::int16_t>(position));
}

void TObjectWriter::EndList() {
    if (lists_.empty() || lists_.back().next != lists_.back().count + 1)
        throw EInvalidImage("Bad _List");
    const OpenList l = lists_.back();
    lists_.pop_back();
    if (l.wide)
        WriteInt32(static_cast<std::int32_t>(l.count));
    else
        WriteInt16(static_cast<std::int16_t>(l.count));
}

void StorePropertyPairs(TObjectWriter& writer, const model::TPropertyList& props,
                        std::int32_t skipId) {
    // Identifiers travel as one byte: values under other identifiers (names the system made
    // up for unknown attributes) are not part of this file.
    std::uint32_t count = 0;
    for (const model::TProperty& p : props)
        count += p.Id() > 0 && p.Id() <= 255 && p.Id() != skipId;
    writer.BeginList(true, count);
    std::uint32_t n = 0;
    for (const model::TProperty& p : props) {
        if (p.Id() <= 0 || p.Id() > 255 || p.Id() == skipId) continue;
        writer.ListItem(++n);
        writer.WriteUInt8(static_cast<std::uint8_t>(p.Id()));
        writer.WriteValue(p.value);
    }
    writer.EndList();
}

void StoreEntityBody(TObjectWriter& writer, const model::TEntity& entity, std::int32_t skipId) {
    StorePropertyPairs(writer, entity.Properties(), skipId);
}

void StoreVersionList(TObjectWriter& writer, const model::TVersionedEntity& entity) {
    // The versions are written compacted (values equal to what the parent scenario gives left
    // out, versions left empty by that dropped) without compacting the entity itself: the
    // project in memory stays exactly as the user's undo history knows it.
    std::vector<const model::TVersion*> versions;
    versions.reserve(entity.Versions().Count());
    for (const auto& v : entity.Versions())
        if (entity.KeepsVersion(*v)) versions.push_back(v.get());
    if (versions.size() > 1 && !writer.Discovering())
        std::stable_sort(versions.begin(), versions.end(), [&](auto* a, auto* b) {
            return writer.NumberOf(a->Scenario()) < writer.NumberOf(b->Scenario());
        });
    writer.BeginList(true, static_cast<std::uint32_t>(versions.size()));
    std::uint32_t position = 0;
    for (const model::TVersion* v : versions) {
        writer.ListItem(++position);
        writer.WriteRef(v->Scenario());
        std::uint32_t count = 0;
        for (const model::TProperty& p : *v)
            count += p.Id() > 0 && p.Id() <= 255 && !entity.IsRedundant(*v, p);
        writer.BeginList(true, count);
        std::uint32_t n = 0;
        for (const model::TProperty& p : *v) {
            if (p.Id() <= 0 || p.Id() > 255 || entity.IsRedundant(*v, p)) continue;
            writer.ListItem(++n);
            writer.WriteUInt8(static_cast<std::uint8_t>(p.Id()));
            writer.WriteValue(p.value);
        }
        writer.EndList();
    }
    writer.EndList();
}

void StoreVersionedBody(TObjectWriter& writer, const model::TVersionedEntity& entity) {
    StoreEntityBody(writer, entity);
    StoreVersionList(writer, entity);
}

// ---- reader -----------------------------------------------------------------------------------

TObjectReader::TObjectReader(const TStreamClassTable& table) : table_(table) {}

TObjectReader::~TObjectReader() {
    if (done_) {
        // Objects nobody took over may still be referred to by values: they live on.
        for (auto& o : owned_)
            (void)o.release();
        return;
    }
    for (std::size_t i = 0; i < owned_.size(); ++i)
        if (claimed_[i]) (void)owned_[i].release();
    // Free unclaimed objects after every claimed one is out of our hands; their destructors
    // do not look at other objects.
    owned_.clear();
}

void TObjectReader::ThrowReadError() {
    throw EReadError("Stream read error");
}

void TObjectReader::TakeMore(std::size_t n) {
    if (more_) data_ = more_(pos_ + n);
    if (data_.size() - pos_ < n) ThrowReadError();
}

std::uint8_t TObjectReader::ReadUInt8() {
    return *Take(1);
}
std::int16_t TObjectReader::ReadInt16() {
    std::int16_t v;
    std::memcpy(&v, Take(2), 2);
    return v;
}
std::uint16_t TObjectReader::ReadUInt16() {
    return static_cast<std::uint16_t>(ReadInt16());
}
std::int32_t TObjectReader::ReadInt32() {
    std::int32_t v;
    std::memcpy(&v, Take(4), 4);
    return v;
}
std::uint32_t TObjectReader::ReadUInt32() {
    return static_cast<std::uint32_t>(ReadInt32());
}
float TObjectReader::ReadSingle() {
    float v;
    std::memcpy(&v, Take(4), 4);
    return v;
}
double TObjectReader::ReadDouble() {
    double v;
    std::memcpy(&v, Take(8), 8);
    return v;
}

std::string TObjectReader::ReadShortString() {
    const std::uint8_t n = ReadUInt8();
    const auto* p = Take(n);
    return std::string(reinterpret_cast<const char*>(p), n);
}

std::string TObjectReader::ReadLongString(bool* present) {
    const std::uint16_t n = ReadUInt16();
    if (present) *present = n != 0xFFFF;
    if (n == 0xFFFF) return {};
    const auto* p = Take(n);
    return std::string(reinterpret_cast<const char*>(p), n);
}

TZEPPersistent* TObjectReader::ReadRef() {
    const std::uint32_t n = oldSignature_ ? ReadUInt16() : ReadUInt32();
    if (n == 0) return nullptr;
    if (n > objects_.size())
        throw EInvalidObjectReference(
            Format("Invalid object reference %d", {static_cast<std::int64_t>(n)}));
    lastRef_ = n;
    return objects_[n - 1];
}

std::uint32_t TObjectReader::IndexOfObject(const TZEPPersistent* object) const {
    // List bodies ask about the object whose reference they have just read.
    if (lastRef_ > 0 && lastRef_ <= objects_.size() && objects_[lastRef_ - 1] == object)
        return lastRef_ - 1;
    if (object == lastInline_) return TAddressIndex::kAbsent;
    if (object && object == lastFound_) return lastFoundIndex_;
    // A few questions about other objects (an operator's category list) are answered by a
    // scan of the table, which costs far less than an index of millions of objects would.
    constexpr std::uint32_t kScansBeforeIndex = 8;
    if (indexOf_.Count() != objects_.size() && scans_ < kScansBeforeIndex) {
        ++scans_;
        const auto at = std::find(objects_.begin(), objects_.end(), object);
        if (at == objects_.end()) return TAddressIndex::kAbsent;
        lastFound_ = object;
        lastFoundIndex_ = static_cast<std::uint32_t>(at - objects_.begin());
        return lastFoundIndex_;
    }
    if (indexOf_.Count() != objects_.size()) {
        indexOf_.Clear();
        indexOf_.Reserve(objects_.size());
        for (std::size_t i = 0; i < objects_.size(); ++i)
            indexOf_.Insert(objects_[i], static_cast<std::uint32_t>(i));
    }
    return indexOf_.Find(object);
}

TValue TObjectReader::ReadValue() {
    const std::uint8_t tag = ReadUInt8();
    switch (tag) {
    case 0:
    case 1:
        return TValue();
    case 2:
        return TValue::Int16(ReadInt16());
    case 3:
        return TValue(static_cast<int>(ReadInt32()));
    case 4:
        return TValue::Single(ReadSingle());
    case 5:
        return TValue(ReadDouble());
    case 7:
        return TValue::Date(ReadDouble());
    case 8: {
        std::string s = ReadShortString();
        if (Trim(s).empty()) return TValue();
        return TValue(s);
    }
    case 9:
        return TValue(ReadRef());
    case 10:
        return TValue::Byte(ReadUInt8());
    case 72: {
        bool present = false;
        std::string s = ReadLongString(&present);
        if (!present || Trim(s).empty()) return TValue();
        return TValue(s);
    }
    default:
        throw EInvalidVariant("Invalid Variant");
    }
}

std::uint32_t TObjectReader::BeginList(bool& owning) {
    owning = ReadUInt8() != 0;
    const std::uint8_t* p = Take(4);
    OpenList l{};
    if (IsMarker(p)) {
        l.wide = true;
        l.count = ReadUInt32();
    } else {
        std::uint16_t a, b;
        std::memcpy(&a, p, 2);
        std::memcpy(&b, p + 2, 2);
        if (static_cast<std::uint16_t>(a + b) != 0) throw EInvalidImage("Bad _List");
        l.wide = false;
        l.count = a;
    }
    l.next = 1;
    // Every item takes at least its position: a count the rest of the stream cannot hold is a
    // damaged list, found before anyone sizes memory by it.
    if (static_cast<std::uint64_t>(l.count) * (l.wide ? 4 : 2) > Remaining())
        throw EInvalidImage("Bad _List");
    lists_.push_back(l);
    return l.count;
}

void TObjectReader::ListItem(std::uint32_t position) {
    if (lists_.empty()) throw EInvalidImage("Bad _List");
    OpenList& l = lists_.back();
    const std::uint32_t read = l.wide ? ReadUInt32() : ReadUInt16();
    if (read != position || position != l.next || position > l.count)
        throw EInvalidImage("Bad _List");
    ++l.next;
}

void TObjectReader::EndList() {
    if (lists_.empty()) throw EInvalidImage("Bad _List");
    const OpenList l = lists_.back();
    lists_.pop_back();
    const std::uint32_t trailer = l.wide ? ReadUInt32() : ReadUInt16();
    if (trailer != l.count || l.next != l.count + 1) throw EInvalidImage("Bad _List");
}

void TObjectReader::ReadPropertyPairs(model::TPropertyList* into, bool dropUnidentified) {
    // The most frequent body of the stream, read without a call per item.
    bool owning = false;
    const std::uint32_t count = TObjectReader::BeginList(owning);
    const bool wide = lists_.back().wide;
    if (into) into->Reserve(count);
    for (std::uint32_t i = 1; i <= count; ++i) {
        const std::uint8_t* p = Take(wide ? 5 : 3);
        std::uint32_t position;
        if (wide) {
            std::memcpy(&position, p, 4);
        } else {
            std::uint16_t shortPosition;
            std::memcpy(&shortPosition, p, 2);
            position = shortPosition;
        }
        if (position != i) throw EInvalidImage("Bad _List");
        const std::uint8_t id = p[wide ? 4 : 2];
        TValue value = TObjectReader::ReadValue();
        if (into && (id != 0 || !dropUnidentified)) into->RawPut(id, std::move(value));
    }
    lists_.back().next = count + 1;
    TObjectReader::EndList();
}

std::uint16_t TObjectReader::ClassVersion(const char* className) const {
    // Loaders ask about their own class for every object of it.
    if (lastVersionKnown_ && lastVersionAsked_ == className) return lastVersion_;
    std::uint16_t version = 0;
    for (const auto& c : classes_)
        if (c.first == className) {
            version = c.second;
            break;
        }
    lastVersionAsked_ = className;
    lastVersionKnown_ = true;
    lastVersion_ = version;
    return version;
}

std::vector<std::unique_ptr<TZEPPersistent>> TObjectReader::TakeOrphans() {
    std::vector<std::unique_ptr<TZEPPersistent>> orphans;
    for (std::size_t i = 1; i < owned_.size(); ++i)
        if (!claimed_[i] && owned_[i]) {
            claimed_[i] = true;
            orphans.push_back(std::move(owned_[i]));
        }
    return orphans;
}

void TObjectReader::Claim(TZEPPersistent* object) {
    if (!object) return;
    const std::uint32_t i = IndexOfObject(object);
    if (i != TAddressIndex::kAbsent && i > 0) {
        if (claimed_[i]) throw EInvalidImage("Invalid image");
        claimed_[i] = true;
        return;
    }
    // The root, or an object of no stream: an owning list must not take it.
    throw EInvalidImage("Invalid image");
}

void TObjectReader::LoadStream(TStream& in, TZEPPersistent& root, model::TProjectI* project) {
    // An image being decompressed is read as it comes, where it lies.
    if (auto* growing = dynamic_cast<TInflateAheadStream*>(&in)) {
        const auto base = static_cast<std::size_t>(growing->Position());
        TInflateAhead& ahead = growing->Ahead();
        more_ = [&ahead, base](std::size_t end) {
            const std::size_t upTo = end > static_cast<std::size_t>(-1) - base
                                         ? static_cast<std::size_t>(-1)
                                         : base + end;
            const std::string_view all = ahead.Wait(upTo);
            return all.size() > base ? all.substr(base) : std::string_view();
        };
        expected_ = ahead.Expected() > base ? ahead.Expected() - base : 0;
        LoadView(more_(0), root, project);
        // The whole file is checked (length and CRC), even where the stream ended earlier.
        ahead.WaitAll();
        more_ = nullptr;
        growing->Seek(static_cast<std::int64_t>(base + data_.size()), SeekOrigin::Begin);
        return;
    }
    // An image already in memory is read where it is.
    if (auto* memory = dynamic_cast<TMemoryStream*>(&in)) {
        const auto at = static_cast<std::size_t>(memory->Position());
        std::string_view bytes(memory->Data());
        LoadView(bytes.substr(std::min(at, bytes.size())), root, project);
        memory->Seek(0, SeekOrigin::End);
        return;
    }
    LoadBytes(in.ReadAll(), root, project);
}

void TObjectReader::LoadBytes(std::string bytes, TZEPPersistent& root, model::TProjectI* project) {
    ownedData_ = std::move(bytes);
    LoadView(ownedData_, root, project);
}

void TObjectReader::LoadView(std::string_view bytes, TZEPPersistent& root,
                             model::TProjectI* project) {
    data_ = bytes;
    pos_ = 0;
    lastVersionKnown_ = false;
    lastFound_ = nullptr;
    scans_ = 0;
    const std::uint8_t* sig = Take(4);
    if (std::memcmp(sig, kStreamSignature, 4) == 0)
        oldSignature_ = false;
    else if (std::memcmp(sig, kOldStreamSignature, 4) == 0)
        oldSignature_ = true;
    else
        throw EInvalidImage("Invalid image");

    const std::uint16_t classCount = ReadUInt16();
    for (std::uint16_t i = 0; i < classCount; ++i) {
        std::string name = ReadShortString();
        if (name.size() > 63) throw EInvalidImage("Invalid image");
        const std::uint16_t version = ReadUInt16();
        (void)ReadUInt16();
        classes_.emplace_back(std::move(name), version);
    }

    const std::uint32_t count = oldSignature_ ? ReadUInt16() : ReadUInt32();
    if (count == 0) throw EInvalidImage("Invalid image");
    if (static_cast<std::uint64_t>(count) * 2 > Remaining()) throw EReadError("Stream read error");
    std::vector<std::uint16_t> index(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        index[i] = ReadUInt16();
        if (index[i] >= classes_.size()) throw EInvalidImage("Invalid image");
    }
    if (classes_[index[0]].first != root.ClassName()) throw EInvalidImage("Invalid image");

    context_ = TLoadContext{&root, project};
    const TLoadContext& context = context_;
    objects_.reserve(count);
    owned_.reserve(count);
    objects_.push_back(&root);
    owned_.emplace_back();
    claimed_.assign(count, false);
    // Each class of the stream is looked up once.
    std::vector<const TStreamClass*> classEntries(classes_.size());
    for (std::size_t k = 0; k < classes_.size(); ++k)
        classEntries[k] = table_.Find(classes_[k].first);
    for (std::uint32_t i = 1; i < count; ++i) {
        if (i % kProgressStep == 0)
            ShowProgress("Loading Index", static_cast<double>(i) / static_cast<double>(count));
        const TStreamClass* entry = classEntries[index[i]];
        const std::string& name = classes_[index[i]].first;
        if (!entry || !entry->create) throw EInvalidImage("Class " + name + " not found");
        std::unique_ptr<TZEPPersistent> object = entry->create(context);
        if (!object) throw EInvalidImage("Class " + name + " not found");
        objects_.push_back(object.get());
        owned_.push_back(std::move(object));
    }

    for (std::uint32_t i = 0; i < count; ++i) {
        if (i % kProgressStep == 0)
            ShowProgress("Reading", static_cast<double>(i) / static_cast<double>(count));
        // The root's own post-load operation is the project's, run by the caller.
        if (i > 0) postLoad_.push_back(objects_[i]);
        // The root's class is the one its class table entry names.
        const TStreamClass* entry = classEntries[index[i]];
        if (entry && entry->load)
            entry->load(*objects_[i], *this);
        else if (auto* list = model::KindCast<model::TPersistentList>(objects_[i]))
            LoadListBody(*this, *list); // claims what an owning list takes
        else
            objects_[i]->Load(*this);
        if (!lists_.empty()) throw EInvalidImage("Bad _List");
    }
    // A scenario tree with a cycle would make every lookup walk forever.
    for (TZEPPersistent* o : objects_)
        if (auto* s = model::KindCast<model::TScenario>(o)) {
            const model::TScenario* p = s->Parent();
            for (std::size_t steps = 0; p; p = p->Parent())
                if (++steps > objects_.size()) throw EInvalidImage("Invalid image");
        }
    for (TZEPPersistent* o : postLoad_)
        o->AfterLoad();
    EndProgress();
    done_ = true;
}

} // namespace zep::files
