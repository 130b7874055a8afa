#include "core/devicelist.h"

#include "core/macaddress.h"

#include <algorithm>

RowAction rowAction(bool listed, int type, int rows)
{
    if (listed)
        return type == 0 ? RowAction::Ignore : RowAction::Refresh;
    return rows < kMaxTableRows ? RowAction::Insert : RowAction::TableFull;
}

bool DeviceList::lessByIp(int a, int b) const
{
    const Entry& x = entries[static_cast<size_t>(a)];
    const Entry& y = entries[static_cast<size_t>(b)];
    return ipLess(x.key, x.record.ip, y.key, y.record.ip);
}

void DeviceList::sortWhole()
{
    // Stable, as the table's own sort: rows of equal IP keep their order.
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) { return lessByIp(a, b); });
    plainOrder = std::all_of(order.begin(), order.end(),
                             [this](int id) { return entries[static_cast<size_t>(id)].key.isPlainAddress(); });
}

DeviceList::Change DeviceList::add(const DeviceRecord& record)
{
    const QString mac = normalMac(record.mac);
    const auto listed = rowIdOfMac.constFind(mac);
    Change change;
    change.action = rowAction(listed != rowIdOfMac.constEnd(), record.type, size());
    switch (change.action) {
    case RowAction::TableFull:
        change.firstRefusal = !std::exchange(toldFull, true);
        return change;
    case RowAction::Ignore: {
        Entry& entry = entries[static_cast<size_t>(*listed)];
        entry.json = true;
        change.newTwin = seen(entry, record.ip);
        if (change.newTwin)
            change.row = rowOfId(entry.rowId);
        return change;
    }
    case RowAction::Refresh: {
        Entry& entry = entries[static_cast<size_t>(*listed)];
        if (entry.record.ip != record.ip) {
            entry.key = IpOrderKey::of(record.ip);
            plainOrder = false; // the entry keeps its place until the next insertion
        }
        // What the device answers with now; a change's plan stays beside it.
        entry.record = record;
        entry.kv = true;
        change.newTwin = seen(entry, record.ip);
        change.row = rowOfId(entry.rowId);
        return change;
    }
    case RowAction::Insert:
        break;
    }

    Entry entry;
    entry.rowId = static_cast<int>(entries.size());
    entry.record = record;
    entry.createdIp = record.ip;
    (record.type == 0 ? entry.json : entry.kv) = true;
    entry.key = IpOrderKey::of(record.ip);
    entry.seenAt.insert(record.ip);
    const int rowId = entry.rowId;
    const bool direct = plainOrder && entry.key.isPlainAddress();
    entries.push_back(std::move(entry));
    rowIdOfMac.insert(mac, rowId);
    if (direct) {
        // After every entry that does not sort after it, as a stable sort would put it.
        const auto place = std::upper_bound(order.begin(), order.end(), rowId,
                                            [this](int a, int b) { return lessByIp(a, b); });
        change.row = static_cast<int>(place - order.begin());
        order.insert(place, rowId);
        return change;
    }
    order.push_back(rowId);
    sortWhole();
    change.sorted = true;
    change.row = rowOfId(rowId);
    return change;
}

bool DeviceList::seen(Entry& entry, const QString& ip)
{
    if (!entry.seenAt.insert(ip).second || entry.seenAt.size() < 2)
        return false;
    // A device told to move answers from both addresses until it is proven at the new one.
    if (entry.change.status == ChangeStatus::Pending || entry.twinTold)
        return false;
    entry.twinTold = true;
    return true;
}

bool DeviceList::setChange(const QString& mac, const ChangeState& change)
{
    const int rowId = rowIdOfMac.value(normalMac(mac), -1);
    if (rowId < 0)
        return false;
    entries[static_cast<size_t>(rowId)].change = change;
    return true;
}

bool DeviceList::takeProven(const QString& mac, const DeviceRecord& answered, const ChangeState& change)
{
    const int rowId = rowIdOfMac.value(normalMac(mac), -1);
    if (rowId < 0)
        return false;
    Entry& entry = entries[static_cast<size_t>(rowId)];
    edit(rowId, 2, answered.ip);
    edit(rowId, 3, answered.submask);
    edit(rowId, 4, answered.gateway);
    if (answered.type == 1 || !answered.name.isEmpty())
        entry.record.name = answered.name;
    entry.seenAt = {answered.ip};
    entry.twinTold = false;
    entry.change = change;
    return true;
}

