#pragma once
// Whether the interface named on the command line may be asked through, and which of its own
// addresses asks for each target. Pure: the facts come from linkfacts.h.

#include "arphelper/ipv4.h"

#include <optional>
#include <string>
#include <vector>

namespace brenmoor::arphelper {

// What the system says of one interface.
struct InterfaceFacts
{
    std::string name;
    unsigned index = 0; // 0: no such interface
    unsigned flags = 0; // IFF_*
    bool hasLinkEntry = false; // the AF_PACKET entry with the three fields below
    unsigned short hardwareType = 0; // ARPHRD_*
    unsigned macLength = 0;
    Mac mac{};
    std::vector<OwnAddress> addresses; // every IPv4 address, in the system's order
};

// Why ARP requests cannot go out through the interface (a line naming it and the reason), or
// nothing when they can: it exists, is up and running, is no loopback, point-to-point or
// no-ARP link, is Ethernet with a six-byte MAC that is not all zero, and has an IPv4 address.
std::optional<std::string> interfaceRefusal(const InterfaceFacts& facts);

// What goes out: each target and the interface's own address that asks for it, the first
// whose network holds it. The interface's own addresses inside a range are left out, as a
// sweep of a whole network passes over the asker; one named alone (in `named`) is refused, as
// is a target outside every network of the interface, and a set of targets that were all its
// own addresses.
struct Requests
{
    std::vector<Ipv4> targets; // ascending
    std::vector<Ipv4> senders; // one for each target
};
bool planRequests(const std::vector<Ipv4>& targets, const std::vector<Ipv4>& named, const InterfaceFacts& facts,
                  Requests& requests, std::string& error);

} // namespace brenmoor::arphelper
