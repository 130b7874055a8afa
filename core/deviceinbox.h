#pragma once
// Where the receive threads leave the records they decoded for the owner's thread: a lock of
// our own (the thread sanitizer sees it), a bound, and nothing else.

#include "core/devicerecord.h"

#include <deque>
#include <mutex>

class DeviceInbox
{
public:
    // Any thread. True when the inbox was empty, so the owner is to be woken; a record beyond
    // kMaxQueuedRecords is dropped, as a flood of replies must not grow it without bound.
    bool push(DeviceRecord record);

    struct Taken
    {
        std::deque<DeviceRecord> records;
        bool overflowed = false; // records were dropped: told once per Search
    };
    // The owner's thread: everything that arrived since the last take.
    Taken take();
    // A new Search: what came before belongs to the list just emptied.
    void clear();

private:
    std::mutex lock;
    std::deque<DeviceRecord> records;
    bool overflowed = false;
    bool overflowTold = false;
};
