#pragma once
// The ARP payload (RFC 826 over Ethernet and IPv4; the kernel writes the link header): the one
// request the program sends, and the replies it takes.

#include "arphelper/ipv4.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace brenmoor::arphelper {

constexpr size_t kArpPayloadSize = 28;
using ArpRequest = std::array<uint8_t, kArpPayloadSize>;

// "Who has `target`? Tell `ownIp`": operation 1, sender `ownMac` and `ownIp`, target hardware
// address all zero. Nothing else can be built: the program answers no one and announces nothing.
ArpRequest arpRequest(const Mac& ownMac, Ipv4 ownIp, Ipv4 target);

struct ArpReply
{
    Ipv4 sender = 0;
    Mac senderMac{};
};

// The sender of a frame if it is a reply to be reported: not one the host sent itself
// (`packetType` PACKET_OUTGOING), at least 28 bytes of Ethernet/IPv4 ARP with operation 2, a
// sender address in `sortedTargets` (ascending), a unicast sender MAC, and no announcement
// (sender and target address equal). Any bytes at all may come in.
std::optional<ArpReply> acceptReply(unsigned packetType, const uint8_t* data, size_t size,
                                    const std::vector<Ipv4>& sortedTargets);

} // namespace brenmoor::arphelper
