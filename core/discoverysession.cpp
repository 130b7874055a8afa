#include "core/discoverysession.h"

#include "base/logging.h"
#include "net/localinterfaces.h"
#include "net/udpportholders.h"
#include "protocol/discovery.h"
#include "protocol/kvframe.h"

#include <algorithm>

namespace {

constexpr const char* kBroadcast = "255.255.255.255";
constexpr unsigned kJsonRequestPort = 21088;
constexpr unsigned kJsonReplyPort = 21089;
constexpr unsigned kKvPort = 52380;

} // namespace

DiscoverySession::DiscoverySession(const brenmoor::net::IfaddrsSource& interfaces, std::function<void()> onArrival)
    : source(interfaces)
    , arrived(std::move(onArrival))
    , jsonEndpoint(interfaces)
    , kvEndpoint(interfaces)
{
    // The key-value reply port lies inside the system's ephemeral range: a send socket handed
    // it (or the JSON one, where the range was widened) would keep that endpoint from binding
    // its port at the next try.
    for (UDPMultiNIC* endpoint : {&jsonEndpoint, &kvEndpoint})
        endpoint->avoidSendPorts({kJsonReplyPort, kKvPort});
}

DiscoverySession::~DiscoverySession()
{
    stop();
}

void DiscoverySession::start(DeviceSink sink)
{
    brenmoor::net::forgetLocalRecord(); // chosen from the ports there are as the endpoints open
    if (!sink)
        sink = [this](const DeviceRecord& record) { deliver(record); };
    // Both reply ports are bound before any send socket is opened.
    jsonEndpoint.OpenReceiveSocket(kJsonReplyPort);
    kvEndpoint.OpenReceiveSocket(kKvPort);
    // Replies are decoded on the receive threads; only records cross to the owner.
    jsonEndpoint.Init(kJsonRequestPort, kJsonReplyPort, [sink](const std::string& ip, const unsigned char* data, size_t len) {
        udpReceiveFun(ip, data, static_cast<int>(len), sink);
    });
    kvEndpoint.Init(kKvPort, kKvPort, [sink](const std::string& ip, const unsigned char* data, size_t len) {
        udpReceiveFun_visca(ip, const_cast<char*>(reinterpret_cast<const char*>(data)), static_cast<int>(len), sink);
    });
}

void DiscoverySession::stop()
{
    stopped = true;
    kvEndpoint.Stop();
    jsonEndpoint.Stop();
}

std::optional<std::string> DiscoverySession::portProblem()
{
    for (const unsigned port : {kJsonReplyPort, kKvPort})
        if (udpPortTaken(port))
            return "UDP port " + std::to_string(port) + " is in use by another program (the Lorvane window?): it would "
                   "take a share of the replies. Close it and try again";
    return std::nullopt;
}

std::vector<std::string> DiscoverySession::portHolderLines() const
{
    std::set<unsigned long> own = jsonEndpoint.socketInodes();
    own.merge(kvEndpoint.socketInodes());
    std::vector<std::string> lines;
    for (const UDPMultiNIC* endpoint : {&jsonEndpoint, &kvEndpoint}) {
        const unsigned port = endpoint->port();
        const auto holders = brenmoor::net::otherPortHolders(port, own);
        if (auto line = brenmoor::net::replyPortLine(port, holders, endpoint->isRunning(), endpoint->failure()))
            lines.push_back(std::move(*line));
    }
    return lines;
}

bool DiscoverySession::ready() const
{
    return jsonEndpoint.isRunning() && kvEndpoint.isRunning();
}

void DiscoverySession::deliver(const DeviceRecord& received)
{
    DeviceRecord record = received;
    if (record.heardAt == std::chrono::steady_clock::time_point{})
        record.heardAt = std::chrono::steady_clock::now();
    {
        std::lock_guard<std::mutex> lock(heardLock);
        heard.insert(record.ip.toStdString());
    }
    if (arrivals.push(record) && arrived)
        arrived();
}

