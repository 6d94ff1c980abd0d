#include "KlvEditFieldCommands.h"

#include "KlvCommandContext.h"
#include "KlvCommandTable.h"
#include "KlvEditContext.h"
#include "KlvEditRowSelection.h"
#include "KlvEditorMessage.h"
#include "KlvErpMessage.h"
#include "KlvOptionTable.h"
#include "KlvSession.h"
#include "KlvTypeCode.h"
#include "KlvValueFormat.h"

using namespace Qt::StringLiterals;

namespace {
// What a GFT answers when the client asks for no length.
constexpr int kDefaultPieceLength = 20000;
const QString kStartButton = u"bstart"_s;

// A field as the client names it: "name", or "name(modifier)" for a display form.
struct FieldName
{
    QString name;
    QString modifier;
};

FieldName splitName(const QString& asked)
{
    const QString text = asked.trimmed();
    const qsizetype open = text.indexOf(u'(');
    if (open > 0 && text.endsWith(u')'))
        return {text.left(open).trimmed(), text.mid(open + 1, text.size() - open - 2).trimmed()};
    return {text, QString()};
}

// The row number asked for as a field: how a client finds the row a row selection stands for.
bool isRowNumberField(const QString& name)
{
    return name.compare(u"zn"_s, Qt::CaseInsensitive) == 0 || name.compare(u"tabnr"_s, Qt::CaseInsensitive) == 0;
}

bool isTextKind(const KlvTypeCode& type)
{
    return type.kind() == KlvTypeCode::Kind::Text || type.kind() == KlvTypeCode::Kind::FText;
}

QString flag(bool on)
{
    return on ? u"1"_s : u"0"_s;
}

// The rows a field command addresses: the head, or the existing rows the row selection names.
// With exactlyOne, the row selection must name one row; a row that does not exist is refused.
std::optional<QList<int>> addressedRows(KlvEditContext& edit, const KlvEditTransaction& t, const QString& text,
                                        bool refuseMissing, bool exactlyOne)
{
    const std::optional<KlvEditRowSelection> selection = KlvEditRowSelection::parse(text);
    if (!selection) {
        edit.refuse(KlvEditorMessage::BadRowSelection, {text});
        return std::nullopt;
    }
    if (selection->isHead())
        return QList<int>{0};
    int missing = 0;
    const QList<int> rows = selection->rows(t.rowCount(), &missing);
    if (refuseMissing && missing != 0) {
        edit.refuse(KlvEditorMessage::NoSuchRow, {QString::number(missing)});
        return std::nullopt;
    }
    if (exactlyOne && rows.size() != 1) {
        edit.refuse(KlvEditorMessage::BadRowSelection, {text});
        return std::nullopt;
    }
    return rows;
}

// The field the command names in every one of the rows; refuses it when a row lacks it.
const KlvErpData::Field* addressedField(KlvEditContext& edit, const KlvEditTransaction& t, const QString& name,
                                        const QList<int>& rows)
{
    const KlvErpData::Field* found = nullptr;
    for (int row : rows) {
        found = t.field(name, row);
        if (!found) {
            edit.refuseField(KlvErpMessage::UnknownField, {name, t.group().id()}, row, name);
            return nullptr;
        }
    }
    if (!found) // no row at all: "*" on an empty table part still needs a field that exists
        found = t.group().field(name);
    if (!found)
        edit.refuseField(KlvErpMessage::UnknownField, {name, t.group().id()}, 0, name);
    return found;
}

// What a command on one field addresses: the rows field 0 names (each must exist) and the field
// field 1 names in them. With exactlyOne, field 0 must name one row.
struct Target
{
    QList<int> rows;
    const KlvErpData::Field* field = nullptr;

