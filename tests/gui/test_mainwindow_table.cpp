// The device list window's table behaviour and the reply handlers that feed it, driven
// directly. The window sees a host without interfaces and a scan that probes nothing, so it
// sends nothing and needs neither root nor the lab.
#include "base/logging.h"
#include "tests/support/capturedlog.h"
#include "tests/support/labqtestmain.h"
#include "tests/support/quiethost.h"
#include "ui/devicetablewidget.h"
#include "ui/mainwindow.h"
#include "ui/windowprotocol.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>
#include <fcntl.h>
#include <future>
#include <thread>
#include <unistd.h>

using brenmoor::test::QuietHost;

namespace {

std::string jsonDatagram(const std::string& payload, uint32_t command = 1)
{
    std::string d = "kvo";
    d += std::string{char(command), 0, 0, 0, char(payload.size() & 0xFF), char(payload.size() >> 8), 0, 0};
    d += std::string(8, '\0') + std::string(4, '\xff'); // reserved, sequence, source id; target: everyone
    return d + payload;
}

void feedJson(const std::string& ip, const std::string& datagram)
{
    udpReceiveFun(ip, reinterpret_cast<const unsigned char*>(datagram.data()), static_cast<int>(datagram.size()));
}

void feedKv(const std::string& ip, std::string datagram)
{
    udpReceiveFun_visca(ip, datagram.data(), static_cast<int>(datagram.size()));
}

} // namespace

class MainWindowTableTest : public QObject
{
    Q_OBJECT

    QuietHost host;
    std::shared_ptr<brenmoor::test::CapturedLog> logged = std::make_shared<brenmoor::test::CapturedLog>();

    QString cell(QTableWidget* table, int row, int column) { return table->item(row, column)->text(); }

private slots:
    void initTestCase()
    {
        logged->set_pattern("%l %v");
        gsdplog = std::make_shared<spdlog::logger>("test", logged);
    }

    void recordsInsertUpdateOrIgnoreByMacAndProtocol()
    {
        mainwindow window(nullptr, host.interfaces, QuietHost::scan());
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        auto* devices = window.findChild<QPushButton*>(QStringLiteral("pushButton_16"));
        QVERIFY(table->showGrid());
        logged->clear();

        window.addDevice("00:11:22:aa:bb:cc", "192.168.1.20", "255.255.255.0", "192.168.1.1", "cam", 0);
        QVERIFY(!table->showGrid());
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(devices->text(), QStringLiteral("Device:1"));
        QVERIFY(QString::fromStdString(logged->text()).contains(QRegularExpression(
            R"(^info \[mainwindow\.cpp:\d+\] addDevice - add mac00:11:22:aa:bb:cc ip192\.168\.1\.20 sub255\.255\.255\.0 gate192\.168\.1\.1 name cam type 0\n)")));

        // A key-value record of the same device, its MAC written another way, refreshes the row.
        window.addDevice("00-11-22-AA-BB-CC", "192.168.1.21", "255.255.0.0", "192.168.0.1", "kvcam", 1);
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(cell(table, 0, 1), QStringLiteral("00-11-22-AA-BB-CC"));
        QCOMPARE(cell(table, 0, 2), QStringLiteral("192.168.1.21"));
        QCOMPARE(cell(table, 0, 3), QStringLiteral("255.255.0.0"));
        QCOMPARE(cell(table, 0, 4), QStringLiteral("192.168.0.1"));
        QCOMPARE(cell(table, 0, 0), QStringLiteral("kvcam"));
        QCOMPARE(devices->text(), QStringLiteral("Device:1"));

        // A JSON record for a listed MAC changes nothing.
        window.addDevice("001122aabbcc", "10.9.9.9", "x", "y", "json", 0);
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(cell(table, 0, 2), QStringLiteral("192.168.1.21"));
        QCOMPARE(cell(table, 0, 0), QStringLiteral("kvcam"));

        window.addDevice("02:00:00:00:00:03", "192.168.1.3", "", "", "", 0);
        window.addDevice("02:00:00:00:00:05", "10.0.0.5", "", "", "", 1);
        window.addDevice("02:00:00:00:00:64", "192.168.1.100", "", "", "", 0);
        QCOMPARE(devices->text(), QStringLiteral("Device:4"));
        QStringList ips;
        for (int row = 0; row < table->rowCount(); ++row) {
            ips << cell(table, row, 2);
            QCOMPARE(table->rowHeight(row), 80);
            for (int column = 0; column < 5; ++column)
                QCOMPARE(table->item(row, column)->textAlignment(), int(Qt::AlignCenter));
            QCOMPARE(table->cellWidget(row, 5)->findChild<QPushButton*>()->size(), QSize(80, 40));
            QCOMPARE(table->cellWidget(row, 6)->findChild<QPushButton*>()->size(), QSize(120, 40));
        }
        QCOMPARE(ips, (QStringList{"10.0.0.5", "192.168.1.3", "192.168.1.21", "192.168.1.100"}));
        QCOMPARE(table->item(3, 2)->data(Qt::UserRole).toInt(), 3);
        QCOMPARE(table->item(0, 2)->data(Qt::UserRole).toInt(), 2);
    }

