#include "ui/devicetablewidget.h"

#include "app/sharedstyles.h"
#include "ui/devicetable.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>

DeviceTableWidget::DeviceTableWidget(QWidget* parent)
    : QTableWidget(parent)
{
    pendingTimer.setSingleShot(true);
    connect(&pendingTimer, &QTimer::timeout, this, &DeviceTableWidget::addPending);
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == 2)
            rowsInPlainOrder = false;
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { ensureRowButtons(); });
}

void DeviceTableWidget::rowsInserted(const QModelIndex& /*parent*/, int /*start*/, int /*end*/)
{
    scheduleDelayedItemsLayout();
}

void DeviceTableWidget::resizeEvent(QResizeEvent* event)
{
    QTableWidget::resizeEvent(event);
    ensureRowButtons();
}

void DeviceTableWidget::addRecord(const DeviceRecord& record)
{
    setShowGrid(false);
    for (int row = 0; row < rowCount(); ++row) {
        const QTableWidgetItem* macItem = item(row, 1);
        if (!macItem || !isSameMac(macItem->text(), record.mac))
            continue;
        if (record.type == 0)
            return;
        item(row, 1)->setText(record.mac);
        item(row, 2)->setText(record.ip);
        item(row, 3)->setText(record.submask);
        item(row, 4)->setText(record.gateway);
        item(row, 0)->setText(record.name);
        return;
    }

    const int rowId = rowCount();
    auto* ipItem = new IpAddressItem(record.ip);
    ipItem->setTextAlignment(Qt::AlignCenter);
    ipItem->setData(kRowIdRole, rowId);
    ipItem->setData(kCreatedIpRole, record.ip);
    // Straight to its place when the order is plain; otherwise appended and the whole table
    // sorted. Both give the order a stable sort by IP gives.
    const bool direct = rowsInPlainOrder && ipItem->isPlainAddress();
    const int row = direct ? sortedInsertionRow(this, *ipItem) : rowId;
    const bool wasPlain = rowsInPlainOrder;
    insertRow(row);
    const auto centred = [](const QString& text) {
        auto* cell = new QTableWidgetItem(text);
        cell->setTextAlignment(Qt::AlignCenter);
        return cell;
    };
    setItem(row, 0, centred(record.name));
    setItem(row, 1, centred(record.mac));
    setItem(row, 2, ipItem);
    setItem(row, 3, centred(record.submask));
    setItem(row, 4, centred(record.gateway));
    rowsInPlainOrder = wasPlain; // setting the new row's own items is no change of order
    setRowHeight(row, 80);
    if (!direct) {
        sortItems(2, Qt::AscendingOrder);
        rowsInPlainOrder = true;
        for (int r = 0; r < rowCount() && rowsInPlainOrder; ++r) {
            const auto* ip = dynamic_cast<const IpAddressItem*>(item(r, 2));
            rowsInPlainOrder = ip && ip->isPlainAddress();
        }
    }
    ensureRowButtons();
    emit rowCountChanged(rowCount());
}

void DeviceTableWidget::enqueue(std::deque<DeviceRecord>&& records)
{
    for (DeviceRecord& record : records)
        pending.push_back(std::move(record));
    if (!pending.empty() && !pendingTimer.isActive())
        pendingTimer.start(0);
}

void DeviceTableWidget::addPending()
{
    constexpr qint64 kSliceNanoseconds = 20'000'000;
    QElapsedTimer slice;
    slice.start();
    while (!pending.empty() && slice.nsecsElapsed() < kSliceNanoseconds) {
        const DeviceRecord record = std::move(pending.front());
        pending.pop_front();
        if (insertion)
            insertion(record);
        else
            addRecord(record);
    }
    if (!pending.empty())
        pendingTimer.start(0); // the rest after the event loop has had its turn
}

void DeviceTableWidget::startFilling()
{
    setRowCount(0);
    pending.clear();
    pendingTimer.stop();
    ++fillingCount;
    rowsInPlainOrder = true;
    emit rowCountChanged(0);
}

bool DeviceTableWidget::updateRow(int fillingId, int rowId, const QString& ip, const QString& submask,
                                  const QString& gateway, const QString& name)
{
    if (fillingId != fillingCount)
        return false;
    const int row = findNewRowFromOldRow(rowId, this);
    if (row < 0)
        return false;
    item(row, 2)->setText(ip);
    item(row, 3)->setText(submask);
    item(row, 4)->setText(gateway);
    item(row, 0)->setText(name);
    return true;
}

QWidget* DeviceTableWidget::makeRowButton(const QString& text, int width)
{
    auto* button = new QPushButton(QStringLiteral("Button"));
    button->setFixedSize(width, 40);
    QWidget* cell = makeCenteredCell(button);
    button->setStyleSheet(buttonBluePushButton);
    button->setText(text);
    return cell;
}

void DeviceTableWidget::ensureRowButtons(int row)
{
    const QTableWidgetItem* ipItem = item(row, 2);
    if (!ipItem || cellWidget(row, 5))
        return;
    const int rowId = ipItem->data(kRowIdRole).toInt();
    const QString createdIp = ipItem->data(kCreatedIpRole).toString();
    QWidget* modify = makeRowButton(tr("Modify"), 80);
    QWidget* web = makeRowButton(tr("Access Web"), 120);
    connect(modify->findChild<QPushButton*>(), &QPushButton::clicked, this, [this, rowId] { emit modifyRequested(rowId); });
    connect(web->findChild<QPushButton*>(), &QPushButton::clicked, this,
            [this, rowId, createdIp] { emit webPageRequested(rowId, createdIp); });
    setCellWidget(row, 5, modify);
    setCellWidget(row, 6, web);
}

void DeviceTableWidget::ensureRowButtons()
{
    const int rows = rowCount();
    int first = 0;
    int last = rows - 1;
    if (rows > 64) {
        constexpr int kAhead = 8; // rows beyond the visible ones, so scrolling shows no gap
        const int top = rowAt(0);
        const int bottom = rowAt(viewport()->height() - 1);
        first = std::max(0, (top < 0 ? 0 : top) - kAhead);
        last = std::min(rows - 1, (bottom < 0 ? rows - 1 : bottom) + kAhead);
    }
    for (int row = first; row <= last; ++row)
        ensureRowButtons(row);
}
