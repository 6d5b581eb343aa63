#include "shell/AppSettings.h"

#include <QSettings>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace zep::shell {

namespace fs = std::filesystem;

namespace {

fs::path XdgDir(const char* variable, const char* fallback) {
    if (const char* v = std::getenv(variable); v && *v) return fs::path(v);
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : ".") / fallback;
}

} // namespace

std::string SettingsFileName() {
    return (XdgDir("XDG_CONFIG_HOME", ".config") / "Okkerwald" / "ZEP.ini").string();
}

std::string LogFileName() {
    const fs::path dir = XdgDir("XDG_STATE_HOME", ".local/state") / "Okkerwald";
    std::error_code ec;
    fs::create_directories(dir, ec);
    return (dir / "VARDEN.LOG").string();
}

void TRecentFiles::Load() {
    items_.clear();
    QSettings s(QString::fromStdString(file_), QSettings::IniFormat);
    s.beginGroup(kSection);
    for (std::size_t i = 0; i < kMax; ++i) {
        const QString v = s.value(QStringLiteral("File%1").arg(i + 1)).toString();
        if (v.isEmpty()) continue;
        const std::string name = v.toStdString();
        if (std::find(items_.begin(), items_.end(), name) == items_.end()) items_.push_back(name);
    }
}

void TRecentFiles::Save() const {
    QSettings s(QString::fromStdString(file_), QSettings::IniFormat);
    if (!s.isWritable()) return;
    s.remove(kSection);
    s.beginGroup(kSection);
    for (std::size_t i = 0; i < items_.size(); ++i)
        s.setValue(QStringLiteral("File%1").arg(i + 1), QString::fromStdString(items_[i]));
    s.endGroup();
    s.sync();
}

void TRecentFiles::Add(const std::string& fileName) {
    Remove(fileName);
    items_.insert(items_.begin(), fileName);
    if (items_.size() > kMax) items_.resize(kMax);
}

void TRecentFiles::Remove(const std::string& fileName) {
    std::erase(items_, fileName);
}

} // namespace zep::shell
