// klvserver as a program: it prints its port and serves on it.
#include "KlvLineClient.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ServerProgram, PrintsThePortItPickedAndGreetsThere)
{
    const QString program = QCoreApplication::applicationDirPath() + u"/klvserver"_s;
    if (!QFileInfo::exists(program))
        GTEST_SKIP() << "klvserver is not built beside the tests";
    QProcess process;
    process.start(program, {u"--port"_s, u"0"_s});
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(process.waitForReadyRead(10000));
    const QString first = QString::fromUtf8(process.readLine()).trimmed();
    const QRegularExpressionMatch match =
        QRegularExpression(u"^klvserver listening on 127\\.0\\.0\\.1:(\\d+)$"_s).match(first);
    ASSERT_TRUE(match.hasMatch()) << first.toStdString();

    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(match.captured(1).toUShort()));
    EXPECT_TRUE(client.logOn());
    process.kill();
    process.waitForFinished();
}

TEST(ServerProgram, RefusesAPortThatIsNoNumber)
{
    const QString program = QCoreApplication::applicationDirPath() + u"/klvserver"_s;
    if (!QFileInfo::exists(program))
        GTEST_SKIP() << "klvserver is not built beside the tests";
    QProcess process;
    process.start(program, {u"--port"_s, u"http"_s});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().contains("--port needs a number"));
}
