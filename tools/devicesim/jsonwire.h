#pragma once
// The JSON protocol, written from the wire format: the simulator's own encoder, sharing no
// code with the tool's.

#include "tools/devicesim/device.h"

#include <cstdint>
#include <string>

namespace devicesim {

constexpr unsigned short kJsonRequestPort = 21088;
constexpr unsigned short kJsonReplyPort = 21089;

uint32_t le32(const unsigned char* p);
// A 23-byte header and the payload; the deltas and the magic make broken packets on purpose.
Bytes jsonPacket(uint32_t command, const std::string& payload, uint16_t sequence, uint32_t target,
                 int declaredLengthDelta = 0, const char* magic = "kvo", int checksumDelta = 0);
// The device's discovery reply, misbehaving as it was told to.
Bytes jsonReply(const Device& d, uint16_t sequence, uint32_t asker);

} // namespace devicesim
