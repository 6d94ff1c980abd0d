#pragma once

// Windows-1252, the "ANSI" character set of the line protocol. Qt has no codec for it, so
// the table is our own. Text that the character set cannot hold is refused, never replaced.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

class AnsiCodec
{
public:
    static QString decode(QByteArrayView bytes);

    // Encodes text; false (out then holds nothing to rely on) when a character has no
    // Windows-1252 byte, with the offending character's position in badPosition.
    static bool encode(QStringView text, QByteArray& out, qsizetype* badPosition = nullptr);

    // True when every character of text can be encoded.
    static bool canEncode(QStringView text);
};
