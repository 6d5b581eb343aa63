// Named, hierarchical loggers whose entries go to a log file or the debug console.
#pragma once

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Format.h"

namespace zep {

enum TLogLevel : int {
    llNone = 0,
    llError = 1,
    llWarning = 2,
    llInfo = 3,
    llDebug = 4,
    llFine = 5
};

/// "NONE", "ERROR", "WARNING", "INFO", "DEBUG", "FINE"; the number for any other level.
std::string LogLevelName(int level);

/// One accepted message. Sequence numbers are process-wide and start at 1.
struct TLogEntry {
    std::uint32_t sequence = 0;
    std::chrono::system_clock::time_point time;
    int level = 0;
    std::string loggerName;
    std::string message;
};

/// "yyyy-mm-dd hh:mm:ss.z" in local time, where z is the milliseconds without padding.
std::string FormatLogTime(std::chrono::system_clock::time_point time);
/// The log line "%8.8d %s %-8s %s %s": sequence, time, level name, logger name, message.
std::string FormatLogLine(const TLogEntry& entry);

class TAbstractLogHandler {
public:
    virtual ~TAbstractLogHandler() = default;
    virtual void Publish(const TLogEntry& entry) = 0;
};

/// Writes each line to the platform's debug output: standard error here.
class TDebugConsoleLogHandler : public TAbstractLogHandler {
public:
    void Publish(const TLogEntry& entry) override;
};

/// Appends each line to a file, opening and closing it per line so that the file is complete
/// whenever the program stops.
class TFileLogHandler : public TAbstractLogHandler {
public:
    explicit TFileLogHandler(std::string fileName) : fileName_(std::move(fileName)) {}
    void Publish(const TLogEntry& entry) override;
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};

using LogHandlerPtr = std::shared_ptr<TAbstractLogHandler>;

/// A logger of the registry. Its effective level is its own level unless the parent's
/// effective level is higher; accepted entries go to its handlers, then up to the root.
class TLogger {
public:
    TLogger(std::string name, TLogger* parent) : name_(std::move(name)), parent_(parent) {}
    TLogger(const TLogger&) = delete;
    TLogger& operator=(const TLogger&) = delete;

    /// Logs `text` when `level` is accepted; never raises.
    void Log(int level, const std::string& text);
    /// Formats, then logs; a format that does not fit its arguments logs the failure's message
    /// at WARNING instead.
    void LogFmt(int level, std::string_view format, std::initializer_list<FormatArg> args);
    void Error(const std::string& text) { Log(llError, text); }
    void Warning(const std::string& text) { Log(llWarning, text); }
    void Info(const std::string& text) { Log(llInfo, text); }
    void Debug(const std::string& text) { Log(llDebug, text); }
    void Error(std::string_view f, std::initializer_list<FormatArg> a) { LogFmt(llError, f, a); }
    void Warning(std::string_view f, std::initializer_list<FormatArg> a) {
        LogFmt(llWarning, f, a);
    }
    void Info(std::string_view f, std::initializer_list<FormatArg> a) { LogFmt(llInfo, f, a); }
    void Debug(std::string_view f, std::initializer_list<FormatArg> a) { LogFmt(llDebug, f, a); }

    const std::string& GetName() const { return name_; }
    TLogger* Parent() const { return parent_; }
    void SetLevel(int level) { level_ = level; }
    int GetLevel() const { return level_; }
    int EffectiveLevel() const;
    bool IsAccepted(int level) const { return EffectiveLevel() >= level; }
    void AddHandler(LogHandlerPtr handler);
    void RemoveHandler(const LogHandlerPtr& handler);
    const std::vector<LogHandlerPtr>& Handlers() const { return handlers_; }

private:
    std::string name_;
    TLogger* parent_;
    int level_ = 0;
    std::vector<LogHandlerPtr> handlers_;
};

/// The logger of a dotted name ("" is the root), created with its missing ancestors. The
/// registry owns every logger until ReleaseLoggers.
TLogger& GetLogger(const std::string& name);
TLogger& RootLogger();
/// Releases every logger (program end); later GetLogger calls start a fresh registry.
void ReleaseLoggers();

/// The start-up configuration: the root logs to `logFile` at WARNING, or at DEBUG when one of
/// `args` is the switch "debug" in any letter case.
void ConfigureLogging(const std::string& logFile, const std::vector<std::string>& args);

} // namespace zep
