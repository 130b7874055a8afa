// The settings panel on its own: its fields, what Confirm accepts and refuses, what it
// reports, Cancel, and where it is placed over the window. No device list window exists
// here, so nothing can be sent. The Assign Addresses panel likewise: its lines as the range is
// typed, and what its Confirm refuses.
#include "core/addresscheck.h"
#include "core/devicelist.h"
#include "ui/assignaddressespanel.h"
#include "ui/modifyipdialog.h"

#include <QTableWidget>

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class ModifyIpDialogTest : public QObject
{
    Q_OBJECT

    QWidget host; // the panel is a child of the device list window in the tool
    QPointer<modifyIPDialog> dialog;
    // Who else answers on the network, as the window's check sees it: a listed device, a
    // neighbour entry, this computer's own port.
    DeviceList listed;
    AddressUse use;
    bool forced = false; // the last confirmation overrode a warning
    QLineEdit* field(const char* name) { return dialog->findChild<QLineEdit*>(QLatin1String(name)); }
    QLabel* errorLabel() { return dialog->findChild<QLabel*>(QStringLiteral("label_5")); }

    void fill(const QString& ip, const QString& mask, const QString& gateway)
    {
        field("lineEdit_2")->setText(ip);
        field("lineEdit_3")->setText(mask);
        field("lineEdit_4")->setText(gateway);
    }
    void confirm() { QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("pushButton_4")), Qt::LeftButton); }
    void cancel() { QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("pushButton_3")), Qt::LeftButton); }

