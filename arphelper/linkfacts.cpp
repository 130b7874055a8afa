#include "arphelper/linkfacts.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace brenmoor::arphelper {

namespace {

// An address entry carries its label, which for an old-style alias is "enp1s0:1".
bool belongsTo(const char* entryName, const std::string& name)
{
    return entryName && std::strncmp(entryName, name.c_str(), name.size()) == 0
        && (entryName[name.size()] == '\0' || entryName[name.size()] == ':');
}

Ipv4 ipv4Of(const sockaddr* address)
{
    sockaddr_in in{};
    std::memcpy(&in, address, sizeof in);
    return ntohl(in.sin_addr.s_addr);
}

} // namespace

bool readInterfaceFacts(const std::string& name, InterfaceFacts& facts, std::string& error)
{
    facts = InterfaceFacts{};
    facts.name = name;
    facts.index = if_nametoindex(name.c_str());
    if (facts.index == 0)
        return true;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        error = std::string("cannot list the interfaces: ") + std::strerror(errno);
        return false;
    }
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        // A link without a hardware address (a tunnel) has an entry without an address: its
        // flags still say what it is.
        if (entry->ifa_name && entry->ifa_name == name)
            facts.flags = entry->ifa_flags;
        if (!entry->ifa_addr)
            continue;
        if (entry->ifa_addr->sa_family == AF_PACKET && entry->ifa_name == name) {
            sockaddr_ll ll{};
            std::memcpy(&ll, entry->ifa_addr, sizeof ll);
            // A name taken over by another interface between the two reads is not this one.
            if (static_cast<unsigned>(ll.sll_ifindex) != facts.index)
                continue;
            facts.hasLinkEntry = true;
            facts.hardwareType = ll.sll_hatype;
            facts.macLength = ll.sll_halen;
            if (ll.sll_halen == facts.mac.size())
                std::memcpy(facts.mac.data(), ll.sll_addr, facts.mac.size());
        } else if (entry->ifa_addr->sa_family == AF_INET && belongsTo(entry->ifa_name, name)) {
            OwnAddress own;
            own.address = ipv4Of(entry->ifa_addr);
            own.mask = entry->ifa_netmask ? ipv4Of(entry->ifa_netmask) : 0xffffffffu;
            facts.addresses.push_back(own);
        }
    }
    freeifaddrs(list);
    return true;
}

} // namespace brenmoor::arphelper
