#pragma once
// The JSON protocol's discovery request, sent once per Search from its own worker thread.

#include <cstddef>
#include <functional>
#include <string>

using DatagramSend = std::function<bool(const std::string& ip, const unsigned char* data, size_t len)>;

// Takes the next packet number and the local identifier, builds the 23-byte request and
// hands it to `send` for 255.255.255.255 once; the result is not looked at.
void sendDiscoveryRequest(DatagramSend send);
