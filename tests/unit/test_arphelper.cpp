// The ARP helper's pure parts: its command line, the interface and target checks, the one
// frame it can build, the replies it takes, when it asks, and what it prints.
#include "arphelper/arguments.h"
#include "arphelper/arpframe.h"
#include "arphelper/interfacecheck.h"
#include "arphelper/replylog.h"
#include "arphelper/requestplan.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace brenmoor::arphelper;

namespace {

constexpr Ipv4 ip(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

constexpr Mac kOwnMac{0x02, 0x42, 0xc0, 0xa8, 0x32, 0x0a};
constexpr Mac kDeviceMac{0x02, 0x00, 0x5e, 0x50, 0x00, 0x21};

InterfaceFacts wiredPort()
{
    InterfaceFacts facts;
    facts.name = "enp1s0";
    facts.index = 2;
    facts.flags = IFF_UP | IFF_RUNNING | IFF_BROADCAST | IFF_MULTICAST;
    facts.hasLinkEntry = true;
    facts.hardwareType = ARPHRD_ETHER;
    facts.macLength = 6;
    facts.mac = kOwnMac;
    facts.addresses = {{ip(192, 168, 50, 10), ip(255, 255, 255, 0)}};
    return facts;
}

std::string refusalOf(const std::vector<std::string>& args)
{
    Arguments parsed;
    std::string error;
    return parseArguments(args, parsed, error) ? "accepted" : error;
}

// A reply of device .21 to the wired port's request, as the kernel hands the payload over.
std::vector<uint8_t> deviceReply()
{
    return {0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x02,         // Ethernet, IPv4, 6, 4, reply
            0x02, 0x00, 0x5e, 0x50, 0x00, 0x21, 192, 168, 50, 21,   // sender
            0x02, 0x42, 0xc0, 0xa8, 0x32, 0x0a, 192, 168, 50, 10};  // target: the asker
}

const std::vector<Ipv4> kTargets = {ip(192, 168, 50, 21), ip(192, 168, 50, 22), ip(192, 168, 50, 40)};

} // namespace

TEST(ArpHelperArguments, AcceptsAddressesAndRangesAsOneAscendingSetWithoutRepeats)
{
    struct Row
    {
        const char* what;
        std::vector<std::string> args;
        const char* interface;
        unsigned waitMs;
        size_t count;
        Ipv4 first, last;
    } const rows[] = {
        {"one address", {"enp1s0", "800", "192.168.50.21"}, "enp1s0", 800, 1, ip(192, 168, 50, 21),
         ip(192, 168, 50, 21)},
        {"the lab's network", {"enp1s0", "800", "192.168.50.1-192.168.50.254"}, "enp1s0", 800, 254,
         ip(192, 168, 50, 1), ip(192, 168, 50, 254)},
        {"a range of one", {"e", "1", "10.0.0.9-10.0.0.9"}, "e", 1, 1, ip(10, 0, 0, 9), ip(10, 0, 0, 9)},
        {"an address inside a range counts once", {"eth0", "5000", "10.0.0.5", "10.0.0.1-10.0.0.9"}, "eth0", 5000, 9,
         ip(10, 0, 0, 1), ip(10, 0, 0, 9)},
        {"given out of order", {"eth0", "10", "10.0.0.3", "10.0.0.1"}, "eth0", 10, 2, ip(10, 0, 0, 1), ip(10, 0, 0, 3)},
        {"adjacent ranges", {"eth0", "10", "10.0.0.10-10.0.0.19", "10.0.0.0-10.0.0.9"}, "eth0", 10, 20,
         ip(10, 0, 0, 0), ip(10, 0, 0, 19)},
        {"exactly 4096", {"eth0", "10", "10.0.0.0-10.0.15.255"}, "eth0", 10, 4096, ip(10, 0, 0, 0),
         ip(10, 0, 15, 255)},
        {"4096 with overlaps", {"eth0", "10", "10.0.8.0-10.0.15.255", "10.0.0.0-10.0.15.255", "10.0.3.3"}, "eth0", 10,
         4096, ip(10, 0, 0, 0), ip(10, 0, 15, 255)},
        {"up to the last address", {"eth0", "10", "255.255.255.250-255.255.255.255"}, "eth0", 10, 6,
         ip(255, 255, 255, 250), ip(255, 255, 255, 255)},
        {"the zero address", {"eth0", "10", "0.0.0.0"}, "eth0", 10, 1, 0, 0},
        {"fifteen bytes and every allowed sign", {"br-1_x@y.20abcd", "10", "1.2.3.4"}, "br-1_x@y.20abcd", 10, 1,
         ip(1, 2, 3, 4), ip(1, 2, 3, 4)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Arguments parsed;
        std::string error;
        ASSERT_TRUE(parseArguments(row.args, parsed, error)) << error;
        EXPECT_EQ(parsed.interface, row.interface);
        EXPECT_EQ(parsed.waitMs, row.waitMs);
        ASSERT_EQ(parsed.targets.size(), row.count);
        EXPECT_EQ(parsed.targets.front(), row.first);
        EXPECT_EQ(parsed.targets.back(), row.last);
        for (size_t i = 1; i < parsed.targets.size(); ++i)
            ASSERT_LT(parsed.targets[i - 1], parsed.targets[i]);
    }
}

TEST(ArpHelperArguments, AddressesNamedAloneAreKnownApartFromThoseInRanges)
{
    Arguments parsed;
    std::string error;
    ASSERT_TRUE(parseArguments({"eth0", "10", "10.0.0.5", "10.0.0.1-10.0.0.9", "10.0.0.7-10.0.0.7", "10.0.0.5"},
                               parsed, error));
    EXPECT_EQ(parsed.targets.size(), 9u);
    EXPECT_EQ(parsed.named, (std::vector<Ipv4>{ip(10, 0, 0, 5), ip(10, 0, 0, 7)}));
}

TEST(ArpHelperArguments, RepeatsOfAWholeRangeCostNothing)
{
    std::vector<std::string> args = {"eth0", "10"};
    args.insert(args.end(), 100'000, "10.0.0.0-10.0.15.255");
    Arguments parsed;
    std::string error;
    ASSERT_TRUE(parseArguments(args, parsed, error)) << error;
    EXPECT_EQ(parsed.targets.size(), 4096u);
}

TEST(ArpHelperArguments, RefusesEachMalformedArgumentNamingIt)
{
    const std::string kName = " is not usable: 1 to 15 of A-Z a-z 0-9 . _ @ -";
    const std::string kWait = " is not a whole number of milliseconds from 1 to 5000";
    const std::string kTarget = " is not an IPv4 address a.b.c.d or a range a.b.c.d-e.f.g.h";
    const std::string kUsage = "usage: brenmoor-arp INTERFACE WAIT_MS TARGET...";
    struct Row
    {
        std::vector<std::string> args;
        std::string error;
    } const rows[] = {
        {{}, kUsage},
        {{"enp1s0"}, kUsage},
        {{"enp1s0", "800"}, kUsage},
        {{"", "800", "1.2.3.4"}, "interface name \"\"" + kName},
        {{"en p1s0", "800", "1.2.3.4"}, "interface name \"en p1s0\"" + kName},
        {{"../eth0", "800", "1.2.3.4"}, "interface name \"../eth0\"" + kName},
        {{"eth/0", "800", "1.2.3.4"}, "interface name \"eth/0\"" + kName},
        {{"eth0:1", "800", "1.2.3.4"}, "interface name \"eth0:1\"" + kName},
        {{"eth\n0", "800", "1.2.3.4"}, "interface name \"eth\\x0a0\"" + kName},
        {{"eth\x1b[2J", "800", "1.2.3.4"}, "interface name \"eth\\x1b[2J\"" + kName},
        {{std::string("eth\0x", 5), "800", "1.2.3.4"}, "interface name \"eth\\x00x\"" + kName},
        {{"abcdefghijklmnop", "800", "1.2.3.4"}, "interface name \"abcdefghijklmnop\"" + kName},
        {{".", "800", "1.2.3.4"}, "interface name \".\"" + kName},
        {{"..", "800", "1.2.3.4"}, "interface name \"..\"" + kName},
        {{"enp1s0", "", "1.2.3.4"}, "wait \"\"" + kWait},
        {{"enp1s0", "0", "1.2.3.4"}, "wait \"0\"" + kWait},
        {{"enp1s0", "-1", "1.2.3.4"}, "wait \"-1\"" + kWait},
        {{"enp1s0", "+5", "1.2.3.4"}, "wait \"+5\"" + kWait},
        {{"enp1s0", "5001", "1.2.3.4"}, "wait \"5001\"" + kWait},
        {{"enp1s0", "12abc", "1.2.3.4"}, "wait \"12abc\"" + kWait},
        {{"enp1s0", "0100", "1.2.3.4"}, "wait \"0100\"" + kWait},
        {{"enp1s0", " 100", "1.2.3.4"}, "wait \" 100\"" + kWait},
        {{"enp1s0", "100 ", "1.2.3.4"}, "wait \"100 \"" + kWait},
        {{"enp1s0", "0x10", "1.2.3.4"}, "wait \"0x10\"" + kWait},
        {{"enp1s0", "99999999999999999999", "1.2.3.4"}, "wait \"99999999999999999999\"" + kWait},
        {{"enp1s0", "800", "1.2.3"}, "target \"1.2.3\"" + kTarget},
        {{"enp1s0", "800", "1.2.3.4.5"}, "target \"1.2.3.4.5\"" + kTarget},
        {{"enp1s0", "800", "256.1.1.1"}, "target \"256.1.1.1\"" + kTarget},
        {{"enp1s0", "800", "1.2.3.1000"}, "target \"1.2.3.1000\"" + kTarget},
        {{"enp1s0", "800", "01.2.3.4"}, "target \"01.2.3.4\"" + kTarget},
        {{"enp1s0", "800", "1.2.3.04"}, "target \"1.2.3.04\"" + kTarget},
        {{"enp1s0", "800", "1..2.3"}, "target \"1..2.3\"" + kTarget},
        {{"enp1s0", "800", "+1.2.3.4"}, "target \"+1.2.3.4\"" + kTarget},
        {{"enp1s0", "800", "0x1.2.3.4"}, "target \"0x1.2.3.4\"" + kTarget},
        {{"enp1s0", "800", "1.2.3.4 "}, "target \"1.2.3.4 \"" + kTarget},
        {{"enp1s0", "800", "1.2.3.4/24"}, "target \"1.2.3.4/24\"" + kTarget},
        {{"enp1s0", "800", ""}, "target \"\"" + kTarget},
        {{"enp1s0", "800", "-1"}, "target \"-1\"" + kTarget},
        {{"enp1s0", "800", "1.2.3.4-"}, "target \"1.2.3.4-\"" + kTarget},
        {{"enp1s0", "800", "-1.2.3.4"}, "target \"-1.2.3.4\"" + kTarget},
        {{"enp1s0", "800", "1.2.3.4-1.2.3.5-1.2.3.6"}, "target \"1.2.3.4-1.2.3.5-1.2.3.6\"" + kTarget},
        {{"enp1s0", "800", "1.2.3.4", "1.2.3.x"}, "target \"1.2.3.x\"" + kTarget},
        {{"enp1s0", "800", std::string(100, '9')}, "target \"" + std::string(40, '9') + "...\"" + kTarget},
        {{"enp1s0", "800", "10.0.0.9-10.0.0.1"}, "range 10.0.0.9-10.0.0.1 is backwards"},
        {{"enp1s0", "800", "10.0.0.0-10.0.16.0"}, "4097 targets, at most 4096"},
        {{"enp1s0", "800", "10.0.0.0-10.0.7.255", "10.1.0.0-10.1.8.0"}, "4097 targets, at most 4096"},
        {{"enp1s0", "800", "0.0.0.0-255.255.255.255"}, "4294967296 targets, at most 4096"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.error);
        EXPECT_EQ(refusalOf(row.args), row.error);
    }
}

TEST(ArpHelperArguments, ShownArgumentsAreOnePrintableLineOfBoundedLength)
{
    const std::pair<std::string, std::string> rows[] = {
        {"enp1s0", "enp1s0"},
        {"a\x01" "b", "a\\x01b"},
        {"\\x41", "\\x5cx41"}, // a shown \xNN always stood for a byte
        {"\x7f\x80\xff", "\\x7f\\x80\\xff"},
        {"caf\xc3\xa9", "caf\\xc3\\xa9"},
        {std::string(40, 'x'), std::string(40, 'x')},
        {std::string(41, 'x'), std::string(40, 'x') + "..."},
        {std::string(39, 'x') + "\n\n", std::string(39, 'x') + "\\x0a..."},
    };
    for (const auto& [argument, shown] : rows)
        EXPECT_EQ(shownArgument(argument), shown);
}

TEST(ArpHelperInterface, RefusesEveryLinkThatCannotCarryARequest)
{
    struct Row
    {
        const char* what;
        void (*change)(InterfaceFacts&);
        std::optional<std::string> refusal;
    } const rows[] = {
        {"a wired port", [](InterfaceFacts&) {}, std::nullopt},
        {"unknown", [](InterfaceFacts& f) { f = InterfaceFacts{}; f.name = "enp9s9"; }, "enp9s9 does not exist"},
        {"down", [](InterfaceFacts& f) { f.flags &= ~unsigned(IFF_UP | IFF_RUNNING); }, "enp1s0 is down"},
        {"up without carrier", [](InterfaceFacts& f) { f.flags &= ~unsigned(IFF_RUNNING); },
         "enp1s0 is up but has no carrier"},
        {"loopback",
         [](InterfaceFacts& f) {
             f.flags |= IFF_LOOPBACK;
             f.hardwareType = ARPHRD_LOOPBACK;
             f.mac = {};
         },
         "enp1s0 is a loopback interface"},
        {"a tunnel",
         [](InterfaceFacts& f) {
             f.flags |= IFF_POINTOPOINT | IFF_NOARP;
             f.hardwareType = ARPHRD_NONE;
             f.macLength = 0;
         },
         "enp1s0 is a point-to-point link"},
        {"no ARP", [](InterfaceFacts& f) { f.flags |= IFF_NOARP; }, "enp1s0 does not use ARP"},
        {"InfiniBand", [](InterfaceFacts& f) { f.hardwareType = ARPHRD_INFINIBAND; },
         "enp1s0 is not an Ethernet interface"},
        {"no link entry", [](InterfaceFacts& f) { f.hasLinkEntry = false; }, "enp1s0 is not an Ethernet interface"},
        {"an address of another length", [](InterfaceFacts& f) { f.macLength = 8; },
         "enp1s0 has no Ethernet address"},
        {"an all-zero MAC", [](InterfaceFacts& f) { f.mac = {}; }, "enp1s0 has no Ethernet address"},
        {"no IPv4 address", [](InterfaceFacts& f) { f.addresses.clear(); }, "enp1s0 has no IPv4 address"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        InterfaceFacts facts = wiredPort();
        row.change(facts);
        EXPECT_EQ(interfaceRefusal(facts), row.refusal);
    }
}

TEST(ArpHelperInterface, EachTargetIsAskedFromTheFirstOwnAddressWhoseNetworkHoldsIt)
{
    const Ipv4 kSlash24 = ip(255, 255, 255, 0);
    struct Row
    {
        const char* what;
        std::vector<OwnAddress> own;
        std::vector<Ipv4> targets;
        std::vector<Ipv4> senders; // when accepted, one for each target asked
        std::string error;         // when refused
        std::optional<std::vector<Ipv4>> named = std::nullopt; // nothing: every target named alone
        std::optional<std::vector<Ipv4>> asked = std::nullopt; // nothing: every target
    } const rows[] = {
        {"inside a /24, its ends included",
         {{ip(192, 168, 50, 10), kSlash24}},
         {ip(192, 168, 50, 0), ip(192, 168, 50, 21), ip(192, 168, 50, 255)},
         {ip(192, 168, 50, 10), ip(192, 168, 50, 10), ip(192, 168, 50, 10)},
         ""},
        {"outside a /24",
         {{ip(192, 168, 50, 10), kSlash24}},
         {ip(192, 168, 50, 21), ip(10, 0, 0, 5)},
         {},
         "10.0.0.5 is outside the networks of enp1s0 (192.168.50.10/24)"},
        {"its own address",
         {{ip(192, 168, 50, 10), kSlash24}},
         {ip(192, 168, 50, 10)},
         {},
         "192.168.50.10 is an address of enp1s0 itself"},
        {"inside a /30", {{ip(10, 1, 1, 1), ip(255, 255, 255, 252)}}, {ip(10, 1, 1, 2)}, {ip(10, 1, 1, 1)}, ""},
        {"just past a /30",
         {{ip(10, 1, 1, 1), ip(255, 255, 255, 252)}},
         {ip(10, 1, 1, 4)},
         {},
         "10.1.1.4 is outside the networks of enp1s0 (10.1.1.1/30)"},
        {"both ends of a /22",
         {{ip(172, 16, 5, 10), ip(255, 255, 252, 0)}},
         {ip(172, 16, 4, 0), ip(172, 16, 7, 255)},
         {ip(172, 16, 5, 10), ip(172, 16, 5, 10)},
         ""},
        {"just below a /22",
         {{ip(172, 16, 5, 10), ip(255, 255, 252, 0)}},
         {ip(172, 16, 3, 255)},
         {},
         "172.16.3.255 is outside the networks of enp1s0 (172.16.5.10/22)"},
        {"just above a /22",
         {{ip(172, 16, 5, 10), ip(255, 255, 252, 0)}},
         {ip(172, 16, 8, 0)},
         {},
         "172.16.8.0 is outside the networks of enp1s0 (172.16.5.10/22)"},
        {"two networks, each target from its own",
         {{ip(192, 168, 50, 10), kSlash24}, {ip(10, 60, 1, 10), kSlash24}},
         {ip(10, 60, 1, 31), ip(192, 168, 50, 21)},
         {ip(10, 60, 1, 10), ip(192, 168, 50, 10)},
         ""},
        {"outside both networks",
         {{ip(192, 168, 50, 10), kSlash24}, {ip(10, 60, 1, 10), kSlash24}},
         {ip(10, 60, 2, 1)},
         {},
         "10.60.2.1 is outside the networks of enp1s0 (192.168.50.10/24, 10.60.1.10/24)"},
        {"two addresses in one network: the first asks",
         {{ip(192, 168, 50, 10), kSlash24}, {ip(192, 168, 50, 11), kSlash24}},
         {ip(192, 168, 50, 21)},
         {ip(192, 168, 50, 10)},
         ""},
        {"the second own address is no target either",
         {{ip(192, 168, 50, 10), kSlash24}, {ip(192, 168, 50, 11), kSlash24}},
         {ip(192, 168, 50, 11)},
         {},
         "192.168.50.11 is an address of enp1s0 itself"},
        {"nested networks: the first listed holds it",
         {{ip(10, 0, 0, 1), ip(255, 0, 0, 0)}, {ip(10, 1, 2, 3), kSlash24}},
         {ip(10, 1, 2, 9)},
         {ip(10, 0, 0, 1)},
         ""},
        {"a /32 holds nothing else",
         {{ip(10, 0, 0, 1), ip(255, 255, 255, 255)}},
         {ip(10, 0, 0, 2)},
         {},
         "10.0.0.2 is outside the networks of enp1s0 (10.0.0.1/32)"},
        {"a mask with holes is named as it is",
         {{ip(10, 0, 5, 1), ip(255, 0, 255, 0)}},
         {ip(10, 1, 6, 1)},
         {},
         "10.1.6.1 is outside the networks of enp1s0 (10.0.5.1/255.0.255.0)"},
        {"a range passes over the asker's own address",
         {{ip(192, 168, 50, 10), kSlash24}},
         {ip(192, 168, 50, 9), ip(192, 168, 50, 10), ip(192, 168, 50, 11)},
         {ip(192, 168, 50, 10), ip(192, 168, 50, 10)},
         "",
         std::vector<Ipv4>{},
         std::vector<Ipv4>{ip(192, 168, 50, 9), ip(192, 168, 50, 11)}},
        {"but not over one named alone as well",
         {{ip(192, 168, 50, 10), kSlash24}},
         {ip(192, 168, 50, 9), ip(192, 168, 50, 10), ip(192, 168, 50, 11)},
         {},
         "192.168.50.10 is an address of enp1s0 itself",
         std::vector<Ipv4>{ip(192, 168, 50, 10)}},
        {"a range of nothing but own addresses",
         {{ip(192, 168, 50, 10), kSlash24}, {ip(192, 168, 50, 11), kSlash24}},
         {ip(192, 168, 50, 10), ip(192, 168, 50, 11)},
         {},
         "every target is an address of enp1s0 itself",
         std::vector<Ipv4>{}},
        {"a range is still held to the networks",
         {{ip(192, 168, 50, 10), kSlash24}},
         {ip(192, 168, 50, 255), ip(192, 168, 51, 0)},
         {},
         "192.168.51.0 is outside the networks of enp1s0 (192.168.50.10/24)",
         std::vector<Ipv4>{}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        InterfaceFacts facts = wiredPort();
        facts.addresses = row.own;
        Requests requests;
        std::string error;
        EXPECT_EQ(planRequests(row.targets, row.named.value_or(row.targets), facts, requests, error),
                  row.error.empty());
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(requests.targets, row.error.empty() ? row.asked.value_or(row.targets) : std::vector<Ipv4>{});
        EXPECT_EQ(requests.senders, row.senders);
    }
}

TEST(ArpHelperFrame, TheRequestIsTheExactWhoHasPayload)
{
    const ArpRequest expected = {0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x01,       // Ethernet, IPv4, 6, 4, request
                                 0x02, 0x42, 0xc0, 0xa8, 0x32, 0x0a, 192, 168, 50, 10, // sender: the asker
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 192, 168, 50, 21}; // target: unknown, .21
    EXPECT_EQ(arpRequest(kOwnMac, ip(192, 168, 50, 10), ip(192, 168, 50, 21)), expected);
}

TEST(ArpHelperFrame, WhateverTheInputsTheFrameAsksAndNamesTheAskerAsSender)
{
    struct Row
    {
        Mac mac;
        Ipv4 own, target;
    } const rows[] = {
        {{0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, 0, 0xffffffff},
        {{0x01, 0x00, 0x5e, 0x00, 0x00, 0x01}, 0xffffffff, 0},
        {{0x00, 0x00, 0x00, 0x00, 0x00, 0x02}, ip(10, 0, 0, 1), ip(10, 0, 0, 1)},
        {{0x02, 0x00, 0x00, 0x00, 0x00, 0x02}, ip(0, 0, 0, 2), ip(2, 0, 0, 0)},
        {kOwnMac, ip(192, 168, 50, 10), ip(192, 168, 50, 22)},
    };
    for (const Row& row : rows) {
        const ArpRequest frame = arpRequest(row.mac, row.own, row.target);
        EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 8),
                  (std::vector<uint8_t>{0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x01}));
        EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 8, frame.begin() + 14),
                  std::vector<uint8_t>(row.mac.begin(), row.mac.end()));
        EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 14, frame.begin() + 18),
                  (std::vector<uint8_t>{uint8_t(row.own >> 24), uint8_t(row.own >> 16), uint8_t(row.own >> 8),
                                        uint8_t(row.own)}));
        EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 18, frame.begin() + 24), std::vector<uint8_t>(6, 0));
        EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 24, frame.end()),
                  (std::vector<uint8_t>{uint8_t(row.target >> 24), uint8_t(row.target >> 16),
                                        uint8_t(row.target >> 8), uint8_t(row.target)}));
        // Heard back, its own request is never taken for an answer.
        EXPECT_FALSE(acceptReply(PACKET_BROADCAST, frame.data(), frame.size(),
                                 {std::min(row.own, row.target), std::max(row.own, row.target)}));
    }
}

