#pragma once

// The receiving end of every command exchange: sends a line through a request, reads the
// answer lines as they arrive into records, column metadata, the current error and server
// messages, and decides when the answer ends.
//
// Records are kept as the raw bytes they arrived in: a record is an offset and a length into
// the received chunk it came in, which it shares with the connection's reader (a record that
// was joined from lines is copied into a block of the result set's own), and the bounded cache
// lets a chunk go once none of its records is kept. A record is cut into fields only when it becomes
// current, into a reused list of offsets, and a field is turned into text only when a caller
// asks for it; only fields that hold a backslash are copied, unescaped.

#include "KLVCmdParser.h"
#include "KLVDispatch.h"
#include "KLVError.h"
#include "KLVMessage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <vector>

class KLVRequest;
class KLVSockComm;
class KLVQueryFieldMetaData;

using KLVFieldMetaDataList = QList<QSharedPointer<KLVQueryFieldMetaData>>;

class KLVResultSet : public QObject
{
    Q_OBJECT
public:
    // Fields of ordinary answer lines that are read; further ones carry nothing the library
    // uses and are ignored.
    static constexpr int MaxAnswerFields = 99;
    // The most fields of a record, and columns of a metadata line, that are taken: far more
    // than any table has, and bounding what one line can make the library hold. An answer
    // with a wider one fails whole (error 1, saying so), read to its end in step; its records
    // are never handed out with fields missing.
    static constexpr int MaxRecordFields = 100000;
    static constexpr int MaxBatchCommands = 1000;

    explicit KLVResultSet(QObject* parent = nullptr);
    ~KLVResultSet() override;

    void SetConnection(KLVSockComm* connection);
    KLVSockComm* connection() const;

    // Sends line and reads its answer; true when the answer ended successfully.
    bool ProcessCommand(const QString& tid, const QString& line, const QString& logLine, bool clearData);
    bool IsProcessing() const { return m_processing; }
    // Sends line without reading an answer; true when it was sent.
    bool SendCommandLine(const QString& line, const QString& tid, bool clearData);
    // Buffers one command of a batch; throws KLVRuntimeError when the batch is full.
    void SendCommandLineBatch(const QString& line, bool clearData);
    // Sends the buffered batch at once and reads one answer per command.
    bool FinishBatchCommands(const QString& tid);
    int batchCount() const { return m_batchCount; }
    // Reads an answer without sending anything.
    bool ReceiveAnswer(const QString& tid);
    // Breaks this result set's running request off: one still queued ends at once (error
    // 32); one whose line went out goes on waiting for the server's answer, which decides
    // its outcome (a refusal of the broken command fails it with the server's words and the
    // library's code 32).
    KLVDispatch::BreakOutcome breakRunning();
    // True while the running request waits for its answer after a break of it went out.
    bool runningBroken() const;

    // Reading ahead: the next block of a selection asked for while the caller still reads the
    // one before, so that the server works on it meanwhile. sendAhead queues line (sent at
    // once when the connection is free) as the next answer of this result set, appended to
    // the data, without waiting; its answer stays in the connection until claimAhead, which
    // waits for its end and returns as ProcessCommand does. Another request on the connection
    // takes the answer in first (the records then come before they are claimed). Any other
    // command of this result set abandons it (abandonAhead): its answer is skipped.
    bool sendAhead(const QString& tid, const QString& line);
    bool hasAhead() const { return m_ahead != nullptr; }
    // The answer ahead has ended (taken in for another request) but was not claimed yet.
    bool aheadEnded() const;
    // With next, the caller reads on: the moment the claimed answer is whole in the connection
    // and asks for more, next goes out as the new answer ahead, before the records are taken
    // in. When the claimed answer ends, what the caller gets of it is settled (records, when
    // given, is how many it brought) and the new one begins, so that it may be taken in at
    // once; a claimed answer that failed abandons it.
    bool claimAhead(const QString& next = QString(), int* records = nullptr);
    void abandonAhead();
    // For the queue, while a claimed answer is read: whether the caller wants its successor,
    // whether line (the answer's last) ends it asking for more, and the successor queued.
    bool wantsSuccessor() const { return !m_successorLine.isEmpty() && !m_ahead; }
    bool endAsksForMore(QByteArrayView line) const;
    KLVRequest* queueSuccessor();
    // Records of the answer read last (the block a GNR or the answer ahead brought).
    int answerRecordCount() const { return GetRecordCount() - m_answerFirstRecord; }

