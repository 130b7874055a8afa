#pragma once
// The device table: a view of the Search's device list (one row per MAC, in IP order, the
// core's rules), the records waiting to go in, and the two row buttons, built as rows come
// into view. Each row shows its device's texts as the console would print them; the list
// keeps the device's own.

#include "core/conflicts.h"
#include "core/devicelist.h"
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
    // Writes the new settings into the row `rowId` of filling `fillingId`; false when that
    // row is gone.
    bool updateRow(int fillingId, int rowId, const QString& ip, const QString& submask, const QString& gateway,
                   const QString& name);
    // Writes the new settings into the row of the device `mac` in the list as it is now.
    bool updateDevice(const QString& mac, const QString& ip, const QString& submask, const QString& gateway,
                      const QString& name);

    // How a row's IP text tells the state of a change sent to its device: waiting for the
    // device to answer at its new address (grey, italic), or it did not (amber); with a tooltip
    // that says so. Kept by MAC for this filling, through refreshes of the row.
    enum class IpMark { None, Pending, Unanswered };
    void markIp(const QString& mac, IpMark mark, const QString& toolTip);
    // The device verified at its new address: its mark goes, and a conflict judged at the
    // address it left goes with it. True when it had a conflict.
    bool settleIp(const QString& mac);

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

protected:
    // The base view moves every cell widget (two per row) on each inserted row, which makes
    // a burst of replies quadratic. The buttons are placed by the next layout pass instead,
    // once for the whole burst, before anything is painted.
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void resizeEvent(QResizeEvent* event) override; // a taller table shows more rows

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
    struct Mark
    {
        IpMark mark = IpMark::None;
        QString toolTip;
    };
    QHash<QString, Mark> ipMarks; // by normal MAC
};
