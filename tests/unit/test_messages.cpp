// The message sink: the text built with the system's words for an errno, a replaced sink
// taking every message while the terminal gets nothing, the default's lines on the streams the
// console always used, and reports from several threads while the sink changes.
#include "base/consoleline.h"
#include "base/messages.h"

#include <atomic>
#include <cerrno>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

using brenmoor::messages::Level;
using brenmoor::messages::Message;

namespace {

// Messages a replaced sink took, from any thread.
struct Taken
{
    std::mutex mutex;
    std::vector<Message> messages;

    brenmoor::messages::Sink sink()
    {
        return [this](const Message& message) {
            std::lock_guard<std::mutex> lock(mutex);
            messages.push_back(message);
        };
    }
};

// The default sink again at the end of each test, whatever it replaced.
class MessageSink : public testing::Test
{
protected:
    void TearDown() override { brenmoor::messages::setSink({}); }
};

} // namespace

TEST_F(MessageSink, AFailureCarriesTheSystemsWordsAndKeepsItsNumber)
{
    struct Case
    {
        Level level;
        const char* text;
        int errorNumber;
        const char* expected;
    };
    const Case cases[] = {
        {Level::Error, "Failed to create recv socket for enp1s0", EADDRINUSE,
         "Failed to create recv socket for enp1s0: Address already in use"},
        {Level::Error, "Failed to open UDP port 21089", EACCES, "Failed to open UDP port 21089: Permission denied"},
        {Level::Warning, "Cannot make the wake-up pipe", EMFILE, "Cannot make the wake-up pipe: Too many open files"},
        {Level::Info, "Failed to send via eth0", ENETUNREACH, "Failed to send via eth0: Network is unreachable"},
        {Level::Error, "", ENODEV, ": No such device"},
    };
    for (const Case& c : cases) {
        Taken taken;
        brenmoor::messages::setSink(taken.sink());
        brenmoor::messages::reportFailure(c.level, c.text, c.errorNumber);
        ASSERT_EQ(taken.messages.size(), 1u) << c.expected;
        EXPECT_EQ(taken.messages[0].level, c.level) << c.expected;
        EXPECT_EQ(taken.messages[0].text, c.expected);
        EXPECT_EQ(taken.messages[0].errorNumber, c.errorNumber) << c.expected;
    }
}

TEST_F(MessageSink, AReplacedSinkTakesEveryMessageAndTheTerminalNothing)
{
    Taken taken;
    EXPECT_FALSE(brenmoor::messages::setSink(taken.sink())) << "the default was in place";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    brenmoor::messages::report(Level::Info, "UDP MultiNIC stopped");
    brenmoor::messages::report(Level::Warning, "cam\x1b[2J"); // escaping is the console's business
    brenmoor::messages::report(Level::Error, "Failed to get network interfaces");
    brenmoor::messages::reportFailure(Level::Error, "Failed to open UDP port 52380", EADDRINUSE);
    brenmoor::messages::reportLines(Level::Info, "Interface: eth0\n  IP Address: 10.0.0.2\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    const std::vector<std::pair<Level, std::string>> expected = {
        {Level::Info, "UDP MultiNIC stopped"},
        {Level::Warning, "cam\x1b[2J"},
        {Level::Error, "Failed to get network interfaces"},
        {Level::Error, "Failed to open UDP port 52380: Address already in use"},
        {Level::Info, "Interface: eth0"},
        {Level::Info, "  IP Address: 10.0.0.2"},
    };
    ASSERT_EQ(taken.messages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(taken.messages[i].level, expected[i].first) << i;
        EXPECT_EQ(taken.messages[i].text, expected[i].second) << i;
        EXPECT_EQ(taken.messages[i].errorNumber, i == 3 ? EADDRINUSE : 0) << i;
    }
}

TEST_F(MessageSink, SettingASinkHandsBackTheOneItReplaces)
{
    Taken first;
    Taken second;
    brenmoor::messages::setSink(first.sink());
    const brenmoor::messages::Sink replaced = brenmoor::messages::setSink(second.sink());
    ASSERT_TRUE(replaced);
    replaced(Message{Level::Warning, "handed back", 0});
    brenmoor::messages::report(Level::Warning, "to the second");
    ASSERT_EQ(first.messages.size(), 1u);
    EXPECT_EQ(first.messages[0].text, "handed back");
    ASSERT_EQ(second.messages.size(), 1u);
    EXPECT_EQ(second.messages[0].text, "to the second");

    // Putting the replaced one back, then the default, hands back the second, then the first.
    EXPECT_TRUE(brenmoor::messages::setSink(replaced));
    const brenmoor::messages::Sink last = brenmoor::messages::setSink({});
    ASSERT_TRUE(last);
    last(Message{Level::Info, "first again", 0});
    EXPECT_EQ(first.messages.back().text, "first again");
    EXPECT_FALSE(brenmoor::messages::setSink({}));
}

