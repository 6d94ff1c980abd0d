#pragma once

#include "DatabaseColumn.h"

#include <QString>
#include <QStringView>
#include <QVariant>

// A field's display text as the value of a table column. The readers take the forms
// ExportValue takes and give the same results, written straight into the form a database
// stores ("2023-12-24", "2023-12-24 10:30:15") without a date object per value.
class DatabaseValue
{
public:
    static constexpr int IsoDateLength = 10;
    static constexpr int IsoDateTimeLength = 19;

    // "yyyy-mm-dd" into out (IsoDateLength characters) for the forms ExportValue::Date reads;
    // false for any other text.
    static bool IsoDate(QStringView text, char* out);
    // "yyyy-mm-dd hh:mm:ss" into out (IsoDateTimeLength characters) for the forms
    // ExportValue::DateTime reads; false for any other text.
    static bool IsoDateTime(QStringView text, char* out);
    // The text with every line break (CR LF, LF or CR) CR LF.
    static QString CrLfLines(const QString& text);
    // The value for a data source: typed (a number, a date) where the text reads as the
    // column's type, else the text as it is; a typed null for an empty text.
    static QVariant Variant(const DatabaseColumn& column, const QString& text);
};
