#include "net/udpmultinic.h"

#include "base/consoleline.h"
#include "net/hostinterfaces.h"
#include "net/ifaddrssource.h"
#include "net/pinnedsend.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <exception>
#include <ifaddrs.h>
#include <mutex>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using brenmoor::console::printErrorLine;
using brenmoor::console::printLine;

namespace {

constexpr size_t kReceiveBufferBytes = 65536;
constexpr int kReceiveSocketBufferBytes = 4 << 20;

void setIntOption(int sock, int level, int option, int value)
{
    setsockopt(sock, level, option, &value, sizeof value);
}

// Sends out of the record's own device with the record's address as source.
ssize_t sendPinned(const NicInfo& nic, const sockaddr_in& destination, const unsigned char* data, size_t len)
{
    return brenmoor::net::sendThroughInterface(nic.sendSock, nic.ifIndex, nic.ip, destination, data, len);
}

enum class Reuse { Shared, Exclusive };

// A UDP socket bound to ip:port; -1 when it cannot be made. Port 0 lets the system pick the
// source port of a send socket.
int openBoundSocket(const std::string& ip, unsigned port, bool broadcast, Reuse reuse)
{
    const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return -1;
    if (broadcast)
        setIntOption(sock, SOL_SOCKET, SO_BROADCAST, 1);
    if (reuse == Reuse::Shared) {
        setIntOption(sock, SOL_SOCKET, SO_REUSEADDR, 1);
        setIntOption(sock, SOL_SOCKET, SO_REUSEPORT, 1);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port & 0xFFFF));
    if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1
        || bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(sock);
        return -1;
    }
    return sock;
}

} // namespace

bool udpPortTaken(unsigned port)
{
    const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return false;
    // No reuse options: the bind fails while any other socket has the port.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port & 0xFFFF));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    const bool taken = bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno == EADDRINUSE;
    close(sock);
    return taken;
}

UDPMultiNIC::UDPMultiNIC()
    : UDPMultiNIC(brenmoor::net::systemIfaddrs())
{
}

UDPMultiNIC::UDPMultiNIC(const brenmoor::net::IfaddrsSource& ifaddrsSource)
    : source(ifaddrsSource)
{
}

UDPMultiNIC::~UDPMultiNIC()
{
    Stop();
}

bool UDPMultiNIC::Init(unsigned remote, unsigned local, ReceiveCallback receiver)
{
    std::unique_lock<std::shared_mutex> lock(nicsLock);
    if (running)
        return false; // one Init per endpoint; a running endpoint is left as it is
    remotePort = remote;
    localPort = local;
    callback = std::move(receiver);
    return initialise();
}

bool UDPMultiNIC::initialise()
{
    state = State::Failed;
    const bool found = EnumerateInterfaces();
    initialisedWith = identitiesOf(nics);
    if (!found) {
        printErrorLine("Failed to get network interfaces");
        return false;
    }
    for (NicInfo& nic : nics) {
        nic.sendSock = CreateSendSocket(nic.ip);
        if (nic.sendSock < 0) {
            printErrorLine("Failed to create send socket for " + nic.name);
            CloseAllSockets();
            return false;
        }
    }
    recvSock = CreateRecvSocket("0.0.0.0");
    nics.front().recvSock = recvSock;
    if (recvSock < 0) {
        printErrorLine("Failed to create recv socket for ");
        CloseAllSockets();
        return false;
    }
    running = true;
    try {
        threads.emplace_back(&UDPMultiNIC::ReceiveThread, this, recvSock);
    } catch (const std::system_error&) {
        // Without its receive thread the endpoint is of no use: undo, and say so.
        running = false;
        printErrorLine("Failed to start the receive thread");
        CloseAllSockets();
        return false;
    }
    state = State::Running;
    rememberOwnAddresses();
    printLine("UDP MultiNIC initialized with " + std::to_string(nics.size()) + " interfaces");
    return true;
}

