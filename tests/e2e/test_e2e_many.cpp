// A busy site: 150 simulated devices on one subnet, each answering both protocols within
// the same millisecond. Every one of them must be listed after one Search, every time.
#include "brenmoor.h"
#include "ctopwidget.h"
#include "labguard.h"
#include "labprocess.h"
#include "mainwindow.h"
#include "startup.h"

#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

constexpr int kDevices = 150;

// RcvbufErrors of the Udp line in /proc/net/snmp: datagrams dropped for a full receive buffer.
long receiveBufferErrors()
{
    std::ifstream snmp("/proc/net/snmp");
    std::string header;
    std::string values;
    std::string line;
    while (std::getline(snmp, line)) {
        if (line.rfind("Udp: ", 0) == 0) {
            if (header.empty())
                header = line;
            else
                values = line;
        }
    }
    std::istringstream names(header);
    std::istringstream numbers(values);
    std::string name;
    std::string number;
    while (names >> name && numbers >> number) {
        if (name == "RcvbufErrors")
            return std::stol(number);
    }
    return -1;
}

} // namespace

class EndToEndManyDevices : public QObject
{
    Q_OBJECT

    std::unique_ptr<brenmoor::test::SimulatedDevices> devices;

private slots:
    void initTestCase()
    {
        const std::string command = std::string(BM_LAB_SCRIPT) + " many " + std::to_string(kDevices) + " >/dev/null";
        QVERIFY(std::system(command.c_str()) == 0);
        QStringList specs;
        for (int i = 1; i <= kDevices; ++i)
            specs << QStringLiteral("ip=10.60.1.%1,mac=02:00:5f:01:00:%2,name=M%3,proto=both,gateway=10.60.1.1")
                         .arg(39 + i)
                         .arg(i, 2, 16, QLatin1Char('0'))
                         .arg(i);
        devices = std::make_unique<brenmoor::test::SimulatedDevices>(QStringLiteral("many"), specs);
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
        const long dropsBefore = receiveBufferErrors();
        for (int round = 0; round < 3; ++round) {
            QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 15000);
            QTest::mouseClick(search, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), kDevices, 10000);
            QTest::qWait(300);
            QCOMPARE(table->rowCount(), kDevices);
        }
        QCOMPARE(receiveBufferErrors() - dropsBefore, 0L);
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 15000);
    }

    void cleanupTestCase()
    {
        devices.reset();
        // Leave the lab as the other tests know it: no extra host, no neighbours of its devices.
        std::system(("ip netns del " + brenmoor::test::labPrefix() + "-many 2>/dev/null; ip neigh flush all").c_str());
    }
};

int main(int argc, char** argv)
{
    brenmoor::test::requireLabNamespace(argv[0]);
    setHighDpiAttributes();
    QApplication app(argc, argv);
    installApplicationFont();
    EndToEndManyDevices test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_e2e_many.moc"
