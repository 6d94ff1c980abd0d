#include "ExportDialog.h"

#include "ExportFormatRegistry.h"
#include "ExportOptionsPage.h"
#include "ExportProgressDialog.h"
#include "ExportRun.h"
#include "ExportWriter.h"
#include "FormSupport.h"
#include "KLVTAVArtInfo.h"
#include "KLVTools.h"
#include "MainModul.h"
#include "QueryTag.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgNoRows = 282;
constexpr int MsgNoWriter = 296;
constexpr int MsgGeneralHelp = 908;

template <class T>
T* named(const char16_t* name, T* widget)
{
    widget->setObjectName(QString::fromUtf16(name));
    return widget;
}

QLabel* label(const char16_t* name, const char16_t* message, QWidget* parent)
{
    return named(name, new QLabel(QString::fromUtf16(message), parent));
}

// The dialog currently running an export; set from the start until the end.
QPointer<ExportDialog> runningDialog;

} // namespace

ExportDialog::ExportDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"ExportDialog"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    InitFormCommon(this);
    FormSupport::watchKeys(this);
}

ExportDialog::~ExportDialog()
{
    // The export goes with the dialog (the main window goes): the rows written so far are
    // kept. The run asks its prompt, this dialog, nothing more from here on.
    delete m_run;
}

ExportDialog* ExportDialog::DefaultInstance()
{
    // An unloaded dialog may wait for its deletion a little: the next use gets a new one, as
    // the first did.
    static QPointer<ExportDialog> instance;
    if (!instance || instance->m_unloaded) {
        instance = new ExportDialog(App().MainForm.data());
        if (!instance->parent())
            QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [] { delete instance.data(); });
    }
    return instance;
}

bool ExportDialog::IsExportRunning()
{
    return runningDialog && runningDialog->ExportAktiv();
}

bool ExportDialog::ExportAktiv() const
{
    return m_run && m_run->isRunning();
}

// ---- Controls -----------------------------------------------------------------------------

void ExportDialog::buildControls()
{
    // What is exported: the caller's caption and selection, shown as it was handed over.
    auto* selection = named(u"AuswahlFrame", new QGroupBox(u"203"_s, this));
    auto* sel = new QGridLayout(selection);
    auto readOnly = [selection](const char16_t* name) {
        auto* box = named(name, new QLineEdit(selection));
        box->setReadOnly(true);
        // Shown, not edited: the keyboard starts on the options.
        box->setFocusPolicy(Qt::ClickFocus);
        return box;
    };
    sel->addWidget(label(u"TabelleLabel", u"202", selection), 0, 0);
    sel->addWidget(readOnly(u"Tabelle"), 0, 1, 1, 3);
    auto* tableId = readOnly(u"TabellenID");
    tableId->hide();
    sel->addWidget(label(u"BedingungenLabel", u"1457", selection), 1, 0);
    sel->addWidget(readOnly(u"Bedingungen"), 1, 1, 1, 3);
    sel->addWidget(label(u"SchluesselLabel", u"1455", selection), 2, 0);
    sel->addWidget(readOnly(u"Schluessel"), 2, 1);
    sel->addWidget(label(u"AblageartLabel", u"1456", selection), 2, 2);
    sel->addWidget(readOnly(u"AblageartText"), 2, 3);
    sel->addWidget(label(u"SortierungLabel", u"1458", selection), 3, 0);
    sel->addWidget(readOnly(u"Sortierung"), 3, 1, 1, 3);
    auto option = [selection](const char16_t* name, const char16_t* message) {
        auto* button = named(name, new QRadioButton(QString::fromUtf16(message), selection));
        button->setEnabled(false);
        return button;
    };
    auto* junction = new QButtonGroup(selection);
    auto* und = option(u"UNDVerknuepfung", u"1461");
    auto* oder = option(u"ODERVerknuepfung", u"1462");
    junction->addButton(und);
    junction->addButton(oder);
    und->setChecked(true);
    auto* direction = new QButtonGroup(selection);
    auto* up = option(u"Aufsteigend", u"1459");
    auto* down = option(u"Absteigend", u"1460");
    direction->addButton(up);
    direction->addButton(down);
    up->setChecked(true);
    auto* byRows = named(u"ZeilenSelektion", new QCheckBox(u"1463"_s, selection));
    byRows->setEnabled(false);
    auto* options = new QHBoxLayout;
    options->addWidget(und);
    options->addWidget(oder);
    options->addSpacing(16);
    options->addWidget(up);
    options->addWidget(down);
    options->addSpacing(16);
    options->addWidget(byRows);
    options->addStretch(1);
    sel->addLayout(options, 4, 0, 1, 4);
    sel->setColumnStretch(1, 1);
    sel->setColumnStretch(3, 1);
    sel->setRowStretch(5, 1);

    auto* fieldsFrame = named(u"FelderFrame", new QGroupBox(u"1404"_s, this));
    m_feldListe = named(u"FeldListe", new QTreeWidget(fieldsFrame));
    m_feldListe->setRootIsDecorated(false);
    m_feldListe->setUniformRowHeights(true);
    m_feldListe->setColumnCount(2);
    m_feldListe->setHeaderLabels({u"1404"_s, u"1425"_s});
    m_feldListe->header()->resizeSection(0, 160);
    m_feldListe->setMinimumWidth(220);
    (new QVBoxLayout(fieldsFrame))->addWidget(m_feldListe);

    // One page per format, in the order of the kinds; the export's kind shows its own alone.
    m_tabs = named(u"ExportEinstellungenTab", new QTabWidget(this));
    for (const ExportFormat& format : ExportFormatRegistry::Formats()) {
        ExportOptionsPage* page = format.makePage(m_tabs);
        m_pages.insert(format.kind, page);
        m_tabs->addTab(page, QString::number(format.tabMessage));
    }

    m_startButton = named(u"StartButton", new QPushButton(u"1451"_s, this));
    m_startButton->setDefault(true);
    m_abbruchButton = named(u"AbbruchButton", new QPushButton(u"33"_s, this));
    m_abbruchButton->setAutoDefault(false);
    auto* help = named(u"HilfeButton", new QPushButton(u"47"_s, this));
    help->setAutoDefault(false);
    connect(m_startButton, &QPushButton::clicked, this, &ExportDialog::StarteExport);
    connect(m_abbruchButton, &QPushButton::clicked, this, &ExportDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { ShowHelpTopic(GetMessageTextByNr(helpMessage())); });

    auto* top = new QHBoxLayout;
    top->addWidget(selection, 3);
    top->addWidget(fieldsFrame, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_abbruchButton);
    buttons->addStretch(1);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);
    resize(780, 560);
}

