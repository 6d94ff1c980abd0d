#include "KlvEditorCommands.h"

#include "KlvCommandContext.h"
#include "KlvCommandTable.h"
#include "KlvConnection.h"
#include "KlvEditContext.h"
#include "KlvEditFieldCommands.h"
#include "KlvEditRowCommands.h"
#include "KlvEditRowSelection.h"
#include "KlvEditorMessage.h"
#include "KlvErpMessage.h"
#include "KlvMessageNumber.h"
#include "KlvServerWorker.h"
#include "KlvSession.h"
#include "KlvTypeCode.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
const QString kNumberField = u"nummer"_s;
const QString kStatusCategory = u"EDIT"_s;
// The sample ERP's texts for a saved and a deleted record (dictionary "cc").
constexpr int kSavedText = 100;
constexpr int kDeletedText = 101;
constexpr int kInfosystemDatabase = 65;

// The answer lines of a command that opened a transaction carry the new transaction's id:
// the client takes its editor's id from them.
void acknowledgeWithTid(KlvEditContext& edit, const QString& tid)
{
    KlvAnswer ok = edit.command().connection().newAnswer(tid);
    ok.ack();
    for (KlvAction& a : ok.take())
        edit.answer().append(std::move(a));
}

bool isEditable(KlvErpData& erp, const KlvErpData::Group& group)
{
    const std::optional<KlvErpData::Database> db = erp.database(group.db);
    return group.editable && group.generatedRows == 0 && db && db->editable;
}

// "database" or "database:group".
std::pair<QString, QString> splitDatabaseAndGroup(const QString& text)
{
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0)
        return {text.trimmed(), QString()};
    return {text.left(colon).trimmed(), text.mid(colon + 1).trimmed()};
}

// How long an open for change waits for a record another session holds: 0 not at all, -1
// for as long as it takes.
int waitMilliseconds(const QString& lockBehaviour)
{
    if (lockBehaviour == u"NOWAIT")
        return 0;
    if (lockBehaviour.startsWith(u"WAIT:") && lockBehaviour.mid(5).toInt() > 0)
        return lockBehaviour.mid(5).toInt() * 1000;
    return -1;
}
} // namespace

void KlvEditorCommands::addTo(KlvCommandTable& table)
{
    using Access = KlvCommandTable::Access;
    table.add(u"NEW"_s, Access::LoggedOn, &newObject);
    table.add(u"UPD"_s, Access::LoggedOn, &update);
    table.add(u"DEL"_s, Access::LoggedOn, &remove);
    table.add(u"VIE"_s, Access::LoggedOn, &view);
    table.add(u"EDI"_s, Access::LoggedOn, &operation);
    table.add(u"SUB"_s, Access::LoggedOn, &subEditor);
    table.add(u"COM"_s, Access::LoggedOn, &commit);
    table.add(u"CAN"_s, Access::LoggedOn, &cancel);
    table.add(u"SAV"_s, Access::LoggedOn, &saveReload);
    table.add(u"GTS"_s, Access::LoggedOn, &status);
    KlvEditFieldCommands::addTo(table);
    KlvEditRowCommands::addTo(table);
}

// --- opening -----------------------------------------------------------------------------------

void KlvEditorCommands::newObject(KlvCommandContext& context)
{
    KlvEditContext edit(context);
    begin(edit, Kind::New, u"NEW"_s, context.field(0), context.field(1), context.field(2));
}

void KlvEditorCommands::update(KlvCommandContext& context)
{
    KlvEditContext edit(context);
    begin(edit, Kind::Change, u"UPDATE"_s, context.field(0), context.field(1), context.field(2));
}

void KlvEditorCommands::remove(KlvCommandContext& context)
{
    KlvEditContext edit(context);
    begin(edit, Kind::Delete, u"DELETE"_s, context.field(0), context.field(1), context.field(2));
}

void KlvEditorCommands::view(KlvCommandContext& context)
{
    KlvEditContext edit(context);
    begin(edit, Kind::View, u"VIEW"_s, context.field(0), context.field(1), context.field(2));
}

