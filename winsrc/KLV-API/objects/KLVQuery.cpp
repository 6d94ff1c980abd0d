#include "KLVQuery.h"
#include "Common.h"
#include "KLV.h"
#include "KLVCmdBuilder.h"
#include "KLVResultSet.h"

using namespace Qt::StringLiterals;

namespace {

// Writes ">Query.Name" on entry and "<Query.Name" on exit.
class QueryTrace
{
public:
    explicit QueryTrace(const char* name) : m_name(QString::fromLatin1(name))
    {
        Common::WriteTrace(u">Query."_s + m_name);
    }
    ~QueryTrace() { Common::WriteTrace(u"<Query."_s + m_name); }

private:
    QString m_name;
};

QString aliveFlagWord(int flag)
{
    switch (flag) {
    case aliveFlagInternal:
        return u"programmintern"_s;
    case aliveFlagAlive:
        return u"lebendig"_s;
    case aliveFlagFiled:
        return u"abgelegt"_s;
    case aliveFlagBoth:
        return u"beides"_s;
    default:
        return {};
    }
}

void appendSelItem(QString& selection, const QString& prefix, const QString& value)
{
    if (value.isEmpty())
        return;
    if (!selection.isEmpty())
        selection += u';';
    selection += prefix + value;
}

} // namespace

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

void KLVQuery::SetSession(KLV* session)
{
    m_session = session;
}

QSharedPointer<KLV> KLVQuery::Session() const
{
    return m_session ? m_session->sharedFromThis() : QSharedPointer<KLV>();
}

KLVCmdBuilder& KLVQuery::builder()
{
    if (!m_builder)
        m_builder = new KLVCmdBuilder;
    return *m_builder;
}

void KLVQuery::clearLastError()
{
    m_lastError = QSharedPointer<KLVError>::create();
}

void KLVQuery::setApiError(int code)
{
    m_lastError = QSharedPointer<KLVError>::create();
    m_lastError->SetError(0, Common::GetErrorText(code), m_result->Context());
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
    QSharedPointer<KLVMessageCollector> collector;
    switch (message->MsgType()) {
    case messageTypeError:
        collector = m_errorCollector;
        break;
    case messageTypeStatus:
        collector = m_statusCollector;
        break;
    case messageTypeText:
        collector = m_textCollector;
        break;
    default:
        return;
    }
    if (collector) {
        collector->CollectMessage(message);
        return;
    }
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

QString KLVQuery::selectionString(const QString& tableName, const QString& krit, const QString& sortKey, bool byRows,
                                  int aliveFlag, bool ascending, bool andJunction)
{
    QString sel;
    appendSelItem(sel, u"@sort="_s, sortKey);
    if (!ascending)
        appendSelItem(sel, u"@richtung="_s, u"rueckw"_s);
    if (!andJunction)
        appendSelItem(sel, u"@verkn="_s, u"oder"_s);
    if (byRows)
        appendSelItem(sel, u"@zeilen="_s, u"ja"_s);
    appendSelItem(sel, u"@ablageart="_s, aliveFlagWord(aliveFlag));
    appendSelItem(sel, QString(), krit);
    return sel.isEmpty() ? tableName : tableName + u',' + sel;
}

bool KLVQuery::catalogueCommand(const QString& line)
{
    clearLastError();
    m_tid = u"0"_s;
    if (!m_result->ProcessCommand(m_tid, line, QString(), true)) {
        takeCurrentError();
        return false;
    }
    m_tid = m_result->getTID();
    return true;
}

bool KLVQuery::GetTableNames(const QString& StartString)
{
    QueryTrace trace("GetTableNames");
    return catalogueCommand(builder().buildGTN(m_tid, StartString, m_datasetSize, m_enableQueryMetaData));
}

bool KLVQuery::GetFieldNames(const QString& TableName, const QString& FieldList)
{
    QueryTrace trace("GetFieldNames2");
    return catalogueCommand(
        builder().buildGFN(m_tid, TableName, FieldList, m_datasetSize, u"QUERY"_s, m_enableQueryMetaData));
}

bool KLVQuery::GetKeyNames(const QString& TableName, const QString& KeyName)
{
    QueryTrace trace("GetKeyNames");
    return catalogueCommand(builder().buildGKN(m_tid, TableName, KeyName, m_datasetSize, m_enableQueryMetaData));
}

bool KLVQuery::startSelection(const QString& selection, const QString& fieldList, int blockSize, int offset)
{
    clearLastError();
    m_tid = u"0"_s;
    if (blockSize < 0)
        blockSize = m_datasetSize;
    const QString line = builder().buildEXQ(m_tid, selection, fieldList, blockSize, offset, QString(), QString(),
                                            QString(), m_timeOut, m_enableQueryMetaData);
    if (!m_result->ProcessCommand(m_tid, line, QString(), true)) {
        takeCurrentError();
        return false;
    }
    m_tid = m_result->getTID();
    return true;
}

bool KLVQuery::StartQuery(const QString& TableName, const QString& FieldList, const QString& Krit,
                          const QString& SortKey, bool Ascending, bool AndJunction)
{
    QueryTrace trace("StartQuery");
    return startSelection(selectionString(TableName, Krit, SortKey, false, aliveFlagAll, Ascending, AndJunction),
                          FieldList, m_datasetSize, 0);
}

bool KLVQuery::GetRecordByRef(const QString& TableName, const QString& Ref, const QString& FieldList)
{
    QueryTrace trace("GetRecordByRef");
    if (Common::IsNullRefText(Ref)) {
        setApiError(7);
        return false;
    }
    const QString selection = selectionString(TableName, u"id="_s + Ref, QString(), false, aliveFlagBoth, true, true);
    if (!startSelection(selection, FieldList, m_datasetSize, 0)) {
        // The answer's transaction id counts even when the query was refused.
        m_tid = m_result->getTID();
        return false;
    }
    return m_result->MoveNext(true);
}

bool KLVQuery::moveToRecord(int n)
{
    clearLastError();
    while (m_result->GetRecordCount() < n && !m_result->atEOF()) {
        // A further block keeps the numbering of the records already held.
        if (!m_result->ProcessCommand(m_tid, builder().buildGNR(m_tid), QString(), false))
            break;
    }
    return m_result->SetCurrRecord(n, true);
}

bool KLVQuery::GetNextRecord()
{
    QueryTrace trace("GetNextRecord");
    return moveToRecord(m_result->GetCurrRecordNr() + 1);
}

QString KLVQuery::GetField(int FieldNr)
{
    return m_result->GetFieldVal(FieldNr);
}
