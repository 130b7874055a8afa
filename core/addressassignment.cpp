#include "core/addressassignment.h"

#include "core/devicelist.h"
#include "core/devicerecord.h"
#include "core/macaddress.h"
#include "core/networkvalidation.h"

#include <QSet>
#include <set>
#include <sstream>

namespace {

// Addresses a device stack may read as a broadcast, or that the settings panel refuses, even
// where the mask makes them ordinary hosts (x.y.z.0 in a /16).
bool endsInZeroOrAllOnes(uint32_t address)
{
    const uint32_t last = address & 0xFFu;
    return last == 0 || last == 0xFFu;
}

std::string prefixText(uint32_t network, uint32_t mask)
{
    int bits = 0;
    for (uint32_t m = mask; m & 0x80000000u; m <<= 1)
        ++bits;
    return addressText(network) + "/" + std::to_string(bits);
}

} // namespace

std::optional<std::string> assignmentValuesProblem(const std::string& firstIp, const std::string& mask,
                                                   const std::string& gateway)
{
    std::string message;
    if (!isValidIPFormat(firstIp, message))
        return "First IP: " + message;
    if (!isValidIPFormat(mask, message))
        return "Invalid subnet mask format: " + message;
    if (!isContiguousMask(ipToUInt32(mask)))
        return std::string("Invalid subnet mask: must have continuous 1s followed by continuous 0s");
    if (isStrandingMask(ipToUInt32(mask), message))
        return message;
    if (!isValidIPFormat(gateway, message))
        return "Gateway " + message;
    if (!isValidHostIP(gateway, message))
        return "Gateway: " + message;
    if (!isGatewayInSubnet(firstIp, mask, gateway, message))
        return message;
    if (subnetEdge(ipToUInt32(gateway), ipToUInt32(mask)) != SubnetEdge::None)
        return std::string("Gateway is the subnet's network or broadcast address");
    return std::nullopt;
}

std::string deviceLabel(const AssignedDevice& device)
{
    const std::string mac = shownText(device.mac).toStdString();
    return device.name.isEmpty() ? mac : mac + " (" + shownText(device.name).toStdString() + ")";
}

AssignmentPlan planAssignment(const std::vector<AssignedDevice>& devices, const std::string& firstIp,
                              const std::string& mask, const std::string& gateway, const DeviceList& list,
                              const AddressUse& use)
{
    AssignmentPlan plan;
    plan.devices = devices;
    for (AssignedDevice& device : plan.devices)
        device.newIp.clear();
    plan.mask = canonicalAddress(mask);
    plan.gateway = canonicalAddress(gateway);
    const auto refuse = [&plan](const std::string& reason) {
        if (!plan.problem)
            plan.problem = reason;
    };
    if (devices.empty()) {
        refuse("No device selected");
        return plan;
    }
    QSet<QString> selected;
    for (const AssignedDevice& device : devices) {
        if (selected.contains(normalMac(device.mac)))
            refuse(deviceLabel(device) + ": selected twice");
        selected.insert(normalMac(device.mac));
    }

    if (const auto problem = assignmentValuesProblem(firstIp, mask, gateway)) {
        refuse(*problem);
        return plan;
    }
    // All three are well-formed addresses now.
    const uint32_t first = ipToUInt32(firstIp);
    const uint32_t netmask = ipToUInt32(mask);
    const uint32_t network = first & netmask;
    const uint32_t broadcast = network | ~netmask;
    const uint32_t gatewayValue = ipToUInt32(gateway);
    // The selected devices leave their present addresses, each before another takes it.
    const auto movesAway = [&selected](const QString& mac) { return selected.contains(normalMac(mac)); };
    const auto passOver = [&](uint32_t candidate, const AssignedDevice& device) {
        if (subnetEdge(candidate, netmask) != SubnetEdge::None || endsInZeroOrAllOnes(candidate) || candidate == gatewayValue)
            return true;
        const std::string text = addressText(candidate);
        const AddressVerdict verdict = judgeAddress(text, device.mac, list, use, movesAway);
        if (verdict.free())
            return false;
        if (plan.passedOver.empty() || plan.passedOver.back().ip != text)
            plan.passedOver.push_back({text, verdict.reason});
        return true;
    };
    if (!onHostNetwork(addressText(first), use.host))
        plan.note = prefixText(network, netmask) + " is on none of this computer's networks: the devices will answer "
                    "only by broadcast there, and no address of it can be asked whether another host holds it";

    // 64-bit, so counting past 255.255.255.255 ends the range instead of wrapping to 0.
    uint64_t next = first;
    for (AssignedDevice& device : plan.devices) {
        while (next <= broadcast && passOver(static_cast<uint32_t>(next), device))
            ++next;
        if (next > broadcast) {
            refuse("No free address left in " + prefixText(network, netmask) + " from " + addressText(first)
                   + " for " + deviceLabel(device));
            break;
        }
        device.newIp = addressText(static_cast<uint32_t>(next++));
    }

    // Each address as the settings panel checks it; the first refusal names its device.
    std::set<std::string> given;
    for (const AssignedDevice& device : plan.devices) {
        if (device.newIp.empty())
            break;
        std::string error;
        std::ostringstream ignored;
        if (!checkNetworkConfig(device.newIp, mask, gateway, error, ignored)) {
            refuse(deviceLabel(device) + ": " + error);
            break;
        }
        if (!given.insert(device.newIp).second)
            refuse(deviceLabel(device) + ": " + device.newIp + " is planned for another device too");
    }
    return plan;
}