void KlvEditorCommands::operation(KlvCommandContext& context)
{
    // EDI: action; database[:group]; reference type; reference; menu choice; application
    // parameter. The last two choose among the GUI client's menus, which this ERP has none of.
    KlvEditContext edit(context);
    const QString action = context.field(0).trimmed().toUpper();
    const QString database = context.field(1);
    const QString refType = context.field(2).trimmed().toUpper();
    const QString ref = context.field(3);
    const bool noReference = ref.trimmed().isEmpty() || refType == u"EMPTY";

    if (action == u"NEW")
        return begin(edit, Kind::New, action, database, refType, ref);
    if (action == u"COPY") {
        if (noReference)
            return edit.refuse(KlvEditorMessage::NoReference);
        return begin(edit, Kind::New, action, database, refType, ref);
    }
    if (action == u"UPDATE" || action == u"MODIFY")
        return begin(edit, Kind::Change, action, database, refType, ref);
    // Storing names the record to change, or makes a new one when it names none.
    if (action == u"STORE")
        return begin(edit, noReference ? Kind::New : Kind::Change, action, database, noReference ? QString() : refType,
                     ref);
    if (action == u"DELETE" || action == u"REMOVE")
        return begin(edit, Kind::Delete, action, database, refType, ref);
    if (action == u"VIEW")
        return begin(edit, Kind::View, action, database, refType, ref);
    if (action == u"GET") {
        const std::optional<KlvErpData::Database> db = edit.erp().findDatabase(splitDatabaseAndGroup(database).first);
        if (db && db->number == kInfosystemDatabase)
            return beginInfosystem(edit, ref);
        return begin(edit, Kind::View, action, database, refType, ref);
    }
    if (action == u"DO")
        return edit.refuse(KlvEditorMessage::UnknownCommand, {database});
    edit.refuse(KlvEditorMessage::UnknownAction, {context.field(0)});
}

std::optional<KlvErpData::Ref> KlvEditorCommands::findRecord(KlvEditContext& edit, const QString& database,
                                                             const QString& refType, const QString& ref)
{
    const QString type = refType.trimmed().toUpper();
    if (ref.trimmed().isEmpty()) {
        edit.refuse(KlvEditorMessage::NoReference);
        return std::nullopt;
    }
    std::optional<KlvErpData::Ref> found;
    if (type == u"REF") {
        found = KlvErpData::Ref::parse(ref);
    } else if (type == u"NUMSW") {
        const std::optional<KlvErpData::Database> db = edit.erp().findDatabase(database);
        if (!db) {
            edit.refuse(KlvErpMessage::UnknownDatabase, {database});
            return std::nullopt;
        }
        // A reference is taken here too, as long as it lies in the database named.
        found = KlvErpData::Ref::parse(ref);
        if (!found || found->db != db->number)
            found = edit.erp().findByNumberOrSearchWord(db->number, ref);
    } else {
        edit.refuse(KlvEditorMessage::UnknownRefType, {refType});
        return std::nullopt;
    }
    if (!found || !edit.erp().record(*found)) {
        edit.refuse(KlvErpMessage::NoSuchRecord, {ref.trimmed()});
        return std::nullopt;
    }
    return found;
}

