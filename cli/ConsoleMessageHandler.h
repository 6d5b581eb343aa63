// The message handler of zep-cli: errors and the progress line on standard error.
#pragma once

#include <chrono>
#include <cstdio>

#include "foundation/OrvMessages.h"

namespace zep::cli {

/// Writes errors to standard error; status and progress lines go to standard error too so that
/// standard output stays clean for results. On a terminal the progress line is drawn in place.
class TConsoleMessageHandler : public TMessageHandler {
public:
    explicit TConsoleMessageHandler(std::FILE* out = stderr);
    void Error(const std::string& text) override;
    void Status(const std::string& text) override;
    void Progress(const std::string& text, double fraction) override;
    void ProgressDone() override;
    int Ask(const std::string& text, int buttons) override;
    void Fatal(const std::string& text) override;

private:
    void EndLine();
    std::FILE* out_;
    bool terminal_;
    bool lineOpen_ = false;
    std::chrono::steady_clock::time_point lastLogged_{};
};

} // namespace zep::cli
