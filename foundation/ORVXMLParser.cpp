#include "foundation/ORVXMLParser.h"

#include <algorithm>
#include <cstring>

#include "foundation/Format.h"

namespace zep {

namespace {
using charclass::Is;

const char* FindByte(const char* from, const char* to, char c) {
    return from < to
               ? static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(to - from)))
               : nullptr;
}

const char* FindText(const char* from, const char* to, std::string_view s) {
    while (from < to) {
        const char* hit = FindByte(from, to, s[0]);
        if (!hit || static_cast<std::size_t>(to - hit) < s.size()) return nullptr;
        if (std::memcmp(hit, s.data(), s.size()) == 0) return hit;
        from = hit + 1;
    }
    return nullptr;
}

// Reads the rest of `stream` in one piece when its size is known, which spares a large
// document the copies and page faults of a growing buffer.
std::string ReadWhole(TStream& stream) {
    std::int64_t expected = 0;
    try {
        expected = stream.Size() - stream.Position();
    } catch (const std::exception&) {
        expected = 0; // a stream that cannot tell its size is read in chunks
    }
    std::string out;
    if (expected > 0) {
        out.resize(static_cast<std::size_t>(expected));
        std::size_t got = 0;
        for (std::size_t n;
             got < out.size() && (n = stream.Read(out.data() + got, out.size() - got)) != 0;)
            got += n;
        out.resize(got);
        if (got < static_cast<std::size_t>(expected)) return out;
    }
    out += stream.ReadAll();
    return out;
}

const std::string kNameExpected = "[5] Expected Letter, \"_\", or \":\" ";

// Gives an attribute list back to the pool whatever the handler does.
class PooledList {
public:
    explicit PooledList(TAttributeListPool& pool) : pool_(pool), list_(pool.Acquire()) {}
    ~PooledList() { pool_.Release(list_); }
    PooledList(const PooledList&) = delete;
    PooledList& operator=(const PooledList&) = delete;
    TCachedAttributeList& operator*() const { return *list_; }

private:
    TAttributeListPool& pool_;
    TCachedAttributeList* list_;
};
} // namespace

int TLocatorProxy::getLineNumber() const {
    return parser_.Line();
}
int TLocatorProxy::getColumnNumber() const {
    return parser_.Column();
}
std::string TLocatorProxy::getPublicId() const {
    return parser_.PublicId();
}
std::string TLocatorProxy::getSystemId() const {
    return parser_.SystemId();
}

TXMLParser::TXMLParser()
    : entityResolver_(&defaultHandler_), dtdHandler_(&defaultHandler_),
      documentHandler_(&defaultHandler_), errorHandler_(&defaultHandler_), locator_(*this) {}

void TXMLParser::setEntityResolver(IEntityResolver* resolver) {
    entityResolver_ = resolver ? resolver : &defaultHandler_;
}
void TXMLParser::setDTDHandler(IDTDHandler* handler) {
    dtdHandler_ = handler ? handler : &defaultHandler_;
}
void TXMLParser::setDocumentHandler(IDocumentHandler* handler) {
    documentHandler_ = handler ? handler : &defaultHandler_;
}
void TXMLParser::setErrorHandler(IErrorHandler* handler) {
    errorHandler_ = handler ? handler : &defaultHandler_;
}

void TXMLParser::parse(const std::string& systemId) {
    std::unique_ptr<TInputSource> source = entityResolver_->resolveEntity("", systemId);
    if (!source) throw SAXException(Format("Cannot resolve \"%s\"", {systemId}));
    parse(*source);
}

void TXMLParser::parse(TInputSource& source) {
    if (TStream* stream = source.getByteStream()) {
        if (auto* memory = dynamic_cast<TMemoryStream*>(stream)) {
            // Bytes already in memory are scanned where they are.
            const std::size_t at =
                std::min(static_cast<std::size_t>(memory->Position()), memory->Data().size());
            memory->Seek(0, SeekOrigin::End);
            SetBuffer(std::string_view(memory->Data()).substr(at));
        } else {
            SetText(ReadWhole(*stream));
        }
    } else {
        TFileStream file(source.getSystemId(), FileMode::OpenRead);
        SetText(ReadWhole(file));
    }
    publicId_ = source.getPublicId();
    systemId_ = source.getSystemId();
    open_.clear();
    documentHandler_->setDocumentLocator(&locator_);
    documentHandler_->startDocument();
    Document();
    documentHandler_->endDocument();
}

