#pragma once
// The window's message sink: what the endpoints, the scanner and the runs report still goes to
// the console as it always did, and the failures among it are also shown to the user in the
// window, who may never look at a terminal.

#include <QString>
#include <functional>

class QObject;

namespace brenmoor::ui {

// From now on every message goes to the console as by default (messages::writeToConsole), and
// each Error is also handed to `show`, as the console shows its text, on
// `context`'s thread (the GUI thread) through its event queue, in the order reported; Info and
// Warning are not (the window shows conflicts and the Search's hints its own way). When `context` is destroyed, messages not yet shown are dropped and the default sink is
// restored. Call on `context`'s thread, for one window at a time.
void installWindowMessages(QObject* context, std::function<void(const QString& text)> show);

} // namespace brenmoor::ui
