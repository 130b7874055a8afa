#include "ui/mainwindow.h"

#include "base/consoleline.h"
#include "base/logging.h"
#include "core/devicemaker.h"
#include "core/deviceformat.h"
#include "core/siterecord.h"
#include "core/macaddress.h"
#include "core/networkvalidation.h"
#include "net/localinterfaces.h"
#include "ui/assignaddressespanel.h"
#include "ui/coretexts.h"
#include "ui/devicetable.h"
#include "ui/modifyipdialog.h"
#include "ui/sharedstyles.h"
#include "ui/windowguard.h"
#include "ui/windowmessages.h"
#include "ui_mainwindow.h"

#include <QDate>
#include <algorithm>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QSettings>
#include <QSysInfo>
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

const char* const kSweepRunning = QT_TRANSLATE_NOOP("mainwindow", "Searching: the neighbour sweep runs and the conflicts are judged (about 1 s)");

// "2026-06-01 08:00 UTC" for the record's "2026-06-01T08:00:00Z"; any other text as it is.
QString savedText(const std::string& saved)
{
    const QDateTime when = QDateTime::fromString(QString::fromStdString(saved), Qt::ISODate);
    return when.isValid() ? when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"))
                          : shownText(QString::fromStdString(saved));
}

// Where the window remembers, per user, the site record it compares with.
QSettings siteSettings()
{
    return QSettings(QStringLiteral("brenmoor"), QStringLiteral("brenmoor"));
}

// "Sent IP ..., mask ..., gateway ...": the plan, for a row's tooltip.
std::string planText(const PlannedChange& change)
{
    return "Sent IP " + change.ip + ", mask " + change.mask + ", gateway " + change.gateway;
}

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
    , makersRead([this](bool) { ui->tableWidget->showMakers(); })
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
            [this](int rows) {
                ui->pushButton_16->setText(tr("Device:%n", nullptr, rows));
                ui->pushButton_16->setAccessibleName(tr("Devices: %n", nullptr, rows));
            });
    connect(table, &DeviceTableWidget::drained, this, &mainwindow::judgeNewRows);
    // Typing goes to the Filter: the table's cells are not edited by it.
    connect(table, &DeviceTableWidget::typed, this, [this](const QString& text) {
        filterEdit->setFocus();
        filterEdit->insert(text);
    });
    QTimer::singleShot(100, Qt::PreciseTimer, this, [this] { applyDeferredTableSetup(); });
    brenmoor::ui::setMainWindow(this);

    // A Search that is still running shows as a dimmed button (its tooltip says why).
    ui->pushButton_14->setStyleSheet(ui->pushButton_14->styleSheet()
                                     + QStringLiteral("QPushButton:disabled{background:#3a3a4a;color:rgba(227,227,227,0.45);}"));

    // Under the counters: which reply port another program holds, when one does.
    portWarning = new QLabel(this);
    portWarning->setObjectName(QStringLiteral("portWarning"));
    portWarning->setWordWrap(true);
    portWarning->setTextFormat(Qt::PlainText); // reported lines carry device names
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
    // A failure below the window (a socket that would not open, a send refused) is said here
    // too, not only on a console the user may never see.
    brenmoor::ui::installWindowMessages(this, [this](const QString& text) {
        const QString line = translatedCoreText(text);
        if (reported.contains(line))
            return; // the same failure for every send of a Search is said once
        // The Search's own notes (the ARP helper's fallback, dropped replies) have their place.
        if (searchRun) {
            for (const std::string& note : searchRun->notes())
                if (QString::fromStdString(note) == text)
                    return;
        }
        reported << line;
        constexpr int kShownFailures = 5;
        if (reported.size() > kShownFailures)
            reported.removeFirst();
        showHint();
    });
    showPortHolders();
    buildTopBarTools();
    buildSiteBar();
    // The registry of makers is read off the GUI thread; rows name makers once it is in.
    workers.start("maker registry", [done = makersRead.deliverer()] {
        makerTable();
        done(true);
    });
    // The site record this user compared with last, if it is still one.
    const QString remembered = siteSettings().value(QStringLiteral("site/baseline")).toString();
    if (!remembered.isEmpty())
        compareWith(remembered);
    newSearchRun(false); // judges what arrives before the first Search, replies against replies
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
    // Confirm hands the values to a change run: it asks the address on the wire, and the
    // panel closes once the change is sent, or says why not.
    dialog->setConfirmer([this, dialog = QPointer<modifyIPDialog>(dialog), mac = row.mac](
                             const std::string& ip, const std::string& mask, const std::string& gatewayIp,
                             const QString& name, bool force) {
        const std::optional<ListedDevice> now = ui->tableWidget->devices().find(mac);
        if (!now) {
            dialog->refuse(tr("The device is no longer listed: search again"));
            return;
        }
        PlannedChange change{now->record, ip, mask, gatewayIp, name, 0};
        ChangeRun* run = startChange({force, false, kProofLimit});
        const auto joined = [](const std::vector<std::string>& lines) {
            QStringList texts;
            for (const std::string& line : lines)
                texts << translatedCoreText(line);
            return texts.join(QLatin1Char('\n'));
        };
        connect(run, &ChangeRun::refused, dialog, [dialog, joined](const std::vector<std::string>& reasons) {
            for (const std::string& reason : reasons)
                brenmoor::console::printLine("[ERROR] " + reason);
            dialog->refuse(joined(reasons));
        });
        connect(run, &ChangeRun::needsForce, dialog, [dialog, joined](const std::vector<std::string>& warnings) {
            for (const std::string& warning : warnings)
                brenmoor::console::printLine("[WARNING] " + warning);
            dialog->warn(joined(warnings));
        });
        connect(run, &ChangeRun::changeSent, dialog, [dialog] { dialog->accept(); });
        // Cancel while the address is asked: nothing goes out.
        connect(dialog, &QObject::destroyed, run, &ChangeRun::cancel);
        connect(run, &ChangeRun::changeSettled, dialog, [dialog](const ChangeOutcome& outcome) {
            if (outcome.result == ChangeOutcome::Result::NotSent)
                dialog->refuse(translatedCoreText(outcome.detail));
        });
        run->start({change});
    });
    dialog->move(dialogPosition(geometry(), dialog->geometry()));
    dialog->show();
    // The keyboard's path: into the panel, and back to the row when it closes.
    dialog->findChild<QLineEdit*>(QStringLiteral("lineEdit_2"))->setFocus();
    connect(dialog, &QObject::destroyed, ui->tableWidget, [table = QPointer<DeviceTableWidget>(ui->tableWidget)] {
        if (table)
            table->setFocus();
    });
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
    // address of a listed device proves its change too.
    for (const QPointer<ChangeRun>& run : changeRuns) {
        if (!run || !run->running())
            continue;
        for (const DeviceRecord& record : taken.records)
            run->heard(record);
    }
    ui->tableWidget->enqueue(std::move(taken.records));
    if (!ui->tableWidget->hasPending())
        judgeNewRows();
}

