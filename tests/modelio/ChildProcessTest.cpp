// Line splitting against a character-at-a-time reference on random output cut into random
// blocks; child processes: exit codes, signals, programs that cannot start, and ending a
// program (and what it started) from the output handler or after SIGTERM is ignored.
#include <chrono>
#include <fstream>
#include <random>

#include <gtest/gtest.h>
#include <signal.h>

#include "modelio/OrvProcesses.h"
#include "modelio/Sha256.h"

namespace zep::modelio {
namespace {

// The rule as stated: LF ends a line; CR LF ends it after both; a CR before anything else
// ends it and that character starts the next line.
std::vector<std::string> ReferenceLines(const std::string& s) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < s.size(); ++i) {
        line += s[i];
        if (s[i] == '\n' || s[i] == '\r') {
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') line += s[++i];
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

TEST(LineSplitter, MatchesReferenceWhateverTheBlocks) {
    std::mt19937 random(7);
    const char alphabet[] = {'a', 'b', '\r', '\n', ' ', '\0'};
    for (int round = 0; round < 500; ++round) {
        std::string text;
        for (int i = 0, n = static_cast<int>(random() % 200); i < n; ++i)
            text += alphabet[random() % sizeof alphabet];
        std::vector<std::string> got;
        TLineSplitter splitter;
        const TOutputHandler emit = [&](const std::string& l) { got.push_back(l); };
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t n = std::min<std::size_t>(1 + random() % 7, text.size() - at);
            splitter.Feed(text.data() + at, n, emit);
            at += n;
        }
        splitter.Finish(emit);
        ASSERT_EQ(got, ReferenceLines(text)) << "round " << round;
    }
    // A counter that rewrites its line: each state is a line of its own ending in CR.
    std::vector<std::string> got;
    TLineSplitter s;
    const TOutputHandler emit = [&](const std::string& l) { got.push_back(l); };
    const std::string counter = "1 of 3\r2 of 3\r3 of 3\r\ndone";
    s.Feed(counter.data(), counter.size(), emit);
    s.Finish(emit);
    EXPECT_EQ(got, (std::vector<std::string>{"1 of 3\r", "2 of 3\r", "3 of 3\r\n", "done"}));
}

TEST(ChildProcess, ExitCodesSignalsAndStartFailures) {
    {
        TChildProcess c;
        c.Start(std::vector<std::string>{"/bin/sh", "-c", "echo out; echo err >&2; exit 3"});
        std::vector<std::string> lines;
        c.PumpOutput([&](const std::string& l) { lines.push_back(l); });
        EXPECT_EQ(lines, (std::vector<std::string>{"out\n", "err\n"})); // one pipe, in order
        EXPECT_TRUE(c.Eof());
        EXPECT_EQ(c.WaitForExit(), 3);
    }
    {
        TChildProcess c;
        c.Start(std::vector<std::string>{"/bin/sh", "-c", "kill -9 $$"});
        c.PumpOutput([](const std::string&) {});
        EXPECT_EQ(c.WaitForExit(), 128 + SIGKILL);
    }
    {
        TChildProcess c;
        try {
            c.Start("/nonexistent/GRAVO.EXE 00A");
            FAIL() << "started a missing program";
        } catch (const EChildProcessException& e) {
            EXPECT_EQ(std::string(e.what()).rfind("CreateProcess:", 0), 0u) << e.what();
        }
    }
    {
        TChildProcess c;
        c.SetWorkingDirectory("/");
        c.Start("pwd");
        std::string out;
        c.PumpOutput([&](const std::string& l) { out += l; });
        EXPECT_EQ(out, "/\n");
        EXPECT_EQ(c.WaitForExit(), 0);
    }
}

// Running, not a zombie waiting for a parent that reaps late.
bool Alive(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidText, name, state;
    if (!(stat >> pidText >> name >> state)) return false;
    return state != "Z" && state != "X";
}

TEST(ChildProcess, CancelEndsTheProgramAndWhatItStarted) {
    pid_t leader = -1, grandchild = -1;
    {
        TChildProcess c;
        c.Start(std::vector<std::string>{"/bin/sh", "-c", "sleep 60 & echo $!; wait"});
        leader = c.Pid();
        EXPECT_THROW(c.PumpOutput([&](const std::string& l) {
            grandchild = std::stoi(l);
            throw std::runtime_error("canceled");
        }),
                     std::runtime_error);
    } // the object ends the group
    ASSERT_GT(grandchild, 0);
    EXPECT_FALSE(Alive(leader));
    for (int i = 0; i < 100 && Alive(grandchild); ++i)
        usleep(10000); // the grandchild is reaped by init
    EXPECT_FALSE(Alive(grandchild));

    // A program that ignores SIGTERM is killed after the grace period.
    TChildProcess c;
    c.SetGracePeriod(std::chrono::milliseconds(100));
    c.Start(std::vector<std::string>{"/bin/sh", "-c", "trap '' TERM; echo ready; sleep 60"});
    const auto start = std::chrono::steady_clock::now();
    c.SetIdleHandler([] { throw std::runtime_error("not expected"); });
    c.PumpOutput([&](const std::string&) { c.Terminate(); });
    EXPECT_TRUE(c.Terminated());
    EXPECT_FALSE(Alive(c.Pid()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ChildProcess, IdleHandlerCancelsASilentProgram) {
    TChildProcess c;
    c.Start(std::vector<std::string>{"/bin/sleep", "60"});
    int calls = 0;
    c.SetIdleHandler(
        [&] {
            if (++calls == 2) throw std::runtime_error("canceled");
        },
        std::chrono::milliseconds(20));
    EXPECT_THROW(c.PumpOutput([](const std::string&) {}), std::runtime_error);
    const pid_t pid = c.Pid();
    c.Terminate();
    EXPECT_FALSE(Alive(pid));
}

TEST(Sha256, KnownDigests) {
    TSha256 a;
    a.Update("abc", 3);
    EXPECT_EQ(a.HexDigest(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    TSha256 b;
    const std::string million(1000000, 'a');
    for (std::size_t i = 0; i < million.size(); i += 999)
        b.Update(million.data() + i, std::min<std::size_t>(999, million.size() - i));
    EXPECT_EQ(b.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

} // namespace
} // namespace zep::modelio
