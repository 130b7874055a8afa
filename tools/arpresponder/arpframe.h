#pragma once
// ARP over Ethernet, written from the wire format: the responder's own, sharing no code with
// the tool's.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace arpresponder {

using Mac = std::array<uint8_t, 6>;
using Ipv4 = std::array<uint8_t, 4>;

// What a reply needs of a request: who asked, and for which address.
struct ArpRequest
{
    Mac senderMac{};
    Ipv4 senderIp{}; // 0.0.0.0 in a probe: the asker checks that nobody holds the address
    Ipv4 targetIp{};
};

// The ARP request an Ethernet frame carries (header included, padding allowed), or nothing:
// any other frame, a truncated one, or one whose asker has no unicast MAC to answer to.
std::optional<ArpRequest> parseRequest(const uint8_t* frame, size_t length);

// The reply to `request`, as `answerMac` holding the asked address: unicast to the asker,
// `answerMac` also as the frame's source, padded to Ethernet's 60-byte minimum.
std::vector<uint8_t> buildReply(const ArpRequest& request, const Mac& answerMac);

// "aa:bb:cc:dd:ee:ff" (or with '-'), hex digits in either case; nothing for anything else.
std::optional<Mac> parseMac(const std::string& text);
std::string macText(const Mac& mac);
// A dotted quad of four decimal numbers 0-255; nothing for anything else.
std::optional<Ipv4> parseIpv4(const std::string& text);
std::string ipv4Text(const Ipv4& ip);

} // namespace arpresponder
