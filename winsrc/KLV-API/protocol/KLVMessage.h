#pragma once

// One message of the server (error, status or text), or one the library adds itself.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include "KLVEnums.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QString>

class KLVMessage : public QObject
{
    Q_OBJECT
    Q_PROPERTY(KLVActiveX::Message_Type MsgType READ MsgType)
    Q_PROPERTY(QString Text READ Text)
    Q_PROPERTY(int Number READ Number)
    Q_PROPERTY(int FieldRow READ FieldRow)
    Q_PROPERTY(QString FieldName READ FieldName)
    Q_PROPERTY(QString MsgInfo READ MsgInfo)
    Q_PROPERTY(QString MsgCategory READ MsgCategory)
    Q_PROPERTY(QString Context READ Context)

public:
    explicit KLVMessage(QObject* parent = nullptr);

    KLVActiveX::Message_Type MsgType() const { return m_type; }
    QString Text() const { return m_text; }
    int Number() const { return m_number; }
    int FieldRow() const { return m_fieldRow; }
    QString FieldName() const { return m_fieldName; }
    // The whole message in one line, e.g. "STATUS_MESSAGE No=12 Fld=name(3): ok".
    QString MsgInfo() const;
    QString MsgCategory() const { return m_category; }
    QString Context() const { return m_context; }

    // Library-internal: sets every field once.
    void InitMessage(int type, const QString& category, const QString& text, int number, int row,
                     const QString& fieldName, const QString& context);

    static QSharedPointer<KLVMessage> create(int type, const QString& category, const QString& text, int number,
                                             int row, const QString& fieldName, const QString& context);

private:
    KLVActiveX::Message_Type m_type = KLVActiveX::messageTypeError;
    QString m_category;
    QString m_text;
    int m_number = 0;
    int m_fieldRow = 0;
    QString m_fieldName;
    QString m_context;
};

using KLVMessageList = QList<QSharedPointer<KLVMessage>>;
