#include "ui/windowprotocol.h"

#include "core/protocolhandlers.h"
#include "ui/mainwindow.h"
#include "ui/windowguard.h"

namespace {

// Only the hand-over happens under the window's lock: the record into the window's inbox.
void toWindow(const DeviceRecord& device)
{
    withMainWindow([&](mainwindow& window) {
        emit window.sigAddDeivce(device.mac, device.ip, device.submask, device.gateway, device.name, device.type);
    });
}

// The window's session, held beyond the lock for the length of a send.
std::shared_ptr<DiscoverySession> windowSession()
{
    std::shared_ptr<DiscoverySession> session;
    withMainWindow([&](mainwindow& window) { session = window.session(); });
    return session;
}

} // namespace

void udpReceiveFun(std::string ip, const unsigned char* data, int len)
{
    udpReceiveFun(std::move(ip), data, len, toWindow);
}

void udpReceiveFun_visca(std::string ip, char* data, int len)
{
    udpReceiveFun_visca(std::move(ip), data, len, toWindow);
}

void Send_allloc_IP_To_Device(std::string mac, std::string ip, std::string mask, std::string gateway)
{
    if (const auto session = windowSession())
        session->sendJsonSettings({std::move(mac), std::move(ip), std::move(mask), std::move(gateway), {}});
}

void SetDeviceNetworkByVisca(std::string mac, std::string ip, std::string mask, std::string gateway, std::string name)
{
    if (const auto session = windowSession())
        session->sendKvSettings({std::move(mac), std::move(ip), std::move(mask), std::move(gateway), std::move(name)});
}
