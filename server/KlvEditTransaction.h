#pragma once

#include "KlvErpData.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// One edit transaction of a connection: the object it works on, a working copy of that object
// that the editor commands change, and the values as they were when editing began. Nothing of
// it reaches the sample ERP before the transaction is saved.
//
// Rows keep an identity of their own while they are inserted, deleted and moved, so the value
// "when editing began" and "set in this transaction" follow a row wherever it goes. Row 0 is
// the head part, rows 1.. the table part, as on the wire.
class KlvEditTransaction
{
public:
    enum class Kind {
        New,        // a new record, stored on saving
        Change,     // an existing record, opened for change and held against others
        Delete,     // an existing record, held and deleted on saving; nothing can be set
        View,       // an existing record, read only
        Infosystem, // an information system: header fields in, result rows out
        Sub,        // a sub-screen of another transaction: one row of it, a few fields
    };
    enum class State { Active, Saved, Cancelled };

    KlvEditTransaction(QString tid, Kind kind, KlvErpData::Group group, const KlvErpData::Record& record);

    const QString& tid() const { return m_tid; }
    Kind kind() const { return m_kind; }
    void setKind(Kind kind) { m_kind = kind; }
    State state() const { return m_state; }
    void setState(State state) { m_state = state; }
    bool isActive() const { return m_state == State::Active; }
    bool isReadOnly() const { return m_kind == Kind::Delete || m_kind == Kind::View || m_readOnly; }
    void setReadOnly(bool on) { m_readOnly = on; }
    const KlvErpData::Group& group() const { return m_group; }

    // The stored record; null for a new record before it is saved.
    KlvErpData::Ref ref;
    // The record is held in the ERP's lock table for this transaction.
    bool locked = false;
    // Edit action keyword the transaction was opened with ("NEW", "UPDATE", ...).
    QString action;
    // Number of the information system (Kind::Infosystem).
    int infosystem = 0;
    // Sub-screen: the transaction it belongs to, the row identity it shows there (0 the head)
    // and the button that opened it.
    QString parentTid;
    int parentRowId = 0;
    QString button;
    // Screen number: 1 for a main screen, one more per sub-screen level.
    int screen = 1;
    // The row last addressed by a field command (GTS "ROW").
    int currentRow = 0;

    // A field of the object as it may be addressed in row (head fields in row 0, table fields
    // in rows 1..); nullptr otherwise. Alias fields are found under their own name.
    const KlvErpData::Field* field(const QString& name, int row) const;
    // The fields of a row, in definition order (all head or all table fields).
    QList<const KlvErpData::Field*> fields(int row) const;

    int rowCount() const { return int(m_rows.size()); }
    // Identity of row (0 for the head), -1 when there is no such row.
    int rowId(int row) const;
    // The row with that identity (0 the head); -1 when it was deleted.
    int rowOfId(int id) const;

    // Canonical values (see KlvErpData). An alias reads and writes its field.
    QString value(int row, const QString& field) const;
    QString oldValue(int row, const QString& field) const;
    bool isModified(int row, const QString& field) const;
    // Set by a command in this transaction (reset by RFV).
    bool wasSet(int row, const QString& field) const;
    void setValue(int row, const QString& field, const QString& value);
    void resetValue(int row, const QString& field);
    // Anything changed: a value or the rows.
    bool isModified() const;

    // Table rows; the callers check the numbers.
    void insertRow(int before);
    void deleteRow(int row);
    // The rows (ascending) leave their places and stand, in their order, from position to on.
    void moveRows(const QList<int>& rows, int to);
    // Result rows of an information system: they replace the table part.
    void replaceRows(const QList<QHash<QString, QString>>& rows);

    // Free texts in pieces. The first piece of a run replaces the text, the following ones,
    // sent right behind it, are appended; any other command of the transaction ends the run.
    // The caller joins the pieces: continuesPieces tells whether this one is appended.
    bool continuesPieces(int row, const QString& field) const;
    void writePieces(int row, const QString& field, const QString& text);
    void endPieces() { m_pieceTarget.clear(); }
    // The next piece of text (the field's value in the form the client reads it): START reads
    // from the beginning, NEXT goes on where the last read of that field ended.
    QString readPiece(int row, const QString& field, const QString& text, bool start, int length);

    // The working copy as a record to store.
    KlvErpData::Record record() const;
    // After saving and reloading: the working copy becomes the state editing begins from.
    void rebase(const KlvErpData::Record& record);

private:
    struct Row
    {
        int id = 0;
        int origin = -1; // index into the rows when editing began; -1 for a row inserted since
        QHash<QString, QString> values;
    };

    QString storedName(const QString& field, int* row) const;
    const QHash<QString, QString>* valuesOf(int row) const;
    QString targetKey(int row, const QString& field) const;

    QString m_tid;
    Kind m_kind;
    State m_state = State::Active;
    bool m_readOnly = false;
    KlvErpData::Group m_group;
    int m_alive = 1;
    QHash<QString, QString> m_head;
    QHash<QString, QString> m_oldHead;
    QList<Row> m_rows;
    QList<QHash<QString, QString>> m_oldRows;
    int m_nextRowId = 1;
    QSet<QString> m_set; // targetKey of every value set in this transaction
    bool m_rowsChanged = false;
    QString m_pieceTarget;
    QHash<QString, qsizetype> m_readPositions;
};