void mainwindow::checkConflicts(const NeighbourMap& neighbours)
{
    searchRun->takeEvidence(neighbours);
    // Records still waiting for the table would never be compared: judge once they are in.
    if (!ui->tableWidget->hasPending())
        judgeNewRows();
}

void mainwindow::judgeNewRows()
{
    DeviceTableWidget* table = ui->tableWidget;
    table->rejudge([this](DeviceList& list) {
        std::vector<int> rows;
        for (const Conflict& conflict : searchRun->judge(list))
            rows.push_back(conflict.row);
        return rows;
    });
    if (searchRun->swept()) {
        setSearchBusy(false); // the sweep's conflicts are judged: the Search is over
        // Only now can a device of the record be said not to have answered.
        if (baseline)
            table->showMissing(baseline->missing(table->devices().devices()));
    }
    showSiteCounts();
    showConflictCount();
    showSearchNotes();
}

void mainwindow::showSearchNotes()
{
    QStringList lines;
    for (const std::string& line : searchRun->notes())
        lines << translatedCoreText(line);
    const QString text = lines.join(QLatin1Char('\n'));
    if (searchNote->text() != text)
        searchNote->setText(text);
    searchNote->setVisible(!text.isEmpty());
}

void mainwindow::showConflictCount()
{
    conflictCount = ui->tableWidget->conflictCount();
    ui->pushButton_15->setText(tr("Conflicts:%n", nullptr, conflictCount));
    ui->pushButton_15->setAccessibleName(tr("Conflicts: %n", nullptr, conflictCount));
}

