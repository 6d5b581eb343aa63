// What the window tests share: the application on the offscreen platform, a message handler
// that answers questions from a script and keeps what it was told, and studies on disk.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "files/PrjFile.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/SampleStudy.h"

namespace zep::shell::test {

/// Answers Ask from `answers` (Cancel when they run out) and records errors and questions.
class TScriptedHandler : public TMessageHandler {
public:
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    std::deque<int> answers;

    void Error(const std::string& text) override { errors.push_back(text); }
    void Status(const std::string&) override {}
    void Progress(const std::string&, double) override {}
    void ProgressValue(double) override {}
    void ProgressDone() override {}
    int Ask(const std::string& text, int) override {
        questions.push_back(text);
        if (answers.empty()) return mrCancel;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    void Fatal(const std::string& text) override { errors.push_back(text); }
};

/// A fresh directory under the system's temporary directory, removed at the end of the test.
class TTempDir {
public:
    TTempDir() {
        static int n = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("zep-shell-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

/// Writes the sample study to `file` (any project form by its extension).
inline void WriteSample(const std::string& file) {
    model::TProject p;
    model::BuildSampleStudy(p);
    files::SaveProject(file, p);
}

} // namespace zep::shell::test
