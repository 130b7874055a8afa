#include "core/firewallhint.h"

#include "net/interfacerules.h"

#include <algorithm>

std::vector<std::string> firewallHintLines(const std::vector<SweptCount>& swept, const std::map<unsigned, size_t>& replies)
{
    // An interface with two addresses was swept twice: it speaks once, with the larger count.
    std::vector<SweptCount> links;
    for (const SweptCount& address : swept) {
        const auto same = std::find_if(links.begin(), links.end(), [&](const SweptCount& link) {
            return address.ifIndex != 0 ? link.ifIndex == address.ifIndex : link.name == address.name;
        });
        if (same == links.end()) {
            links.push_back(address);
            links.back().name = brenmoor::net::linkNameOf(address.name); // the link, not a label
        } else {
            same->hosts = std::max(same->hosts, address.hosts);
        }
    }
    std::vector<std::string> lines;
    for (const SweptCount& link : links) {
        const auto received = link.ifIndex != 0 ? replies.find(link.ifIndex) : replies.end();
        if (link.hosts == 0 || link.ifIndex == 0 || (received != replies.end() && received->second > 0))
            continue;
        lines.push_back("No reply came in on " + link.name + ", where " + std::to_string(link.hosts)
                        + (link.hosts == 1 ? " host answers" : " hosts answer")
                        + " ARP: a firewall on this computer may be dropping the devices' replies. Allow incoming UDP "
                          "ports 21089 and 52380 (ufw: sudo ufw allow Lorvane; firewalld: sudo firewall-cmd "
                          "--add-service=brenmoor)");
    }
    return lines;
}
