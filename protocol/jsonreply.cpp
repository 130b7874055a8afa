#include "protocol/jsonreply.h"

#include "protocol/jsonpacket.h"

#include <exception>
#include <nlohmann/json.hpp>

JsonReplyResult decodeJsonReply(const unsigned char* data, int len)
{
    JsonReplyResult result;
    if (!data || len < static_cast<int>(kPacketHeaderSize))
        return result;
    const std::vector<unsigned char> packet = deserialize_protocol_packet(data, static_cast<size_t>(len));
    if (packet.empty())
        return result;
    const protocol_packet_t header = readHeader(packet.data());
    if (header.command != kCommandDiscovery || header.length == 0)
        return result;
    result.payload.assign(reinterpret_cast<const char*>(get_payload_ptr(packet.data())), header.length);

    try {
        const nlohmann::json value = nlohmann::json::parse(result.payload);
        DeviceReply& reply = result.reply;
        reply.sn = value.at("sn").get<std::string>();
        reply.mac = value.at("mac").get<std::string>();
        reply.version = value.at("version").get<std::string>();
        reply.typeID = value.at("typeID").get<std::string>();
        reply.submask = value.at("submask").get<std::string>();
        reply.gateway = value.at("gateway").get<std::string>();
        result.kind = JsonReplyResult::Device;
    } catch (const nlohmann::json::parse_error& e) {
        result.kind = JsonReplyResult::ParseError;
        result.message = e.what();
    } catch (const nlohmann::json::type_error& e) {
        result.kind = JsonReplyResult::TypeError;
        result.message = e.what();
    } catch (const std::exception& e) {
        result.kind = JsonReplyResult::OtherError;
        result.message = e.what();
    } catch (...) {
        result.kind = JsonReplyResult::OtherError;
        result.message = "unknown error";
    }
    if (result.kind != JsonReplyResult::Device)
        result.reply = DeviceReply{};
    return result;
}
