#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1252, the "ANSI" character set of the line protocol. Qt has no codec for it.
class KlvAnsiCodec
{
public:
    // Every byte decodes; the five bytes the code page leaves unassigned become the control
    // characters of the same number, as Windows decodes them.
    static QString decode(QByteArrayView bytes);
    // A character the code page cannot hold is written as "?" (and *ok set to false).
    static QByteArray encode(QStringView text, bool* ok = nullptr);
};
