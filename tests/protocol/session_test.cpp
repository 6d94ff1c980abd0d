// A session against the stand-in server: opening, logon, character sets, options, locks,
// transactions, batches, breaks, and how every wait ends when the server misbehaves or goes.
#include "Common.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVResultSet.h"
#include "KLVSockComm.h"
#include "KLVTraceWindow.h"
#include "KLVWait.h"
#include "KlvServerFixture.h"
#include "TraceForm.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QSettings librarySettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, u"KLV-API"_s);
}

class SessionTest : public KlvServerFixture
{
protected:
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        librarySettings().remove(u"Config"_s);
    }
    void TearDown() override
    {
        server().setScript({});
        librarySettings().remove(u"Config"_s);
        KlvServerFixture::TearDown();
    }

    QSharedPointer<KLV> newSession()
    {
        auto session = QSharedPointer<KLV>::create();
        Common::InitMessageLanguage(9);
        return session;
    }

    QSharedPointer<KLV> openSession(const QString& mandant = u"100"_s, const QString& password = u"secret"_s)
    {
        auto session = newSession();
        EXPECT_TRUE(session->BeginSession(u"127.0.0.1"_s, port(), mandant, password))
            << session->GetLastError().toStdString();
        server().clearReceived();
        return session;
    }

    QStringList received() const { return const_cast<SessionTest*>(this)->server().receivedLines(); }
    QString lastReceived() const { return received().value(received().size() - 1); }

    // Runs action from the event loop once the server has received count lines.
    void whenReceived(int count, std::function<void()> action)
    {
        QTimer::singleShot(10, [this, count, action] {
            if (server().receivedLines().size() >= count)
                action();
            else
                whenReceived(count, action);
        });
    }
};

class PlainGreetingTest : public SessionTest
{
protected:
    KlvServerOptions serverOptions() const override
    {
        KlvServerOptions options;
        options.versionGreeting = false;
        return options;
    }
};

} // namespace

TEST_F(SessionTest, OpeningWithVersionGreetingChangesTheMandantFirst)
{
    auto session = newSession();
    ASSERT_TRUE(session->BeginSessionUser(u"127.0.0.1"_s, port(), u"100"_s, u"admin"_s, u"secret"_s))
        << session->GetLastError().toStdString();
    EXPECT_TRUE(session->IsConnected());
    const QStringList lines = received();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], u"CHM|0|100"_s);
    const QString host = QHostInfo::localHostName();
    EXPECT_EQ(lines[1], u"LGN|0|secret||3.31|"_s + host + u"|KLV-API 2.27 Rev 0|"_s + host + u"|127.0.0.1|admin|0"_s);
    EXPECT_EQ(lines[2], u"SET|0|CHARSET|UTF-8"_s);
    EXPECT_EQ(session->AppName(), u"KLV-API 2.27 Rev 0"_s);
    EXPECT_TRUE(session->Connection()->Unicode());
    EXPECT_EQ(session->GetMandantID(), u"100"_s);
    EXPECT_TRUE(session->GetLastError().isEmpty());
}

TEST_F(PlainGreetingTest, OpeningWithoutVersionSendsTheMandantInTheLogon)
{
    auto session = newSession();
    session->setAppName(u"Tester"_s);
    ASSERT_TRUE(session->BeginSession(u"127.0.0.1"_s, port(), u"100"_s, u"secret"_s))
        << session->GetLastError().toStdString();
    const QStringList lines = received();
    ASSERT_GE(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(u"LGN|0|secret|100|3.31|"_s)) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(u"|Tester|"_s));
    EXPECT_TRUE(lines[0].endsWith(u"|127.0.0.1||0"_s));
}

TEST_F(SessionTest, GreetingMustBeTheStatusLineWithItsNumber)
{
    struct Case
    {
        QString greeting;
        bool accepted;
        bool changesMandant;
    };
    const QList<Case> cases = {{u"S|0|x|VERSION|2797"_s, true, true},
                               {u"S|0|x|y|2797"_s, true, false},
                               {u"S|0|x|2797"_s, false, false},
                               {u"E|0|x|VERSION|2797"_s, false, false},
                               {u"S|0|x|VERSION|2798"_s, false, false}};
    for (const Case& c : cases) {
        server().clearReceived();
        server().setScript([greeting = c.greeting](int, const QString&, bool isGreeting, KlvScriptReply& reply) {
            if (!isGreeting)
                return false;
            reply.sendLine(greeting);
            return true;
        });
        auto session = newSession();
        const bool opened = session->BeginSession(u"127.0.0.1"_s, port(), u"100"_s, u"secret"_s);
        EXPECT_EQ(opened, c.accepted) << c.greeting.toStdString();
        if (c.accepted) {
            EXPECT_EQ(received().value(0) == u"CHM|0|100"_s, c.changesMandant) << c.greeting.toStdString();
            session->EndSession();
        } else {
            EXPECT_EQ(session->GetLastError(), Common::GetErrorText(1) + u"\r\n"_s + c.greeting);
            EXPECT_EQ(session->GetLastKLVError()->Number(), 0);
            EXPECT_FALSE(session->IsConnected());
        }
    }
}

TEST_F(SessionTest, RefusedLogonKeepsTheServersErrorAndDisconnects)
{
    auto session = newSession();
    EXPECT_FALSE(session->BeginSession(u"127.0.0.1"_s, port(), u"100"_s, u"wrong"_s));
    EXPECT_FALSE(session->IsConnected());
    EXPECT_FALSE(session->GetLastError().isEmpty());
    EXPECT_NE(session->GetLastKLVError()->Number(), 0);

    EXPECT_FALSE(session->BeginSession(u"127.0.0.1"_s, port(), u"999"_s, u"secret"_s));
    EXPECT_FALSE(session->GetLastError().isEmpty());
    EXPECT_FALSE(session->IsConnected());

    // The same object opens once the data is right.
    EXPECT_TRUE(session->BeginSession(u"127.0.0.1"_s, port(), u"200"_s, u"secret2"_s));
}

