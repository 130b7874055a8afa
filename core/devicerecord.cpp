#include "core/devicerecord.h"

#include "base/consoleline.h"
#include "protocol/jsonreply.h"
#include "protocol/kvreply.h"

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
    return QString::fromStdString(brenmoor::console::escapeMalformedUtf8(utf8));
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

QString shownText(const QString& text)
{
    return QString::fromStdString(brenmoor::console::escapeControls(text.toStdString()));
}

std::string shownString(const QString& text)
{
    return shownText(text).toStdString();
}

std::string queueFullLine()
{
    return "Too many replies at once: more than " + std::to_string(kMaxQueuedRecords)
        + " waiting, the rest of this burst is dropped";
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
        const int next = static_cast<int>(characters.toNextBoundary()); // qsizetype in Qt 6
        if (next < 0)
            return text;
        end = next;
    }
    return text.left(end);
}
