#include "core/addresscheck.h"

#include "core/devicelist.h"
#include "core/macaddress.h"
#include "net/neighbourtable.h"

#include <cstdio>

namespace {

std::string macText(const brenmoor::net::MacAddress& mac)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

} // namespace

AddressUse currentAddressUse(const brenmoor::net::IfaddrsSource& interfaces)
{
    AddressUse use;
    readArpTable(use.neighbours, "");
    use.host = brenmoor::net::readHostAddresses(interfaces).value_or(std::vector<brenmoor::net::HostAddress>{});
    return use;
}

std::optional<std::string> addressInUse(const std::string& ip, const QString& mac, const DeviceList& devices,
                                        const AddressUse& use, const std::function<bool(const QString& mac)>& movesAway)
{
    const std::string taken = "IP address " + ip + " is already used by ";
    const auto holds = [&](const QString& other) { return !isSameMac(other, mac) && !(movesAway && movesAway(other)); };
    for (const brenmoor::net::HostAddress& own : use.host) {
        if (own.ip == ip)
            return taken + "this computer (" + (own.mac ? macText(*own.mac) + " on " : std::string()) + own.name + ")";
    }
    const QString address = QString::fromStdString(ip);
    for (int row = 0; row < devices.size(); ++row) {
        const ListedDevice& device = devices.at(row);
        if (device.record.ip == address && holds(device.record.mac))
            return taken + "device " + shownText(device.record.mac).toStdString();
    }
    for (const auto& [neighbourMac, neighbourIp] : use.neighbours) {
        if (neighbourIp != ip || !holds(QString::fromStdString(neighbourMac)))
            continue;
        // The kernel remembers a device that moved; a device that answers from another
        // address now has left this one.
        const int listed = devices.rowOf(QString::fromStdString(neighbourMac));
        if (listed >= 0 && devices.at(listed).record.ip != address)
            continue;
        return taken + "device " + neighbourMac;
    }
    return std::nullopt;
}
