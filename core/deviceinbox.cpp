#include "core/deviceinbox.h"

bool DeviceInbox::push(DeviceRecord record)
{
    std::lock_guard<std::mutex> guard(lock);
    const bool wasEmpty = records.empty();
    if (records.size() < kMaxQueuedRecords)
        records.push_back(std::move(record));
    else
        overflowed = true;
    return wasEmpty;
}

DeviceInbox::Taken DeviceInbox::take()
{
    Taken taken;
    std::lock_guard<std::mutex> guard(lock);
    taken.records.swap(records);
    taken.overflowed = overflowed && !std::exchange(overflowTold, true);
    overflowed = false;
    return taken;
}

void DeviceInbox::clear()
{
    std::lock_guard<std::mutex> guard(lock);
    records.clear();
    overflowed = false;
    overflowTold = false;
}
