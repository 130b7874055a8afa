#pragma once
// The local host's IPv4 side: LAN interfaces with their broadcast addresses, the local
// MAC/IP record and the 32-bit local identifier carried by JSON-protocol packets.

#include "net/interfacerules.h"

#include <map>
#include <optional>
#include <ostream>
#include <string>

struct ifaddrs;

namespace brenmoor::net {
struct IfaddrsSource;
}

// Local IPv4 address (dotted decimal) and MAC (six raw bytes, wire order), filled the first
// time getloacMacIp() or getLocalID() finds a usable LAN interface. Read them through those
// two functions: they are written under a lock by whichever thread gets there first.
extern std::string SloaclIP;
extern unsigned char SloaclMac[6];

struct LocalMacIp
{
    unsigned char mac[6];
    std::string ip;
};

// Lists the LAN ports' IPv4 addresses (not 127.0.0.1), four console lines each (reported as
// Info messages, base/messages.h), and returns broadcast address -> netmask; the first
// interface of a subnet wins. What a LAN port is depends on the platform (interfacerules.h).
// An empty map when the list cannot be read.
std::map<std::string, std::string> getbroadcastAddressList();

// ip OR NOT mask. An empty text when either input is not IPv4 dotted decimal.
std::string calculateBroadcastAddress(const std::string& ip, const std::string& mask);

// Copies of the local record, filling it first (with the console listing) while it is empty.
LocalMacIp getloacMacIp();

// MAC bytes 2..5 as a little-endian word (byte 2 least significant); 0 while no MAC is known,
// in which case the next call looks again.
unsigned int getLocalID();

// The address with everything after its last '.' replaced by "1"; unchanged without a '.'.
std::string ipTo1(const std::string& ip);

namespace brenmoor::net {

// The interface list walk behind getbroadcastAddressList, over any list, writing the listing
// to `out`.
std::map<std::string, std::string> broadcastMapFrom(const ifaddrs* list, std::ostream& out,
                                                    InterfaceRules rules = platformInterfaceRules());
std::map<std::string, std::string> getbroadcastAddressList(const IfaddrsSource& source);

// Which interface fills the local record: among the LAN ports the listing takes that are up
// and have a non-zero six-byte MAC, a physical port before a software one (a bridge, a veth);
// among equals the one named en0, otherwise the first in the platform's order. en0 is the
// built-in port of the desktops this tool grew up on; "first listed" is stable across runs.
std::optional<LocalMacIp> chooseLocalRecord(const ifaddrs* list, InterfaceRules rules = platformInterfaceRules(),
                                            const PhysicalPortTest& isPhysical = isPhysicalPort);

// getloacMacIp over any interface source, for tests.
LocalMacIp getloacMacIp(const IfaddrsSource& source);

unsigned int localIdFromMac(const unsigned char mac[6]);

// Empties the local record (and the identifier worked out from it) so the next read chooses
// again: the interfaces changed (a cable plugged in after start-up, a port gone).
void forgetLocalRecord();

} // namespace brenmoor::net
