#pragma once
// One datagram endpoint over every usable local IPv4 interface: a send socket per interface
// address, so a broadcast leaves through each of them with that interface's address as its
// source, and one receive socket on the wildcard address served by one thread.

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace brenmoor::net {
struct IfaddrsSource;
}

// Whether another socket of this network namespace holds UDP `port` on any address: the
// endpoints' receive sockets then cannot be opened.
bool udpPortTaken(unsigned port);

// `data` is valid only during the call; `len` is at least 1.
using ReceiveCallback = std::function<void(const std::string& ip, const unsigned char* data, size_t len)>;

struct NicInfo
{
    std::string ip;
    std::string name;
    int sendSock = -1;
    int recvSock = -1; // only the first record holds the receive socket
    unsigned ifIndex = 0; // pins each send to this record's device
};

class UDPMultiNIC
{
public:
    UDPMultiNIC();
    // Enumerates interfaces from `source` instead of the system (tests).
    explicit UDPMultiNIC(const brenmoor::net::IfaddrsSource& source);
    ~UDPMultiNIC();
    UDPMultiNIC(const UDPMultiNIC&) = delete;
    UDPMultiNIC& operator=(const UDPMultiNIC&) = delete;

    bool Init(unsigned remotePort, unsigned localPort, ReceiveCallback callback);
    // Sends the datagram once through every record. True when at least one record sent it whole.
    bool Send(const std::string& ip, const unsigned char* data, size_t len);
    void Stop();

    // Looks at the interfaces again. When the endpoint takes another set of interface
    // addresses than it was initialised with (a cable plugged in, a DHCP lease, a port gone),
    // a running endpoint gets new send sockets, with the start-up console lines, and keeps
    // its receive socket and thread, so no reply waiting there is lost. One whose Init failed
    // (its port was held, no interface was up) runs Init again whatever the interfaces. A
    // stopped or never initialised endpoint stays as it is. Returns whether the interface set
    // changed. GUI thread (the owner), never from inside the receive callback.
    bool Refresh();

    bool isRunning() const { return running.load(); }
    unsigned port() const { return localPort; }
    // The receive socket's inode (as /proc/net/udp shows it); 0 when there is none.
    unsigned long receiveSocketInode() const;

    // Datagrams received per interface index since the last reset, the host's own (its
    // broadcasts coming back) left out.
    std::map<unsigned, size_t> receivedByInterface() const;
    void resetReceivedCounts();

private:
    // An interface address as the endpoint takes it; the index tells a port that came back
    // under the same name apart from the one that went away.
    using NicIdentity = std::tuple<std::string, std::string, unsigned>;
    enum class State { Idle, Failed, Running, Stopped };

    void ReceiveThread(int sock);
    void countReceived(const char* sender, unsigned ifIndex);
    void rememberOwnAddresses();
    bool EnumerateInterfaces();
    std::vector<NicInfo> usableInterfaces(bool& listed) const;
    static std::set<NicIdentity> identitiesOf(const std::vector<NicInfo>& records);
    bool initialise();
    void replaceSendSockets(std::vector<NicInfo> records);
    int CreateSendSocket(const std::string& ip);
    int CreateRecvSocket(const std::string& ip);
    void CloseAllSockets();

    const brenmoor::net::IfaddrsSource& source;
    unsigned remotePort = 0;
    unsigned localPort = 0;
    std::vector<NicInfo> nics;
    ReceiveCallback callback;
    std::atomic<bool> running{false};
    std::vector<std::thread> threads;
    int recvSock = -1; // also in the first record while there is one
    State state = State::Idle;
    std::set<NicIdentity> initialisedWith;
    // Send (from any thread) reads the records while Stop may be closing them: senders hold it
    // shared, Init and Stop hold it exclusively.
    mutable std::shared_mutex nicsLock;
    mutable std::mutex countsLock; // the two below
    std::map<unsigned, size_t> receivedCounts;
    std::set<std::string> ownAddresses;
};
