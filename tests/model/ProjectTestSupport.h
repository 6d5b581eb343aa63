// Helpers for the project tests: commands on the project's undo set, captured log lines and
// progress reports, and the consistency assertion.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/OrvLogging.h"
#include "foundation/OrvMessages.h"
#include "model/Consistency.h"
#include "model/Project.h"
#include "undo/CMDStk_.h"

namespace zep::model::test {

/// Fails the test with the list of problems when the study is not consistent.
#define EXPECT_CONSISTENT(project) EXPECT_EQ("", ::zep::model::ConsistencyReport(project))

/// "" when the texts are equal, else the first differing line of each (dumps are long).
inline std::string FirstDifference(const std::string& a, const std::string& b) {
    std::size_t pa = 0, pb = 0, line = 1;
    while (pa < a.size() || pb < b.size()) {
        const std::size_t ea = std::min(a.find('\n', pa), a.size());
        const std::size_t eb = std::min(b.find('\n', pb), b.size());
        const std::string la = a.substr(pa, ea - pa), lb = b.substr(pb, eb - pb);
        if (la != lb || (ea == a.size()) != (eb == b.size()))
            return "line " + std::to_string(line) + ": '" + la + "' / '" + lb + "'";
        pa = ea + 1;
        pb = eb + 1;
        ++line;
    }
    return "";
}

/// Expects two canonical dumps to be equal, reporting only the first difference.
#define EXPECT_SAME_DUMP(a, b) EXPECT_EQ("", ::zep::model::test::FirstDifference(a, b))

/// Runs edits as named commands of the project and undoes them again.
class TCommands {
public:
    explicit TCommands(TProject& project) : project_(project) {}
    ~TCommands() { undo::SetCurrentUndoSet(nullptr); }
    void Run(const std::string& name, const std::function<void()>& edit) {
        undo::RunCommand(&project_.UndoSet(), stack_, name, edit);
    }
    void UndoTop() { stack_.UndoTop(); }
    void UndoAll() {
        while (stack_.TopCommand())
            stack_.UndoTop();
    }
    std::size_t Count() const { return stack_.Count(); }

private:
    TProject& project_;
    undo::TCommandStack stack_;
};

/// Collects the messages of one logger (at DEBUG) while alive.
class TLogCapture {
public:
    explicit TLogCapture(const std::string& logger) : logger_(GetLogger(logger)) {
        savedLevel_ = logger_.GetLevel();
        logger_.SetLevel(llDebug);
        handler_ = std::make_shared<THandler>();
        logger_.AddHandler(handler_);
    }
    ~TLogCapture() {
        logger_.RemoveHandler(handler_);
        logger_.SetLevel(savedLevel_);
    }
    const std::vector<std::string>& Lines() const { return handler_->lines; }
    std::size_t CountOf(const std::string& line) const {
        std::size_t n = 0;
        for (const std::string& l : handler_->lines)
            n += l == line;
        return n;
    }

private:
    struct THandler : TAbstractLogHandler {
        void Publish(const TLogEntry& e) override { lines.push_back(e.message); }
        std::vector<std::string> lines;
    };
    TLogger& logger_;
    int savedLevel_;
    std::shared_ptr<THandler> handler_;
};

/// Collects progress reports and errors while it is the current message handler.
class TProgressCapture : public TMessageHandler {
public:
    TProgressCapture() { PushMessageHandler(this); }
    ~TProgressCapture() override { PopMessageHandler(this); }
    void Progress(const std::string& text, double fraction) override {
        reports.emplace_back(text, fraction);
    }
    void ProgressDone() override { ++done; }
    void Error(const std::string& text) override { errors.push_back(text); }
    void Status(const std::string&) override {}
    /// The fractions reported with `text`, in order.
    std::vector<double> Fractions(const std::string& text) const {
        std::vector<double> v;
        for (const auto& [t, f] : reports)
            if (t == text) v.push_back(f);
        return v;
    }
    std::vector<std::pair<std::string, double>> reports;
    std::vector<std::string> errors;
    int done = 0;
};

} // namespace zep::model::test
