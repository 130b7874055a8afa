// The window in the user's language: run under LANG=C, LANG=de_DE.UTF-8 and LANG=zh_CN.UTF-8,
// it loads the translations as the program does and shows the counters, the buttons and a
// refusal of the settings panel in that language, each whole in its widget. Under C the texts
// are the source texts, exactly. The window sees a host without interfaces: it sends nothing.
#include "app/startup.h"
#include "tests/support/labqtestmain.h"
#include "tests/support/quiethost.h"
#include "tests/support/screenshot.h"
#include "ui/coretexts.h"
#include "ui/devicetablewidget.h"
#include "ui/mainwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using brenmoor::test::QuietHost;

namespace {

struct Expected
{
    const char* language; // QLocale::name() before the '_', or "C"
    const char* search;
    const char* devices;
    const char* conflicts;
    const char* modify;
    const char* web;
    const char* site;
    const char* exportList;
    const char* assign;
    const char* confirm;
    const char* refusal; // the settings panel's answer to "10.0.0" as an IP address
};

// Written out, not read from the .ts files: a translation lost on the way (a .qm not built,
// not installed or not found, a context renamed) fails here.
const Expected kExpected[] = {
    {"C", "Search", "Device:2", "Conflicts:2", "Modify", "Access Web", "Site", "Export", "Assign Addresses", "Confirm",
     "Invalid IP address format"},
    {"de", "Suchen", "Geräte:2", "Konflikte:2", "Ändern", "Webseite", "Standort", "Exportieren", "Adressen vergeben", "Bestätigen",
     "Ungültiges Format der IP-Adresse"},
    {"zh", "搜索", "设备：2", "冲突：2", "修改", "访问网页", "现场", "导出", "分配地址", "确认", "IP 地址格式无效"},
};

const Expected& expectedHere()
{
    const QString language = QLocale().name().section(QLatin1Char('_'), 0, 0);
    for (const Expected& expected : kExpected)
        if (language == QLatin1String(expected.language))
            return expected;
    return kExpected[0]; // English and C: the source texts
}

// The text fits its widget: nothing elided or clipped. A word-wrapped label may take lines
// while its height allows.
bool fits(const QWidget* widget, const QString& text)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->wordWrap())
        return label->heightForWidth(label->width()) <= label->height();
    // A button's rounded corners take some pixels on each side.
    const int frame = qobject_cast<const QPushButton*>(widget) ? 4 : 0;
    return widget->fontMetrics().horizontalAdvance(text) + 2 * frame <= widget->contentsRect().width();
}

QString languageTag()
{
    const QString name = QLocale().name();
    return name == QLatin1String("C") ? QStringLiteral("en") : name;
}

} // namespace

class TranslationsTest : public QObject
{
    Q_OBJECT

    QuietHost host;

private slots:
    void initTestCase() { installTranslations(QLocale(), {QStringLiteral(BM_QM_DIR)}); }

