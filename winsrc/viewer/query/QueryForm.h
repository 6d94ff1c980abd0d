#pragma once

#include "KLVQueryFieldMetaData.h"
#include "KLVSelection.h"
#include "ListViewColumnProperty.h"
#include "QueryContext.h"
#include "QueryStringForm.h"
#include "ServerWait.h"

#include <QList>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QTreeWidgetItem>
#include <QWidget>

#include <functional>
#include <memory>

class ChildWindowFrame;
class ConditionsPanel;
class FieldListPane;
class KLV;
class KLVMessage;
class PaneSplitter;
class QSplitter;
class QTreeWidget;
class QueryPaneSizes;
class QueryRun;
class QueryStatusBar;
class ResultListView;
class ResultPane;
class TableListPane;

// The query window: an MDI child of the main window, any number of them open at once, each
// with its own two queries on the main window's session. Top to bottom it shows the table
// list "TabellenListe" and the field list "FeldListe" side by side in the splitter
// "TabFldSplit", which shares the splitter "DatenSplit" with the result list "DatenListe";
// below them the conditions frame "BedingungenFrame" and the status bar "StatusBar" with its
// panels "Panel1" to "Panel6" (tables, fields, saved query, record count, server messages,
// selection string).
//
// Each pane is a widget of its own (TableListPane, FieldListPane, ResultPane,
// ConditionsPanel) with its filling, sorting and context menu; the window owns the splitters,
// the queries (QueryContext) and the window state, wires the panes together and keeps the
// members other windows call by name, as the Windows program had them.
//
// Other windows reach it by name: the window values below as properties, the controls by
// object name (the selection controls "Schluessel", "Ablageart", "Kriterien", "Sortierung",
// "Aufsteigend", "Absteigend", "UNDVerknuepfung", "ODERVerknuepfung", "ZeilenSelektion"),
// and the invokable members. A table-list row keeps its catalogue record in its tag
// (ListViewHelpers::RowTagRole); a field-list row its record in the tag and its key
// ("name#0#S", "#E" for an extra field) under RowKeyRole.
//
// While a query runs, or the window waits for the server otherwise, the window's message loop
// keeps running: a second run, the table and field-list actions and a reload are refused then,
// Esc breaks the wait off (the status bar says so), and a close breaks it off and closes the
// window once it has ended. The window stands in the main window's frame through its
// ChildWindowFrame; its keys are QueryKeys', its run QueryRun's.
class QueryForm : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int HRand READ HRand)
    Q_PROPERTY(int VRand READ VRand)
    Q_PROPERTY(QString AktTableName READ AktTableName WRITE setAktTableName)
    Q_PROPERTY(QString AktTableID READ AktTableID WRITE setAktTableID)
    Q_PROPERTY(bool AktTableHasTable READ AktTableHasTable WRITE setAktTableHasTable)
    Q_PROPERTY(QString AktQueryName READ AktQueryName WRITE setAktQueryName)
    // The same values under the names the saved-query storage also knows them by.
    Q_PROPERTY(QString CurrentTable READ AktTableName WRITE setAktTableName)
    Q_PROPERTY(QString CurrentRohling READ AktTableID WRITE setAktTableID)
    Q_PROPERTY(bool CurrentByRows READ AktTableHasTable WRITE setAktTableHasTable)
    Q_PROPERTY(QString CurrentQueryName READ AktQueryName WRITE setAktQueryName)

