#pragma once

// A read-only query of the session: catalogue requests and selections whose records arrive
// block by block, walked record by record. This holds the members the session's own query
// calls forward to; the rest of the class grows here.

#include "KLVEnums.h"
#include "KLVError.h"
#include "KLVMessageCollector.h"

#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

class KLV;
class KLVCmdBuilder;
class KLVResultSet;
class KLVSockComm;

class KLVQuery : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int DatasetSize READ DatasetSize WRITE setDatasetSize)
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> ErrorMessageCollector READ ErrorMessageCollector WRITE
                   setErrorMessageCollector)
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> StatusMessageCollector READ StatusMessageCollector WRITE
                   setStatusMessageCollector)
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> TextMessageCollector READ TextMessageCollector WRITE
                   setTextMessageCollector)

public:
    explicit KLVQuery(QObject* parent = nullptr);
    ~KLVQuery() override;

    Q_INVOKABLE bool GetTableNames(const QString& StartString = QString());
    Q_INVOKABLE bool GetFieldNames(const QString& TableName, const QString& FieldList = QString());
    Q_INVOKABLE bool GetKeyNames(const QString& TableName, const QString& KeyName = QString());
    Q_INVOKABLE bool StartQuery(const QString& TableName, const QString& FieldList, const QString& Krit = QString(),
                                const QString& SortKey = QString(), bool Ascending = true, bool AndJunction = true);
    Q_INVOKABLE bool GetNextRecord();
    Q_INVOKABLE bool GetRecordByRef(const QString& TableName, const QString& Ref, const QString& FieldList);
    Q_INVOKABLE QString GetField(int FieldNr);
    Q_INVOKABLE QString GetLastError() const;
    Q_INVOKABLE QSharedPointer<KLVError> GetLastKLVError() const { return m_lastError; }
    Q_INVOKABLE QSharedPointer<KLV> Session() const;

    int DatasetSize() const { return m_datasetSize; }
    void setDatasetSize(int size) { m_datasetSize = size < 1 ? 1 : size; }
    QSharedPointer<KLVMessageCollector> ErrorMessageCollector() const { return m_errorCollector; }
    void setErrorMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_errorCollector = c; }
    QSharedPointer<KLVMessageCollector> StatusMessageCollector() const { return m_statusCollector; }
    void setStatusMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_statusCollector = c; }
    QSharedPointer<KLVMessageCollector> TextMessageCollector() const { return m_textCollector; }
    void setTextMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_textCollector = c; }

    // Library-internal: given by the session that creates the query.
    void SetConnection(KLVSockComm* connection);
    void SetSession(KLV* session);
    KLVResultSet* resultSet() const { return m_result; }
    QString transactionId() const { return m_tid; }

Q_SIGNALS:
    void StatusMessage(QString& Message);
    void ErrorMessage(QString& Message);
    void TextMessage(QString& Message);
    void MessageReceived(QSharedPointer<KLVMessage>& Message);

private:
    KLVCmdBuilder& builder();
    void clearLastError();
    void setApiError(int code);
    void takeCurrentError();
    bool catalogueCommand(const QString& line);
    // Fetches blocks until record n is held (or the data ends) and makes it current.
    bool moveToRecord(int n);
    bool startSelection(const QString& selection, const QString& fieldList, int blockSize, int offset);
    void routeMessage(const QSharedPointer<KLVMessage>& message);
    // The selection string that EXQ carries for a table, criteria and order.
    static QString selectionString(const QString& tableName, const QString& krit, const QString& sortKey, bool byRows,
                                   int aliveFlag, bool ascending, bool andJunction);

    KLVResultSet* m_result;
    KLVCmdBuilder* m_builder = nullptr;
    QPointer<KLV> m_session;
    QString m_tid = QStringLiteral("0");
    int m_datasetSize = 50;
    int m_timeOut = 0;
    bool m_enableQueryMetaData = false;
    QSharedPointer<KLVError> m_lastError;
    QSharedPointer<KLVMessageCollector> m_errorCollector;
    QSharedPointer<KLVMessageCollector> m_statusCollector;
    QSharedPointer<KLVMessageCollector> m_textCollector;
};
