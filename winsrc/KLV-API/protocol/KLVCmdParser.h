#pragma once

// Splits answer lines of the KLV line protocol: code, transaction id and the escaped fields.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <limits>

class KLVCmdParser
{
public:
    // The text before the first "|"; empty when there is none or the line starts with it.
    static QString GetCMD(QStringView line);
    // The text between the first and second "|" (everything after the first when there is
    // no second); empty when the line has no "|".
    static QString getTID(QStringView line);
    // The raw, still escaped text after the second "|"; empty when there is none.
    static QString GetCmdLineFields(QStringView line);
    static QStringView GetCmdLineFieldsView(QStringView line);

    // Splits text at its unescaped bars and unescapes the pieces into array, the first piece
    // at index 0 (field 1). The array is not cleared: elements beyond the pieces found keep
    // their values. At most limit pieces are stored; further ones are dropped, so a line
    // with more fields than the caller's array holds never writes past it. With shrink and
    // at least one piece found, the array is cut to the number stored. An empty last piece
    // is not stored, so "a|" yields one piece. Returns the number of pieces stored.
    static int GetFieldsArray(QStringView text, QStringList& array, bool shrink,
                              int limit = std::numeric_limits<int>::max());
};
