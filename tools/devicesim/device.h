#pragma once
// One simulated device: what it reports, which protocols it answers and how it misbehaves,
// parsed from a --device SPEC.

#include <string>
#include <vector>

namespace devicesim {

using Bytes = std::vector<unsigned char>;

struct Device
{
    std::string ip;
    std::string mac = "02:00:00:00:00:01";
    std::string name = "SIM";
    std::string sn = "SN0001";
    std::string version = "1.0";
    std::string mask = "255.255.255.0";
    std::string gateway;
    bool json = true;
    bool kv = true;
    bool broadcastReply = false; // discovery answers go to 255.255.255.255, not to the asker
    std::string kvMac; // empty: as mac
    std::string kvName; // empty: as name
    std::string misbehave;
    int flood = 0; // extra replies under new MACs, to the first JSON discovery
    std::string interfaceName; // dev=: the interface it lives on; empty: the one holding ip
    bool ignoreSettings = false; // records set-network commands but never moves, even with --apply
    int sendSock = -1;
    unsigned ifIndex = 0; // the interface that holds ip
};


// Prints "devicesim: MESSAGE" and ends the simulator with status 2.
[[noreturn]] void fail(const std::string& message);

// SPEC: comma-separated key=value items (see main.cpp).
Device parseDevice(const std::string& spec);

} // namespace devicesim
