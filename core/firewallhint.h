#pragma once
// The most common reason a Search finds nothing: a firewall on this computer drops the
// devices' replies (a reply to a broadcast is no "related" traffic for a stateful firewall),
// while the same devices answer ARP. Told per interface, from the sweep and the replies.

#include "net/netscanner.h"

#include <map>
#include <string>
#include <vector>

// One line for each interface where the sweep found hosts that answered ARP but no reply
// came in (`replies`: datagrams per interface index), in the sweep's order.
std::vector<std::string> firewallHintLines(const std::vector<SweptCount>& swept, const std::map<unsigned, size_t>& replies);
