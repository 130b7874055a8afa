// Search under a burst: N simulated devices on one subnet answer both protocols at once.
// For each N prints: the time from the press to the last row, the time from the last reply
// handled to the last row, rows listed against devices answering, the longest stall of the
// window's event loop, and datagrams the kernel dropped for a full receive buffer.
// Prints figures; asserts nothing. Runs in the lab.
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "app/startup.h"
#include "tests/support/labguard.h"
#include "tests/support/labprocess.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>


int main(int argc, char** argv)
{
    brenmoor::test::requireLabNamespace(argv[0]);
    setHighDpiAttributes();
    QApplication app(argc, argv);
    installApplicationFont();
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = {10, 150, 200};

    Brenmoor window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    mainwindow* list = window.panel()->deviceWindow;
    auto* table = list->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
    auto* search = list->findChild<QPushButton*>(QStringLiteral("pushButton_14"));

    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> lastReply{0};
    QObject::connect(list, &mainwindow::sigAddDeivce, [&](QString, QString, QString, QString, QString, int) {
        lastReply = clock.nsecsElapsed(); // on the receive thread, as the reply is handed over
    });
    qint64 lastRow = 0;
    QObject::connect(table->model(), &QAbstractItemModel::rowsInserted, [&] { lastRow = clock.nsecsElapsed(); });
    qint64 lastTick = 0;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick)
            longestStall = std::max(longestStall, now - lastTick);
        lastTick = now;
    });

    std::printf("%8s %14s %18s %10s %16s %10s\n", "devices", "press->last", "last reply->row", "listed", "longest stall", "drops");
    for (int n : counts) {
        if (!brenmoor::test::buildManyHost(n))
            return 1;
        brenmoor::test::SimulatedDevices devices(QStringLiteral("many"), brenmoor::test::manyDeviceSpecs(n));
        if (!devices.ready())
            return 1;
        (void)QTest::qWaitFor([&] { return !list->searchBusy; }, 20000);
        QTest::qWait(200);
        const long dropsBefore = brenmoor::test::udpReceiveBufferErrors();
        lastTick = 0;
        longestStall = 0;
        ticker.start(1);
        const qint64 pressed = clock.nsecsElapsed();
        QTest::mouseClick(search, Qt::LeftButton);
        (void)QTest::qWaitFor([&] { return table->rowCount() >= n; }, 5000);
        QTest::qWait(1000); // anything late or lost would show by now
        ticker.stop();
        const auto ms = [](qint64 nanoseconds) { return static_cast<double>(nanoseconds) / 1e6; };
        std::printf("%8d %11.1f ms %15.1f ms %5d/%-4d %13.1f ms %10ld\n", n, ms(lastRow - pressed), ms(lastRow - lastReply),
                    table->rowCount(), n, ms(longestStall), brenmoor::test::udpReceiveBufferErrors() - dropsBefore);
        std::fflush(stdout);
    }
    brenmoor::test::removeManyHost();
    return 0;
}
