#pragma once
// The real top-level window as a user sees it, shown and exposed, with the device list's
// widgets a test presses and reads.

#include "app/brenmoor.h"
#include "app/ctopwidget.h"
#include "ui/mainwindow.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <memory>

namespace brenmoor::test {

struct OpenWindow
{
    std::unique_ptr<Brenmoor> window;
    mainwindow* list = nullptr;
    QTableWidget* table = nullptr;
    QPushButton* search = nullptr;
    QPushButton* devices = nullptr;   // the device counter
    QPushButton* conflicts = nullptr; // the conflict counter
    QLabel* note = nullptr;           // under the counters: what the Search could not see

    // Shows a new window; false (the test has failed) when it did not come up whole.
    bool open()
    {
        window = std::make_unique<Brenmoor>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return false;
        list = window->panel()->deviceWindow;
        table = list->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
        search = list->findChild<QPushButton*>(QStringLiteral("pushButton_14"));
        devices = list->findChild<QPushButton*>(QStringLiteral("pushButton_16"));
        conflicts = list->findChild<QPushButton*>(QStringLiteral("pushButton_15"));
        note = list->findChild<QLabel*>(QStringLiteral("searchNote"));
        return table && search && devices && conflicts && note;
    }
    void close() { *this = OpenWindow(); }
};

} // namespace brenmoor::test
