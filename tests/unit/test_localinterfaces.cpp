// The LAN interface listing, broadcast arithmetic, the local record and identifier.
#include "net/localinterfaces.h"
#include "net/netscanner.h"
#include "tests/support/fakeifaddrs.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

using brenmoor::test::FakeInterfaces;
namespace net = brenmoor::net;

namespace {

std::string lines(const std::string& name, const std::string& ip, const std::string& mask,
                  const std::string& broadcast)
{
    return "Interface: " + name + "\n  IP Address: " + ip + "\n  Netmask: " + mask
        + "\n  Broadcast Address: " + broadcast + "\n";
}

} // namespace

TEST(BroadcastList, ListsLanInterfacesWithTheirBroadcastAddress)
{
    FakeInterfaces fake;
    fake.link("en0", {2, 0, 0, 0, 0, 1}).ipv4("en0", "192.168.1.23", "255.255.255.0");
    std::ostringstream out;
    const auto map = net::broadcastMapFrom(fake.head(), out);
    EXPECT_EQ(map, (std::map<std::string, std::string>{{"192.168.1.255", "255.255.255.0"}}));
    EXPECT_EQ(out.str(), lines("en0", "192.168.1.23", "255.255.255.0", "192.168.1.255"));
}

// The Apple rules: the name marks a LAN port, the flags are not consulted.
TEST(BroadcastList, AppleRulesFilterByNameFamilyAndLoopbackAddress)
{
    FakeInterfaces fake;
    fake.ipv4("lo0", "10.1.0.1", "255.255.255.0")
        .ipv4("bridge0", "10.2.0.1", "255.255.255.0")
        .ipv4("utun3", "10.3.0.1", "255.255.255.0")
        .ipv4("awdl0", "10.4.0.1", "255.255.255.0")
        .ipv4("eth0", "10.5.0.1", "255.255.255.0")
        .ipv4("e", "10.6.0.1", "255.255.255.0")
        .ipv4("En0", "10.7.0.1", "255.255.255.0")
        .ipv4("en9", "127.0.0.1", "255.0.0.0")
        .ipv6("en2")
        .noAddress("en3")
        .link("en0", {2, 0, 0, 0, 0, 1})
        .ipv4("wlan0", "10.8.0.1", "255.255.255.0")
        .ipv4("en5", "10.9.0.1", "255.255.255.0", 0 /* down: flags are not consulted */)
        .ipv4("en6", "10.10.0.1", "" /* no netmask: no subnet to list */);
    std::ostringstream out;
    const auto map = net::broadcastMapFrom(fake.head(), out, net::InterfaceRules::Apple);
    EXPECT_EQ(map, (std::map<std::string, std::string>{{"10.8.0.255", "255.255.255.0"},
                                                         {"10.9.0.255", "255.255.255.0"}}));
    EXPECT_EQ(out.str(), lines("wlan0", "10.8.0.1", "255.255.255.0", "10.8.0.255")
                  + lines("en5", "10.9.0.1", "255.255.255.0", "10.9.0.255"));
}

