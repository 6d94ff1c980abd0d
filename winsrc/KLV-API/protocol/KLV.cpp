#include "KLV.h"
#include "Common.h"
#include "KLVCmdBuilder.h"
#include "KLVCmdParser.h"
#include "KLVDispatch.h"
#include "KLVRequest.h"
#include "KLVResultSet.h"
#include "KLVSockComm.h"

#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

const QString kMaxKLVVersion = u"3.31"_s;

// Writes ">Name" on entry and "<Name" on exit, or "<Name OK" / "<Name gescheitert" when the
// outcome is given.
class SessionTrace
{
public:
    explicit SessionTrace(const QString& name) : m_name(name) { Common::WriteTrace(u'>' + m_name); }
    ~SessionTrace()
    {
        if (!m_done)
            Common::WriteTrace(u'<' + m_name);
    }
    bool result(bool ok)
    {
        m_done = true;
        Common::WriteTrace(u'<' + m_name + (ok ? u" OK"_s : u" gescheitert"_s));
        return ok;
    }

private:
    QString m_name;
    bool m_done = false;
};

QSettings librarySettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, u"KLV-API"_s);
}

} // namespace

KLV::KLV(QObject* parent) : QObject(parent), m_lastError(QSharedPointer<KLVError>::create())
{
    Common::SetTraceFlag(false);
    if (qEnvironmentVariable("KLVAPITRACE") == u"1"_s)
        setTraceMode(true);
    Common::InitMessageLanguage();
    m_datasetSize = 50;
    m_clientKLVVersion = kMaxKLVVersion;
    m_appName.clear();

    // The connection carries its own request queue: sessions never share one.
    m_connection = new KLVSockComm(this);
    m_resultSet = new KLVResultSet(this);
    m_resultSet->SetConnection(m_connection);
    connect(m_resultSet, &KLVResultSet::MessageReceived, this, &KLV::routeMessage);

    makeDefaultQuery();
    ClearLastError();
}

KLV::~KLV()
{
    if (m_connection && m_connection->SocketIsConnected())
        m_connection->SendLineNoWait(builder().buildEND(u"0"_s));
    m_defaultQuery.reset();
    delete m_builder;
}

KLVCmdBuilder& KLV::builder()
{
    if (!m_builder)
        m_builder = new KLVCmdBuilder;
    return *m_builder;
}

// ---------------------------------------------------------------------------------------------
// Errors and messages

QString KLV::GetLastError() const
{
    return m_lastError->Message();
}

void KLV::ClearLastError()
{
    m_lastError = QSharedPointer<KLVError>::create();
}

void KLV::SetApiError(const QString& message, int number, const QString& context)
{
    ClearLastError();
    m_lastError->SetError(number, message, context);
}

void KLV::setApiErrorCode(int code)
{
    SetApiError(Common::GetErrorText(code), 0, m_resultSet->Context());
    m_lastError->setApiErrorCode(code);
}

void KLV::takeConnectionError()
{
    SetApiError(m_connection->getErrText(), 0, m_resultSet->Context());
    m_lastError->setApiErrorCode(m_connection->errorCode());
}

void KLV::takeCurrentError()
{
    m_lastError = m_resultSet->GetCurrentError();
}

void KLV::routeMessage(const QSharedPointer<KLVMessage>& message)
{
    if (m_collectors.collect(message))
        return;
    QString text = message->Text();
    switch (message->MsgType()) {
    case messageTypeError:
        Q_EMIT ErrorMessage(text);
        break;
    case messageTypeStatus:
        Q_EMIT StatusMessage(text);
        break;
    default:
        Q_EMIT TextMessage(text);
    }
    QSharedPointer<KLVMessage> argument = message;
    Q_EMIT MessageReceived(argument);
}

// ---------------------------------------------------------------------------------------------
// Properties

bool KLV::TraceMode() const
{
    return Common::TraceFlag();
}

void KLV::setTraceMode(bool on)
{
    Common::SetTraceFlag(on);
    if (Common::TraceSink* sink = Common::GetTraceSink())
        sink->setShown(on);
    if (on)
        Common::WriteTrace(u"Trace eingeschaltet"_s);
}

