#pragma once
// The devices one discovery found, merged by MAC with the window's table rules, and their
// conflicts with the neighbour table. Thread-safe: the endpoints' receive threads add.

#include "core/devicerules.h"
#include "net/neighbourmap.h"

#include <QString>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

struct ListedDevice
{
    DeviceRecord record;
    bool json = false; // answered the JSON discovery
    bool kv = false;   // answered the key-value discovery
    std::string conflictMac; // the neighbour table's MAC for this device's IP, when another one
};

class DeviceCollector
{
public:
    // A new MAC is listed while there is room; a key-value record refreshes a listed one and
    // a JSON one leaves it as it is, as in the window's table.
    void add(const DeviceRecord& record);
    // Sorted by IP in numeric order.
    std::vector<ListedDevice> devices() const;
    std::optional<ListedDevice> find(const QString& mac) const;
    // Every address the MAC answered from since the last clear(), whatever the table rules
    // kept: a device that moved may still be listed at its old one.
    std::set<QString> addressesOf(const QString& mac) const;
    void clear();

private:
    mutable std::mutex lock;
    std::map<QString, ListedDevice> byMac; // by normalMac
    std::map<QString, std::set<QString>> seenAt;
    bool toldFull = false;
};

// Marks each device whose IP the neighbour table shows under another MAC, printing the
// window's conflict line for it; returns how many.
int markDeviceConflicts(std::vector<ListedDevice>& devices, const NeighbourMap& neighbours);
