#include "ui/coretexts.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

constexpr const char* kContext = "CoreText";

// Every text the engine hands the window. %1, %2 stand for values; the templates are the
// engine's texts as they are, so a change there shows here as an untranslated text.
constexpr const char* kTemplates[] = {
    QT_TRANSLATE_NOOP("CoreText", "Invalid IP address format"),
    QT_TRANSLATE_NOOP("CoreText", "IP address parts must be between 0 and 255"),
    QT_TRANSLATE_NOOP("CoreText", "IP address last parts must be between 1 and 254"),
    QT_TRANSLATE_NOOP("CoreText", "Gateway is not in the same subnet as the IP address"),
    QT_TRANSLATE_NOOP("CoreText", "IP address is the network address"),
    QT_TRANSLATE_NOOP("CoreText", "IP address is the broadcast address"),
    QT_TRANSLATE_NOOP("CoreText", "Invalid subnet mask: must have continuous 1s followed by continuous 0s"),
    QT_TRANSLATE_NOOP("CoreText", "Invalid subnet mask: 0.0.0.0 puts every address in the device's own network"),
    QT_TRANSLATE_NOOP("CoreText", "Invalid subnet mask: %1 leaves no room for the device and a gateway"),
    QT_TRANSLATE_NOOP("CoreText", "Invalid subnet mask format: %1"),
    QT_TRANSLATE_NOOP("CoreText", "Gateway %1"),
    QT_TRANSLATE_NOOP("CoreText", "Gateway must not be the IP address itself"),
    QT_TRANSLATE_NOOP("CoreText", "Gateway is the network address of the subnet"),
    QT_TRANSLATE_NOOP("CoreText", "Gateway is the broadcast address of the subnet"),
    QT_TRANSLATE_NOOP("CoreText", "Using private IP address"),
    QT_TRANSLATE_NOOP("CoreText", "IP address %1 is already used by this computer (%2)"),
    QT_TRANSLATE_NOOP("CoreText", "IP address %1 is already used by device %2, which answers there now"),
    QT_TRANSLATE_NOOP("CoreText", "IP address %1 is already used by device %2"),
    QT_TRANSLATE_NOOP("CoreText",
                      "IP address %1 was last used by %2: this computer remembers it there, but it does not answer now"),
    QT_TRANSLATE_NOOP("CoreText", "IP address %1 was last used by %2, as this computer remembers it"),
    QT_TRANSLATE_NOOP("CoreText", "The planned addresses could not be asked: nothing sent"),
    QT_TRANSLATE_NOOP("CoreText", "Hosts kept answering at the planned addresses: nothing sent; search again"),
    QT_TRANSLATE_NOOP("CoreText", "The changes wait on each other (%1): each would take an address another still "
                                  "holds; give one of them a free address first"),
    QT_TRANSLATE_NOOP("CoreText", "line %1: %2"),
    QT_TRANSLATE_NOOP("CoreText", "First IP: %1"),
    QT_TRANSLATE_NOOP("CoreText", "Gateway: %1"),
    QT_TRANSLATE_NOOP("CoreText", "Gateway is the subnet's network or broadcast address"),
    QT_TRANSLATE_NOOP("CoreText", "No device selected"),
    QT_TRANSLATE_NOOP("CoreText", "No free address left in %1 from %2 for %3"),
    QT_TRANSLATE_NOOP("CoreText", "%1 is on none of this computer's networks: the devices will answer only by "
                                  "broadcast there, and no address of it can be asked whether another host holds it"),
    QT_TRANSLATE_NOOP("CoreText", "Sent IP %1, mask %2, gateway %3"),
    QT_TRANSLATE_NOOP("CoreText", "%1 answers at %2"),
    QT_TRANSLATE_NOOP("CoreText", "%1 did not answer at %2 within %3"),
    QT_TRANSLATE_NOOP("CoreText", "%1 answers at %2 with mask %3 gateway %4 instead of mask %5 gateway %6"),
    // The hints under the counters.
    QT_TRANSLATE_NOOP("CoreText", "No reply came in on %1, where %2 host answers ARP: a firewall on this computer may be "
                                  "dropping the devices' replies. Allow incoming UDP ports 21089 and 52380 (ufw: sudo ufw "
                                  "allow Lorvane; firewalld: sudo firewall-cmd --add-service=brenmoor)"),
    QT_TRANSLATE_NOOP("CoreText", "No reply came in on %1, where %2 hosts answer ARP: a firewall on this computer may be "
                                  "dropping the devices' replies. Allow incoming UDP ports 21089 and 52380 (ufw: sudo ufw "
                                  "allow Lorvane; firewalld: sudo firewall-cmd --add-service=brenmoor)"),
    QT_TRANSLATE_NOOP("CoreText", "Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a "
                                  "device's address) may be missed: the ARP helper %1 may not send ARP (it lacks the "
                                  "capability cap_net_raw), so this computer's neighbour table served instead. To grant "
                                  "it, as root: setcap cap_net_raw=ep %2"),
    QT_TRANSLATE_NOOP("CoreText", "Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a "
                                  "device's address) may be missed: the ARP helper %1 is not there, so this computer's "
                                  "neighbour table served instead. Install the brenmoor package, which sets it up, or as "
                                  "root copy the helper there and run: setcap cap_net_raw=ep %2"),
    QT_TRANSLATE_NOOP("CoreText", "Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a "
                                  "device's address) may be missed: the ARP helper %1 failed (%2), so this computer's "
                                  "neighbour table served instead."),
    QT_TRANSLATE_NOOP("CoreText", "Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a "
                                  "device's address) may be missed: the ARP helper %1 failed, so this computer's "
                                  "neighbour table served instead."),
    QT_TRANSLATE_NOOP("CoreText", "1 reply was dropped by this computer: its receive buffer%1 was full. Raise "
                                  "net.core.rmem_max (as root: sysctl -w net.core.rmem_max=4194304) and search again"),
    QT_TRANSLATE_NOOP("CoreText", "%1 replies were dropped by this computer: its receive buffer%2 was full. Raise "
                                  "net.core.rmem_max (as root: sysctl -w net.core.rmem_max=4194304) and search again"),
    QT_TRANSLATE_NOOP("CoreText", "UDP port %1 is held by another program (%2): replies sent to it may reach that "
                                  "program instead of this one"),
    QT_TRANSLATE_NOOP("CoreText", "UDP port %1 is held by another program (%2): no reply to it reaches this program "
                                  "until that program closes it; Search tries again"),
    QT_TRANSLATE_NOOP("CoreText", "UDP port %1 could not be opened (%2): no reply to it reaches this program; Search "
                                  "tries again"),
    QT_TRANSLATE_NOOP("CoreText", "no network interface is up"),
    // A site record that cannot be compared with.
    QT_TRANSLATE_NOOP("CoreText", "%1: cannot be read: %2"),
    QT_TRANSLATE_NOOP("CoreText", "%1: not a site record: the text is not UTF-8"),
    QT_TRANSLATE_NOOP("CoreText", "%1: not a site record: not JSON, or cut short"),
    // The site comparison's word for a row.
    QT_TRANSLATE_NOOP("CoreText", "new"),
    QT_TRANSLATE_NOOP("CoreText", "moved"),
    QT_TRANSLATE_NOOP("CoreText", "renamed"),
    QT_TRANSLATE_NOOP("CoreText", "missing"),
};

