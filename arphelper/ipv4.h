#pragma once
// Addresses as values: an IPv4 address in host byte order, a network of the interface, a MAC.
// Text is read strictly at the edge (the command line) and written back only for output.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace brenmoor::arphelper {

using Ipv4 = uint32_t;
using Mac = std::array<uint8_t, 6>;

// One IPv4 address of the interface with its netmask.
struct OwnAddress
{
    Ipv4 address = 0;
    Ipv4 mask = 0;
};

bool inNetworkOf(Ipv4 ip, const OwnAddress& own);

// Four decimal parts 0..255 of one to three digits, joined by dots. A part with a leading zero
// ("01") is refused: other readers take it for octal, and the caller must mean one address.
bool parseIpv4(std::string_view text, Ipv4& ip);
std::string ipv4Text(Ipv4 ip);
// "192.168.50.10/24"; a mask with holes in it as "192.168.50.10/255.0.255.0".
std::string networkText(const OwnAddress& own);
// Lower-case hex pairs joined by colons.
std::string macText(const Mac& mac);

} // namespace brenmoor::arphelper
