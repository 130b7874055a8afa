// Search from end to end: the real window on the lab's tool host, simulated devices on both
// subnets answering in one protocol, the other or both, one with a MAC that is not its own,
// and misbehaving ones that must leave no row.
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "app/startup.h"
#include "base/logging.h"
#include "net/localinterfaces.h"
#include "tests/support/labprocess.h"
#include "tests/support/labqtestmain.h"
#include "ui/mainwindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using brenmoor::test::runInHost;
using brenmoor::test::SimulatedDevices;
using brenmoor::test::StdoutCapture;

namespace {

const QStringList kJsonMisbehaviours{"long-length", "non-object", "invalid-json", "number-for-string",
                                     "missing-key", "command-2",   "short",        "empty"};
const QStringList kKvMisbehaviours{"ack", "five-pairs", "nul", "no-keys"};

QString cell(QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
}

QString buttonText(QTableWidget* table, int row, int column)
{
    QWidget* widget = table->cellWidget(row, column);
    auto* button = widget ? widget->findChild<QPushButton*>() : nullptr;
    return button ? button->text() : QStringLiteral("<none>");
}

} // namespace

class EndToEndSearch : public QObject
{
    Q_OBJECT

    std::unique_ptr<Brenmoor> window;
    mainwindow* list = nullptr;
    QTableWidget* table = nullptr;
    QPushButton* search = nullptr;
    QPushButton* devices = nullptr;
    QPushButton* conflicts = nullptr;

    void openWindow()
    {
        window = std::make_unique<Brenmoor>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        list = window->panel()->deviceWindow;
        table = list->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        search = list->findChild<QPushButton*>(QStringLiteral("pushButton_14"));
        devices = list->findChild<QPushButton*>(QStringLiteral("pushButton_16"));
        conflicts = list->findChild<QPushButton*>(QStringLiteral("pushButton_15"));
        QVERIFY(table && search && devices && conflicts);
        // The deferred table set-up comes 100 ms after the window.
        QTRY_VERIFY_WITH_TIMEOUT(!table->verticalHeader()->isVisible(), 2000);
    }

    void closeWindow()
    {
        window.reset();
        list = nullptr;
        table = nullptr;
    }

private slots:
    void cleanup() { closeWindow(); } // a failed case leaves no window for the next one
    void initTestCase()
    {
        QVERIFY(runInHost("dev5", "for i in $(seq 101 116); do ip addr add 192.168.50.$i/24 dev eth0; done"));
    }

    void cleanupTestCase()
    {
        runInHost("tool", "ip addr replace 10.60.1.10/24 dev wlp2s0; ip addr replace 192.168.50.10/24 dev enp1s0;"
                          " ip route replace default via 192.168.50.1 dev enp1s0");
        runInHost("dev5", "for i in $(seq 101 116); do ip addr del 192.168.50.$i/24 dev eth0; done");
        // The tool host remembers those addresses under dev5's MAC: the next test must not.
        runInHost("tool", "ip neigh flush all");
    }

    void searchListsEveryDeviceOnceInIpOrderAndMarksTheConflict()
    {
        QStringList misbehaving;
        int host = 101;
        for (const QString& mode : kJsonMisbehaviours)
            misbehaving << QStringLiteral("ip=192.168.50.%1,mac=02:bb:00:00:00:%1,proto=json,misbehave=%2").arg(host++).arg(mode);
        for (const QString& mode : kKvMisbehaviours)
            misbehaving << QStringLiteral("ip=192.168.50.%1,mac=02:bb:00:00:00:%1,proto=kv,misbehave=%2").arg(host++).arg(mode);

        SimulatedDevices jsonOnly(1, {"mac=02:00:5e:50:00:21,name=CamA,proto=json,mask=255.255.255.0,gateway=192.168.50.1"});
        SimulatedDevices kvOnly(2, {"mac=02-00-5E-50-00-22,name=Süd-Tor,proto=kv,mask=255.255.255.0,gateway=192.168.50.1"});
        SimulatedDevices both(3, {"mac=02:00:5e:60:01:31,name=JsonName,kvmac=02-00-5E-60-01-31,kvname=KvName,proto=both,"
                                  "mask=255.255.255.0,gateway=10.60.1.1"});
        SimulatedDevices imposter(4, {"mac=02:00:5e:aa:bb:cc,name=Imposter,proto=json,mask=255.255.255.0,gateway=10.60.1.1"});
        SimulatedDevices bad(5, misbehaving);
        QVERIFY(jsonOnly.ready() && kvOnly.ready() && both.ready() && imposter.ready() && bad.ready());

        openWindow();
        StdoutCapture console;
        QTest::mouseClick(search, Qt::LeftButton);
        QCOMPARE(table->rowCount(), 0);
        QCOMPARE(devices->text(), QStringLiteral("Device:0"));

        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 4, 5000);
        QTest::qWait(500); // late or duplicate replies would show now
        // While the sweep runs, Search is off and says why; a press that reaches it anyway
        // (a shortcut) says so on the console and clears nothing.
        QVERIFY(list->searchBusy);
        QVERIFY(!search->isEnabled());
        QVERIFY(search->toolTip().contains(QStringLiteral("neighbour sweep")));
        list->on_pushButton_14_clicked();
        QCOMPARE(table->rowCount(), 4);
        QVERIFY2(console.text().find("Search pressed while the last one still runs") != std::string::npos,
                 console.text().c_str());
        if (const QByteArray dir = qgetenv("BM_SCREENSHOT_DIR"); !dir.isEmpty())
            window->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/search-busy.png"));

