#include "core/guiwakeup.h"

#include "base/messages.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

GuiWakeUp::GuiWakeUp(QObject* parent)
    : QObject(parent)
{
    int ends[2];
    if (pipe(ends) != 0) {
        // Without a pipe the wake-up goes through Qt's queue: slower to judge, as correct.
        brenmoor::messages::reportFailure(brenmoor::messages::Level::Error, "Cannot make the wake-up pipe", errno);
        return;
    }
    for (int end : ends) {
        fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
        fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    readEnd = ends[0];
    writeEnd = ends[1];
    notifier = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { drain(); });
}

GuiWakeUp::~GuiWakeUp()
{
    delete notifier;
    if (readEnd >= 0)
        close(readEnd);
    if (writeEnd >= 0)
        close(writeEnd);
}

void GuiWakeUp::wake()
{
    if (writeEnd < 0) {
        QMetaObject::invokeMethod(this, "woken", Qt::QueuedConnection);
        return;
    }
    const char byte = 1;
    // A full pipe means wake-ups are pending already.
    while (write(writeEnd, &byte, 1) < 0 && errno == EINTR) {
    }
}

void GuiWakeUp::drain()
{
    char bytes[256];
    while (read(readEnd, bytes, sizeof bytes) > 0) {
    }
    emit woken();
}
