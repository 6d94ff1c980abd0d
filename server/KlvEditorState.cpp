#include "KlvEditorState.h"

KlvEditTransaction& KlvEditorState::open(KlvEditTransaction::Kind kind, KlvErpData::Group group,
                                         const KlvErpData::Record& record)
{
    prune();
    const int number = m_next++;
    auto transaction = std::make_unique<KlvEditTransaction>(QString::number(number), kind, std::move(group), record);
    KlvEditTransaction& result = *transaction;
    m_transactions.emplace(number, std::move(transaction));
    return result;
}

KlvEditTransaction* KlvEditorState::find(const QString& tid)
{
    bool ok = false;
    const int number = tid.toInt(&ok);
    if (!ok)
        return nullptr;
    const auto it = m_transactions.find(number);
    return it == m_transactions.end() ? nullptr : it->second.get();
}

std::vector<KlvEditTransaction*> KlvEditorState::subsOf(const QString& tid)
{
    std::vector<KlvEditTransaction*> result;
    for (auto& [number, t] : m_transactions) {
        if (t->isActive() && t->kind() == KlvEditTransaction::Kind::Sub && t->parentTid == tid)
            result.push_back(t.get());
    }
    return result;
}

std::vector<KlvEditTransaction*> KlvEditorState::all()
{
    std::vector<KlvEditTransaction*> result;
    for (auto& [number, t] : m_transactions)
        result.push_back(t.get());
    return result;
}

void KlvEditorState::prune()
{
    int ended = 0;
    for (const auto& [number, t] : m_transactions)
        ended += t->isActive() ? 0 : 1;
    for (auto it = m_transactions.begin(); it != m_transactions.end() && ended > kEndedKept;) {
        if (!it->second->isActive()) {
            it = m_transactions.erase(it);
            --ended;
        } else {
            ++it;
        }
    }
}
