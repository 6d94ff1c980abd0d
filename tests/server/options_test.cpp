// SET and SHO for every option and information item, one-time passwords and test flags.
#include "KlvLineClient.h"
#include "KlvServerFixture.h"

#include <QDate>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {
// The value of a SHO answer's first record (its second field), or "" on anything else.
QString shown(KlvLineClient& client, const QString& keyword)
{
    const QStringList answer = client.request(u"SHO|0|%1|0"_s.arg(keyword));
    if (answer.size() != 3 || !answer[1].startsWith(u"D|0|"))
        return {};
    return answer[1].section(u'|', 3);
}
} // namespace

class ServerOptions : public KlvServerFixture
{
protected:
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        ASSERT_TRUE(client.connectTo(port()));
        ASSERT_TRUE(client.logOn());
    }
    KlvLineClient client;
};

TEST_F(ServerOptions, EveryOptionRoundTripsAndRefusesWhatItCannotHold)
{
    struct Case
    {
        QString setKeyword;  // as the client sets it
        QString showKeyword; // as the client asks for it
        QString before;
        QString value;
        QString bad;
    };
    const QList<Case> cases = {
        {u"DISPLAYMODE"_s, u"DISPLAYMODE"_s, u"UNIVERSAL"_s, u"OUTPUT"_s, u"ALL"_s},
        {u"DECIMALPOINT"_s, u"DECIMALPOINT"_s, u"COMMA"_s, u"PERIOD"_s, u"DOT"_s},
        {u"VERWMODE"_s, u"VerwMode"_s, u"NUM"_s, u"SW"_s, u"X"_s},
        {u"DATEMODE"_s, u"DateMode"_s, u"TAV4"_s, u"SORT"_s, u"ISO"_s},
        {u"FTMODE"_s, u"FTMODE"_s, u"TEXT:500"_s, u"TEXT:300"_s, u"TEXT:-1"_s},
        {u"NUMMODE"_s, u"NumMode"_s, u"EXT"_s, u"RAW"_s, u"HEX"_s},
        {u"BOOLMODE"_s, u"BoolMode"_s, u"NUM"_s, u"TAV"_s, u"YESNO"_s},
        {u"EnumMode"_s, u"EnumMode"_s, u"BRIEFDESC"_s, u"CODE"_s, u"LONG"_s},
        {u"UPDATEMODE"_s, u"UPDATEMODE"_s, u"STRICT"_s, u"BATCH"_s, u"LAZY"_s},
        {u"STOREROWMODE"_s, u"STOREROWMODE"_s, u"DELNONE"_s, u"DELTAILMOD"_s, u"DELALL"_s},
        {u"LINEBREAK"_s, u"LINEBREAK"_s, u"LF"_s, u"CRLF"_s, u"CR"_s},
        {u"VARLANG"_s, u"VARLANG"_s, u"en"_s, u"de"_s, u"fr"_s},
        {u"LOCKBEHAVIOR"_s, u"LOCKBEHAVIOR"_s, u"WAIT:15"_s, u"NOWAIT"_s, u"SOMETIMES"_s},
        {u"FOPMODE"_s, u"FOPMODE"_s, u"1"_s, u"0"_s, u"2"_s},
        {u"TRIMVALUES"_s, u"TRIMVALUES"_s, u"0"_s, u"1"_s, u"x"_s},
        {u"TRUNCTEXT"_s, u"TRUNCTEXT"_s, u"1"_s, u"0"_s, u"x"_s},
        {u"AUTOROUND"_s, u"AUTOROUND"_s, u"0"_s, u"1"_s, u"x"_s},
        {u"LONGLOCKMSG"_s, u"LONGLOCKMSG"_s, u"1"_s, u"0"_s, u"x"_s},
        {u"SHOWNOTES"_s, u"SHOWNOTES"_s, u"0"_s, u"1"_s, u"x"_s},
        {u"SHOWTEXT"_s, u"SHOWTEXT"_s, u"1"_s, u"0"_s, u"x"_s},
        {u"LANG"_s, u"LANG"_s, u"D"_s, u"E"_s, u"Klingon"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setKeyword.toStdString());
        EXPECT_EQ(shown(client, c.showKeyword), c.before);
        EXPECT_EQ(client.request(u"SET|0|%1|%2"_s.arg(c.setKeyword, c.value)), QStringList{u"ACK|0"_s});
        EXPECT_EQ(shown(client, c.showKeyword), c.value);
        const QStringList refused = client.request(u"SET|0|%1|%2"_s.arg(c.setKeyword, c.bad));
        EXPECT_EQ(refused.size(), 1);
        EXPECT_TRUE(refused.value(0).startsWith(u"NAK|0|Value \"%1\" not allowed"_s.arg(c.bad)));
        EXPECT_EQ(shown(client, c.showKeyword), c.value);
    }
}

