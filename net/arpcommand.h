#pragma once
// The fallback neighbour source: the output of "arp -an".

#include "net/neighbourmap.h"

#include <string>

namespace brenmoor::net {

// Finds "(<digits and dots>) at <17 lower-case hex digits and colons>" anywhere in the line.
// Incomplete entries, and MAC texts of any other form, give nothing.
bool parseArpLine(const std::string& line, std::string& ip, std::string& mac);

} // namespace brenmoor::net

// Runs "arp -an 2>/dev/null" and adds the entries under `prefix` to `out`.
void readArpTableByCommand(NeighbourMap& out, const std::string& prefix);
