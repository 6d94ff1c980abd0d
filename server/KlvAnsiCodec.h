#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1252, the "ANSI" character set of the line protocol. Qt has no codec for it.
//
// The client library has a table of its own (AnsiCodec) and this one stays apart on purpose:
// the server stands in for the real one, so a fault in the library's table must show up as a
// difference on the wire in the tests, not be shared by both ends and cancel out.
class KlvAnsiCodec
{
public:
    // Every byte decodes; the five bytes the code page leaves unassigned become the control
    // characters of the same number, as Windows decodes them.
    static QString decode(QByteArrayView bytes);
    // A character the code page cannot hold is written as "?" (and *ok set to false).
    static QByteArray encode(QStringView text, bool* ok = nullptr);
};
