#include "KLVQuery.h"
#include "Common.h"
#include "KLV.h"
#include "KLVBoundEditField.h"
#include "KLVCmdBuilder.h"
#include "KLVDispatch.h"
#include "KLVEditField.h"
#include "KLVEditor.h"
#include "KLVResultSet.h"
#include "KLVSelection.h"
#include "KLVSockComm.h"

using namespace Qt::StringLiterals;

KLVQuery::KLVQuery(QObject* parent)
    : QObject(parent), m_result(new KLVResultSet(this)), m_lastError(QSharedPointer<KLVError>::create())
{
    connect(m_result, &KLVResultSet::MessageReceived, this, &KLVQuery::routeMessage);
}

KLVQuery::~KLVQuery()
{
    delete m_builder;
}

void KLVQuery::SetConnection(KLVSockComm* connection)
{
    m_result->SetConnection(connection);
}

void KLVQuery::SetSession(KLV* session, bool holdSession)
{
    m_session = session;
    m_sessionRef = session && holdSession ? session->sharedFromThis() : QSharedPointer<KLV>();
}

QSharedPointer<KLV> KLVQuery::Session() const
{
    if (m_sessionRef)
        return m_sessionRef;
    return m_session ? m_session->sharedFromThis() : QSharedPointer<KLV>();
}

KLVCmdBuilder& KLVQuery::builder()
{
    if (!m_builder)
        m_builder = new KLVCmdBuilder;
    return *m_builder;
}

int KLVQuery::MaxResultsetSize() const
{
    return m_result->DataCacheSize();
}

void KLVQuery::setMaxResultsetSize(int size)
{
    m_result->setDataCacheSize(size);
}

// ---------------------------------------------------------------------------------------------
// Errors and messages

void KLVQuery::clearLastError()
{
    // An empty error of the query's own is never changed, so it can stay: a record loop then
    // makes no new object per record. One still held by the result set may yet be filled.
    const KLVError& e = *m_lastError;
    if (e.Number() != 0 || !e.Message().isEmpty() || !e.Context().isEmpty() || e.messageCount() > 0 ||
        m_lastError == m_result->GetCurrentError())
        m_lastError = QSharedPointer<KLVError>::create();
}

void KLVQuery::setApiError(int code)
{
    m_lastError = QSharedPointer<KLVError>::create();
    m_lastError->SetError(0, Common::GetErrorText(code), m_result->Context());
    m_lastError->setApiErrorCode(code);
}

void KLVQuery::takeCurrentError()
{
    m_lastError = m_result->GetCurrentError();
}

QString KLVQuery::GetLastError() const
{
    return m_lastError->Message();
}

void KLVQuery::routeMessage(const QSharedPointer<KLVMessage>& message)
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
// Metadata

void KLVQuery::loadResultMetaData()
{
    const KLVFieldMetaDataList columns = m_result->GetFieldMetaData();
    if (!m_enableQueryMetaData || columns.isEmpty())
        return;
    auto metaData = QSharedPointer<KLVQueryMetaData>::create();
    metaData->MergeServerMetaData(columns);
    m_metaData = metaData;
}

void KLVQuery::metaDataFromList(const QString& fieldList)
{
    auto metaData = QSharedPointer<KLVQueryMetaData>::create();
    metaData->InitFromList(fieldList);
    m_metaData = metaData;
}

