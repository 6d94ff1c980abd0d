#pragma once

// An ordered list of messages that receives one kind of message instead of an event.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include "KLVMessage.h"

#include <QObject>

class KLVMessageCollector : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int MessageCount READ MessageCount)

public:
    Q_INVOKABLE explicit KLVMessageCollector(QObject* parent = nullptr);

    // Every message in arrival order; the collector is emptied.
    Q_INVOKABLE KLVMessageList GetAllMessages();
    // Every message's text joined by Delimiter; the collector is emptied.
    Q_INVOKABLE QString GetAllMessagesText(const QString& Delimiter = QStringLiteral("\r\n"));
    int MessageCount() const { return int(m_messages.size()); }
    Q_INVOKABLE void Reset();
    // The message at 1-based position Number, or null.
    Q_INVOKABLE QSharedPointer<KLVMessage> GetMessage(int Number) const;

    // Library-internal.
    void CollectMessage(const QSharedPointer<KLVMessage>& message);

private:
    KLVMessageList m_messages;
};
