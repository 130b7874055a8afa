#include "arphelper/interfacecheck.h"

#include <algorithm>
#include <net/if.h>
#include <net/if_arp.h>

namespace brenmoor::arphelper {

std::optional<std::string> interfaceRefusal(const InterfaceFacts& facts)
{
    const std::string& name = facts.name;
    if (facts.index == 0)
        return name + " does not exist";
    if (facts.flags & IFF_LOOPBACK)
        return name + " is a loopback interface";
    if (facts.flags & IFF_POINTOPOINT)
        return name + " is a point-to-point link";
    if (facts.flags & IFF_NOARP)
        return name + " does not use ARP";
    if (!facts.hasLinkEntry || facts.hardwareType != ARPHRD_ETHER)
        return name + " is not an Ethernet interface";
    if (facts.macLength != facts.mac.size()
        || std::all_of(facts.mac.begin(), facts.mac.end(), [](uint8_t byte) { return byte == 0; }))
        return name + " has no Ethernet address";
    if (!(facts.flags & IFF_UP))
        return name + " is down";
    if (!(facts.flags & IFF_RUNNING))
        return name + " is up but has no carrier";
    if (facts.addresses.empty())
        return name + " has no IPv4 address";
    return std::nullopt;
}

bool planRequests(const std::vector<Ipv4>& targets, const std::vector<Ipv4>& named, const InterfaceFacts& facts,
                  Requests& requests, std::string& error)
{
    Requests planned;
    planned.targets.reserve(targets.size());
    planned.senders.reserve(targets.size());
    for (Ipv4 target : targets) {
        const auto own = std::find_if(facts.addresses.begin(), facts.addresses.end(),
                                      [&](const OwnAddress& address) { return address.address == target; });
        if (own != facts.addresses.end()) {
            if (!std::binary_search(named.begin(), named.end(), target))
                continue;
            error = ipv4Text(target) + " is an address of " + facts.name + " itself";
            return false;
        }
        const auto holder = std::find_if(facts.addresses.begin(), facts.addresses.end(),
                                         [&](const OwnAddress& address) { return inNetworkOf(target, address); });
        if (holder == facts.addresses.end()) {
            std::string networks;
            for (const OwnAddress& address : facts.addresses)
                networks += (networks.empty() ? "" : ", ") + networkText(address);
            error = ipv4Text(target) + " is outside the networks of " + facts.name + " (" + networks + ")";
            return false;
        }
        planned.targets.push_back(target);
        planned.senders.push_back(holder->address);
    }
    if (planned.targets.empty()) {
        error = "every target is an address of " + facts.name + " itself";
        return false;
    }
    requests = std::move(planned);
    return true;
}

} // namespace brenmoor::arphelper
