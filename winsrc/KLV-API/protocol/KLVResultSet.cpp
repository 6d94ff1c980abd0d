#include "KLVResultSet.h"
#include "Common.h"
#include "KLVCmdParser.h"
#include "KLVQueryFieldMetaData.h"
#include "KLVRequest.h"
#include "KLVSockComm.h"

using namespace Qt::StringLiterals;

KLVResultSet::KLVResultSet(QObject* parent) : QObject(parent), m_currentError(QSharedPointer<KLVError>::create()) {}

KLVResultSet::~KLVResultSet() = default;

void KLVResultSet::resetCurrentError()
{
    m_currentError = QSharedPointer<KLVError>::create();
    m_messages.clear();
}

void KLVResultSet::SetCurrentError(const QString& text, int number, const QString& context)
{
    m_currentError->SetError(number, text, context, m_messages);
}

void KLVResultSet::setDataCacheSize(int size)
{
    if (size >= 0)
        m_dataCacheSize = size;
}

void KLVResultSet::SetConnection(KLVSockComm* connection)
{
    m_connection = connection;
    m_hadConnection = m_hadConnection || connection;
}

KLVSockComm* KLVResultSet::connection() const
{
    return m_connection;
}

int KLVResultSet::perform(int type)
{
    if (m_hadConnection && !m_connection) {
        // The session that owned the connection is gone: as good as a dropped connection.
        SetCurrentError(Common::GetErrorText(5), 0, m_context);
        return KLVRequest::SessionEnded;
    }
    KLVRequest request;
    request.Perform(type, this, m_connection);
    return request.GetState();
}

void KLVResultSet::prepareAnswer(const QString& tid)
{
    resetCurrentError();
    m_requestTid = tid;
    m_answerCounter = 0;
    m_negativeCounter = 0;
}

bool KLVResultSet::ProcessCommand(const QString& tid, const QString& line, const QString& logLine, bool clearData)
{
    prepareAnswer(tid);
    m_cmdLine = line;
    m_logLine = logLine.isEmpty() ? line : logLine;
    if (clearData)
        ClearDataLines();
    m_processing = true;
    const int state = perform(KLVRequest::SendAndRead);
    m_processing = false;
    return state == KLVRequest::Done;
}

bool KLVResultSet::SendCommandLine(const QString& line, const QString& tid, bool clearData)
{
    prepareAnswer(tid);
    m_cmdLine = line;
    m_logLine = line;
    if (clearData)
        ClearDataLines();
    return perform(KLVRequest::SendOnly) == KLVRequest::Done;
}

void KLVResultSet::SendCommandLineBatch(const QString& line, bool clearData)
{
    resetCurrentError();
    if (m_batchCount >= MaxBatchCommands)
        throw KLVRuntimeError(9, u"Subscript out of range"_s);
    if (m_batchClearFlags.size() <= m_batchCount)
        m_batchClearFlags.resize(m_batchCount + 1);
    m_batchClearFlags[m_batchCount] = clearData;
    ++m_batchCount;
    if (!m_batchBuffer.isEmpty())
        m_batchBuffer += u"\r\n"_s;
    m_batchBuffer += line;
}

bool KLVResultSet::FinishBatchCommands(const QString& tid)
{
    if (m_batchCount == 0)
        return true;
    prepareAnswer(tid);
    m_cmdLine = m_batchBuffer;
    m_logLine = m_batchBuffer;
    m_processing = true;
    const int state = perform(KLVRequest::SendAndRead);
    m_processing = false;
    m_batchBuffer.clear();
    m_batchCount = 0;
    m_batchClearFlags.clear();
    return state == KLVRequest::Done;
}

bool KLVResultSet::ReceiveAnswer(const QString& tid)
{
    prepareAnswer(tid);
    return perform(KLVRequest::ReadOnly) == KLVRequest::Done;
}

void KLVResultSet::ClearDataLines()
{
    m_dataLines.clear();
    m_metaData.clear();
    m_dropped = 0;
    m_blockCount = 0;
    m_currentRecord = 0;
    m_recordTotal = 0;
    m_atEOF = false;
    m_currentFields.clear();
}