        const QStringList ips{"10.60.1.31", "10.60.1.32", "192.168.50.21", "192.168.50.22"};
        const QStringList names{"KvName", "Imposter", "CamA", QString::fromUtf8("Süd-Tor")};
        const QStringList macs{"02-00-5E-60-01-31", "02:00:5e:aa:bb:cc", "02:00:5e:50:00:21", "02-00-5E-50-00-22"};
        const QStringList gateways{"10.60.1.1", "10.60.1.1", "192.168.50.1", "192.168.50.1"};
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(cell(table, row, 2), ips[row]);
            QCOMPARE(cell(table, row, 0), names[row]);
            QCOMPARE(cell(table, row, 1), macs[row]);
            QCOMPARE(cell(table, row, 3), QStringLiteral("255.255.255.0"));
            QCOMPARE(cell(table, row, 4), gateways[row]);
            QCOMPARE(buttonText(table, row, 5), QStringLiteral("Modify"));
            QCOMPARE(buttonText(table, row, 6), QStringLiteral("Access Web"));
            QCOMPARE(table->rowHeight(row), 80);
        }
        QCOMPARE(devices->text(), QStringLiteral("Device:4"));

        QTRY_COMPARE_WITH_TIMEOUT(conflicts->text(), QStringLiteral("Conflicts:1"), 10000);
        QCOMPARE(table->item(1, 2)->foreground().color(), QColor(250, 81, 81));
        for (int row : {0, 2, 3})
            QVERIFY(table->item(row, 2)->foreground().color() != QColor(250, 81, 81));
        QVERIFY2(console.text().find("Ip:10.60.1.32conflict 02:00:5e:60:01:32 02005eaabbcc\n") != std::string::npos,
                 console.text().c_str());
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 5000);
        QVERIFY(search->isEnabled());

        // Once the sweep is over, Search clears the table again.
        QTest::mouseClick(search, Qt::LeftButton);
        QCOMPARE(table->rowCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 4, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
        closeWindow();
    }

    void oddButWellFormedRepliesAreListed()
    {
        // Magic and checksum are never checked, and bytes after the declared payload are
        // ignored: such replies still describe their device.
        SimulatedDevices odd(5, {"ip=192.168.50.111,mac=02:cc:00:00:00:01,name=Magic,proto=json,misbehave=wrong-magic",
                                 "ip=192.168.50.112,mac=02:cc:00:00:00:02,name=Sum,proto=json,misbehave=wrong-checksum",
                                 "ip=192.168.50.113,mac=02:cc:00:00:00:03,name=Tail,proto=json,misbehave=extra-bytes"});
        QVERIFY(odd.ready());
        openWindow();
        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 3, 5000);
        QCOMPARE(cell(table, 0, 0), QStringLiteral("Magic"));
        QCOMPARE(cell(table, 1, 0), QStringLiteral("Sum"));
        QCOMPARE(cell(table, 2, 0), QStringLiteral("Tail"));
        // Each answers from its own address, though the three share a host.
        QCOMPARE(cell(table, 0, 2), QStringLiteral("192.168.50.111"));
        QCOMPARE(cell(table, 2, 2), QStringLiteral("192.168.50.113"));
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
        closeWindow();
    }

    void escapeSequencesFromADeviceAreShownEscaped()
    {
        // Any host on the network can answer: a name that would set the terminal's title and
        // forge a line, a MAC that would clear the screen.
        SimulatedDevices hostile(5, {"ip=192.168.50.114,mac=02:cc:00:00:00:04\x1b[2J,name=\x1b]0;pwn\x07" "Cam\n[OK] x,proto=both"});
        QVERIFY(hostile.ready());
        InitSpdLog(); // the real logger, with its console sink
        StdoutCapture console;
        openWindow();
        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
        QCOMPARE(cell(table, 0, 1), QStringLiteral("02:cc:00:00:00:04\\x1b[2J"));
        QCOMPARE(cell(table, 0, 2), QStringLiteral("192.168.50.114"));
        QTRY_COMPARE_WITH_TIMEOUT(cell(table, 0, 0), QStringLiteral("\\x1b]0;pwn\\x07Cam\\x0a[OK] x"), 2000);
        if (const QByteArray dir = qgetenv("BM_SCREENSHOT_DIR"); !dir.isEmpty())
            window->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/hostile-device.png"));
        closeWindow();
        gsdplog.reset();
        const std::string out = console.text();
        QVERIFY2(out.find("02:cc:00:00:00:04\\x1b[2J") != std::string::npos, out.c_str());
        QVERIFY2(out.find("\\x1b]0;pwn\\x07Cam\\x0a[OK] x") != std::string::npos, out.c_str());
        QVERIFY(out.find('\x1b') == std::string::npos);
        QVERIFY(out.find('\x07') == std::string::npos);
        QVERIFY(out.find("\n[OK] x") == std::string::npos);
    }

    // Another program on a reply port when the window starts: the window says so, under the
    // counters and on the console, and lists the devices at the first Search after it quits.
    void aHeldReplyPortIsReportedAndTheEndpointStartsOnceItIsFree()
    {
        SimulatedDevices wired(1, {"mac=02:00:5e:50:00:21,name=Wired,proto=json"});
        QVERIFY(wired.ready());
        const int holder = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(21089);
        QVERIFY(bind(holder, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
        const std::string held = "UDP port 21089 is held by another program (pid " + std::to_string(getpid());
        {
            StdoutCapture errors(2);
            openWindow();
            QVERIFY2(errors.text().find(held) != std::string::npos, errors.text().c_str());
        }
        auto* warning = list->findChild<QLabel*>(QStringLiteral("portWarning"));
        QVERIFY(warning && warning->isVisible());
        if (const QByteArray dir = qgetenv("BM_SCREENSHOT_DIR"); !dir.isEmpty())
            window->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/port-held.png"));
        QVERIFY2(warning->text().toStdString().find(held) != std::string::npos, qPrintable(warning->text()));

        close(holder);
        StdoutCapture console;
        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 1, 5000);
        QCOMPARE(cell(table, 0, 0), QStringLiteral("Wired"));
        QVERIFY(!warning->isVisible());
        QVERIFY2(console.text().find("UDP MultiNIC initialized with") != std::string::npos, console.text().c_str());
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
        closeWindow();
    }

    // The host's own record (the identifier of every JSON packet, the panel's gateway
    // default) follows the ports: started before the wired port had its address, the window
    // takes it once it has.
    void theLocalRecordFollowsThePorts()
    {
        QVERIFY(runInHost("tool", "ip addr del 192.168.50.10/24 dev enp1s0"));
        openWindow();
        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
        QCOMPARE(QString::fromStdString(getloacMacIp().ip), QStringLiteral("10.60.1.10"));
        QVERIFY(runInHost("tool", "ip addr add 192.168.50.10/24 dev enp1s0 && ip route replace default via 192.168.50.1 dev enp1s0"));
        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
        QCOMPARE(QString::fromStdString(getloacMacIp().ip), QStringLiteral("192.168.50.10"));
        closeWindow();
    }

    void aPortThatComesUpLaterIsSearchedAndOneThatGoesIsNotSentThrough()
    {
        SimulatedDevices wired(1, {"mac=02:00:5e:50:00:21,name=Wired,proto=json"});
        SimulatedDevices wireless(3, {"mac=02:00:5e:60:01:31,name=Wireless,proto=both"});
        QVERIFY(wired.ready() && wireless.ready());
        // The Wi-Fi port has no address yet when the tool starts (no lease, not joined).
        QVERIFY(runInHost("tool", "ip addr del 10.60.1.10/24 dev wlp2s0"));
        openWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);

        QVERIFY(runInHost("tool", "ip addr add 10.60.1.10/24 dev wlp2s0"));
        {
            StdoutCapture console;
            QTest::mouseClick(search, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 2, 5000);
            QCOMPARE(cell(table, 0, 2), QStringLiteral("10.60.1.31"));
            QCOMPARE(cell(table, 1, 2), QStringLiteral("192.168.50.21"));
            QVERIFY2(console.text().find("Found NIC: wlp2s0 - 10.60.1.10\n") != std::string::npos, console.text().c_str());
            QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
        }

        QVERIFY(runInHost("tool", "ip addr del 10.60.1.10/24 dev wlp2s0"));
        {
            StdoutCapture errors(2);
            QTest::mouseClick(search, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 1, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
            QCOMPARE(cell(table, 0, 2), QStringLiteral("192.168.50.21"));
            QVERIFY2(errors.text().find("Failed to send") == std::string::npos, errors.text().c_str());
        }
        QVERIFY(runInHost("tool", "ip addr add 10.60.1.10/24 dev wlp2s0"));
        closeWindow();
    }
};

BM_LAB_QTEST_MAIN(EndToEndSearch)
#include "test_e2e_search.moc"
