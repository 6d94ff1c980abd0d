// The program itself, started as a user starts it: it reads its message file and command
// line, logs on to the stand-in server with a stored connection and pushes its settings.
#include "ConnectionStore.h"
#include "KlvServerFixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <gtest/gtest.h>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

QString programPath()
{
    return QCoreApplication::applicationDirPath() + u"/KLVViewer"_s;
}

// Starts the program offscreen with the test's redirected settings.
void start(QProcess& program, const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    program.setProcessEnvironment(env);
    program.start(programPath(), arguments);
}

void stop(QProcess& program)
{
    program.kill();
    program.waitForFinished(10000);
}

bool received(const KlvServer& server, const QString& start)
{
    const QStringList lines = server.receivedLines();
    return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(start); });
}

} // namespace

class Program : public KlvServerFixture
{
};

TEST_F(Program, LogsOnWithAStoredConnectionAndPushesItsSettings)
{
    if (!QFileInfo::exists(programPath()))
        GTEST_SKIP() << "KLVViewer is not built";
    klvutils::ConnectionStore store(u"KLVViewer"_s);
    ASSERT_TRUE(store.write(u"My Conn"_s, u"127.0.0.1"_s, port(), u"100"_s, true, u"admin"_s));

    // Qt's own switches are not taken from the command line: "-platform" here is the
    // argument of "-e", which starts without showing the main window.
    QProcess program;
    start(program,
          {u"-l"_s, u"de"_s, u"-c"_s, u"My Conn"_s, u"-p"_s, u"secret"_s, u"-f"_s, u"3"_s, u"-e"_s, u"-platform"_s});
    ASSERT_TRUE(program.waitForStarted(10000));
    // The session flag is the last thing the start-up sends before the first query window.
    for (int i = 0; i < 600 && !received(server(), u"SET|0|TESTFLAG|3|1"_s); ++i) {
        if (program.waitForFinished(100))
            break;
    }
    const QStringList lines = server().receivedLines();
    stop(program);
    ASSERT_TRUE(received(server(), u"SET|0|TESTFLAG|3|1"_s))
        << lines.join(u'\n').toStdString() << program.readAllStandardError().toStdString();
    EXPECT_TRUE(received(server(), u"CHM|0|100"_s));
    EXPECT_TRUE(received(server(), u"LGN|0|secret||"_s));
    EXPECT_TRUE(received(server(), u"SET|0|CHARSET|UTF-8"_s));
}

// Started without a window, the program is ended by SIGTERM or SIGINT as by closing it: it ends
// its session with the server and saves its settings, and exits normally.
TEST_F(Program, EndsOnSigtermOrSigintAsWhenItIsClosed)
{
    if (!QFileInfo::exists(programPath()))
        GTEST_SKIP() << "KLVViewer is not built";
    const QString settingsFile =
        QSettings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, u"KLVViewer"_s).fileName();
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
        // The stored connection lives in the settings file, which is new for each start.
        ASSERT_TRUE(!QFile::exists(settingsFile) || QFile::remove(settingsFile));
        klvutils::ConnectionStore store(u"KLVViewer"_s);
        ASSERT_TRUE(store.write(u"My Conn"_s, u"127.0.0.1"_s, port(), u"100"_s, true, u"admin"_s));
        server().clearReceived();
        QProcess program;
        start(program, {u"-c"_s, u"My Conn"_s, u"-p"_s, u"secret"_s, u"-f"_s, u"3"_s, u"-e"_s, u"1"_s});
        ASSERT_TRUE(program.waitForStarted(10000));
        // The session flag is the last thing the start-up sends before the first query window.
        for (int i = 0; i < 600 && !received(server(), u"SET|0|TESTFLAG|3|1"_s); ++i) {
            if (program.waitForFinished(100))
                break;
        }
        ASSERT_TRUE(received(server(), u"SET|0|TESTFLAG|3|1"_s)) << program.readAllStandardError().toStdString();
        // The start is through once the program has nothing more to ask the server.
        for (qsizetype seen = -1; seen != server().receivedLines().size();) {
            seen = server().receivedLines().size();
            program.waitForFinished(1000);
        }
        ASSERT_EQ(::kill(pid_t(program.processId()), signal), 0);
        const bool ended = program.waitForFinished(30000);
        if (!ended)
            stop(program);
        ASSERT_TRUE(ended);
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << program.readAllStandardError().toStdString();
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_TRUE(received(server(), u"END"_s)) << server().receivedLines().join(u'\n').toStdString();
        QFile written(settingsFile);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << settingsFile.toStdString();
        EXPECT_TRUE(written.readAll().contains("SaveWindowState=")) << settingsFile.toStdString();
    }
}
