#pragma once
// Which local interfaces count as LAN ports (the listing and the local record) and which are
// swept by the neighbour scanner. Apple systems name their ports by kind (en*, wlan*, utun*,
// awdl*); Linux names say nothing reliable (eth0, enp3s0, wlp2s0, enp3s0.20 are all LAN ports),
// so there the link type and the interface flags decide.

#include <functional>
#include <string>

namespace brenmoor::net {

enum class InterfaceRules
{
    Apple, // by name: en* or wlan* are LAN ports; lo0, utun*, awdl* are never swept
    Linux, // by link: an Ethernet-type port (six-byte address) that is no loopback,
           // point-to-point or no-ARP link; point-to-point and no-ARP links are never swept
};

// The rules of the platform this is built for.
InterfaceRules platformInterfaceRules();

// Whether the neighbour sweep may probe through an interface of this name and these flags
// (the sweep's other filters, up and running, no loopback, no link-local address, apply too).
bool isSweepableInterface(const std::string& name, unsigned flags, InterfaceRules rules);

// The interface name a label stands for: Linux lists an address labelled "eth0:1" under that
// label, while the link itself is "eth0".
std::string linkNameOf(const std::string& interfaceName);

// Whether the interface is backed by a physical device (a wired or wireless adapter) rather
// than made by software (a bridge, a veth, a tunnel). The local record prefers such a port.
using PhysicalPortTest = std::function<bool(const std::string& linkName)>;
bool isPhysicalPort(const std::string& linkName);

// Whether the link is a bridge none of whose ports leads to a physical device, directly or
// through a VLAN or bond: one made for containers or virtual machines (docker0, virbr0,
// br-...), behind which no device of the site sits.
bool isContainerBridge(const std::string& linkName);

} // namespace brenmoor::net
