#include "modelio/ZEPASCII.h"

#include "foundation/ORVFiles.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/CodePages.h"
#include "foundation/Format.h"
#include "foundation/OrvMessages.h"
#include "foundation/Stream.h"
#include "model/Project.h"

namespace zep::modelio {
namespace {

constexpr int kIntWidth = 8;
constexpr int kRealWidth = 10;
constexpr int kWideWidth = 14;
constexpr int kNameWidth = 15;
constexpr std::size_t kNameChars = 13;
constexpr std::size_t kRuleHyphens = 73;

std::string PadLeft(std::string text, int width) {
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

std::string PadRight(std::string text, int width) {
    if (static_cast<int>(text.size()) < width)
        text.append(static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

std::string Cut(std::string_view text, int width) {
    return std::string(text.substr(0, width < 0 ? 0 : static_cast<std::size_t>(width)));
}

std::string BlankApostrophes(std::string text) {
    for (char& c : text)
        if (c == '\'') c = ' ';
    return text;
}

} // namespace

// ---- Rendering ------------------------------------------------------------------------------

std::string RenderReal(double value) {
    if (!std::isfinite(value)) value = -1;
    // Whole numbers below 10^7 print as their digits in the general form; most columns
    // (identifiers, capacities, lengths, counts) hold such numbers.
    if (std::fabs(value) < 1e7 && value == std::trunc(value)) {
        char digits[16];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits,
                                       static_cast<std::int64_t>(value == 0 ? 0 : value));
        (void)ec;
        return std::string(digits, end);
    }
    // FloatToStrGeneral takes its digits from the C library's printf, which follows LC_NUMERIC;
    // a locale whose decimal separator is more than one byte (ps_AF) would break them up. The
    // model reads ".", so the conversion runs in the C locale of this thread.
    static const locale_t cLocale = ::newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
    locale_t previous = cLocale ? ::uselocale(cLocale) : locale_t(0);
    std::string text = FloatToStrGeneral(value, 7, 1);
    if (cLocale) ::uselocale(previous);
    return text;
}

std::string RenderReal(std::optional<double> value) {
    return value ? RenderReal(*value) : std::string(kNumberError);
}

std::string RenderName(std::string_view ansiName) {
    std::string text = Trim(ansiName);
    if (text.empty()) text = " ";
    text = Trim(AnsiToOem(BlankApostrophes(std::move(text))));
    text = Trim(std::string_view(text).substr(0, std::min(text.size(), kNameChars)));
    // A name made only of apostrophes would otherwise end as '' and read back as an escaped
    // quote; it is written like an empty name.
    if (text.empty()) text = " ";
    return "'" + text + "'";
}

std::optional<double> NumberOf(const model::TValue& value) {
    using model::TValueClass;
    switch (value.Class()) {
    case TValueClass::Object:
        return std::nullopt;
    case TValueClass::Boolean:
        return value.ToBool() ? 1.0 : 0.0;
    case TValueClass::String: {
        if (value.IsEmpty()) return 0.0;
        double d = model::TextToNumber(value.TextView());
        if (std::isnan(d)) return std::nullopt;
        return d;
    }
    default:
        return value.ToDouble();
    }
}

// ---- Columns --------------------------------------------------------------------------------

std::string IntCol(std::int64_t value) {
    return PadLeft(std::to_string(value), kIntWidth) + ' ';
}

std::string IntCol(std::string_view heading) {
    return PadLeft(std::string(heading), kIntWidth) + ' ';
}

std::string RealCol(double value) {
    return PadLeft(RenderReal(value), kRealWidth) + ' ';
}
std::string RealCol(std::optional<double> value) {
    return PadLeft(RenderReal(value), kRealWidth) + ' ';
}
std::string WideCol(double value) {
    return PadLeft(RenderReal(value), kWideWidth) + ' ';
}
std::string WideCol(std::optional<double> value) {
    return PadLeft(RenderReal(value), kWideWidth) + ' ';
}

std::string NameCol(std::string_view ansiName) {
    return PadRight(Cut(RenderName(ansiName), kNameWidth), kNameWidth) + ' ';
}

std::string RightText(int width, std::string_view text) {
    return PadLeft(Cut(text, width), width) + ' ';
}

std::string LeftText(int width, std::string_view text) {
    return PadRight(Cut(text, width), width) + ' ';
}

std::string QuotedText(int width, std::string_view ansiText) {
    // Apostrophes are blanked as in names: one inside the quotes would end the text early
    // when the model reads it.
    std::string text = Trim(AnsiToOem(Trim(BlankApostrophes(std::string(ansiText)))));
    text = Trim(Cut(text, width - 2));
    return LeftText(width, "'" + text + "'");
}

TLine& TLine::I(std::int64_t value) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec;
    std::size_t n = static_cast<std::size_t>(end - digits);
    if (n < static_cast<std::size_t>(kIntWidth)) text_.append(kIntWidth - n, ' ');
    text_.append(digits, n);
    text_ += ' ';
    return *this;
}

TLine& TLine::T(int width, std::string_view text, bool cut) {
    if (cut && text.size() > static_cast<std::size_t>(width))
        text = text.substr(0, static_cast<std::size_t>(width));
    if (text.size() < static_cast<std::size_t>(width))
        text_.append(static_cast<std::size_t>(width) - text.size(), ' ');
    text_ += text;
    text_ += ' ';
    return *this;
}

TLine& TLine::Real(std::optional<double> value, int width) {
    return T(width, RenderReal(value), false);
}

// ---- Fixed lines ----------------------------------------------------------------------------

std::string SectionEndLine() {
    return "*" + std::string(kRuleHyphens, '-') + " /";
}

TLines TitleBlock(const TTitleInfo& info) {
    TLines lines;
    lines.push_back(info.title + "  (VARDEN v" + std::string(kVersionText) + ")");
    std::string study = "Study:" + info.projectName + " " + info.projectDescription;
    if (info.scenario)
        study += " Year: " + info.scenario->name + " Policy: " + info.scenario->description;
    lines.push_back(std::move(study));
    lines.push_back(std::string(kRuleHyphens, '-') + " /");
    return lines;
}

TLines TitleBlock(std::string title, const model::TProject& project,
                  const model::TScenario* scenario) {
    TTitleInfo info;
    info.title = std::move(title);
    info.projectName = project.GetName();
    info.projectDescription = project.GetDescription();
    if (scenario)
        info.scenario = TTitleInfo::Scenario{scenario->GetName(), scenario->GetDescription()};
    return TitleBlock(info);
}

// ---- File names -----------------------------------------------------------------------------

std::string NameCode(std::string_view name) {
    std::string code = Trim(name);
    if (code.size() > 3) code.resize(3);
    for (char& c : code)
        if (c == '/' || c == '\\' || c == '\0') c = '_';
    return code;
}

std::string InputFileName(std::string_view projectFileName, std::string_view projectName,
                          const std::string* scenarioName, std::string_view prefix,
                          bool inScenarioDirectory, std::string_view extension) {
    namespace fs = std::filesystem;
    std::string projectCode = NameCode(projectName);
    std::string scenarioCode = scenarioName ? NameCode(*scenarioName) : std::string();
    std::string base = UpperCase(std::string(prefix) + projectCode + scenarioCode);
    if (!extension.empty()) {
        std::size_t dot = base.rfind('.');
        if (dot != std::string::npos) base.resize(dot);
        if (extension.front() != '.') base += '.';
        base += extension;
    }
    fs::path path = fs::path(std::string(projectFileName)).parent_path();
    if (scenarioName && inScenarioDirectory && !scenarioCode.empty()) {
        // "." or ".." would name the study directory or its parent, not the scenario's own.
        if (scenarioCode.find_first_not_of('.') == std::string::npos)
            scenarioCode.assign(scenarioCode.size(), '_');
        path /= scenarioCode;
    }
    path /= base;
    return path.string();
}

std::string InputFileName(const model::TProject& project, const model::TScenario* scenario,
                          std::string_view prefix, bool inScenarioDirectory,
                          std::string_view extension) {
    std::string scenarioName = scenario ? scenario->GetName() : std::string();
    return InputFileName(project.FileName(), project.GetName(), scenario ? &scenarioName : nullptr,
                         prefix, inScenarioDirectory, extension);
}

// ---- Reading the study ----------------------------------------------------------------------

model::TValue ValueIn(const model::TVersionedEntity& entity, const model::TScenario* scenario,
                      std::int32_t id) {
    const model::TPropSpec* spec = entity.Specs().FindById(id);
    if (id == model::kPropId || id == model::kPropName || id == model::kPropDescription ||
        (spec &&
         spec->HasFlag(static_cast<model::TPropFlags>(model::psAttribute | model::psUnversioned))))
        return entity.GetValue(id);
    return entity.GetValueIn(scenario, id);
}

double FloatIn(const model::TVersionedEntity& entity, const model::TScenario* scenario,
               std::int32_t id) {
    return ValueIn(entity, scenario, id).ToDouble();
}

namespace {

const model::TProperty* FindBase(const model::TVersionedEntity& entity,
                                 std::initializer_list<std::int32_t> ids) {
    for (std::int32_t id : ids)
        if (const model::TProperty* p = entity.Properties().Find(id)) return p;
    const model::TScenario* base = entity.Project() ? entity.Project()->BaseScenario() : nullptr;
    if (!base) return nullptr;
    for (std::int32_t id : ids)
        if (model::TVersionedProperty r = entity.Resolve(base, id)) return r.record;
    return nullptr;
}

} // namespace

model::TValue BaseValue(const model::TVersionedEntity& entity,
                        std::initializer_list<std::int32_t> ids, const model::TValue& fallback) {
    const model::TProperty* p = FindBase(entity, ids);
    return p ? p->value : fallback;
}

bool HoldsBaseValue(const model::TVersionedEntity& entity,
                    std::initializer_list<std::int32_t> ids) {
    const model::TProperty* p = FindBase(entity, ids);
    return p && !p->value.IsEmpty();
}

// ---- Saving ---------------------------------------------------------------------------------

namespace {

// Calls `each(line)` for every line of `text` (CR LF, LF or CR ends; a final end starts no
// line); stops and answers false when `each` does.
template <class F> bool ForEachLine(std::string_view text, F each) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) return each(text.substr(start));
        if (!each(text.substr(start, end - start))) return false;
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return true;
}

// Whether `text` holds exactly `lines`, whatever its line ends; allocates nothing.
bool HoldsLines(std::string_view text, const TLines& lines) {
    std::size_t i = 0;
    bool same = ForEachLine(
        text, [&](std::string_view line) { return i < lines.size() && line == lines[i++]; });
    return same && i == lines.size();
}

} // namespace

