#pragma once
// The neighbour scanner: sweeps every usable local IPv4 network with throw-away probes so the
// kernel resolves each live address, then reads back what the kernel confirmed since.

#include "base/canceltoken.h"
#include "net/arphelper.h"
#include "net/neighbourmap.h"
#include "net/neighbourtable.h"
#include "net/sweepplan.h"

#include <chrono>
#include <functional>
#include <map>
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
    std::string link; // the interface the name belongs to: "eth0"
    std::string ip;
    std::string prefix; // ip up to, not including, its last '.'
    std::string mask;   // "255.255.255.0" when the system gives none
    bool isLoopback = false;
    bool isUp = false; // IFF_UP and IFF_RUNNING
    unsigned ifIndex = 0;
};

// One probe through interface `ifIndex` (0: wherever the routes say): a zero byte by UDP to
// the discard port, not waited for. Its only purpose is to make the kernel resolve the
// address on that link (no TCP: an office's intrusion detector reports a SYN to every
// address as a port scan). False when it could not be sent.
bool probeHost(const std::string& ip, unsigned ifIndex);

// How long the ARP helper listens for answers: long enough for a slow host's second answer,
// short enough that a Search's conflicts are judged about a second after the press.
constexpr std::chrono::milliseconds kArpListen{800};

// Asks every job's targets through the ARP helper at once and gives each job's result.
using ArpAsker = std::function<std::vector<brenmoor::net::ArpJobResult>(
    const std::vector<brenmoor::net::ArpJob>& jobs, std::chrono::milliseconds listen,
    std::shared_ptr<const CancelToken> cancel)>;
// The helper where the tool finds it (findArpHelper), Missing for every job when there is none.
std::vector<brenmoor::net::ArpJobResult> askInstalledArpHelper(const std::vector<brenmoor::net::ArpJob>& jobs,
                                                               std::chrono::milliseconds listen,
                                                               std::shared_ptr<const CancelToken> cancel);

// What the scanner does to the outside world; tests replace parts of it.
struct ScanActions
{
    // Every ARP answer, from the helper; empty: none, the kernel's table serves instead.
    ArpAsker askArp = askInstalledArpHelper;
    // The kernel's way, for what the helper could not ask.
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

// Why some addresses were not asked through the ARP helper but through the kernel's table,
// which keeps one MAC per address: a second host answering for one may go unseen.
struct ArpFallback
{
    brenmoor::net::ArpHelperStatus why = brenmoor::net::ArpHelperStatus::Missing;
    std::string problem; // the helper's own words, when it said something
};

struct SweepResult
{
    // MAC -> IPv4: a host at several addresses under each, and two hosts answering for one
    // address both (seen only through the helper).
    NeighbourMap neighbours;
    std::vector<SweptCount> swept;
    size_t failedProbes = 0;
    size_t askedByHelper = 0; // addresses the helper asked
    std::optional<ArpFallback> fallback; // set when any address went through the kernel
};

// Who holds each of some addresses at this moment, as asked just now.
struct AddressAnswers
{
    // IPv4 -> the MACs that answered ARP for it now, in the order heard.
    std::map<std::string, std::vector<std::string>> answering;
    // IPv4 -> the MAC the kernel's table still holds for it though nothing answered now.
    std::map<std::string, std::string> remembered;
    // On none of the host's swept networks: nothing here can ask them.
    std::vector<std::string> unaskable;
    std::optional<ArpFallback> fallback; // set when the kernel had to ask
};

// How long an ask of a few addresses listens: a device on the link answers ARP within
// milliseconds; a slow one's answer still comes well inside it.
constexpr std::chrono::milliseconds kAskListen{400};

class NetScanner
{
public:
    NetScanner();
    NetScanner(const brenmoor::net::IfaddrsSource& source, ScanActions actions);
    // With another platform's interface rules (tests).
    NetScanner(const brenmoor::net::IfaddrsSource& source, ScanActions actions, brenmoor::net::InterfaceRules rules);

    const std::vector<ScanInterface>& interfaces() const { return list; }

    // Asks every address of every swept network at once through the ARP helper; what it could
    // not ask goes through the kernel: probes, one wait of `waitSeconds` (longer when the
    // kernel must first re-check entries it held as stale), one read of its table (in more
    // rounds only when the table has no room for all probes). Then prints each address's
    // lines in order.
    SweepResult sweep(int waitSeconds);
    NeighbourMap scanAllInterfaces(int waitSeconds) { return sweep(waitSeconds).neighbours; }
    // Asks each of `addresses` (IPv4 texts) on the link whose network holds it: through the
    // ARP helper, listening kAskListen, or else by the kernel's probes and table.
    AddressAnswers ask(const std::vector<std::string>& addresses);

private:
    // The helper's part: the targets it could not ask are left for the kernel.
    std::vector<brenmoor::net::ProbeTarget> askHelper(const std::vector<brenmoor::net::ProbeTarget>& plan,
                                                      std::vector<NeighbourMap>& found, SweepResult& result,
                                                      std::chrono::milliseconds shortestListen = kArpListen);
    // The kernel's part.
    void sweepByKernel(const std::vector<brenmoor::net::ProbeTarget>& plan, int waitSeconds,
                       std::vector<NeighbourMap>& found, SweepResult& result);
    // Adds `mac` at `ip` to each address whose link and network hold it.
    void addEvidence(std::vector<NeighbourMap>& found, const std::string& mac, const std::string& ip, unsigned ifIndex) const;
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
// NetScanner::ask over `source`'s interfaces with `actions`; a cancelled ask finds nothing.
AddressAnswers askAddresses(const brenmoor::net::IfaddrsSource& source, ScanActions actions,
                            const std::vector<std::string>& addresses, std::shared_ptr<const CancelToken> cancel);

