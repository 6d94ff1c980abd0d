// The connection on its own against the stand-in server: lines in and out, the peer closing,
// sending on a closed socket, the protocol log, and the request queue's timer.
#include "Common.h"
#include "KLVDispatch.h"
#include "KLVSockComm.h"
#include "KlvServerFixture.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <memory>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class TransportTest : public KlvServerFixture
{
protected:
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        Common::InitMessageLanguage(9);
    }
    void TearDown() override
    {
        server().setScript({});
        KlvServerFixture::TearDown();
    }
};

} // namespace

TEST_F(TransportTest, LinesStillBufferedComeBeforeTheEndOfTheConnection)
{
    server().setScript([](int, const QString&, bool greeting, KlvScriptReply& reply) {
        if (!greeting)
            return false;
        reply.sendRaw("S|0|hallo|READY|2797\r\nA|0|eins\nB|0|zwei\r\n");
        reply.close();
        return true;
    });
    KLVSockComm connection;
    ASSERT_TRUE(connection.Connect(u"127.0.0.1"_s, port())) << connection.getErrText().toStdString();
    EXPECT_EQ(connection.GetLine(), u"S|0|hallo|READY|2797"_s);
    EXPECT_EQ(connection.GetLine(), u"A|0|eins"_s);
    EXPECT_EQ(connection.GetLine(), u"B|0|zwei"_s);
    EXPECT_EQ(connection.GetLine(), QString());
    EXPECT_FALSE(connection.SocketIsConnected());
    EXPECT_EQ(connection.GetOneLine(), QString());

    EXPECT_FALSE(connection.SendLine(u"END|0"_s));
    EXPECT_EQ(connection.getErrText(), Common::GetErrorText(5));
}

TEST_F(TransportTest, GetOneLineDoesNotWait)
{
    KLVSockComm connection;
    ASSERT_TRUE(connection.Connect(u"127.0.0.1"_s, port()));
    EXPECT_FALSE(connection.GetLine().isEmpty()); // the greeting
    EXPECT_EQ(connection.GetOneLine(), QString());
    EXPECT_TRUE(connection.SocketIsConnected());
    EXPECT_TRUE(connection.SocketIsOpen());
    EXPECT_FALSE(connection.SocketIsClosed());
    connection.Disconnect();
    EXPECT_TRUE(connection.SocketIsClosed());
}

TEST_F(TransportTest, LogHoldsEveryEntryWithItsTag)
{
    QTemporaryDir dir;
    const QString logName = dir.filePath(u"proto.log"_s);
    KLVSockComm connection;
    connection.SetLogFile(logName);
    connection.SetTag(u"S1"_s);
    EXPECT_EQ(connection.GetLogFile(), logName);
    ASSERT_TRUE(connection.Connect(u"127.0.0.1"_s, port()));
    connection.GetLine();
    ASSERT_TRUE(connection.SendLine(u"CHM|0|100"_s));
    EXPECT_EQ(connection.GetLine(), u"ACK|0"_s);
    connection.SetTag(QString());
    connection.Disconnect();
    connection.SetLogFile(QString());
    ASSERT_TRUE(server().waitForReceived(1));

    QFile file(logName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], u"[S1] Connect: Host=127.0.0.1 Port="_s + QString::number(port()));
    EXPECT_TRUE(lines.contains(u"[S1] Send(9): [CHM|0|100]"_s));
    // Received chunks keep their line ends.
    EXPECT_TRUE(lines.contains(u"[S1] Recv(7): [ACK|0\r"_s));
    EXPECT_TRUE(lines.contains(u"Disconnect"_s));
}

TEST_F(TransportTest, LogFileIsTheUsersAloneAndNeverFollowsALink)
{
    QTemporaryDir dir;
    const auto logOneConnection = [this](const QString& logName) {
        KLVSockComm connection;
        connection.SetLogFile(logName);
        ASSERT_TRUE(connection.Connect(u"127.0.0.1"_s, port()));
        connection.GetLine();
        connection.Disconnect();
        connection.SetLogFile(QString());
    };
    const QString logName = dir.filePath(u"proto.log"_s);
    logOneConnection(logName);
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(logName).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_GT(info.st_size, 0);

    // A link someone laid where the log is to go: the file it points to stays as it was.
    const QString target = dir.filePath(u"someone-elses.txt"_s);
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep\n");
    }
    const QString link = dir.filePath(u"link.log"_s);
    ASSERT_TRUE(QFile::link(target, link));
    logOneConnection(link);
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("keep\n"));
}