TLines ReadLines(const std::string& path) {
    TMemoryStream data;
    data.LoadFromFile(path);
    TLines lines;
    ForEachLine(data.Data(), [&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
    return lines;
}

namespace {

// Writes the lines to a temporary file beside `path` and moves it into place.
void ReplaceWithLines(const std::string& path, const TLines& lines) {
    std::string content;
    std::size_t total = 0;
    for (const auto& line : lines)
        total += line.size() + 2;
    content.reserve(total);
    for (const auto& line : lines) {
        content += line;
        content += "\r\n";
    }

    ReplaceFileContent(path, content);
}

} // namespace

bool SaveIfChanged(const std::string& path, const TLines& lines) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) {
        bool same = false;
        try {
            TMemoryStream data;
            data.LoadFromFile(path);
            same = HoldsLines(data.Data(), lines);
        } catch (const EStreamError&) {
            // Unreadable: treat as changed; writing it will report what is wrong.
        }
        if (same) return false;
    }
    fs::path target(path);
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), ec);
        if (ec) throw EFCreateError("Cannot create file \"" + path + "\". " + ec.message());
    }
    ReplaceWithLines(path, lines);
    return true;
}

void SaveLines(const std::string& path, const TLines& lines) {
    ReplaceWithLines(path, lines);
}

// ---- Progress -------------------------------------------------------------------------------

std::string SectionProgressText(std::string_view fileCode, std::string_view scenarioName,
                                std::string_view section) {
    std::string text(fileCode);
    text += scenarioName;
    text += " Section ";
    text += section;
    return text;
}

void ReportProgress(const std::string& text, std::size_t done, std::size_t count) {
    double fraction = count == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(count);
    ShowProgress(text, fraction);
}

void ReportProgress(const std::string& text, double fraction) {
    ShowProgress(text, fraction);
}

} // namespace zep::modelio
