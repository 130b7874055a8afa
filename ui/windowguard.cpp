#include "ui/windowguard.h"

#include "ui/mainwindow.h"

QPointer<mainwindow> g_mPoint;

namespace brenmoor::ui {

std::mutex& mainWindowLock()
{
    // Never destroyed: detached workers may still ask for the window while the process exits.
    static std::mutex* lock = new std::mutex;
    return *lock;
}

void setMainWindow(mainwindow* window)
{
    std::lock_guard<std::mutex> lock(mainWindowLock());
    g_mPoint = window;
}

} // namespace brenmoor::ui
