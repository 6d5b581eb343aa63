// The binary object stream of projects: a class table, an object index and the objects' bodies,
// each body written by its class. Table objects are referred to by their 1-based stream number;
// inline objects (lists, owned records) are written inside their owner's body.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/AddressIndex.h"
#include "foundation/Exception.h"
#include "foundation/HugePages.h"
#include "foundation/Stream.h"
#include "model/Persistent.h"
#include "model/PersistentList.h"
#include "model/versions.h"

namespace zep::model {
class TProjectI;
}

namespace zep::files {

using model::TZEPPersistent;

/// The stream does not have the expected structure ("Invalid image").
ZEP_DECLARE_EXCEPTION(EInvalidImage, Exception);
/// A stream number outside the object table.
ZEP_DECLARE_EXCEPTION(EInvalidObjectReference, Exception);
/// An unknown value tag, or a value the stream cannot hold ("Invalid Variant").
ZEP_DECLARE_EXCEPTION(EInvalidVariant, Exception);

/// The signature written after the version header.
inline constexpr std::uint8_t kStreamSignature[4] = {0x52, 0x00, 0x05, 0xA0};
/// The older signature: references and the object count are 16 bits wide.
inline constexpr char kOldStreamSignature[4] = {'V', 'P', 'R', '5'};
/// The class version of TPersistentList in the class table: the list layout written here.
inline constexpr std::uint16_t kPersistentListVersion = 2;
/// The long-count marker of list bodies with more than 65535 items.
inline constexpr std::uint8_t kLongListMarker[4] = {0x0B, 0xF0, 0x9A, 0xB1};

class TObjectWriter;
class TObjectReader;

/// What the reader knows while it creates objects: the project they belong to (versioned
/// entities are given it) and the root object (object 1).
struct TLoadContext {
    TZEPPersistent* root = nullptr;
    model::TProjectI* project = nullptr;
};

/// How one class is written and read. Classes without a creator are made by the model's class
/// registry; without store/load functions the object's own Store/Load run.
struct TStreamClass {
    std::string name;
    /// The version written in the class table.
    std::uint16_t version = 0;
    /// The registered class this one derives from: its entry is written first, so that readers
    /// can ask the version of a base class whose layout a subclass inherits.
    std::string parent;
    std::function<std::unique_ptr<TZEPPersistent>(const TLoadContext&)> create;
    std::function<void(const TZEPPersistent&, TObjectWriter&)> store;
    std::function<void(TZEPPersistent&, TObjectReader&)> load;
};

/// The classes the stream knows, by name. Registering a name again replaces its entry.
class TStreamClassTable {
public:
    /// The process-wide table, holding the core classes (entities, scenarios, lists).
    static TStreamClassTable& Global();
    void Register(TStreamClass entry);
    const TStreamClass* Find(std::string_view name) const;
    /// A copy of the table (tools and tests write older layouts through a changed copy).
    std::unique_ptr<TStreamClassTable> Clone() const;

private:
    std::vector<std::unique_ptr<TStreamClass>> entries_;
    std::unordered_map<std::string, std::size_t> byName_;
};

/// Writes an object stream in two passes: discovery numbers every object passed as a ref and
/// collects the classes; emission writes the bytes. Store functions run once in each pass and
/// must do the same in both.
class TObjectWriter : public model::TPersistWriter {
public:
    explicit TObjectWriter(const TStreamClassTable& table = TStreamClassTable::Global());

    /// Writes the signature, class table, object index and every body; `root` is object 1.
    void StoreStream(TStream& out, const TZEPPersistent& root);

    void WriteUInt8(std::uint8_t v) override;
    void WriteInt16(std::int16_t v) override;
    void WriteInt32(std::int32_t v) override;
    void WriteSingle(float v) override;
    void WriteDouble(double v) override;
    void WriteShortString(std::string_view text) override;
    /// 16-bit length, then the characters; texts of 65535 characters or more cannot be held.
    void WriteLongString(std::string_view text);
    /// The 16-bit length 65535 that stands for no string.
    void WriteNoLongString();
    void WriteRef(const TZEPPersistent* object) override;
    void WriteValue(const model::TValue& value) override;
    void BeginList(bool owning, std::uint32_t count) override;
    void ListItem(std::uint32_t position) override;
    void EndList() override;

