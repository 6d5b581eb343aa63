#include "foundation/OrvXMLGenerator.h"

#include "foundation/Format.h"
#include "foundation/ORVXML.h"

namespace zep {

namespace {
constexpr std::size_t kFlushSize = 64 * 1024;
}

TXMLGenerator::TXMLGenerator(TStream& output) : output_(output) {}

TXMLGenerator::~TXMLGenerator() {
    try {
        Flush();
    } catch (...) {
        // A destructor must not raise; callers that care call Flush or close every element.
    }
}

void TXMLGenerator::Flush() {
    if (buffer_.empty()) return;
    output_.WriteBuffer(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void TXMLGenerator::ClosePendingStartTag() {
    if (!pending_) return;
    buffer_ += ">\n";
    pending_ = false;
}

void TXMLGenerator::startElement(std::string_view name) {
    ClosePendingStartTag();
    Indent(level_);
    buffer_ += '<';
    buffer_ += name;
    names_.emplace_back(name);
    level_ += 2;
    pending_ = true;
}

void TXMLGenerator::attribute(std::string_view name, std::string_view value) {
    if (!pending_) throw Exception("attribute outside a start tag");
    buffer_ += ' ';
    buffer_ += Trim(name);
    buffer_ += "=\"";
    AppendXMLEscaped(buffer_, value);
    buffer_ += '"';
}

void TXMLGenerator::text(std::string_view value) {
    ClosePendingStartTag();
    Indent(level_);
    AppendXMLEscaped(buffer_, value);
    buffer_ += '\n';
    if (buffer_.size() >= kFlushSize) Flush();
}

void TXMLGenerator::endElement() {
    if (names_.empty()) throw Exception("endElement without an open element");
    if (pending_) {
        buffer_ += " />";
        pending_ = false;
    } else {
        Indent(level_ - 2);
        buffer_ += "</";
        buffer_ += names_.back();
        buffer_ += '>';
    }
    buffer_ += '\n';
    level_ -= 2;
    names_.pop_back();
    if (names_.empty() || buffer_.size() >= kFlushSize) Flush();
}

} // namespace zep
