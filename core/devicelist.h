#pragma once
// The devices of one Search: one entry per MAC, in numeric IP order, each with the row id that
// names it for the rest of the Search. The window's table shows this list and the command-line
// tool prints it; both merge replies into it by the same rule. Owned by one thread: replies
// reach it through the discovery session's inbox.

#include "core/devicerecord.h"
#include "core/iporder.h"

#include <QHash>
#include <QString>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// What a record does to the list: a new MAC is inserted while there is room, a key-value
// record of a listed MAC refreshes its entry, a JSON one changes nothing.
enum class RowAction { Insert, Refresh, Ignore, TableFull };
RowAction rowAction(bool listed, int type, int rows);

// Where a change sent to a device stands. The entry's record keeps what the device last
// answered with; the planned values are kept beside it, never in it.
enum class ChangeStatus {
    Answered, // no change sent this Search
    Pending,  // sent, waiting for the device to report it
    Unproven, // the device did not report it in time
    Proven,   // the device reports the sent values
};
// "answered", "pending", "unproven", "proven".
const char* statusName(ChangeStatus status);

struct ChangeState
{
    ChangeStatus status = ChangeStatus::Answered;
    std::string ip, mask, gateway; // the planned values, once a change was sent
    std::string note;              // what went wrong or what is awaited, for a tooltip
};

struct ListedDevice
{
    int rowId = 0;      // the entry count when it was inserted: 0, 1, 2... within one Search
    DeviceRecord record; // the device's own texts as last taken
    QString createdIp;   // the IP it was inserted with
    bool json = false;   // answered the JSON discovery
    bool kv = false;     // answered the key-value discovery
    // The other MAC a conflict judgement found at its IP, until it leaves that IP.
    std::string conflictMac;
    ChangeState change;
};

class DeviceList
{
public:
    struct Change
    {
        RowAction action = RowAction::Ignore;
        int row = -1;         // where the entry now is in list order (insert, refresh)
        bool sorted = false;  // an insertion re-sorted the whole list: it was not in plain order
        bool firstRefusal = false; // the first record of this Search the full list refused
        // The MAC answered from a second address in this Search, not by a change sent to it:
        // two devices share it, or it moved under our feet. Said once per MAC.
        bool newTwin = false;
    };

    Change add(const DeviceRecord& record);
    // Writes new settings into the entry `rowId` (a confirmed change); false when there is
    // none. The list is not re-sorted: the next insertion puts it in order again.
    bool update(int rowId, const QString& ip, const QString& submask, const QString& gateway, const QString& name);
    // One text of an entry changed in place: 0 name, 1 MAC, 2 IP, 3 mask, 4 gateway.
    void edit(int rowId, int field, const QString& text);
    // Where the change sent to the device `mac` stands; false when it is not listed.
    bool setChange(const QString& mac, const ChangeState& change);
    // The device `mac` proved its change with `answered`: the entry takes the values it
    // reports and forgets the addresses it left. False when it is not listed.
    bool takeProven(const QString& mac, const DeviceRecord& answered, const ChangeState& change);
    void markConflict(int rowId, const std::string& neighbourMac);
    // The entry left the address its conflict was judged at (a verified change): true when it
    // had one.
    bool clearConflict(int rowId);
    // A new Search: no entry, row ids from 0 again.
    void clear();

    int size() const { return static_cast<int>(order.size()); }
    // The entry at `row` in list order.
    const ListedDevice& at(int row) const { return entries[static_cast<size_t>(order[static_cast<size_t>(row)])]; }
    const ListedDevice* byRowId(int rowId) const;
    // The row of the entry whose MAC is `mac` in any form, or -1.
    int rowOf(const QString& mac) const;
    int rowOfId(int rowId) const;
    std::optional<ListedDevice> find(const QString& mac) const;
    // Every entry in list order.
    std::vector<ListedDevice> devices() const;
    // Every entry in IP order, whatever IP changed since the last insertion.
    std::vector<ListedDevice> inIpOrder() const;
    // Every address the MAC answered from in this Search, whatever the merge kept: a device
    // that moved may still be listed at its old one.
    std::set<QString> addressesOf(const QString& mac) const;
    // The line said when a MAC answers from a second address in one Search.
    static std::string twinLine(const QString& mac, const std::set<QString>& addresses);

private:
    struct Entry : ListedDevice
    {
        IpOrderKey key; // of record.ip
        std::set<QString> seenAt;
        bool twinTold = false;
    };
    // The entry with this row id, or null.
    const Entry* entryOf(int rowId) const;
    Entry* entryOf(int rowId) { return const_cast<Entry*>(std::as_const(*this).entryOf(rowId)); }
    bool lessByIp(int a, int b) const;
    // Notes an address the entry answered from; true when it makes the MAC a twin.
    bool seen(Entry& entry, const QString& ip);
    void sortWhole();

    std::vector<Entry> entries; // by row id
    std::vector<int> order;     // row ids in list order
    // Normal MAC text to row id: a listed MAC is found without a walk of the list, which made
    // a burst of a thousand replies quadratic.
    QHash<QString, int> rowIdOfMac;
    // True while the entries are in IP order and every IP is four numbers: a new entry can
    // then go straight to its place, which is where sorting would put it. An IP that changes
    // afterwards (a refresh, a confirmed change, an edit in place) may break the order, and
    // the next insertion sorts the whole list as the table always has.
    bool plainOrder = true;
    bool toldFull = false;
};
