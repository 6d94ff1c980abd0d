#pragma once

#include <QHash>
#include <QString>

#include <functional>

class KlvCommandContext;

// Command word -> handler. Each group of commands registers its own words, so new commands
// join without touching the connection or the session commands.
class KlvCommandTable
{
public:
    using Handler = std::function<void(KlvCommandContext&)>;
    enum class Access { Always, LoggedOn };

    void add(const QString& word, Access access, Handler handler);
    bool contains(const QString& word) const { return m_entries.contains(word); }
    // Runs the handler of the command's word; unknown words and commands sent before the
    // logon are refused with NAK.
    void dispatch(KlvCommandContext& context) const;

private:
    struct Entry
    {
        Access access;
        Handler handler;
    };
    QHash<QString, Entry> m_entries;
};
