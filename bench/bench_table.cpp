// Cost of one addDevice as the table grows: the insertion walks the table for the MAC,
// aligns and re-sorts. Prints figures; asserts nothing. Runs in the lab (the window brings
// up its endpoints).
#include "app/startup.h"
#include "tests/support/labguard.h"
#include "ui/devicetablewidget.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QTableWidget>
#include <chrono>
#include <cstdio>

namespace {

QString ipFor(int i)
{
    // Spread over many networks so the sort has work to do.
    return QStringLiteral("10.%1.%2.%3").arg((i * 7919) % 200).arg((i * 104729) % 250).arg(1 + i % 250);
}

QString macFor(int i)
{
    return QStringLiteral("02:00:%1:%2:%3:%4")
        .arg((i >> 24) & 0xff, 2, 16, QLatin1Char('0'))
        .arg((i >> 16) & 0xff, 2, 16, QLatin1Char('0'))
        .arg((i >> 8) & 0xff, 2, 16, QLatin1Char('0'))
        .arg(i & 0xff, 2, 16, QLatin1Char('0'));
}

} // namespace

int main(int argc, char** argv)
{
    brenmoor::test::requireLabNamespace(argv[0]);
    setHighDpiAttributes();
    QApplication app(argc, argv);
    mainwindow window;
    window.resize(1400, 700);
    window.show();
    QApplication::processEvents();
    std::printf("addDevice cost (mean of 20 inserts, and of 20 updates of a listed MAC):\n");
    int added = 0;
    for (int size : {100, 1000, 5000}) {
        while (added < size) {
            window.addDevice(macFor(added), ipFor(added), QStringLiteral("255.255.255.0"), QStringLiteral("10.0.0.1"),
                             QStringLiteral("cam"), 0);
            ++added;
        }
        QApplication::processEvents();
        auto start = std::chrono::steady_clock::now();
        for (int k = 0; k < 20; ++k)
            window.addDevice(macFor(1000000 + size + k), ipFor(size * 3 + k), QStringLiteral("255.255.255.0"),
                             QStringLiteral("10.0.0.1"), QStringLiteral("new"), 0);
        const double insert = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / 20;
        added += 20;
        start = std::chrono::steady_clock::now();
        for (int k = 0; k < 20; ++k)
            window.addDevice(macFor(size / 2 + k), ipFor(size / 2 + k), QStringLiteral("255.255.255.0"),
                             QStringLiteral("10.0.0.1"), QStringLiteral("upd"), 1);
        const double update = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / 20;
        QApplication::processEvents();
        std::printf("  %5d rows: insert %.3f ms, update %.3f ms\n", size, insert, update);
    }
    // A new Search empties the table first; that and the repaint it brings hold the event loop.
    std::printf("emptying the table (as a Search press does) and its repaint:\n");
    auto* table = window.findChild<DeviceTableWidget*>(QStringLiteral("tableWidget"));
    for (int size : {1000, 5000}) {
        table->startFilling();
        for (int i = 0; i < size; ++i)
            window.addDevice(macFor(i), ipFor(i), QStringLiteral("255.255.255.0"), QStringLiteral("10.0.0.1"),
                             QStringLiteral("cam"), 0);
        QApplication::processEvents();
        const auto start = std::chrono::steady_clock::now();
        table->startFilling();
        const auto emptied = std::chrono::steady_clock::now();
        QApplication::processEvents();
        table->repaint();
        const auto painted = std::chrono::steady_clock::now();
        std::printf("  %5d rows: emptied in %.1f ms, repainted %.1f ms later\n", size,
                    std::chrono::duration<double, std::milli>(emptied - start).count(),
                    std::chrono::duration<double, std::milli>(painted - emptied).count());
    }
    return 0;
}
