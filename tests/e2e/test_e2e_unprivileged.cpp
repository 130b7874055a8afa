// The tool needs no root: the real window, run as the ordinary user nobody on the lab's tool
// host (tests/support/run-unprivileged.sh starts the simulated devices as root first), lists
// the devices and a Confirm reaches them.
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "tests/support/devicerecords.h"
#include "tests/support/labprocess.h"
#include "tests/support/labqtestmain.h"
#include "ui/mainwindow.h"
#include "ui/modifyipdialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <unistd.h>

using brenmoor::test::recorded;
using brenmoor::test::StdoutCapture;

class EndToEndUnprivileged : public QObject
{
    Q_OBJECT

    QString records;

private slots:
    void initTestCase()
    {
        QVERIFY2(getuid() != 0 && geteuid() != 0, "this test must run as an ordinary user");
        records = QString::fromLocal8Bit(qgetenv("BM_RECORDS"));
        QVERIFY2(!records.isEmpty(), "BM_RECORDS names the devices' recordings");
    }

    void searchListsTheDevicesAndConfirmReachesThem()
    {
        Brenmoor window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        mainwindow* list = window.panel()->deviceWindow;
        auto* table = list->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("pushButton_14")), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 2, 5000);
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("10.60.1.31"));
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Lobby"));
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral("192.168.50.21"));
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("CamA"));

        QTest::mouseClick(table->cellWidget(1, 5)->findChild<QPushButton*>(), Qt::LeftButton);
        auto* panel = list->findChild<modifyIPDialog*>();
        QVERIFY(panel);
        auto* address = panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2"));
        address->selectAll();
        QTest::keyClicks(address, QStringLiteral("192.168.50.78"));
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);

        // Both devices hear both commands; each decodes the new address for the MAC.
        QTRY_COMPARE_WITH_TIMEOUT(recorded(records + QStringLiteral("/dev1.jsonl"), "-set").size(), size_t(2), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(recorded(records + QStringLiteral("/dev3.jsonl"), "-set").size(), size_t(2), 3000);
        for (const nlohmann::json& set : recorded(records + QStringLiteral("/dev1.jsonl"), "-set")) {
            if (set["kind"] == "json-set") {
                QCOMPARE(QString::fromStdString(set["fields"]["mac"].get<std::string>()), QStringLiteral("02:00:5e:50:00:21"));
                QCOMPARE(QString::fromStdString(set["fields"]["ip"].get<std::string>()), QStringLiteral("192.168.50.78"));
            } else {
                QCOMPARE(QString::fromStdString(set["pairs"][1][1].get<std::string>()), QStringLiteral("192.168.50.78"));
            }
        }
        // These devices record commands and stay where they are: the row keeps what the device
        // answered, the change pending until it reports the new address.
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral("192.168.50.21"));
        QVERIFY(table->item(1, 2)->font().italic());
        QVERIFY(table->item(1, 2)->toolTip().startsWith(QStringLiteral("Sent IP 192.168.50.78")));
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
    }

    // The ARP helper copied as a user copies a file loses its capability: the kernel's table
    // serves, and the window says once what that may cost and how to grant it. The copy that
    // holds it answers for the sweep, though the program runs as nobody.
    void withoutTheHelpersCapabilityTheKernelServesAndTheWindowSaysSo_data()
    {
        QTest::addColumn<QByteArray>("helper");
        QTest::addColumn<bool>("capable");
        QTest::newRow("copied without setcap") << qgetenv("BM_ARP_PLAIN") << false;
        QTest::newRow("given cap_net_raw=ep") << qgetenv("BM_ARP_CAPABLE") << true;
    }
    void withoutTheHelpersCapabilityTheKernelServesAndTheWindowSaysSo()
    {
        QFETCH(QByteArray, helper);
        QFETCH(bool, capable);
        if (helper.isEmpty())
            QSKIP("no helper of the build was handed over (BM_ARP_PLAIN, BM_ARP_CAPABLE)");
        qputenv("BRENMOOR_ARP_HELPER", helper);
        Brenmoor window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        mainwindow* list = window.panel()->deviceWindow;
        auto* table = list->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        auto* note = list->findChild<QLabel*>(QStringLiteral("searchNote"));
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
        StdoutCapture errors(2);
        for (int search = 0; search < 2; ++search) {
            QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("pushButton_14")), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 2, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 10000);
            QCOMPARE(note->isVisible(), !capable);
        }
        const std::string said = errors.text();
        const std::string risk = "Conflicts with hosts that do not answer discovery";
        if (capable) {
            QVERIFY2(said.find(risk) == std::string::npos, said.c_str());
            return;
        }
        QVERIFY2(note->text().contains(QStringLiteral("setcap cap_net_raw=ep ") + QString::fromLocal8Bit(helper)),
                 qPrintable(note->text()));
        const size_t first = said.find(risk);
        QVERIFY2(first != std::string::npos, said.c_str());
        QVERIFY2(said.find(risk, first + 1) == std::string::npos, "said once, not at every Search");
    }
};

BM_LAB_QTEST_MAIN(EndToEndUnprivileged)
#include "test_e2e_unprivileged.moc"