// The Linux rules: the link type and the flags decide, whatever the name. One row per
// interface of a busy Debian laptop: what the listing takes, what the neighbour sweep takes.
TEST(LinuxInterfaceRules, LanPortsByLinkTypeAndFlagsTunnelsNeverSwept)
{
    constexpr unsigned kUp = FakeInterfaces::kUp;
    constexpr unsigned short kEther = 1, kPpp = 512, kTunnel = 768, kLoopback = 772, kNone = 0xFFFE;
    struct Row
    {
        const char* name;
        const char* ip;
        unsigned flags;
        unsigned short hardwareType;
        unsigned char addressLength;
        bool listed;
        bool swept;
    };
    const Row rows[] = {
        {"eth0", "10.1.0.5", kUp, kEther, 6, true, true},
        {"enp3s0", "192.168.1.23", kUp, kEther, 6, true, true},
        {"wlp2s0", "172.20.0.9", kUp, kEther, 6, true, true},             // Wi-Fi is Ethernet-type
        {"enp3s0.20", "10.20.0.5", kUp, kEther, 6, true, true},           // a VLAN
        {"docker0", "172.17.0.1", kUp, kEther, 6, true, true},            // a bridge
        {"veth1a2b", "10.200.0.1", kUp, kEther, 6, true, true},
        {"eno1", "10.3.0.5", 0, kEther, 6, true, false},                   // down: listed, not swept
        {"tun0", "10.8.0.2", kUp | IFF_POINTOPOINT | IFF_NOARP, kNone, 0, false, false},
        {"wg0", "10.9.0.2", kUp | IFF_NOARP, kNone, 0, false, false},
        {"ppp0", "100.64.0.7", kUp | IFF_POINTOPOINT | IFF_NOARP, kPpp, 0, false, false},
        {"tunl0", "10.4.0.1", kUp | IFF_NOARP, kTunnel, 4, false, false},  // ipip
        {"tap0", "10.5.0.1", kUp | IFF_NOARP, kEther, 6, false, false},    // ARP switched off
        {"lo", "127.0.0.1", kUp | IFF_LOOPBACK, kLoopback, 6, false, false},
    };
    FakeInterfaces fake;
    for (const Row& row : rows)
        fake.link(row.name, {2, 0, 0, 0, 0, 7}, row.flags, row.addressLength, row.hardwareType);
    for (const Row& row : rows)
        fake.ipv4(row.name, row.ip, "255.255.255.0", row.flags);
    // An address labelled after its port, as `ip addr add ... label eth0:1` lists it.
    fake.ipv4("eth0:1", "10.1.1.5", "255.255.255.0");

    std::ostringstream out;
    std::set<std::string> listed;
    for (const auto& [broadcast, mask] : net::broadcastMapFrom(fake.head(), out, net::InterfaceRules::Linux))
        listed.insert(broadcast);
    NetScanner scanner(fake.source(), ScanActions(), net::InterfaceRules::Linux);
    std::set<std::string> swept;
    for (const ScanInterface& iface : scanner.interfaces())
        swept.insert(iface.name);

    for (const Row& row : rows) {
        const std::string broadcast = calculateBroadcastAddress(row.ip, "255.255.255.0");
        EXPECT_EQ(listed.count(broadcast) == 1, row.listed) << row.name;
        EXPECT_EQ(swept.count(row.name) == 1, row.swept) << row.name;
    }
    EXPECT_EQ(listed.count("10.1.1.255"), 1u) << "the labelled address of eth0";
}

TEST(LinuxInterfaceRules, LocalRecordPrefersAPhysicalPortThenEn0ThenTheFirst)
{
    const std::set<std::string> physical{"enp3s0", "wlp2s0", "eno1"};
    const auto isPhysical = [&](const std::string& link) { return physical.count(link) == 1; };
    struct Case
    {
        std::vector<std::string> names; // in the platform's order, each with its own address
        const char* chosen;
    };
    const Case cases[] = {
        {{"docker0", "veth1a2b", "enp3s0", "wlp2s0"}, "enp3s0"},
        {{"en0", "wlp2s0"}, "wlp2s0"},                      // a virtual en0 is still virtual
        {{"docker0", "en0", "veth1a2b"}, "en0"},            // no physical port: the Part's order
        {{"veth1a2b", "docker0"}, "veth1a2b"},
        {{"eno1-down", "wlp2s0"}, "wlp2s0"},                // a port that is down fills nothing
        {{"tun0", "wg0"}, nullptr},                         // tunnels are no LAN ports
    };
    for (const Case& c : cases) {
        FakeInterfaces fake;
        std::map<std::string, std::string> ipOf;
        int n = 0;
        for (const std::string& entry : c.names) {
            const bool down = entry.size() > 5 && entry.compare(entry.size() - 5, 5, "-down") == 0;
            const std::string name = down ? entry.substr(0, entry.size() - 5) : entry;
            const bool tunnel = name.rfind("tun", 0) == 0 || name.rfind("wg", 0) == 0;
            const unsigned flags = down ? 0u : FakeInterfaces::kUp | (tunnel ? unsigned(IFF_NOARP) : 0u);
            const std::string ip = "10.0." + std::to_string(++n) + ".2";
            ipOf[name] = ip;
            fake.link(name, {2, 0, 0, 0, 0, static_cast<unsigned char>(n)}, flags, tunnel ? 0 : 6, tunnel ? 0xFFFE : 1);
            fake.ipv4(name, ip, "255.255.255.0", flags);
        }
        const auto record = net::chooseLocalRecord(fake.head(), net::InterfaceRules::Linux, isPhysical);
        ASSERT_EQ(record.has_value(), c.chosen != nullptr) << c.names.front();
        if (c.chosen) {
            EXPECT_EQ(record->ip, ipOf[c.chosen]) << c.names.front();
        }
    }
}

