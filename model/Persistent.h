// The root of model objects that persist through the project's object stream, and the abstract
// reader and writer that stream implements.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/Value.h"
#include "undo/Object.h"

namespace zep::model {

class TPersistWriter;
class TPersistReader;
class TPropertyList;

/// Base of every model class stored in the object stream (entities, lists, owned records).
class TZEPPersistent : public undo::TObject {
public:
    /// The class name under which the object stream registers the class ("TNode").
    virtual const char* ClassName() const { return "TZEPPersistent"; }
    /// Writes the object's body.
    virtual void Store(TPersistWriter& writer) const {}
    /// Reads the object's body.
    virtual void Load(TPersistReader& reader) {}
    /// Called on every object after all objects of a stream are loaded.
    virtual void AfterLoad() {}
};

/// Writes bodies of the object stream. Implemented by the project file layer; the model only
/// describes what it stores.
class TPersistWriter {
public:
    virtual ~TPersistWriter() = default;
    virtual void WriteUInt8(std::uint8_t v) = 0;
    virtual void WriteInt16(std::int16_t v) = 0;
    virtual void WriteInt32(std::int32_t v) = 0;
    virtual void WriteSingle(float v) = 0;
    virtual void WriteDouble(double v) = 0;
    /// 1-byte length and the characters.
    virtual void WriteShortString(std::string_view text) = 0;
    /// A reference to a table object (nullptr: none).
    virtual void WriteRef(const TZEPPersistent* object) = 0;
    /// A property value as tag and payload.
    virtual void WriteValue(const TValue& value) = 0;
    /// Opens an inline list body of `count` items.
    virtual void BeginList(bool owning, std::uint32_t count) = 0;
    /// Precedes item `position` (1-based) of the open list.
    virtual void ListItem(std::uint32_t position) = 0;
    /// Closes the list body opened last.
    virtual void EndList() = 0;
};

/// Reads bodies of the object stream (the mirror of TPersistWriter).
class TPersistReader {
public:
    virtual ~TPersistReader() = default;
    virtual std::uint8_t ReadUInt8() = 0;
    virtual std::int16_t ReadInt16() = 0;
    virtual std::int32_t ReadInt32() = 0;
    virtual float ReadSingle() = 0;
    virtual double ReadDouble() = 0;
    virtual std::string ReadShortString() = 0;
    virtual TZEPPersistent* ReadRef() = 0;
    virtual TValue ReadValue() = 0;
    /// Opens an inline list body; answers the item count and whether the list owned its items.
    virtual std::uint32_t BeginList(bool& owning) = 0;
    /// Checks the position (1-based) that precedes the next item.
    virtual void ListItem(std::uint32_t position) = 0;
    virtual void EndList() = 0;
    /// The version of `className` in the stream's class table (0 when absent).
    virtual std::uint16_t ClassVersion(const char* className) const = 0;
    /// Reads a list body of (1-byte identifier, value) pairs into `into` without undo steps
    /// (read and dropped when `into` is null); pairs with identifier 0 are dropped when
    /// `dropUnidentified`. The most frequent body of all, so readers do it in one call.
    virtual void ReadPropertyPairs(TPropertyList* into, bool dropUnidentified) = 0;
};

} // namespace zep::model
