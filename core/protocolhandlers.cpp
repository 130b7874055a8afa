#include "core/protocolhandlers.h"

#include "base/logging.h"
#include "protocol/jsonreply.h"
#include "protocol/kvreply.h"

#include <exception>

void udpReceiveFun(std::string ip, const unsigned char* data, int len, const DeviceSink& sink)
{
    try {
        const JsonReplyResult result = decodeJsonReply(data, len);
        switch (result.kind) {
        case JsonReplyResult::Dropped:
            return;
        case JsonReplyResult::ParseError:
            BM_LOG_ERROR("JSON Parse error: {}. JSON String: {}", result.message, result.payload);
            return;
        case JsonReplyResult::TypeError:
            BM_LOG_ERROR("Type error: {}. JSON String: {}", result.message, result.payload);
            return;
        case JsonReplyResult::OtherError:
            BM_LOG_ERROR("Exception error: {}. JSON String: {}", result.message, result.payload);
            return;
        case JsonReplyResult::Device:
            break;
        }
        const DeviceReply& reply = result.reply;
        BM_LOG_INFO("rceive MAC:{} SN:{}  devtype:{} version:{} submask:{} gateway:{} ", reply.mac, reply.sn,
                    reply.typeID, reply.version, reply.submask, reply.gateway);
        if (sink)
            sink(deviceRecord(ip, reply));
    } catch (const std::exception& e) {
        BM_LOG_ERROR("Exception error: {}. JSON String: {}", e.what(), "");
    } catch (...) {
    }
}

void udpReceiveFun_visca(std::string ip, char* data, int len, const DeviceSink& sink)
{
    try {
        const auto record = decodeKvReply(data, len);
        if (record && sink)
            sink(deviceRecord(ip, *record));
    } catch (...) {
        // Allocation failure is the only way here; the datagram is dropped.
    }
}
