#include "ui/windowmessages.h"

#include "base/consoleline.h"
#include "base/messages.h"

#include <QMetaObject>
#include <QObject>
#include <memory>
#include <mutex>

namespace brenmoor::ui {

namespace {

// What the sink, which may run on any thread, shares with the context's end on the GUI
// thread: once the context is gone, nothing more is queued to it.
struct WindowTarget
{
    std::mutex mutex;
    QObject* context = nullptr;
    std::function<void(const QString&)> show; // only called on the context's thread
};

} // namespace

void installWindowMessages(QObject* context, std::function<void(const QString& text)> show)
{
    auto target = std::make_shared<WindowTarget>();
    target->context = context;
    target->show = std::move(show);
    messages::setSink([target](const messages::Message& message) {
        messages::writeToConsole(message);
        // Failures only: the warnings (conflicts, the Search's hints) the window already shows
        // where they belong, in the row's colour and in the note under the counters.
        if (message.level != messages::Level::Error)
            return;
        // The text as the console shows it: a device's control characters or a right-to-left
        // override reach the window no more than the terminal.
        const QString text = QString::fromStdString(console::escapeControls(message.text));
        // Queued under the lock: the context cannot finish its destruction meanwhile, and the
        // events it still has when it does are dropped with it.
        std::lock_guard<std::mutex> lock(target->mutex);
        if (target->context)
            QMetaObject::invokeMethod(
                target->context, [target, text] { target->show(text); }, Qt::QueuedConnection);
    });
    QObject::connect(context, &QObject::destroyed, [target] {
        {
            std::lock_guard<std::mutex> lock(target->mutex);
            target->context = nullptr;
        }
        messages::setSink({});
    });
}

} // namespace brenmoor::ui
