#include "foundation/OrvMessages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <vector>

namespace zep {
namespace {

struct StackEntry {
    TMessageHandler* handler;
    bool owned;
};

// Frees the handlers it owns at program end.
struct HandlerStack : std::vector<StackEntry> {
    HandlerStack() { push_back({new TNullMessageHandler, true}); }
    ~HandlerStack() {
        for (auto& e : *this)
            if (e.owned) delete e.handler;
    }
    HandlerStack(const HandlerStack&) = delete;
    HandlerStack& operator=(const HandlerStack&) = delete;
};

// The stack starts with one null handler, as the library does at start-up.
HandlerStack& Stack() {
    static HandlerStack stack;
    return stack;
}

std::map<int, std::string>& StringTable() {
    static std::map<int, std::string> table;
    return table;
}

} // namespace

std::string FormatTimeSpan(double seconds, bool milliseconds) {
    if (std::isinf(seconds) || std::isnan(seconds) || seconds > 1e15) return "FOREVER";
    if (seconds < 0) seconds = 0;
    auto totalMs = static_cast<long long>(std::floor(seconds * 1000.0 + 0.5));
    long long ms = totalMs % 1000;
    long long s = totalMs / 1000;
    long long hours = s / 3600, minutes = (s / 60) % 60, secs = s % 60;
    if (milliseconds) return Format("%d:%2.2d:%2.2d.%3.3d", {hours, minutes, secs, ms});
    return Format("%d:%2.2d:%2.2d", {hours, minutes, secs});
}

void TMessageHandler::Error(const std::string& text) {
    std::fputc('\a', stderr);
    std::fprintf(stderr, "Error: %s\n", text.c_str());
    std::fflush(stderr);
}

void TMessageHandler::Status(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool TMessageHandler::ProgressLine(const std::string& text, double fraction, std::string& line) {
    auto now = Now();
    if (fraction == 0 || !started_) {
        startTime_ = now;
        started_ = true;
    }
    int bar = static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * 30));
    if (bar == lastBarLength_) return false;
    double elapsed = std::chrono::duration<double>(now - startTime_).count();
    double remaining = fraction > 0 ? (1 - fraction) * elapsed / fraction
                                    : std::numeric_limits<double>::infinity();
    static const char spinner[] = "-\\|/";
    line =
        Format("(%s) %20s [%-30s] %s  T-%s", {spinner[bar % 4], text.substr(0, 30),
                                              std::string(static_cast<std::size_t>(bar), '#'),
                                              FormatTimeSpan(elapsed), FormatTimeSpan(remaining)});
    lastBarLength_ = bar;
    return true;
}

void TMessageHandler::Progress(const std::string& text, double fraction) {
    std::string line;
    if (ProgressLine(text, fraction, line)) Status(line);
}

void TMessageHandler::ProgressDone() {
    lastBarLength_ = -1;
    started_ = false;
    startTime_ = {};
    Status("");
}

int TMessageHandler::Ask(const std::string& text, int buttons) {
    std::fputc('\a', stderr);
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    return mrNone;
}

void TMessageHandler::Fatal(const std::string& text) {
    std::fputc('\a', stderr);
    std::fprintf(stderr, "Error: %s\n", text.c_str());
    std::fflush(stderr);
}

TMessageHandler* CurrentMessageHandler() {
    auto& s = Stack();
    return s.empty() ? nullptr : s.back().handler;
}

namespace {
// What the current handler was last shown, so that long loops may report every item: no
// handler shows finer than a thousandth, and a repeat of the same text and step is dropped.
struct TLastProgress {
    const TMessageHandler* handler = nullptr;
    std::string text;
    long step = 0;
};
TLastProgress& LastProgress() {
    static TLastProgress last;
    return last;
}
} // namespace

void PushMessageHandler(TMessageHandler* handler) {
    LastProgress().handler = nullptr;
    Stack().push_back({handler, false});
}
void PushOwnedMessageHandler(TMessageHandler* handler) {
    LastProgress().handler = nullptr;
    Stack().push_back({handler, true});
}

void PopMessageHandler(TMessageHandler* handler) {
    LastProgress().handler = nullptr;
    auto& s = Stack();
    StackEntry removed{nullptr, false};
    if (handler == nullptr) {
        if (s.empty()) return;
        removed = s.back();
        s.pop_back();
    } else {
        auto it = std::find_if(s.rbegin(), s.rend(),
                               [handler](const StackEntry& e) { return e.handler == handler; });
        if (it == s.rend()) return;
        removed = *it;
        s.erase(std::next(it).base());
    }
    // Only a handler the stack owns is destroyed: one pushed by its owner (often a local or
    // a window member) would otherwise be freed twice.
    if (removed.owned) delete removed.handler;
}

void ShowError(const std::string& text) {
    if (auto* h = CurrentMessageHandler()) h->Error(text);
}

namespace {
// Reporting never raises: a format that does not fit its arguments shows the raw format.
std::string FormatOrRaw(std::string_view format, std::initializer_list<FormatArg> args) {
    try {
        return Format(format, args);
    } catch (const std::exception&) {
        return std::string(format);
    }
}
} // namespace

void ShowErrorFmt(std::string_view format, std::initializer_list<FormatArg> args) {
    ShowError(FormatOrRaw(format, args));
}

void RegisterResourceString(int stringId, std::string text) {
    StringTable()[stringId] = std::move(text);
}

std::string LoadResourceString(int stringId) {
    auto& t = StringTable();
    auto it = t.find(stringId);
    return it == t.end() ? std::string() : it->second;
}

void ShowErrorRes(int stringId, std::initializer_list<FormatArg> args) {
    std::string fmt = LoadResourceString(stringId);
    if (fmt.empty()) fmt = std::to_string(stringId);
    ShowError(FormatOrRaw(fmt, args));
}

void ShowStatus(const std::string& text) {
    if (auto* h = CurrentMessageHandler()) h->Status(text);
}

void ShowStatusFmt(std::string_view format, std::initializer_list<FormatArg> args) {
    ShowStatus(FormatOrRaw(format, args));
}

void ShowProgress(std::string_view text, double fraction) {
    auto* h = CurrentMessageHandler();
    if (!h) return;
    TLastProgress& last = LastProgress();
    const long step = std::isfinite(fraction) ? std::lround(fraction * 1000) : -1;
    if (h == last.handler && step == last.step && text == last.text) return;
    last.handler = h;
    last.step = step;
    last.text.assign(text);
    h->Progress(last.text, fraction);
}

void ShowProgressValue(double fraction) {
    LastProgress().handler = nullptr;
    if (auto* h = CurrentMessageHandler()) h->ProgressValue(fraction);
}

void EndProgress() {
    LastProgress().handler = nullptr;
    if (auto* h = CurrentMessageHandler()) h->ProgressDone();
}

void ShowFatal(const std::string& text) {
    if (auto* h = CurrentMessageHandler()) h->Fatal(text);
}

void ShowException(const std::exception& e) {
    std::string text = ExceptionDisplayText(e);
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr)
        ShowFatal(text);
    else
        ShowError(text);
}

int AskUser(const std::string& text, int buttons) {
    if (auto* h = CurrentMessageHandler()) return h->Ask(text, buttons);
    return mrNone;
}

} // namespace zep
