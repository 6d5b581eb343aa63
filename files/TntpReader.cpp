#include "files/TntpReader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "files/Json.h"
#include "foundation/Format.h"
#include "foundation/Stream.h"

namespace zep::files {
namespace {

constexpr std::string_view kZonesTag = "NUMBER OF ZONES";
constexpr std::string_view kNodesTag = "NUMBER OF NODES";
constexpr std::string_view kLinksTag = "NUMBER OF LINKS";
constexpr std::string_view kFirstThruTag = "FIRST THRU NODE";
constexpr std::string_view kTotalFlowTag = "TOTAL OD FLOW";
constexpr std::string_view kEndTag = "END OF METADATA";

[[noreturn]] void Fail(std::string_view file, int line, const std::string& what) {
    throw ETntpError(std::string(file) + ":" + std::to_string(line) + ": " + what);
}

// A token as shown in a message: cut short, control bytes made visible as "?".
std::string Quote(std::string_view token) {
    std::string out = "'";
    for (std::size_t i = 0; i < token.size() && i < 40; ++i)
        out += static_cast<unsigned char>(token[i]) < ' ' ? '?' : token[i];
    if (token.size() > 40) out += "...";
    return out + "'";
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view TrimView(std::string_view t) {
    std::size_t b = 0, e = t.size();
    while (b < e && (IsBlank(t[b]) || t[b] == '\r' || t[b] == '\n'))
        ++b;
    while (e > b && (IsBlank(t[e - 1]) || t[e - 1] == '\r' || t[e - 1] == '\n'))
        --e;
    return t.substr(b, e - b);
}

// from_chars takes no "+"; one is allowed here, but not "+-".
bool StripPlus(std::string_view& t) {
    if (!t.empty() && t[0] == '+') {
        t.remove_prefix(1);
        if (!t.empty() && t[0] == '-') return false;
    }
    return !t.empty();
}

bool ParseInt(std::string_view t, std::int32_t& v) {
    if (!StripPlus(t)) return false;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

bool ParseReal(std::string_view t, double& v) {
    if (!StripPlus(t)) return false;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(v);
}

// An integer in any ordinary notation: "12" at once, else "12.0" or "1.2e1" when whole.
bool ParseWhole(std::string_view t, std::int32_t& v) {
    if (ParseInt(t, v)) return true;
    double d = 0;
    if (!ParseReal(t, d) || d != std::floor(d) || d < INT32_MIN || d > INT32_MAX) return false;
    v = static_cast<std::int32_t>(d);
    return true;
}

bool IsNumber(std::string_view t) {
    double d = 0;
    return ParseReal(t, d);
}

// A tag name in upper case with single blanks, so that "<Number of  zones>" is found.
std::string TagName(std::string_view t) {
    std::string out;
    for (char c : TrimView(t)) {
        if (IsBlank(c)) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
    }
    return out;
}

// Walks a text line by line, accepting CR LF, LF and CR line ends.
class LineReader {
public:
    // A byte order mark, as some editors write, is skipped.
    explicit LineReader(std::string_view text)
        : s_(text), p_(text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0) {}
    bool Next(std::string_view& line) {
        if (p_ >= s_.size()) return false;
        if (line_ < INT_MAX) ++line_;
        std::size_t e = p_;
        while (e < s_.size() && s_[e] != '\n' && s_[e] != '\r')
            ++e;
        line = s_.substr(p_, e - p_);
        p_ = e;
        if (p_ < s_.size()) {
            if (s_[p_] == '\r' && p_ + 1 < s_.size() && s_[p_ + 1] == '\n') ++p_;
            ++p_;
        }
        return true;
    }
    int Line() const { return line_; }
    std::size_t Position() const { return p_; }

private:
    std::string_view s_;
    std::size_t p_ = 0;
    int line_ = 0;
};

// Splits on blanks into at most N stored fields; `count` counts them all.
template <std::size_t N> struct Fields {
    std::array<std::string_view, N> field;
    std::size_t count = 0;
    explicit Fields(std::string_view t) {
        std::size_t i = 0;
        while (i < t.size()) {
            while (i < t.size() && IsBlank(t[i]))
                ++i;
            if (i >= t.size()) break;
            std::size_t b = i;
            while (i < t.size() && !IsBlank(t[i]))
                ++i;
            if (count < N) field[count] = t.substr(b, i - b);
            ++count;
        }
    }
};

// A data line: the part before the optional ";", nothing but a "~" comment after it. Returns
// false for blank and comment lines.
bool DataPart(std::string_view line, std::string_view file, int lineNo, std::string_view& data) {
    std::string_view t = TrimView(line);
    if (t.empty() || t[0] == '~') return false;
    std::size_t semi = t.find(';');
    if (semi == std::string_view::npos) {
        std::size_t tilde = t.find('~');
        data = tilde == std::string_view::npos ? t : t.substr(0, tilde);
        return true;
    }
    std::string_view after = TrimView(t.substr(semi + 1));
    if (!after.empty() && after[0] != '~') Fail(file, lineNo, "unexpected text after ';'");
    data = t.substr(0, semi);
    return true;
}

struct Metadata {
    std::vector<TTntpTag> tags;
    int endLine = 0;

    const TTntpTag* Find(std::string_view name) const {
        for (const auto& t : tags)
            if (t.name == name) return &t;
        return nullptr;
    }
};

Metadata ReadMetadata(LineReader& lines, std::string_view file) {
    Metadata meta;
    std::string_view line;
    while (lines.Next(line)) {
        std::string_view t = TrimView(line);
        if (t.empty() || t[0] == '~') continue;
        if (t[0] != '<')
            Fail(file, lines.Line(), "expected \"<NAME> value\" before <END OF METADATA>");
        std::size_t close = t.find('>');
        if (close == std::string_view::npos) Fail(file, lines.Line(), "unterminated metadata tag");
        std::string name = TagName(t.substr(1, close - 1));
        if (name == kEndTag) {
            meta.endLine = lines.Line();
            return meta;
        }
        if (meta.Find(name)) Fail(file, lines.Line(), "<" + name + "> given twice");
        meta.tags.push_back({name, std::string(TrimView(t.substr(close + 1))), lines.Line()});
    }
    Fail(file, std::max(lines.Line(), 1), "no <END OF METADATA>");
}

// A non-negative count of the metadata; `fallback` when absent and not required.
std::int32_t Count(const Metadata& meta, std::string_view name, std::string_view file,
                   bool required, std::int32_t fallback = 0) {
    const TTntpTag* tag = meta.Find(name);
    if (!tag) {
        if (required) Fail(file, meta.endLine, "missing <" + std::string(name) + ">");
        return fallback;
    }
    // The count is the value up to a ";" or a "~" comment.
    std::string_view value = tag->value;
    value = TrimView(value.substr(0, std::min(value.find(';'), value.find('~'))));
    std::int32_t v = 0;
    if (!ParseWhole(value, v) || v < 0)
        Fail(file, tag->line,
             "<" + std::string(name) + "> " + Quote(tag->value) + " is not a count");
    return v;
}

std::int32_t NodeNumber(std::string_view token, std::string_view file, int line, const char* what,
                        std::int32_t limit) {
    std::int32_t v = 0;
    if (!ParseWhole(token, v))
        Fail(file, line, std::string(what) + " " + Quote(token) + " is not a node number");
    if (v < 1 || v > limit)
        Fail(file, line,
             std::string(what) + " " + std::to_string(v) + " is not within 1.." +
                 std::to_string(limit));
    return v;
}

double Real(std::string_view token, std::string_view file, int line, const char* what) {
    double v = 0;
    if (!ParseReal(token, v))
        Fail(file, line, std::string(what) + " " + Quote(token) + " is not a number");
    return v;
}

std::string LoadFile(const std::string& path) {
    // One read into a buffer of the file's size; the rest (a file that grew) is appended.
    TFileStream f(path, FileMode::OpenRead);
    std::string data(static_cast<std::size_t>(std::max<std::int64_t>(f.Size(), 0)), '\0');
    data.resize(f.Read(data.data(), data.size()));
    data += f.ReadAll();
    return data;
}

// Records (id, line) pairs and reports a second position of the same node.
class NodeIds {
public:
    void Add(std::int32_t id, int line, std::string_view file) {
        auto [it, fresh] = lines_.emplace(id, line);
        if (!fresh)
            Fail(file, line,
                 "node " + std::to_string(id) + " given twice (first on line " +
                     std::to_string(it->second) + ")");
    }

private:
    std::unordered_map<std::int32_t, int> lines_;
};

} // namespace

TTntpNotes::TEntry& TTntpNotes::Entry(std::string_view kind) {
    for (TEntry& e : entries_)
        if (e.kind == kind) return e;
    entries_.push_back({std::string(kind), 0, {}});
    return entries_.back();
}

const TTntpNotes::TEntry* TTntpNotes::Find(std::string_view kind) const {
    for (const TEntry& e : entries_)
        if (e.kind == kind) return &e;
    return nullptr;
}

std::string TTntpNotes::Where(std::string_view file, int line) {
    return std::string(file) + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": ";
}

std::vector<std::string> TTntpNotes::Lines() const {
    std::vector<std::string> out;
    for (const TEntry& e : entries_)
        out.push_back(e.kind + ": " + std::to_string(e.count) + ", first at " + e.first);
    return out;
}

int TTntpTrips::LineOf(std::size_t i) const {
    auto it = std::upper_bound(lineRuns.begin(), lineRuns.end(), i,
                               [](std::size_t v, const TLineRun& run) { return v < run.first; });
    if (it == lineRuns.begin()) return 0;
    const TLineRun& run = *std::prev(it);
    if (run.perLine == 0) return run.line;
    return run.line + static_cast<int>((i - run.first) / static_cast<std::size_t>(run.perLine));
}

double TTntpTrips::Total() const {
    double sum = 0;
    for (const auto& t : trips)
        sum += t.flow;
    return sum;
}

TTntpNetwork ParseTntpNetwork(std::string_view text, std::string_view fileName, TTntpNotes* notes) {
    LineReader lines(text);
    Metadata meta = ReadMetadata(lines, fileName);
    TTntpNetwork net;
    net.zones = Count(meta, kZonesTag, fileName, true);
    net.nodes = Count(meta, kNodesTag, fileName, true);
    std::int32_t declaredLinks = Count(meta, kLinksTag, fileName, true);
    net.firstThruNode = Count(meta, kFirstThruTag, fileName, false, 1);

    net.links.reserve(
        std::min<std::size_t>(static_cast<std::size_t>(declaredLinks), text.size() / 20));
    std::string_view line, data;
    while (lines.Next(line)) {
        int n = lines.Line();
        if (!DataPart(line, fileName, n, data)) continue;
        Fields<10> f(data);
        if (f.count < 5)
            Fail(fileName, n,
                 "expected at least 5 fields (init node, term node, capacity, length, free-flow "
                 "time), found " +
                     std::to_string(f.count));
        TTntpLink link;
        link.init = NodeNumber(f.field[0], fileName, n, "init node", INT32_MAX);
        link.term = NodeNumber(f.field[1], fileName, n, "term node", INT32_MAX);
        link.capacity = Real(f.field[2], fileName, n, "capacity");
        link.length = Real(f.field[3], fileName, n, "length");
        link.freeFlowTime = Real(f.field[4], fileName, n, "free-flow time");
        link.b = f.count > 5 ? Real(f.field[5], fileName, n, "b") : kTntpDefaultB;
        link.power = f.count > 6 ? Real(f.field[6], fileName, n, "power") : kTntpDefaultPower;
        link.speed = f.count > 7 ? Real(f.field[7], fileName, n, "speed") : 0.0;
        link.toll = f.count > 8 ? Real(f.field[8], fileName, n, "toll") : 0.0;
        link.linkType = kTntpDefaultLinkType;
        if (f.count > 9 && !ParseWhole(f.field[9], link.linkType))
            Fail(fileName, n, "link type " + Quote(f.field[9]) + " is not an integer");
        if (notes && f.count != 10) {
            auto count = [&] { return std::to_string(f.count) + " fields"; };
            if (f.count < 10)
                notes->Add("links without their last fields (b 0.15, power 4, speed 0, toll 0 and "
                           "link type 1 taken for the missing ones)",
                           fileName, n, count);
            else
                notes->Add("links with more than 10 fields (the further ones ignored)", fileName, n,
                           count);
        }
        link.line = n;
        net.links.push_back(link);
    }
    // Fewer links than announced may mean a file cut short: nothing tells which are missing.
    const TTntpTag* linksTag = meta.Find(kLinksTag);
    if (net.links.size() < static_cast<std::size_t>(declaredLinks))
        Fail(fileName, linksTag->line,
             "<NUMBER OF LINKS> is " + std::to_string(declaredLinks) + " but the file has " +
                 std::to_string(net.links.size()) + " links");
    for (std::size_t i = static_cast<std::size_t>(declaredLinks); notes && i < net.links.size();
         ++i)
        notes->Add("links beyond <NUMBER OF LINKS> (all kept)", fileName, net.links[i].line, [&] {
            return "<NUMBER OF LINKS> is " + std::to_string(declaredLinks) + ", the file has " +
                   std::to_string(net.links.size());
        });
    net.metadata = std::move(meta.tags);
    return net;
}

TTntpTrips ParseTntpTrips(std::string_view text, std::string_view fileName, TTntpNotes* notes) {
    LineReader lines(text);
    Metadata meta = ReadMetadata(lines, fileName);
    TTntpTrips result;
    result.zones = Count(meta, kZonesTag, fileName, true);
    if (const TTntpTag* total = meta.Find(kTotalFlowTag)) {
        double v = 0;
        if (!ParseReal(total->value, v))
            Fail(fileName, total->line,
                 "<TOTAL OD FLOW> " + Quote(total->value) + " is not a number");
        result.declaredTotal = v;
    }
    result.trips.reserve(text.size() / 16);

    const std::string_view s = text;
    std::size_t p = lines.Position();
    int line = lines.Line() + 1;
    auto skipBlanks = [&] {
        while (p < s.size() && IsBlank(s[p]))
            ++p;
    };
    // A token ends at white space, ';' or ':'.
    auto token = [&] {
        std::size_t b = p;
        while (p < s.size()) {
            char c = s[p];
            if (IsBlank(c) || c == '\r' || c == '\n' || c == ';' || c == ':') break;
            ++p;
        }
        return s.substr(b, p - b);
    };

    std::int32_t origin = 0;
    int entryLine = -1, entriesOnLine = 0;
    std::unordered_set<std::int32_t> origins;
    std::size_t blockStart = 0;
    std::int32_t lastDestination = 0;
    bool blockSetBuilt = false;
    std::unordered_set<std::int32_t> blockDestinations;

    while (p < s.size()) {
        char c = s[p];
        if (c == '\n' || c == '\r') {
            if (c == '\r' && p + 1 < s.size() && s[p + 1] == '\n') ++p;
            ++p;
            if (line < INT_MAX) ++line;
            continue;
        }
        if (IsBlank(c)) {
            ++p;
            continue;
        }
        if (c == '~') {
            while (p < s.size() && s[p] != '\n' && s[p] != '\r')
                ++p;
            continue;
        }
        if ((c == 'O' || c == 'o') && SameText(s.substr(p, 6), "origin")) {
            p += 6;
            skipBlanks();
            std::string_view t = token();
            origin = NodeNumber(t, fileName, line, "origin", INT32_MAX);
            if (!origins.insert(origin).second)
                Fail(fileName, line, "origin " + std::to_string(origin) + " given twice");
            blockStart = result.trips.size();
            lastDestination = 0;
            blockSetBuilt = false;
            blockDestinations.clear();
            continue;
        }
        std::string_view t = token();
        if (t.empty() || !(t[0] == '+' || t[0] == '-' || (t[0] >= '0' && t[0] <= '9')))
            Fail(fileName, line, "unexpected text " + Quote(t.empty() ? s.substr(p, 1) : t));
        if (origin == 0) Fail(fileName, line, "destination before the first \"Origin\"");
        std::int32_t dest = NodeNumber(t, fileName, line, "destination", INT32_MAX);
        skipBlanks();
        if (p >= s.size() || s[p] != ':')
            Fail(fileName, line, "expected ':' after destination " + std::to_string(dest));
        ++p;
        skipBlanks();
        double flow = Real(token(), fileName, line, "flow");
        if (flow < 0) Fail(fileName, line, "negative flow to destination " + std::to_string(dest));
        skipBlanks();
        if (p < s.size() && s[p] == ';') ++p;
        // Destinations usually ascend within a block; a set is built only when they do not.
        bool repeated = false;
        if (dest <= lastDestination || blockSetBuilt) {
            if (!blockSetBuilt) {
                for (std::size_t i = blockStart; i < result.trips.size(); ++i)
                    blockDestinations.insert(result.trips[i].destination);
                blockSetBuilt = true;
            }
            repeated = !blockDestinations.insert(dest).second;
        }
        if (repeated)
            Fail(fileName, line,
                 "destination " + std::to_string(dest) + " given twice for origin " +
                     std::to_string(origin));
        lastDestination = std::max(lastDestination, dest);
        if (line != entryLine) {
            // A run goes on while each line holds as many entries as its first one.
            auto& runs = result.lineRuns;
            bool goOn = !runs.empty() && line == entryLine + 1;
            if (goOn && runs.back().perLine == 0)
                runs.back().perLine = entriesOnLine;
            else if (goOn)
                goOn = entriesOnLine == runs.back().perLine;
            if (!goOn) runs.push_back({result.trips.size(), line, 0});
            entryLine = line;
            entriesOnLine = 0;
        } else if (entriesOnLine == result.lineRuns.back().perLine) {
            // More entries on this line than on the run's others: a new run from here.
            result.lineRuns.push_back({result.trips.size(), line, 0});
            entriesOnLine = 0;
        }
        ++entriesOnLine;
        result.trips.push_back({origin, dest, flow});
    }
    if (notes && result.declaredTotal) {
        const double total = result.Total(), declared = *result.declaredTotal;
        if (std::fabs(total - declared) > 1e-6 * std::max(std::fabs(declared), 1.0))
            notes->Add("demand files whose flows do not add up to <TOTAL OD FLOW> (the flows kept)",
                       fileName, meta.Find(kTotalFlowTag)->line, [&] {
                           return "<TOTAL OD FLOW> is " + FloatToStrGeneral(declared, 10) +
                                  ", the flows add up to " + FloatToStrGeneral(total, 10);
                       });
    }
    result.metadata = std::move(meta.tags);
    return result;
}

std::vector<TTntpNode> ParseTntpNodes(std::string_view text, std::string_view fileName,
                                      TTntpNotes* notes) {
    LineReader lines(text);
    std::vector<TTntpNode> nodes;
    NodeIds ids;
    bool first = true;
    std::string_view line, data;
    while (lines.Next(line)) {
        int n = lines.Line();
        if (!DataPart(line, fileName, n, data)) continue;
        Fields<3> f(data);
        if (first) {
            first = false;
            if (f.count > 0 && !IsNumber(f.field[0])) continue;
        }
        if (f.count < 3)
            Fail(fileName, n, "expected 3 fields (node, x, y), found " + std::to_string(f.count));
        if (notes && f.count > 3)
            notes->Add("node lines with more than 3 fields (the further ones ignored)", fileName, n,
                       [&] { return std::to_string(f.count) + " fields"; });
        TTntpNode node;
        node.id = NodeNumber(f.field[0], fileName, n, "node", INT32_MAX);
        node.x = Real(f.field[1], fileName, n, "x");
        node.y = Real(f.field[2], fileName, n, "y");
        node.line = n;
        ids.Add(node.id, n, fileName);
        nodes.push_back(node);
    }
    return nodes;
}

std::vector<TTntpNode> ParseGeoJsonNodes(std::string_view text, std::string_view fileName) {
    TJsonValue root;
    try {
        root = ParseJson(text, fileName);
    } catch (const EJsonError& e) {
        throw ETntpError(e.what());
    }
    auto isText = [](const TJsonValue* v, std::string_view want) {
        return v && v->IsString() && v->text == want;
    };
    if (!root.IsObject() || !isText(root.Find("type"), "FeatureCollection"))
        Fail(fileName, root.line, "expected a GeoJSON FeatureCollection");
    const TJsonValue* features = root.Find("features");
    if (!features || !features->IsArray()) Fail(fileName, root.line, "missing \"features\" array");

    std::vector<TTntpNode> nodes;
    nodes.reserve(features->items.size());
    NodeIds ids;
    int index = 0;
    for (const TJsonValue& f : features->items) {
        ++index;
        std::string which = "feature " + std::to_string(index);
        if (!f.IsObject() || !isText(f.Find("type"), "Feature"))
            Fail(fileName, f.line, which + " is not a GeoJSON Feature");
        const TJsonValue* geometry = f.Find("geometry");
        if (!geometry || !geometry->IsObject() || !isText(geometry->Find("type"), "Point"))
            Fail(fileName, f.line, which + " has no Point geometry");
        const TJsonValue* coords = geometry->Find("coordinates");
        if (!coords || !coords->IsArray() || coords->items.size() < 2 || coords->items.size() > 3 ||
            !std::all_of(coords->items.begin(), coords->items.end(),
                         [](const TJsonValue& c) { return c.IsNumber(); }))
            Fail(fileName, geometry->line,
                 which + ": the coordinates are not [longitude, latitude]");
        const TJsonValue* props = f.Find("properties");
        const TJsonValue* id = props ? props->Find("id") : nullptr;
        if (!id) id = f.Find("id");
        if (!id) Fail(fileName, f.line, which + " has no \"id\" property");
        if (!id->IsNumber() || id->number < 1 || id->number > INT32_MAX ||
            id->number != std::floor(id->number))
            Fail(fileName, id->line, which + ": the id is not a node number");
        TTntpNode node;
        node.id = static_cast<std::int32_t>(id->number);
        node.x = coords->items[0].number;
        node.y = coords->items[1].number;
        node.line = f.line;
        ids.Add(node.id, node.line, fileName);
        nodes.push_back(node);
    }
    return nodes;
}

std::vector<TTntpFlow> ParseTntpFlows(std::string_view text, std::string_view fileName,
                                      TTntpNotes* notes) {
    LineReader lines(text);
    std::vector<TTntpFlow> flows;
    bool first = true;
    std::string_view line, data;
    while (lines.Next(line)) {
        int n = lines.Line();
        if (!DataPart(line, fileName, n, data)) continue;
        Fields<4> f(data);
        if (first) {
            first = false;
            if (f.count > 0 && !IsNumber(f.field[0])) continue;
        }
        if (f.count < 3)
            Fail(fileName, n,
                 "expected 4 fields (from, to, volume, cost), found " + std::to_string(f.count));
        if (notes && f.count > 4)
            notes->Add("flow lines with more than 4 fields (the further ones ignored)", fileName, n,
                       [&] { return std::to_string(f.count) + " fields"; });
        TTntpFlow flow;
        flow.from = NodeNumber(f.field[0], fileName, n, "from node", INT32_MAX);
        flow.to = NodeNumber(f.field[1], fileName, n, "to node", INT32_MAX);
        flow.volume = Real(f.field[2], fileName, n, "volume");
        flow.cost = f.count > 3 ? Real(f.field[3], fileName, n, "cost") : 0.0;
        flow.line = n;
        flows.push_back(flow);
    }
    return flows;
}

TTntpNetwork ReadTntpNetwork(const std::string& path, TTntpNotes* notes) {
    return ParseTntpNetwork(LoadFile(path), path, notes);
}
TTntpTrips ReadTntpTrips(const std::string& path, TTntpNotes* notes) {
    return ParseTntpTrips(LoadFile(path), path, notes);
}
std::vector<TTntpNode> ReadTntpNodes(const std::string& path, TTntpNotes* notes) {
    return ParseTntpNodes(LoadFile(path), path, notes);
}
std::vector<TTntpNode> ReadGeoJsonNodes(const std::string& path) {
    return ParseGeoJsonNodes(LoadFile(path), path);
}
std::vector<TTntpFlow> ReadTntpFlows(const std::string& path, TTntpNotes* notes) {
    return ParseTntpFlows(LoadFile(path), path, notes);
}

} // namespace zep::files