void TXMLParser::Progress(std::size_t position, std::size_t length) {
    TParser::Progress(position, length);
    if (position % 16 == 0 || position >= length) documentHandler_->progress(position, length);
}

void TXMLParser::SaxError(const std::string& text) {
    errorHandler_->error(SAXParseException(text, publicId_, systemId_, Line(), Column()));
}

void TXMLParser::Document() {
    // A UTF-8 byte order mark is not content; the bytes after it are scanned as they are.
    if (LookingAt("\xEF\xBB\xBF")) p_ += 3;
    if (LookingAt("<?xml") && end_ - p_ > 5 && Is(p_[5], charclass::Space)) XmlDeclaration();
    Misc();
    if (LookingAt("<!DOCTYPE")) {
        DocType();
        Misc();
    }
    if (Ch() == '<' && p_ + 1 < end_ && Is(p_[1], charclass::NameStart)) {
        Element();
    } else {
        SaxError("no root object");
        return;
    }
    Misc();
    if (!AtEnd()) SaxError("trailing stuff");
    CheckProgress();
}

void TXMLParser::XmlDeclaration() {
    p_ += 5;
    SkipWhitespace();
    Expect("version", 24);
    SkipWhitespace();
    Expect("=", 25);
    SkipWhitespace();
    char quote = Ch();
    if (quote != '"' && quote != '\'') Error("[9] ', or \" expected");
    ++p_;
    while (p_ < end_ && Is(*p_, charclass::NameChar))
        ++p_;
    Expect(QuoteText(quote), 24);
    SkipWhitespace();
    if (LookingAt("encoding")) {
        p_ += 8;
        SkipWhitespace();
        Expect("=", 25);
        SkipWhitespace();
        quote = Ch();
        if (quote != '"' && quote != '\'') Error("[9] ', or \" expected");
        ++p_;
        while (p_ < end_ && Is(*p_, charclass::Encoding))
            ++p_;
        Expect(QuoteText(quote), 80);
        SkipWhitespace();
    }
    if (LookingAt("standalone")) {
        p_ += 10;
        SkipWhitespace();
        Expect("=", 25);
        SkipWhitespace();
        quote = Ch();
        if (quote != '"' && quote != '\'') Error("[9] ', or \" expected");
        ++p_;
        if (LookingAt("yes")) {
            p_ += 3;
        } else {
            Expect("no", 32);
        }
        Expect(QuoteText(quote), 32);
        SkipWhitespace();
    }
    Expect("?>", 24);
}

void TXMLParser::Misc() {
    for (;;) {
        SkipWhitespace();
        CheckProgress();
        if (LookingAt("<!--")) {
            Comment();
        } else if (LookingAt("<?")) {
            ProcessingInstruction();
        } else {
            return;
        }
    }
}

void TXMLParser::DocType() {
    p_ += 9;
    SkipWhitespace();
    if (ScanName().empty()) SaxError(kNameExpected);
    SkipWhitespace();
    if (LookingAt("SYSTEM")) {
        p_ += 6;
        SkipWhitespace();
        SystemLiteral();
    } else if (LookingAt("PUBLIC")) {
        p_ += 6;
        SkipWhitespace();
        PublicLiteral();
        SkipWhitespace();
        SystemLiteral();
    } else if (Ch() != '[' && Ch() != '>') {
        // The external identifier is optional; anything else in its place is not.
        Expect("PUBLIC", 75);
    }
    SkipWhitespace();
    if (Ch() == '[') {
        ++p_;
        for (;;) {
            SkipWhitespace();
            if (Ch() == '%') {
                ++p_;
                if (ScanName().empty()) SaxError(kNameExpected);
                Expect(";", 69);
            } else if (Ch() == ']') {
                ++p_;
                break;
            } else if (AtEnd()) {
                Expect("]", 28);
            } else {
                Error("markup declarations in the internal document type subset are not "
                      "supported");
            }
        }
        SkipWhitespace();
    }
    Expect(">", 28);
}

