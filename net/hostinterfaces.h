#pragma once
// The host's IPv4 addresses, read in one walk of the interface list, and the three rules that
// pick from them: which are listed (the console listing and the local record), which are
// searched (the endpoints send through them) and which are swept (the neighbour scan).

#include "net/interfacerules.h"
#include "net/linkaddress.h"

#include <optional>
#include <string>
#include <vector>

struct ifaddrs;

namespace brenmoor::net {

struct IfaddrsSource;

// One IPv4 address of the host, with what the rules ask of the link it sits on.
struct HostAddress
{
    std::string name; // as listed: a label such as "eth0:1" included
    std::string link; // the link the name belongs to: "eth0"
    std::string ip;   // dotted decimal
    std::optional<std::string> netmask;
    unsigned flags = 0;
    bool loopbackAddress = false;  // 127.0.0.1
    bool ethernetLink = false;     // the link has an Ethernet-type link-layer entry (six-byte address)
    std::optional<MacAddress> mac; // the link's six-byte hardware address, when the list has one
};

// Every IPv4 entry of `list`, in the list's order.
std::vector<HostAddress> hostAddressesFrom(const ifaddrs* list);
// The same from a source; nothing when the list cannot be read.
std::optional<std::vector<HostAddress>> readHostAddresses(const IfaddrsSource& source);

// A LAN port's address, whether up or down (a port that holds an address is listed).
bool isListed(const HostAddress& address, InterfaceRules rules);
// An address the endpoints send through: its interface is up and not loopback.
bool isSearched(const HostAddress& address);
// An address the neighbour sweep may probe from (the sweep's own filters, up and running and
// no link-local address, come on top).
bool isSwept(const HostAddress& address, InterfaceRules rules);

} // namespace brenmoor::net
