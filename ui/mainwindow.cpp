#include "ui/mainwindow.h"

#include "base/consoleline.h"
#include "base/logging.h"
#include "core/addresscheck.h"
#include "core/arpfallback.h"
#include "core/firewallhint.h"
#include "net/localinterfaces.h"
#include "net/netscanner.h"
#include "net/reversepathfilter.h"
#include "core/deviceformat.h"
#include "core/macaddress.h"
#include "ui/assignaddressespanel.h"
#include "ui/devicetable.h"
#include "ui/modifyipdialog.h"
#include "ui/sharedstyles.h"
#include "ui/windowguard.h"
#include "ui_mainwindow.h"

#include <QDate>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <utility>

namespace {

const char* const kSweepRunning = "Searching: the neighbour sweep runs and the conflicts are judged (about 1 s)";
// A second request recovers the replies lost in the first burst (the merge by MAC makes a
// repeat harmless); late enough that the first burst has been taken in.
constexpr std::chrono::milliseconds kSecondRequest{300};

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
    // Below it: what the last Search could not see or had to leave out.
    searchNote = new QLabel(this);
    searchNote->setObjectName(QStringLiteral("searchNote"));
    searchNote->setWordWrap(true);
    searchNote->setTextFormat(Qt::PlainText);
    searchNote->setStyleSheet(QStringLiteral("color: rgb(250, 180, 80); font-size: 14px; padding: 2px 8px;"));
    searchNote->hide();
    ui->verticalLayout->insertWidget(2, searchNote);
    showPortHolders();
    buildTopBarTools();
    // A verification asks twice a second: a fleet is verified within a second of moving, and a
    // site of a thousand devices hardly notices.
    verifyTimer.setInterval(500);
    connect(&verifyTimer, &QTimer::timeout, this, &mainwindow::askAgain);
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
    const ListedDevice* device = ui->tableWidget->devices().byRowId(rowId);
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

