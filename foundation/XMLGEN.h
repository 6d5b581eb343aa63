// The XML writer into a string: the same output as the stream generator, without text content.
#pragma once

#include <string>
#include <string_view>

#include "foundation/OrvXMLGenerator.h"
#include "foundation/Stream.h"

namespace zep::xmlgen {

/// Builds an XML text of elements and attributes in memory.
class TXMLGenerator {
public:
    TXMLGenerator() : generator_(stream_) {}

    void startElement(std::string_view name) { generator_.startElement(name); }
    void attribute(std::string_view name, std::string_view value) {
        generator_.attribute(name, value);
    }
    void endElement() { generator_.endElement(); }
    /// Everything written so far.
    const std::string& DataString();

private:
    TMemoryStream stream_;
    zep::TXMLGenerator generator_;
};

} // namespace zep::xmlgen