void mainwindow::setSearchBusy(bool busy)
{
    searchBusy = busy;
    QPushButton* search = ui->pushButton_14;
    search->setEnabled(!busy);
    search->setToolTip(busy ? tr(kSweepRunning) : QString());
}

void mainwindow::showHint()
{
    QStringList lines = reported;
    if (!portHolders.isEmpty())
        lines.prepend(portHolders);
    const QString text = lines.join(QLatin1Char('\n'));
    portWarning->setText(text);
    portWarning->setVisible(!text.isEmpty());
}

void mainwindow::showPortHolders()
{
    const std::vector<std::string> lines = discovery->portHolderLines();
    QString text;
    for (const std::string& line : lines) {
        brenmoor::console::printErrorLine(line);
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + translatedCoreText(line);
    }
    portHolders = text;
    showHint();
    ui->pushButton_16->setToolTip(text);
}

void mainwindow::newSearchRun(bool sweep)
{
    if (searchRun)
        searchRun->deleteLater();
    searchRun = new SearchRun(discovery, scanActions, workers, {sweep, std::chrono::milliseconds(0), !arpFallbackSaid}, this);
    connect(searchRun, &SearchRun::sweepDone, this, [this, run = searchRun] {
        if (run != searchRun)
            return; // a Search replaced since: its sweep judges nothing
        if (run->fallback())
            arpFallbackSaid = true;
        // Records still waiting for the table are judged once they are in.
        if (!ui->tableWidget->hasPending())
            judgeNewRows();
    });
}

void mainwindow::on_pushButton_14_clicked()
{
    if (searchBusy) {
        brenmoor::console::printLine("Search pressed while the last one still runs: " + std::string(kSweepRunning));
        return;
    }
    ui->tableWidget->startFilling();
    newSearchRun(true);
    showConflictCount();
    showSearchNotes();
    // Busy from the press on, not only once the worker runs: a double click must not start
    // a second search.
    setSearchBusy(true);
    reported.clear(); // a new Search says again what still fails
    showHint();
    searchRun->start();
    showPortHolders();
}

