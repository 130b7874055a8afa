// Search under a burst: N simulated devices on each of K networks answer both protocols at
// once, every fourth by broadcast. For each N x K, and each of several Searches, prints: the
// time from the press to the last row, the time from the last reply handled to the last row,
// rows listed against devices answering, the longest stall of the window's event loop (and
// when after the press it ended),
// datagrams the kernel dropped for a full receive buffer, and the time from the press until
// the conflicts were judged (the sweep of every network, its one pause and its read). Prints
// figures; asserts nothing. Runs in the lab.
//   bench_search [SEARCHES] NxK...      (default: 3 searches of 10x1 150x1 200x1 200x5)
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "app/startup.h"
#include "bench/eventloopwait.h"
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
#include <utility>
#include <vector>


int main(int argc, char** argv)
{
    brenmoor::test::requireLabNamespace(argv[0]);
    setHighDpiAttributes();
    QApplication app(argc, argv);
    installApplicationFont();
    int searches = 3;
    std::vector<std::pair<int, int>> runs;
    for (int i = 1; i < argc; ++i) {
        int perNetwork = 0;
        int networks = 1;
        if (std::sscanf(argv[i], "%dx%d", &perNetwork, &networks) == 2)
            runs.emplace_back(perNetwork, networks);
        else
            searches = std::max(1, std::atoi(argv[i]));
    }
    if (runs.empty())
        runs = {{10, 1}, {150, 1}, {200, 1}, {200, 5}};

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
    qint64 longestStallEnd = 0; // when it ended
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick && now - lastTick > longestStall) {
            longestStall = now - lastTick;
            longestStallEnd = now;
        }
        lastTick = now;
    });

    std::printf("%8s %7s %14s %18s %11s %16s %14s %7s %9s\n", "devices", "search", "press->last", "last reply->row",
                "listed", "longest stall", "(ended at)", "drops", "judged");
    for (const auto& [perNetwork, networks] : runs) {
        const int n = perNetwork * networks;
        brenmoor::test::ManyDevices devices(perNetwork, networks);
        if (!devices.ready())
            return 1;
        for (int round = 1; round <= searches; ++round) {
            (void)QTest::qWaitFor([&] { return !list->searchBusy; }, 60000);
            QTest::qWait(200);
            const long dropsBefore = brenmoor::test::udpReceiveBufferErrors();
            lastTick = 0;
            longestStall = 0;
            ticker.start(1);
            const qint64 pressed = clock.nsecsElapsed();
            QTest::mouseClick(search, Qt::LeftButton);
            (void)runUntil([&] { return table->rowCount() >= n; }, 10000);
            (void)runUntil([] { return false; }, 1000); // anything late or lost would show by now
            ticker.stop();
            const int listed = table->rowCount();
            const long drops = brenmoor::test::udpReceiveBufferErrors() - dropsBefore;
            (void)QTest::qWaitFor([&] { return !list->searchBusy; }, 60000);
            const qint64 sweepEnded = clock.nsecsElapsed();
            const auto ms = [](qint64 nanoseconds) { return static_cast<double>(nanoseconds) / 1e6; };
            // From the press to the conflicts judged: the sweep of every network and its read.
            std::printf("%4dx%-3d %7d %11.1f ms %15.1f ms %5d/%-5d %13.1f ms %11.0f ms %7ld %7.2f s\n", perNetwork, networks,
                        round, ms(lastRow - pressed), ms(lastRow - lastReply), listed, n, ms(longestStall),
                        ms(longestStallEnd - pressed), drops,
                        ms(sweepEnded - pressed) / 1000);
            std::fflush(stdout);
        }
    }
    return 0;
}