TEST_F(ServerOptions, ContextCanBeEmptiedAndRidesOnEveryRefusal)
{
    ASSERT_EQ(client.request(u"SET|0|CONTEXT|Import run 7"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(u"SET|0|NOSUCH|1"_s), QStringList{u"NAK|0|Unknown option \"NOSUCH\"|1005|Import run 7"_s});
    // An empty value leaves only keyword and bar on the line.
    ASSERT_EQ(client.request(u"SET|0|CONTEXT|"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(u"SET|0|NOSUCH|1"_s), QStringList{u"NAK|0|Unknown option \"NOSUCH\"|1005|"_s});
}

TEST_F(ServerOptions, InformationItemsAnswerDistinctValuesAndCannotBeSet)
{
    const QStringList keys = {u"KLVVersion"_s,    u"WEXAVERSION"_s, u"TAVVersion"_s, u"WEXAVERSNUM"_s,
                              u"PWDREF"_s,        u"MANDANT"_s,     u"MANDNAME"_s,   u"MANDDIR"_s,
                              u"MANDDIRUNC"_s,    u"HOMEDIR"_s,     u"HOMEDIRUNC"_s, u"SERVERPID"_s,
                              u"GUIDDESRVNAME"_s, u"NEWVERSSTR"_s,  u"DBCLIENTID"_s, u"OPERATORCODE"_s,
                              u"LANGCODE"_s,      u"LANGISO"_s,     u"ONETIMEPWD"_s};
    QSet<QString> values;
    for (const QString& key : keys) {
        const QString value = shown(client, key);
        EXPECT_FALSE(value.isEmpty()) << key.toStdString();
        values.insert(value);
        const QStringList refused = client.request(u"SET|0|%1|x"_s.arg(key));
        EXPECT_TRUE(refused.value(0).startsWith(u"NAK|0|Option %1 cannot be set"_s.arg(key.toUpper())))
            << refused.value(0).toStdString();
    }
    EXPECT_EQ(values.size(), keys.size());
    EXPECT_EQ(shown(client, u"KLVVersion"_s), u"3.31");
    EXPECT_EQ(shown(client, u"MAINTMODE"_s), u"0");
    EXPECT_EQ(shown(client, u"MANDANT"_s), u"Demo Trading Ltd");
    // The language items follow the language option.
    ASSERT_EQ(client.request(u"SET|0|LANG|E"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(shown(client, u"LANGISO"_s), u"en-GB");
}

TEST_F(ServerOptions, DateFollowsTheDateModeOrTheModeAsked)
{
    const QDate today = QDate::currentDate();
    EXPECT_EQ(shown(client, u"DATE"_s), today.toString(u"dd.MM.yyyy"_s)); // the session's TAV4
    EXPECT_EQ(shown(client, u"DATE(SORT)"_s), today.toString(u"yyyyMMdd"_s));
    EXPECT_EQ(shown(client, u"DATE(TAV)"_s), today.toString(u"dd.MM.yy"_s));
    EXPECT_EQ(shown(client, u"DATE()"_s), today.toString(u"dd.MM.yyyy"_s));
    EXPECT_TRUE(client.request(u"SHO|0|DATE(LONG)|0"_s).value(0).startsWith(u"NAK|0|Unknown date mode"));
}

TEST_F(ServerOptions, AllOptionsComeAsNameValueRecordsWithMetadataOnRequest)
{
    const QStringList answer = client.request(u"SHO|0||1"_s);
    ASSERT_GE(answer.size(), 6);
    EXPECT_EQ(answer[1], u"DM|0|NAME|OPTION|VALUE");
    EXPECT_TRUE(answer.contains(u"D|0|DATEMODE|TAV4"_s));
    EXPECT_TRUE(answer.contains(u"D|0|CHARSET|ANSI"_s));
    const qsizetype records =
        std::count_if(answer.begin(), answer.end(), [](const QString& l) { return l.startsWith(u"D|"); });
    EXPECT_EQ(answer.first(), u"BOD|0|SHO|%1"_s.arg(records));
    EXPECT_EQ(answer.last(), u"EOD|0|SHO|%1|1"_s.arg(records));
}

TEST_F(ServerOptions, TestFlagsAreSetOneByOne)
{
    EXPECT_EQ(client.request(u"SET|0|TESTFLAG|12|1"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(u"SET|0|TESTFLAG|3|1"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(u"SHO|0|TESTFLAG|12|0"_s).value(1), u"D|0|TESTFLAG|12|1");
    EXPECT_EQ(client.request(u"SHO|0|TESTFLAG|13|0"_s).value(1), u"D|0|TESTFLAG|13|0");
    EXPECT_EQ(client.request(u"SET|0|TESTFLAG|12|0"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(u"SHO|0|TESTFLAG|12|0"_s).value(1), u"D|0|TESTFLAG|12|0");
    EXPECT_EQ(shown(client, u"TESTFLAG"_s), u"3");
}

TEST_F(ServerOptions, OneTimePasswordLogsOnOnceAndForTheUserItWasMadeFor)
{
    const QString own = shown(client, u"ONETIMEPWD"_s);
    ASSERT_EQ(own.size(), 21);
    EXPECT_EQ(own.at(14), u'#');
    EXPECT_NE(shown(client, u"ONETIMEPWD"_s), own);

    ASSERT_EQ(client.request(u"SET|0|OTPWUSER|demo"_s), QStringList{u"ACK|0"_s});
    const QString forDemo = shown(client, u"ONETIMEPWD"_s);
    EXPECT_TRUE(client.request(u"SET|0|OTPWUSER|nobody"_s).value(0).startsWith(u"NAK|0|User \"nobody\" unknown"));

    const auto logOnWith = [&](const QString& password, const QString& user) {
        KlvLineClient other;
        EXPECT_TRUE(other.connectTo(port()));
        other.readLine();
        other.request(u"CHM|0|100"_s);
        return other.request(u"LGN|0|%1||3.31|h|a|-|127.0.0.1|%2|0"_s.arg(password, user)).last();
    };
    EXPECT_EQ(logOnWith(own, u"admin"_s), u"ACK|0");
    EXPECT_TRUE(logOnWith(own, u"admin"_s).startsWith(u"NAK|")); // spent
    EXPECT_TRUE(logOnWith(forDemo, u"admin"_s).startsWith(u"NAK|"));
    EXPECT_TRUE(logOnWith(forDemo, u"demo"_s).startsWith(u"NAK|")); // spent by the wrong user's try

    ASSERT_EQ(client.request(u"SET|0|OTPWWEBUSER|demo"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(logOnWith(shown(client, u"ONETIMEPWD"_s), QString()), u"ACK|0"); // the password names the user
}

TEST_F(ServerOptions, TransactionsOpenOnceAndCloseOnce)
{
    EXPECT_EQ(client.request(u"TA|0|COMMIT"_s), QStringList{u"NAK|0|No transaction open|1008|"_s});
    EXPECT_EQ(client.request(u"TA|0|START"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(u"TA|0|START"_s), QStringList{u"NAK|0|A transaction is already open|1008|"_s});
    EXPECT_EQ(client.request(u"TA|0|ABORT"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(u"TA|0|START"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(u"TA|0|COMMIT"_s), QStringList{u"ACK|0"_s});
}