    /// Writes the older form: signature "VPR5", 16-bit object count and refs (for tools and
    /// tests that make streams of older programs).
    void SetOldSignature(bool on) { oldSignature_ = on; }
    /// Enters a class into the class table (with its version): inline records do this so that
    /// readers can ask their class's version.
    void NoteClass(const std::string& name) {
        if (discovering_) ClassIndex(name);
    }
    /// Raises the version the class table gives `name` (entered when missing), for a body whose
    /// layout depends on what this particular object holds. Call it in the discovery pass.
    void RaiseClassVersion(const std::string& name, std::uint16_t version);
    /// True during the discovery pass.
    bool Discovering() const { return discovering_; }
    /// The stream number given to `object`, 0 when it is not a table object.
    std::uint32_t NumberOf(const TZEPPersistent* object) const;
    std::size_t ObjectCount() const { return objects_.size(); }

private:
    struct OpenList {
        std::uint32_t count;
        std::uint32_t next;
        bool wide;
    };
    void Put(const void* data, std::size_t n) {
        if (!discovering_) out_.append(static_cast<const char*>(data), n);
    }
    std::uint16_t ClassIndex(const std::string& name);
    struct ClassOfObject {
        std::uint16_t index;
        const TStreamClass* entry;
    };
    /// The class index and table entry of an object's class, remembered by the address of its
    /// class name (one per class): a study's millions of objects do not each build and hash it.
    const ClassOfObject& ClassOf(const TZEPPersistent& object);
    void StoreBody(const TZEPPersistent& object);

    const TStreamClassTable& table_;
    bool discovering_ = false;
    bool oldSignature_ = false;
    std::string out_;
    TAddressIndex numbers_;
    std::vector<const TZEPPersistent*> objects_;
    std::vector<std::uint16_t> objectClass_;
    struct ClassEntry {
        std::string name;
        std::uint16_t version;
    };
    std::vector<ClassEntry> classes_;
    std::unordered_map<std::string, std::uint16_t> classIndex_;
    std::unordered_map<const char*, ClassOfObject> classOf_;
    std::vector<OpenList> lists_;
};

/// Reads an object stream into a root object the caller made. Owns the objects it creates until
/// an owning list claims them; objects no list claims are freed when reading fails and kept
/// alive otherwise (values may still refer to them).
class TObjectReader final : public model::TPersistReader {
public:
    explicit TObjectReader(const TStreamClassTable& table = TStreamClassTable::Global());
    ~TObjectReader() override;

    /// Reads the whole stream from its position: signature, tables, bodies, then the post-load
    /// operation of every object in stream order.
    void LoadStream(TStream& in, TZEPPersistent& root, model::TProjectI* project = nullptr);
    /// The same over bytes in memory.
    void LoadBytes(std::string bytes, TZEPPersistent& root, model::TProjectI* project = nullptr);
    /// The same over bytes the caller keeps until the load has ended.
    void LoadView(std::string_view bytes, TZEPPersistent& root,
                  model::TProjectI* project = nullptr);

    std::uint8_t ReadUInt8() override;
    std::int16_t ReadInt16() override;
    std::int32_t ReadInt32() override;
    std::uint16_t ReadUInt16();
    std::uint32_t ReadUInt32();
    float ReadSingle() override;
    double ReadDouble() override;
    std::string ReadShortString() override;
    /// A long string; `present` is false for the length 65535.
    std::string ReadLongString(bool* present = nullptr);
    TZEPPersistent* ReadRef() override;
    model::TValue ReadValue() override;
    std::uint32_t BeginList(bool& owning) override;
    void ListItem(std::uint32_t position) override;
    void EndList() override;
    std::uint16_t ClassVersion(const char* className) const override;
    void ReadPropertyPairs(model::TPropertyList* into, bool dropUnidentified) override;

