// A streaming XML writer: one element per line, indented by two spaces per level, no XML
// declaration, LF line ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/Stream.h"

namespace zep {

/// Writes elements, attributes and text to a stream (not owned). The output is buffered; it is
/// flushed when the outermost element ends, by Flush, and (errors lost) by the destructor.
/// startElement and endElement must balance; attribute belongs right after startElement.
class TXMLGenerator {
public:
    explicit TXMLGenerator(TStream& output);
    ~TXMLGenerator();
    TXMLGenerator(const TXMLGenerator&) = delete;
    TXMLGenerator& operator=(const TXMLGenerator&) = delete;

    void startElement(std::string_view name);
    /// Raises Exception "attribute outside a start tag" when no start tag is open.
    void attribute(std::string_view name, std::string_view value);
    void text(std::string_view value);
    /// Raises Exception "endElement without an open element" when nothing is open.
    void endElement();
    void Flush();
    /// Elements open now.
    std::size_t Depth() const { return names_.size(); }

private:
    void ClosePendingStartTag();
    void Indent(std::size_t level) { buffer_.append(level, ' '); }

    TStream& output_;
    std::string buffer_;
    std::vector<std::string> names_;
    std::size_t level_ = 0;
    bool pending_ = false;
};

} // namespace zep