TEST_F(SessionTest, PasswordNeverShowsInTheLogOrTrace)
{
    QTemporaryDir dir;
    const QString logName = dir.filePath(u"klv.log"_s);
    auto session = newSession();
    session->setLogFile(logName);
    session->setTag(u"T1"_s);
    TraceForm::instance()->clear();
    session->setTraceMode(true);
    ASSERT_TRUE(session->BeginSession(u"127.0.0.1"_s, port(), u"100"_s, u"secret"_s));
    EXPECT_TRUE(session->EndSession());
    session->setTraceMode(false);
    session->setLogFile(QString());

    QFile file(logName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(file.readAll());
    EXPECT_FALSE(log.contains(u"secret"_s));
    EXPECT_TRUE(log.contains(u"[T1] Send("_s));
    EXPECT_TRUE(log.contains(u"): [LGN|0|*||3.31|"_s));
    EXPECT_TRUE(log.contains(u"[T1] Recv("_s));
    EXPECT_TRUE(log.contains(u"[T1] Connect: Host=127.0.0.1 Port="_s));
    EXPECT_TRUE(log.contains(u"[T1] Send(5): [END|0]"_s));
    EXPECT_TRUE(log.contains(u"[T1] Disconnect"_s));

    const QStringList trace = TraceForm::instance()->lines();
    EXPECT_TRUE(trace.contains(u"Trace eingeschaltet"_s));
    EXPECT_TRUE(trace.contains(u">doBeginSession"_s));
    EXPECT_TRUE(trace.contains(u"<doBeginSession OK"_s));
    EXPECT_TRUE(trace.contains(u"<EndSession"_s));
    for (const QString& line : trace)
        EXPECT_FALSE(line.contains(u"secret"_s)) << line.toStdString();
}

TEST_F(SessionTest, AnsiSendsOneBytePerUmlaut)
{
    librarySettings().setValue(u"Config/UseUnicode"_s, u"0"_s);
    auto session = openSession();
    EXPECT_FALSE(session->Connection()->Unicode());
    ASSERT_TRUE(session->SetMessageContext(u"Bär"_s));
    EXPECT_EQ(server().receivedRawLines().last(), QByteArray("SET|0|CONTEXT|B\xE4r"));
    EXPECT_EQ(session->GetMessageContext(), u"Bär"_s);

    // Text that ANSI cannot hold is refused, never sent as "?".
    server().clearReceived();
    EXPECT_FALSE(session->SetMessageContext(u"\u4E2D"_s));
    EXPECT_TRUE(session->GetLastError().startsWith(Common::GetErrorText(18)));
    EXPECT_EQ(session->GetMessageContext(), u"Bär"_s);
    EXPECT_EQ(received(), QStringList{u"SHO|0|CONTEXT|0"_s});
}

TEST_F(SessionTest, OldClientVersionStaysAnsi)
{
    auto session = newSession();
    session->setClientKLVVersion(u"3.0"_s);
    ASSERT_TRUE(session->BeginSession(u"127.0.0.1"_s, port(), u"100"_s, u"secret"_s));
    EXPECT_EQ(received().last(), u"SET|0|CHARSET|ANSI"_s);
    EXPECT_FALSE(session->Connection()->Unicode());
    session->setClientKLVVersion(u"3.31"_s); // ignored while connected
    EXPECT_EQ(session->ClientKLVVersion(), u"3.0"_s);
}

TEST_F(SessionTest, Utf8SendsTwoBytesPerUmlaut)
{
    auto session = openSession();
    ASSERT_TRUE(session->SetMessageContext(u"Bär \u4E2D"_s));
    EXPECT_EQ(server().receivedRawLines().last(), QByteArray("SET|0|CONTEXT|B\xC3\xA4r \xE4\xB8\xAD"));
    EXPECT_EQ(session->GetMessageContext(), u"Bär \u4E2D"_s);
}

TEST_F(SessionTest, RefusedCharsetKeepsTheTransportInAnsi)
{
    answerOnce(u"SET|0|CHARSET"_s, [](KlvScriptReply& reply) { reply.sendLine(u"NAK|0|no UTF-8 here|5|"_s); });
    auto session = newSession();
    ASSERT_TRUE(session->BeginSession(u"127.0.0.1"_s, port(), u"100"_s, u"secret"_s));
    EXPECT_FALSE(session->Connection()->Unicode());
}

TEST_F(SessionTest, EveryOptionRoundTrips)
{
    auto s = openSession();
    for (auto mode : {klvDispModeOperating, klvDispModeOutput, klvDispModeUniversal}) {
        EXPECT_TRUE(s->SetDisplayMode(mode));
        EXPECT_EQ(s->GetDisplayMode(), mode);
    }
    EXPECT_EQ(received()[0], u"SET|0|DISPLAYMODE|OPERATING"_s);
    EXPECT_EQ(received()[1], u"SHO|0|DISPLAYMODE|0"_s);
    for (auto mode : {klvDecimalPointComma, klvDecimalPointPeriod}) {
        EXPECT_TRUE(s->SetDecimalPoint(mode));
        EXPECT_EQ(s->GetDecimalPoint(), mode);
    }
    for (auto mode : {klvVerwModeRef, klvVerwModeNum, klvVerwModeSW, klvVerwModeExt}) {
        EXPECT_TRUE(s->SetVerwMode(mode));
        EXPECT_EQ(s->GetVerwMode(), mode);
    }
    server().clearReceived();
    for (auto mode : {klvDateModeTAV4, klvDateModeSort, klvDateModeTAV}) {
        EXPECT_TRUE(s->SetDateMode(mode));
        EXPECT_EQ(s->GetDateMode(), mode);
    }
    EXPECT_EQ(received()[0], u"SET|0|DATEMODE|TAV4"_s);
    EXPECT_EQ(received()[1], u"SHO|0|DateMode|0"_s);
    for (auto mode : {klvNumModeRaw, klvNumModeExt, klvNumModeTAV}) {
        EXPECT_TRUE(s->SetNumberMode(mode));
        EXPECT_EQ(s->GetNumberMode(), mode);
    }
    for (auto mode : {klvBoolModeNum, klvBoolModeTAV}) {
        EXPECT_TRUE(s->SetBoolMode(mode));
        EXPECT_EQ(s->GetBoolMode(), mode);
    }
    for (auto mode : {klvEnumModeCode, klvEnumModeBriefDesc, klvEnumModeText}) {
        EXPECT_TRUE(s->SetEnumMode(mode));
        EXPECT_EQ(s->GetEnumMode(), mode);
    }
    for (auto mode : {klvUpdateModeBatch, klvUpdateModeStrict, klvUpdateModeErrAbort, klvUpdateModeStandard}) {
        EXPECT_TRUE(s->SetUpdateMode(mode));
        EXPECT_EQ(s->GetUpdateMode(), mode);
    }
    for (auto mode : {klvStoreRowModeDeleteTailModified, klvStoreRowModeDeleteNone, klvStoreRowModeDeleteTail}) {
        EXPECT_TRUE(s->SetStoreRowMode(mode));
        EXPECT_EQ(s->GetStoreRowMode(), mode);
    }
    for (auto mode : {klvLineBreakCRLF, klvLineBreakLF}) {
        EXPECT_TRUE(s->SetLineBreak(mode));
        EXPECT_EQ(s->GetLineBreak(), mode);
    }
    for (auto language : {klvVarLangEnglish, klvVarLangGerman}) {
        EXPECT_TRUE(s->SetVariableLanguage(language));
        EXPECT_EQ(s->GetVariableLanguage(), language);
    }
    for (bool on : {true, false}) {
        EXPECT_TRUE(s->SetFOPMode(on));
        EXPECT_EQ(s->GetFOPMode(), on);
        EXPECT_TRUE(s->SetTrimValues(on));
        EXPECT_EQ(s->IsTrimValues(), on);
        EXPECT_TRUE(s->SetTruncateTextValues(on));
        EXPECT_EQ(s->IsTruncateTextValues(), on);
        EXPECT_TRUE(s->SetAutoround(on));
        EXPECT_EQ(s->IsAutoround(), on);
        EXPECT_TRUE(s->EnableLongLockMessages(on));
        EXPECT_EQ(s->LongLockMessagesEnabled(), on);
        EXPECT_TRUE(s->EnableNotes(on));
        EXPECT_EQ(s->NotesEnabled(), on);
        EXPECT_TRUE(s->EnableTextMessages(on));
        EXPECT_EQ(s->TextMessagesEnabled(), on);
    }
    EXPECT_TRUE(s->SetTAVLanguage(u"E"_s));
    EXPECT_EQ(s->GetTAVLanguage(), u"E"_s);
    EXPECT_EQ(s->GetLanguageCode(), u"ENG"_s);
    EXPECT_EQ(s->GetLanguageISO(), u"en-GB"_s);
    EXPECT_TRUE(s->SetSessionOption(u"LANG"_s, u"D"_s));
    EXPECT_EQ(s->GetSessionOption(u"LANG"_s), u"D"_s);
    EXPECT_FALSE(s->IsMaintMode());
}

TEST_F(SessionTest, FreeTextAndLockBehaviourCarryTheirLengths)
{
    auto s = openSession();
    int length = -1;
    EXPECT_TRUE(s->SetFTMode(klvFTModeText));
    EXPECT_EQ(lastReceived(), u"SET|0|FTMODE|TEXT:300"_s);
    EXPECT_EQ(s->GetFTMode(length), klvFTModeText);
    EXPECT_EQ(length, 300);
    EXPECT_TRUE(s->SetFTMode(klvFTModeTextAll));
    EXPECT_EQ(s->GetFTMode(length), klvFTModeTextAll);
    EXPECT_EQ(length, 0);
    EXPECT_TRUE(s->SetFTMode(klvFTModeExt));
    EXPECT_EQ(s->GetFTMode(length), klvFTModeExt);

    EXPECT_TRUE(s->SetLockBehavior(klvLockBehaviorWait, 30));
    EXPECT_EQ(lastReceived(), u"SET|0|LOCKBEHAVIOR|WAIT:30"_s);
    EXPECT_EQ(s->GetLockBehavior(length), klvLockBehaviorWait);
    EXPECT_EQ(length, 30);
    EXPECT_TRUE(s->SetLockBehavior(klvLockBehaviorNoWait));
    EXPECT_EQ(s->GetLockBehavior(length), klvLockBehaviorNoWait);
    EXPECT_EQ(length, 0);
}

TEST_F(SessionTest, InvalidOptionValuesAreRefusedWithoutSending)
{
    auto s = openSession();
    EXPECT_FALSE(s->SetDecimalPoint(KLV_Decimalpoint(2)));
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(15));
    EXPECT_FALSE(s->SetDateMode(KLV_DateMode(5)));
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(2));
    EXPECT_FALSE(s->SetVerwMode(KLV_VerwMode(9)));
    EXPECT_FALSE(s->SetNumberMode(KLV_NumMode(9)));
    EXPECT_FALSE(s->SetBoolMode(KLV_BoolMode(9)));
    EXPECT_FALSE(s->SetEnumMode(KLV_EnumMode(9)));
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(3));
    EXPECT_FALSE(s->SetFTMode(klvFTModeNone));
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(19));
    EXPECT_FALSE(s->SetLockBehavior(KLV_LockBehavior(3)));
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(30));
    EXPECT_TRUE(received().isEmpty());

    // Values the type does not name fall back to a default word.
    EXPECT_TRUE(s->SetDisplayMode(KLV_DisplayMode(9)));
    EXPECT_EQ(lastReceived(), u"SET|0|DISPLAYMODE|OPERATING"_s);
    EXPECT_TRUE(s->SetLineBreak(KLV_LineBreak(4)));
    EXPECT_EQ(lastReceived(), u"SET|0|LINEBREAK|CRLF"_s);

    // A refusal of the server leaves its error; the getter answers member 0.
    EXPECT_FALSE(s->SetSessionOption(u"DISPLAYMODE"_s, u"BOGUS"_s));
    EXPECT_NE(s->GetLastKLVError()->Number(), 0);
    EXPECT_EQ(s->GetSessionOption(u"NOSUCHOPTION"_s), QString());
    EXPECT_FALSE(s->GetLastError().isEmpty());
}

