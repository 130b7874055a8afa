#pragma once
// An interface source that shows only the named interfaces of another: the command-line
// tool's --interface limits the endpoints and the sweep to the ports an installer names.

#include "net/ifaddrssource.h"

#include <string>
#include <vector>

namespace brenmoor::net {

// Every entry of `base` whose name is one of `names` (an alias such as "eth0:1" counts as
// its own name), in base's order. The result shares state with its copies and must outlive
// every user of it, as any source must.
IfaddrsSource onlyNamedInterfaces(const IfaddrsSource& base, std::vector<std::string> names);

// The names among `names` that have no IPv4 address in `source`, in the order given.
std::vector<std::string> namesWithoutIpv4(const IfaddrsSource& source, const std::vector<std::string>& names);

} // namespace brenmoor::net
