#include "ui/devicetablewidget.h"

#include "base/consoleline.h"
#include "core/conflicts.h"
#include "core/devicemaker.h"
#include "core/macaddress.h"
#include "ui/coretexts.h"
#include "ui/devicetable.h"
#include "ui/sharedstyles.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QHash>
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
    // Tab leaves the table for the next control; the arrows move between rows, and Enter and
    // Ctrl+Enter do what a row's two buttons do.
    setTabKeyNavigation(false);
    setAccessibleName(tr("Devices"));
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { emit selectedRowsChanged(); });
    // Typing goes to the Filter (keyPressEvent): only a double click or F2 edits a name.
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
}

void DeviceTableWidget::keyPressEvent(QKeyEvent* event)
{
    // The keyboard's way to the row buttons: Enter is Modify, Ctrl+Enter Access Web, on the
    // current row (a missing device of a site record has neither).
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && state() != QAbstractItemView::EditingState && currentRow() >= 0 && currentRow() < list.size()) {
        const QTableWidgetItem* ipItem = item(currentRow(), 2);
        if (ipItem) {
            const int rowId = ipItem->data(kRowIdRole).toInt();
            if (event->modifiers() & Qt::ControlModifier)
                emit webPageRequested(rowId, ipItem->data(kCreatedIpRole).toString());
            else
                emit modifyRequested(rowId);
            event->accept();
            return;
        }
    }
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const QString text = event->text();
    if (state() != QAbstractItemView::EditingState && !(event->modifiers() & commands) && !text.isEmpty()
        && text.at(0).isPrint()) {
        emit typed(text);
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
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
    if (!shown && row >= list.size()) {
        // A device of the record that is gone: its name, MAC and the word "missing".
        for (const int column : {0, 1, kSinceColumn})
            shown = shown || (item(row, column) && item(row, column)->text().contains(filterText, Qt::CaseInsensitive));
    } else if (!shown) {
        if (baseline && item(row, kSinceColumn))
            shown = item(row, kSinceColumn)->text().contains(filterText, Qt::CaseInsensitive);
        const ListedDevice& device = list.at(row);
        const DeviceRecord& r = device.record;
        for (const QString* text : {&r.name, &r.mac, &r.ip})
            shown = shown || shownText(*text).contains(filterText, Qt::CaseInsensitive);
        shown = shown || QString::fromStdString(makerIfLoaded(r.mac)).contains(filterText, Qt::CaseInsensitive);
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
        if (const QTableWidgetItem* ipItem = row < list.size() ? item(row, 2) : nullptr)
            ids.push_back(ipItem->data(kRowIdRole).toInt());
    return ids;
}

void DeviceTableWidget::applyIpMark(int row)
{
    QTableWidgetItem* ipItem = item(row, 2);
    const ListedDevice& device = list.at(row);
    const ChangeState& change = device.change;
    writing = true;
    QFont font = ipItem->font();
    font.setItalic(change.status == ChangeStatus::Pending);
    ipItem->setFont(font);
    ipItem->setToolTip(translatedCoreText(change.note));
    // What the colours say, said: a screen reader does not see red or amber.
    QStringList said;
    if (!device.conflictMac.empty())
        said << tr("address conflict with %1").arg(shownText(QString::fromStdString(device.conflictMac)));
    if (change.status == ChangeStatus::Pending)
        said << tr("change pending");
    else if (change.status == ChangeStatus::Unproven)
        said << tr("change not proven");
    else if (change.status == ChangeStatus::Proven)
        said << tr("change proven");
    ipItem->setData(Qt::AccessibleDescriptionRole, said.join(QStringLiteral(", ")));
    if (change.status == ChangeStatus::Pending)
        ipItem->setForeground(QBrush(kPendingColour, Qt::SolidPattern));
    else if (!device.conflictMac.empty())
        ipItem->setForeground(QBrush(kConflictColour, Qt::SolidPattern));
    else if (change.status == ChangeStatus::Unproven)
        ipItem->setForeground(QBrush(kUnansweredColour, Qt::SolidPattern));
    else
        ipItem->setData(Qt::ForegroundRole, QVariant());
    writing = false;
}

void DeviceTableWidget::applySince(int row)
{
    if (!baseline || row >= list.size())
        return;
    const DeviceDifference difference = baseline->compare(list.at(row).record);
    QString text;
    QStringList was;
    if (difference.change != SiteChange::Unchanged)
        text = translatedCoreText(std::string(siteChangeName(difference.change)));
    if (difference.was && difference.moved)
        was << tr("was %1, mask %2, gateway %3")
                   .arg(shownText(difference.was->ip), shownText(difference.was->mask), shownText(difference.was->gateway));
    if (difference.was && difference.renamed)
        was << tr("was named %1").arg(shownText(difference.was->name));
    if (difference.change == SiteChange::New)
        was << tr("not in the site record");
    writing = true;
    QTableWidgetItem* cell = item(row, kSinceColumn);
    if (!cell) {
        cell = new QTableWidgetItem;
        cell->setTextAlignment(Qt::AlignCenter);
        cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
        setItem(row, kSinceColumn, cell);
    }
    cell->setText(text);
    cell->setToolTip(was.join(QStringLiteral("; ")));
    cell->setForeground(QBrush(kSinceColour, Qt::SolidPattern));
    writing = false;
    if (!filterText.isEmpty())
        applyFilter(row);
}

void DeviceTableWidget::setBaseline(const SiteBaseline* site)
{
    baseline = site;
    removeMissingRows();
    missingDevices.clear();
    writing = true;
    setColumnCount(site ? kSinceColumn + 1 : kSinceColumn);
    if (site)
        setHorizontalHeaderItem(kSinceColumn, new QTableWidgetItem(tr("Since record")));
    writing = false;
    for (int row = 0; row < list.size(); ++row)
        applySince(row);
    applyColumnWidths(this);
    if (!filterText.isEmpty())
        setFilter(filterText);
}

void DeviceTableWidget::showMissing(const std::vector<const SiteDevice*>& missing)
{
    removeMissingRows();
    missingDevices = baseline ? missing : std::vector<const SiteDevice*>{};
    appendMissingRows();
}

void DeviceTableWidget::removeMissingRows()
{
    writing = true;
    for (; missingRows > 0; --missingRows)
        removeRow(rowCount() - 1);
    writing = false;
}

void DeviceTableWidget::appendMissingRows()
{
    writing = true;
    for (const SiteDevice* device : missingDevices) {
        const int row = rowCount();
        insertRow(row);
        const QString texts[] = {device->name, device->mac, device->ip, device->mask, device->gateway};
        for (int column = 0; column < 5; ++column) {
            auto* cell = new QTableWidgetItem(shownText(texts[column]));
            cell->setTextAlignment(Qt::AlignCenter);
            // Shown, never acted on: no device answers for it.
            cell->setFlags(Qt::ItemIsEnabled);
            cell->setForeground(QBrush(kMissingColour, Qt::SolidPattern));
            QFont font = cell->font();
            font.setItalic(true);
            cell->setFont(font);
            cell->setToolTip(tr("In the site record, did not answer this Search"));
            setItem(row, column, cell);
        }
        auto* since = new QTableWidgetItem(translatedCoreText(std::string("missing")));
        since->setTextAlignment(Qt::AlignCenter);
        since->setFlags(Qt::ItemIsEnabled);
        since->setForeground(QBrush(kMissingColour, Qt::SolidPattern));
        setItem(row, kSinceColumn, since);
        ++missingRows;
        applyFilter(row);
    }
    writing = false;
}

void DeviceTableWidget::showMakers()
{
    for (int row = 0; row < list.size(); ++row)
        applyMacMark(row);
    if (!filterText.isEmpty())
        setFilter(filterText);
}

DeviceTableWidget::SinceCounts DeviceTableWidget::sinceCounts() const
{
    SinceCounts counts;
    if (!baseline)
        return counts;
    for (int row = 0; row < list.size(); ++row) {
        const SiteChange change = baseline->compare(list.at(row).record).change;
        counts.added += change == SiteChange::New ? 1 : 0;
        counts.changed += change == SiteChange::Moved || change == SiteChange::Renamed ? 1 : 0;
    }
    counts.missing = static_cast<int>(missingDevices.size());
    return counts;
}

void DeviceTableWidget::applyMacMark(int row)
{
    QTableWidgetItem* macItem = item(row, 1);
    const ListedDevice& device = list.at(row);
    const std::set<QString> addresses = list.addressesOf(device.record.mac);
    const bool twin = addresses.size() > 1 && device.change.status != ChangeStatus::Pending;
    writing = true;
    // The maker, from the registry once it is read; a twin's warning before it.
    QString toolTip = QString::fromStdString(makerIfLoaded(device.record.mac));
    if (twin) {
        macItem->setForeground(QBrush(kUnansweredColour, Qt::SolidPattern));
        const QString line = QString::fromStdString(DeviceList::twinLine(device.record.mac, addresses)).mid(10);
        toolTip = toolTip.isEmpty() ? line : line + QLatin1Char('\n') + toolTip;
    } else {
        macItem->setData(Qt::ForegroundRole, QVariant());
    }
    macItem->setToolTip(toolTip);
    writing = false;
}

void DeviceTableWidget::setChange(const QString& mac, const ChangeState& change)
{
    if (!list.setChange(mac, change))
        return;
    const int row = list.rowOf(mac);
    applyIpMark(row);
    applyMacMark(row);
}

void DeviceTableWidget::takeAnswered(const QString& mac, const DeviceRecord& answered, const ChangeState& change)
{
    if (change.status == ChangeStatus::Proven) {
        if (!list.takeProven(mac, answered, change))
            return;
    } else {
        const int at = list.rowOf(mac);
        if (at < 0)
            return;
        list.update(list.at(at).rowId, answered.ip, answered.submask, answered.gateway, list.at(at).record.name);
        list.setChange(mac, change);
    }
    const int row = list.rowOf(mac);
    showTexts(row, list.at(row).record);
    applyIpMark(row);
    applyMacMark(row);
}

void DeviceTableWidget::rejudge(const std::function<std::vector<int>(DeviceList&)>& judgement)
{
    for (const int rowId : judgement(list)) {
        const int row = list.rowOfId(rowId);
        if (row >= 0)
            applyIpMark(row);
    }
}

int DeviceTableWidget::conflictCount() const
{
    int count = 0;
    for (int row = 0; row < list.size(); ++row)
        count += list.at(row).conflictMac.empty() ? 0 : 1;
    return count;
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
    if (change.newTwin) {
        brenmoor::console::printLine(DeviceList::twinLine(record.mac, list.addressesOf(record.mac)));
        applyMacMark(change.row);
    }
    switch (change.action) {
    case RowAction::Ignore:
        return;
    case RowAction::TableFull:
        if (change.firstRefusal)
            brenmoor::console::printLine(tableFullLine());
        return;
    case RowAction::Refresh:
        showTexts(change.row, list.at(change.row).record);
        applySince(change.row);
        return;
    case RowAction::Insert:
        break;
    }
    // The record's missing devices stay after the list's rows. An insertion at the list's place
    // leaves them there; a sort of the whole table would not, so they step aside for it.
    const bool missingAside = change.sorted && missingRows > 0;
    if (missingAside)
        removeMissingRows();

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
        if (column != 0)
            cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
        setItem(row, column, cell);
    }
    ipItem->setFlags(ipItem->flags() & ~Qt::ItemIsEditable);
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
    applyIpMark(change.row);
    applyMacMark(change.row);
    applySince(change.row);
    if (missingAside)
        appendMissingRows();
    if (rowCount() <= 64) {
        ensureRowButtons();
    } else if (!rowButtonsDue) {
        rowButtonsDue = true;
        QTimer::singleShot(0, this, [this] {
            rowButtonsDue = false;
            ensureRowButtons();
        });
    }
    emit rowCountChanged(list.size());
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
    missingRows = 0;
    missingDevices.clear();
    emit rowCountChanged(0);
}

