// Coming back to a site of 1,000 devices: a record of 1,000 (25 of them gone since, 25 moved,
// 25 renamed) loaded, then 1,000 replies (25 new) arriving at once as a Search's burst. Prints
// the time from the last row to the marks and counters on screen, the longest event-loop stall,
// and the cost of reading the registry of makers. Asserts nothing. Runs in the lab (the window
// brings up its endpoints).
#include "app/startup.h"
#include "core/devicemaker.h"
#include "core/siterecord.h"
#include "tests/support/labguard.h"
#include "ui/devicetable.h"
#include "ui/devicetablewidget.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

QString ipFor(int i)
{
    return QStringLiteral("10.%1.%2.%3").arg(i / 62500).arg(i / 250 % 250).arg(1 + i % 250);
}

QString macFor(int i)
{
    return QStringLiteral("00:50:c2:%1:%2:%3")
        .arg((i >> 16) & 0xff, 2, 16, QLatin1Char('0'))
        .arg((i >> 8) & 0xff, 2, 16, QLatin1Char('0'))
        .arg(i & 0xff, 2, 16, QLatin1Char('0'));
}

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    brenmoor::test::requireLabNamespace(argv[0]);
    // The window remembers the record it compares with per user: not this run's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    const long before = residentKilobytes();
    const auto readStart = std::chrono::steady_clock::now();
    const MakerTable registry = MakerTable::load(makerRegistryPath());
    const double readMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - readStart).count();
    std::printf("registry of makers (%s): %zu prefixes read in %.1f ms, %ld kB resident\n", makerRegistryPath().c_str(),
                registry.size(), readMs, residentKilobytes() - before);

    setHighDpiAttributes();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.json"));
    std::vector<ListedDevice> recorded;
    for (int i = 0; i < 1000; ++i) {
        ListedDevice device;
        device.record = {macFor(i), ipFor(i), QStringLiteral("255.255.255.0"), QStringLiteral("10.0.0.1"),
                         QStringLiteral("cam%1").arg(i), 1};
        device.kv = true;
        recorded.push_back(device);
    }
    std::string problem;
    if (!writeSiteRecord(siteRecordOf(recorded, "2026-06-01T08:00:00Z", "bench"), path, problem)) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }

    mainwindow window;
    window.resize(1400, 800);
    window.show();
    QApplication::processEvents();
    window.compareWith(path);
    auto* table = window.findChild<DeviceTableWidget*>(QStringLiteral("tableWidget"));
    auto* missing = window.findChild<QPushButton*>(QStringLiteral("missingCount"));

    // The longest gap between two ticks of a 5 ms timer: how long the window could not answer.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, longest = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - lastTick);
        lastTick = now;
    });
    ticker.start(5);

    // Devices 0-24 gone, 25-49 moved, 50-74 renamed, 1000-1024 new.
    const qint64 burst = clock.nsecsElapsed();
    lastTick = burst;
    for (int i = 25; i < 1025; ++i) {
        const QString ip = i < 50 ? ipFor(i + 3000) : ipFor(i);
        const QString name = i >= 50 && i < 75 ? QStringLiteral("renamed%1").arg(i) : QStringLiteral("cam%1").arg(i);
        emit window.sigAddDeivce(macFor(i), ip, QStringLiteral("255.255.255.0"), QStringLiteral("10.0.0.1"), name, 1);
    }
    window.checkConflicts({}); // the sweep's end: only then are the record's silent devices missing
    qint64 lastRow = -1;
    while (clock.nsecsElapsed() - burst < 10'000'000'000LL) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (lastRow < 0 && table->devices().size() == 1000)
            lastRow = clock.nsecsElapsed();
        if (lastRow >= 0 && missing->text() == QStringLiteral("Missing:25") && table->rowCount() == 1025)
            break;
    }
    const qint64 marked = clock.nsecsElapsed();
    std::printf("compare 1,000 with a record of 1,000 (100 differences): burst -> last row %.0f ms, last row -> marks "
                "and counters %.1f ms, longest stall %.1f ms; %s\n",
                static_cast<double>(lastRow - burst) / 1e6, static_cast<double>(marked - lastRow) / 1e6,
                static_cast<double>(longest) / 1e6,
                qPrintable(window.findChild<QPushButton*>(QStringLiteral("newCount"))->text() + QLatin1Char(' ')
                           + missing->text() + QLatin1Char(' ')
                           + window.findChild<QPushButton*>(QStringLiteral("changedCount"))->text()));
    return 0;
}
