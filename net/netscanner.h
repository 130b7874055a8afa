#pragma once
// The neighbour scanner: sweeps every usable local IPv4 network with throw-away probes so the
// kernel resolves each live address, then reads back what the kernel confirmed since.

#include "base/canceltoken.h"
#include "net/neighbourmap.h"
#include "net/neighbourtable.h"
#include "net/sweepplan.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brenmoor::net {
struct IfaddrsSource;
enum class InterfaceRules;
}

// One IPv4 address of the host that is swept from: an interface with several addresses is
// swept from each of them.
struct ScanInterface
{
    std::string name; // as listed, a label such as "eth0:1" included
    std::string ip;
    std::string prefix; // ip up to, not including, its last '.'
    std::string mask;   // "255.255.255.0" when the system gives none
    bool isLoopback = false;
    bool isUp = false; // IFF_UP and IFF_RUNNING
    unsigned ifIndex = 0;
};

// One probe through interface `ifIndex` (0: wherever the routes say): a zero byte by UDP to
// port 9 and a non-blocking TCP connect to port 80, neither waited for. Their only purpose is
// to make the kernel resolve the address on that link. A kind that cannot be pinned to the
// interface without privileges is not sent. False when neither could be sent.
bool probeHost(const std::string& ip, unsigned ifIndex);

// What the scanner does to the outside world; tests replace parts of it.
struct ScanActions
{
    std::function<bool(const std::string& ip, unsigned ifIndex)> probe = probeHost;
    std::function<std::optional<std::vector<brenmoor::net::Neighbour>>()> readTable;
    // The fallback when the table cannot be read at all.
    std::function<void(NeighbourMap& out, const std::string& prefix)> readCommand;
    std::function<void(std::chrono::milliseconds)> pause; // by default cut short when `cancel` fires
    std::function<unsigned(const std::string& link)> interfaceIndex;
    std::function<bool(const std::string& link)> isContainerBridge;
    std::function<std::optional<brenmoor::net::NeighbourTableSize>()> tableSize;
    // The addresses of the devices listed so far: in a network too large to sweep whole, they
    // are probed besides the host's own /24.
    std::function<std::vector<std::string>()> listed;
    // When the Search began (its discovery requests went out): an entry the kernel learned
    // from a host's own ARP since then is evidence too. By default, when the sweep begins.
    std::optional<std::chrono::steady_clock::time_point> searchBegan;
    std::shared_ptr<const CancelToken> cancel; // optional: a cancelled scan stops early and finds nothing more
    ScanActions();
};

// What one address's sweep found.
struct SweptCount
{
    std::string name;
    std::string ip;
    unsigned ifIndex = 0;
    size_t hosts = 0; // hosts that answered ARP (the kernel confirmed them during the sweep)
};

struct SweepResult
{
    NeighbourMap neighbours; // MAC -> IPv4, a host at several addresses under each
    std::vector<SweptCount> swept;
    size_t failedProbes = 0;
    // Entries the kernel held as stale when the sweep began were not verified again yet:
    // the kernel does so about 5 s after the probe, and lateEvidence() reads them then.
    bool kernelStillVerifying = false;
};

class NetScanner
{
public:
    NetScanner();
    NetScanner(const brenmoor::net::IfaddrsSource& source, ScanActions actions);
    // With another platform's interface rules (tests).
    NetScanner(const brenmoor::net::IfaddrsSource& source, ScanActions actions, brenmoor::net::InterfaceRules rules);

    const std::vector<ScanInterface>& interfaces() const { return list; }

    // Sweeps every address at once, waits `waitSeconds` once, reads the table once (in more
    // rounds only when the kernel's table has no room for all probes), then prints each
    // address's lines in order.
    SweepResult sweep(int waitSeconds);
    NeighbourMap scanAllInterfaces(int waitSeconds) { return sweep(waitSeconds).neighbours; }
    // After sweep(): waits until the kernel has verified again what it held as stale (about
    // 6 s after the sweep began) and reads once more; all the evidence, the sweep's included.
    NeighbourMap lateEvidence();

private:
    void collectInterfaces(const brenmoor::net::IfaddrsSource& source, brenmoor::net::InterfaceRules rules);
    // Probes `targets`; returns how many could not be sent.
    size_t probeAll(const std::vector<brenmoor::net::ProbeTarget>& targets, size_t from, size_t to);
    // Adds the fresh entries of `entries` (or of the command's output when the table could
    // not be read) to each address's finds.
    void collectFresh(std::vector<NeighbourMap>& found,
                      const std::optional<std::vector<brenmoor::net::Neighbour>>& entries,
                      const std::function<bool(const brenmoor::net::Neighbour&)>& isEvidence);

    ScanActions actions;
    std::vector<ScanInterface> list;
    std::vector<brenmoor::net::SweptAddress> networks; // list's addresses, parsed
    std::vector<uint32_t> ownAddresses;
    std::vector<std::string> skippedBridges;
    std::chrono::steady_clock::time_point sweepBegan_;
    std::chrono::steady_clock::time_point lastRoundBegan_;
    std::vector<NeighbourMap> found_; // each address's evidence so far
};

// Sweeps and reads every usable address (one pause for all) and returns the merged map; an
// empty map is the only sign that nothing was found. The argument is not used.
NeighbourMap searchDeviceOneTime(std::string& unused);
// The same, stopping early (within about one probe's time) once `cancel` fires.
NeighbourMap searchDeviceOneTime(std::string& unused, std::shared_ptr<const CancelToken> cancel);
// The same over `source`'s interfaces with `actions` (whose `cancel` is set from `cancel`),
// with what each address found; a scan cut short finds nothing.
SweepResult sweepNetworks(const brenmoor::net::IfaddrsSource& source, ScanActions actions,
                          std::shared_ptr<const CancelToken> cancel);
// The same, handing the result to `found`; when the kernel was still verifying entries it
// held as stale, hands it all the evidence again once that is done (`late` set), about 6 s
// after the sweep began.
void sweepNetworks(const brenmoor::net::IfaddrsSource& source, ScanActions actions,
                   std::shared_ptr<const CancelToken> cancel,
                   const std::function<void(SweepResult result, bool late)>& found);
