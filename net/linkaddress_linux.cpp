#include "linkaddress.h"

#include <cstring>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <sys/socket.h>

namespace brenmoor::net {

std::optional<MacAddress> linkLayerAddressOf(const ifaddrs& entry)
{
    if (!entry.ifa_addr || entry.ifa_addr->sa_family != AF_PACKET)
        return std::nullopt;
    sockaddr_ll ll{};
    std::memcpy(&ll, entry.ifa_addr, sizeof ll);
    if (ll.sll_halen != 6)
        return std::nullopt;
    MacAddress mac{};
    std::memcpy(mac.data(), ll.sll_addr, mac.size());
    return mac;
}

} // namespace brenmoor::net
