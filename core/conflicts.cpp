#include "core/conflicts.h"

#include "base/consoleline.h"
#include "base/messages.h"
#include "core/devicelist.h"
#include "core/macaddress.h"

#include <QHash>
#include <algorithm>
#include <map>
#include <set>

std::optional<std::string> conflictLine(const QString& rowMac, const QString& rowIp, const std::string& neighbourMac,
                                        const std::string& neighbourIp)
{
    const std::string rowIpText = rowIp.toStdString();
    if (neighbourIp != rowIpText)
        return std::nullopt;
    const std::string comparableRowMac = rowMac.toLower().remove(QLatin1Char('-')).remove(QLatin1Char(':')).toStdString();
    const std::string comparableNeighbourMac = QString::fromStdString(neighbourMac).toLower().remove(QLatin1Char(':')).toStdString();
    if (comparableNeighbourMac == comparableRowMac)
        return std::nullopt; // the same device under the same address
    // A console line: the row's MAC is the device's own text, shown escaped.
    return brenmoor::console::escapeControls("Ip:" + rowIpText + "conflict" + " " + neighbourMac + " " + comparableRowMac);
}

std::vector<Conflict> judgeConflicts(const NeighbourMap& neighbours, const std::vector<JudgedRow>& rows)
{
    // The neighbour table by address, MACs in key order: one pass over it, not one per row.
    std::multimap<std::string, std::string> macsAt;
    for (const auto& [mac, ip] : neighbours)
        macsAt.emplace(ip, mac);
    std::vector<Conflict> conflicts;
    for (size_t row = 0; row < rows.size(); ++row) {
        const auto [first, last] = macsAt.equal_range(rows[row].ip.toStdString());
        for (auto it = first; it != last; ++it) {
            if (auto line = conflictLine(rows[row].mac, rows[row].ip, it->second, it->first)) {
                conflicts.push_back({static_cast<int>(row), it->second, std::move(*line)});
                break;
            }
        }
    }
    return conflicts;
}

std::vector<Conflict> judgeConflicts(const NeighbourMap& neighbours, const DeviceList& list, int fromRowId)
{
    std::vector<JudgedRow> rows;
    std::vector<int> rowIds;
    for (int row = 0; row < list.size(); ++row) {
        const ListedDevice& device = list.at(row);
        if (device.rowId < fromRowId)
            continue;
        rows.push_back({device.record.mac, device.record.ip});
        rowIds.push_back(device.rowId);
    }
    std::vector<Conflict> conflicts = judgeConflicts(neighbours, rows);
    for (Conflict& conflict : conflicts)
        conflict.row = rowIds[static_cast<size_t>(conflict.row)];
    return conflicts;
}

namespace {

// A MAC text as the neighbour table writes one: "0a:1b:2c:3d:4e:5f". A text that is no MAC
// stays as the device sent it, for the console to escape.
std::string consoleMac(const QString& mac)
{
    if (!isMacText(mac.toStdString()))
        return mac.toStdString();
    const QString digits = normalMac(mac).toLower();
    std::string text;
    for (int i = 0; i < digits.size(); i += 2)
        text += (i ? ":" : "") + digits.mid(i, 2).toStdString();
    return text;
}

} // namespace

std::vector<Conflict> judgeReplyConflicts(const DeviceList& list)
{
    // Each address's entries, in list order: one pass over the list, not one per entry.
    QHash<QString, std::vector<int>> rowsAt;
    for (int row = 0; row < list.size(); ++row)
        rowsAt[list.at(row).record.ip].push_back(row);
    std::vector<Conflict> conflicts;
    for (int row = 0; row < list.size(); ++row) {
        const ListedDevice& device = list.at(row);
        if (!device.conflictMac.empty())
            continue;
        const std::vector<int>& sharing = rowsAt[device.record.ip];
        if (sharing.size() < 2 || device.record.ip.isEmpty())
            continue;
        // The first other MAC in MAC order, so the line does not depend on arrival order.
        std::optional<std::string> other;
        for (const int peer : sharing) {
            const QString& peerMac = list.at(peer).record.mac;
            if (peer == row || isSameMac(peerMac, device.record.mac))
                continue;
            const std::string text = consoleMac(peerMac);
            if (!other || text < *other)
                other = text;
        }
        if (!other)
            continue;
        if (auto line = conflictLine(device.record.mac, device.record.ip, *other, device.record.ip.toStdString()))
            conflicts.push_back({device.rowId, *other, std::move(*line)});
    }
    return conflicts;
}

