#pragma once

// The last failure of an operation: number (0 for the library's own errors), text, the
// message context in force, and the error messages that came with it.

#include "KLVMessage.h"

#include <QObject>
#include <QString>

class KLVError : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Message READ Message)
    Q_PROPERTY(int Number READ Number)
    Q_PROPERTY(QString Context READ Context)
    Q_PROPERTY(KLVMessageList ErrorMessages READ ErrorMessages)
    Q_PROPERTY(QString ErrInfo READ ErrInfo)

public:
    explicit KLVError(QObject* parent = nullptr);

    QString Message() const { return m_message; }
    int Number() const { return m_number; }
    QString Context() const { return m_context; }
    KLVMessageList ErrorMessages() const { return m_messages; }
    // "KLVError", the number and context when set, ": ", the text, then one line per message.
    QString ErrInfo() const;

    // Library-internal.
    void SetError(int number, const QString& message, const QString& context, const KLVMessageList& messages = {});
    int messageCount() const { return int(m_messages.size()); }

private:
    QString m_message;
    int m_number = 0;
    QString m_context;
    KLVMessageList m_messages;
};
