#include "KLVResultSet.h"
#include "AnsiCodec.h"
#include "Common.h"
#include "KLVDispatch.h"
#include "KLVQueryFieldMetaData.h"
#include "KLVRequest.h"
#include "KLVSockComm.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace {

enum class Code { Other, ACK, NAK, END, BOD, EOD, DM, D, DC, E, S };

Code codeOf(QByteArrayView code)
{
    switch (code.size()) {
    case 1:
        switch (code[0]) {
        case 'D':
            return Code::D;
        case 'E':
            return Code::E;
        case 'S':
            return Code::S;
        }
        break;
    case 2:
        if (code == "DM")
            return Code::DM;
        if (code == "DC")
            return Code::DC;
        break;
    case 3:
        if (code == "ACK")
            return Code::ACK;
        if (code == "NAK")
            return Code::NAK;
        if (code == "EOD")
            return Code::EOD;
        if (code == "BOD")
            return Code::BOD;
        if (code == "END")
            return Code::END;
        break;
    }
    return Code::Other;
}

bool isNoTid(QByteArrayView tid)
{
    return tid.isEmpty() || (tid.size() == 1 && tid[0] == '0');
}

// Transaction ids are a few digits: compared in place, without a call per line.
inline bool sameBytes(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

// Records go into a new block once the one being filled holds this much: a block the cache
// lets go frees its memory, and no block grows past what one record adds to this.
constexpr qsizetype BlockBytes = qsizetype(1) << 20;
// A record joined from continuation lines may not grow past this.
constexpr qsizetype MaxRecordBytes = qsizetype(1) << 30;

} // namespace

KLVResultSet::KLVResultSet(QObject* parent) : QObject(parent), m_currentError(QSharedPointer<KLVError>::create()) {}

KLVResultSet::~KLVResultSet()
{
    abandonAhead();
}

void KLVResultSet::resetCurrentError()
{
    m_currentError = QSharedPointer<KLVError>::create();
    m_messages.clear();
}

void KLVResultSet::SetCurrentError(const QString& text, int number, const QString& context)
{
    m_currentError->SetError(number, text, context, m_messages);
}

void KLVResultSet::setLibraryError(int code, const QString& detail)
{
    const QString text =
        detail.isEmpty() ? Common::GetErrorText(code) : Common::GetErrorText(code) + u"\r\n"_s + detail;
    SetCurrentError(text, 0, m_context);
    m_currentError->setApiErrorCode(code);
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
    Common::AssertLibraryThread(this);
    if (m_hadConnection && !m_connection) {
        // The session that owned the connection is gone: as good as a dropped connection.
        setLibraryError(5);
        return KLVRequest::SessionEnded;
    }
    KLVRequest request;
    // A line sent without an answer (a break) may go out from a handler while a request of
    // this result set waits: that one stays the running one.
    KLVRequest* const outer = m_running;
    if (type != KLVRequest::SendOnly)
        m_running = &request;
    request.Perform(type, this, m_connection);
    m_running = outer;
    return endRequest(request);
}

int KLVResultSet::endRequest(const KLVRequest& request)
{
    const int state = request.GetState();
    if (request.GetType() == KLVRequest::SendOnly)
        return state;
    if (state != KLVRequest::Done && (!m_answerEnded || m_answerRefused))
        discardAnswer();
    // The server refused the command the caller broke off: its words stay, and the library's
    // code tells the caller that it was broken off.
    if (request.broken() && state == KLVRequest::Failed && m_currentError->ApiErrorCode() == 0)
        m_currentError->setApiErrorCode(32);
    return state;
}

bool KLVResultSet::sendAhead(const QString& tid, const QString& line)
{
    Common::AssertLibraryThread(this);
    if (m_ahead || m_running || !m_connection)
        return false;
    prepareAnswer(tid);
    m_cmdLine = line;
    m_logLine = line;
    m_ahead = std::make_unique<KLVRequest>();
    m_ahead->setAhead(true);
    m_ahead->Start(KLVRequest::SendAndRead, this, m_connection);
    // Out now, not when the caller next waits: the server is to work while the caller reads.
    m_connection->dispatcher()->startIfIdle(m_ahead.get());
    return true;
}

