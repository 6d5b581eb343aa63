#include "foundation/OrvLogging.h"

#include <filesystem>
#include <fstream>
#include <regex>

#include <gtest/gtest.h>
#include <unistd.h>

namespace zep {
namespace {

class Recorder : public TAbstractLogHandler {
public:
    explicit Recorder(std::string tag, std::vector<std::string>* sink)
        : tag_(std::move(tag)), sink_(sink) {}
    void Publish(const TLogEntry& e) override {
        sink_->push_back(tag_ + ":" + LogLevelName(e.level) + ":" + e.loggerName + ":" + e.message);
        sequences.push_back(e.sequence);
    }
    std::vector<std::uint32_t> sequences;

private:
    std::string tag_;
    std::vector<std::string>* sink_;
};

class Throwing : public TAbstractLogHandler {
public:
    void Publish(const TLogEntry&) override { throw std::runtime_error("disk full"); }
};

// Every test starts from an empty registry, as a fresh process does.
class Loggers : public ::testing::Test {
protected:
    void SetUp() override { ReleaseLoggers(); }
    void TearDown() override { ReleaseLoggers(); }
};

TEST_F(Loggers, HierarchyIsCreatedOnceWithAncestors) {
    TLogger& abc = GetLogger("a.b.c");
    TLogger& ab = GetLogger("a.b");
    EXPECT_EQ(abc.Parent(), &ab);
    EXPECT_EQ(ab.Parent(), &GetLogger("a"));
    EXPECT_EQ(GetLogger("a").Parent(), &RootLogger());
    EXPECT_EQ(RootLogger().Parent(), nullptr);
    EXPECT_EQ(RootLogger().GetName(), "");
    EXPECT_EQ(&GetLogger("a.b.c"), &abc);
    EXPECT_EQ(abc.GetName(), "a.b.c");
    EXPECT_EQ(abc.GetLevel(), 0);
}

TEST_F(Loggers, EffectiveLevelAndPublishingUpToTheRoot) {
    std::vector<std::string> seen;
    auto root = std::make_shared<Recorder>("root", &seen);
    RootLogger().AddHandler(root);
    RootLogger().SetLevel(llWarning);
    GetLogger("a.b").SetLevel(llDebug);
    for (const char* n : {"a.b.c", "a.b", "a"})
        GetLogger(n).AddHandler(std::make_shared<Recorder>(n, &seen));
    GetLogger("a.b.c").AddHandler(std::make_shared<Recorder>("a.b.c#2", &seen));

    EXPECT_EQ(GetLogger("a.b.c").EffectiveLevel(), llDebug);
    EXPECT_EQ(GetLogger("a").EffectiveLevel(), llWarning);
    GetLogger("a.b.c").Debug("deep");
    GetLogger("a").Debug("dropped");
    GetLogger("a").Info("dropped too");
    GetLogger("a").Warning("up");
    GetLogger("x").Log(llFine, "dropped");
    EXPECT_EQ(seen, (std::vector<std::string>{"a.b.c:DEBUG:a.b.c:deep", "a.b.c#2:DEBUG:a.b.c:deep",
                                              "a.b:DEBUG:a.b.c:deep", "a:DEBUG:a.b.c:deep",
                                              "root:DEBUG:a.b.c:deep", "a:WARNING:a:up",
                                              "root:WARNING:a:up"}));
    // One entry per accepted message, numbered consecutively.
    ASSERT_EQ(root->sequences.size(), 2u);
    EXPECT_EQ(root->sequences[1], root->sequences[0] + 1);

    // A child's own level below its parent's is overridden; above it, it wins.
    GetLogger("a.b.c").SetLevel(llError);
    EXPECT_EQ(GetLogger("a.b.c").EffectiveLevel(), llDebug);
    GetLogger("a.b.c").SetLevel(llFine);
    EXPECT_EQ(GetLogger("a.b.c").EffectiveLevel(), llFine);
    RootLogger().SetLevel(llNone);
    EXPECT_FALSE(RootLogger().IsAccepted(llError));
}

TEST_F(Loggers, FormattingFailureAndHandlerFailure) {
    std::vector<std::string> seen;
    auto rec = std::make_shared<Recorder>("r", &seen);
    TLogger& l = GetLogger("fmt");
    l.SetLevel(llInfo);
    l.AddHandler(std::make_shared<Throwing>());
    l.AddHandler(rec);
    l.Info("%d nodes", {12});
    l.Info("%d nodes", {"twelve"});
    EXPECT_EQ(seen, (std::vector<std::string>{})); // the throwing handler comes first
    l.RemoveHandler(l.Handlers().front());
    l.Info("%d nodes", {12});
    l.Info("%d nodes", {"twelve"});
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "r:INFO:fmt:12 nodes",
                        "r:WARNING:fmt:Format '%d nodes' invalid or incompatible with argument"}));
}

TEST(LogLine, LayoutAndTimeStamp) {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 2;
    tm.tm_mday = 4;
    tm.tm_hour = 9;
    tm.tm_min = 5;
    tm.tm_sec = 7;
    tm.tm_isdst = -1;
    auto base = std::chrono::system_clock::from_time_t(std::mktime(&tm));
    EXPECT_EQ(FormatLogTime(base + std::chrono::milliseconds(5)), "2026-03-04 09:05:07.5");
    EXPECT_EQ(FormatLogTime(base + std::chrono::milliseconds(250)), "2026-03-04 09:05:07.250");
    EXPECT_EQ(FormatLogTime(base), "2026-03-04 09:05:07.0");
    TLogEntry e{42, base + std::chrono::milliseconds(31), llWarning, "ui.handler", "hello"};
    EXPECT_EQ(FormatLogLine(e), "00000042 2026-03-04 09:05:07.31 WARNING  ui.handler hello");
    e.level = llInfo;
    e.loggerName = "";
    EXPECT_EQ(FormatLogLine(e), "00000042 2026-03-04 09:05:07.31 INFO      hello");
    EXPECT_EQ(LogLevelName(0), "NONE");
    EXPECT_EQ(LogLevelName(5), "FINE");
}

TEST_F(Loggers, FileHandlerAppendsAndStartupConfiguration) {
    namespace fs = std::filesystem;
    std::string file =
        (fs::temp_directory_path() / ("zep_log_" + std::to_string(::getpid()) + ".LOG")).string();
    fs::remove(file);
    ConfigureLogging(file, {"project.zpz"});
    EXPECT_EQ(RootLogger().GetLevel(), llWarning);
    GetLogger("Link.TLinkList.Nearest").Info("not written");
    GetLogger("Link.TLinkList.Nearest").Error("first");
    ReleaseLoggers();
    ConfigureLogging(file, {"DeBuG"});
    EXPECT_EQ(RootLogger().GetLevel(), llDebug);
    GetLogger("x").Debug("second %s", {"line"});

    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    fs::remove(file);
    ASSERT_EQ(lines.size(), 2u);
    std::regex shape(R"(\d{8} \d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{1,3} (ERROR   |DEBUG   ) .*)");
    EXPECT_TRUE(std::regex_match(lines[0], shape)) << lines[0];
    EXPECT_TRUE(lines[0].ends_with(" ERROR    Link.TLinkList.Nearest first")) << lines[0];
    EXPECT_TRUE(lines[1].ends_with(" DEBUG    x second line")) << lines[1];
    EXPECT_EQ(std::stoul(lines[1].substr(0, 8)), std::stoul(lines[0].substr(0, 8)) + 1);
}

} // namespace
} // namespace zep
