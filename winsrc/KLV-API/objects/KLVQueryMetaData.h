#pragma once

// The columns of a query's current result: their names in order, a case-insensitive index
// from name to position and, when the server described them, one KLVQueryFieldMetaData per
// column. Made by the query for every result and replaced, never changed, by the next one.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include "KLVQueryFieldMetaData.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

using KLVFieldMetaDataList = QList<QSharedPointer<KLVQueryFieldMetaData>>;

class KLVQueryMetaData : public QObject
{
    Q_OBJECT

public:
    explicit KLVQueryMetaData(QObject* parent = nullptr);

    // The field list as the query gave it, or the names joined with ",".
    Q_INVOKABLE QString GetFieldList();
    // The column names, first column first.
    Q_INVOKABLE QStringList GetFieldNames() const { return m_names; }
    // One object per column, first column first; empty when the server described none.
    Q_INVOKABLE KLVFieldMetaDataList GetFieldMetaDataArray() const { return m_fields; }
    // The column of that name (any letter case), or null.
    Q_INVOKABLE QSharedPointer<KLVQueryFieldMetaData> GetFieldMetaData(const QString& FieldName) const;
    // The name at a 1-based position; empty outside the columns.
    Q_INVOKABLE QString GetFieldName(int FieldNumber) const;
    // The 1-based position of a name (any letter case; the first of repeated names), 0 when unknown.
    Q_INVOKABLE int GetFieldNumber(const QString& FieldName) const;

    // Library-internal.
    void InitFromList(const QString& fieldList);
    void InitFromArray(const QStringList& names);
    void MergeServerMetaData(const KLVFieldMetaDataList& fields);

private:
    void index(const QString& name, int position);

    QString m_fieldList;
    QStringList m_names;
    QHash<QString, int> m_index;
    KLVFieldMetaDataList m_fields;
};
