#pragma once

#include <QSharedPointer>
#include <QString>
#include <QWidget>

class KLV;
class QCloseEvent;
class QTreeWidget;
class QTreeWidgetItem;

// The query window as the main window sees it: its window values, the controls the main
// window reads and sets, and every member the main window's menus call. It lists the
// session's tables and, for a chosen table, its fields; running a query, extra tables and
// fields, column choice and the hand-offs come with the full query window and are no-ops
// here.
//
// Window values (properties): AktTableName (the current table), AktTableID (its numeric id,
// also the reference of its selection template), AktTableHasTable (it has a table part; the
// default of a saved query's "ByRows") and AktQueryName (the saved query it shows).
// Controls: TabellenListe, FeldListe, DatenListe (list views), StatusBar (panels "Panel1" to
// "Panel6"), Kriterien, Sortierung, Schluessel, Ablageart, ZeilenSelektion, Aufsteigend,
// Absteigend, UNDVerknuepfung, ODERVerknuepfung.
class QueryForm : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString AktTableName READ AktTableName WRITE setAktTableName)
    Q_PROPERTY(QString AktTableID READ AktTableID WRITE setAktTableID)
    Q_PROPERTY(bool AktTableHasTable READ AktTableHasTable WRITE setAktTableHasTable)
    Q_PROPERTY(QString AktQueryName READ AktQueryName WRITE setAktQueryName)

public:
    // The role of a field-list row's key ("name#0#S") and of a result column's field name.
    static constexpr int RowKeyRole = Qt::UserRole + 3;

    explicit QueryForm(QWidget* parent = nullptr);

    QString AktTableName() const { return m_aktTableName; }
    void setAktTableName(const QString& v) { m_aktTableName = v; }
    QString AktTableID() const { return m_aktTableID; }
    void setAktTableID(const QString& v) { m_aktTableID = v; }
    bool AktTableHasTable() const { return m_aktTableHasTable; }
    void setAktTableHasTable(bool v) { m_aktTableHasTable = v; }
    QString AktQueryName() const { return m_aktQueryName; }
    void setAktQueryName(const QString& v) { m_aktQueryName = v; }

    // Sets the window up for the main window's session: the table list.
    Q_INVOKABLE void InitControls();
    Q_INVOKABLE void ReloadForm();
    Q_INVOKABLE bool FillTabellenListe();
    Q_INVOKABLE void AddExtraTable() {}
    Q_INVOKABLE void ChangeTableName() {}
    Q_INVOKABLE void RemoveExtraTable() {}
    Q_INVOKABLE void SelectTableColumns() {}
    Q_INVOKABLE void SelectFieldColumns() {}
    Q_INVOKABLE void ResortTabellenListe(int& column);
    Q_INVOKABLE void ResortFeldListe(int column);
    Q_INVOKABLE void BuildTableInfos(const QString& TableName, const QString& TableID, bool HasTable,
                                     bool SetFocusFeldliste);
    Q_INVOKABLE void FillFeldListe(bool flag);
    Q_INVOKABLE void ShowSchluesselInfo(const QString&, const QString&, const QString&) {}
    Q_INVOKABLE void AddExtraFeld(bool) {}
    Q_INVOKABLE void ChangeExtraFeld(const QString&, bool) {}
    Q_INVOKABLE void DeleteExtraFeld(const QString&) {}
    Q_INVOKABLE void SetAllFieldsSelection(int scope, int action);
    Q_INVOKABLE void GUIOeffnen(bool) {}
    Q_INVOKABLE void ResortDataColumns() {}
    Q_INVOKABLE void ShowQueryStringWindow() {}
    Q_INVOKABLE void UpdateDataColumnHeaderText() {}
    Q_INVOKABLE void UpdateDataColumns(bool) {}
    Q_INVOKABLE void ShowExportDialog(int, bool) {}
    Q_INVOKABLE void GetCurrentFieldList(QString& fields, QString& widths);
    Q_INVOKABLE void InsertDataColumn(QTreeWidgetItem* item, int& width);
    Q_INVOKABLE int InsertExtraFeld(const QString&, bool, int&, bool) { return 0; }
    Q_INVOKABLE void LoadRohlingProperties(QString& reference);
    Q_INVOKABLE void Tag2Field(const QString& tag, int index, QString& value);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QSharedPointer<KLV> session() const;
    void setPanel(int panel, const QString& text);

    QString m_aktTableName;
    QString m_aktTableID;
    bool m_aktTableHasTable = false;
    QString m_aktQueryName;
    QTreeWidget* m_tables = nullptr;
    QTreeWidget* m_fields = nullptr;
    QTreeWidget* m_data = nullptr;
};
