#include "ui/mainwindow.h"

#include "base/consoleline.h"
#include "base/logging.h"
#include "net/localinterfaces.h"
#include "net/netscanner.h"
#include "net/reversepathfilter.h"
#include "protocol/discovery.h"
#include "protocol/kvframe.h"
#include "ui/devicetable.h"
#include "ui/modifyipdialog.h"
#include "ui/protocolhandlers.h"
#include "ui/sharedstyles.h"
#include "ui/windowguard.h"
#include "ui_mainwindow.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <thread>
#include <utility>

namespace {

// The gateway offered for a device that reports none: host 1 of the local network, worked
// out once and kept for the rest of the process.
QString defaultGateway;

} // namespace

mainwindow::mainwindow(QWidget* parent)
    : mainwindow(parent, brenmoor::net::systemIfaddrs(), ScanActions())
{
}

mainwindow::mainwindow(QWidget* parent, const brenmoor::net::IfaddrsSource& hostInterfaces, ScanActions scan)
    : QWidget(parent)
    , jsonEndpoint(hostInterfaces)
    , kvEndpoint(hostInterfaces)
    , interfaces(hostInterfaces)
    , scanActions(std::move(scan))
    , ui(new Ui::mainwindow)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);

    jsonEndpoint.Init(21088, 21089, [this](const std::string& ip, const unsigned char* bytes, size_t len) {
        receiveFunSelf(ip, bytes, len);
    });
    kvEndpoint.Init(52380, 52380, [this](const std::string& ip, const unsigned char* bytes, size_t len) {
        receiveFunVisca(ip, bytes, len);
    });
    connect(&inboxWakeUp, &GuiWakeUp::woken, this, &mainwindow::takeInbox);
    // Runs on the receive thread that emits (which holds the window guard, so the window is
    // alive); the GUI thread is woken only when the inbox was empty.
    connect(
        this, &mainwindow::sigAddDeivce, this,
        [this](QString MAC, QString IP, QString submask, QString gateway, QString name, int type) {
            bool wake = false;
            bool overflow = false;
            {
                std::lock_guard<std::mutex> lock(inboxLock);
                wake = incomingDevices.empty();
                // A flood of replies must not grow the inbox without bound while the GUI
                // thread is busy.
                if (incomingDevices.size() < kMaxQueuedRecords)
                    incomingDevices.push_back({MAC, IP, submask, gateway, name, type});
                else
                    overflow = !std::exchange(inboxOverflowTold, true);
            }
            if (overflow)
                brenmoor::console::printLine(queueFullLine());
            if (wake)
                inboxWakeUp.wake();
        },
        Qt::DirectConnection);
    DeviceTableWidget* table = ui->tableWidget;
    table->setInsertion([this](const DeviceRecord& record) {
        addDevice(record.mac, record.ip, record.submask, record.gateway, record.name, record.type);
    });
    connect(table, &DeviceTableWidget::modifyRequested, this, &mainwindow::openModify);
    connect(table, &DeviceTableWidget::webPageRequested, this, &mainwindow::openWebPage);
    connect(table, &DeviceTableWidget::rowCountChanged, this,
            [this](int rows) { ui->pushButton_16->setText(tr("Device:") + QString::number(rows)); });
    QTimer::singleShot(100, Qt::PreciseTimer, this, [this] { applyDeferredTableSetup(); });
    brenmoor::ui::setMainWindow(this);

    // Fills the neighbour table early, so the first Search reads a warm one.
    workers.start("start-up scan", [&source = this->interfaces, actions = this->scanActions, cancel = workers.cancelToken()] {
        searchDeviceOneTime(source, actions, cancel);
    });
}

mainwindow::~mainwindow()
{
    // From here on no worker or receive thread can reach the window; one already inside a
    // call holds the lock, and this waits for it.
    brenmoor::ui::setMainWindow(nullptr);
    // Scans stop within a probe's time; senders and web openers are short. The wait is
    // bounded, so a worker stuck in the system cannot hold the close.
    workers.cancel();
    workers.waitIdle(std::chrono::milliseconds(1500));
    delete ui;
    ui = nullptr;
    kvEndpoint.Stop();
    jsonEndpoint.Stop();
}

void mainwindow::receiveFunSelf(const std::string& ip, const unsigned char* bytes, size_t len)
{
    udpReceiveFun(ip, bytes, static_cast<int>(len));
}

void mainwindow::receiveFunVisca(const std::string& ip, const unsigned char* bytes, size_t len)
{
    udpReceiveFun_visca(ip, const_cast<char*>(reinterpret_cast<const char*>(bytes)), static_cast<int>(len));
}

void mainwindow::applyDeferredTableSetup()
{
    QTableWidget* table = ui->tableWidget;
    table->setStyleSheet(styleSheet_QTableWidget_2);
    table->horizontalHeader()->setFixedHeight(60);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->horizontalHeader()->setStretchLastSection(false);
    applyColumnWidths(table);
}

void mainwindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyColumnWidths(ui->tableWidget);
}

