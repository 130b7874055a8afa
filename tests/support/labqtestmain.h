#pragma once
// main() of the widget tests that run on the lab's tool host: refuses to run outside the
// lab, then starts the application as the program does (high-DPI attributes, font).

#include "labguard.h"
#include "startup.h"

#include <QApplication>
#include <QtTest>

#define BM_LAB_QTEST_MAIN(TestClass)                                                               \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        brenmoor::test::requireLabNamespace(argv[0]);                                              \
        setHighDpiAttributes();                                                                    \
        QApplication app(argc, argv);                                                              \
        installApplicationFont();                                                                  \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
