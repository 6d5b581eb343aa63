// Any bytes given to the XML parser end in events or in one of its named exceptions, with the
// default error handler and with one that lets the parse go on; a tree it builds writes out as
// XML it reads back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/ORVMiniDOM.h"
#include "foundation/ORVXMLParser.h"

namespace {

class Tolerant : public zep::THandlerBase {
public:
    std::size_t events = 0;
    void startElement(std::string_view name, const zep::TAttributeList& a) override {
        events += 1 + a.getLength();
        for (std::size_t i = 0; i < a.getLength(); ++i)
            events += a.getValue(a.getName(i)).size();
    }
    void endElement(std::string_view) override { ++events; }
    void characters(std::string_view t, std::size_t start, std::size_t length) override {
        if (start + length > t.size()) std::abort();
        ++events;
    }
    void error(const zep::SAXParseException&) override {}
};

void ParseWith(const std::string& text, bool tolerant) {
    zep::TXMLParser parser;
    Tolerant handler;
    parser.setDocumentHandler(&handler);
    if (tolerant) parser.setErrorHandler(&handler);
    zep::TMemoryStream stream(text);
    zep::TInputSource source(stream);
    try {
        parser.parse(source);
    } catch (const zep::EParseException&) {
    } catch (const zep::SAXException&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ParseWith(text, false);
    ParseWith(text, true);
    std::unique_ptr<zep::minidom::TDocument> doc;
    try {
        doc = zep::minidom::ParseMiniDomString(text);
    } catch (const zep::SAXParseException&) {
        return 0;
    }
    const std::string written = doc->AsString();
    // The tree's own output must read back; this raises (and the fuzzer reports it) if not.
    const auto again = zep::minidom::ParseMiniDomString(written);
    if (!again->Root() || again->Root()->Name() != doc->Root()->Name()) std::abort();
    return 0;
}
