#include "core/iporder.h"

#include <QStringList>

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
