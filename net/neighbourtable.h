#pragma once
// The kernel's own neighbour (ARP) table: netlink on Linux, the routing sysctl dump on Apple
// systems. Only complete IPv4 entries with a six-byte link-layer address count.

#include "net/neighbourmap.h"

#include <cstddef>
#include <functional>
#include <string>

// Adds the table's entries under `prefix` to `out`; adds nothing when the table cannot be read.
void readArpTable(NeighbourMap& out, const std::string& prefix);

namespace brenmoor::net {

using NeighbourSink = std::function<void(const std::string& ip, const std::string& mac)>;

enum class DumpStatus { More, Done, Failed };

#if defined(__linux__)
// Parses one buffer of an RTM_GETNEIGH dump: calls `sink` for every usable entry. Done at
// NLMSG_DONE, Failed at NLMSG_ERROR or on a malformed message, More otherwise.
DumpStatus parseNeighbourDump(const unsigned char* data, size_t len, const NeighbourSink& sink);
#endif

#if defined(__APPLE__)
// Walks a routing-message dump (NET_RT_FLAGS, RTF_LLINFO); a zero message length ends the walk.
void parseRouteDump(const unsigned char* data, size_t len, const NeighbourSink& sink);
#endif

} // namespace brenmoor::net
