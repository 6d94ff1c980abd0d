#include "KlvScriptReply.h"

void KlvScriptReply::sendLine(const QString& line)
{
    m_actions.push_back(KlvAction::sendLine(line));
}

void KlvScriptReply::sendRaw(const QByteArray& bytes)
{
    m_actions.push_back(KlvAction::sendRaw(bytes));
}

void KlvScriptReply::delay(int ms)
{
    m_actions.push_back(KlvAction::delay(ms));
}

void KlvScriptReply::close()
{
    m_actions.push_back(KlvAction::close());
}

void KlvScriptReply::defaultAnswer()
{
    m_actions.push_back(KlvAction::defaultAnswer());
}

std::vector<KlvAction> KlvScriptReply::takeActions()
{
    return std::exchange(m_actions, {});
}
