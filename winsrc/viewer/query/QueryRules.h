#pragma once

#include <QList>
#include <QString>

// The query window's small rules, kept apart from its controls: which storage kinds the keys
// of a table offer, whether a key serves a storage kind, the record count text, the criteria
// a selection template's rows make, and which field rows a selection range names.
class QueryRules
{
public:
    // Storage-kind codes (the library's KLV_AliveFlags).
    static constexpr int Internal = 0;
    static constexpr int Alive = 1;
    static constexpr int Filed = 2;
    static constexpr int Both = 3;
    static constexpr int All = 9;

    // A key's storage flag from its catalogue text: the number it starts with, or All for an
    // empty text.
    static int KeyFlagOf(const QString& catalogueText);
    // The storage kinds the window offers for keys with these flags: alive, filed and both
    // when a key holds both, else alive and, when a key holds filed records, filed.
    static QList<int> StorageKindsFor(const QList<int>& keyFlags);
    // Whether a key with that flag can deliver records of the storage kind: every key serves
    // "all", and a key holding both serves every kind.
    static bool KeyServesStorageKind(int keyFlag, int storageKind);

    // "1200 records (total: 5000)" in the interface texts of the message table.
    static QString CountText(int rows, int total);

    // One line of the server-message panel: the label of a status (1) or error (0) message,
    // a blank and the text; empty for any other kind.
    static QString MessageLine(int msgType, const QString& text);

    // Appends a template criterion row to criteria: nothing for an empty value or when both
    // names are empty; the name (else the alternative), "=" and the value, behind a ";".
    static void AppendTemplateCriterion(QString& criteria, const QString& name, const QString& alternative,
                                        const QString& value);

    // Selection ranges of SetAllFieldsSelection.
    static constexpr int RangeAll = 1;
    static constexpr int RangeHead = 2;
    static constexpr int RangeTablePart = 3;
    static constexpr int RangeSkip = 4;
    // Whether a field row with that tag belongs to the range.
    static bool FieldInRange(int range, const QString& fieldTag);
    // The check state mode gives a row that is checked now: 1 checks, 2 unchecks, else inverts.
    static bool CheckedAfter(int mode, bool checkedNow);
};
