// The multi-interface endpoint on the lab's tool host (enp1s0 192.168.50.10, wlp2s0 10.60.1.10,
// the point-to-point tun0 10.99.0.1), observed from sockets on the device hosts (dev1
// 192.168.50.21, dev3 10.60.1.31).
#include "core/discoverysession.h"
#include "net/ifaddrssource.h"
#include "net/udpmultinic.h"
#include "net/udpportholders.h"
#include "tests/support/labsockets.h"
#include "tests/support/processcounts.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <map>
#include <mutex>
#include <net/if.h>
#include <netinet/in.h>
#include <optional>
#include <set>
#include <sys/socket.h>
#include <sys/wait.h>
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
    // A gated inbox holds the receive thread in its first call until let through: the
    // endpoint's socket is then left to fill.
    bool gated = false;
    bool entered = false;
    bool open = false;

    ReceiveCallback callback()
    {
        return [this](const std::string& ip, const unsigned char* data, size_t len) {
            std::unique_lock<std::mutex> lock(mutex);
            entered = true;
            arrived.notify_all();
            arrived.wait(lock, [&] { return !gated || open; });
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
    // Whether a datagram with `bytes` came within `timeout`.
    bool waitForBytes(const std::vector<unsigned char>& bytes, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, timeout, [&] {
            return std::any_of(items.begin(), items.end(), [&](const Item& item) { return item.bytes == bytes; });
        });
    }
    bool waitEntered(std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, timeout, [&] { return entered; });
    }
    void letThrough()
    {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        arrived.notify_all();
    }
    std::vector<Item> taken()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return items;
    }
};

// Datagram `number` of a burst: the number (4 bytes, big-endian), then `extra` bytes of its own.
std::vector<unsigned char> numbered(unsigned number, size_t extra = 20)
{
    std::vector<unsigned char> bytes{static_cast<unsigned char>(number >> 24), static_cast<unsigned char>(number >> 16),
                                     static_cast<unsigned char>(number >> 8), static_cast<unsigned char>(number)};
    bytes.resize(4 + extra, static_cast<unsigned char>(number * 7 + 1));
    return bytes;
}

unsigned numberOf(const std::vector<unsigned char>& bytes)
{
    if (bytes.size() < 4)
        return 0;
    return unsigned(bytes[0]) << 24 | unsigned(bytes[1]) << 16 | unsigned(bytes[2]) << 8 | bytes[3];
}

