#include "cli/ConsoleMessageHandler.h"

#include <unistd.h>

#include "foundation/CodePages.h"

namespace zep::cli {

TConsoleMessageHandler::TConsoleMessageHandler(std::FILE* out)
    : out_(out), terminal_(::isatty(::fileno(out)) != 0),
      lastLogged_(std::chrono::steady_clock::now()) {}

void TConsoleMessageHandler::EndLine() {
    if (lineOpen_) {
        std::fputc('\n', out_);
        lineOpen_ = false;
    }
}

void TConsoleMessageHandler::Error(const std::string& text) {
    EndLine();
    std::fprintf(out_, "%s\n", AnsiToUtf8(text).c_str());
    std::fflush(out_);
}

void TConsoleMessageHandler::Fatal(const std::string& text) {
    Error(text);
}

void TConsoleMessageHandler::Status(const std::string& text) {
    EndLine();
    if (text.empty()) return;
    std::fprintf(out_, "%s\n", AnsiToUtf8(text).c_str());
    std::fflush(out_);
}

void TConsoleMessageHandler::Progress(const std::string& text, double fraction) {
    std::string line;
    if (!ProgressLine(text, fraction, line)) return;
    if (terminal_) {
        // Redraw in place; the line has a fixed layout so it always covers the previous one.
        std::fprintf(out_, "\r%s", AnsiToUtf8(line).c_str());
        lineOpen_ = true;
    } else {
        // A log or a pipe gets a line every few seconds at most, not every step of the bar.
        auto now = std::chrono::steady_clock::now();
        if (now - lastLogged_ < std::chrono::seconds(3)) return;
        lastLogged_ = now;
        std::fprintf(out_, "%s\n", AnsiToUtf8(line).c_str());
    }
    std::fflush(out_);
}

void TConsoleMessageHandler::ProgressDone() {
    lastBarLength_ = -1;
    started_ = false;
    if (lineOpen_) {
        std::fprintf(out_, "\r\033[K");
        lineOpen_ = false;
        std::fflush(out_);
    }
}

int TConsoleMessageHandler::Ask(const std::string& text, int buttons) {
    // Batch work has nobody to answer: say so and take the safe answer.
    EndLine();
    std::fprintf(out_, "%s\n", AnsiToUtf8(text).c_str());
    if (buttons & mbCancel) return mrCancel;
    if (buttons & mbNo) return mrNo;
    return mrOk;
}

} // namespace zep::cli
