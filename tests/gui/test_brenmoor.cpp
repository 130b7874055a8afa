// The top-level window on a 1920 x 1080 screen: title, size rules, placement, panel, shadow,
// the device table's deferred set-up, and its one log line. Its device list sees a host
// without interfaces: no root, no lab.
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "app/singleinstance.h"
#include "base/logging.h"
#include "tests/support/labqtestmain.h"
#include "tests/support/quiethost.h"
#include "ui/mainwindow.h"

#include <QGraphicsDropShadowEffect>
#include <QHeaderView>
#include <QScreen>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>
#include <spdlog/sinks/ostream_sink.h>
#include <sstream>

class BrenmoorTest : public QObject
{
    Q_OBJECT

    brenmoor::test::QuietHost host;

private slots:
    // A second window of the same user in the same network namespace does not start; one
    // whose first has gone does.
    void aSecondWindowIsRefusedWhileTheFirstLives()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        {
            const SingleInstance first(folder.path());
            QVERIFY(first.claimed());
            const SingleInstance second(folder.path());
            QVERIFY(!second.claimed());
            QVERIFY2(second.refusal().contains(QStringLiteral("already running (pid %1)").arg(QCoreApplication::applicationPid())),
                     qPrintable(second.refusal()));
        }
        QVERIFY(SingleInstance(folder.path()).claimed());
        QVERIFY2(SingleInstance(QStringLiteral("/nonexistent/folder")).claimed(), "no place for a lock is no reason not to start");
    }

    void initTestCase()
    {
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        QCOMPARE(QFont().family(), QStringLiteral("黑体"));
        // At 96 dpi the high-DPI scale factor is 1 and logical pixels are screen pixels.
        QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.0);
        if (screen != QSize(1920, 1080))
            QFAIL(qPrintable(QStringLiteral("needs a 1920x1080 screen, got %1x%2")
                                 .arg(screen.width()).arg(screen.height())));
    }

    void sizedAndCentredFromTheScreenWithItsTitle()
    {
        Brenmoor window(nullptr, host.deviceWindow());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("Lorvane v" BM_PROJECT_VERSION)); // the version of project()
        QCOMPARE(window.objectName(), QStringLiteral("Brenmoor"));
        QCOMPARE(window.size(), QSize(1440, 756));
        QCOMPARE(window.pos(), QPoint(240, 162));
        QCOMPARE(window.minimumSize(), QSize(1440, 756));
        QVERIFY(window.testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(window.windowFlags() & Qt::FramelessWindowHint, Qt::WindowFlags());

        window.resize(800, 500);
        QCoreApplication::processEvents();
        QCOMPARE(window.size(), QSize(1440, 756));
    }

    void holdsTheDarkPanelBehindAShadow()
    {
        Brenmoor window(nullptr, host.deviceWindow());
        CTopWidget* panel = window.panel();
        QVERIFY(panel);
        QCOMPARE(panel->parentWidget(), &window);
        QVERIFY(panel->testAttribute(Qt::WA_StyledBackground));
        QVERIFY(panel->styleSheet().contains(QStringLiteral("background-color:rgb(35,35,35)")));
        QCOMPARE(window.layout()->contentsMargins(), QMargins());
        QCOMPARE(window.layout()->count(), 1);
        QCOMPARE(panel->layout()->contentsMargins(), QMargins());
        QCOMPARE(panel->layout()->spacing(), 0);
        QVERIFY(panel->deviceWindow);
        QCOMPARE(panel->deviceWindow->parentWidget(), panel);

        auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(panel->graphicsEffect());
        QVERIFY(shadow);
        QCOMPARE(shadow->parent(), &window);
        QCOMPARE(shadow->offset(), QPointF(0, 0));
        QCOMPARE(shadow->color(), QColor(125, 125, 125, 255));
        QCOMPARE(shadow->blurRadius(), 0.0);

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(panel->geometry(), QRect(0, 0, 1440, 756));
        // The panel's dark colour shows in the margin around the device list.
        const QImage image = window.grab().toImage();
        QCOMPARE(image.pixelColor(4, 378), QColor(35, 35, 35));
    }

    void deferredSetUpFixesTheHeaderAndColumns()
    {
        Brenmoor window(nullptr, host.deviceWindow());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* table = window.panel()->deviceWindow->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        QVERIFY(table->verticalHeader()->isVisible());
        // The deferred table set-up comes 100 ms after the window.
        QTRY_VERIFY_WITH_TIMEOUT(!table->verticalHeader()->isVisible(), 2000);
        QCOMPARE(table->horizontalHeader()->height(), 60);
        QCOMPARE(table->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        QVERIFY(!table->horizontalHeader()->stretchLastSection());
        // The 1440 x 756 window gives the table 1388 pixels: 86/886 and 138/886 of them.
        QCOMPARE(table->width(), 1388);
        QCOMPARE(table->columnWidth(0), 134);
        QCOMPARE(table->columnWidth(6), 216);
    }

    void logsTheScreenAndWindowSizesWhenLoggingIsOn()
    {
        std::ostringstream captured;
        auto sink = std::make_shared<spdlog::sinks::ostream_sink_mt>(captured);
        sink->set_pattern("%l %v");
        gsdplog = std::make_shared<spdlog::logger>("test", sink);
        { Brenmoor window(nullptr, host.deviceWindow()); }
        gsdplog.reset();
        const std::string line = captured.str();
        QVERIFY2(QString::fromStdString(line).contains(
                     QRegularExpression(QStringLiteral(R"(^info \[brenmoor\.cpp:\d+\] Brenmoor - 1920X1080 -> 1440X756\n$)"))),
                 line.c_str());

        // With the logger empty again the window is built the same way and logs nothing.
        { Brenmoor window(nullptr, host.deviceWindow()); }
        QCOMPARE(captured.str(), line);
    }
};

BM_APP_QTEST_MAIN(BrenmoorTest)
#include "test_brenmoor.moc"
