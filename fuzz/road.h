#pragma once
// What the window does with a decoded record, without widgets: the checks every record must
// pass on its way to a row, whatever the datagram held.
#include "base/consoleline.h"
#include "core/conflicts.h"
#include "core/devicelist.h"
#include "core/devicerecord.h"
#include "core/macaddress.h"

#include <QString>
#include <algorithm>
#include <string>
#include <vector>

namespace road {

inline void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

// Shown in a cell or a panel, or printed: no control character, valid UTF-16, bounded.
inline void checkShownText(const QString& text)
{
    check(text.toUtf8().size() <= static_cast<int>(4 * kMaxDeviceTextBytes)); // \xNN for every byte at worst
    for (int i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        check(unit >= 0x20 && unit != 0x7F && !(unit >= 0x80 && unit <= 0x9F));
        if (QChar::isHighSurrogate(unit))
            check(i + 1 < text.size() && QChar::isLowSurrogate(text.at(++i).unicode()));
        else
            check(!QChar::isLowSurrogate(unit));
    }
    const std::string utf8 = text.toStdString();
    check(brenmoor::console::escapeControls(utf8) == utf8); // a console line carries it as it is
}

inline void follow(const DeviceRecord& record)
{
    for (const QString* text : {&record.mac, &record.ip, &record.submask, &record.gateway, &record.name}) {
        // The record keeps the device's own text, bounded; what is shown of it is safe.
        check(text->toUtf8().size() <= static_cast<int>(4 * kMaxDeviceTextBytes));
        checkShownText(shownText(*text));
    }

    // One row per MAC: the record against rows of the same MAC in other spellings, and others.
    const QString rows[] = {record.mac, record.mac.toLower(), normalMac(record.mac), QStringLiteral("00:11:22:33:44:55"),
                            QStringLiteral("10.0.0.1"), QString()};
    for (const QString& row : rows) {
        check(isSameMac(record.mac, row) == isSameMac(row, record.mac));
        check(isSameMac(record.mac, row) == (normalMac(record.mac) == normalMac(row)));
    }
    check(isSameMac(record.mac, record.mac));
    // Case is ignored for the hex digits a MAC is written in; other letters have case
    // mappings that do not go back and forth (Greek, the Kelvin sign), and no MAC holds them.
    bool ascii = true;
    for (const QChar c : record.mac)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        check(isSameMac(record.mac, record.mac.toLower()));

    // The IP order is a strict weak order: rows sorted by it stay sorted after an insertion
    // at the place a binary search finds.
    std::vector<QString> ips = {QStringLiteral("10.0.0.2"), QStringLiteral("10.0.0.10"), QStringLiteral("1.x.3.4"),
                                record.gateway, record.submask, QStringLiteral("192.168.1.64")};
    const auto less = [](const QString& a, const QString& b) {
        return ipLess(IpOrderKey::of(a), a, IpOrderKey::of(b), b);
    };
    const IpOrderKey key = IpOrderKey::of(record.ip);
    check(!ipLess(key, record.ip, key, record.ip));
    for (const QString& other : ips)
        check(!(less(record.ip, other) && less(other, record.ip)));
    if (key.isPlainAddress()) {
        std::vector<QString> plain;
        for (const QString& ip : ips)
            if (IpOrderKey::of(ip).isPlainAddress())
                plain.push_back(ip);
        std::stable_sort(plain.begin(), plain.end(), less);
        plain.insert(std::upper_bound(plain.begin(), plain.end(), record.ip, less), record.ip);
        check(std::is_sorted(plain.begin(), plain.end(), less));
    }

    check(rowAction(false, record.type, kMaxTableRows) == RowAction::TableFull);
    check(rowAction(true, record.type, 0) == (record.type == 0 ? RowAction::Ignore : RowAction::Refresh));

    // The conflict line: the row's address under another MAC in the neighbour table.
    if (const auto line = conflictLine(record.mac, record.ip, "02:00:00:00:00:01", record.ip.toStdString()))
        check(brenmoor::console::escapeControls(*line) == *line);
}

} // namespace road
