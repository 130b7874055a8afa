#pragma once
// One datagram endpoint over every usable local IPv4 interface: a send socket per interface
// address, so a broadcast leaves through each of them with that interface's address as its
// source, and one receive socket on the wildcard address served by one thread.

#include <atomic>
#include <cstdint>
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
struct ReceivedDatagram;
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

    // Binds the receive socket alone, ahead of Init: a session binds every reply port before
    // any send socket of its endpoints takes an ephemeral port, which could be one of them (the
    // key-value reply port lies inside the system's ephemeral range). Init binds it itself when
    // this was not called or failed. Leaves a running or stopped endpoint as it is. Whether the
    // receive socket is open.
    bool OpenReceiveSocket(unsigned localPort);
    // The same for an endpoint whose Init failed, ahead of the Refresh that runs Init again.
    // Others are left as they are. Whether it opened the receive socket.
    bool ReopenReceiveSocket();
    // Ports no send socket may take (the session's reply ports): one the system hands out
    // anyway is given back for another. Applies to send sockets opened from now on.
    void avoidSendPorts(std::set<unsigned> ports);
    // The receive buffer asked of the system for the receive socket, now and when it is opened
    // again (4 MiB unless set; tests ask for a small one to make the kernel drop).
    void requestReceiveBuffer(int bytes);
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
    // The inodes of every socket of the endpoint, receive and send: none of them is another
    // program holding a port.
    std::set<unsigned long> socketInodes() const;
    // Why the last Init or Refresh left the endpoint without its receive thread: the bind's
    // error ("Address already in use"), or "no network interface is up", ...; empty while it
    // runs, before Init and once stopped.
    std::string failure() const;
    // The receive buffer the system granted, as it reports it: Linux reports twice the bytes
    // asked (the other half is its bookkeeping), so a default user's 212992-byte maximum reads
    // 425984. 0 when there is no receive socket.
    int receiveBufferBytes() const;

    // Datagrams received per interface index since the last reset, the host's own (its
    // broadcasts coming back) left out.
    std::map<unsigned, size_t> receivedByInterface() const;
    // Datagrams the kernel dropped on the receive socket, its buffer full, since the last reset.
    // The kernel tells the count only with the next datagram it queues, so drops after the
    // last datagram of a burst show once another one comes.
    size_t droppedSinceReset() const;
    // Starts both counts afresh.
    void resetReceivedCounts();

private:
    // An interface address as the endpoint takes it; the index tells a port that came back
    // under the same name apart from the one that went away.
    using NicIdentity = std::tuple<std::string, std::string, unsigned>;
    enum class State { Idle, Failed, Running, Stopped };

    void ReceiveThread(int sock);
    void deliver(const brenmoor::net::ReceivedDatagram& datagram);
    void countReceived(const std::string& sender, const brenmoor::net::ReceivedDatagram& datagram);
    void rememberOwnAddresses();
    bool EnumerateInterfaces();
    std::vector<NicInfo> usableInterfaces(bool& listed) const;
    static std::set<NicIdentity> identitiesOf(const std::vector<NicInfo>& records);
    bool initialise();
    bool openReceiveSocket();
    bool fail(const std::string& why);
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
    std::string failed; // why, in the Failed state
    std::set<unsigned> avoidedPorts;
    int requestedReceiveBuffer;
    std::atomic<int> grantedReceiveBuffer{0};
    std::set<NicIdentity> initialisedWith;
    // Send (from any thread) reads the records while Stop may be closing them: senders hold it
    // shared, Init and Stop hold it exclusively.
    mutable std::shared_mutex nicsLock;
    mutable std::mutex countsLock; // the four below
    std::map<unsigned, size_t> receivedCounts;
    std::set<std::string> ownAddresses;
    // The receive socket's drop count as last told, and as it stood at the last reset; both
    // 32 bits wide as the kernel counts, so the difference holds across its wrap.
    uint32_t drops = 0;
    uint32_t dropsAtReset = 0;
};
