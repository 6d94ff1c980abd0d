#include "KlvEditTransaction.h"

#include <algorithm>

using namespace Qt::StringLiterals;

KlvEditTransaction::KlvEditTransaction(QString tid, Kind kind, KlvErpData::Group group,
                                       const KlvErpData::Record& record)
    : m_tid(std::move(tid)), m_kind(kind), m_group(std::move(group))
{
    rebase(record);
    m_set.clear();
}

void KlvEditTransaction::rebase(const KlvErpData::Record& record)
{
    m_alive = record.alive;
    m_head = record.head;
    m_oldHead = record.head;
    m_oldRows = record.rows;
    m_rows.clear();
    for (qsizetype i = 0; i < record.rows.size(); ++i)
        m_rows.append({m_nextRowId++, int(i), record.rows.at(i)});
    m_set.clear();
    m_rowsChanged = false;
    m_pieceTarget.clear();
    m_readPositions.clear();
}

const KlvErpData::Field* KlvEditTransaction::field(const QString& name, int row) const
{
    // A head field and a table field may share a name (an information system's parameter and
    // its result column): the row tells them apart.
    for (const KlvErpData::Field& f : m_group.fields) {
        if (f.inTable == (row > 0) && f.name.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    }
    return nullptr;
}

QList<const KlvErpData::Field*> KlvEditTransaction::fields(int row) const
{
    QList<const KlvErpData::Field*> result;
    for (const KlvErpData::Field& f : m_group.fields) {
        if (f.inTable == (row > 0))
            result.append(&f);
    }
    return result;
}

int KlvEditTransaction::rowId(int row) const
{
    if (row == 0)
        return 0;
    return row >= 1 && row <= m_rows.size() ? m_rows.at(row - 1).id : -1;
}

int KlvEditTransaction::rowOfId(int id) const
{
    if (id == 0)
        return 0;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).id == id)
            return int(i + 1);
    }
    return -1;
}

QString KlvEditTransaction::storedName(const QString& field, int* row) const
{
    const KlvErpData::Field* f = this->field(field, *row);
    if (!f)
        f = m_group.field(field);
    if (!f)
        return field;
    if (!f->isAlias())
        return f->name;
    // An alias in the head of a table field shows that field of the first row.
    if (const KlvErpData::Field* target = m_group.field(f->aliasOf); target && target->inTable && *row == 0)
        *row = m_rows.isEmpty() ? -1 : 1;
    return f->aliasOf;
}

const QHash<QString, QString>* KlvEditTransaction::valuesOf(int row) const
{
    if (row == 0)
        return &m_head;
    return row >= 1 && row <= m_rows.size() ? &m_rows.at(row - 1).values : nullptr;
}

QString KlvEditTransaction::targetKey(int row, const QString& field) const
{
    int r = row;
    const QString name = storedName(field, &r);
    return QString::number(rowId(r)) + u'\n' + name;
}

QString KlvEditTransaction::value(int row, const QString& field) const
{
    const QString name = storedName(field, &row);
    const QHash<QString, QString>* values = valuesOf(row);
    return values ? values->value(name) : QString();
}

QString KlvEditTransaction::oldValue(int row, const QString& field) const
{
    const QString name = storedName(field, &row);
    if (row == 0)
        return m_oldHead.value(name);
    if (row < 1 || row > m_rows.size())
        return {};
    const int origin = m_rows.at(row - 1).origin;
    return origin < 0 ? QString() : m_oldRows.at(origin).value(name);
}

bool KlvEditTransaction::isModified(int row, const QString& field) const
{
    return value(row, field) != oldValue(row, field);
}

bool KlvEditTransaction::wasSet(int row, const QString& field) const
{
    return m_set.contains(targetKey(row, field));
}

void KlvEditTransaction::setValue(int row, const QString& field, const QString& value)
{
    const QString key = targetKey(row, field);
    const QString name = storedName(field, &row);
    if (row == 0)
        m_head.insert(name, value);
    else if (row >= 1 && row <= m_rows.size())
        m_rows[row - 1].values.insert(name, value);
    else
        return;
    m_set.insert(key);
}

void KlvEditTransaction::resetValue(int row, const QString& field)
{
    const QString key = targetKey(row, field);
    const QString old = oldValue(row, field);
    const QString name = storedName(field, &row);
    if (row == 0)
        m_head.insert(name, old);
    else if (row >= 1 && row <= m_rows.size())
        m_rows[row - 1].values.insert(name, old);
    m_set.remove(key);
}

bool KlvEditTransaction::isModified() const
{
    if (m_rowsChanged || m_head != m_oldHead)
        return true;
    for (const Row& r : m_rows) {
        if (r.origin < 0 || r.values != m_oldRows.at(r.origin))
            return true;
    }
    return false;
}

void KlvEditTransaction::insertRow(int before)
{
    m_rows.insert(qBound(0, before - 1, int(m_rows.size())), Row{m_nextRowId++, -1, {}});
    m_rowsChanged = true;
}

void KlvEditTransaction::deleteRow(int row)
{
    if (row < 1 || row > m_rows.size())
        return;
    m_rows.removeAt(row - 1);
    m_rowsChanged = true;
}

void KlvEditTransaction::moveRows(const QList<int>& rows, int to)
{
    QList<Row> moving;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        if (*it >= 1 && *it <= m_rows.size())
            moving.prepend(m_rows.takeAt(*it - 1));
    }
    const int at = qBound(0, to - 1, int(m_rows.size()));
    for (qsizetype i = 0; i < moving.size(); ++i)
        m_rows.insert(at + i, moving.at(i));
    m_rowsChanged = true;
}

void KlvEditTransaction::replaceRows(const QList<QHash<QString, QString>>& rows)
{
    m_rows.clear();
    for (const QHash<QString, QString>& values : rows)
        m_rows.append({m_nextRowId++, -1, values});
    m_rowsChanged = true;
}

bool KlvEditTransaction::continuesPieces(int row, const QString& field) const
{
    return !m_pieceTarget.isEmpty() && m_pieceTarget == targetKey(row, field);
}

void KlvEditTransaction::writePieces(int row, const QString& field, const QString& text)
{
    const QString key = targetKey(row, field);
    setValue(row, field, text);
    m_pieceTarget = key;
}

QString KlvEditTransaction::readPiece(int row, const QString& field, const QString& text, bool start, int length)
{
    qsizetype& position = m_readPositions[targetKey(row, field)];
    if (start)
        position = 0;
    position = qMin(position, text.size());
    qsizetype end = qMin(text.size(), position + qMax(1, length));
    // A piece never ends between the two halves of a surrogate pair: each piece travels as a
    // line of its own, and half a character would not survive the character set.
    if (end < text.size() && end > position + 1 && text.at(end - 1).isHighSurrogate())
        --end;
    const QString piece = text.mid(position, end - position);
    position = end;
    return piece;
}

KlvErpData::Record KlvEditTransaction::record() const
{
    KlvErpData::Record r;
    r.number = ref.number;
    r.alive = m_alive;
    r.head = m_head;
    for (const Row& row : m_rows)
        r.rows.append(row.values);
    return r;
}
