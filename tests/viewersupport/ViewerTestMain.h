#pragma once

// The main of a QtTest program of the viewer: settings in a temporary folder, the program's
// context of its own, an application, then the test class's slots.

#include "AppContext.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QTest>

#define VIEWER_TEST_MAIN(TestClass)                                                                                    \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        TestEnvironment::redirectSettings();                                                                           \
        AppContext context;                                                                                            \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
