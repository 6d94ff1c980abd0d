#pragma once

// The fields of one row of an edited object (Row 0: the head), by name and by position.
// Names are compared without regard to case; a second field of a name already held counts
// as a position of its own but is found as the first one.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include <QHash>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

class KLVEditField;

class KLVEditFieldList : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int FieldCount READ FieldCount)
    Q_PROPERTY(int Row READ Row)
    // The names in the order of adding; element 0 is field number 1.
    Q_PROPERTY(QStringList FieldNames READ FieldNames)

public:
    explicit KLVEditFieldList(QObject* parent = nullptr);
    ~KLVEditFieldList() override;

    Q_INVOKABLE void AddField(const QSharedPointer<KLVEditField>& Field);
    // Throws KLVRuntimeError (invalid argument) for a name the list does not hold.
    Q_INVOKABLE QSharedPointer<KLVEditField> GetField(const QString& FieldName) const;
    // Field 1 to FieldCount; null outside.
    Q_INVOKABLE QSharedPointer<KLVEditField> GetFieldByNumber(int FieldNumber) const;
    int FieldCount() const { return int(m_names.size()); }
    int Row() const { return m_row; }
    QStringList FieldNames() const { return m_names; }
    // A field of the list's row without a new value when NewVal is empty.
    Q_INVOKABLE void AddNewField(const QString& FieldName, const QString& NewVal = QString());

    // Library-internal.
    void InitFromNames(const QStringList& names, int row);
    // Values pair with the names by position; a missing value counts as empty.
    void InitFromNamesAndValues(const QStringList& names, const QStringList& values, int row);
    void SetRow(int row) { m_row = row; }
    void AppendFieldName(const QString& name) { m_names.append(name); }
    // Null for a name the list does not hold.
    QSharedPointer<KLVEditField> findField(const QString& name) const;

private:
    static QString keyOf(const QString& name) { return name.toCaseFolded(); }

    QHash<QString, QSharedPointer<KLVEditField>> m_fields;
    QStringList m_names;
    int m_row = 0;
};