    // The update follows the device, within the same filling of the table: rows a new Search
    // listed since show what the devices answered then. The verification runs either way.
    const int filling = ui->tableWidget->filling();
    connect(
        dialog, &modifyIPDialog::setNetParam, dialog,
        [this, mac = row.mac, filling](QString, QString ip, QString newSubmask, QString newGateway, QString name) {
            // The settings go out right after this: through the ports the host has now.
            discovery->refresh();
            const std::optional<ListedDevice> now = ui->tableWidget->devices().find(mac);
            DeviceRecord before = now ? now->record : DeviceRecord{};
            before.mac = mac;
            verifyChange(before, ip, newSubmask, newGateway, name, ui->tableWidget->filling() == filling);
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
    // Before the table's merge, which keeps one record per MAC: a JSON reply from the new
    // address of a listed device verifies its change too.
    if (verifier.waiting()) {
        for (const DeviceRecord& record : taken.records)
            if (const auto outcome = verifier.heard(record))
                settleChange(*outcome);
    }
    ui->tableWidget->enqueue(std::move(taken.records));
    if (taken.neighbours) {
        {
            std::lock_guard<std::mutex> lock(sweepNoteLock);
            if (sweepNote.first == searchNumber)
                arpFallbackNote = sweepNote.second;
        }
        if (arpFallbackNote && !std::exchange(arpFallbackSaid, true))
            brenmoor::console::printErrorLine(*arpFallbackNote);
        checkConflicts(*taken.neighbours);
    }
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
    std::vector<ArpProxy> found;
    conflictCount += table->markConflicts(searchNeighbours ? &*searchNeighbours : nullptr, judgedRows, &found);
    for (ArpProxy& proxy : found) {
        const auto known = std::find_if(proxies.begin(), proxies.end(), [&](const ArpProxy& p) { return p.mac == proxy.mac; });
        if (known != proxies.end() && known->addresses == proxy.addresses)
            continue;
        brenmoor::console::printLine(proxyLine(proxy)); // named once, and again when it answers for more
        if (known != proxies.end())
            *known = std::move(proxy);
        else
            proxies.push_back(std::move(proxy));
    }
    if (searchNeighbours) {
        judgedRows = table->devices().size();
        setSearchBusy(false); // the sweep's conflicts are judged: the Search is over
    }
    showConflictCount();
    showSearchNotes();
}

void mainwindow::showSearchNotes()
{
    const size_t dropped = discovery->droppedReplies();
    if (dropped > 0) {
        const std::string line = droppedRepliesLine(dropped, discovery->receiveBufferBytes());
        if (line != dropNote)
            brenmoor::console::printErrorLine(line);
        dropNote = line;
    }
    QStringList lines;
    if (arpFallbackNote)
        lines << QString::fromStdString(*arpFallbackNote);
    for (const ArpProxy& proxy : proxies)
        lines << QString::fromStdString(proxyLine(proxy));
    if (!dropNote.empty())
        lines << QString::fromStdString(dropNote);
    const QString text = lines.join(QLatin1Char('\n'));
    if (searchNote->text() != text)
        searchNote->setText(text);
    searchNote->setVisible(!text.isEmpty());
}

void mainwindow::showConflictCount()
{
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
    searchNumber = number;
    searchNeighbours.reset();
    judgedRows = 0;
    conflictCount = 0;
    arpFallbackNote.reset();
    proxies.clear();
    dropNote.clear();
    showSearchNotes();
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
        SweepResult swept = sweepNetworks(source, actions, cancel);
        if (cancel->cancelled())
            return;
        for (const std::string& line : firewallHintLines(swept.swept, session->repliesByInterface()))
            brenmoor::console::printLine(line);
        drops->report(source);
        std::optional<std::string> fallback = arpFallbackLine(swept.fallback);
        // Posted even when empty: the Search ends when the window has judged it.
        withMainWindow([&](mainwindow& window) {
            {
                std::lock_guard<std::mutex> lock(window.sweepNoteLock);
                window.sweepNote = {number, std::move(fallback)};
            }
            window.discovery->deliverNeighbours(std::move(swept.neighbours), number);
        });
    });
    if (!started)
        setSearchBusy(false);

    workers.start("discovery", [session = discovery, cancel = workers.cancelToken()] {
        session->sendJsonDiscovery();
        if (!cancel->sleepFor(kSecondRequest))
            session->sendJsonDiscovery();
    });
    workers.start("key-value discovery", [session = discovery, cancel = workers.cancelToken()] {
        session->sendKvDiscovery();
        if (!cancel->sleepFor(kSecondRequest))
            session->sendKvDiscovery();
    });
}

void mainwindow::buildTopBarTools()
{
    QGroupBox* bar = ui->groupBox;
    QHBoxLayout* row = ui->horizontalLayout_5;
    const QString buttonStyle = ui->pushButton_14->styleSheet();

    filterEdit = new QLineEdit(bar);
    filterEdit->setObjectName(QStringLiteral("filterEdit"));
    filterEdit->setPlaceholderText(tr("Filter"));
    filterEdit->setToolTip(tr("Show only the devices whose name, MAC or IP holds this text"));
    filterEdit->setClearButtonEnabled(true);
    filterEdit->setFixedSize(180, 50);
    filterEdit->setStyleSheet(QStringLiteral("QLineEdit{background-color:#393939;color:white;border:0px;padding:4px 12px;"
                                             "font-size:18px;border-radius:6px;}"
                                             "QLineEdit:focus{background-color:#494949;}"));
    exportButton = new QPushButton(tr("Export"), bar);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    exportButton->setToolTip(tr("Save every listed device as CSV or JSON"));
    exportButton->setFixedSize(110, 50);
    exportButton->setStyleSheet(buttonStyle);
    assignButton = new QPushButton(tr("Assign Addresses"), bar);
    assignButton->setObjectName(QStringLiteral("assignButton"));
    assignButton->setFixedSize(190, 50);
    assignButton->setStyleSheet(buttonStyle + QStringLiteral("QPushButton{font-size:18px;}"));
    assignButton->setEnabled(false);
    assignButton->setToolTip(tr("Select the rows of the devices first: click, Ctrl+click, Shift+click or Ctrl+A"));

    int at = row->indexOf(ui->pushButton_14);
    for (QWidget* widget : {static_cast<QWidget*>(filterEdit), static_cast<QWidget*>(exportButton),
                            static_cast<QWidget*>(assignButton)}) {
        row->insertWidget(at++, widget);
        row->insertSpacing(at++, 10);
    }

    DeviceTableWidget* table = ui->tableWidget;
    connect(filterEdit, &QLineEdit::textChanged, table, &DeviceTableWidget::setFilter);
    connect(exportButton, &QPushButton::clicked, this, &mainwindow::chooseExportFile);
    connect(assignButton, &QPushButton::clicked, this, &mainwindow::openAssign);
    const auto selectionShown = [this] { assignButton->setEnabled(!ui->tableWidget->selectedRowIds().empty()); };
    connect(table, &DeviceTableWidget::selectedRowsChanged, this, selectionShown);
    connect(table, &DeviceTableWidget::rowCountChanged, this, selectionShown);
}

