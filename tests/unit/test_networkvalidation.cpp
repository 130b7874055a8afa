// checkNetworkConfig: result, error text and console report, table-driven.
#include "core/networkvalidation.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace {

struct Case
{
    const char* what;
    std::string ip, mask, gateway;
    bool ok;
    std::string error;
    std::vector<std::string> reportHas;   // lines that must appear
    std::vector<std::string> reportLacks; // lines that must not appear
};

std::string report(const std::string& ip, const std::string& mask, const std::string& gateway,
                   const std::string& body)
{
    return "=== Network Configuration Validation ===\nIP Address: " + ip + "\nSubnet Mask: " + mask
        + "\nGateway: " + gateway + "\n\n" + body + "\n";
}

const std::string kOkLines = "[OK] Valid IP address format\n[OK] Valid subnet mask\n"
                             "[OK] Valid gateway address format\n";

} // namespace

TEST(CheckNetworkConfig, AcceptsAPrivateHostWithItsGatewayAndPrintsTheFullReport)
{
    std::ostringstream out;
    std::string error = "stale";
    EXPECT_TRUE(checkNetworkConfig("192.168.1.10", "255.255.255.0", "192.168.1.1", error, out));
    EXPECT_EQ(error, "");
    EXPECT_EQ(out.str(), report("192.168.1.10", "255.255.255.0", "192.168.1.1",
                                kOkLines + "[OK] Gateway is in the same subnet\n[INFO] Using private IP address\n"));
}

TEST(CheckNetworkConfig, HostRuleFailureSkipsTheSubnetAndPrivateSteps)
{
    std::ostringstream out;
    std::string error;
    EXPECT_FALSE(checkNetworkConfig("192.168.1.0", "255.255.255.0", "192.168.1.1", error, out));
    EXPECT_EQ(error, "IP address last parts must be between 1 and 254");
    EXPECT_EQ(out.str(), report("192.168.1.0", "255.255.255.0", "192.168.1.1", kOkLines));
}

