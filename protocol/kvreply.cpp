#include "protocol/kvreply.h"

#include "protocol/kvframe.h"

#include <algorithm>
#include <cstring>

namespace {

bool isDroppedKvText(const std::string& text)
{
    return text.find("ENQ") != std::string::npos || text.find("ACK") != std::string::npos
        || text.find("ack") != std::string::npos;
}

bool hasFivePairEnds(const char* data, int len)
{
    return std::count(data, data + len, '\xff') == 5;
}

} // namespace

std::optional<KvDeviceRecord> decodeKvReply(const char* data, int len)
{
    if (!data || len <= 0)
        return std::nullopt;
    const size_t textLength = strnlen(data, static_cast<size_t>(len));
    const std::string text(data, textLength);
    if (isDroppedKvText(text) || hasFivePairEnds(data, len))
        return std::nullopt;
    const auto pairs = parseViscaString(text);
    // Without any of the four keys the datagram describes no device: stray traffic on the
    // port would otherwise be listed as a device with a blank MAC.
    if (!pairs.count("MAC") && !pairs.count("MASK") && !pairs.count("GATEWAY") && !pairs.count("NAME"))
        return std::nullopt;
    const auto value = [&pairs](const char* key) {
        const auto it = pairs.find(key);
        return it == pairs.end() ? std::string() : it->second;
    };
    return KvDeviceRecord{value("MAC"), value("MASK"), value("GATEWAY"), value("NAME")};
}