bool UDPMultiNIC::Refresh()
{
    std::unique_lock<std::shared_mutex> lock(nicsLock);
    if (state != State::Running && state != State::Failed)
        return false;
    bool listed = false;
    std::vector<NicInfo> now = usableInterfaces(listed);
    const bool changed = listed && identitiesOf(now) != initialisedWith;
    if (state == State::Failed) {
        // The port another program held may be free now, or a port may have come up.
        nics.clear();
        initialise();
        return changed;
    }
    if (!changed)
        return false; // a list that cannot be read now is no news about the interfaces
    replaceSendSockets(std::move(now));
    return true;
}

void UDPMultiNIC::replaceSendSockets(std::vector<NicInfo> records)
{
    // Replies keep arriving on the receive socket meanwhile; only the sending side changes.
    for (NicInfo& nic : nics) {
        if (nic.sendSock >= 0)
            close(nic.sendSock);
    }
    nics.clear();
    initialisedWith = identitiesOf(records);
    for (NicInfo& nic : records)
        printLine("Found NIC: " + nic.name + " - " + nic.ip);
    if (records.empty()) {
        // Sends find no record until a port comes back; the next Refresh sees it.
        printErrorLine("Failed to get network interfaces");
        return;
    }
    for (NicInfo& nic : records) {
        nic.sendSock = CreateSendSocket(nic.ip);
        if (nic.sendSock < 0) {
            // The port went away again in between: the others still send.
            printErrorLine("Failed to create send socket for " + nic.name);
            continue;
        }
        nics.push_back(nic);
    }
    if (!nics.empty())
        nics.front().recvSock = recvSock;
    rememberOwnAddresses();
    printLine("UDP MultiNIC initialized with " + std::to_string(nics.size()) + " interfaces");
}

std::vector<NicInfo> UDPMultiNIC::usableInterfaces(bool& listed) const
{
    std::vector<NicInfo> found;
    const auto addresses = brenmoor::net::readHostAddresses(source);
    listed = addresses.has_value();
    if (!addresses)
        return found;
    for (const brenmoor::net::HostAddress& address : *addresses) {
        if (!brenmoor::net::isSearched(address))
            continue;
        NicInfo nic;
        nic.ip = address.ip;
        nic.name = address.name;
        nic.ifIndex = if_nametoindex(address.link.c_str());
        found.push_back(nic);
    }
    return found;
}

std::set<UDPMultiNIC::NicIdentity> UDPMultiNIC::identitiesOf(const std::vector<NicInfo>& records)
{
    std::set<NicIdentity> identities;
    for (const NicInfo& nic : records)
        identities.emplace(nic.name, nic.ip, nic.ifIndex);
    return identities;
}

bool UDPMultiNIC::EnumerateInterfaces()
{
    bool listed = false;
    for (NicInfo& nic : usableInterfaces(listed)) {
        printLine("Found NIC: " + nic.name + " - " + nic.ip);
        nics.push_back(std::move(nic));
    }
    return listed && !nics.empty();
}

int UDPMultiNIC::CreateSendSocket(const std::string& ip)
{
    return openBoundSocket(ip, 0, true, Reuse::Shared);
}

