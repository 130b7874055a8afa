// Moving and edge-resizing a window through real mouse events dispatched by the window
// system layer, so presses land on whichever child is under the pointer; and the same drags
// handed to a compositor, as on Wayland, with the test standing in for the compositor.
#include "app/cframelesswidgetbase.h"
#include "app/qtcompat.h"
#include "app/windowdraghandling.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHoverEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

class FancyButton : public QPushButton
{
public:
    using QPushButton::QPushButton;
};

// Exposes the drag state for the assertions.
class Window : public CFrameLessWidgetBase
{
public:
    using CFrameLessWidgetBase::borderWidth;
    using CFrameLessWidgetBase::direction;
    using CFrameLessWidgetBase::handling;
    using CFrameLessWidgetBase::moving;
    using CFrameLessWidgetBase::resizing;

    Window()
    {
        button = new QPushButton(QStringLiteral("Search"), this);
        button->setGeometry(40, 40, 100, 40);
        fancy = new FancyButton(QStringLiteral("Fancy"), this);
        fancy->setGeometry(40, 100, 100, 40);
        edit = new QLineEdit(this);
        edit->setGeometry(40, 160, 100, 30);
        combo = new QComboBox(this);
        combo->setGeometry(40, 210, 100, 30);
        label = new QLabel(QStringLiteral("Device:0"), this);
        label->setGeometry(200, 40, 100, 40);
        setMinimumSize(400, 300);
    }

    QPushButton* button;
    FancyButton* fancy;
    QLineEdit* edit;
    QComboBox* combo;
    QLabel* label;

    // The compositor's part, asked only once a test has chosen AskCompositor: each request's
    // edges as an int (a move has none), answered with `compositorAgrees`.
    QList<int> asked;
    bool compositorAgrees = true;

protected:
    bool askCompositor(Qt::Edges edges) override
    {
        asked.append(int(edges));
        return compositorAgrees;
    }
};

} // namespace

class FramelessWidgetTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Window> w;
    QWindow* handle() const { return w->windowHandle(); }
    QPoint global(const QPoint& local) const { return w->mapToGlobal(local); }

    void press(const QPoint& p, Qt::MouseButton b = Qt::LeftButton)
    {
        origin = handle()->mapToGlobal(QPoint(0, 0));
        QTest::mousePress(handle(), b, {}, p);
    }
    void release(const QPoint& p, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseRelease(handle(), b, {}, local(p)); }
    // Points are given in the window's coordinates at the time of the press; the window may
    // have moved or grown since, so they are mapped through the original global origin.
    QPoint origin;
    QPoint local(const QPoint& p) const { return origin + p - handle()->mapToGlobal(QPoint(0, 0)); }
    void moveTo(const QPoint& p) { QTest::mouseMove(handle(), local(p)); }

    void settle()
    {
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }

