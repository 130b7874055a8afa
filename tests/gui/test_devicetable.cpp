// The device table's rules on a bare table: numeric IP order, MAC matching, row identity
// after sorting, column geometry; and on the device table itself, the conflict check.
#include "core/macaddress.h"
#include "core/sitecompare.h"
#include "ui/devicetable.h"
#include "ui/devicetablewidget.h"

#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>
#include <cstdio>
#include <unistd.h>

namespace {

void addRow(QTableWidget& table, const QString& mac, const QString& ip)
{
    const int row = table.rowCount();
    table.insertRow(row);
    table.setItem(row, 1, new QTableWidgetItem(mac));
    auto* item = new IpAddressItem(ip);
    item->setData(kRowIdRole, row);
    table.setItem(row, 2, item);
}

QStringList ipColumn(QTableWidget& table)
{
    QStringList ips;
    for (int row = 0; row < table.rowCount(); ++row)
        ips << table.item(row, 2)->text();
    return ips;
}

// What markConflicts prints, read back through a pipe.
struct Printed
{
    int saved = dup(1);
    int pipeEnds[2] = {-1, -1};
    Printed()
    {
        fflush(stdout);
        if (pipe(pipeEnds) != 0)
            qFatal("pipe");
        dup2(pipeEnds[1], 1);
    }
    QString take()
    {
        fflush(stdout);
        dup2(saved, 1);
        close(pipeEnds[1]);
        QByteArray all;
        char buffer[4096];
        ssize_t n;
        while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
            all.append(buffer, static_cast<int>(n));
        close(pipeEnds[0]);
        return QString::fromUtf8(all);
    }
};

} // namespace

class DeviceTableTest : public QObject
{
    Q_OBJECT

private slots:
    void rowsSortNumericallyAndOddTextsFallBackToText()
    {
        QTableWidget table(0, 7);
        for (const char* ip : {"192.168.1.20", "192.168.1.3", "10.0.0.5", "192.168.1.100", "192.168.1", "a.b.c.d"})
            addRow(table, QStringLiteral("m"), QString::fromLatin1(ip));
        table.sortItems(2, Qt::AscendingOrder);
        // "192.168.1" and "a.b.c.d" compare as text against the others.
        QCOMPARE(ipColumn(table), (QStringList{"10.0.0.5", "192.168.1", "192.168.1.3", "192.168.1.20", "192.168.1.100", "a.b.c.d"}));

        IpAddressItem a(QStringLiteral("1.x.3.4"));
        IpAddressItem b(QStringLiteral("2.y.3.4"));
        QVERIFY2(a < b, "the first part decides before the unparsable second part is reached");
        IpAddressItem c(QStringLiteral("10.0.0.1"));
        IpAddressItem d(QStringLiteral("10.0.0.1"));
        QVERIFY(!(c < d) && !(d < c));
        // An edit in place re-keys the item.
        c.setText(QStringLiteral("9.0.0.1"));
        QVERIFY(c < d);
    }

    void rowIdsSurviveSorting()
    {
        QTableWidget table(0, 7);
        addRow(table, QStringLiteral("a"), QStringLiteral("10.0.0.9"));
        addRow(table, QStringLiteral("b"), QStringLiteral("10.0.0.1"));
        addRow(table, QStringLiteral("c"), QStringLiteral("10.0.0.5"));
        table.sortItems(2, Qt::AscendingOrder);
        QCOMPARE(findNewRowFromOldRow(0, &table), 2);
        QCOMPARE(findNewRowFromOldRow(1, &table), 0);
        QCOMPARE(findNewRowFromOldRow(2, &table), 1);
        QCOMPARE(findNewRowFromOldRow(3, &table), -1);
    }

