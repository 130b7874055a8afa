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
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <iostream>
#include <system_error>
#include <thread>

namespace {

// Work that may block runs on a thread of its own that nobody joins. A thread that cannot
// be had is reported and the work skipped, instead of an exception in a slot.
template <typename Work>
bool startDetached(const char* what, Work work)
{
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error& e) {
        std::cerr << (std::string("Cannot start the ") + what + " thread: " + e.what() + "\n") << std::flush;
        return false;
    }
}

// The gateway offered for a device that reports none: host 1 of the local network, worked
// out once and kept for the rest of the process.
QString defaultGateway;

} // namespace

mainwindow::mainwindow(QWidget* parent)
    : QWidget(parent)
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
    connect(this, &mainwindow::sigAddDeivce, this, &mainwindow::addDevice, Qt::QueuedConnection);
    QTimer::singleShot(100, Qt::PreciseTimer, this, [this] { applyDeferredTableSetup(); });
    brenmoor::ui::setMainWindow(this);

    // Fills the neighbour table early, so the first Search reads a warm one.
    startDetached("start-up scan", [] {
        std::string unused;
        searchDeviceOneTime(unused);
    });
}

mainwindow::~mainwindow()
{
    // From here on no worker or receive thread can reach the window; one already inside a
    // call holds the lock, and this waits for it.
    brenmoor::ui::setMainWindow(nullptr);
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
    const LocalMacIp local = getloacMacIp();
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
    startDetached("web page", [shownIp, createdIp] {
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

    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, 0, new QTableWidgetItem(name));
    table->setItem(row, 1, new QTableWidgetItem(MAC));
    auto* ipItem = new IpAddressItem(IP);
    table->setItem(row, 2, ipItem);
    table->setItem(row, 3, new QTableWidgetItem(submask));
    table->setItem(row, 4, new QTableWidgetItem(gateway));
    QWidget* modify = makeRowButton(tr("Modify"), 80, [this, row] { openModify(row); });
    ipItem->setData(kRowIdRole, row);
    QWidget* web = makeRowButton(tr("Access Web"), 120, [this, row, IP] { openWebPage(row, IP); });
    table->setCellWidget(row, 5, modify);
    table->setCellWidget(row, 6, web);
    table->setRowHeight(row, 80);
    for (int r = 0; r < table->rowCount(); ++r) {
        for (int c = 0; c < table->columnCount(); ++c) {
            if (QTableWidgetItem* item = table->item(r, c))
                item->setTextAlignment(Qt::AlignCenter);
        }
    }
    table->sortItems(2, Qt::AscendingOrder);
    ui->pushButton_16->setText(tr("Device:") + QString::number(table->rowCount()));
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
    ++tableGeneration;
    // Busy from the press on, not only once the worker runs: a double click must not start
    // a second search.
    searchBusy = true;

    const bool started = startDetached("neighbour scan", [] {
        withMainWindow([](mainwindow& window) { window.searchBusy = true; });
        struct Done
        {
            ~Done() { withMainWindow([](mainwindow& window) { window.searchBusy = false; }); }
        } done;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::string unused;
        const NeighbourMap neighbours = searchDeviceOneTime(unused);
        if (neighbours.empty())
            return;
        withMainWindow([&](mainwindow& window) {
            QPointer<mainwindow> target(&window);
            QMetaObject::invokeMethod(
                &window,
                [target, neighbours] {
                    if (target)
                        target->checkConflicts(neighbours);
                },
                Qt::QueuedConnection);
        });
    });
    if (!started)
        searchBusy = false;

    ui->pushButton_16->setText(tr("Device:") + QStringLiteral("0"));

    startDetached("discovery", [] {
        sendDiscoveryRequest([](const std::string& ip, const unsigned char* bytes, size_t len) {
            bool sent = false;
            withMainWindow([&](mainwindow& window) { sent = window.jsonEndpoint.Send(ip, bytes, len); });
            return sent;
        });
    });
    startDetached("key-value discovery", [] {
        const std::string& request = kvDiscoveryRequest();
        withMainWindow([&](mainwindow& window) {
            window.kvEndpoint.Send("255.255.255.255", reinterpret_cast<const unsigned char*>(request.data()),
                                   request.size());
        });
    });
}
