#pragma once
// The kernel's own neighbour (ARP) table: netlink on Linux, the routing sysctl dump on Apple
// systems. Only complete IPv4 entries with a six-byte link-layer address count.

#include "net/neighbourmap.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Adds the table's entries under `prefix` to `out`; adds nothing when the table cannot be read.
void readArpTable(NeighbourMap& out, const std::string& prefix);

namespace brenmoor::net {

using NeighbourSink = std::function<void(const std::string& ip, const std::string& mac)>;

// One IPv4 entry of the table, resolved or not.
struct Neighbour
{
    std::string ip;
    std::string mac;      // empty when the entry has no six-byte link-layer address
    unsigned ifIndex = 0; // 0 when the platform does not say
    bool resolved = false;  // a usable address: not incomplete, failed or no-ARP
    bool reachable = false; // the kernel holds it reachable now
    bool stale = false;     // resolved, but not confirmed lately; nothing is sent to it yet
    // The kernel drops it when it needs the room: failed, or unchanged for 5 s.
    bool reclaimable = false;
    // How long ago the kernel last confirmed the entry, and last changed its address or
    // state; nothing when the platform does not say.
    std::optional<std::chrono::milliseconds> confirmedAge;
    std::optional<std::chrono::milliseconds> updatedAge;
};

// Every IPv4 entry of the table, in the kernel's order; nothing when it cannot be read.
std::optional<std::vector<Neighbour>> readNeighbours();

// Whether the entry says something about the network now, `sinceSweepBegan` after a sweep
// began: it was confirmed since, or it is reachable. An older entry (stale, a device that
// moved away or was switched off) is no evidence either way.
bool isFreshEvidence(const Neighbour& neighbour, std::chrono::milliseconds sinceSweepBegan);
// Whether an entry read before the sweep was learned from the host itself since the Search
// began, `sinceSearchBegan` ago: a stale entry the kernel made or changed then comes from an
// ARP packet of that host (its request before its unicast reply), as nothing of this host's
// own was sent to it yet.
bool isLearnedDuringSearch(const Neighbour& neighbour, std::chrono::milliseconds sinceSearchBegan);

// The kernel's IPv4 table, one for the whole host: every network namespace (each container)
// fills it.
struct NeighbourTableSize
{
    size_t limit = 0;   // the most entries it holds (net.ipv4.neigh.default.gc_thresh3)
    size_t entries = 0; // entries in it now, of every namespace
};
// Nothing when the kernel does not say.
std::optional<NeighbourTableSize> readNeighbourTableSize();

// The limit from its setting; nothing when that cannot be read (another namespace than the
// host's own shows no such file).
std::optional<size_t> neighbourTableLimit(const std::string& path = "/proc/sys/net/ipv4/neigh/default/gc_thresh3");

enum class DumpStatus { More, Done, Failed };

#if defined(__linux__)
// Parses one buffer of an RTM_GETNEIGH dump: calls `sink` for every usable entry. Done at
// NLMSG_DONE, Failed at NLMSG_ERROR or on a malformed message, More otherwise.
DumpStatus parseNeighbourDump(const unsigned char* data, size_t len, const NeighbourSink& sink);
// The same, every IPv4 entry with its state, interface and age.
DumpStatus parseNeighbourEntries(const unsigned char* data, size_t len, const std::function<void(const Neighbour&)>& sink);
#endif

#if defined(__APPLE__)
// Walks a routing-message dump (NET_RT_FLAGS, RTF_LLINFO); a zero message length ends the walk.
void parseRouteDump(const unsigned char* data, size_t len, const NeighbourSink& sink);
#endif

} // namespace brenmoor::net
