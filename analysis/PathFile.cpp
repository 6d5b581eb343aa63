#include "analysis/PathFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "foundation/Format.h"
#include "foundation/ORVFiles.h"
#include "foundation/OrvMessages.h"
#include "model/Project.h"
#include "model/SCENARIO.h"

namespace zep::analysis::paths {

namespace fs = std::filesystem;

// ---- names and settings -------------------------------------------------------------------------

std::string PathFileName(const model::TProject& project, const model::TScenario* scenario,
                         int modeIndex, bool compressed) {
    return model::ScenarioPathFileName(project, scenario, modeIndex, compressed);
}

bool HasPathFile(const model::TProject& project, const model::TScenario* scenario, int modeIndex) {
    std::error_code ec;
    return fs::is_regular_file(PathFileName(project, scenario, modeIndex), ec) ||
           fs::is_regular_file(PathFileName(project, scenario, modeIndex, true), ec);
}

std::string SettingsFileName() {
    fs::path dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        dir = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        dir = fs::path(home) / ".config";
    return (dir / "Okkerwald" / "KIV.INI").string();
}

int ReadIniInteger(const std::string& file, const std::string& section, const std::string& key,
                   int fallback) {
    std::ifstream in(file);
    if (!in) return fallback;
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        const std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[') {
            const std::size_t close = t.find(']');
            inSection =
                close != std::string::npos && SameText(Trim(t.substr(1, close - 1)), section);
            continue;
        }
        const std::size_t eq = t.find('=');
        if (!inSection || eq == std::string::npos || !SameText(Trim(t.substr(0, eq)), key))
            continue;
        std::int64_t v = 0;
        if (TryStrToInt64(t.substr(eq + 1), v) && v >= INT32_MIN && v <= INT32_MAX)
            return static_cast<int>(v);
        return fallback;
    }
    return fallback;
}

int BufferedPathsSetting() {
    return ReadIniInteger(SettingsFileName(), "Paths", "BufferedPaths", 64);
}

// ---- cache --------------------------------------------------------------------------------------

std::int32_t TCachedPath::LinkRouteNumber(std::size_t i) const {
    const std::uint8_t* b = &steps[i * 5];
    return static_cast<std::int32_t>(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                                     std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24);
}

TMatPasCache::TMatPasCache(std::size_t zoneCount)
    : zoneCount_(zoneCount), pairs_(zoneCount * zoneCount) {}

// ---- reading ------------------------------------------------------------------------------------

namespace {

/// Sequential little-endian reads through a buffer; running short raises EPathFileTruncated.
class TReader {
public:
    explicit TReader(TStream& in) : in_(in), buffer_(1 << 16) {}

    void Take(void* into, std::size_t n) {
        auto* out = static_cast<std::uint8_t*>(into);
        while (n > 0) {
            if (pos_ == end_) Fill();
            const std::size_t k = std::min(n, end_ - pos_);
            std::memcpy(out, buffer_.data() + pos_, k);
            pos_ += k;
            out += k;
            n -= k;
        }
    }
    void Skip(std::uint64_t n) {
        while (n > 0) {
            if (pos_ == end_) Fill();
            const std::size_t k = static_cast<std::size_t>(std::min<std::uint64_t>(n, end_ - pos_));
            pos_ += k;
            n -= k;
        }
    }
    std::int32_t Int32() {
        std::uint8_t b[4];
        Take(b, 4);
        return static_cast<std::int32_t>(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                                         std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24);
    }
    std::int16_t Int16() {
        std::uint8_t b[2];
        Take(b, 2);
        return static_cast<std::int16_t>(std::uint16_t(b[0] | b[1] << 8));
    }
    float Float() {
        const std::uint32_t bits = static_cast<std::uint32_t>(Int32());
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }

private:
    void Fill() {
        end_ = in_.Read(buffer_.data(), buffer_.size());
        pos_ = 0;
        if (end_ == 0) throw EPathFileTruncated("File may be truncated");
    }

