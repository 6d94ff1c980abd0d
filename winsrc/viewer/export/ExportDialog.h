#pragma once

#include "ExportEngine.h"
#include "ExportJob.h"
#include "ListViewHelpers.h"

#include <QDialog>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

class ExportProgressDialog;
class KLVQuery;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

// The window in which the user sets up one export of a window's data and starts it; after
// the start the same dialog, hidden, runs the export (through an ExportEngine) and goes when
// it ends. The program has one instance (DefaultInstance), loaded on first use.
//
// A caller (the query window, the information-system window):
//   ExportDialog* dialog = ExportDialog::DefaultInstance();
//   if (dialog->ExportAktiv()) { message 281; return; }
//   dialog->SetExportProperties(caption, tableId, exportType, rowsFromCaller, this, rowCount);
//   ...fill the description controls ("Bedingungen", "Schluessel", ...), setExportAliveFlag,
//   and FeldListe with AddExportField, one item per field in export order...
//   dialog->SetExportFldListe(myFieldList);          // the query window: its own field list
//   dialog->setWindowModality(Qt::ApplicationModal); dialog->show();
// With rows from the caller, the caller offers GetResultField(int row, QString key) ->
// QString as an invokable member; it is called by name for rows 1 to rowCount, in the order
// shown, and each field key of FeldListe.
//
// Export kinds (ExportType): 0 delimited text, 1 workbook, 2 database table, 3 XML, 4 HTML;
// the dialog shows the settings page of its kind only. Settings: ExportSettings.
class ExportDialog : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(bool ExportAktiv READ ExportAktiv)
    Q_PROPERTY(int ExportAliveFlag READ ExportAliveFlag WRITE setExportAliveFlag)

public:
    // The roles of an export field item, and of a row of a caller's field list: the field's
    // key, and its tag (the catalogue record, or in FeldListe the query field name).
    static constexpr int FieldKeyRole = Qt::UserRole + 3;
    static constexpr int FieldTagRole = ListViewHelpers::RowTagRole;

    explicit ExportDialog(QWidget* parent = nullptr);
    ~ExportDialog() override;

    static ExportDialog* DefaultInstance();
    // True while an export runs; loads no dialog.
    static bool IsExportRunning();

    bool ExportAktiv() const { return m_exportAktiv; }
    int ExportAliveFlag() const { return m_exportAliveFlag; }
    void setExportAliveFlag(int flag) { m_exportAliveFlag = flag; }

    // Prepares the dialog for one export: captions, the kind's page and its stored settings.
    Q_INVOKABLE void SetExportProperties(const QString& caption, const QString& tableId, int exportType,
                                         bool rowsFromCaller, QObject* caller, int rowCount);
    // Keeps the caller's field list (the fields' types are read from it) and offers the
    // table-part fields of FeldListe as XML record id and caption fields.
    Q_INVOKABLE void SetExportFldListe(QTreeWidget* callerFieldList);
    // Cancels a running export; any number of times, also when none runs.
    Q_INVOKABLE void ExportAbbrechen();

    // One item of an export field list: caption, key, tag (the query field name) and the
    // server's true or false text of the table-part flag.
    static QTreeWidgetItem* AddExportField(QTreeWidget* list, const QString& key, const QString& caption,
                                           const QString& tablePartText, const QString& tag);

    QTreeWidget* feldListe() const { return m_feldListe; }
    int exportType() const { return m_exportType; }
    // The job a start would run now, from the controls.
    ExportJob currentJob() const;

public Q_SLOTS:
    // Escape and the close button: the dialog goes, nothing is stored. Refused while a start
    // waits for the server.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* buildTextPage();
    QWidget* buildExcelPage();
    QWidget* buildDatabasePage();
    QWidget* buildXmlPage();
    QWidget* buildHtmlPage();
    void connectHandlers();

    void SetupExportTabs(int kind);
    void loadSettings();
    void storeSettings();
    QString controlValue(const QString& control) const;

    void StarteExport();
    bool startQuery(QSharedPointer<KLVQuery>& query, const ExportJob& job);
    void BeendeExport(ExportEngine::Outcome outcome);
    void unload();
    void endForClosing();
    void watchCaller(bool on);
    void setStarting(bool starting);
    void setMousePointer(int pointer);

    // Option handlers.
    void dbTypeChanged();
    void chooseSaveFile(QLineEdit* target, int titleMessage, const QString& suffix, const QStringList& filters,
                        bool confirmOverwrite);
    void chooseDatabase();
    QString ChooseApplicationFile(const QString& current);
    QString ConvertHTMLColor(const QString& current);
    void ShowExportHelp();

    template <class T>
    T* control(const QString& name) const;

    bool m_exportAktiv = false;
    int m_exportAliveFlag = 9;
    int m_exportType = 0;
    bool m_rowsFromCaller = false;
    QPointer<QObject> m_caller;
    int m_callerRowCount = 0;
    QPointer<QTreeWidget> m_callerFieldList;
    QString m_xmlRecIdFldName;
    QString m_xmlDescrFldName;

    bool m_unloaded = false;
    bool m_starting = false;
    bool m_closeRequested = false;
    QSharedPointer<KLVQuery> m_startingQuery;
    QPointer<ExportEngine> m_engine;
    QPointer<ExportProgressDialog> m_progress;
    QPointer<QWidget> m_watchedMain;

    QTabWidget* m_tabs = nullptr;
    QTreeWidget* m_feldListe = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_abbruchButton = nullptr;
    QComboBox* m_dbTypes = nullptr;
    QComboBox* m_xmlIdField = nullptr;
    QComboBox* m_xmlCaptionField = nullptr;
};
