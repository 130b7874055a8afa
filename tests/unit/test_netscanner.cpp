// The neighbour scanner's pure parts: arp -an lines, netlink neighbour dumps, the prefix
// test, interface collection and ordering, and the sweep / read / merge sequence.
#include "net/arpcommand.h"
#include "net/interfacerules.h"
#include "net/neighbourtable.h"
#include "net/netscanner.h"
#include "net/reversepathfilter.h"
#include "tests/support/fakeifaddrs.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <unistd.h>
#include <algorithm>
#include <map>

using brenmoor::test::FakeInterfaces;
namespace net = brenmoor::net;

TEST(ArpCommandLine, TakesCompleteEntriesOnly)
{
    struct Case { const char* line; const char* ip; const char* mac; };
    const Case cases[] = {
        // captured from the lab's tool host
        {"? (192.168.50.22) at 02:00:5e:50:00:22 [ether] on en0\n", "192.168.50.22", "02:00:5e:50:00:22"},
        {"? (10.60.1.31) at 02:00:5e:60:01:31 [ether] on en1\n", "10.60.1.31", "02:00:5e:60:01:31"},
        {"? (192.168.50.1) at <incomplete> on en0\n", nullptr, nullptr},
        // the BSD form, with and without zero-filled parts
        {"? (192.168.1.1) at 00:11:22:33:44:55 on en0 ifscope [ethernet]", "192.168.1.1", "00:11:22:33:44:55"},
        {"? (192.168.1.2) at 0:11:22:33:4:55 on en0 ifscope [ethernet]", nullptr, nullptr},
        {"? (192.168.1.3) at 00:11:22:AA:BB:CC [ether] on en0", nullptr, nullptr},
        {"? (192.168.1.4) at (incomplete) on en0 ifscope [ethernet]", nullptr, nullptr},
        {"gateway (10.0.0.1)   at   aa:bb:cc:dd:ee:ff", "10.0.0.1", "aa:bb:cc:dd:ee:ff"},
        {"", nullptr, nullptr},
        {"(((((((((((((((", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        std::string ip = "-";
        std::string mac = "-";
        const bool found = net::parseArpLine(c.line, ip, mac);
        EXPECT_EQ(found, c.ip != nullptr) << c.line;
        if (found && c.ip) {
            EXPECT_EQ(ip, c.ip);
            EXPECT_EQ(mac, c.mac);
        }
    }
}

TEST(NeighbourMapRules, PrefixMatchesWholeComponentsAndMacMustBeSeventeenCharacters)
{
    EXPECT_TRUE(net::matchesPrefix("192.168.1.7", "192.168.1"));
    EXPECT_FALSE(net::matchesPrefix("192.168.10.7", "192.168.1")) << "another subnet";
    EXPECT_FALSE(net::matchesPrefix("192.168.1", "192.168.1"));
    EXPECT_TRUE(net::matchesPrefix("10.0.0.1", ""));

    NeighbourMap map;
    net::addNeighbour(map, "10.0.0", "aa:bb:cc:dd:ee:ff", "10.0.0.5");
    net::addNeighbour(map, "10.0.0", "aa:bb:cc:dd:ee:f", "10.0.0.6");
    net::addNeighbour(map, "10.0.0", "11:22:33:44:55:66", "10.0.1.6");
    net::addNeighbour(map, "10.0.0", "aa:bb:cc:dd:ee:ff", "10.0.0.9"); // the same host at a second address
    net::addNeighbour(map, "10.0.0", "aa:bb:cc:dd:ee:ff", "10.0.0.9"); // once
    EXPECT_EQ(map, (NeighbourMap{{"aa:bb:cc:dd:ee:ff", "10.0.0.5"}, {"aa:bb:cc:dd:ee:ff", "10.0.0.9"}}));
    EXPECT_EQ(net::hostCount(map), 1u);

    const unsigned char bytes[6] = {0x0a, 0x1b, 0x2c, 0x03, 0x00, 0xff};
    EXPECT_EQ(net::formatMac(bytes), "0a:1b:2c:03:00:ff");
}

namespace {

// Builds netlink neighbour messages as the kernel sends them.
class NeighbourDump
{
public:
    NeighbourDump& entry(const char* ip, std::vector<unsigned char> lladdr, uint16_t state,
                         unsigned char family = AF_INET)
    {
        std::vector<unsigned char> attrs;
        in_addr address{};
        inet_pton(AF_INET, ip, &address);
        attribute(attrs, NDA_DST, reinterpret_cast<unsigned char*>(&address), 4);
        if (!lladdr.empty())
            attribute(attrs, NDA_LLADDR, lladdr.data(), lladdr.size());
        ndmsg neighbour{};
        neighbour.ndm_family = family;
        neighbour.ndm_state = state;
        std::vector<unsigned char> body(NLMSG_ALIGN(sizeof neighbour));
        std::memcpy(body.data(), &neighbour, sizeof neighbour);
        body.insert(body.end(), attrs.begin(), attrs.end());
        message(RTM_NEWNEIGH, body);
        return *this;
    }
    NeighbourDump& done()
    {
        message(NLMSG_DONE, std::vector<unsigned char>(4, 0));
        return *this;
    }
    std::vector<unsigned char> bytes;

private:
    static void attribute(std::vector<unsigned char>& out, uint16_t type, const unsigned char* data, size_t len)
    {
        rtattr header{};
        header.rta_len = static_cast<unsigned short>(RTA_LENGTH(len));
        header.rta_type = type;
        const size_t start = out.size();
        out.resize(start + RTA_SPACE(len), 0);
        std::memcpy(out.data() + start, &header, sizeof header);
        std::memcpy(out.data() + start + RTA_LENGTH(0), data, len);
    }
    void message(uint16_t type, const std::vector<unsigned char>& body)
    {
        nlmsghdr header{};
        header.nlmsg_len = static_cast<uint32_t>(NLMSG_LENGTH(body.size()));
        header.nlmsg_type = type;
        const size_t start = bytes.size();
        bytes.resize(start + NLMSG_SPACE(body.size()), 0);
        std::memcpy(bytes.data() + start, &header, sizeof header);
        std::memcpy(bytes.data() + start + NLMSG_HDRLEN, body.data(), body.size());
    }
};

NeighbourMap parse(const std::vector<unsigned char>& bytes, net::DumpStatus* status = nullptr)
{
    NeighbourMap map;
    const auto result = net::parseNeighbourDump(bytes.data(), bytes.size(),
                                                [&](const std::string& ip, const std::string& mac) { net::addPair(map, mac, ip); });
    if (status)
        *status = result;
    return map;
}

} // namespace

TEST(NeighbourDumpParser, KeepsResolvedIpv4EntriesWithSixByteAddresses)
{
    const std::vector<unsigned char> mac1{0x02, 0, 0x5e, 0x50, 0, 0x21};
    NeighbourDump dump;
    dump.entry("192.168.50.21", mac1, NUD_REACHABLE)
        .entry("192.168.50.22", {0x02, 0, 0x5e, 0x50, 0, 0x22}, NUD_STALE)
        .entry("192.168.50.23", {0x02, 0, 0x5e, 0x50, 0, 0x23}, NUD_PERMANENT)
        .entry("192.168.50.1", {}, NUD_INCOMPLETE)
        .entry("192.168.50.2", {0, 0, 0, 0, 0, 0}, NUD_FAILED)
        .entry("192.168.50.3", {0, 0, 0, 0, 0, 0}, NUD_INCOMPLETE)
        .entry("192.168.50.4", {0x02, 0, 0, 0, 0, 4}, NUD_NOARP)
        .entry("192.168.50.5", {0x02, 0, 0, 0}, NUD_REACHABLE)
        .entry("192.168.50.6", {0x02, 0, 0, 0, 0, 6}, NUD_REACHABLE, AF_INET6)
        .done();
    net::DumpStatus status{};
    EXPECT_EQ(parse(dump.bytes, &status), (NeighbourMap{{"02:00:5e:50:00:21", "192.168.50.21"},
                                                        {"02:00:5e:50:00:22", "192.168.50.22"},
                                                        {"02:00:5e:50:00:23", "192.168.50.23"}}));
    EXPECT_EQ(status, net::DumpStatus::Done);
}

TEST(NeighbourDumpParser, TruncatedOrMalformedDataEndsTheReadWithoutHarm)
{
    NeighbourDump dump;
    dump.entry("10.0.0.1", {1, 2, 3, 4, 5, 6}, NUD_REACHABLE).entry("10.0.0.2", {1, 2, 3, 4, 5, 7}, NUD_REACHABLE);
    net::DumpStatus status{};
    EXPECT_EQ(parse(dump.bytes, &status).size(), 2u);
    EXPECT_EQ(status, net::DumpStatus::More) << "no NLMSG_DONE yet";

    for (size_t cut = 0; cut < dump.bytes.size(); ++cut) {
        const std::vector<unsigned char> part(dump.bytes.begin(), dump.bytes.begin() + static_cast<long>(cut));
        EXPECT_LE(parse(part).size(), 1u) << "cut at " << cut;
    }
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::vector<unsigned char> noise(random() % 200);
        for (auto& b : noise)
            b = static_cast<unsigned char>(random());
        parse(noise); // must neither crash nor read out of bounds (checked under ASan)
    }
}

