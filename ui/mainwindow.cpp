#include "ui/mainwindow.h"

#include "base/consoleline.h"
#include "base/logging.h"
#include "core/addresscheck.h"
#include "core/firewallhint.h"
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
#include <QLabel>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <utility>

namespace {

const char* const kSweepRunning = "Searching: the neighbour sweep runs and the conflicts are judged (about 2 s)";

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
    connect(table, &DeviceTableWidget::drained, this, &mainwindow::judgeNewRows);
    QTimer::singleShot(100, Qt::PreciseTimer, this, [this] { applyDeferredTableSetup(); });
    brenmoor::ui::setMainWindow(this);

    // A Search that is still running shows as a dimmed button (its tooltip says why).
    ui->pushButton_14->setStyleSheet(ui->pushButton_14->styleSheet()
                                     + QStringLiteral("QPushButton:disabled{background:#3a3a4a;color:rgba(227,227,227,0.45);}"));

    // Under the counters: which reply port another program holds, when one does.
    portWarning = new QLabel(this);
    portWarning->setObjectName(QStringLiteral("portWarning"));
    portWarning->setWordWrap(true);
    portWarning->setStyleSheet(QStringLiteral("color: rgb(250, 180, 80); font-size: 14px; padding: 2px 8px;"));
    portWarning->hide();
    ui->verticalLayout->insertWidget(1, portWarning);
    showPortHolders();
    // No sweep at start-up: the kernel would hold what it found as stale by the first Search,
    // and a stale entry is no evidence.
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
    // Host 1 of the local network, from the local record as the interfaces are now.
    if (gateway.isEmpty())
        gateway = QString::fromStdString(ipTo1(local.ip));
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
    if (taken.neighbours)
        checkConflicts(*taken.neighbours);
    else if (!ui->tableWidget->hasPending())
        judgeNewRows();
}

void mainwindow::checkConflicts(const NeighbourMap& neighbours)
{
    searchNeighbours = neighbours;
    judgedRows = 0;
    // Records still waiting for the table would never be compared: judge once they are in.
    if (!ui->tableWidget->hasPending())
        judgeNewRows();
}

void mainwindow::judgeNewRows()
{
    DeviceTableWidget* table = ui->tableWidget;
    conflictCount += table->markConflicts(searchNeighbours ? &*searchNeighbours : nullptr, judgedRows);
    if (searchNeighbours) {
        judgedRows = table->devices().size();
        setSearchBusy(false); // the sweep's conflicts are judged: the Search is over
    }
    ui->pushButton_15->setText(tr("Conflicts:") + QString::number(conflictCount));
}

void mainwindow::setSearchBusy(bool busy)
{
    searchBusy = busy;
    QPushButton* search = ui->pushButton_14;
    search->setEnabled(!busy);
    search->setToolTip(busy ? tr(kSweepRunning) : QString());
}

void mainwindow::showPortHolders()
{
    const std::vector<std::string> lines = discovery->portHolderLines();
    QString text;
    for (const std::string& line : lines) {
        brenmoor::console::printErrorLine(line);
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + QString::fromStdString(line);
    }
    portWarning->setText(text);
    portWarning->setVisible(!text.isEmpty());
    ui->pushButton_16->setToolTip(text);
}

void mainwindow::on_pushButton_14_clicked()
{
    if (searchBusy) {
        brenmoor::console::printLine("Search pressed while the last one still runs: " + std::string(kSweepRunning));
        return;
    }
    ui->tableWidget->startFilling();
    // Replies that came before the press belong to the table just emptied.
    const unsigned number = discovery->beginSearch();
    searchNeighbours.reset();
    judgedRows = 0;
    conflictCount = 0;
    // Busy from the press on, not only once the worker runs: a double click must not start
    // a second search.
    setSearchBusy(true);

    // A port that came up since start-up (a cable, a DHCP lease) is searched too, one that
    // went away is no longer sent through, and an endpoint whose port was held starts now.
    discovery->refresh();
    showPortHolders();

    // Replies the kernel drops never reach us: the count of them before and after the sweep
    // is all that tells.
    auto drops = std::make_shared<const brenmoor::net::ReversePathDropWatch>();
    ScanActions actions = scanActions;
    actions.searchBegan = std::chrono::steady_clock::now();
    actions.listed = [session = std::weak_ptr<DiscoverySession>(discovery)] {
        const auto alive = session.lock();
        return alive ? alive->addressesHeard() : std::vector<std::string>{};
    };
    const bool started = workers.start("neighbour scan", [&source = interfaces, actions, session = discovery,
                                                          cancel = workers.cancelToken(), drops, number] {
        if (cancel->sleepFor(std::chrono::milliseconds(200)))
            return; // the window is closing
        sweepNetworks(source, actions, cancel, [&](SweepResult swept, bool late) {
            if (!late) {
                for (const std::string& line : firewallHintLines(swept.swept, session->repliesByInterface()))
                    brenmoor::console::printLine(line);
                drops->report(source);
            }
            // Posted even when empty: the Search ends when the window has judged it. The
            // kernel's later evidence is judged again when it comes.
            withMainWindow([&](mainwindow& window) {
                window.discovery->deliverNeighbours(std::move(swept.neighbours), number);
            });
        });
    });
    if (!started)
        setSearchBusy(false);

    workers.start("discovery", [session = discovery] { session->sendJsonDiscovery(); });
    workers.start("key-value discovery", [session = discovery] { session->sendKvDiscovery(); });
}