// A socket on [::]:port, dual-stack as Linux makes one by default, held by a child process
// running as nobody (uid 65534) until it leaves.
class NobodyHolds
{
public:
    explicit NobodyHolds(unsigned short port)
    {
        int ready[2];
        int release[2];
        if (pipe(ready) != 0 || pipe(release) != 0)
            return;
        child = fork();
        if (child == 0) {
            close(ready[0]);
            close(release[1]);
            if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)
                _exit(2);
            const int sock = socket(AF_INET6, SOCK_DGRAM, 0);
            const int dualStack = 0;
            setsockopt(sock, IPPROTO_IPV6, IPV6_V6ONLY, &dualStack, sizeof dualStack);
            sockaddr_in6 address{};
            address.sin6_family = AF_INET6;
            address.sin6_port = htons(port);
            address.sin6_addr = in6addr_any;
            if (bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                _exit(3);
            const char bound = 1;
            if (write(ready[1], &bound, 1) != 1)
                _exit(4);
            char byte = 0;
            while (read(release[0], &byte, 1) > 0) {
            } // until the parent closes its end
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        releaseEnd = release[1];
        char byte = 0;
        holding = child > 0 && read(ready[0], &byte, 1) == 1;
        close(ready[0]);
    }
    ~NobodyHolds() { leave(); }
    NobodyHolds(const NobodyHolds&) = delete;
    NobodyHolds& operator=(const NobodyHolds&) = delete;

    bool holds() const { return holding; }
    pid_t pid() const { return child; }
    void leave()
    {
        if (releaseEnd < 0)
            return;
        close(releaseEnd);
        releaseEnd = -1;
        if (child > 0)
            waitpid(child, nullptr, 0);
        holding = false;
    }

private:
    pid_t child = -1;
    int releaseEnd = -1;
    bool holding = false;
};

// The tool host's ephemeral port range for the length of a scope.
class PortRange
{
public:
    PortRange()
    {
        std::ifstream file(kPath);
        std::getline(file, original);
    }
    ~PortRange()
    {
        if (!original.empty())
            set(original);
    }
    bool set(const std::string& range)
    {
        std::ofstream file(kPath);
        file << range << "\n";
        file.flush();
        return file.good();
    }

private:
    static constexpr const char* kPath = "/proc/sys/net/ipv4/ip_local_port_range";
    std::string original;
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
    // One line, with what the kernel said: the address is gone from under the socket.
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("Failed to send via wlp2s0: ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_GT(said.size(), std::string("Failed to send via wlp2s0: \n").size()) << said;
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

TEST(LabUdp, TheReceiveBufferIsReadBackAsTheSystemReportsIt)
{
    struct Case { const char* what; std::optional<int> requested; int reported; };
    // As root the size is forced past net.core.rmem_max; Linux reports twice the bytes asked.
    const Case cases[] = {
        {"the endpoint's own 4 MiB", std::nullopt, 8 << 20},
        {"a small one", 16384, 32768},
        {"a large one", 16 << 20, 32 << 20},
    };
    for (const Case& c : cases) {
        UDPMultiNIC endpoint;
        EXPECT_EQ(endpoint.receiveBufferBytes(), 0) << c.what << ": no socket yet";
        if (c.requested)
            endpoint.requestReceiveBuffer(*c.requested);
        ASSERT_TRUE(endpoint.Init(kRemote, kLocal, nullptr)) << c.what;
        EXPECT_EQ(endpoint.receiveBufferBytes(), c.reported) << c.what;
        endpoint.Stop();
        EXPECT_EQ(endpoint.receiveBufferBytes(), 0) << c.what << ": stopped";
    }
}

TEST(LabUdp, AFullReceiveBufferIsCountedAsDropsAndTheCountStartsAfreshAtReset)
{
    Inbox inbox;
    inbox.gated = true;
    UDPMultiNIC endpoint;
    endpoint.requestReceiveBuffer(16384); // a few dozen small datagrams
    ASSERT_TRUE(endpoint.Init(kRemote, kLocal, inbox.callback()));
    EXPECT_EQ(endpoint.droppedSinceReset(), 0u);
    const int dev1 = deviceUdpSocket(1, 0);
    size_t sent = 0;
    ASSERT_TRUE(sendTo(dev1, "192.168.50.10", kLocal, numbered(0)));
    ++sent;
    ASSERT_TRUE(inbox.waitEntered(1500ms)) << "the receive thread now waits in the callback";
    // Fewer than the kernel's per-processor backlog (1000), so what is lost, the socket loses.
    constexpr unsigned kBurst = 500;
    for (unsigned i = 1; i <= kBurst; ++i, ++sent)
        ASSERT_TRUE(sendTo(dev1, "192.168.50.10", kLocal, numbered(i)));
    inbox.letThrough();

    // The drop count comes with the next datagram; it may itself meet a buffer still full.
    const std::vector<unsigned char> last = numbered(kBurst + 1);
    bool arrived = false;
    for (int tries = 0; tries < 20 && !arrived; ++tries, ++sent) {
        ASSERT_TRUE(sendTo(dev1, "192.168.50.10", kLocal, last));
        arrived = inbox.waitForBytes(last, 200ms);
    }
    ASSERT_TRUE(arrived);
    const auto items = inbox.taken();
    EXPECT_GT(endpoint.droppedSinceReset(), 0u);
    EXPECT_EQ(endpoint.droppedSinceReset(), sent - items.size());
    for (size_t i = 1; i < items.size(); ++i)
        EXPECT_LE(numberOf(items[i - 1].bytes), numberOf(items[i].bytes)) << "in the order they came";

    endpoint.resetReceivedCounts();
    EXPECT_EQ(endpoint.droppedSinceReset(), 0u);
    const std::vector<unsigned char> after = numbered(kBurst + 2);
    ASSERT_TRUE(sendTo(dev1, "192.168.50.10", kLocal, after));
    ASSERT_TRUE(inbox.waitForBytes(after, 1500ms));
    EXPECT_EQ(endpoint.droppedSinceReset(), 0u) << "the count the next datagram brings is the one at the reset";
    close(dev1);
}

TEST(LabUdp, ABurstIsTakenWholeInOrderWithEachSenderAndInterface)
{
    Inbox inbox;
    UDPMultiNIC endpoint;
    ASSERT_TRUE(endpoint.Init(kRemote, kLocal, inbox.callback()));
    const int dev1 = deviceUdpSocket(1, 0);
    const int dev3 = deviceUdpSocket(3, 0);
    constexpr unsigned kEach = 500;
    std::vector<std::vector<unsigned char>> fromDev1;
    std::vector<std::vector<unsigned char>> fromDev3;
    for (unsigned i = 0; i < kEach; ++i) {
        fromDev1.push_back(numbered(i, i % 300));
        fromDev3.push_back(numbered(i, 1200 - i % 300));
        ASSERT_TRUE(sendTo(dev1, "192.168.50.10", kLocal, fromDev1.back()));
        ASSERT_TRUE(sendTo(dev3, "10.60.1.10", kLocal, fromDev3.back()));
    }
    const auto items = inbox.waitFor(2 * kEach, 5000ms);
    ASSERT_EQ(items.size(), 2 * kEach);
    std::map<std::string, std::vector<std::vector<unsigned char>>> bySender;
    for (const auto& item : items)
        bySender[item.ip].push_back(item.bytes);
    EXPECT_EQ(bySender.size(), 2u);
    EXPECT_EQ(bySender["192.168.50.21"], fromDev1);
    EXPECT_EQ(bySender["10.60.1.31"], fromDev3);
    EXPECT_EQ(endpoint.receivedByInterface(),
              (std::map<unsigned, size_t>{{if_nametoindex("enp1s0"), kEach}, {if_nametoindex("wlp2s0"), kEach}}));
    EXPECT_EQ(endpoint.droppedSinceReset(), 0u);
    close(dev1);
    close(dev3);
}

TEST(LabUdp, ADualStackSocketOfAnotherUserKeepsTheEndpointOutAndIsNamedUntilItLeaves)
{
    NobodyHolds holder(kLocal);
    ASSERT_TRUE(holder.holds());
    UDPMultiNIC endpoint;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(endpoint.Init(kRemote, kLocal, nullptr));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to open UDP port 41089: Address already in use\n");
    EXPECT_EQ(endpoint.failure(), "Address already in use");
    EXPECT_TRUE(endpoint.socketInodes().empty()) << "no send socket left open";

    const auto holders = brenmoor::net::otherPortHolders(kLocal, endpoint.socketInodes());
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].uid, 65534u);
    EXPECT_EQ(holders[0].pid, holder.pid());
    EXPECT_EQ(holders[0].program, "test_lab_udp");
    EXPECT_TRUE(holders[0].ipv6);
    EXPECT_EQ(brenmoor::net::replyPortLine(kLocal, holders, endpoint.isRunning(), endpoint.failure()),
              "UDP port 41089 is held by another program (pid " + std::to_string(holder.pid())
                  + ", test_lab_udp, user 65534): no reply to it reaches this program until that program closes it; "
                    "Search tries again");
    // A holder out of sight (a /proc that shows nothing): the bind's error still says it.
    char nothing[] = "/tmp/bm-noproc-XXXXXX";
    ASSERT_NE(mkdtemp(nothing), nullptr);
    EXPECT_EQ(brenmoor::net::replyPortLine(kLocal, brenmoor::net::otherPortHolders(kLocal, {}, nothing), false,
                                           endpoint.failure()),
              "UDP port 41089 could not be opened (Address already in use): no reply to it reaches this program; "
              "Search tries again");
    rmdir(nothing);

