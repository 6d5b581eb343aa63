// The message channel: errors, status lines and progress go to the handler on top of a
// process-wide stack, so the same code runs under the main window, a splash, or nothing.
#pragma once

#include <chrono>
#include <initializer_list>
#include <string>

#include "foundation/Format.h"

namespace zep {

/// Button flags for Ask (combinable) and the answers it returns.
enum MessageButtons : int {
    mbYes = 1,
    mbNo = 2,
    mbOK = 4,
    mbCancel = 8,
    mbAbort = 16,
    mbRetry = 32,
    mbIgnore = 64,
    mbYesNo = mbYes | mbNo,
    mbYesNoCancel = mbYes | mbNo | mbCancel,
    mbOKCancel = mbOK | mbCancel
};
enum ModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7
};

/// A receiver of errors, status lines and progress. The defaults suit a console: errors go to
/// standard error, status lines to standard output, progress as the text progress line.
class TMessageHandler {
public:
    TMessageHandler() = default;
    virtual ~TMessageHandler() = default;
    TMessageHandler(const TMessageHandler&) = delete;
    TMessageHandler& operator=(const TMessageHandler&) = delete;

    virtual void Error(const std::string& text);
    virtual void Status(const std::string& text);
    /// Reports `fraction` (0..1) of the work done, labelled `text`.
    virtual void Progress(const std::string& text, double fraction);
    virtual void ProgressValue(double fraction) { Progress("", fraction); }
    virtual void ProgressDone();
    /// Asks a question; returns the ModalResult of the button chosen (mrNone when nobody can
    /// answer).
    virtual int Ask(const std::string& text, int buttons);
    virtual void Fatal(const std::string& text);

protected:
    /// The clock of the progress line (replaceable in tests).
    virtual std::chrono::system_clock::time_point Now() const {
        return std::chrono::system_clock::now();
    }
    /// Builds the text progress line, or returns false when the bar did not move.
    bool ProgressLine(const std::string& text, double fraction, std::string& line);

    int lastBarLength_ = -1;
    std::chrono::system_clock::time_point startTime_{};
    bool started_ = false;
};

/// Drops every report; Ask answers 0. The bottom of the stack.
class TNullMessageHandler : public TMessageHandler {
public:
    void Error(const std::string&) override {}
    void Status(const std::string&) override {}
    void Progress(const std::string&, double) override {}
    void ProgressValue(double) override {}
    void ProgressDone() override {}
    int Ask(const std::string&, int) override { return 0; }
    void Fatal(const std::string&) override {}
};

/// A span of time as "%d:%2.2d:%2.2d" (whole hours, minutes, seconds), "FOREVER" when
/// infinite; with `milliseconds` the form "%d:%2.2d:%2.2d.%3.3d".
std::string FormatTimeSpan(double seconds, bool milliseconds = false);

/// The handler on top of the stack, or nullptr when the stack is empty.
TMessageHandler* CurrentMessageHandler();
/// Pushes `handler` (not owned) on the stack.
void PushMessageHandler(TMessageHandler* handler);
/// With a handler: removes that handler from the stack. With nullptr: removes the top handler.
/// A removed handler is destroyed when the stack owns it (PushOwnedMessageHandler).
void PopMessageHandler(TMessageHandler* handler = nullptr);
/// Pushes a handler the stack owns: PopMessageHandler(nullptr) destroys it.
void PushOwnedMessageHandler(TMessageHandler* handler);

void ShowError(const std::string& text);
void ShowErrorFmt(std::string_view format, std::initializer_list<FormatArg> args);
/// Looks up `stringId` in the string table (RegisterResourceString); formats with `args`,
/// falling back to the raw string when formatting fails and to the number when it is empty.
void ShowErrorRes(int stringId, std::initializer_list<FormatArg> args);
void ShowStatus(const std::string& text);
void ShowStatusFmt(std::string_view format, std::initializer_list<FormatArg> args);
/// Reports progress to the current handler; callers may report every item of a long loop
/// (repeats within the same thousandth are not passed on).
void ShowProgress(std::string_view text, double fraction);
void ShowProgressValue(double fraction);
void EndProgress();
void ShowFatal(const std::string& text);
/// Shows the display text of `e` ("%s\r[%s]"): through Fatal when memory ran out, where a
/// dialog of the usual kind may itself fail, through Error otherwise.
void ShowException(const std::exception& e);
int AskUser(const std::string& text, int buttons);

/// The string table used by ShowErrorRes.
void RegisterResourceString(int stringId, std::string text);
std::string LoadResourceString(int stringId);

/// Pushes a handler for the lifetime of a scope.
class ScopedMessageHandler {
public:
    explicit ScopedMessageHandler(TMessageHandler& h) : h_(&h) { PushMessageHandler(h_); }
    ~ScopedMessageHandler() { PopMessageHandler(h_); }
    ScopedMessageHandler(const ScopedMessageHandler&) = delete;
    ScopedMessageHandler& operator=(const ScopedMessageHandler&) = delete;

private:
    TMessageHandler* h_;
};

} // namespace zep
