// The ARP helper's two readers of untrusted bytes: its command line (the input split into
// arguments at NUL and newline) and a frame from the wire.
#include "arphelper/arguments.h"
#include "arphelper/arpframe.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace brenmoor::arphelper;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\0' || data[i] == '\n')
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    Arguments parsed;
    std::string error;
    if (parseArguments(args, parsed, error)) {
        if (parsed.targets.empty() || parsed.targets.size() > kMaxTargets || parsed.waitMs == 0
            || parsed.waitMs > kMaxWaitMs || !isUsableInterfaceName(parsed.interface)
            || !std::is_sorted(parsed.targets.begin(), parsed.targets.end())
            || std::adjacent_find(parsed.targets.begin(), parsed.targets.end()) != parsed.targets.end())
            __builtin_trap();
    } else if (error.empty() || error.find('\n') != std::string::npos || error.size() > 400) {
        __builtin_trap();
    }

    // The whole input as a frame, from a host on the link, for the targets just parsed (or
    // for the lab's devices when the arguments were refused).
    const std::vector<Ipv4> targets
        = parsed.targets.empty() ? std::vector<Ipv4>{0xc0a83215, 0xc0a83216, 0xc0a83228} : parsed.targets;
    for (unsigned packetType : {0u, 1u, 4u}) {
        const auto reply = acceptReply(packetType, data, size, targets);
        if (reply
            && (packetType == 4 || size < kArpPayloadSize || data[7] != 2 || (reply->senderMac[0] & 1) != 0
                || !std::binary_search(targets.begin(), targets.end(), reply->sender)))
            __builtin_trap();
    }
    return 0;
}