QString KLV::LogFile() const
{
    return m_connection->GetLogFile();
}

void KLV::setLogFile(const QString& name)
{
    m_connection->SetLogFile(name);
}

void KLV::setClientKLVVersion(const QString& version)
{
    if (!IsConnected())
        m_clientKLVVersion = version;
}

QString KLV::MaxKLVVersion() const
{
    return kMaxKLVVersion;
}

QString KLV::ProgVersion() const
{
    return QString::number(Common::VersionMajor()) + u'.' + QString::number(Common::VersionMinor()) + u'.' +
           QString::number(Common::VersionRevision());
}

int KLV::RequestTimeout() const
{
    return m_connection->requestTimeout();
}

void KLV::setRequestTimeout(int ms)
{
    m_connection->setRequestTimeout(ms);
}

int KLV::MaxLineLength() const
{
    return int(m_connection->maxLineLength());
}

void KLV::setMaxLineLength(int bytes)
{
    m_connection->setMaxLineLength(bytes);
}

void KLV::setTag(const QString& tag)
{
    m_tag = tag;
    m_connection->SetTag(tag);
}

// ---------------------------------------------------------------------------------------------
// Opening and ending

bool KLV::BeginSession(const QString& Host, int Port, const QString& Mandant, const QString& Password)
{
    return doBeginSession(Host, Port, Mandant, QString(), Password);
}

bool KLV::BeginSessionUser(const QString& Host, int Port, const QString& Mandant, const QString& UserName,
                           const QString& Password)
{
    return doBeginSession(Host, Port, Mandant, UserName, Password);
}

bool KLV::doBeginSession(const QString& host, int port, const QString& mandant, const QString& userName,
                         const QString& password)
{
    SessionTrace trace(u"doBeginSession"_s);
    ClearLastError();
    m_tid = u"0"_s;
    if (IsConnected()) {
        setApiErrorCode(24);
        return trace.result(false);
    }
    if (!m_connection->Connect(host, port)) {
        takeConnectionError();
        return trace.result(false);
    }

    bool timedOut = false;
    const QString greeting = m_connection->GetLine(m_connection->connectTimeout(), &timedOut);
    QStringList fields;
    KLVCmdParser::GetFieldsArray(greeting, fields, true, KLVResultSet::MaxAnswerFields);
    const bool isGreeting = fields.size() >= 5 && fields[0] == u"S"_s && fields[4] == u"2797"_s;
    if (!isGreeting) {
        if (timedOut)
            setApiErrorCode(4);
        else if (greeting.isEmpty() && !m_connection->SocketIsConnected())
            setApiErrorCode(5);
        else {
            SetApiError(Common::GetErrorText(1) + u"\r\n"_s + greeting, 0, m_resultSet->Context());
            m_lastError->setApiErrorCode(1);
        }
        m_connection->Disconnect();
        return trace.result(false);
    }

    QString logonMandant = mandant;
    if (fields[3] == u"VERSION"_s) {
        if (!m_resultSet->ProcessCommand(u"0"_s, builder().buildCHM(u"0"_s, mandant), QString(), true)) {
            // A refusal has no transport error: then the server's own answer tells why.
            if (!m_connection->getErrText().isEmpty())
                takeConnectionError();
            else
                takeCurrentError();
            m_connection->Disconnect();
            return trace.result(false);
        }
        logonMandant.clear();
    }

    if (!Login(logonMandant, userName, password)) {
        takeCurrentError();
        m_connection->Disconnect();
        return trace.result(false);
    }
    m_host = host;
    m_port = port;
    m_mandant = mandant;
    m_userName = userName;
    m_password = password;
    return trace.result(true);
}

QString KLV::ClientStationName(const QString& password) const
{
    if (password.size() > 15 && password.at(14) == u'#')
        return u"-"_s;
    const QString host = m_connection->LocalHostName();
    const int sessionId = Common::GetTerminalSessionId();
    return sessionId < 0 ? host : host + u':' + QString::number(sessionId);
}

