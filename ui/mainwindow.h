#pragma once
// The device list window: two counters, the Search button and the seven-column device
// table. It drives a discovery session (the endpoints, the requests, the replies' inbox) and
// shows the session's devices in its table.

#include "base/workergroup.h"
#include "core/addressassignment.h"
#include "core/changeverifier.h"
#include "core/discoverysession.h"
#include "core/guiwakeup.h"
#include "net/ifaddrssource.h"
#include "net/neighbourmap.h"
#include "net/netscanner.h"
#include "ui/devicetablewidget.h"

#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <mutex>
#include <memory>
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

    // The endpoints' receive callbacks, on their receive threads: the reply handlers, whose
    // devices this window's signal carries.
    void receiveFunSelf(const std::string& ip, const unsigned char* bytes, size_t len);
    void receiveFunVisca(const std::string& ip, const unsigned char* bytes, size_t len);

    // The neighbours this Search's scan found: rows whose IP they show under another MAC are
    // marked and counted, once the records waiting for the table are in, and again for rows
    // that come later in the same Search; the Search is then over. Rows that answer from one
    // IP under different MACs are marked as they come, sweep or not. GUI thread.
    void checkConflicts(const NeighbourMap& neighbours);

    // The session the window's senders go through; shared, so a sender on another thread can
    // finish its send after letting go of the window.
    std::shared_ptr<DiscoverySession> session() const { return discovery; }

    // True from a press of Search until its sweep's conflicts are judged; Search says so and
    // does nothing meanwhile.
    std::atomic<bool> searchBusy{false};

    // Writes the list, as brenmoor-cli discover prints it, to `path`: JSON when its name ends
    // in .json, otherwise CSV. False (after saying why on the console) when it cannot.
    bool exportTo(const QString& path);

signals:
    // A change sent to the device `mac` settled: it answers at its new address, or did not in time.
    void changeSettled(QString mac, bool verified);
    void sigAddDeivce(QString MAC, QString IP, QString submask, QString gateway, QString name, int type);

public slots:
    void addDevice(QString MAC, QString IP, QString submask, QString gateway, QString name, int type);
    void on_pushButton_14_clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyDeferredTableSetup();
    // Row actions, given the row's id (and, for the web page, the IP the row was created with).
    void openModify(int rowId);
    void openWebPage(int rowId, const QString& createdIp);
    // GUI thread: takes what the receive and scan threads left in the session's inbox.
    void takeInbox();
    // Judges the rows listed since the last judgement of this Search.
    void judgeNewRows();
    void setSearchBusy(bool busy);
    // The top bar's Filter, Export and Assign Addresses.
    void buildTopBarTools();
    void openAssign();
    void sendAssignment(const AssignmentPlan& plan);
    void chooseExportFile();
    // A change just sent: the row shows it as pending (unless `showInRow` is false: the row is
    // from a later Search), and Search asks again until the device answers at its new
    // address or the verifier's time runs out.
    void verifyChange(const DeviceRecord& before, const QString& ip, const QString& submask, const QString& gateway,
                      const QString& name, bool showInRow = true);
    void askAgain();
    void settleChange(const ChangeVerifier::Outcome& outcome);
    void showConflictCount();
    // Under the counters: what this Search could not see (the ARP helper's fallback), the
    // proxies it named and the replies this computer dropped.
    void showSearchNotes();
    // Says, on the console and under the counters, which reply port another program holds.
    void showPortHolders();

    // What the window's scans and endpoints see of the host.
    const brenmoor::net::IfaddrsSource& interfaces;
    const ScanActions scanActions;
    GuiWakeUp inboxWakeUp;
    std::shared_ptr<DiscoverySession> discovery;
    Ui::mainwindow* ui;
    WorkerGroup workers;

    // This Search's neighbours, once the scan has found them, and how far they were applied.
    std::optional<NeighbourMap> searchNeighbours;
    int judgedRows = 0;  // rows with a smaller row id have been judged against the neighbours
    int conflictCount = 0;
    class QLabel* portWarning = nullptr;
    class QLabel* searchNote = nullptr;
    unsigned searchNumber = 0;
    // The sweep's word on how it asked, left by its worker for the Search it belongs to.
    std::mutex sweepNoteLock;
    std::pair<unsigned, std::optional<std::string>> sweepNote;
    std::optional<std::string> arpFallbackNote; // this Search's
    bool arpFallbackSaid = false;               // on the console, once per window
    std::vector<ArpProxy> proxies;              // named this Search
    std::string dropNote;
    class QPushButton* assignButton = nullptr;
    class QPushButton* exportButton = nullptr;
    class QLineEdit* filterEdit = nullptr;
    QPointer<class AssignAddressesPanel> assignPanel;

    // Changes sent and not yet settled, and the device as it was before each (by normal MAC).
    ChangeVerifier verifier;
    QHash<QString, DeviceRecord> changedFrom;
    QTimer verifyTimer;
};