TEST_F(SessionTest, InformationFlagsDatesAndAllOptions)
{
    auto s = openSession();
    EXPECT_EQ(s->GetKLVVersion(), u"3.31"_s);
    EXPECT_EQ(received().last(), u"SHO|0|KLVVersion|0"_s);
    EXPECT_FALSE(s->GetWEXAVersion().isEmpty());
    EXPECT_FALSE(s->GetTAVVersion().isEmpty());
    EXPECT_FALSE(s->GetWEXAVersionNumber().isEmpty());
    EXPECT_EQ(s->GetMandantID(), u"100"_s);
    EXPECT_FALSE(s->GetMandantName().isEmpty());
    EXPECT_FALSE(s->GetMandantDir().isEmpty());
    EXPECT_FALSE(s->GetMandantDirUNC().isEmpty());
    EXPECT_FALSE(s->GetHomeDir().isEmpty());
    EXPECT_FALSE(s->GetHomeDirUNC().isEmpty());
    EXPECT_FALSE(s->GetServerPID().isEmpty());
    EXPECT_FALSE(s->GetGUIDDESrvName().isEmpty());
    EXPECT_FALSE(s->GetNewVersionString().isEmpty());
    EXPECT_FALSE(s->GetDBClientID().isEmpty());
    EXPECT_FALSE(s->GetOperatorCode().isEmpty());
    EXPECT_FALSE(s->GetPasswordRef().isEmpty());

    server().clearReceived();
    EXPECT_FALSE(s->GetDate().isEmpty());
    EXPECT_EQ(s->GetDate(int(klvDateModeSort)).size(), 8);
    EXPECT_EQ(received(), (QStringList{u"SHO|0|DATE|0"_s, u"SHO|0|DATE(SORT)|0"_s}));

    EXPECT_FALSE(s->IsFlagSet(5));
    EXPECT_TRUE(s->SetFlag(5, true));
    EXPECT_TRUE(s->IsFlagSet(5));
    EXPECT_FALSE(s->IsFlagSet(6));
    EXPECT_TRUE(s->SetFlag(5, false));
    EXPECT_FALSE(s->IsFlagSet(5));
    EXPECT_TRUE(received().contains(u"SET|0|TESTFLAG|5|1"_s));
    EXPECT_TRUE(received().contains(u"SHO|0|TESTFLAG|5|0"_s));

    server().clearReceived();
    const QList<QStringList> all = s->GetAllSessionOptions();
    EXPECT_EQ(received(), QStringList{u"SHO|0||0"_s});
    ASSERT_GE(all.size(), 20);
    for (const QStringList& row : all)
        EXPECT_EQ(row.size(), 2);
    EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                            [](const QStringList& row) { return row[0] == u"CHARSET"_s && row[1] == u"UTF-8"_s; }));
}