void mainwindow::openAssign()
{
    if (assignPanel && assignPanel->running()) {
        assignPanel->raise();
        return;
    }
    if (assignPanel)
        assignPanel->deleteLater();
    const DeviceList& list = ui->tableWidget->devices();
    std::vector<AssignedDevice> devices;
    const ListedDevice* first = nullptr; // mask and gateway as Modify offers them for it
    for (const int rowId : ui->tableWidget->selectedRowIds()) {
        if (const ListedDevice* device = list.byRowId(rowId)) {
            devices.push_back({device->record.mac, device->record.name, device->record.ip, {}});
            first = first ? first : device;
        }
    }
    if (!first)
        return;
    QString gateway = first->record.gateway;
    if (gateway.isEmpty())
        gateway = QString::fromStdString(ipTo1(getloacMacIp(interfaces).ip));
    auto use = std::make_shared<AddressUse>(currentAddressUse(interfaces));
    auto planner = [this, use](const std::vector<AssignedDevice>& chosen, const std::string& firstIp,
                               const std::string& mask, const std::string& gatewayIp, bool fresh) {
        if (fresh)
            *use = currentAddressUse(interfaces);
        return planAssignment(chosen, firstIp, mask, gatewayIp, ui->tableWidget->devices(), *use);
    };
    assignPanel = new AssignAddressesPanel(this, std::move(devices), first->record.submask, gateway, planner,
                                           [this](const AssignmentPlan& plan) { sendAssignment(plan); });
    connect(this, &mainwindow::changeSettled, assignPanel.data(), &AssignAddressesPanel::settle);
    assignPanel->move(panelPosition(rect(), assignPanel->size()));
    assignPanel->show();
    assignPanel->raise();
    assignPanel->findChild<QLineEdit*>(QStringLiteral("firstIp"))->setFocus();
}

void mainwindow::sendAssignment(const AssignmentPlan& plan)
{
    // Through the ports the host has now, each device in the panel's order, as Confirm sends.
    discovery->refresh();
    for (const AssignedDevice& device : plan.devices) {
        const std::optional<ListedDevice> listed = ui->tableWidget->devices().find(device.mac);
        DeviceRecord before = listed ? listed->record : DeviceRecord{};
        before.mac = device.mac;
        const QString name = firstCharacters(listed ? listed->record.name : device.name, kNameCharacters);
        const NetworkSettings settings{device.mac.toStdString(), device.newIp, plan.mask, plan.gateway, name.toStdString()};
        if (!discovery->sendSettings(settings))
            brenmoor::console::printLine("[ERROR] " + shownText(device.mac).toStdString()
                                         + ": not sent, no interface could send it");
        verifyChange(before, QString::fromStdString(device.newIp), QString::fromStdString(plan.mask),
                     QString::fromStdString(plan.gateway), name);
    }
    // A selected row paints its text in the selection's colour: the rows' marks (pending,
    // no answer) must show.
    ui->tableWidget->clearSelection();
}