    TStream& in_;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

void Check(bool ok, const char* message) {
    if (!ok) throw EInvalidFormat(message);
}

} // namespace

void ReadPathFile(TStream& in, TMatPasCache& cache) {
    TReader r(in);
    char tag[6];
    r.Take(tag, 6);
    r.Int32();
    r.Take(tag, 3);
    r.Int32();
    const std::int64_t n = r.Int32();
    Check(r.Int32() == -n, " ");
    for (std::int64_t i = 1; i <= n; ++i) {
        Check(r.Int32() == i, "");
        r.Skip(8);
        const std::int32_t k = r.Int32();
        if (k > 0) r.Skip(std::uint64_t(k) * 4);
    }
    Check(r.Int32() == n, "");

    const std::size_t z = cache.ZoneCount();
    std::size_t done = 0;
    for (std::size_t o = 0; o < z; ++o)
        for (std::size_t d = 0; d < z; ++d) {
            if (o == d) continue;
            ShowProgress("Reading Paths", double(o * z + d) / double(z * z));
            TCachedMatPas& pair = cache.Pair(o, d);
            const std::int16_t count = r.Int16();
            for (std::int16_t p = 0; p < count; ++p) {
                TCachedPath path;
                path.turnDelay = r.Float();
                const std::int16_t steps = r.Int16();
                if (steps > 0) {
                    path.steps.resize(std::size_t(steps) * 5);
                    r.Take(path.steps.data(), path.steps.size());
                }
                pair.push_back(std::move(path));
            }
            cache.SetPairsRead(++done);
        }
}

// ---- writing ------------------------------------------------------------------------------------

namespace {

class TWriter {
public:
    void Bytes(const void* p, std::size_t n) { data_.append(static_cast<const char*>(p), n); }
    void Int32(std::int32_t v) {
        const std::uint32_t u = static_cast<std::uint32_t>(v);
        const char b[4] = {char(u & 0xFF), char(u >> 8 & 0xFF), char(u >> 16 & 0xFF),
                           char(u >> 24 & 0xFF)};
        Bytes(b, 4);
    }
    void Int16(std::size_t v, const char* what) {
        if (v > 32767) throw std::length_error(std::string("path file: too many ") + what);
        const char b[2] = {char(v & 0xFF), char(v >> 8 & 0xFF)};
        Bytes(b, 2);
    }
    void Text(const std::string& s, std::size_t width) {
        std::string t = s.substr(0, width);
        t.resize(width, ' ');
        Bytes(t.data(), width);
    }
    std::string& Data() { return data_; }

private:
    std::string data_;
};

} // namespace

void WritePathFile(TStream& out, const TPathFileContent& c) {
    TWriter w;
    w.Text(c.fileTag, 6);
    w.Int32(c.headerValue1);
    w.Text(c.tag, 3);
    w.Int32(c.headerValue2);
    const auto n = static_cast<std::int32_t>(c.nodes.size());
    w.Int32(n);
    w.Int32(-n);
    for (std::int32_t i = 0; i < n; ++i) {
        const auto& node = c.nodes[std::size_t(i)];
        w.Int32(i + 1);
        w.Int32(node.value1);
        w.Int32(node.value2);
        w.Int32(static_cast<std::int32_t>(node.values.size()));
        for (std::int32_t v : node.values)
            w.Int32(v);
    }
    w.Int32(n);
    for (std::size_t o = 0; o < c.zoneCount; ++o)
        for (std::size_t d = 0; d < c.zoneCount; ++d) {
            if (o == d) continue;
            const auto& pair = c.pairs[o * c.zoneCount + d];
            w.Int16(pair.size(), "paths in a pair");
            for (const auto& path : pair) {
                std::uint32_t bits;
                std::memcpy(&bits, &path.turnDelay, 4);
                w.Int32(static_cast<std::int32_t>(bits));
                w.Int16(path.steps.size(), "steps in a path");
                for (const auto& s : path.steps) {
                    w.Int32(s.linkRoute);
                    w.Bytes(&s.weight, 1);
                }
            }
            if (w.Data().size() > (1u << 20)) {
                out.WriteBuffer(w.Data().data(), w.Data().size());
                w.Data().clear();
            }
        }
    out.WriteBuffer(w.Data().data(), w.Data().size());
}

} // namespace zep::analysis::paths
