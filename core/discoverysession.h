#pragma once
// The network side of the command-line tool: the two protocols' endpoints over the chosen
// interfaces, the discovery requests the window's Search sends, the set-network commands
// Confirm sends, and the neighbour sweep.

#include "core/devicelist.h"
#include "net/ifaddrssource.h"
#include "net/localinterfaces.h"
#include "net/neighbourmap.h"
#include "net/udpmultinic.h"
#include "protocol/setnetwork.h"

#include <chrono>
#include <optional>
#include <string>

class DiscoverySession
{
public:
    explicit DiscoverySession(const brenmoor::net::IfaddrsSource& interfaces);
    ~DiscoverySession();
    DiscoverySession(const DiscoverySession&) = delete;
    DiscoverySession& operator=(const DiscoverySession&) = delete;

    // Nothing when both endpoints listen and have an interface to send through; otherwise
    // why not, as a console line.
    static std::optional<std::string> portProblem();
    bool ready() const;
    DeviceCollector& collected() { return devices; }

    // The JSON and the key-value discovery request, once each, through every interface.
    void sendDiscoveryRequests();
    // Collects replies for `wait`, meanwhile sweeping every network when `sweep` is set, and
    // returns what the sweep found in the neighbour table (nothing without it). The sweep
    // runs to its end even when it outlasts the wait.
    NeighbourMap discover(std::chrono::milliseconds wait, bool sweep);
    // The key-value command, then the JSON one, by broadcast; whether both left.
    bool sendSettings(const NetworkSettings& settings);

private:
    const brenmoor::net::IfaddrsSource& interfaces;
    DeviceCollector devices;
    UDPMultiNIC jsonEndpoint;
    UDPMultiNIC kvEndpoint;
};