TEST(ArpHelperReply, TakesOnlyWellFormedRepliesFromTargets)
{
    struct Row
    {
        const char* what;
        unsigned packetType;
        void (*change)(std::vector<uint8_t>&);
        bool accepted;
    } const rows[] = {
        {"a reply to us", PACKET_HOST, [](std::vector<uint8_t>&) {}, true},
        {"a broadcast reply", PACKET_BROADCAST, [](std::vector<uint8_t>&) {}, true},
        {"Ethernet padding after it", PACKET_HOST, [](std::vector<uint8_t>& f) { f.resize(60, 0); }, true},
        {"any target hardware address", PACKET_HOST,
         [](std::vector<uint8_t>& f) { std::fill(f.begin() + 18, f.begin() + 24, 0); }, true},
        {"one the host sent", PACKET_OUTGOING, [](std::vector<uint8_t>&) {}, false},
        {"a request", PACKET_BROADCAST, [](std::vector<uint8_t>& f) { f[7] = 1; }, false},
        {"operation 3", PACKET_HOST, [](std::vector<uint8_t>& f) { f[7] = 3; }, false},
        {"operation 0x0102", PACKET_HOST, [](std::vector<uint8_t>& f) { f[6] = 1; }, false},
        {"hardware type 6", PACKET_HOST, [](std::vector<uint8_t>& f) { f[1] = 6; }, false},
        {"protocol IPv6", PACKET_HOST, [](std::vector<uint8_t>& f) { f[2] = 0x86, f[3] = 0xdd; }, false},
        {"hardware length 8", PACKET_HOST, [](std::vector<uint8_t>& f) { f[4] = 8; }, false},
        {"protocol length 16", PACKET_HOST, [](std::vector<uint8_t>& f) { f[5] = 16; }, false},
        {"27 bytes", PACKET_HOST, [](std::vector<uint8_t>& f) { f.resize(27); }, false},
        {"empty", PACKET_HOST, [](std::vector<uint8_t>& f) { f.clear(); }, false},
        {"from an address not asked", PACKET_HOST, [](std::vector<uint8_t>& f) { f[17] = 23; }, false},
        {"gratuitous", PACKET_BROADCAST, [](std::vector<uint8_t>& f) { f[27] = 21; }, false},
        {"a broadcast sender MAC", PACKET_HOST,
         [](std::vector<uint8_t>& f) { std::fill(f.begin() + 8, f.begin() + 14, 0xff); }, false},
        {"a multicast sender MAC", PACKET_HOST, [](std::vector<uint8_t>& f) { f[8] = 0x01; }, false},
        {"an all-zero sender MAC", PACKET_HOST,
         [](std::vector<uint8_t>& f) { std::fill(f.begin() + 8, f.begin() + 14, 0); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<uint8_t> frame = deviceReply();
        row.change(frame);
        const auto reply = acceptReply(row.packetType, frame.data(), frame.size(), kTargets);
        ASSERT_EQ(reply.has_value(), row.accepted);
        if (reply) {
            EXPECT_EQ(reply->sender, ip(192, 168, 50, 21));
            EXPECT_EQ(reply->senderMac, kDeviceMac);
        }
    }
}

TEST(ArpHelperReply, EveryTruncationOfAGoodReplyIsRefused)
{
    const std::vector<uint8_t> frame = deviceReply();
    for (size_t size = 0; size < frame.size(); ++size)
        EXPECT_FALSE(acceptReply(PACKET_HOST, frame.data(), size, kTargets)) << size;
    EXPECT_FALSE(acceptReply(PACKET_HOST, nullptr, 28, kTargets));
    EXPECT_FALSE(acceptReply(PACKET_HOST, frame.data(), frame.size(), {}));
}

TEST(ArpHelperPlan, AsksEveryTargetThenAgainThoseSilentWhileThereIsTime)
{
    using Sends = std::vector<std::pair<size_t, int64_t>>; // target, microseconds after the first request
    struct Row
    {
        const char* what;
        size_t targets;
        int64_t waitMs;
        std::vector<size_t> answered; // before the second pass
        Sends sends;                  // when each goes out exactly when due
        size_t count;                 // the number of sends, where `sends` shows only their start
    } const rows[] = {
        {"three, none answers", 3, 1000, {},
         {{0, 0}, {1, 200}, {2, 400}, {0, 500'000}, {1, 500'200}, {2, 500'400}}, 6},
        {"three, the middle answers", 3, 1000, {1}, {{0, 0}, {1, 200}, {2, 400}, {0, 500'000}, {2, 500'200}}, 5},
        {"all answer", 3, 1000, {0, 1, 2}, {{0, 0}, {1, 200}, {2, 400}}, 3},
        // 50 ms after half of 100 ms is already the end of the second pass.
        {"no time for a second pass", 3, 100, {}, {{0, 0}, {1, 200}, {2, 400}}, 3},
        // Half of 101 ms is 50.5 ms; the pass must end by 51 ms: two fit.
        {"time for part of it", 3, 101, {}, {{0, 0}, {1, 200}, {2, 400}, {0, 50'500}, {1, 50'700}}, 5},
        // The first pass needs 819.2 ms: the second starts when it ends, and stops at 950 ms.
        {"the second pass after a long first", 4096, 1000, {}, {{0, 0}, {1, 200}}, 4096 + 654},
        // Nothing goes out after the wait: 2,500 requests fit in 500 ms.
        {"the wait ends the first pass", 4096, 500, {}, {{0, 0}, {1, 200}}, 2500},
        {"one millisecond", 10, 1, {}, {{0, 0}, {1, 200}, {2, 400}, {3, 600}, {4, 800}}, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RequestPlan plan(row.targets, row.waitMs * 1000);
        std::vector<bool> answered(row.targets, false);
        for (size_t target : row.answered)
            answered[target] = true;
        Sends sends;
        while (const auto due = plan.next(answered)) {
            ASSERT_LT(due->at, row.waitMs * 1000);
            sends.emplace_back(due->target, due->at);
            plan.sent(due->at);
        }
        ASSERT_EQ(sends.size(), row.count);
        EXPECT_EQ(Sends(sends.begin(), sends.begin() + row.sends.size()), row.sends);
        if (row.count == 4096 + 654) {
            EXPECT_EQ(sends[4096], (std::pair<size_t, int64_t>{0, 819'200}));
        }
    }
}

TEST(ArpHelperPlan, ALateSendPushesTheNextOneAGapBehindIt)
{
    RequestPlan plan(3, 1'000'000);
    const std::vector<bool> answered(3, false);
    plan.sent(0);
    plan.sent(7'000); // the program was held up
    const auto due = plan.next(answered);
    ASSERT_TRUE(due);
    EXPECT_EQ(due->target, 2u);
    EXPECT_EQ(due->at, 7'200);
}

TEST(ArpHelperOutput, EachPairIsPrintedOnceWithinTheBounds)
{
    ReplyLog log;
    const ArpReply first{ip(192, 168, 50, 21), kDeviceMac};
    EXPECT_EQ(log.add(first), ReplyLog::Verdict::Print);
    EXPECT_EQ(log.add(first), ReplyLog::Verdict::Repeat);
    // A second host answering for the same address: the conflict this program is for.
    for (uint8_t last = 1; last < 8; ++last)
        EXPECT_EQ(log.add({first.sender, {0x02, 0, 0, 0, 0, last}}), ReplyLog::Verdict::Print);
    EXPECT_EQ(log.add({first.sender, {0x02, 0, 0, 0, 0, 8}}), ReplyLog::Verdict::Dropped);
    EXPECT_EQ(log.add({first.sender, {0x02, 0, 0, 0, 0, 8}}), ReplyLog::Verdict::Repeat);
    EXPECT_EQ(log.add({first.sender, {0x02, 0, 0, 0, 0, 9}}), ReplyLog::Verdict::Dropped);
    EXPECT_EQ(log.add(first), ReplyLog::Verdict::Repeat);
    EXPECT_EQ(log.add({ip(192, 168, 50, 22), kDeviceMac}), ReplyLog::Verdict::Print);
    EXPECT_EQ(log.dropped(), 2u);
}

TEST(ArpHelperOutput, NoMoreThan16384LinesInAll)
{
    ReplyLog log;
    size_t printed = 0;
    for (Ipv4 address = 0; address < 2048; ++address) {
        for (uint8_t last = 0; last < 8; ++last)
            printed += log.add({address, {0x02, 0, 0, 0, 0, last}}) == ReplyLog::Verdict::Print;
    }
    EXPECT_EQ(printed, 16384u);
    EXPECT_EQ(log.add({5000, {0x02, 0, 0, 0, 0, 1}}), ReplyLog::Verdict::Dropped);
    EXPECT_EQ(log.add({0, {0x02, 0, 0, 0, 0, 1}}), ReplyLog::Verdict::Repeat);
    EXPECT_EQ(log.dropped(), 1u);
}

TEST(ArpHelperOutput, LinesAreAddressLowerCaseMacAndMilliseconds)
{
    EXPECT_EQ(replyLine({ip(192, 168, 50, 21), kDeviceMac}, 3), "192.168.50.21 02:00:5e:50:00:21 3");
    EXPECT_EQ(replyLine({ip(10, 0, 0, 1), {0x0A, 0xBC, 0xDE, 0xF0, 0x12, 0x34}}, 4999),
              "10.0.0.1 0a:bc:de:f0:12:34 4999");
    EXPECT_EQ(replyLine({ip(255, 255, 255, 255), {0, 0, 0, 0, 0, 0x0f}}, 0), "255.255.255.255 00:00:00:00:00:0f 0");
    EXPECT_EQ(doneLine(254, 0), "done 254 0");
    EXPECT_EQ(doneLine(8192, 17), "done 8192 17");
}
