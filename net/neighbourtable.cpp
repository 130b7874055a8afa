#include "net/neighbourtable.h"

#include <fstream>

namespace brenmoor::net {

namespace {

// The kernel counts ages in clock ticks: an event in the first tick of a period may read one
// tick older than the period.
constexpr std::chrono::milliseconds kTick(10);

} // namespace

bool isFreshEvidence(const Neighbour& neighbour, std::chrono::milliseconds sinceSweepBegan)
{
    if (!neighbour.resolved)
        return false;
    return neighbour.reachable || (neighbour.confirmedAge && *neighbour.confirmedAge <= sinceSweepBegan + kTick);
}

bool isLearnedDuringSearch(const Neighbour& neighbour, std::chrono::milliseconds sinceSearchBegan)
{
    return neighbour.resolved && (neighbour.stale || neighbour.reachable) && neighbour.updatedAge
        && *neighbour.updatedAge <= sinceSearchBegan + kTick;
}

std::optional<size_t> neighbourTableLimit(const std::string& path)
{
    std::ifstream file(path);
    long long value = -1;
    if (!(file >> value) || value <= 0)
        return std::nullopt;
    return static_cast<size_t>(value);
}

} // namespace brenmoor::net
