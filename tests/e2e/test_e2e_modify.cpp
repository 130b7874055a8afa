// Changing a device's settings from end to end, and opening its web page: the real window
// on the lab's tool host, simulated devices that record what reaches them and apply what
// they are told.
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "app/startup.h"
#include "base/logging.h"
#include "tests/support/capturedlog.h"
#include "tests/support/devicerecords.h"
#include "tests/support/labprocess.h"
#include "tests/support/labqtestmain.h"
#include "tests/support/screenshot.h"
#include "ui/mainwindow.h"
#include "ui/modifyipdialog.h"

#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <nlohmann/json.hpp>

using brenmoor::test::recorded;
using brenmoor::test::recordedSetKinds;
using brenmoor::test::runInHost;
using brenmoor::test::saveShot;
using brenmoor::test::SimulatedDevices;
using brenmoor::test::StdoutCapture;

namespace {

// Stands in for the desktop's browser.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QStringList urls() const
    {
        QMutexLocker lock(&mutex);
        return opened;
    }
public slots:
    void open(const QUrl& url) // called on the Access Web worker thread
    {
        QMutexLocker lock(&mutex);
        opened << url.toString();
    }

private:
    mutable QMutex mutex;
    QStringList opened;
};

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::vector<unsigned char> unhex(const std::string& text)
{
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace

class EndToEndModify : public QObject
{
    Q_OBJECT

    QTemporaryDir records;
    std::unique_ptr<SimulatedDevices> dev1, dev2, dev3, dev5;
    std::unique_ptr<Brenmoor> window;
    mainwindow* list = nullptr;
    QTableWidget* table = nullptr;
    // Installed before the window exists and removed after it is gone: the Access Web worker
    // logs through it from its own thread.
    std::shared_ptr<brenmoor::test::CapturedLog> logged = std::make_shared<brenmoor::test::CapturedLog>();

    QString record(int host) const { return records.filePath(QStringLiteral("dev%1.jsonl").arg(host)); }

    int rowOf(const QString& ip)
    {
        for (int row = 0; row < table->rowCount(); ++row)
            if (table->item(row, 2)->text() == ip)
                return row;
        return -1;
    }

    QPushButton* rowButton(int row, int column) { return table->cellWidget(row, column)->findChild<QPushButton*>(); }

    QList<modifyIPDialog*> openPanels() { return list->findChildren<modifyIPDialog*>(); }

    void search(int expectedRows)
    {
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 15000);
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("pushButton_14")), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), expectedRows, 5000);
        QTest::qWait(300);
    }

    static void typeInto(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(records.isValid());
        dev1 = std::make_unique<SimulatedDevices>(1, QStringList{"mac=02:00:5e:50:00:21,name=CamA,proto=json,gateway=192.168.50.1"},
                                                  record(1), true);
        dev2 = std::make_unique<SimulatedDevices>(2, QStringList{"mac=02-00-5E-50-00-22,name=GateKV,proto=kv,gateway=192.168.50.1"},
                                                  record(2));
        dev3 = std::make_unique<SimulatedDevices>(3, QStringList{"mac=02:00:5e:60:01:31,name=Lobby,proto=json,gateway=10.60.1.1"},
                                                  record(3));
        dev5 = std::make_unique<SimulatedDevices>(5, QStringList{"mac=02:00:5e:50:00:40,name=NoGateway12,proto=both"}, record(5));
        QVERIFY(dev1->ready() && dev2->ready() && dev3->ready() && dev5->ready());

        logged->set_pattern("%v");
        gsdplog = std::make_shared<spdlog::logger>("test", logged);
        window = std::make_unique<Brenmoor>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        list = window->panel()->deviceWindow;
        table = list->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        search(4);
    }

    void cleanupTestCase()
    {
        window.reset(); // waits for the window's workers
        gsdplog.reset();
        dev1.reset();
        runInHost("dev1", "ip addr flush dev eth0 && ip addr add 192.168.50.21/24 dev eth0");
    }

    void invalidInputKeepsThePanelAndSendsNothing()
    {
        const int row = rowOf(QStringLiteral("192.168.50.22"));
        QVERIFY(row >= 0);
        QTest::mouseClick(rowButton(row, 5), Qt::LeftButton);
        QCOMPARE(openPanels().size(), 1);
        modifyIPDialog* panel = openPanels().first();
        // Centred over the 1440 x 756 list: (1439/2 - 369/2, 755/2 - 435/2).
        QCOMPARE(panel->pos(), QPoint(535, 160));
        saveShot(window.get(), "modify-panel.png");

        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")), QStringLiteral("8.8.8.8"));
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
        QCOMPARE(panel->findChild<QLabel*>(QStringLiteral("label_5"))->text(), QStringLiteral("Using private IP address"));
        saveShot(window.get(), "modify-panel-error.png");
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")), QString());
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
        QCOMPARE(panel->findChild<QLabel*>(QStringLiteral("label_5"))->text(), QStringLiteral("Invalid IP address format"));
        // Settings that would strand the device are refused as well.
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")), QStringLiteral("192.168.50.23"));
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_3")), QStringLiteral("255.255.255.255"));
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
        QCOMPARE(panel->findChild<QLabel*>(QStringLiteral("label_5"))->text(),
                 QStringLiteral("Invalid subnet mask: 255.255.255.255 leaves no room for the device and a gateway"));
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_3")), QStringLiteral("255.255.255.0"));
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_4")), QStringLiteral("192.168.50.23"));
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
        QCOMPARE(panel->findChild<QLabel*>(QStringLiteral("label_5"))->text(), QStringLiteral("Gateway must not be the IP address itself"));
        // An address another device, or this computer, answers from is refused too, once it
        // has been asked on the wire: two devices would answer there.
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_4")), QStringLiteral("192.168.50.1"));
        const struct
        {
            const char* ip;
            const char* reason;
        } taken[] = {{"192.168.50.21", "IP address 192.168.50.21 is already used by device 02:00:5e:50:00:21"},
                     {"192.168.050.010", "IP address 192.168.50.10 is already used by this computer (02:42:c0:a8:32:0a on enp1s0)"}};
        for (const auto& address : taken) {
            StdoutCapture console;
            typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")), QString::fromLatin1(address.ip));
            QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
            QTRY_COMPARE(panel->findChild<QLabel*>(QStringLiteral("label_5"))->text(), QString::fromLatin1(address.reason));
            QVERIFY2(console.text().find(std::string("[ERROR] ") + address.reason + "\n") != std::string::npos, console.text().c_str());
        }
        QCOMPARE(openPanels().size(), 1);
        // A free address, and Cancel while it is still being asked: nothing goes out.
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")), QStringLiteral("192.168.50.23"));
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
        QCOMPARE(panel->findChild<QLabel*>(QStringLiteral("label_5"))->text(), QStringLiteral("Asking who holds 192.168.50.23 now"));
        QPointer<modifyIPDialog> guard(panel);
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_3")), Qt::LeftButton);
        QTRY_VERIFY(!guard);
        QTest::qWait(1500);
        QVERIFY(recordedSetKinds(record(2)).empty());
        QVERIFY(recordedSetKinds(record(1)).empty());
        QCOMPARE(table->item(row, 2)->text(), QStringLiteral("192.168.50.22"));
    }

    void aRowWithoutGatewayOffersHostOneAndNamesAreCutToEight()
    {
        const int row = rowOf(QStringLiteral("192.168.50.40"));
        QVERIFY(row >= 0);
        QCOMPARE(table->item(row, 4)->text(), QString());
        QTest::mouseClick(rowButton(row, 5), Qt::LeftButton);
        modifyIPDialog* panel = openPanels().last();
        QCOMPARE(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_4"))->text(), QStringLiteral("192.168.50.1"));
        QCOMPARE(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit"))->text(), QStringLiteral("NoGatewa"));
        // A second panel may be open at the same time.
        QTest::mouseClick(rowButton(rowOf(QStringLiteral("10.60.1.31")), 5), Qt::LeftButton);
        QCOMPARE(openPanels().size(), 2);
        for (modifyIPDialog* open : openPanels())
            QTest::mouseClick(open->findChild<QPushButton*>(QStringLiteral("pushButton_3")), Qt::LeftButton);
        QTRY_COMPARE(openPanels().size(), 0);
    }

    void confirmRewritesTheRowAndTheDeviceReceivesBothCommandsInOrder()
    {
        const int row = rowOf(QStringLiteral("192.168.50.21"));
        QVERIFY(row >= 0);
        QTest::mouseClick(rowButton(row, 5), Qt::LeftButton);
        modifyIPDialog* panel = openPanels().first();
        QCOMPARE(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_5"))->text(), QStringLiteral("02:00:5e:50:00:21"));
        QCOMPARE(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2"))->text(), QStringLiteral("192.168.50.21"));
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")), QStringLiteral("192.168.50.77"));
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_3")), QStringLiteral("255.255.255.0"));
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_4")), QStringLiteral("192.168.50.254"));
        QPointer<modifyIPDialog> guard(panel);
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
        QTRY_VERIFY(!guard);

        // The row takes the new values once the device reports them, in place, not re-sorted.
        QTRY_COMPARE_WITH_TIMEOUT(rowOf(QStringLiteral("192.168.50.77")), row, 5000);
        QCOMPARE(table->item(row, 0)->text(), QStringLiteral("CamA"));
        QCOMPARE(table->item(row, 1)->text(), QStringLiteral("02:00:5e:50:00:21"));
        QCOMPARE(table->item(row, 3)->text(), QStringLiteral("255.255.255.0"));
        QCOMPARE(table->item(row, 4)->text(), QStringLiteral("192.168.50.254"));

        const std::string frame = "\x02MAC:02:00:5e:50:00:21\xffIPADR:192.168.50.77\xffMASK:255.255.255.0\xff"
                                  "GATEWAY:192.168.50.254\xffNAME:CamA\xff\x03";
        const std::string payload = R"({"gateway":"192.168.50.254","ip":"192.168.50.77","mac":"02:00:5e:50:00:21","submask":"255.255.255.0"})";
        // Every interface sends: the device on the first subnet and the one on the second see
        // the same two commands, key-value first.
        for (int host : {1, 3}) {
            QTRY_COMPARE_WITH_TIMEOUT(recordedSetKinds(record(host)).size(), size_t(2), 3000);
            QCOMPARE(recordedSetKinds(record(host)), (std::vector<std::string>{"kv-set", "json-set"}));
            QCOMPARE(QString::fromStdString(recorded(record(host), "kv-set").front()["hex"].get<std::string>()),
                     QString::fromStdString(hex(frame)));
            const auto packet = unhex(recorded(record(host), "json-set").front()["hex"].get<std::string>());
            QCOMPARE(packet.size(), size_t(23 + payload.size()));
            QCOMPARE(std::string(packet.begin(), packet.begin() + 3), std::string("kvo"));
            QCOMPARE(std::vector<unsigned char>(packet.begin() + 3, packet.begin() + 9),
                     (std::vector<unsigned char>{2, 0, 0, 0, static_cast<unsigned char>(payload.size()), 0}));
            QCOMPARE(std::vector<unsigned char>(packet.begin() + 11, packet.begin() + 13), (std::vector<unsigned char>{0, 0}));
            // source: enp1s0's MAC bytes 2..5, little-endian; target: every device
            QCOMPARE(std::vector<unsigned char>(packet.begin() + 15, packet.begin() + 23),
                     (std::vector<unsigned char>{0xc0, 0xa8, 0x32, 0x0a, 0xff, 0xff, 0xff, 0xff}));
            QCOMPARE(std::string(packet.begin() + 23, packet.end()), payload);
            QVERIFY(recorded(record(host), "json-set").front()["checksumOk"].get<bool>());
        }

        // The device took its new address: the next Search finds it there.
        search(4);
        const int found = rowOf(QStringLiteral("192.168.50.77"));
        QVERIFY(found >= 0);
        QCOMPARE(table->item(found, 1)->text(), QStringLiteral("02:00:5e:50:00:21"));
        QCOMPARE(rowOf(QStringLiteral("192.168.50.21")), -1);
    }

    // A change counts only when the device reports it: a device that ignores the command keeps
    // its row, amber, with the plan beside it in the tooltip and the export; one that obeys is
    // proven by the new gateway even though its address stays.
    void aChangeThatKeepsTheAddressIsProvenOnlyByTheNewValues()
    {
        struct
        {
            const char* ip;
            const char* mac;
            const char* gatewayBefore;
            const char* gatewayAfter; // what the row shows in the end
            const char* line;
            const char* status;
        } const rows[] = {
            {"192.168.50.22", "02-00-5E-50-00-22", "192.168.50.1", "192.168.50.1",
             "[WARNING] 02-00-5E-50-00-22 answers at 192.168.50.22 with mask 255.255.255.0 gateway 192.168.50.1 instead of "
             "mask 255.255.255.0 gateway 192.168.50.254",
             "unproven"},
            {"192.168.50.77", "02:00:5e:50:00:21", "192.168.50.254", "192.168.50.1", "[OK] 02:00:5e:50:00:21 answers at 192.168.50.77",
             "proven"},
        };
        for (const auto& change : rows) {
            const QString ip = QString::fromLatin1(change.ip);
            const QString newGateway = QString::fromLatin1(change.gatewayBefore) == QLatin1String("192.168.50.1")
                ? QStringLiteral("192.168.50.254")
                : QStringLiteral("192.168.50.1");
            const int row = rowOf(ip);
            QVERIFY(row >= 0);
            QCOMPARE(table->item(row, 4)->text(), QString::fromLatin1(change.gatewayBefore));
            StdoutCapture console;
            QTest::mouseClick(rowButton(row, 5), Qt::LeftButton);
            modifyIPDialog* panel = openPanels().first();
            typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_4")), newGateway);
            QPointer<modifyIPDialog> guard(panel);
            QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
            QTRY_VERIFY(!guard);
            QTRY_VERIFY_WITH_TIMEOUT(console.text().find(change.line) != std::string::npos, 12000);
            QCOMPARE(table->item(row, 2)->text(), ip);
            QCOMPARE(table->item(row, 4)->text(), QString::fromLatin1(change.gatewayAfter));
            const QString exported = records.filePath(QStringLiteral("export.json"));
            QVERIFY(list->exportTo(exported));
            QFile file(exported);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const auto devices = nlohmann::json::parse(file.readAll().toStdString());
            const auto device = std::find_if(devices.begin(), devices.end(), [&](const nlohmann::json& d) {
                return d["mac"] == change.mac;
            });
            QVERIFY(device != devices.end());
            QCOMPARE(QString::fromStdString((*device)["status"].get<std::string>()), QString::fromLatin1(change.status));
            QCOMPARE(QString::fromStdString((*device)["gateway"].get<std::string>()), QString::fromLatin1(change.gatewayAfter));
            QCOMPARE(QString::fromStdString((*device)["planned_gateway"].get<std::string>()), newGateway);
            if (QLatin1String(change.status) == QLatin1String("unproven")) {
                saveShot(window.get(), "unproven-row.png");
                QCOMPARE(table->item(row, 2)->foreground().color(), QColor(255, 176, 32));
                QVERIFY(table->item(row, 2)->toolTip().contains(QStringLiteral("Sent IP %1, mask 255.255.255.0, gateway %2").arg(ip, newGateway)));
            }
        }
    }

    void aNameWithAControlCharacterGoesBackAsTheDeviceSentIt()
    {
        SimulatedDevices dev4(4, {QStringLiteral("mac=02:00:5e:60:01:32,name=Lobby\tCam,proto=kv,gateway=10.60.1.1")},
                              record(4));
        QVERIFY(dev4.ready());
        search(5);
        const int row = rowOf(QStringLiteral("10.60.1.32"));
        QVERIFY(row >= 0);
        QCOMPARE(table->item(row, 0)->text(), QStringLiteral("Lobby\\x09Cam")); // shown escaped
        QTest::mouseClick(rowButton(row, 5), Qt::LeftButton);
        modifyIPDialog* panel = openPanels().first();
        QCOMPARE(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit"))->text(), QStringLiteral("Lobby\\x09Ca"));
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")), QStringLiteral("10.60.1.132"));
        QPointer<modifyIPDialog> guard(panel);
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
        QTRY_VERIFY(!guard);
        // Sent back with its tab, cut to eight characters, not as the backslash text shown.
        QTRY_COMPARE_WITH_TIMEOUT(recorded(record(4), "kv-set").size(), size_t(1), 3000);
        QCOMPARE(recorded(record(4), "kv-set").front()["pairs"][4],
                 nlohmann::json::parse(R"(["NAME","Lobby\tCa"])"));
    }

    void accessWebOpensTheAddressTheRowShowsNow()
    {
        UrlRecorder browser;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
        QTest::mouseClick(rowButton(rowOf(QStringLiteral("192.168.50.22")), 6), Qt::LeftButton);
        QTRY_COMPARE(browser.urls(), QStringList{"http://192.168.50.22"});

        // A key-value record moves the device: its row shows the new address, which opens.
        list->addDevice(QStringLiteral("02:00:5E:50:00:22"), QStringLiteral("192.168.50.99"), QStringLiteral("255.255.255.0"),
                        QStringLiteral("192.168.50.1"), QStringLiteral("GateKV"), 1);
        QTest::mouseClick(rowButton(rowOf(QStringLiteral("192.168.50.99")), 6), Qt::LeftButton);
        QTRY_COMPARE(browser.urls(), (QStringList{"http://192.168.50.22", "http://192.168.50.99"}));
        const auto openedTwiceAs22 = [this] {
            const std::string text = logged->text();
            const std::string line = "open 192.168.50.22 true\n";
            const size_t first = text.find(line);
            return first != std::string::npos && text.find(line, first + 1) != std::string::npos;
        };
        QTRY_VERIFY(openedTwiceAs22()); // the log names the address the row was created with
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    }

    void closingTheWindowWithPanelsOpenIsClean()
    {
        QTest::mouseClick(rowButton(0, 5), Qt::LeftButton);
        QTest::mouseClick(rowButton(1, 5), Qt::LeftButton);
        QCOMPARE(openPanels().size(), 2);
        window.reset();
        list = nullptr;
        table = nullptr;
    }
};

BM_LAB_QTEST_MAIN(EndToEndModify)
#include "test_e2e_modify.moc"
