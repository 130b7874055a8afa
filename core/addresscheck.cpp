#include "core/addresscheck.h"

#include "core/devicelist.h"
#include "core/macaddress.h"
#include "core/networkvalidation.h"
#include "net/neighbourtable.h"

#include <algorithm>
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

AddressVerdict judgeAddress(const std::string& ip, const QString& mac, const DeviceList& devices,
                            const AddressUse& use, const std::function<bool(const QString& mac)>& movesAway)
{
    const std::string taken = "IP address " + ip + " is already used by ";
    const auto other = [&](const QString& candidate) {
        return !isSameMac(candidate, mac) && !(movesAway && movesAway(candidate));
    };
    for (const brenmoor::net::HostAddress& own : use.host) {
        if (own.ip == ip)
            return {AddressHolder::Holds,
                    taken + "this computer (" + (own.mac ? macText(*own.mac) + " on " : std::string()) + own.name + ")", {}};
    }
    const QString address = QString::fromStdString(ip);
    for (int row = 0; row < devices.size(); ++row) {
        const ListedDevice& device = devices.at(row);
        if (device.record.ip == address && other(device.record.mac)) {
            const std::string shown = shownText(device.record.mac).toStdString();
            return {AddressHolder::Holds, taken + "device " + shown, shown};
        }
    }
    // A listed device the kernel still places here but that answers from another address
    // now has left this one.
    const auto movedOn = [&](const std::string& neighbourMac) {
        const int listed = devices.rowOf(QString::fromStdString(neighbourMac));
        return listed >= 0 && devices.at(listed).record.ip != address;
    };
    if (use.now) {
        const auto answered = use.now->answering.find(ip);
        if (answered != use.now->answering.end()) {
            for (const std::string& answer : answered->second)
                if (other(QString::fromStdString(answer)))
                    return {AddressHolder::Holds, taken + "device " + answer + ", which answers there now", answer};
        }
        const auto remembered = use.now->remembered.find(ip);
        if (remembered != use.now->remembered.end() && other(QString::fromStdString(remembered->second))
            && !movedOn(remembered->second))
            return {AddressHolder::Remembered,
                    "IP address " + ip + " was last used by " + remembered->second
                        + ": this computer remembers it there, but it does not answer now",
                    remembered->second};
        return {};
    }
    for (const auto& [neighbourMac, neighbourIp] : use.neighbours) {
        if (neighbourIp == ip && other(QString::fromStdString(neighbourMac)) && !movedOn(neighbourMac))
            return {AddressHolder::Remembered,
                    "IP address " + ip + " was last used by " + neighbourMac + ", as this computer remembers it",
                    neighbourMac};
    }
    return {};
}

bool onHostNetwork(const std::string& ip, const std::vector<brenmoor::net::HostAddress>& host)
{
    std::string message;
    if (!isValidIPFormat(ip, message))
        return false;
    const uint32_t value = ipToUInt32(ip);
    return std::any_of(host.begin(), host.end(), [&](const brenmoor::net::HostAddress& own) {
        if (own.loopbackAddress || !own.netmask || !isValidIPFormat(own.ip, message) || !isValidIPFormat(*own.netmask, message))
            return false;
        const uint32_t mask = ipToUInt32(*own.netmask);
        return (ipToUInt32(own.ip) & mask) == (value & mask);
    });
}
