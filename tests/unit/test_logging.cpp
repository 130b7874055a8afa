// The log statement convention: silent while the logger is empty, one formatted and flushed
// line per statement once InitSpdLog() ran, and a second InitSpdLog() failing.
#include "base/logging.h"

#include <ctime>
#include <gtest/gtest.h>
#include <regex>
#include <spdlog/spdlog.h>

using brenmoor::logging::sourceBaseName;

static_assert(sourceBaseName("a/b/c.cpp")[0] == 'c');

TEST(SourceBaseName, SlashFirstThenBackslashThenWhole)
{
    EXPECT_STREQ(sourceBaseName("/src/app/brenmoor.cpp"), "brenmoor.cpp");
    EXPECT_STREQ(sourceBaseName("a\\b\\c"), "c");
    EXPECT_STREQ(sourceBaseName("x/y\\z"), "y\\z");
    EXPECT_STREQ(sourceBaseName("plain.cpp"), "plain.cpp");
    EXPECT_STREQ(sourceBaseName("dir/"), "");
}

namespace {

int evaluations = 0;
int countedArgument()
{
    return ++evaluations;
}

std::string logFromLambda()
{
    testing::internal::CaptureStdout();
    [] { BM_LOG_INFO("inside {}", "lambda"); }();
    return testing::internal::GetCapturedStdout();
}

} // namespace

// One test on purpose: the logger is process-wide and is switched on exactly once.
TEST(Logging, OffUntilInitThenFormattedAndFlushedThenSecondInitFails)
{
    ASSERT_FALSE(gsdplog);
    testing::internal::CaptureStdout();
    BM_LOG_INFO("nothing {}", countedArgument());
    BM_LOG_ERROR("nothing either {}", countedArgument());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(evaluations, 0) << "arguments must not be evaluated while logging is off";

    InitSpdLog();
    ASSERT_TRUE(gsdplog);
    EXPECT_EQ(gsdplog->name(), "logger");
    EXPECT_EQ(gsdplog->level(), spdlog::level::info) << "the logger keeps spdlog's default threshold";
    EXPECT_EQ(spdlog::default_logger(), gsdplog);

    testing::internal::CaptureStdout();
    const std::time_t before = std::time(nullptr);
    const int line = __LINE__ + 1;
    BM_LOG_INFO("add mac{} ip{} type {}", "00:11:22:33:44:55", "192.168.1.5", 0);
    BM_LOG_ERROR("failed {}", "here");
    gsdplog->debug("below the threshold");
    const std::string out = testing::internal::GetCapturedStdout();

    const std::regex expected(
        R"(\[(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})\.\d{3}\] \[info\] \[test_logging\.cpp:)"
        + std::to_string(line)
        + R"(\] TestBody - add mac00:11:22:33:44:55 ip192\.168\.1\.5 type 0\n)"
          R"(\[[-0-9: .]{23}\] \[error\] \[test_logging\.cpp:\d+\] TestBody - failed here\n)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(out, match, expected)) << out;

    // The time stamp is local time.
    std::tm local{};
    localtime_r(&before, &local);
    EXPECT_EQ(std::stoi(match[1]), local.tm_year + 1900);
    EXPECT_EQ(std::stoi(match[4]), local.tm_hour);

    EXPECT_NE(logFromLambda().find("] operator() - inside lambda\n"), std::string::npos);

    // What a device sent travels in log statements: its controls arrive escaped.
    testing::internal::CaptureStdout();
    BM_LOG_INFO("rceive MAC:{} name {}", "00:11\x1b[2J", "cam\n[OK] forged\x07");
    const std::string hostile = testing::internal::GetCapturedStdout();
    EXPECT_NE(hostile.find("rceive MAC:00:11\\x1b[2J name cam\\x0a[OK] forged\\x07\n"), std::string::npos) << hostile;
    EXPECT_EQ(hostile.find('\x1b'), std::string::npos);

    const auto first = gsdplog;
    try {
        InitSpdLog();
        FAIL() << "a second InitSpdLog must fail";
    } catch (const spdlog::spdlog_ex& e) {
        EXPECT_STREQ(e.what(), "logger with name 'logger' already exists");
    }
    EXPECT_NE(gsdplog, first) << "the logger is replaced before registration fails";
}
