// A flood during a Search: one host answers the discovery request 50,000 times, each time
// under a new MAC, among 200 real devices. Prints the longest stall of the window's event
// loop, the rows listed, the console lines that tell of the cut, the peak memory, datagrams
// the kernel dropped, and that the next Search (without the flood) lists the real devices.
// Prints figures; asserts nothing. Runs in the lab.
//   bench_flood [REPLIES]      (default 50000)
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
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

long peakMemoryKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    brenmoor::test::requireLabNamespace(argv[0]);
    setHighDpiAttributes();
    QApplication app(argc, argv);
    installApplicationFont();
    const int replies = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50000;

    brenmoor::test::ManyDevices real(200, 1);
    brenmoor::test::SimulatedDevices flood(
        5, {QStringLiteral("mac=02:00:5e:50:00:40,name=Flood,proto=json,flood=%1").arg(replies)});
    if (!real.ready() || !flood.ready())
        return 1;

    Brenmoor window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    mainwindow* list = window.panel()->deviceWindow;
    auto* table = list->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
    auto* search = list->findChild<QPushButton*>(QStringLiteral("pushButton_14"));
    (void)runUntil([&] { return !list->searchBusy; }, 60000);
    std::printf("flood of %d replies with distinct MACs, among 200 real devices (and the flooding host)\n", replies);
    std::printf("peak memory before: %ld kB\n", peakMemoryKb());

    StallMeter stalls;
    for (int round = 1; round <= 2; ++round) {
        const long dropsBefore = brenmoor::test::udpReceiveBufferErrors();
        QElapsedTimer clock;
        clock.start();
        stalls.start();
        QTest::mouseClick(search, Qt::LeftButton);
        // Rows until nothing has changed for two seconds.
        int rows = -1;
        qint64 lastChange = 0;
        (void)runUntil([&] {
            if (table->rowCount() != rows) {
                rows = table->rowCount();
                lastChange = clock.elapsed();
            }
            return clock.elapsed() - lastChange > 2000;
        }, 120000);
        const double longest = stalls.stop();
        (void)runUntil([&] { return !list->searchBusy; }, 60000);
        std::printf("Search %d%s: %d rows, the last %.1f s after the press; longest stall %.1f ms; "
                    "%ld datagrams dropped for a full receive buffer; peak memory %ld kB\n",
                    round, round == 1 ? " (flood)" : " (after it)", rows, static_cast<double>(lastChange) / 1000, longest,
                    brenmoor::test::udpReceiveBufferErrors() - dropsBefore, peakMemoryKb());
        std::fflush(stdout);
    }
    return 0;
}