bool KLVResultSet::aheadEnded() const
{
    return m_ahead && m_ahead->hasEnded();
}

bool KLVResultSet::claimAhead(const QString& next, int* records)
{
    Common::AssertLibraryThread(this);
    if (!m_ahead)
        return false;
    const std::unique_ptr<KLVRequest> request = std::move(m_ahead);
    KLVRequest* const outer = std::exchange(m_running, request.get());
    const bool wasProcessing = std::exchange(m_processing, true);
    m_successorLine = next;
    m_claimSettled = false;
    request->claim();
    request->WaitForEnd();
    m_successorLine.clear();
    m_processing = wasProcessing;
    m_running = outer;
    const bool settled = std::exchange(m_claimSettled, false);
    const int state = settled ? m_claimState : endRequest(*request);
    if (records)
        *records = settled ? m_claimRecords : answerRecordCount();
    return state == KLVRequest::Done;
}

void KLVResultSet::settleClaimed(KLVRequest* request)
{
    if (!m_ahead || !m_aheadUnbegun || request != m_running)
        return;
    if (!request->successorSent()) {
        // Its line never went out: the caller asks for the block anew.
        abandonAhead();
        return;
    }
    m_claimSettled = true;
    m_claimState = endRequest(*request);
    m_claimRecords = answerRecordCount();
    if (m_claimState != KLVRequest::Done) {
        abandonAhead();
        return;
    }
    m_aheadUnbegun = false;
    beginAnswer(m_requestTid);
}

KLVRequest* KLVResultSet::queueSuccessor()
{
    if (!wantsSuccessor() || !m_connection)
        return nullptr;
    // The line is the one the claimed answer was asked with: the same command, the same tid.
    m_cmdLine = std::exchange(m_successorLine, QString());
    m_logLine = m_cmdLine;
    m_ahead = std::make_unique<KLVRequest>();
    m_ahead->setAhead(true);
    m_aheadUnbegun = true;
    m_ahead->Start(KLVRequest::SendAndRead, this, m_connection);
    return m_ahead.get();
}

bool KLVResultSet::endAsksForMore(QByteArrayView line) const
{
    QByteArrayView code;
    QByteArrayView tid;
    QByteArrayView fieldsText;
    KLVCmdParser::SplitLineBytes(line, code, tid, fieldsText);
    if (code != "EOD" || !sameBytes(tid, m_requestTidBytes) || (m_answerHasTid && !sameBytes(tid, m_answerOwnTid)))
        return false;
    QStringList fields;
    KLVCmdParser::GetFieldsArray(decode(fieldsText), fields, true, MaxAnswerFields);
    return fields.size() >= 3 && !Common::ParseBool(fields[2]);
}

void KLVResultSet::abandonAhead()
{
    if (!m_ahead)
        return;
    std::unique_ptr<KLVRequest> request = std::move(m_ahead);
    const bool begun = !std::exchange(m_aheadUnbegun, false);
    // A handler that runs while its line goes out or one of its lines is read may abandon
    // it: it goes once that is through.
    const bool inUse = m_receiving > 0 || request->GetState() == KLVRequest::Sending;
    if (!request->hasEnded() && m_connection && m_connection->dispatcher())
        m_connection->dispatcher()->abandon(request.get());
    // What it brought already is no part of what the caller reads: nobody asked for it. One
    // not begun brought nothing; the answer in hand is the one before it.
    if (begun)
        discardAnswer();
    if (inUse)
        request.release()->deleteLater();
}

KLVDispatch::BreakOutcome KLVResultSet::breakRunning()
{
    KLVRequest* request = m_running;
    if (!request || !m_connection)
        return KLVDispatch::BreakOutcome::NotRunning;
    return m_connection->dispatcher()->breakRequest(request);
}

bool KLVResultSet::runningBroken() const
{
    return m_running && m_running->broken();
}

void KLVResultSet::prepareAnswer(const QString& tid)
{
    // A new answer begins: a block read ahead is no longer what comes next.
    abandonAhead();
    beginAnswer(tid);
}

