#pragma once
// MAC text (17 characters, lower-case hexadecimal pairs joined by ':') -> IPv4 text. A host
// that answers at several addresses (aliases, a camera at its factory address and its own)
// has an entry for each: a conflict at any of them must be seen.

#include <map>
#include <string>

using NeighbourMap = std::multimap<std::string, std::string>;

namespace brenmoor::net {

// Six bytes as "xx:xx:xx:xx:xx:xx", lower case, zero-filled.
std::string formatMac(const unsigned char* bytes);

// Whether a neighbour's address belongs to the interface whose address is `prefix` + ".x".
// The dot is part of the test, so prefix 192.168.1 takes 192.168.1.7 but not 192.168.10.7.
// An empty prefix takes everything.
bool matchesPrefix(const std::string& ip, const std::string& prefix);

// Stores the pair once.
void addPair(NeighbourMap& out, const std::string& mac, const std::string& ip);
// Stores the pair when it passes the prefix test and the MAC text is 17 characters long.
void addNeighbour(NeighbourMap& out, const std::string& prefix, const std::string& mac, const std::string& ip);
// How many hosts (MACs) the map holds.
size_t hostCount(const NeighbourMap& map);

} // namespace brenmoor::net
