#include "arphelper/ipv4.h"

namespace brenmoor::arphelper {

bool inNetworkOf(Ipv4 ip, const OwnAddress& own)
{
    return (ip & own.mask) == (own.address & own.mask);
}

bool parseIpv4(std::string_view text, Ipv4& ip)
{
    Ipv4 value = 0;
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.')
                return false;
            ++at;
        }
        const size_t begin = at;
        unsigned number = 0;
        while (at < text.size() && at - begin < 4 && text[at] >= '0' && text[at] <= '9')
            number = number * 10 + static_cast<unsigned>(text[at++] - '0');
        const size_t digits = at - begin;
        if (digits == 0 || digits > 3 || number > 255 || (digits > 1 && text[begin] == '0'))
            return false;
        value = value << 8 | number;
    }
    if (at != text.size())
        return false;
    ip = value;
    return true;
}

std::string ipv4Text(Ipv4 ip)
{
    return std::to_string(ip >> 24) + '.' + std::to_string(ip >> 16 & 0xff) + '.' + std::to_string(ip >> 8 & 0xff) + '.'
        + std::to_string(ip & 0xff);
}

std::string networkText(const OwnAddress& own)
{
    const Ipv4 inverted = ~own.mask;
    if ((inverted & (inverted + 1)) != 0)
        return ipv4Text(own.address) + '/' + ipv4Text(own.mask);
    int bits = 0;
    for (Ipv4 mask = own.mask; mask != 0; mask <<= 1)
        ++bits;
    return ipv4Text(own.address) + '/' + std::to_string(bits);
}

std::string macText(const Mac& mac)
{
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < mac.size(); ++i) {
        if (i > 0)
            text += ':';
        text += kHex[mac[i] >> 4];
        text += kHex[mac[i] & 0xf];
    }
    return text;
}

} // namespace brenmoor::arphelper
