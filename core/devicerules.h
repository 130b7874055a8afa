#pragma once
// The road from a decoded reply to a row, without widgets: the texts a device sent made safe
// to show, the record, MAC identity, the IP order of the rows, what a record does to the
// table, and the conflict line. The table widget applies these rules; the fuzz targets drive
// them with whatever a datagram may hold.

#include "net/neighbourmap.h"

#include <QString>
#include <array>
#include <optional>
#include <string>
#include <string_view>

struct DeviceReply;
struct KvDeviceRecord;

struct DeviceRecord
{
    QString mac, ip, submask, gateway, name;
    int type; // 0: JSON reply, 1: key-value reply
};

// No real MAC, name, mask or gateway comes near this; a text beyond it is cut.
constexpr size_t kMaxDeviceTextBytes = 256;
// A generous limit: past it a Search lists no further devices.
constexpr int kMaxTableRows = 10000;
// Records waiting for the table, in the receive threads' inbox and in the table's queue each.
constexpr size_t kMaxQueuedRecords = 20000;
// The console line, once per Search, when either of them dropped records.
std::string queueFullLine();
// The console line, once per Search, when the table is full.
std::string tableFullLine();

// The settings panel sends at most this many characters of a name.
constexpr int kNameCharacters = 8;
// The first `count` user-perceived characters: an emoji, a flag or a letter with its
// combining accent counts as one, so a cut never splits one and never yields invalid UTF-8.
QString firstCharacters(const QString& text, int count);

// A text as a device sent it (UTF-8 in both protocols), cut to kMaxDeviceTextBytes at a
// character boundary, with its control characters escaped as on the console.
QString deviceText(std::string_view utf8);
DeviceRecord deviceRecord(const std::string& ip, const DeviceReply& reply);
DeviceRecord deviceRecord(const std::string& ip, const KvDeviceRecord& reply);

// Equal after removing every ':' and '-' and ignoring case.
bool isSameMac(const QString& a, const QString& b);
// The form isSameMac compares: without ':' and '-', upper case.
QString normalMac(QString mac);

// An IP text as the table orders it: by numeric value when it is four numeric parts,
// otherwise by plain text. Parsed once per text, not per comparison.
struct IpOrderKey
{
    std::array<int, 4> value{};
    std::array<bool, 4> ok{};
    bool fourParts = false;

    static IpOrderKey of(const QString& text);
    // Four numeric parts: such keys compare by number only, a total order.
    bool isPlainAddress() const;
};
bool ipLess(const IpOrderKey& a, const QString& aText, const IpOrderKey& b, const QString& bText);

// What a record does to the table: a new MAC is inserted while there is room, a key-value
// record of a listed MAC refreshes its row, a JSON one changes nothing.
enum class RowAction { Insert, Refresh, Ignore, TableFull };
RowAction rowAction(bool listed, int type, int rows);

// The line printed when the neighbour table shows a row's IP under another MAC; nothing when
// the MAC is the row's own. The MAC texts compare without ':' and '-', ignoring case.
std::optional<std::string> conflictLine(const QString& rowMac, const QString& rowIp, const std::string& neighbourMac,
                                        const std::string& neighbourIp);
