#pragma once
// The device list window: two counters, the Search button and the seven-column device
// table; it owns the two protocol endpoints and runs the search.

#include "base/workergroup.h"
#include "core/wakeup.h"
#include "net/ifaddrssource.h"
#include "net/neighbourmap.h"
#include "net/netscanner.h"
#include "net/udpmultinic.h"
#include "ui/devicetablewidget.h"

#include <QWidget>
#include <atomic>
#include <deque>
#include <mutex>
#include <optional>

namespace Ui {
class mainwindow;
}

class mainwindow : public QWidget
{
    Q_OBJECT

public:
    explicit mainwindow(QWidget* parent = nullptr);
    // With the interfaces and the neighbour scan given (tests: a window that sends nothing
    // and needs neither root nor the lab). `interfaces` must outlive the window.
    mainwindow(QWidget* parent, const brenmoor::net::IfaddrsSource& interfaces, ScanActions scanActions);
    ~mainwindow() override;

    // The endpoints' receive callbacks (on their receive threads).
    void receiveFunSelf(const std::string& ip, const unsigned char* bytes, size_t len);
    void receiveFunVisca(const std::string& ip, const unsigned char* bytes, size_t len);

    // Marks conflicting rows and sets the conflict counter; GUI thread.
    void checkConflicts(const NeighbourMap& neighbours);

    std::atomic<bool> searchBusy{false}; // true while a search's neighbour scan runs
    UDPMultiNIC jsonEndpoint;            // requests to port 21088, replies on 21089
    UDPMultiNIC kvEndpoint;              // port 52380 both ways

signals:
    void sigAddDeivce(QString MAC, QString IP, QString submask, QString gateway, QString name, int type);

public slots:
    void addDevice(QString MAC, QString IP, QString submask, QString gateway, QString name, int type);
    void on_pushButton_14_clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;


private:
    void applyDeferredTableSetup();
    // Re-initialises the endpoints whose interfaces changed since they were initialised.
    void refreshEndpoints();
    // Row actions, given the row's id (and, for the web page, the IP the row was created with).
    void openModify(int rowId);
    void openWebPage(int rowId, const QString& createdIp);
    // GUI thread: takes what the receive and scan threads left in the inbox.
    void takeInbox();

    // What the receive and scan threads hand to the GUI thread travels here, under a lock of
    // our own, and the wake-up carries nothing. Qt's event queue would order it just as well,
    // but its lock is invisible to the thread sanitizer (Qt is not built with it), which then
    // reports races that are none, and suppressing those hides real ones.
    std::mutex inboxLock;
    GuiWakeUp inboxWakeUp;
    std::deque<DeviceRecord> incomingDevices;
    bool inboxOverflowTold = false; // under inboxLock; once per Search
    std::optional<NeighbourMap> incomingNeighbours;

    // What the window's scans and endpoints see of the host.
    const brenmoor::net::IfaddrsSource& interfaces;
    const ScanActions scanActions;
    Ui::mainwindow* ui;
    WorkerGroup workers;
};
