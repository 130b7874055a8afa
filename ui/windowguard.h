#pragma once
// The one device list window, as other threads and the protocol senders reach it.
//
// g_mPoint is only read through withMainWindow(), which holds a lock for the length of the
// call; the window clears it under the same lock before it starts to destroy itself. So a
// receive thread or worker either sees no window, or a window that stays whole until its
// call returns. Calls must be short and must not wait for the GUI thread.

#include <QPointer>
#include <mutex>

class mainwindow;

extern QPointer<mainwindow> g_mPoint;

namespace brenmoor::ui {

std::mutex& mainWindowLock();
void setMainWindow(mainwindow* window);

} // namespace brenmoor::ui

// Calls f(window) when the window exists; returns whether it did.
template <typename F>
bool withMainWindow(F&& f)
{
    std::lock_guard<std::mutex> lock(brenmoor::ui::mainWindowLock());
    mainwindow* window = g_mPoint.data();
    if (!window)
        return false;
    f(*window);
    return true;
}
