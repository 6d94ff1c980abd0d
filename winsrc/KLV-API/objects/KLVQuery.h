#pragma once

// A read-only query of the session: catalogue requests, selections whose records arrive block
// by block and are walked record by record, records read by reference, and field-value tests.
// Every command goes through the query's own result set on the session's connection; the
// query keeps the transaction id of its open server-side selection, the metadata of its
// current result and its last error.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include "KLVBoundEditField.h"
#include "KLVEnums.h"
#include "KLVError.h"
#include "KLVMessageCollectors.h"
#include "KLVQueryMetaData.h"
#include "KLVSelection.h"
#include "KLVTAVArtInfo.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

class KLV;
class KLVCmdBuilder;
class KLVResultSet;
class KLVSockComm;

using KLVTAVArtInfoList = QList<QSharedPointer<KLVTAVArtInfo>>;

class KLVQuery : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int DatasetSize READ DatasetSize WRITE setDatasetSize)
    Q_PROPERTY(int MaxResultsetSize READ MaxResultsetSize WRITE setMaxResultsetSize)
    Q_PROPERTY(int TimeOut READ TimeOut WRITE setTimeOut)
    Q_PROPERTY(bool EnableQueryMetaData READ EnableQueryMetaData WRITE setEnableQueryMetaData)
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> ErrorMessageCollector READ ErrorMessageCollector WRITE
                   setErrorMessageCollector)
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> StatusMessageCollector READ StatusMessageCollector WRITE
                   setStatusMessageCollector)
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> TextMessageCollector READ TextMessageCollector WRITE
                   setTextMessageCollector)

