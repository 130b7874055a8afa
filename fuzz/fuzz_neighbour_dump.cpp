// One buffer of the kernel's neighbour table dump (netlink RTM_GETNEIGH).
#include "net/neighbourtable.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    brenmoor::net::parseNeighbourDump(data, size, [](const std::string& ip, const std::string& mac) {
        if (mac.size() != 17 || ip.empty())
            __builtin_trap();
    });
    return 0;
}