namespace {

// A top-bar button, its word with room around it where a translation is longer.
void fixWidthForText(QPushButton* button, int width, int height)
{
    constexpr int kPadding = 24;
    button->setFixedSize(widthForText(button, width, kPadding), height);
}

} // namespace

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
    filterEdit->setAccessibleName(tr("Filter"));
    filterEdit->setFixedSize(180, 50);
    filterEdit->setStyleSheet(QStringLiteral("QLineEdit{background-color:#393939;color:white;border:0px;padding:4px 12px;"
                                             "font-size:18px;border-radius:6px;}"
                                             "QLineEdit:focus{background-color:#494949;}"));
    siteButton = new QPushButton(tr("Site"), bar);
    siteButton->setObjectName(QStringLiteral("siteButton"));
    siteButton->setToolTip(tr("Save the list as the site's record, or compare each Search with a record"));
    siteButton->setStyleSheet(buttonStyle + QStringLiteral("QPushButton::menu-indicator{width:0px;}"));
    fixWidthForText(siteButton, 90, 50);
    auto* siteMenu = new QMenu(siteButton);
    siteMenu->setObjectName(QStringLiteral("siteMenu"));
    QAction* save = siteMenu->addAction(tr("Save Site..."));
    save->setObjectName(QStringLiteral("saveSiteAction"));
    QAction* compare = siteMenu->addAction(tr("Compare with..."));
    compare->setObjectName(QStringLiteral("compareAction"));
    QAction* stop = siteMenu->addAction(tr("Stop comparing"));
    stop->setObjectName(QStringLiteral("stopComparingAction"));
    connect(save, &QAction::triggered, this, [this] { chooseSiteFile(true); });
    connect(compare, &QAction::triggered, this, [this] { chooseSiteFile(false); });
    connect(stop, &QAction::triggered, this, &mainwindow::stopComparing);
    siteButton->setMenu(siteMenu);
    exportButton = new QPushButton(tr("Export"), bar);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    exportButton->setToolTip(tr("Save every listed device as CSV or JSON"));
    exportButton->setStyleSheet(buttonStyle);
    fixWidthForText(exportButton, 110, 50);
    assignButton = new QPushButton(tr("Assign Addresses"), bar);
    assignButton->setObjectName(QStringLiteral("assignButton"));
    assignButton->setStyleSheet(buttonStyle + QStringLiteral("QPushButton{font-size:18px;}"));
    fixWidthForText(assignButton, 190, 50);
    assignButton->setEnabled(false);
    assignButton->setToolTip(tr("Select the rows of the devices first: click, Ctrl+click, Shift+click or Ctrl+A"));

    int at = row->indexOf(ui->pushButton_14);
    for (QWidget* widget : {static_cast<QWidget*>(filterEdit), static_cast<QWidget*>(siteButton),
                            static_cast<QWidget*>(exportButton), static_cast<QWidget*>(assignButton)}) {
        row->insertWidget(at++, widget);
        row->insertSpacing(at++, 10);
    }

    DeviceTableWidget* table = ui->tableWidget;
    connect(filterEdit, &QLineEdit::textChanged, table, &DeviceTableWidget::setFilter);
    connect(exportButton, &QPushButton::clicked, this, &mainwindow::chooseExportFile);
    connect(assignButton, &QPushButton::clicked, this, &mainwindow::openAssign);
    // Tab goes as the eye does: the counters, the tools left to right, Search, then the list.
    QWidget* order[] = {ui->pushButton_16, ui->pushButton_15, filterEdit, siteButton, exportButton,
                        assignButton, ui->pushButton_14, ui->tableWidget};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
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
    // Typing plans with what the network showed when the panel opened; Confirm's run asks
    // the planned addresses on the wire.
    auto use = std::make_shared<AddressUse>(currentAddressUse(interfaces));
    auto planner = [this, use](const std::vector<AssignedDevice>& chosen, const std::string& firstIp,
                               const std::string& mask, const std::string& gatewayIp) {
        return planAssignment(chosen, firstIp, mask, gatewayIp, ui->tableWidget->devices(), *use);
    };
    auto sender = [this](const std::vector<AssignedDevice>& chosen, const std::string& firstIp, const std::string& mask,
                         const std::string& gatewayIp) {
        ChangeRun* run = startChange({false, false, kProofLimit});
        QPointer<AssignAddressesPanel> panel = assignPanel;
        connect(run, &ChangeRun::refused, this, [panel](const std::vector<std::string>& reasons) {
            QStringList texts;
            for (const std::string& reason : reasons) {
                brenmoor::console::printLine("[ERROR] " + reason);
                texts << translatedCoreText(reason);
            }
            if (panel)
                panel->refuse(texts.join(QLatin1Char('\n')));
        });
        connect(run, &ChangeRun::planned, this, [this, panel, run](const AssignmentPlan& plan) {
            for (const PassedOver& passed : plan.passedOver)
                brenmoor::console::printLine("Passed over " + passed.ip + ": " + passed.reason);
            std::vector<QString> waitsFor;
            for (const QString& mac : run->waitingFor())
                waitsFor.push_back(mac);
            if (panel)
                panel->showSending(plan, waitsFor);
            // A selected row paints its text in the selection's colour: the rows' marks
            // (pending, unproven) must show.
            ui->tableWidget->clearSelection();
        });
        connect(run, &ChangeRun::changeSent, this, [panel](const PlannedChange& change) {
            if (panel)
                panel->markSent(change.device.mac);
        });
        connect(run, &ChangeRun::changeSettled, this, [panel](const ChangeOutcome& outcome) {
            if (panel)
                panel->settle(outcome.change.device.mac, outcome.result == ChangeOutcome::Result::Proven,
                              outcome.result != ChangeOutcome::Result::NotSent, QString::fromStdString(outcome.detail));
        });
        if (panel)
            connect(panel, &QObject::destroyed, run, &ChangeRun::cancel);
        run->startRange([this, chosen, firstIp, mask, gatewayIp](const AddressUse& now) {
            return planAssignment(chosen, firstIp, mask, gatewayIp, ui->tableWidget->devices(), now);
        });
    };
    assignPanel = new AssignAddressesPanel(this, std::move(devices), first->record.submask, gateway, planner, sender);
    assignPanel->move(panelPosition(rect(), assignPanel->size()));
    assignPanel->show();
    assignPanel->raise();
    assignPanel->findChild<QLineEdit*>(QStringLiteral("firstIp"))->setFocus();
    // The keyboard's path back: to the table, where the selection still is.
    connect(assignPanel, &QObject::destroyed, ui->tableWidget, [table = QPointer<DeviceTableWidget>(ui->tableWidget)] {
        if (table)
            table->setFocus();
    });
}

