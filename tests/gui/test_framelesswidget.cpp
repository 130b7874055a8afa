// Moving and edge-resizing a window through real mouse events dispatched by the window
// system layer, so presses land on whichever child is under the pointer.
#include "app/cframelesswidgetbase.h"
#include "app/qtcompat.h"

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

private:
    static QPoint w_label_centre() { return QRect(200, 40, 100, 40).center(); }
};

QTEST_MAIN(FramelessWidgetTest)
#include "test_framelesswidget.moc"
