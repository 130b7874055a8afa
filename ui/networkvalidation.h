#pragma once
// Validation of the IP address, subnet mask and gateway typed into the settings panel.
// Pure logic over std::string; writes a step-by-step report.

#include <cstdint>
#include <ostream>
#include <string>

// True when the three values may be applied: IP and gateway of dotted-decimal shape with
// every part 0..255 and last part 1..254, a contiguous well-formed mask, the gateway inside
// the IP's subnet, and a private IP. `error` is cleared first and holds the reason on false.
// The report goes to standard output.
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
// True (with a warning text) when ip is the network or broadcast address under mask.
bool isNetworkOrBroadcast(const std::string& ip, const std::string& mask, std::string& message);

bool isContiguousMask(uint32_t mask);
bool isPrivateAddress(uint32_t address);
