#pragma once

#include <QHash>
#include <QList>
#include <QString>

// The locks of every connection of one server. A lock is held by connections in a mode:
// any number of readers, beside them at most one modifier, or one exclusive holder alone.
// A connection never blocks itself; asking again changes its mode.
class KlvLockTable
{
public:
    enum class Mode { ReadOnly, Modify, Exclusive };
    struct Holder
    {
        int connectionId = 0;
        Mode mode = Mode::Exclusive;
        QString user;
        QString station;
    };

    // Grants the lock, or returns false and fills *blocker with a holder in the way.
    bool tryLock(const QString& key, const Holder& requester, Holder* blocker = nullptr);
    // False when the connection held no such lock.
    bool unlock(const QString& key, int connectionId);
    // Drops every lock of a connection that ends; true when it held any.
    bool releaseAll(int connectionId);

    static bool conflicts(Mode a, Mode b);

private:
    QHash<QString, QList<Holder>> m_locks;
};