TEST_F(SessionTest, OneTimePasswordsAreValidOnce)
{
    auto s = openSession();
    const QString once = s->GetOneTimePWD();
    ASSERT_FALSE(once.isEmpty());
    auto other = newSession();
    EXPECT_TRUE(other->BeginSessionUser(u"127.0.0.1"_s, port(), u"100"_s, u"admin"_s, once))
        << other->GetLastError().toStdString();
    other->EndSession();
    EXPECT_FALSE(other->BeginSessionUser(u"127.0.0.1"_s, port(), u"100"_s, u"admin"_s, once));

    server().clearReceived();
    EXPECT_TRUE(s->GetOneTimePWDUser(u"admin"_s).size() > 0);
    EXPECT_EQ(received().first(), u"SET|0|OTPWUSER|admin"_s);
    EXPECT_EQ(s->GetOneTimePWDUser(u"nobody"_s, true), QString());
    EXPECT_EQ(received().last(), u"SET|0|OTPWWEBUSER|nobody"_s);
}

TEST_F(SessionTest, CloneLogsOnWithAOneTimePasswordAndCopiesTheModes)
{
    auto s = newSession();
    ASSERT_TRUE(s->BeginSessionUser(u"127.0.0.1"_s, port(), u"100"_s, u"admin"_s, u"secret"_s));
    s->setDatasetSize(77);
    ASSERT_TRUE(s->SetDateMode(klvDateModeSort));
    ASSERT_TRUE(s->SetNumberMode(klvNumModeRaw));
    ASSERT_TRUE(s->SetTAVLanguage(u"E"_s));
    server().clearReceived();
    QSharedPointer<KLV> copy = s->Clone();
    ASSERT_TRUE(copy) << s->GetLastError().toStdString();
    EXPECT_TRUE(copy->IsConnected());
    EXPECT_EQ(copy->DatasetSize(), 77);
    EXPECT_EQ(copy->GetDateMode(), klvDateModeSort);
    EXPECT_EQ(copy->GetNumberMode(), klvNumModeRaw);
    EXPECT_EQ(copy->GetTAVLanguage(), u"E"_s);
    EXPECT_EQ(received().first(), u"SHO|0|ONETIMEPWD|0"_s);
    EXPECT_FALSE(received().join(u'\n').contains(u"|secret|"_s));

    EXPECT_FALSE(newSession()->Clone());
}

