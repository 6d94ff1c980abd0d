#include "KlvLockTable.h"

bool KlvLockTable::conflicts(Mode a, Mode b)
{
    if (a == Mode::Exclusive || b == Mode::Exclusive)
        return true;
    return a == Mode::Modify && b == Mode::Modify;
}

bool KlvLockTable::tryLock(const QString& key, const Holder& requester, Holder* blocker)
{
    QList<Holder>& holders = m_locks[key];
    for (const Holder& h : holders) {
        if (h.connectionId != requester.connectionId && conflicts(h.mode, requester.mode)) {
            if (blocker)
                *blocker = h;
            return false;
        }
    }
    for (Holder& h : holders) {
        if (h.connectionId == requester.connectionId) {
            h = requester;
            return true;
        }
    }
    holders.append(requester);
    return true;
}

bool KlvLockTable::unlock(const QString& key, int connectionId)
{
    auto it = m_locks.find(key);
    if (it == m_locks.end())
        return false;
    const bool removed = it->removeIf([&](const Holder& h) { return h.connectionId == connectionId; }) > 0;
    if (it->isEmpty())
        m_locks.erase(it);
    return removed;
}

bool KlvLockTable::releaseAll(int connectionId)
{
    bool any = false;
    for (auto it = m_locks.begin(); it != m_locks.end();) {
        any |= it->removeIf([&](const Holder& h) { return h.connectionId == connectionId; }) > 0;
        it = it->isEmpty() ? m_locks.erase(it) : std::next(it);
    }
    return any;
}
