// Event-driven XML interfaces: handlers, input sources, locators, attribute lists and the
// exceptions of the XML parser. Text is Windows-1252 bytes, as everywhere in the system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/Exception.h"
#include "foundation/Stream.h"

namespace zep {

ZEP_DECLARE_EXCEPTION(SAXException, Exception);

/// A grammar error with its place: message "%s(%d:%d): %s" (system identifier, line, column,
/// text), or the bare text when there is no place (line and column 0).
class SAXParseException : public SAXException {
public:
    explicit SAXParseException(const std::string& text);
    SAXParseException(const std::string& text, std::string publicId, std::string systemId, int line,
                      int column);
    const char* ClassName() const noexcept override { return "SAXParseException"; }
    int getLineNumber() const { return line_; }
    int getColumnNumber() const { return column_; }
    const std::string& getPublicId() const { return publicId_; }
    const std::string& getSystemId() const { return systemId_; }
    /// The text without the place.
    const std::string& Text() const { return text_; }

private:
    std::string text_;
    std::string publicId_;
    std::string systemId_;
    int line_ = 0;
    int column_ = 0;
};

/// Attributes of one start tag in document order. A repeated name is listed again and every
/// occurrence answers the value (and type) given last. Copyable: copies own their text.
class TAttributeList {
public:
    TAttributeList() = default;
    TAttributeList(const TAttributeList& other) { *this = other; }
    TAttributeList& operator=(const TAttributeList& other);
    virtual ~TAttributeList() = default;

    std::size_t getLength() const { return count_; }
    const std::string& getName(std::size_t i) const { return entries_[i].name; }
    const std::string& getValue(std::size_t i) const {
        return entries_[entries_[entries_[i].first].latest].value;
    }
    /// The upper-cased type given with the attribute, empty when none was given.
    const std::string& getType(std::size_t i) const {
        return entries_[entries_[entries_[i].first].latest].type;
    }
    /// The value of `name`; empty when absent (see Has to tell the two apart).
    const std::string& getValue(std::string_view name) const;
    const std::string& getType(std::string_view name) const;
    bool Has(std::string_view name) const { return IndexOf(name) != kNone; }

    void addAttribute(std::string_view name, std::string_view value) {
        Add(name, {}, value, false);
    }
    void addAttribute(std::string_view name, std::string_view type, std::string_view value) {
        Add(name, type, value, true);
    }
    /// Empties the list; the text buffers are kept for the next start tag.
    void clear();

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    // Beyond this many names a hash index replaces the linear search.
    static constexpr std::size_t kLinearLimit = 16;
    struct Entry {
        std::string name;
        std::string value;
        std::string type;
        std::uint32_t first = 0;  // index of the first entry with this name
        std::uint32_t latest = 0; // for a first entry: the entry holding the current value
    };
    void Add(std::string_view name, std::string_view type, std::string_view value, bool typed);
    std::uint32_t IndexOf(std::string_view name) const;

    std::vector<Entry> entries_;
    std::size_t count_ = 0;
    std::unordered_map<std::string, std::uint32_t> index_;
};

/// An attribute list that lives on a free list between start tags.
class TCachedAttributeList : public TAttributeList {
    friend class TAttributeListPool;
    TCachedAttributeList* nextFree_ = nullptr;
};

/// The free list of attribute lists: Acquire hands out an empty list, Release takes it back.
class TAttributeListPool {
public:
    TAttributeListPool() = default;
    ~TAttributeListPool();
    TAttributeListPool(const TAttributeListPool&) = delete;
    TAttributeListPool& operator=(const TAttributeListPool&) = delete;
    TCachedAttributeList* Acquire();
    void Release(TCachedAttributeList* list);

private:
    TCachedAttributeList* free_ = nullptr;
};

/// Where the parser is: line, column, public and system identifier.
class TLocator {
public:
    TLocator() = default;
    TLocator(int line, int column, std::string publicId, std::string systemId)
        : line_(line), column_(column), publicId_(std::move(publicId)),
          systemId_(std::move(systemId)) {}
    virtual ~TLocator() = default;
    virtual int getLineNumber() const { return line_; }
    virtual int getColumnNumber() const { return column_; }
    virtual std::string getPublicId() const { return publicId_; }
    virtual std::string getSystemId() const { return systemId_; }

private:
    int line_ = 0;
    int column_ = 0;
    std::string publicId_;
    std::string systemId_;
};

/// A document to parse: identifiers, encoding name (informative only) and its bytes. The
/// stream is either borrowed or owned.
class TInputSource {
public:
    TInputSource() = default;
    explicit TInputSource(std::string systemId) : systemId_(std::move(systemId)) {}
    explicit TInputSource(TStream& stream) : stream_(&stream) {}
    explicit TInputSource(std::unique_ptr<TStream> stream)
        : stream_(stream.get()), owned_(std::move(stream)) {}

