#include "ui/devicetablewidget.h"

#include "base/consoleline.h"
#include "core/conflicts.h"
#include "core/macaddress.h"
#include "ui/devicetable.h"
#include "ui/sharedstyles.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <set>

namespace {

// Each text column of a row and the record field it shows.
const QString& fieldShown(const DeviceRecord& record, int column)
{
    switch (column) {
    case 0:
        return record.name;
    case 1:
        return record.mac;
    case 3:
        return record.submask;
    case 4:
        return record.gateway;
    default:
        return record.ip;
    }
}

} // namespace

DeviceTableWidget::DeviceTableWidget(QWidget* parent)
    : QTableWidget(parent)
{
    pendingTimer.setSingleShot(true);
    connect(&pendingTimer, &QTimer::timeout, this, &DeviceTableWidget::addPending);
    connect(this, &QTableWidget::itemChanged, this, &DeviceTableWidget::takeEdit);
    // Rows are 80 pixels high from the start: a height set per row splits the header's one
    // run of equal sections into a thousand, and every row position is then recomputed.
    verticalHeader()->setDefaultSectionSize(80);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { ensureRowButtons(); });
    // Whole rows, many at once: click, Ctrl+click, Shift+click, Shift+arrows and Ctrl+A.
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { emit selectedRowsChanged(); });
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

void DeviceTableWidget::showTexts(int row, const DeviceRecord& record)
{
    writing = true;
    for (const int column : {1, 2, 3, 4, 0})
        item(row, column)->setText(shownText(fieldShown(record, column)));
    writing = false;
    applyFilter(row);
}

void DeviceTableWidget::applyFilter(int row)
{
    bool shown = filterText.isEmpty();
    if (!shown) {
        const ListedDevice& device = list.at(row);
        const DeviceRecord& r = device.record;
        for (const QString* text : {&r.name, &r.mac, &r.ip})
            shown = shown || shownText(*text).contains(filterText, Qt::CaseInsensitive);
        // "5e0001" and "5E-00-01" find 02:00:5e:00:01:..: the MAC as its digits.
        const QString digits = normalMac(filterText);
        shown = shown || (!digits.isEmpty() && normalMac(r.mac).contains(digits));
    }
    if (isRowHidden(row) == shown) {
        setRowHidden(row, !shown);
        if (selectionModel()->isRowSelected(row, QModelIndex()))
            emit selectedRowsChanged();
    }
}

void DeviceTableWidget::setFilter(const QString& text)
{
    filterText = text.trimmed();
    for (int row = 0; row < rowCount(); ++row)
        applyFilter(row);
    ensureRowButtons();
}

std::vector<int> DeviceTableWidget::selectedRowIds() const
{
    std::set<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        if (!isRowHidden(index.row()))
            rows.insert(index.row());
    std::vector<int> ids;
    for (const int row : rows)
        if (const QTableWidgetItem* ipItem = item(row, 2))
            ids.push_back(ipItem->data(kRowIdRole).toInt());
    return ids;
}

void DeviceTableWidget::applyIpMark(int row)
{
    QTableWidgetItem* ipItem = item(row, 2);
    const ListedDevice& device = list.at(row);
    const Mark mark = ipMarks.value(normalMac(device.record.mac));
    writing = true;
    QFont font = ipItem->font();
    font.setItalic(mark.mark == IpMark::Pending);
    ipItem->setFont(font);
    ipItem->setToolTip(mark.toolTip);
    switch (mark.mark) {
    case IpMark::Pending:
        ipItem->setForeground(QBrush(kPendingColour, Qt::SolidPattern));
        break;
    case IpMark::Unanswered:
        ipItem->setForeground(QBrush(kUnansweredColour, Qt::SolidPattern));
        break;
    case IpMark::None:
        if (device.conflictMac.empty())
            ipItem->setData(Qt::ForegroundRole, QVariant());
        else
            ipItem->setForeground(QBrush(kConflictColour, Qt::SolidPattern));
        break;
    }
    writing = false;
}

