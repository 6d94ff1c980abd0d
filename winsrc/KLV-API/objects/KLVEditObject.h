#pragma once

// An edited object as field lists: the head (row 0) and, when the object has a table part,
// one list per table row in row order.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

class KLVEditField;
class KLVEditFieldList;

class KLVEditObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList HeaderFieldNames READ HeaderFieldNames)
    Q_PROPERTY(QStringList TableFieldNames READ TableFieldNames)
    Q_PROPERTY(bool HasTablePart READ HasTablePart)
    Q_PROPERTY(int RowCount READ RowCount)

public:
    explicit KLVEditObject(QObject* parent = nullptr);
    ~KLVEditObject() override;

    // Row 0: the head; row 1 to RowCount: that table row; null for any other row.
    Q_INVOKABLE QSharedPointer<KLVEditFieldList> GetFields(int Row = 0) const;
    // The named field of that row, null for a row GetFields does not know. A name the row
    // does not hold throws KLVRuntimeError, as KLVEditFieldList::GetField does.
    Q_INVOKABLE QSharedPointer<KLVEditField> GetField(const QString& FieldName, int Row = 0) const;
    QStringList HeaderFieldNames() const { return m_headerNames; }
    QStringList TableFieldNames() const { return m_tableNames; }
    bool HasTablePart() const { return m_hasTablePart; }
    int RowCount() const { return int(m_rows.size()); }
    // A new row with a field without value for each table field name; null without a table
    // part.
    Q_INVOKABLE QSharedPointer<KLVEditFieldList> AppendRow();

    // Library-internal.
    void InitHeadFromNames(const QStringList& names);
    void InitHead(const QSharedPointer<KLVEditFieldList>& head);
    void InitRows(const QStringList& names, int count);
    // Appends the list as it is, without renumbering it.
    void AddRowFieldList(const QSharedPointer<KLVEditFieldList>& list);

private:
    QStringList m_headerNames;
    QSharedPointer<KLVEditFieldList> m_head;
    QStringList m_tableNames;
    bool m_hasTablePart = false;
    QList<QSharedPointer<KLVEditFieldList>> m_rows;
};
