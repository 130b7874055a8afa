#pragma once
// Where the receive threads and the neighbour scan leave what they found for the owner's
// thread: a lock of our own (the thread sanitizer sees it), a bound, and nothing else.

#include "core/devicerecord.h"
#include "net/neighbourmap.h"

#include <deque>
#include <mutex>
#include <optional>

class DeviceInbox
{
public:
    // Any thread. True when the inbox was empty, so the owner is to be woken; a record beyond
    // kMaxQueuedRecords is dropped, as a flood of replies must not grow it without bound.
    bool push(DeviceRecord record);
    // Any thread; the same for the neighbour scan's result (a later one replaces it).
    bool post(NeighbourMap neighbours);

    struct Taken
    {
        std::deque<DeviceRecord> records;
        std::optional<NeighbourMap> neighbours;
        bool overflowed = false; // records were dropped: told once per Search
    };
    // The owner's thread: everything that arrived since the last take.
    Taken take();
    // A new Search: what came before belongs to the list just emptied.
    void clear();

private:
    std::mutex lock;
    std::deque<DeviceRecord> records;
    std::optional<NeighbourMap> neighbours;
    bool overflowed = false;
    bool overflowTold = false;
};
