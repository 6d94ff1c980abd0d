#include "KlvInfosystemRun.h"

#include "KlvErpMessage.h"
#include "KlvFieldExpression.h"
#include "KlvQueryEngine.h"
#include "KlvSelectionString.h"
#include "KlvValueFormat.h"

using namespace Qt::StringLiterals;

KlvErpData::InfosystemResult KlvInfosystemRun::run(int number, const QHash<QString, QString>& headValues) const
{
    KlvErpData::InfosystemResult result;
    const std::optional<KlvErpData::Record> def = m_data.record(KlvErpData::Ref{65, 1, number});
    if (!def) {
        result.error = m_data.serverText(KlvErpMessage::UnknownInfosystem, u"D"_s, {QString::number(number)});
        return result;
    }
    const QString source = def->head.value(u"quelle"_s);
    const std::optional<KlvErpData::Group> group = m_data.findGroup(source);
    if (!group) {
        result.error = m_data.serverText(KlvErpMessage::UnknownTable, u"D"_s, {source});
        return result;
    }

    // The parameters become criteria; the values come canonical from the editor, which the
    // selection reads as they are.
    KlvSelectionString selection;
    selection.table = group->id();
    struct Column
    {
        QString name;
        KlvFieldExpression field;
    };
    QList<Column> columns;
    QList<QPair<QString, QString>> reports; // header field -> "#anzahl" or "#summe:<field>"
    for (const QHash<QString, QString>& row : def->rows) {
        const QString name = row.value(u"vname"_s).mid(2);
        const QString from = row.value(u"quellfeld"_s);
        if (row.value(u"vkt"_s) == u"1") {
            if (KlvTypeCode::classify(row.value(u"vitf"_s)) == KlvTypeCode::Kind::Button || from.isEmpty())
                continue;
            Column c{name, KlvFieldExpression::parse(from)};
            if (!c.field.resolve(m_data, *group)) {
                result.error = m_data.serverText(KlvErpMessage::UnknownField, u"D"_s, {from, group->id()});
                return result;
            }
            columns.append(c);
            continue;
        }
        if (from.startsWith(u'#'))
            reports.append({name, from});
        const QString criterion = row.value(u"krit"_s);
        if (criterion.isEmpty())
            continue;
        const QString value = headValues.value(name);
        if (value.isEmpty()) {
            if (row.value(u"param"_s) == u"3") {
                result.error = m_data.serverText(KlvErpMessage::MissingParameter, u"D"_s, {name});
                return result;
            }
            continue;
        }
        qsizetype op = 0;
        while (op < criterion.size() && criterion.at(op).isLetterOrNumber())
            ++op;
        selection.criteria.append({criterion.left(op), criterion.mid(op), value});
    }

    KlvValueFormat::Options options;
    options.decimalComma = false;
    const KlvValueFormat format(m_data, options);
    KlvQueryEngine engine(m_data, format);
    KlvQueryEngine::Result found;
    if (!engine.run(selection, &found)) {
        result.error = engine.errorText();
        return result;
    }
    for (int i = 0; i < found.size(); ++i) {
        const KlvQueryEngine::Hit hit = found.at(i);
        QHash<QString, QString> values;
        for (const Column& c : std::as_const(columns))
            values.insert(c.name, c.field.value(m_data, hit.ref, hit.row));
        result.rows.append(values);
    }
    for (const auto& [name, what] : std::as_const(reports)) {
        if (what == u"#anzahl") {
            result.head.insert(name, QString::number(found.size()));
        } else if (what.startsWith(u"#summe:")) {
            KlvFieldExpression field = KlvFieldExpression::parse(what.mid(7));
            double sum = 0;
            if (field.resolve(m_data, *group)) {
                for (int i = 0; i < found.size(); ++i)
                    sum += field.value(m_data, found.at(i).ref, found.at(i).row).toDouble();
            }
            QString text = QString::number(sum, 'f', 2);
            while (text.endsWith(u'0'))
                text.chop(1);
            if (text.endsWith(u'.'))
                text.chop(1);
            result.head.insert(name, text);
        }
    }
    return result;
}
