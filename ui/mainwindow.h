#pragma once
// The device list window: two counters, the Search button and the seven-column device
// table. It drives a discovery session (the endpoints, the requests, the replies' inbox) and
// shows the session's devices in its table.

#include "base/workergroup.h"
#include "core/addressassignment.h"
#include "core/changerun.h"
#include "core/discoverysession.h"
#include "core/searchrun.h"
#include "core/sitecompare.h"
#include "core/workhandoff.h"
#include "core/guiwakeup.h"
#include "net/ifaddrssource.h"
#include "net/neighbourmap.h"
#include "net/netscanner.h"
#include "ui/devicetablewidget.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <atomic>
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
    bool exportTo(const QString& path, DeviceFormat format);
    // Writes the list as a site record to `path` (whole or not at all); false after saying why.
    bool saveSite(const QString& path);
    // Loads the site record at `path` as the baseline every Search is compared with, and
    // remembers it for the next start; false (after saying why, the last baseline kept) when
    // it is none.
    bool compareWith(const QString& path);
    void stopComparing();

signals:
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
    void chooseExportFile();
    void chooseSiteFile(bool save);
    // Under the counters, with a baseline: which record, and what is new, missing, changed.
    void buildSiteBar();
    void showSiteCounts();
    // A change run over the window's session and list; the window keeps it until it ends and
    // feeds it every record taken.
    ChangeRun* startChange(ChangeRun::Options options);
    void changeSent(const PlannedChange& change);
    void changeSettled(const ChangeOutcome& outcome);
    // A new search run, the one the window judges against from now on.
    void newSearchRun(bool sweep);
    void showConflictCount();
    // Under the counters: what this Search could not see (the ARP helper's fallback), the
    // proxies it named and the replies this computer dropped.
    void showSearchNotes();
    // Says, on the console and under the counters, which reply port another program holds.
    void showPortHolders();
    // Under the counters: the port holders, then the failures reported since the last Search.
    void showHint();

    // What the window's scans and endpoints see of the host.
    const brenmoor::net::IfaddrsSource& interfaces;
    const ScanActions scanActions;
    GuiWakeUp inboxWakeUp;
    std::shared_ptr<DiscoverySession> discovery;
    Ui::mainwindow* ui;
    WorkerGroup workers;

    // This Search (or, before the first, a run that only judges).
    SearchRun* searchRun = nullptr;
    int conflictCount = 0;
    class QLabel* portWarning = nullptr;
    QString portHolders;  // what showPortHolders last found
    QStringList reported; // failures reported since the last Search, each once
    class QLabel* searchNote = nullptr;
    bool arpFallbackSaid = false; // on the console, once per window
    class QPushButton* assignButton = nullptr;
    class QPushButton* exportButton = nullptr;
    class QLineEdit* filterEdit = nullptr;
    QPointer<class AssignAddressesPanel> assignPanel;
    class QPushButton* siteButton = nullptr;
    class QWidget* siteBar = nullptr;
    class QLabel* siteLabel = nullptr;
    class QPushButton* newCount = nullptr;
    class QPushButton* missingCount = nullptr;
    class QPushButton* changedCount = nullptr;
    std::unique_ptr<SiteBaseline> baseline;
    // The registry of makers, read once on a worker; the table names makers once it is in.
    WorkHandoff<bool> makersRead;

    // Change runs still going (Modify panels, Assign Addresses).
    std::vector<QPointer<ChangeRun>> changeRuns;
};