bool KLV::Login(const QString& mandant, const QString& userName, const QString& password)
{
    const QString hostName = m_connection->LocalHostName();
    const QString ipAddress = m_connection->LocalIPAddr();
    const QString station = ClientStationName(password);
    const QString line = builder().buildLGN(u"0"_s, password, mandant, m_clientKLVVersion, hostName, m_appName, station,
                                            ipAddress, userName);
    // The trace and the protocol log never show the password.
    const QString masked = builder().buildLGN(u"0"_s, u"*"_s, mandant, m_clientKLVVersion, hostName, m_appName, station,
                                              ipAddress, userName);
    if (!m_resultSet->ProcessCommand(u"0"_s, line, masked, true))
        return false;

    const QString useUnicode = librarySettings().value(u"Config/UseUnicode"_s, u"1"_s).toString();
    if (useUnicode != u"0"_s && m_clientKLVVersion.compare(u"3.1"_s) >= 0) {
        // Only a server that accepted UTF-8 sends it: until then the lines stay ANSI.
        if (WriteSessionValue(u"CHARSET"_s, u"UTF-8"_s))
            m_connection->setUnicode(true);
    } else {
        WriteSessionValue(u"CHARSET"_s, u"ANSI"_s);
    }
    return true;
}

bool KLV::ReLogin(const QString& Passwort)
{
    SessionTrace trace(u"ReLogin"_s);
    const bool ok = Login(QString(), QString(), Passwort);
    m_password = Passwort;
    return ok;
}

bool KLV::EndSession()
{
    SessionTrace trace(u"EndSession"_s);
    const bool sent = m_connection->SendLine(builder().buildEND(m_tid));
    m_connection->Disconnect();
    return sent;
}

bool KLV::IsConnected() const
{
    return m_connection->SocketIsConnected();
}

QSharedPointer<KLV> KLV::Clone()
{
    auto copy = QSharedPointer<KLV>::create();
    copy->setClientKLVVersion(m_clientKLVVersion);
    copy->setAppName(m_appName);
    copy->setDatasetSize(m_datasetSize);
    if (!IsConnected())
        return {};

    const QString password = m_clientKLVVersion.compare(u"3.11"_s) >= 0 ? GetOneTimePWD() : m_password;
    // The copy goes with a failure: its reason stays with this session for the caller.
    if (!copy->BeginSessionUser(m_host, m_port, m_mandant, m_userName, password)) {
        m_lastError = copy->GetLastKLVError();
        return {};
    }

    const bool baseModes = copy->SetDateMode(GetDateMode()) && copy->SetDecimalPoint(GetDecimalPoint()) &&
                           copy->SetVerwMode(GetVerwMode());
    if (!baseModes) {
        m_lastError = copy->GetLastKLVError();
        copy->EndSession();
        return {};
    }
    copy->SetNumberMode(GetNumberMode());
    copy->SetBoolMode(GetBoolMode());
    copy->SetEnumMode(GetEnumMode());
    int ftLen = 0;
    const KLV_FTMode ftMode = GetFTMode(ftLen);
    if (ftMode != klvFTModeNone)
        copy->SetFTMode(ftMode, ftLen);
    const QString language = GetTAVLanguage();
    if (language != copy->GetTAVLanguage())
        copy->SetTAVLanguage(language);
    return copy;
}

// ---------------------------------------------------------------------------------------------
// Options and information

bool KLV::sessionCommand(const QString& line)
{
    if (!m_resultSet->ProcessCommand(u"0"_s, line, QString(), true)) {
        takeCurrentError();
        return false;
    }
    return true;
}

QString KLV::ReadSessionValue(const QString& keyword)
{
    ClearLastError();
    m_tid = u"0"_s;
    if (!sessionCommand(builder().buildSHO(m_tid, keyword, QString(), false)))
        return {};
    if (!m_resultSet->SetCurrRecord(1, true))
        return {};
    return m_resultSet->GetFieldVal(2);
}

