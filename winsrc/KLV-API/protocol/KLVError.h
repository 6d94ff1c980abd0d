#pragma once

// The last failure of an operation: number (0 for the library's own errors), text, the
// message context in force, and the error messages that came with it.
//
// ApiErrorCode tells a program which of the library's own errors it is (the code whose text
// Message holds, see the error texts: 1 unexpected answer, 4 no connection, 5 connection
// aborted, 12 wrong transaction id, 17 request timed out, 18 cannot send, 32 broken off, ...);
// it is 0 for errors of the server and when there is no error.
//
// When errors are cleared: every operation of the session, a query or an editor that sends a
// command or moves the record pointer starts with a fresh, empty last error, so after the
// call the last error tells about that call alone. The one exception is a query whose
// further block could not be read or that was broken off: its error stays through navigation
// until the next command starts a new result. Properties and field access leave it alone.
//
// Like every class of the library, used from one thread: the one it was made in.

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
    Q_PROPERTY(int ApiErrorCode READ ApiErrorCode)

public:
    explicit KLVError(QObject* parent = nullptr);

    QString Message() const { return m_message; }
    int Number() const { return m_number; }
    QString Context() const { return m_context; }
    KLVMessageList ErrorMessages() const { return m_messages; }
    int ApiErrorCode() const { return m_apiCode; }
    // "KLVError", the number and context when set, ": ", the text, then one line per message.
    QString ErrInfo() const;

    // Library-internal.
    // Sets everything but the library's code, which goes back to 0.
    void SetError(int number, const QString& message, const QString& context, const KLVMessageList& messages = {});
    void setApiErrorCode(int code) { m_apiCode = code; }
    int messageCount() const { return int(m_messages.size()); }

private:
    QString m_message;
    int m_number = 0;
    int m_apiCode = 0;
    QString m_context;
    KLVMessageList m_messages;
};
