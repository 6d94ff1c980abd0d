#pragma once

// The session: one connection to a KLV server, logged on in one Mandant. Opens and ends the
// connection, reads and sets the session options and server information, runs transactions
// and locks, and creates the queries that share its connection.
//
// The members that make queries and editors, and the shortcuts that go through the session's
// default query, are defined with the queries (objects/KLVSessionObjects.cpp): the transport
// layer this class belongs to knows nothing of them.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another). Its waits
// keep that thread's event loop running.

#include "KLVEnums.h"
#include "KLVError.h"
#include "KLVMessageCollectors.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

class KLVCmdBuilder;
class KLVEditor;
class KLVQuery;
class KLVResultSet;
class KLVSockComm;

class KLV : public QObject, public QEnableSharedFromThis<KLV>
{
    Q_OBJECT
    Q_PROPERTY(int DatasetSize READ DatasetSize WRITE setDatasetSize)
    Q_PROPERTY(bool TraceMode READ TraceMode WRITE setTraceMode)
    Q_PROPERTY(QString LogFile READ LogFile WRITE setLogFile)
    Q_PROPERTY(QString ClientKLVVersion READ ClientKLVVersion WRITE setClientKLVVersion)
    Q_PROPERTY(QString MaxKLVVersion READ MaxKLVVersion)
    Q_PROPERTY(QString ProgVersion READ ProgVersion)
    Q_PROPERTY(QString AppName READ AppName WRITE setAppName)
    Q_PROPERTY(QString Tag READ Tag WRITE setTag)
    Q_PROPERTY(int RequestTimeout READ RequestTimeout WRITE setRequestTimeout)
    Q_PROPERTY(int MaxLineLength READ MaxLineLength WRITE setMaxLineLength)
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> ErrorMessageCollector READ ErrorMessageCollector WRITE
                   setErrorMessageCollector)
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> StatusMessageCollector READ StatusMessageCollector WRITE
                   setStatusMessageCollector)
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> TextMessageCollector READ TextMessageCollector WRITE
                   setTextMessageCollector)