public:
    explicit KLVQuery(QObject* parent = nullptr);
    ~KLVQuery() override;

    // --- Catalogue requests: true when the server accepted them; the rows are then walked
    // --- with the navigation below and read with GetField by the column enumerations.
    Q_INVOKABLE bool GetTableNames(const QString& StartString = QString());
    Q_INVOKABLE bool GetFieldNames(const QString& TableName, const QString& FieldList = QString());
    Q_INVOKABLE bool GetFieldNames2(const QString& TableName, const QString& FieldList = QString(),
                                    int ListType = KLVActiveX::klvFieldListTypeQuery);
    Q_INVOKABLE bool GetKeyNames(const QString& TableName, const QString& KeyName = QString());
    Q_INVOKABLE bool GetDatabaseNames();
    Q_INVOKABLE bool GetDatabaseNames2(const QString& DatabaseName = QString());
    Q_INVOKABLE bool GetGroupNames(const QString& DatabaseName = QString());
    Q_INVOKABLE bool GetGroupNamesNew(const QString& DatabaseName = QString());
    // A QVariant holding a bool.
    Q_INVOKABLE QVariant GetGroupNames2(const QString& DatabaseName = QString(),
                                        int ListType = KLVActiveX::klvGroupListTypeQuery);
    Q_INVOKABLE bool GetEnumerations(const QString& EnumName = QString());
    // A QVariant holding a bool; an empty name is refused without asking the server.
    Q_INVOKABLE QVariant GetEnumPos(const QString& EnumName, bool WithEmptyPos = false);
    Q_INVOKABLE bool GetInfosystemNames(const QString& SearchWord = QString(), const QString& WorkingDir = QString());
    Q_INVOKABLE bool GetInfosystemNamesT(const QString& InfosysName = QString(),
                                         int InfosysType = KLVActiveX::klvInfosysTypeAll);
    // The text of one message; empty when there is none.
    Q_INVOKABLE QString GetMessageText(const QString& Dictionary, int MsgNumber, const QString& Language = QString());
    Q_INVOKABLE bool GetMessageTexts(const QString& Dictionary, const QList<int>& MsgNumbers,
                                     const QStringList& Languages);
    Q_INVOKABLE bool GetMessageTexts2(const QString& Dictionary, int FromMsgNr, int ToMsgNr,
                                      const QString& Language = QString());
    Q_INVOKABLE bool SearchMessageTexts(const QStringList& DictionaryList, const QString& SourceText,
                                        const QStringList& Languages, bool IgnoreCase = false);
    // The number of the first message whose text matches; 0 when there is none.
    Q_INVOKABLE int GetMessageNumber(const QString& Dictionary, const QString& SourceText, bool IgnoreCase = false);
    Q_INVOKABLE bool GetRefTypeInfo(const QString& TAVArt);
    // One description per target of the reference type; empty when the request failed.
    Q_INVOKABLE KLVTAVArtInfoList GetRefTypeInfoArray(const QString& TAVArt);
    // The type of a concrete reference (its database and group); null when it cannot be read.
    Q_INVOKABLE QSharedPointer<KLVTAVArtInfo> GetRefInfo(const QString& Ref);
    // The server's error text for an invalid value, empty for a valid one.
    Q_INVOKABLE QString TestFieldValue(const QString& WEXAArt, const QString& FieldValue);
    // Null for a valid value, else an error message.
    Q_INVOKABLE QSharedPointer<KLVMessage> TestFieldValue2(const QString& WEXAArt, const QString& FieldValue);
    // The value as the server prepares it, or a single NUL character when it is not valid.
    Q_INVOKABLE QString TestGetFieldValue(const QString& WEXAArt, const QString& FieldValue);
    // One row per value with the FldTest_Fields columns.
    Q_INVOKABLE bool TestFieldValues(const QStringList& WEXAArten, const QStringList& FieldValues);

    // --- Selections: true when the server accepted them; the first block comes with the
    // --- answer, further blocks are fetched while the records are walked.
    Q_INVOKABLE bool StartQuery(const QString& TableName, const QString& FieldList, const QString& Krit = QString(),
                                const QString& SortKey = QString(), bool Ascending = true, bool AndJunction = true);
    Q_INVOKABLE bool StartQueryN(const QString& TableName, const QStringList& FieldList,
                                 const QString& Krit = QString(), const QString& SortKey = QString(),
                                 bool Ascending = true, bool AndJunction = true);
    Q_INVOKABLE bool StartQueryZ(const QString& TableName, const QString& FieldList, const QString& Krit = QString(),
                                 const QString& SortKey = QString(), bool ByRows = false, bool Ascending = true,
                                 bool AndJunction = true);
    Q_INVOKABLE bool StartQueryZN(const QString& TableName, const QStringList& FieldList,
                                  const QString& Krit = QString(), const QString& SortKey = QString(),
                                  bool ByRows = false, bool Ascending = true, bool AndJunction = true);
    Q_INVOKABLE bool StartQueryZO(const QString& TableName, const QString& FieldList, const QString& Krit = QString(),
                                  const QString& SortKey = QString(), bool ByRows = false, bool Ascending = true,
                                  bool AndJunction = true, int Offset = 0, int DatasetSize = 0);
    Q_INVOKABLE bool StartQueryZON(const QString& TableName, const QStringList& FieldList,
                                   const QString& Krit = QString(), const QString& SortKey = QString(),
                                   bool ByRows = false, bool Ascending = true, bool AndJunction = true, int Offset = 0,
                                   int DatasetSize = 0);
    // A negative DatasetSize takes the query's own.
    Q_INVOKABLE bool StartQueryZOA(const QString& TableName, const QString& FieldList, const QString& Krit = QString(),
                                   const QString& SortKey = QString(), bool ByRows = false,
                                   int AliveFlag = KLVActiveX::aliveFlagAll, bool Ascending = true,
                                   bool AndJunction = true, int Offset = 0, int DatasetSize = -1);
    Q_INVOKABLE bool StartQueryZOAN(const QString& TableName, const QStringList& FieldList,
                                    const QString& Krit = QString(), const QString& SortKey = QString(),
                                    bool ByRows = false, int AliveFlag = KLVActiveX::aliveFlagAll,
                                    bool Ascending = true, bool AndJunction = true, int Offset = 0,
                                    int DatasetSize = -1);
    Q_INVOKABLE bool StartQuerySel(const QSharedPointer<KLVSelection>& Selection, const QString& FieldList);
    Q_INVOKABLE bool StartQuerySelN(const QSharedPointer<KLVSelection>& Selection, const QStringList& FieldNames);
    // The choice list of a field of an open editor. QVariants holding a bool.
    Q_INVOKABLE QVariant StartFieldQuery(const QString& TableName, const QString& SortKey, const QString& Krit,
                                         const QString& FieldList, const QSharedPointer<KLVBoundEditField>& RefField);
    Q_INVOKABLE QVariant StartFieldQueryA(const QString& TableName, const QString& SortKey, const QString& Krit,
                                          const QStringList& FieldNames,
                                          const QSharedPointer<KLVBoundEditField>& RefField);

    // --- Records by reference.
    // These two make the record current.
    Q_INVOKABLE bool GetRecordByRef(const QString& TableName, const QString& Ref, const QString& FieldList);
    Q_INVOKABLE bool GetRecordByRefN(const QString& TableName, const QString& Ref, const QStringList& FieldList);
    // These two leave the current record before the first.
    Q_INVOKABLE bool GetRecordByRefR(const QString& TableName, const QString& Ref, const QString& FieldList,
                                     bool ByRows = false);
    Q_INVOKABLE bool GetRecordByRefRN(const QString& TableName, const QString& Ref, const QStringList& FieldList,
                                      bool ByRows = false);
    // The named fields of one record, made current.
    Q_INVOKABLE bool ReadRecord(const QString& Ref, const QString& FieldList);
    Q_INVOKABLE bool ReadRecordN(const QString& Ref, const QStringList& FieldList);
    // Several records (references joined by ";"), walked with the navigation afterwards.
    Q_INVOKABLE bool ReadRecords(const QString& RefList, const QString& FieldList, bool ByRows = false);
    Q_INVOKABLE bool ReadRecordsN(const QString& RefList, const QStringList& FieldList, bool ByRows = false);
    Q_INVOKABLE bool ReadRecordsAN(const QStringList& RefList, const QStringList& FieldList, bool ByRows = false);

    // --- Navigation: further blocks are fetched on demand.
    Q_INVOKABLE bool GetFirstRecord();
    Q_INVOKABLE bool GetNextRecord();
    Q_INVOKABLE bool GetPrevRecord();
    Q_INVOKABLE bool GetLastRecord();
    Q_INVOKABLE bool GetRecordRelative(int MoveCount);
    Q_INVOKABLE bool GetRecordAbsolute(int RecordNumber);
    // Records received so far.
    Q_INVOKABLE int GetRecordCount() const;
    // The current record, 0 before the first.
    Q_INVOKABLE int GetRecordNumber() const;
    // The total the server announced for the selection.
    Q_INVOKABLE int GetRecordTotal() const;

    // --- Fields of the current record.
    Q_INVOKABLE int GetFieldCount() const;
    // Field FieldNr (from 1); empty outside the record.
    Q_INVOKABLE QString GetField(int FieldNr) const;
    // The named field; empty for a name the result does not have.
    Q_INVOKABLE QString GetFieldN(const QString& FieldName) const;
    Q_INVOKABLE QStringList GetFields() const;

    // Breaks the running request off and ends the selection: navigation then keeps the reason
    // ("broken off") as its last error until the next start. A request whose line went out
    // still ends with the server's answer (the records of a block that came stay readable).
    Q_INVOKABLE void Break();
    // The columns of the current result; null before the first query.
    Q_INVOKABLE QSharedPointer<KLVQueryMetaData> GetQueryMetaData() const { return m_metaData; }
    // The selection items for the arguments, as the query would send them; nothing is sent.
    Q_INVOKABLE QString GetERPQueryString(const QString& Krit, const QString& Key = QString(), bool ByRows = false,
                                          int AliveFlag = KLVActiveX::aliveFlagAll, bool Ascending = true,
                                          bool AndJunction = true) const;
    Q_INVOKABLE QString GetLastError() const;
    Q_INVOKABLE QSharedPointer<KLVError> GetLastKLVError() const { return m_lastError; }
    Q_INVOKABLE QSharedPointer<KLV> Session() const;

    int DatasetSize() const { return m_datasetSize; }
    void setDatasetSize(int size) { m_datasetSize = size < 1 ? 1 : size; }
    // Most records kept in memory; 0 keeps all, a negative value is ignored.
    int MaxResultsetSize() const;
    void setMaxResultsetSize(int size);
    int TimeOut() const { return m_timeOut; }
    void setTimeOut(int timeOut) { m_timeOut = timeOut; }
    bool EnableQueryMetaData() const { return m_enableQueryMetaData; }
    void setEnableQueryMetaData(bool enable) { m_enableQueryMetaData = enable; }
    QSharedPointer<KLVMessageCollector> ErrorMessageCollector() const { return m_collectors.error; }
    void setErrorMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_collectors.error = c; }
    QSharedPointer<KLVMessageCollector> StatusMessageCollector() const { return m_collectors.status; }
    void setStatusMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_collectors.status = c; }
    QSharedPointer<KLVMessageCollector> TextMessageCollector() const { return m_collectors.text; }
    void setTextMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_collectors.text = c; }

    // Library-internal: given by the session that creates the query.
    void SetConnection(KLVSockComm* connection);
    // The query keeps its session alive, unless it is the session's own default query
    // (holdSession false), which the session holds itself.
    void SetSession(KLV* session, bool holdSession = true);
    KLVResultSet* resultSet() const { return m_result; }
    QString transactionId() const { return m_tid; }

