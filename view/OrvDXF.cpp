#include "view/OrvDXF.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "foundation/Format.h"

namespace zep::view {
namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The symbol tables of the format; VIEW and UCS hold saved views and user coordinate systems,
// which a drawing may well carry.
bool IsTableRecord(std::string_view type) {
    static constexpr std::string_view kRecords[] = {
        "VPORT", "LTYPE", "LAYER", "STYLE", "APPID", "DIMSTYLE", "BLOCK_RECORD", "VIEW", "UCS"};
    return std::find(std::begin(kRecords), std::end(kRecords), type) != std::end(kRecords);
}

constexpr const char* kDefaultLayer = "0";

} // namespace

TColor DXFColor(int colorNumber) {
    static constexpr std::array<TColor, 17> kColors{
        0xFFFFFF, // -1
        0x808080, 0x0000FF, 0xFF00FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0x000080,
        0x800080, 0x008080, 0x008000, 0x808000, 0x800000, 0xC000C0, 0x00007F, 0x000000};
    const int n = std::clamp(colorNumber, -1, 15);
    return kColors[static_cast<std::size_t>(n + 1)];
}

double DXFNumber(std::string_view text) {
    text = TrimBlanks(text);
    char buf[128];
    std::size_t n = 0;
    for (char c : text)
        if (c != ',') {
            if (n == sizeof buf) return 0;
            buf[n++] = c;
        }
    const char* b = buf;
    if (n > 0 && *b == '+') ++b;
    double v = 0;
    auto r = std::from_chars(b, buf + n, v);
    if (r.ec != std::errc() || r.ptr != buf + n || !std::isfinite(v)) return 0;
    return v;
}

TDXFParser::TDXFParser(TModel* model) {
    if (!model) {
        ownModel_ = std::make_unique<TModel>();
        model = ownModel_.get();
    }
    model_ = model;
}

void TDXFParser::Next() {
    CheckProgress();
    auto line = [this] {
        const char* start = p_;
        while (p_ < end_ && *p_ != '\n')
            ++p_;
        std::string_view l(start, static_cast<std::size_t>(p_ - start));
        if (p_ < end_) ++p_;
        return TrimBlanks(l);
    };
    // Group 999 is a comment, allowed anywhere (drawing programs put one at the top).
    do {
        // Blank lines at the very end (after "EOF", or instead of it) end the input.
        const char* q = p_;
        while (q < end_ && charclass::Is(*q, charclass::Space))
            ++q;
        pairStart_ = q;
        if (q == end_) {
            p_ = end_;
            finished_ = true;
            code_ = -1;
            value_.clear();
            return;
        }
        const std::string_view code = line();
        auto r = std::from_chars(code.data(), code.data() + code.size(), code_);
        if (code.empty() || r.ec != std::errc() || r.ptr != code.data() + code.size()) code_ = -1;
        value_.assign(line());
    } while (code_ == 999);
}

void TDXFParser::SkipPairs() {
    do
        Next();
    while (!finished_ && code_ != 0 && code_ != 9);
}

void TDXFParser::Fail(std::string_view message) {
    if (pairStart_) p_ = pairStart_;
    Error(message);
}

void TDXFParser::ExpectCode(int code, std::string_view what) {
    if (code_ != code) Fail(Format("Expected code %d %s, but was %d", {code, what, code_}));
}

void TDXFParser::ExpectPair(int code, std::string_view value) {
    if (code_ != code || value_ != value)
        Fail(Format("Expected code %d and value %s, but was %d %s", {code, value, code_, value_}));
}

TPoint3 TDXFParser::ReadCoordinate() {
    const int c = code_;
    TPoint3 p;
    p.x = DXFNumber(value_);
    Next();
    ExpectCode(c + 10, "y");
    p.y = DXFNumber(value_);
    Next();
    if (code_ == c + 20) {
        p.z = DXFNumber(value_);
        Next();
    }
    return p;
}

