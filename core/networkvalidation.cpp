#include "core/networkvalidation.h"

#include "base/consoleline.h"
#include "base/messages.h"

#include <array>
#include <optional>
#include <regex>
#include <sstream>

namespace {

// Four groups of one to three ASCII digits joined by dots, nothing else (no spaces).
// The digit class is spelled out: \d could take locale digits in some libraries.
const std::regex& addressPattern()
{
    static const std::regex pattern(R"(^([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})$)",
                                    std::regex::ECMAScript);
    return pattern;
}

// The four parts of an address of the accepted shape; each is at most 999, so no overflow.
std::optional<std::array<unsigned, 4>> addressParts(const std::string& text)
{
    std::smatch match;
    if (!std::regex_match(text, match, addressPattern()))
        return std::nullopt;
    std::array<unsigned, 4> parts{};
    for (size_t i = 0; i < parts.size(); ++i)
        parts[i] = static_cast<unsigned>(std::stoul(match[i + 1].str()));
    return parts;
}

const char* const kFormatMessage = "Invalid IP address format";

void addMessage(std::string& error, const std::string& message)
{
    if (!error.empty())
        error += "; ";
    error += message;
}

} // namespace

SubnetEdge subnetEdge(uint32_t address, uint32_t netmask)
{
    // Host part zero first: under /32 every address is its own network address.
    if ((address & ~netmask) == 0)
        return SubnetEdge::Network;
    if ((address | netmask) == 0xFFFFFFFFu)
        return SubnetEdge::Broadcast;
    return SubnetEdge::None;
}

bool isValidIPFormat(const std::string& text, std::string& message)
{
    const auto parts = addressParts(text);
    if (!parts) {
        message = kFormatMessage;
        return false;
    }
    for (unsigned part : *parts) {
        if (part > 255) {
            message = "IP address parts must be between 0 and 255";
            return false;
        }
    }
    return true;
}

bool isValidHostIP(const std::string& text, std::string& message)
{
    const auto parts = addressParts(text);
    if (!parts) {
        message = kFormatMessage;
        return false;
    }
    const unsigned last = (*parts)[3];
    if (last < 1 || last > 254) {
        message = "IP address last parts must be between 1 and 254";
        return false;
    }
    return true;
}

uint32_t ipToUInt32(const std::string& text)
{
    // Only ever called on text of the accepted shape; anything else yields 0.
    const auto parts = addressParts(text);
    if (!parts)
        return 0;
    return ((*parts)[0] << 24) | ((*parts)[1] << 16) | ((*parts)[2] << 8) | (*parts)[3];
}

bool isContiguousMask(uint32_t mask)
{
    while (mask & 0x80000000u)
        mask <<= 1;
    return mask == 0;
}

bool isPrivateAddress(uint32_t v)
{
    return (v >> 24) == 10 || (v & 0xFFF00000u) == 0xAC100000u || (v >> 16) == 0xC0A8u;
}

bool isGatewayInSubnet(const std::string& ip, const std::string& mask, const std::string& gateway,
                       std::string& message)
{
    if (((ipToUInt32(ip) ^ ipToUInt32(gateway)) & ipToUInt32(mask)) == 0)
        return true;
    message = "Gateway is not in the same subnet as the IP address";
    return false;
}

bool isNetworkOrBroadcast(const std::string& ip, const std::string& mask, std::string& message)
{
    switch (subnetEdge(ipToUInt32(ip), ipToUInt32(mask))) {
    case SubnetEdge::Network:
        message = "IP address is the network address";
        return true;
    case SubnetEdge::Broadcast:
        message = "IP address is the broadcast address";
        return true;
    case SubnetEdge::None:
        break;
    }
    return false;
}

bool checkNetworkConfig(const std::string& ip, const std::string& mask, const std::string& gateway,
                        std::string& error)
{
    std::ostringstream report;
    const bool ok = checkNetworkConfig(ip, mask, gateway, error, report);
    // A report, its [ERROR] lines included: the panel that asked shows the refusal itself.
    brenmoor::messages::reportLines(brenmoor::messages::Level::Info, report.str());
    return ok;
}

