#pragma once

#include <QDialog>
#include <QString>

class QKeyEvent;
class QTreeWidget;
class QTreeWidgetItem;

// The saved queries of one table, one row per query with its stored settings: the user picks
// one (OK or a double click), deletes one, or cancels. The main window fills it with
// LoadQueryList, shows it modally, then reads DialogResult (1 OK, 2 Cancel) and the selected
// row of "QueryList", whose text is the query's name. Closing only hides the dialog, so both
// stay readable until the next LoadQueryList.
//
// Controls: QueryList (list view), OKButton, AbbruchButton, QueryLoeschenButton, HilfeButton.
// Window place and column widths are kept in the settings section "QueryList".
class QueryListForm : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(int DialogResult READ DialogResult WRITE setDialogResult)

public:
    static constexpr int ResultOk = 1;
    static constexpr int ResultCancel = 2;

    explicit QueryListForm(QWidget* parent = nullptr);
    // Unloading keeps the layout when the viewer settings say so.
    ~QueryListForm() override;

    // The program's one instance, loaded on first use and unloaded when the program ends.
    static QueryListForm* DefaultInstance();

    int DialogResult() const { return m_dialogResult; }
    void setDialogResult(int result) { m_dialogResult = result; }

    // Caption and rows: every saved query of the table, read from iniFile.
    Q_INVOKABLE void LoadQueryList(QString& tableName, QString& iniFile);

    QTreeWidget* queryList() const { return m_list; }

public Q_SLOTS:
    // Escape and the window's close button cancel.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // Asks, then removes the selected saved query from the table's file and from the list.
    void DeleteSavedQuery();
    void closeStep(bool ok);
    bool handleKey(const QKeyEvent* event);

    int m_dialogResult = ResultCancel;
    QString m_tableName;
    // The table's file of saved queries.
    QString m_iniFile;
    QTreeWidget* m_list = nullptr;
};
