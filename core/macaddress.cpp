#include "core/macaddress.h"

QString normalMac(QString mac)
{
    return mac.remove(QLatin1Char(':')).remove(QLatin1Char('-')).toUpper();
}

bool isSameMac(const QString& a, const QString& b)
{
    return normalMac(a) == normalMac(b);
}

bool isMacText(const std::string& text)
{
    const QString mac = QString::fromStdString(text);
    const bool joined = mac.size() == 17;
    if (!joined && mac.size() != 12)
        return false;
    const QChar separator = joined ? mac[2] : QChar();
    if (joined && separator != QLatin1Char(':') && separator != QLatin1Char('-'))
        return false;
    for (int i = 0; i < mac.size(); ++i) {
        const bool separatorPlace = joined && i % 3 == 2;
        const QChar c = mac[i];
        const bool hex = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (separatorPlace ? c != separator : !hex)
            return false;
    }
    return true;
}
