#pragma once

#include "ExportJob.h"
#include "ExportPrompt.h"
#include "ListViewHelpers.h"

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QString>

class ExportCheck;
class ExportOptionsPage;
class ExportRun;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

// The window in which the user sets up one export of a window's data and starts it; after
// the start the same dialog, hidden, holds the running export (an ExportRun) and goes when it
// ends. The program has one instance (DefaultInstance), loaded on first use. Windows open it
// through ExportRequest; a caller with rows of its own offers GetResultField(int row, QString
// key) -> QString as an invokable member, called by name for rows 1 to the row count, in the
// order shown, and each field key.
//
// The dialog shows what is exported and how it was selected, the fields, and the options page
// of the export's kind (ExportFormatRegistry); it knows none of the pages' controls. It checks
// the target through the kind's writer, stores the settings, and answers the writer's
// questions (ExportPrompt) with message boxes.
class ExportDialog : public QDialog, public ExportPrompt
{
    Q_OBJECT
    Q_PROPERTY(bool ExportAktiv READ ExportAktiv)
    Q_PROPERTY(int ExportAliveFlag READ ExportAliveFlag WRITE setExportAliveFlag)

public:
    // The roles of an export field item: the field's key, its query field name, and its ERP
    // type code.
    static constexpr int FieldKeyRole = Qt::UserRole + 3;
    static constexpr int FieldTagRole = ListViewHelpers::RowTagRole;
    static constexpr int FieldTypeRole = Qt::UserRole + 4;

    explicit ExportDialog(QWidget* parent = nullptr);
    ~ExportDialog() override;

    static ExportDialog* DefaultInstance();
    // True while an export runs; loads no dialog.
    static bool IsExportRunning();

    bool ExportAktiv() const;
    int ExportAliveFlag() const { return m_exportAliveFlag; }
    void setExportAliveFlag(int flag) { m_exportAliveFlag = flag; }

    // Prepares the dialog for one export: captions, the kind's page and its stored settings.
    Q_INVOKABLE void SetExportProperties(const QString& caption, const QString& tableId, int exportType,
                                         bool rowsFromCaller, QObject* caller, int rowCount);
    // Called once FeldListe holds the fields: the kind's page learns them (the XML page offers
    // the table-part fields as record id and caption). A caller's own field list, when given,
    // names the type of a field whose item holds none, by the field's key.
    Q_INVOKABLE void SetExportFldListe(QTreeWidget* callerFieldList);
    // Cancels a running export; any number of times, also when none runs.
    Q_INVOKABLE void ExportAbbrechen();

    // One item of an export field list: caption, key, tag (the query field name), the server's
    // true or false text of the table-part flag, and the ERP type code.
    static QTreeWidgetItem* AddExportField(QTreeWidget* list, const QString& key, const QString& caption,
                                           const QString& tablePartText, const QString& tag,
                                           const QString& typeCode = QString());

    QTreeWidget* feldListe() const { return m_feldListe; }
    int exportType() const { return m_exportType; }
    // The job a start would run now, from the controls.
    ExportJob currentJob() const;

    // The writer's questions, as message boxes.
    bool ask(const QString& question, Choice choice) override;
    void tell(const QString& text) override;

public Q_SLOTS:
    // Escape and the close button: the dialog goes, nothing is stored. Refused while a start
    // waits for the server.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void SetupExportTabs(int kind);
    ExportOptionsPage* page() const;
    void StarteExport();
    bool refused(const ExportCheck& check);
    void setStarting(bool starting);
    void unload();
    bool busy() const;
    int helpMessage() const;

    int m_exportAliveFlag = KLVActiveX::aliveFlagAll;
    int m_exportType = 0;
    bool m_rowsFromCaller = false;
    QPointer<QObject> m_caller;
    int m_callerRowCount = 0;
    QPointer<QTreeWidget> m_callerFieldList;

    bool m_unloaded = false;
    bool m_starting = false;
    ExportRun* m_run = nullptr;

    QTabWidget* m_tabs = nullptr;
    QHash<int, ExportOptionsPage*> m_pages;
    QTreeWidget* m_feldListe = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_abbruchButton = nullptr;
};
