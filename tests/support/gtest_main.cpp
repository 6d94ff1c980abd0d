// GoogleTest entry point for every test program: the code under test waits in nested
// event loops and owns sockets and widgets, so the tests run inside a QApplication.
// Settings are redirected to a fresh temporary folder before anything reads them.
#include "TestEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    TestEnvironment::redirectSettings();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
