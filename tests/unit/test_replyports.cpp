// What the tool says about its reply ports: the sockets /proc lists (IPv4 and IPv6), which of
// them hold the port against this program, the lines about holders and endpoints that did not
// start, and the line about replies the kernel dropped.
#include "core/replydrops.h"
#include "net/udpportholders.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

namespace net = brenmoor::net;
namespace fs = std::filesystem;

namespace {

const std::string kUdpHeading = "   sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
                                "timeout inode ref pointer drops\n";
const std::string kUdp6Heading = "  sl  local_address                         remote_address                        st "
                                 "tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops\n";

// A /proc/net/udp6 line as the kernel writes it; the address words are printed in this host's
// (little-endian) byte order.
std::string udp6Line(const std::string& local, unsigned uid, unsigned long inode)
{
    return "  131: " + local + " 00000000000000000000000000000000:0000 07 00000000:00000000 00:00000000 00000000 "
        + std::to_string(uid) + "        0 " + std::to_string(inode) + " 2 0000000000000000 0\n";
}

std::string udpLine(const std::string& local, unsigned uid, unsigned long inode)
{
    return "  812: " + local + " 00000000:0000 07 00000000:00000000 00:00000000 00000000  " + std::to_string(uid)
        + "        0 " + std::to_string(inode) + " 2 0000000000000000 0\n";
}

} // namespace

