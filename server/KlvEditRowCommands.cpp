#include "KlvEditRowCommands.h"

#include "KlvCommandContext.h"
#include "KlvCommandTable.h"
#include "KlvEditContext.h"
#include "KlvEditRowSelection.h"
#include "KlvEditorMessage.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// The transaction of a row command: open, changeable and with a table part.
KlvEditTransaction* rowTransaction(KlvEditContext& edit)
{
    KlvEditTransaction* t = edit.changeableTransaction();
    if (t && !t->group().tablePart) {
        edit.refuse(KlvEditorMessage::NoTablePart, {t->group().id()});
        return nullptr;
    }
    return t;
}

// The existing rows a row selection names; refuses a bad one, or one that names a row the
// object does not have.
std::optional<QList<int>> namedRows(KlvEditContext& edit, const KlvEditTransaction& t, const QString& text)
{
    const std::optional<KlvEditRowSelection> selection = KlvEditRowSelection::parse(text);
    if (!selection || selection->isHead()) {
        edit.refuse(KlvEditorMessage::BadRowSelection, {text});
        return std::nullopt;
    }
    int missing = 0;
    const QList<int> rows = selection->rows(t.rowCount(), &missing);
    if (missing != 0) {
        edit.refuse(KlvEditorMessage::NoSuchRow, {QString::number(missing)});
        return std::nullopt;
    }
    return rows;
}
} // namespace

void KlvEditRowCommands::addTo(KlvCommandTable& table)
{
    using Access = KlvCommandTable::Access;
    table.add(u"RIN"_s, Access::LoggedOn, &insertRow);
    table.add(u"RDL"_s, Access::LoggedOn, &deleteRows);
    table.add(u"RMV"_s, Access::LoggedOn, &moveRows);
}

void KlvEditRowCommands::insertRow(KlvCommandContext& context)
{
    // RIN: an empty row selection (or "0") appends a row; row n puts the new row before the
    // row n, n one beyond the last appends as well.
    KlvEditContext edit(context);
    KlvEditTransaction* t = rowTransaction(edit);
    if (!t)
        return;
    const std::optional<KlvEditRowSelection> selection = KlvEditRowSelection::parse(context.field(0));
    int before = t->rowCount() + 1;
    if (!selection || (!selection->isHead() && !selection->single()))
        return edit.refuse(KlvEditorMessage::BadRowSelection, {context.field(0)});
    if (selection->single()) {
        before = *selection->single();
        if (before > t->rowCount() + 1)
            return edit.refuse(KlvEditorMessage::NoSuchRow, {QString::number(before)});
    }
    t->insertRow(before);
    t->currentRow = before;
    context.answer().ack();
}

void KlvEditRowCommands::deleteRows(KlvCommandContext& context)
{
    KlvEditContext edit(context);
    KlvEditTransaction* t = rowTransaction(edit);
    if (!t)
        return;
    const std::optional<QList<int>> rows = namedRows(edit, *t, context.field(0));
    if (!rows)
        return;
    for (auto it = rows->crbegin(); it != rows->crend(); ++it)
        t->deleteRow(*it);
    t->currentRow = 0;
    context.answer().ack();
}

void KlvEditRowCommands::moveRows(KlvCommandContext& context)
{
    // RMV: the rows named leave their places and stand, in their order, from the target row
    // on; "2" to "5" makes row 2 the row 5.
    KlvEditContext edit(context);
    KlvEditTransaction* t = rowTransaction(edit);
    if (!t)
        return;
    const std::optional<QList<int>> rows = namedRows(edit, *t, context.field(0));
    if (!rows)
        return;
    bool ok = false;
    const int to = context.field(1).trimmed().toInt(&ok);
    const int highest = t->rowCount() - int(rows->size()) + 1;
    if (!ok || to < 1 || (to > highest && !rows->isEmpty()))
        return edit.refuse(KlvEditorMessage::MissingTarget, {context.field(1)});
    if (!rows->isEmpty()) {
        t->moveRows(*rows, to);
        t->currentRow = to;
    }
    context.answer().ack();
}
