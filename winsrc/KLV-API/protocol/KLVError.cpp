#include "KLVError.h"

using namespace Qt::StringLiterals;

KLVError::KLVError(QObject* parent) : QObject(parent) {}

void KLVError::SetError(int number, const QString& message, const QString& context, const KLVMessageList& messages)
{
    m_number = number;
    m_apiCode = 0;
    m_message = message;
    m_context = context;
    if (!messages.isEmpty())
        m_messages = messages;
}

QString KLVError::ErrInfo() const
{
    QString info = u"KLVError"_s;
    if (m_number != 0)
        info += u' ' + QString::number(m_number);
    if (!m_context.isEmpty())
        info += u" ["_s + m_context + u']';
    info += u": "_s + m_message;
    for (const auto& message : m_messages)
        info += u"\r\n"_s + message->MsgInfo();
    return info;
}
