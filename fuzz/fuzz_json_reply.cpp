// A datagram on the JSON reply port, up to the row: the decoder, the record the window gets
// and what the table does with it.
#include "fuzz/road.h"
#include "protocol/jsonreply.h"

#include <climits>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > INT_MAX)
        return 0;
    const JsonReplyResult result = decodeJsonReply(data, static_cast<int>(size));
    if (result.kind != JsonReplyResult::Device)
        return 0;
    road::check(!result.payload.empty()); // a device record always comes from a payload
    road::follow(deviceRecord("192.168.1.64", result.reply));
    // The device's own texts where the sender's address would be: the order must hold.
    road::follow(deviceRecord(result.reply.gateway, result.reply));
    return 0;
}
