#include "arphelper/arpframe.h"

#include <algorithm>
#include <linux/if_packet.h>

namespace brenmoor::arphelper {

namespace {

constexpr uint16_t kEthernet = 1;
constexpr uint16_t kIpv4 = 0x0800;
constexpr uint8_t kMacLength = 6;
constexpr uint8_t kIpv4Length = 4;
constexpr uint16_t kRequest = 1;
constexpr uint16_t kReply = 2;

// Offsets in the payload.
constexpr size_t kSenderMac = 8;
constexpr size_t kSenderIp = 14;
constexpr size_t kTargetIp = 24;

void put16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}

void put32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

uint16_t get16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] << 8 | at[1]);
}

uint32_t get32(const uint8_t* at)
{
    return uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3];
}

} // namespace

ArpRequest arpRequest(const Mac& ownMac, Ipv4 ownIp, Ipv4 target)
{
    ArpRequest frame{};
    put16(&frame[0], kEthernet);
    put16(&frame[2], kIpv4);
    frame[4] = kMacLength;
    frame[5] = kIpv4Length;
    put16(&frame[6], kRequest);
    std::copy(ownMac.begin(), ownMac.end(), frame.begin() + kSenderMac);
    put32(&frame[kSenderIp], ownIp);
    // The target hardware address stays zero: it is what the request asks for.
    put32(&frame[kTargetIp], target);
    return frame;
}

std::optional<ArpReply> acceptReply(unsigned packetType, const uint8_t* data, size_t size,
                                    const std::vector<Ipv4>& sortedTargets)
{
    if (packetType == PACKET_OUTGOING || data == nullptr || size < kArpPayloadSize)
        return std::nullopt;
    if (get16(data) != kEthernet || get16(data + 2) != kIpv4 || data[4] != kMacLength || data[5] != kIpv4Length
        || get16(data + 6) != kReply)
        return std::nullopt;
    ArpReply reply;
    reply.sender = get32(data + kSenderIp);
    if (reply.sender == get32(data + kTargetIp))
        return std::nullopt;
    if (!std::binary_search(sortedTargets.begin(), sortedTargets.end(), reply.sender))
        return std::nullopt;
    std::copy(data + kSenderMac, data + kSenderMac + kMacLength, reply.senderMac.begin());
    // A group or all-zero address is no host's: whoever sent it is not telling where it is.
    const bool zero = std::all_of(reply.senderMac.begin(), reply.senderMac.end(), [](uint8_t b) { return b == 0; });
    if ((reply.senderMac[0] & 1) != 0 || zero)
        return std::nullopt;
    return reply;
}

} // namespace brenmoor::arphelper