void mainwindow::verifyChange(const DeviceRecord& before, const QString& ip, const QString& submask,
                              const QString& gateway, const QString& name, bool showInRow)
{
    changedFrom.insert(normalMac(before.mac), before);
    if (showInRow) {
        DeviceTableWidget* table = ui->tableWidget;
        table->updateDevice(before.mac, ip, submask, gateway, name);
        table->markIp(before.mac, DeviceTableWidget::IpMark::Pending,
                      tr("Sent %1: waiting for the device to answer there").arg(ip));
    }
    verifier.expect(before.mac, ip.toStdString(), ChangeVerifier::Clock::now());
    if (!verifyTimer.isActive())
        verifyTimer.start();
}

void mainwindow::askAgain()
{
    for (const ChangeVerifier::Outcome& outcome : verifier.expire(ChangeVerifier::Clock::now()))
        settleChange(outcome);
    if (!verifier.waiting()) {
        verifyTimer.stop();
        return;
    }
    // Without emptying the table: the changed devices' rows stay, and so does everything else.
    workers.start("verification", [session = discovery] { session->sendDiscoveryRequests(); });
}

void mainwindow::settleChange(const ChangeVerifier::Outcome& outcome)
{
    brenmoor::console::printLine(outcome.line);
    const DeviceRecord before = changedFrom.take(normalMac(outcome.mac));
    DeviceTableWidget* table = ui->tableWidget;
    if (outcome.verified) {
        // The conflict was judged at the address the device has left.
        if (table->settleIp(outcome.mac)) {
            conflictCount = std::max(0, conflictCount - 1);
            showConflictCount();
        }
    } else {
        QString toolTip = QString::fromStdString(ChangeVerifier::unansweredText(outcome.mac, outcome.ip, verifier.limit()));
        if (!outcome.heardElsewhere.empty()) {
            // It still answers where it was: the row shows that, with what it had there.
            const QString still = outcome.heardElsewhere.back();
            toolTip += tr("; it still answers at %1").arg(shownText(still));
            table->updateDevice(outcome.mac, still, before.submask, before.gateway, before.name);
        }
        table->markIp(outcome.mac, DeviceTableWidget::IpMark::Unanswered, toolTip);
    }
    emit changeSettled(outcome.mac, outcome.verified);
}

void mainwindow::chooseExportFile()
{
    auto* dialog = new QFileDialog(this, tr("Export the device list"));
    dialog->setObjectName(QStringLiteral("exportDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({tr("CSV (*.csv)"), tr("JSON (*.json)")});
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->selectFile(QStringLiteral("devices-%1.csv").arg(QDate::currentDate().toString(Qt::ISODate)));
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(filter.contains(QLatin1String("json")) ? QStringLiteral("json") : QStringLiteral("csv"));
    });
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        if (!exportTo(path))
            QMessageBox::warning(this, tr("Export"), tr("The list could not be written to %1").arg(path));
    });
    dialog->open();
}

bool mainwindow::exportTo(const QString& path)
{
    const DeviceFormat format = path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive) ? DeviceFormat::Json
                                                                                          : DeviceFormat::Csv;
    const std::vector<ListedDevice> devices = ui->tableWidget->devices().inIpOrder();
    const std::string text = formatDevices(devices, format);
    // Whole or not at all: an export cut short by a full disk must not pass for the list.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())
        || !file.commit()) {
        brenmoor::console::printLine("[ERROR] Cannot write " + path.toStdString() + ": " + file.errorString().toStdString());
        return false;
    }
    brenmoor::console::printLine("[OK] Exported " + std::to_string(devices.size())
                                 + (devices.size() == 1 ? " device to " : " devices to ") + path.toStdString());
    return true;
}