    int firstRow() const { return rows.isEmpty() ? 0 : rows.first(); }
};

std::optional<Target> addressedTarget(KlvEditContext& edit, const KlvCommandContext& context,
                                      const KlvEditTransaction& t, bool exactlyOne)
{
    const std::optional<QList<int>> rows = addressedRows(edit, t, context.field(0), true, exactlyOne);
    if (!rows)
        return std::nullopt;
    const KlvErpData::Field* f = addressedField(edit, t, splitName(context.field(1)).name, *rows);
    if (!f)
        return std::nullopt;
    return Target{*rows, f};
}

// The target of a free-text command: one row, and a field that holds a free text.
std::optional<Target> addressedText(KlvEditContext& edit, const KlvCommandContext& context, const KlvEditTransaction& t)
{
    std::optional<Target> target = addressedTarget(edit, context, t, true);
    if (!target)
        return std::nullopt;
    const KlvTypeCode type(target->field->type);
    if (!isTextKind(type)) {
        const QString& name = target->field->name;
        edit.refuseField(KlvEditorMessage::NotAText, {name}, target->firstRow(), name);
        return std::nullopt;
    }
    return target;
}

bool isModifiable(const KlvEditTransaction& t, const KlvErpData::Field& f)
{
    if (!t.isActive() || t.isReadOnly() || f.protection != 3)
        return false;
    // An alias writes its field, so it can change only what its field can.
    const KlvErpData::Field* target = f.isAlias() ? t.group().field(f.aliasOf) : nullptr;
    return !target || target->protection == 3;
}

// One row of a GFV answer: row, true name, value, value when editing began, modifiable,
// modified, type code ("-" for a field the object does not have), type letter, length, skip,
// screen protection, display and edit priority, user-defined, alias.
QStringList propertyRow(const KlvEditTransaction& t, const KlvValueFormat& format, int row, const QString& asked)
{
    const FieldName name = splitName(asked);
    const QString rowText = QString::number(row);
    if (isRowNumberField(name.name)) {
        return {rowText, name.name.toLower(),
                rowText, rowText,
                u"0"_s,  u"0"_s,
                u"I6"_s, u"N"_s,
                u"6"_s,  u"1"_s,
                u"1"_s,  u"A"_s,
                u"A"_s,  u"0"_s,
                u"0"_s};
    }
    const KlvErpData::Field* f = t.field(name.name, row);
    if (!f) {
        return {rowText, name.name, {}, {}, u"0"_s, u"0"_s, u"-"_s, {}, u"0"_s, u"0"_s, {}, {}, {}, u"0"_s, u"0"_s};
    }
    const KlvTypeCode type(f->type);
    return {rowText,
            f->name,
            format.display(type, t.value(row, f->name), name.modifier),
            format.display(type, t.oldValue(row, f->name), name.modifier),
            flag(isModifiable(t, *f)),
            flag(t.isModified(row, f->name)),
            f->type,
            type.klvLetter(),
            QString::number(type.maxLength()),
            flag(f->skip),
            QString::number(f->protection),
            f->prioDisp,
            f->prioEdit,
            flag(f->custom),
            flag(f->isAlias())};
}

// Decimals written beyond what a real field holds; the text is read the way the value
// format reads it (a comma is the decimal point when the session writes one).
int writtenDecimals(const QString& text, bool decimalComma)
{
    const bool comma = decimalComma && (text.contains(u',') || text.count(u'.') > 1);
    const qsizetype point = text.lastIndexOf(comma ? u',' : u'.');
    if (point < 0)
        return 0;
    QString fraction = text.mid(point + 1).trimmed();
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    return int(fraction.size());
}
} // namespace

void KlvEditFieldCommands::addTo(KlvCommandTable& table)
{
    using Access = KlvCommandTable::Access;
    table.add(u"SFV"_s, Access::LoggedOn, &setValue);
    table.add(u"GFV"_s, Access::LoggedOn, &getValues);
    table.add(u"RFV"_s, Access::LoggedOn, &resetValue);
    table.add(u"SFT"_s, Access::LoggedOn, &setText);
    table.add(u"GFT"_s, Access::LoggedOn, &getText);
}

