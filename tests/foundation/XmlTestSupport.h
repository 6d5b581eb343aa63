// Helpers shared by the XML tests: a handler that records every event as one line of text.
#pragma once

#include <string>
#include <vector>

#include "foundation/ORVSAX.h"
#include "foundation/ORVXMLParser.h"

namespace zep::xmltest {

/// Records events: "S name a=v ..." "E name" "C text" "W text" "P target|data" "D" "/D".
class Recorder : public THandlerBase {
public:
    std::vector<std::string> events;
    std::vector<std::string> errors;
    bool raiseErrors = true;
    const TLocator* locator = nullptr;
    const TAttributeList* lastAttributes = nullptr;

    void setDocumentLocator(const TLocator* l) override { locator = l; }
    void startDocument() override { events.push_back("D"); }
    void endDocument() override { events.push_back("/D"); }
    void startElement(std::string_view name, const TAttributeList& a) override {
        std::string s = "S " + std::string(name);
        for (std::size_t i = 0; i < a.getLength(); ++i)
            s += " " + a.getName(i) + "=" + a.getValue(i);
        events.push_back(s);
        lastAttributes = &a;
    }
    void endElement(std::string_view name) override { events.push_back("E " + std::string(name)); }
    void characters(std::string_view t, std::size_t start, std::size_t length) override {
        events.push_back("C " + std::string(t.substr(start, length)));
    }
    void ignorableWhitespace(std::string_view t, std::size_t start, std::size_t length) override {
        events.push_back("W " + std::string(t.substr(start, length)));
    }
    void processingInstruction(std::string_view target, std::string_view data) override {
        events.push_back("P " + std::string(target) + "|" + std::string(data));
    }
    void error(const SAXParseException& e) override {
        errors.push_back(e.what());
        if (raiseErrors) throw e;
    }
};

/// Parses `text` as system identifier "t.xml" with `handler` for every role.
inline void Parse(const std::string& text, Recorder& handler) {
    TXMLParser parser;
    parser.setDocumentHandler(&handler);
    parser.setErrorHandler(&handler);
    TMemoryStream stream(text);
    TInputSource source(stream);
    source.setSystemId("t.xml");
    parser.parse(source);
}

inline std::vector<std::string> Events(const std::string& text) {
    Recorder r;
    Parse(text, r);
    return r.events;
}

} // namespace zep::xmltest