    void macTextsMatchWhateverTheirSeparatorsAndCase()
    {
        QVERIFY(isSameMac(QStringLiteral("00-11-22-AA-BB-CC"), QStringLiteral("00:11:22:aa:bb:cc")));
        QVERIFY(isSameMac(QStringLiteral("001122aabbcc"), QStringLiteral("00:11:22:AA:BB:CC")));
        QVERIFY(!isSameMac(QStringLiteral("00:11:22:aa:bb:cd"), QStringLiteral("00:11:22:aa:bb:cc")));
    }

    void columnWidthsShareTheTableWidth()
    {
        QCOMPARE(columnWidths(886), (std::array<int, 7>{86, 176, 136, 136, 116, 98, 138}));
        QCOMPARE(columnWidths(1000), (std::array<int, 7>{97, 198, 153, 153, 130, 110, 155}));
    }

    // The table shows its list: the same devices in the same order, whatever changed an IP.
    void rowsFollowTheListsIpOrder()
    {
        enum Op { Json = 0, Kv = 1, EditIp = 2 };
        struct Step
        {
            const char* mac;
            const char* ip;
            int op;
        };
        const struct
        {
            const char* what;
            std::vector<Step> steps;
            const char* shown; // the IP column, top to bottom
            bool missingShown = false; // a site record's missing device (10.0.0.4) shown first
        } rows[] = {
            {"insertions in any order", {{"a", "10.0.0.9", Json}, {"b", "10.0.0.1", Json}, {"c", "10.0.0.5", Kv}},
             "10.0.0.1 10.0.0.5 10.0.0.9"},
            {"a refreshed IP keeps its row", {{"a", "10.0.0.1", Kv}, {"b", "10.0.0.5", Kv}, {"a", "10.0.0.7", Kv}},
             "10.0.0.7 10.0.0.5"},
            {"the next insertion after a refreshed IP sorts the whole table",
             {{"a", "10.0.0.1", Kv}, {"b", "10.0.0.5", Kv}, {"c", "10.0.0.9", Kv}, {"a", "10.0.0.7", Kv}, {"d", "10.0.0.6", Json}},
             "10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.9"},
            {"and after an IP edited in place",
             {{"a", "10.0.0.1", Kv}, {"b", "10.0.0.5", Kv}, {"a", "10.0.0.8", EditIp}, {"c", "10.0.0.6", Json}},
             "10.0.0.5 10.0.0.6 10.0.0.8"},
            {"a JSON record of a listed MAC changes nothing",
             {{"a", "10.0.0.1", Json}, {"b", "10.0.0.5", Json}, {"a", "10.0.0.9", Json}, {"c", "10.0.0.3", Json}},
             "10.0.0.1 10.0.0.3 10.0.0.5"},
            {"an address that is not four numbers sorts as text",
             {{"a", "10.0.0.5", Json}, {"b", "x", Json}, {"c", "10.0.0.1", Json}, {"d", "10.0.0.3", Json}},
             "10.0.0.1 10.0.0.3 10.0.0.5 x"},
            {"a site's missing device stays after the rows inserted",
             {{"a", "10.0.0.9", Json}, {"b", "10.0.0.1", Json}, {"c", "10.0.0.5", Kv}}, "10.0.0.1 10.0.0.5 10.0.0.9 10.0.0.4", true},
            {"and after a sort of the whole table",
             {{"a", "10.0.0.1", Kv}, {"b", "10.0.0.5", Kv}, {"a", "10.0.0.7", Kv}, {"d", "10.0.0.6", Json}},
             "10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.4", true},
        };
        ListedDevice gone;
        gone.record = {QStringLiteral("z"), QStringLiteral("10.0.0.4"), {}, {}, QStringLiteral("Gone"), 1};
        const SiteBaseline baseline(siteRecordOf({gone}, "2026-06-01T08:00:00Z", "laptop"));
        for (const auto& row : rows) {
            DeviceTableWidget table;
            table.setColumnCount(7);
            if (row.missingShown) {
                table.setBaseline(&baseline);
                table.showMissing(baseline.missing({}));
            }
            for (const Step& step : row.steps) {
                const QString mac = QString::fromLatin1(step.mac);
                if (step.op == EditIp)
                    table.item(table.devices().rowOf(mac), 2)->setText(QString::fromLatin1(step.ip));
                else
                    table.addRecord({mac, QString::fromLatin1(step.ip), {}, {}, {}, step.op});
            }
            QCOMPARE(ipColumn(table).join(QLatin1Char(' ')), QString::fromLatin1(row.shown));
            QCOMPARE(table.devices().size(), table.rowCount() - (row.missingShown ? 1 : 0));
            for (int r = 0; r < table.devices().size(); ++r) {
                const ListedDevice& device = table.devices().at(r);
                QVERIFY2(isSameMac(table.item(r, 1)->text(), device.record.mac), row.what);
                QCOMPARE(table.item(r, 2)->text(), device.record.ip);
                QCOMPARE(findNewRowFromOldRow(device.rowId, &table), r);
            }
        }
    }