TEST_F(SessionTest, OneTimePasswordsNeverShowInTheLogOrTrace)
{
    QTemporaryDir dir;
    const QString logName = dir.filePath(u"klv.log"_s);
    auto s = newSession();
    ASSERT_TRUE(s->BeginSessionUser(u"127.0.0.1"_s, port(), u"100"_s, u"admin"_s, u"secret"_s));
    s->setLogFile(logName);
    TraceForm::instance()->clear();
    s->setTraceMode(true);
    QSharedPointer<KLV> copy = s->Clone();
    ASSERT_TRUE(copy);
    s->setTraceMode(true); // a new session object switches the trace off
    EXPECT_FALSE(s->GetOneTimePWDUser(u"admin"_s).isEmpty());
    s->setTraceMode(false);
    s->setLogFile(QString());

    // Every one-time password the server sent shows "*" where its value was.
    const QRegularExpression shown(u"D\\|[^|]*\\|ONETIMEPWD\\|([^|\r\n]*)"_s);
    QFile file(logName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(file.readAll());
    int masked = 0;
    for (auto it = shown.globalMatch(log); it.hasNext();) {
        const QString value = it.next().captured(1);
        EXPECT_EQ(value, u"*"_s);
        masked += value == u"*"_s;
    }
    EXPECT_EQ(masked, 2); // the clone's logon, and the password for another user
    QStringList traced;
    for (const QString& line : TraceForm::instance()->lines()) {
        for (auto it = shown.globalMatch(line); it.hasNext();)
            traced << it.next().captured(1);
    }
    EXPECT_EQ(traced, QStringList{u"*"_s});
}

TEST_F(SessionTest, ReLoginSendsANewLogonAndKeepsTheLastErrorOnRefusal)
{
    auto s = newSession();
    ASSERT_TRUE(s->BeginSessionUser(u"127.0.0.1"_s, port(), u"100"_s, u"admin"_s, u"secret"_s));
    server().clearReceived();
    s->ClearLastError();
    EXPECT_FALSE(s->ReLogin(u"wrong"_s));
    EXPECT_TRUE(received().first().startsWith(u"LGN|0|wrong||3.31|"_s));
    EXPECT_TRUE(s->GetLastError().isEmpty());
    EXPECT_FALSE(s->resultSet()->GetCurrentError()->Message().isEmpty());
}

TEST_F(SessionTest, AlreadyConnectedSendsNothing)
{
    auto s = openSession();
    EXPECT_FALSE(s->BeginSession(u"127.0.0.1"_s, port(), u"100"_s, u"secret"_s));
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(24));
    EXPECT_TRUE(s->IsConnected());
    EXPECT_TRUE(received().isEmpty());
}

TEST_F(SessionTest, EndSessionSendsEndAndTheObjectOpensAgain)
{
    auto s = openSession();
    EXPECT_TRUE(s->EndSession());
    EXPECT_FALSE(s->IsConnected());
    ASSERT_TRUE(server().waitForReceived(1));
    EXPECT_EQ(received(), QStringList{u"END|0"_s});
    EXPECT_TRUE(s->BeginSession(u"127.0.0.1"_s, port(), u"100"_s, u"secret"_s));

    auto never = newSession();
    EXPECT_FALSE(never->EndSession());
    EXPECT_FALSE(never->IsConnected());
}

TEST_F(SessionTest, ReleasedSessionSaysGoodbye)
{
    {
        auto s = openSession();
    }
    ASSERT_TRUE(server().waitForReceived(1));
    EXPECT_EQ(received(), QStringList{u"END|0"_s});
}

TEST_F(SessionTest, RefusedConnectionReportsTheSocketError)
{
    const quint16 freePort = port();
    server().stop();
    auto s = newSession();
    EXPECT_FALSE(s->BeginSession(u"127.0.0.1"_s, freePort, u"100"_s, u"secret"_s));
    EXPECT_FALSE(s->GetLastError().isEmpty());
    EXPECT_FALSE(s->IsConnected());
}

TEST_F(SessionTest, MissingGreetingEndsWithConnectionFailed)
{
    server().setScript([](int, const QString&, bool isGreeting, KlvScriptReply&) { return isGreeting; });
    auto s = newSession();
    s->Connection()->setConnectTimeout(200);
    EXPECT_FALSE(s->BeginSession(u"127.0.0.1"_s, port(), u"100"_s, u"secret"_s));
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(4));
    EXPECT_FALSE(s->IsConnected());
}

TEST_F(SessionTest, ServerClosingMidAnswerFailsTheCallWithAbortedConnection)
{
    auto s = openSession();
    answerOnce(u"SHO|0|MANDANT"_s, [](KlvScriptReply& reply) {
        reply.sendLine(u"D|0|MANDANT|halb"_s);
        reply.close();
    });
    EXPECT_EQ(s->GetMandantName(), QString());
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(5));
    EXPECT_FALSE(s->IsConnected());
    // Every later call fails at once instead of waiting.
    EXPECT_FALSE(s->SetTrimValues(true));
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(5));
}

TEST_F(SessionTest, LinesSplitAcrossReadsWithEmptyLinesInBetween)
{
    auto s = openSession();
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) {
        reply.sendRaw("\r\nD|0|MAND");
        reply.delay(50);
        reply.sendRaw("NAME|1");
        reply.delay(50);
        reply.sendRaw("00\r\n\r\nAC");
        reply.delay(50);
        reply.sendRaw("K|0\r\n");
    });
    EXPECT_EQ(s->GetMandantID(), u"100"_s);
    EXPECT_TRUE(s->GetLastError().isEmpty());
    EXPECT_EQ(s->GetMandantID(), u"100"_s);
}

TEST_F(SessionTest, GarbageAndUnknownCodesFailTheirRequestAndCloseTheConnection)
{
    auto s = openSession();
    // Even with the rest of the answer there, whose the lines behind it are cannot be told.
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) {
        reply.sendLine(u"XYZ|0|what"_s);
        reply.sendLine(u"D|0|MANDNAME|999"_s);
        reply.sendLine(u"EOD|0|SHO|1|1"_s);
    });
    EXPECT_EQ(s->GetMandantID(), QString());
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(1) + u"\r\nXYZ|0|what"_s);
    EXPECT_EQ(s->GetLastKLVError()->ApiErrorCode(), 1);
    EXPECT_FALSE(s->IsConnected());
    EXPECT_EQ(s->GetMandantID(), QString());
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(5));

    s = openSession();
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) { reply.sendLine(u"!!garbage!!"_s); });
    EXPECT_EQ(s->GetMandantID(), QString());
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(1) + u"\r\n!!garbage!!"_s);
    EXPECT_FALSE(s->IsConnected());
    EXPECT_EQ(s->GetMandantID(), QString());
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(5));
}

