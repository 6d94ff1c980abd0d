#include "KlvQueryCommands.h"

#include "KlvCommandContext.h"
#include "KlvCommandTable.h"
#include "KlvConnection.h"
#include "KlvErpMessage.h"
#include "KlvQueryEngine.h"
#include "KlvSelectionCursor.h"
#include "KlvServerWorker.h"
#include "KlvSession.h"

using namespace Qt::StringLiterals;

namespace {
bool flag(const QString& text)
{
    const QString t = text.trimmed().toUpper();
    return t == u"1" || t == u"T" || t == u"TRUE" || t == u"YES" || t == u"JA";
}

// Without a field list a query delivers the fields a query may ask for: the head, and with
// rows selected the table part too.
QList<KlvFieldExpression> defaultColumns(const KlvErpData::Group& group, bool byRows)
{
    QList<KlvFieldExpression> columns;
    for (const KlvErpData::Field& f : group.fields) {
        if (f.queryable && (!f.inTable || byRows))
            columns.append(KlvFieldExpression::parse(f.name));
    }
    return columns;
}
} // namespace

void KlvQueryCommands::addTo(KlvCommandTable& table)
{
    using Access = KlvCommandTable::Access;
    table.add(u"EXQ"_s, Access::LoggedOn, &executeQuery);
    table.add(u"RDP"_s, Access::LoggedOn, &readByReference);
    table.add(u"GNR"_s, Access::LoggedOn, &nextBlock);
    table.add(u"BRQ"_s, Access::Always, &breakRequest);
}

void KlvQueryCommands::refuse(KlvCommandContext& context, int number, const QStringList& args)
{
    const QString lang = context.session().option(u"LANG"_s) == u"E" ? u"E"_s : u"D"_s;
    context.answer().nak(context.server().erp().serverText(number, lang, args), number);
}

void KlvQueryCommands::dropOpenAnswer(KlvCommandContext& context)
{
    context.session().queries.erase(context.command().tid);
}

void KlvQueryCommands::sendFirstBlock(KlvCommandContext& context, std::shared_ptr<KlvQueryCursor> cursor)
{
    KlvSession& session = context.session();
    const QString tid = QString::number(session.nextQueryTid);
    KlvBlockWriter probe(tid, context.server().options().maxLineLength);
    cursor->writeBlock(probe);
    QString text = probe.take();
    if (cursor->atEnd()) {
        // Complete in one block: nothing stays open, so the lines say "0". The tid appears
        // only in the line heads ("BOD|tid|", "D|tid|", ...), which carry nothing else alike.
        text.replace(u'|' + tid + u'|', u"|0|"_s);
    } else {
        ++session.nextQueryTid;
        session.queries[tid] = std::move(cursor);
    }
    context.answer().append(KlvAction::sendLine(text));
}

void KlvQueryCommands::executeQuery(KlvCommandContext& context)
{
    dropOpenAnswer(context);
    KlvErpData& data = context.server().erp();
    const KlvValueFormat::Options options = KlvValueFormat::Options::fromSession(context.session());
    const KlvValueFormat format(data, options);

    QString error;
    const std::optional<KlvSelectionString> selection = KlvSelectionString::parse(context.field(0), &error);
    if (!selection) {
        refuse(context, KlvErpMessage::BadSelection, {error});
        return;
    }
    KlvQueryEngine engine(data, format);
    KlvQueryEngine::Result result;
    if (!engine.run(*selection, &result)) {
        context.answer().nak(engine.errorText(), engine.errorNumber());
        return;
    }
    const KlvErpData::Group group = engine.tableGroups(selection->table).first();
    QList<KlvFieldExpression> columns = KlvFieldExpression::parseList(context.field(1));
    if (columns.isEmpty())
        columns = defaultColumns(group, selection->byRows);

    auto cursor = std::make_shared<KlvSelectionCursor>(u"EXQ"_s, context.field(2).toInt(), data, options,
                                                       std::move(result), columns);
    if (!cursor->bind(group, &error)) {
        refuse(context, KlvErpMessage::UnknownField, {error, group.id()});
        return;
    }
    if (flag(context.field(8)))
        cursor->setMetadata(cursor->metadataLines(group));
    cursor->skip(context.field(3).toInt());
    cursor->setCountOnly(selection->readNone);
    sendFirstBlock(context, cursor);
}

void KlvQueryCommands::readByReference(KlvCommandContext& context)
{
    dropOpenAnswer(context);
    KlvErpData& data = context.server().erp();
    const QStringList refs = context.field(0).split(u';', Qt::SkipEmptyParts);
    if (refs.isEmpty()) {
        refuse(context, KlvErpMessage::EmptyReference, {});
        return;
    }
    const bool byRows = flag(context.field(2));
    KlvQueryEngine::Result result;
    std::optional<KlvErpData::Group> firstGroup;
    for (const QString& text : refs) {
        const std::optional<KlvErpData::Ref> ref = KlvErpData::Ref::parse(text);
        if (ref && ref->isNull()) {
            refuse(context, KlvErpMessage::EmptyReference, {});
            return;
        }
        const std::optional<KlvErpData::Group> group = ref ? data.group(ref->db, ref->group) : std::nullopt;
        if (!ref || !group || !data.record(*ref)) {
            refuse(context, KlvErpMessage::NoSuchRecord, {text.trimmed()});
            return;
        }
        if (!firstGroup)
            firstGroup = group;
        const int rows = byRows && group->tablePart ? data.rowCount(*ref) : 0;
        if (rows == 0 && !(byRows && group->tablePart))
            result.hits.push_back({*ref, 0});
        for (int r = 1; r <= rows; ++r)
            result.hits.push_back({*ref, r});
    }
    QList<KlvFieldExpression> columns = KlvFieldExpression::parseList(context.field(1));
    if (columns.isEmpty())
        columns = defaultColumns(*firstGroup, byRows);
    const KlvValueFormat::Options options = KlvValueFormat::Options::fromSession(context.session());
    auto cursor = std::make_shared<KlvSelectionCursor>(u"RDP"_s, context.field(3).toInt(), data, options,
                                                       std::move(result), columns);
    QString error;
    if (!cursor->bind(*firstGroup, &error)) {
        refuse(context, KlvErpMessage::UnknownField, {error, firstGroup->id()});
        return;
    }
    if (flag(context.field(4)))
        cursor->setMetadata(cursor->metadataLines(*firstGroup));
    sendFirstBlock(context, cursor);
}

void KlvQueryCommands::nextBlock(KlvCommandContext& context)
{
    KlvSession& session = context.session();
    const QString tid = context.command().tid;
    const auto it = session.queries.find(tid);
    if (it == session.queries.end()) {
        refuse(context, KlvErpMessage::NoOpenQuery, {tid});
        return;
    }
    const std::shared_ptr<KlvQueryCursor> cursor = it->second;
    KlvBlockWriter writer(tid, context.server().options().maxLineLength);
    cursor->writeBlock(writer);
    if (cursor->atEnd())
        session.queries.erase(it);
    context.answer().append(KlvAction::sendLine(writer.take()));
}

void KlvQueryCommands::breakRequest(KlvCommandContext& context)
{
    // The rest of the answer is dropped; the client reads no answer to a break (one would be
    // taken for the next request's), so none is sent.
    dropOpenAnswer(context);
}