int ExportDialog::helpMessage() const
{
    const ExportFormat* format = ExportFormatRegistry::Find(m_exportType);
    return format ? format->helpMessage : MsgGeneralHelp;
}

bool ExportDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (FormSupport::helpOrHardcopyKeyIn(this, watched, event, helpMessage()))
        return true;
    return QDialog::eventFilter(watched, event);
}

// ---- Set-up -------------------------------------------------------------------------------

void ExportDialog::SetExportProperties(const QString& caption, const QString& tableId, int exportType,
                                       bool rowsFromCaller, QObject* caller, int rowCount)
{
    findChild<QLineEdit*>(u"Tabelle"_s)->setText(caption);
    findChild<QLineEdit*>(u"TabellenID"_s)->setText(tableId);
    for (ExportOptionsPage* page : std::as_const(m_pages))
        page->setCaption(caption);
    SetupExportTabs(exportType);
    m_rowsFromCaller = rowsFromCaller;
    m_caller = caller;
    m_callerRowCount = rowCount;
    if (ExportOptionsPage* current = page())
        current->load(caption);
}

void ExportDialog::SetupExportTabs(int kind)
{
    m_exportType = kind;
    const ExportFormat* format = ExportFormatRegistry::Find(kind);
    setWindowTitle(format ? GetMessageTextByNr(format->captionMessage) : QString());
    for (int i = 0; i < m_tabs->count(); ++i)
        m_tabs->setTabVisible(i, m_tabs->widget(i) == page());
    if (page())
        m_tabs->setCurrentWidget(page());
}

ExportOptionsPage* ExportDialog::page() const
{
    return m_pages.value(m_exportType);
}

void ExportDialog::SetExportFldListe(QTreeWidget* callerFieldList)
{
    m_callerFieldList = callerFieldList;
    if (ExportOptionsPage* current = page())
        current->setFields(currentJob().fields);
}

QTreeWidgetItem* ExportDialog::AddExportField(QTreeWidget* list, const QString& key, const QString& caption,
                                              const QString& tablePartText, const QString& tag, const QString& typeCode)
{
    auto* item = new QTreeWidgetItem(list);
    item->setText(0, caption);
    item->setText(1, tablePartText);
    item->setData(0, FieldKeyRole, key);
    item->setData(0, FieldTagRole, tag);
    item->setData(0, FieldTypeRole, typeCode);
    return item;
}

