#pragma once
// The system's word on one interface: its index, flags, link type and MAC, and every IPv4
// address with its mask (getifaddrs, the one read the program makes).

#include "arphelper/interfacecheck.h"

#include <string>

namespace brenmoor::arphelper {

// False, with `error` set, only when the interface list cannot be read at all; an interface
// that does not exist gives facts with index 0.
bool readInterfaceFacts(const std::string& name, InterfaceFacts& facts, std::string& error);

} // namespace brenmoor::arphelper
