#include "mainwindow.h"

#include "devicetable.h"
#include "discovery.h"
#include "kvframe.h"
#include "localinterfaces.h"
#include "logging.h"
#include "modifyipdialog.h"
#include "netscanner.h"
#include "protocolhandlers.h"
#include "sharedstyles.h"
#include "ui_mainwindow.h"
#include "windowguard.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <QUrl>
#include <chrono>
#include <thread>

namespace {

// The gateway offered for a device that reports none: host 1 of the local network, worked
// out once and kept for the rest of the process.
QString defaultGateway;

} // namespace

mainwindow::mainwindow(QWidget* parent)
    : mainwindow(parent, brenmoor::net::systemIfaddrs(), ScanActions())
{
}

mainwindow::mainwindow(QWidget* parent, const brenmoor::net::IfaddrsSource& interfaces, ScanActions scanActions)
    : QWidget(parent)
    , jsonEndpoint(interfaces)
    , kvEndpoint(interfaces)
    , interfaces(interfaces)
    , scanActions(std::move(scanActions))
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
    pendingDevicesTimer.setSingleShot(true);
    connect(&pendingDevicesTimer, &QTimer::timeout, this, &mainwindow::addPendingDevices);
    // Runs on the receive thread that emits (which holds the window guard, so the window is
    // alive); the GUI thread is woken only when the inbox was empty.
    connect(
        this, &mainwindow::sigAddDeivce, this,
        [this](QString MAC, QString IP, QString submask, QString gateway, QString name, int type) {
            bool wake = false;
            {
                std::lock_guard<std::mutex> lock(inboxLock);
                wake = incomingDevices.empty();
                incomingDevices.push_back({MAC, IP, submask, gateway, name, type});
            }
            if (wake)
                inboxWakeUp.wake();
        },
        Qt::DirectConnection);
    connect(ui->tableWidget, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == 2)
            rowsInPlainOrder = false;
    });
    QTimer::singleShot(100, Qt::PreciseTimer, this, [this] { applyDeferredTableSetup(); });
    connect(ui->tableWidget->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { ensureRowButtons(); });
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
    ensureRowButtons(); // a taller window shows more rows
}

QWidget* mainwindow::makeRowButton(const QString& text, int width, std::function<void()> onClick)
{
    auto* button = new QPushButton(QStringLiteral("Button"));
    button->setFixedSize(width, 40);
    QWidget* cell = makeCenteredCell(button);
    button->setStyleSheet(buttonBluePushButton);
    button->setText(text);
    connect(button, &QPushButton::clicked, this, std::move(onClick));
    return cell;
}