void KlvEditorCommands::begin(KlvEditContext& edit, Kind kind, const QString& action, const QString& databaseAndGroup,
                              const QString& refType, const QString& ref)
{
    KlvErpData& erp = edit.erp();
    const auto [database, groupText] = splitDatabaseAndGroup(databaseAndGroup);
    const QString type = refType.trimmed().toUpper();

    if (kind == Kind::New && (type.isEmpty() || type == u"EMPTY")) {
        const std::optional<KlvErpData::Database> db = erp.findDatabase(database);
        if (!db)
            return edit.refuse(KlvErpMessage::UnknownDatabase, {database});
        std::optional<KlvErpData::Group> group;
        for (const KlvErpData::Group& g : erp.groups(db->number)) {
            const bool named = g.name.de.compare(groupText, Qt::CaseInsensitive) == 0 ||
                               g.name.en.compare(groupText, Qt::CaseInsensitive) == 0 ||
                               QString::number(g.number) == groupText;
            if (groupText.isEmpty() ? (g.newAllowed && isEditable(erp, g)) : named) {
                group = g;
                break;
            }
        }
        if (!group && groupText.isEmpty())
            return edit.refuse(KlvEditorMessage::NoNewGroup, {database});
        if (!group)
            return edit.refuse(KlvEditorMessage::UnknownGroup, {groupText, database});
        if (!isEditable(erp, *group))
            return edit.refuse(KlvEditorMessage::NotEditable, {group->id()});
        KlvEditTransaction& t = edit.editor().open(kind, *group, {});
        t.action = action;
        return acknowledgeWithTid(edit, t.tid());
    }

    const std::optional<KlvErpData::Ref> found = findRecord(edit, database, type, ref);
    if (!found)
        return;
    const std::optional<KlvErpData::Group> group = erp.group(found->db, found->group);
    std::optional<KlvErpData::Record> record = erp.record(*found);
    if (!group || !record)
        return edit.refuse(KlvErpMessage::NoSuchRecord, {ref.trimmed()});
    if (kind != Kind::View && !isEditable(erp, *group))
        return edit.refuse(KlvEditorMessage::NotEditable, {group->id()});

    switch (kind) {
    case Kind::New: {
        // A copy: everything but the number, which the new record gets when it is saved.
        record->head.remove(kNumberField);
        KlvEditTransaction& t = edit.editor().open(kind, *group, *record);
        t.action = action;
        return acknowledgeWithTid(edit, t.tid());
    }
    case Kind::Change:
    case Kind::Delete:
        return openHeld(edit, kind, action, *group, *found);
    default: {
        KlvEditTransaction& t = edit.editor().open(Kind::View, *group, *record);
        t.ref = *found;
        t.action = action;
        return acknowledgeWithTid(edit, t.tid());
    }
    }
}

void KlvEditorCommands::openHeld(KlvEditContext& edit, Kind kind, const QString& action, const KlvErpData::Group& group,
                                 const KlvErpData::Ref& ref)
{
    for (KlvEditTransaction* other : edit.editor().all()) {
        if (other->isActive() && other->locked && other->ref == ref)
            return edit.refuse(KlvEditorMessage::AlreadyOpen, {ref.text(), other->tid()});
    }

    KlvServerWorker* server = &edit.command().server();
    KlvConnection* connection = &edit.command().connection();
    const QString lang = edit.lang();
    const QString tid = edit.command().command().tid;
    // Tries to hold the record; when it gets it, opens the transaction and answers.
    auto attempt = [server, connection, kind, action, group, ref, lang, tid] {
        KlvErpData& erp = server->erp();
        if (!erp.lockRecord(ref, connection->id()))
            return false;
        const std::optional<KlvErpData::Record> record = erp.record(ref);
        if (!record) {
            // Deleted by the session it waited for.
            erp.unlockRecord(ref, connection->id());
            KlvAnswer gone = connection->newAnswer(tid);
            gone.nak(erp.serverText(KlvErpMessage::NoSuchRecord, lang, {ref.text()}), KlvErpMessage::NoSuchRecord);
            connection->runNext(gone.take());
            return true;
        }
        KlvEditTransaction& t = connection->session().editor.open(kind, group, *record);
        t.ref = ref;
        t.locked = true;
        t.action = action;
        KlvAnswer ok = connection->newAnswer(t.tid());
        ok.ack();
        connection->runNext(ok.take());
        return true;
    };
    auto refuse = [server, connection, ref, lang, tid, attempt] {
        // One last try when the time is up: the record may have come free this very moment.
        if (attempt())
            return;
        KlvAnswer refused = connection->newAnswer(tid);
        const QString holder = QString::number(server->erp().holder(ref));
        refused.nak(KlvEditorMessage::text(KlvEditorMessage::RecordLocked, lang, {ref.text(), holder}),
                    KlvMessageNumber::Locked);
        connection->runNext(refused.take());
    };

    const int holder = edit.erp().holder(ref);
    if (holder != 0 && holder != connection->id()) {
        const int waitMs = waitMilliseconds(edit.command().session().option(u"LOCKBEHAVIOR"_s));
        if (waitMs == 0) {
            edit.answer().nak(edit.text(KlvEditorMessage::RecordLocked, {ref.text(), QString::number(holder)}),
                              KlvMessageNumber::Locked);
            return;
        }
        edit.answer().status(edit.text(KlvEditorMessage::WaitingForRecord, {ref.text(), QString::number(holder)}),
                             u"LOCK"_s, KlvMessageNumber::LockWait);
        edit.answer().append(KlvAction::wait(attempt, waitMs, refuse));
        return;
    }
    edit.answer().append(KlvAction::wait(attempt, 0, refuse));
}

