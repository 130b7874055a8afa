// Coming back to a site, from end to end: the list saved as the site's record, the lab changed
// as a site changes in six months (one device moved, one gone, one added, one renamed), and a
// Search with the record loaded marks each change, counts it, and shows the missing device
// greyed and out of reach of Modify.
#include "tests/support/labprocess.h"
#include "tests/support/labqtestmain.h"
#include "tests/support/openwindow.h"
#include "tests/support/screenshot.h"
#include "ui/devicetable.h"
#include "ui/devicetablewidget.h"

#include <QLineEdit>
#include <QTemporaryDir>

using brenmoor::test::OpenWindow;
using brenmoor::test::SimulatedDevices;

namespace {

const char* const kCamA = "mac=02:00:5e:50:00:21,name=CamA,proto=json,gateway=192.168.50.1";
const char* const kGate = "mac=02-00-5E-50-00-22,name=Gate,proto=kv,gateway=192.168.50.1";
const char* const kLobby = "mac=02:00:5e:60:01:31,name=Lobby,proto=both,gateway=10.60.1.1";
const char* const kEncoder = "mac=02:00:5e:50:00:40,name=Encoder,proto=both,gateway=192.168.50.1";

} // namespace

class EndToEndSite : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    OpenWindow shown;

    void search()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!shown.list->searchBusy, 15000);
        QTest::mouseClick(shown.search, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(shown.list->searchBusy, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(!shown.list->searchBusy, 15000);
    }

    // "<name> <since>" for each row, as the table shows them.
    QStringList marks()
    {
        QStringList out;
        for (int row = 0; row < shown.table->rowCount(); ++row) {
            const QTableWidgetItem* since = shown.table->item(row, kSinceColumn);
            out << shown.table->item(row, 0)->text() + " " + (since ? since->text() : QStringLiteral("?"));
        }
        return out;
    }

    QString counter(const char* name) { return shown.list->findChild<QPushButton*>(QLatin1String(name))->text(); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // The window remembers the record it compares with per user: this run's own place.
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    }

    void aSearchWithTheSitesRecordMarksWhatChangedSinceItWasSaved()
    {
        const QString record = dir.filePath(QStringLiteral("site.json"));
        {
            SimulatedDevices camA(1, {kCamA}), gate(2, {kGate}), lobby(3, {kLobby}), encoder(5, {kEncoder});
            QVERIFY(camA.ready() && gate.ready() && lobby.ready() && encoder.ready());
            QVERIFY(shown.open());
            search();
            QCOMPARE(shown.table->rowCount(), 4);
            QVERIFY(shown.list->saveSite(record));
            shown.close();
        }
        // Six months later: CamA has another gateway, Gate is gone, a camera is new at .32,
        // Lobby was renamed.
        SimulatedDevices camA(1, {QString::fromLatin1(kCamA).replace(QStringLiteral("192.168.50.1"), QStringLiteral("192.168.50.254"))});
        SimulatedDevices lobby(3, {QString::fromLatin1(kLobby).replace(QStringLiteral("name=Lobby"), QStringLiteral("name=Lobby-2"))});
        SimulatedDevices added(4, {"mac=02:00:5e:60:01:32,name=Newcomer,proto=json,gateway=10.60.1.1"});
        SimulatedDevices encoder(5, {kEncoder});
        QVERIFY(camA.ready() && lobby.ready() && added.ready() && encoder.ready());

        QVERIFY(shown.open());
        QVERIFY(shown.list->compareWith(record));
        search();
        QCOMPARE(marks(), (QStringList{"Lobby-2 renamed", "Newcomer new", "CamA moved", "Encoder ", "Gate missing"}));
        QCOMPARE(counter("newCount"), QStringLiteral("New:1"));
        QCOMPARE(counter("missingCount"), QStringLiteral("Missing:1"));
        QCOMPARE(counter("changedCount"), QStringLiteral("Changed:2"));
        QCOMPARE(shown.devices->text(), QStringLiteral("Device:4")); // the missing one is not a device found
        QVERIFY(shown.list->findChild<QLabel*>(QStringLiteral("siteLabel"))->text().startsWith(QStringLiteral("Compared with site.json: 4 devices")));
        // What the record says, where the user looks for it.
        QCOMPARE(shown.table->item(2, kSinceColumn)->toolTip(), QStringLiteral("was 192.168.50.21, mask 255.255.255.0, gateway 192.168.50.1"));
        QCOMPARE(shown.table->item(0, kSinceColumn)->toolTip(), QStringLiteral("was named Lobby"));
        // The missing device: greyed, what the record says, no buttons, never selected.
        QTableWidgetItem* gate = shown.table->item(4, 2);
        QCOMPARE(gate->text(), QStringLiteral("192.168.50.22"));
        QCOMPARE(gate->foreground().color(), kMissingColour);
        QVERIFY(!shown.table->cellWidget(4, 5));
        QVERIFY(!(gate->flags() & Qt::ItemIsSelectable));
        auto* devices = static_cast<DeviceTableWidget*>(shown.table);
        devices->selectAll();
        QCOMPARE(devices->selectedRowIds().size(), size_t(4)); // Assign Addresses gets the four that answered
        devices->clearSelection();
        brenmoor::test::saveShot(shown.window.get(), "site-compared.png");

        // The Filter matches the marks.
        auto* filter = shown.list->findChild<QLineEdit*>(QStringLiteral("filterEdit"));
        for (const auto& [text, visible] : {std::pair{"missing", QStringList{"Gate missing"}},
                                            std::pair{"moved", QStringList{"CamA moved"}},
                                            std::pair{"new", QStringList{"Newcomer new"}}}) {
            filter->setText(QString::fromLatin1(text));
            QStringList rows;
            for (int row = 0; row < shown.table->rowCount(); ++row)
                if (!shown.table->isRowHidden(row))
                    rows << marks()[row];
            QCOMPARE(rows, visible);
        }
        filter->clear();

        // The window remembers the record for the next start.
        shown.close();
        QVERIFY(shown.open());
        QVERIFY(shown.list->findChild<QWidget*>(QStringLiteral("siteBar"))->isVisibleTo(shown.list));
        search();
        QCOMPARE(counter("missingCount"), QStringLiteral("Missing:1"));
        shown.list->stopComparing();
        QCOMPARE(shown.table->columnCount(), 7);
        shown.close();
    }

    void aFileThatIsNoRecordIsRefusedAndTheLastOneKept()
    {
        const QString bad = dir.filePath(QStringLiteral("bad.json"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"devices\": []}");
        file.close();
        QVERIFY(shown.open());
        QVERIFY(!shown.list->compareWith(bad));
        QCOMPARE(shown.list->findChild<QLabel*>(QStringLiteral("siteLabel"))->text(),
                 bad + QStringLiteral(": not a site record (no \"format\": \"brenmoor-site-record\")"));
        QCOMPARE(shown.table->columnCount(), 7);
        shown.close();
    }
};

BM_LAB_QTEST_MAIN(EndToEndSite)
#include "test_e2e_site.moc"