TEST_F(TransportTest, QueueTimerRunsOnlyWhileRequestsWait)
{
    KLVSockComm connection;
    EXPECT_FALSE(connection.dispatcher()->timerActive());
    connection.dispatcher()->T_Timer(); // a tick on an empty queue does nothing
    EXPECT_EQ(connection.dispatcher()->queueLength(), 0);
    EXPECT_FALSE(connection.dispatcher()->timerActive());
}

namespace {

// A listening socket on 127.0.0.1 whose connections are accepted by the kernel and then
// never read, with a small receive buffer so that a sender's line soon stops moving.
class DeafPeer
{
public:
    DeafPeer()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        int small = 4096;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(m_fd, 1) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~DeafPeer()
    {
        if (m_accepted >= 0)
            ::close(m_accepted);
        ::close(m_fd);
    }
    int port() const { return m_port; }
    // Takes the waiting connection and keeps it open without reading from it.
    bool acceptOne()
    {
        m_accepted = ::accept(m_fd, nullptr, nullptr);
        return m_accepted >= 0;
    }
    int acceptedFd() const { return m_accepted; }

private:
    int m_fd = -1;
    int m_accepted = -1;
    int m_port = 0;
};

} // namespace

TEST(TransportStall, ASendThePeerNeverReadsGivesUpTheConnection)
{
    DeafPeer deaf;
    ASSERT_NE(deaf.port(), 0);
    Common::InitMessageLanguage(9);
    KLVSockComm connection;
    connection.setSendStallTimeout(300);
    ASSERT_TRUE(connection.Connect(u"127.0.0.1"_s, deaf.port()));
    ASSERT_TRUE(deaf.acceptOne());
    const QString line(32 * 1024 * 1024, u'x');
    EXPECT_FALSE(connection.SendLine(line, u"(long line)"_s));
    EXPECT_EQ(connection.getErrText(), Common::GetErrorText(18));
    EXPECT_FALSE(connection.SocketIsConnected());
}

TEST(TransportStall, ALineTheSystemTakesOnlyInPartsGoesOutWholeAndBeforeTheNext)
{
    // The peer reads only after a while: the system takes the start of the long line at once,
    // the socket keeps the rest until the peer reads. Nothing of it may be doubled, lost or
    // overtaken by the next line.
    DeafPeer peer;
    ASSERT_NE(peer.port(), 0);
    KLVSockComm connection;
    ASSERT_TRUE(connection.Connect(u"127.0.0.1"_s, peer.port()));
    ASSERT_TRUE(peer.acceptOne());
    const int fd = peer.acceptedFd();
    const timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);

    QString line(8 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < line.size(); ++i)
        line[i] = QChar(u'a' + char16_t(i % 23));
    const QByteArray expected = line.toLatin1() + "\r\nnext\r\n";
    QByteArray received;
    std::thread reader([&received, &expected, fd] {
        ::usleep(200 * 1000);
        std::vector<char> buffer(1 << 16);
        while (received.size() < expected.size()) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n <= 0)
                break;
            received.append(buffer.data(), n);
        }
    });
    EXPECT_TRUE(connection.SendLine(line, u"(long line)"_s));
    EXPECT_TRUE(connection.SendLine(u"next"_s));
    reader.join();
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
}

TEST_F(TransportTest, UnreadDataCountsWhatTheSystemHoldsForTheSocketBeforeTheSocketIsTold)
{
    QTcpServer peerServer;
    ASSERT_TRUE(peerServer.listen(QHostAddress::LocalHost, 0));
    KLVSockComm connection;
    ASSERT_TRUE(connection.Connect(u"127.0.0.1"_s, peerServer.serverPort()));
    ASSERT_TRUE(peerServer.hasPendingConnections() || peerServer.waitForNewConnection(5000));
    std::unique_ptr<QTcpSocket> peer(peerServer.nextPendingConnection());
    EXPECT_FALSE(connection.hasUnreadData());

    peer->write("ACK|0\r\n");
    ASSERT_TRUE(peer->waitForBytesWritten(5000));
    // No event loop runs: the socket has not been told of the bytes, the system holds them.
    const int fd = int(connection.findChild<QTcpSocket*>()->socketDescriptor());
    int waiting = 0;
    for (int i = 0; i < 2000 && waiting == 0; ++i) {
        ::ioctl(fd, FIONREAD, &waiting);
        if (waiting == 0)
            ::usleep(1000);
    }
    ASSERT_GT(waiting, 0);
    EXPECT_TRUE(connection.hasUnreadData());
    EXPECT_EQ(connection.GetLine(5000), u"ACK|0"_s);
    EXPECT_FALSE(connection.hasUnreadData());
}
