// The multi-interface endpoint on the lab's tool host (enp1s0 192.168.50.10, wlp2s0 10.60.1.10,
// the point-to-point tun0 10.99.0.1), observed from sockets on the device hosts (dev1
// 192.168.50.21, dev3 10.60.1.31).
#include "net/ifaddrssource.h"
#include "net/udpmultinic.h"
#include "tests/support/labsockets.h"
#include "tests/support/processcounts.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using brenmoor::test::deviceUdpSocket;
using brenmoor::test::receiveAll;
using brenmoor::test::sendTo;

namespace {

constexpr unsigned short kRemote = 41088;
constexpr unsigned short kLocal = 41089;

// Collects what the endpoint's callback sees, on the receive thread.
struct Inbox
{
    struct Item
    {
        std::string ip;
        std::vector<unsigned char> bytes;
    };
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Item> items;

    ReceiveCallback callback()
    {
        return [this](const std::string& ip, const unsigned char* data, size_t len) {
            std::lock_guard<std::mutex> lock(mutex);
            items.push_back({ip, std::vector<unsigned char>(data, data + len)});
            arrived.notify_all();
        };
    }
    std::vector<Item> waitFor(size_t count, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex);
        arrived.wait_for(lock, timeout, [&] { return items.size() >= count; });
        return items;
    }
};

void run(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

const std::vector<unsigned char> kPayload(23, 0x5a);

} // namespace

TEST(LabUdp, InitListsBothInterfacesAndOneSendReachesEachSubnetOnceFromItsOwnAddress)
{
    const int dev1 = deviceUdpSocket(1, kRemote);
    const int dev3 = deviceUdpSocket(3, kRemote);
    UDPMultiNIC endpoint;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(endpoint.Init(kRemote, kLocal, nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Found NIC: enp1s0 - 192.168.50.10\nFound NIC: wlp2s0 - 10.60.1.10\nFound NIC: tun0 - 10.99.0.1\n"
              "UDP MultiNIC initialized with 3 interfaces\n");

    testing::internal::CaptureStdout();
    EXPECT_TRUE(endpoint.Send("255.255.255.255", kPayload.data(), kPayload.size()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Sent 23 bytes via enp1s0 (192.168.50.10)\nSent 23 bytes via wlp2s0 (10.60.1.10)\n"
              "Sent 23 bytes via tun0 (10.99.0.1)\n");

    const auto onSubnetA = receiveAll(dev1, 400ms);
    const auto onSubnetB = receiveAll(dev3, 400ms);
    ASSERT_EQ(onSubnetA.size(), 1u);
    ASSERT_EQ(onSubnetB.size(), 1u);
    EXPECT_EQ(onSubnetA[0].source, "192.168.50.10");
    EXPECT_EQ(onSubnetB[0].source, "10.60.1.10");
    EXPECT_EQ(onSubnetA[0].bytes, kPayload);
    EXPECT_EQ(onSubnetB[0].bytes, kPayload);
    close(dev1);
    close(dev3);
}

TEST(LabUdp, DeliversDatagramsWithTheSenderAddressButNeverAnEmptyOne)
{
    Inbox inbox;
    UDPMultiNIC endpoint;
    ASSERT_TRUE(endpoint.Init(kRemote, kLocal, inbox.callback()));
    const int dev1 = deviceUdpSocket(1, 0);
    const int dev3 = deviceUdpSocket(3, 0);
    ASSERT_TRUE(sendTo(dev1, "192.168.50.10", kLocal, {}));
    ASSERT_TRUE(sendTo(dev1, "192.168.50.10", kLocal, {'h', 'i'}));
    ASSERT_TRUE(sendTo(dev3, "10.60.1.255", kLocal, {0x02, 0x03})); // subnet broadcast
    const auto items = inbox.waitFor(3, 1500ms);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].ip, "192.168.50.21");
    EXPECT_EQ(items[0].bytes, (std::vector<unsigned char>{'h', 'i'}));
    EXPECT_EQ(items[1].ip, "10.60.1.31");
    EXPECT_EQ(items[1].bytes, (std::vector<unsigned char>{0x02, 0x03}));
    close(dev1);
    close(dev3);
}