TEST(CheckNetworkConfig, Table)
{
    const char* const kFormat = "Invalid IP address format";
    const std::vector<Case> cases = {
        {"gateway .255", "192.168.1.10", "255.255.255.0", "192.168.1.255", false,
         "IP address last parts must be between 1 and 254", {}, {"[INFO] Using private IP address"}},
        {"part above 255", "300.1.1.1", "255.255.255.0", "192.168.1.1", false,
         "IP address parts must be between 0 and 255", {"[ERROR] IP address parts must be between 0 and 255"}, {}},
        {"not an address", "abc", "255.255.255.0", "192.168.1.1", false, kFormat,
         {"[ERROR] Invalid IP address format"}, {}},
        {"address and mask malformed", "abc", "255.255.x.0", "192.168.1.1", false,
         "Invalid IP address format; Invalid subnet mask format: Invalid IP address format",
         {"[ERROR] Invalid subnet mask format: Invalid IP address format", "[OK] Valid gateway address format"}, {}},
        {"mask part above 255", "192.168.1.10", "255.255.256.0", "192.168.1.1", false,
         "Invalid subnet mask format: IP address parts must be between 0 and 255", {}, {}},
        {"non-contiguous mask", "192.168.1.10", "255.0.255.0", "192.168.1.1", false,
         "Invalid subnet mask: must have continuous 1s followed by continuous 0s",
         {"[ERROR] Invalid subnet mask: must have continuous 1s followed by continuous 0s"}, {}},
        // Settings that strand a device are refused, each with its own text.
        {"mask all zero", "192.168.1.10", "000.0.00.0", "10.0.0.1", false,
         "Invalid subnet mask: 0.0.0.0 puts every address in the device's own network",
         {"[ERROR] Invalid subnet mask: 0.0.0.0 puts every address in the device's own network"},
         {"[OK] Valid subnet mask", "[INFO] Using private IP address"}},
        {"mask all ones", "192.168.1.10", "255.255.255.255", "192.168.1.10", false,
         "Invalid subnet mask: 255.255.255.255 leaves no room for the device and a gateway",
         {"[ERROR] Invalid subnet mask: 255.255.255.255 leaves no room for the device and a gateway"}, {}},
        {"mask /31", "10.0.0.5", "255.255.255.254", "10.0.0.4", false,
         "Invalid subnet mask: 255.255.255.254 leaves no room for the device and a gateway", {}, {}},
        {"mask /30 is the smallest that works", "10.0.0.1", "255.255.255.252", "10.0.0.2", true, "", {}, {}},
        {"mask /1 still passes", "10.0.0.1", "128.0.0.0", "10.0.0.2", true, "", {}, {}},
        {"gateway is the address itself", "192.168.1.10", "255.255.255.0", "192.168.1.10", false,
         "Gateway must not be the IP address itself",
         {"[OK] Gateway is in the same subnet", "[ERROR] Gateway must not be the IP address itself"}, {}},
        {"gateway the network address", "10.0.0.129", "255.255.255.128", "10.0.0.128", false,
         "Gateway is the network address of the subnet", {"[ERROR] Gateway is the network address of the subnet"}, {}},
        {"gateway the broadcast address", "10.0.0.1", "255.255.255.128", "10.0.0.127", false,
         "Gateway is the broadcast address of the subnet", {}, {}},
        {"gateway below the broadcast of a /16", "172.16.0.10", "255.255.0.0", "172.16.255.254", true, "", {}, {}},
        {"three-part gateway", "192.168.1.10", "255.255.255.0", "1.2.3", false,
         "Invalid IP address format; Gateway Invalid IP address format",
         {"[ERROR] Gateway Invalid IP address format"}, {"[OK] Valid gateway address format"}},
        {"gateway outside the subnet", "192.168.1.10", "255.255.255.0", "192.168.2.1", false,
         "Gateway is not in the same subnet as the IP address",
         {"[ERROR] Gateway is not in the same subnet as the IP address", "[INFO] Using private IP address"}, {}},
        {"network address", "10.0.0.128", "255.255.255.128", "10.0.0.129", false, "IP address is the network address",
         {"[ERROR] IP address is the network address"}, {"[WARNING] IP address is the network address, typically should not be assigned to hosts"}},
        {"broadcast address", "10.0.0.127", "255.255.255.128", "10.0.0.1", false, "IP address is the broadcast address",
         {"[ERROR] IP address is the broadcast address", "[INFO] Using private IP address"}, {}},
        {"the host below the broadcast of a /16", "172.16.255.254", "255.255.0.0", "172.16.0.1", true, "", {}, {}},
        {"public network address: the private rule speaks last", "8.8.8.128", "255.255.255.128", "8.8.8.129", false,
         "Using private IP address", {"[ERROR] IP address is the network address"}, {}},
        {"device text with controls in the report", "192.168.1.10\x1b", "255.255.255.0\x1b]0;x\x07", "192.168.1.1", false,
         "Invalid IP address format; Invalid subnet mask format: Invalid IP address format",
         {"IP Address: 192.168.1.10\\x1b", "Subnet Mask: 255.255.255.0\\x1b]0;x\\x07"}, {}},
        {"public address", "8.8.8.8", "255.255.255.0", "8.8.8.1", false, "Using private IP address",
         {"[INFO] Using public IP address"}, {}},
        {"public and outside subnet", "8.8.8.8", "255.255.255.0", "8.8.9.1", false, "Using private IP address", {}, {}},
        {"loopback is public", "127.0.0.5", "255.0.0.0", "127.0.0.1", false, "Using private IP address", {}, {}},
        {"172.15 is public", "172.15.0.10", "255.255.255.0", "172.15.0.1", false, "Using private IP address", {}, {}},
        {"172.32 is public", "172.32.0.10", "255.255.255.0", "172.32.0.1", false, "Using private IP address", {}, {}},
        {"172.16 is private", "172.16.0.10", "255.255.255.0", "172.16.0.1", true, "", {}, {}},
        {"172.31 is private", "172.31.255.10", "255.255.255.0", "172.31.255.1", true, "", {}, {}},
        {"10/8 is private", "10.20.30.40", "255.0.0.0", "10.0.0.1", true, "", {}, {}},
        {"leading zeros", "192.168.001.010", "255.255.255.000", "192.168.001.001", true, "", {}, {}},
        {"trailing space on the ip", "192.168.1.10 ", "255.255.255.0", "192.168.1.1", false, kFormat, {}, {}},
        {"leading space on the mask", "192.168.1.10", " 255.255.255.0", "192.168.1.1", false,
         "Invalid subnet mask format: Invalid IP address format", {}, {}},
        {"trailing space on the gateway", "192.168.1.10", "255.255.255.0", "192.168.1.1 ", false,
         "Invalid IP address format; Gateway Invalid IP address format", {}, {}},
        {"empty ip", "", "255.255.255.0", "192.168.1.1", false, kFormat, {}, {}},
        {"all empty", "", "", "", false,
         "Invalid IP address format; Invalid subnet mask format: Invalid IP address format; Gateway Invalid IP address format",
         {}, {}},
        {"four digits in a part", "1921.168.1.10", "255.255.255.0", "192.168.1.1", false, kFormat, {}, {}},
        {"trailing newline", "192.168.1.10\n", "255.255.255.0", "192.168.1.1", false, kFormat, {}, {}},
        {"non-ASCII digits", "192.168.1.\xd9\xa1", "255.255.255.0", "192.168.1.1", false, kFormat, {}, {}},
        {"embedded NUL", std::string("192.168.1.10\0", 13), "255.255.255.0", "192.168.1.1", false, kFormat, {}, {}},
        {"huge text", std::string(100000, '9'), "255.255.255.0", "192.168.1.1", false, kFormat, {}, {}},
    };
    for (const Case& c : cases) {
        std::ostringstream out;
        std::string error = "stale";
        EXPECT_EQ(checkNetworkConfig(c.ip, c.mask, c.gateway, error, out), c.ok) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
        const std::string text = out.str();
        for (const std::string& line : c.reportHas)
            EXPECT_NE(text.find(line + "\n"), std::string::npos) << c.what << ": missing " << line;
        for (const std::string& line : c.reportLacks)
            EXPECT_EQ(text.find(line + "\n"), std::string::npos) << c.what << ": unexpected " << line;
        EXPECT_EQ(text.substr(text.size() - 2), "\n\n") << c.what << ": the report ends with an empty line";
    }
}

