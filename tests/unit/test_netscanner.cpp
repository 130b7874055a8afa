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
    net::addNeighbour(map, "10.0.0", "aa:bb:cc:dd:ee:ff", "10.0.0.9"); // same MAC again: replaced
    EXPECT_EQ(map, (NeighbourMap{{"aa:bb:cc:dd:ee:ff", "10.0.0.9"}}));

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
                                                [&](const std::string& ip, const std::string& mac) { map[mac] = ip; });
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
        .ipv4("bridge0", "10.1.9.9", "255.255.255.0"); // a later address of bridge0 wins
    NetScanner scanner(fake.source(), ScanActions(), net::InterfaceRules::Apple);
    std::vector<std::string> order;
    for (const ScanInterface& iface : scanner.interfaces())
        order.push_back(iface.name + " " + iface.ip + " " + iface.prefix + " " + iface.mask);
    EXPECT_EQ(order, (std::vector<std::string>{"en0 10.4.0.2 10.4.0 255.255.255.0", "en1 10.2.0.2 10.2.0 255.255.255.0",
                                               "bridge0 10.1.9.9 10.1.9 255.255.255.0",
                                               "en5 10.3.0.2 10.3.0 255.255.255.0",
                                               "xutun0 10.8.0.2 10.8.0 255.255.255.0"}));
}

TEST(ScannerRun, SweepsHostsOneTo254PausesReadsAndMergesWithTheLaterInterfaceWinning)
{
    FakeInterfaces fake;
    fake.ipv4("en1", "10.0.0.5", "255.255.255.0").ipv4("en0", "192.168.1.10", "255.255.255.0");

    std::mutex mutex;
    std::multiset<std::string> probed;
    std::vector<std::string> calls;
    ScanActions actions;
    actions.probe = [&](const std::string& ip) {
        std::lock_guard<std::mutex> lock(mutex);
        probed.insert(ip);
    };
    actions.pause = [&](int seconds) { calls.push_back("pause " + std::to_string(seconds)); };
    actions.readTable = [&](NeighbourMap& out, const std::string& prefix) {
        calls.push_back("table " + prefix);
        if (prefix == "192.168.1") {
            out["aa:aa:aa:aa:aa:01"] = "192.168.1.20";
            out["aa:aa:aa:aa:aa:02"] = "192.168.1.21";
        }
    };
    actions.readCommand = [&](NeighbourMap& out, const std::string& prefix) {
        calls.push_back("command " + prefix);
        out["aa:aa:aa:aa:aa:02"] = "10.0.0.21"; // the same device seen on the second subnet
    };
    NetScanner scanner(fake.source(), actions);

    testing::internal::CaptureStdout();
    const NeighbourMap result = scanner.scanAllInterfaces(2);
    const std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(result, (NeighbourMap{{"aa:aa:aa:aa:aa:01", "192.168.1.20"}, {"aa:aa:aa:aa:aa:02", "10.0.0.21"}}));
    EXPECT_EQ(calls, (std::vector<std::string>{"pause 2", "table 192.168.1", "pause 2", "table 10.0.0", "command 10.0.0"}));
    std::multiset<std::string> expected;
    for (const char* prefix : {"192.168.1.", "10.0.0."})
        for (int host = 1; host <= 254; ++host)
            expected.insert(prefix + std::to_string(host));
    EXPECT_EQ(probed, expected);
    EXPECT_EQ(out, "================================\n"
                   "发现 2 个网络接口\n"
                   "================================\n\n"
                   "→ 扫描 en0 (192.168.1.10)\n"
                   "  找到 2 个设备\n\n"
                   "→ 扫描 en1 (10.0.0.5)\n"
                   "  找到 1 个设备\n\n");
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