bool KLV::WriteSessionValue(const QString& keyword, const QString& value)
{
    ClearLastError();
    m_tid = u"0"_s;
    return sessionCommand(builder().buildSET(m_tid, keyword, value, QString()));
}

QString KLV::GetSessionOption(const QString& OptionName)
{
    return ReadSessionValue(OptionName);
}

bool KLV::SetSessionOption(const QString& OptionName, const QString& OptionVal)
{
    return WriteSessionValue(OptionName, OptionVal);
}

QList<QStringList> KLV::GetAllSessionOptions()
{
    ClearLastError();
    m_tid = u"0"_s;
    if (!sessionCommand(builder().buildSHO(m_tid, QString(), QString(), false)))
        return {};
    QList<QStringList> options;
    for (int n = 1; m_resultSet->SetCurrRecord(n, true); ++n)
        options.append({m_resultSet->GetFieldVal(1), m_resultSet->GetFieldVal(2)});
    return options;
}

KLV_DisplayMode KLV::GetDisplayMode()
{
    return Common::DisplayModeFromWord(ReadSessionValue(u"DISPLAYMODE"_s));
}

bool KLV::SetDisplayMode(KLV_DisplayMode Mode)
{
    return WriteSessionValue(u"DISPLAYMODE"_s, Common::DisplayModeWord(Mode));
}

KLV_Decimalpoint KLV::GetDecimalPoint()
{
    return Common::DecimalPointFromWord(ReadSessionValue(u"DECIMALPOINT"_s));
}

bool KLV::SetDecimalPoint(KLV_Decimalpoint DecPoint)
{
    const QString word = Common::DecimalPointWord(DecPoint);
    if (word.isEmpty()) {
        setApiErrorCode(15);
        return false;
    }
    return WriteSessionValue(u"DECIMALPOINT"_s, word);
}

KLV_VerwMode KLV::GetVerwMode()
{
    return Common::VerwModeFromWord(ReadSessionValue(u"VerwMode"_s));
}

bool KLV::SetVerwMode(KLV_VerwMode VerwMode)
{
    const QString word = Common::VerwModeWord(VerwMode);
    if (word.isEmpty()) {
        setApiErrorCode(3);
        return false;
    }
    return WriteSessionValue(u"VERWMODE"_s, word);
}

KLV_DateMode KLV::GetDateMode()
{
    return Common::DateModeFromWord(ReadSessionValue(u"DateMode"_s));
}

bool KLV::SetDateMode(KLV_DateMode DateMode)
{
    const QString word = Common::DateModeWord(DateMode);
    if (word.isEmpty()) {
        setApiErrorCode(2);
        return false;
    }
    return WriteSessionValue(u"DATEMODE"_s, word);
}

KLV_FTMode KLV::GetFTMode(int& FTLen)
{
    return Common::FTModeFromWord(ReadSessionValue(u"FTMODE"_s), FTLen);
}

bool KLV::SetFTMode(KLV_FTMode FTMode, int FTLen)
{
    const QString word = Common::FTModeWord(FTMode, FTLen);
    if (word.isEmpty()) {
        setApiErrorCode(19);
        return false;
    }
    return WriteSessionValue(u"FTMODE"_s, word);
}

KLV_NumMode KLV::GetNumberMode()
{
    return Common::NumModeFromWord(ReadSessionValue(u"NumMode"_s));
}

bool KLV::SetNumberMode(KLV_NumMode NumMode)
{
    const QString word = Common::NumModeWord(NumMode);
    if (word.isEmpty()) {
        setApiErrorCode(3);
        return false;
    }
    return WriteSessionValue(u"NUMMODE"_s, word);
}

KLV_BoolMode KLV::GetBoolMode()
{
    return Common::BoolModeFromWord(ReadSessionValue(u"BoolMode"_s));
}

bool KLV::SetBoolMode(KLV_BoolMode BoolMode)
{
    const QString word = Common::BoolModeWord(BoolMode);
    if (word.isEmpty()) {
        setApiErrorCode(3);
        return false;
    }
    return WriteSessionValue(u"BOOLMODE"_s, word);
}

