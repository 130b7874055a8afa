#include "ui/devicetablewidget.h"

#include "base/consoleline.h"
#include "ui/devicetable.h"
#include "ui/sharedstyles.h"

#include <QElapsedTimer>
#include <QHeaderView>
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
        if (item->column() == 1 && macItems.value(normalMac(item->text())) != item)
            macItemsStale = true;
    });
    // Rows are 80 pixels high from the start: a height set per row splits the header's one
    // run of equal sections into a thousand, and every row position is then recomputed.
    verticalHeader()->setDefaultSectionSize(80);
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
    const int listed = rowOfMac(record.mac);
    switch (rowAction(listed >= 0, record.type, rowCount())) {
    case RowAction::Ignore:
        return;
    case RowAction::TableFull:
        if (!toldTableFull) {
            toldTableFull = true;
            brenmoor::console::printLine(tableFullLine());
        }
        return;
    case RowAction::Insert:
        break;
    case RowAction::Refresh:
        item(listed, 1)->setText(record.mac);
        item(listed, 2)->setText(record.ip);
        item(listed, 3)->setText(record.submask);
        item(listed, 4)->setText(record.gateway);
        item(listed, 0)->setText(record.name);
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
    QTableWidgetItem* macItem = centred(record.mac);
    macItems.insert(normalMac(record.mac), macItem); // before setItem, which reports a change
    setItem(row, 1, macItem);
    setItem(row, 2, ipItem);
    setItem(row, 3, centred(record.submask));
    setItem(row, 4, centred(record.gateway));
    rowsInPlainOrder = wasPlain; // setting the new row's own items is no change of order
    if (rowHeight(row) != 80)
        setRowHeight(row, 80);
    if (!direct) {
        sortItems(2, Qt::AscendingOrder);
        rowsInPlainOrder = true;
        for (int r = 0; r < rowCount() && rowsInPlainOrder; ++r) {
            const auto* ip = dynamic_cast<const IpAddressItem*>(item(r, 2));
            rowsInPlainOrder = ip && ip->isPlainAddress();
        }
    }
    if (rowCount() <= 64) {
        ensureRowButtons();
    } else if (!rowButtonsDue) {
        rowButtonsDue = true;
        QTimer::singleShot(0, this, [this] {
            rowButtonsDue = false;
            ensureRowButtons();
        });
    }
    emit rowCountChanged(rowCount());
}

int DeviceTableWidget::rowOfMac(const QString& mac)
{
    if (macItemsStale) {
        macItems.clear();
        for (int r = 0; r < rowCount(); ++r)
            if (QTableWidgetItem* listed = item(r, 1))
                macItems.insert(normalMac(listed->text()), listed);
        macItemsStale = false;
    }
    QTableWidgetItem* listed = macItems.value(normalMac(mac));
    return listed ? row(listed) : -1;
}

void DeviceTableWidget::enqueue(std::deque<DeviceRecord>&& records)
{
    for (DeviceRecord& record : records) {
        if (pending.size() >= kMaxQueuedRecords) {
            if (!toldQueueFull) {
                toldQueueFull = true;
                brenmoor::console::printLine(queueFullLine());
            }
            break;
        }
        pending.push_back(std::move(record));
    }
    if (!pending.empty() && !pendingTimer.isActive())
        pendingTimer.start(0);
}

void DeviceTableWidget::addPending()
{
    constexpr qint64 kSliceNanoseconds = 12'000'000;
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
    macItems.clear();
    macItemsStale = false;
    pending.clear();
    pendingTimer.stop();
    ++fillingCount;
    rowsInPlainOrder = true;
    toldTableFull = false;
    toldQueueFull = false;
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
