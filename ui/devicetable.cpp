#include "ui/devicetable.h"

#include "net/consoleline.h"

#include <QBrush>
#include <QColor>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

IpAddressItem::IpAddressItem(const QString& ip)
    : QTableWidgetItem(ip)
    , parts(parse(ip))
{
}

IpAddressItem::~IpAddressItem() = default;

IpAddressItem::Parts IpAddressItem::parse(const QString& text)
{
    Parts parsed;
    const QStringList pieces = text.split(QLatin1Char('.'));
    parsed.fourParts = pieces.size() == 4;
    if (parsed.fourParts) {
        for (int i = 0; i < 4; ++i)
            parsed.value[i] = pieces[i].toInt(&parsed.ok[i], 10);
    }
    return parsed;
}

void IpAddressItem::setData(int role, const QVariant& value)
{
    QTableWidgetItem::setData(role, value);
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        parts = parse(text()); // the text changed: an update or an edit in place
}

bool IpAddressItem::operator<(const QTableWidgetItem& other) const
{
    const auto* ip = dynamic_cast<const IpAddressItem*>(&other);
    const Parts theirs = ip ? ip->parts : parse(other.text());
    const auto textLess = [&] { return text() < other.text(); };
    if (!parts.fourParts || !theirs.fourParts)
        return textLess();
    for (int i = 0; i < 4; ++i) {
        if (!parts.ok[i] || !theirs.ok[i])
            return textLess();
        if (parts.value[i] != theirs.value[i])
            return parts.value[i] < theirs.value[i];
    }
    return false;
}

bool IpAddressItem::isPlainAddress() const
{
    return parts.fourParts && parts.ok[0] && parts.ok[1] && parts.ok[2] && parts.ok[3];
}

int sortedInsertionRow(QTableWidget* table, const IpAddressItem& item)
{
    int low = 0;
    int high = table->rowCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        const QTableWidgetItem* other = table->item(middle, 2);
        if (other && item < *other)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

QString normalMac(QString mac)
{
    return mac.remove(QLatin1Char(':')).remove(QLatin1Char('-')).toUpper();
}

bool isSameMac(const QString& a, const QString& b)
{
    return normalMac(a) == normalMac(b);
}

int findNewRowFromOldRow(int oldRow, QTableWidget* table)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* item = table->item(row, 2);
        if (item && item->data(kRowIdRole).toInt() == oldRow)
            return row;
    }
    return -1;
}

std::array<int, 7> columnWidths(int tableWidth)
{
    std::array<int, 7> widths{};
    for (size_t k = 0; k < widths.size(); ++k)
        widths[k] = tableWidth * kColumnWeights[k] / 886;
    return widths;
}

void applyColumnWidths(QTableWidget* table)
{
    const auto widths = columnWidths(table->width());
    for (int k = 0; k < static_cast<int>(widths.size()); ++k)
        table->setColumnWidth(k, widths[static_cast<size_t>(k)]);
}

QWidget* makeCenteredCell(QPushButton* button)
{
    auto* cell = new QWidget;
    auto* column = new QVBoxLayout(cell);
    auto* row = new QHBoxLayout;
    column->addStretch();
    row->addStretch();
    row->addWidget(button);
    row->addStretch();
    column->addLayout(row);
    column->addStretch();
    cell->setStyleSheet(QStringLiteral("background-color:transparent;"));
    return cell;
}

int markConflicts(QTableWidget* table, const NeighbourMap& neighbours)
{
    int count = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem* macItem = table->item(row, 1);
        QTableWidgetItem* ipItem = table->item(row, 2);
        if (!macItem || !ipItem)
            continue;
        const std::string rowMac = macItem->text().toLower().remove(QLatin1Char('-')).remove(QLatin1Char(':')).toStdString();
        const std::string rowIp = ipItem->text().toStdString();
        for (const auto& [mac, ip] : neighbours) {
            if (ip != rowIp)
                continue;
            QString neighbourMac = QString::fromStdString(mac).toLower().remove(QLatin1Char(':'));
            if (neighbourMac.toStdString() == rowMac)
                continue; // the same device under the same address
            brenmoor::net::printLine("Ip:" + rowIp + "conflict" + " " + mac + " " + rowMac);
            ipItem->setForeground(QBrush(QColor(250, 81, 81), Qt::SolidPattern));
            ++count;
            break;
        }
    }
    return count;
}