    QString getTID() const { return m_answerTid; }
    QString requestTID() const { return m_requestTid; }
    void ClearDataLines();

    // Starts reading an answer to a command sent with tid: a fresh current error, no
    // answers counted yet. The command operations call it; tests feed lines after it.
    void prepareAnswer(const QString& tid);
    // The same without abandoning the answer ahead.
    void beginAnswer(const QString& tid);
    // The claimed answer ended while the one after it is out: see claimAhead.
    void settleClaimed(KLVRequest* request);
    // The answer turned out not to be in step with its command (the queue found data behind
    // its end line, or before the command went out): error 1 with detail, and the answer is
    // no longer taken as ended.
    void answerOutOfStep(const QString& detail);
    // True once the answer read since prepareAnswer ended with its own end line (also a
    // negative one) and was not found out of step since.
    bool answerEnded() const { return m_answerEnded; }
    // Takes back what the answer read since prepareAnswer stored: its records, record total,
    // end flag and metadata. An answer that did not end in step is no answer: nothing of it
    // is handed out.
    void discardAnswer();

    // The character set of the lines handed in from now on (the connection's).
    void setUnicode(bool on) { m_unicode = on; }
    bool unicode() const { return m_unicode; }

    // Interprets one answer line and sets the request's next state. An empty line with
    // connected false reports that the connection ended. The bytes are only read during the
    // call, unless source is given: the received chunk the line lies in, whose bytes a record
    // then shares instead of copying them.
    void ReceiveLine(QByteArrayView line, bool connected, KLVRequest* request, const QByteArray* source = nullptr);

    int GetRecordCount() const { return m_dropped + int(m_records.size()); }
    int GetCurrRecordNr() const { return m_currentRecord; }
    int GetRecordTotal() const { return m_recordTotal; }
    bool MoveNext(bool fill) { return SetCurrRecord(m_currentRecord + 1, fill); }
    bool SetCurrRecord(int n, bool fill);
    int GetFieldCount() const { return int(m_fields.size()); }
    QString GetFieldVal(int n) const;
    QStringList GetFields() const;
    // Field n of the current record as its unescaped bytes, in the character set the record
    // came in (recordIsUnicode); empty outside the record. Valid until the record changes or
    // further lines are received.
    QByteArrayView fieldBytes(int n) const
    {
        return n < 1 || n > int(m_fields.size()) ? QByteArrayView() : spanBytes(m_fields[size_t(n - 1)]);
    }
    bool recordIsUnicode() const { return m_currentUnicode; }
    // One object per column after metadata lines; empty after a reset.
    KLVFieldMetaDataList GetFieldMetaData() const { return m_metaData; }

    QString Context() const { return m_context; }
    void setContext(const QString& context) { m_context = context; }

    const QSharedPointer<KLVError>& GetCurrentError() const { return m_currentError; }
    void SetCurrentError(const QString& text, int number, const QString& context);
    // The same for an error the library found itself: number 0, its text, its code kept.
    void setLibraryError(int code, const QString& detail = QString());
    QString GetCurrCmdLine(bool forLog) const { return forLog ? m_logLine : m_cmdLine; }

    int DataCacheSize() const { return m_dataCacheSize; }
    void setDataCacheSize(int size);
    bool atEOF() const { return m_atEOF; }
    int droppedCount() const { return m_dropped; }

Q_SIGNALS:
    void MessageReceived(const QSharedPointer<KLVMessage>& message);

private:
    // Bytes that records lie in: a received chunk, shared, or a block of the result set's own
    // that records are copied to.
    struct Block
    {
        QByteArray bytes;
        bool unicode = false;
        bool shared = false; // a received chunk: nothing is ever appended to it
        int records = 0;     // records of the cache that lie in it
    };
    struct RecordRef
    {
        Block* block;
        quint32 offset;
        quint32 length;
    };

