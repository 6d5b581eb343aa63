// What every writer of the model's fixed-layout input files shares: column formats, the fixed
// lines, number and name rendering, input file names, progress texts and the save that leaves
// unchanged files alone.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Exception.h"
#include "model/Value.h"

namespace zep::model {
class TProject;
class TScenario;
class TVersionedEntity;
} // namespace zep::model

namespace zep::modelio {

/// The lines of one input file, without line ends.
using TLines = std::vector<std::string>;

/// The line indent that begins almost every heading and data line.
inline constexpr std::string_view kInd = "    ";
/// The model version quoted in the first title line (its trailing blank belongs to it).
inline constexpr std::string_view kVersionText = "12.10.1 ";
/// Put in a real column when the value cannot be converted to a number.
inline constexpr std::string_view kNumberError = "0#Error!";

// ---- Rendering ------------------------------------------------------------------------------

/// A real number as the model reads it: general format with 7 significant digits, "." as the
/// decimal separator whatever the locale; infinity and NaN become -1 (the model's "missing").
std::string RenderReal(double value);
/// As RenderReal(double); an empty optional stands for a value that could not be converted to
/// a number and renders as "0#Error!".
std::string RenderReal(std::optional<double> value);
/// A name as the model reads it, without padding: trimmed, apostrophes made blanks, converted
/// to CP850, cut to 13 characters and put in single quotes ("' '" when nothing is left).
std::string RenderName(std::string_view ansiName);
/// The number a property value stands for in a real column: empty and null give 0, booleans
/// 1 or 0; text that is not a number and object references give nothing ("0#Error!").
std::optional<double> NumberOf(const model::TValue& value);

// ---- Columns (each ends with its one blank) -------------------------------------------------

/// I: the integer right-justified in 8 characters, never cut.
std::string IntCol(std::int64_t value);
/// I for headings: the text right-justified in 8 characters, never cut.
std::string IntCol(std::string_view heading);
/// R: RenderReal right-justified in 10 characters, never cut.
std::string RealCol(double value);
std::string RealCol(std::optional<double> value);
/// W: as R in 14 characters.
std::string WideCol(double value);
std::string WideCol(std::optional<double> value);
/// N: RenderName left-justified in 15 characters: always 16 characters with the blank.
std::string NameCol(std::string_view ansiName);
/// T(w): right-justified in w characters and cut to its first w characters.
std::string RightText(int width, std::string_view text);
/// L(w): left-justified in w characters and cut to its first w characters.
std::string LeftText(int width, std::string_view text);
/// Q(w): the text trimmed, in CP850, cut to w-2 characters, quoted, then as L(w).
std::string QuotedText(int width, std::string_view ansiText);

/// Builds one line column by column, in the notation of the file layouts:
/// `TLine().Ind().I(zone.id).N(zone.name).Str()`.
class TLine {
public:
    TLine() = default;
    explicit TLine(std::string_view start) : text_(start) {}

    TLine& Ind() { return Text(kInd); }
    TLine& I(std::int64_t value);
    TLine& I(std::string_view heading) { return T(8, heading, false); }
    TLine& R(double value) { return Real(value, 10); }
    TLine& R(std::optional<double> value) { return Real(value, 10); }
    TLine& W(double value) { return Real(value, 14); }
    TLine& W(std::optional<double> value) { return Real(value, 14); }
    TLine& R(const model::TValue& value) { return R(NumberOf(value)); }
    TLine& W(const model::TValue& value) { return W(NumberOf(value)); }
    TLine& N(std::string_view name) { return Text(NameCol(name)); }
    TLine& T(int width, std::string_view text) { return T(width, text, true); }
    TLine& L(int width, std::string_view text) { return Text(LeftText(width, text)); }
    TLine& Q(int width, std::string_view text) { return Text(QuotedText(width, text)); }
    /// Literal text, e.g. the closing "/" or " /".
    TLine& Text(std::string_view text) {
        text_ += text;
        return *this;
    }

