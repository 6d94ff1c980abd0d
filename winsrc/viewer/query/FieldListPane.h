#pragma once

#include "CatalogueListPane.h"

#include <QHash>

// The query window's field list "FeldListe": one row per field of the window's table, with
// the catalogue columns the user chose, plus the extra fields the user adds (an expression or
// a reference path "a^b^c", each checked by the server first). The checked rows, in list
// order, are the fields of the window's query.
//
// A row's key ("name#0#S", "#E" for an extra field) is kept under RowKeyRole, its catalogue
// record in its tag. A double click asks the window to act on the row (rowActivated), which
// then calls activateRow; the context menu is the main window's "FldListeMenue".
class FieldListPane : public CatalogueListPane
{
    Q_OBJECT

public:
    static constexpr int RowKeyRole = Qt::UserRole + 3;
    static constexpr qint32 CaptionBase = 1550;
    // Result codes of the extra-field operations.
    static constexpr int Inserted = 1;
    static constexpr int Cancelled = 2;
    static constexpr int NotInserted = 4;

    explicit FieldListPane(QueryContext* context, QWidget* parent = nullptr);
    ~FieldListPane() override;

    // Reads the fields of the window's table; with saveCheckedState the checks of the rows
    // that are there again come back. A refused request is told in a message box.
    void fill(bool saveCheckedState);
    // The table the list was last filled for (its name then).
    QString tableShown() const { return m_tableShown; }

    bool insertFeld(const QString& FldName, const QStringList& FldFields,
                    const QList<QSharedPointer<KLVQueryFieldMetaData>>& MetaData, bool FldIsExtra, bool CheckField,
                    bool SelectField, int Position);
    // Focuses the list and selects and shows row FldIndex (from 1).
    void setFieldVisible(int FldIndex);
    bool chooseColumns();
    // column < 0: checked rows first, each group in its order; else sorted by that column.
    void resort(int column);
    void sortByColumn(int column) override { resort(column); }
    void setAllFieldsSelection(int Range, int Mode);
    void setFieldSelection(int Index, int Mode);

    void addExtraFeld(bool Manuell);
    void changeExtraFeld(const QString& FldKey, bool Manuell);
    void deleteExtraFeld(const QString& FldKey);
    int insertVerknFeld(const QString& name, bool SelectField, int& Position, bool CheckField);
    // A field the server refuses is told in a message box unless tell is false (a saved query
    // read back drops it silently).
    int insertExtraFeld(const QString& ExtraFeldName, bool SelectField, int& Position, bool CheckField,
                        bool tell = true);
    QString showVerknAuswahlForm(QTreeWidgetItem* FeldlisteItem);
    // What a double click on the row does: change an extra field, open the reference-path
    // chooser for a reference field, else invert the check mark.
    void activateRow(QTreeWidgetItem* item);

    // The row of that key, or null; one look-up however long the list.
    QTreeWidgetItem* row(const QString& key) const;
    static QString rowKey(const QTreeWidgetItem* item);
    int checkedCount() const;

Q_SIGNALS:
    // A double click on item: the window decides whether it may act now.
    void rowActivated(QTreeWidgetItem* item);
    // The extra field of that key is about to go: its result column goes with it.
    void fieldRemoving(const QString& key);
    // An extra-field dialog starts a round: the window's message panels are emptied.
    void statusPanelsCleared();

protected:
    void showContextMenu(const QPoint& globalPos) override;

private:
    void updatePathEntries(const QTreeWidgetItem* item);
    void indexRows(int first, int last);
    void unindexRows(int first, int last);

    QString m_tableShown;
    // The top-level rows by key. The model's own signals keep it, whoever adds, takes or
    // deletes rows (a sort takes them all out and puts them back); a row's key is set before
    // the row goes in and never changes.
    QHash<QString, QTreeWidgetItem*> m_rowsByKey;
};
