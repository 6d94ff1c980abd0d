#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// Field escaping of the line protocol, as the server writes and reads it.
class KlvWire
{
public:
    // Bar, line feed, carriage return, backslash and NUL are written with a backslash.
    static QString escapeField(QStringView value);
    // The same, appended to out.
    static void appendEscaped(QString& out, QStringView value);
    // Splits at unescaped bars and unescapes each piece. Unlike the client's reader, a trailing
    // empty field is kept, so "SET|0|CONTEXT|" reads as an option set to the empty text.
    static QStringList splitFields(QStringView text);
    // code "|" tid, then "|" and each escaped field.
    static QString joinLine(QStringView code, QStringView tid, const QStringList& fields);
    // The pieces of a record's escaped fields for its "D" line and the "DC" lines after it, each
    // at most maxLineLength long; one piece when the record fits. The views point into record.
    static QList<QStringView> cutRecord(QStringView record, qsizetype maxLineLength);
};
