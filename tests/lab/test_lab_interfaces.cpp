// The local interface listing and local record on the lab's tool host: the LAN ports enp1s0 and
// wlp2s0 are listed, the point-to-point tun0 is not.
#include "net/localinterfaces.h"

#include <cstring>
#include <gtest/gtest.h>

TEST(LabInterfaces, ListsBothLanPortsWithTheirBroadcastAddresses)
{
    testing::internal::CaptureStdout();
    const auto map = getbroadcastAddressList();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(map, (std::map<std::string, std::string>{{"10.60.1.255", "255.255.255.0"},
                                                         {"192.168.50.255", "255.255.255.0"}}));
    EXPECT_EQ(out, "Interface: enp1s0\n"
                   "  IP Address: 192.168.50.10\n"
                   "  Netmask: 255.255.255.0\n"
                   "  Broadcast Address: 192.168.50.255\n"
                   "Interface: wlp2s0\n"
                   "  IP Address: 10.60.1.10\n"
                   "  Netmask: 255.255.255.0\n"
                   "  Broadcast Address: 10.60.1.255\n");
}

TEST(LabInterfaces, LocalRecordIsTheFirstLanPortWithItsMacAndTheIdentifierFollows)
{
    testing::internal::CaptureStdout();
    const LocalMacIp first = getloacMacIp();
    const std::string listing = testing::internal::GetCapturedStdout();
    EXPECT_NE(listing.find("Interface: enp1s0\n"), std::string::npos);
    EXPECT_EQ(first.ip, "192.168.50.10");
    const unsigned char en0Mac[6] = {0x02, 0x42, 0xc0, 0xa8, 0x32, 0x0a};
    EXPECT_EQ(std::memcmp(first.mac, en0Mac, 6), 0);

    testing::internal::CaptureStdout();
    const LocalMacIp second = getloacMacIp();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(second.ip, first.ip);

    // Bytes 2..5 of the MAC, byte 2 least significant.
    EXPECT_EQ(getLocalID(), 0x0a32a8c0u);
    EXPECT_EQ(ipTo1(second.ip), "192.168.50.1");
}