ExportJob ExportDialog::currentJob() const
{
    const auto text = [this](const QString& name) { return findChild<QLineEdit*>(name)->text(); };
    const auto checked = [this](const QString& name) { return findChild<QAbstractButton*>(name)->isChecked(); };
    ExportJob job;
    job.exportType = m_exportType;
    job.caption = text(u"Tabelle"_s);
    job.tableId = text(u"TabellenID"_s);
    job.rowsFromCaller = m_rowsFromCaller;
    job.criteria = text(u"Bedingungen"_s);
    job.key = text(u"Schluessel"_s);
    job.sortKey = m_rowsFromCaller || job.key == App().NoKeyText ? QString() : job.key;
    job.order = m_rowsFromCaller ? QString() : text(u"Sortierung"_s);
    job.storageKindText = text(u"AblageartText"_s);
    job.aliveFlag = m_exportAliveFlag;
    job.byRows = checked(u"ZeilenSelektion"_s);
    job.andJunction = checked(u"UNDVerknuepfung"_s);
    job.ascending = checked(u"Aufsteigend"_s);

    const KLVTools tools;
    for (int i = 0; i < m_feldListe->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_feldListe->topLevelItem(i);
        ExportField field;
        field.caption = item->text(0);
        field.key = item->data(0, FieldKeyRole).toString();
        field.tag = item->data(0, FieldTagRole).toString();
        field.tablePart = ErpText2Bool(item->text(1));
        QString typeCode = item->data(0, FieldTypeRole).toString();
        for (int r = 0; typeCode.isEmpty() && m_callerFieldList && r < m_callerFieldList->topLevelItemCount(); ++r) {
            const QTreeWidgetItem* row = m_callerFieldList->topLevelItem(r);
            if (row->data(0, FieldKeyRole).toString() == field.key)
                typeCode = QueryTag::Tag2Field(row->data(0, FieldTagRole).toString(), 5);
        }
        field.type = tools.GetTAVArtInfo(typeCode);
        job.fields.append(field);
    }
    return job;
}

// ---- Start --------------------------------------------------------------------------------

bool ExportDialog::ask(const QString& question, Choice choice)
{
    if (choice == Choice::YesNo)
        return ShowMessageBox(question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    return ShowMessageBox(question, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void ExportDialog::tell(const QString& text)
{
    ShowMessageBox(text);
}

bool ExportDialog::refused(const ExportCheck& check)
{
    if (check.passed())
        return false;
    if (!check.message().isEmpty())
        ShowMessageBox(check.message());
    if (ExportOptionsPage* current = page()) {
        if (QWidget* control = current->focusControl(check.option()))
            control->setFocus();
    }
    return true;
}

void ExportDialog::setStarting(bool starting)
{
    m_starting = starting;
    m_startButton->setEnabled(!starting);
    m_abbruchButton->setEnabled(!starting);
}

bool ExportDialog::busy() const
{
    return m_starting || (m_run && (m_run->isStarting() || m_run->isRunning()));
}

void ExportDialog::StarteExport()
{
    if (busy())
        return;
    const QPointer<ExportDialog> self(this);
    setStarting(true);
    // Every question may run the event loop, in which the dialog may go.
    const auto stop = [this, &self] {
        if (self)
            setStarting(false);
    };

    const ExportJob job = currentJob();
    ExportOptionsPage* current = page();
    std::unique_ptr<ExportWriter> writer = current ? current->createWriter(job) : nullptr;
    if (!writer) {
        ShowMessageBox(GetMessageTextByNr(MsgNoWriter));
        return stop();
    }
    writer->setPrompt(this);
    const ExportCheck check = writer->checkTarget();
    if (!self)
        return;
    if (refused(check))
        return stop();
    if (m_rowsFromCaller && m_callerRowCount == 0) {
        ShowMessageBox(GetMessageTextByNr(MsgNoRows));
        return stop();
    }
    // Every setting of the kind is stored once the target's name passed; what the target
    // itself says (a logon, a table or workbook to replace) comes after the query started.
    current->store(job.caption);

    m_run = new ExportRun(job, std::move(writer), m_caller.data(), m_callerRowCount, this);
    m_run->setParent(this);
    connect(m_run, &ExportRun::finished, this, &ExportDialog::unload);
    runningDialog = this;
    const ExportCheck started = m_run->start();
    if (!self)
        return;
    setStarting(false);
    if (!started.passed()) {
        delete m_run;
        m_run = nullptr;
        refused(started);
        return;
    }
    hide();
}

// ---- Running and the end --------------------------------------------------------------------

void ExportDialog::ExportAbbrechen()
{
    if (m_run)
        m_run->cancel();
}

void ExportDialog::unload()
{
    m_unloaded = true;
    hide();
    deleteLater();
}

void ExportDialog::reject()
{
    if (busy())
        return;
    // The progress dialog was never shown for this dialog; nothing is stored.
    unload();
}

void ExportDialog::closeEvent(QCloseEvent* event)
{
    if (busy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
    if (event->isAccepted())
        m_unloaded = true;
}
