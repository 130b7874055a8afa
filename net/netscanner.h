#pragma once
// The neighbour scanner: sweeps every usable local /24 network with throw-away probes so the
// kernel resolves each live address, then reads the neighbour table back.

#include "base/canceltoken.h"
#include "net/neighbourmap.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace brenmoor::net {
struct IfaddrsSource;
enum class InterfaceRules;
}

struct ScanInterface
{
    std::string name;
    std::string ip;
    std::string prefix; // ip up to, not including, its last '.'
    std::string mask;   // recorded only: the sweep always covers hosts 1 to 254
    bool isLoopback = false;
    bool isUp = false; // IFF_UP and IFF_RUNNING
};

// One probe: a zero byte by UDP to port 9 and a non-blocking TCP connect to port 80, neither
// waited for. Their only purpose is to make the kernel resolve the address.
void probeHost(const std::string& ip);

// What the scanner does to the outside world; tests replace parts of it.
struct ScanActions
{
    std::function<void(const std::string& ip)> probe = probeHost;
    std::function<void(NeighbourMap& out, const std::string& prefix)> readTable;
    std::function<void(NeighbourMap& out, const std::string& prefix)> readCommand;
    std::function<void(int seconds)> pause; // by default cut short when `cancel` fires
    std::shared_ptr<const CancelToken> cancel; // optional: a cancelled scan stops early and finds nothing more
    ScanActions();
};

class NetScanner
{
public:
    NetScanner();
    NetScanner(const brenmoor::net::IfaddrsSource& source, ScanActions actions);
    // With another platform's interface rules (tests).
    NetScanner(const brenmoor::net::IfaddrsSource& source, ScanActions actions, brenmoor::net::InterfaceRules rules);

    const std::vector<ScanInterface>& interfaces() const { return list; }

    NeighbourMap scanAllInterfaces(int waitSeconds);
    // Returns when all 254 probes (prefix.1 to prefix.254) have finished.
    void sweepSubnet(const ScanInterface& iface);

private:
    void collectInterfaces(const brenmoor::net::IfaddrsSource& source, brenmoor::net::InterfaceRules rules);

    ScanActions actions;
    std::vector<ScanInterface> list;
};

// Sweeps and reads every usable interface (about two seconds each) and returns the merged
// map; an empty map is the only sign that nothing was found. The argument is not used.
NeighbourMap searchDeviceOneTime(std::string& unused);
// The same, stopping early (within about one probe's time) once `cancel` fires.
NeighbourMap searchDeviceOneTime(std::string& unused, std::shared_ptr<const CancelToken> cancel);
// The same over `source`'s interfaces with `actions` (whose `cancel` is set from `cancel`).
NeighbourMap searchDeviceOneTime(const brenmoor::net::IfaddrsSource& source, ScanActions actions,
                                 std::shared_ptr<const CancelToken> cancel);
