#include "KlvEditorMessage.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace {
struct Text
{
    const char16_t* de;
    const char16_t* en;
};

const QHash<int, Text>& texts()
{
    using namespace KlvEditorMessage;
    static const QHash<int, Text> table = {
        {NoTransaction,
         {u"Keine Bearbeitung mit der Transaktionsnummer \"%1\"", u"No edit transaction with the id \"%1\""}},
        {TransactionEnded, {u"Die Bearbeitung %1 ist bereits beendet", u"Edit transaction %1 has already ended"}},
        {ReadOnly,
         {u"Die Bearbeitung %1 ist nur zum Ansehen oder Löschen geöffnet",
          u"Edit transaction %1 is open for viewing or deleting only"}},
        {NotModifiable, {u"Das Feld %1 kann nicht geändert werden", u"Field %1 cannot be changed"}},
        {RecordLocked, {u"Der Datensatz %1 wird in Sitzung %2 bearbeitet", u"Record %1 is being edited in session %2"}},
        {AlreadyOpen,
         {u"Der Datensatz %1 ist bereits in Bearbeitung %2 geöffnet",
          u"Record %1 is already open in edit transaction %2"}},
        {NotEditable, {u"Die Tabelle %1 kann nicht geändert werden", u"Table %1 cannot be changed"}},
        {NoTablePart, {u"Die Tabelle %1 hat keinen Tabellenteil", u"Table %1 has no table part"}},
        {NoSuchRow, {u"Die Zeile %1 gibt es nicht", u"Row %1 does not exist"}},
        {BadRowSelection, {u"\"%1\" ist keine Zeilenangabe", u"\"%1\" is not a row selection"}},
        {UnknownAction, {u"Die Bearbeitungsart \"%1\" gibt es hier nicht", u"Edit action \"%1\" is not available"}},
        {UnknownStatus, {u"Unbekannter Status \"%1\"", u"Unknown status \"%1\""}},
        {NotAText, {u"Das Feld %1 enthält keinen Text", u"Field %1 holds no text"}},
        {SubOpen, {u"Die Unterbearbeitung %1 ist noch offen", u"Sub-editor %1 is still open"}},
        {NotASubscreen, {u"%1 ist keine Taste eines Unterbildes", u"%1 is not a sub-screen button"}},
        {ParentRowGone,
         {u"Die Zeile der Unterbearbeitung %1 gibt es nicht mehr", u"The row of sub-editor %1 no longer exists"}},
        {UnknownRefType, {u"Unbekannte Verweisart \"%1\"", u"Unknown reference type \"%1\""}},
        {NoReference, {u"Kein Datensatz angegeben", u"No record given"}},
        {DeletionNotReloaded,
         {u"Ein gelöschter Datensatz kann nicht neu geladen werden; mit COM speichern",
          u"A deleted record cannot be loaded again; save with COM"}},
        {NoNewGroup,
         {u"In der Datenbank %1 können keine Datensätze angelegt werden", u"No records can be created in database %1"}},
        {MissingTarget, {u"Zielzeile fehlt oder ist ungültig: \"%1\"", u"Target row missing or not valid: \"%1\""}},
        {WaitingForRecord,
         {u"Der Datensatz %1 wird in Sitzung %2 bearbeitet; warte",
          u"Record %1 is being edited in session %2; waiting"}},
        {UnknownCommand, {u"Unbekannter Bearbeitungsbefehl \"%1\"", u"Unknown edit command \"%1\""}},
        {RecordGone, {u"Der Datensatz %1 ist nicht mehr vorhanden", u"Record %1 no longer exists"}},
        {TooManyDecimals, {u"\"%1\" hat mehr als %2 Nachkommastellen", u"\"%1\" has more than %2 decimals"}},
        {UnknownGroup, {u"Unbekannte Gruppe \"%1\" in Datenbank %2", u"Unknown group \"%1\" in database %2"}},
    };
    return table;
}
} // namespace

QString KlvEditorMessage::text(int number, const QString& lang, const QStringList& args)
{
    const auto it = texts().constFind(number);
    if (it == texts().cend())
        return {};
    // Placeholders are filled in one pass, so a value that itself holds "%2" stays as it is.
    const QString pattern = QString::fromUtf16(lang == u"E" ? it->en : it->de);
    QString result;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'%' && i + 1 < pattern.size() && pattern.at(i + 1).isDigit()) {
            const int n = pattern.at(++i).digitValue();
            result += n >= 1 && n <= args.size() ? args.at(n - 1) : QString();
        } else {
            result += c;
        }
    }
    return result;
}
