#pragma once
// The device table: the rows of one filling (one per MAC, in IP order), the records waiting
// to go in, and the two row buttons, built as rows come into view. The rules it follows are
// in devicetable.h.

#include "core/devicerules.h"

#include <QHash>
#include <QString>
#include <QTableWidget>
#include <QTimer>
#include <deque>
#include <functional>

class DeviceTableWidget : public QTableWidget
{
    Q_OBJECT

public:
    explicit DeviceTableWidget(QWidget* parent = nullptr);

    // Inserts a new MAC at its place in IP order; a key-value record of a listed MAC
    // refreshes its row, a JSON one changes nothing.
    void addRecord(const DeviceRecord& record);
    // Records go in in slices of a few milliseconds, so a burst of hundreds of replies never
    // holds the event loop. At most kMaxQueuedRecords wait; a flood beyond them is dropped.
    void enqueue(std::deque<DeviceRecord>&& records);
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
    // Gives the rows that are, or are about to be, on screen their two buttons. Every row of
    // a table of up to 64 rows has them at once; in a larger table a row gets them as it
    // comes into view, so a burst of hundreds of replies does not build hundreds of widgets.
    void ensureRowButtons();

signals:
    void modifyRequested(int rowId);
    void webPageRequested(int rowId, QString createdIp);
    void rowCountChanged(int rows);

protected:
    // The base view moves every cell widget (two per row) on each inserted row, which makes
    // a burst of replies quadratic. The buttons are placed by the next layout pass instead,
    // once for the whole burst, before anything is painted.
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void resizeEvent(QResizeEvent* event) override; // a taller table shows more rows

private:
    // The row of the MAC item for `mac` (any form), or -1.
    int rowOfMac(const QString& mac);
    void addPending();
    void ensureRowButtons(int row);
    QWidget* makeRowButton(const QString& text, int width);

    // Normal MAC text to its row's MAC item: finding a listed MAC must not walk the table,
    // which made a burst of a thousand replies quadratic. Rebuilt when a MAC text changes
    // to another MAC (an edit in place).
    QHash<QString, QTableWidgetItem*> macItems;
    bool macItemsStale = false;
    // One pass that gives on-screen rows their buttons, after a burst rather than per row.
    bool rowButtonsDue = false;
    std::deque<DeviceRecord> pending;
    std::function<void(const DeviceRecord&)> insertion;
    QTimer pendingTimer;
    int fillingCount = 0;
    // True while the rows are in IP order and every IP text is four numbers: then a new row
    // can go straight to its place, which is where sorting would put it. An IP text that
    // changes afterwards (an update, an edit in place) may break the order, and the next
    // insertion sorts the whole table as before.
    bool rowsInPlainOrder = true;
    // One console line per filling tells that devices were left out.
    bool toldTableFull = false;
    bool toldQueueFull = false;
};