void DeviceTableWidget::markIp(const QString& mac, IpMark mark, const QString& toolTip)
{
    if (mark == IpMark::None)
        ipMarks.remove(normalMac(mac));
    else
        ipMarks.insert(normalMac(mac), {mark, toolTip});
    const int row = list.rowOf(mac);
    if (row >= 0)
        applyIpMark(row);
}

bool DeviceTableWidget::settleIp(const QString& mac)
{
    ipMarks.remove(normalMac(mac));
    const int row = list.rowOf(mac);
    if (row < 0)
        return false;
    const bool hadConflict = list.clearConflict(list.at(row).rowId);
    applyIpMark(row);
    return hadConflict;
}

bool DeviceTableWidget::updateDevice(const QString& mac, const QString& ip, const QString& submask,
                                     const QString& gateway, const QString& name)
{
    const int row = list.rowOf(mac);
    return row >= 0 && updateRow(fillingCount, list.at(row).rowId, ip, submask, gateway, name);
}

void DeviceTableWidget::takeEdit(QTableWidgetItem* edited)
{
    if (writing || edited->column() > 4)
        return;
    const QTableWidgetItem* ipItem = item(edited->row(), 2);
    if (!ipItem)
        return;
    list.edit(ipItem->data(kRowIdRole).toInt(), edited->column(), edited->text());
}

void DeviceTableWidget::addRecord(const DeviceRecord& record)
{
    setShowGrid(false);
    const DeviceList::Change change = list.add(record);
    switch (change.action) {
    case RowAction::Ignore:
        return;
    case RowAction::TableFull:
        if (change.firstRefusal)
            brenmoor::console::printLine(tableFullLine());
        return;
    case RowAction::Refresh:
        showTexts(change.row, list.at(change.row).record);
        return;
    case RowAction::Insert:
        break;
    }

    const ListedDevice& device = list.at(change.row);
    writing = true;
    auto* ipItem = new IpAddressItem(shownText(device.record.ip));
    ipItem->setTextAlignment(Qt::AlignCenter);
    ipItem->setData(kRowIdRole, device.rowId);
    ipItem->setData(kCreatedIpRole, device.createdIp);
    // The list decided the place: straight there when its order was plain; otherwise at the
    // end, and the whole table sorted as the list sorted itself (both stable, same order).
    const int row = change.sorted ? rowCount() : change.row;
    insertRow(row);
    for (const int column : {0, 1, 3, 4}) {
        auto* cell = new QTableWidgetItem(shownText(fieldShown(device.record, column)));
        cell->setTextAlignment(Qt::AlignCenter);
        setItem(row, column, cell);
    }
    setItem(row, 2, ipItem);
    if (rowHeight(row) != 80)
        setRowHeight(row, 80);
    if (change.sorted)
        sortItems(2, Qt::AscendingOrder);
    writing = false;
    // The table mirrors the list: the new entry is at its row now, whichever way it got there.
    if (change.sorted && !filterText.isEmpty())
        setFilter(filterText);
    else
        applyFilter(change.row);
    if (!ipMarks.isEmpty())
        applyIpMark(change.row);
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
    else
        emit drained();
}

void DeviceTableWidget::startFilling()
{
    writing = true;
    setRowCount(0);
    writing = false;
    list.clear();
    pending.clear();
    pendingTimer.stop();
    ++fillingCount;
    toldQueueFull = false;
    ipMarks.clear();
    emit rowCountChanged(0);
}

bool DeviceTableWidget::updateRow(int fillingId, int rowId, const QString& ip, const QString& submask,
                                  const QString& gateway, const QString& name)
{
    if (fillingId != fillingCount || !list.update(rowId, ip, submask, gateway, name))
        return false;
    const int row = list.rowOfId(rowId);
    showTexts(row, list.at(row).record);
    return true;
}

int DeviceTableWidget::markConflicts(const NeighbourMap* neighbours, int fromRowId, std::vector<ArpProxy>* proxies)
{
    const std::vector<Conflict> conflicts = ::markConflicts(list, neighbours, fromRowId, proxies);
    writing = true;
    for (const Conflict& conflict : conflicts)
        item(list.rowOfId(conflict.row), 2)->setForeground(QBrush(kConflictColour, Qt::SolidPattern));
    writing = false;
    return static_cast<int>(conflicts.size());
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
