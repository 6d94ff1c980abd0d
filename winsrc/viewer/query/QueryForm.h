#pragma once

#include "KLVQueryFieldMetaData.h"
#include "KLVSelection.h"
#include "ListViewColumnProperty.h"
#include "QueryExtraTables.h"
#include "QueryLayout.h"
#include "QueryStringForm.h"

#include <QList>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QTreeWidgetItem>
#include <QWidget>

#include <functional>

class KLV;
class KLVMessage;
class KLVMessageCollector;
class KLVQuery;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTreeWidget;
class ResultFill;
class ResultListView;

// The query window: an MDI child of the main window, any number of them open at once, each
// with its own two queries on the main window's session. Top to bottom it shows the table
// list "TabellenListe" and the field list "FeldListe" side by side (the vertical splitter
// "TabFldSplit" between them), the horizontal splitter "DatenSplit", the result list
// "DatenListe", the conditions frame "BedingungenFrame" with the key, storage-kind, criteria,
// sort, direction, junction and row-selection controls and the buttons "StartQueryButton",
// "BreakQueryButton", "SchlInfoButton" and "SchluesselSchaetzenButton", and the status bar
// "StatusBar" with its panels "Panel1" to "Panel6" (tables, fields, saved query, record count,
// server messages, selection string).
//
// Other windows reach it by name: the window values below as properties, the controls by
// object name (the selection controls "Schluessel", "Ablageart", "Kriterien", "Sortierung",
// "Aufsteigend", "Absteigend", "UNDVerknuepfung", "ODERVerknuepfung", "ZeilenSelektion"),
// and the invokable members. A table-list row keeps its catalogue record in its tag
// (ListViewHelpers::RowTagRole); a field-list row its record in the tag and its key
// ("name#0#S", "#E" for an extra field) under RowKeyRole.
//
// While a query runs, the window's message loop keeps running: a second run, the table and
// field-list actions and a reload are refused then, and a close waits until the run has been
// broken off.
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
    // Width in twips of a result column added without one.
    static constexpr int DefaultColumnWidth = 1440;
    // Settings section of the window's layout.
    static constexpr const char16_t* SettingsSection = u"QueryWindowSettings";

    // The key information window (an information window of its own) is opened through this:
    // it gets the session, the table name and id and the key name, and shows the window when
    // it has something to show. Unset, the key information is not offered.
    using KeyInfoHandler = std::function<void(const QSharedPointer<KLV>& session, const QString& tableName,
                                              const QString& tableId, const QString& keyName)>;
    static void SetKeyInfoHandler(KeyInfoHandler handler);

    explicit QueryForm(QWidget* parent = nullptr);
    ~QueryForm() override;

    int HRand() const { return m_layout.hRand; }
    int VRand() const { return m_layout.vRand; }
    QString AktTableName() const { return m_aktTableName; }
    void setAktTableName(const QString& v) { m_aktTableName = v; }
    QString AktTableID() const { return m_aktTableID; }
    void setAktTableID(const QString& v) { m_aktTableID = v; }
    bool AktTableHasTable() const { return m_aktTableHasTable; }
    void setAktTableHasTable(bool v) { m_aktTableHasTable = v; }
    QString AktQueryName() const { return m_aktQueryName; }
    void setAktQueryName(const QString& v) { m_aktQueryName = v; }

    // True from the start of a run until its last row is read or it was broken off.
    bool isQueryRunning() const { return m_running; }
    QTreeWidget* tabellenListe() const { return m_tabellenListe; }
    QTreeWidget* feldListe() const { return m_feldListe; }
    ResultListView* datenListe() const { return m_datenListe; }
    QueryStringForm* queryStringWindow() const { return m_queryStringWindow; }
    const ListViewColumnArray& tableColumns() const { return m_tabColumns; }
    const ListViewColumnArray& fieldColumns() const { return m_fldColumns; }
    QString panelText(int panel) const;

    // ---- Frame.
    // Fills the table list; the start button follows when it has rows.
    Q_INVOKABLE void InitControls();
    Q_INVOKABLE void ShowQueryStringWindow();
    Q_INVOKABLE void ResizeForm();
    // Widths and heights in twips; below 1 the change of the window's size is shared.
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

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Marks the window busy while one of its actions waits for the server, so that what a
    // user starts meanwhile is refused instead of running into the request.
    class BusyScope
    {
    public:
        explicit BusyScope(QueryForm* form);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        QPointer<QueryForm> m_form;
    };

    void buildControls();
    void watchKeys();
    QSharedPointer<KLV> session() const;

    // Frame.
    void layoutPanes();
    void moveVerticalSplitter(int dx);
    void moveHorizontalSplitter(int dy);
    bool handleKey(QWidget* control, const QKeyEvent* key);
    void statusPanelClicked(int panel);
    void setPanel(int panel, const QString& text);
    void ClearStatusPanels();
    void ShowQueryMessage(const QSharedPointer<KLVMessage>& message);
    void SetQueryStringWindowValues();
    QueryStringForm* ensureQueryStringWindow();
    void setMousePointer(int pointer);
    void RestoreQueryWindowSettings();

    // Table list.
    void AddTableListItems(const QStringList& record, const QList<QSharedPointer<KLVQueryFieldMetaData>>& metaData,
                           bool isExtra, int index, bool select);
    void LoadExtraTables(const QString& databaseNr);
    bool FetchTableMetaData(const QString& tableList, int index, bool select);
    QTreeWidgetItem* selectedTableRow() const;
    void openSelectedTable();
    void tableListMouseUp();
    QStringList tableRowTexts() const;

    // Field list.
    QTreeWidgetItem* fieldRow(const QString& key) const;
    QTreeWidgetItem* selectedFieldRow() const;
    void fieldRowDoubleClicked(QTreeWidgetItem* item);
    void fieldRowClicked(QTreeWidgetItem* item);
    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText, bool* ok);

    // Run.
    QString columnCaption(const QTreeWidgetItem* fieldItem) const;
    void setRunState(bool running);
    void dataListMouseUp();
    bool ReadRecordOrigin(QString& ref, int& dnr, int& gruppe);

    // Keys.
    void keyChosen();
    void keyInfoClicked();
    void keyEstimationClicked();

    // The main window's menus by name.
    QMenu* mainMenu(const QString& name) const;
    void setMainEntryEnabled(const QString& name, bool enabled) const;
    bool refused() const;
    void closeIfPending();

    // The actions without their guard, for the window's own use inside a guarded one.
    bool fillTableList();
    void buildTableInfos(const QString& TableName, const QString& TableID, bool HasTable, bool SetFocusFeldliste);
    void fillFieldList(bool SaveCheckedState);
    void fillKeyList();
    void deleteExtraField(const QString& FldKey);

    QString m_aktTableName;
    QString m_aktTableID;
    bool m_aktTableHasTable = false;
    QString m_aktQueryName;
    // The table whose fields the field list shows (the row text when it was filled).
    QString m_feldListeTable;

    QSharedPointer<KLVQuery> m_query;
    QSharedPointer<KLVQuery> m_tmpQuery;
    QSharedPointer<KLVMessageCollector> m_tmpCollector;
    QPointer<QueryStringForm> m_queryStringWindow;
    ListViewColumnArray m_tabColumns;
    ListViewColumnArray m_fldColumns;
    QueryExtraTables m_extraTables;

    bool m_running = false;
    bool m_breakRequested = false;
    bool m_closePending = false;
    int m_busy = 0;

    QueryLayout m_layout;
    int m_tableListWidth = -1; // pixels; -1 until stored or first shown
    int m_listHeight = -1;
    bool m_dragging = false;
    QPoint m_dragStart;

    QTreeWidget* m_tabellenListe = nullptr;
    QTreeWidget* m_feldListe = nullptr;
    ResultListView* m_datenListe = nullptr;
    ResultFill* m_fill = nullptr;
    QWidget* m_tabFldSplit = nullptr;
    QWidget* m_datenSplit = nullptr;
    QGroupBox* m_bedingungen = nullptr;
    QComboBox* m_schluessel = nullptr;
    QComboBox* m_ablageart = nullptr;
    QLineEdit* m_kriterien = nullptr;
    QLineEdit* m_sortierung = nullptr;
    QRadioButton* m_aufsteigend = nullptr;
    QRadioButton* m_absteigend = nullptr;
    QRadioButton* m_und = nullptr;
    QRadioButton* m_oder = nullptr;
    QCheckBox* m_zeilenSelektion = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_breakButton = nullptr;
    QPushButton* m_schlInfoButton = nullptr;
    QPushButton* m_schaetzenButton = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QList<QLabel*> m_panels;
};