void TDXFParser::Parse(std::string_view text) {
    SetBuffer(text);
    finished_ = false;
    pairStart_ = nullptr;
    counts_.clear();
    Next();
    while (!finished_) {
        ExpectCode(0, "SECTION");
        if (value_ == "EOF") return;
        if (value_ != "SECTION") Fail("Expected \"SECTION\"");
        Next();
        ExpectCode(2, "section name");
        const std::string name = value_;
        if (name == "HEADER")
            ReadHeader();
        else if (name == "TABLES")
            ReadTables();
        else if (name == "CLASSES")
            ReadClasses();
        else if (name == "BLOCKS")
            ReadBlocks();
        else if (name == "ENTITIES")
            ReadEntities();
        else if (name == "OBJECTS")
            return;
        else
            Fail(Format("Unexpected section %s", {name}));
        Next(); // past ENDSEC
    }
}

// Each section reader starts on the section's name pair and ends on its "ENDSEC".

void TDXFParser::ReadHeader() {
    Next();
    while (!At(0, "ENDSEC")) {
        if (finished_) ExpectPair(0, "ENDSEC");
        if (code_ != 9 || value_.empty() || value_[0] != '$') Fail("Expected variable name");
        SkipPairs();
    }
}

void TDXFParser::ReadTables() {
    Next();
    while (!At(0, "ENDSEC")) {
        ExpectPair(0, "TABLE");
        Next();
        ExpectCode(2, "table name");
        SkipPairs();
        while (code_ == 0 && IsTableRecord(value_))
            SkipPairs();
        ExpectPair(0, "ENDTAB");
        Next();
    }
}

void TDXFParser::ReadClasses() {
    Next();
    while (!At(0, "ENDSEC")) {
        ExpectPair(0, "CLASS");
        SkipPairs();
    }
}

void TDXFParser::ReadBlocks() {
    Next();
    while (!At(0, "ENDSEC")) {
        ExpectPair(0, "BLOCK");
        do {
            Next();
            if (finished_) ExpectPair(0, "ENDBLK");
        } while (!At(0, "ENDBLK"));
        SkipPairs();
    }
}

void TDXFParser::ReadEntities() {
    Next();
    while (!At(0, "ENDSEC")) {
        ExpectCode(0, "entity");
        ++counts_[value_];
        if (value_.find("POLYLINE") != std::string::npos)
            ReadPolyLine(value_ != "POLYLINE");
        else if (value_ == "LINE")
            ReadLine();
        else
            SkipPairs();
    }
}

// A POLYLINE's own 10/20/30 pair only gives its elevation and its points come from the VERTEX
// records that follow (a vertex's 70 holds vertex flags, not the polyline's); a lightweight
// polyline carries its points itself as repeated 10/20 pairs.
void TDXFParser::ReadPolyLine(bool lightweight) {
    auto poly = std::make_unique<TPolyLine>();
    poly->ReservePoints(64);
    std::string layer = kDefaultLayer;
    bool inVertex = false;
    Next();
    while (!finished_) {
        if (code_ == 0) {
            if (value_ != "VERTEX" || lightweight) break;
            ++counts_[value_];
            inVertex = true;
            Next();
        } else if (code_ == 8) {
            if (!inVertex) layer = value_;
            Next();
        } else if (code_ >= 10 && code_ <= 19) {
            const TPoint3 p = ReadCoordinate();
            if (inVertex || lightweight) poly->AppendPoint(p.x, p.y, p.z);
        } else if (code_ == 70) {
            const double flags = DXFNumber(value_);
            if (!inVertex && std::abs(flags) < 1e15)
                poly->SetClosed((static_cast<long long>(flags) & 1) != 0);
            Next();
        } else {
            Next();
        }
    }
    model_->Layer(layer).AddChild(std::move(poly));
}

void TDXFParser::ReadLine() {
    auto line = std::make_unique<TPolyLine>();
    std::string layer = kDefaultLayer;
    Next();
    while (!finished_ && code_ != 0 && code_ != 9) {
        if (code_ == 8) {
            layer = value_;
            Next();
        } else if (code_ >= 10 && code_ <= 19) {
            const TPoint3 p = ReadCoordinate();
            line->AppendPoint(p.x, p.y, p.z);
        } else if (code_ == 62) {
            const double n = std::clamp(DXFNumber(value_), -1.0, 15.0);
            line->SetColor(DXFColor(static_cast<int>(n)));
            Next();
        } else {
            Next();
        }
    }
    model_->Layer(layer).AddChild(std::move(line));
}

} // namespace zep::view
