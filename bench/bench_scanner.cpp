// Scanner figures on the lab's tool host: the time of a whole scan of every network from a
// cold neighbour table, and how many of the lab's live devices it found.
// Prints figures; asserts nothing.
#include "net/ifaddrssource.h"
#include "net/netscanner.h"
#include "tests/support/labguard.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    brenmoor::test::requireLabNamespace(argv[0]);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    const size_t liveDevices = argc > 2 ? static_cast<size_t>(std::atoi(argv[2])) : 4;

    const NetScanner scanner;
    if (scanner.interfaces().empty()) {
        std::puts("no interface to sweep");
        return 1;
    }
    for (int i = 0; i < rounds; ++i) {
        std::system("ip neigh flush all >/dev/null 2>&1"); // each scan from a cold table
        const auto start = std::chrono::steady_clock::now();
        const SweepResult result = sweepNetworks(brenmoor::net::systemIfaddrs(), ScanActions(), nullptr);
        const double scan = millisecondsSince(start);
        std::printf("whole scan of %zu addresses: %.0f ms (one pause of 2,000 ms); found %zu of %zu live devices; "
                    "%zu probes failed\n",
                    scanner.interfaces().size(), scan, result.neighbours.size(), liveDevices, result.failedProbes);
    }
    return 0;
}
