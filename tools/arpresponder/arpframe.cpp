#include "tools/arpresponder/arpframe.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>

namespace arpresponder {

namespace {

constexpr size_t kEthernetHeader = 14;
constexpr size_t kArpLength = 28; // Ethernet and IPv4 addresses
constexpr size_t kMinimumFrame = 60; // without the frame check sequence

uint16_t be16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

void putBe16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value & 0xff));
}

template <size_t N>
void put(std::vector<uint8_t>& out, const std::array<uint8_t, N>& bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

template <size_t N>
std::array<uint8_t, N> take(const uint8_t* p)
{
    std::array<uint8_t, N> bytes{};
    std::copy(p, p + N, bytes.begin());
    return bytes;
}

} // namespace

std::optional<ArpRequest> parseRequest(const uint8_t* frame, size_t length)
{
    if (!frame || length < kEthernetHeader + kArpLength)
        return std::nullopt;
    const uint8_t* arp = frame + kEthernetHeader;
    if (be16(frame + 12) != 0x0806 || be16(arp) != 1 || be16(arp + 2) != 0x0800 || arp[4] != 6 || arp[5] != 4
        || be16(arp + 6) != 1)
        return std::nullopt;
    ArpRequest request;
    request.senderMac = take<6>(arp + 8);
    request.senderIp = take<4>(arp + 14);
    request.targetIp = take<4>(arp + 24);
    // A group or all-zero sender cannot be answered by unicast: no host asks from one.
    const bool zero = std::all_of(request.senderMac.begin(), request.senderMac.end(), [](uint8_t b) { return b == 0; });
    if (zero || (request.senderMac[0] & 1))
        return std::nullopt;
    return request;
}

std::vector<uint8_t> buildReply(const ArpRequest& request, const Mac& answerMac)
{
    std::vector<uint8_t> frame;
    frame.reserve(kMinimumFrame);
    put(frame, request.senderMac);
    put(frame, answerMac);
    putBe16(frame, 0x0806);
    putBe16(frame, 1); // Ethernet
    putBe16(frame, 0x0800); // IPv4
    frame.push_back(6);
    frame.push_back(4);
    putBe16(frame, 2); // reply
    put(frame, answerMac);
    put(frame, request.targetIp);
    put(frame, request.senderMac);
    put(frame, request.senderIp);
    frame.resize(kMinimumFrame, 0);
    return frame;
}

std::optional<Mac> parseMac(const std::string& text)
{
    if (text.size() != 17)
        return std::nullopt;
    Mac mac{};
    for (size_t i = 0; i < 6; ++i) {
        const size_t at = i * 3;
        if (i > 0 && text[at - 1] != ':' && text[at - 1] != '-')
            return std::nullopt;
        int value = 0;
        for (size_t k = at; k < at + 2; ++k) {
            const char c = text[k];
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return std::nullopt;
            value = value * 16 + digit;
        }
        mac[i] = static_cast<uint8_t>(value);
    }
    return mac;
}

std::string macText(const Mac& mac)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

std::optional<Ipv4> parseIpv4(const std::string& text)
{
    // inet_pton's strict form: four decimal parts without leading zeros, which other parsers
    // would read as octal.
    Ipv4 ip{};
    if (inet_pton(AF_INET, text.c_str(), ip.data()) != 1)
        return std::nullopt;
    return ip;
}

std::string ipv4Text(const Ipv4& ip)
{
    return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." + std::to_string(ip[3]);
}

} // namespace arpresponder
