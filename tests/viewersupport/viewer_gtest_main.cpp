// GoogleTest entry point of the viewer's tests: as every test program's (settings in a fresh
// temporary folder, a QApplication), with a context of the program's own that a test may
// stack another one on.
#include "AppContext.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    TestEnvironment::redirectSettings();
    AppContext context;
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