void KLVResultSet::addMessage(const QSharedPointer<KLVMessage>& message, bool toError)
{
    if (toError)
        m_messages.append(message);
    Q_EMIT MessageReceived(message);
}

void KLVResultSet::ReceiveLine(QString line, bool connected, KLVRequest* request)
{
    // Code and transaction id are looked at in place: most lines are records.
    const qsizetype firstBar = line.indexOf(u'|');
    const QStringView code = firstBar > 0 ? QStringView(line).left(firstBar) : QStringView();
    qsizetype fieldsStart = -1;
    QStringView tid;
    if (firstBar >= 0) {
        const qsizetype secondBar = line.indexOf(u'|', firstBar + 1);
        tid = secondBar < 0 ? QStringView(line).mid(firstBar + 1)
                            : QStringView(line).mid(firstBar + 1, secondBar - firstBar - 1);
        if (secondBar >= 0)
            fieldsStart = secondBar + 1;
    }
    if (m_answerTid != tid)
        m_answerTid = tid.toString();
    const QStringView fieldsText = fieldsStart < 0 ? QStringView() : QStringView(line).mid(fieldsStart);
    const bool answerEnd = Common::IsAnswerEnd(code);

    if (m_batchCount > 0 && answerEnd) {
        const int index = m_answerCounter++;
        if (index < m_batchClearFlags.size() && m_batchClearFlags[index])
            ClearDataLines();
    }

    // Only a real line can carry a transaction id; a lost connection is reported below.
    if (connected && code != u"S" && code != u"E" && !Common::IsNoTID(m_answerTid) && !Common::IsNoTID(m_requestTid) &&
        m_answerTid != m_requestTid) {
        SetCurrentError(Common::GetErrorText(12), 0, m_context);
        request->setForeignAnswer(m_answerTid, answerEnd || code == u"END");
        request->SetState(KLVRequest::Failed);
        return;
    }

    QStringList fields;
    const auto field = [&fields](int n) { return n <= fields.size() ? fields[n - 1] : QString(); };
    const auto splitFields = [&] { KLVCmdParser::GetFieldsArray(fieldsText, fields, true, MaxAnswerFields); };

    if (code == u"ACK") {
        m_atEOF = true;
    } else if (code == u"NAK") {
        splitFields();
        m_atEOF = true;
        SetCurrentError(field(1), Common::ToLong(field(2)), field(3));
    } else if (code == u"END") {
        // The session ends: the state below says so.
    } else if (code == u"BOD") {
        splitFields();
        if (!field(2).isEmpty())
            m_recordTotal = Common::ToLong(field(2));
        m_blockCount = 0;
    } else if (code == u"EOD") {
        splitFields();
        m_atEOF = Common::ParseBool(field(3));
    } else if (code == u"DM") {
        receiveMetaData(fieldsText);
    } else if (code == u"D") {
        ++m_blockCount;
        // The record keeps the line's storage, less code and transaction id.
        line.remove(0, fieldsStart < 0 ? line.size() : fieldsStart);
        m_dataLines.push_back(std::move(line));
        if (m_dataCacheSize >= 1 && int(m_dataLines.size()) > m_dataCacheSize)
            trimCache();
        // The views into the line are gone; a record never ends the answer.
        if (!connected)
            request->SetState(KLVRequest::SessionEnded);
        return;
    } else if (code == u"DC") {
        // A continuation without a record to continue has nothing to join: it is dropped.
        if (!m_dataLines.empty())
            m_dataLines.back().append(fieldsText);
    } else if (code == u"E") {
        splitFields();
        addMessage(KLVMessage::create(messageTypeError, field(2), field(1), Common::ToLong(field(3)),
                                      Common::ToLong(field(4)), field(5), QString()),
                   true);
    } else if (code == u"S") {
        splitFields();
        if (field(2) == u"TEXT"_s)
            addMessage(KLVMessage::create(messageTypeText, QString(), field(1), 0, 0, QString(), QString()), false);
        else if (field(3) != u"2797"_s)
            addMessage(KLVMessage::create(messageTypeStatus, field(2), field(1), Common::ToLong(field(3)), 0, QString(),
                                          QString()),
                       false);
    } else if (!connected) {
        // The connection ended before the answer did.
        const QString text = Common::GetErrorText(5);
        addMessage(KLVMessage::create(messageTypeError, u"ERROR"_s, text, 0, 0, QString(), QString()), true);
        SetCurrentError(text, 0, m_context);
    } else {
        SetCurrentError(Common::GetErrorText(1) + u"\r\n"_s + line, 0, m_context);
        request->SetState(KLVRequest::Failed);
    }

    if (!connected || code == u"END") {
        request->SetState(KLVRequest::SessionEnded);
        return;
    }
    if (!answerEnd)
        return;
    if (m_batchCount == 0) {
        request->SetState(code == u"NAK" ? KLVRequest::Failed : KLVRequest::Done);
        return;
    }
    if (code == u"NAK") {
        ++m_negativeCounter;
        addMessage(KLVMessage::create(messageTypeError, u"ERROR"_s, m_currentError->Message(), m_currentError->Number(),
                                      0, QString(), QString()),
                   false);
    }
    if (m_answerCounter >= m_batchCount) {
        m_batchCount = 0;
        if (m_negativeCounter == 0) {
            request->SetState(KLVRequest::Done);
        } else {
            SetCurrentError(Common::GetErrorText(27), 0, m_context);
            request->SetState(KLVRequest::Failed);
        }
    }
}

