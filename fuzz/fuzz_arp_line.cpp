// One line of "arp -an" output.
#include "net/arpcommand.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    std::string ip;
    std::string mac;
    if (brenmoor::net::parseArpLine(line, ip, mac) && mac.size() != 17)
        __builtin_trap();
    NeighbourMap map;
    brenmoor::net::addNeighbour(map, "192.168.1", mac, ip);
    return 0;
}
