#include "core/replydrops.h"

namespace {

// The endpoint asks for 4 MiB; with the system's maximum at least that, it gets it.
constexpr const char* kRemedy
    = "Raise net.core.rmem_max (as root: sysctl -w net.core.rmem_max=4194304) and search again";

std::string sizeText(int bytes)
{
    constexpr int kKiB = 1024;
    constexpr int kMiB = 1024 * 1024;
    if (bytes >= kMiB && bytes % kMiB == 0)
        return std::to_string(bytes / kMiB) + " MiB";
    if (bytes >= kKiB)
        return std::to_string(bytes / kKiB) + " KiB";
    return std::to_string(bytes) + " bytes";
}

} // namespace

std::string droppedRepliesLine(size_t dropped, int receiveBufferBytes)
{
    if (dropped == 0)
        return {};
    const std::string what = dropped == 1 ? "1 reply was" : std::to_string(dropped) + " replies were";
    const std::string buffer = receiveBufferBytes > 0 ? " (" + sizeText(receiveBufferBytes) + ")" : std::string();
    return what + " dropped by this computer: its receive buffer" + buffer + " was full. " + kRemedy;
}
