// The byte scanner under the XML parser: one in-memory text, the current character, line and
// column, marked positions for cutting out tokens, and a progress countdown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Exception.h"

namespace zep {

/// A scanner error: message "(%d:%d): %s" with line, column and the bare text.
class EParseException : public Exception {
public:
    EParseException(int line, int column, std::string text);
    const char* ClassName() const noexcept override { return "EParseException"; }
    int Line() const { return line_; }
    int Column() const { return column_; }
    /// The text without the position.
    const std::string& Text() const { return text_; }

private:
    int line_;
    int column_;
    std::string text_;
};

/// Character classes of the scanner, one table lookup each.
namespace charclass {
enum : std::uint8_t {
    Space = 1,     // TAB, LF, CR, space
    NameStart = 2, // ASCII letter, "_", ":"
    NameChar = 4,  // NameStart, digits, ".", "-"
    Hex = 8,
    Digit = 16,
    Pubid = 32,    // characters of a public identifier literal
    Encoding = 64, // letters, digits, ".", "_", "-"
};
extern const std::uint8_t kTable[256];
inline bool Is(char c, std::uint8_t cls) {
    return (kTable[static_cast<unsigned char>(c)] & cls) != 0;
}
} // namespace charclass

/// Scans one byte string. Positions are 1-based; the current character is 0 past the end.
/// Line and column count from 1 and are worked out on demand, so scanning costs nothing for
/// them. Every max(1, length div 100) characters passed, Progress is called.
class TParser {
public:
    TParser() = default;
    virtual ~TParser() = default;
    TParser(const TParser&) = delete;
    TParser& operator=(const TParser&) = delete;

    /// Starts over on `text`: position 1, line 1, column 1, progress countdown reset.
    void SetText(std::string text);
    /// Starts over on bytes the caller keeps alive and unchanged until scanning ends.
    void SetBuffer(std::string_view bytes);
    std::string_view Text() const { return {begin_, Length()}; }
    std::size_t Length() const { return static_cast<std::size_t>(end_ - begin_); }
    /// 1-based index of the current character (Length() + 1 at the end).
    std::size_t Position() const { return static_cast<std::size_t>(p_ - begin_) + 1; }
    char Ch() const { return p_ < end_ ? *p_ : '\0'; }
    bool AtEnd() const { return p_ >= end_; }
    int Line() const;
    int Column() const;

    void NextChar() {
        if (p_ < end_) ++p_;
    }
    bool LookingAt(std::string_view s) const {
        return static_cast<std::size_t>(end_ - p_) >= s.size() &&
               std::string_view(p_, s.size()) == s;
    }
    /// Skips TAB, LF, CR and spaces; true when at least one was skipped.
    bool SkipWhitespace() {
        const char* start = p_;
        while (p_ < end_ && charclass::Is(*p_, charclass::Space))
            ++p_;
        return p_ != start;
    }
    /// Consumes `s`, or raises EParseException "[number] Expected s".
    void Expect(std::string_view s, int number);

    /// Pushes the current position; MarkedText pops it and returns the text from there to here.
    void Mark() { marks_.push_back(static_cast<std::size_t>(p_ - begin_)); }
    std::string_view MarkedText();
    void DropMark() { marks_.pop_back(); }

    /// Raises EParseException at the current position.
    [[noreturn]] void Error(std::string_view text) const;

protected:
    /// Called for every countdown tick with the characters passed so far and the length.
    virtual void Progress(std::size_t position, std::size_t length);
    /// Catches up on countdown ticks; the grammar calls this between tokens.
    void CheckProgress() {
        if (static_cast<std::size_t>(p_ - begin_) >= nextTick_) ReportProgress();
    }
    std::string_view ScanName() {
        const char* start = p_;
        if (p_ < end_ && charclass::Is(*p_, charclass::NameStart)) {
            ++p_;
            while (p_ < end_ && charclass::Is(*p_, charclass::NameChar))
                ++p_;
        }
        return {start, static_cast<std::size_t>(p_ - start)};
    }

    const char* begin_ = nullptr;
    const char* p_ = nullptr;
    const char* end_ = nullptr;

private:
    void ReportProgress();

    std::string text_; // the bytes, unless they belong to the caller
    std::vector<std::size_t> marks_;
    std::size_t step_ = 1;
    std::size_t nextTick_ = 1;
    // Line counting resumes from the last place asked about, so callers that ask as the scan
    // advances (locators, tree builders) pay once for the whole text.
    mutable std::size_t lineCachePos_ = 0;
    mutable std::size_t lineCacheLineStart_ = 0;
    mutable int lineCacheLine_ = 1;
};

} // namespace zep
