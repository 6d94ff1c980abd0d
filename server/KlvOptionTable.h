#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The session options a client reads with SHO and changes with SET: keyword, kind of value
// and the value a new connection starts with. Defaults are chosen so that no two options of
// the same kind agree, and none is the first member of its enumeration: a client that asks
// with the wrong keyword or misreads the answer shows up in a test.
class KlvOptionTable
{
public:
    enum class Kind {
        Words,         // one of a fixed set of words, any case on input
        Boolean,       // "1"/"0"; the client's true words are taken too
        Text,          // anything
        FreeTextMode,  // "EXT", "TEXT" or "TEXT:" and a length
        LockBehaviour, // "WAIT", "NOWAIT" or "WAIT:" and seconds
        User,          // a user of the session's Mandant (checked by the caller)
    };
    struct Option
    {
        QString keyword; // upper case; keywords are matched in any case
        Kind kind;
        QString defaultValue;
        QStringList words; // Kind::Words: the allowed words as they are stored
    };

    static const QList<Option>& options();
    static const Option* find(const QString& keyword);
    // The value as stored, or nothing when the option cannot take it.
    static std::optional<QString> normalise(const Option& option, const QString& value);
    // The client's reading of a Boolean: "T", "TRUE", "YES", "JA" in any case, or "1".
    static bool isTrue(const QString& value);
};
