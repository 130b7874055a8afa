#include "core/discoverysession.h"

#include "net/netscanner.h"
#include "net/reversepathfilter.h"
#include "protocol/discovery.h"
#include "protocol/jsonreply.h"
#include "protocol/kvframe.h"
#include "protocol/kvreply.h"

#include <future>
#include <thread>

namespace {

constexpr const char* kBroadcast = "255.255.255.255";
constexpr unsigned kJsonReplyPort = 21089;
constexpr unsigned kKvPort = 52380;

} // namespace

DiscoverySession::DiscoverySession(const brenmoor::net::IfaddrsSource& source)
    : interfaces(source)
    , jsonEndpoint(source)
    , kvEndpoint(source)
{
    // Replies are decoded on the receive threads, as the window's handlers do, and merged at
    // once: nothing waits in between, so nothing can pile up.
    jsonEndpoint.Init(21088, kJsonReplyPort, [this](const std::string& ip, const unsigned char* data, size_t len) {
        try {
            const JsonReplyResult result = decodeJsonReply(data, static_cast<int>(len));
            if (result.kind == JsonReplyResult::Device)
                devices.add(deviceRecord(ip, result.reply));
        } catch (...) {
            // Allocation failure is the only way here; the datagram is dropped.
        }
    });
    kvEndpoint.Init(kKvPort, kKvPort, [this](const std::string& ip, const unsigned char* data, size_t len) {
        try {
            if (const auto record = decodeKvReply(reinterpret_cast<const char*>(data), static_cast<int>(len)))
                devices.add(deviceRecord(ip, *record));
        } catch (...) {
        }
    });
}

DiscoverySession::~DiscoverySession()
{
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

bool DiscoverySession::ready() const
{
    return jsonEndpoint.isRunning() && kvEndpoint.isRunning();
}

void DiscoverySession::sendDiscoveryRequests()
{
    sendDiscoveryRequest([this](const std::string& ip, const unsigned char* data, size_t len) {
        return jsonEndpoint.Send(ip, data, len);
    }, getLocalID());
    const std::string& request = kvDiscoveryRequest();
    kvEndpoint.Send(kBroadcast, reinterpret_cast<const unsigned char*>(request.data()), request.size());
}

NeighbourMap DiscoverySession::discover(std::chrono::milliseconds wait, bool sweep)
{
    const brenmoor::net::ReversePathDropWatch drops;
    std::future<NeighbourMap> swept;
    if (sweep) {
        swept = std::async(std::launch::async, [this] {
            return searchDeviceOneTime(interfaces, ScanActions(), std::make_shared<const CancelToken>());
        });
    }
    sendDiscoveryRequests();
    std::this_thread::sleep_for(wait);
    NeighbourMap neighbours = swept.valid() ? swept.get() : NeighbourMap{};
    // Replies the kernel dropped never reach the endpoints: say so, and what lets them in.
    drops.report(interfaces);
    return neighbours;
}

bool DiscoverySession::sendSettings(const NetworkSettings& settings)
{
    const std::string frame = kvSetNetworkFrame(settings);
    const bool kvSent = kvEndpoint.Send(kBroadcast, reinterpret_cast<const unsigned char*>(frame.data()), frame.size());
    const std::vector<unsigned char> packet = jsonSetNetworkPacket(settings, getLocalID());
    const bool jsonSent = !packet.empty() && jsonEndpoint.Send(kBroadcast, packet.data(), packet.size());
    return kvSent && jsonSent;
}
