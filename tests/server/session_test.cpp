// Greeting, Mandant switch, logon and end, through a plain socket, as the wire shows them.
#include "KlvLineClient.h"
#include "KlvServerFixture.h"

using namespace Qt::StringLiterals;

namespace {
QString logonLine(const QString& password, const QString& mandant, const QString& user)
{
    return u"LGN|0|%1|%2|3.31|testhost|test|testhost:1|127.0.0.1|%3|0"_s.arg(password, mandant, user);
}
} // namespace

class ServerSession : public KlvServerFixture
{
};

TEST_F(ServerSession, GreetsWithVersionAndLogsOnAfterChm)
{
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    EXPECT_EQ(client.readLine(), u"S|0|KLV server 3.31 ready|VERSION|2797");
    EXPECT_EQ(client.request(u"CHM|0|100"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(logonLine(u"secret"_s, {}, u"admin"_s)), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(u"SHO|0|MANDNAME|0"_s),
              (QStringList{u"BOD|0|SHO|1"_s, u"D|0|MANDNAME|100"_s, u"EOD|0|SHO|1|1"_s}));
    EXPECT_EQ(server().receivedLines(),
              (QStringList{u"CHM|0|100"_s, logonLine(u"secret"_s, {}, u"admin"_s), u"SHO|0|MANDNAME|0"_s}));
}

TEST_F(ServerSession, LogonNamesTheMandantOrTheUserByPasswordAlone)
{
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    client.readLine();
    // No CHM: the logon carries the Mandant; no user name: the password tells the user.
    EXPECT_EQ(client.request(logonLine(u"guest"_s, u"200"_s, {})), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(u"SHO|0|OPERATORCODE|0"_s).value(1), u"D|0|OPERATORCODE|GST");
    // A Mandant switch is for before the logon only.
    const QStringList chm = client.request(u"CHM|0|100"_s);
    ASSERT_EQ(chm.size(), 1);
    EXPECT_TRUE(chm[0].startsWith(u"NAK|0|")) << chm[0].toStdString();
}

TEST_F(ServerSession, RefusedLogonsSayWhyInAnErrorLineBeforeTheNak)
{
    struct Case
    {
        QString chm;
        QString logon;
        QString reason;
    };
    const QList<Case> cases = {
        {u"100"_s, logonLine(u"wrong"_s, {}, u"admin"_s), u"Wrong password for user \"admin\""_s},
        {u"100"_s, logonLine(u"secret"_s, {}, u"nobody"_s), u"User \"nobody\" unknown in Mandant 100"_s},
        {u"100"_s, logonLine(u"nothing-like-it"_s, {}, {}), u"Wrong password"_s},
        // admin's password of Mandant 100 does not open Mandant 200.
        {u"200"_s, logonLine(u"secret"_s, {}, u"admin"_s), u"Wrong password for user \"admin\""_s},
        {QString(), logonLine(u"secret"_s, u"999"_s, u"admin"_s), u"Mandant \"999\" unknown"_s},
        {QString(), logonLine(u"secret"_s, {}, u"admin"_s),
         u"No Mandant given: switch with CHM or name it in the logon"_s},
    };
    for (const Case& c : cases) {
        KlvLineClient client;
        ASSERT_TRUE(client.connectTo(port()));
        client.readLine();
        if (!c.chm.isEmpty()) {
            ASSERT_EQ(client.request(u"CHM|0|"_s + c.chm), QStringList{u"ACK|0"_s});
        }
        EXPECT_EQ(client.request(c.logon),
                  (QStringList{u"E|0|%1|LOGON|1004|0|"_s.arg(c.reason), u"NAK|0|Logon refused|1004|"_s}))
            << c.logon.toStdString();
        // Still not logged on.
        EXPECT_TRUE(client.request(u"SHO|0|LANG|0"_s).value(0).startsWith(u"NAK|0|Not logged on"));
    }
}

TEST_F(ServerSession, UnknownMandantInChmIsRefused)
{
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    client.readLine();
    EXPECT_EQ(client.request(u"CHM|0|999"_s), QStringList{u"NAK|0|Mandant \"999\" unknown|1003|"_s});
}

TEST_F(ServerSession, EndIsAnsweredAndClosesTheConnection)
{
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    ASSERT_TRUE(client.logOn());
    EXPECT_EQ(client.request(u"END|0"_s), QStringList{u"END|0"_s});
    EXPECT_TRUE(client.waitForClosed());
}

TEST_F(ServerSession, GarbageAndUnknownCommandsAreRefusedEmptyLinesIgnored)
{
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    ASSERT_TRUE(client.logOn());
    client.sendRaw("\r\n\n");
    EXPECT_EQ(client.request(u"XYZ|0|a"_s), QStringList{u"NAK|0|Unknown command \"XYZ\"|1001|"_s});
    EXPECT_EQ(client.request(u"no bar at all"_s), QStringList{u"NAK||Unknown command \"no bar at all\"|1001|"_s});
    // The empty lines were received, and nothing answered them.
    EXPECT_EQ(server().receivedLines().mid(2, 2), (QStringList{QString(), QString()}));
}

class ServerSessionPlainGreeting : public KlvServerFixture
{
protected:
    KlvServerOptions serverOptions() const override
    {
        KlvServerOptions options;
        options.versionGreeting = false;
        return options;
    }
};

TEST_F(ServerSessionPlainGreeting, GreetsWithoutVersion)
{
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    EXPECT_EQ(client.readLine(), u"S|0|KLV server ready|READY|2797");
    EXPECT_EQ(client.request(logonLine(u"secret"_s, u"100"_s, u"admin"_s)), QStringList{u"ACK|0"_s});
}