TEST_F(SessionTest, OneMegabyteFieldTravelsBothWays)
{
    auto s = openSession();
    QString big;
    big.reserve(1 << 20);
    for (int i = 0; big.size() < (1 << 20); ++i)
        big += u"Zeile "_s + QString::number(i) + u" | mit \\ und ä\n"_s;
    ASSERT_TRUE(s->SetMessageContext(big)) << s->GetLastError().toStdString();
    EXPECT_EQ(s->GetMessageContext(), big);
}

TEST_F(SessionTest, ServerEndMidAnswerEndsTheSessionRequest)
{
    auto s = openSession();
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) {
        reply.sendLine(u"D|0|MANDNAME|100"_s);
        reply.sendLine(u"END|0"_s);
    });
    EXPECT_EQ(s->GetMandantID(), QString());
}

TEST_F(SessionTest, ForeignAnswerIsDiscardedAndNeverReachesTheNextRequest)
{
    auto s = openSession();
    auto query = s->defaultQuery();
    query->setDatasetSize(1);
    int gnr = 0;
    server().setScript([&gnr](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting)
            return false;
        if (line.startsWith(u"EXQ|"_s)) {
            reply.sendLine(u"BOD|5||3"_s);
            reply.sendLine(u"D|5|eins"_s);
            reply.sendLine(u"EOD|5|||F"_s);
            return true;
        }
        if (line == u"GNR|5"_s && gnr++ == 0) {
            // The rest of some other transaction's answer turns up first.
            reply.sendLine(u"D|7|fremd"_s);
            reply.sendLine(u"D|7|fremd2"_s);
            reply.sendLine(u"EOD|7|||T"_s);
            return true;
        }
        return false;
    });
    ASSERT_TRUE(s->StartQuery(u"KUNDEN"_s, QString(), QString(), u"nummer"_s));
    EXPECT_EQ(received().last(), u"EXQ|0|KUNDEN|nummer|1|0||||0|0"_s);
    ASSERT_TRUE(s->GetNextRecord());
    EXPECT_EQ(s->GetField(1), u"eins"_s);
    EXPECT_FALSE(s->GetNextRecord());
    // A failed fetch is no end of the data: the wrong transaction id is the last error.
    EXPECT_EQ(query->resultSet()->GetCurrentError()->Message(), Common::GetErrorText(12));
    EXPECT_EQ(s->GetLastError(), query->GetLastError());
    EXPECT_FALSE(s->GetLastError().isEmpty());
    // Nor is anything behind it trusted: the next command finds the connection closed.
    EXPECT_EQ(s->GetMandantID(), QString());
    EXPECT_EQ(s->GetLastKLVError()->ApiErrorCode(), 5);
}

TEST_F(SessionTest, TransactionsAndTheirRefusals)
{
    auto s = openSession();
    EXPECT_TRUE(s->StartTransaction());
    EXPECT_FALSE(s->StartTransaction());
    EXPECT_FALSE(s->GetLastError().isEmpty());
    EXPECT_TRUE(s->CommitTransaction());
    EXPECT_TRUE(s->StartTransaction());
    EXPECT_TRUE(s->AbortTransaction());
    EXPECT_FALSE(s->AbortTransaction());
    EXPECT_EQ(received().mid(0, 4), (QStringList{u"TA|0|START"_s, u"TA|0|START"_s, u"TA|0|COMMIT"_s, u"TA|0|START"_s}));
}

TEST_F(SessionTest, LockLinesCarryTheirWords)
{
    auto s = openSession();
    EXPECT_TRUE(s->SetAppLock(klvAppLockBackup));
    EXPECT_EQ(lastReceived(), u"LCK|0|APP|BACKUP|EXCLUSIVE|WAIT"_s);
    EXPECT_TRUE(s->ReleaseAppLock(klvAppLockBackup));
    EXPECT_EQ(lastReceived(), u"LCK|0|APP|BACKUP|UNLOCK|"_s);
    EXPECT_TRUE(s->SetStringLock(u"x"_s, klvLockModeModify, int(klvLockBehaviorWait), 10));
    EXPECT_EQ(lastReceived(), u"LCK|0|STRING|x|MODIFY|WAIT:10"_s);
    EXPECT_TRUE(s->ReleaseStringLock(u"x"_s));
    EXPECT_EQ(lastReceived(), u"LCK|0|STRING|x|UNLOCK|"_s);
    EXPECT_FALSE(s->SetAppLock(KLV_AppLock(7)));
    EXPECT_EQ(lastReceived(), u"LCK|0|APP||EXCLUSIVE|WAIT"_s);
    EXPECT_FALSE(s->GetLastError().isEmpty());
}

TEST_F(SessionTest, SecondSessionIsRefusedOrWaitsForTheLock)
{
    auto first = openSession();
    auto second = openSession();
    ASSERT_TRUE(first->SetStringLock(u"Auftrag 4711"_s));
    EXPECT_FALSE(second->SetStringLock(u"Auftrag 4711"_s, klvLockModeExclusive, int(klvLockBehaviorNoWait)));
    EXPECT_FALSE(second->GetLastError().isEmpty());

    // While the second session waits for the lock, the first one still talks to its server
    // over its own connection and releases it.
    bool released = false;
    server().clearReceived();
    whenReceived(1, [&] { released = first->ReleaseStringLock(u"Auftrag 4711"_s); });
    EXPECT_TRUE(second->SetStringLock(u"Auftrag 4711"_s, klvLockModeExclusive, int(klvLockBehaviorWaitInfinite)))
        << second->GetLastError().toStdString();
    EXPECT_TRUE(released);
    EXPECT_TRUE(second->ReleaseStringLock(u"Auftrag 4711"_s));
}

TEST_F(SessionTest, BreakReachesTheServerDuringASlowAnswer)
{
    auto s = openSession();
    whenReceived(1, [&] { s->Break(); });
    EXPECT_EQ(s->ExecuteShell(u"sleep 20000"_s), -1);
    EXPECT_EQ(s->GetLastKLVError()->ApiErrorCode(), 32);
    ASSERT_TRUE(server().waitForReceived(2));
    const QStringList lines = received();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], u"XSH|0|sleep 20000|0|0"_s);
    EXPECT_EQ(lines[1], u"BRQ|0"_s);
    EXPECT_TRUE(s->IsConnected());
    EXPECT_EQ(s->ExecuteShell(u"exit 3"_s), 3);
}