void KLVResultSet::beginAnswer(const QString& tid)
{
    resetCurrentError();
    m_requestTid = tid;
    m_requestTidBytes = tid.toUtf8();
    m_answerHasTid = false;
    m_answerCounter = 0;
    m_negativeCounter = 0;
    m_answerEnded = false;
    m_answerRefused = false;
    m_recordOpen = false;
    markAnswerStart();
}

void KLVResultSet::markAnswerStart()
{
    m_answerFirstRecord = GetRecordCount();
    m_answerStartTotal = m_recordTotal;
    m_answerStartEOF = m_atEOF;
    m_answerStartMetaData = m_metaData;
}

void KLVResultSet::answerOutOfStep(const QString& detail)
{
    setLibraryError(1, detail);
    m_answerEnded = false;
}

void KLVResultSet::discardAnswer()
{
    while (GetRecordCount() > m_answerFirstRecord && !m_records.empty()) {
        --m_records.back().block->records;
        m_records.pop_back();
    }
    // Records of the answer that the cache let go already are gone as well.
    m_dropped = std::min(m_dropped, m_answerFirstRecord);
    while (!m_blocks.empty() && m_blocks.back()->records == 0)
        m_blocks.pop_back();
    m_startBlock = true;
    m_blockCount = 0;
    m_recordOpen = false;
    m_recordTotal = m_answerStartTotal;
    m_atEOF = m_answerStartEOF;
    m_metaData = m_answerStartMetaData;
    if (m_currentRecord > GetRecordCount()) {
        m_currentRecord = GetRecordCount();
        clearCurrentFields();
    }
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
    if (m_running) {
        // Sent from a handler while this result set's own request waits (a break): the
        // answer in progress is left as it is.
        const QString cmdLine = std::exchange(m_cmdLine, line);
        const QString logLine = std::exchange(m_logLine, line);
        const int state = perform(KLVRequest::SendOnly);
        m_cmdLine = cmdLine;
        m_logLine = logLine;
        return state == KLVRequest::Done;
    }
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
    m_records.clear();
    m_blocks.clear();
    m_startBlock = true;
    m_metaData.clear();
    m_dropped = 0;
    m_blockCount = 0;
    m_currentRecord = 0;
    m_recordTotal = 0;
    m_atEOF = false;
    m_recordOpen = false;
    clearCurrentFields();
    // A command that clears the data begins its answer with nothing.
    markAnswerStart();
}

void KLVResultSet::addMessage(const QSharedPointer<KLVMessage>& message, bool toError)
{
    if (toError)
        m_messages.append(message);
    Q_EMIT MessageReceived(message);
}

QString KLVResultSet::decode(QByteArrayView bytes) const
{
    return m_unicode ? QString::fromUtf8(bytes) : AnsiCodec::decode(bytes);
}

void KLVResultSet::refuseAnswer(const QString& detail)
{
    if (m_answerRefused)
        return;
    setLibraryError(1, detail);
    m_answerRefused = true;
}

void KLVResultSet::checkRecordWidth()
{
    if (!m_recordOpen || m_records.empty())
        return;
    // A record needs a byte per field at least: only a long one can be too wide.
    const RecordRef& record = m_records.back();
    if (record.length <= quint32(MaxRecordFields))
        return;
    std::vector<KLVFieldSpan> spans;
    std::vector<char> unescaped;
    const int fields =
        KLVCmdParser::SplitFieldBytes(QByteArrayView(record.block->bytes.constData() + record.offset, record.length),
                                      spans, unescaped, MaxRecordFields + 1, record.block->unicode);
    if (fields > MaxRecordFields)
        refuseAnswer(u"(a record of more than "_s + QString::number(MaxRecordFields) + u" fields)"_s);
}

void KLVResultSet::protocolViolation(KLVRequest* request, const QString& text, int code)
{
    // Where the answer in progress would end cannot be trusted any more, nor whose the lines
    // behind it are: the queue closes the connection.
    SetCurrentError(text, 0, m_context);
    m_currentError->setApiErrorCode(code);
    m_answerEnded = false;
    m_recordOpen = false;
    request->setLeftover(KLVRequest::Leftover::OutOfStep);
    request->SetState(KLVRequest::Failed);
}

