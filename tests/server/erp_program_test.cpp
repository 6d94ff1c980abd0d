// klvserver's options for its data: --rows adds the generated table, --data reads another
// file, and a file that cannot be used stops the program with the reason.
#include "KlvLineClient.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
QString program()
{
    return QCoreApplication::applicationDirPath() + u"/klvserver"_s;
}

// Starts the program and connects a logged-on client; false when it did not come up.
bool startAndLogOn(QProcess& process, const QStringList& arguments, KlvLineClient& client)
{
    process.start(program(), QStringList{u"--port"_s, u"0"_s} + arguments);
    if (!process.waitForStarted() || !process.waitForReadyRead(10000))
        return false;
    const QRegularExpressionMatch match =
        QRegularExpression(u"listening on 127\\.0\\.0\\.1:(\\d+)"_s).match(QString::fromUtf8(process.readLine()));
    return match.hasMatch() && client.connectTo(match.captured(1).toUShort()) && client.logOn();
}
} // namespace

TEST(ErpProgram, rowsAddTheGeneratedTableAndDataReadsAnotherFile)
{
    if (!QFileInfo::exists(program()))
        GTEST_SKIP() << "klvserver is not built beside the tests";
    {
        QProcess process;
        KlvLineClient client;
        ASSERT_TRUE(startAndLogOn(process, {u"--rows"_s, u"5"_s}, client));
        EXPECT_EQ(client.request(u"EXQ|0|90:1,@sort=nummer;@richtung=rueckw|nummer|10|0||||0|0"_s),
                  (QStringList{u"BOD|0|EXQ|5"_s, u"D|0|5"_s, u"D|0|4"_s, u"D|0|3"_s, u"D|0|2"_s, u"D|0|1"_s,
                               u"EOD|0|EXQ|5|1"_s}));
        process.kill();
        process.waitForFinished();
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(u"mini.json"_s);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"databases": [{"nr": 7, "name": "Lager", "groups": [{"nr": 1, "name": "Fach",
            "fields": [{"name": "nummer", "type": "I4"}], "generate": {"count": 3, "head": {"nummer": "{n * 10}"}}}]}]})");
    }
    {
        QProcess process;
        KlvLineClient client;
        ASSERT_TRUE(startAndLogOn(process, {u"--data"_s, file}, client));
        EXPECT_EQ(client.request(u"GTN|0||0|0"_s).value(1).section(u'|', 2, 4), u"Lager:Fach|Fach|7:1");
        EXPECT_EQ(client.request(u"EXQ|0|7:1|nummer|10|0||||0|0"_s).value(3), u"D|0|30");
        EXPECT_EQ(client.request(u"EXQ|0|1:1|nummer|10|0||||0|0"_s).value(0).section(u'|', 0, 0), u"NAK");
        process.kill();
        process.waitForFinished();
    }
}

TEST(ErpProgram, aDataFileThatCannotBeUsedStopsTheProgram)
{
    if (!QFileInfo::exists(program()))
        GTEST_SKIP() << "klvserver is not built beside the tests";
    QTemporaryDir dir;
    QProcess process;
    process.start(program(), {u"--port"_s, u"0"_s, u"--data"_s, dir.filePath(u"none.json"_s)});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardError().contains("none.json"));

    process.start(program(), {u"--port"_s, u"0"_s, u"--rows"_s, u"many"_s});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().contains("--rows needs a number"));
}
