// A whole scan on the lab's tool host: two subnets, three live devices on one, two on the other.
#include "net/arpcommand.h"
#include "net/ifaddrssource.h"
#include "net/neighbourtable.h"
#include "net/netscanner.h"
#include "tests/support/processcounts.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

namespace {
const NeighbourMap kLabDevices{{"02:00:5e:50:00:21", "192.168.50.21"},
                               {"02:00:5e:50:00:22", "192.168.50.22"},
                               {"02:00:5e:50:00:40", "192.168.50.40"},
                               {"02:00:5e:60:01:31", "10.60.1.31"},
                               {"02:00:5e:60:01:32", "10.60.1.32"}};
}

TEST(LabScanner, FindsExactlyTheLiveDevicesOfBothSubnetsAndReportsProgress)
{
    // Some runtimes (the thread sanitizer's) start a helper thread with the first thread the
    // process makes: make one first, so the count below is ours alone.
    std::thread([] {}).join();
    ASSERT_EQ(std::system("ip neigh flush all"), 0); // what earlier tests left is no evidence now
    const int descriptorsBefore = brenmoor::test::openDescriptors();
    const int threadsBefore = brenmoor::test::threadCount();
    std::string unused;
    testing::internal::CaptureStdout();
    const NeighbourMap found = searchDeviceOneTime(unused);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(found, kLabDevices);
    EXPECT_EQ(brenmoor::test::openDescriptors(), descriptorsBefore) << "no probe socket left open";
    EXPECT_EQ(brenmoor::test::threadCount(), threadsBefore) << "every probe thread joined";
    EXPECT_EQ(out, "================================\n"
                   "发现 2 个网络接口\n"
                   "================================\n\n"
                   "→ 扫描 enp1s0 (192.168.50.10)\n"
                   "  找到 3 个设备\n\n"
                   "→ 扫描 wlp2s0 (10.60.1.10)\n"
                   "  找到 2 个设备\n\n");

    // The table's size comes from the kernel, also in a namespace without the setting's file:
    // host-wide entries, this namespace's among them.
    const auto size = brenmoor::net::readNeighbourTableSize();
    ASSERT_TRUE(size.has_value());
    EXPECT_GE(size->limit, 1024u);
}

namespace {

// The kernel's way: what a host without the ARP helper's capability does.
ScanActions byKernel()
{
    ScanActions actions;
    actions.askArp = {};
    return actions;
}

} // namespace

TEST(LabScanner, WithoutTheHelperTheKernelsTableServesAndItsReadersPassOverUnansweredEntries)
{
    ASSERT_EQ(std::system("ip neigh flush all"), 0);
    testing::internal::CaptureStdout();
    const SweepResult result = sweepNetworks(brenmoor::net::systemIfaddrs(), byKernel(), nullptr);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(result.neighbours, kLabDevices);
    ASSERT_TRUE(result.fallback.has_value());
    EXPECT_EQ(result.askedByHelper, 0u);

    // The sweep left unanswered addresses in the kernel's table as incomplete entries; both
    // readers pass over them.
    NeighbourMap fromTable;
    readArpTable(fromTable, "");
    EXPECT_EQ(fromTable, kLabDevices);
    NeighbourMap fromCommand;
    readArpTableByCommand(fromCommand, "192.168.50");
    EXPECT_EQ(fromCommand, (NeighbourMap{{"02:00:5e:50:00:21", "192.168.50.21"},
                                         {"02:00:5e:50:00:22", "192.168.50.22"},
                                         {"02:00:5e:50:00:40", "192.168.50.40"}}));
}

// Entries the kernel holds as stale (hosts silent for a while) are checked again by it only
// about 5 s after the probe: without the helper, the one read waits for them, so a second
// Search finds what the first found.
TEST(LabScanner, WithoutTheHelperStaleEntriesAreWaitedForAndASecondSweepFindsWhatTheFirstFound)
{
    ASSERT_EQ(std::system("ip neigh flush all"), 0);
    testing::internal::CaptureStdout();
    ASSERT_EQ(sweepNetworks(brenmoor::net::systemIfaddrs(), byKernel(), nullptr).neighbours, kLabDevices);
    for (const auto& [mac, ip] : kLabDevices) {
        const std::string port = ip.rfind("10.", 0) == 0 ? "wlp2s0" : "enp1s0";
        ASSERT_EQ(std::system(("ip neigh change " + ip + " lladdr " + mac + " dev " + port + " nud stale").c_str()), 0);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1)); // older than the sweep, as after a silence
    const SweepResult again = sweepNetworks(brenmoor::net::systemIfaddrs(), byKernel(), nullptr);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(again.neighbours, kLabDevices);
    EXPECT_NE(out.find("The kernel checks 5 known hosts again before it trusts them"), std::string::npos) << out;
}

// Through the helper nothing depends on what the kernel remembers.
TEST(LabScanner, ThroughTheHelperASecondSweepFindsWhatTheFirstFound)
{
    testing::internal::CaptureStdout();
    const SweepResult first = sweepNetworks(brenmoor::net::systemIfaddrs(), ScanActions(), nullptr);
    const SweepResult second = sweepNetworks(brenmoor::net::systemIfaddrs(), ScanActions(), nullptr);
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(first.fallback.has_value()) << "the helper of the build tree, run as root";
    EXPECT_EQ(first.neighbours, kLabDevices);
    EXPECT_EQ(second.neighbours, kLabDevices);
}

TEST(LabScanner, AnInterfaceThatVanishesMidScanCostsOnlyItsOwnResults)
{
    NetScanner scanner; // enp1s0 and wlp2s0 collected
    ASSERT_EQ(scanner.interfaces().size(), 2u);
    ASSERT_EQ(std::system("ip neigh flush all && ip addr del 10.60.1.10/24 dev wlp2s0"), 0);
    struct Restore { ~Restore() { std::system("ip addr add 10.60.1.10/24 dev wlp2s0"); } } restore;

    testing::internal::CaptureStdout();
    const NeighbourMap found = scanner.scanAllInterfaces(2);
    testing::internal::GetCapturedStdout();
    // The other link's results are whole; the link that lost its address may still resolve
    // its hosts (the probes stay pinned to it), but finds nothing that is not there.
    for (const char* mac : {"02:00:5e:50:00:21", "02:00:5e:50:00:22", "02:00:5e:50:00:40"})
        EXPECT_EQ(found.count(mac), 1u) << mac;
    for (const auto& [mac, ip] : found)
        EXPECT_EQ(kLabDevices.count(mac), 1u) << mac << " " << ip;
}
