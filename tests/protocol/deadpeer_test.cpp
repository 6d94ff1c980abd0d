// A server that dies without a word (its host gone, a cable pulled) is found by the socket's
// own keep-alive and user time-out within the times of the library's settings, and fails the
// waiting call with the lost connection; a server that works long on an answer is never cut
// off. The dead peer is made by dropping every packet of the server's port on the loopback
// device, which needs root and iptables; without them those tests are skipped.
#include "Common.h"
#include "KLV.h"
#include "KLVError.h"
#include "KLVSockComm.h"
#include "KlvServerFixture.h"

#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTimer>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QSettings librarySettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, u"KLV-API"_s);
}

int tcpOption(const KLV& session, int option)
{
    auto* socket = session.Connection()->findChild<QTcpSocket*>();
    int value = -1;
    socklen_t size = sizeof value;
    if (!socket || ::getsockopt(int(socket->socketDescriptor()), IPPROTO_TCP, option, &value, &size) != 0)
        return -1;
    return value;
}

class DeadPeerTest : public KlvServerFixture
{
protected:
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        Common::InitMessageLanguage(9);
        // Small times, so that the test does not wait a minute: about two seconds in all.
        QSettings settings = librarySettings();
        settings.setValue(u"Config/KeepAliveIdle"_s, 1);
        settings.setValue(u"Config/KeepAliveInterval"_s, 1);
        settings.setValue(u"Config/KeepAliveCount"_s, 1);
        settings.setValue(u"Config/UserTimeout"_s, 2);
        settings.sync();
        session = QSharedPointer<KLV>::create();
        ASSERT_TRUE(logOn()) << session->GetLastError().toStdString();
    }

    void TearDown() override
    {
        restorePackets();
        server().setScript({});
        session.reset();
        QSettings settings = librarySettings();
        settings.remove(u"Config"_s);
        settings.sync();
        KlvServerFixture::TearDown();
    }

    bool logOn() { return session->BeginSession(u"127.0.0.1"_s, port(), u"100"_s, u"secret"_s); }

    // Drops every packet to and from the server's port; false (the test skipped) where that
    // cannot be done here.
    bool dropPackets()
    {
        if (::geteuid() != 0) {
            skipReason = "dropping packets needs root";
            return false;
        }
        iptables = QStandardPaths::findExecutable(u"iptables"_s, {u"/usr/sbin"_s, u"/sbin"_s, u"/usr/bin"_s});
        if (iptables.isEmpty()) {
            skipReason = "iptables is not installed";
            return false;
        }
        for (const char* direction : {"--sport", "--dport"}) {
            const QStringList rule = ruleFor(QLatin1StringView(direction));
            QString error;
            if (!runIptables(u"-I"_s, rule, error)) {
                skipReason = "iptables refused the rule: " + error.toStdString();
                return false;
            }
            rules.append(rule);
        }
        return true;
    }

    void restorePackets()
    {
        QString error;
        for (const QStringList& rule : std::as_const(rules))
            runIptables(u"-D"_s, rule, error);
        rules.clear();
    }

    QSharedPointer<KLV> session;
    std::string skipReason;

private:
    QStringList ruleFor(QLatin1StringView direction) const
    {
        return {u"INPUT"_s, u"-i"_s,  u"lo"_s, u"-p"_s, u"tcp"_s, direction, QString::number(port()),
                u"-j"_s,    u"DROP"_s};
    }

    bool runIptables(const QString& action, const QStringList& rule, QString& error) const
    {
        QProcess process;
        process.start(iptables, QStringList{u"-w"_s, action} + rule);
        const bool ok =
            process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (!ok)
            error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed() + process.errorString();
        return ok;
    }

    QString iptables;
    QList<QStringList> rules;
};

// A call that waits for ever would hang the test: after this long it is broken off, which
// fails the test with error 32 instead of the lost connection.
constexpr int GuardMs = 60000;

} // namespace

TEST_F(DeadPeerTest, TheSocketTakesItsDeadPeerTimesFromTheSettings)
{
    EXPECT_EQ(tcpOption(*session, TCP_KEEPIDLE), 1);
    EXPECT_EQ(tcpOption(*session, TCP_KEEPINTVL), 1);
    EXPECT_EQ(tcpOption(*session, TCP_KEEPCNT), 1);
    EXPECT_EQ(tcpOption(*session, TCP_USER_TIMEOUT), 2000);

    // Without settings: about a minute in all.
    QSettings settings = librarySettings();
    settings.remove(u"Config"_s);
    settings.sync();
    session->EndSession();
    ASSERT_TRUE(logOn()) << session->GetLastError().toStdString();
    EXPECT_EQ(tcpOption(*session, TCP_KEEPIDLE), 30);
    EXPECT_EQ(tcpOption(*session, TCP_KEEPINTVL), 10);
    EXPECT_EQ(tcpOption(*session, TCP_KEEPCNT), 3);
    EXPECT_EQ(tcpOption(*session, TCP_USER_TIMEOUT), 60000);
}

TEST_F(DeadPeerTest, ACommandToAPeerThatNoLongerAnswersFailsWithTheLostConnection)
{
    if (!dropPackets())
        GTEST_SKIP() << skipReason;
    // The command itself is never acknowledged.
    QTimer::singleShot(GuardMs, session.data(), [this] { session->Break(); });
    EXPECT_EQ(session->GetMandantID(), QString());
    EXPECT_EQ(session->GetLastKLVError()->ApiErrorCode(), 5) << session->GetLastError().toStdString();
    EXPECT_FALSE(session->IsConnected());

    restorePackets();
    ASSERT_TRUE(logOn()) << session->GetLastError().toStdString();
    EXPECT_EQ(session->GetMandantID(), u"100"_s);
}

TEST_F(DeadPeerTest, APeerThatDiesWhileItWorksOnTheAnswerIsFound)
{
    if (!dropPackets())
        GTEST_SKIP() << skipReason;
    restorePackets();
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) {
        reply.delay(GuardMs);
        reply.defaultAnswer();
    });
    QString failed;
    // The command went out and was acknowledged; then the peer goes silent, and only the
    // keep-alive probes can tell.
    QTimer::singleShot(300, session.data(), [this, &failed] {
        if (!dropPackets())
            failed = QString::fromStdString(skipReason);
    });
    QTimer::singleShot(GuardMs, session.data(), [this] { session->Break(); });
    EXPECT_EQ(session->GetMandantID(), QString());
    ASSERT_TRUE(failed.isEmpty()) << failed.toStdString();
    EXPECT_EQ(session->GetLastKLVError()->ApiErrorCode(), 5) << session->GetLastError().toStdString();
    EXPECT_FALSE(session->IsConnected());
}

TEST_F(DeadPeerTest, ASlowButLivingServerIsNeverCutOff)
{
    // Twice as long as a dead peer takes to be found.
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) {
        reply.delay(4000);
        reply.defaultAnswer();
    });
    EXPECT_EQ(session->GetMandantID(), u"100"_s) << session->GetLastError().toStdString();
    EXPECT_TRUE(session->IsConnected());
}