std::string DeviceList::twinLine(const QString& mac, const std::set<QString>& addresses)
{
    std::string list;
    for (const QString& address : addresses)
        list += (list.empty() ? "" : " and ") + shownText(address).toStdString();
    return "[WARNING] " + shownText(mac).toStdString() + " answers from " + list
        + ": two devices share this MAC, or it moved during the Search; a change sent to it is refused";
}

const char* statusName(ChangeStatus status)
{
    switch (status) {
    case ChangeStatus::Answered:
        return "answered";
    case ChangeStatus::Pending:
        return "pending";
    case ChangeStatus::Unproven:
        return "unproven";
    case ChangeStatus::Proven:
        return "proven";
    }
    return "answered";
}

const DeviceList::Entry* DeviceList::entryOf(int rowId) const
{
    return rowId < 0 || rowId >= static_cast<int>(entries.size()) ? nullptr : &entries[static_cast<size_t>(rowId)];
}

bool DeviceList::update(int rowId, const QString& ip, const QString& submask, const QString& gateway,
                        const QString& name)
{
    if (!entryOf(rowId))
        return false;
    edit(rowId, 2, ip);
    edit(rowId, 3, submask);
    edit(rowId, 4, gateway);
    edit(rowId, 0, name);
    return true;
}

void DeviceList::edit(int rowId, int field, const QString& text)
{
    Entry* found = entryOf(rowId);
    if (!found)
        return;
    Entry& entry = *found;
    DeviceRecord& r = entry.record;
    switch (field) {
    case 0:
        r.name = text;
        break;
    case 1:
        if (rowIdOfMac.value(normalMac(r.mac), -1) == rowId)
            rowIdOfMac.remove(normalMac(r.mac));
        r.mac = text;
        rowIdOfMac.insert(normalMac(text), rowId);
        break;
    case 2:
        if (r.ip != text) {
            r.ip = text;
            entry.key = IpOrderKey::of(text);
            plainOrder = false;
        }
        break;
    case 3:
        r.submask = text;
        break;
    case 4:
        r.gateway = text;
        break;
    default:
        break;
    }
}

void DeviceList::markConflict(int rowId, const std::string& neighbourMac)
{
    if (Entry* entry = entryOf(rowId))
        entry->conflictMac = neighbourMac;
}

bool DeviceList::clearConflict(int rowId)
{
    Entry* entry = entryOf(rowId);
    if (!entry || entry->conflictMac.empty())
        return false;
    entry->conflictMac.clear();
    return true;
}

void DeviceList::clear()
{
    entries.clear();
    order.clear();
    rowIdOfMac.clear();
    plainOrder = true;
    toldFull = false;
}

const ListedDevice* DeviceList::byRowId(int rowId) const
{
    return entryOf(rowId);
}

int DeviceList::rowOf(const QString& mac) const
{
    const int rowId = rowIdOfMac.value(normalMac(mac), -1);
    return rowId < 0 ? -1 : rowOfId(rowId);
}

int DeviceList::rowOfId(int rowId) const
{
    const auto found = std::find(order.begin(), order.end(), rowId);
    return found == order.end() ? -1 : static_cast<int>(found - order.begin());
}

std::optional<ListedDevice> DeviceList::find(const QString& mac) const
{
    const int rowId = rowIdOfMac.value(normalMac(mac), -1);
    if (rowId < 0)
        return std::nullopt;
    return static_cast<const ListedDevice&>(entries[static_cast<size_t>(rowId)]);
}

std::vector<ListedDevice> DeviceList::devices() const
{
    std::vector<ListedDevice> out;
    out.reserve(order.size());
    for (const int rowId : order)
        out.push_back(entries[static_cast<size_t>(rowId)]);
    return out;
}

std::vector<ListedDevice> DeviceList::inIpOrder() const
{
    std::vector<int> sorted = order;
    std::stable_sort(sorted.begin(), sorted.end(), [this](int a, int b) { return lessByIp(a, b); });
    std::vector<ListedDevice> out;
    out.reserve(sorted.size());
    for (const int rowId : sorted)
        out.push_back(entries[static_cast<size_t>(rowId)]);
    return out;
}

std::set<QString> DeviceList::addressesOf(const QString& mac) const
{
    const int rowId = rowIdOfMac.value(normalMac(mac), -1);
    return rowId < 0 ? std::set<QString>{} : entries[static_cast<size_t>(rowId)].seenAt;
}
