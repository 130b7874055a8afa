#pragma once
// Who else holds a UDP port in this network namespace: the sockets /proc/net/udp and
// /proc/net/udp6 list on it that are not ours, and, where this user may look, the program
// behind each.

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace brenmoor::net {

struct UdpSocketEntry
{
    unsigned port = 0;
    unsigned long inode = 0;
    unsigned uid = 0;
    bool ipv6 = false;
    // Whether an IPv4 socket can bind the port beside it: not beside any IPv4 socket, nor
    // beside an IPv6 one on the wildcard address (dual-stack, Linux's default) or on an
    // IPv4-mapped address. One on another IPv6 address leaves IPv4 alone.
    bool holdsIpv4Port = true;
};

// The sockets of a /proc/net/udp or /proc/net/udp6 text; lines that do not parse are left out.
std::vector<UdpSocketEntry> parseProcNetUdp(const std::string& text);

struct PortHolder
{
    unsigned uid = 0;
    std::optional<int> pid; // when this user may see the process
    std::string program;    // its command name, when known
    bool ipv6 = false;
};

// The holders of the IPv4 `port` other than the sockets in `own` (all of this program's own,
// receive and send), read under `procRoot`.
std::vector<PortHolder> otherPortHolders(unsigned port, const std::set<unsigned long>& own,
                                         const std::string& procRoot = "/proc");

// "UDP port 21089 is held by another program (pid 4242, brenmoor, user 1000)" and what that
// costs: `ownEndpointRuns` says whether this program's own socket got the port nonetheless.
std::string portHolderLine(unsigned port, const std::vector<PortHolder>& holders, bool ownEndpointRuns);

// What to say about a reply port, if anything: the holders when another program has it (a
// running endpoint leaves IPv6 ones out: a dual-stack one would have kept it from binding, so
// one beside it takes no IPv4 reply), else, for an endpoint that `failure` says did not start,
// "UDP port 21089 could not be opened (Address already in use): no reply to it reaches this
// program; Search tries again". Nothing for a running endpoint alone on its port, nor for one
// with no failure (stopped, or not started yet).
std::optional<std::string> replyPortLine(unsigned port, const std::vector<PortHolder>& holders, bool running,
                                         const std::string& failure);

} // namespace brenmoor::net
