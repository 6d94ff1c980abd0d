#pragma once

// One column of a query result as the server describes it.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include <QObject>
#include <QString>

class KLVQueryFieldMetaData : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name)
    Q_PROPERTY(QString OrigName READ OrigName)
    Q_PROPERTY(QString Description READ Description)
    Q_PROPERTY(bool IsTabField READ IsTabField)
    Q_PROPERTY(int Length READ Length)
    Q_PROPERTY(QString ERPType READ ERPType)
    Q_PROPERTY(QString ToString READ ToString)
    Q_PROPERTY(QString OutputName READ OutputName)

public:
    explicit KLVQueryFieldMetaData(QObject* parent = nullptr);

    QString Name() const { return m_name; }
    QString OrigName() const { return m_origName; }
    QString Description() const { return m_description; }
    bool IsTabField() const { return m_isTabField; }
    int Length() const { return m_length; }
    QString ERPType() const { return m_erpType; }
    // OrigName, then every attribute in brackets, for tracing.
    QString ToString() const;
    QString OutputName() const { return m_outputName; }

    // Library-internal, used while the metadata lines of an answer are read.
    void SetName(const QString& value) { m_name = value; }
    void SetOutputName(const QString& value) { m_outputName = value; }
    void SetOrigName(const QString& value) { m_origName = value; }
    void SetDescription(const QString& value) { m_description = value; }
    void SetIsTabField(bool value) { m_isTabField = value; }
    void SetLength(int value) { m_length = value; }
    void SetERPType(const QString& value) { m_erpType = value; }

private:
    QString m_name;
    QString m_outputName;
    QString m_origName;
    QString m_description;
    bool m_isTabField = false;
    int m_length = 0;
    QString m_erpType;
};