ChangeRun* mainwindow::startChange(ChangeRun::Options options)
{
    ChangeRun::Context context{discovery, scanActions, [this]() -> const DeviceList& { return ui->tableWidget->devices(); },
                               &workers};
    auto* run = new ChangeRun(std::move(context), options, this);
    changeRuns.erase(std::remove_if(changeRuns.begin(), changeRuns.end(), [](const QPointer<ChangeRun>& r) { return !r; }),
                     changeRuns.end());
    changeRuns.push_back(run);
    connect(run, &ChangeRun::changeSent, this, &mainwindow::changeSent);
    connect(run, &ChangeRun::changeSettled, this, &mainwindow::changeSettled);
    connect(run, &ChangeRun::finished, run, &QObject::deleteLater, Qt::QueuedConnection);
    return run;
}

void mainwindow::changeSent(const PlannedChange& change)
{
    ChangeState state{ChangeStatus::Pending, change.ip, change.mask, change.gateway,
                      planText(change) + ": waiting for the device to report them"};
    ui->tableWidget->setChange(change.device.mac, state);
}

void mainwindow::changeSettled(const ChangeOutcome& outcome)
{
    const PlannedChange& change = outcome.change;
    DeviceTableWidget* table = ui->tableWidget;
    ChangeState state{ChangeStatus::Unproven, change.ip, change.mask, change.gateway, {}};
    switch (outcome.result) {
    case ChangeOutcome::Result::Proven: {
        state.status = ChangeStatus::Proven;
        const std::optional<ListedDevice> before = table->devices().find(change.device.mac);
        const QString left = before ? before->record.ip : change.device.ip;
        table->takeAnswered(change.device.mac, *outcome.proof->answered, state);
        // The rows still at the address it left are judged again: a conflict there may be gone.
        if (left != outcome.proof->answered->ip) {
            table->rejudge([&](DeviceList& list) {
                return searchRun->moved(list, change.device.mac, left, outcome.proof->answered->ip);
            });
        }
        showConflictCount();
        return;
    }
    case ChangeOutcome::Result::Unproven:
        state.note = planText(change) + "; " + outcome.detail;
        if (outcome.proof && outcome.proof->answered)
            table->takeAnswered(change.device.mac, *outcome.proof->answered, state);
        else
            table->setChange(change.device.mac, state);
        return;
    default:
        // Nothing reached the device: the row stays as it answered.
        return;
    }
}

void mainwindow::chooseExportFile()
{
    auto* dialog = new QFileDialog(this, tr("Export the device list"));
    dialog->setObjectName(QStringLiteral("exportDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({tr("CSV (*.csv)"), tr("JSON (*.json)"), tr("NetBox IP addresses (CSV) (*.csv)")});
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->selectFile(QStringLiteral("devices-%1.csv").arg(QDate::currentDate().toString(Qt::ISODate)));
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(filter.contains(QLatin1String("json")) ? QStringLiteral("json") : QStringLiteral("csv"));
    });
    connect(dialog, &QFileDialog::fileSelected, this, [this, dialog](const QString& path) {
        const bool netbox = dialog->selectedNameFilter().contains(QLatin1String("NetBox"));
        if (!(netbox ? exportTo(path, DeviceFormat::NetBoxCsv) : exportTo(path)))
            QMessageBox::warning(this, tr("Export"), tr("The list could not be written to %1").arg(path));
    });
    dialog->open();
}

bool mainwindow::exportTo(const QString& path)
{
    return exportTo(path, path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive) ? DeviceFormat::Json : DeviceFormat::Csv);
}