Q_SIGNALS:
    void StatusMessage(QString& Message);
    void ErrorMessage(QString& Message);
    void TextMessage(QString& Message);
    void MessageReceived(QSharedPointer<KLVMessage>& Message);

private:
    // What the editor side of a field query adds to EXQ.
    struct EditorContext
    {
        QString tid;
        QString row;
        QString fieldName;
    };

    KLVCmdBuilder& builder();
    void clearLastError();
    void setApiError(int code);
    void takeCurrentError();
    // Sends a catalogue line built beforehand in a new transaction (openAnswer).
    bool catalogueCommand(const QString& line);
    bool getMessages(const QString& dictionaries, const QString& numbers, const QString& languages,
                     const QString& searchText, bool ignoreCase);
    // The first row's column of a message answer, or empty with the reason as last error.
    bool firstMessageRow(QString& value, int column);
    void loadResultMetaData();
    // Sends line into the fresh result set; on success takes the answer's TID and metadata.
    bool openAnswer(const QString& line);
    // Fresh metadata from a list or an array; false (error 14) for an array without a first name.
    void metaDataFromList(const QString& fieldList);
    bool metaDataFromArray(const QStringList& names);
    // Sends EXQ for a selection whose metadata is already made.
    bool executeSelection(const KLVSelection& selection, const QString& fieldList, int blockSize, int offset,
                          const EditorContext& editor = {});
    bool startQuery(const QString& tableName, const QString& fieldList, const QString& krit, const QString& sortKey,
                    bool byRows, int aliveFlag, bool ascending, bool andJunction, int offset, int blockSize);
    bool startQueryArray(const QString& tableName, const QStringList& fieldNames, const QString& krit,
                         const QString& sortKey, bool byRows, int aliveFlag, bool ascending, bool andJunction,
                         int offset, int blockSize);
    bool startFieldQuery(const QString& tableName, const QString& sortKey, const QString& krit,
                         const QString& fieldList, const QSharedPointer<KLVBoundEditField>& refField);
    // Shared by the GetRecordByRef family; the field list's metadata is already made.
    bool recordByRef(const QString& tableName, const QString& ref, const QString& fieldList, bool byRows,
                     bool moveToFirst);
    bool readRecord(const QString& ref, const QString& fieldList);
    bool readRecords(const QString& refList, const QString& fieldList, bool byRows);
    // A new result begins: no read error, no block fetched yet.
    void newResult();
    // One further block (the one asked for ahead, or a GNR now); false when it failed or
    // delivered nothing new without ending the data.
    bool fetchNextBlock();
    // Asks for the next block ahead once the caller reads on through further blocks.
    void readAhead();
    // What a fetched block that brought records leaves: true when it came, else the read
    // ends with its reason.
    bool settleBlock(bool ok, int records);
    bool moveToRecord(int n);
    // The shared field-value test: null when valid (value then holds the prepared value).
    QSharedPointer<KLVError> testFieldValue(const QString& typeCode, const QString& value, QString& prepared);
    bool serverVersionBelow(double version) const;
    void routeMessage(const QSharedPointer<KLVMessage>& message);

    KLVResultSet* m_result;
    KLVCmdBuilder* m_builder = nullptr;
    // As the editor's: the session stays alive while the query lives (its default query
    // aside); the weak pointer also covers a session that is not shared.
    QPointer<KLV> m_session;
    QSharedPointer<KLV> m_sessionRef;
    QString m_tid = QStringLiteral("0");
    int m_datasetSize = 50;
    int m_timeOut = 0;
    bool m_enableQueryMetaData = false;
    // Why the selection ended early (a further block could not be read, or Break): no further
    // block is asked for, and navigation keeps this as its last error until the next start.
    QSharedPointer<KLVError> m_readError;
    // Further blocks fetched since the start: reading ahead begins after this many.
    static constexpr int ReadAheadAfterBlocks = 2;
    int m_blocksFetched = 0;
    QSharedPointer<KLVQueryMetaData> m_metaData;
    QSharedPointer<KLVError> m_lastError;
    KLVMessageCollectors m_collectors;
};
