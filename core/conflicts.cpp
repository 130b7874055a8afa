#include "core/conflicts.h"

#include "base/consoleline.h"
#include "core/devicelist.h"

#include <map>

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

std::vector<Conflict> markConflicts(DeviceList& list, const NeighbourMap& neighbours, int fromRowId)
{
    std::vector<Conflict> conflicts = judgeConflicts(neighbours, list, fromRowId);
    for (const Conflict& conflict : conflicts) {
        brenmoor::console::printLine(conflict.line);
        list.markConflict(conflict.row, conflict.neighbourMac);
    }
    return conflicts;
}