void KlvEditFieldCommands::setValue(KlvCommandContext& context)
{
    // SFV: row selection; field; value; initial-value flag (set only a field that has not
    // been set in this transaction yet).
    KlvEditContext edit(context);
    KlvEditTransaction* t = edit.changeableTransaction();
    if (!t)
        return;
    const std::optional<Target> target = addressedTarget(edit, context, *t, false);
    if (!target)
        return;
    const KlvErpData::Field* f = target->field;
    const int firstRow = target->firstRow();
    if (!isModifiable(*t, *f))
        return edit.refuseField(KlvEditorMessage::NotModifiable, {f->name}, firstRow, f->name);
    t->currentRow = firstRow;

    const KlvTypeCode type(f->type);
    if (type.kind() == KlvTypeCode::Kind::Button)
        return press(edit, *t, f->name);

    const KlvSession& session = context.session();
    const KlvValueFormat format(edit.erp(), KlvValueFormat::Options::fromSession(session));
    QString text = context.field(2);
    if (type.kind() == KlvTypeCode::Kind::Text && KlvOptionTable::isTrue(session.option(u"TRUNCTEXT"_s))) {
        const QString value = type.isMultiLine() ? QString(text).replace(u"\r\n"_s, u"\n"_s) : text.trimmed();
        if (value.size() > type.maxLength())
            text = value.left(type.maxLength());
    }
    if (type.kind() == KlvTypeCode::Kind::Real && !KlvOptionTable::isTrue(session.option(u"AUTOROUND"_s)) &&
        writtenDecimals(text, format.options().decimalComma) > type.fractionDigits()) {
        return edit.refuseField(KlvEditorMessage::TooManyDecimals,
                                {text.trimmed(), QString::number(type.fractionDigits())}, firstRow, f->name);
    }
    const KlvValueFormat::Parsed parsed = format.parse(type, text);
    if (!parsed.ok)
        return edit.refuseFieldText(parsed.errorText, parsed.error, firstRow, f->name);

    const bool initialOnly = context.field(3) == u"1";
    for (int row : target->rows) {
        if (!initialOnly || !t->wasSet(row, f->name))
            t->setValue(row, f->name, parsed.value);
    }
    context.answer().ack();
}

void KlvEditFieldCommands::press(KlvEditContext& edit, KlvEditTransaction& t, const QString& button)
{
    if (t.kind() == KlvEditTransaction::Kind::Infosystem && button.compare(kStartButton, Qt::CaseInsensitive) == 0) {
        QHash<QString, QString> head;
        for (const KlvErpData::Field* f : t.fields(0))
            head.insert(f->name, t.value(0, f->name));
        const KlvErpData::InfosystemResult result = edit.erp().runInfosystem(t.infosystem, head);
        if (!result.error.isEmpty())
            return edit.refuseFieldText(result.error, KlvEditorMessage::InfosystemFailed, 0, button);
        for (auto it = result.head.cbegin(); it != result.head.cend(); ++it) {
            if (t.field(it.key(), 0))
                t.setValue(0, it.key(), it.value());
        }
        t.replaceRows(result.rows);
    }
    edit.answer().ack();
}

void KlvEditFieldCommands::getValues(KlvCommandContext& context)
{
    // GFV: row selection; field names joined by "," (none: every field of each row).
    // One record per row and field, rows ascending; rows that do not exist give no record.
    KlvEditContext edit(context);
    KlvEditTransaction* t = edit.transaction(false);
    if (!t)
        return;
    const std::optional<QList<int>> rows = addressedRows(edit, *t, context.field(0), false, false);
    if (!rows)
        return;
    QStringList names;
    for (const QString& n : context.field(1).split(u',')) {
        if (!n.trimmed().isEmpty())
            names.append(n.trimmed());
    }
    const KlvValueFormat format(edit.erp(), KlvValueFormat::Options::fromSession(context.session()));
    QList<QStringList> records;
    for (int row : *rows) {
        if (names.isEmpty()) {
            for (const KlvErpData::Field* f : t->fields(row))
                records.append(propertyRow(*t, format, row, f->name));
        } else {
            for (const QString& n : names)
                records.append(propertyRow(*t, format, row, n));
        }
    }
    if (!rows->isEmpty())
        t->currentRow = rows->first();
    context.answer().records(u"GFV"_s, records);
}