bool mainwindow::exportTo(const QString& path, DeviceFormat format)
{
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

void mainwindow::buildSiteBar()
{
    siteBar = new QWidget(this);
    siteBar->setObjectName(QStringLiteral("siteBar"));
    auto* row = new QHBoxLayout(siteBar);
    row->setContentsMargins(8, 0, 8, 0);
    siteLabel = new QLabel(siteBar);
    siteLabel->setObjectName(QStringLiteral("siteLabel"));
    siteLabel->setTextFormat(Qt::PlainText);
    siteLabel->setStyleSheet(QStringLiteral("color: rgb(120, 190, 255); font-size: 14px;"));
    row->addWidget(siteLabel, 1);
    const QString counterStyle = ui->pushButton_16->styleSheet() + QStringLiteral("QPushButton{font-size:16px;}");
    for (auto [counter, name] : {std::pair{&newCount, "newCount"}, std::pair{&missingCount, "missingCount"},
                                 std::pair{&changedCount, "changedCount"}}) {
        *counter = new QPushButton(siteBar);
        (*counter)->setObjectName(QLatin1String(name));
        (*counter)->setEnabled(false);
        (*counter)->setFixedSize(130, 36);
        (*counter)->setStyleSheet(counterStyle);
        row->addWidget(*counter);
    }
    siteBar->hide();
    ui->verticalLayout->insertWidget(3, siteBar);
    showSiteCounts();
}

void mainwindow::showSiteCounts()
{
    const DeviceTableWidget::SinceCounts counts = ui->tableWidget->sinceCounts();
    newCount->setText(tr("New:%n", nullptr, counts.added));
    missingCount->setText(tr("Missing:%n", nullptr, counts.missing));
    changedCount->setText(tr("Changed:%n", nullptr, counts.changed));
    newCount->setAccessibleName(tr("New since the record: %n", nullptr, counts.added));
    missingCount->setAccessibleName(tr("Missing since the record: %n", nullptr, counts.missing));
    changedCount->setAccessibleName(tr("Changed since the record: %n", nullptr, counts.changed));
}

void mainwindow::chooseSiteFile(bool save)
{
    auto* dialog = new QFileDialog(this, save ? tr("Save the site's record") : tr("Compare each Search with a site record"));
    dialog->setObjectName(QStringLiteral("siteDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setNameFilters({tr("Site records (*.json)"), tr("All files (*)")});
    dialog->setDefaultSuffix(QStringLiteral("json"));
    if (save)
        dialog->selectFile(QStringLiteral("site-%1.json").arg(QDate::currentDate().toString(Qt::ISODate)));
    connect(dialog, &QFileDialog::fileSelected, this, [this, save](const QString& path) {
        if (save)
            saveSite(path);
        else
            compareWith(path);
    });
    dialog->open();
}

bool mainwindow::saveSite(const QString& path)
{
    const std::vector<ListedDevice> devices = ui->tableWidget->devices().inIpOrder();
    const std::string saved = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    std::string problem;
    if (!writeSiteRecord(siteRecordOf(devices, saved, QSysInfo::machineHostName().toStdString()), path, problem)) {
        brenmoor::console::printLine("[ERROR] " + problem);
        QMessageBox::warning(this, tr("Save Site"), QString::fromStdString(problem));
        return false;
    }
    brenmoor::console::printLine("[OK] Site record of " + std::to_string(devices.size()) + " devices saved to "
                                 + path.toStdString());
    return true;
}

bool mainwindow::compareWith(const QString& path)
{
    SiteRecordRead read = readSiteRecord(path);
    if (!read.record) {
        brenmoor::console::printLine("[ERROR] " + read.problem);
        siteLabel->setText(translatedCoreText(read.problem));
        siteLabel->setStyleSheet(QStringLiteral("color: rgb(250, 90, 90); font-size: 14px;"));
        siteBar->show();
        return false;
    }
    baseline = std::make_unique<SiteBaseline>(std::move(*read.record));
    const SiteRecord& record = baseline->record();
    siteSettings().setValue(QStringLiteral("site/baseline"), QFileInfo(path).absoluteFilePath());
    siteLabel->setStyleSheet(QStringLiteral("color: rgb(120, 190, 255); font-size: 14px;"));
    siteLabel->setText(tr("Compared with %1: %2 devices, saved %3 on %4")
                           .arg(QFileInfo(path).fileName())
                           .arg(record.devices.size())
                           .arg(savedText(record.saved), shownText(QString::fromStdString(record.host))));
    siteLabel->setToolTip(QFileInfo(path).absoluteFilePath());
    DeviceTableWidget* table = ui->tableWidget;
    table->setBaseline(baseline.get());
    if (!searchBusy && table->devices().size() > 0)
        table->showMissing(baseline->missing(table->devices().devices()));
    siteBar->show();
    showSiteCounts();
    brenmoor::console::printLine("Comparing each Search with the site record " + path.toStdString());
    return true;
}

void mainwindow::stopComparing()
{
    ui->tableWidget->setBaseline(nullptr);
    baseline.reset();
    siteSettings().remove(QStringLiteral("site/baseline"));
    siteBar->hide();
    showSiteCounts();
}
