#pragma once
// Link-layer (MAC) addresses from an interface list. The list carries them in
// platform-specific entries: AF_PACKET on Linux, AF_LINK on Apple systems.

#include <array>
#include <optional>

struct ifaddrs;

namespace brenmoor::net {

using MacAddress = std::array<unsigned char, 6>;

// The six-byte hardware address if this entry is a link-layer entry carrying one.
std::optional<MacAddress> linkLayerAddressOf(const ifaddrs& entry);

// The hardware address of the interface called `name`, searched in the whole list.
std::optional<MacAddress> findLinkLayerAddress(const ifaddrs* list, const char* name);

// Whether this link-layer entry is an Ethernet-type port with a six-byte address (wired,
// Wi-Fi, VLAN, bridge, veth, tap), as opposed to a tunnel, PPP or loopback link.
bool isEthernetLinkEntry(const ifaddrs& entry);
// The same for the interface called `name`, searched in the whole list.
bool isEthernetLink(const ifaddrs* list, const char* name);

} // namespace brenmoor::net