void TXMLParser::SystemLiteral() {
    const char quote = Ch();
    if (quote != '"' && quote != '\'') Error("[9] ', or \" expected");
    ++p_;
    for (;;) {
        if (AtEnd()) Expect(QuoteText(quote), 11);
        const char c = *p_;
        if (c == quote) break;
        if (c == '&' || c == '<') SaxError("[109] Invalide character for attribute value");
        ++p_;
    }
    ++p_;
}

void TXMLParser::PublicLiteral() {
    const char quote = Ch();
    if (quote != '"' && quote != '\'') Error("[9] ', or \" expected");
    ++p_;
    for (;;) {
        if (AtEnd()) {
            SaxError(Format("[12] Expected %s", {QuoteText(quote)}));
            return;
        }
        const char c = *p_;
        if (c == quote) break;
        if (!Is(c, charclass::Pubid)) SaxError(Format("[12] Expected %s", {QuoteText(quote)}));
        ++p_;
    }
    ++p_;
}

void TXMLParser::Comment() {
    const char* close = FindText(p_ + 4, end_, "-->");
    if (!close) {
        p_ = end_;
        Error("[15] Expected -->");
    }
    p_ = close + 3;
}

void TXMLParser::ProcessingInstruction() {
    p_ += 2;
    const std::string_view target = ScanName();
    if (target.empty()) SaxError(kNameExpected);
    if (SameText(target, "xml")) SaxError("[17] Illegal PI target");
    std::string_view data;
    if (SkipWhitespace()) {
        const char* close = FindText(p_, end_, "?>");
        if (!close) {
            p_ = end_;
            Expect("?>", 16);
        }
        data = std::string_view(p_, static_cast<std::size_t>(close - p_));
        p_ = close;
    }
    Expect("?>", 16);
    documentHandler_->processingInstruction(target, data);
}

void TXMLParser::CData() {
    p_ += 9;
    const char* close = FindText(p_, end_, "]]>");
    if (!close) {
        p_ = end_;
        Error("[21] Expected ]]>");
    }
    const char* start = p_;
    p_ = close + 3;
    if (close > start)
        documentHandler_->characters(Text(), static_cast<std::size_t>(start - begin_),
                                     static_cast<std::size_t>(close - start));
}

void TXMLParser::Element() {
    // Iterative, so that nesting depth is limited by memory, not by the call stack.
    for (;;) {
        std::string_view name;
        bool empty = false;
        StartTag(name, empty);
        if (empty) {
            documentHandler_->endElement(name);
            if (open_.empty()) return;
        } else {
            open_.push_back(name);
        }
        for (;;) {
            CheckProgress();
            if (AtEnd()) Error(Format("[42] Expected </%s", {open_.back()}));
            const char c = *p_;
            if (c != '<') {
                if (c == ']' && p_ + 1 < end_ && p_[1] == '>')
                    Error(Format("[42] Expected </%s", {open_.back()}));
                CharData();
                continue;
            }
            const char next = p_ + 1 < end_ ? p_[1] : '\0';
            if (next == '/') {
                const std::string_view open = open_.back();
                const char* n = p_ + 2;
                if (static_cast<std::size_t>(end_ - n) < open.size() ||
                    std::memcmp(n, open.data(), open.size()) != 0 ||
                    (n + open.size() < end_ && Is(n[open.size()], charclass::NameChar)))
                    Error(Format("[42] Expected </%s", {open}));
                p_ = n + open.size();
                SkipWhitespace();
                Expect(">", 42);
                open_.pop_back();
                documentHandler_->endElement(open);
                if (open_.empty()) return;
                continue;
            }
            if (next == '!') {
                if (LookingAt("<!--")) {
                    Comment();
                    continue;
                }
                if (LookingAt("<![CDATA[")) {
                    CData();
                    continue;
                }
            } else if (next == '?') {
                ProcessingInstruction();
                continue;
            }
            break; // a child's start tag
        }
    }
}

void TXMLParser::StartTag(std::string_view& name, bool& empty) {
    ++p_; // "<"
    name = ScanName();
    if (name.empty()) SaxError(kNameExpected);
    PooledList attributes(attributePool_);
    for (;;) {
        SkipWhitespace();
        const char c = Ch();
        if (c == '>') {
            ++p_;
            break;
        }
        if (c == '/' && p_ + 1 < end_ && p_[1] == '>') {
            p_ += 2;
            empty = true;
            break;
        }
        if (!Is(c, charclass::NameStart)) Expect(">", 39);
        Attribute(*attributes);
    }
    documentHandler_->startElement(name, *attributes);
}

