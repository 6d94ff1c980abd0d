#pragma once

// The receiving end of every command exchange: sends a line through a request, reads the
// answer lines as they arrive into records (kept raw, split on demand, in a bounded cache),
// column metadata, the current error and server messages, and decides when the answer ends.

#include "KLVError.h"
#include "KLVMessage.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

#include <deque>

class KLVRequest;
class KLVSockComm;
class KLVQueryFieldMetaData;

using KLVFieldMetaDataList = QList<QSharedPointer<KLVQueryFieldMetaData>>;

class KLVResultSet : public QObject
{
    Q_OBJECT
public:
    // Fields of ordinary answer lines, and of metadata lines and records, that are read;
    // further ones are ignored.
    static constexpr int MaxAnswerFields = 99;
    static constexpr int MaxRecordFields = 1500;
    static constexpr int MaxBatchCommands = 1000;

    explicit KLVResultSet(QObject* parent = nullptr);
    ~KLVResultSet() override;

    void SetConnection(KLVSockComm* connection);
    KLVSockComm* connection() const;

    // Sends line and reads its answer; true when the answer ended successfully.
    bool ProcessCommand(const QString& tid, const QString& line, const QString& logLine, bool clearData);
    bool IsProcessing() const { return m_processing; }
    // Sends line without reading an answer (a break); true when it was sent.
    bool SendCommandLine(const QString& line, const QString& tid, bool clearData);
    // Buffers one command of a batch; throws KLVRuntimeError when the batch is full.
    void SendCommandLineBatch(const QString& line, bool clearData);
    // Sends the buffered batch at once and reads one answer per command.
    bool FinishBatchCommands(const QString& tid);
    int batchCount() const { return m_batchCount; }
    // Reads an answer without sending anything.
    bool ReceiveAnswer(const QString& tid);

    QString getTID() const { return m_answerTid; }
    QString requestTID() const { return m_requestTid; }
    void ClearDataLines();

    // Starts reading an answer to a command sent with tid: a fresh current error, no
    // answers counted yet. The command operations call it; tests feed lines after it.
    void prepareAnswer(const QString& tid);

    // Interprets one answer line and sets the request's next state. A line of "" with
    // connected false reports that the connection ended. Taken by value: a record keeps the
    // line's own storage.
    void ReceiveLine(QString line, bool connected, KLVRequest* request);

    int GetRecordCount() const { return m_dropped + int(m_dataLines.size()); }
    int GetCurrRecordNr() const { return m_currentRecord; }
    int GetRecordTotal() const { return m_recordTotal; }
    bool MoveNext(bool fill) { return SetCurrRecord(m_currentRecord + 1, fill); }
    bool SetCurrRecord(int n, bool fill);
    int GetFieldCount() const { return int(m_currentFields.size()); }
    QString GetFieldVal(int n) const;
    QStringList GetFields() const { return m_currentFields; }
    // One object per column after metadata lines; empty after a reset.
    KLVFieldMetaDataList GetFieldMetaData() const { return m_metaData; }

    QString Context() const { return m_context; }
    void setContext(const QString& context) { m_context = context; }

    QSharedPointer<KLVError> GetCurrentError() const { return m_currentError; }
    void SetCurrentError(const QString& text, int number, const QString& context);
    QString GetCurrCmdLine(bool forLog) const { return forLog ? m_logLine : m_cmdLine; }

    int DataCacheSize() const { return m_dataCacheSize; }
    void setDataCacheSize(int size);
    bool atEOF() const { return m_atEOF; }
    int droppedCount() const { return m_dropped; }

Q_SIGNALS:
    void MessageReceived(const QSharedPointer<KLVMessage>& message);

private:
    void resetCurrentError();
    void addMessage(const QSharedPointer<KLVMessage>& message, bool toError);
    void receiveMetaData(QStringView fieldsText);
    void trimCache();
    int perform(int type);

    // The session owns the connection; a query may outlive it.
    QPointer<KLVSockComm> m_connection;
    bool m_hadConnection = false;
    QString m_cmdLine;
    QString m_logLine;
    QString m_requestTid = QStringLiteral("0");
    QString m_answerTid;
    bool m_processing = false;

    std::deque<QString> m_dataLines;
    int m_dropped = 0;
    int m_blockCount = 0;
    int m_recordTotal = 0;
    int m_currentRecord = 0;
    bool m_atEOF = false;
    QStringList m_currentFields;
    KLVFieldMetaDataList m_metaData;
    int m_dataCacheSize = 10000;

    QSharedPointer<KLVError> m_currentError;
    KLVMessageList m_messages;
    QString m_context;

    QString m_batchBuffer;
    int m_batchCount = 0;
    QList<bool> m_batchClearFlags;
    int m_answerCounter = 0;
    int m_negativeCounter = 0;
};