TEST(CheckNetworkConfig, SubChecksLeaveTheMessageAloneWhenTheyPass)
{
    std::string message = "untouched";
    EXPECT_TRUE(isValidIPFormat("0.0.0.0", message));
    EXPECT_TRUE(isValidHostIP("300.300.300.7", message)) << "only the last part is range-tested";
    EXPECT_TRUE(isGatewayInSubnet("10.0.0.2", "255.0.0.0", "10.9.9.9", message));
    EXPECT_FALSE(isNetworkOrBroadcast("10.0.0.2", "255.0.0.0", message));
    EXPECT_EQ(message, "untouched");
    EXPECT_EQ(ipToUInt32("192.168.1.10"), 0xC0A8010Au);
    EXPECT_EQ(ipToUInt32("1.2.3"), 0u);
    EXPECT_TRUE(isContiguousMask(0xFFFFFF00u));
    EXPECT_FALSE(isContiguousMask(0xFF00FF00u));
}

TEST(CanonicalAddress, WhatWasValidatedIsWhatGoesOut)
{
    const std::pair<const char*, const char*> cases[] = {
        {"192.168.001.010", "192.168.1.10"}, {"010.0.0.1", "10.0.0.1"}, {"000.00.0.0", "0.0.0.0"},
        {"255.255.255.000", "255.255.255.0"}, {"10.20.30.40", "10.20.30.40"},
        {"300.1.1.1", "300.1.1.1"}, {"abc", "abc"}, {"", ""}, // no address: left as it is
    };
    for (const auto& [typed, sent] : cases)
        EXPECT_EQ(canonicalAddress(typed), sent) << typed;
}

TEST(CheckNetworkConfig, WritesTheReportToStandardOutput)
{
    testing::internal::CaptureStdout();
    std::string error;
    checkNetworkConfig("192.168.1.10", "255.255.255.0", "192.168.1.1", error);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("=== Network Configuration Validation ===\n", 0), 0u);
}
