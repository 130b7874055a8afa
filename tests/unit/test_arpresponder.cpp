// The lab's ARP responder apart from its socket: which frames it takes for requests, the
// bytes of its replies, its command line, and when each reply goes out.
#include "tools/arpresponder/answerer.h"
#include "tools/arpresponder/arpframe.h"
#include "tools/arpresponder/options.h"
#include "tools/arpresponder/replyqueue.h"

#include <random>
#include <utility>

#include <gtest/gtest.h>

using namespace arpresponder;
using Bytes = std::vector<uint8_t>;
using std::chrono::milliseconds;

namespace {

// The tool host (02:42:c0:a8:32:0a, 192.168.50.10) asking who has 192.168.50.77, as its kernel
// sends it: broadcast, no padding.
const Bytes kRequest{0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x02, 0x42, 0xc0, 0xa8, 0x32, 0x0a, 0x08, 0x06,
                     0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x01,
                     0x02, 0x42, 0xc0, 0xa8, 0x32, 0x0a, 192, 168, 50, 10,
                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 192, 168, 50, 77};

// The answer to it as 02:00:5e:50:00:77.
const Bytes kReply{0x02, 0x42, 0xc0, 0xa8, 0x32, 0x0a, 0x02, 0x00, 0x5e, 0x50, 0x00, 0x77, 0x08, 0x06,
                   0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x02,
                   0x02, 0x00, 0x5e, 0x50, 0x00, 0x77, 192, 168, 50, 77,
                   0x02, 0x42, 0xc0, 0xa8, 0x32, 0x0a, 192, 168, 50, 10,
                   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

const Mac kToolMac{0x02, 0x42, 0xc0, 0xa8, 0x32, 0x0a};
const Mac kAnswerMac{0x02, 0x00, 0x5e, 0x50, 0x00, 0x77};

Bytes patched(Bytes frame, const std::vector<std::pair<size_t, uint8_t>>& patches)
{
    for (const auto& [at, value] : patches)
        frame[at] = value;
    return frame;
}

Bytes requestFor(uint8_t lastByte)
{
    return patched(kRequest, {{41, lastByte}});
}

} // namespace

TEST(ArpFrame, TakesOnlyWellFormedRequestsFromAUnicastAsker)
{
    struct Case
    {
        const char* name;
        Bytes frame;
        bool taken;
        Ipv4 senderIp;
    };
    Bytes padded = kRequest;
    padded.resize(60, 0);
    const std::vector<Case> cases{
        {"the kernel's request", kRequest, true, {192, 168, 50, 10}},
        {"padded to Ethernet's minimum", padded, true, {192, 168, 50, 10}},
        {"a probe from 0.0.0.0", patched(kRequest, {{28, 0}, {29, 0}, {30, 0}, {31, 0}}), true, {0, 0, 0, 0}},
        {"a reply", patched(kRequest, {{21, 2}}), false, {}},
        {"a reverse ARP request", patched(kRequest, {{21, 3}}), false, {}},
        {"an IPv4 frame", patched(kRequest, {{13, 0x00}}), false, {}},
        {"IEEE 802 hardware", patched(kRequest, {{15, 6}}), false, {}},
        {"IPv6 protocol", patched(kRequest, {{16, 0x86}, {17, 0xdd}}), false, {}},
        {"eight-byte hardware addresses", patched(kRequest, {{18, 8}}), false, {}},
        {"sixteen-byte protocol addresses", patched(kRequest, {{19, 16}}), false, {}},
        {"a group sender", patched(kRequest, {{22, 0x03}}), false, {}},
        {"an all-zero sender", patched(kRequest, {{22, 0}, {23, 0}, {24, 0}, {25, 0}, {26, 0}, {27, 0}}), false, {}},
        {"one byte short", Bytes(kRequest.begin(), kRequest.end() - 1), false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto request = parseRequest(c.frame.data(), c.frame.size());
        ASSERT_EQ(request.has_value(), c.taken);
        if (!c.taken)
            continue;
        EXPECT_EQ(request->senderMac, kToolMac);
        EXPECT_EQ(request->senderIp, c.senderIp);
        EXPECT_EQ(request->targetIp, (Ipv4{192, 168, 50, 77}));
    }
}

TEST(ArpFrame, NeverReadsPastAShortOrRandomFrame)
{
    EXPECT_FALSE(parseRequest(nullptr, 42));
    for (size_t length = 0; length < kRequest.size(); ++length) {
        // A copy of exactly that length: the sanitizers see a read past it.
        const Bytes cut(kRequest.begin(), kRequest.begin() + static_cast<long>(length));
        EXPECT_FALSE(parseRequest(cut.data(), cut.size())) << length;
    }
    // Random bytes behind a valid ARP header, of every length around the request's.
    std::mt19937 random(7);
    int taken = 0;
    for (int i = 0; i < 20000; ++i) {
        Bytes frame(random() % 80);
        for (uint8_t& b : frame)
            b = static_cast<uint8_t>(random());
        for (size_t k = 12; k < 22 && k < frame.size(); ++k)
            frame[k] = kRequest[k];
        const auto request = parseRequest(frame.data(), frame.size());
        if (!request)
            continue;
        ++taken;
        EXPECT_GE(frame.size(), 42u);
        EXPECT_EQ(request->senderMac[0] & 1, 0);
    }
    EXPECT_GT(taken, 0);
}

TEST(ArpFrame, ReplyIsUnicastToTheAskerAsTheAnsweringMac)
{
    ArpRequest probe;
    probe.senderMac = kToolMac;
    probe.targetIp = {192, 168, 50, 77};
    const std::vector<std::pair<ArpRequest, Bytes>> cases{
        {*parseRequest(kRequest.data(), kRequest.size()), kReply},
        // A probe's asker has no address yet: the reply goes back to 0.0.0.0 at its MAC.
        {probe, patched(kReply, {{38, 0}, {39, 0}, {40, 0}, {41, 0}})},
    };
    for (const auto& [request, expected] : cases) {
        const Bytes reply = buildReply(request, kAnswerMac);
        EXPECT_EQ(reply, expected);
        EXPECT_FALSE(parseRequest(reply.data(), reply.size())) << "a reply is never taken for a request";
    }
}

TEST(ArpText, MacAndAddressForms)
{
    const std::vector<std::pair<std::string, std::optional<Mac>>> macs{
        {"02:00:5e:50:00:77", kAnswerMac},
        {"02-00-5E-50-00-77", kAnswerMac},
        {"02:00:5e:50:00", std::nullopt},
        {"02:00:5e:50:00:7g", std::nullopt},
        {"02:00:5e:50:00:777", std::nullopt},
        {"02:00:5e:50:00:77 ", std::nullopt},
        {"0200.5e50.0077", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, mac] : macs)
        EXPECT_EQ(parseMac(text), mac) << text;
    EXPECT_EQ(macText(Mac{0x0a, 0xbc, 0xde, 0xf0, 0x01, 0xff}), "0a:bc:de:f0:01:ff");

    const std::vector<std::pair<std::string, std::optional<Ipv4>>> addresses{
        {"192.168.50.77", Ipv4{192, 168, 50, 77}},
        {"0.0.0.0", Ipv4{0, 0, 0, 0}},
        {"192.168.50", std::nullopt},
        {"192.168.50.256", std::nullopt},
        {"192.168.050.77", std::nullopt},
        {" 192.168.50.77", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, ip] : addresses)
        EXPECT_EQ(parseIpv4(text), ip) << text;
    EXPECT_EQ(ipv4Text(Ipv4{10, 0, 255, 1}), "10.0.255.1");
}

TEST(ArpOptions, CommandLines)
{
    const std::string longName(16, 'e');
    struct Case
    {
        std::vector<std::string> arguments;
        std::string error; // empty: accepted
    };
    const std::vector<Case> cases{
        {{"--interface", "eth0", "--answer", "192.168.50.77"}, ""},
        {{"--interface", "eth0", "--answer", "192.168.50.77", "--delay", "600000"}, ""},
        {{"--answer", "192.168.50.77"}, "no --interface given"},
        {{"--interface", "eth0"}, "no --answer given"},
        {{"--interface", "eth0", "--answer", "192.168.50.77,"}, "not an IPv4 address: ''"},
        {{"--interface", "eth0", "--answer", "192.168.50.300"}, "not an IPv4 address: '192.168.50.300'"},
        {{"--interface", "eth0", "--answer", "192.168.50.77", "--delay", "-1"}, "--delay takes milliseconds"},
        {{"--interface", "eth0", "--answer", "192.168.50.77", "--delay", "1.5"}, "--delay takes milliseconds"},
        {{"--interface", "eth0", "--answer", "192.168.50.77", "--delay", "600001"}, "--delay takes milliseconds"},
        {{"--interface", "eth0", "--answer", "192.168.50.77", "--delay"}, "--delay needs a value"},
        {{"--interface", "eth0", "--answer", "192.168.50.77", "--mac", "01:00:5e:00:00:01"}, "not a unicast MAC"},
        {{"--interface", "eth0", "--answer", "192.168.50.77", "--mac", "00:00:00:00:00:00"}, "not a unicast MAC"},
        {{"--interface", "eth0", "--answer", "192.168.50.77", "--mac", "02:00:5e"}, "not a unicast MAC"},
        {{"--interface", longName, "--answer", "192.168.50.77"}, "not an interface name"},
        {{"--interface", "eth0", "--answer", "192.168.50.77", "--ready-file", ""}, "--ready-file needs a file name"},
        {{"--interface", "eth0", "--answer", "192.168.50.77", "--verbose"}, "unknown argument '--verbose'"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto options = parseOptions(c.arguments, error);
        SCOPED_TRACE(c.arguments.back());
        EXPECT_EQ(options.has_value(), c.error.empty()) << error;
        if (!c.error.empty()) {
            EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        }
    }

    std::string error;
    const auto all = parseOptions({"--interface", "mv12", "--answer", "192.168.50.77,192.168.50.78", "--answer",
                                   "192.168.50.77", "--answer", "10.60.1.5", "--mac", "02:00:5e:50:00:77", "--delay",
                                   "300", "--exit-with-parent", "--ready-file", "/tmp/ready"},
                                  error);
    ASSERT_TRUE(all) << error;
    EXPECT_EQ(all->interfaceName, "mv12");
    EXPECT_EQ(all->answers, (std::vector<Ipv4>{{192, 168, 50, 77}, {192, 168, 50, 78}, {10, 60, 1, 5}}));
    EXPECT_EQ(all->mac, kAnswerMac);
    EXPECT_EQ(all->delayMs, 300);
    EXPECT_TRUE(all->exitWithParent);
    EXPECT_EQ(all->readyFile, "/tmp/ready");

    const auto plain = parseOptions({"--interface", "eth0", "--answer", "192.168.50.77"}, error);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->mac) << "the interface's own MAC by default";
    EXPECT_EQ(plain->delayMs, 0);
    EXPECT_FALSE(plain->exitWithParent);
    EXPECT_EQ(plain->readyFile, "");
}

TEST(ArpReplyQueue, EarliestFirstThenInTheOrderPushedAndBounded)
{
    const Clock::time_point t0{std::chrono::hours(1)};
    ReplyQueue queue(3);
    const auto pending = [&](uint8_t tag) { return PendingReply{ArpRequest{{}, {tag, 0, 0, 0}, {}}, t0}; };
    EXPECT_FALSE(queue.nextDue());
    EXPECT_TRUE(queue.push(t0 + milliseconds(5), pending(1)));
    EXPECT_TRUE(queue.push(t0 + milliseconds(5), pending(2)));
    EXPECT_TRUE(queue.push(t0 + milliseconds(3), pending(3)));
    EXPECT_FALSE(queue.push(t0 + milliseconds(1), pending(4))) << "a full queue drops";
    EXPECT_EQ(queue.nextDue(), t0 + milliseconds(3));
    EXPECT_TRUE(queue.takeDue(t0 + milliseconds(2)).empty());
    std::vector<int> order;
    for (const PendingReply& p : queue.takeDue(t0 + milliseconds(5)))
        order.push_back(p.request.senderIp[0]);
    EXPECT_EQ(order, (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(queue.size(), 0u);
    EXPECT_FALSE(queue.nextDue());
}

// Requests heard at different times, each answered 300 ms after its own: one waiting does not
// hold up another, and each line counts from its own request.
TEST(ArpAnswerer, EachRequestIsAnsweredAtItsOwnTime)
{
    const Clock::time_point t0{std::chrono::hours(1)};
    Answerer answerer({{192, 168, 50, 77}, {192, 168, 50, 78}}, milliseconds(300), kAnswerMac);
    struct Step
    {
        int atMs;
        int hearLastByte; // 0: hear nothing
        std::vector<std::string> sent;
    };
    const std::vector<Step> steps{
        {0, 77, {}},
        {0, 79, {}}, // not one of its addresses
        {100, 78, {}},
        {299, 0, {}},
        {300, 0, {"answered 192.168.50.77 for 192.168.50.10 as 02:00:5e:50:00:77 after 300 ms"}},
        {310, 77, {}},
        {450, 0, {"answered 192.168.50.78 for 192.168.50.10 as 02:00:5e:50:00:77 after 350 ms"}},
        {609, 0, {}},
        {610, 0, {"answered 192.168.50.77 for 192.168.50.10 as 02:00:5e:50:00:77 after 300 ms"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.atMs);
        const Clock::time_point now = t0 + milliseconds(step.atMs);
        if (step.hearLastByte) {
            const Bytes frame = requestFor(static_cast<uint8_t>(step.hearLastByte));
            answerer.hear(frame.data(), frame.size(), now);
            continue;
        }
        std::vector<std::string> lines;
        for (const OutgoingReply& reply : answerer.due(now)) {
            lines.push_back(reply.line);
            EXPECT_EQ(reply.frame, patched(kReply, {{31, reply.frame[31]}}));
        }
        EXPECT_EQ(lines, step.sent);
    }
    EXPECT_FALSE(answerer.nextDue());
    const Bytes reply = kReply;
    answerer.hear(reply.data(), reply.size(), t0);
    EXPECT_FALSE(answerer.nextDue()) << "a reply is heard, not answered";
}