void KlvEditFieldCommands::resetValue(KlvCommandContext& context)
{
    // RFV: row selection; field. Back to the value when editing began.
    KlvEditContext edit(context);
    KlvEditTransaction* t = edit.changeableTransaction();
    if (!t)
        return;
    const std::optional<Target> target = addressedTarget(edit, context, *t, false);
    if (!target)
        return;
    for (int row : target->rows)
        t->resetValue(row, target->field->name);
    t->currentRow = target->firstRow();
    context.answer().ack();
}

void KlvEditFieldCommands::setText(KlvCommandContext& context)
{
    // SFT: row selection; field; one piece. Pieces sent one right behind the other make
    // one text; the first of them replaces what the field held.
    KlvEditContext edit(context);
    KlvEditTransaction* t = edit.changeableTransaction(true);
    if (!t)
        return;
    const std::optional<Target> target = addressedText(edit, context, *t);
    if (!target)
        return t->endPieces();
    const int row = target->firstRow();
    const KlvErpData::Field* f = target->field;
    const KlvTypeCode type(f->type);
    if (!isModifiable(*t, *f)) {
        t->endPieces();
        return edit.refuseField(KlvEditorMessage::NotModifiable, {f->name}, row, f->name);
    }

    QString piece = context.field(2);
    QString text = t->continuesPieces(row, f->name) ? t->value(row, f->name) : QString();
    if (type.isMultiLine()) {
        // Line ends are kept as line feeds; a CR LF may be cut between two pieces.
        if (text.endsWith(u'\r') && piece.startsWith(u'\n'))
            text.chop(1);
        piece.replace(u"\r\n"_s, u"\n"_s);
    }
    text += piece;
    if (text.size() > type.maxLength()) {
        if (!KlvOptionTable::isTrue(context.session().option(u"TRUNCTEXT"_s))) {
            t->endPieces();
            return edit.refuseField(KlvErpMessage::TooLong, {text.left(40), QString::number(type.maxLength())}, row,
                                    f->name);
        }
        text.truncate(type.maxLength());
    }
    t->writePieces(row, f->name, text);
    t->currentRow = row;
    context.answer().ack();
}

void KlvEditFieldCommands::getText(KlvCommandContext& context)
{
    // GFT: row selection; field; "START" or "NEXT"; the most characters wanted; a number
    // the client always sends as 0. The answer is one record holding the piece; an empty piece
    // ends the text.
    KlvEditContext edit(context);
    KlvEditTransaction* t = edit.transaction(false);
    if (!t)
        return;
    const std::optional<Target> target = addressedText(edit, context, *t);
    if (!target)
        return;
    const int row = target->firstRow();
    const KlvErpData::Field* f = target->field;
    const KlvTypeCode type(f->type);

    // The whole text in the session's form (its line ends), read in pieces.
    KlvValueFormat::Options options = KlvValueFormat::Options::fromSession(context.session());
    options.freeTextLength = -1;
    options.trim = false;
    const QString text = KlvValueFormat(edit.erp(), options).display(type, t->value(row, f->name));
    const bool start = context.field(2).trimmed().toUpper() != u"NEXT";
    bool ok = false;
    int length = context.field(3).trimmed().toInt(&ok);
    if (!ok || length <= 0)
        length = kDefaultPieceLength;
    t->currentRow = row;
    context.answer().records(u"GFT"_s, {{t->readPiece(row, f->name, text, start, length)}});
}