// The Apple rules: VPN and peer-to-peer links are known by their names.
TEST(ScannerInterfaces, AppleRulesFilterAndOrderEn0En1ThenByName)
{
    constexpr unsigned kDown = IFF_UP; // up but not running
    FakeInterfaces fake;
    fake.ipv4("bridge0", "10.1.0.2", "255.255.255.0")
        .ipv4("en1", "10.2.0.2", "255.255.255.0")
        .ipv4("en5", "10.3.0.2", "")
        .ipv4("en0", "10.4.0.2", "255.255.255.0")
        .ipv4("lo0", "10.5.0.2", "255.0.0.0")
        .ipv4("lo", "127.0.0.1", "255.0.0.0", FakeInterfaces::kUp | IFF_LOOPBACK)
        .ipv4("utun3", "10.6.0.2", "255.255.255.0")
        .ipv4("awdl0", "10.7.0.2", "255.255.255.0")
        .ipv4("xutun0", "10.8.0.2", "255.255.255.0")
        .ipv4("en7", "169.254.3.4", "255.255.0.0")
        .ipv4("en8", "10.169.254.7", "255.255.255.0")
        .ipv4("en9", "10.9.0.2", "255.255.255.0", kDown)
        .ipv6("en2")
        .ipv4("bridge0", "10.1.9.9", "255.255.255.0"); // a second address of bridge0
    NetScanner scanner(fake.source(), ScanActions(), net::InterfaceRules::Apple);
    std::vector<std::string> order;
    for (const ScanInterface& iface : scanner.interfaces())
        order.push_back(iface.name + " " + iface.ip + " " + iface.prefix + " " + iface.mask);
    // Every address is swept, each with its own network; only 169.254.0.0/16 is link-local.
    EXPECT_EQ(order, (std::vector<std::string>{"en0 10.4.0.2 10.4.0 255.255.255.0", "en1 10.2.0.2 10.2.0 255.255.255.0",
                                               "bridge0 10.1.0.2 10.1.0 255.255.255.0",
                                               "bridge0 10.1.9.9 10.1.9 255.255.255.0",
                                               "en5 10.3.0.2 10.3.0 255.255.255.0",
                                               "en8 10.169.254.7 10.169.254 255.255.255.0",
                                               "xutun0 10.8.0.2 10.8.0 255.255.255.0"}));
}