TEST_F(MessageSink, TheDefaultWritesEachLineEscapedOnTheStreamOfItsLevel)
{
    struct Case
    {
        Level level;
        std::string text;
        int errorNumber; // 0: a plain report
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {Level::Info, "UDP MultiNIC initialized with 2 interfaces", 0, "UDP MultiNIC initialized with 2 interfaces\n",
         ""},
        {Level::Info, "", 0, "\n", ""},
        {Level::Info, "→ 扫描 eth0 (10.0.0.2)", 0, "→ 扫描 eth0 (10.0.0.2)\n", ""},
        {Level::Warning, "Ip:10.0.0.5conflict 00:11:22:33:44:55 66:77:88:99:aa:bb", 0,
         "Ip:10.0.0.5conflict 00:11:22:33:44:55 66:77:88:99:aa:bb\n", ""},
        {Level::Warning, "[WARNING] cam\n[OK] forged\x1b[2J", 0, "[WARNING] cam\\x0a[OK] forged\\x1b[2J\n", ""},
        {Level::Error, "Failed to get interface addresses", 0, "", "Failed to get interface addresses\n"},
        {Level::Error, "Receive handler failed: bad\x07", 0, "", "Receive handler failed: bad\\x07\n"},
        {Level::Error, "Failed to open UDP port 21089", EADDRINUSE, "",
         "Failed to open UDP port 21089: Address already in use\n"},
    };
    Taken taken;
    brenmoor::messages::setSink(taken.sink());
    brenmoor::messages::setSink({});
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        if (c.errorNumber != 0)
            brenmoor::messages::reportFailure(c.level, c.text, c.errorNumber);
        else
            brenmoor::messages::report(c.level, c.text);
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, c.out) << c.text;
        EXPECT_EQ(err, c.err) << c.text;
    }
    EXPECT_TRUE(taken.messages.empty()) << "the sink replaced by the default still took messages";
}

TEST_F(MessageSink, AListingBecomesOneMessagePerLine)
{
    struct Case
    {
        const char* what;
        std::string listing;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"nothing", "", {}},
        {"one line", "Interface: eth0\n", {"Interface: eth0"}},
        {"no newline at the end", "[OK] Valid subnet mask", {"[OK] Valid subnet mask"}},
        {"empty lines kept",
         "=== Network Configuration Validation ===\nGateway: 10.0.0.1\n\n[OK] Valid IP address format\n\n",
         {"=== Network Configuration Validation ===", "Gateway: 10.0.0.1", "", "[OK] Valid IP address format", ""}},
        {"only a newline", "\n", {""}},
        {"leading spaces kept",
         "  Netmask: 255.255.255.0\n  Broadcast Address: 10.0.0.255\n",
         {"  Netmask: 255.255.255.0", "  Broadcast Address: 10.0.0.255"}},
    };
    for (const Case& c : cases) {
        Taken taken;
        brenmoor::messages::setSink(taken.sink());
        brenmoor::messages::reportLines(Level::Info, c.listing);
        std::vector<std::string> texts;
        for (const Message& message : taken.messages) {
            EXPECT_EQ(message.level, Level::Info) << c.what;
            texts.push_back(message.text);
        }
        EXPECT_EQ(texts, c.lines) << c.what;
    }
}

TEST_F(MessageSink, ReportsFromSeveralThreadsEachReachOneSinkWhileItIsReplaced)
{
    constexpr int kThreads = 4;
    constexpr int kReports = 2000;
    std::atomic<int> first{0};
    std::atomic<int> second{0};
    const brenmoor::messages::Sink toFirst = [&](const Message&) { ++first; };
    const brenmoor::messages::Sink toSecond = [&](const Message&) { ++second; };
    brenmoor::messages::setSink(toFirst);
    std::atomic<bool> go{false};
    std::vector<std::thread> reporters;
    for (int t = 0; t < kThreads; ++t)
        reporters.emplace_back([&] {
            while (!go) { }
            for (int i = 0; i < kReports; ++i)
                brenmoor::messages::report(Level::Warning, "found");
        });
    go = true;
    for (int i = 0; i < 500; ++i)
        brenmoor::messages::setSink(i % 2 == 0 ? toSecond : toFirst);
    for (std::thread& reporter : reporters)
        reporter.join();
    EXPECT_EQ(first + second, kThreads * kReports);
}

// In a child process: the command-line tool's switch cannot be undone.
TEST(MessageSinkDeathTest, OnceTheProgressGoesToStandardErrorEveryLevelDoes)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            brenmoor::console::sendConsoleLinesToStandardError();
            testing::internal::CaptureStdout();
            brenmoor::messages::report(Level::Info, "progress");
            brenmoor::messages::report(Level::Warning, "found");
            brenmoor::messages::report(Level::Error, "failed");
            std::exit(testing::internal::GetCapturedStdout().empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "^progress\nfound\nfailed\n$");
}