    void theWindowSpeaksTheUsersLanguage()
    {
        const Expected& expected = expectedHere();
        mainwindow window(nullptr, host.interfaces, QuietHost::scan());
        window.resize(1026, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.addDevice("02:00:5e:00:01:01", "192.168.1.31", "255.255.255.0", "192.168.1.1", "Lobby", 1);
        window.addDevice("02:00:5e:00:02:02", "192.168.1.31", "255.255.255.0", "192.168.1.1", "Gate", 1);
        window.checkConflicts({});
        auto* table = window.findChild<DeviceTableWidget*>(QStringLiteral("tableWidget"));
        auto* counter = window.findChild<QPushButton*>(QStringLiteral("pushButton_16"));
        QTRY_COMPARE(counter->text(), QString::fromUtf8(expected.devices));
        QTest::qWait(300); // the table's column widths are set just after the window shows

        const struct
        {
            QWidget* widget;
            const char* text;
        } shown[] = {
            {window.findChild<QPushButton*>(QStringLiteral("pushButton_14")), expected.search},
            {counter, expected.devices},
            {window.findChild<QPushButton*>(QStringLiteral("pushButton_15")), expected.conflicts},
            {table->cellWidget(0, 5)->findChild<QPushButton*>(), expected.modify},
            {table->cellWidget(0, 6)->findChild<QPushButton*>(), expected.web},
            {window.findChild<QPushButton*>(QStringLiteral("siteButton")), expected.site},
            {window.findChild<QPushButton*>(QStringLiteral("exportButton")), expected.exportList},
            {window.findChild<QPushButton*>(QStringLiteral("assignButton")), expected.assign},
        };
        for (const auto& [widget, text] : shown) {
            QVERIFY(widget);
            const QString said = static_cast<QPushButton*>(widget)->text();
            QCOMPARE(said, QString::fromUtf8(text));
            QVERIFY2(fits(widget, said), qPrintable(said));
        }
        brenmoor::test::saveShot(&window, qPrintable(QStringLiteral("window-%1.png").arg(languageTag())));

        // The settings panel refuses an address in the same language, and says it whole.
        QApplication::setActiveWindow(&window);
        table->setFocus();
        table->setCurrentCell(0, 1);
        QTest::keyClick(table, Qt::Key_Return);
        auto* panel = window.findChild<QWidget*>(QStringLiteral("modifyIPDialog"));
        QVERIFY(panel);
        auto* ip = panel->findChild<QLineEdit*>(QStringLiteral("lineEdit_2"));
        ip->selectAll();
        QTest::keyClicks(ip, QStringLiteral("10.0.0"));
        auto* confirm = panel->findChild<QPushButton*>(QStringLiteral("pushButton_4"));
        QCOMPARE(confirm->text(), QString::fromUtf8(expected.confirm));
        QVERIFY(fits(confirm, confirm->text()));
        QTest::mouseClick(confirm, Qt::LeftButton);
        auto* message = panel->findChild<QLabel*>(QStringLiteral("label_5"));
        QCOMPARE(message->text(), QString::fromUtf8(expected.refusal));
        QVERIFY2(fits(message, message->text()), qPrintable(message->text()));
        // The panel keeps its size in every language; its labels are translated to fit it. (The
        // English "Default Gateway" is 3 pixels wider than its place, as the panel always had it.)
        if (QLatin1String(expected.language) != QLatin1String("C")) {
            for (const QLabel* label : panel->findChildren<QLabel*>())
                QVERIFY2(fits(label, label->text()), qPrintable(label->text()));
        }
        brenmoor::test::saveShot(&window, qPrintable(QStringLiteral("modify-refusal-%1.png").arg(languageTag())));
    }

    // The engine's English texts, as the window shows them in German: whole, by their parts,
    // and by their templates with the values kept.
    void theEnginesTextsAreTranslatedWhereShown_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("whole") << "Invalid IP address format" << "Ungültiges Format der IP-Adresse";
        QTest::newRow("joined") << "Invalid IP address format; Gateway is not in the same subnet as the IP address"
                                << "Ungültiges Format der IP-Adresse; Das Gateway liegt nicht im selben Subnetz wie die IP-Adresse";
        QTest::newRow("values") << "Invalid subnet mask: 255.255.255.254 leaves no room for the device and a gateway"
                                << "Ungültige Subnetzmaske: 255.255.255.254 lässt keinen Platz für das Gerät und ein Gateway";
        QTest::newRow("the longer template wins")
            << "IP address 10.0.0.5 is already used by device 02:00:5e:00:00:01, which answers there now"
            << "Die IP-Adresse 10.0.0.5 wird schon von Gerät 02:00:5e:00:00:01 verwendet, das dort gerade antwortet";
        QTest::newRow("nested") << "line 3: IP address 10.0.0.5 is already used by device CAM %2"
                                << "Zeile 3: Die IP-Adresse 10.0.0.5 wird schon von Gerät CAM %2 verwendet";
        QTest::newRow("a value that looks like a placeholder") << "IP address %2 is already used by device %1"
                                                               << "Die IP-Adresse %2 wird schon von Gerät %1 verwendet";
        QTest::newRow("a value inside a hint")
            << "UDP port 21089 could not be opened (no network interface is up): no reply to it reaches this program; "
               "Search tries again"
            << "UDP-Port 21089 ließ sich nicht öffnen (keine Netzwerkschnittstelle ist aktiv): keine Antwort an ihn "
               "erreicht dieses Programm; die Suche versucht es erneut";
        QTest::newRow("unknown") << "Something the window does not know" << "Something the window does not know";
        QTest::newRow("empty") << "" << "";
    }

    void theEnginesTextsAreTranslatedWhereShown()
    {
        if (expectedHere().language != QByteArray("de"))
            QSKIP("the table is German");
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(translatedCoreText(text), shown);
    }
};

BM_APP_QTEST_MAIN(TranslationsTest)
#include "test_translations.moc"