bool checkNetworkConfig(const std::string& ip, const std::string& mask, const std::string& gateway,
                        std::string& error, std::ostream& report)
{
    report << "=== Network Configuration Validation ===" << std::endl;
    // The fields are filled from what a device reported: no control character of theirs may
    // reach the terminal.
    report << brenmoor::console::escapeControls("IP Address: " + ip) << std::endl;
    report << brenmoor::console::escapeControls("Subnet Mask: " + mask) << std::endl;
    report << brenmoor::console::escapeControls("Gateway: " + gateway) << std::endl;
    report << std::endl;
    error.clear();
    bool ok = true;
    std::string message;

    const auto finish = [&report](bool result) {
        report << std::endl;
        return result;
    };

    if (!isValidHostIP(ip, message)) {
        error = message;
        ok = false;
    }
    // The message speaks of the IP address here too; it is the same host rule.
    if (!isValidHostIP(gateway, message)) {
        error = message;
        ok = false;
    }

    if (isValidIPFormat(ip, message)) {
        report << "[OK] Valid IP address format" << std::endl;
    } else {
        report << "[ERROR] " << message << std::endl;
        error = message;
        ok = false;
    }

    std::string maskFormat;
    std::string maskRange;
    if (isValidIPFormat(mask, maskFormat) && isContiguousMask(ipToUInt32(mask))
        && !isStrandingMask(ipToUInt32(mask), maskRange)) {
        report << "[OK] Valid subnet mask" << std::endl;
    } else if (!maskRange.empty()) {
        report << "[ERROR] " << maskRange << std::endl;
        addMessage(error, maskRange);
        ok = false;
    } else {
        const std::string maskMessage = maskFormat.empty()
            ? std::string("Invalid subnet mask: must have continuous 1s followed by continuous 0s")
            : "Invalid subnet mask format: " + maskFormat;
        report << "[ERROR] " << maskMessage << std::endl;
        addMessage(error, maskMessage);
        ok = false;
    }

    std::string gatewayFormat;
    if (!isValidIPFormat(gateway, gatewayFormat)) {
        report << "[ERROR] Gateway " << gatewayFormat << std::endl;
        addMessage(error, "Gateway " + gatewayFormat);
        return finish(false);
    }
    report << "[OK] Valid gateway address format" << std::endl;
    if (!ok)
        return finish(false);

    bool result = isGatewayInSubnet(ip, mask, gateway, message);
    if (result) {
        report << "[OK] Gateway is in the same subnet" << std::endl;
        if (isStrandingGateway(ip, mask, gateway, message)) {
            report << "[ERROR] " << message << std::endl;
            error = message;
            result = false;
        }
    } else {
        report << "[ERROR] " << message << std::endl;
        error = message;
    }

    // A device given its subnet's network or broadcast address answers nobody.
    if (isNetworkOrBroadcast(ip, mask, message)) {
        report << "[ERROR] " << message << std::endl;
        error = message;
        result = false;
    }

    if (isPrivateAddress(ipToUInt32(ip))) {
        report << "[INFO] Using private IP address" << std::endl;
    } else {
        report << "[INFO] Using public IP address" << std::endl;
        error = "Using private IP address";
        result = false;
    }
    return finish(result);
}

bool isStrandingMask(uint32_t mask, std::string& message)
{
    if (mask == 0) {
        message = "Invalid subnet mask: 0.0.0.0 puts every address in the device's own network";
        return true;
    }
    if (mask >= 0xFFFFFFFEu) {
        message = "Invalid subnet mask: " + addressText(mask) + " leaves no room for the device and a gateway";
        return true;
    }
    return false;
}

bool isStrandingGateway(const std::string& ip, const std::string& mask, const std::string& gateway,
                        std::string& message)
{
    const uint32_t address = ipToUInt32(gateway);
    if (address == ipToUInt32(ip)) {
        message = "Gateway must not be the IP address itself";
        return true;
    }
    switch (subnetEdge(address, ipToUInt32(mask))) {
    case SubnetEdge::Network:
        message = "Gateway is the network address of the subnet";
        return true;
    case SubnetEdge::Broadcast:
        message = "Gateway is the broadcast address of the subnet";
        return true;
    case SubnetEdge::None:
        break;
    }
    return false;
}

std::string addressText(uint32_t value)
{
    return std::to_string(value >> 24) + '.' + std::to_string((value >> 16) & 0xFF) + '.'
        + std::to_string((value >> 8) & 0xFF) + '.' + std::to_string(value & 0xFF);
}

std::string canonicalAddress(const std::string& text)
{
    std::string message;
    return isValidIPFormat(text, message) ? addressText(ipToUInt32(text)) : text;
}