TEST(ProcNetUdp, TakesIpv4AndIpv6SocketsAndTellsWhichHoldTheIpv4Port)
{
    struct Expected { unsigned port; unsigned long inode; unsigned uid; bool ipv6; bool holdsIpv4Port; };
    struct Case { const char* what; std::string text; std::optional<Expected> entry; };
    const Case cases[] = {
        {"IPv4 wildcard", kUdpHeading + udpLine("00000000:5261", 1000, 23456),
         Expected{21089, 23456, 1000, false, true}},
        {"IPv4 loopback", kUdpHeading + udpLine("0100007F:CC9C", 0, 77), Expected{52380, 77, 0, false, true}},
        {"IPv6 wildcard (dual-stack by default)",
         kUdp6Heading + udp6Line("00000000000000000000000000000000:5261", 65534, 41234),
         Expected{21089, 41234, 65534, true, true}},
        {"IPv4-mapped ::ffff:192.168.50.10", kUdp6Heading + udp6Line("0000000000000000FFFF00000A32A8C0:CC9C", 1000, 9),
         Expected{52380, 9, 1000, true, true}},
        {"IPv6 loopback ::1", kUdp6Heading + udp6Line("00000000000000000000000001000000:5261", 1000, 10),
         Expected{21089, 10, 1000, true, false}},
        {"link-local fe80::1", kUdp6Heading + udp6Line("000080FE000000000000000001000000:5261", 1000, 11),
         Expected{21089, 11, 1000, true, false}},
        {"::ffff:0:0/96 but one word off", kUdp6Heading + udp6Line("0000000000000000FFFF00010A32A8C0:5261", 1000, 12),
         Expected{21089, 12, 1000, true, false}},
        {"31 hex digits", kUdp6Heading + udp6Line("0000000000000000000000000000000:5261", 1000, 13), std::nullopt},
        {"7 hex digits", kUdpHeading + udpLine("0000000:5261", 1000, 14), std::nullopt},
        {"not hex", kUdpHeading + udpLine("0000000G:5261", 1000, 15), std::nullopt},
        {"five-digit port", kUdpHeading + udpLine("00000000:15261", 1000, 16), std::nullopt},
        {"port not hex", kUdpHeading + udpLine("00000000:52X1", 1000, 17), std::nullopt},
        {"cut short", kUdpHeading + "  812: 00000000:5261 00000000:0000 07\n", std::nullopt},
        {"the heading alone", kUdp6Heading, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto entries = net::parseProcNetUdp(c.text);
        if (!c.entry) {
            EXPECT_TRUE(entries.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(entries.size(), 1u) << c.what;
        EXPECT_EQ(entries[0].port, c.entry->port) << c.what;
        EXPECT_EQ(entries[0].inode, c.entry->inode) << c.what;
        EXPECT_EQ(entries[0].uid, c.entry->uid) << c.what;
        EXPECT_EQ(entries[0].ipv6, c.entry->ipv6) << c.what;
        EXPECT_EQ(entries[0].holdsIpv4Port, c.entry->holdsIpv4Port) << c.what;
    }
}

TEST(ProcNetUdp, HoldersComeFromBothTablesLessOurOwnSocketsWithTheirProcessWhereVisible)
{
    char folder[] = "/tmp/bm-proc-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const fs::path root = folder;
    struct Remove { fs::path path; ~Remove() { fs::remove_all(path); } } remove{root};
    fs::create_directories(root / "net");
    std::ofstream(root / "net/udp") << kUdpHeading << udpLine("00000000:5261", 0, 100) // ours
                                   << udpLine("0100007F:5261", 1000, 101)              // another program
                                   << udpLine("00000000:CC9C", 1000, 102);             // another port
    std::ofstream(root / "net/udp6") << kUdp6Heading
                                    << udp6Line("00000000000000000000000000000000:5261", 65534, 103)
                                    << udp6Line("00000000000000000000000001000000:5261", 65534, 104); // ::1 only
    // Process 4242 has socket 101 open; the owner of 103 is not visible.
    fs::create_directories(root / "4242/fd");
    fs::create_symlink("socket:[101]", root / "4242/fd/7");
    fs::create_symlink("/dev/null", root / "4242/fd/0");
    std::ofstream(root / "4242/comm") << "holder\n";

    const auto holders = net::otherPortHolders(21089, {100}, root.string());
    ASSERT_EQ(holders.size(), 2u);
    EXPECT_EQ(holders[0].uid, 1000u);
    EXPECT_EQ(holders[0].pid, 4242);
    EXPECT_EQ(holders[0].program, "holder");
    EXPECT_FALSE(holders[0].ipv6);
    EXPECT_EQ(holders[1].uid, 65534u);
    EXPECT_EQ(holders[1].pid, std::nullopt);
    EXPECT_EQ(holders[1].program, "");
    EXPECT_TRUE(holders[1].ipv6);

    EXPECT_EQ(net::otherPortHolders(21089, {100, 101, 103}, root.string()).size(), 0u) << "all of them ours";
    EXPECT_EQ(net::otherPortHolders(21089, {}, "/nonexistent").size(), 0u);
}

TEST(ReplyPortLine, NamesHoldersElseSaysWhyTheEndpointIsNotRunning)
{
    const net::PortHolder visible{1000, 4242, "holder", false};
    const net::PortHolder dualStack{65534, std::nullopt, "", true};
    struct Case
    {
        const char* what;
        unsigned port;
        std::vector<net::PortHolder> holders;
        bool running;
        std::string failure;
        std::optional<std::string> line;
    };
    const Case cases[] = {
        {"running alone", 21089, {}, true, "", std::nullopt},
        {"running beside an IPv6-only socket", 21089, {dualStack}, true, "", std::nullopt},
        {"running beside an IPv4 socket", 21089, {visible}, true, "",
         "UDP port 21089 is held by another program (pid 4242, holder, user 1000): replies sent to it may reach that "
         "program instead of this one"},
        {"kept out by a dual-stack socket", 21089, {dualStack}, false, "Address already in use",
         "UDP port 21089 is held by another program (user 65534): no reply to it reaches this program until that "
         "program closes it; Search tries again"},
        {"kept out by two", 52380, {visible, dualStack}, false, "Address already in use",
         "UDP port 52380 is held by another program (pid 4242, holder, user 1000; user 65534): no reply to it reaches "
         "this program until that program closes it; Search tries again"},
        {"bind refused, no holder in sight", 52380, {}, false, "Address already in use",
         "UDP port 52380 could not be opened (Address already in use): no reply to it reaches this program; Search "
         "tries again"},
        {"no interface", 21089, {}, false, "no network interface is up",
         "UDP port 21089 could not be opened (no network interface is up): no reply to it reaches this program; "
         "Search tries again"},
        {"stopped", 21089, {}, false, "", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(net::replyPortLine(c.port, c.holders, c.running, c.failure), c.line) << c.what;
}

TEST(DroppedRepliesLine, CountsInWordsAndGivesTheBufferAndTheRemedy)
{
    const std::string remedy
        = "Raise net.core.rmem_max (as root: sysctl -w net.core.rmem_max=4194304) and search again";
    struct Case { size_t dropped; int buffer; std::string line; };
    const Case cases[] = {
        {0, 425984, ""},
        {1, 425984, "1 reply was dropped by this computer: its receive buffer (416 KiB) was full. " + remedy},
        {2, 425984, "2 replies were dropped by this computer: its receive buffer (416 KiB) was full. " + remedy},
        {1500, 8388608, "1500 replies were dropped by this computer: its receive buffer (8 MiB) was full. " + remedy},
        {3, 4608, "3 replies were dropped by this computer: its receive buffer (4 KiB) was full. " + remedy},
        {7, 900, "7 replies were dropped by this computer: its receive buffer (900 bytes) was full. " + remedy},
        {1, 0, "1 reply was dropped by this computer: its receive buffer was full. " + remedy},
    };
    for (const Case& c : cases)
        EXPECT_EQ(droppedRepliesLine(c.dropped, c.buffer), c.line) << c.dropped << " " << c.buffer;
}