    const std::string& Str() const { return text_; }
    std::size_t Length() const { return text_.size(); }
    bool Empty() const { return text_.empty(); }

private:
    // Right-justified in `width`, cut to it when `cut`, then the blank.
    TLine& T(int width, std::string_view text, bool cut);
    TLine& Real(std::optional<double> value, int width);
    std::string text_;
};

// ---- Fixed lines ----------------------------------------------------------------------------

/// "*" + 73 hyphens + " /": closes every table section.
std::string SectionEndLine();

/// What the title block names; the scenario part is written only when `scenario` is set.
struct TTitleInfo {
    struct Scenario {
        std::string name;
        std::string description;
    };
    std::string title;
    std::string projectName;
    std::string projectDescription;
    std::optional<Scenario> scenario;
};

/// The first three lines of every input file.
TLines TitleBlock(const TTitleInfo& info);

/// The title block of a study-wide file (no scenario) or of a scenario's file.
TLines TitleBlock(std::string title, const model::TProject& project,
                  const model::TScenario* scenario);

// ---- File names -----------------------------------------------------------------------------

/// The 3-character code of a project or scenario name: trimmed and cut to 3 characters. Path
/// separators and NUL in it become "_", so that a name cannot place a file outside the
/// study's directory.
std::string NameCode(std::string_view name);

/// The path of an input file. `projectFileName` is the project file; its directory holds the
/// study-wide files and the scenarios' own directories. The base name is the upper-cased
/// prefix + project code + scenario code. With a scenario and `inScenarioDirectory` the file
/// goes to the subdirectory named by the scenario code. `extension` (with or without its ".")
/// replaces any extension of the result; empty keeps the base name as it is.
std::string InputFileName(std::string_view projectFileName, std::string_view projectName,
                          const std::string* scenarioName, std::string_view prefix,
                          bool inScenarioDirectory, std::string_view extension);

/// InputFileName for the project's file and name and the scenario's name (none: a study-wide
/// file).
std::string InputFileName(const model::TProject& project, const model::TScenario* scenario,
                          std::string_view prefix, bool inScenarioDirectory,
                          std::string_view extension);

// ---- Reading the study ----------------------------------------------------------------------

/// What a scenario's file reads for property `id`: the entity's own value for identity,
/// attribute and all-scenario properties (they are not versioned), else the value the scenario
/// sees (set there or inherited), else the default.
model::TValue ValueIn(const model::TVersionedEntity& entity, const model::TScenario* scenario,
                      std::int32_t id);
double FloatIn(const model::TVersionedEntity& entity, const model::TScenario* scenario,
               std::int32_t id);
/// A base read, the same for every scenario: the first of `ids` the entity holds itself; else
/// the first that resolves in the base scenario (where the study keeps its present values);
/// else `fallback`. Several ids serve a property declared both for all scenarios and per
/// scenario under one name.
model::TValue BaseValue(const model::TVersionedEntity& entity,
                        std::initializer_list<std::int32_t> ids, const model::TValue& fallback);
/// Whether a base read of `ids` finds a value of the entity's own or of the base scenario.
bool HoldsBaseValue(const model::TVersionedEntity& entity, std::initializer_list<std::int32_t> ids);

// ---- Saving ---------------------------------------------------------------------------------

/// Writes `lines`, each ended by CR LF, to `path` unless the file there already holds the same
/// lines (compared line by line, whatever its line ends), so that an unchanged file keeps its
/// time stamp. Missing directories are created. The new content goes to a temporary file
/// beside the target and is moved into place, so a failed write leaves the old file intact.
/// Returns true when the file was written. Failures raise EFCreateError or EWriteError.
bool SaveIfChanged(const std::string& path, const TLines& lines);

/// Writes `lines`, each ended by CR LF, to `path` whatever the file holds, without creating
/// directories (for files the model expects rewritten on every generation). Same safe
/// replacement and failures as SaveIfChanged.
void SaveLines(const std::string& path, const TLines& lines);

/// Reads a text file as lines, accepting CR LF, LF and CR line ends; a final line end does not
/// start another line.
TLines ReadLines(const std::string& path);

// ---- Progress -------------------------------------------------------------------------------

/// The progress label of a file section: file code + scenario name + " Section " + section,
/// e.g. SectionProgressText("P0E", "01A", "1 ") gives "P0E01A Section 1 ".
std::string SectionProgressText(std::string_view fileCode, std::string_view scenarioName,
                                std::string_view section);

/// Reports `done` of `count` items through the current message handler; nothing to do counts
/// as all done rather than dividing by zero.
void ReportProgress(const std::string& text, std::size_t done, std::size_t count);
/// Reports a fixed fraction (0..1) through the current message handler.
void ReportProgress(const std::string& text, double fraction);

} // namespace zep::modelio