void KLVResultSet::receiveMetaData(QStringView fieldsText)
{
    QStringList fields;
    const int count = KLVCmdParser::GetFieldsArray(fieldsText, fields, true, MaxRecordFields);
    if (count < 1)
        return;
    const QString& keyword = fields[0];
    const int columns = count - 1;
    if (keyword == u"NAME"_s) {
        m_metaData.clear();
        m_metaData.reserve(columns);
        for (int i = 1; i <= columns; ++i) {
            auto column = QSharedPointer<KLVQueryFieldMetaData>::create();
            column->SetName(fields[i]);
            m_metaData.append(column);
        }
        return;
    }
    // Attribute lines fill the columns that a NAME line made; extra values have no column.
    const int n = std::min(columns, int(m_metaData.size()));
    for (int i = 1; i <= n; ++i) {
        KLVQueryFieldMetaData* column = m_metaData[i - 1].data();
        const QString& value = fields[i];
        if (keyword == u"OUTNAME"_s)
            column->SetOutputName(value);
        else if (keyword == u"ORIGNAME"_s)
            column->SetOrigName(value);
        else if (keyword == u"DESC"_s)
            column->SetDescription(value);
        else if (keyword == u"TABLEFLAG"_s)
            column->SetIsTabField(Common::ParseBool(value));
        else if (keyword == u"LENGTH"_s)
            column->SetLength(Common::ToLong(value));
        else if (keyword == u"TYPE"_s)
            column->SetERPType(value);
    }
}

void KLVResultSet::trimCache()
{
    // The records of the block being received always stay.
    const qsizetype limit = std::max<qsizetype>(m_dataCacheSize, 2 * qsizetype(m_blockCount));
    while (qsizetype(m_dataLines.size()) > limit) {
        m_dataLines.pop_front();
        ++m_dropped;
    }
}

bool KLVResultSet::SetCurrRecord(int n, bool fill)
{
    if (n <= m_dropped || n > GetRecordCount()) {
        if (fill)
            m_currentFields.clear();
        return false;
    }
    m_currentRecord = n;
    if (fill) {
        m_currentFields.clear();
        KLVCmdParser::GetFieldsArray(m_dataLines[size_t(n - 1 - m_dropped)], m_currentFields, true, MaxRecordFields);
    }
    return true;
}

QString KLVResultSet::GetFieldVal(int n) const
{
    if (n < 1 || n > m_currentFields.size())
        return {};
    return m_currentFields[n - 1];
}