    const std::string& getPublicId() const { return publicId_; }
    void setPublicId(std::string v) { publicId_ = std::move(v); }
    const std::string& getSystemId() const { return systemId_; }
    void setSystemId(std::string v) { systemId_ = std::move(v); }
    const std::string& getEncoding() const { return encoding_; }
    void setEncoding(std::string v) { encoding_ = std::move(v); }
    TStream* getByteStream() const { return stream_; }
    void setByteStream(TStream* stream) {
        stream_ = stream;
        owned_.reset();
    }

private:
    std::string publicId_;
    std::string systemId_;
    std::string encoding_;
    TStream* stream_ = nullptr;
    std::unique_ptr<TStream> owned_;
};

/// Receives the document's content. Strings are valid only during the call.
class IDocumentHandler {
public:
    virtual ~IDocumentHandler() = default;
    /// `locator` stays valid until the parse ends.
    virtual void setDocumentLocator(const TLocator* locator) = 0;
    virtual void startDocument() = 0;
    virtual void endDocument() = 0;
    /// `attributes` is recycled after the call returns: copy it to keep it.
    virtual void startElement(std::string_view name, const TAttributeList& attributes) = 0;
    virtual void endElement(std::string_view name) = 0;
    /// The characters are text.substr(start, length).
    virtual void characters(std::string_view text, std::size_t start, std::size_t length) = 0;
    virtual void ignorableWhitespace(std::string_view text, std::size_t start,
                                     std::size_t length) = 0;
    virtual void processingInstruction(std::string_view target, std::string_view data) = 0;
    /// `position` characters of `length` have been scanned.
    virtual void progress(std::size_t position, std::size_t length) = 0;
};

/// Notations and unparsed entities (this parser reads no declarations, so never called).
class IDTDHandler {
public:
    virtual ~IDTDHandler() = default;
    virtual void notationDecl(const std::string& name, const std::string& publicId,
                              const std::string& systemId) = 0;
    virtual void unparsedEntityDecl(const std::string& name, const std::string& publicId,
                                    const std::string& systemId,
                                    const std::string& notationName) = 0;
};

/// Turns identifiers into an input source.
class IEntityResolver {
public:
    virtual ~IEntityResolver() = default;
    virtual std::unique_ptr<TInputSource> resolveEntity(const std::string& publicId,
                                                        const std::string& systemId) = 0;
};

/// Decides what a grammar error does: raise it to end the parse, or return to go on.
class IErrorHandler {
public:
    virtual ~IErrorHandler() = default;
    virtual void warning(const SAXParseException& e) = 0;
    virtual void error(const SAXParseException& e) = 0;
    virtual void fatalError(const SAXParseException& e) = 0;
};

/// Ignores every event, raises every error, resolves a system identifier by opening it as a
/// file for reading.
class THandlerBase : public IDocumentHandler,
                     public IDTDHandler,
                     public IEntityResolver,
                     public IErrorHandler {
public:
    void setDocumentLocator(const TLocator*) override {}
    void startDocument() override {}
    void endDocument() override {}
    void startElement(std::string_view, const TAttributeList&) override {}
    void endElement(std::string_view) override {}
    void characters(std::string_view, std::size_t, std::size_t) override {}
    void ignorableWhitespace(std::string_view, std::size_t, std::size_t) override {}
    void processingInstruction(std::string_view, std::string_view) override {}
    void progress(std::size_t, std::size_t) override {}

    void notationDecl(const std::string&, const std::string&, const std::string&) override {}
    void unparsedEntityDecl(const std::string&, const std::string&, const std::string&,
                            const std::string&) override {}

    std::unique_ptr<TInputSource> resolveEntity(const std::string& publicId,
                                                const std::string& systemId) override;

    void warning(const SAXParseException& e) override { throw e; }
    void error(const SAXParseException& e) override { throw e; }
    void fatalError(const SAXParseException& e) override { throw e; }
};

} // namespace zep