int UDPMultiNIC::CreateRecvSocket(const std::string& ip)
{
    // The port is not shared: with reuse, a second window would take a share of the unicast
    // replies and a program bound later, of any user, all of them, without a word. A port held
    // by another program fails here, and is reported and tried again instead.
    const int sock = openBoundSocket(ip, localPort, false, Reuse::Exclusive);
    if (sock >= 0) {
        // Which interface each datagram came in by: the replies are counted per interface.
#if defined(__APPLE__)
        setIntOption(sock, IPPROTO_IP, IP_RECVPKTINFO, 1);
#else
        setIntOption(sock, IPPROTO_IP, IP_PKTINFO, 1);
#endif
        // Room for a burst of replies from a large site while the receive thread is not
        // scheduled. Past net.core.rmem_max only a privileged process may go (the FORCE
        // variant); otherwise the system's maximum applies.
        const int bytes = kReceiveSocketBufferBytes;
        if (setsockopt(sock, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
            setsockopt(sock, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    }
    return sock;
}

bool UDPMultiNIC::Send(const std::string& ip, const unsigned char* data, size_t len)
{
    std::shared_lock<std::shared_mutex> lock(nicsLock);
    if (!running) {
        printErrorLine("UDP not initialized or stopped");
        return false;
    }
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(static_cast<uint16_t>(remotePort & 0xFFFF));
    if (inet_pton(AF_INET, ip.c_str(), &destination.sin_addr) <= 0) {
        printErrorLine("Invalid destination IP: " + ip);
        return false;
    }
    if (nics.empty())
        return false;
    bool anySent = false;
    for (const NicInfo& nic : nics) {
        const ssize_t sent = sendPinned(nic, destination, data, len);
        if (sent >= 0 && static_cast<size_t>(sent) == len) {
            printLine("Sent " + std::to_string(len) + " bytes via " + nic.name + " (" + nic.ip + ")");
            anySent = true;
        } else {
            printErrorLine("Failed to send via " + nic.name);
        }
    }
    return anySent;
}

void UDPMultiNIC::ReceiveThread(int sock)
{
    std::vector<unsigned char> buffer(kReceiveBufferBytes, 0);
    timeval timeout{1, 0};
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    while (running) {
        sockaddr_in sender{};
        iovec iov{buffer.data(), buffer.size()};
        alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        msghdr msg{};
        msg.msg_name = &sender;
        msg.msg_namelen = sizeof sender;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t received = recvmsg(sock, &msg, 0);
        if (received <= 0)
            continue; // time-out, error, empty datagram, or Stop's wake-up
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &sender.sin_addr, text, sizeof text);
        unsigned ifIndex = 0;
        for (cmsghdr* header = CMSG_FIRSTHDR(&msg); header; header = CMSG_NXTHDR(&msg, header)) {
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
                in_pktinfo info{};
                std::memcpy(&info, CMSG_DATA(header), sizeof info);
                ifIndex = static_cast<unsigned>(info.ipi_ifindex);
            }
        }
        countReceived(text, ifIndex);
        if (!callback)
            continue;
        // A handler fault must not take the endpoint, or the process, down with it.
        try {
            callback(text, buffer.data(), static_cast<size_t>(received));
        } catch (const std::exception& e) {
            printErrorLine(std::string("Receive handler failed: ") + e.what());
        } catch (...) {
            printErrorLine("Receive handler failed");
        }
    }
}

void UDPMultiNIC::rememberOwnAddresses()
{
    std::lock_guard<std::mutex> lock(countsLock);
    ownAddresses.clear();
    for (const NicInfo& nic : nics)
        ownAddresses.insert(nic.ip);
}

void UDPMultiNIC::countReceived(const char* sender, unsigned ifIndex)
{
    std::lock_guard<std::mutex> lock(countsLock);
    if (ownAddresses.count(sender) == 0)
        ++receivedCounts[ifIndex];
}

std::map<unsigned, size_t> UDPMultiNIC::receivedByInterface() const
{
    std::lock_guard<std::mutex> lock(countsLock);
    return receivedCounts;
}

void UDPMultiNIC::resetReceivedCounts()
{
    std::lock_guard<std::mutex> lock(countsLock);
    receivedCounts.clear();
}

unsigned long UDPMultiNIC::receiveSocketInode() const
{
    std::shared_lock<std::shared_mutex> lock(nicsLock);
    struct stat info{};
    if (recvSock < 0 || fstat(recvSock, &info) != 0)
        return 0;
    return static_cast<unsigned long>(info.st_ino);
}

void UDPMultiNIC::Stop()
{
    if (!running.exchange(false))
        return;
    // Wakes a receive that is blocked, so Stop need not wait for the receive time-out.
    if (recvSock >= 0)
        shutdown(recvSock, SHUT_RDWR);
    for (std::thread& thread : threads) {
        if (thread.joinable())
            thread.join();
    }
    threads.clear();
    {
        std::unique_lock<std::shared_mutex> lock(nicsLock);
        CloseAllSockets();
        state = State::Stopped;
    }
    printLine("UDP MultiNIC stopped");
}

void UDPMultiNIC::CloseAllSockets()
{
    for (NicInfo& nic : nics) {
        if (nic.sendSock >= 0)
            close(nic.sendSock);
        nic.sendSock = -1;
        nic.recvSock = -1;
    }
    nics.clear();
    // The receive socket is the endpoint's, whichever record shows it.
    if (recvSock >= 0)
        close(recvSock);
    recvSock = -1;
}