    /// An owning list took `object` over; a second claim of one object is an invalid image (it
    /// would be freed twice).
    void Claim(TZEPPersistent* object);
    /// Whether `object` is one of the stream's table objects (the root included).
    bool IsTableObject(const TZEPPersistent* object) const {
        return object && IndexOfObject(object) != TAddressIndex::kAbsent;
    }
    /// After a load, successful or not: the table objects no list took over (values and
    /// reference lists may refer to them). Whoever takes them must keep them as long as the
    /// loaded objects live.
    std::vector<std::unique_ptr<TZEPPersistent>> TakeOrphans();
    /// An inline record read inside an owner's body: its post-load operation runs with the
    /// others, after its owner's.
    void AddInline(TZEPPersistent* object) { postLoad_.push_back(object); }
    /// An item reader has just made `object` inside its owner's body: it is no table object
    /// (told without looking it up).
    void NoteInline(const TZEPPersistent* object) { lastInline_ = object; }
    /// The project the objects being read belong to.
    model::TProjectI* Project() const { return context_.project; }
    const TLoadContext& Context() const { return context_; }
    /// Bytes left unread (while the source is still being filled: as far as it announced).
    std::size_t Remaining() const { return std::max(data_.size(), expected_) - pos_; }
    bool OldSignature() const { return oldSignature_; }
    std::size_t ObjectCount() const { return objects_.size(); }

private:
    struct OpenList {
        std::uint32_t count;
        std::uint32_t next;
        bool wide;
    };
    const std::uint8_t* Take(std::size_t n) {
        if (data_.size() - pos_ < n) TakeMore(n);
        const auto* p = reinterpret_cast<const std::uint8_t*>(data_.data() + pos_);
        pos_ += n;
        return p;
    }
    [[noreturn]] static void ThrowReadError();
    /// Waits for `n` more bytes from a source still being filled, or raises the read error.
    void TakeMore(std::size_t n);
    /// The position of a table object in objects_, or kAbsent.
    std::uint32_t IndexOfObject(const TZEPPersistent* object) const;

    const TStreamClassTable& table_;
    std::string ownedData_; // the bytes when LoadBytes was given them
    std::string_view data_;
    // A source still being filled: answers at least `end` bytes from the start when it has them.
    std::function<std::string_view(std::size_t end)> more_;
    std::size_t expected_ = 0; // the length such a source announced
    std::size_t pos_ = 0;
    bool oldSignature_ = false;
    std::vector<std::pair<std::string, std::uint16_t>> classes_;
    // The tables of every object are as long as the study is large: huge pages.
    THugeVector<TZEPPersistent*> objects_;               // index 0 is object 1
    THugeVector<std::unique_ptr<TZEPPersistent>> owned_; // parallel to objects_ (root: null)
    std::vector<bool> claimed_;
    mutable TAddressIndex indexOf_;              // built when plain scans no longer pay
    mutable std::uint32_t scans_ = 0;            // plain scans made instead
    mutable const TZEPPersistent* lastFound_ = nullptr; // the object the last search found
    mutable std::uint32_t lastFoundIndex_ = 0;
    std::uint32_t lastRef_ = 0;                  // the number ReadRef answered last
    const TZEPPersistent* lastInline_ = nullptr; // the inline record made last
    std::vector<OpenList> lists_;
    THugeVector<TZEPPersistent*> postLoad_;
    TLoadContext context_;
    bool done_ = false;
    mutable std::string lastVersionAsked_; // ClassVersion's last question and answer
    mutable bool lastVersionKnown_ = false;
    mutable std::uint16_t lastVersion_ = 0;
};

/// Writes an entity's body: its values as (1-byte id, value) pairs (without `skipId`'s).
void StoreEntityBody(TObjectWriter& writer, const model::TEntity& entity, std::int32_t skipId = 0);
/// The (1-byte id, value) pairs of a property list as a list body (without `skipId`'s).
void StorePropertyPairs(TObjectWriter& writer, const model::TPropertyList& props,
                        std::int32_t skipId = 0);
/// Writes a versioned entity's body: the entity's values, then its versions in the order of
/// their scenarios' stream numbers (the order a reader re-creates them in), so that a file read
/// and written again comes out the same.
void StoreVersionedBody(TObjectWriter& writer, const model::TVersionedEntity& entity);
/// The version list of a versioned body alone, compacted as StoreVersionedBody writes it.
void StoreVersionList(TObjectWriter& writer, const model::TVersionedEntity& entity);

/// The value tag the writer chooses for `value` (for tests and tools).
std::uint8_t ValueTag(const model::TValue& value);

} // namespace zep::files