private slots:
    void initTestCase()
    {
        listed.add({QStringLiteral("02:00:5e:00:00:21"), QStringLiteral("192.168.1.21"), {}, {}, QStringLiteral("Cam"), 0});
        listed.add({QStringLiteral("00-11-22-33-44-55"), QStringLiteral("192.168.1.20"), {}, {}, QStringLiteral("Front"), 1});
        use.neighbours = {{"02:00:5e:00:00:33", "192.168.1.33"}, {"00:11:22:33:44:55", "192.168.1.44"}};
        brenmoor::net::HostAddress own;
        own.name = "eth0";
        own.ip = "192.168.1.5";
        own.mac = brenmoor::net::MacAddress{0x02, 0x42, 0xc0, 0xa8, 0x01, 0x05};
        use.host = {own};
    }

    void init()
    {
        host.resize(1026, 1069);
        host.show();
        dialog = new modifyIPDialog(&host);
        dialog->SetMac(QStringLiteral("00:11:22:33:44:55"));
        dialog->SetIP(QStringLiteral("192.168.1.20"));
        dialog->SetName(QStringLiteral("FrontDoorCam"));
        dialog->Setsubmask(QStringLiteral("255.255.255.0"));
        dialog->Setgateway(QStringLiteral("192.168.1.1"));
        // As the window's change run answers: a held address refused, one only remembered in
        // use warned until Confirm is pressed again, any other sent.
        forced = false;
        dialog->setConfirmer([this](const std::string& ip, const std::string&, const std::string&, const QString&, bool force) {
            const AddressVerdict verdict = judgeAddress(ip, QStringLiteral("00:11:22:33:44:55"), listed, use);
            forced = force;
            if (verdict.holder == AddressHolder::Holds)
                dialog->refuse(QString::fromStdString(verdict.reason));
            else if (verdict.holder == AddressHolder::Remembered && !force)
                dialog->warn(QString::fromStdString(verdict.reason));
            else
                dialog->accept();
        });
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
    }

    void cleanup() { delete dialog.data(); }

    void fieldsAsTheRowFilledThem()
    {
        QCOMPARE(dialog->objectName(), QStringLiteral("modifyIPDialog"));
        QCOMPARE(dialog->size(), QSize(370, 436));
        QVERIFY(dialog->testAttribute(Qt::WA_StyledBackground));
        QCOMPARE(field("lineEdit")->text(), QStringLiteral("FrontDoo")); // 12 characters shown as their first 8
        QVERIFY(field("lineEdit")->isReadOnly());
        QVERIFY(field("lineEdit_5")->isReadOnly());
        QVERIFY(!field("lineEdit_2")->isReadOnly());
        // Each field is named as its label names it, for a screen reader.
        for (const auto& [object, name] : {std::pair{"lineEdit", "Name"}, std::pair{"lineEdit_5", "MAC"},
                                           std::pair{"lineEdit_2", "IP address"}, std::pair{"lineEdit_3", "Subnet mask"},
                                           std::pair{"lineEdit_4", "Gateway"}})
            QCOMPARE(QAccessible::queryAccessibleInterface(field(object))->text(QAccessible::Name), QString::fromLatin1(name));
        QCOMPARE(errorLabel()->text(), QString());
        for (const char* label : {"label", "label_6", "label_2", "label_3", "label_4"})
            QVERIFY(dialog->findChild<QLabel*>(QLatin1String(label)));
    }

    void invalidValuesKeepThePanelOpenWithTheReason_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("gateway");
        QTest::addColumn<QString>("reason");
        QTest::newRow("public address") << "8.8.8.8" << "255.255.255.0" << "8.8.8.1" << "Using private IP address";
        QTest::newRow("empty address") << "" << "255.255.255.0" << "192.168.1.1" << "Invalid IP address format";
        QTest::newRow("address and mask malformed")
            << "abc" << "255.255.x.0" << "192.168.1.1"
            << "Invalid IP address format; Invalid subnet mask format: Invalid IP address format";
        QTest::newRow("three-part gateway") << "192.168.1.10" << "255.255.255.0" << "1.2.3"
                                            << "Invalid IP address format; Gateway Invalid IP address format";
        QTest::newRow("gateway elsewhere") << "192.168.1.10" << "255.255.255.0" << "192.168.2.1"
                                           << "Gateway is not in the same subnet as the IP address";
        QTest::newRow("over-long") << QString(300, QLatin1Char('1')) << "255.255.255.0" << "192.168.1.1"
                                   << "Invalid IP address format";
        QTest::newRow("non-ASCII digits") << QString::fromUtf8("192.168.1.١٠") << "255.255.255.0" << "192.168.1.1"
                                          << "Invalid IP address format";
        QTest::newRow("space after the address") << "192.168.1.10 " << "255.255.255.0" << "192.168.1.1"
                                                 << "Invalid IP address format";
        QTest::newRow("network address of its subnet") << "10.0.0.128" << "255.255.255.128" << "10.0.0.129"
                                                       << "IP address is the network address";
        QTest::newRow("mask of one address") << "192.168.1.10" << "255.255.255.255" << "192.168.1.10"
                                             << "Invalid subnet mask: 255.255.255.255 leaves no room for the device and a gateway";
        QTest::newRow("gateway is the device") << "192.168.1.10" << "255.255.255.0" << "192.168.1.10"
                                               << "Gateway must not be the IP address itself";
        QTest::newRow("another listed device's address") << "192.168.1.21" << "255.255.255.0" << "192.168.1.1"
                                                         << "IP address 192.168.1.21 is already used by device 02:00:5e:00:00:21";
        QTest::newRow("the same with leading zeros") << "192.168.001.021" << "255.255.255.0" << "192.168.1.1"
                                                     << "IP address 192.168.1.21 is already used by device 02:00:5e:00:00:21";
        QTest::newRow("this computer's address") << "192.168.1.5" << "255.255.255.0" << "192.168.1.1"
                                                 << "IP address 192.168.1.5 is already used by this computer (02:42:c0:a8:01:05 on eth0)";
    }

    // An address only remembered in use (the neighbour table's memory, nothing answering) is a
    // warning: Confirm again sends anyway; changing the values first asks again.
    void aRememberedAddressIsAWarningThatConfirmAgainOverrides()
    {
        QSignalSpy reported(dialog.data(), &modifyIPDialog::setNetParam);
        fill(QStringLiteral("192.168.1.33"), QStringLiteral("255.255.255.0"), QStringLiteral("192.168.1.1"));
        confirm();
        QCOMPARE(reported.count(), 0);
        QCOMPARE(errorLabel()->text(), QStringLiteral("IP address 192.168.1.33 was last used by 02:00:5e:00:00:33, as this "
                                                      "computer remembers it. Press Confirm again to send anyway."));
        QTest::keyClick(field("lineEdit_4"), Qt::Key_Backspace);
        QTest::keyClicks(field("lineEdit_4"), QStringLiteral("1"));
        confirm();
        QCOMPARE(reported.count(), 0); // edited: the warning no longer covers the values
        QVERIFY(!forced);
        confirm();
        QCOMPARE(reported.count(), 1);
        QVERIFY(forced);
        QTRY_VERIFY(!dialog);
    }

    void invalidValuesKeepThePanelOpenWithTheReason()
    {
        QFETCH(QString, ip);
        QFETCH(QString, mask);
        QFETCH(QString, gateway);
        QFETCH(QString, reason);
        QSignalSpy reported(dialog.data(), &modifyIPDialog::setNetParam);
        fill(ip, mask, gateway);
        confirm();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog);
        QCOMPARE(errorLabel()->text(), reason);
        QCOMPARE(field("lineEdit_2")->text(), ip); // what the user typed stays
        QCOMPARE(reported.count(), 0);

        // Cancel after a failed Confirm closes the panel and reports nothing.
        cancel();
        QTRY_VERIFY(!dialog);
        QCOMPARE(reported.count(), 0);
    }

    void validConfirmClosesAndReportsThePanelsValues()
    {
        QSignalSpy reported(dialog.data(), &modifyIPDialog::setNetParam);
        fill(QStringLiteral("192.168.1.30"), QStringLiteral("255.255.255.0"), QStringLiteral("192.168.1.1"));
        confirm();
        QCOMPARE(reported.count(), 1);
        const QList<QVariant> values = reported.takeFirst();
        QCOMPARE(values.at(0).toString(), QStringLiteral("00:11:22:33:44:55"));
        QCOMPARE(values.at(1).toString(), QStringLiteral("192.168.1.30"));
        QCOMPARE(values.at(2).toString(), QStringLiteral("255.255.255.0"));
        QCOMPARE(values.at(3).toString(), QStringLiteral("192.168.1.1"));
        QCOMPARE(values.at(4).toString(), QStringLiteral("FrontDoo"));
        QTRY_VERIFY(!dialog);
    }

    void theDevicesOwnAddressesAreNotInUse()
    {
        // Its listed address, and one the neighbour table shows under its own MAC.
        for (const char* ip : {"192.168.1.20", "192.168.1.44"}) {
            QSignalSpy reported(dialog.data(), &modifyIPDialog::setNetParam);
            fill(QString::fromLatin1(ip), QStringLiteral("255.255.255.0"), QStringLiteral("192.168.1.1"));
            confirm();
            QCOMPARE(reported.count(), 1);
            QTRY_VERIFY(!dialog);
            init();
        }
    }

    void leadingZerosGoOutAsTheValidatedAddress()
    {
        QSignalSpy reported(dialog.data(), &modifyIPDialog::setNetParam);
        fill(QStringLiteral("010.000.001.010"), QStringLiteral("255.255.255.000"), QStringLiteral("010.0.1.001"));
        confirm();
        QCOMPARE(reported.count(), 1);
        const QList<QVariant> values = reported.takeFirst();
        QCOMPARE(values.at(1).toString(), QStringLiteral("10.0.1.10")); // not 8.0.1.8, as octal would read it
        QCOMPARE(values.at(2).toString(), QStringLiteral("255.255.255.0"));
        QCOMPARE(values.at(3).toString(), QStringLiteral("10.0.1.1"));
    }

    void namesAreCutByWholeCharacters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ASCII") << QStringLiteral("FrontDoorCam") << QStringLiteral("FrontDoo");
        QTest::newRow("short") << QStringLiteral("Cam") << QStringLiteral("Cam");
        QTest::newRow("emoji outside the BMP") << QString::fromUtf8("Cam😀😀😀😀😀😀") << QString::fromUtf8("Cam😀😀😀😀😀");
        QTest::newRow("CJK outside the BMP") << QString::fromUtf8("𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈") << QString::fromUtf8("𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇");
        QTest::newRow("a letter with its accent") << QString::fromUtf8("Cafe\u0301Cafe\u0301X") << QString::fromUtf8("Cafe\u0301Cafe\u0301");
        QTest::newRow("flags") << QString::fromUtf8("🇩🇪🇫🇷🇮🇹🇪🇸🇵🇹🇳🇱🇧🇪🇦🇹🇨🇭")
                               << QString::fromUtf8("🇩🇪🇫🇷🇮🇹🇪🇸🇵🇹🇳🇱🇧🇪🇦🇹");
    }

    void namesAreCutByWholeCharacters()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        dialog->SetName(name);
        QCOMPARE(field("lineEdit")->text(), shown);
        QSignalSpy reported(dialog.data(), &modifyIPDialog::setNetParam);
        confirm();
        QCOMPARE(reported.count(), 1);
        const QString sent = reported.takeFirst().at(4).toString();
        QCOMPARE(sent, shown);
        QCOMPARE(QString::fromUtf8(sent.toUtf8()), sent); // valid UTF-8 both ways: no half surrogate
    }

    void cancelReportsNothing()
    {
        QSignalSpy reported(dialog.data(), &modifyIPDialog::setNetParam);
        cancel();
        QTRY_VERIFY(!dialog);
        QCOMPARE(reported.count(), 0);
    }

    // The Assign panel over the same network: Confirm refuses the whole range, naming the
    // device, or sends it once; the lines follow what is typed.
    void assignPanelRefusesWholeRangesAndSendsAValidOne_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("gateway");
        QTest::addColumn<QString>("lines");   // the New IP column
        QTest::addColumn<QString>("refusal"); // empty: sent
        QTest::newRow("the used addresses passed over") << "192.168.1.19" << "192.168.1.1"
                                                        << "192.168.1.19 192.168.1.22" << "";
        QTest::newRow("past the subnet's end") << "192.168.1.254" << "192.168.1.1" << "192.168.1.254 "
                                               << "No free address left in 192.168.1.0/24 from 192.168.1.254 for "
                                                  "02:00:5e:00:00:31 (New2)";
        QTest::newRow("a public range") << "8.8.8.8" << "8.8.8.1" << "8.8.8.8 8.8.8.9"
                                        << "02:00:5e:00:00:30 (New1): Using private IP address";
        QTest::newRow("a gateway elsewhere") << "192.168.1.40" << "192.168.2.1" << " "
                                             << "Gateway is not in the same subnet as the IP address";
    }

    void assignPanelRefusesWholeRangesAndSendsAValidOne()
    {
        QFETCH(QString, first);
        QFETCH(QString, gateway);
        QFETCH(QString, lines);
        QFETCH(QString, refusal);
        const std::vector<AssignedDevice> chosen{
            {QStringLiteral("02:00:5e:00:00:30"), QStringLiteral("New1"), QStringLiteral("192.168.0.100"), {}},
            {QStringLiteral("02:00:5e:00:00:31"), QStringLiteral("New2"), QStringLiteral("192.168.0.100"), {}}};
        int sends = 0;
        const auto plan = [this](const std::vector<AssignedDevice>& devices, const std::string& firstIp,
                                 const std::string& mask, const std::string& gatewayIp) {
            return planAssignment(devices, firstIp, mask, gatewayIp, listed, use);
        };
        AssignmentPlan sentPlan;
        auto* panel = new AssignAddressesPanel(&host, chosen, QStringLiteral("255.255.255.0"), QStringLiteral("192.168.0.1"), plan,
                                               [&](const std::vector<AssignedDevice>& devices, const std::string& firstIp,
                                                   const std::string& mask, const std::string& gatewayIp) {
                                                   ++sends;
                                                   sentPlan = plan(devices, firstIp, mask, gatewayIp);
                                               });
        QPointer<AssignAddressesPanel> open(panel);
        // As Modify offers them, with the focus in First IP and the three in Tab order.
        auto* firstIp = panel->findChild<QLineEdit*>(QStringLiteral("firstIp"));
        QCOMPARE(panel->findChild<QLineEdit*>(QStringLiteral("submask"))->text(), QStringLiteral("255.255.255.0"));
        QCOMPARE(panel->findChild<QLineEdit*>(QStringLiteral("gateway"))->text(), QStringLiteral("192.168.0.1"));
        QCOMPARE(firstIp->nextInFocusChain(), panel->findChild<QLineEdit*>(QStringLiteral("submask")));
        auto* table = panel->findChild<QTableWidget*>(QStringLiteral("assignLines"));
        QCOMPARE(table->item(1, 1)->text(), QStringLiteral("02:00:5e:00:00:31"));
        QCOMPARE(table->item(0, 3)->text(), QString());

        QTest::keyClicks(firstIp, first);
        panel->findChild<QLineEdit*>(QStringLiteral("gateway"))->setText(gateway);
        QCOMPARE(table->item(0, 3)->text() + " " + table->item(1, 3)->text(), lines);
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("confirmButton")), Qt::LeftButton);
        auto* message = panel->findChild<QLabel*>(QStringLiteral("assignMessage"));
        if (refusal.isEmpty()) {
            QCOMPARE(sends, 1);
            QCOMPARE(message->text(), QStringLiteral("Asking who holds the planned addresses now"));
            QVERIFY(panel->running());
            // The run's plan goes out: the second device waits for the first to leave.
            panel->showSending(sentPlan, {QString(), QStringLiteral("02:00:5e:00:00:30")});
            QCOMPARE(table->item(0, 4)->text() + " / " + table->item(1, 4)->text(),
                     QStringLiteral("sending / waits for 02:00:5e:00:00:30"));
            panel->markSent(QStringLiteral("02:00:5e:00:00:30"));
            QCOMPARE(table->item(0, 4)->text(), QStringLiteral("sent"));
            panel->settle(QStringLiteral("02-00-5E-00-00-31"), false, true, QStringLiteral("no answer"));
            panel->settle(QStringLiteral("02:00:5e:00:00:30"), true, true, QString());
            QCOMPARE(table->item(0, 4)->text() + " " + table->item(1, 4)->text(), QStringLiteral("verified not verified"));
            // Said, not only shown on hover: why a line is not verified, and what the lines are.
            QCOMPARE(table->item(1, 4)->data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("no answer"));
            QCOMPARE(QAccessible::queryAccessibleInterface(table)->text(QAccessible::Name),
                     QStringLiteral("The selected devices and their new addresses"));
            QCOMPARE(panel->findChild<QPushButton*>(QStringLiteral("cancelButton"))->nextInFocusChain(), table);
            QCOMPARE(message->text(), QStringLiteral("1 of 2 devices report their new settings; 1 did not"));
            QVERIFY(!panel->running());
        } else {
            QCOMPARE(sends, 0);
            QCOMPARE(message->text(), refusal);
            QVERIFY(message->styleSheet().contains(QStringLiteral("#FA5A5A")));
            QCOMPARE(table->item(0, 4)->text(), QString());
        }
        delete open.data();
    }

    void placementOverTheWindow()
    {
        const QRect panel(0, 0, 370, 436);
        QCOMPARE(dialogPosition(QRect(0, 0, 1026, 1069), panel), QPoint(328, 317));
        QCOMPARE(dialogPosition(QRect(0, 0, 1026, 400), panel).y(), 0);   // centred y -18 leaves no room
        QCOMPARE(dialogPosition(QRect(0, 0, 1026, 500), panel).y(), -8);  // centred 32, pulled up by 40
        QCOMPARE(dialogPosition(QRect(0, 0, 1026, 600), panel).y(), 82);  // room enough: centred
    }
};

QTEST_MAIN(ModifyIpDialogTest)
#include "test_modifyipdialog.moc"
