#include "tools/devicesim/kvwire.h"

namespace devicesim {

std::string kvFrame(const KvPairs& pairs)
{
    std::string f = "\x02";
    for (const auto& [k, v] : pairs)
        f += k + ":" + v + "\xff";
    return f + "\x03";
}

KvPairs kvPairs(const std::string& datagram)
{
    KvPairs pairs;
    std::string body = datagram;
    if (!body.empty() && body.front() == '\x02')
        body.erase(0, 1);
    if (!body.empty() && body.back() == '\x03')
        body.pop_back();
    size_t start = 0;
    while (start < body.size()) {
        size_t end = body.find('\xff', start);
        if (end == std::string::npos)
            end = body.size();
        const std::string segment = body.substr(start, end - start);
        const size_t colon = segment.find(':');
        if (colon != std::string::npos)
            pairs.emplace_back(segment.substr(0, colon), segment.substr(colon + 1));
        start = end + 1;
    }
    return pairs;
}

Bytes kvReply(const Device& d)
{
    KvPairs pairs{
        {"MAC", d.kvMac.empty() ? d.mac : d.kvMac}, {"IPADR", d.ip}, {"MASK", d.mask}, {"GATEWAY", d.gateway},
        {"NAME", d.kvName.empty() ? d.name : d.kvName}, {"SN", d.sn}};
    const std::string& m = d.misbehave;
    if (m == "ack")
        pairs.emplace_back("RESULT", "ACK");
    else if (m == "five-pairs")
        pairs.pop_back();
    else if (m == "no-keys")
        pairs = {{"MODEL", d.name}, {"SN", d.sn}};
    std::string frame = kvFrame(pairs);
    if (m == "nul")
        frame.insert(1, 1, '\0');
    return Bytes(frame.begin(), frame.end());
}

} // namespace devicesim
