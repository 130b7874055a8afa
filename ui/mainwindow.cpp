#include "ui/mainwindow.h"

#include "base/consoleline.h"
#include "base/logging.h"
#include "core/addresscheck.h"
#include "net/localinterfaces.h"
#include "net/netscanner.h"
#include "net/reversepathfilter.h"
#include "ui/devicetable.h"
#include "ui/modifyipdialog.h"
#include "ui/sharedstyles.h"
#include "ui/windowguard.h"
#include "ui_mainwindow.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QTimer>
#include <QUrl>
#include <chrono>
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
    , interfaces(hostInterfaces)
    , scanActions(std::move(scan))
    , discovery(std::make_shared<DiscoverySession>(hostInterfaces, [wake = &inboxWakeUp] { wake->wake(); }))
    , ui(new Ui::mainwindow)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);

    // Runs on the receive thread that emits: into the session's inbox, the GUI thread woken
    // only when the inbox was empty.
    connect(
        this, &mainwindow::sigAddDeivce, this,
        [session = discovery.get()](QString MAC, QString IP, QString submask, QString gateway, QString name, int type) {
            session->deliver({MAC, IP, submask, gateway, name, type});
        },
        Qt::DirectConnection);
    // The session's receive threads hand every device to this window's signal. The session
    // is stopped first thing in the destructor, so no receive thread outlives the window.
    discovery->start([this](const DeviceRecord& device) {
        emit sigAddDeivce(device.mac, device.ip, device.submask, device.gateway, device.name, device.type);
    });
    connect(&inboxWakeUp, &GuiWakeUp::woken, this, &mainwindow::takeInbox);

    DeviceTableWidget* table = ui->tableWidget;
    table->setInsertion([this](const DeviceRecord& record) {
        addDevice(record.mac, record.ip, record.submask, record.gateway, record.name, record.type);
    });
    connect(table, &DeviceTableWidget::modifyRequested, this, &mainwindow::openModify);
    connect(table, &DeviceTableWidget::webPageRequested, this, &mainwindow::openWebPage);
    connect(table, &DeviceTableWidget::rowCountChanged, this,
            [this](int rows) { ui->pushButton_16->setText(tr("Device:") + QString::number(rows)); });
    connect(table, &DeviceTableWidget::drained, this, [this] {
        if (searchNeighbours)
            judgeNewRows();
    });
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
    discovery->stop();
    // Scans stop within a probe's time; senders and web openers are short. The wait is
    // bounded, so a worker stuck in the system cannot hold the close.
    workers.cancel();
    workers.waitIdle(std::chrono::milliseconds(1500));
    delete ui;
    ui = nullptr;
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
    const ListedDevice* device = table->devices().byRowId(rowId);
    if (!device)
        return;
    auto* dialog = new modifyIPDialog(this);
    const LocalMacIp local = getloacMacIp(interfaces);
    // The panel gets the device's own texts: what goes back to it must be what it sent.
    const DeviceRecord& row = device->record;
    dialog->SetMac(row.mac);
    dialog->SetIP(row.ip);
    dialog->SetName(row.name);
    QString gateway = row.gateway;
    if (gateway.isEmpty()) {
        if (defaultGateway.isEmpty())
            defaultGateway = QString::fromStdString(ipTo1(local.ip));
        gateway = defaultGateway;
    }
    dialog->Setsubmask(row.submask);
    dialog->Setgateway(gateway);
    // An address another device or this computer answers from is refused as Confirm checks
    // it, against the list and the neighbour table as they are at that moment.
    dialog->setAddressCheck([this](const std::string& ip, const QString& mac) {
        return addressInUse(ip, mac, ui->tableWidget->devices(), currentAddressUse(interfaces));
    });
    dialog->move(dialogPosition(geometry(), dialog->geometry()));
    dialog->show();

    // The update follows the device: the row is looked up again by its id at Confirm, and
    // only within the same filling of the table.
    const int filling = table->filling();
    connect(
        dialog, &modifyIPDialog::setNetParam, dialog,
        [this, rowId, filling](QString, QString ip, QString newSubmask, QString newGateway, QString name) {
            // The settings go out right after this: through the ports the host has now.
            discovery->refresh();
            ui->tableWidget->updateRow(filling, rowId, ip, newSubmask, newGateway, name);
        },
        Qt::DirectConnection);
}

void mainwindow::openWebPage(int rowId, const QString& createdIp)
{
    const ListedDevice* device = ui->tableWidget->devices().byRowId(rowId);
    if (!device)
        return;
    const QString shownIp = device->record.ip;
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
    DeviceInbox::Taken taken = discovery->inbox().take();
    if (taken.overflowed)
        brenmoor::console::printLine(queueFullLine());
    ui->tableWidget->enqueue(std::move(taken.records));
    if (taken.neighbours && !taken.neighbours->empty())
        checkConflicts(*taken.neighbours);
}

void mainwindow::checkConflicts(const NeighbourMap& neighbours)
{
    searchNeighbours = neighbours;
    judgedRows = 0;
    conflictCount = 0;
    // Records still waiting for the table would never be compared: judge once they are in.
    if (!ui->tableWidget->hasPending())
        judgeNewRows();
}

void mainwindow::judgeNewRows()
{
    DeviceTableWidget* table = ui->tableWidget;
    conflictCount += table->markConflicts(*searchNeighbours, judgedRows);
    judgedRows = table->devices().size();
    ui->pushButton_15->setText(tr("Conflicts:") + QString::number(conflictCount));
}

void mainwindow::on_pushButton_14_clicked()
{
    if (searchBusy)
        return;
    ui->tableWidget->startFilling();
    // Replies that came before the press belong to the table just emptied.
    discovery->inbox().clear();
    searchNeighbours.reset();
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
        NeighbourMap neighbours = searchDeviceOneTime(source, actions, cancel);
        if (cancel->cancelled())
            return;
        drops->report(source);
        if (neighbours.empty())
            return;
        withMainWindow([&](mainwindow& window) { window.discovery->deliverNeighbours(std::move(neighbours)); });
    });
    if (!started)
        searchBusy = false;

    // A port that came up since start-up (a cable, a DHCP lease) is searched too, and one
    // that went away is no longer sent through.
    discovery->refresh();
    workers.start("discovery", [session = discovery] { session->sendJsonDiscovery(); });
    workers.start("key-value discovery", [session = discovery] { session->sendKvDiscovery(); });
}