    holder.leave();
    testing::internal::CaptureStdout();
    EXPECT_TRUE(endpoint.ReopenReceiveSocket());
    endpoint.Refresh();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(endpoint.isRunning());
    EXPECT_EQ(endpoint.failure(), "");
    const auto own = endpoint.socketInodes();
    EXPECT_EQ(own.size(), 4u) << "the receive socket and a send socket per interface";
    EXPECT_TRUE(brenmoor::net::otherPortHolders(kLocal, own).empty());
    EXPECT_EQ(brenmoor::net::otherPortHolders(kLocal, {}).size(), 1u) << "left out only as ours";
    EXPECT_EQ(brenmoor::net::replyPortLine(kLocal, {}, endpoint.isRunning(), endpoint.failure()), std::nullopt);
}

TEST(LabSession, NamesAnotherUsersHolderOfAReplyPortButNeverItsOwnSockets)
{
    NobodyHolds holder(21089);
    ASSERT_TRUE(holder.holds());
    DiscoverySession session(brenmoor::net::systemIfaddrs());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    session.start();
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(session.ready());
    EXPECT_EQ(session.portHolderLines(),
              std::vector<std::string>{"UDP port 21089 is held by another program (pid " + std::to_string(holder.pid())
                                       + ", test_lab_udp, user 65534): no reply to it reaches this program until that "
                                         "program closes it; Search tries again"})
        << "the key-value endpoint's sockets are not named";

    holder.leave();
    testing::internal::CaptureStdout();
    session.refresh();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(session.ready());
    EXPECT_EQ(session.portHolderLines(), std::vector<std::string>{});
    EXPECT_EQ(session.receiveBufferBytes(), 8 << 20);
    EXPECT_EQ(session.droppedReplies(), 0u);
}

TEST(LabSession, EveryEndpointThatDidNotStartIsReportedEvenWithNoHolderInSight)
{
    const brenmoor::net::IfaddrsSource none{[](ifaddrs**) { return -1; }, [](ifaddrs*) {}};
    DiscoverySession session(none);
    testing::internal::CaptureStderr();
    session.start();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(session.portHolderLines(),
              (std::vector<std::string>{"UDP port 21089 could not be opened (no network interface is up): no reply to "
                                        "it reaches this program; Search tries again",
                                        "UDP port 52380 could not be opened (no network interface is up): no reply to "
                                        "it reaches this program; Search tries again"}));
    EXPECT_EQ(session.receiveBufferBytes(), 0);
    session.stop();
    EXPECT_EQ(session.portHolderLines(), std::vector<std::string>{}) << "a stopped session has nothing to warn of";
}

TEST(LabSession, NoSendSocketTakesAReplyPortAtStartNorAtARetry)
{
    // Ephemeral ports from a few around the key-value reply port: a send socket bound before
    // it, or blind to it, would likely be handed it.
    PortRange range;
    ASSERT_TRUE(range.set("52378 52380"));
    {
        DiscoverySession session(brenmoor::net::systemIfaddrs());
        testing::internal::CaptureStdout();
        session.start();
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(session.ready());
        EXPECT_EQ(session.portHolderLines(), std::vector<std::string>{});
    }

    // A program on the loopback address alone keeps the key-value endpoint from the wildcard,
    // yet leaves the port free on the interface addresses, for the JSON endpoint's send sockets.
    ASSERT_TRUE(range.set("52379 52380"));
    const int loopbackHolder = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(52380);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(loopbackHolder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    DiscoverySession session(brenmoor::net::systemIfaddrs());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    session.start();
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(session.ready());
    EXPECT_EQ(session.portHolderLines(),
              std::vector<std::string>{"UDP port 52380 is held by another program (pid " + std::to_string(getpid())
                                       + ", test_lab_udp, user 0): no reply to it reaches this program until that "
                                         "program closes it; Search tries again"});

    close(loopbackHolder);
    ASSERT_TRUE(range.set("52378 52380")); // room for the key-value send sockets beside the JSON ones
    testing::internal::CaptureStdout();
    session.refresh();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(session.ready()) << "no JSON send socket sits on 52380";
    EXPECT_EQ(session.portHolderLines(), std::vector<std::string>{});
}
