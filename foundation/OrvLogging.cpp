#include "foundation/OrvLogging.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <map>

namespace zep {
namespace {

std::atomic<std::uint32_t> sequenceCounter{0};

// Sorted by name, as lookups and listings expect.
std::map<std::string, std::unique_ptr<TLogger>>& Registry() {
    static std::map<std::string, std::unique_ptr<TLogger>> registry;
    return registry;
}

} // namespace

std::string LogLevelName(int level) {
    static const char* const names[] = {"NONE", "ERROR", "WARNING", "INFO", "DEBUG", "FINE"};
    if (level >= 0 && level <= 5) return names[level];
    return std::to_string(level);
}

std::string FormatLogTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    auto sinceEpoch = time.time_since_epoch();
    auto secs = floor<seconds>(sinceEpoch);
    auto ms = duration_cast<milliseconds>(sinceEpoch - secs).count();
    std::time_t t = static_cast<std::time_t>(secs.count());
    std::tm local{};
    localtime_r(&t, &local);
    return Format("%4.4d-%2.2d-%2.2d %2.2d:%2.2d:%2.2d.%d",
                  {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min, local.tm_sec, static_cast<long long>(ms)});
}

std::string FormatLogLine(const TLogEntry& entry) {
    return Format("%8.8d %s %-8s %s %s",
                  {entry.sequence, FormatLogTime(entry.time), LogLevelName(entry.level),
                   entry.loggerName, entry.message});
}

void TDebugConsoleLogHandler::Publish(const TLogEntry& entry) {
    std::string line = FormatLogLine(entry) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void TFileLogHandler::Publish(const TLogEntry& entry) {
    std::FILE* f = std::fopen(fileName_.c_str(), "ab");
    if (f == nullptr) return;
    std::string line = FormatLogLine(entry) + "\n";
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
}

int TLogger::EffectiveLevel() const {
    if (parent_ == nullptr) return level_;
    int inherited = parent_->EffectiveLevel();
    return level_ >= inherited ? level_ : inherited;
}

void TLogger::Log(int level, const std::string& text) {
    try {
        if (!IsAccepted(level)) return;
        TLogEntry entry{++sequenceCounter, std::chrono::system_clock::now(), level, name_, text};
        for (TLogger* l = this; l != nullptr; l = l->parent_)
            for (const auto& h : l->handlers_)
                h->Publish(entry);
    } catch (...) {
        // Logging must never be the reason an operation fails.
    }
}

void TLogger::LogFmt(int level, std::string_view format, std::initializer_list<FormatArg> args) {
    std::string text;
    try {
        text = Format(format, args);
    } catch (const std::exception& e) {
        Log(llWarning, e.what());
        return;
    }
    Log(level, text);
}

void TLogger::AddHandler(LogHandlerPtr handler) {
    if (handler) handlers_.push_back(std::move(handler));
}

void TLogger::RemoveHandler(const LogHandlerPtr& handler) {
    std::erase(handlers_, handler);
}

TLogger& GetLogger(const std::string& name) {
    auto& reg = Registry();
    auto it = reg.find(name);
    if (it != reg.end()) return *it->second;
    TLogger* parent = nullptr;
    if (!name.empty()) {
        auto dot = name.rfind('.');
        parent = &GetLogger(dot == std::string::npos ? std::string() : name.substr(0, dot));
    }
    auto& slot = reg[name];
    slot = std::make_unique<TLogger>(name, parent);
    return *slot;
}

TLogger& RootLogger() {
    return GetLogger("");
}

void ReleaseLoggers() {
    Registry().clear();
}

void ConfigureLogging(const std::string& logFile, const std::vector<std::string>& args) {
    TLogger& root = RootLogger();
    root.AddHandler(std::make_shared<TFileLogHandler>(logFile));
    root.SetLevel(llWarning);
    for (const auto& a : args)
        if (SameText(a, "debug")) root.SetLevel(llDebug);
}

} // namespace zep
