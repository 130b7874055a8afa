// A device fresh from its box, from end to end: it sits at its factory address 192.168.1.64,
// outside both of the tool host's networks, on the link of wlp2s0, and answers discovery by
// broadcast, as a device without a route to the asker does. With Debian's loose reverse-path
// filter and a default route its reply gets in: Search lists it, Confirm gives it an address
// in wlp2s0's network, and the next Search finds it there. Without the default route the
// kernel drops the reply, and the tool says so. A fleet of such devices, all at one factory
// address, is selected, given a range from the Assign Addresses panel, and every change is
// verified; the list is then exported.
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "tests/support/devicerecords.h"
#include "tests/support/labprocess.h"
#include "tests/support/labqtestmain.h"
#include "tests/support/screenshot.h"
#include "ui/mainwindow.h"
#include "ui/assignaddressespanel.h"
#include "ui/modifyipdialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <set>

using brenmoor::test::recorded;
using brenmoor::test::recordedSetKinds;
using brenmoor::test::runInHost;
using brenmoor::test::saveShot;
using brenmoor::test::FleetDevices;
using brenmoor::test::SimulatedDevices;
using brenmoor::test::StdoutCapture;

namespace {

const QString kFactoryDevice = QStringLiteral("ip=192.168.1.64,mac=02:00:5e:01:00:64,name=FreshCam,proto=both,"
                                              "mask=255.255.255.0,gateway=192.168.1.1,reply=broadcast");
const char* kDropLine = "were dropped by the kernel's reverse-path filter";

QStringList column(QTableWidget* table, int c)
{
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r)
        out << table->item(r, c)->text();
    return out;
}

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

    // The key goes where the keyboard's focus is, as a user's key press does.
    static void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }

    // Presses `key` (Tab or Backtab) until `target` has the focus: false after a round of the
    // chain without it.
    static bool tabTo(QWidget* target, Qt::Key key = Qt::Key_Tab)
    {
        for (int i = 0; i < 30 && QApplication::focusWidget() != target; ++i)
            press(key);
        return QApplication::focusWidget() == target;
    }

    // Types over the focused field and each next one, Tab between them.
    static void typeFields(const QStringList& values)
    {
        for (int i = 0; i < values.size(); ++i) {
            if (i > 0)
                press(Qt::Key_Tab);
            press(Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), values[i]);
        }
    }

    // A commissioning without a mouse: Tab to Search and Space, Tab into the list, Enter on the
    // row, the fields filled and Enter; then Ctrl+A, back to Assign Addresses, a range typed and
    // Enter, until the device reports its new settings. The focus comes back to the list each time.
    void aCommissioningWithTheKeyboardOnly()
    {
        factoryReset();
        const size_t setsBefore = recordedSetKinds(record()).size(); // the record file goes on
        openWindow();
        QApplication::setActiveWindow(window.get());
        auto* search = list->findChild<QPushButton*>(QStringLiteral("pushButton_14"));
        list->findChild<QPushButton*>(QStringLiteral("pushButton_16"))->setFocus();
        QVERIFY(tabTo(search));
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 15000);
        press(Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(list->searchBusy, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(!list->searchBusy, 15000);
        QCOMPARE(rows(table), QStringList{"FreshCam 02:00:5e:01:00:64 192.168.1.64"});

        QVERIFY(tabTo(table));
        press(Qt::Key_Home);
        QCOMPARE(table->currentRow(), 0);
        press(Qt::Key_Return);
        QPointer<modifyIPDialog> panel = list->findChild<modifyIPDialog*>();
        QVERIFY(panel);
        QCOMPARE(QApplication::focusWidget(), panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")));
        typeFields({QStringLiteral("10.60.1.64"), QStringLiteral("255.255.255.0"), QStringLiteral("10.60.1.1")});
        press(Qt::Key_Return);
        QTRY_VERIFY(!panel);
        QTRY_COMPARE_WITH_TIMEOUT(recordedSetKinds(record()).size(), setsBefore + 2, 3000);
        QCOMPARE(QString::fromStdString(recorded(record(), "json-set").back()["fields"].dump()),
                 QStringLiteral(R"({"gateway":"10.60.1.1","ip":"10.60.1.64","mac":"02:00:5e:01:00:64","submask":"255.255.255.0"})"));
        QTRY_VERIFY_WITH_TIMEOUT(runInHost("dev6", "ip -4 -o addr show dev eth0 | grep -q ' 10.60.1.64/24 '"), 3000);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(table));
        QTRY_VERIFY_WITH_TIMEOUT(!table->item(0, 2)->font().italic(), 12000); // proven at its new address

        // The same device, given a range by Assign Addresses.
        press(Qt::Key_A, Qt::ControlModifier);
        auto* assignButton = list->findChild<QPushButton*>(QStringLiteral("assignButton"));
        QVERIFY(assignButton->isEnabled());
        QVERIFY(tabTo(assignButton, Qt::Key_Backtab));
        press(Qt::Key_Space);
        QPointer<AssignAddressesPanel> assignPanel = list->findChild<AssignAddressesPanel*>();
        QVERIFY(assignPanel);
        QCOMPARE(QApplication::focusWidget(), assignPanel->findChild<QLineEdit*>(QStringLiteral("firstIp")));
        typeFields({QStringLiteral("10.60.1.70"), QStringLiteral("255.255.255.0"), QStringLiteral("10.60.1.1")});
        press(Qt::Key_Return);
        auto* lines = assignPanel->findChild<QTableWidget*>(QStringLiteral("assignLines"));
        QTRY_COMPARE_WITH_TIMEOUT(column(lines, 4), QStringList{"verified"}, 12000);
        QVERIFY(runInHost("dev6", "ip -4 -o addr show dev eth0 | grep -q ' 10.60.1.70/24 '"));
        press(Qt::Key_Return); // Close
        QTRY_VERIFY(!assignPanel);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(table));
    }

    // Clicks a row of the device table, with `modifiers`.
    void clickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        table->scrollToItem(table->item(row, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, table->visualItemRect(table->item(row, 0)).center());
    }

    // Selects rows first..last as a user does (a click, then Shift+click), opens the panel and
    // fills in the range.
    AssignAddressesPanel* assign(int first, int last, const QString& firstIp)
    {
        clickRow(first);
        clickRow(last, Qt::ShiftModifier);
        auto* button = list->findChild<QPushButton*>(QStringLiteral("assignButton"));
        if (!button || !button->isEnabled())
            return nullptr;
        QTest::mouseClick(button, Qt::LeftButton);
        auto* panel = list->findChild<AssignAddressesPanel*>();
        if (!panel)
            return nullptr;
        QTest::keyClicks(panel->findChild<QLineEdit*>(QStringLiteral("firstIp")), firstIp);
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("gateway")), QStringLiteral("10.60.1.1"));
        return panel;
    }

    void exportAs(const QString& path)
    {
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("exportButton")), Qt::LeftButton);
        QFileDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = list->findChild<QFileDialog*>(QStringLiteral("exportDialog"))) != nullptr);
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept"); // as Save does
        QTRY_VERIFY(QFileInfo::exists(path));
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

    void aFleetAtOneFactoryAddressGetsARangeAndEveryChangeIsVerified()
    {
        device.reset(); // the lone factory device leaves the link to the fleet
        // Twenty devices out of their boxes, all at 192.168.0.100 on the link of wlp2s0.
        FleetDevices fleet(20, QStringLiteral("192.168.0.100"), records.filePath(QStringLiteral("fleet.jsonl")));
        // A device already on an address of the range: the plan passes over it.
        QVERIFY(runInHost("dev3", "ip addr replace 10.60.1.104/24 dev eth0"));
        const std::shared_ptr<void> undo(nullptr, [](void*) { runInHost("dev3", "ip addr del 10.60.1.104/24 dev eth0"); });
        SimulatedDevices holder(3, {"ip=10.60.1.104,mac=02:00:5e:60:01:31,name=Holder,proto=json"});
        QVERIFY(fleet.ready() && holder.ready());

        openWindow();
        StdoutCapture console;
        search();
        QCOMPARE(table->rowCount(), 21);
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("10.60.1.104"));
        QCOMPARE(list->findChild<QPushButton*>(QStringLiteral("pushButton_15"))->text(), QStringLiteral("Conflicts:20"));

        AssignAddressesPanel* panel = assign(1, 20, QStringLiteral("10.60.1.100"));
        QVERIFY(panel);
        QCOMPARE(panel->windowTitle(), QStringLiteral("Assign Addresses"));
        auto* lines = panel->findChild<QTableWidget*>(QStringLiteral("assignLines"));
        QCOMPARE(lines->rowCount(), 20);
        QCOMPARE(panel->findChild<QLineEdit*>(QStringLiteral("submask"))->text(), QStringLiteral("255.255.255.0"));
        // In table order, the address in use passed over.
        QStringList planned;
        for (int host = 100; host <= 120; ++host)
            if (host != 104)
                planned << QStringLiteral("10.60.1.%1").arg(host);
        QCOMPARE(column(lines, 3), planned);
        QStringList macs = column(lines, 1);
        QCOMPARE(macs, column(table, 1).mid(1));

        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("confirmButton")), Qt::LeftButton);
        // The planned addresses are asked on the wire first; then the whole range goes out.
        QCOMPARE(panel->findChild<QLabel*>(QStringLiteral("assignMessage"))->text(),
                 QStringLiteral("Asking who holds the planned addresses now"));
        QTRY_COMPARE_WITH_TIMEOUT(column(lines, 4), QVector<QString>(20, QStringLiteral("verified")).toList(), 12000);
        saveShot(window.get(), "assign-panel.png");

        // Each device took its planned address, and said so from there.
        for (int i = 0; i < 20; ++i) {
            const QString ip = planned[i];
            const QString interface = QStringLiteral("mv%1").arg(macs[i].right(2).toInt(nullptr, 16));
            QVERIFY2(runInHost("fleet", "ip -4 -o addr show dev " + interface + " | grep -q ' " + ip + "/24 '"),
                     qPrintable(interface + " " + ip));
            const std::string line = "[OK] " + macs[i].toStdString() + " answers at " + ip.toStdString();
            QVERIFY2(console.text().find(line) != std::string::npos, line.c_str());
        }
        // The rows show the devices where they are, no longer pending nor in conflict.
        for (int r = 1; r <= 20; ++r) {
            QVERIFY(planned.contains(table->item(r, 2)->text()));
            QVERIFY(!table->item(r, 2)->font().italic());
        }
        QCOMPARE(list->findChild<QPushButton*>(QStringLiteral("pushButton_15"))->text(), QStringLiteral("Conflicts:0"));
        panel->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();

        search();
        QCOMPARE(table->rowCount(), 21);
        QCOMPARE(list->findChild<QPushButton*>(QStringLiteral("pushButton_15"))->text(), QStringLiteral("Conflicts:0"));
        QStringList addresses = column(table, 2);
        addresses.removeDuplicates();
        QCOMPARE(addresses.size(), 21);

        // The list, as files a spreadsheet and a script read.
        QTemporaryDir out;
        const QString csvPath = out.filePath(QStringLiteral("site.csv"));
        const QString jsonPath = out.filePath(QStringLiteral("site.json"));
        exportAs(csvPath);
        exportAs(jsonPath);
        QFile csv(csvPath);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList csvLines = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(csvLines.size(), 22);
        QCOMPARE(csvLines[0], QStringLiteral("name,mac,ip,submask,gateway,protocols,conflict,conflict_mac,maker,status,"
                                             "planned_ip,planned_mask,planned_gateway"));
        for (const QString& line : csvLines.mid(1))
            QCOMPARE(line.split(QLatin1Char(',')).size(), 13);
        QFile json(jsonPath);
        QVERIFY(json.open(QIODevice::ReadOnly));
        const nlohmann::json devices = nlohmann::json::parse(json.readAll().toStdString());
        QCOMPARE(devices.size(), size_t(21));
        for (const nlohmann::json& d : devices)
            QVERIFY(d["conflict"] == false && addresses.contains(QString::fromStdString(d["ip"])));
    }

    // Five devices at .50-.54 shifted to a First IP of .51: each move waits until the device
    // holding its new address has been proven at its own, so none is ever told to take an
    // address another holds (the simulator records who held it as each command arrived).
    void aRangeOverTheSelectionsOwnAddressesNeverSendsAHeldAddress()
    {
        device.reset();
        const QString fleetRecord = records.filePath(QStringLiteral("row.jsonl"));
        FleetDevices fleet(5, QStringLiteral("10.60.1.50"), fleetRecord, 0, true);
        QVERIFY(fleet.ready());
        openWindow();
        StdoutCapture console;
        search();
        QCOMPARE(column(table, 2), (QStringList{"10.60.1.50", "10.60.1.51", "10.60.1.52", "10.60.1.53", "10.60.1.54"}));
        AssignAddressesPanel* panel = assign(0, 4, QStringLiteral("10.60.1.51"));
        QVERIFY(panel);
        auto* lines = panel->findChild<QTableWidget*>(QStringLiteral("assignLines"));
        QCOMPARE(column(lines, 3), (QStringList{"10.60.1.51", "10.60.1.52", "10.60.1.53", "10.60.1.54", "10.60.1.55"}));
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("confirmButton")), Qt::LeftButton);
        // The panel shows the order: every move but the last waits for its neighbour.
        QTRY_COMPARE_WITH_TIMEOUT(lines->item(0, 4)->text(), QStringLiteral("waits for 02:00:5e:02:00:02"), 3000);
        saveShot(window.get(), "assign-order.png");
        QTRY_COMPARE_WITH_TIMEOUT(column(lines, 4), QVector<QString>(5, QStringLiteral("verified")).toList(), 20000);
        QStringList addresses = column(table, 2);
        addresses.sort();
        QCOMPARE(addresses, (QStringList{"10.60.1.51", "10.60.1.52", "10.60.1.53", "10.60.1.54", "10.60.1.55"}));
        QCOMPARE(list->findChild<QPushButton*>(QStringLiteral("pushButton_15"))->text(), QStringLiteral("Conflicts:0"));
        // Every device hears every command (a copy on each of its interfaces): two protocols
        // for each device, none of them for an address another device held then.
        std::set<std::string> commands;
        for (const nlohmann::json& command : recorded(fleetRecord, "-set")) {
            QVERIFY2(command["heldBy"].empty(), command.dump().c_str());
            commands.insert(command["kind"].get<std::string>() + " " + command["hex"].get<std::string>());
        }
        QCOMPARE(commands.size(), size_t(10));
        for (int i = 1; i <= 5; ++i) {
            const std::string line = "[OK] " + FleetDevices::mac(i).toStdString() + " answers at 10.60.1." + std::to_string(50 + i);
            QVERIFY2(console.text().find(line) != std::string::npos, line.c_str());
        }
    }

    // Two devices at one address are both red; once one has moved and is proven, the other is
    // judged again and the mark goes.
    void aConflictMarkGoesWhenTheOtherDeviceLeaves()
    {
        device.reset();
        FleetDevices fleet(2, QStringLiteral("10.60.1.80"));
        QVERIFY(fleet.ready());
        openWindow();
        search();
        auto* conflicts = list->findChild<QPushButton*>(QStringLiteral("pushButton_15"));
        QCOMPARE(conflicts->text(), QStringLiteral("Conflicts:2"));
        QTest::mouseClick(table->cellWidget(0, 5)->findChild<QPushButton*>(), Qt::LeftButton);
        auto* panel = list->findChild<modifyIPDialog*>();
        QVERIFY(panel);
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")), QStringLiteral("10.60.1.81"));
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_4")), QStringLiteral("10.60.1.1"));
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(column(table, 2).contains(QStringLiteral("10.60.1.81")), 5000);
        // Within a second of the proof: neither row red, nothing counted.
        QTRY_COMPARE_WITH_TIMEOUT(conflicts->text(), QStringLiteral("Conflicts:0"), 1000);
        for (int r = 0; r < table->rowCount(); ++r)
            QVERIFY(table->item(r, 2)->foreground().color() != QColor(250, 81, 81));
    }

    // Two devices that share one MAC (a factory fault): the line, the row's mark, and a change
    // refused before anything reaches the wire for that MAC.
    void twoDevicesSharingAMacAreShownAndNotChanged()
    {
        device.reset();
        const QString first = records.filePath(QStringLiteral("twin1.jsonl"));
        const QString second = records.filePath(QStringLiteral("twin2.jsonl"));
        SimulatedDevices one(1, {"mac=02:00:5e:50:00:77,name=Twin,proto=both,gateway=192.168.50.1"}, first, true);
        SimulatedDevices other(2, {"mac=02:00:5e:50:00:77,name=Twin,proto=both,gateway=192.168.50.1"}, second, true);
        QVERIFY(one.ready() && other.ready());
        openWindow();
        StdoutCapture console;
        search();
        const std::string line = "[WARNING] 02:00:5e:50:00:77 answers from 192.168.50.21 and 192.168.50.22: two devices "
                                 "share this MAC, or it moved during the Search; a change sent to it is refused";
        QVERIFY2(console.text().find(line) != std::string::npos, console.text().c_str());
        QCOMPARE(table->rowCount(), 1);
        QVERIFY(table->item(0, 1)->toolTip().contains(QStringLiteral("two devices share this MAC")));
        QCOMPARE(table->item(0, 1)->foreground().color(), QColor(255, 176, 32));
        QTest::mouseClick(table->cellWidget(0, 5)->findChild<QPushButton*>(), Qt::LeftButton);
        auto* panel = list->findChild<modifyIPDialog*>();
        QVERIFY(panel);
        typeInto(panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2")), QStringLiteral("192.168.50.97"));
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton);
        QTRY_VERIFY(panel->findChild<QLabel*>(QStringLiteral("label_5"))->text().contains(
            QStringLiteral("two devices may share this MAC, and a change sent to it would reach both")));
        QTest::qWait(500);
        QVERIFY(recordedSetKinds(first).empty());
        QVERIFY(recordedSetKinds(second).empty());
    }

    // A plain host at a planned address, which this computer has forgotten: the ask at Confirm
    // finds it, and the range passes over it.
    void aHostTheKernelForgotIsFoundByTheAskAndPassedOver()
    {
        device.reset();
        FleetDevices fleet(2, QStringLiteral("192.168.0.100"));
        QVERIFY(fleet.ready());
        openWindow();
        StdoutCapture console;
        search();
        QVERIFY(runInHost("tool", "ip neigh flush all"));
        AssignAddressesPanel* panel = assign(0, 1, QStringLiteral("10.60.1.32"));
        QVERIFY(panel);
        auto* lines = panel->findChild<QTableWidget*>(QStringLiteral("assignLines"));
        QCOMPARE(column(lines, 3), (QStringList{"10.60.1.32", "10.60.1.33"})); // nothing remembered there now
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("confirmButton")), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(column(lines, 3), (QStringList{"10.60.1.33", "10.60.1.34"}), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(column(lines, 4), (QStringList{"verified", "verified"}), 12000);
        const std::string line = "Passed over 10.60.1.32: IP address 10.60.1.32 is already used by device 02:00:5e:60:01:32, "
                                 "which answers there now";
        QVERIFY2(console.text().find(line) != std::string::npos, console.text().c_str());
    }

    void aDeviceThatIgnoresTheCommandEndsAsNoAnswer()
    {
        device.reset();
        FleetDevices fleet(2, QStringLiteral("192.168.0.100"), {}, 1); // the first takes no command
        QVERIFY(fleet.ready());
        openWindow();
        StdoutCapture console;
        search();
        QCOMPARE(table->rowCount(), 2);
        AssignAddressesPanel* panel = assign(0, 1, QStringLiteral("10.60.1.150"));
        QVERIFY(panel);
        auto* lines = panel->findChild<QTableWidget*>(QStringLiteral("assignLines"));
        const QStringList macs = column(lines, 1);
        const QStringList planned = column(lines, 3);
        QCOMPARE(planned, (QStringList{"10.60.1.150", "10.60.1.151"}));
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("confirmButton")), Qt::LeftButton);
        const int stubborn = static_cast<int>(macs.indexOf(QStringLiteral("02:00:5e:02:00:01")));
        QTRY_COMPARE_WITH_TIMEOUT(lines->item(1 - stubborn, 4)->text(), QStringLiteral("verified"), 5000);
        QCOMPARE(lines->item(stubborn, 4)->text(), QStringLiteral("sent"));
        QTRY_COMPARE_WITH_TIMEOUT(lines->item(stubborn, 4)->text(), QStringLiteral("not verified"), 12000);

        const std::string warning = "[WARNING] 02:00:5e:02:00:01 did not answer at " + planned[stubborn].toStdString()
            + " within 10 s";
        QVERIFY2(console.text().find(warning) != std::string::npos, warning.c_str());
        // Its row is amber, at the address it still answers from, and says why.
        int row = -1;
        for (int r = 0; r < table->rowCount(); ++r)
            if (table->item(r, 1)->text() == QStringLiteral("02:00:5e:02:00:01"))
                row = r;
        QVERIFY(row >= 0);
        QTableWidgetItem* ip = table->item(row, 2);
        QCOMPARE(ip->text(), QStringLiteral("192.168.0.100"));
        QCOMPARE(ip->foreground().color(), QColor(255, 176, 32));
        QVERIFY2(ip->toolTip().startsWith(QStringLiteral("Sent IP %1, mask 255.255.255.0, gateway 10.60.1.1; "
                                                         "02:00:5e:02:00:01 did not answer at %1 within 10 s; it still answers at 192.168.0.100")
                                              .arg(planned[stubborn])),
                 qPrintable(ip->toolTip()));
    }
};

BM_LAB_QTEST_MAIN(EndToEndCommission)
#include "test_e2e_commission.moc"
