#pragma once
// The key-value protocol, written from the wire format: the simulator's own, sharing no code
// with the tool's.

#include "tools/devicesim/device.h"

#include <string>
#include <utility>
#include <vector>

namespace devicesim {

constexpr unsigned short kKvPort = 52380;

using KvPairs = std::vector<std::pair<std::string, std::string>>;

std::string kvFrame(const KvPairs& pairs);
// The KEY:VALUE segments of a frame, with or without its STX and ETX.
KvPairs kvPairs(const std::string& datagram);
// The device's discovery reply, misbehaving as it was told to.
Bytes kvReply(const Device& d);

} // namespace devicesim