void KLVResultSet::ReceiveLine(QByteArrayView line, bool connected, KLVRequest* request, const QByteArray* source)
{
    ++m_receiving;
    receiveLine(line, connected, request, source);
    --m_receiving;
}

void KLVResultSet::receiveLine(QByteArrayView line, bool connected, KLVRequest* request, const QByteArray* source)
{
    // Code and transaction id are looked at on the bytes: most lines are records.
    QByteArrayView codeBytes;
    QByteArrayView tid;
    QByteArrayView fieldsText;
    KLVCmdParser::SplitLineBytes(line, codeBytes, tid, fieldsText);
    const Code code = connected ? codeOf(codeBytes) : Code::Other;
    if (!sameBytes(tid, m_answerTidBytes)) {
        m_answerTidBytes = tid.toByteArray();
        m_answerTid = decode(tid);
    }
    const bool answerEnd = code == Code::ACK || code == Code::NAK || code == Code::EOD;

    if (m_batchCount > 0 && answerEnd) {
        const int index = m_answerCounter++;
        if (index < m_batchClearFlags.size() && m_batchClearFlags[index])
            ClearDataLines();
    }

    // Transaction ids. Status and error lines carry none that counts, and the end of the
    // session ends everything anyway. A line of another transaction than the one the command
    // was sent for, or than the answer's own first line, is no part of this answer.
    if (connected && code != Code::S && code != Code::E && code != Code::END) {
        const bool foreign = !isNoTid(tid) && !isNoTid(m_requestTidBytes) && !sameBytes(tid, m_requestTidBytes);
        const bool known = code != Code::Other;
        const bool stray = known && m_answerHasTid && !sameBytes(tid, m_answerOwnTid);
        if (foreign || stray) {
            protocolViolation(request, Common::GetErrorText(12), 12);
            return;
        }
        if (known && !m_answerHasTid) {
            m_answerOwnTid = tid.toByteArray();
            m_answerHasTid = true;
        }
    }

    if (code == Code::D) {
        checkRecordWidth();
        ++m_blockCount;
        storeRecord(fieldsText, source);
        m_recordOpen = true;
        return; // a record never ends the answer
    }
    if (code == Code::DC) {
        // A continuation belongs to the record right before it in the same block; after any
        // other line it would be glued onto a record it is no part of.
        if (!m_recordOpen || m_records.empty())
            protocolViolation(request, Common::GetErrorText(1) + u"\r\n"_s + Common::MaskSecrets(decode(line)), 1);
        else if (!continueRecord(fieldsText))
            protocolViolation(request,
                              Common::GetErrorText(1) + u"\r\n(record longer than "_s +
                                  QString::number(MaxRecordBytes) + u" bytes)"_s,
                              1);
        return;
    }
    checkRecordWidth();
    m_recordOpen = false;

    // The other lines are few: their fields are made text. Nothing below may look at the
    // line's bytes once a message went out, since its handler may receive further lines.
    QStringList fields;
    const auto field = [&fields](int n) { return n <= fields.size() ? fields[n - 1] : QString(); };
    int fieldCount = 0;
    if (code != Code::Other && code != Code::ACK && code != Code::END)
        fieldCount = KLVCmdParser::GetFieldsArray(decode(fieldsText), fields, true,
                                                  code == Code::DM ? MaxRecordFields + 2 : MaxAnswerFields);

    switch (code) {
    case Code::ACK:
        m_atEOF = true;
        break;
    case Code::NAK:
        m_atEOF = true;
        if (!m_answerRefused)
            SetCurrentError(field(1), Common::ToLong(field(2)), field(3));
        break;
    case Code::END:
        // The server ends the session in the middle of the exchange: as good as a drop.
        setLibraryError(5);
        request->setLeftover(KLVRequest::Leftover::SessionEnded);
        request->SetState(KLVRequest::SessionEnded);
        return;
    case Code::BOD:
        if (!field(2).isEmpty())
            m_recordTotal = Common::ToLong(field(2));
        m_blockCount = 0;
        m_startBlock = true;
        break;
    case Code::EOD:
        m_atEOF = Common::ParseBool(field(3));
        break;
    case Code::DM:
        // The keyword, then a value per column.
        if (fieldCount > MaxRecordFields + 1)
            refuseAnswer(u"(a metadata line of more than "_s + QString::number(MaxRecordFields) + u" columns)"_s);
        else
            receiveMetaData(fields, fieldCount);
        break;
    case Code::E:
        addMessage(KLVMessage::create(messageTypeError, field(2), field(1), Common::ToLong(field(3)),
                                      Common::ToLong(field(4)), field(5), QString()),
                   true);
        break;
    case Code::S:
        if (field(2) == u"TEXT"_s)
            addMessage(KLVMessage::create(messageTypeText, QString(), field(1), 0, 0, QString(), QString()), false);
        else if (field(3) != u"2797"_s)
            addMessage(KLVMessage::create(messageTypeStatus, field(2), field(1), Common::ToLong(field(3)), 0, QString(),
                                          QString()),
                       false);
        break;
    default:
        if (!connected) {
            // The connection ended before the answer did.
            const QString text = Common::GetErrorText(5);
            addMessage(KLVMessage::create(messageTypeError, u"ERROR"_s, text, 0, 0, QString(), QString()), true);
            setLibraryError(5);
            request->SetState(KLVRequest::SessionEnded);
        } else {
            protocolViolation(request, Common::GetErrorText(1) + u"\r\n"_s + Common::MaskSecrets(decode(line)), 1);
        }
        return;
    }

    if (!answerEnd)
        return;
    if (m_batchCount == 0) {
        m_answerEnded = true;
        request->SetState(code == Code::NAK || m_answerRefused ? KLVRequest::Failed : KLVRequest::Done);
        settleClaimed(request);
        return;
    }
    // Each command of a batch has an answer of its own, with a transaction id of its own.
    m_answerHasTid = false;
    if (code == Code::NAK) {
        ++m_negativeCounter;
        addMessage(KLVMessage::create(messageTypeError, u"ERROR"_s, m_currentError->Message(), m_currentError->Number(),
                                      0, QString(), QString()),
                   false);
    }
    if (m_answerCounter >= m_batchCount) {
        m_batchCount = 0;
        m_answerEnded = true;
        if (m_answerRefused) {
            request->SetState(KLVRequest::Failed);
        } else if (m_negativeCounter == 0) {
            request->SetState(KLVRequest::Done);
        } else {
            setLibraryError(27);
            request->SetState(KLVRequest::Failed);
        }
    }
}

