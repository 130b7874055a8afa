#pragma once
// Validation of the IP address, subnet mask and gateway typed into the settings panel.
// Pure logic over std::string; writes a step-by-step report.

#include <cstdint>
#include <ostream>
#include <string>

// True when the three values may be applied: IP and gateway of dotted-decimal shape with
// every part 0..255 and last part 1..254, a contiguous well-formed mask that leaves room for
// a device and its gateway (not 0.0.0.0, /31 or /32), the gateway inside the IP's subnet and
// neither the IP itself nor the subnet's network or broadcast address, an IP that is neither
// of those either, and a private IP: settings that would strand a device are refused. `error` is cleared first and holds the reason on false.
// The report goes out as Info messages, one a line (base/messages.h): by default to standard
// output, where the window's console lines go.
bool checkNetworkConfig(const std::string& ip, const std::string& mask, const std::string& gateway,
                        std::string& error);
bool checkNetworkConfig(const std::string& ip, const std::string& mask, const std::string& gateway,
                        std::string& error, std::ostream& report);

// Each leaves `message` untouched when it passes.
bool isValidIPFormat(const std::string& text, std::string& message);
bool isValidHostIP(const std::string& text, std::string& message);
uint32_t ipToUInt32(const std::string& text);
bool isGatewayInSubnet(const std::string& ip, const std::string& mask, const std::string& gateway,
                       std::string& message);
// True (with its text) when ip is the network or broadcast address under mask.
bool isNetworkOrBroadcast(const std::string& ip, const std::string& mask, std::string& message);

// True (with its text) for the masks that leave a device no network to live in.
bool isStrandingMask(uint32_t mask, std::string& message);
// True (with its text) for a gateway in the subnet that no packet could be routed through:
// the IP itself, or the subnet's network or broadcast address.
bool isStrandingGateway(const std::string& ip, const std::string& mask, const std::string& gateway,
                        std::string& message);

// The address as plain dotted decimal: "192.168.001.010" is 192.168.1.10. Device stacks read
// a leading zero as octal ("010" as 8), so what was validated goes out in this form. A text
// that is no address is returned as it is.
std::string canonicalAddress(const std::string& text);
std::string addressText(uint32_t value);

// Whether an address is its subnet's network address (host part all zero) or broadcast
// address (host part all ones).
enum class SubnetEdge { None, Network, Broadcast };
SubnetEdge subnetEdge(uint32_t address, uint32_t netmask);

bool isContiguousMask(uint32_t mask);
bool isPrivateAddress(uint32_t address);
