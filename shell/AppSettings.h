// Where the application keeps what outlives a session: the settings file with the recently used
// files, and the log file.
#pragma once

#include <string>
#include <vector>

namespace zep::shell {

/// $XDG_CONFIG_HOME/Okkerwald/ZEP.ini (~/.config when unset).
std::string SettingsFileName();
/// $XDG_STATE_HOME/Okkerwald/VARDEN.LOG (~/.local/state when unset): the program's directory
/// is not writable on Linux. The directory is created.
std::string LogFileName();

/// The most recently used files, newest first, at most kMax, without duplicates; kept in the
/// settings file's section "MRU Items".
class TRecentFiles {
public:
    static constexpr std::size_t kMax = 8;
    static constexpr const char* kSection = "MRU Items";

    explicit TRecentFiles(std::string settingsFile) : file_(std::move(settingsFile)) {}
    /// Reads the list (empty when the file or section is missing).
    void Load();
    /// Writes the list; a settings file that cannot be written is left alone.
    void Save() const;
    /// Moves or adds the name to the front and drops the oldest beyond kMax.
    void Add(const std::string& fileName);
    void Remove(const std::string& fileName);
    const std::vector<std::string>& Items() const { return items_; }

private:
    std::string file_;
    std::vector<std::string> items_;
};

} // namespace zep::shell