KLVResultSet::Block* KLVResultSet::ownBlock()
{
    Block* block = m_blocks.empty() ? nullptr : m_blocks.back().get();
    if (m_startBlock || !block || block->shared || block->unicode != m_unicode || block->bytes.size() >= BlockBytes) {
        m_blocks.push_back(std::make_shared<Block>());
        block = m_blocks.back().get();
        block->unicode = m_unicode;
        m_startBlock = false;
    }
    return block;
}

void KLVResultSet::storeRecord(QByteArrayView fieldsText, const QByteArray* source)
{
    Block* block = m_blocks.empty() ? nullptr : m_blocks.back().get();
    qsizetype offset = 0;
    if (source && !fieldsText.isEmpty() && fieldsText.data() >= source->constData() &&
        fieldsText.data() + fieldsText.size() <= source->constData() + source->size()) {
        // The record stays where it arrived: its chunk is shared, not copied.
        if (!block || !block->shared || block->bytes.constData() != source->constData() ||
            block->unicode != m_unicode) {
            m_blocks.push_back(std::make_shared<Block>());
            block = m_blocks.back().get();
            block->bytes = *source;
            block->unicode = m_unicode;
            block->shared = true;
        }
        offset = fieldsText.data() - source->constData();
    } else {
        block = ownBlock();
        offset = block->bytes.size();
        block->bytes.append(fieldsText);
    }
    ++block->records;
    m_records.push_back({block, quint32(offset), quint32(fieldsText.size())});
    if (m_dataCacheSize >= 1 && qsizetype(m_records.size()) > m_dataCacheSize)
        trimCache();
}

