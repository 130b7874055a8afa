// The window's message sink: warnings and errors reported on another thread reach the window's
// callback on the GUI thread, through its event queue and in order, as the console shows them;
// info does not; the console keeps every line on its stream; and once the window is gone
// nothing more reaches it and the default sink is back.
#include "base/messages.h"
#include "ui/windowmessages.h"

#include <QLabel>
#include <QTemporaryFile>
#include <QThread>
#include <QtTest>
#include <cerrno>
#include <cstdio>
#include <thread>
#include <unistd.h>

using brenmoor::messages::Level;

namespace {

// Standard output and standard error, each into a file of its own until take().
class ConsoleCapture
{
public:
    ConsoleCapture()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        for (int i = 0; i < 2; ++i) {
            if (!files[i].open())
                qFatal("no temporary file");
            saved[i] = dup(i + 1);
            dup2(files[i].handle(), i + 1);
        }
    }
    // What each stream got: {standard output, standard error}.
    std::pair<QByteArray, QByteArray> take()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        QByteArray got[2];
        for (int i = 0; i < 2; ++i) {
            dup2(saved[i], i + 1);
            close(saved[i]);
            files[i].seek(0);
            got[i] = files[i].readAll();
        }
        return {got[0], got[1]};
    }

private:
    QTemporaryFile files[2];
    int saved[2] = {-1, -1};
};

// What the window's callback got, and on which thread.
struct Shown
{
    QStringList texts;
    QList<QThread*> threads;
    std::function<void(const QString&)> callback()
    {
        return [this](const QString& text) {
            texts << text;
            threads << QThread::currentThread();
        };
    }
};

} // namespace

class WindowMessagesTest : public QObject
{
    Q_OBJECT

private slots:
    void fromAnotherThreadOnlyErrorsReachTheWindow_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("errorNumber"); // 0: a plain report
        QTest::addColumn<QString>("shown"); // empty: the window shows nothing
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("info stays on the console")
            << int(Level::Info) << QByteArray("UDP MultiNIC initialized with 2 interfaces") << 0 << QString()
            << QByteArray("UDP MultiNIC initialized with 2 interfaces\n") << QByteArray();
        // The list shows a conflict in red; the hint would only repeat it.
        QTest::newRow("a conflict stays on the console") << int(Level::Warning)
                                    << QByteArray("Ip:10.0.0.5conflict 00:11:22:33:44:55 66:77:88:99:aa:bb") << 0
                                    << QString()
                                    << QByteArray("Ip:10.0.0.5conflict 00:11:22:33:44:55 66:77:88:99:aa:bb\n")
                                    << QByteArray();
        QTest::newRow("an error goes to standard error")
            << int(Level::Error) << QByteArray("Failed to get interface addresses") << 0
            << QStringLiteral("Failed to get interface addresses") << QByteArray()
            << QByteArray("Failed to get interface addresses\n");
        QTest::newRow("a failure with its errno")
            << int(Level::Error) << QByteArray("Failed to open UDP port 21089") << EADDRINUSE
            << QStringLiteral("Failed to open UDP port 21089: Address already in use") << QByteArray()
            << QByteArray("Failed to open UDP port 21089: Address already in use\n");
        QTest::newRow("controls shown as the console shows them")
            << int(Level::Error) << QByteArray("[WARNING] cam\n[OK] forged\x1b[2J\xe2\x80\xae") << 0
            << QStringLiteral("[WARNING] cam\\x0a[OK] forged\\x1b[2J\\xe2\\x80\\xae") << QByteArray()
            << QByteArray("[WARNING] cam\\x0a[OK] forged\\x1b[2J\\xe2\\x80\\xae\n");
    }

    void fromAnotherThreadOnlyErrorsReachTheWindow()
    {
        QFETCH(int, level);
        QFETCH(QByteArray, text);
        QFETCH(int, errorNumber);
        QFETCH(QString, shown);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);

        Shown window;
        {
            QLabel context; // the window's hint under the counters, in the tool
            brenmoor::ui::installWindowMessages(&context, window.callback());
            ConsoleCapture console;
            std::thread([&] {
                if (errorNumber != 0)
                    brenmoor::messages::reportFailure(Level(level), text.toStdString(), errorNumber);
                else
                    brenmoor::messages::report(Level(level), text.toStdString());
            }).join();
            QVERIFY2(window.texts.isEmpty(), "shown on the reporting thread, not through the window's queue");
            QCoreApplication::sendPostedEvents();
            const auto [gotOut, gotErr] = console.take();
            QCOMPARE(gotOut, out);
            QCOMPARE(gotErr, err);
        }
        QCOMPARE(window.texts, shown.isEmpty() ? QStringList() : QStringList{shown});
        for (QThread* thread : window.threads)
            QCOMPARE(thread, QCoreApplication::instance()->thread());
        QVERIFY2(!brenmoor::messages::setSink({}), "the window's end left its sink in place");
    }

    void theWindowGetsTheErrorsInTheOrderReported()
    {
        Shown window;
        QObject context;
        brenmoor::ui::installWindowMessages(&context, window.callback());
        QStringList expected;
        ConsoleCapture console;
        std::thread([&] {
            for (int i = 0; i < 50; ++i) {
                brenmoor::messages::report(Level::Info, "progress " + std::to_string(i));
                brenmoor::messages::report(i % 2 ? Level::Warning : Level::Error, "found " + std::to_string(i));
            }
        }).join();
        console.take();
        for (int i = 0; i < 50; i += 2)
            expected << QStringLiteral("found %1").arg(i);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(window.texts, expected);
    }

    void onceTheWindowIsGoneNothingReachesItAndTheDefaultIsBack()
    {
        Shown window;
        auto* context = new QObject;
        brenmoor::ui::installWindowMessages(context, window.callback());
        ConsoleCapture console;
        std::thread([] { brenmoor::messages::report(Level::Warning, "queued before the end"); }).join();
        delete context;
        QCoreApplication::sendPostedEvents();
        std::thread([] { brenmoor::messages::report(Level::Error, "after the end"); }).join();
        QCoreApplication::sendPostedEvents();
        const auto [out, err] = console.take();
        QVERIFY2(window.texts.isEmpty(), qPrintable(window.texts.join(QLatin1Char('|'))));
        QCOMPARE(out, QByteArray("queued before the end\n"));
        QCOMPARE(err, QByteArray("after the end\n"));
        QVERIFY2(!brenmoor::messages::setSink({}), "the window's end left its sink in place");
    }
};

QTEST_MAIN(WindowMessagesTest)
#include "test_windowmessages.moc"