TEST(LabUdp, OwnBroadcastComesBackOnlyWhenBothPortsAreTheSame)
{
    Inbox sameInbox;
    UDPMultiNIC same;
    ASSERT_TRUE(same.Init(kLocal, kLocal, sameInbox.callback()));
    ASSERT_TRUE(same.Send("255.255.255.255", kPayload.data(), kPayload.size()));
    // The kernel loops a local copy of every broadcast back, the tunnel's included.
    auto items = sameInbox.waitFor(3, 1000ms);
    std::multiset<std::string> sources;
    for (const auto& item : items)
        sources.insert(item.ip);
    EXPECT_EQ(sources, (std::multiset<std::string>{"10.60.1.10", "10.99.0.1", "192.168.50.10"}));
    same.Stop();

    Inbox apartInbox;
    UDPMultiNIC apart;
    ASSERT_TRUE(apart.Init(kRemote, kLocal, apartInbox.callback()));
    ASSERT_TRUE(apart.Send("255.255.255.255", kPayload.data(), kPayload.size()));
    EXPECT_TRUE(apartInbox.waitFor(1, 500ms).empty());
}

TEST(LabUdp, RefusesToSendBeforeInitAfterStopAndToATextThatIsNoAddress)
{
    const int dev1 = deviceUdpSocket(1, kRemote);
    std::thread([] {}).join(); // see the scanner test: runtime helper threads come first
    const int descriptorsBefore = brenmoor::test::openDescriptors();
    const int threadsBefore = brenmoor::test::threadCount();
    UDPMultiNIC endpoint;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(endpoint.Send("255.255.255.255", kPayload.data(), kPayload.size()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "UDP not initialized or stopped\n");

    ASSERT_TRUE(endpoint.Init(kRemote, kLocal, nullptr));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(endpoint.Send("not.an.ip", kPayload.data(), kPayload.size()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Invalid destination IP: not.an.ip\n");
    EXPECT_TRUE(receiveAll(dev1, 300ms).empty());

    testing::internal::CaptureStdout();
    const auto before = std::chrono::steady_clock::now();
    endpoint.Stop();
    const auto stopTook = std::chrono::steady_clock::now() - before;
    endpoint.Stop();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "UDP MultiNIC stopped\n");
    // Liveness, not speed: Stop must not hang on the blocked receive.
    EXPECT_LT(stopTook, 2500ms);
    EXPECT_EQ(brenmoor::test::openDescriptors(), descriptorsBefore) << "every socket closed";
    EXPECT_EQ(brenmoor::test::threadCount(), threadsBefore) << "the receive thread joined";

    testing::internal::CaptureStderr();
    EXPECT_FALSE(endpoint.Send("255.255.255.255", kPayload.data(), kPayload.size()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "UDP not initialized or stopped\n");
    close(dev1);
}

TEST(LabUdp, AnAddressOnTwoDevicesStillLeavesThroughEachRecordsOwnDevice)
{
    // 192.168.50.10 now sits on enp1s0 and on wlp2s0: binding alone cannot tell the two apart.
    run("ip addr add 192.168.50.10/32 dev wlp2s0");
    struct Restore { ~Restore() { std::system("ip addr del 192.168.50.10/32 dev wlp2s0"); } } restore;

    const int dev1 = deviceUdpSocket(1, kRemote);
    const int dev3 = deviceUdpSocket(3, kRemote);
    UDPMultiNIC endpoint;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(endpoint.Init(kRemote, kLocal, nullptr));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("UDP MultiNIC initialized with 4 interfaces"), std::string::npos);
    ASSERT_TRUE(endpoint.Send("255.255.255.255", kPayload.data(), kPayload.size()));

    std::multiset<std::string> onA;
    std::multiset<std::string> onB;
    for (const auto& d : receiveAll(dev1, 400ms))
        onA.insert(d.source);
    for (const auto& d : receiveAll(dev3, 400ms))
        onB.insert(d.source);
    EXPECT_EQ(onA, (std::multiset<std::string>{"192.168.50.10"}));
    EXPECT_EQ(onB, (std::multiset<std::string>{"10.60.1.10", "192.168.50.10"}));
    close(dev1);
    close(dev3);
}

TEST(LabUdp, AnInterfaceThatLosesItsAddressFailsAloneAndTheOthersStillSend)
{
    const int dev1 = deviceUdpSocket(1, kRemote);
    UDPMultiNIC endpoint;
    ASSERT_TRUE(endpoint.Init(kRemote, kLocal, nullptr));
    run("ip addr del 10.60.1.10/24 dev wlp2s0");
    struct Restore { ~Restore() { std::system("ip addr add 10.60.1.10/24 dev wlp2s0"); } } restore;

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(endpoint.Send("255.255.255.255", kPayload.data(), kPayload.size()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to send via wlp2s0\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Sent 23 bytes via enp1s0 (192.168.50.10)\nSent 23 bytes via tun0 (10.99.0.1)\n");
    EXPECT_EQ(receiveAll(dev1, 300ms).size(), 1u);
    close(dev1);
}

TEST(LabUdp, RefreshFollowsPortsThatComeAndGoAndKeepsTheReceiveSide)
{
    const std::string lines = "Found NIC: enp1s0 - 192.168.50.10\nFound NIC: wlp2s0 - 10.60.1.10\n"
                              "Found NIC: tun0 - 10.99.0.1\nUDP MultiNIC initialized with 3 interfaces\n";
    run("ip addr del 10.60.1.10/24 dev wlp2s0"); // the cable is not in yet
    struct Restore { ~Restore() { std::system("ip addr replace 10.60.1.10/24 dev wlp2s0"); } } restore;
    Inbox inbox;
    UDPMultiNIC endpoint;
    ASSERT_TRUE(endpoint.Init(kRemote, kLocal, inbox.callback()));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(endpoint.Refresh()) << "nothing changed";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    run("ip addr add 10.60.1.10/24 dev wlp2s0");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(endpoint.Refresh());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), lines);
    const int dev3 = deviceUdpSocket(3, kRemote);
    ASSERT_TRUE(endpoint.Send("255.255.255.255", kPayload.data(), kPayload.size()));
    EXPECT_EQ(receiveAll(dev3, 400ms).size(), 1u) << "the new port is sent through";
    ASSERT_TRUE(sendTo(dev3, "10.60.1.10", kLocal, {'o', 'k'}));
    EXPECT_EQ(inbox.waitFor(1, 1500ms).size(), 1u) << "the receive side carried on";

    run("ip addr del 10.60.1.10/24 dev wlp2s0");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(endpoint.Refresh());
    testing::internal::GetCapturedStdout();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(endpoint.Send("255.255.255.255", kPayload.data(), kPayload.size()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no send through the port that went away";
    close(dev3);
    endpoint.Stop();
    EXPECT_FALSE(endpoint.Refresh()) << "a stopped endpoint stays stopped";

    // An endpoint whose Init found no interface at all initialises once one is there.
    int calls = 0;
    const brenmoor::net::IfaddrsSource late{[&](ifaddrs** list) { return ++calls == 1 ? -1 : getifaddrs(list); },
                                            [](ifaddrs* list) { freeifaddrs(list); }};
    UDPMultiNIC lateEndpoint(late);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(lateEndpoint.Init(kRemote, kLocal, nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to get network interfaces\n");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(lateEndpoint.Refresh());
    EXPECT_NE(testing::internal::GetCapturedStdout().find("UDP MultiNIC initialized with 2 interfaces"), std::string::npos);
    EXPECT_TRUE(lateEndpoint.isRunning());
}