    // The filter hides rows and keeps hiding later ones; a selection acts on the rows in view.
    void theFilterShowsMatchingRowsAndTheSelectionOnlyThoseInView()
    {
        DeviceTableWidget table;
        table.setColumnCount(7);
        QSignalSpy counted(&table, &DeviceTableWidget::rowCountChanged);
        table.addRecord({QStringLiteral("02:00:5e:00:00:01"), QStringLiteral("10.0.0.9"), {}, {}, QStringLiteral("Lobby"), 0});
        table.addRecord({QStringLiteral("02:00:5e:00:00:02"), QStringLiteral("10.0.0.1"), {}, {}, QStringLiteral("Gate"), 0});
        table.setFilter(QStringLiteral("lobby"));
        table.addRecord({QStringLiteral("02-00-5E-00-00-03"), QStringLiteral("10.0.0.5"), {}, {}, QStringLiteral("Yard"), 0});
        table.addRecord({QStringLiteral("02:00:5e:00:00:04"), QStringLiteral("10.0.0.4"), {}, {}, QStringLiteral("LOBBY2"), 0});
        const auto shown = [&table] {
            QStringList names;
            for (int r = 0; r < table.rowCount(); ++r)
                if (!table.isRowHidden(r))
                    names << table.item(r, 0)->text();
            return names.join(QLatin1Char(' '));
        };
        QCOMPARE(shown(), QStringLiteral("LOBBY2 Lobby"));
        QCOMPARE(counted.last().first().toInt(), 4); // the counter counts every device
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        QTest::keyClick(&table, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(table.selectedRowIds(), (std::vector<int>{3, 0}));
        table.setFilter({});
        table.clearSelection();
        table.setCurrentCell(0, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QTest::keyClick(&table, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(&table, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(table.selectedRowIds(), (std::vector<int>{1, 3, 2})); // Gate, LOBBY2, Yard: table order
        const struct
        {
            const char* filter;
            const char* shown;
        } rows[] = {{"10.0.0.5", "Yard"}, {"5e000003", "Yard"}, {"00-00-02", "Gate"}, {"", "Gate LOBBY2 Yard Lobby"}, {"none", ""}};
        for (const auto& row : rows) {
            table.setFilter(QString::fromLatin1(row.filter));
            QCOMPARE(shown(), QString::fromLatin1(row.shown));
        }
    }

    // The row buttons from the keyboard: Enter is Modify, Ctrl+Enter Access Web, for the
    // current row.
    void enterActsOnTheCurrentRow()
    {
        DeviceTableWidget table;
        table.setColumnCount(7);
        table.addRecord({QStringLiteral("a"), QStringLiteral("10.0.0.5"), {}, {}, QStringLiteral("A"), 1});
        table.addRecord({QStringLiteral("b"), QStringLiteral("10.0.0.6"), {}, {}, QStringLiteral("B"), 1});
        QSignalSpy modify(&table, &DeviceTableWidget::modifyRequested);
        QSignalSpy web(&table, &DeviceTableWidget::webPageRequested);
        table.setCurrentCell(1, 0);
        QTest::keyClick(&table, Qt::Key_Return);
        QTest::keyClick(&table, Qt::Key_Enter, Qt::ControlModifier);
        QCOMPARE(modify.count(), 1);
        QCOMPARE(modify.first().at(0).toInt(), table.devices().at(1).rowId);
        QCOMPARE(web.count(), 1);
        QCOMPARE(web.first().at(1).toString(), QStringLiteral("10.0.0.6"));
    }

    void conflictsAreForeignMacsClaimingARowsAddress()
    {
        DeviceTableWidget table;
        table.setColumnCount(7);
        for (const auto& [mac, ip] : {std::pair{"0A:1B:2C:3D:4E:5F", "192.168.1.10"}, {"00-11-22-33-44-55", "192.168.1.11"},
                                      {"02:00:00:00:00:01", "192.168.1.12"}})
            table.addRecord({QString::fromLatin1(mac), QString::fromLatin1(ip), {}, {}, {}, 0});
        const NeighbourMap neighbours{{"aa:bb:cc:dd:ee:ff", "192.168.1.10"},
                                      {"aa:bb:cc:dd:ee:fe", "192.168.1.10"}, // a second claim: still one conflict
                                      {"00:11:22:33:44:55", "192.168.1.11"}, // the row's own MAC: no conflict
                                      {"02:00:00:00:00:09", "192.168.1.120"}};
        Printed printed;
        const int count = table.markConflicts(&neighbours, 0);
        const QString out = printed.take();
        QCOMPARE(count, 1);
        QCOMPARE(out, QStringLiteral("Ip:192.168.1.10conflict aa:bb:cc:dd:ee:fe 0a1b2c3d4e5f\n"));
        QCOMPARE(table.item(0, 2)->foreground().color(), QColor(250, 81, 81));
        QCOMPARE(table.item(0, 2)->foreground().style(), Qt::SolidPattern);
        QVERIFY(table.item(1, 2)->foreground().color() != QColor(250, 81, 81));

        // A row marked once stays red when a later check finds no conflict.
        Printed quiet;
        const NeighbourMap none;
        QCOMPARE(table.markConflicts(&none, 0), 0);
        quiet.take();
        QCOMPARE(table.item(0, 2)->foreground().color(), QColor(250, 81, 81));

        // Devices answering from one address are conflicts without any neighbour: each row,
        // naming another row's MAC, and a row that comes later joins them.
        for (const char* mac : {"02:00:00:00:01:02", "02-00-00-00-01-01"})
            table.addRecord({QString::fromLatin1(mac), QStringLiteral("192.168.0.100"), {}, {}, {}, 0});
        table.addRecord({QStringLiteral("02:00:00:00:01:01"), QStringLiteral("192.168.0.100"), {}, {}, {}, 1}); // the same device
        Printed shared;
        QCOMPARE(table.markConflicts(nullptr, 0), 2);
        QCOMPARE(shared.take(), QStringLiteral("Ip:192.168.0.100conflict 02:00:00:00:01:01 020000000102\n"
                                               "Ip:192.168.0.100conflict 02:00:00:00:01:02 020000000101\n"));
        table.addRecord({QStringLiteral("02:00:00:00:01:03"), QStringLiteral("192.168.0.100"), {}, {}, {}, 0});
        Printed later;
        QCOMPARE(table.markConflicts(nullptr, 4), 1);
        QCOMPARE(later.take(), QStringLiteral("Ip:192.168.0.100conflict 02:00:00:00:01:01 020000000103\n"));
        for (int row = 0; row < table.rowCount(); ++row) {
            if (table.item(row, 2)->text() == QStringLiteral("192.168.0.100"))
                QCOMPARE(table.item(row, 2)->foreground().color(), QColor(250, 81, 81));
        }
    }
};

QTEST_MAIN(DeviceTableTest)
#include "test_devicetable.moc"