void mainwindow::openModify(int rowId)
{
    DeviceTableWidget* table = ui->tableWidget;
    const int row = findNewRowFromOldRow(rowId, table);
    if (row < 0)
        return;
    auto* dialog = new modifyIPDialog(this);
    const LocalMacIp local = getloacMacIp(interfaces);
    dialog->SetMac(table->item(row, 1)->text());
    dialog->SetIP(table->item(row, 2)->text());
    dialog->SetName(table->item(row, 0)->text());
    const QString submask = table->item(row, 3)->text();
    QString gateway = table->item(row, 4)->text();
    if (gateway.isEmpty()) {
        if (defaultGateway.isEmpty())
            defaultGateway = QString::fromStdString(ipTo1(local.ip));
        gateway = defaultGateway;
    }
    dialog->Setsubmask(submask);
    dialog->Setgateway(gateway);
    dialog->move(dialogPosition(geometry(), dialog->geometry()));
    dialog->show();

    // The update follows the device: the row is looked up again by its id at Confirm, and
    // only within the same filling of the table.
    const int filling = table->filling();
    connect(
        dialog, &modifyIPDialog::setNetParam, dialog,
        [this, rowId, filling](QString, QString ip, QString newSubmask, QString newGateway, QString name) {
            // The settings go out right after this: through the ports the host has now.
            refreshEndpoints();
            ui->tableWidget->updateRow(filling, rowId, ip, newSubmask, newGateway, name);
        },
        Qt::DirectConnection);
}

void mainwindow::openWebPage(int rowId, const QString& createdIp)
{
    const int row = findNewRowFromOldRow(rowId, ui->tableWidget);
    if (row < 0)
        return;
    const QString shownIp = ui->tableWidget->item(row, 2)->text();
    workers.start("web page", [shownIp, createdIp] {
        const QUrl url(QStringLiteral("http://") + shownIp, QUrl::TolerantMode);
        const bool opened = QDesktopServices::openUrl(url);
        BM_LOG_INFO("open {} {}", createdIp.toStdString(), opened);
    });
}

void mainwindow::addDevice(QString MAC, QString IP, QString submask, QString gateway, QString name, int type)
{
    BM_LOG_INFO("add mac{} ip{} sub{} gate{} name {} type {}", MAC.toStdString(), IP.toStdString(),
                submask.toStdString(), gateway.toStdString(), name.toStdString(), type);
    ui->tableWidget->addRecord({MAC, IP, submask, gateway, name, type});
}

void mainwindow::takeInbox()
{
    std::deque<DeviceRecord> arrived;
    std::optional<NeighbourMap> neighbours;
    {
        std::lock_guard<std::mutex> lock(inboxLock);
        arrived.swap(incomingDevices);
        neighbours.swap(incomingNeighbours);
    }
    ui->tableWidget->enqueue(std::move(arrived));
    if (neighbours)
        checkConflicts(*neighbours);
}

void mainwindow::refreshEndpoints()
{
    jsonEndpoint.Refresh();
    kvEndpoint.Refresh();
}

void mainwindow::checkConflicts(const NeighbourMap& neighbours)
{
    const int count = markConflicts(ui->tableWidget, neighbours);
    ui->pushButton_15->setText(tr("Conflicts:") + QString::number(count));
}

void mainwindow::on_pushButton_14_clicked()
{
    if (searchBusy)
        return;
    ui->tableWidget->startFilling();
    // Replies that came before the press belong to the table just emptied.
    {
        std::lock_guard<std::mutex> lock(inboxLock);
        incomingDevices.clear();
        incomingNeighbours.reset();
        inboxOverflowTold = false;
    }
    // Busy from the press on, not only once the worker runs: a double click must not start
    // a second search.
    searchBusy = true;

    // Replies the kernel drops never reach us: the count of them before and after the sweep
    // is all that tells.
    auto drops = std::make_shared<const brenmoor::net::ReversePathDropWatch>();
    const bool started = workers.start("neighbour scan", [&source = interfaces, actions = scanActions,
                                                          cancel = workers.cancelToken(), drops] {
        withMainWindow([](mainwindow& window) { window.searchBusy = true; });
        struct Done
        {
            ~Done() { withMainWindow([](mainwindow& window) { window.searchBusy = false; }); }
        } done;
        if (cancel->sleepFor(std::chrono::milliseconds(200)))
            return; // the window is closing
        const NeighbourMap neighbours = searchDeviceOneTime(source, actions, cancel);
        if (cancel->cancelled())
            return;
        drops->report(source);
        if (neighbours.empty())
            return;
        withMainWindow([&](mainwindow& window) {
            {
                std::lock_guard<std::mutex> lock(window.inboxLock);
                window.incomingNeighbours = neighbours;
            }
            window.inboxWakeUp.wake();
        });
    });
    if (!started)
        searchBusy = false;

    // A port that came up since start-up (a cable, a DHCP lease) is searched too, and one
    // that went away is no longer sent through.
    refreshEndpoints();
    workers.start("discovery", [] {
        sendDiscoveryRequest([](const std::string& ip, const unsigned char* bytes, size_t len) {
            bool sent = false;
            withMainWindow([&](mainwindow& window) { sent = window.jsonEndpoint.Send(ip, bytes, len); });
            return sent;
        }, getLocalID());
    });
    workers.start("key-value discovery", [] {
        const std::string& request = kvDiscoveryRequest();
        withMainWindow([&](mainwindow& window) {
            window.kvEndpoint.Send("255.255.255.255", reinterpret_cast<const unsigned char*>(request.data()),
                                   request.size());
        });
    });
}