void KlvEditorCommands::beginInfosystem(KlvEditContext& edit, const QString& ref)
{
    KlvErpData& erp = edit.erp();
    std::optional<KlvErpData::Ref> definition = KlvErpData::Ref::parse(ref);
    if (!definition || definition->db != kInfosystemDatabase)
        definition = erp.findByNumberOrSearchWord(kInfosystemDatabase, ref);
    const std::optional<KlvErpData::Record> record = definition ? erp.record(*definition) : std::nullopt;
    if (!definition || !record || !erp.infosystem(definition->number))
        return edit.refuse(KlvErpMessage::UnknownInfosystem, {ref.trimmed()});

    // The definition's rows are the fields of the transaction: header fields (parameters that
    // can be set, buttons that can be pressed, values the run reports) and result columns.
    KlvErpData::Group group;
    group.db = definition->db;
    group.number = definition->group;
    if (const std::optional<KlvErpData::Group> g = erp.group(definition->db, definition->group))
        group.name = g->name;
    group.tablePart = true;
    for (const QHash<QString, QString>& row : record->rows) {
        const QString vname = row.value(u"vname"_s);
        const bool resultColumn = row.value(u"vkt"_s) == u"1";
        if (vname.size() <= 2)
            continue;
        KlvErpData::Field f;
        f.name = vname.mid(2).toLower();
        f.inTable = resultColumn;
        const bool known = std::any_of(group.fields.cbegin(), group.fields.cend(), [&f](const KlvErpData::Field& g) {
            return g.inTable == f.inTable && g.name == f.name;
        });
        if (known)
            continue;
        f.type = row.value(u"vitf"_s);
        f.desc = {row.value(u"vbed"_s), row.value(u"vbed"_s)};
        const QString param = row.value(u"param"_s);
        const bool button = KlvTypeCode::classify(f.type) == KlvTypeCode::Kind::Button;
        f.protection = !f.inTable && (param == u"2" || param == u"3" || button) ? 3 : 1;
        f.queryable = !button;
        group.fields.append(f);
    }

    KlvErpData::Record start;
    start.number = definition->number;
    const QString english = record->head.value(u"nameen"_s);
    const QHash<QString, QString> known = {
        {u"num65"_s, record->head.value(kNumberField)},
        {u"such65"_s, record->head.value(u"such"_s)},
        {u"name"_s, edit.lang() == u"E" && !english.isEmpty() ? english : record->head.value(u"name"_s)},
    };
    for (auto it = known.cbegin(); it != known.cend(); ++it) {
        if (group.field(it.key()))
            start.head.insert(it.key(), it.value());
    }
    KlvEditTransaction& t = edit.editor().open(Kind::Infosystem, group, start);
    t.ref = *definition;
    t.infosystem = definition->number;
    t.action = u"GET"_s;
    acknowledgeWithTid(edit, t.tid());
}

