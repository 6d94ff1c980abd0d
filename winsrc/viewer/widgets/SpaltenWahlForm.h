#pragma once

#include "ListViewColumnProperty.h"

#include <QDialog>

class QListWidget;

// The column chooser: every column entry of a list view by its caption, selected when the
// column is shown. The list windows hand it their column array; on OK each entry's Visible
// follows the user's choice, and the window rebuilds its columns from the array. The entries
// keep the array's order, whatever order the columns stand in on screen; fixed columns are
// listed like the others (the caller decides what to show).
//
// Controls: SpaltenListe (multiple selection), OKButton, AbbrechenButton, HilfeButton.
// Window place in the settings section "SpaltenWahlWindowSettings".
class SpaltenWahlForm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ResultOk = 1;
    static constexpr int ResultCancel = 3;

    explicit SpaltenWahlForm(QWidget* parent = nullptr);
    // Unloading always keeps the window's place.
    ~SpaltenWahlForm() override;

    // The program's one instance, loaded on first use and kept (hidden) between uses.
    static SpaltenWahlForm* DefaultInstance();

    // Shows the dialog modally; on OK sets every entry's Visible from the choice. Returns
    // ResultOk or ResultCancel.
    int SelectColumns(ListViewColumnArray& columns);

    QListWidget* columnList() const { return m_list; }

public Q_SLOTS:
    // Escape and the window's close button cancel.
    void reject() override;

private:
    void finish(int result);

    int m_result = ResultCancel;
    QListWidget* m_list = nullptr;
};