void mainwindow::openModify(int rowId)
{
    QTableWidget* table = ui->tableWidget;
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
    const int generation = tableGeneration;
    connect(
        dialog, &modifyIPDialog::setNetParam, dialog,
        [this, rowId, generation](QString, QString ip, QString newSubmask, QString newGateway, QString name) {
            // The settings go out right after this: through the ports the host has now.
            refreshEndpoints();
            if (generation != tableGeneration)
                return;
            QTableWidget* rows = ui->tableWidget;
            const int current = findNewRowFromOldRow(rowId, rows);
            if (current < 0)
                return;
            rows->item(current, 2)->setText(ip);
            rows->item(current, 3)->setText(newSubmask);
            rows->item(current, 4)->setText(newGateway);
            rows->item(current, 0)->setText(name);
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
    QTableWidget* table = ui->tableWidget;
    table->setShowGrid(false);

    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* macItem = table->item(row, 1);
        if (!macItem || !isSameMac(macItem->text(), MAC))
            continue;
        // A JSON record never overrides a listed device; a key-value record refreshes it in place.
        if (type == 0)
            return;
        table->item(row, 1)->setText(MAC);
        table->item(row, 2)->setText(IP);
        table->item(row, 3)->setText(submask);
        table->item(row, 4)->setText(gateway);
        table->item(row, 0)->setText(name);
        return;
    }

    const int rowId = table->rowCount();
    auto* ipItem = new IpAddressItem(IP);
    ipItem->setTextAlignment(Qt::AlignCenter);
    ipItem->setData(kRowIdRole, rowId);
    ipItem->setData(kCreatedIpRole, IP);
    // Straight to its place when the order is plain; otherwise appended and the whole table
    // sorted. Both give the order a stable sort by IP gives.
    const bool direct = rowsInPlainOrder && ipItem->isPlainAddress();
    const int row = direct ? sortedInsertionRow(table, *ipItem) : rowId;
    const bool wasPlain = rowsInPlainOrder;
    table->insertRow(row);
    const auto centred = [](const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(Qt::AlignCenter);
        return item;
    };
    table->setItem(row, 0, centred(name));
    table->setItem(row, 1, centred(MAC));
    table->setItem(row, 2, ipItem);
    table->setItem(row, 3, centred(submask));
    table->setItem(row, 4, centred(gateway));
    rowsInPlainOrder = wasPlain; // setting the new row's own items is no change of order
    table->setRowHeight(row, 80);
    if (!direct) {
        table->sortItems(2, Qt::AscendingOrder);
        rowsInPlainOrder = true;
        for (int r = 0; r < table->rowCount() && rowsInPlainOrder; ++r) {
            const auto* item = dynamic_cast<const IpAddressItem*>(table->item(r, 2));
            rowsInPlainOrder = item && item->isPlainAddress();
        }
    }
    ensureRowButtons();
    ui->pushButton_16->setText(tr("Device:") + QString::number(table->rowCount()));
}

void mainwindow::ensureRowButtons(int row)
{
    QTableWidget* table = ui->tableWidget;
    const QTableWidgetItem* ipItem = table->item(row, 2);
    if (!ipItem || table->cellWidget(row, 5))
        return;
    const int rowId = ipItem->data(kRowIdRole).toInt();
    const QString createdIp = ipItem->data(kCreatedIpRole).toString();
    table->setCellWidget(row, 5, makeRowButton(tr("Modify"), 80, [this, rowId] { openModify(rowId); }));
    table->setCellWidget(row, 6, makeRowButton(tr("Access Web"), 120, [this, rowId, createdIp] { openWebPage(rowId, createdIp); }));
}

void mainwindow::ensureRowButtons()
{
    QTableWidget* table = ui->tableWidget;
    const int rows = table->rowCount();
    int first = 0;
    int last = rows - 1;
    if (rows > 64) {
        constexpr int kAhead = 8; // rows beyond the visible ones, so scrolling shows no gap
        const int top = table->rowAt(0);
        const int bottom = table->rowAt(table->viewport()->height() - 1);
        first = std::max(0, (top < 0 ? 0 : top) - kAhead);
        last = std::min(rows - 1, (bottom < 0 ? rows - 1 : bottom) + kAhead);
    }
    for (int row = first; row <= last; ++row)
        ensureRowButtons(row);
}

void mainwindow::addPendingDevices()
{
    constexpr qint64 kSliceNanoseconds = 20'000'000;
    QElapsedTimer slice;
    slice.start();
    while (!pendingDevices.empty() && slice.nsecsElapsed() < kSliceNanoseconds) {
        const DeviceRecord record = std::move(pendingDevices.front());
        pendingDevices.pop_front();
        addDevice(record.mac, record.ip, record.submask, record.gateway, record.name, record.type);
    }
    if (!pendingDevices.empty())
        pendingDevicesTimer.start(0); // the rest after the event loop has had its turn
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
    for (DeviceRecord& record : arrived)
        pendingDevices.push_back(std::move(record));
    if (!pendingDevices.empty() && !pendingDevicesTimer.isActive())
        pendingDevicesTimer.start(0);
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
    ui->tableWidget->setRowCount(0);
    // Replies that came before the press belong to the table just emptied.
    {
        std::lock_guard<std::mutex> lock(inboxLock);
        incomingDevices.clear();
        incomingNeighbours.reset();
    }
    pendingDevices.clear();
    ++tableGeneration;
    rowsInPlainOrder = true;
    // Busy from the press on, not only once the worker runs: a double click must not start
    // a second search.
    searchBusy = true;

    const bool started = workers.start("neighbour scan", [&source = interfaces, actions = scanActions,
                                                          cancel = workers.cancelToken()] {
        withMainWindow([](mainwindow& window) { window.searchBusy = true; });
        struct Done
        {
            ~Done() { withMainWindow([](mainwindow& window) { window.searchBusy = false; }); }
        } done;
        if (cancel->sleepFor(std::chrono::milliseconds(200)))
            return; // the window is closing
        const NeighbourMap neighbours = searchDeviceOneTime(source, actions, cancel);
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

    ui->pushButton_16->setText(tr("Device:") + QStringLiteral("0"));

    // A port that came up since start-up (a cable, a DHCP lease) is searched too, and one
    // that went away is no longer sent through.
    refreshEndpoints();
    workers.start("discovery", [] {
        sendDiscoveryRequest([](const std::string& ip, const unsigned char* bytes, size_t len) {
            bool sent = false;
            withMainWindow([&](mainwindow& window) { sent = window.jsonEndpoint.Send(ip, bytes, len); });
            return sent;
        });
    });
    workers.start("key-value discovery", [] {
        const std::string& request = kvDiscoveryRequest();
        withMainWindow([&](mainwindow& window) {
            window.kvEndpoint.Send("255.255.255.255", reinterpret_cast<const unsigned char*>(request.data()),
                                   request.size());
        });
    });
}