void KlvEditorCommands::subEditor(KlvCommandContext& context)
{
    // SUB carries "0" in its head; its fields name the transaction it opens on, the row and
    // the sub-screen button.
    KlvEditContext edit(context);
    const QString parentTid = context.field(0);
    KlvEditTransaction* parent = edit.editor().find(parentTid);
    if (!parent)
        return edit.refuse(KlvEditorMessage::NoTransaction, {parentTid});
    if (!parent->isActive())
        return edit.refuse(KlvEditorMessage::TransactionEnded, {parentTid});
    parent->endPieces();

    const std::optional<KlvEditRowSelection> selection = KlvEditRowSelection::parse(context.field(1));
    if (!selection)
        return edit.refuse(KlvEditorMessage::BadRowSelection, {context.field(1)});
    int row = 0;
    if (!selection->isHead()) {
        int missing = 0;
        const QList<int> rows = selection->rows(parent->rowCount(), &missing);
        if (missing != 0 || rows.size() != 1)
            return edit.refuse(missing != 0 ? KlvEditorMessage::NoSuchRow : KlvEditorMessage::BadRowSelection,
                               {missing != 0 ? QString::number(missing) : context.field(1)});
        row = rows.first();
    }
    const QString button = context.field(2).trimmed();
    const KlvErpData::Field* buttonField = parent->field(button, row);
    if (!buttonField || buttonField->subscreen.isEmpty())
        return edit.refuseField(KlvEditorMessage::NotASubscreen, {button}, row, button);

    KlvErpData::Group group = parent->group();
    group.fields.clear();
    group.tablePart = false;
    KlvErpData::Record record;
    record.number = parent->ref.number;
    for (const QString& name : buttonField->subscreen) {
        if (const KlvErpData::Field* f = parent->field(name, row)) {
            KlvErpData::Field shown = *f;
            shown.inTable = false;
            group.fields.append(shown);
            record.head.insert(shown.name, parent->value(row, shown.name));
        }
    }
    parent->currentRow = row;
    KlvEditTransaction& t = edit.editor().open(Kind::Sub, group, record);
    t.ref = parent->ref;
    t.parentTid = parentTid;
    t.parentRowId = parent->rowId(row);
    t.button = buttonField->name;
    t.screen = parent->screen + 1;
    t.setReadOnly(parent->isReadOnly());
    t.action = u"SUB"_s;
    acknowledgeWithTid(edit, t.tid());
}

// --- ending ------------------------------------------------------------------------------------

void KlvEditorCommands::release(KlvEditContext& edit, KlvEditTransaction& t)
{
    if (!t.locked)
        return;
    edit.erp().unlockRecord(t.ref, edit.command().connection().id());
    t.locked = false;
    edit.command().server().wakeWaiters();
}

bool KlvEditorCommands::save(KlvEditContext& edit, KlvEditTransaction& t, bool reload)
{
    KlvErpData& erp = edit.erp();
    if (t.kind() != Kind::Sub) {
        const std::vector<KlvEditTransaction*> subs = edit.editor().subsOf(t.tid());
        if (!subs.empty()) {
            edit.refuse(KlvEditorMessage::SubOpen, {subs.front()->tid()});
            return false;
        }
    }
    int statusText = 0;
    switch (t.kind()) {
    case Kind::New: {
        const std::optional<KlvErpData::Ref> ref = erp.createRecord(t.group().db, t.group().number, t.record());
        if (!ref) {
            edit.refuse(KlvEditorMessage::NotEditable, {t.group().id()});
            return false;
        }
        t.ref = *ref;
        statusText = kSavedText;
        // The record as stored, with the number it was given.
        t.rebase(erp.record(*ref).value_or(t.record()));
        if (reload) {
            // From now on the same transaction changes the record it made.
            t.setKind(Kind::Change);
            t.locked = erp.lockRecord(*ref, edit.command().connection().id());
        }
        break;
    }
    case Kind::Change:
        if (!erp.replaceRecord(t.ref, t.record())) {
            edit.refuse(KlvEditorMessage::RecordGone, {t.ref.text()});
            return false;
        }
        statusText = kSavedText;
        if (reload)
            t.rebase(erp.record(t.ref).value_or(t.record()));
        break;
    case Kind::Delete:
        if (reload) {
            edit.refuse(KlvEditorMessage::DeletionNotReloaded);
            return false;
        }
        if (!erp.deleteRecord(t.ref)) {
            edit.refuse(KlvEditorMessage::RecordGone, {t.ref.text()});
            return false;
        }
        statusText = kDeletedText;
        break;
    case Kind::View:
        if (reload) {
            const std::optional<KlvErpData::Record> record = erp.record(t.ref);
            if (!record) {
                edit.refuse(KlvEditorMessage::RecordGone, {t.ref.text()});
                return false;
            }
            t.rebase(*record);
        }
        break;
    case Kind::Infosystem:
        break;
    case Kind::Sub: {
        // A sub-screen saves into the transaction it belongs to, which stores it in its turn.
        KlvEditTransaction* parent = edit.editor().find(t.parentTid);
        if (!parent || !parent->isActive()) {
            edit.refuse(KlvEditorMessage::TransactionEnded, {t.parentTid});
            return false;
        }
        const int row = parent->rowOfId(t.parentRowId);
        if (row < 0) {
            edit.refuse(KlvEditorMessage::ParentRowGone, {t.tid()});
            return false;
        }
        for (const KlvErpData::Field* f : t.fields(0)) {
            if (t.isModified(0, f->name))
                parent->setValue(row, f->name, t.value(0, f->name));
        }
        if (reload)
            t.rebase(t.record());
        break;
    }
    }
    if (!reload) {
        release(edit, t);
        t.setState(KlvEditTransaction::State::Saved);
    }
    if (statusText != 0) {
        const QString text = erp.messageText(u"cc"_s, statusText, edit.lang());
        if (!text.isEmpty())
            edit.answer().status(text, kStatusCategory, statusText);
    }
    return true;
}

