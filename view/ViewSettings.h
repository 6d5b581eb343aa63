// The per-project view settings file: an INI file beside the project that remembers how the map
// was shown (view options, painters, colour maps, background drawings, the window).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zep::view {

/// An INI file held in memory, sections and keys in file order. Section and key names compare
/// without regard to letter case, as the settings files have always been read. Values are
/// single-line text; numbers are written in a locale-independent form that reads back exactly.
/// A section name cannot hold "]", nor a key "=" (nor start with ";" or "["): the file's form has
/// no way to write them.
///
/// The file read is the project file's name with the extension ".ini" or, when that does not
/// exist, the project file's name followed by ".opt" (the older name). Only the ".ini" is ever
/// written, by Flush, and only when the project file exists and the ".ini" can be written.
class TViewSettings {
public:
    /// A store in memory only; Flush never writes anything.
    TViewSettings();
    /// Reads the settings of the project `projectFile` (nothing when neither file exists or can
    /// be read).
    explicit TViewSettings(std::filesystem::path projectFile);

    /// The value of the key, or `def` when the section or the key is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    /// A decimal integer (or "$"/"0x" hexadecimal); `def` when missing, empty or not a number
    /// that fits.
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    /// A number written with "." whatever the locale; `def` when missing or not a finite number.
    double ReadDouble(std::string_view section, std::string_view key, double def) const;
    /// An integer (non-zero is true), else "true" or "yes" in any letter case; `def` when
    /// missing or empty.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    /// The "|"-separated values of the key; none when the key is missing or empty.
    std::vector<std::string> ReadValues(std::string_view section, std::string_view key) const;
    /// A list of lines stored with its line breaks replaced by "|" (a final "|" ends the last
    /// line and adds no empty one).
    std::vector<std::string> ReadStringList(std::string_view section, std::string_view key) const;
    /// The section's keys in file order; none when the section is missing.
    std::vector<std::string> Keys(std::string_view section) const;
    bool SectionExists(std::string_view section) const;

    /// Sets the key (adding the section and the key at their ends when new). A line break in
    /// the value would split the file's line, so each CR or LF becomes a blank.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    /// The shortest form that reads back as the same double, with "." whatever the locale.
    void WriteDouble(std::string_view section, std::string_view key, double value);
    /// "1" or "0".
    void WriteBool(std::string_view section, std::string_view key, bool value);
    /// The values joined by "|".
    void WriteValues(std::string_view section, std::string_view key,
                     const std::vector<std::string>& values);
    /// Each line followed by "|" (a line break inside a line becomes "|" as well).
    void WriteStringList(std::string_view section, std::string_view key,
                         const std::vector<std::string>& lines);
    /// Removes the section and all its keys.
    void EraseSection(std::string_view section);

    /// Writes the ".ini" (a temporary file renamed into place) when something changed since the
    /// last write, the project file exists and the file can be written; otherwise does nothing.
    /// Returns true when the file was written.
    bool Flush();

    /// The ".ini" that Flush writes ("" for a store in memory only).
    const std::filesystem::path& FileName() const { return iniFile_; }
    /// The whole store in the file's form.
    std::string Text() const;
    /// Replaces the whole store with the INI text.
    void SetText(std::string_view text);
    /// True when the store changed since it was read or last written.
    bool Modified() const { return modified_; }

private:
    struct TSection {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
        // Key in lower case -> position in keys: a colour map reads thousands of keys.
        std::unordered_map<std::string, std::size_t> index;

        const std::string* Find(std::string_view key) const;
        std::string* Find(std::string_view key) {
            return const_cast<std::string*>(std::as_const(*this).Find(key));
        }
        /// Adds the key unless present; true when added.
        bool Add(std::string key, std::string value);
    };
    const TSection* FindSection(std::string_view name) const;
    TSection& GetSection(std::string_view name);
    const std::string* Find(std::string_view section, std::string_view key) const;

    std::filesystem::path projectFile_;
    std::filesystem::path iniFile_;
    std::vector<TSection> sections_;
    bool modified_ = false;
    // The file exists but could not be read: writing would replace settings never seen.
    bool unreadable_ = false;
};

} // namespace zep::view
