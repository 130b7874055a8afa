#include "tests/support/labguard.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace brenmoor::test {

std::string labPrefix()
{
    const char* prefix = std::getenv("BM_LAB");
    return (prefix && *prefix) ? prefix : "bmlab";
}

bool insideLabNamespace()
{
    // `ip netns add` bind-mounts the namespace under /run/netns; compare that namespace with
    // our own by device and inode, which names cannot fake.
    struct stat own{};
    struct stat lab{};
    const std::string labPath = "/run/netns/" + labPrefix() + "-tool";
    if (stat("/proc/self/ns/net", &own) != 0 || stat(labPath.c_str(), &lab) != 0)
        return false;
    return own.st_dev == lab.st_dev && own.st_ino == lab.st_ino;
}

void requireLabNamespace(const char* testName)
{
    if (insideLabNamespace())
        return;
    std::fprintf(stderr,
                 "%s: refusing to run a network test outside the lab's tool host namespace "
                 "(/run/netns/%s-tool). Run it through tools/lab.sh exec or ctest.\n",
                 testName, labPrefix().c_str());
    std::exit(77);
}

} // namespace brenmoor::test
