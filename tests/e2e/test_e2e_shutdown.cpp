// Closing the window at the worst moments: in the middle of a sweep, while a burst of
// replies streams in, right after Search started its senders, with settings panels open.
// Nothing may crash, touch freed memory (run under the sanitizers) or hang the close.
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "app/startup.h"
#include "base/workergroup.h"
#include "tests/support/labprocess.h"
#include "tests/support/labqtestmain.h"
#include "ui/mainwindow.h"

#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <chrono>

class EndToEndShutdown : public QObject
{
    Q_OBJECT

    std::unique_ptr<brenmoor::test::ManyDevices> devices;

    static QPushButton* searchButton(Brenmoor& window)
    {
        return window.panel()->deviceWindow->findChild<QPushButton*>(QStringLiteral("pushButton_14"));
    }

    // Destroys the window; true when the close came back in time and left no worker running.
    // A worker that ignores cancellation outlasts the window's bounded wait and is caught by
    // the count, whatever the machine's speed; the time limit only catches a hang.
    static bool close(std::unique_ptr<Brenmoor>& window)
    {
        const auto start = std::chrono::steady_clock::now();
        window.reset();
        const auto took = std::chrono::steady_clock::now() - start;
        const int left = WorkerGroup::liveWorkers();
        if (left != 0)
            qWarning("%d window workers still running after the close", left);
        return left == 0 && took < std::chrono::seconds(5);
    }

    static std::unique_ptr<Brenmoor> open()
    {
        auto window = std::make_unique<Brenmoor>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        return window;
    }

private slots:
    void initTestCase()
    {
        devices = std::make_unique<brenmoor::test::ManyDevices>(150, 1);
        QVERIFY(devices->ready());
    }

    void cleanupTestCase()
    {
        devices.reset();
    }

    void closeDuringTheStartUpSweep()
    {
        auto window = open();
        QVERIFY(window);
        QVERIFY(close(window)); // the sweep is cut short, not waited out
    }

    void closeRightAfterSearchStartedItsSenders()
    {
        for (int round = 0; round < 5; ++round) {
            auto window = open();
            QVERIFY(window);
            QTest::mouseClick(searchButton(*window), Qt::LeftButton);
            QVERIFY(close(window));
        }
    }

    void closeWhileABurstOfRepliesStreamsIn()
    {
        for (int delay : {5, 20, 60, 150}) {
            auto window = open();
            QVERIFY(window);
            QTest::mouseClick(searchButton(*window), Qt::LeftButton);
            QTest::qWait(delay);
            QVERIFY(close(window));
        }
    }

    void closeInTheMiddleOfTheSweepWithPanelsOpen()
    {
        auto window = open();
        QVERIFY(window);
        auto* table = window->panel()->deviceWindow->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        QTest::mouseClick(searchButton(*window), Qt::LeftButton);
        // A large table gives rows their buttons a moment after they come in.
        QTRY_VERIFY_WITH_TIMEOUT(table->rowCount() >= 2 && table->cellWidget(0, 5) && table->cellWidget(1, 5), 5000);
        QTest::mouseClick(table->cellWidget(0, 5)->findChild<QPushButton*>(), Qt::LeftButton);
        QTest::mouseClick(table->cellWidget(1, 5)->findChild<QPushButton*>(), Qt::LeftButton);
        QVERIFY(window->panel()->deviceWindow->searchBusy); // the sweep is still going
        QVERIFY(close(window));
    }
};

// Returning from main while detached work might still run is part of the test: the window
// waits for its workers, so the process exits cleanly.
BM_LAB_QTEST_MAIN(EndToEndShutdown)
#include "test_e2e_shutdown.moc"
