#include "KlvFieldExpression.h"

#include <QStringList>

using namespace Qt::StringLiterals;

KlvFieldExpression KlvFieldExpression::parse(const QString& written)
{
    KlvFieldExpression e;
    e.m_written = written;
    QString text = written.trimmed();
    if (text.size() > 2 && (text.startsWith(u"0:") || text.startsWith(u"1:")))
        text = text.mid(2);
    if (text.endsWith(u')')) {
        const qsizetype open = text.lastIndexOf(u'(');
        if (open > 0) {
            e.m_modifier = text.mid(open + 1, text.size() - open - 2).trimmed().toLower();
            text = text.left(open).trimmed();
        }
    }
    e.m_name = text;
    e.m_path = text.toLower().split(u'^');
    if (e.m_path.size() == 1) {
        const QString& f = e.m_path.first();
        if (f == u"id" || f == u"+id")
            e.m_pseudo = Pseudo::Id;
        else if (f == u"dnr")
            e.m_pseudo = Pseudo::Database;
        else if (f == u"gruppe" || f == u"grust")
            e.m_pseudo = Pseudo::Group;
        else if (f == u"zn" || f == u"tabnr")
            e.m_pseudo = Pseudo::Row;
    }
    return e;
}

QList<KlvFieldExpression> KlvFieldExpression::parseList(const QString& list)
{
    QList<KlvFieldExpression> result;
    for (const QString& item : list.split(u',')) {
        if (!item.trimmed().isEmpty())
            result.append(parse(item));
    }
    return result;
}

bool KlvFieldExpression::resolve(const KlvErpData& data, const KlvErpData::Group& group)
{
    m_steps.clear();
    m_error.clear();
    m_generatedRows = group.generatedRows;
    switch (m_pseudo) {
    case Pseudo::Id:
        m_field = {};
        m_field.name = m_path.first();
        m_field.type = u"ID"_s + QString::number(group.db);
        m_field.desc = {u"Referenz"_s, u"Reference"_s};
        m_type = KlvTypeCode(m_field.type);
        return true;
    case Pseudo::Database:
    case Pseudo::Group:
    case Pseudo::Row:
        m_field = {};
        m_field.name = m_path.first();
        m_field.type = u"I6"_s;
        m_field.desc = m_pseudo == Pseudo::Database ? KlvErpData::Text{u"Datenbank"_s, u"Database"_s}
                       : m_pseudo == Pseudo::Group  ? KlvErpData::Text{u"Gruppe"_s, u"Group"_s}
                                                    : KlvErpData::Text{u"Zeile"_s, u"Row"_s};
        m_type = KlvTypeCode(m_field.type);
        return true;
    case Pseudo::None:
        break;
    }

    KlvErpData::Group current = group;
    for (qsizetype i = 0; i < m_path.size(); ++i) {
        const QString& name = m_path.at(i);
        const KlvErpData::Field* f = current.field(name);
        if (!f) {
            m_error = name;
            return false;
        }
        const KlvErpData::Field* real = f->isAlias() ? current.field(f->aliasOf) : f;
        m_steps.append({real->name, real->inTable});
        if (i == 0) {
            m_inTable = real->inTable;
            m_generatedField = KlvErpData::generatedField(real->name);
        }
        if (i + 1 == m_path.size()) {
            m_field = *f;
            m_type = KlvTypeCode(real->type);
            break;
        }
        // The next step lies in the table the reference points at: the first of its targets
        // that knows the next field.
        const QList<KlvErpData::RefTarget> targets = data.refTargets(real->type);
        std::optional<KlvErpData::Group> next;
        for (const KlvErpData::RefTarget& t : targets) {
            const QList<KlvErpData::Group> candidates =
                t.group >= 0 ? QList<KlvErpData::Group>{data.group(t.db, t.group).value_or(KlvErpData::Group())}
                             : data.groups(t.db);
            for (const KlvErpData::Group& g : candidates) {
                if (g.number > 0 && g.field(m_path.at(i + 1))) {
                    next = g;
                    break;
                }
            }
            if (next)
                break;
        }
        if (!next) {
            m_error = m_path.mid(0, i + 2).join(u'^');
            return false;
        }
        current = *next;
    }
    return true;
}

QString KlvFieldExpression::value(const KlvErpData& data, const KlvErpData::Ref& ref, int row) const
{
    switch (m_pseudo) {
    case Pseudo::Id:
        return ref.text();
    case Pseudo::Database:
        return QString::number(ref.db);
    case Pseudo::Group:
        return QString::number(ref.group);
    case Pseudo::Row:
        return QString::number(row);
    case Pseudo::None:
        break;
    }
    if (m_steps.isEmpty())
        return {};
    if (m_generatedRows > 0 && m_steps.size() == 1)
        return KlvErpData::generatedValue(ref.number, m_generatedField);
    const Step& first = m_steps.first();
    QString v = data.value(ref, first.field, first.inTable ? qMax(row, 1) : 0);
    for (qsizetype i = 1; i < m_steps.size(); ++i) {
        const std::optional<KlvErpData::Ref> target = KlvErpData::Ref::parse(v.section(u';', 0, 0));
        if (!target || target->isNull())
            return {};
        const Step& step = m_steps.at(i);
        v = data.value(*target, step.field, step.inTable ? 1 : 0);
    }
    return v;
}
