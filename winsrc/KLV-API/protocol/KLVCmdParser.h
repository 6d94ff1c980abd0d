#pragma once

// Splits answer lines of the KLV line protocol: code, transaction id and the escaped fields.

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <limits>
#include <vector>

// Where one field of a record lies once it is cut: in the record's own bytes, or, when the
// field held a backslash, in the buffer its unescaped bytes were copied to.
struct KLVFieldSpan
{
    quint32 offset;
    quint32 length;
    bool unescaped;
};

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

    // The same three parts of a received line, on its bytes (bars and backslashes are ASCII
    // in both character sets, so no byte of a character is ever taken for one).
    static QByteArrayView CodeBytes(QByteArrayView line);
    static QByteArrayView TidBytes(QByteArrayView line);
    // Null when the line has no second bar.
    static QByteArrayView FieldBytes(QByteArrayView line);
    // The three at once, finding each bar once.
    static void SplitLineBytes(QByteArrayView line, QByteArrayView& code, QByteArrayView& tid, QByteArrayView& fields);

    // Cuts the bytes of a record into fields by the rules of GetFieldsArray (escaped bars do
    // not cut, an empty last piece is not a field, at most limit fields). spans is replaced;
    // fields that hold a backslash are unescaped into unescaped, which is only appended to,
    // so a caller that clears it per record reuses its memory. Returns the number of fields.
    // With utf8 the bytes are UTF-8, and the fields decode to what GetFieldsArray makes of the
    // decoded text, even where a backslash stands before a byte that is no character.
    static int SplitFieldBytes(QByteArrayView text, std::vector<KLVFieldSpan>& spans, std::vector<char>& unescaped,
                               int limit = std::numeric_limits<int>::max(), bool utf8 = false);
};