    void receiveLine(QByteArrayView line, bool connected, KLVRequest* request, const QByteArray* source);
    void resetCurrentError();
    void addMessage(const QSharedPointer<KLVMessage>& message, bool toError);
    void receiveMetaData(const QStringList& fields, int count);
    void storeRecord(QByteArrayView fieldsText, const QByteArray* source);
    void markAnswerStart();
    Block* ownBlock();
    bool continueRecord(QByteArrayView fieldsText);
    void dropOldestRecord();
    void trimCache();
    void clearCurrentFields();
    QByteArrayView currentRecordBytes() const
    {
        return m_currentBlock ? QByteArrayView(m_currentBlock->bytes.constData() + m_currentOffset, m_currentLength)
                              : QByteArrayView();
    }
    QByteArrayView spanBytes(const KLVFieldSpan& span) const
    {
        return QByteArrayView(span.unescaped ? m_unescaped.data() + span.offset
                                             : m_currentBlock->bytes.constData() + m_currentOffset + span.offset,
                              span.length);
    }
    QString decode(QByteArrayView bytes) const;
    QString decodeField(const KLVFieldSpan& span) const;
    void protocolViolation(KLVRequest* request, const QString& text, int code);
    // The answer cannot be taken, though it is in step: error 1 with detail, and it fails
    // once its end line has come.
    void refuseAnswer(const QString& detail);
    // The record just completed is refused when it has more fields than are taken.
    void checkRecordWidth();
    int perform(int type);
    // What an ended request leaves: a failed answer hands out nothing, a broken one says so.
    int endRequest(const KLVRequest& request);

    // The session owns the connection; a query of a session that is not shared (one owned by
    // a parent object) may outlive it.
    QPointer<KLVSockComm> m_connection;
    bool m_hadConnection = false;
    QPointer<KLVRequest> m_running;
    QString m_cmdLine;
    QString m_logLine;
    QString m_requestTid = QStringLiteral("0");
    QByteArray m_requestTidBytes = QByteArrayLiteral("0");
    QString m_answerTid;
    QByteArray m_answerTidBytes;
    // The transaction id of the answer in progress, taken from its first line.
    QByteArray m_answerOwnTid;
    bool m_answerHasTid = false;
    bool m_processing = false;
    bool m_unicode = false;
    bool m_answerEnded = false;
    bool m_answerRefused = false;
    // Lines being interpreted (a handler of one may receive further lines).
    int m_receiving = 0;
    // The request sent ahead, until it is claimed or abandoned.
    std::unique_ptr<KLVRequest> m_ahead;
    // m_ahead went out while the answer before it was read: nothing of it was begun yet.
    bool m_aheadUnbegun = false;
    // What the claimed answer's successor is to ask, when the caller reads on.
    QString m_successorLine;
    // The claimed answer was settled when it ended: its outcome and its records.
    bool m_claimSettled = false;
    int m_claimState = 0;
    int m_claimRecords = 0;
    // The line before was a record (or its continuation) of the block being read: only then
    // may a DC line continue it.
    bool m_recordOpen = false;
    // What the data held when the answer began, for discardAnswer.
    int m_answerFirstRecord = 0;
    int m_answerStartTotal = 0;
    bool m_answerStartEOF = false;
    KLVFieldMetaDataList m_answerStartMetaData;

    std::deque<std::shared_ptr<Block>> m_blocks;
    std::deque<RecordRef> m_records;
    bool m_startBlock = true;
    int m_dropped = 0;
    int m_blockCount = 0;
    int m_recordTotal = 0;
    int m_currentRecord = 0;
    bool m_atEOF = false;
    KLVFieldMetaDataList m_metaData;
    int m_dataCacheSize = 10000;

    // The block of the current record, kept while its fields are read even when the cache
    // let it go.
    std::shared_ptr<Block> m_currentBlock;
    quint32 m_currentOffset = 0;
    quint32 m_currentLength = 0;
    bool m_currentUnicode = false;
    std::vector<KLVFieldSpan> m_fields;
    std::vector<char> m_unescaped;

    QSharedPointer<KLVError> m_currentError;
    KLVMessageList m_messages;
    QString m_context;

    QString m_batchBuffer;
    int m_batchCount = 0;
    QList<bool> m_batchClearFlags;
    int m_answerCounter = 0;
    int m_negativeCounter = 0;
};
