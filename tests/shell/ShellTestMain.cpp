// One QApplication on the offscreen platform for every window test, and a settings and state
// directory of the test's own so that the user's recently used files are never touched.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

class TQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const auto home = std::filesystem::temp_directory_path() /
                          ("zep-shell-home-" + std::to_string(::getpid()));
        std::filesystem::create_directories(home);
        home_ = home.string();
        ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "shell_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override {
        app_.reset();
        std::error_code ec;
        std::filesystem::remove_all(home_, ec);
    }

private:
    std::unique_ptr<QApplication> app_;
    std::string home_;
};

const auto* const env = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

} // namespace
