#include "KlvSelectionCursor.h"

using namespace Qt::StringLiterals;

namespace {
qint64 tableKey(int db, int group)
{
    return (qint64(db) << 32) | quint32(group);
}
} // namespace

KlvSelectionCursor::KlvSelectionCursor(QString word, int blockSize, const KlvErpData& data,
                                       KlvValueFormat::Options options, KlvQueryEngine::Result result,
                                       QList<KlvFieldExpression> columns)
    : KlvQueryCursor(std::move(word), blockSize), m_data(data), m_format(data, std::move(options)),
      m_result(std::move(result)), m_columns(std::move(columns))
{}

bool KlvSelectionCursor::bind(const KlvErpData::Group& group, QString* error)
{
    QList<KlvFieldExpression> bound = m_columns;
    for (KlvFieldExpression& e : bound) {
        if (!e.resolve(m_data, group)) {
            *error = e.error();
            return false;
        }
    }
    m_bound.insert(tableKey(group.db, group.number), bound);
    m_last = nullptr;
    m_lastKey = -1;
    return true;
}

QList<QStringList> KlvSelectionCursor::metadataLines(const KlvErpData::Group& group)
{
    const QList<KlvFieldExpression>* columns = columnsFor(group.db, group.number);
    QStringList name{u"NAME"_s}, out{u"OUTNAME"_s}, orig{u"ORIGNAME"_s}, desc{u"DESC"_s}, flag{u"TABLEFLAG"_s},
        length{u"LENGTH"_s}, type{u"TYPE"_s};
    for (const KlvFieldExpression& e : *columns) {
        QString written = e.written().trimmed();
        name.append(e.pseudo() == KlvFieldExpression::Pseudo::Id ? u"id"_s : e.name());
        out.append(written.startsWith(u"0:") || written.startsWith(u"1:") ? written.mid(2) : written);
        orig.append(written);
        desc.append(e.field().desc.in(m_format.options().lang));
        flag.append(e.inTable() ? u"1"_s : u"0"_s);
        const int len = e.type().maxLength();
        length.append(
            QString::number(e.type().kind() == KlvTypeCode::Kind::FText && m_format.options().freeTextLength >= 0
                                ? m_format.options().freeTextLength
                                : len));
        type.append(e.field().type);
    }
    return {name, out, orig, desc, flag, length, type};
}

const QList<KlvFieldExpression>* KlvSelectionCursor::columnsFor(int db, int group)
{
    const qint64 key = tableKey(db, group);
    if (m_last && key == m_lastKey)
        return m_last;
    auto it = m_bound.find(key);
    if (it == m_bound.end()) {
        // A table met later in a selection over several groups, or a reference read from
        // another table: fields it does not have stay empty.
        QList<KlvFieldExpression> bound = m_columns;
        if (const std::optional<KlvErpData::Group> g = m_data.group(db, group)) {
            for (KlvFieldExpression& e : bound)
                e.resolve(m_data, *g);
        }
        it = m_bound.insert(key, bound);
    }
    m_lastKey = key;
    m_last = &it.value();
    return m_last;
}

void KlvSelectionCursor::writeRecord(KlvBlockWriter& writer, int index)
{
    const KlvQueryEngine::Hit hit = m_result.at(index);
    const QList<KlvFieldExpression>& columns = *columnsFor(hit.ref.db, hit.ref.group);
    writer.beginRecord();
    for (const KlvFieldExpression& e : columns) {
        const QString value = e.value(m_data, hit.ref, hit.row);
        if (e.pseudo() != KlvFieldExpression::Pseudo::None)
            writer.field(value);
        else
            writer.field(m_format.display(e.type(), value, e.modifier()));
    }
    writer.endRecord();
}