KLV_EnumMode KLV::GetEnumMode()
{
    return Common::EnumModeFromWord(ReadSessionValue(u"EnumMode"_s));
}

bool KLV::SetEnumMode(KLV_EnumMode EnumMode)
{
    const QString word = Common::EnumModeWord(EnumMode);
    if (word.isEmpty()) {
        setApiErrorCode(3);
        return false;
    }
    return WriteSessionValue(u"EnumMode"_s, word);
}

KLV_UpdateMode KLV::GetUpdateMode()
{
    return Common::UpdateModeFromWord(ReadSessionValue(u"UPDATEMODE"_s));
}

bool KLV::SetUpdateMode(KLV_UpdateMode Mode)
{
    return WriteSessionValue(u"UPDATEMODE"_s, Common::UpdateModeWord(Mode));
}

KLV_StoreRowMode KLV::GetStoreRowMode()
{
    return Common::StoreRowModeFromWord(ReadSessionValue(u"STOREROWMODE"_s));
}

bool KLV::SetStoreRowMode(KLV_StoreRowMode Mode)
{
    return WriteSessionValue(u"STOREROWMODE"_s, Common::StoreRowModeWord(Mode));
}

KLV_LineBreak KLV::GetLineBreak()
{
    return Common::LineBreakFromWord(ReadSessionValue(u"LINEBREAK"_s));
}

bool KLV::SetLineBreak(KLV_LineBreak Mode)
{
    return WriteSessionValue(u"LINEBREAK"_s, Common::LineBreakWord(Mode));
}

KLV_VariableLanguage KLV::GetVariableLanguage()
{
    return Common::VariableLanguageFromWord(ReadSessionValue(u"VARLANG"_s));
}

bool KLV::SetVariableLanguage(KLV_VariableLanguage Language)
{
    return WriteSessionValue(u"VARLANG"_s, Common::VariableLanguageWord(Language));
}

KLV_LockBehavior KLV::GetLockBehavior(int& Duration)
{
    return Common::LockBehaviorFromWord(ReadSessionValue(u"LOCKBEHAVIOR"_s), Duration);
}

bool KLV::SetLockBehavior(KLV_LockBehavior Behavior, int Duration)
{
    const QString word = Common::LockBehaviorWord(Behavior, Duration);
    if (word.isEmpty()) {
        setApiErrorCode(30);
        return false;
    }
    return WriteSessionValue(u"LOCKBEHAVIOR"_s, word);
}

bool KLV::GetFOPMode()
{
    return Common::ParseBool(ReadSessionValue(u"FOPMODE"_s));
}

bool KLV::SetFOPMode(bool FOPMode)
{
    return WriteSessionValue(u"FOPMODE"_s, Common::BoolToFlag(FOPMode));
}

QString KLV::GetTAVLanguage()
{
    return ReadSessionValue(u"LANG"_s);
}

bool KLV::SetTAVLanguage(const QString& Language)
{
    return WriteSessionValue(u"LANG"_s, Language);
}

QString KLV::GetLanguageCode()
{
    return ReadSessionValue(u"LANGCODE"_s);
}

QString KLV::GetLanguageISO()
{
    return ReadSessionValue(u"LANGISO"_s);
}

bool KLV::IsTrimValues()
{
    return Common::ParseBool(ReadSessionValue(u"TRIMVALUES"_s));
}

bool KLV::SetTrimValues(bool Mode)
{
    return WriteSessionValue(u"TRIMVALUES"_s, Common::BoolToFlag(Mode));
}

bool KLV::IsTruncateTextValues()
{
    return Common::ParseBool(ReadSessionValue(u"TRUNCTEXT"_s));
}

bool KLV::SetTruncateTextValues(bool Mode)
{
    return WriteSessionValue(u"TRUNCTEXT"_s, Common::BoolToFlag(Mode));
}

bool KLV::IsAutoround()
{
    return Common::ParseBool(ReadSessionValue(u"AUTOROUND"_s));
}

