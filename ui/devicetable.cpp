#include "ui/devicetable.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

IpAddressItem::IpAddressItem(const QString& ip)
    : QTableWidgetItem(ip)
    , key(IpOrderKey::of(ip))
{
}

IpAddressItem::~IpAddressItem() = default;

void IpAddressItem::setData(int role, const QVariant& value)
{
    QTableWidgetItem::setData(role, value);
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        key = IpOrderKey::of(text()); // the text changed: an update or an edit in place
}

bool IpAddressItem::operator<(const QTableWidgetItem& other) const
{
    const auto* ip = dynamic_cast<const IpAddressItem*>(&other);
    const QString otherText = other.text();
    return ipLess(key, text(), ip ? ip->key : IpOrderKey::of(otherText), otherText);
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
    // The column of what changed since a site record takes its own width; the seven share
    // the rest by their weights.
    const bool since = table->columnCount() > kSinceColumn;
    if (since)
        table->setColumnWidth(kSinceColumn, kSinceColumnWidth);
    const auto widths = columnWidths(table->width() - (since ? kSinceColumnWidth : 0));
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
