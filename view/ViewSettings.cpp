#include "view/ViewSettings.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <fstream>
#include <iterator>
#include <system_error>

#include "foundation/Exception.h"
#include "foundation/Format.h"
#include "foundation/ORVFiles.h"

namespace zep::view {
namespace {

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

// Something that is not a readable file where the settings should be (a folder, a file without
// read permission) means no settings, not a failure to show the study.
bool ReadWholeFile(const std::filesystem::path& path, std::string& text) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return !in.bad();
    } catch (const std::exception&) {
        return false;
    }
}

// One entry is one line of the file: a break inside a name or value would let it forge further
// keys or sections.
std::string SingleLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::vector<std::string> Split(std::string_view text) {
    std::vector<std::string> out;
    if (text.empty()) return out;
    std::size_t start = 0;
    for (;;) {
        std::size_t bar = text.find('|', start);
        out.emplace_back(text.substr(start, bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    return out;
}

std::string Join(const std::vector<std::string>& values) {
    std::string out;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) out += '|';
        out += values[i];
    }
    return out;
}

// Blanks around a value are not part of it in an INI file; a value that has them, or that is
// itself quoted, is written in quotes, and one pair of surrounding quotes is taken off on reading.
std::string FileValue(const std::string& v) {
    bool quote = !v.empty() && (static_cast<unsigned char>(v.front()) <= ' ' ||
                                static_cast<unsigned char>(v.back()) <= ' ' ||
                                (v.size() >= 2 && v.front() == '"' && v.back() == '"'));
    return quote ? '"' + v + '"' : v;
}

std::string ValueOfFile(std::string_view v) {
    v = TrimView(v);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    return std::string(v);
}

} // namespace

TViewSettings::TViewSettings() = default;

TViewSettings::TViewSettings(std::filesystem::path projectFile)
    : projectFile_(std::move(projectFile)) {
    iniFile_ = projectFile_;
    iniFile_.replace_extension(".ini");
    std::filesystem::path source = iniFile_;
    std::error_code ec;
    if (!std::filesystem::exists(iniFile_, ec)) source = projectFile_.string() + ".opt";
    std::string text;
    if (ReadWholeFile(source, text))
        SetText(text);
    else
        unreadable_ = std::filesystem::exists(iniFile_, ec);
    modified_ = false;
}

const TViewSettings::TSection* TViewSettings::FindSection(std::string_view name) const {
    for (const TSection& s : sections_)
        if (SameText(s.name, name)) return &s;
    return nullptr;
}

TViewSettings::TSection& TViewSettings::GetSection(std::string_view name) {
    for (TSection& s : sections_)
        if (SameText(s.name, name)) return s;
    TSection& s = sections_.emplace_back();
    s.name = SingleLine(name);
    return s;
}

const std::string* TViewSettings::TSection::Find(std::string_view key) const {
    auto it = index.find(LowerCase(key));
    return it == index.end() ? nullptr : &keys[it->second].second;
}

bool TViewSettings::TSection::Add(std::string key, std::string value) {
    if (!index.emplace(LowerCase(key), keys.size()).second) return false;
    keys.emplace_back(std::move(key), std::move(value));
    return true;
}

const std::string* TViewSettings::Find(std::string_view section, std::string_view key) const {
    const TSection* s = FindSection(section);
    return s ? s->Find(key) : nullptr;
}

std::string TViewSettings::ReadString(std::string_view section, std::string_view key,
                                      std::string_view def) const {
    const std::string* v = Find(section, key);
    return v ? *v : std::string(def);
}

int TViewSettings::ReadInteger(std::string_view section, std::string_view key, int def) const {
    const std::string* v = Find(section, key);
    std::int64_t n = 0;
    if (!v || !TryStrToInt64(*v, n) || n < INT_MIN || n > INT_MAX) return def;
    return static_cast<int>(n);
}

double TViewSettings::ReadDouble(std::string_view section, std::string_view key, double def) const {
    const std::string* v = Find(section, key);
    double d = 0;
    if (!v || !TryStrToFloat(*v, d) || !std::isfinite(d)) return def;
    return d;
}