bool KLV::SetAutoround(bool Mode)
{
    return WriteSessionValue(u"AUTOROUND"_s, Common::BoolToFlag(Mode));
}

bool KLV::LongLockMessagesEnabled()
{
    return Common::ParseBool(ReadSessionValue(u"LONGLOCKMSG"_s));
}

bool KLV::EnableLongLockMessages(bool LongMessages)
{
    return WriteSessionValue(u"LONGLOCKMSG"_s, Common::BoolToFlag(LongMessages));
}

bool KLV::NotesEnabled()
{
    return Common::ParseBool(ReadSessionValue(u"SHOWNOTES"_s));
}

bool KLV::EnableNotes(bool Enable)
{
    return WriteSessionValue(u"SHOWNOTES"_s, Common::BoolToFlag(Enable));
}

bool KLV::TextMessagesEnabled()
{
    return Common::ParseBool(ReadSessionValue(u"SHOWTEXT"_s));
}

bool KLV::EnableTextMessages(bool Enable)
{
    return WriteSessionValue(u"SHOWTEXT"_s, Common::BoolToFlag(Enable));
}

QString KLV::GetMessageContext()
{
    return ReadSessionValue(u"CONTEXT"_s);
}

bool KLV::SetMessageContext(const QString& ContextStr)
{
    m_resultSet->setContext(ContextStr);
    return WriteSessionValue(u"CONTEXT"_s, ContextStr);
}

bool KLV::IsFlagSet(int Flag)
{
    ClearLastError();
    m_tid = u"0"_s;
    if (!sessionCommand(builder().buildSHO(m_tid, u"TESTFLAG"_s, QString::number(Flag), false)))
        return false;
    return m_resultSet->SetCurrRecord(1, true) && Common::ParseBool(m_resultSet->GetFieldVal(3));
}

bool KLV::SetFlag(int Flag, bool State)
{
    ClearLastError();
    m_tid = u"0"_s;
    return sessionCommand(builder().buildSET(m_tid, u"TESTFLAG"_s, QString::number(Flag), Common::BoolToFlag(State)));
}

QString KLV::GetKLVVersion()
{
    return ReadSessionValue(u"KLVVersion"_s);
}

QString KLV::GetWEXAVersion()
{
    return ReadSessionValue(u"WEXAVERSION"_s);
}

QString KLV::GetTAVVersion()
{
    return ReadSessionValue(u"TAVVersion"_s);
}

QString KLV::GetWEXAVersionNumber()
{
    return ReadSessionValue(u"WEXAVERSNUM"_s);
}

QString KLV::GetPasswordRef()
{
    return ReadSessionValue(u"PWDREF"_s);
}

QString KLV::GetMandantName()
{
    return ReadSessionValue(u"MANDANT"_s);
}

QString KLV::GetMandantID()
{
    return ReadSessionValue(u"MANDNAME"_s);
}

QString KLV::GetMandantDir()
{
    return ReadSessionValue(u"MANDDIR"_s);
}

QString KLV::GetMandantDirUNC()
{
    return ReadSessionValue(u"MANDDIRUNC"_s);
}

QString KLV::GetHomeDir()
{
    return ReadSessionValue(u"HOMEDIR"_s);
}

QString KLV::GetHomeDirUNC()
{
    return ReadSessionValue(u"HOMEDIRUNC"_s);
}

bool KLV::IsMaintMode()
{
    return Common::ParseBool(ReadSessionValue(u"MAINTMODE"_s));
}

QString KLV::GetServerPID()
{
    return ReadSessionValue(u"SERVERPID"_s);
}

QString KLV::GetGUIDDESrvName()
{
    return ReadSessionValue(u"GUIDDESRVNAME"_s);
}

QString KLV::GetOneTimePWD()
{
    return ReadSessionValue(u"ONETIMEPWD"_s);
}

QString KLV::GetNewVersionString()
{
    return ReadSessionValue(u"NEWVERSSTR"_s);
}

