// Commissioning a fleet from one Confirm: N simulated devices fresh from their boxes, all at
// 192.168.0.100 on the link of wlp2s0, are listed by a Search, all selected (Ctrl+A), given
// the range from 10.60.1.100 in the Assign Addresses panel, and confirmed. For each run prints
// the time from Confirm until the commands were out, until the first and the last line read
// "verified", and how many did. Prints figures; asserts nothing. Runs in the lab.
//   bench_assign [RUNS] [N]      (default: 3 runs of 100 devices)
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "app/startup.h"
#include "bench/eventloopwait.h"
#include "tests/support/labguard.h"
#include "tests/support/labprocess.h"
#include "ui/assignaddressespanel.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <cstdio>
#include <cstdlib>

namespace {

int countStatus(QTableWidget* lines, const QString& status)
{
    int count = 0;
    for (int row = 0; row < lines->rowCount(); ++row)
        count += lines->item(row, 4)->text() == status ? 1 : 0;
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    brenmoor::test::requireLabNamespace(argv[0]);
    setHighDpiAttributes();
    QApplication app(argc, argv);
    installApplicationFont();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int devices = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;

    for (int run = 1; run <= runs; ++run) {
        brenmoor::test::FleetDevices fleet(devices, QStringLiteral("192.168.0.100"));
        if (!fleet.ready()) {
            std::printf("assign: the fleet did not start\n");
            return 1;
        }
        Brenmoor window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        mainwindow* list = window.panel()->deviceWindow;
        auto* table = list->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        list->findChild<QPushButton*>(QStringLiteral("pushButton_14"))->click();
        runUntil([&] { return !list->searchBusy && table->rowCount() >= devices; }, 15000);
        const int listed = table->rowCount();
        table->setFocus();
        QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier);
        list->findChild<QPushButton*>(QStringLiteral("assignButton"))->click();
        auto* panel = list->findChild<AssignAddressesPanel*>();
        if (!panel)
            return 1;
        panel->findChild<QLineEdit*>(QStringLiteral("firstIp"))->setText(QStringLiteral("10.60.1.100"));
        panel->findChild<QLineEdit*>(QStringLiteral("gateway"))->setText(QStringLiteral("10.60.1.1"));
        auto* lines = panel->findChild<QTableWidget*>(QStringLiteral("assignLines"));

        QElapsedTimer clock;
        clock.start();
        panel->findChild<QPushButton*>(QStringLiteral("confirmButton"))->click();
        // The planned addresses are asked on the wire first; the lines then read "sending" or
        // "sent" until each settles.
        qint64 sent = -1;
        qint64 first = -1;
        const int total = lines->rowCount();
        const auto settled = [&] {
            return countStatus(lines, QStringLiteral("verified")) + countStatus(lines, QStringLiteral("not verified"))
                + countStatus(lines, QStringLiteral("not sent"));
        };
        runUntil(
            [&] {
                if (sent < 0 && countStatus(lines, QString()) == 0)
                    sent = clock.nsecsElapsed();
                if (first < 0 && countStatus(lines, QStringLiteral("verified")) > 0)
                    first = clock.nsecsElapsed();
                return settled() == total;
            },
            15000);
        const qint64 last = clock.nsecsElapsed();
        std::printf("assign %d: %d devices listed of %d; Confirm -> addresses asked and commands out %.0f ms, first verified "
                    "%.0f ms, last line settled %.0f ms; %d verified, %d not verified, %d not sent\n",
                    run, listed, devices, static_cast<double>(sent) / 1e6, static_cast<double>(first) / 1e6,
                    static_cast<double>(last) / 1e6, countStatus(lines, QStringLiteral("verified")),
                    countStatus(lines, QStringLiteral("not verified")), countStatus(lines, QStringLiteral("not sent")));
        std::fflush(stdout);
    }
    return 0;
}
