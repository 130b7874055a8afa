#include "protocol/kvframe.h"

namespace {
constexpr char kStart = '\x02';
constexpr char kEnd = '\x03';
constexpr char kPairEnd = '\xff';
} // namespace

std::string buildViscaString(const std::vector<std::pair<std::string, std::string>>& pairs)
{
    std::string frame(1, kStart);
    for (const auto& [key, value] : pairs) {
        frame += key;
        frame += ':';
        frame += value;
        frame += kPairEnd;
    }
    frame += kEnd;
    return frame;
}

std::unordered_map<std::string, std::string> parseViscaString(const std::string& frame)
{
    size_t begin = (!frame.empty() && frame.front() == kStart) ? 1 : 0;
    size_t end = (!frame.empty() && frame.back() == kEnd) ? frame.size() - 1 : frame.size();
    std::unordered_map<std::string, std::string> pairs;
    if (begin >= end)
        return pairs;
    while (begin < end) {
        size_t stop = frame.find(kPairEnd, begin);
        if (stop == std::string::npos || stop > end)
            stop = end;
        const std::string segment = frame.substr(begin, stop - begin);
        const size_t colon = segment.find(':');
        if (!segment.empty() && colon != std::string::npos)
            pairs[segment.substr(0, colon)] = segment.substr(colon + 1);
        begin = stop + 1;
    }
    return pairs;
}

const std::string& kvDiscoveryRequest()
{
    static const std::string request = buildViscaString({{"ENQ", "network"}});
    return request;
}
