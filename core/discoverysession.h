#pragma once
// The network side of a front end: the two protocols' endpoints over the interfaces it was
// given, the discovery requests, the decoding of replies into device records and their
// hand-off from the receive threads, and the set-network commands. The window and
// brenmoor-cli each run one.

#include "core/deviceinbox.h"
#include "core/protocolhandlers.h"
#include "core/replydrops.h" // the line for droppedReplies, to every front end of a session
#include "net/ifaddrssource.h"
#include "net/udpmultinic.h"
#include "protocol/setnetwork.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class DiscoverySession
{
public:
    // `arrived` runs on a receive or scan thread whenever something lands in an empty inbox:
    // the owner's wake-up. `interfaces` must outlive the session.
    explicit DiscoverySession(const brenmoor::net::IfaddrsSource& interfaces, std::function<void()> arrived = {});
    ~DiscoverySession();
    DiscoverySession(const DiscoverySession&) = delete;
    DiscoverySession& operator=(const DiscoverySession&) = delete;

    // Opens both endpoints. Decoded replies go to `sink` when one is given (the window
    // passes them through its own signal), otherwise straight into the inbox.
    void start(DeviceSink sink = {});
    // Stops both endpoints and joins their receive threads; what is sent afterwards goes
    // nowhere, silently.
    void stop();
    // Nothing when both reply ports are free for this program; otherwise why not, as a line.
    // Before start: a program that must see every reply asks first.
    static std::optional<std::string> portProblem();
    bool ready() const;
    // After start: one line for each reply port another program holds (this session's
    // endpoint then could not open it, or shares it with a program that got in first), and
    // one for each endpoint that is not running whatever the cause (the bind's error, no
    // interface up), so no reply is lost without a word. The session's own sockets, receive
    // and send, are never named.
    std::vector<std::string> portHolderLines() const;

    // Any thread: a record into the inbox, waking the owner when the inbox was empty.
    void deliver(const DeviceRecord& record);
    DeviceInbox& inbox() { return arrivals; }

    // A new Search: what arrived before belongs to the list just emptied, and the replies are
    // counted afresh. Returns the Search's number.
    unsigned beginSearch();
    // Any thread: the addresses replies came from since the Search began.
    std::vector<std::string> addressesHeard() const;
    // Any thread: datagrams received per interface index since the Search began.
    std::map<unsigned, size_t> repliesByInterface() const;
    // Any thread: datagrams the kernel dropped on both endpoints, their buffers full, since the
    // Search began; told with the next datagram each endpoint receives (a second request
    // brings them). With receiveBufferBytes, what droppedRepliesLine (core/replydrops.h) says.
    size_t droppedReplies() const;
    // Any thread: the smaller of the endpoints' receive buffers as the system reports them
    // (twice the bytes granted on Linux); 0 when neither has a receive socket.
    int receiveBufferBytes() const;
    // The receive buffer asked of the system for both endpoints, now and when they open again
    // (tests make the kernel drop with a small one).
    void requestReceiveBuffers(int bytes);

    // The owner's thread, before sends: a port that came up since (a cable, a DHCP lease) is
    // sent through too, one that went away no longer is, an endpoint that could not start
    // (its port was held) starts now, and the local record is chosen again when the
    // interfaces changed.
    void refresh();

    // Any thread. Each returns whether at least one interface sent it whole.
    bool sendJsonDiscovery();
    bool sendKvDiscovery();
    void sendDiscoveryRequests();
    bool sendKvSettings(const NetworkSettings& settings);
    bool sendJsonSettings(const NetworkSettings& settings);
    // The key-value command, then the JSON one, as Confirm sends them; whether both left.
    bool sendSettings(const NetworkSettings& settings);

    const brenmoor::net::IfaddrsSource& interfaces() const { return source; }

private:
    // What stamps every JSON packet: the host's identifier, from the interfaces given.
    uint32_t localId() const;
    bool send(UDPMultiNIC& endpoint, const unsigned char* data, size_t len);

    const brenmoor::net::IfaddrsSource& source;
    std::function<void()> arrived;
    DeviceInbox arrivals;
    std::mutex searchLock; // the Search count and the inbox emptied with it
    unsigned searches = 0;
    mutable std::mutex heardLock;
    std::set<std::string> heard;
    std::atomic<bool> stopped{false};
    UDPMultiNIC jsonEndpoint;
    UDPMultiNIC kvEndpoint;
};