void TXMLParser::Attribute(TAttributeList& attributes) {
    const std::string_view name = ScanName();
    SkipWhitespace();
    Expect("=", 25);
    SkipWhitespace();
    const char quote = Ch();
    if (quote != '"' && quote != '\'') Error("[9] ', or \" expected");
    ++p_;
    const char* close = FindByte(p_, end_, quote);
    if (!close) {
        p_ = end_;
        Expect(QuoteText(quote), 10);
    }
    if (FindByte(p_, close, '&')) {
        scratch_.clear();
        Decode(scratch_, close);
        attributes.addAttribute(name, scratch_);
    } else {
        attributes.addAttribute(name, std::string_view(p_, static_cast<std::size_t>(close - p_)));
    }
    p_ = close + 1;
}

void TXMLParser::CharData() {
    const char* start = p_;
    while (p_ < end_ && Is(*p_, charclass::Space))
        ++p_;
    if (p_ > start)
        documentHandler_->ignorableWhitespace(Text(), static_cast<std::size_t>(start - begin_),
                                              static_cast<std::size_t>(p_ - start));
    const char* textStart = p_;
    const char* stop = FindByte(p_, end_, '<');
    if (!stop) stop = end_;
    // "]>" ends character data too (it can only be the start of a bad end tag here).
    for (const char* b = FindByte(p_, stop, ']'); b; b = FindByte(b + 1, stop, ']')) {
        if (b + 1 < end_ && b[1] == '>') {
            stop = b;
            break;
        }
    }
    if (stop == textStart) return;
    if (FindByte(textStart, stop, '&')) {
        scratch_.clear();
        Decode(scratch_, stop);
        if (!scratch_.empty()) documentHandler_->characters(scratch_, 0, scratch_.size());
    } else {
        p_ = stop;
        documentHandler_->characters(Text(), static_cast<std::size_t>(textStart - begin_),
                                     static_cast<std::size_t>(stop - textStart));
    }
}

void TXMLParser::Decode(std::string& out, const char* stop) {
    while (p_ < stop) {
        const char* amp = FindByte(p_, stop, '&');
        if (!amp) {
            out.append(p_, stop);
            p_ = stop;
            return;
        }
        out.append(p_, amp);
        p_ = amp;
        Reference(out);
    }
}

void TXMLParser::Reference(std::string& out) {
    if (Ch() != '&') Expect("&", 67);
    const char* start = p_++;
    if (Ch() == '#') {
        ++p_;
        std::uint32_t value = 0;
        bool haveDigits = false;
        if (Ch() == 'x') {
            ++p_;
            const char* digits = p_;
            while (p_ < end_ && Is(*p_, charclass::Hex))
                ++p_;
            const std::string_view hex(digits, static_cast<std::size_t>(p_ - digits));
            const std::size_t significant =
                hex.size() - std::min(hex.find_first_not_of('0'), hex.size());
            if (hex.empty() || significant > 8)
                throw SAXParseException("expected hex numer: " + std::string(hex));
            for (const char d : hex)
                value = value * 16 +
                        static_cast<std::uint32_t>(d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10);
            haveDigits = true;
        } else {
            // Only the low 8 bits count, and they survive wrap-around, so any length is fine.
            while (p_ < end_ && Is(*p_, charclass::Digit)) {
                value = value * 10 + static_cast<std::uint32_t>(*p_ - '0');
                ++p_;
                haveDigits = true;
            }
            if (!haveDigits) SaxError("expected number");
        }
        Expect(";", 66);
        if (haveDigits) out.push_back(static_cast<char>(value & 0xFF));
        return;
    }
    const std::string_view name = ScanName();
    if (name.empty()) {
        SaxError(kNameExpected);
        out.push_back('&');
        return;
    }
    Expect(";", 68);
    if (name == "amp") {
        out.push_back('&');
    } else if (name == "lt") {
        out.push_back('<');
    } else if (name == "gt") {
        out.push_back('>');
    } else if (name == "quot") {
        out.push_back('"');
    } else if (name == "apos") {
        out.push_back('\'');
    } else {
        out.append(start, p_);
    }
}

} // namespace zep
