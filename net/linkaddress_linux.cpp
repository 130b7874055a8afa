#include "net/interfacerules.h"
#include "net/linkaddress.h"

#include <cstring>
#include <ifaddrs.h>
#include <linux/if_arp.h>
#include <linux/if_packet.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace brenmoor::net {

namespace {

bool packetEntry(const ifaddrs& entry, sockaddr_ll& ll)
{
    if (!entry.ifa_addr || entry.ifa_addr->sa_family != AF_PACKET)
        return false;
    std::memcpy(&ll, entry.ifa_addr, sizeof ll);
    return true;
}

} // namespace

std::optional<MacAddress> linkLayerAddressOf(const ifaddrs& entry)
{
    sockaddr_ll ll{};
    if (!packetEntry(entry, ll) || ll.sll_halen != 6)
        return std::nullopt;
    MacAddress mac{};
    std::memcpy(mac.data(), ll.sll_addr, mac.size());
    return mac;
}

bool isEthernetLinkEntry(const ifaddrs& entry)
{
    sockaddr_ll ll{};
    return packetEntry(entry, ll) && ll.sll_hatype == ARPHRD_ETHER && ll.sll_halen == 6;
}

bool isPhysicalPort(const std::string& linkName)
{
    // The kernel links a port to the bus device behind it (PCI, USB, SDIO); software
    // interfaces (bridges, veths, VLANs, tunnels) have no such link.
    if (linkName.empty() || linkName.find('/') != std::string::npos || linkName == "." || linkName == "..")
        return false;
    struct stat info{};
    return stat(("/sys/class/net/" + linkName + "/device").c_str(), &info) == 0;
}

} // namespace brenmoor::net