public:
    Q_INVOKABLE explicit KLV(QObject* parent = nullptr);
    ~KLV() override;

    // Opening and ending.
    Q_INVOKABLE bool BeginSession(const QString& Host, int Port, const QString& Mandant, const QString& Password);
    Q_INVOKABLE bool BeginSessionUser(const QString& Host, int Port, const QString& Mandant, const QString& UserName,
                                      const QString& Password);
    Q_INVOKABLE bool ReLogin(const QString& Passwort);
    Q_INVOKABLE bool EndSession();
    Q_INVOKABLE bool IsConnected() const;
    // A second session with the same logon and modes; null when it cannot be opened, the
    // reason then in this session's last error.
    Q_INVOKABLE QSharedPointer<KLV> Clone();
    Q_INVOKABLE QSharedPointer<KLVQuery> CreateQuery();
    // An editor on this session's connection; sends nothing.
    Q_INVOKABLE QSharedPointer<KLVEditor> CreateEditor();

    // Errors.
    Q_INVOKABLE QString GetLastError() const;
    Q_INVOKABLE QSharedPointer<KLVError> GetLastKLVError() const { return m_lastError; }

    // Generic options.
    Q_INVOKABLE QString GetSessionOption(const QString& OptionName);
    Q_INVOKABLE bool SetSessionOption(const QString& OptionName, const QString& OptionVal);
    // One row per option: name, value.
    Q_INVOKABLE QList<QStringList> GetAllSessionOptions();

    // Typed options.
    Q_INVOKABLE KLVActiveX::KLV_DisplayMode GetDisplayMode();
    Q_INVOKABLE bool SetDisplayMode(KLVActiveX::KLV_DisplayMode Mode);
    Q_INVOKABLE KLVActiveX::KLV_Decimalpoint GetDecimalPoint();
    Q_INVOKABLE bool SetDecimalPoint(KLVActiveX::KLV_Decimalpoint DecPoint);
    Q_INVOKABLE KLVActiveX::KLV_VerwMode GetVerwMode();
    Q_INVOKABLE bool SetVerwMode(KLVActiveX::KLV_VerwMode VerwMode);
    Q_INVOKABLE KLVActiveX::KLV_DateMode GetDateMode();
    Q_INVOKABLE bool SetDateMode(KLVActiveX::KLV_DateMode DateMode);
    Q_INVOKABLE KLVActiveX::KLV_FTMode GetFTMode(int& FTLen);
    Q_INVOKABLE bool SetFTMode(KLVActiveX::KLV_FTMode FTMode, int FTLen = 300);
    Q_INVOKABLE KLVActiveX::KLV_NumMode GetNumberMode();
    Q_INVOKABLE bool SetNumberMode(KLVActiveX::KLV_NumMode NumMode);
    Q_INVOKABLE KLVActiveX::KLV_BoolMode GetBoolMode();
    Q_INVOKABLE bool SetBoolMode(KLVActiveX::KLV_BoolMode BoolMode);
    Q_INVOKABLE KLVActiveX::KLV_EnumMode GetEnumMode();
    Q_INVOKABLE bool SetEnumMode(KLVActiveX::KLV_EnumMode EnumMode);
    Q_INVOKABLE KLVActiveX::KLV_UpdateMode GetUpdateMode();
    Q_INVOKABLE bool SetUpdateMode(KLVActiveX::KLV_UpdateMode Mode);
    Q_INVOKABLE KLVActiveX::KLV_StoreRowMode GetStoreRowMode();
    Q_INVOKABLE bool SetStoreRowMode(KLVActiveX::KLV_StoreRowMode Mode);
    Q_INVOKABLE KLVActiveX::KLV_LineBreak GetLineBreak();
    Q_INVOKABLE bool SetLineBreak(KLVActiveX::KLV_LineBreak Mode);
    Q_INVOKABLE KLVActiveX::KLV_VariableLanguage GetVariableLanguage();
    Q_INVOKABLE bool SetVariableLanguage(KLVActiveX::KLV_VariableLanguage Language);
    Q_INVOKABLE KLVActiveX::KLV_LockBehavior GetLockBehavior(int& Duration);
    Q_INVOKABLE bool SetLockBehavior(KLVActiveX::KLV_LockBehavior Behavior, int Duration = 0);
    Q_INVOKABLE bool GetFOPMode();
    Q_INVOKABLE bool SetFOPMode(bool FOPMode);
    Q_INVOKABLE QString GetTAVLanguage();
    Q_INVOKABLE bool SetTAVLanguage(const QString& Language);
    Q_INVOKABLE QString GetLanguageCode();
    Q_INVOKABLE QString GetLanguageISO();
    Q_INVOKABLE bool IsTrimValues();
    Q_INVOKABLE bool SetTrimValues(bool Mode);
    Q_INVOKABLE bool IsTruncateTextValues();
    Q_INVOKABLE bool SetTruncateTextValues(bool Mode);
    Q_INVOKABLE bool IsAutoround();
    Q_INVOKABLE bool SetAutoround(bool Mode);
    Q_INVOKABLE bool LongLockMessagesEnabled();
    Q_INVOKABLE bool EnableLongLockMessages(bool LongMessages);
    Q_INVOKABLE bool NotesEnabled();
    Q_INVOKABLE bool EnableNotes(bool Enable);
    Q_INVOKABLE bool TextMessagesEnabled();
    Q_INVOKABLE bool EnableTextMessages(bool Enable);
    Q_INVOKABLE QString GetMessageContext();
    Q_INVOKABLE bool SetMessageContext(const QString& ContextStr);
    Q_INVOKABLE bool IsFlagSet(int Flag);
    Q_INVOKABLE bool SetFlag(int Flag, bool State);

    // Server information.
    Q_INVOKABLE QString GetKLVVersion();
    Q_INVOKABLE QString GetWEXAVersion();
    Q_INVOKABLE QString GetTAVVersion();
    Q_INVOKABLE QString GetWEXAVersionNumber();
    Q_INVOKABLE QString GetPasswordRef();
    Q_INVOKABLE QString GetMandantName();
    Q_INVOKABLE QString GetMandantID();
    Q_INVOKABLE QString GetMandantDir();
    Q_INVOKABLE QString GetMandantDirUNC();
    Q_INVOKABLE QString GetHomeDir();
    Q_INVOKABLE QString GetHomeDirUNC();
    Q_INVOKABLE bool IsMaintMode();
    Q_INVOKABLE QString GetServerPID();
    Q_INVOKABLE QString GetGUIDDESrvName();
    Q_INVOKABLE QString GetOneTimePWD();
    Q_INVOKABLE QString GetNewVersionString();
    // DateMode, when given, is a KLV_DateMode.
    Q_INVOKABLE QString GetDate(const QVariant& DateMode = QVariant());
    Q_INVOKABLE QString GetDBClientID();
    Q_INVOKABLE QString GetOperatorCode();
    Q_INVOKABLE QString GetOneTimePWDUser(const QString& ForUser, bool WebUser = false);

    // Transactions, locks, break, shell command.
    Q_INVOKABLE bool StartTransaction();
    Q_INVOKABLE bool CommitTransaction();
    Q_INVOKABLE bool AbortTransaction();
    Q_INVOKABLE bool SetAppLock(KLVActiveX::KLV_AppLock AppLockType,
                                KLVActiveX::KLV_LockBehavior LockBehavior = KLVActiveX::klvLockBehaviorWaitInfinite,
                                int WaitDuration = 0);
    Q_INVOKABLE bool ReleaseAppLock(KLVActiveX::KLV_AppLock AppLockType);
    // LockBehavior, when given, is a KLV_LockBehavior.
    Q_INVOKABLE bool SetStringLock(const QString& LockName,
                                   KLVActiveX::KLV_LockMode LockMode = KLVActiveX::klvLockModeExclusive,
                                   const QVariant& LockBehavior = QVariant(), int WaitDuration = 0);
    Q_INVOKABLE bool ReleaseStringLock(const QString& LockName);
    // Goes out at once, also while another request waits for its answer; the command running
    // on the connection ends at once as broken off (error 32) and its answer is skipped.
    Q_INVOKABLE void Break();
    // The number the server answers, -1 on failure.
    Q_INVOKABLE int ExecuteShell(const QString& ShellCmd, bool PassDownPWD = false);

    // Shortcuts to the session's own query.
    Q_INVOKABLE bool GetTableNames();
    Q_INVOKABLE bool GetFieldNames(const QString& TableName);
    Q_INVOKABLE bool GetKeyNames(const QString& TableName);
    // MaxRec is accepted and has no effect.
    Q_INVOKABLE bool StartQuery(const QString& TableName, const QString& Krit, const QString& SortKey,
                                const QString& FieldList, const QVariant& MaxRec = QVariant());
    Q_INVOKABLE bool GetNextRecord();
    Q_INVOKABLE bool GetRecordByRef(const QString& TableName, const QString& Ref, const QString& FieldList);
    Q_INVOKABLE QString GetField(int FieldNr);

    // Properties.
    int DatasetSize() const { return m_datasetSize; }
    void setDatasetSize(int size) { m_datasetSize = size < 1 ? 1 : size; }
    bool TraceMode() const;
    void setTraceMode(bool on);
    QString LogFile() const;
    void setLogFile(const QString& name);
    QString ClientKLVVersion() const { return m_clientKLVVersion; }
    // Ignored while the session is connected.
    void setClientKLVVersion(const QString& version);
    QString MaxKLVVersion() const;
    QString ProgVersion() const;
    QString AppName() const { return m_appName; }
    void setAppName(const QString& name) { m_appName = name; }
    QString Tag() const { return m_tag; }
    void setTag(const QString& tag);
    // How long, in milliseconds, any command of this session (its queries and editors
    // included) waits for the next line of its answer; 0, the default, waits as long as it
    // takes. A command that waits longer fails with error 17 and the connection is closed.
    int RequestTimeout() const;
    void setRequestTimeout(int ms);
    // The longest line, in bytes, taken from the server (64 MiB unless set; 0 or less sets
    // that again). A longer line fails the command with error 1 and closes the connection.
    int MaxLineLength() const;
    void setMaxLineLength(int bytes);
    QSharedPointer<KLVMessageCollector> ErrorMessageCollector() const { return m_collectors.error; }
    void setErrorMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_collectors.error = c; }
    QSharedPointer<KLVMessageCollector> StatusMessageCollector() const { return m_collectors.status; }
    void setStatusMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_collectors.status = c; }
    QSharedPointer<KLVMessageCollector> TextMessageCollector() const { return m_collectors.text; }
    void setTextMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_collectors.text = c; }

    // Library-internal.
    KLVSockComm* Connection() const { return m_connection; }
    KLVResultSet* resultSet() const { return m_resultSet; }
    QSharedPointer<KLVQuery> defaultQuery() const { return m_defaultQuery; }
    void ClearLastError();
    void SetApiError(const QString& message, int number, const QString& context);
    QString ClientStationName(const QString& password) const;
    QString ReadSessionValue(const QString& keyword);
    bool WriteSessionValue(const QString& keyword, const QString& value);

