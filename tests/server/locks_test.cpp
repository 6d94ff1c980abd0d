// One lock table for all connections: refusing, waiting, time limits, release on close.
#include "KlvLineClient.h"
#include "KlvServerFixture.h"

#include <QThread>

using namespace Qt::StringLiterals;

class ServerLocks : public KlvServerFixture
{
protected:
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        ASSERT_TRUE(first.connectTo(port()));
        ASSERT_TRUE(first.logOn(u"100"_s, u"admin"_s, u"secret"_s));
        ASSERT_TRUE(second.connectTo(port()));
        ASSERT_TRUE(second.logOn(u"100"_s, u"demo"_s, u"demo"_s));
    }
    KlvLineClient first;
    KlvLineClient second;
};

TEST_F(ServerLocks, AHeldLockIsRefusedWithNowaitNamingItsHolder)
{
    EXPECT_EQ(first.request(u"LCK|0|STRING|order 4711|EXCLUSIVE|NOWAIT"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(
        second.request(u"LCK|0|STRING|order 4711|EXCLUSIVE|NOWAIT"_s),
        QStringList{u"NAK|0|Lock \"order 4711\" is held by user admin at station testhost:1 (session 1)|1009|"_s});
    ASSERT_EQ(second.request(u"SET|0|LONGLOCKMSG|0"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(second.request(u"LCK|0|STRING|order 4711|READONLY|NOWAIT"_s),
              QStringList{u"NAK|0|Lock \"order 4711\" is held by another session|1009|"_s});
    // Other names and application locks are separate.
    EXPECT_EQ(second.request(u"LCK|0|STRING|order 4712|EXCLUSIVE|NOWAIT"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(second.request(u"LCK|0|APP|BACKUP|EXCLUSIVE|NOWAIT"_s), QStringList{u"ACK|0"_s});
}

TEST_F(ServerLocks, AWaitingRequestIsAnsweredWhenTheLockGoes)
{
    ASSERT_EQ(first.request(u"LCK|0|APP|SINGLEUSER|EXCLUSIVE|NOWAIT"_s), QStringList{u"ACK|0"_s});
    second.sendLine(u"LCK|0|APP|SINGLEUSER|EXCLUSIVE|WAIT"_s);
    ASSERT_TRUE(server().waitForReceived(6));
    EXPECT_TRUE(second.readRawLine(300).isNull()); // still waiting
    EXPECT_EQ(first.request(u"LCK|0|APP|SINGLEUSER|UNLOCK|"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(second.readAnswer(), QStringList{u"ACK|0"_s});
    EXPECT_TRUE(first.request(u"LCK|0|APP|SINGLEUSER|EXCLUSIVE|NOWAIT"_s).value(0).startsWith(u"NAK|0|"));
}

TEST_F(ServerLocks, LocksGoWithTheirConnection)
{
    ASSERT_EQ(first.request(u"LCK|0|STRING|x|MODIFY|NOWAIT"_s), QStringList{u"ACK|0"_s});
    // No behaviour word: the session's LOCKBEHAVIOR decides (15 seconds by default).
    second.sendLine(u"LCK|0|STRING|x|MODIFY|"_s);
    ASSERT_TRUE(server().waitForReceived(6));
    first.sendLine(u"END|0"_s);
    EXPECT_EQ(second.readAnswer(), QStringList{u"ACK|0"_s});
}

TEST_F(ServerLocks, AWaitEndsWhenItsTimeIsUp)
{
    ASSERT_EQ(first.request(u"LCK|0|STRING|x|EXCLUSIVE|NOWAIT"_s), QStringList{u"ACK|0"_s});
    const QStringList answer = second.request(u"LCK|0|STRING|x|READONLY|WAIT:1"_s);
    ASSERT_EQ(answer.size(), 1);
    EXPECT_TRUE(answer[0].startsWith(u"NAK|0|Lock \"x\" is held by user admin")) << answer[0].toStdString();
}

TEST_F(ServerLocks, BreakEndsAWaitForALock)
{
    ASSERT_EQ(first.request(u"LCK|0|STRING|x|EXCLUSIVE|NOWAIT"_s), QStringList{u"ACK|0"_s});
    second.sendLine(u"LCK|0|STRING|x|EXCLUSIVE|WAIT"_s);
    ASSERT_TRUE(server().waitForReceived(6));
    second.sendLine(u"BRQ|0"_s);
    EXPECT_EQ(second.readAnswer(), QStringList{u"NAK|0|Request \"LCK\" broken off by BRQ|1011|"_s});
    // The broken wait holds nothing: the lock goes to nobody when its holder lets go.
    EXPECT_EQ(first.request(u"LCK|0|STRING|x|UNLOCK|"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(first.request(u"LCK|0|STRING|x|EXCLUSIVE|NOWAIT"_s), QStringList{u"ACK|0"_s});
}

TEST_F(ServerLocks, BadLockRequestsAreRefused)
{
    for (const QString& line :
         {u"LCK|0|TABLE|x|EXCLUSIVE|NOWAIT"_s, u"LCK|0|APP||EXCLUSIVE|NOWAIT"_s, u"LCK|0|STRING||EXCLUSIVE|NOWAIT"_s,
          u"LCK|0|STRING|x||NOWAIT"_s, u"LCK|0|STRING|x|EXCLUSIVE|SOON"_s, u"LCK|0|STRING|never held|UNLOCK|"_s}) {
        const QStringList answer = first.request(line);
        ASSERT_EQ(answer.size(), 1);
        EXPECT_TRUE(answer[0].startsWith(u"NAK|0|")) << line.toStdString();
        EXPECT_TRUE(answer[0].endsWith(u"|1010|")) << answer[0].toStdString();
    }
}