TEST_F(SessionTest, ShellCommandAnswersItsNumber)
{
    auto s = openSession();
    EXPECT_EQ(s->ExecuteShell(u"exit 42"_s, true), 42);
    EXPECT_EQ(lastReceived(), u"XSH|0|exit 42|1|0"_s);
    answerOnce(u"XSH|"_s, [](KlvScriptReply& reply) { reply.sendLine(u"ACK|0"_s); });
    EXPECT_EQ(s->ExecuteShell(u"exit 1"_s), -1);
}

TEST_F(SessionTest, BatchWithOneRefusalReportsNotAllCommandsSucceeded)
{
    auto s = openSession();
    KLVResultSet* rs = s->resultSet();
    rs->SendCommandLineBatch(u"SET|0|TRIMVALUES|1"_s, true);
    rs->SendCommandLineBatch(u"SET|0|DISPLAYMODE|BOGUS"_s, true);
    rs->SendCommandLineBatch(u"SET|0|AUTOROUND|1"_s, true);
    EXPECT_FALSE(rs->FinishBatchCommands(u"0"_s));
    EXPECT_EQ(rs->GetCurrentError()->Message(), Common::GetErrorText(27));
    EXPECT_EQ(received(), (QStringList{u"SET|0|TRIMVALUES|1"_s, u"SET|0|DISPLAYMODE|BOGUS"_s, u"SET|0|AUTOROUND|1"_s}));
    EXPECT_TRUE(s->IsAutoround());

    rs->SendCommandLineBatch(u"SET|0|TRIMVALUES|0"_s, true);
    rs->SendCommandLineBatch(u"SET|0|AUTOROUND|0"_s, true);
    EXPECT_TRUE(rs->FinishBatchCommands(u"0"_s));
    EXPECT_FALSE(s->IsAutoround());
}

TEST_F(SessionTest, ServerMessagesGoToCollectorsOrEvents)
{
    auto s = openSession();
    QStringList events;
    QObject::connect(s.data(), &KLV::ErrorMessage, [&](QString& m) { events << u"error:"_s + m; });
    QObject::connect(s.data(), &KLV::StatusMessage, [&](QString& m) { events << u"status:"_s + m; });
    QObject::connect(s.data(), &KLV::TextMessage, [&](QString& m) { events << u"text:"_s + m; });
    QObject::connect(s.data(), &KLV::MessageReceived,
                     [&](QSharedPointer<KLVMessage>& m) { events << u"received:"_s + m->Text(); });
    const auto script = [](KlvScriptReply& reply) {
        reply.sendLine(u"E|0|Fehler|ERR|11|0|"_s);
        reply.sendLine(u"S|0|Stand|INFO|12"_s);
        reply.sendLine(u"S|0|Notiz|TEXT|0"_s);
        reply.sendLine(u"ACK|0"_s);
    };
    answerOnce(u"TA|0|START"_s, script);
    EXPECT_TRUE(s->StartTransaction());
    EXPECT_EQ(events, (QStringList{u"error:Fehler"_s, u"received:Fehler"_s, u"status:Stand"_s, u"received:Stand"_s,
                                   u"text:Notiz"_s, u"received:Notiz"_s}));

    events.clear();
    auto errors = QSharedPointer<KLVMessageCollector>::create();
    s->setErrorMessageCollector(errors);
    EXPECT_TRUE(s->setProperty("TextMessageCollector", QVariant::fromValue(errors)));
    answerOnce(u"TA|0|COMMIT"_s, script);
    EXPECT_TRUE(s->CommitTransaction());
    EXPECT_EQ(events, (QStringList{u"status:Stand"_s, u"received:Stand"_s}));
    EXPECT_EQ(errors->GetAllMessagesText(u","_s), u"Fehler,Notiz"_s);
}

TEST_F(SessionTest, ShortcutsWorkOnTheDefaultQueryAndShareItsLastError)
{
    auto s = openSession();
    QStringList events;
    QObject::connect(s.data(), &KLV::ErrorMessage, [&](QString& m) { events << m; });
    server().setScript([](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting)
            return false;
        if (line.startsWith(u"GTN|"_s)) {
            reply.sendLine(u"D|0|KUNDEN|Kunden"_s);
            reply.sendLine(u"EOD|0|||T"_s);
            return true;
        }
        if (line.startsWith(u"GFN|"_s) || line.startsWith(u"GKN|"_s)) {
            reply.sendLine(u"E|0|Tabelle fehlt|ERR|4|0|"_s);
            reply.sendLine(u"NAK|0|Tabelle unbekannt|4|"_s);
            return true;
        }
        if (line.startsWith(u"EXQ|"_s)) {
            reply.sendLine(u"D|3|(1,2,3)|Meier"_s);
            reply.sendLine(u"EOD|3|||T"_s);
            return true;
        }
        return false;
    });
    EXPECT_TRUE(s->GetTableNames());
    EXPECT_EQ(lastReceived(), u"GTN|0||50|0"_s);
    EXPECT_TRUE(s->GetNextRecord());
    EXPECT_EQ(s->GetField(2), u"Kunden"_s);

    EXPECT_FALSE(s->GetFieldNames(u"NIX"_s));
    EXPECT_EQ(lastReceived(), u"GFN|0|NIX||50|QUERY|0"_s);
    EXPECT_EQ(s->GetLastError(), u"Tabelle unbekannt"_s);
    EXPECT_EQ(s->GetLastKLVError(), s->defaultQuery()->GetLastKLVError());
    EXPECT_EQ(s->GetLastKLVError()->ErrorMessages().size(), 1);
    EXPECT_EQ(events, QStringList{u"Tabelle fehlt"_s});
    EXPECT_FALSE(s->GetKeyNames(u"NIX"_s));
    EXPECT_EQ(lastReceived(), u"GKN|0|NIX||50|0"_s);

    EXPECT_TRUE(s->StartQuery(u"KUNDEN"_s, u"name=M*"_s, u"nummer"_s, u"id,name"_s, 10));
    const QString withMaxRec = lastReceived();
    EXPECT_TRUE(s->StartQuery(u"KUNDEN"_s, u"name=M*"_s, u"nummer"_s, u"id,name"_s));
    EXPECT_EQ(lastReceived(), withMaxRec);
    EXPECT_EQ(withMaxRec, u"EXQ|0|KUNDEN,@sort=nummer;name=M*|id,name|50|0||||0|0"_s);

    EXPECT_TRUE(s->GetRecordByRef(u"KUNDEN"_s, u"(1,2,3)"_s, u"id,name"_s));
    EXPECT_EQ(lastReceived(), u"EXQ|0|KUNDEN,@ablageart=beides;id=(1,2,3)|id,name|50|0||||0|0"_s);
    EXPECT_EQ(s->GetField(2), u"Meier"_s);
    server().clearReceived();
    EXPECT_FALSE(s->GetRecordByRef(u"KUNDEN"_s, u"(0,0,0)"_s, u"id"_s));
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(7));
    EXPECT_TRUE(received().isEmpty());
    // Reading a field keeps the query's last error, and the session takes it over.
    s->ClearLastError();
    EXPECT_EQ(s->GetField(1), u"(1,2,3)"_s);
    EXPECT_EQ(s->GetLastError(), Common::GetErrorText(7));
}