Q_SIGNALS:
    void StatusMessage(QString& Message);
    void ErrorMessage(QString& Message);
    void TextMessage(QString& Message);
    void MessageReceived(QSharedPointer<KLVMessage>& Message);

private:
    KLVCmdBuilder& builder();
    bool doBeginSession(const QString& host, int port, const QString& mandant, const QString& userName,
                        const QString& password);
    bool Login(const QString& mandant, const QString& userName, const QString& password);
    void setApiErrorCode(int code);
    void takeConnectionError();
    void takeCurrentError();
    bool sessionCommand(const QString& line);
    bool lockCommand(const QString& lockClass, const QString& name, int mode, const QString& behaviorWord);
    void routeMessage(const QSharedPointer<KLVMessage>& message);
    // Creates the default query, whose messages the session raises as its own.
    void makeDefaultQuery();

    KLVSockComm* m_connection = nullptr;
    KLVResultSet* m_resultSet = nullptr;
    KLVCmdBuilder* m_builder = nullptr;
    QSharedPointer<KLVQuery> m_defaultQuery;
    QString m_tid = QStringLiteral("0");
    int m_datasetSize = 50;
    QString m_clientKLVVersion;
    QString m_appName;
    QString m_tag;
    QString m_host;
    int m_port = 0;
    QString m_mandant;
    QString m_userName;
    QString m_password;
    QSharedPointer<KLVError> m_lastError;
    KLVMessageCollectors m_collectors;
};
