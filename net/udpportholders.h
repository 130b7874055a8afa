#pragma once
// Who else holds a UDP port in this network namespace: the sockets /proc/net/udp lists on it
// that are not ours, and, where this user may look, the program behind each.

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
};

// The sockets of a /proc/net/udp text; lines that do not parse are left out.
std::vector<UdpSocketEntry> parseProcNetUdp(const std::string& text);

struct PortHolder
{
    unsigned uid = 0;
    std::optional<int> pid; // when this user may see the process
    std::string program;    // its command name, when known
};

// The holders of `port` other than the sockets in `own`, read under `procRoot`.
std::vector<PortHolder> otherPortHolders(unsigned port, const std::set<unsigned long>& own,
                                         const std::string& procRoot = "/proc");

// "UDP port 21089 is held by another program (pid 4242, brenmoor, user 1000)" and what that
// costs: `ownEndpointRuns` says whether this program's own socket got the port nonetheless.
std::string portHolderLine(unsigned port, const std::vector<PortHolder>& holders, bool ownEndpointRuns);

} // namespace brenmoor::net
