#pragma once
// The README's screenshots come from the end-to-end tests: with BM_SCREENSHOT_DIR set, a test
// saves what the window shows at a moment worth showing.

#include <QByteArray>
#include <QString>
#include <QWidget>

namespace brenmoor::test {

inline void saveShot(QWidget* window, const char* name)
{
    const QByteArray dir = qgetenv("BM_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        window->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

} // namespace brenmoor::test
