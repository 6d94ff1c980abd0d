#include "KLVMessageCollector.h"

KLVMessageCollector::KLVMessageCollector(QObject* parent) : QObject(parent) {}

KLVMessageList KLVMessageCollector::GetAllMessages()
{
    KLVMessageList all;
    all.swap(m_messages);
    return all;
}

QString KLVMessageCollector::GetAllMessagesText(const QString& Delimiter)
{
    QString text;
    for (qsizetype i = 0; i < m_messages.size(); ++i) {
        if (i > 0)
            text += Delimiter;
        text += m_messages[i]->Text();
    }
    Reset();
    return text;
}

void KLVMessageCollector::Reset()
{
    m_messages = KLVMessageList();
}

QSharedPointer<KLVMessage> KLVMessageCollector::GetMessage(int Number) const
{
    if (Number < 1 || Number > m_messages.size())
        return {};
    return m_messages[Number - 1];
}

void KLVMessageCollector::CollectMessage(const QSharedPointer<KLVMessage>& message)
{
    if (message)
        m_messages.append(message);
}
