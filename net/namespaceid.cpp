#include "net/namespaceid.h"

#include <sys/stat.h>

namespace brenmoor::net {

std::optional<unsigned long> networkNamespaceId()
{
#if defined(__linux__)
    struct stat info{};
    if (stat("/proc/self/ns/net", &info) == 0)
        return static_cast<unsigned long>(info.st_ino);
#endif
    return std::nullopt;
}

} // namespace brenmoor::net
