// A datagram on the key-value port, up to the row: the frame parser, the reply filter, the
// record the window gets and what the table does with it.
#include "fuzz/road.h"
#include "protocol/kvframe.h"
#include "protocol/kvreply.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > INT_MAX)
        return 0;
    const std::string frame(reinterpret_cast<const char*>(data), size);
    const auto pairs = parseViscaString(frame);
    // Whatever was parsed builds back into a frame that parses to the same pairs, as long as
    // no key or value holds a byte that means something in a frame.
    bool plain = true;
    for (const auto& [key, value] : pairs)
        plain = plain && key.find_first_of(":\xff\x02\x03") == std::string::npos
            && value.find_first_of("\xff\x02\x03") == std::string::npos;
    if (plain) {
        std::vector<std::pair<std::string, std::string>> list(pairs.begin(), pairs.end());
        if (parseViscaString(buildViscaString(list)) != pairs)
            road::check(false);
    }
    const auto record = decodeKvReply(reinterpret_cast<const char*>(data), static_cast<int>(size));
    if (!record)
        return 0;
    road::follow(deviceRecord("192.168.1.64", *record));
    road::follow(deviceRecord(record->gateway, *record));
    return 0;
}
