#pragma once
// Which addresses a neighbour sweep probes, and through which interface: every IPv4 address
// of a swept interface contributes the hosts of its own network, never an address off-link.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brenmoor::net {

// One IPv4 address of the host that is swept from. Addresses in host byte order.
struct SweptAddress
{
    std::string name; // as listed, a label such as "eth0:1" included
    unsigned ifIndex = 0;
    uint32_t ip = 0;
    uint32_t mask = 0;
};

struct ProbeTarget
{
    uint32_t ip = 0;
    unsigned ifIndex = 0; // the probe leaves through this interface
};

// A network of at most this many hosts (a /22) is swept whole; a larger one only around the
// host's own address and at the devices already listed in it.
constexpr uint32_t kWholeNetworkHosts = 1022;

bool inNetwork(uint32_t ip, const SweptAddress& address);

// The hosts to probe for one address: every host of its network when the network has at
// most kWholeNetworkHosts of them, else the hosts of the host's own /24 inside the network
// plus each address of `listed` inside it; never the network or broadcast address, nor an
// address in `own` (the host's). In ascending order, once each.
std::vector<uint32_t> sweepTargets(const SweptAddress& address, const std::vector<uint32_t>& listed,
                                   const std::vector<uint32_t>& own);

// The probes of a whole sweep, address by address in the given order; a target reached
// through the same interface by two of its addresses (two addresses in one network) is
// probed once. Two interfaces on one network each probe their own link.
std::vector<ProbeTarget> planSweep(const std::vector<SweptAddress>& addresses, const std::vector<uint32_t>& listed,
                                   const std::vector<uint32_t>& own);

// How many rounds `probes` need when the neighbour table has room for `room` more entries;
// at least one, and one round of at least kMinimumRound probes even in a table that seems full.
constexpr size_t kMinimumRound = 64;
size_t roundsFor(size_t probes, size_t room);

// Dotted decimal to host order and back; nothing for text that is not an address.
bool parseIpv4(const std::string& text, uint32_t& ip);
std::string ipv4Text(uint32_t ip);

} // namespace brenmoor::net
