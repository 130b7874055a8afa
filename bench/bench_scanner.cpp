// Scanner figures on the lab's tool host: the cost of starting and joining one sweep's 254
// probe threads, the time of a whole scan, and how many of the lab's live devices it found.
// Prints figures; asserts nothing.
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
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const size_t liveDevices = argc > 2 ? static_cast<size_t>(std::atoi(argv[2])) : 4;

    NetScanner scanner;
    if (scanner.interfaces().empty()) {
        std::puts("no interface to sweep");
        return 1;
    }
    std::vector<double> sweeps;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        scanner.sweepSubnet(scanner.interfaces().front());
        sweeps.push_back(millisecondsSince(start));
    }
    std::sort(sweeps.begin(), sweeps.end());
    std::printf("sweep of 254 probes on %s: min %.1f ms, median %.1f ms, max %.1f ms (%d rounds)\n",
                scanner.interfaces().front().name.c_str(), sweeps.front(), sweeps[sweeps.size() / 2], sweeps.back(),
                rounds);

    std::system("ip neigh flush all >/dev/null 2>&1"); // start the scan from a cold table
    std::string unused;
    const auto start = std::chrono::steady_clock::now();
    const NeighbourMap found = searchDeviceOneTime(unused);
    const double scan = millisecondsSince(start);
    std::printf("whole scan of %zu interfaces: %.0f ms; found %zu of %zu live devices\n",
                 scanner.interfaces().size(), scan, found.size(), liveDevices);
    return 0;
}
