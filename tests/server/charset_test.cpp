// The character set of a connection: ANSI until the server accepts "SET CHARSET", then UTF-8
// both ways, line by line.
#include "KlvLineClient.h"
#include "KlvServerFixture.h"

using namespace Qt::StringLiterals;

class ServerCharset : public KlvServerFixture
{
};

TEST_F(ServerCharset, AnsiUntilTheServerAcceptsUtf8)
{
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    client.readLine();
    client.request(u"CHM|0|100"_s);
    // The user's password holds an umlaut: one byte on the wire before the switch.
    client.sendLine(u"LGN|0|K\u00e4se||3.31|h|a|h:1|127.0.0.1|mueller|0"_s);
    EXPECT_EQ(client.readAnswer(), QStringList{u"ACK|0"_s});
    EXPECT_TRUE(server().receivedRawLines().last().contains("K\xe4se"));

    EXPECT_EQ(client.request(u"SET|0|CONTEXT|Gr\u00fc\u00dfe"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.readRawLine(200), QByteArray()); // nothing more
    client.sendLine(u"SHO|0|CONTEXT|0"_s);
    client.readRawLine();
    EXPECT_EQ(client.readRawLine(), QByteArray("D|0|CONTEXT|Gr\xfc\xdf"
                                               "e"));
    client.readRawLine();

    EXPECT_EQ(client.request(u"SET|0|CHARSET|UTF-8"_s), QStringList{u"ACK|0"_s});
    client.setUtf8(true);
    client.sendLine(u"SHO|0|CONTEXT|0"_s);
    client.readRawLine();
    EXPECT_EQ(client.readRawLine(), QByteArray("D|0|CONTEXT|Gr\xc3\xbc\xc3\x9f"
                                               "e"));
    client.readRawLine();
    client.sendLine(u"SET|0|CONTEXT|\u00e4\u20ac"_s);
    EXPECT_EQ(client.readAnswer(), QStringList{u"ACK|0"_s});
    EXPECT_EQ(server().receivedLines().last(), u"SET|0|CONTEXT|\u00e4\u20ac");
    EXPECT_EQ(server().receivedRawLines().last(), QByteArray("SET|0|CONTEXT|\xc3\xa4\xe2\x82\xac"));
}

TEST_F(ServerCharset, LinesBehindTheSwitchInOneSendAreReadInTheNewCharset)
{
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    ASSERT_TRUE(client.logOn());
    client.sendRaw("SET|0|CHARSET|UTF-8\r\nSET|0|CONTEXT|\xc3\xa4\r\n");
    EXPECT_EQ(client.readAnswer(), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.readAnswer(), QStringList{u"ACK|0"_s});
    EXPECT_EQ(server().receivedLines().last(), u"SET|0|CONTEXT|\u00e4");
}

TEST_F(ServerCharset, RefusedCharsetLeavesAnsi)
{
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    ASSERT_TRUE(client.logOn());
    EXPECT_TRUE(client.request(u"SET|0|CHARSET|EBCDIC"_s).value(0).startsWith(u"NAK|0|"));
    client.sendRaw("SET|0|CONTEXT|\xe4\r\n");
    client.readAnswer();
    EXPECT_EQ(server().receivedLines().last(), u"SET|0|CONTEXT|\u00e4");
}
