// A device fresh from its box, from end to end: it sits at its factory address 192.168.1.64,
// outside both of the tool host's networks, on the link of wlp2s0, and answers discovery by
// broadcast, as a device without a route to the asker does. With Debian's loose reverse-path
// filter and a default route its reply gets in: Search lists it, Confirm gives it an address
// in wlp2s0's network, and the next Search finds it there. Without the default route the
// kernel drops the reply, and the tool says so.
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "tests/support/devicerecords.h"
#include "tests/support/labprocess.h"
#include "tests/support/labqtestmain.h"
#include "ui/mainwindow.h"
#include "ui/modifyipdialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using brenmoor::test::recorded;
using brenmoor::test::recordedSetKinds;
using brenmoor::test::runInHost;
using brenmoor::test::SimulatedDevices;
using brenmoor::test::StdoutCapture;

namespace {

const QString kFactoryDevice = QStringLiteral("ip=192.168.1.64,mac=02:00:5e:01:00:64,name=FreshCam,proto=both,"
                                              "mask=255.255.255.0,gateway=192.168.1.1,reply=broadcast");
const char* kDropLine = "were dropped by the kernel's reverse-path filter";

QStringList rows(QTableWidget* table)
{
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r)
        out << table->item(r, 0)->text() + " " + table->item(r, 1)->text() + " " + table->item(r, 2)->text();
    return out;
}

} // namespace

class EndToEndCommission : public QObject
{
    Q_OBJECT

    QTemporaryDir records;
    std::unique_ptr<SimulatedDevices> device;
    std::unique_ptr<Brenmoor> window;
    mainwindow* list = nullptr;
    QTableWidget* table = nullptr;

    QString record() const { return records.filePath(QStringLiteral("dev6.jsonl")); }

    void openWindow()
    {
        window = std::make_unique<Brenmoor>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        list = window->panel()->deviceWindow;
        table = list->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
    }

    // Presses Search and waits for the whole search, its sweep included.
    void search()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 15000);
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("pushButton_14")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(list->searchBusy, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 15000);
    }

    static void typeInto(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    // Back to its factory address, answering afresh.
    void factoryReset()
    {
        device.reset();
        QVERIFY(runInHost("dev6", "ip addr flush dev eth0 && ip addr add 192.168.1.64/24 dev eth0 && "
                                  "ip route replace default via 192.168.1.1 dev eth0"));
        device = std::make_unique<SimulatedDevices>(6, QStringList{kFactoryDevice}, record(), true);
        QVERIFY(device->ready());
    }

private slots:
    void initTestCase() { factoryReset(); }

    void cleanup()
    {
        window.reset();
        runInHost("tool", "ip route replace default via 192.168.50.1 dev enp1s0");
    }

    void cleanupTestCase()
    {
        device.reset();
        runInHost("dev6", "ip addr flush dev eth0 && ip addr add 192.168.1.64/24 dev eth0 && "
                          "ip route replace default via 192.168.1.1 dev eth0");
    }

    void aFactoryFreshDeviceIsFoundGivenAnAddressAndFoundThere()
    {
        openWindow();
        StdoutCapture console;
        search();
        QCOMPARE(rows(table), QStringList{"FreshCam 02:00:5e:01:00:64 192.168.1.64"});
        QCOMPARE(list->findChild<QPushButton*>(QStringLiteral("pushButton_15"))->text(), QStringLiteral("Conflicts:0"));

        QTest::mouseClick(table->cellWidget(0, 5)->findChild<QPushButton*>(), Qt::LeftButton);
        auto* panel = list->findChild<modifyIPDialog*>();
        QVERIFY(panel);
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")), QStringLiteral("10.60.1.64"));
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_3")), QStringLiteral("255.255.255.0"));
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_4")), QStringLiteral("10.60.1.1"));
        QPointer<modifyIPDialog> open(panel);
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
        QTRY_VERIFY(!open);

        // Both commands reach it by broadcast, key-value first, and it takes the address.
        QTRY_COMPARE_WITH_TIMEOUT(recordedSetKinds(record()), (std::vector<std::string>{"kv-set", "json-set"}), 3000);
        const nlohmann::json fields = recorded(record(), "json-set").front()["fields"];
        QCOMPARE(QString::fromStdString(fields.dump()),
                 QStringLiteral(R"({"gateway":"10.60.1.1","ip":"10.60.1.64","mac":"02:00:5e:01:00:64","submask":"255.255.255.0"})"));
        QTRY_VERIFY_WITH_TIMEOUT(runInHost("dev6", "ip -4 -o addr show dev eth0 | grep -q ' 10.60.1.64/24 '"), 3000);

        search();
        QCOMPARE(rows(table), QStringList{"FreshCam 02:00:5e:01:00:64 10.60.1.64"});
        QVERIFY2(console.text().find(kDropLine) == std::string::npos, "nothing was dropped, so nothing is said");
    }

    void withoutADefaultRouteTheKernelDropsTheReplyAndTheToolSaysSo()
    {
        factoryReset();
        QVERIFY(runInHost("tool", "ip route del default"));
        openWindow();
        StdoutCapture console;
        search();
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(!recorded(record(), "json-discovery").empty()); // it was asked, and answered
        const QString text = QString::fromStdString(console.text());
        const QRegularExpression line(QStringLiteral(
            R"(\n([1-9][0-9]*) datagrams? from addresses outside this host's networks were dropped by the kernel's )"
            R"(reverse-path filter \(.*\)\. To let them in, set net\.ipv4\.conf\.all\.rp_filter and the interface's own )"
            R"(net\.ipv4\.conf\.<interface>\.rp_filter \(the larger of the two applies\) to 0, or to 2 with a default route\. )"
            R"(Now: all 2, enp1s0 2, wlp2s0 2, tun0 2; default route: none\n)"));
        const QRegularExpressionMatch match = line.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text.right(2000)));
        // One JSON and one key-value reply at least; the sweep's own traffic is all local.
        QVERIFY(match.captured(1).toInt() >= 2);
        QCOMPARE(text.count(QString::fromLatin1(kDropLine)), 1);
    }
};

BM_LAB_QTEST_MAIN(EndToEndCommission)
#include "test_e2e_commission.moc"
