#include "net/udpmultinic.h"

#include "base/messages.h"
#include "net/datagrambatch.h"
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
#include <system_error>
#include <thread>
#include <unistd.h>

using brenmoor::messages::Level;
using brenmoor::messages::report;

namespace {

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

// A UDP socket bound to ip:port; -1 (errno telling why) when it cannot be made. Port 0 lets
// the system pick the source port of a send socket. No reuse options on either kind: the
// receive socket keeps its port to itself (see CreateRecvSocket), and the system never hands
// a send socket that cannot share a port still bound on its address, which CreateSendSocket
// relies on to get past a reply port.
int openBoundSocket(const std::string& ip, unsigned port, bool broadcast)
{
    const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return -1;
    if (broadcast)
        setIntOption(sock, SOL_SOCKET, SO_BROADCAST, 1);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port & 0xFFFF));
    if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1) {
        close(sock);
        errno = EINVAL;
        return -1;
    }
    if (bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        close(sock);
        errno = error;
        return -1;
    }
    return sock;
}

unsigned boundPort(int sock)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

unsigned long inodeOf(int sock)
{
    struct stat info{};
    if (sock < 0 || fstat(sock, &info) != 0)
        return 0;
    return static_cast<unsigned long>(info.st_ino);
}

// Asks for `bytes` of receive buffer: past net.core.rmem_max only a privileged process may go
// (the FORCE variant); otherwise the system's maximum applies. What was granted, as the system
// reports it, for the line that says why replies were dropped.
int applyReceiveBuffer(int sock, int bytes)
{
#if defined(SO_RCVBUFFORCE)
    if (setsockopt(sock, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
#endif
        setsockopt(sock, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    int granted = 0;
    socklen_t length = sizeof granted;
    if (getsockopt(sock, SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0)
        granted = 0;
    return granted;
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
    , requestedReceiveBuffer(kReceiveSocketBufferBytes)
{
}

UDPMultiNIC::~UDPMultiNIC()
{
    Stop();
}

bool UDPMultiNIC::OpenReceiveSocket(unsigned local)
{
    std::unique_lock<std::shared_mutex> lock(nicsLock);
    if (state == State::Running || state == State::Stopped)
        return recvSock >= 0;
    if (recvSock >= 0 && local != localPort) {
        close(recvSock);
        recvSock = -1;
    }
    localPort = local;
    return openReceiveSocket();
}

bool UDPMultiNIC::ReopenReceiveSocket()
{
    std::unique_lock<std::shared_mutex> lock(nicsLock);
    return state == State::Failed && openReceiveSocket();
}

void UDPMultiNIC::avoidSendPorts(std::set<unsigned> ports)
{
    std::unique_lock<std::shared_mutex> lock(nicsLock);
    avoidedPorts = std::move(ports);
}

void UDPMultiNIC::requestReceiveBuffer(int bytes)
{
    std::unique_lock<std::shared_mutex> lock(nicsLock);
    requestedReceiveBuffer = bytes;
    if (recvSock >= 0)
        grantedReceiveBuffer = applyReceiveBuffer(recvSock, bytes);
}

bool UDPMultiNIC::Init(unsigned remote, unsigned local, ReceiveCallback receiver)
{
    std::unique_lock<std::shared_mutex> lock(nicsLock);
    if (running)
        return false; // one Init per endpoint; a running endpoint is left as it is
    if (recvSock >= 0 && local != localPort) {
        close(recvSock); // opened ahead for another port
        recvSock = -1;
    }
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
        report(Level::Error, "Failed to get network interfaces");
        return fail("no network interface is up");
    }
    // The receive socket before the send sockets: bound first, the reply port is never
    // handed to one of them as its ephemeral port.
    if (!openReceiveSocket()) {
        brenmoor::messages::reportFailure(Level::Error, "Failed to open UDP port " + std::to_string(localPort), errno);
        return fail(failed);
    }
    for (NicInfo& nic : nics) {
        nic.sendSock = CreateSendSocket(nic.ip);
        if (nic.sendSock < 0) {
            const int error = errno;
            brenmoor::messages::reportFailure(Level::Error, "Failed to create send socket for " + nic.name, error);
            return fail("no send socket for " + nic.name + ": " + std::strerror(error));
        }
    }
    nics.front().recvSock = recvSock;
    running = true;
    try {
        threads.emplace_back(&UDPMultiNIC::ReceiveThread, this, recvSock);
    } catch (const std::system_error&) {
        // Without its receive thread the endpoint is of no use: undo, and say so.
        running = false;
        report(Level::Error, "Failed to start the receive thread");
        return fail("its receive thread could not start");
    }
    state = State::Running;
    failed.clear();
    rememberOwnAddresses();
    report(Level::Info, "UDP MultiNIC initialized with " + std::to_string(nics.size()) + " interfaces");
    return true;
}

bool UDPMultiNIC::openReceiveSocket()
{
    if (recvSock >= 0)
        return true;
    recvSock = CreateRecvSocket("0.0.0.0");
    if (recvSock >= 0)
        return true;
    const int error = errno;
    failed = std::strerror(error);
    errno = error; // for the caller's report
    return false;
}

bool UDPMultiNIC::fail(const std::string& why)
{
    failed = why;
    state = State::Failed;
    CloseAllSockets();
    return false;
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
        report(Level::Info, "Found NIC: " + nic.name + " - " + nic.ip);
    if (records.empty()) {
        // Sends find no record until a port comes back; the next Refresh sees it.
        report(Level::Error, "Failed to get network interfaces");
        return;
    }
    for (NicInfo& nic : records) {
        nic.sendSock = CreateSendSocket(nic.ip);
        if (nic.sendSock < 0) {
            // The port went away again in between: the others still send.
            brenmoor::messages::reportFailure(Level::Error, "Failed to create send socket for " + nic.name, errno);
            continue;
        }
        nics.push_back(nic);
    }
    if (!nics.empty())
        nics.front().recvSock = recvSock;
    rememberOwnAddresses();
    report(Level::Info, "UDP MultiNIC initialized with " + std::to_string(nics.size()) + " interfaces");
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
        report(Level::Info, "Found NIC: " + nic.name + " - " + nic.ip);
        nics.push_back(std::move(nic));
    }
    return listed && !nics.empty();
}

int UDPMultiNIC::CreateSendSocket(const std::string& ip)
{
    // A refused socket stays bound while the next is opened, so the system hands out another
    // port each time: one try more than there are ports to avoid always ends.
    std::vector<int> refused;
    int sock = -1;
    for (size_t tries = 0; tries <= avoidedPorts.size(); ++tries) {
        sock = openBoundSocket(ip, 0, true);
        if (sock < 0 || avoidedPorts.count(boundPort(sock)) == 0)
            break;
        refused.push_back(sock);
        sock = -1;
    }
    const int error = errno;
    for (const int other : refused)
        close(other);
    errno = error;
    return sock;
}

int UDPMultiNIC::CreateRecvSocket(const std::string& ip)
{
    // The port is not shared: with reuse, a second window would take a share of the unicast
    // replies and a program bound later, of any user, all of them, without a word. A port held
    // by another program fails here, and is reported and tried again instead.
    const int sock = openBoundSocket(ip, localPort, false);
    if (sock >= 0) {
        // Which interface each datagram came in by: the replies are counted per interface.
#if defined(__APPLE__)
        setIntOption(sock, IPPROTO_IP, IP_RECVPKTINFO, 1);
#else
        setIntOption(sock, IPPROTO_IP, IP_PKTINFO, 1);
#endif
        // Room for a burst of replies from a large site while the receive thread is not
        // scheduled.
        grantedReceiveBuffer = applyReceiveBuffer(sock, requestedReceiveBuffer);
#if defined(SO_RXQ_OVFL)
        // Every datagram then carries the socket's drop count: replies lost to a full buffer
        // are counted instead of vanishing.
        setIntOption(sock, SOL_SOCKET, SO_RXQ_OVFL, 1);
#endif
        std::lock_guard<std::mutex> counts(countsLock);
        drops = 0; // a new socket counts from 0
        dropsAtReset = 0;
    }
    return sock;
}

bool UDPMultiNIC::Send(const std::string& ip, const unsigned char* data, size_t len)
{
    std::shared_lock<std::shared_mutex> lock(nicsLock);
    if (!running) {
        report(Level::Error, "UDP not initialized or stopped");
        return false;
    }
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(static_cast<uint16_t>(remotePort & 0xFFFF));
    if (inet_pton(AF_INET, ip.c_str(), &destination.sin_addr) <= 0) {
        report(Level::Error, "Invalid destination IP: " + ip);
        return false;
    }
    if (nics.empty())
        return false;
    bool anySent = false;
    for (const NicInfo& nic : nics) {
        const ssize_t sent = sendPinned(nic, destination, data, len);
        if (sent >= 0 && static_cast<size_t>(sent) == len) {
            report(Level::Info, "Sent " + std::to_string(len) + " bytes via " + nic.name + " (" + nic.ip + ")");
            anySent = true;
        } else if (sent < 0) {
            brenmoor::messages::reportFailure(Level::Error, "Failed to send via " + nic.name, errno);
        } else {
            report(Level::Error, "Failed to send via " + nic.name + ": only " + std::to_string(sent) + " of "
                                     + std::to_string(len) + " bytes went out");
        }
    }
    return anySent;
}

void UDPMultiNIC::ReceiveThread(int sock)
{
    brenmoor::net::DatagramBatch batch;
    // Running is looked at once a second even when nothing comes.
    timeval timeout{1, 0};
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    while (running) {
        for (const brenmoor::net::ReceivedDatagram& datagram : batch.receive(sock)) {
            if (!running)
                break; // Stop's wake-up: the rest of the batch belongs to nobody now
            deliver(datagram);
        }
    }
}

void UDPMultiNIC::deliver(const brenmoor::net::ReceivedDatagram& datagram)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &datagram.sender.sin_addr, text, sizeof text);
    countReceived(text, datagram);
    if (datagram.length == 0 || !callback)
        return;
    // A handler fault must not take the endpoint, or the process, down with it.
    try {
        callback(text, datagram.data, datagram.length);
    } catch (const std::exception& e) {
        report(Level::Error, std::string("Receive handler failed: ") + e.what());
    } catch (...) {
        report(Level::Error, "Receive handler failed");
    }
}

void UDPMultiNIC::rememberOwnAddresses()
{
    std::lock_guard<std::mutex> lock(countsLock);
    ownAddresses.clear();
    for (const NicInfo& nic : nics)
        ownAddresses.insert(nic.ip);
}

void UDPMultiNIC::countReceived(const std::string& sender, const brenmoor::net::ReceivedDatagram& datagram)
{
    std::lock_guard<std::mutex> lock(countsLock);
    // An empty datagram is no reply, but its drop count is as new as any.
    if (datagram.drops)
        drops = *datagram.drops;
    if (datagram.length > 0 && ownAddresses.count(sender) == 0)
        ++receivedCounts[datagram.ifIndex];
}

std::map<unsigned, size_t> UDPMultiNIC::receivedByInterface() const
{
    std::lock_guard<std::mutex> lock(countsLock);
    return receivedCounts;
}

size_t UDPMultiNIC::droppedSinceReset() const
{
    std::lock_guard<std::mutex> lock(countsLock);
    return static_cast<uint32_t>(drops - dropsAtReset);
}

void UDPMultiNIC::resetReceivedCounts()
{
    std::lock_guard<std::mutex> lock(countsLock);
    receivedCounts.clear();
    dropsAtReset = drops;
}

unsigned long UDPMultiNIC::receiveSocketInode() const
{
    std::shared_lock<std::shared_mutex> lock(nicsLock);
    return inodeOf(recvSock);
}

std::set<unsigned long> UDPMultiNIC::socketInodes() const
{
    std::shared_lock<std::shared_mutex> lock(nicsLock);
    std::set<unsigned long> inodes;
    if (const unsigned long inode = inodeOf(recvSock))
        inodes.insert(inode);
    for (const NicInfo& nic : nics)
        if (const unsigned long inode = inodeOf(nic.sendSock))
            inodes.insert(inode);
    return inodes;
}

std::string UDPMultiNIC::failure() const
{
    std::shared_lock<std::shared_mutex> lock(nicsLock);
    return state == State::Failed ? failed : std::string();
}

int UDPMultiNIC::receiveBufferBytes() const
{
    return grantedReceiveBuffer.load();
}

void UDPMultiNIC::Stop()
{
    const bool wasRunning = running.exchange(false);
    if (wasRunning) {
        // Wakes a receive that is blocked, so Stop need not wait for the receive time-out.
        if (recvSock >= 0)
            shutdown(recvSock, SHUT_RDWR);
        for (std::thread& thread : threads) {
            if (thread.joinable())
                thread.join();
        }
        threads.clear();
    }
    {
        // Also an endpoint that failed, or holds only the receive socket it opened ahead: it
        // stays closed, and Refresh leaves it so.
        std::unique_lock<std::shared_mutex> lock(nicsLock);
        CloseAllSockets();
        if (state != State::Idle)
            state = State::Stopped;
    }
    if (wasRunning)
        report(Level::Info, "UDP MultiNIC stopped");
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
    grantedReceiveBuffer = 0;
}
