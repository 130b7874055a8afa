#include "ui/protocolhandlers.h"

#include "base/logging.h"
#include "core/devicerules.h"
#include "net/localinterfaces.h"
#include "protocol/jsonpacket.h"
#include "protocol/jsonreply.h"
#include "protocol/kvframe.h"
#include "protocol/kvreply.h"
#include "protocol/setnetwork.h"
#include "ui/mainwindow.h"
#include "ui/windowguard.h"

#include <exception>

void udpReceiveFun(std::string ip, const unsigned char* data, int len)
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
        const DeviceRecord device = deviceRecord(ip, reply);
        withMainWindow([&](mainwindow& window) {
            emit window.sigAddDeivce(device.mac, device.ip, device.submask, device.gateway, device.name, device.type);
        });
    } catch (const std::exception& e) {
        BM_LOG_ERROR("Exception error: {}. JSON String: {}", e.what(), "");
    } catch (...) {
    }
}

void udpReceiveFun_visca(std::string ip, char* data, int len)
{
    try {
        const auto record = decodeKvReply(data, len);
        if (!record)
            return;
        const DeviceRecord device = deviceRecord(ip, *record);
        withMainWindow([&](mainwindow& window) {
            emit window.sigAddDeivce(device.mac, device.ip, device.submask, device.gateway, device.name, device.type);
        });
    } catch (...) {
        // Allocation failure is the only way here; the datagram is dropped.
    }
}

void Send_allloc_IP_To_Device(std::string mac, std::string ip, std::string mask, std::string gateway)
{
    const std::vector<unsigned char> packet = jsonSetNetworkPacket({mac, ip, mask, gateway, {}}, getLocalID());
    if (packet.empty()) {
        BM_LOG_ERROR("....");
        return;
    }
    withMainWindow([&](mainwindow& window) { window.jsonEndpoint.Send("255.255.255.255", packet.data(), packet.size()); });
}

void SetDeviceNetworkByVisca(std::string mac, std::string ip, std::string mask, std::string gateway, std::string name)
{
    const std::string frame = kvSetNetworkFrame({mac, ip, mask, gateway, name});
    withMainWindow([&](mainwindow& window) {
        window.kvEndpoint.Send("255.255.255.255", reinterpret_cast<const unsigned char*>(frame.data()), frame.size());
    });
}