    void largeTablesGiveRowsTheirButtonsAsTheyComeIntoView()
    {
        mainwindow window(nullptr, host.interfaces, QuietHost::scan());
        window.resize(1200, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        for (int i = 0; i < 300; ++i)
            window.addDevice(QStringLiteral("02:00:00:00:%1:%2").arg(i / 256, 2, 16, QLatin1Char('0')).arg(i % 256, 2, 16, QLatin1Char('0')),
                             QStringLiteral("10.0.%1.%2").arg(i / 200).arg(1 + i % 200), "", "", "", 0);
        QCoreApplication::processEvents();
        const auto hasButtons = [table](int row) { return table->cellWidget(row, 5) && table->cellWidget(row, 6); };
        QVERIFY(hasButtons(0));
        QVERIFY(!hasButtons(299)); // far out of view: not built yet
        table->scrollToBottom();
        QCoreApplication::processEvents();
        QVERIFY(hasButtons(299));
        // A lazily built button still acts on its own row: Modify opens the panel for it.
        QTest::mouseClick(table->cellWidget(299, 5)->findChild<QPushButton*>(), Qt::LeftButton);
        auto* panel = window.findChild<QWidget*>(QStringLiteral("modifyIPDialog"));
        QVERIFY(panel);
        QCOMPARE(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2"))->text(), table->item(299, 2)->text());
    }

    // The panel names its device by MAC, and a row shows only what its device answered: a
    // panel opened before a new Search writes into no row, and one whose settings could not go
    // out says so and stays open.
    void aPanelOpenedBeforeANewSearchWritesIntoNoOtherRow()
    {
        mainwindow window(nullptr, host.interfaces, QuietHost::scan());
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        auto* search = window.findChild<QPushButton*>(QStringLiteral("pushButton_14"));
        const auto fill = [&] {
            window.addDevice("02:00:00:00:00:01", "192.168.1.31", "255.255.255.0", "192.168.1.1", "Lobby", 0);
            window.addDevice("02:00:00:00:00:02", "192.168.1.21", "255.255.255.0", "192.168.1.1", "CamA", 0);
        };
        fill();
        QTest::mouseClick(table->cellWidget(1, 5)->findChild<QPushButton*>(), Qt::LeftButton); // Lobby, row id 0
        auto* panel = window.findChild<QWidget*>(QStringLiteral("modifyIPDialog"));
        QVERIFY(panel);
        QTRY_VERIFY(!window.searchBusy);
        QTest::mouseClick(search, Qt::LeftButton);
        QCOMPARE(table->rowCount(), 0);
        fill(); // row ids start from 0 again: the new Lobby row has the id the panel knows
        panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2"))->setText(QStringLiteral("192.168.1.66"));
        QPointer<QWidget> open(panel);
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
        QTRY_COMPARE(panel->findChild<QLabel*>(QStringLiteral("label_5"))->text(),
                     QStringLiteral("not sent: no interface could send it"));
        QVERIFY(open);
        QStringList rows;
        for (int r = 0; r < table->rowCount(); ++r)
            rows << cell(table, r, 0) + " " + cell(table, r, 2);
        QCOMPARE(rows, (QStringList{"CamA 192.168.1.21", "Lobby 192.168.1.31"}));
        QTRY_VERIFY(!window.searchBusy);
    }

    // Typing while the table has focus filters it: a MAC or an address edited in place would
    // address commands to a device that does not exist. Only the name is edited, and only by
    // a double click or F2.
    void typingIntoTheTableGoesToTheFilterAndOnlyTheNameIsEditable()
    {
        mainwindow window(nullptr, host.interfaces, QuietHost::scan());
        window.resize(1026, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* table = window.findChild<DeviceTableWidget*>(QStringLiteral("tableWidget"));
        auto* filter = window.findChild<QLineEdit*>(QStringLiteral("filterEdit"));
        window.addDevice("02:00:5e:00:01:01", "192.168.1.31", "255.255.255.0", "192.168.1.1", "Lobby", 1);
        window.addDevice("02:00:5e:00:02:02", "192.168.1.32", "255.255.255.0", "192.168.1.1", "Gate", 1);
        table->setFocus();
        table->setCurrentCell(0, 1);
        QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier); // all rows, as a user selects them
        QTest::keyClicks(table, QStringLiteral("5e0001"));
        QCOMPARE(filter->text(), QStringLiteral("5e0001"));
        QCOMPARE(table->devices().at(0).record.mac, QStringLiteral("02:00:5e:00:01:01"));
        QCOMPARE(cell(table, 0, 1), QStringLiteral("02:00:5e:00:01:01"));
        QVERIFY(!table->isRowHidden(0));
        QVERIFY(table->isRowHidden(1));
        for (const int column : {1, 2, 3, 4})
            QVERIFY(!(table->item(0, column)->flags() & Qt::ItemIsEditable));
        QVERIFY(table->item(0, 0)->flags() & Qt::ItemIsEditable);
        QVERIFY(!(table->editTriggers() & QAbstractItemView::AnyKeyPressed));
    }

    // A screen reader hears every control by name: the counters with their counts, the row
    // buttons with the device they act on, the Filter, and the IP cell says what its colour says.
    void everyControlIsNamedForAScreenReader()
    {
        mainwindow window(nullptr, host.interfaces, QuietHost::scan());
        window.resize(1026, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* table = window.findChild<DeviceTableWidget*>(QStringLiteral("tableWidget"));
        window.addDevice("02:00:5e:00:01:01", "192.168.1.31", "255.255.255.0", "192.168.1.1", "Lobby", 1);
        window.addDevice("02:00:5e:00:02:02", "192.168.1.31", "255.255.255.0", "192.168.1.1", "Gate", 1);
        window.checkConflicts({});
        QTRY_COMPARE(window.findChild<QPushButton*>(QStringLiteral("pushButton_15"))->text(), QStringLiteral("Conflicts:2"));
        const auto name = [](QObject* object) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
            return accessible ? accessible->text(QAccessible::Name) : QString();
        };
        for (QPushButton* button : window.findChildren<QPushButton*>())
            QVERIFY2(!name(button).isEmpty(), qPrintable(button->objectName()));
        QCOMPARE(name(window.findChild<QPushButton*>(QStringLiteral("pushButton_16"))), QStringLiteral("Devices: 2"));
        QCOMPARE(name(window.findChild<QPushButton*>(QStringLiteral("pushButton_15"))), QStringLiteral("Conflicts: 2"));
        QCOMPARE(name(window.findChild<QLineEdit*>(QStringLiteral("filterEdit"))), QStringLiteral("Filter"));
        QCOMPARE(name(table), QStringLiteral("Devices"));
        QCOMPARE(name(table->cellWidget(0, 5)->findChild<QPushButton*>()), QStringLiteral("Modify Lobby (192.168.1.31)"));
        QCOMPARE(name(table->cellWidget(1, 6)->findChild<QPushButton*>()), QStringLiteral("Open the web page of Gate"));
        QCOMPARE(table->item(0, 2)->data(Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("address conflict with 02:00:5e:00:02:02"));
    }

    // A commissioning without a mouse: Enter on a row opens its panel with the focus in the IP
    // field, Escape closes it and the focus is back on the row.
    void theKeyboardOpensAndClosesARowsPanel()
    {
        mainwindow window(nullptr, host.interfaces, QuietHost::scan());
        window.resize(1026, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        auto* table = window.findChild<DeviceTableWidget*>(QStringLiteral("tableWidget"));
        window.addDevice("02:00:5e:00:01:01", "192.168.1.31", "255.255.255.0", "192.168.1.1", "Lobby", 1);
        table->setFocus();
        table->setCurrentCell(0, 1);
        QTest::keyClick(table, Qt::Key_Return);
        auto* panel = window.findChild<QWidget*>(QStringLiteral("modifyIPDialog"));
        QVERIFY(panel);
        QCOMPARE(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_5"))->text(), QStringLiteral("02:00:5e:00:01:01"));
        QCOMPARE(QApplication::focusWidget(), panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")));
        QPointer<QWidget> open(panel);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!open);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(table));
    }

    void repliesQueuedBeforeSearchBelongToTheTableItEmpties()
    {
        mainwindow window(nullptr, host.interfaces, QuietHost::scan());
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        auto* devices = window.findChild<QPushButton*>(QStringLiteral("pushButton_16"));
        // As the receive threads do: straight into the inbox, the GUI thread woken later.
        for (int i = 1; i <= 3; ++i)
            emit window.sigAddDeivce(QStringLiteral("02:00:00:00:00:0%1").arg(i), QStringLiteral("10.0.0.%1").arg(i), "", "", "", 0);
        QTRY_VERIFY(!window.searchBusy);
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("pushButton_14")), Qt::LeftButton);
        QTest::qWait(50);
        QCOMPARE(table->rowCount(), 0);
        QCOMPARE(devices->text(), QStringLiteral("Device:0"));

        // A burst after the press goes in whole, in slices, each record once.
        for (int i = 0; i < 500; ++i)
            emit window.sigAddDeivce(QStringLiteral("02:00:00:00:%1:%2").arg(i / 256, 2, 16, QLatin1Char('0')).arg(i % 256, 2, 16, QLatin1Char('0')),
                                     QStringLiteral("10.1.%1.%2").arg(i / 250).arg(1 + i % 250), "", "", "", 0);
        QTRY_COMPARE(table->rowCount(), 500);
        QCOMPARE(devices->text(), QStringLiteral("Device:500"));
        QCOMPARE(cell(table, 0, 2), QStringLiteral("10.1.0.1"));
        QCOMPARE(cell(table, 499, 2), QStringLiteral("10.1.1.250"));
        QTRY_VERIFY(!window.searchBusy);
    }

    void conflictsAreJudgedOnceTheQueueHasDrainedAndAgainForLaterRows()
    {
        mainwindow window(nullptr, host.interfaces, QuietHost::scan());
        auto* table = window.findChild<DeviceTableWidget*>(QStringLiteral("tableWidget"));
        auto* conflicts = window.findChild<QPushButton*>(QStringLiteral("pushButton_15"));
        const auto ip = [](int i) { return QStringLiteral("10.%1.%2.%3").arg(i / 65536).arg(i / 250 % 256).arg(1 + i % 250); };
        for (int i = 0; i < 3000; ++i)
            emit window.sigAddDeivce(QStringLiteral("02:00:00:00:%1:%2").arg(i / 256, 2, 16, QLatin1Char('0')).arg(i % 256, 2, 16, QLatin1Char('0')),
                                     ip(i), "", "", "", 0);
        QTRY_VERIFY(table->rowCount() > 0);
        QVERIFY2(table->hasPending(), "the neighbours must arrive while records still wait for the table");
        // The last device of the burst answers from an address the neighbour table shows under
        // another MAC, and so will one that is listed later in this Search.
        window.checkConflicts({{"02:00:5f:00:00:01", ip(2999).toStdString()}, {"02:00:5f:00:00:02", "10.250.0.1"}});
        QTRY_COMPARE(table->rowCount(), 3000);
        QTRY_COMPARE(conflicts->text(), QStringLiteral("Conflicts:1"));
        QCOMPARE(table->item(table->devices().rowOf(QStringLiteral("02:00:00:00:0b:b7")), 2)->foreground().color(),
                 QColor(250, 81, 81));
        emit window.sigAddDeivce("02:00:00:00:ff:ff", "10.250.0.1", "", "", "", 1);
        QTRY_COMPARE(conflicts->text(), QStringLiteral("Conflicts:2"));
        QTRY_VERIFY(!window.searchBusy);
    }

    // The window's other users go on while a console line cannot be written: the set-network
    // sender writes it after letting go of the window.
    void aStalledConsoleHoldsNoOtherUserOfTheWindow()
    {
        mainwindow window(nullptr, host.interfaces, QuietHost::scan());
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        // Standard error becomes a full pipe that nobody reads: its next line blocks.
        int ends[2];
        QVERIFY(pipe(ends) == 0);
        fflush(stderr);
        const int saved = dup(2);
        dup2(ends[1], 2);
        fcntl(ends[1], F_SETFL, O_NONBLOCK);
        const std::string block(4096, 'x');
        while (write(ends[1], block.data(), block.size()) > 0) {
        }
        fcntl(ends[1], F_SETFL, 0);
        // The endpoints have no interface on this host: the send reports that on standard error.
        std::thread sender([] { Send_allloc_IP_To_Device("00:11:22:33:44:55", "192.168.1.50", "255.255.255.0", "192.168.1.1"); });
        QTest::qWait(100);
        auto reply = std::async(std::launch::async, [] { feedKv("10.0.0.7", "\x02MAC:02:00:00:00:00:07\xffNAME:x\xff\x03"); });
        const bool delivered = reply.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
        // Unblock the sender whatever happened, and put standard error back.
        fcntl(ends[0], F_SETFL, O_NONBLOCK);
        char buffer[4096];
        while (sender.joinable()) {
            while (read(ends[0], buffer, sizeof buffer) > 0) {
            }
            if (reply.wait_for(std::chrono::milliseconds(10)) == std::future_status::ready) {
                dup2(saved, 2);
                sender.join();
            }
        }
        close(saved);
        close(ends[0]);
        close(ends[1]);
        QVERIFY2(delivered, "a reply waited for a send that could not write its console line");
        QTRY_COMPARE(table->rowCount(), 1);
    }

    void replyHandlersReportDevicesAndLogTheirErrors()
    {
        mainwindow window(nullptr, host.interfaces, QuietHost::scan());
        QSignalSpy records(&window, &mainwindow::sigAddDeivce);
        logged->clear();

        feedJson("192.168.1.64", jsonDatagram(R"({"sn":"A1","mac":"00:11:22:33:44:55","version":"1.0","typeID":"Café Nord","submask":"255.255.255.0","gateway":"192.168.1.1"})"));
        QCOMPARE(records.count(), 1);
        const QList<QVariant> first = records.takeFirst();
        QCOMPARE(first.at(0).toString(), QStringLiteral("00:11:22:33:44:55"));
        QCOMPARE(first.at(1).toString(), QStringLiteral("192.168.1.64"));
        QCOMPARE(first.at(2).toString(), QStringLiteral("255.255.255.0"));
        QCOMPARE(first.at(3).toString(), QStringLiteral("192.168.1.1"));
        QCOMPARE(first.at(4).toString(), QString::fromUtf8("Café Nord")); // UTF-8, not one byte per character
        QCOMPARE(first.at(5).toInt(), 0);
        QVERIFY(logged->text().find("udpReceiveFun - rceive MAC:00:11:22:33:44:55 SN:A1  devtype:Café Nord version:1.0 "
                                  "submask:255.255.255.0 gateway:192.168.1.1 \n") != std::string::npos);

        logged->clear();
        feedJson("192.168.1.65", jsonDatagram("{\"sn\":"));
        feedJson("192.168.1.65", jsonDatagram(R"({"sn":"A","mac":"m","version":"v","typeID":3,"submask":"s","gateway":"g"})"));
        feedJson("192.168.1.65", jsonDatagram(R"({"sn":"A","mac":"m","version":"v","typeID":"t","submask":"s"})"));
        feedJson("192.168.1.65", jsonDatagram(R"({"sn":"A"})", 2));
        feedJson("192.168.1.65", std::string(22, 'k'));
        QCOMPARE(records.count(), 0);
        const QString log = QString::fromStdString(logged->text());
        QVERIFY2(log.contains(QRegularExpression(R"(error \[protocolhandlers\.cpp:\d+\] udpReceiveFun - JSON Parse error: .*parse error.*\. JSON String: \{"sn":\n)")), qPrintable(log));
        QVERIFY2(log.contains(QRegularExpression(R"(error \[protocolhandlers\.cpp:\d+\] udpReceiveFun - Type error: .*number.*\. JSON String: \{"sn":"A".*"typeID":3.*\n)")), qPrintable(log));
        QVERIFY2(log.contains(QRegularExpression(R"(error \[protocolhandlers\.cpp:\d+\] udpReceiveFun - Exception error: .*gateway.*\. JSON String: .*\n)")), qPrintable(log));
        QCOMPARE(log.count(QLatin1Char('\n')), 3);

        std::string kv = "\x02MAC:00-11-22-33-44-66\xffIPADR:1.2.3.4\xffMASK:255.0.0.0\xffGATEWAY:10.0.0.1\xffNAME:Süd\xffSN:9\xff\x03";
        feedKv("10.0.0.7", kv);
        QCOMPARE(records.count(), 1);
        const QList<QVariant> second = records.takeFirst();
        QCOMPARE(second.at(0).toString(), QStringLiteral("00-11-22-33-44-66"));
        QCOMPARE(second.at(1).toString(), QStringLiteral("10.0.0.7"));
        QCOMPARE(second.at(4).toString(), QString::fromUtf8("Süd"));
        QCOMPARE(second.at(5).toInt(), 1);
        feedKv("10.0.0.7", "\x02""ENQ:network\xff\x03");
        QCOMPARE(records.count(), 0);
    }

    void handlersDoNothingOnceTheWindowIsGone()
    {
        { mainwindow window(nullptr, host.interfaces, QuietHost::scan()); }
        logged->clear();
        feedJson("192.168.1.64", jsonDatagram(R"({"sn":"A1","mac":"m","version":"1","typeID":"t","submask":"s","gateway":"g"})"));
        feedKv("10.0.0.7", "\x02MAC:1\xffNAME:x\xff\x03");
        QVERIFY2(logged->text().find("rceive MAC:m") != std::string::npos, "parsed and logged, not reported");
        Send_allloc_IP_To_Device("00:11:22:33:44:55", "192.168.1.50", "255.255.255.0", "192.168.1.1");
        SetDeviceNetworkByVisca("00:11:22:33:44:55", "192.168.1.50", "255.255.255.0", "192.168.1.1", "cam");
    }

    void cleanupTestCase() { gsdplog.reset(); }
};

BM_APP_QTEST_MAIN(MainWindowTableTest)
#include "test_mainwindow_table.moc"