void KlvEditorCommands::commit(KlvCommandContext& context)
{
    KlvEditContext edit(context);
    if (KlvEditTransaction* t = edit.transaction(); t && save(edit, *t, false))
        context.answer().ack();
}

void KlvEditorCommands::saveReload(KlvCommandContext& context)
{
    KlvEditContext edit(context);
    if (KlvEditTransaction* t = edit.transaction(); t && save(edit, *t, true))
        context.answer().ack();
}

void KlvEditorCommands::cancel(KlvCommandContext& context)
{
    KlvEditContext edit(context);
    KlvEditTransaction* t = edit.transaction();
    if (!t)
        return;
    for (KlvEditTransaction* sub : edit.editor().subsOf(t->tid()))
        sub->setState(KlvEditTransaction::State::Cancelled);
    release(edit, *t);
    t->setState(KlvEditTransaction::State::Cancelled);
    context.answer().ack();
}

// --- status ------------------------------------------------------------------------------------

std::optional<QString> KlvEditorCommands::statusValue(KlvEditTransaction* t, const QString& name)
{
    const auto flag = [](bool on) { return on ? u"1"_s : u"0"_s; };
    if (name == u"TATYPE")
        return t ? u"EDIT"_s : u"NONE"_s;
    if (name == u"STATE") {
        if (!t)
            return u"NONE"_s;
        switch (t->state()) {
        case KlvEditTransaction::State::Active:
            return u"ACTIVE"_s;
        case KlvEditTransaction::State::Saved:
            return u"SAVED"_s;
        case KlvEditTransaction::State::Cancelled:
            return u"CANCELLED"_s;
        }
    }
    if (name == u"HASTABLE")
        return flag(t && t->group().tablePart);
    if (name == u"NUMROWS")
        return QString::number(t ? t->rowCount() : 0);
    if (name == u"ROW")
        return QString::number(t ? t->currentRow : 0);
    if (name == u"MODIFIED")
        return flag(t && t->isModified());
    if (name == u"REF")
        return t ? t->ref.text() : KlvErpData::Ref().text();
    if (name == u"NUM") {
        if (!t)
            return QString();
        if (t->group().field(kNumberField))
            return t->value(0, kNumberField);
        return t->ref.isNull() ? QString() : QString::number(t->ref.number);
    }
    if (name == u"EDITDBNR")
        return QString::number(t ? t->group().db : 0);
    if (name == u"EDITGRPNR")
        return QString::number(t ? t->group().number : 0);
    if (name == u"SCRNR")
        return QString::number(t ? t->screen : 0);
    if (name == u"PRIO")
        return t ? u"A"_s : QString();
    return std::nullopt;
}

void KlvEditorCommands::status(KlvCommandContext& context)
{
    // The status of "no transaction" (id "0") can be asked as well: an editor asks whether it
    // is active before it ever began one.
    KlvEditContext edit(context);
    KlvEditTransaction* t = nullptr;
    if (context.command().tid != u"0") {
        t = edit.transaction(false);
        if (!t)
            return;
    }
    const QString name = context.field(0).trimmed().toUpper();
    const std::optional<QString> value = statusValue(t, name);
    if (!value)
        return edit.refuse(KlvEditorMessage::UnknownStatus, {context.field(0)});
    context.answer().records(u"GTS"_s, {{name, *value}});
}
