// A datagram on the key-value port: the frame parser and the reply filter.
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
            __builtin_trap();
    }
    (void)decodeKvReply(reinterpret_cast<const char*>(data), static_cast<int>(size));
    return 0;
}
