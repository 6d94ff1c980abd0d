#pragma once

#include "InfosysDefinition.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

// The result list of the information-system window ("DatenListe"): the entry column (message
// 625) and one column per result field of the definition, each sorting as its field's type
// asks (a click on a header, the same again reverses). The user can take result columns out
// of the list and bring them back ("Delete field", "New field"); the rows keep every field,
// so a column comes back with its values.
class InfosysResultList : public QTreeWidget
{
    Q_OBJECT

public:
    // One field the export offers: a result column shown, its caption, the key
    // GetResultField answers it by, and the editor's name of the field.
    struct ExportField
    {
        QString caption;
        int key = 0;
        QString name;
    };

    explicit InfosysResultList(QWidget* parent = nullptr);

    // The columns of the definition's result fields, every one shown; the rows go.
    void setColumns(const QList<InfosysFeld>& resultFields);
    // A row: the entry's text, then the result fields' values in the definition's order.
    void addRow(const QStringList& texts);

    // The cell of list row `row` (from 1, in the list's present order) and list column
    // `column` (from 1: 1 is the entry column, 2 on the result columns); empty outside the list.
    QString cell(int row, int column) const;
    // The result columns shown, in the list's order.
    QList<ExportField> exportFields() const;

    // The result column (from 1) at a place of the viewport, or of the current cell for the
    // keyboard (globalPos null); 0 where there is none. The popup menu acts on this one.
    int resultColumnAt(const QPoint& globalPos) const;
    // Takes result column n (from 1) out of the list; true when it was shown.
    bool hideResultColumn(int n);
    // The result columns taken out, with their captions, in the definition's order.
    QList<int> hiddenResultColumns() const;
    QString resultCaption(int n) const;
    void showResultColumn(int n);
    // Lets the user choose one of the columns taken out (a dialog with that title) and shows
    // it again; nothing when none was taken out.
    void chooseColumnToShow(const QString& title);

    // The height that shows the header and that many rows.
    int heightForRows(int rows) const;

private:
    QList<InfosysFeld> m_fields;
};