TEST(BroadcastList, FirstInterfaceOfASubnetWinsAndBothArePrinted)
{
    FakeInterfaces fake;
    fake.link("en0", {2, 0, 0, 0, 0, 1})
        .link("en1", {2, 0, 0, 0, 0, 2})
        .ipv4("en0", "192.168.1.23", "255.255.255.0")
        .ipv4("en1", "192.168.1.200", "255.255.255.128");
    std::ostringstream out;
    const auto map = net::broadcastMapFrom(fake.head(), out);
    EXPECT_EQ(map, (std::map<std::string, std::string>{{"192.168.1.255", "255.255.255.0"}}));
    EXPECT_EQ(out.str(), lines("en0", "192.168.1.23", "255.255.255.0", "192.168.1.255")
                  + lines("en1", "192.168.1.200", "255.255.255.128", "192.168.1.255"));
}

TEST(BroadcastList, KeysAreInTextOrder)
{
    FakeInterfaces fake;
    for (const char* name : {"en0", "en1", "en2", "en3"})
        fake.link(name, {2, 0, 0, 0, 0, 3});
    fake.ipv4("en0", "192.168.2.1", "255.255.255.0")
        .ipv4("en1", "192.168.10.1", "255.255.255.0")
        .ipv4("en2", "172.16.0.1", "255.255.0.0")
        .ipv4("en3", "10.0.0.1", "255.255.255.0");
    std::ostringstream out;
    std::vector<std::string> keys;
    for (const auto& entry : net::broadcastMapFrom(fake.head(), out))
        keys.push_back(entry.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"10.0.0.255", "172.16.255.255", "192.168.10.255",
                                              "192.168.2.255"}));
}