bool KLVResultSet::continueRecord(QByteArrayView fieldsText)
{
    RecordRef& record = m_records.back();
    if (qsizetype(record.length) + fieldsText.size() > MaxRecordBytes)
        return false;
    Block* block = m_blocks.back().get();
    if (record.block != block || block->shared || qsizetype(record.offset) + record.length != block->bytes.size()) {
        // The record does not end a block of our own: it moves to the end of one to grow.
        const QByteArray copy(record.block->bytes.constData() + record.offset, record.length);
        --record.block->records;
        block = ownBlock();
        record.block = block;
        record.offset = quint32(block->bytes.size());
        block->bytes.append(copy);
        ++block->records;
    }
    block->bytes.append(fieldsText);
    record.length += quint32(fieldsText.size());
    return true;
}

void KLVResultSet::receiveMetaData(const QStringList& fields, int count)
{
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

void KLVResultSet::dropOldestRecord()
{
    --m_records.front().block->records;
    m_records.pop_front();
    ++m_dropped;
    // A block goes once none of its records is kept; the one being filled stays.
    while (m_blocks.size() > 1 && m_blocks.front()->records == 0)
        m_blocks.pop_front();
}

void KLVResultSet::trimCache()
{
    // The records of the block being received always stay.
    qsizetype limit = std::max<qsizetype>(m_dataCacheSize, 2 * qsizetype(m_blockCount));
    // An answer read ahead that is taken in before its caller asks for it (another request
    // needs the connection) comes while the caller still reads: what it has yet to read stays.
    if (m_ahead && !m_ahead->claimed() && m_currentRecord > m_dropped)
        limit = std::max<qsizetype>(limit, qsizetype(GetRecordCount()) - m_currentRecord + 1);
    while (qsizetype(m_records.size()) > limit)
        dropOldestRecord();
}

void KLVResultSet::clearCurrentFields()
{
    m_fields.clear();
    m_unescaped.clear();
    m_currentBlock.reset();
    m_currentOffset = m_currentLength = 0;
}

bool KLVResultSet::SetCurrRecord(int n, bool fill)
{
    if (n <= m_dropped || n > GetRecordCount()) {
        if (fill)
            clearCurrentFields();
        return false;
    }
    if (fill) {
        const RecordRef& record = m_records[size_t(n - 1 - m_dropped)];
        if (m_currentBlock.get() != record.block) {
            for (auto it = m_blocks.rbegin(); it != m_blocks.rend(); ++it) {
                if (it->get() == record.block) {
                    m_currentBlock = *it;
                    break;
                }
            }
        }
        m_currentOffset = record.offset;
        m_currentLength = record.length;
        m_currentUnicode = record.block->unicode;
        m_unescaped.clear();
        // Wider records fail their answer; none is ever handed out cut.
        if (KLVCmdParser::SplitFieldBytes(currentRecordBytes(), m_fields, m_unescaped, MaxRecordFields + 1,
                                          m_currentUnicode) > MaxRecordFields) {
            clearCurrentFields();
            return false;
        }
    }
    m_currentRecord = n;
    return true;
}

QString KLVResultSet::decodeField(const KLVFieldSpan& span) const
{
    const QByteArrayView bytes = spanBytes(span);
    return m_currentUnicode ? QString::fromUtf8(bytes) : AnsiCodec::decode(bytes);
}

QString KLVResultSet::GetFieldVal(int n) const
{
    if (n < 1 || n > int(m_fields.size()))
        return {};
    return decodeField(m_fields[size_t(n - 1)]);
}

QStringList KLVResultSet::GetFields() const
{
    QStringList out;
    out.reserve(qsizetype(m_fields.size()));
    for (const KLVFieldSpan& span : m_fields)
        out.append(decodeField(span));
    return out;
}
