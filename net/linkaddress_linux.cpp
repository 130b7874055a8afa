#include "net/interfacerules.h"
#include "net/linkaddress.h"

#include <cstring>
#include <dirent.h>
#include <ifaddrs.h>
#include <linux/if_arp.h>
#include <linux/if_packet.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <vector>

namespace brenmoor::net {

namespace {

bool isPlainName(const std::string& name)
{
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

// The names in a folder that begin with `prefix`, that prefix taken off.
std::vector<std::string> entriesOf(const std::string& folder, const std::string& prefix = "")
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name.compare(0, prefix.size(), prefix) == 0)
            names.push_back(name.substr(prefix.size()));
    }
    closedir(dir);
    return names;
}

// A physical device, or a VLAN or bond over one.
bool leadsToPhysicalDevice(const std::string& linkName, int depth)
{
    if (isPhysicalPort(linkName))
        return true;
    if (depth == 0)
        return false;
    for (const std::string& lower : entriesOf("/sys/class/net/" + linkName, "lower_")) {
        if (isPlainName(lower) && leadsToPhysicalDevice(lower, depth - 1))
            return true;
    }
    return false;
}

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
    if (!isPlainName(linkName))
        return false;
    struct stat info{};
    return stat(("/sys/class/net/" + linkName + "/device").c_str(), &info) == 0;
}

bool isContainerBridge(const std::string& linkName)
{
    struct stat info{};
    if (!isPlainName(linkName) || stat(("/sys/class/net/" + linkName + "/bridge").c_str(), &info) != 0)
        return false;
    for (const std::string& port : entriesOf("/sys/class/net/" + linkName + "/brif")) {
        if (isPlainName(port) && leadsToPhysicalDevice(port, 3))
            return false;
    }
    return true;
}

} // namespace brenmoor::net