private slots:
    void init()
    {
        w = std::make_unique<Window>();
        w->setGeometry(300, 200, 600, 400);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->geometry(), QRect(300, 200, 600, 400));
    }

    void cleanup() { w.reset(); }

    void bandsAreOnePixelWiderOnTheLeftAndTop()
    {
        const int mid = 200;
        QCOMPARE(w->getResizeDirection({5, mid}), int(CFrameLessWidgetBase::DirLeft));
        QCOMPARE(w->getResizeDirection({600 - 5, mid}), int(CFrameLessWidgetBase::DirRight));
        QCOMPARE(w->getResizeDirection({6, mid}), 0);
        QCOMPARE(w->getResizeDirection({600 - 6, mid}), 0);
        QCOMPARE(w->getResizeDirection({300, 5}), int(CFrameLessWidgetBase::DirTop));
        QCOMPARE(w->getResizeDirection({300, 400 - 5}), int(CFrameLessWidgetBase::DirBottom));
        QCOMPARE(w->getResizeDirection({0, 0}), CFrameLessWidgetBase::DirLeft | CFrameLessWidgetBase::DirTop);
    }

    void leftEdgeDragResizesFromThePressGeometry()
    {
        press({5, 200});
        QVERIFY(w->resizing);
        QVERIFY(!w->moving);
        QCOMPARE(w->direction, int(CFrameLessWidgetBase::DirLeft));
        moveTo({-45, 200}); // 50 pixels to the left
        settle();
        QCOMPARE(w->geometry(), QRect(250, 200, 650, 400));
        // A second move is measured from the press again, not from the last move.
        moveTo({-15, 200});
        settle();
        QCOMPARE(w->geometry().right(), 899);
        release({-15, 200});
        QVERIFY(!w->resizing);
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor);
    }

    void topLeftCornerResizesDiagonallyWithTheOppositeCornerFixed()
    {
        const QPoint bottomRight = w->geometry().bottomRight();
        press({2, 2});
        QVERIFY(w->resizing);
        QCOMPARE(w->direction, CFrameLessWidgetBase::DirLeft | CFrameLessWidgetBase::DirTop);
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor); // the press itself leaves the cursor
        moveTo({2 - 30, 2 - 20});
        settle();
        QCOMPARE(w->geometry().topLeft(), QPoint(270, 180));
        QCOMPARE(w->geometry().bottomRight(), bottomRight);
        release({2 - 30, 2 - 20});

        QHoverEvent hover = hoverMove(QPointF(2, 2), QPointF(50, 50));
        QApplication::sendEvent(w.get(), &hover);
        QCOMPARE(w->cursor().shape(), Qt::SizeFDiagCursor);
        QHoverEvent away = hoverMove(QPointF(300, 200), QPointF(2, 2));
        QApplication::sendEvent(w.get(), &away);
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor);
    }

    void minimumWidthStopsTheLeftEdgeAndKeepsTheRightEdge()
    {
        const int right = w->geometry().right();
        press({3, 200});
        moveTo({3 + 500, 200}); // would leave a 100-pixel window
        settle();
        QCOMPARE(w->geometry().right(), right);
        QCOMPARE(w->geometry().left(), right - w->minimumWidth());
        release({3 + 500, 200});

        const int top = w->geometry().top();
        press({300, w->height() - 2});
        QCOMPARE(w->direction, int(CFrameLessWidgetBase::DirBottom));
        moveTo({300, w->height() - 2 - 300});
        settle();
        QCOMPARE(w->geometry().top(), top);
        QCOMPARE(w->geometry().bottom(), top + w->minimumHeight());
        release({300, w->height() - 2 - 300});
    }

    void controlsNeverStartAWindowDrag_data()
    {
        // Enabled controls take the press themselves. Disabled ones (like the window's
        // counters, which are disabled push buttons) pass it on to the window, which then
        // has to recognise the control under the pointer.
        QTest::addColumn<QString>("child");
        QTest::addColumn<bool>("enabled");
        for (const char* name : {"button", "fancy", "edit", "combo"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 enabled").arg(name))) << name << true;
            QTest::newRow(qPrintable(QStringLiteral("%1 disabled").arg(name))) << name << false;
        }
    }

    void controlsNeverStartAWindowDrag()
    {
        QFETCH(QString, child);
        QWidget* target = child == "button" ? static_cast<QWidget*>(w->button)
            : child == "fancy"              ? w->fancy
            : child == "edit"               ? static_cast<QWidget*>(w->edit)
                                            : w->combo;
        QFETCH(bool, enabled);
        target->setEnabled(enabled);
        const QPoint p = target->geometry().center();
        const QRect before = w->geometry();
        press(p);
        QVERIFY(!w->moving);
        QVERIFY(!w->resizing);
        moveTo(p + QPoint(80, 60));
        settle();
        QCOMPARE(w->geometry(), before);
        release(p + QPoint(80, 60));
        if (w->combo->view()->isVisible())
            w->combo->hidePopup();
    }

    void labelsAndEmptySpaceDragTheWindow_data()
    {
        QTest::addColumn<QPoint>("start");
        QTest::newRow("label") << w_label_centre();
        QTest::newRow("empty space") << QPoint(400, 300);
    }

    void labelsAndEmptySpaceDragTheWindow()
    {
        QFETCH(QPoint, start);
        press(start);
        QVERIFY(w->moving);
        moveTo(start + QPoint(40, 25));
        settle();
        QCOMPARE(w->pos(), QPoint(340, 225));
        release(start + QPoint(40, 25));
        QVERIFY(!w->moving);
    }

    void otherButtonsChangeNothing()
    {
        w->setCursor(Qt::CrossCursor);
        press({5, 200}, Qt::RightButton);
        QVERIFY(!w->resizing);
        QVERIFY(!w->moving);
        QCOMPARE(w->direction, 0);
        QCOMPARE(w->cursor().shape(), Qt::CrossCursor);
        release({5, 200}, Qt::RightButton);
        QCOMPARE(w->cursor().shape(), Qt::CrossCursor);

        // A right release in the middle of a left drag does not end the drag.
        press({400, 300});
        press({400, 300}, Qt::RightButton);
        release({400, 300}, Qt::RightButton);
        QVERIFY(w->moving);
        release({400, 300});
        QVERIFY(!w->moving);
    }

    void maximisedWindowHasNoResizeBand()
    {
        w->setWindowState(Qt::WindowMaximized);
        QTRY_COMPARE(w->borderWidth, 0);
        press({3, 3});
        QVERIFY(w->moving);
        QVERIFY(!w->resizing);
        release({3, 3});
        QCOMPARE(w->getResizeDirection({0, 100}), int(CFrameLessWidgetBase::DirLeft));
        QCOMPARE(w->getResizeDirection({w->width() - 1, 100}), 0);

        w->setWindowState(Qt::WindowNoState);
        QTRY_COMPARE(w->borderWidth, 5);
        QCOMPARE(w->getResizeDirection({5, 100}), int(CFrameLessWidgetBase::DirLeft));
    }

    void onlyWaylandAsksTheCompositor_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("asks");
        for (const char* name :
             {"wayland", "wayland-egl", "wayland-brcm", "wayland-xcomposite-egl", "wayland-xcomposite-glx"})
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        for (const char* name : {"xcb", "offscreen", "minimal", "windows", "cocoa", "eglfs", "vnc", "linuxfb", ""})
            QTest::newRow(*name ? name : "no name") << QString::fromLatin1(name) << false;
    }

    void onlyWaylandAsksTheCompositor()
    {
        QFETCH(QString, platform);
        QFETCH(bool, asks);
        QCOMPARE(dragHandlingFor(platform), asks ? DragHandling::AskCompositor : DragHandling::MoveItself);
    }

    void theWindowUnderXvfbMovesItself()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY(w->dragHandling() == DragHandling::MoveItself);
    }

    void edgeBitsBecomeTheCompositorsEdges_data()
    {
        using W = CFrameLessWidgetBase;
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("edges");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("left") << int(W::DirLeft) << int(Qt::LeftEdge);
        QTest::newRow("right") << int(W::DirRight) << int(Qt::RightEdge);
        QTest::newRow("top") << int(W::DirTop) << int(Qt::TopEdge);
        QTest::newRow("bottom") << int(W::DirBottom) << int(Qt::BottomEdge);
        QTest::newRow("top-left") << (W::DirTop | W::DirLeft) << int(Qt::TopEdge | Qt::LeftEdge);
        QTest::newRow("top-right") << (W::DirTop | W::DirRight) << int(Qt::TopEdge | Qt::RightEdge);
        QTest::newRow("bottom-left") << (W::DirBottom | W::DirLeft) << int(Qt::BottomEdge | Qt::LeftEdge);
        QTest::newRow("bottom-right") << (W::DirBottom | W::DirRight) << int(Qt::BottomEdge | Qt::RightEdge);
    }

    void edgeBitsBecomeTheCompositorsEdges()
    {
        QFETCH(int, direction);
        QFETCH(int, edges);
        QCOMPARE(int(resizeEdges(direction)), edges);
    }

    void theFirstMotionHandsTheDragToTheCompositor_data()
    {
        // edges -1: nothing is handed over.
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<int>("edges");
        QTest::newRow("empty space") << QPoint(400, 300) << 0;
        QTest::newRow("label") << w_label_centre() << 0;
        QTest::newRow("left edge") << QPoint(5, 200) << int(Qt::LeftEdge);
        QTest::newRow("bottom edge") << QPoint(300, 398) << int(Qt::BottomEdge);
        QTest::newRow("top-left corner") << QPoint(2, 2) << int(Qt::TopEdge | Qt::LeftEdge);
        QTest::newRow("bottom-right corner") << QPoint(598, 398) << int(Qt::BottomEdge | Qt::RightEdge);
        QTest::newRow("button") << QRect(40, 40, 100, 40).center() << -1;
        QTest::newRow("line edit") << QRect(40, 160, 100, 30).center() << -1;
    }

    void theFirstMotionHandsTheDragToTheCompositor()
    {
        QFETCH(QPoint, start);
        QFETCH(int, edges);
        w->handling = DragHandling::AskCompositor;
        const QRect before = w->geometry();
        press(start);
        QVERIFY2(w->asked.isEmpty(), "a press alone is a click, not yet a drag");
        // Up and to the left: QTest warns of points past the right or bottom edge.
        moveTo(start - QPoint(30, 20));
        settle();
        const QList<int> once = edges < 0 ? QList<int>() : QList<int>{edges};
        QCOMPARE(w->asked, once);
        // Handed over, the drag is the compositor's: nothing of it stays in the widget.
        QVERIFY(!w->moving);
        QVERIFY(!w->resizing);
        QCOMPARE(w->direction, 0);
        moveTo(start - QPoint(60, 40));
        settle();
        QCOMPARE(w->asked, once);
        QCOMPARE(w->geometry(), before);
        release(start - QPoint(60, 40));
        QCOMPARE(w->asked, once);
    }

    void aClickAsksTheCompositorNothing()
    {
        w->handling = DragHandling::AskCompositor;
        for (const QPoint& p : {QPoint(400, 300), QPoint(5, 200)}) {
            press(p);
            release(p);
        }
        QCOMPARE(w->asked, QList<int>());
        // The next drag is asked for on its own first motion, and only then.
        press({400, 300});
        moveTo({410, 300});
        settle();
        QCOMPARE(w->asked, QList<int>{0});
        release({410, 300});
    }

    void aSwallowedReleaseLeavesNoDragBehind()
    {
        w->handling = DragHandling::AskCompositor;
        press({400, 300});
        moveTo({440, 325});
        settle();
        QCOMPARE(w->asked, QList<int>{0});
        // The compositor kept the release. The next press lands on a disabled counter, which
        // passes it on to the window: it starts no drag, so its motion asks nothing and moves
        // nothing.
        w->button->setEnabled(false);
        const QPointF on = w->button->geometry().center();
        QMouseEvent again(QEvent::MouseButtonPress, on, QPointF(w->mapToGlobal(on.toPoint())), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &again);
        const QPointF next = on + QPointF(30, 30);
        QMouseEvent motion(QEvent::MouseMove, next, QPointF(w->mapToGlobal(next.toPoint())), Qt::NoButton,
                           Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &motion);
        QCOMPARE(w->asked, QList<int>{0});
        QCOMPARE(w->geometry(), QRect(300, 200, 600, 400));
        release({440, 325});
    }

    void aRefusingCompositorLeavesTheDragToTheWindow_data()
    {
        // Two motions by `step` and twice `step`: both are the window's own, and the
        // compositor is asked once.
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<QPoint>("step");
        QTest::addColumn<QRect>("afterOne");
        QTest::addColumn<QRect>("afterTwo");
        QTest::newRow("empty space") << QPoint(400, 300) << QPoint(40, 25) << QRect(340, 225, 600, 400)
                                     << QRect(380, 250, 600, 400);
        QTest::newRow("left edge") << QPoint(5, 200) << QPoint(-50, 0) << QRect(250, 200, 650, 400)
                                   << QRect(200, 200, 700, 400);
        QTest::newRow("bottom-right corner")
            << QPoint(598, 398) << QPoint(-30, -20) << QRect(300, 200, 570, 380) << QRect(300, 200, 540, 360);
    }

    void aRefusingCompositorLeavesTheDragToTheWindow()
    {
        QFETCH(QPoint, start);
        QFETCH(QPoint, step);
        QFETCH(QRect, afterOne);
        QFETCH(QRect, afterTwo);
        w->handling = DragHandling::AskCompositor;
        w->compositorAgrees = false;
        press(start);
        moveTo(start + step);
        settle();
        QCOMPARE(w->asked.size(), 1);
        QCOMPARE(w->geometry(), afterOne);
        moveTo(start + 2 * step);
        settle();
        QCOMPARE(w->asked.size(), 1);
        QCOMPARE(w->geometry(), afterTwo);
        release(start + 2 * step);
        QVERIFY(!w->moving);
        QVERIFY(!w->resizing);
    }

private:
    static QPoint w_label_centre() { return QRect(200, 40, 100, 40).center(); }
};

QTEST_MAIN(FramelessWidgetTest)
#include "test_framelesswidget.moc"