bool KLVQuery::metaDataFromArray(const QStringList& names)
{
    // An empty array is refused like one whose first name is empty.
    if (names.isEmpty() || names.first().isEmpty()) {
        setApiError(14);
        return false;
    }
    auto metaData = QSharedPointer<KLVQueryMetaData>::create();
    metaData->InitFromArray(names);
    m_metaData = metaData;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Selections

bool KLVQuery::executeSelection(const KLVSelection& selection, const QString& fieldList, int blockSize, int offset,
                                const EditorContext& editor)
{
    if (blockSize < 0)
        blockSize = m_datasetSize;
    newResult();
    return openAnswer(builder().buildEXQ(m_tid, selection.KLVSelString(), fieldList, blockSize, offset, editor.tid,
                                         editor.row, editor.fieldName, m_timeOut, m_enableQueryMetaData));
}

bool KLVQuery::openAnswer(const QString& line)
{
    if (!m_result->ProcessCommand(m_tid, line, QString(), true)) {
        takeCurrentError();
        return false;
    }
    m_tid = m_result->getTID();
    loadResultMetaData();
    return true;
}

bool KLVQuery::startQuery(const QString& tableName, const QString& fieldList, const QString& krit,
                          const QString& sortKey, bool byRows, int aliveFlag, bool ascending, bool andJunction,
                          int offset, int blockSize)
{
    clearLastError();
    m_tid = u"0"_s;
    metaDataFromList(fieldList);
    KLVSelection selection;
    selection.setTableName(tableName);
    selection.SetSelection(krit, sortKey, byRows, aliveFlag, ascending, andJunction);
    return executeSelection(selection, fieldList, blockSize, offset);
}

bool KLVQuery::startQueryArray(const QString& tableName, const QStringList& fieldNames, const QString& krit,
                               const QString& sortKey, bool byRows, int aliveFlag, bool ascending, bool andJunction,
                               int offset, int blockSize)
{
    clearLastError();
    m_tid = u"0"_s;
    if (!metaDataFromArray(fieldNames))
        return false;
    KLVSelection selection;
    selection.setTableName(tableName);
    selection.SetSelection(krit, sortKey, byRows, aliveFlag, ascending, andJunction);
    return executeSelection(selection, m_metaData->GetFieldList(), blockSize, offset);
}

bool KLVQuery::StartQuery(const QString& TableName, const QString& FieldList, const QString& Krit,
                          const QString& SortKey, bool Ascending, bool AndJunction)
{
    Common::CallTrace trace("Query.", "StartQuery");
    return startQuery(TableName, FieldList, Krit, SortKey, false, aliveFlagAll, Ascending, AndJunction, 0,
                      m_datasetSize);
}

bool KLVQuery::StartQueryN(const QString& TableName, const QStringList& FieldList, const QString& Krit,
                           const QString& SortKey, bool Ascending, bool AndJunction)
{
    Common::CallTrace trace("Query.", "StartQueryN");
    return startQueryArray(TableName, FieldList, Krit, SortKey, false, aliveFlagAll, Ascending, AndJunction, 0,
                           m_datasetSize);
}

bool KLVQuery::StartQueryZ(const QString& TableName, const QString& FieldList, const QString& Krit,
                           const QString& SortKey, bool ByRows, bool Ascending, bool AndJunction)
{
    Common::CallTrace trace("Query.", "StartQueryZ");
    return startQuery(TableName, FieldList, Krit, SortKey, ByRows, aliveFlagAll, Ascending, AndJunction, 0,
                      m_datasetSize);
}

bool KLVQuery::StartQueryZN(const QString& TableName, const QStringList& FieldList, const QString& Krit,
                            const QString& SortKey, bool ByRows, bool Ascending, bool AndJunction)
{
    Common::CallTrace trace("Query.", "StartQueryZN");
    return startQueryArray(TableName, FieldList, Krit, SortKey, ByRows, aliveFlagAll, Ascending, AndJunction, 0,
                           m_datasetSize);
}

bool KLVQuery::StartQueryZO(const QString& TableName, const QString& FieldList, const QString& Krit,
                            const QString& SortKey, bool ByRows, bool Ascending, bool AndJunction, int Offset,
                            int DatasetSize)
{
    Common::CallTrace trace("Query.", "StartQueryZO");
    return startQuery(TableName, FieldList, Krit, SortKey, ByRows, aliveFlagAll, Ascending, AndJunction, Offset,
                      DatasetSize);
}

bool KLVQuery::StartQueryZON(const QString& TableName, const QStringList& FieldList, const QString& Krit,
                             const QString& SortKey, bool ByRows, bool Ascending, bool AndJunction, int Offset,
                             int DatasetSize)
{
    Common::CallTrace trace("Query.", "StartQueryZON");
    return startQueryArray(TableName, FieldList, Krit, SortKey, ByRows, aliveFlagAll, Ascending, AndJunction, Offset,
                           DatasetSize);
}

bool KLVQuery::StartQueryZOA(const QString& TableName, const QString& FieldList, const QString& Krit,
                             const QString& SortKey, bool ByRows, int AliveFlag, bool Ascending, bool AndJunction,
                             int Offset, int DatasetSize)
{
    Common::CallTrace trace("Query.", "StartQueryZOA");
    return startQuery(TableName, FieldList, Krit, SortKey, ByRows, AliveFlag, Ascending, AndJunction, Offset,
                      DatasetSize);
}

bool KLVQuery::StartQueryZOAN(const QString& TableName, const QStringList& FieldList, const QString& Krit,
                              const QString& SortKey, bool ByRows, int AliveFlag, bool Ascending, bool AndJunction,
                              int Offset, int DatasetSize)
{
    Common::CallTrace trace("Query.", "StartQueryZOAN");
    return startQueryArray(TableName, FieldList, Krit, SortKey, ByRows, AliveFlag, Ascending, AndJunction, Offset,
                           DatasetSize);
}

bool KLVQuery::StartQuerySel(const QSharedPointer<KLVSelection>& Selection, const QString& FieldList)
{
    Common::CallTrace trace("Query.", "StartQuerySel");
    clearLastError();
    m_tid = u"0"_s;
    metaDataFromList(FieldList);
    if (!Selection) {
        setApiError(9);
        return false;
    }
    return executeSelection(*Selection, FieldList, m_datasetSize, 0);
}

bool KLVQuery::StartQuerySelN(const QSharedPointer<KLVSelection>& Selection, const QStringList& FieldNames)
{
    Common::CallTrace trace("Query.", "StartQuerySelN");
    clearLastError();
    m_tid = u"0"_s;
    if (!metaDataFromArray(FieldNames))
        return false;
    if (!Selection) {
        setApiError(9);
        return false;
    }
    return executeSelection(*Selection, m_metaData->GetFieldList(), m_datasetSize, 0);
}

bool KLVQuery::startFieldQuery(const QString& tableName, const QString& sortKey, const QString& krit,
                               const QString& fieldList, const QSharedPointer<KLVBoundEditField>& refField)
{
    const QSharedPointer<KLVEditor> editor = refField ? refField->Editor() : QSharedPointer<KLVEditor>();
    const QSharedPointer<KLVEditField> field = refField ? refField->EditField() : QSharedPointer<KLVEditField>();
    if (!editor || !field) {
        // A field that could not be read has no place in an editor to choose for.
        setApiError(9);
        return false;
    }
    KLVSelection selection;
    selection.setTableName(tableName);
    selection.SetSelection(krit, sortKey);
    const EditorContext context{editor->EditTID(), QString::number(field->Row()), field->Name()};
    return executeSelection(selection, fieldList, m_datasetSize, 0, context);
}

QVariant KLVQuery::StartFieldQuery(const QString& TableName, const QString& SortKey, const QString& Krit,
                                   const QString& FieldList, const QSharedPointer<KLVBoundEditField>& RefField)
{
    Common::CallTrace trace("Query.", "StartFieldQuery");
    clearLastError();
    m_tid = u"0"_s;
    metaDataFromList(FieldList);
    return startFieldQuery(TableName, SortKey, Krit, FieldList, RefField);
}

QVariant KLVQuery::StartFieldQueryA(const QString& TableName, const QString& SortKey, const QString& Krit,
                                    const QStringList& FieldNames, const QSharedPointer<KLVBoundEditField>& RefField)
{
    Common::CallTrace trace("Query.", "StartFieldQueryA");
    clearLastError();
    m_tid = u"0"_s;
    if (!metaDataFromArray(FieldNames))
        return false;
    return startFieldQuery(TableName, SortKey, Krit, m_metaData->GetFieldList(), RefField);
}

QString KLVQuery::GetERPQueryString(const QString& Krit, const QString& Key, bool ByRows, int AliveFlag, bool Ascending,
                                    bool AndJunction) const
{
    KLVSelection selection;
    selection.SetSelection(Krit, Key, ByRows, AliveFlag, Ascending, AndJunction);
    return selection.SelString();
}

// ---------------------------------------------------------------------------------------------
// Records by reference

bool KLVQuery::recordByRef(const QString& tableName, const QString& ref, const QString& fieldList, bool byRows,
                           bool moveToFirst)
{
    KLVSelection selection;
    selection.setTableName(tableName);
    selection.SetSelection(u"id="_s + ref, QString(), byRows, aliveFlagBoth, true, true);
    if (!executeSelection(selection, fieldList, m_datasetSize, 0)) {
        // The answer's transaction id counts even when the query was refused.
        m_tid = m_result->getTID();
        return false;
    }
    return moveToFirst ? m_result->MoveNext(true) : true;
}

bool KLVQuery::GetRecordByRef(const QString& TableName, const QString& Ref, const QString& FieldList)
{
    Common::CallTrace trace("Query.", "GetRecordByRef");
    clearLastError();
    m_tid = u"0"_s;
    if (Common::IsNullRefText(Ref)) {
        setApiError(7);
        return false;
    }
    metaDataFromList(FieldList);
    return recordByRef(TableName, Ref, FieldList, false, true);
}

bool KLVQuery::GetRecordByRefN(const QString& TableName, const QString& Ref, const QStringList& FieldList)
{
    Common::CallTrace trace("Query.", "GetRecordByRefN");
    clearLastError();
    m_tid = u"0"_s;
    if (!metaDataFromArray(FieldList))
        return false;
    if (Common::IsNullRefText(Ref)) {
        setApiError(7);
        return false;
    }
    return recordByRef(TableName, Ref, m_metaData->GetFieldList(), false, true);
}

bool KLVQuery::GetRecordByRefR(const QString& TableName, const QString& Ref, const QString& FieldList, bool ByRows)
{
    Common::CallTrace trace("Query.", "GetRecordByRefR");
    clearLastError();
    m_tid = u"0"_s;
    if (Common::IsNullRefText(Ref)) {
        setApiError(7);
        return false;
    }
    metaDataFromList(FieldList);
    return recordByRef(TableName, Ref, FieldList, ByRows, false);
}

bool KLVQuery::GetRecordByRefRN(const QString& TableName, const QString& Ref, const QStringList& FieldList, bool ByRows)
{
    Common::CallTrace trace("Query.", "GetRecordByRefRN");
    clearLastError();
    m_tid = u"0"_s;
    if (!metaDataFromArray(FieldList))
        return false;
    if (Common::IsNullRefText(Ref)) {
        setApiError(7);
        return false;
    }
    return recordByRef(TableName, Ref, m_metaData->GetFieldList(), ByRows, false);
}

bool KLVQuery::readRecord(const QString& ref, const QString& fieldList)
{
    newResult();
    const QString line = builder().buildRDP(m_tid, ref, fieldList, false, 1, m_enableQueryMetaData);
    if (!m_result->ProcessCommand(m_tid, line, QString(), true)) {
        takeCurrentError();
        return false;
    }
    // One record needs no open transaction: the id stays "0".
    loadResultMetaData();
    return m_result->MoveNext(true);
}

bool KLVQuery::ReadRecord(const QString& Ref, const QString& FieldList)
{
    Common::CallTrace trace("Query.", "ReadRecord");
    clearLastError();
    m_tid = u"0"_s;
    if (Common::IsNullRefText(Ref)) {
        setApiError(7);
        return false;
    }
    metaDataFromList(FieldList);
    return readRecord(Ref, FieldList);
}

bool KLVQuery::ReadRecordN(const QString& Ref, const QStringList& FieldList)
{
    Common::CallTrace trace("Query.", "ReadRecordN");
    clearLastError();
    m_tid = u"0"_s;
    if (!metaDataFromArray(FieldList))
        return false;
    if (Common::IsNullRefText(Ref)) {
        setApiError(7);
        return false;
    }
    return readRecord(Ref, m_metaData->GetFieldList());
}

bool KLVQuery::readRecords(const QString& refList, const QString& fieldList, bool byRows)
{
    if (refList.isEmpty()) {
        setApiError(7);
        return false;
    }
    newResult();
    const QString line = builder().buildRDP(m_tid, refList, fieldList, byRows, m_datasetSize, m_enableQueryMetaData);
    if (!m_result->ProcessCommand(m_tid, line, QString(), true)) {
        takeCurrentError();
        return false;
    }
    m_tid = m_result->getTID();
    loadResultMetaData();
    return true;
}

bool KLVQuery::ReadRecords(const QString& RefList, const QString& FieldList, bool ByRows)
{
    Common::CallTrace trace("Query.", "ReadRecords");
    clearLastError();
    m_tid = u"0"_s;
    metaDataFromList(FieldList);
    return readRecords(RefList, FieldList, ByRows);
}

bool KLVQuery::ReadRecordsN(const QString& RefList, const QStringList& FieldList, bool ByRows)
{
    Common::CallTrace trace("Query.", "ReadRecordsN");
    clearLastError();
    m_tid = u"0"_s;
    if (!metaDataFromArray(FieldList))
        return false;
    return readRecords(RefList, m_metaData->GetFieldList(), ByRows);
}

bool KLVQuery::ReadRecordsAN(const QStringList& RefList, const QStringList& FieldList, bool ByRows)
{
    Common::CallTrace trace("Query.", "ReadRecordsAN");
    clearLastError();
    m_tid = u"0"_s;
    if (!metaDataFromArray(FieldList))
        return false;
    return readRecords(RefList.join(u';'), m_metaData->GetFieldList(), ByRows);
}

// ---------------------------------------------------------------------------------------------
// Navigation

void KLVQuery::newResult()
{
    m_readError.reset();
    m_blocksFetched = 0;
}

bool KLVQuery::fetchNextBlock()
{
    // A further block keeps the numbering of the records already held. The one asked for
    // ahead is taken, and the one after it goes out as soon as this one is whole; else the
    // block is asked for now.
    int records = 0;
    const bool claiming = m_result->hasAhead();
    const bool ok = claiming ? m_result->claimAhead(builder().buildGNR(m_tid), &records)
                             : m_result->ProcessCommand(m_tid, builder().buildGNR(m_tid), QString(), false);
    if (!claiming)
        records = m_result->answerRecordCount();
    const bool fetched = settleBlock(ok, records);
    // The block after it, asked for already, is the caller's next only when this one came.
    if (claiming && !fetched)
        m_result->abandonAhead();
    return fetched;
}

bool KLVQuery::settleBlock(bool ok, int records)
{
    if (m_readError) {
        // Broken off meanwhile: whatever the answer, the read ends here, as broken off.
        m_lastError = m_readError;
        return false;
    }
    if (!ok) {
        // A block that could not be fetched is no end of the data: the selection ends here,
        // and why stays, so that the caller can tell an incomplete read from a complete one.
        takeCurrentError();
        m_readError = m_lastError;
        return false;
    }
    if (records == 0 && !m_result->atEOF()) {
        // A block with nothing in it and no end would be asked for again and again.
        setApiError(16);
        m_readError = m_lastError;
        return false;
    }
    ++m_blocksFetched;
    return true;
}

void KLVQuery::readAhead()
{
    // Only a caller that reads on through further blocks reads the selection to its end (a
    // look-up or a list of the first rows stops within the first ones): it gets the next
    // block asked for while it reads this one, so that the server works meanwhile.
    if (m_blocksFetched < ReadAheadAfterBlocks || m_readError || m_result->atEOF() || Common::IsNoTID(m_tid))
        return;
    m_result->sendAhead(m_tid, builder().buildGNR(m_tid));
}

bool KLVQuery::moveToRecord(int n)
{
    Common::AssertLibraryThread(this);
    // A block read ahead that had to be taken in already (another request needed the
    // connection) is settled first: its failure ends the read as any block's does.
    if (!m_readError && m_result->aheadEnded())
        fetchNextBlock();
    if (m_readError) {
        // The records read before the failure stay; none after it will come.
        m_lastError = m_readError;
        return m_result->SetCurrRecord(n, true);
    }
    clearLastError();
    bool fetched = false;
    while (m_result->GetRecordCount() < n && !m_result->atEOF()) {
        if (!fetchNextBlock())
            break;
        fetched = true;
    }
    const bool moved = m_result->SetCurrRecord(n, true);
    if (moved && fetched)
        readAhead();
    return moved;
}

bool KLVQuery::GetFirstRecord()
{
    Common::CallTrace trace("Query.", "GetFirstRecord");
    return moveToRecord(1);
}

bool KLVQuery::GetNextRecord()
{
    Common::CallTrace trace("Query.", "GetNextRecord");
    return moveToRecord(m_result->GetCurrRecordNr() + 1);
}

bool KLVQuery::GetPrevRecord()
{
    Common::CallTrace trace("Query.", "GetPrevRecord");
    return moveToRecord(m_result->GetCurrRecordNr() - 1);
}

bool KLVQuery::GetRecordRelative(int MoveCount)
{
    Common::CallTrace trace("Query.", "GetRecordRelative");
    return moveToRecord(m_result->GetCurrRecordNr() + MoveCount);
}

bool KLVQuery::GetRecordAbsolute(int RecordNumber)
{
    Common::CallTrace trace("Query.", "GetRecordAbsolute");
    return moveToRecord(RecordNumber);
}

bool KLVQuery::GetLastRecord()
{
    Common::CallTrace trace("Query.", "GetLastRecord");
    Common::AssertLibraryThread(this);
    if (m_readError) {
        m_lastError = m_readError;
    } else {
        clearLastError();
        while (!m_result->atEOF()) {
            if (!fetchNextBlock())
                break;
        }
    }
    return m_result->SetCurrRecord(m_result->GetRecordCount(), true);
}

int KLVQuery::GetRecordCount() const
{
    return m_result->GetRecordCount();
}

int KLVQuery::GetRecordNumber() const
{
    return m_result->GetCurrRecordNr();
}

int KLVQuery::GetRecordTotal() const
{
    return m_result->GetRecordTotal();
}

// ---------------------------------------------------------------------------------------------
// Fields

int KLVQuery::GetFieldCount() const
{
    return m_result->GetFieldCount();
}

QString KLVQuery::GetField(int FieldNr) const
{
    return m_result->GetFieldVal(FieldNr);
}

QString KLVQuery::GetFieldN(const QString& FieldName) const
{
    if (!m_metaData)
        return {};
    return m_result->GetFieldVal(m_metaData->GetFieldNumber(FieldName));
}

QStringList KLVQuery::GetFields() const
{
    return m_result->GetFields();
}

// ---------------------------------------------------------------------------------------------
// Break

void KLVQuery::Break()
{
    Common::CallTrace trace("Query.", "Break");
    clearLastError();
    const bool processing = m_result->IsProcessing();
    if (!processing && Common::IsNoTID(m_tid))
        return;
    // The selection ends here: no further block is asked for, and the reason stays. A command
    // that waits goes on waiting for its answer; a block asked for ahead is not wanted.
    const bool brokenBefore = m_result->runningBroken();
    const KLVDispatch::BreakOutcome outcome = m_result->breakRunning();
    m_result->abandonAhead();
    auto broken = QSharedPointer<KLVError>::create();
    broken->SetError(0, Common::GetErrorText(32), m_result->Context());
    broken->setApiErrorCode(32);
    m_readError = broken;
    m_lastError = broken;
    // A command that had not gone out yet is simply dropped: the server has nothing to break,
    // and whatever it is busy with belongs to someone else.
    if (outcome == KLVDispatch::BreakOutcome::BeforeSending)
        return;
    // A command broken off before has had its BRQ; the server needs no second one.
    if (brokenBefore)
        return;
    KLVSockComm* connection = m_result->connection();
    if (!connection) {
        setApiError(5);
        return;
    }
    // One line, at once: the connection sends it without delay, while the broken command's
    // answer is still awaited (or, for a block asked for ahead, skipped by the queue).
    if (!connection->SendLine(builder().buildBRQ(m_tid))) {
        m_lastError = QSharedPointer<KLVError>::create();
        m_lastError->SetError(0, connection->getErrText(), m_result->Context());
        m_lastError->setApiErrorCode(connection->errorCode());
    }
}
