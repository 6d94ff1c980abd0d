#pragma once

// The criteria of one data query: table (or database and groups), field conditions, key,
// explicit order, direction, junction, by-rows flag and storage kind, and the selection
// string that the query command carries. A plain value object: it talks to nobody, and every
// string form is computed afresh from its fields.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include "KLVEnums.h"

#include <QObject>
#include <QString>
#include <QStringList>

class KLVSelection : public QObject
{
    Q_OBJECT
    // Reads the effective table name: the table, else database ":" groups.
    Q_PROPERTY(QString TableName READ TableName WRITE setTableName)
    Q_PROPERTY(QString Database READ Database WRITE setDatabase)
    Q_PROPERTY(QStringList Groups READ Groups WRITE setGroups)
    // Writing replaces the groups by this one; reading gives the first group.
    Q_PROPERTY(QString Group READ Group WRITE setGroup)
    Q_PROPERTY(QString Krit READ Krit WRITE setKrit)
    Q_PROPERTY(QString Key READ Key WRITE setKey)
    Q_PROPERTY(bool ByRows READ ByRows WRITE setByRows)
    Q_PROPERTY(int AliveFlag READ AliveFlag WRITE setAliveFlag)
    Q_PROPERTY(bool Ascending READ Ascending WRITE setAscending)
    Q_PROPERTY(bool AndJunction READ AndJunction WRITE setAndJunction)
    Q_PROPERTY(QString Order READ Order WRITE setOrder)
    Q_PROPERTY(QString SelString READ SelString)
    Q_PROPERTY(QString ToStringAllFields READ ToStringAllFields)
    Q_PROPERTY(QString KLVSelString READ KLVSelString)

public:
    Q_INVOKABLE explicit KLVSelection(QObject* parent = nullptr);

    QString TableName() const;
    void setTableName(const QString& name) { m_tableName = name; }
    QString Database() const { return m_database; }
    void setDatabase(const QString& database) { m_database = database; }
    QStringList Groups() const { return m_groups; }
    void setGroups(const QStringList& groups) { m_groups = groups; }
    QString Group() const { return m_groups.value(0); }
    void setGroup(const QString& group) { m_groups = QStringList{group}; }

    // Sets everything but table, database and groups; left-out arguments take their defaults.
    Q_INVOKABLE void SetSelection(const QString& Krit = QString(), const QString& SortKey = QString(),
                                  bool ByRows = false, int AliveFlag = KLVActiveX::aliveFlagAll, bool Ascending = true,
                                  bool AndJunction = true, const QString& Order = QString());

    QString Krit() const { return m_krit; }
    void setKrit(const QString& krit) { m_krit = krit; }
    // Appends ";" and the condition, also to an empty criteria text.
    Q_INVOKABLE void AppendKrit(const QString& Krit);
    QString Key() const { return m_key; }
    void setKey(const QString& key) { m_key = key; }
    bool ByRows() const { return m_byRows; }
    void setByRows(bool byRows) { m_byRows = byRows; }
    // A KLV_AliveFlags value; any other number is kept and writes no storage kind.
    int AliveFlag() const { return m_aliveFlag; }
    void setAliveFlag(int flag) { m_aliveFlag = flag; }
    bool Ascending() const { return m_ascending; }
    void setAscending(bool ascending) { m_ascending = ascending; }
    bool AndJunction() const { return m_andJunction; }
    void setAndJunction(bool andJunction) { m_andJunction = andJunction; }
    QString Order() const { return m_order; }
    void setOrder(const QString& order) { m_order = order; }
    // Appends field "." "vorw" or "rueckw" to the order, after "," when it is not empty.
    Q_INVOKABLE void AddOrder(const QString& FieldName, bool Ascending = true);

    // The selection items alone, usable in other commands of the ERP system too.
    QString SelString() const;
    // Every field, set or not, for tracing.
    QString ToStringAllFields() const;
    // The table name, then "," and the selection items when there are any.
    QString KLVSelString() const;

private:
    QString m_tableName;
    QString m_database;
    QStringList m_groups;
    QString m_krit;
    QString m_key;
    bool m_byRows = false;
    int m_aliveFlag = KLVActiveX::aliveFlagAll;
    bool m_ascending = true;
    bool m_andJunction = true;
    QString m_order;
};