public:
    // The role of a field-list row's key.
    static constexpr int RowKeyRole = Qt::UserRole + 3;
    // Most result columns a query can have.
    static constexpr int MaxDataColumns = 300;
    // Settings section of the window's layout.
    static constexpr const char16_t* SettingsSection = u"QueryWindowSettings";
    // The gap between the panes and the splitters' thickness, in twips.
    static constexpr int Margin = 60;

    // The key information window (an information window of its own) is opened through this:
    // it gets the session, the table name and id and the key name, and shows the window when
    // it has something to show. Unset, the key information is not offered.
    using KeyInfoHandler = std::function<void(const QSharedPointer<KLV>& session, const QString& tableName,
                                              const QString& tableId, const QString& keyName)>;
    static void SetKeyInfoHandler(KeyInfoHandler handler);

    explicit QueryForm(QWidget* parent = nullptr);
    ~QueryForm() override;

    // The designed size, which a window without a stored one opens in.
    QSize sizeHint() const override;

    // In twips.
    int HRand() const { return Margin; }
    int VRand() const { return Margin; }
    QString AktTableName() const { return m_context.aktTableName; }
    void setAktTableName(const QString& v) { m_context.aktTableName = v; }
    QString AktTableID() const { return m_context.aktTableID; }
    void setAktTableID(const QString& v) { m_context.aktTableID = v; }
    bool AktTableHasTable() const { return m_context.aktTableHasTable; }
    void setAktTableHasTable(bool v) { m_context.aktTableHasTable = v; }
    QString AktQueryName() const { return m_context.aktQueryName; }
    void setAktQueryName(const QString& v) { m_context.aktQueryName = v; }

    // True from the start of a run until its last row is read or it was broken off.
    bool isQueryRunning() const;
    // True while the window waits for the server (a run included).
    bool isBusy() const;
    // The user breaks off what the window waits for (Esc).
    void breakOff();
    // Opens the table selected in the table list, as a double click on it does.
    void openSelectedTable();
    ChildWindowFrame* frame() const { return m_frame; }
    QTreeWidget* tabellenListe() const;
    QTreeWidget* feldListe() const;
    ResultListView* datenListe() const;
    TableListPane* tablePane() const { return m_tables; }
    FieldListPane* fieldPane() const { return m_fields; }
    ResultPane* resultPane() const { return m_results; }
    ConditionsPanel* conditions() const { return m_conditions; }
    QueryStatusBar* statusBar() const { return m_statusBar; }
    // "TabFldSplit" (table and field list side by side) and "DatenSplit" (those over the
    // result list).
    QSplitter* tablesAndFields() const;
    QSplitter* listsAndResults() const;
    QueryStringForm* queryStringWindow() const { return m_queryStringWindow; }
    const ListViewColumnArray& tableColumns() const;
    const ListViewColumnArray& fieldColumns() const;
    QString panelText(int panel) const;

    // ---- Frame.
    // Fills the table list; the start button follows when it has rows.
    Q_INVOKABLE void InitControls();
    Q_INVOKABLE void ShowQueryStringWindow();
    // The smallest size of the window in its frame: the main window's MinWidth and MinHeight.
    Q_INVOKABLE void ResizeForm();
    // Widths and heights in twips. 1 or more: the table list's width and the upper lists'
    // height; below 1 the lists keep sharing what the window gives them.
    Q_INVOKABLE void ResizeControlsHorizontal(int& TabListWidth);
    Q_INVOKABLE void ResizeControlsVertical(int& TabListHeight);

    // ---- Run and result list.
    Q_INVOKABLE void AbfrageStarten();
    // The result columns' query field names in the order they were added, joined by ",".
    Q_INVOKABLE QString BuildFldLst() const;
    // Makes the result columns follow the checked fields (every field when none is checked);
    // false, columns untouched, beyond MaxDataColumns.
    Q_INVOKABLE bool UpdateDataColumns();
    Q_INVOKABLE bool UpdateDataColumns(bool flag);
    Q_INVOKABLE void UpdateDataColumnHeaderText();
    Q_INVOKABLE void ResortDataColumns();
    Q_INVOKABLE void InsertDataColumn(QTreeWidgetItem* FeldlisteItem, int& Breite);
    Q_INVOKABLE void ResortDatenListe(int& column);
    Q_INVOKABLE void GUIOeffnen(bool Aendern);
    Q_INVOKABLE void ShowAnzSaetze(int Anzahl, int Schaetzzahl);
    // Ends the running query (the break button).
    Q_INVOKABLE void BreakQuery();

    // ---- Table list and extra tables.
    Q_INVOKABLE bool FillTabellenListe();
    Q_INVOKABLE void AddExtraTable();
    Q_INVOKABLE void ChangeTableName();
    Q_INVOKABLE void RemoveExtraTable();
    Q_INVOKABLE void SelectTableColumns();
    Q_INVOKABLE void ResortTabellenListe(int& column);
    Q_INVOKABLE void BuildTableInfos(const QString& TableName, const QString& TableID, bool HasTable,
                                     bool SetFocusFeldliste);
    Q_INVOKABLE bool IsExtraTable(const QString& tableName) const;

    // ---- Field list, extra fields and reference-path fields.
    Q_INVOKABLE void FillFeldListe(bool SaveCheckedState);
    Q_INVOKABLE bool InsertFeld(const QString& FldName, const QStringList& FldFields,
                                const QList<QSharedPointer<KLVQueryFieldMetaData>>& MetaData, bool FldIsExtra,
                                bool CheckField, bool SelectField, int Position);
    Q_INVOKABLE void SetFieldVisible(int FldIndex);
    Q_INVOKABLE void SelectFieldColumns();
    Q_INVOKABLE void ResortFeldListe(int column);
    Q_INVOKABLE void SetAllFieldsSelection(int Range, int Mode);
    Q_INVOKABLE void SetFieldSelection(int Index, int Mode);
    Q_INVOKABLE void AddExtraFeld(bool Manuell);
    Q_INVOKABLE void ChangeExtraFeld(const QString& FldKey, bool Manuell);
    Q_INVOKABLE void DeleteExtraFeld(const QString& FldKey);
    // Result codes: 1 inserted, 4 not inserted, 2 the user cancelled.
    Q_INVOKABLE int InsertVerknFeld(const QString& name, bool SelectField, int& Position, bool CheckField);
    Q_INVOKABLE int InsertExtraFeld(const QString& ExtraFeldName, bool SelectField, int& Position, bool CheckField);
    Q_INVOKABLE QString ShowVerknAuswahlForm(QTreeWidgetItem* FeldlisteItem);

    // ---- Keys, storage kinds and selection.
    Q_INVOKABLE void FillKeyListe();
    Q_INVOKABLE void ShowSchluesselInfo(const QString& TableName, const QString& TableID, const QString& SchlName);
    Q_INVOKABLE void FillAblageart();
    Q_INVOKABLE bool Key4AblageartExists(int AblArt) const;
    // A new selection from the controls, on the window's current table.
    Q_INVOKABLE QSharedPointer<KLVSelection> GetSelection() const;

    // ---- Templates and window state.
    Q_INVOKABLE void LoadRohlingProperties(QString& ref);
    Q_INVOKABLE void GetCurrentFieldList(QString& fields, QString& widths) const;
    Q_INVOKABLE void ClearForm();
    Q_INVOKABLE void ReloadForm();
    Q_INVOKABLE void SaveExtraTables();
    Q_INVOKABLE void SaveQueryWindowSettings();
    Q_INVOKABLE QString FieldArray2Tag(const QStringList& record) const;
    Q_INVOKABLE QString Tag2Field(const QString& tag, int position) const;
    Q_INVOKABLE void Tag2Field(const QString& tag, int position, QString& value) const;
    Q_INVOKABLE QString FieldTag2QueryFldName(const QString& tag) const;

    // The export of this window comes with the export dialog.
    Q_INVOKABLE void ShowExportDialog(int ExportType, bool RowsFromCaller);
    // The text of a result cell, for the export of the rows shown: row from 1 in the order
    // shown, the field's key.
    Q_INVOKABLE QString GetResultField(int& row, QString& fieldKey);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPanes();
    void connectPanes();

    // Frame and layout.
    void setPanel(int panel, const QString& text);
    void ClearStatusPanels();
    void updateTablePanel();
    void updateFieldPanel();
    void SetQueryStringWindowValues();
    QueryStringForm* ensureQueryStringWindow();
    void RestoreQueryWindowSettings();

    // Field list.
    void fieldRowActivated(QTreeWidgetItem* item);

    // Run.
    bool ReadRecordOrigin(QString& ref, int& dnr, int& gruppe);

    // Keys.
    void keyInfoClicked();
    void keyEstimationClicked();

    bool refused() const;
    // A wait for the server on the window's queries.
    ServerWait::Scope waitScope();

    // Before the window's query is left (a refill of the table list): a changed named query
    // is saved or asked about as the viewer settings say; false when the user cancels.
    bool mayLeaveQuery();
    // The actions without their guard, for the window's own use inside a guarded one.
    bool fillTableList();
    void buildTableInfos(const QString& TableName, const QString& TableID, bool HasTable, bool SetFocusFeldliste);
    void fillFieldList(bool SaveCheckedState);
    void fillKeyList();

    QueryContext m_context;
    QPointer<QueryStringForm> m_queryStringWindow;

    ChildWindowFrame* m_frame = nullptr;
    ServerWait* m_wait = nullptr;
    std::unique_ptr<QueryRun> m_run;
    QueryPaneSizes* m_paneSizes = nullptr;

    TableListPane* m_tables = nullptr;
    FieldListPane* m_fields = nullptr;
    ResultPane* m_results = nullptr;
    ConditionsPanel* m_conditions = nullptr;
    QueryStatusBar* m_statusBar = nullptr;
    PaneSplitter* m_tabFldSplit = nullptr;
    PaneSplitter* m_datenSplit = nullptr;
};