int DeviceTableWidget::markConflicts(const NeighbourMap* neighbours, int fromRowId, std::vector<ArpProxy>* proxies)
{
    int count = 0;
    rejudge([&](DeviceList& devices) {
        std::vector<int> rows;
        for (const Conflict& conflict : ::markConflicts(devices, neighbours, fromRowId, proxies))
            rows.push_back(conflict.row);
        count = static_cast<int>(rows.size());
        return rows;
    });
    return count;
}

QWidget* DeviceTableWidget::makeRowButton(const QString& text, int width)
{
    auto* button = new QPushButton(QStringLiteral("Button"));
    // At least `width`, wider where a translation needs it; measured once per text, since a
    // Search may bring thousands of rows.
    static QHash<QString, int> widths;
    auto known = widths.constFind(text);
    if (known == widths.constEnd()) {
        QPushButton probe(text);
        probe.setStyleSheet(buttonBluePushButton);
        constexpr int kPadding = 8; // the rounded corners' room, 4 pixels on each side
        known = widths.insert(text, widthForText(&probe, width, kPadding));
    }
    button->setFixedSize(*known, 40);
    // Out of the Tab chain: a thousand rows would be two thousand stops; Enter and Ctrl+Enter
    // on the current row reach them.
    button->setFocusPolicy(Qt::NoFocus);
    QWidget* cell = makeCenteredCell(button);
    button->setStyleSheet(buttonBluePushButton);
    button->setText(text);
    return cell;
}

void DeviceTableWidget::ensureRowButtons(int row)
{
    const QTableWidgetItem* ipItem = item(row, 2);
    if (!ipItem || row >= list.size() || cellWidget(row, 5))
        return;
    const int rowId = ipItem->data(kRowIdRole).toInt();
    const QString createdIp = ipItem->data(kCreatedIpRole).toString();
    QWidget* modify = makeRowButton(tr("Modify"), 80);
    QWidget* web = makeRowButton(tr("Access Web"), 120);
    // A screen reader says which device each button acts on, not "Modify" a hundred times.
    if (const ListedDevice* device = list.byRowId(rowId)) {
        const QString name = shownText(device->record.name.isEmpty() ? device->record.mac : device->record.name);
        modify->findChild<QPushButton*>()->setAccessibleName(tr("Modify %1 (%2)").arg(name, shownText(device->record.ip)));
        web->findChild<QPushButton*>()->setAccessibleName(tr("Open the web page of %1").arg(name));
    }
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
