#pragma once
// The responder's hold on one interface: an AF_PACKET socket that hears every ARP frame on
// it and sends whole Ethernet frames, their source MAC included, out of it.

#include "tools/arpresponder/arpframe.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace arpresponder {

// Prints "bm-arpresponder: MESSAGE" and ends the responder with status 2.
[[noreturn]] void fail(const std::string& message);

struct Link
{
    int fd = -1; // non-blocking
    Mac mac{}; // the interface's own
};

// Ends the responder when the interface does not exist or is no Ethernet link, or the socket
// cannot be opened (not root, no CAP_NET_RAW).
Link openLink(const std::string& interfaceName);

struct ReceivedFrame
{
    size_t length = 0;
    bool fromElsewhere = false; // false: one this host sent, which the socket sees too
};

// The next frame waiting, or nothing.
std::optional<ReceivedFrame> receiveFrame(const Link& link, std::vector<uint8_t>& buffer);
bool sendFrame(const Link& link, const std::vector<uint8_t>& frame, std::string& error);

} // namespace arpresponder
