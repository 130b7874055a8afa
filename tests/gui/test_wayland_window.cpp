// The top-level window as a client of a Wayland compositor (a headless Weston, from
// tests/support/weston-run-test.sh): it comes up drawn, and leaves its drags to the compositor,
// since a Wayland client cannot place its own window. Its device list sees a host without
// interfaces and nothing presses Search: nothing is sent.
#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "app/windowdraghandling.h"
#include "tests/support/labqtestmain.h"
#include "tests/support/quiethost.h"
#include "tests/support/screenshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTableWidget>
#include <QtTest>
#include <cstdio>

class WaylandWindowTest : public QObject
{
    Q_OBJECT

    brenmoor::test::QuietHost host;

private slots:
    void initTestCase()
    {
        QVERIFY2(QGuiApplication::platformName().startsWith(QLatin1String("wayland")),
                 qPrintable(QGuiApplication::platformName()));
    }

    void theWindowIsDrawnAndLeavesItsDragsToTheCompositor()
    {
        Brenmoor window(nullptr, host.deviceWindow());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.dragHandling() == DragHandling::AskCompositor);
        QCOMPARE(window.size(), QSize(1440, 756));
        // The panel's dark colour shows in the margin around the device list.
        QCOMPARE(window.grab().toImage().pixelColor(4, 378), QColor(35, 35, 35));
        // The shot shows the table as a user sees it, after its deferred set-up.
        auto* table = window.panel()->deviceWindow->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        QVERIFY(table);
        QTRY_VERIFY(!table->verticalHeader()->isVisible()); // the default wait: Qt 6.8 warns on a given int one
        brenmoor::test::saveShot(&window, "wayland-window.png");
    }
};

namespace {

// Asked before the application exists: without the plugin, QApplication would abort.
bool waylandPluginInstalled()
{
    for (const QString& folder : QCoreApplication::libraryPaths()) {
        const QDir platforms(folder + QStringLiteral("/platforms"));
        if (!platforms.entryList({QStringLiteral("*qwayland*")}, QDir::Files).isEmpty())
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (!waylandPluginInstalled()) {
        std::puts("SKIP: Qt's Wayland platform plugin is not installed (qtwayland5 or qt6-wayland)");
        return 77;
    }
    BM_APP_QTEST_MAIN_BODY(WaylandWindowTest)
}

#include "test_wayland_window.moc"
