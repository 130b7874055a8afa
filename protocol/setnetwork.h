#pragma once
// The two set-network commands that Confirm broadcasts, in its order: the key-value frame,
// then the JSON packet. The window and the command-line tool send them alike.

#include <cstdint>
#include <string>
#include <vector>

struct NetworkSettings
{
    std::string mac; // as the device reports it
    std::string ip, mask, gateway;
    std::string name; // key-value only
};

std::string kvSetNetworkFrame(const NetworkSettings& settings);
// Takes the next packet number whether or not the packet can be built, with `localId` as the
// source identifier; empty when the payload would not fit in a packet.
std::vector<unsigned char> jsonSetNetworkPacket(const NetworkSettings& settings, uint32_t localId);
