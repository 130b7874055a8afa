#pragma once
// The lab host's side of the simulator: its addresses and interfaces, and UDP sockets bound
// to a device's own address.

#include "tools/devicesim/device.h"

#include <string>

namespace devicesim {

// The host's first non-loopback IPv4 address, or empty.
std::string firstHostAddress();
// The name of the interface that holds `ip`, or empty.
std::string interfaceHolding(const std::string& ip);
// The number of one bits of a dotted mask; 24 for a text that is no address.
int prefixLength(const std::string& mask);

// A UDP socket bound to ip:port that may broadcast; ends the simulator when it cannot bind.
int udpSocket(const std::string& ip, unsigned short port);
// Out of interface `ifIndex` (0: as routed) with the socket's own source address: a device
// whose address lies outside every route of its host still reaches its own link.
void sendTo(int sock, unsigned ifIndex, const std::string& ip, unsigned short port, const Bytes& bytes);

} // namespace devicesim