bool TViewSettings::ReadBool(std::string_view section, std::string_view key, bool def) const {
    const std::string* v = Find(section, key);
    if (!v) return def;
    std::string_view t = TrimView(*v);
    if (t.empty()) return def;
    std::int64_t n = 0;
    if (TryStrToInt64(t, n)) return n != 0;
    return SameText(t, "true") || SameText(t, "yes");
}

std::vector<std::string> TViewSettings::ReadValues(std::string_view section,
                                                   std::string_view key) const {
    const std::string* v = Find(section, key);
    return v ? Split(*v) : std::vector<std::string>{};
}

std::vector<std::string> TViewSettings::ReadStringList(std::string_view section,
                                                       std::string_view key) const {
    const std::string* v = Find(section, key);
    if (!v) return {};
    std::string_view text = *v;
    if (!text.empty() && text.back() == '|') text.remove_suffix(1);
    if (text.empty() && !v->empty()) return {""};
    return Split(text);
}

std::vector<std::string> TViewSettings::Keys(std::string_view section) const {
    std::vector<std::string> out;
    if (const TSection* s = FindSection(section))
        for (const auto& kv : s->keys)
            out.push_back(kv.first);
    return out;
}

bool TViewSettings::SectionExists(std::string_view section) const {
    return FindSection(section) != nullptr;
}

void TViewSettings::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
    TSection& s = GetSection(section);
    std::string k(TrimView(SingleLine(key)));
    std::string v = SingleLine(value);
    if (std::string* old = s.Find(k)) {
        if (*old != v) {
            *old = std::move(v);
            modified_ = true;
        }
        return;
    }
    s.Add(std::move(k), std::move(v));
    modified_ = true;
}

void TViewSettings::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TViewSettings::WriteDouble(std::string_view section, std::string_view key, double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    WriteString(section, key, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

void TViewSettings::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TViewSettings::WriteValues(std::string_view section, std::string_view key,
                                const std::vector<std::string>& values) {
    WriteString(section, key, Join(values));
}

void TViewSettings::WriteStringList(std::string_view section, std::string_view key,
                                    const std::vector<std::string>& lines) {
    // As a text list's text: every line ends in a break, a break inside a line splits it.
    std::string out;
    for (const std::string& line : lines) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n') continue;
            out += (line[i] == '\r' || line[i] == '\n') ? '|' : line[i];
        }
        out += '|';
    }
    WriteString(section, key, out);
}

void TViewSettings::EraseSection(std::string_view section) {
    for (auto it = sections_.begin(); it != sections_.end(); ++it)
        if (SameText(it->name, section)) {
            sections_.erase(it);
            modified_ = true;
            return;
        }
}

std::string TViewSettings::Text() const {
    std::string out;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (i) out += '\n';
        out += '[' + sections_[i].name + "]\n";
        for (const auto& [k, v] : sections_[i].keys)
            out += k + '=' + FileValue(v) + '\n';
    }
    return out;
}

void TViewSettings::SetText(std::string_view text) {
    sections_.clear();
    TSection* current = nullptr;
    while (!text.empty()) {
        std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string_view trimmed = TrimView(line);
        if (trimmed.empty() || trimmed.front() == ';') continue;
        if (trimmed.front() == '[') {
            std::size_t close = trimmed.find(']');
            std::string_view name = TrimView(trimmed.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            current = &GetSection(name);
            continue;
        }
        std::size_t eq = line.find('=');
        if (!current || eq == std::string_view::npos) continue;
        std::string_view key = TrimView(line.substr(0, eq));
        // The first of duplicate keys is the one that counts, as in any INI reader.
        current->Add(std::string(key), ValueOfFile(line.substr(eq + 1)));
    }
    modified_ = true;
}

bool TViewSettings::Flush() {
    if (!modified_ || iniFile_.empty() || unreadable_) return false;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(projectFile_, ec)) return false;
    try {
        ReplaceFileContent(iniFile_.string(), Text());
    } catch (const Exception&) {
        // A settings file that cannot be written (read-only folder or file) leaves the study
        // usable; the settings stay in memory.
        return false;
    }
    modified_ = false;
    return true;
}

} // namespace zep::view
