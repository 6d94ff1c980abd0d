#pragma once

#include <QString>
#include <QStringList>

// The record a row of the query window's table and field lists keeps in its tag: the
// catalogue record that produced the row, its fields joined by one TAB each, nothing escaped
// and nothing before or after. Positions count from 1, as the library's catalogue field
// numbers do. Also the few conversions the window applies to catalogue texts.
class QueryTag
{
public:
    static QString FieldArray2Tag(const QStringList& record);
    // Field position (from 1) of a tag; empty for a position outside the record.
    static QString Tag2Field(const QString& tag, int position);
    // The query field name of a field row: its table-part flag, ":" and its name in the table
    // (fields 6 and 14), the form in which result columns and saved queries name a field.
    static QString FieldTag2QueryFldName(const QString& tag);

    // A catalogue text as a truth value: a number is true when not zero, "True"/"False" in
    // any case and the server's own words count as such; anything else (an empty text
    // included) is false rather than a failure.
    static bool ToBool(const QString& text);
    // The whole number a text starts with (blanks, a sign, digits); 0 when it starts with none.
    static int Val(const QString& text);
};
