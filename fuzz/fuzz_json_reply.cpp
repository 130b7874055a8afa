// A datagram on the JSON reply port, as the reply handler sees it.
#include "protocol/jsonreply.h"

#include <climits>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > INT_MAX)
        return 0;
    const JsonReplyResult result = decodeJsonReply(data, static_cast<int>(size));
    if (result.kind == JsonReplyResult::Device && result.payload.empty())
        __builtin_trap(); // a device record always comes from a payload
    return 0;
}