QString KLV::GetDate(const QVariant& DateMode)
{
    if (!DateMode.isValid())
        return ReadSessionValue(u"DATE"_s);
    return ReadSessionValue(u"DATE("_s + Common::DateModeWord(DateMode.toInt()) + u')');
}

QString KLV::GetDBClientID()
{
    return ReadSessionValue(u"DBCLIENTID"_s);
}

QString KLV::GetOperatorCode()
{
    return ReadSessionValue(u"OPERATORCODE"_s);
}

QString KLV::GetOneTimePWDUser(const QString& ForUser, bool WebUser)
{
    if (!WriteSessionValue(WebUser ? u"OTPWWEBUSER"_s : u"OTPWUSER"_s, ForUser))
        return {};
    return GetOneTimePWD();
}

// ---------------------------------------------------------------------------------------------
// Transactions, locks, break, shell command

bool KLV::StartTransaction()
{
    ClearLastError();
    m_tid = u"0"_s;
    return sessionCommand(builder().buildTA(m_tid, u"START"_s));
}

bool KLV::CommitTransaction()
{
    ClearLastError();
    m_tid = u"0"_s;
    return sessionCommand(builder().buildTA(m_tid, u"COMMIT"_s));
}

bool KLV::AbortTransaction()
{
    ClearLastError();
    m_tid = u"0"_s;
    return sessionCommand(builder().buildTA(m_tid, u"ABORT"_s));
}

bool KLV::lockCommand(const QString& lockClass, const QString& name, int mode, const QString& behaviorWord)
{
    ClearLastError();
    m_tid = u"0"_s;
    const QString behavior = mode == klvLockModeUnlock ? QString() : behaviorWord;
    return sessionCommand(builder().buildLCK(m_tid, lockClass, name, Common::LockModeWord(mode), behavior));
}

bool KLV::SetAppLock(KLV_AppLock AppLockType, KLV_LockBehavior LockBehavior, int WaitDuration)
{
    return lockCommand(u"APP"_s, Common::AppLockWord(AppLockType), klvLockModeExclusive,
                       Common::LockBehaviorWord(LockBehavior, WaitDuration));
}

bool KLV::ReleaseAppLock(KLV_AppLock AppLockType)
{
    return lockCommand(u"APP"_s, Common::AppLockWord(AppLockType), klvLockModeUnlock, QString());
}

bool KLV::SetStringLock(const QString& LockName, KLV_LockMode LockMode, const QVariant& LockBehavior, int WaitDuration)
{
    const int behavior = LockBehavior.isValid() ? LockBehavior.toInt() : int(klvLockBehaviorWaitInfinite);
    return lockCommand(u"STRING"_s, LockName, LockMode, Common::LockBehaviorWord(behavior, WaitDuration));
}

bool KLV::ReleaseStringLock(const QString& LockName)
{
    return lockCommand(u"STRING"_s, LockName, klvLockModeUnlock, QString());
}

void KLV::Break()
{
    SessionTrace trace(u"KLV.Break"_s);
    ClearLastError();
    // Whatever runs on the connection (the session's own command or one of a query or an
    // editor) is broken off: one still queued ends at once, one the server has goes on
    // waiting for the server's answer, which the break makes come early.
    KLVDispatch* dispatch = m_connection->dispatcher();
    bool broke = false;
    if (KLVRequest* running = dispatch->head())
        broke = dispatch->breakRequest(running) != KLVDispatch::BreakOutcome::NotRunning;
    if (!m_connection->SendLine(builder().buildBRQ(m_tid)))
        takeConnectionError();
    else if (broke)
        setApiErrorCode(32);
}

int KLV::ExecuteShell(const QString& ShellCmd, bool PassDownPWD)
{
    ClearLastError();
    m_tid = u"0"_s;
    if (m_resultSet->ProcessCommand(m_tid, builder().buildXSH(m_tid, ShellCmd, PassDownPWD), QString(), true) &&
        m_resultSet->SetCurrRecord(1, true))
        return Common::ToLong(m_resultSet->GetFieldVal(1));
    takeCurrentError();
    return -1;
}