TEST(BroadcastList, FailingEnumerationReportsAndReturnsEmpty)
{
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const auto map = net::getbroadcastAddressList(FakeInterfaces::failing());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to get interface addresses\n");
    EXPECT_TRUE(map.empty());

    FakeInterfaces none;
    none.ipv4("lo", "127.0.0.1", "255.0.0.0");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(net::getbroadcastAddressList(none.source()).empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(AddressArithmetic, BroadcastAddress)
{
    EXPECT_EQ(calculateBroadcastAddress("10.1.2.3", "255.0.0.0"), "10.255.255.255");
    EXPECT_EQ(calculateBroadcastAddress("192.168.1.23", "255.255.255.0"), "192.168.1.255");
    EXPECT_EQ(calculateBroadcastAddress("192.168.1.23", "255.255.255.255"), "192.168.1.23");
    EXPECT_EQ(calculateBroadcastAddress("192.168.1.23", "0.0.0.0"), "255.255.255.255");
    // Text that is not an address gives no address rather than a made-up one.
    EXPECT_EQ(calculateBroadcastAddress("not.an.ip", "255.255.255.0"), "");
    EXPECT_EQ(calculateBroadcastAddress("10.0.0.1", ""), "");
    EXPECT_EQ(calculateBroadcastAddress("10.0.0.1 ", "255.0.0.0"), "");
}

TEST(AddressArithmetic, HostOneOfTheSameNetwork)
{
    EXPECT_EQ(ipTo1("192.168.1.23"), "192.168.1.1");
    EXPECT_EQ(ipTo1("10.0.0.255"), "10.0.0.1");
    EXPECT_EQ(ipTo1("1.2.3."), "1.2.3.1");
    EXPECT_EQ(ipTo1("nodots"), "nodots");
    EXPECT_EQ(ipTo1(""), "");
}

TEST(LocalRecord, IdentifierIsMacBytesTwoToFiveLittleEndian)
{
    const unsigned char mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    EXPECT_EQ(net::localIdFromMac(mac), 0x55443322u);
    const unsigned char zero[6] = {};
    EXPECT_EQ(net::localIdFromMac(zero), 0u);
}

TEST(LocalRecord, AppleRulesPreferEn0ThenTheFirstUsableLanInterface)
{
    const auto apple = net::InterfaceRules::Apple;
    FakeInterfaces laterEn0;
    laterEn0.link("wlan0", {2, 1, 1, 1, 1, 1})
        .link("en0", {2, 0, 0, 0, 0, 9})
        .ipv4("wlan0", "10.0.0.7", "255.255.255.0")
        .ipv4("en0", "192.168.1.23", "255.255.255.0");
    auto chosen = net::chooseLocalRecord(laterEn0.head(), apple);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->ip, "192.168.1.23");
    EXPECT_EQ(chosen->mac[5], 9);

    FakeInterfaces noEn0;
    noEn0.link("en3", {0, 0, 0, 0, 0, 0})                    // zero MAC: not usable
        .link("en4", {2, 4, 4, 4, 4, 4}, 0)                   // down
        .link("eth0", {2, 5, 5, 5, 5, 5})                     // not a LAN-port name
        .link("wlan1", {2, 6, 6, 6, 6, 6})
        .ipv4("en3", "10.3.0.1", "255.255.255.0")
        .ipv4("en4", "10.4.0.1", "255.255.255.0", 0)
        .ipv4("eth0", "10.5.0.1", "255.255.255.0")
        .ipv4("en7", "10.7.0.1", "255.255.255.0")             // no MAC at all
        .ipv4("wlan1", "10.6.0.1", "255.255.255.0")
        .ipv4("wlan2", "10.8.0.1", "255.255.255.0");
    chosen = net::chooseLocalRecord(noEn0.head(), apple);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->ip, "10.6.0.1");

    FakeInterfaces shortMac;
    shortMac.link("en0", {2, 0, 0, 0, 0, 1}, FakeInterfaces::kUp, 4).ipv4("en0", "10.0.0.2", "255.0.0.0");
    EXPECT_FALSE(net::chooseLocalRecord(shortMac.head(), apple));
    EXPECT_FALSE(net::chooseLocalRecord(nullptr, apple));
}

// Touches the process-wide record, so it is the only test here that does.
TEST(LocalRecord, FilledOnceFromTheInterfaceListThenServedFromMemory)
{
    testing::internal::CaptureStderr();
    LocalMacIp record = net::getloacMacIp(FakeInterfaces::failing());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to get interface addresses\n");
    EXPECT_EQ(record.ip, "");

    FakeInterfaces fake;
    fake.link("en0", {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}).ipv4("en0", "192.168.1.23", "255.255.255.0");
    testing::internal::CaptureStdout();
    record = net::getloacMacIp(fake.source());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), lines("en0", "192.168.1.23", "255.255.255.0", "192.168.1.255"));
    EXPECT_EQ(record.ip, "192.168.1.23");
    EXPECT_EQ(record.mac[0], 0x00);
    EXPECT_EQ(record.mac[5], 0x55);
    EXPECT_EQ(SloaclIP, "192.168.1.23");

    testing::internal::CaptureStdout();
    record = net::getloacMacIp(fake.source());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "a filled record is not enumerated again";
    EXPECT_EQ(fake.acquisitions.load(), 1);
    EXPECT_EQ(getLocalID(), 0x55443322u);
}
