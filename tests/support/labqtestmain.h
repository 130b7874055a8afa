#pragma once
// main() of the widget tests that build the application's windows: starts the application as
// the program does (high-DPI attributes, font). The lab variant first refuses to run outside
// the lab.

#include "app/startup.h"
#include "tests/support/labguard.h"

#include <QApplication>
#include <QtTest>

#define BM_APP_QTEST_MAIN_BODY(TestClass)                                                          \
    setHighDpiAttributes();                                                                        \
    QApplication app(argc, argv);                                                                  \
    installApplicationFont();                                                                      \
    TestClass test;                                                                                \
    return QTest::qExec(&test, argc, argv);

#define BM_APP_QTEST_MAIN(TestClass)                                                               \
    int main(int argc, char** argv) { BM_APP_QTEST_MAIN_BODY(TestClass) }

#define BM_LAB_QTEST_MAIN(TestClass)                                                               \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        brenmoor::test::requireLabNamespace(argv[0]);                                              \
        BM_APP_QTEST_MAIN_BODY(TestClass)                                                          \
    }
