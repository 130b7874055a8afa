#pragma once
// The device table: a view of the Search's device list (one row per MAC, in IP order, the
// core's rules), the records waiting to go in, and the two row buttons, built as rows come
// into view. Each row shows its device's texts as the console would print them; the list
// keeps the device's own.

#include "core/conflicts.h"
#include "core/devicelist.h"
#include "core/sitecompare.h"
#include "net/neighbourmap.h"

#include <QHash>
#include <QString>
#include <QTableWidget>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

class DeviceTableWidget : public QTableWidget
{
    Q_OBJECT

public:
    explicit DeviceTableWidget(QWidget* parent = nullptr);

    // Merges the record into the list and shows the result: a new MAC is inserted at its
    // place in IP order; a key-value record of a listed MAC refreshes its row, a JSON one
    // changes nothing.
    void addRecord(const DeviceRecord& record);
    // Records go in in slices of a few milliseconds, so a burst of hundreds of replies never
    // holds the event loop. At most kMaxQueuedRecords wait; a flood beyond them is dropped.
    void enqueue(std::deque<DeviceRecord>&& records);
    bool hasPending() const { return !pending.empty(); }
    // What a queued record goes in through: addRecord unless the owner wants each record to
    // pass through its own hands first (the window logs every insertion).
    void setInsertion(std::function<void(const DeviceRecord&)> insert) { insertion = std::move(insert); }
    // Empties the table and what waits for it: a new filling begins.
    void startFilling();
    // A row id names a device only within the filling it came from, so a settings panel
    // opened before a new Search must not write into the new rows.
    int filling() const { return fillingCount; }
    // Where the change sent to the device `mac` stands. The row keeps the values its device
    // last answered with: a pending change shows grey and italic, an unproven one amber, each
    // with the plan in the IP's tooltip.
    void setChange(const QString& mac, const ChangeState& change);
    // The device answered its change with `answered` (proven, or the last word of an
    // unproven one): the row shows what it reports.
    void takeAnswered(const QString& mac, const DeviceRecord& answered, const ChangeState& change);
    // Runs `judgement` on the list and repaints the rows (row ids) it names: conflict marks set
    // or cleared.
    void rejudge(const std::function<std::vector<int>(DeviceList&)>& judgement);
    // Rows marked as conflicts now.
    int conflictCount() const;
    // A site record to compare with (null: none): each row says in a column of its own
    // whether its device is new, moved or renamed since; the Filter matches that too.
    void setBaseline(const SiteBaseline* baseline);
    // The record's devices that did not answer: greyed rows after the others, with what the
    // record says, never selected and without buttons. Empty: none.
    void showMissing(const std::vector<const SiteDevice*>& missing);
    struct SinceCounts
    {
        int added = 0, missing = 0, changed = 0;
    };
    SinceCounts sinceCounts() const;
    // The registry of makers has been read: every MAC cell's tooltip names its maker.
    void showMakers();
    // Only the rows whose name, MAC or IP, as shown, holds `text` (any case; a MAC also
    // without its separators) stay in view; an empty text shows every row.
    void setFilter(const QString& text);
    // The row ids of the selected rows in view, in table order.
    std::vector<int> selectedRowIds() const;

    // Judges the rows with a row id of `fromRowId` or more against the neighbour table:
    // prints a line for each conflicting row and turns its IP text red. Returns how many;
    // `proxies`, when given, gets the hosts answering ARP for many devices (not counted).
    int markConflicts(const NeighbourMap* neighbours, int fromRowId, std::vector<ArpProxy>* proxies = nullptr);
    // Gives the rows that are, or are about to be, on screen their two buttons. Every row of
    // a table of up to 64 rows has them at once; in a larger table a row gets them as it
    // comes into view, so a burst of hundreds of replies does not build hundreds of widgets.
    void ensureRowButtons();

    // What the table shows, with the devices' own texts.
    const DeviceList& devices() const { return list; }

signals:
    void modifyRequested(int rowId);
    void webPageRequested(int rowId, QString createdIp);
    void rowCountChanged(int rows);
    void selectedRowsChanged(); // the selection, or which selected rows are in view
    void drained(); // the queue is empty: every record that arrived is in the list
    // Text typed while the table had focus: the window's Filter takes it. Only the name cell
    // is edited in place, by a double click or F2; a MAC or an address edited in place would
    // address commands to a device that does not exist.
    void typed(const QString& text);

protected:
    // The base view moves every cell widget (two per row) on each inserted row, which makes
    // a burst of replies quadratic. The buttons are placed by the next layout pass instead,
    // once for the whole burst, before anything is painted.
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void resizeEvent(QResizeEvent* event) override; // a taller table shows more rows
    void keyPressEvent(QKeyEvent* event) override;

private:
    void addPending();
    void ensureRowButtons(int row);
    QWidget* makeRowButton(const QString& text, int width);
    // The five text cells of `row` from its device (row items exist).
    void showTexts(int row, const DeviceRecord& record);
    // A cell the user edited in place: the list takes the new text.
    void takeEdit(QTableWidgetItem* item);
    void applyFilter(int row);
    void applyIpMark(int row);
    // The row's "since the record" cell, from the baseline.
    void applySince(int row);
    void removeMissingRows();
    void appendMissingRows();
    void applyMacMark(int row);

    DeviceList list;
    // True while this class writes cells itself, so only the user's edits reach the list.
    bool writing = false;
    // One pass that gives on-screen rows their buttons, after a burst rather than per row.
    bool rowButtonsDue = false;
    std::deque<DeviceRecord> pending;
    std::function<void(const DeviceRecord&)> insertion;
    QTimer pendingTimer;
    int fillingCount = 0;
    // One console line per filling tells that devices were left out.
    bool toldQueueFull = false;
    QString filterText;
    const SiteBaseline* baseline = nullptr;
    std::vector<const SiteDevice*> missingDevices;
    int missingRows = 0; // shown after the list's rows
};