TEST_F(SessionTest, EachConnectionServesItsOwnRequestsWhileAnotherWaits)
{
    auto slow = openSession();
    auto quick = openSession();
    // The slow answer only ends with the break, which comes after the quick session's answer.
    QString answeredMeanwhile;
    whenReceived(1, [&] {
        answeredMeanwhile = quick->GetMandantID();
        slow->Break();
    });
    EXPECT_EQ(slow->ExecuteShell(u"sleep 20000"_s), -1);
    EXPECT_EQ(answeredMeanwhile, u"100"_s);
    ASSERT_TRUE(server().waitForReceived(3));
    EXPECT_EQ(received(), (QStringList{u"XSH|0|sleep 20000|0|0"_s, u"SHO|0|MANDNAME|0"_s, u"BRQ|0"_s}));
}

TEST_F(SessionTest, SessionProperties)
{
    auto s = newSession();
    s->setDatasetSize(0);
    EXPECT_EQ(s->DatasetSize(), 1);
    s->setDatasetSize(-5);
    EXPECT_EQ(s->DatasetSize(), 1);
    EXPECT_EQ(s->CreateQuery()->DatasetSize(), 1);
    const QString host = QHostInfo::localHostName();
    EXPECT_EQ(s->ClientStationName(u"12345678901234#abcde"_s), u"-"_s);
    EXPECT_EQ(s->ClientStationName(u"12345678901234#"_s), host);
    EXPECT_EQ(s->ClientStationName(u"secret"_s), host);
}

TEST(SessionTrace, TraceOnlyWithTheVariableExactlyOne)
{
    KLVTraceWindow::Install();
    qputenv("KLVAPITRACE", "true");
    KLV off;
    EXPECT_FALSE(off.TraceMode());
    qputenv("KLVAPITRACE", "1");
    KLV on;
    EXPECT_TRUE(on.TraceMode());
    EXPECT_TRUE(TraceForm::instance()->isVisible());
    on.setTraceMode(false);
    EXPECT_FALSE(off.TraceMode()); // library-wide
    EXPECT_FALSE(TraceForm::instance()->isVisible());
    qunsetenv("KLVAPITRACE");
}

TEST_F(SessionTest, RequestFromAnEventHandlerQueuesBehindTheRunningOne)
{
    auto s = openSession();
    QString fromHandler;
    QObject::connect(s.data(), &KLV::StatusMessage, [&](QString&) { fromHandler = s->GetMandantID(); });
    answerOnce(u"TA|0|START"_s, [](KlvScriptReply& reply) {
        reply.sendLine(u"S|0|Transaktion läuft|INFO|1"_s);
        reply.delay(50);
        reply.defaultAnswer();
    });
    EXPECT_TRUE(s->StartTransaction());
    EXPECT_EQ(fromHandler, u"100"_s);
    EXPECT_EQ(received(), (QStringList{u"TA|0|START"_s, u"SHO|0|MANDNAME|0"_s}));
    EXPECT_TRUE(s->CommitTransaction());
}

TEST_F(SessionTest, SendOnlyAndReadOnlyRequests)
{
    auto s = openSession();
    KLVResultSet* rs = s->resultSet();
    EXPECT_TRUE(rs->SendCommandLine(u"XSH|0|exit 5|0|0"_s, u"0"_s, true));
    // The answer arrives before anyone reads it: it is the read-only request's, no stray data.
    KLVWait arrived;
    arrived.wakeOn(s->Connection(), &KLVSockComm::activity);
    ASSERT_TRUE(arrived.until([&s] { return s->Connection()->bytesReceived() > 0; }, 10000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(s->IsConnected());
    ASSERT_TRUE(rs->ReceiveAnswer(u"0"_s));
    ASSERT_TRUE(rs->SetCurrRecord(1, true));
    EXPECT_EQ(rs->GetFieldVal(1), u"5"_s);
    EXPECT_EQ(received(), QStringList{u"XSH|0|exit 5|0|0"_s});
}

TEST_F(SessionTest, AQueryKeepsItsSessionAliveButTheSessionsDefaultQueryDoesNot)
{
    QSharedPointer<KLVQuery> query;
    QWeakPointer<KLV> weak;
    {
        auto s = openSession();
        weak = s;
        query = s->CreateQuery();
    }
    // The caller dropped its session and goes on with the query.
    ASSERT_FALSE(weak.isNull());
    EXPECT_TRUE(query->GetTableNames()) << query->GetLastError().toStdString();
    EXPECT_EQ(query->Session(), weak.toStrongRef());
    // With the last query the session goes, though it holds a default query of its own.
    query.reset();
    EXPECT_TRUE(weak.isNull());
}