unsigned DiscoverySession::beginSearch()
{
    unsigned number = 0;
    {
        std::lock_guard<std::mutex> lock(searchLock);
        number = ++searches;
        arrivals.clear();
    }
    {
        std::lock_guard<std::mutex> lock(heardLock);
        heard.clear();
    }
    jsonEndpoint.resetReceivedCounts();
    kvEndpoint.resetReceivedCounts();
    return number;
}

std::vector<std::string> DiscoverySession::addressesHeard() const
{
    std::lock_guard<std::mutex> lock(heardLock);
    return {heard.begin(), heard.end()};
}

std::map<unsigned, size_t> DiscoverySession::repliesByInterface() const
{
    std::map<unsigned, size_t> replies = jsonEndpoint.receivedByInterface();
    for (const auto& [ifIndex, count] : kvEndpoint.receivedByInterface())
        replies[ifIndex] += count;
    return replies;
}

size_t DiscoverySession::droppedReplies() const
{
    return jsonEndpoint.droppedSinceReset() + kvEndpoint.droppedSinceReset();
}

void DiscoverySession::requestReceiveBuffers(int bytes)
{
    jsonEndpoint.requestReceiveBuffer(bytes);
    kvEndpoint.requestReceiveBuffer(bytes);
}

int DiscoverySession::receiveBufferBytes() const
{
    const int json = jsonEndpoint.receiveBufferBytes();
    const int kv = kvEndpoint.receiveBufferBytes();
    if (json == 0 || kv == 0)
        return std::max(json, kv);
    return std::min(json, kv);
}

void DiscoverySession::refresh()
{
    // An endpoint that could not start binds its reply port again before either opens a send
    // socket, as at start.
    jsonEndpoint.ReopenReceiveSocket();
    kvEndpoint.ReopenReceiveSocket();
    const bool jsonChanged = jsonEndpoint.Refresh();
    const bool kvChanged = kvEndpoint.Refresh();
    if (jsonChanged || kvChanged)
        brenmoor::net::forgetLocalRecord(); // chosen again from the ports there are now
}

uint32_t DiscoverySession::localId() const
{
    return brenmoor::net::localIdFromMac(brenmoor::net::getloacMacIp(source).mac);
}

bool DiscoverySession::send(UDPMultiNIC& endpoint, const unsigned char* data, size_t len)
{
    // A sender that got hold of the session just before its owner closed it sends nothing.
    return !stopped && endpoint.Send(kBroadcast, data, len);
}

bool DiscoverySession::sendJsonDiscovery()
{
    bool sent = false;
    sendDiscoveryRequest(
        [&](const std::string& /*broadcast*/, const unsigned char* data, size_t len) {
            sent = send(jsonEndpoint, data, len);
            return sent;
        },
        localId());
    return sent;
}

bool DiscoverySession::sendKvDiscovery()
{
    const std::string& request = kvDiscoveryRequest();
    return send(kvEndpoint, reinterpret_cast<const unsigned char*>(request.data()), request.size());
}

void DiscoverySession::sendDiscoveryRequests()
{
    sendJsonDiscovery();
    sendKvDiscovery();
}

bool DiscoverySession::sendKvSettings(const NetworkSettings& settings)
{
    const std::string frame = kvSetNetworkFrame(settings);
    return send(kvEndpoint, reinterpret_cast<const unsigned char*>(frame.data()), frame.size());
}

bool DiscoverySession::sendJsonSettings(const NetworkSettings& settings)
{
    const std::vector<unsigned char> packet = jsonSetNetworkPacket(settings, localId());
    if (packet.empty()) {
        BM_LOG_ERROR("...."); // the payload does not fit in a packet
        return false;
    }
    return send(jsonEndpoint, packet.data(), packet.size());
}

bool DiscoverySession::sendSettings(const NetworkSettings& settings)
{
    const bool kvSent = sendKvSettings(settings);
    const bool jsonSent = sendJsonSettings(settings);
    return kvSent && jsonSent;
}
