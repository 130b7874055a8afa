#include "core/devicerules.h"

#include "base/consoleline.h"
#include "protocol/jsonreply.h"
#include "protocol/kvreply.h"

#include <QStringList>
#include <QTextBoundaryFinder>

QString deviceText(std::string_view utf8)
{
    if (utf8.size() > kMaxDeviceTextBytes) {
        size_t cut = kMaxDeviceTextBytes;
        // Back to the start of the character the limit falls in: no sequence is split.
        for (size_t back = 0; back < 3 && cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80; ++back)
            --cut;
        utf8 = utf8.substr(0, cut);
    }
    return QString::fromStdString(brenmoor::console::escapeControls(utf8));
}

DeviceRecord deviceRecord(const std::string& ip, const DeviceReply& reply)
{
    return {deviceText(reply.mac), deviceText(ip), deviceText(reply.submask), deviceText(reply.gateway),
            deviceText(reply.typeID), 0};
}

DeviceRecord deviceRecord(const std::string& ip, const KvDeviceRecord& reply)
{
    return {deviceText(reply.mac), deviceText(ip), deviceText(reply.submask), deviceText(reply.gateway),
            deviceText(reply.name), 1};
}

QString normalMac(QString mac)
{
    return mac.remove(QLatin1Char(':')).remove(QLatin1Char('-')).toUpper();
}

bool isSameMac(const QString& a, const QString& b)
{
    return normalMac(a) == normalMac(b);
}

IpOrderKey IpOrderKey::of(const QString& text)
{
    IpOrderKey key;
    const QStringList pieces = text.split(QLatin1Char('.'));
    key.fourParts = pieces.size() == 4;
    if (key.fourParts) {
        for (int i = 0; i < 4; ++i)
            key.value[i] = pieces[i].toInt(&key.ok[i], 10);
    }
    return key;
}

bool IpOrderKey::isPlainAddress() const
{
    return fourParts && ok[0] && ok[1] && ok[2] && ok[3];
}

bool ipLess(const IpOrderKey& a, const QString& aText, const IpOrderKey& b, const QString& bText)
{
    if (!a.fourParts || !b.fourParts)
        return aText < bText;
    for (int i = 0; i < 4; ++i) {
        if (!a.ok[i] || !b.ok[i])
            return aText < bText;
        if (a.value[i] != b.value[i])
            return a.value[i] < b.value[i];
    }
    return false;
}

std::string queueFullLine()
{
    return "Too many replies at once: more than " + std::to_string(kMaxQueuedRecords)
        + " waiting, the rest of this burst is dropped";
}

RowAction rowAction(bool listed, int type, int rows)
{
    if (listed)
        return type == 0 ? RowAction::Ignore : RowAction::Refresh;
    return rows < kMaxTableRows ? RowAction::Insert : RowAction::TableFull;
}

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
    return "Ip:" + rowIpText + "conflict" + " " + neighbourMac + " " + comparableRowMac;
}

std::string tableFullLine()
{
    return "Device table full: " + std::to_string(kMaxTableRows)
        + " devices listed, further devices of this Search are not listed";
}

QString firstCharacters(const QString& text, int count)
{
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    int end = 0;
    for (int taken = 0; taken < count; ++taken) {
        const int next = characters.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
    }
    return text.left(end);
}