namespace {

net::Neighbour neighbour(const char* ip, const char* mac, unsigned ifIndex, bool reachable,
                         std::optional<int> confirmedSecondsAgo = std::nullopt, bool resolved = true)
{
    net::Neighbour entry;
    entry.ip = ip;
    entry.mac = mac;
    entry.ifIndex = ifIndex;
    entry.resolved = resolved;
    entry.reachable = reachable;
    if (confirmedSecondsAgo)
        entry.confirmedAge = std::chrono::seconds(*confirmedSecondsAgo);
    return entry;
}

} // namespace

TEST(ScannerRun, SweepsEveryAddressAtOncePausesOnceAndTakesOnlyFreshEntriesOfEachLink)
{
    FakeInterfaces fake;
    fake.ipv4("en1", "10.0.0.5", "255.255.255.0")
        .ipv4("en0", "192.168.1.10", "255.255.255.0")
        .ipv4("en0", "192.168.7.10", "255.255.255.192"); // a second address, a /26, on the same port

    std::mutex mutex;
    std::multiset<std::string> probed;
    std::vector<std::string> calls;
    ScanActions actions;
    actions.askArp = {}; // no helper: the kernel's table
    actions.interfaceIndex = [](const std::string& link) { return link == "en0" ? 2u : 3u; };
    actions.isContainerBridge = [](const std::string&) { return false; };
    actions.tableSize = [] { return std::optional<net::NeighbourTableSize>({16384, 0}); };
    actions.probe = [&](const std::string& ip, unsigned ifIndex) {
        std::lock_guard<std::mutex> lock(mutex);
        probed.insert(ip + "%" + std::to_string(ifIndex));
        return true;
    };
    actions.pause = [&](std::chrono::milliseconds pause) { calls.push_back("pause " + std::to_string(pause.count())); };
    actions.readTable = [&] {
        calls.push_back("table");
        return std::vector<net::Neighbour>{
            neighbour("192.168.1.20", "aa:aa:aa:aa:aa:01", 2, true),
            neighbour("192.168.1.21", "aa:aa:aa:aa:aa:02", 2, false, 0),   // confirmed during the sweep
            neighbour("192.168.1.22", "aa:aa:aa:aa:aa:03", 2, false, 60),  // stale: no evidence
            neighbour("192.168.7.30", "aa:aa:aa:aa:aa:06", 2, true),       // the /26
            neighbour("192.168.7.90", "aa:aa:aa:aa:aa:07", 2, true),       // beyond the /26
            neighbour("10.0.0.21", "aa:aa:aa:aa:aa:02", 3, true),          // the same host, a second address
            neighbour("10.0.0.22", "aa:aa:aa:aa:aa:04", 2, true),          // the right network, another link
            neighbour("10.0.0.23", "", 3, false, 0, false),                // unanswered
        };
    };
    actions.readCommand = [&](NeighbourMap&, const std::string&) { calls.push_back("command"); };
    NetScanner scanner(fake.source(), actions, net::InterfaceRules::Linux);

    testing::internal::CaptureStdout();
    const SweepResult result = scanner.sweep(2);
    const std::string out = testing::internal::GetCapturedStdout();

    // A host at two addresses is evidence at both.
    EXPECT_EQ(result.neighbours, (NeighbourMap{{"aa:aa:aa:aa:aa:01", "192.168.1.20"},
                                               {"aa:aa:aa:aa:aa:02", "192.168.1.21"},
                                               {"aa:aa:aa:aa:aa:02", "10.0.0.21"},
                                               {"aa:aa:aa:aa:aa:06", "192.168.7.30"}}));
    // The stale entry is checked again by the kernel only about 5 s after its probe: the one
    // read waits for it.
    EXPECT_EQ(calls, (std::vector<std::string>{"table", "pause 5800", "table"})) << "one pause, one read";
    std::multiset<std::string> expected;
    for (int host = 1; host <= 254; ++host) {
        if (host != 10)
            expected.insert("192.168.1." + std::to_string(host) + "%2");
        if (host != 5)
            expected.insert("10.0.0." + std::to_string(host) + "%3");
    }
    for (int host = 1; host <= 62; ++host) {
        if (host != 10)
            expected.insert("192.168.7." + std::to_string(host) + "%2");
    }
    EXPECT_EQ(probed, expected);
    ASSERT_EQ(result.swept.size(), 3u);
    EXPECT_EQ(result.swept[2].ifIndex, 3u);
    EXPECT_EQ(result.swept[2].hosts, 1u);
    EXPECT_EQ(out, "================================\n"
                   "发现 3 个网络接口\n"
                   "================================\n\n"
                   "The kernel checks 1 known host again before it trusts them: the sweep waits 6 s for them\n"
                   "→ 扫描 en0 (192.168.1.10)\n"
                   "  找到 2 个设备\n\n"
                   "→ 扫描 en0 (192.168.7.10)\n"
                   "  找到 1 个设备\n\n"
                   "→ 扫描 en1 (10.0.0.5)\n"
                   "  找到 1 个设备\n\n");
}

