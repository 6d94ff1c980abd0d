#pragma once

#include "ExportJob.h"

#include <QList>
#include <QString>

// One column of an exported table: its name, its SQL type and how a field's display text
// becomes its value.
struct DatabaseColumn
{
    enum class Kind {
        Text,     // the text as it is
        LineText, // the text with every line break CR LF
        Whole,    // a whole number, else the text
        Real,     // a number with fractionDigits decimals, else the text
        Bool,     // 1 for the server's True text or "1", else 0
        Date,     // a date, else the text
        DateTime  // a date and time, else the text
    };

    QString name;
    QString sqlType;
    Kind kind = Kind::Text;
    int fractionDigits = 0;

    // The column type of a field. An SQLite file keeps the declared length of a text (SQLite
    // never cuts one); a data source gets types every database knows, and unbounded text:
    // what the export writes is the server's display text, which may be longer than the
    // stored value the type describes (an enumeration's text for its one-letter code).
    static QString SqlType(const ExportField& field, bool odbc);

    // The columns of the fields, in their order: named by caption, or by query name with the
    // table-part prefix (a field without one by its caption, an unnamed one by its position),
    // repeats made unique without regard to case ("name", "Name_2"). With maxNameBytes a name
    // is cut to that many bytes of UTF-8 (at a character's end) before it is made unique, so
    // that the database keeps every column under the name given.
    static QList<DatabaseColumn> ForFields(const QList<ExportField>& fields, bool withPrefix, bool odbc,
                                           int maxNameBytes = 0);
};