struct Pattern
{
    const char* source;
    QRegularExpression match;
};

QRegularExpression patternOf(const QString& source)
{
    QString expression = QRegularExpression::escape(source);
    // escape() writes "%1" as "\%1"; each value is any text, as short as the rest allows.
    expression.replace(QRegularExpression(QStringLiteral("\\\\%[1-9]")), QStringLiteral("(.+?)"));
    return QRegularExpression(QLatin1Char('^') + expression + QLatin1Char('$'));
}

// The longer templates first: "used by device %2" would otherwise take the text of "used by
// device %2, which answers there now" with the tail as its value.
const std::vector<Pattern>& patterns()
{
    static const std::vector<Pattern> all = [] {
        std::vector<Pattern> list;
        for (const char* source : kTemplates)
            list.push_back({source, patternOf(QString::fromUtf8(source))});
        std::stable_sort(list.begin(), list.end(), [](const Pattern& a, const Pattern& b) {
            return qstrlen(a.source) > qstrlen(b.source);
        });
        return list;
    }();
    return all;
}

// Each %N of `text` replaced by the Nth value in one pass, so a value that itself holds "%2"
// (a device's name can) stays as it is.
QString filledIn(const QString& text, const QStringList& values)
{
    QString filled;
    for (int i = 0; i < text.size(); ++i) {
        const int n = i + 1 < text.size() ? text.at(i + 1).digitValue() : -1;
        if (text.at(i) == QLatin1Char('%') && n >= 1 && n <= values.size()) {
            filled += values.at(n - 1);
            ++i;
        } else {
            filled += text.at(i);
        }
    }
    return filled;
}

QString translatedWhole(const QString& text, int depth)
{
    for (const Pattern& pattern : patterns()) {
        const QRegularExpressionMatch found = pattern.match.match(text);
        if (!found.hasMatch())
            continue;
        QStringList values;
        for (int i = 1; i <= found.lastCapturedIndex(); ++i)
            values << (depth > 0 ? translatedWhole(found.captured(i), depth - 1) : found.captured(i));
        return filledIn(QCoreApplication::translate(kContext, pattern.source), values);
    }
    return text;
}

} // namespace

QString translatedCoreText(const QString& text)
{
    // Two levels reach a check's reason inside "line N: ...".
    constexpr int kDepth = 2;
    const QString whole = translatedWhole(text, kDepth);
    if (whole != text || !text.contains(QStringLiteral("; ")))
        return whole;
    QStringList parts = text.split(QStringLiteral("; "));
    for (QString& part : parts)
        part = translatedWhole(part, kDepth);
    return parts.join(QCoreApplication::translate("CoreText", "; "));
}

QString translatedCoreText(const std::string& text)
{
    return translatedCoreText(QString::fromStdString(text));
}