TEST(ScannerRun, AFullTableSweepsInRoundsAndSaysHowToRaiseItAndFailedProbesAreCounted)
{
    FakeInterfaces fake;
    fake.ipv4("eth0", "10.0.0.5", "255.255.252.0").ipv4("docker0", "172.17.0.1", "255.255.0.0");
    std::vector<std::string> calls;
    size_t probes = 0;
    ScanActions actions;
    actions.askArp = {};
    actions.interfaceIndex = [](const std::string&) { return 2u; };
    actions.isContainerBridge = [](const std::string& link) { return link == "docker0"; };
    actions.tableSize = [] { return std::optional<net::NeighbourTableSize>({1024, 120}); };
    actions.probe = [&](const std::string&, unsigned) { return ++probes % 100 != 0; };
    actions.pause = [&](std::chrono::milliseconds pause) { calls.push_back("pause " + std::to_string(pause.count() / 1000)); };
    actions.readTable = [&] {
        calls.push_back("table");
        return std::vector<net::Neighbour>(300, neighbour("10.0.0.7", "aa:aa:aa:aa:aa:07", 2, true));
    };
    NetScanner scanner(fake.source(), actions, net::InterfaceRules::Linux);
    testing::internal::CaptureStdout();
    const SweepResult result = scanner.sweep(2);
    const std::string out = testing::internal::GetCapturedStdout();

    // 1,021 probes and room for 1024 - 300 - 64 = 660: two rounds, the second once the
    // first's entries may be dropped, 5.2 s after it began (these pauses take no time).
    EXPECT_EQ(probes, 1021u) << "a /22 is swept whole; the container bridge not at all";
    EXPECT_EQ(calls, (std::vector<std::string>{"table", "pause 2", "table", "pause 5", "pause 2", "table"}));
    EXPECT_EQ(result.failedProbes, 10u);
    EXPECT_NE(out.find("Not swept: docker0, a bridge with no physical port (containers or virtual machines)\n"), std::string::npos);
    EXPECT_NE(out.find("The kernel's neighbour table holds 1024 entries, 300 in use: 1021 probes are sent in 2 rounds. To "
                       "sweep in one, raise net.ipv4.neigh.default.gc_thresh3"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("10 of 1021 probes could not be sent: their hosts are missing from the conflict check\n"), std::string::npos);
}

TEST(ScannerRun, TheArpHelperAsksEveryLinkAtOnceAndTheKernelServesOnlyWhatItCouldNotAsk)
{
    using Status = net::ArpHelperStatus;
    const auto ip = [](const char* text) {
        uint32_t value = 0;
        net::parseIpv4(text, value);
        return value;
    };
    // What the helper hears on each link: two MACs answer for 192.168.1.20.
    const std::map<std::string, std::vector<net::ArpAnswer>> heard{
        {"en0", {{ip("192.168.1.20"), "aa:aa:aa:aa:aa:01", 3}, {ip("192.168.1.20"), "aa:aa:aa:aa:aa:02", 40},
                 {ip("192.168.1.30"), "aa:aa:aa:aa:aa:03", 2}, {ip("10.0.0.9"), "aa:aa:aa:aa:aa:09", 2}}},
        {"en1", {{ip("10.0.0.21"), "aa:aa:aa:aa:aa:04", 1}}}};
    // What the kernel's table holds: one MAC per address, the first to answer.
    const std::vector<net::Neighbour> table{neighbour("192.168.1.20", "aa:aa:aa:aa:aa:01", 2, true),
                                            neighbour("10.0.0.21", "aa:aa:aa:aa:aa:04", 3, true)};
    const NeighbourMap fromHelper{{"aa:aa:aa:aa:aa:01", "192.168.1.20"}, {"aa:aa:aa:aa:aa:02", "192.168.1.20"},
                                  {"aa:aa:aa:aa:aa:03", "192.168.1.30"}, {"aa:aa:aa:aa:aa:04", "10.0.0.21"}};
    const NeighbourMap en0ByHelper{{"aa:aa:aa:aa:aa:01", "192.168.1.20"}, {"aa:aa:aa:aa:aa:02", "192.168.1.20"},
                                   {"aa:aa:aa:aa:aa:03", "192.168.1.30"}, {"aa:aa:aa:aa:aa:04", "10.0.0.21"}};
    const NeighbourMap byKernel{{"aa:aa:aa:aa:aa:01", "192.168.1.20"}, {"aa:aa:aa:aa:aa:04", "10.0.0.21"}};
    struct Case
    {
        const char* what;
        Status en0, en1;
        NeighbourMap neighbours;
        size_t kernelProbes;
        std::optional<Status> fallback;
        std::string problem;
    };
    const Case cases[] = {
        {"the helper answers for both links: no probe, no pause", Status::Answered, Status::Answered, fromHelper, 0,
         std::nullopt, ""},
        {"one link without the capability goes through the kernel", Status::Answered, Status::NotPermitted,
         en0ByHelper, 253, Status::NotPermitted, ""},
        {"no helper at all: the kernel for every link", Status::Missing, Status::Missing, byKernel, 506, Status::Missing, ""},
        {"a missing capability is what the user is told first", Status::Failed, Status::NotPermitted, byKernel, 506,
         Status::NotPermitted, ""},
        {"a failed run says why", Status::Failed, Status::Answered, byKernel, 253, Status::Failed, "enp9s0 is down"},
    };
    for (const Case& c : cases) {
        FakeInterfaces fake;
        fake.ipv4("en0", "192.168.1.10", "255.255.255.0").ipv4("en1", "10.0.0.5", "255.255.255.0");
        std::vector<std::string> jobsSeen;
        size_t probes = 0;
        std::vector<std::string> pauses;
        ScanActions actions;
        actions.interfaceIndex = [](const std::string& link) { return link == "en0" ? 2u : 3u; };
        actions.tableSize = [] { return std::optional<net::NeighbourTableSize>({16384, 0}); };
        actions.askArp = [&](const std::vector<net::ArpJob>& jobs, std::chrono::milliseconds listen,
                             std::shared_ptr<const CancelToken>) {
            std::vector<net::ArpJobResult> results;
            for (const net::ArpJob& job : jobs) {
                jobsSeen.push_back(job.link + "%" + std::to_string(job.ifIndex) + " " + std::to_string(job.targets.size())
                                   + " for " + std::to_string(listen.count()) + " ms");
                net::ArpJobResult result;
                result.status = job.link == "en0" ? c.en0 : c.en1;
                result.problem = c.problem;
                if (result.status == Status::Answered)
                    result.answers = heard.at(job.link);
                results.push_back(result);
            }
            return results;
        };
        actions.probe = [&](const std::string&, unsigned) { return ++probes > 0; };
        actions.pause = [&](std::chrono::milliseconds pause) { pauses.push_back(std::to_string(pause.count())); };
        actions.readTable = [&] { return std::optional<std::vector<net::Neighbour>>(table); };
        NetScanner scanner(fake.source(), actions, net::InterfaceRules::Linux);
        testing::internal::CaptureStdout();
        const SweepResult result = scanner.sweep(2);
        testing::internal::GetCapturedStdout();

        EXPECT_EQ(jobsSeen, (std::vector<std::string>{"en0%2 253 for 800 ms", "en1%3 253 for 800 ms"})) << c.what;
        EXPECT_EQ(result.neighbours, c.neighbours) << c.what;
        EXPECT_EQ(probes, c.kernelProbes) << c.what;
        EXPECT_EQ(pauses.size(), c.kernelProbes ? 1u : 0u) << c.what << ": the kernel's wait only for its own probes";
        EXPECT_EQ(result.askedByHelper, 506 - c.kernelProbes) << c.what;
        ASSERT_EQ(result.fallback.has_value(), c.fallback.has_value()) << c.what;
        if (c.fallback) {
            EXPECT_EQ(result.fallback->why, *c.fallback) << c.what;
            EXPECT_EQ(result.fallback->problem, c.problem) << c.what;
        }
    }

    // A link with more targets than the helper takes at once is asked in several runs.
    FakeInterfaces wide;
    for (const char* address : {"10.1.0.1", "10.1.4.1", "10.1.8.1", "10.1.12.1", "10.1.16.1"})
        wide.ipv4("eth3", address, "255.255.252.0");
    std::vector<size_t> sizes;
    std::chrono::milliseconds listened{0};
    ScanActions actions;
    actions.interfaceIndex = [](const std::string&) { return 4u; };
    actions.askArp = [&](const std::vector<net::ArpJob>& jobs, std::chrono::milliseconds listen, std::shared_ptr<const CancelToken>) {
        listened = listen;
        for (const net::ArpJob& job : jobs)
            sizes.push_back(job.targets.size());
        return std::vector<net::ArpJobResult>(jobs.size(), net::ArpJobResult{Status::Answered, {}, {}});
    };
    NetScanner scanner(wide.source(), actions, net::InterfaceRules::Linux);
    testing::internal::CaptureStdout();
    const SweepResult result = scanner.sweep(2);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(sizes, (std::vector<size_t>{4096, 5 * 1021 - 4096}));
    EXPECT_EQ(listened, std::chrono::milliseconds(400 + 4096 / 5)) << "time to send every request of the longest run";
    EXPECT_FALSE(result.fallback.has_value());
}

TEST(ScannerRun, WithoutATableToReadTheCommandsEntriesOfEachNetworkCount)
{
    FakeInterfaces fake;
    fake.ipv4("en0", "192.168.1.10", "255.255.255.0");
    ScanActions actions;
    actions.askArp = {};
    actions.interfaceIndex = [](const std::string&) { return 2u; };
    actions.probe = [](const std::string&, unsigned) { return true; };
    actions.pause = [](std::chrono::milliseconds) {};
    actions.readTable = [] { return std::nullopt; };
    actions.readCommand = [](NeighbourMap& out, const std::string&) {
        out.emplace("aa:aa:aa:aa:aa:01", "192.168.1.20");
        out.emplace("aa:aa:aa:aa:aa:02", "192.168.10.20");
    };
    NetScanner scanner(fake.source(), actions, net::InterfaceRules::Linux);
    testing::internal::CaptureStdout();
    EXPECT_EQ(scanner.scanAllInterfaces(2), (NeighbourMap{{"aa:aa:aa:aa:aa:01", "192.168.1.20"}}));
    testing::internal::GetCapturedStdout();
}

TEST(SweepPlanner, ProbesEveryOnLinkHostOfSmallNetworksAndTheOwnSlashTwentyFourPlusListedDevicesOfLargeOnes)
{
    const auto ip = [](const char* text) {
        uint32_t value = 0;
        EXPECT_TRUE(net::parseIpv4(text, value)) << text;
        return value;
    };
    struct Case
    {
        const char* what;
        const char* address;
        const char* mask;
        std::vector<const char*> listed;
        size_t count;
        const char* first;
        const char* last;
        std::vector<const char*> absent;
    };
    const Case cases[] = {
        {"a /24", "192.168.1.10", "255.255.255.0", {}, 253, "192.168.1.1", "192.168.1.254", {"192.168.1.10", "192.168.1.0"}},
        {"a /26 with the gateway elsewhere", "10.1.2.70", "255.255.255.192", {"10.1.2.200"}, 61, "10.1.2.65", "10.1.2.126",
         {"10.1.2.64", "10.1.2.127", "10.1.2.200", "10.1.2.1"}},
        {"a /22 is swept whole", "172.16.1.1", "255.255.252.0", {}, 1021, "172.16.0.1", "172.16.3.254", {"172.16.3.255"}},
        {"a /16: the own /24 and the listed devices inside it", "10.20.0.10", "255.255.0.0",
         {"10.20.7.9", "10.21.0.5", "10.20.0.30", "10.20.255.255"}, 254, "10.20.0.1", "10.20.7.9",
         {"10.21.0.5", "10.20.255.255", "10.20.1.1"}},
        {"a /21 is too large to sweep whole", "10.8.4.1", "255.255.248.0", {}, 253, "10.8.4.2", "10.8.4.254", {"10.8.0.1"}},
        {"a /31 has two hosts", "10.0.0.0", "255.255.255.254", {}, 1, "10.0.0.1", "10.0.0.1", {}},
        {"a /32 has no neighbour", "10.0.0.9", "255.255.255.255", {}, 0, nullptr, nullptr, {}},
    };
    for (const Case& c : cases) {
        net::SweptAddress address{"eth0", 2, ip(c.address), ip(c.mask)};
        std::vector<uint32_t> listed;
        for (const char* text : c.listed)
            listed.push_back(ip(text));
        const std::vector<uint32_t> targets = net::sweepTargets(address, listed, {address.ip});
        ASSERT_EQ(targets.size(), c.count) << c.what;
        if (c.count == 0)
            continue;
        EXPECT_EQ(net::ipv4Text(targets.front()), c.first) << c.what;
        EXPECT_EQ(net::ipv4Text(targets.back()), c.last) << c.what;
        for (const char* text : c.absent)
            EXPECT_FALSE(std::binary_search(targets.begin(), targets.end(), ip(text))) << c.what << ": " << text;
    }

    // Two ports on one /24 each probe their own link; two addresses of one port in one network
    // probe it once, and neither of the host's own addresses.
    const uint32_t mask = ip("255.255.255.0");
    EXPECT_EQ(net::planSweep({{"eth0", 2, ip("10.0.0.5"), mask}, {"wlan0", 3, ip("10.0.0.6"), mask}}, {},
                             {ip("10.0.0.5"), ip("10.0.0.6")})
                  .size(),
              2u * 252);
    EXPECT_EQ(net::planSweep({{"eth0", 2, ip("10.0.0.5"), mask}, {"eth0:1", 2, ip("10.0.0.6"), mask}}, {},
                             {ip("10.0.0.5"), ip("10.0.0.6")})
                  .size(),
              252u);

    struct Rounds { size_t probes, room, rounds; };
    for (const Rounds& r : {Rounds{1000, 2000, 1}, Rounds{1000, 1000, 1}, Rounds{1001, 1000, 2}, Rounds{1000, 400, 3},
                            Rounds{1000, 0, 16}, Rounds{0, 0, 1}})
        EXPECT_EQ(net::roundsFor(r.probes, r.room), r.rounds) << r.probes << " in " << r.room;
}

TEST(NeighbourEvidence, OnlyEntriesConfirmedSinceTheSweepBeganOrReachableCount)
{
    using std::chrono::milliseconds;
    struct Case { const char* what; net::Neighbour entry; milliseconds since; bool fresh; };
    const Case cases[] = {
        {"reachable", neighbour("10.0.0.1", "aa:aa:aa:aa:aa:01", 2, true, 40), milliseconds(2000), true},
        {"confirmed during the sweep", neighbour("10.0.0.1", "aa:aa:aa:aa:aa:01", 2, false, 1), milliseconds(2000), true},
        {"stale, confirmed before it", neighbour("10.0.0.1", "aa:aa:aa:aa:aa:01", 2, false, 3), milliseconds(2000), false},
        {"no age given, not reachable", neighbour("10.0.0.1", "aa:aa:aa:aa:aa:01", 2, false), milliseconds(2000), false},
        {"unresolved", neighbour("10.0.0.1", "", 2, true, 0, false), milliseconds(2000), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(net::isFreshEvidence(c.entry, c.since), c.fresh) << c.what;

    // Read before the probes: a stale entry the kernel made since the Search began came from
    // the host's own ARP request.
    const auto updated = [](bool stale, bool reachable, std::optional<int> msAgo) {
        net::Neighbour entry = neighbour("10.0.0.1", "aa:aa:aa:aa:aa:01", 2, reachable);
        entry.stale = stale;
        if (msAgo)
            entry.updatedAge = milliseconds(*msAgo);
        return entry;
    };
    EXPECT_TRUE(net::isLearnedDuringSearch(updated(true, false, 150), milliseconds(200)));
    EXPECT_FALSE(net::isLearnedDuringSearch(updated(true, false, 900), milliseconds(200))) << "learned before the Search";
    EXPECT_FALSE(net::isLearnedDuringSearch(updated(false, false, 10), milliseconds(200))) << "delay or probe: not settled";
    EXPECT_FALSE(net::isLearnedDuringSearch(updated(true, false, std::nullopt), milliseconds(200))) << "no age given";

    char path[] = "/tmp/bm-thresh-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(write(fd, "1024\n", 5), 5);
    close(fd);
    EXPECT_EQ(net::neighbourTableLimit(path), std::optional<size_t>(1024));
    unlink(path);
    EXPECT_EQ(net::neighbourTableLimit("/nonexistent/gc_thresh3"), std::nullopt);
}

TEST(ScannerRun, NoUsableInterfaceSaysSoAndFindsNothing)
{
    FakeInterfaces fake;
    fake.ipv4("lo", "127.0.0.1", "255.0.0.0", FakeInterfaces::kUp | IFF_LOOPBACK).ipv4("en0", "169.254.1.1", "255.255.0.0");
    NetScanner scanner(fake.source(), ScanActions());
    testing::internal::CaptureStdout();
    EXPECT_TRUE(scanner.scanAllInterfaces(2).empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "未找到可用的网络接口\n");

    NetScanner failing(FakeInterfaces::failing(), ScanActions());
    EXPECT_TRUE(failing.interfaces().empty());
}

TEST(ArpCommandLine, AMissingArpCommandAddsNothing)
{
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    NeighbourMap map;
    readArpTableByCommand(map, "");
    setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(map.empty());
}

// A TcpExt pair as Debian 12's kernel writes it, trimmed to the counters around ours.
constexpr const char* kNetstat = "TcpExt: SyncookiesSent SyncookiesRecv IPReversePathFilter TCPTimeouts\n"
                                 "TcpExt: 0 0 17 4\n"
                                 "IpExt: InNoRoutes InTruncatedPkts\n"
                                 "IpExt: 0 0\n";

TEST(ReversePathFilter, CounterIsReadFromItsGroupAndBrokenTextGivesNothing)
{
    struct Case { const char* what; std::string text; const char* group; const char* name; std::optional<uint64_t> value; };
    const Case cases[] = {
        {"the counter", kNetstat, "TcpExt", "IPReversePathFilter", 17},
        {"the last of its line", kNetstat, "TcpExt", "TCPTimeouts", 4},
        {"another group", kNetstat, "IpExt", "InTruncatedPkts", 0},
        {"a name of another group", kNetstat, "IpExt", "IPReversePathFilter", std::nullopt},
        {"no such counter (an older kernel)", "TcpExt: SyncookiesSent\nTcpExt: 3\n", "TcpExt", "IPReversePathFilter", std::nullopt},
        {"names without values", "TcpExt: IPReversePathFilter\n", "TcpExt", "IPReversePathFilter", std::nullopt},
        {"values cut short", "TcpExt: A IPReversePathFilter\nTcpExt: 1\n", "TcpExt", "IPReversePathFilter", std::nullopt},
        {"not a number", "TcpExt: IPReversePathFilter\nTcpExt: -3\n", "TcpExt", "IPReversePathFilter", std::nullopt},
        {"past 64 bits", "TcpExt: IPReversePathFilter\nTcpExt: 18446744073709551616\n", "TcpExt", "IPReversePathFilter", std::nullopt},
        {"largest 64-bit value", "TcpExt: IPReversePathFilter\nTcpExt: 18446744073709551615\n", "TcpExt", "IPReversePathFilter",
         18446744073709551615ULL},
        {"empty file", "", "TcpExt", "IPReversePathFilter", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(net::netstatCounter(c.text, c.group, c.name), c.value) << c.what;
    EXPECT_EQ(net::reversePathDrops("/nonexistent/netstat"), std::nullopt);
}

TEST(ReversePathFilter, SettingsAndTheLineSayWhatLetsTheRepliesIn)
{
    char folder[] = "/tmp/bm-rpf-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string root = folder;
    const auto write = [&](const std::string& path, const std::string& text) {
        std::system(("mkdir -p \"$(dirname '" + root + path + "')\"").c_str());
        std::ofstream(root + path) << text;
    };
    write("/sys/net/ipv4/conf/all/rp_filter", "1\n");
    write("/sys/net/ipv4/conf/wlp2s0/rp_filter", "2\n");
    write("/net/route", "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
                        "wlp2s0\t00013C0A\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n");
    const net::ReversePathSettings settings = net::readReversePathSettings({"wlp2s0", "gone0", "../all"}, root);
    EXPECT_EQ(settings.all, 1);
    EXPECT_EQ(settings.interfaces, (std::vector<std::pair<std::string, int>>{{"wlp2s0", 2}}));
    EXPECT_FALSE(settings.defaultRoute);
    EXPECT_EQ(net::reversePathDropLine(3, settings),
              "3 datagrams from addresses outside this host's networks were dropped by the kernel's reverse-path filter"
              " (a device at a factory address answers from such an address). To let them in, set"
              " net.ipv4.conf.all.rp_filter and the interface's own net.ipv4.conf.<interface>.rp_filter"
              " (the larger of the two applies) to 0, or to 2 with a default route. Now: all 1, wlp2s0 2; default route: none");

    write("/net/route", "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
                        "enp1s0\t00000000\t0132A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n");
    EXPECT_TRUE(net::readReversePathSettings({}, root).defaultRoute);
    EXPECT_EQ(net::readReversePathSettings({}, "/nonexistent").all, std::nullopt);
    std::system(("rm -rf '" + root + "'").c_str());

    FakeInterfaces host;
    host.ipv4("lo", "127.0.0.1", "255.0.0.0", FakeInterfaces::kUp | IFF_LOOPBACK)
        .ipv4("enp1s0", "192.168.50.10", "255.255.255.0")
        .ipv4("enp1s0:1", "192.168.50.11", "255.255.255.0")
        .ipv4("enp2s0", "10.0.0.1", "255.0.0.0", 0)
        .ipv6("wlp2s0")
        .ipv4("tun0", "10.99.0.1", "255.255.255.255", FakeInterfaces::kUp | IFF_POINTOPOINT);
    EXPECT_EQ(net::ipv4InterfaceNames(host.source()), (std::vector<std::string>{"enp1s0", "tun0"}));
}
