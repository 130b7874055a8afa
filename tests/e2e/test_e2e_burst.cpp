// A thousand replies at once, as users run the window: as the ordinary user nobody, with the
// socket buffer limits Debian ships (tests/support/with-debian-buffers.sh around
// run-unprivileged.sh, which starts 200 simulated devices on each of five networks first).
// Every device is listed; a burst the kernel must drop is counted and said, and the Search's
// second request brings the rows back.
#include "tests/support/labqtestmain.h"
#include "tests/support/openwindow.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <unistd.h>

using brenmoor::test::OpenWindow;

namespace {

constexpr int kDevices = 1000;

} // namespace

class EndToEndBurst : public QObject
{
    Q_OBJECT

    OpenWindow shown;

private slots:
    void initTestCase()
    {
        QVERIFY2(getuid() != 0 && geteuid() != 0, "this test must run as an ordinary user");
        // The helper as the package installs it, with its capability: the sweep does not wait
        // on the kernel's table, which the thousand devices would crowd.
        if (const QByteArray capable = qgetenv("BM_ARP_CAPABLE"); !capable.isEmpty())
            qputenv("BRENMOOR_ARP_HELPER", capable);
    }
    void cleanup() { shown.close(); }

    void aThousandDevicesAnsweringAtOnceAreAllListed()
    {
        QVERIFY(shown.open());
        // What an ordinary user gets: the 4 MiB asked for, cut to rmem_max (Debian's 212,992
        // under the wrapper), reported doubled.
        QFile limit(QStringLiteral("/proc/sys/net/core/rmem_max"));
        QVERIFY(limit.open(QIODevice::ReadOnly));
        const int rmemMax = limit.readAll().trimmed().toInt();
        QCOMPARE(shown.list->session()->receiveBufferBytes(), 2 * std::min(rmemMax, 4 << 20));
        QElapsedTimer pressed;
        pressed.start();
        QTest::mouseClick(shown.search, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(shown.table->rowCount(), kDevices, 10000);
        const qint64 lastRow = pressed.elapsed();
        QTRY_VERIFY_WITH_TIMEOUT(!shown.list->searchBusy, 10000);
        qInfo("figures: %d rows, press to last row %lld ms, %zu replies dropped, receive buffer %d bytes", shown.table->rowCount(),
              static_cast<long long>(lastRow), shown.list->session()->droppedReplies(), shown.list->session()->receiveBufferBytes());
    }

    void aBurstTheKernelMustDropIsCountedAndTheSecondRequestBringsTheRowsBack()
    {
        QVERIFY(shown.open());
        // A receive buffer far too small for the first burst; back to the normal one before
        // the Search's second request.
        shown.list->session()->requestReceiveBuffers(4096);
        QTest::mouseClick(shown.search, Qt::LeftButton);
        QTest::qWait(150);
        const int afterFirstBurst = shown.table->rowCount();
        shown.list->session()->requestReceiveBuffers(4 << 20);
        QVERIFY2(afterFirstBurst < kDevices, "the small buffer must have cost rows");
        QTRY_COMPARE_WITH_TIMEOUT(shown.table->rowCount(), kDevices, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!shown.list->searchBusy, 10000);
        QVERIFY(shown.list->session()->droppedReplies() > 0);
        QTRY_VERIFY2_WITH_TIMEOUT(shown.note->isVisible() && shown.note->text().contains(QStringLiteral("dropped by this computer")),
                                  qPrintable(shown.note->text()), 3000);
        QVERIFY2(shown.note->text().contains(QStringLiteral("net.core.rmem_max")), qPrintable(shown.note->text()));
        qInfo("figures: %d rows after the first burst, %zu replies dropped, all %d after the second request",
              afterFirstBurst, shown.list->session()->droppedReplies(), kDevices);
    }
};

BM_LAB_QTEST_MAIN(EndToEndBurst)
#include "test_e2e_burst.moc"
