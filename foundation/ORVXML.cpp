#include "foundation/ORVXML.h"

#include <array>

namespace zep {

namespace {
constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> t{};
    for (unsigned c = 128; c < 256; ++c)
        t[c] = true;
    t['&'] = t['<'] = t['>'] = t['"'] = t['\n'] = true;
    return t;
}();
} // namespace

void AppendXMLEscaped(std::string& out, std::string_view value) {
    const char* p = value.data();
    const char* end = p + value.size();
    const char* run = p;
    for (; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (!kSpecial[c]) continue;
        out.append(run, p);
        run = p + 1;
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\n':
            // Text that already has CR LF line ends must not gain a second CR.
            if (p == value.data() || p[-1] != '\r') out += '\r';
            out += '\n';
            break;
        default: {
            char buf[7] = {'&',
                           '#',
                           static_cast<char>('0' + c / 100),
                           static_cast<char>('0' + c / 10 % 10),
                           static_cast<char>('0' + c % 10),
                           ';'};
            out.append(buf, 6);
        }
        }
    }
    out.append(run, end);
}

std::string XMLEscape(std::string_view value) {
    std::string out;
    out.reserve(value.size() + value.size() / 8);
    AppendXMLEscaped(out, value);
    return out;
}

} // namespace zep
