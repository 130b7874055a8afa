// A busy site: 150 simulated devices on one subnet, each answering both protocols within
// the same millisecond. Every one of them must be listed after one Search, every time.
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "app/startup.h"
#include "tests/support/labprocess.h"
#include "tests/support/labqtestmain.h"
#include "ui/mainwindow.h"

#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
constexpr int kDevices = 150;
} // namespace

class EndToEndManyDevices : public QObject
{
    Q_OBJECT

    std::unique_ptr<brenmoor::test::SimulatedDevices> devices;

private slots:
    void initTestCase()
    {
        QVERIFY(brenmoor::test::buildManyHost(kDevices));
        devices = std::make_unique<brenmoor::test::SimulatedDevices>(QStringLiteral("many"),
                                                                     brenmoor::test::manyDeviceSpecs(kDevices));
        QVERIFY(devices->ready());
    }

    void everyDeviceIsListedAfterEverySearch()
    {
        Brenmoor window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        mainwindow* list = window.panel()->deviceWindow;
        auto* table = list->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        auto* search = list->findChild<QPushButton*>(QStringLiteral("pushButton_14"));
        const long dropsBefore = brenmoor::test::udpReceiveBufferErrors();
        for (int round = 0; round < 3; ++round) {
            QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 15000);
            QTest::mouseClick(search, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), kDevices, 10000);
            QTest::qWait(300);
            QCOMPARE(table->rowCount(), kDevices);
        }
        QCOMPARE(brenmoor::test::udpReceiveBufferErrors() - dropsBefore, 0L);
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 15000);
    }

    void cleanupTestCase()
    {
        devices.reset();
        brenmoor::test::removeManyHost();
    }
};

BM_LAB_QTEST_MAIN(EndToEndManyDevices)
#include "test_e2e_many.moc"
