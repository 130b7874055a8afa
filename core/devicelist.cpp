#include "core/devicelist.h"

#include "base/consoleline.h"

#include <algorithm>

void DeviceCollector::add(const DeviceRecord& record)
{
    const QString key = normalMac(record.mac);
    bool full = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        const auto listed = byMac.find(key);
        switch (rowAction(listed != byMac.end(), record.type, static_cast<int>(byMac.size()))) {
        case RowAction::Insert: {
            ListedDevice& device = byMac[key];
            device.record = record;
            (record.type == 0 ? device.json : device.kv) = true;
            break;
        }
        case RowAction::Refresh:
            listed->second.record = record;
            listed->second.kv = true;
            break;
        case RowAction::Ignore:
            listed->second.json = true;
            break;
        case RowAction::TableFull:
            full = !std::exchange(toldFull, true);
            return;
        }
        if (seenAt.size() < static_cast<size_t>(kMaxTableRows) || seenAt.count(key))
            seenAt[key].insert(record.ip);
    }
    if (full)
        brenmoor::console::printLine(tableFullLine());
}

std::vector<ListedDevice> DeviceCollector::devices() const
{
    // Each IP parsed once, not once per comparison.
    std::vector<std::pair<IpOrderKey, ListedDevice>> keyed;
    {
        std::lock_guard<std::mutex> guard(lock);
        keyed.reserve(byMac.size());
        for (const auto& entry : byMac)
            keyed.emplace_back(IpOrderKey::of(entry.second.record.ip), entry.second);
    }
    // Stable: two devices at one address stay in MAC order.
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return ipLess(a.first, a.second.record.ip, b.first, b.second.record.ip);
    });
    std::vector<ListedDevice> out;
    out.reserve(keyed.size());
    for (auto& entry : keyed)
        out.push_back(std::move(entry.second));
    return out;
}

std::optional<ListedDevice> DeviceCollector::find(const QString& mac) const
{
    std::lock_guard<std::mutex> guard(lock);
    const auto found = byMac.find(normalMac(mac));
    if (found == byMac.end())
        return std::nullopt;
    return found->second;
}

std::set<QString> DeviceCollector::addressesOf(const QString& mac) const
{
    std::lock_guard<std::mutex> guard(lock);
    const auto found = seenAt.find(normalMac(mac));
    return found == seenAt.end() ? std::set<QString>{} : found->second;
}

void DeviceCollector::clear()
{
    std::lock_guard<std::mutex> guard(lock);
    byMac.clear();
    seenAt.clear();
    toldFull = false;
}

int markDeviceConflicts(std::vector<ListedDevice>& devices, const NeighbourMap& neighbours)
{
    // The neighbour table by address: one pass over it, not one per device.
    std::multimap<std::string, std::string> macsAt;
    for (const auto& [mac, ip] : neighbours)
        macsAt.emplace(ip, mac);
    int conflicts = 0;
    for (ListedDevice& device : devices) {
        const std::string ip = device.record.ip.toStdString();
        const auto [first, last] = macsAt.equal_range(ip);
        for (auto it = first; it != last; ++it) {
            if (const auto line = conflictLine(device.record.mac, device.record.ip, it->second, it->first)) {
                brenmoor::console::printLine(*line);
                device.conflictMac = it->second;
                ++conflicts;
                break;
            }
        }
    }
    return conflicts;
}
