#pragma once
// Wakes the GUI thread from any thread without a call into Qt: a byte into a pipe whose read
// end a QSocketNotifier watches on the GUI thread. With the data itself handed over under a
// lock of our own, nothing crosses threads inside Qt, whose locks the thread sanitizer cannot
// see (Qt is not built with it): it then knows every hand-off and can judge the rest.

#include <QObject>

class QSocketNotifier;

class GuiWakeUp : public QObject
{
    Q_OBJECT

public:
    explicit GuiWakeUp(QObject* parent = nullptr);
    ~GuiWakeUp() override;

    // Any thread. Wake-ups that come before the GUI thread has run fold into one.
    void wake();

signals:
    void woken(); // on the thread that made this object

private:
    void drain();

    int readEnd = -1;
    int writeEnd = -1;
    QSocketNotifier* notifier = nullptr;
};