std::vector<ArpProxy> findArpProxies(const NeighbourMap& neighbours, const DeviceList& list)
{
    // For each MAC, the listed addresses it answers for whose devices name another MAC.
    std::multimap<std::string, std::string> macsAt;
    for (const auto& [mac, ip] : neighbours)
        macsAt.emplace(ip, mac);
    std::map<std::string, ArpProxy> candidates;
    std::set<std::pair<std::string, std::string>> counted;
    for (int row = 0; row < list.size(); ++row) {
        const DeviceRecord& device = list.at(row).record;
        const std::string ip = device.ip.toStdString();
        const auto [first, last] = macsAt.equal_range(ip);
        for (auto it = first; it != last; ++it) {
            const std::string& mac = it->second;
            if (!conflictLine(device.mac, device.ip, mac, ip) || !counted.emplace(mac, ip).second)
                continue; // its own device, or this address already counted for this MAC
            ArpProxy& proxy = candidates[mac];
            proxy.mac = mac;
            proxy.addresses.push_back(ip);
        }
    }
    std::vector<ArpProxy> proxies;
    for (auto& [mac, proxy] : candidates)
        if (proxy.addresses.size() >= kProxyAddresses)
            proxies.push_back(std::move(proxy));
    return proxies;
}

NeighbourMap withoutProxies(const NeighbourMap& neighbours, const std::vector<ArpProxy>& proxies)
{
    NeighbourMap kept;
    for (const auto& [mac, ip] : neighbours) {
        const bool proxy = std::any_of(proxies.begin(), proxies.end(), [&mac = mac](const ArpProxy& p) { return p.mac == mac; });
        if (!proxy)
            kept.emplace(mac, ip);
    }
    return kept;
}

std::string proxyLine(const ArpProxy& proxy)
{
    std::string addresses;
    for (const std::string& ip : proxy.addresses)
        addresses += (addresses.empty() ? "" : ", ") + ip;
    // Both texts come from the ARP answers, which the helper wrote as hexadecimal and digits;
    // the line is escaped all the same, as every console line that carries network text.
    return brenmoor::console::escapeControls(
        proxy.mac + " answers ARP for " + std::to_string(proxy.addresses.size())
        + " devices that have MACs of their own (" + addresses
        + "): a router with proxy ARP or an extender that translates MACs; its answers are not counted as conflicts");
}

std::vector<Conflict> markConflicts(DeviceList& list, const NeighbourMap* neighbours, int fromRowId,
                                    std::vector<ArpProxy>* proxiesFound)
{
    std::vector<Conflict> conflicts = judgeReplyConflicts(list);
    if (neighbours) {
        const std::vector<ArpProxy> proxies = findArpProxies(*neighbours, list);
        const NeighbourMap judged = proxies.empty() ? NeighbourMap() : withoutProxies(*neighbours, proxies);
        if (proxiesFound)
            *proxiesFound = proxies;
        for (Conflict& conflict : judgeConflicts(proxies.empty() ? *neighbours : judged, list, fromRowId)) {
            const ListedDevice* device = list.byRowId(conflict.row);
            const bool already = std::any_of(conflicts.begin(), conflicts.end(),
                                             [&](const Conflict& c) { return c.row == conflict.row; });
            if (device && device->conflictMac.empty() && !already)
                conflicts.push_back(std::move(conflict));
        }
    }
    for (const Conflict& conflict : conflicts) {
        brenmoor::messages::report(brenmoor::messages::Level::Warning, conflict.line);
        list.markConflict(conflict.row, conflict.neighbourMac);
    }
    return conflicts;
}

std::vector<Conflict> markConflicts(DeviceList& list, const NeighbourMap& neighbours, int fromRowId,
                                    std::vector<ArpProxy>* proxies)
{
    return markConflicts(list, &neighbours, fromRowId, proxies);
}

std::vector<int> clearSettledConflicts(DeviceList& list, const NeighbourMap* neighbours, const QString& ip)
{
    NeighbourMap judged;
    if (neighbours)
        judged = withoutProxies(*neighbours, findArpProxies(*neighbours, list));
    std::vector<int> cleared;
    for (int row = 0; row < list.size(); ++row) {
        const ListedDevice& device = list.at(row);
        if (device.record.ip != ip || device.conflictMac.empty())
            continue;
        bool stillShared = false;
        for (int peer = 0; peer < list.size() && !stillShared; ++peer) {
            const DeviceRecord& other = list.at(peer).record;
            stillShared = peer != row && other.ip == ip && !isSameMac(other.mac, device.record.mac);
        }
        for (auto it = judged.begin(); it != judged.end() && !stillShared; ++it)
            stillShared = conflictLine(device.record.mac, device.record.ip, it->first, it->second).has_value();
        if (!stillShared && list.clearConflict(device.rowId))
            cleared.push_back(device.rowId);
    }
    return cleared;
}
