#pragma once
// The JSON protocol's discovery request, sent once per Search.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

using DatagramSend = std::function<bool(const std::string& ip, const unsigned char* data, size_t len)>;

// Takes the next packet number, builds the 23-byte request with `localId` as its source
// identifier and hands it to `send` for 255.255.255.255 once; the result is not looked at.
// The identifier comes from whoever knows the host's interfaces: a codec does not look.
void sendDiscoveryRequest(DatagramSend send, uint32_t localId);
