#pragma once
// One datagram out of a chosen interface: the packet-info control message names the device
// outright, where binding alone picks it from the source address (ambiguous when one address
// sits on several devices) and needs no privilege.

#include <cstddef>
#include <netinet/in.h>
#include <string>
#include <sys/types.h>

namespace brenmoor::net {

// Sends through interface `ifIndex` (0: wherever the routes say) with `source` as the source
// address when given; sendto's result. Where the platform has no such message, a plain send.
ssize_t sendThroughInterface(int sock, unsigned ifIndex, const std::string& source, const sockaddr_in& destination,
                             const unsigned char* data, size_t len);

} // namespace brenmoor::net
