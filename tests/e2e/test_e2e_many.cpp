// A busy site: 80 simulated devices on each of three networks of the many hosts (one of them
// a VLAN on a trunk port), 240 in all, each answering both protocols within the same
// millisecond, every fourth by broadcast. (The kernel's neighbour table, shared by every
// namespace, holds 1,024 entries by default: three swept /24s and the devices' entries fit.) Every one of them must be listed after a Search,
// every time, and none may be lost to a full receive buffer.
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "tests/support/labprocess.h"
#include "tests/support/labqtestmain.h"
#include "ui/mainwindow.h"

#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <set>

namespace {
constexpr int kPerNetwork = 80;
constexpr int kNetworks = 3;
constexpr int kDevices = kPerNetwork * kNetworks;
} // namespace

class EndToEndManyDevices : public QObject
{
    Q_OBJECT

    std::unique_ptr<brenmoor::test::ManyDevices> devices;

private slots:
    void initTestCase()
    {
        devices = std::make_unique<brenmoor::test::ManyDevices>(kPerNetwork, kNetworks);
        QVERIFY(devices->ready());
    }

    void everyDeviceOnEveryNetworkIsListedAfterEverySearch()
    {
        Brenmoor window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        mainwindow* list = window.panel()->deviceWindow;
        auto* table = list->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        auto* search = list->findChild<QPushButton*>(QStringLiteral("pushButton_14"));
        const long dropsBefore = brenmoor::test::udpReceiveBufferErrors();
        for (int round = 0; round < 2; ++round) {
            QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 30000);
            QTest::mouseClick(search, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), kDevices, 10000);
            QTest::qWait(300);
            QCOMPARE(table->rowCount(), kDevices);
        }
        // Eighty on each network, the VLAN's included: first and last of each by address.
        std::set<QString> ips;
        for (int row = 0; row < table->rowCount(); ++row)
            ips.insert(table->item(row, 2)->text());
        for (const char* network : {"10.60.1.", "192.168.50.", "10.20.0."}) {
            QVERIFY2(ips.count(QString::fromLatin1(network) + "50"), network);
            QVERIFY2(ips.count(QString::fromLatin1(network) + "129"), network);
        }
        QCOMPARE(brenmoor::test::udpReceiveBufferErrors() - dropsBefore, 0L);
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 30000);
    }

    void cleanupTestCase() { devices.reset(); }
};

BM_LAB_QTEST_MAIN(EndToEndManyDevices)
#include "test_e2e_many.moc"
