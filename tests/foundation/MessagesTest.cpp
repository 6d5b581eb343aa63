#include "foundation/OrvMessages.h"

#include <limits>

#include <gtest/gtest.h>

#include "foundation/ORVGZipStreams.h"

namespace zep {
namespace {

// Records what reaches it; the progress clock is set by the test.
class Recording : public TMessageHandler {
public:
    explicit Recording(bool* destroyed = nullptr) : destroyed_(destroyed) {}
    ~Recording() override {
        if (destroyed_) *destroyed_ = true;
    }
    void Error(const std::string& t) override { log.push_back("E:" + t); }
    void Status(const std::string& t) override { log.push_back("S:" + t); }
    int Ask(const std::string& t, int) override { return mrYes; }
    void Fatal(const std::string& t) override { log.push_back("F:" + t); }
    double clockSeconds = 0;
    std::vector<std::string> log;

protected:
    std::chrono::system_clock::time_point Now() const override {
        return std::chrono::system_clock::time_point(std::chrono::milliseconds(
            static_cast<long long>(1'800'000'000'000 + clockSeconds * 1000)));
    }

private:
    bool* destroyed_;
};

TEST(MessageStack, PushPopAndOwnership) {
    TMessageHandler* bottom = CurrentMessageHandler();
    ASSERT_NE(dynamic_cast<TNullMessageHandler*>(bottom), nullptr);
    EXPECT_EQ(AskUser("?", mbYesNo), 0);

    Recording a, b;
    PushMessageHandler(&a);
    PushMessageHandler(&b);
    ShowError("to b");
    PopMessageHandler(&a); // removing from below the top leaves the top in place
    ShowStatus("still b");
    EXPECT_EQ(CurrentMessageHandler(), &b);
    EXPECT_EQ(AskUser("?", mbYesNo), mrYes);
    PopMessageHandler(nullptr); // b is not the stack's to destroy
    EXPECT_EQ(CurrentMessageHandler(), bottom);
    EXPECT_EQ(b.log, (std::vector<std::string>{"E:to b", "S:still b"}));
    EXPECT_TRUE(a.log.empty());

    bool destroyed = false;
    PushOwnedMessageHandler(new Recording(&destroyed));
    PopMessageHandler(nullptr);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(CurrentMessageHandler(), bottom);

    {
        ScopedMessageHandler scoped(a);
        ShowFatal("scoped");
    }
    EXPECT_EQ(a.log, (std::vector<std::string>{"F:scoped"}));

    // With the stack empty every report is dropped.
    PopMessageHandler(nullptr);
    EXPECT_EQ(CurrentMessageHandler(), nullptr);
    ShowError("nobody");
    ShowProgress("nobody", 0.5);
    EndProgress();
    EXPECT_EQ(AskUser("?", mbOK), mrNone);
    PopMessageHandler(nullptr);
    PushOwnedMessageHandler(new TNullMessageHandler);
}

// A loop may report every item: what the handler could not show differently is not passed on.
TEST(MessageStack, RepeatedProgressWithinAThousandthIsDroppedBeforeTheHandler) {
    class Counting : public TNullMessageHandler {
    public:
        void Progress(const std::string& text, double fraction) override {
            seen.push_back(text + "@" + std::to_string(fraction));
        }
        std::vector<std::string> seen;
    } counting;
    ScopedMessageHandler scoped(counting);
    for (int i = 0; i < 100000; ++i)
        ShowProgress("Reading", i / 100000.0);
    EXPECT_EQ(counting.seen.size(), 1001u); // steps 0 .. 1000 of a thousand
    const std::size_t before = counting.seen.size();
    ShowProgress("Writing", 1.0); // another text at the same step passes
    ShowProgress("Writing", 1.0);
    EndProgress();
    ShowProgress("Writing", 1.0); // after the end the same report starts a new run
    EXPECT_EQ(counting.seen.size(), before + 2);
}

std::string Line(char spin, const std::string& text, int bar, const std::string& elapsed,
                 const std::string& remaining) {
    return Format(
        "S:(%s) %20s [%-30s] %s  T-%s",
        {spin, text, std::string(static_cast<std::size_t>(bar), '#'), elapsed, remaining});
}

TEST(TextProgress, LineTimesAndSuppression) {
    Recording h;
    ScopedMessageHandler scoped(h);
    ShowProgress("Loading", 0);
    h.clockSeconds = 10;
    ShowProgress("Loading", 0.5);
    h.clockSeconds = 11;
    ShowProgress("Loading", 0.51); // same bar length: nothing
    ShowProgressValue(0.5);
    h.clockSeconds = 90000 + 11;
    ShowProgress("A text longer than thirty characters in all", 0.9999);
    EndProgress();
    // After ProgressDone the next call starts the clock again, whatever its fraction.
    h.clockSeconds = 90100;
    ShowProgress("again", 0.1);
    EXPECT_EQ(h.log, (std::vector<std::string>{
                         Line('-', "Loading", 0, "0:00:00", "FOREVER"),
                         Line('/', "Loading", 15, "0:00:10", "0:00:10"),
                         Line('|', "A text longer than thirty char", 30, "25:00:11", "0:00:09"),
                         "S:",
                         Line('/', "again", 3, "0:00:00", "0:00:00"),
                     }));
    EXPECT_EQ(h.log[0], "S:(-)              Loading [                              ] 0:00:00  "
                        "T-FOREVER");
}

TEST(TextProgress, TimeSpans) {
    EXPECT_EQ(FormatTimeSpan(0), "0:00:00");
    EXPECT_EQ(FormatTimeSpan(3725.5, true), "1:02:05.500");
    EXPECT_EQ(FormatTimeSpan(59.9994), "0:00:59");
    EXPECT_EQ(FormatTimeSpan(3 * 86400 + 61), "72:01:01");
    EXPECT_EQ(FormatTimeSpan(std::numeric_limits<double>::infinity()), "FOREVER");
}

TEST(ShowErrorResTest, StringTableAndFallbacks) {
    Recording h;
    ScopedMessageHandler scoped(h);
    RegisterResourceString(61001, "Node %d not found in %s");
    ShowErrorRes(61001, {7, "EXA"});
    ShowErrorRes(61001, {"seven"}); // does not fit: the raw string
    ShowErrorRes(61002, {1});       // no string: the number
    ShowErrorFmt("%d links", {"x"});
    ShowStatusFmt("%s of %d", {"1", 3});
    EXPECT_EQ(h.log,
              (std::vector<std::string>{"E:Node 7 not found in EXA", "E:Node %d not found in %s",
                                        "E:61002", "E:%d links", "S:1 of 3"}));
}

TEST(ExceptionText, MessageReturnAndClassName) {
    EXPECT_EQ(ExceptionDisplayText(EGZipError("corrupted data")), "corrupted data\r[EGZipError]");
    EXPECT_EQ(ExceptionDisplayText(Exception("plain")), "plain\r[Exception]");
    const std::string other = ExceptionDisplayText(std::runtime_error("boom"));
    EXPECT_TRUE(other.starts_with("boom\r[")) << other;
    EXPECT_TRUE(other.ends_with("]")) << other;

    Recording h;
    ScopedMessageHandler scoped(h);
    ShowException(EGZipError("corrupted header"));
    ShowException(std::bad_alloc());
    ASSERT_EQ(h.log.size(), 2u);
    EXPECT_EQ(h.log[0], "E:corrupted header\r[EGZipError]");
    EXPECT_TRUE(h.log[1].starts_with("F:")) << h.log[1];
}

} // namespace
} // namespace zep
