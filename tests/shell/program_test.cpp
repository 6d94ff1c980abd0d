// The program itself: it reads its message file and command line and ends cleanly.
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString programPath()
{
    return QCoreApplication::applicationDirPath() + u"/KLVViewer"_s;
}

} // namespace

TEST(Program, StartsWithItsSwitchesAndEndsCleanly)
{
    if (!QFileInfo::exists(programPath()))
        GTEST_SKIP() << "KLVViewer is not built";
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    program.setProcessEnvironment(env);
    // Qt's own switches are not taken from the command line: "-platform" here is the
    // argument of "-e", nothing else.
    program.start(programPath(), {u"-l"_s, u"de"_s, u"-c"_s, u"My Conn"_s, u"-f"_s, u"3"_s, u"-e"_s, u"-platform"_s});
    ASSERT_TRUE(program.waitForFinished(60000)) << "KLVViewer did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
}
