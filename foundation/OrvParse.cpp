#include "foundation/OrvParse.h"

#include <algorithm>
#include <cstring>

#include "foundation/Format.h"
#include "foundation/OrvMessages.h"

namespace zep {

EParseException::EParseException(int line, int column, std::string text)
    : Exception(Format("(%d:%d): %s", {line, column, text})), line_(line), column_(column),
      text_(std::move(text)) {}

namespace charclass {
namespace {
constexpr std::uint8_t ClassOf(unsigned c) {
    std::uint8_t r = 0;
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool digit = c >= '0' && c <= '9';
    if (c == 9 || c == 10 || c == 13 || c == 32) r |= Space;
    if (letter || c == '_' || c == ':') r |= NameStart | NameChar;
    if (digit || c == '.' || c == '-') r |= NameChar;
    if (digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) r |= Hex;
    if (digit) r |= Digit;
    if (letter || digit || c == ' ' || c == 13 || c == 10 ||
        std::string_view("-'()+,./:=?;!*#@$_%").find(static_cast<char>(c)) !=
            std::string_view::npos)
        r |= Pubid;
    if (letter || digit || c == '.' || c == '_' || c == '-') r |= Encoding;
    return r;
}
struct Table {
    std::uint8_t v[256];
    constexpr Table() : v() {
        for (unsigned c = 0; c < 256; ++c)
            v[c] = ClassOf(c);
    }
};
constexpr Table kBuilt;
} // namespace
const std::uint8_t kTable[256] = {
#define ZEP_ROW(i)                                                                                 \
    kBuilt.v[i], kBuilt.v[i + 1], kBuilt.v[i + 2], kBuilt.v[i + 3], kBuilt.v[i + 4],               \
        kBuilt.v[i + 5], kBuilt.v[i + 6], kBuilt.v[i + 7]
    ZEP_ROW(0),   ZEP_ROW(8),   ZEP_ROW(16),  ZEP_ROW(24),  ZEP_ROW(32),  ZEP_ROW(40),
    ZEP_ROW(48),  ZEP_ROW(56),  ZEP_ROW(64),  ZEP_ROW(72),  ZEP_ROW(80),  ZEP_ROW(88),
    ZEP_ROW(96),  ZEP_ROW(104), ZEP_ROW(112), ZEP_ROW(120), ZEP_ROW(128), ZEP_ROW(136),
    ZEP_ROW(144), ZEP_ROW(152), ZEP_ROW(160), ZEP_ROW(168), ZEP_ROW(176), ZEP_ROW(184),
    ZEP_ROW(192), ZEP_ROW(200), ZEP_ROW(208), ZEP_ROW(216), ZEP_ROW(224), ZEP_ROW(232),
    ZEP_ROW(240), ZEP_ROW(248),
#undef ZEP_ROW
};
} // namespace charclass

void TParser::SetText(std::string text) {
    text_ = std::move(text);
    SetBuffer(text_);
}

void TParser::SetBuffer(std::string_view bytes) {
    if (bytes.data() != text_.data()) std::string().swap(text_);
    begin_ = bytes.data();
    p_ = begin_;
    end_ = begin_ + bytes.size();
    marks_.clear();
    step_ = std::max<std::size_t>(1, bytes.size() / 100);
    nextTick_ = step_;
    lineCachePos_ = 0;
    lineCacheLineStart_ = 0;
    lineCacheLine_ = 1;
}

int TParser::Line() const {
    const auto pos = static_cast<std::size_t>(p_ - begin_);
    if (pos < lineCachePos_) {
        lineCachePos_ = 0;
        lineCacheLineStart_ = 0;
        lineCacheLine_ = 1;
    }
    const char* s = begin_ + lineCachePos_;
    const char* stop = begin_ + pos;
    while (s < stop) {
        const void* nl = std::memchr(s, '\n', static_cast<std::size_t>(stop - s));
        if (!nl) break;
        s = static_cast<const char*>(nl) + 1;
        ++lineCacheLine_;
        lineCacheLineStart_ = static_cast<std::size_t>(s - begin_);
    }
    lineCachePos_ = pos;
    return lineCacheLine_;
}

int TParser::Column() const {
    Line();
    return static_cast<int>(static_cast<std::size_t>(p_ - begin_) - lineCacheLineStart_ + 1);
}

void TParser::Expect(std::string_view s, int number) {
    if (!LookingAt(s)) Error(Format("[%d] Expected %s", {number, s}));
    p_ += s.size();
}

std::string_view TParser::MarkedText() {
    const std::size_t from = marks_.back();
    marks_.pop_back();
    return {begin_ + from, static_cast<std::size_t>(p_ - begin_) - from};
}

void TParser::Error(std::string_view text) const {
    throw EParseException(Line(), Column(), std::string(text));
}

void TParser::Progress(std::size_t position, std::size_t length) {
    ShowProgressValue(static_cast<double>(position) / static_cast<double>(length));
}

void TParser::ReportProgress() {
    const auto passed = static_cast<std::size_t>(p_ - begin_);
    const std::size_t length = Length();
    while (nextTick_ <= passed && nextTick_ <= length) {
        const std::size_t at = nextTick_;
        nextTick_ += step_;
        Progress(at, length);
    }
    if (nextTick_ > length) nextTick_ = static_cast<std::size_t>(-1);
}

} // namespace zep
