#include "ExportDialog.h"

#include "ExportCallerSource.h"
#include "ExportColor.h"
#include "ExportProgressDialog.h"
#include "ExportQuerySource.h"
#include "ExportSettings.h"
#include "ExportWriter.h"
#include "ExportWriterRegistry.h"
#include "FormSupport.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVTAVArtInfo.h"
#include "KLVTools.h"
#include "MainModul.h"
#include "QueryTag.h"
#include "ViewerConfig.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
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

constexpr int MsgCaptionText = 208;
constexpr int MsgCaptionExcel = 209;
constexpr int MsgCaptionDatabase = 210;
constexpr int MsgCaptionXml = 230;
constexpr int MsgCaptionHtml = 231;
constexpr int MsgStatus = 21;
constexpr int MsgError = 22;
constexpr int MsgNotConnected = 16;
constexpr int MsgQueryRefused = 140;
constexpr int MsgNoRows = 282;
constexpr int MsgFileChooser = 254;
constexpr int MsgOdbcChooser = 255;
constexpr int MsgDatabaseChooser = 256;
constexpr int MsgDatabaseFiles = 257;
constexpr int MsgAllFiles = 258;
constexpr int MsgWorkbookChooser = 259;
constexpr int MsgWorkbooks = 260;
constexpr int MsgProgramChooser = 261;
constexpr int MsgPrograms = 262;
constexpr int MsgNoWriter = 296;
constexpr int MsgReadFailed = 299;
constexpr int MsgXmlFiles = 1201;
constexpr int MsgHtmlFiles = 1202;
constexpr int MsgNotAColour = 1211;

// The database kinds: SQLite files stand in for the Access formats (item data 0 and 1 of the
// Windows program; the stored texts of both still choose it), ODBC for data sources.
const QString SQLiteKind = u"SQLite"_s;
const QString OdbcKind = u"ODBC"_s;
constexpr int OdbcData = 2;

int captionMessage(int kind)
{
    switch (kind) {
    case 1:
        return MsgCaptionExcel;
    case 2:
        return MsgCaptionDatabase;
    case 3:
        return MsgCaptionXml;
    case 4:
        return MsgCaptionHtml;
    default:
        return MsgCaptionText;
    }
}

int helpMessage(int kind)
{
    switch (kind) {
    case 0:
        return 905;
    case 2:
        return 906;
    case 1:
        return 907;
    case 3:
        return 920;
    case 4:
        return 921;
    default:
        return 908;
    }
}

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

QPushButton* chooserButton(const char16_t* name, QWidget* parent)
{
    auto* button = named(name, new QPushButton(u"..."_s, parent));
    button->setAutoDefault(false);
    button->setMaximumWidth(40);
    return button;
}

// "description (pattern)" filters of the file dialog.
QString filter(int message, const QString& pattern)
{
    return GetMessageTextByNr(message) + u" ("_s + pattern + u')';
}

// The dialog currently running an export; set from the start until the end.
QPointer<ExportDialog> runningDialog;

} // namespace

ExportDialog::ExportDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"ExportDialog"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    connectHandlers();
    InitFormCommon(this);
    m_exportAktiv = false;
    // The first database kind, with its enabling rule.
    m_dbTypes->setCurrentIndex(0);
    dbTypeChanged();
    FormSupport::watchKeys(this);
}

ExportDialog::~ExportDialog()
{
    // The dialog goes while its export runs (the main window goes): the rows written so far
    // are kept and the file finished; no program is started and nothing is shown.
    if (m_engine) {
        disconnect(m_engine, nullptr, this, nullptr);
        m_engine->endNow();
        setMousePointer(0);
        if (m_progress)
            m_progress->Unload();
    }
    if (m_startingQuery)
        m_startingQuery->Break();
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

template <class T>
T* ExportDialog::control(const QString& name) const
{
    return findChild<T*>(name);
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

    m_tabs = named(u"ExportEinstellungenTab", new QTabWidget(this));
    m_tabs->addTab(buildTextPage(), u"211"_s);
    m_tabs->addTab(buildExcelPage(), u"212"_s);
    m_tabs->addTab(buildDatabasePage(), u"213"_s);
    m_tabs->addTab(buildXmlPage(), u"214"_s);
    m_tabs->addTab(buildHtmlPage(), u"215"_s);

    m_startButton = named(u"StartButton", new QPushButton(u"1451"_s, this));
    m_startButton->setDefault(true);
    m_abbruchButton = named(u"AbbruchButton", new QPushButton(u"33"_s, this));
    m_abbruchButton->setAutoDefault(false);
    auto* help = named(u"HilfeButton", new QPushButton(u"47"_s, this));
    help->setAutoDefault(false);
    connect(m_startButton, &QPushButton::clicked, this, &ExportDialog::StarteExport);
    connect(m_abbruchButton, &QPushButton::clicked, this, &ExportDialog::reject);
    connect(help, &QPushButton::clicked, this, &ExportDialog::ShowExportHelp);

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

QWidget* ExportDialog::buildTextPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(label(u"ExportDateiNameLabel", u"216", page), 0, 0);
    grid->addWidget(named(u"ExportDateiName", new QLineEdit(page)), 0, 1, 1, 2);
    grid->addWidget(chooserButton(u"DateiDialogButton", page), 0, 3);
    grid->addWidget(named(u"MitFeldliste", new QCheckBox(u"217"_s, page)), 1, 0, 1, 4);
    grid->addWidget(named(u"FormatRFC4180", new QCheckBox(u"218"_s, page)), 2, 0, 1, 4);
    grid->addWidget(label(u"FeldtrennzeichenLabel", u"219", page), 3, 0);
    auto* separator = named(u"Feldtrennzeichen", new QLineEdit(page));
    separator->setMaximumWidth(80);
    grid->addWidget(separator, 3, 1);
    grid->addWidget(label(u"ZeilenumbruchzeichenLabel", u"220", page), 4, 0);
    auto* lineBreak = named(u"Zeilenumbruchzeichen", new QLineEdit(page));
    lineBreak->setMaximumWidth(80);
    grid->addWidget(lineBreak, 4, 1);
    grid->addWidget(named(u"FileAppStarten", new QCheckBox(u"221"_s, page)), 5, 0);
    grid->addWidget(named(u"FileAppName", new QLineEdit(page)), 5, 1, 1, 2);
    grid->addWidget(chooserButton(u"FileAppDialogButton", page), 5, 3);
    grid->addWidget(named(u"FileAppStartenExt", new QCheckBox(u"222"_s, page)), 6, 0, 1, 4);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(7, 1);
    return page;
}

QWidget* ExportDialog::buildExcelPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(label(u"ExportExcelNameLabel", u"223", page), 0, 0);
    grid->addWidget(named(u"ExportExcelName", new QLineEdit(page)), 0, 1, 1, 2);
    grid->addWidget(chooserButton(u"ExcelNameAuswaehlenButton", page), 0, 3);
    grid->addWidget(label(u"ExcelWorksheetLabel", u"224", page), 1, 0);
    grid->addWidget(named(u"ExcelWorksheet", new QLineEdit(page)), 1, 1, 1, 2);
    grid->addWidget(named(u"ExcelMitFeldnamen", new QCheckBox(u"225"_s, page)), 2, 0, 1, 4);
    grid->addWidget(named(u"ExcelFormatColumns", new QCheckBox(u"226"_s, page)), 3, 0, 1, 4);
    grid->addWidget(label(u"ExcelDateFormatLabel", u"227", page), 4, 0);
    grid->addWidget(named(u"ExcelDateFormat", new QLineEdit(page)), 4, 1);
    grid->addWidget(label(u"ExcelTimeFormatLabel", u"228", page), 5, 0);
    grid->addWidget(named(u"ExcelTimeFormat", new QLineEdit(page)), 5, 1);
    grid->addWidget(named(u"ExcelStarten", new QCheckBox(u"229"_s, page)), 6, 0, 1, 4);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(7, 1);
    return page;
}

QWidget* ExportDialog::buildDatabasePage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(label(u"ExportDBTypenLabel", u"232", page), 0, 0);
    m_dbTypes = named(u"ExportDBTypen", new QComboBox(page));
    m_dbTypes->addItem(SQLiteKind, 0);
    m_dbTypes->addItem(OdbcKind, OdbcData);
    grid->addWidget(m_dbTypes, 0, 1);
    grid->addWidget(label(u"ExportDBNameLabel", u"264", page), 1, 0);
    grid->addWidget(named(u"ExportDBName", new QLineEdit(page)), 1, 1, 1, 2);
    grid->addWidget(chooserButton(u"DBAuswaehlenButton", page), 1, 3);
    grid->addWidget(label(u"NeueTabelleLabel", u"266", page), 2, 0);
    grid->addWidget(named(u"NeueTabelle", new QLineEdit(page)), 2, 1, 1, 2);
    grid->addWidget(named(u"DBFelderMitTabPraefix", new QCheckBox(u"267"_s, page)), 3, 0, 1, 4);
    grid->addWidget(named(u"AccessStarten", new QCheckBox(u"268"_s, page)), 4, 0, 1, 4);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);
    return page;
}

QWidget* ExportDialog::buildXmlPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(label(u"XMLDateiNameLabel", u"216", page), 0, 0);
    grid->addWidget(named(u"XMLDateiName", new QLineEdit(page)), 0, 1, 1, 2);
    grid->addWidget(chooserButton(u"XMLDateiDialogButton", page), 0, 3);
    grid->addWidget(label(u"XMLSatzIDFeldLabel", u"269", page), 1, 0);
    m_xmlIdField = named(u"XMLSatzIDFeld", new QComboBox(page));
    m_xmlIdField->setMinimumContentsLength(20);
    grid->addWidget(m_xmlIdField, 1, 1);
    grid->addWidget(label(u"XMLBeschrFeldLabel", u"270", page), 2, 0);
    m_xmlCaptionField = named(u"XMLBeschrFeld", new QComboBox(page));
    m_xmlCaptionField->setMinimumContentsLength(20);
    grid->addWidget(m_xmlCaptionField, 2, 1);
    grid->addWidget(named(u"XMLLeerfelderUnterdruecken", new QCheckBox(u"271"_s, page)), 3, 0, 1, 4);
    grid->addWidget(named(u"XMLAppStarten", new QCheckBox(u"221"_s, page)), 4, 0);
    grid->addWidget(named(u"XMLAppName", new QLineEdit(page)), 4, 1, 1, 2);
    grid->addWidget(chooserButton(u"XMLAppDialogButton", page), 4, 3);
    grid->addWidget(named(u"XMLStdAppStarten", new QCheckBox(u"222"_s, page)), 5, 0, 1, 4);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(6, 1);
    return page;
}

QWidget* ExportDialog::buildHtmlPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(label(u"HTMLDateiNameLabel", u"216", page), 0, 0);
    grid->addWidget(named(u"HTMLDateiName", new QLineEdit(page)), 0, 1, 1, 4);
    grid->addWidget(chooserButton(u"HTMLDateiDialogButton", page), 0, 5);
    grid->addWidget(named(u"HTMLMitUeberschrift", new QCheckBox(u"273"_s, page)), 1, 0, 1, 6);
    grid->addWidget(label(u"HTMLRahmenDickeLabel", u"274", page), 2, 0);
    auto* border = named(u"HTMLRahmenDicke", new QLineEdit(page));
    border->setMaximumWidth(80);
    grid->addWidget(border, 2, 1);
    grid->addWidget(label(u"HTMLForegroundLabel", u"279", page), 3, 1);
    grid->addWidget(label(u"HTMLBackgroundLabel", u"280", page), 3, 3);
    struct ColourRow
    {
        const char16_t* label;
        const char16_t* message;
        const char16_t* fg;
        const char16_t* fgButton;
        const char16_t* bg;
        const char16_t* bgButton;
    };
    const ColourRow rows[] = {
        {u"HTMLHeaderLabel", u"275", u"HTMLFGColorHeader", u"HTMLFGHeaderButton", u"HTMLBGColorHeader",
         u"HTMLBGHeaderButton"},
        {u"HTMLEvenLabel", u"276", u"HTMLFGColorEven", u"HTMLFGEvenButton", u"HTMLBGColorEven", u"HTMLBGEvenButton"},
        {u"HTMLOddLabel", u"277", u"HTMLFGColorOdd", u"HTMLFGOddButton", u"HTMLBGColorOdd", u"HTMLBGOddButton"},
        {u"HTMLBorderColorLabel", u"278", u"HTMLBorderColor", u"HTMLBorderColorButton", nullptr, nullptr},
    };
    int row = 4;
    for (const ColourRow& r : rows) {
        grid->addWidget(label(r.label, r.message, page), row, 0);
        grid->addWidget(named(r.fg, new QLineEdit(page)), row, 1);
        grid->addWidget(chooserButton(r.fgButton, page), row, 2);
        if (r.bg) {
            grid->addWidget(named(r.bg, new QLineEdit(page)), row, 3);
            grid->addWidget(chooserButton(r.bgButton, page), row, 4);
        }
        ++row;
    }
    grid->addWidget(named(u"HTMLDateiInBrowserZeigen", new QCheckBox(u"272"_s, page)), row, 0, 1, 6);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(row + 1, 1);
    return page;
}

void ExportDialog::connectHandlers()
{
    // A box and what it switches; the handlers run whenever a box changes, also when the
    // stored settings set it, so the dependent controls follow the loaded values.
    const auto enable = [this](const QString& box, const QStringList& dependents, bool whenTicked) {
        auto* check = control<QCheckBox>(box);
        const auto apply = [this, dependents, whenTicked](bool ticked) {
            for (const QString& name : dependents) {
                if (QWidget* w = control<QWidget>(name))
                    w->setEnabled(ticked == whenTicked);
            }
        };
        connect(check, &QCheckBox::toggled, this, apply);
        apply(check->isChecked());
    };
    enable(u"FormatRFC4180"_s, {u"Zeilenumbruchzeichen"_s, u"ZeilenumbruchzeichenLabel"_s}, false);
    enable(u"ExcelFormatColumns"_s,
           {u"ExcelDateFormat"_s, u"ExcelTimeFormat"_s, u"ExcelDateFormatLabel"_s, u"ExcelTimeFormatLabel"_s}, true);
    enable(u"FileAppStarten"_s, {u"FileAppName"_s, u"FileAppDialogButton"_s}, true);
    enable(u"XMLAppStarten"_s, {u"XMLAppName"_s, u"XMLAppDialogButton"_s}, true);

    // A named program and the desktop's program for the file type exclude each other.
    const auto exclusive = [this](const QString& a, const QString& b) {
        auto* first = control<QCheckBox>(a);
        auto* second = control<QCheckBox>(b);
        connect(first, &QCheckBox::toggled, this, [second](bool ticked) {
            if (ticked)
                second->setChecked(false);
        });
        connect(second, &QCheckBox::toggled, this, [first](bool ticked) {
            if (ticked)
                first->setChecked(false);
        });
    };
    exclusive(u"FileAppStarten"_s, u"FileAppStartenExt"_s);
    exclusive(u"XMLAppStarten"_s, u"XMLStdAppStarten"_s);

    connect(m_dbTypes, &QComboBox::currentIndexChanged, this, &ExportDialog::dbTypeChanged);

    const auto onClick = [this](const QString& button, auto handler) {
        connect(control<QPushButton>(button), &QPushButton::clicked, this, handler);
    };
    onClick(u"DateiDialogButton"_s,
            [this] { chooseSaveFile(control<QLineEdit>(u"ExportDateiName"_s), MsgFileChooser, u"exp"_s, {}, true); });
    onClick(u"ExcelNameAuswaehlenButton"_s, [this] {
        const QString ext = App().ExcelFileExt;
        chooseSaveFile(control<QLineEdit>(u"ExportExcelName"_s), MsgWorkbookChooser, ext,
                       {filter(MsgWorkbooks, u"*."_s + ext), filter(MsgAllFiles, u"*"_s)}, false);
    });
    onClick(u"XMLDateiDialogButton"_s, [this] {
        chooseSaveFile(control<QLineEdit>(u"XMLDateiName"_s), MsgFileChooser, u"xml"_s,
                       {filter(MsgXmlFiles, u"*.xml"_s), filter(MsgAllFiles, u"*"_s)}, true);
    });
    onClick(u"HTMLDateiDialogButton"_s, [this] {
        chooseSaveFile(control<QLineEdit>(u"HTMLDateiName"_s), MsgFileChooser, u"html"_s,
                       {filter(MsgHtmlFiles, u"*.html"_s), filter(MsgAllFiles, u"*"_s)}, true);
    });
    onClick(u"DBAuswaehlenButton"_s, [this] { chooseDatabase(); });
    for (const auto& [button, box] :
         {std::pair{u"FileAppDialogButton"_s, u"FileAppName"_s}, std::pair{u"XMLAppDialogButton"_s, u"XMLAppName"_s}}) {
        onClick(button, [this, box = box] {
            auto* target = control<QLineEdit>(box);
            target->setText(ChooseApplicationFile(target->text()));
        });
    }
    const std::pair<QString, QString> colours[] = {
        {u"HTMLFGHeaderButton"_s, u"HTMLFGColorHeader"_s},  {u"HTMLBGHeaderButton"_s, u"HTMLBGColorHeader"_s},
        {u"HTMLFGEvenButton"_s, u"HTMLFGColorEven"_s},      {u"HTMLBGEvenButton"_s, u"HTMLBGColorEven"_s},
        {u"HTMLFGOddButton"_s, u"HTMLFGColorOdd"_s},        {u"HTMLBGOddButton"_s, u"HTMLBGColorOdd"_s},
        {u"HTMLBorderColorButton"_s, u"HTMLBorderColor"_s},
    };
    for (const auto& [button, box] : colours) {
        onClick(button, [this, box = box] {
            auto* target = control<QLineEdit>(box);
            target->setText(ConvertHTMLColor(target->text()));
        });
    }
}

// ---- Set-up -------------------------------------------------------------------------------

void ExportDialog::SetExportProperties(const QString& caption, const QString& tableId, int exportType,
                                       bool rowsFromCaller, QObject* caller, int rowCount)
{
    control<QLineEdit>(u"Tabelle"_s)->setText(caption);
    QString sheet = caption;
    sheet.replace(u":"_s, u" - "_s);
    control<QLineEdit>(u"ExcelWorksheet"_s)->setText(sheet);
    control<QLineEdit>(u"TabellenID"_s)->setText(tableId);
    SetupExportTabs(exportType);
    m_rowsFromCaller = rowsFromCaller;
    m_caller = caller;
    m_callerRowCount = rowCount;
    loadSettings();
}

void ExportDialog::SetupExportTabs(int kind)
{
    m_exportType = kind;
    setWindowTitle(GetMessageTextByNr(captionMessage(kind)));
    for (int i = 0; i < m_tabs->count(); ++i)
        m_tabs->setTabVisible(i, i == kind);
    if (kind >= 0 && kind < m_tabs->count())
        m_tabs->setCurrentIndex(kind);
}

void ExportDialog::loadSettings()
{
    const QString caption = control<QLineEdit>(u"Tabelle"_s)->text();
    const QString name = ExportSettings::ExportName(caption);
    // A value a control cannot take leaves it as it is.
    for (const ExportSettings::Entry& entry : ExportSettings::EntriesOf(m_exportType)) {
        const QString value = ExportSettings::Read(entry, name, caption);
        switch (entry.kind) {
        case ExportSettings::Control::CheckBox: {
            const std::optional<bool> checked = ViewerConfig::parseBool(value);
            auto* box = control<QCheckBox>(entry.control);
            if (checked && box && box->isEnabled())
                box->setChecked(*checked);
            break;
        }
        case ExportSettings::Control::Text:
            if (auto* box = control<QLineEdit>(entry.control))
                box->setText(value);
            break;
        case ExportSettings::Control::Combo: {
            int index = m_dbTypes->findText(value);
            // The Windows program's Access formats are files: an SQLite file here.
            if (index < 0 && value.startsWith(u"MS Access"_s))
                index = m_dbTypes->findText(SQLiteKind);
            if (index >= 0)
                m_dbTypes->setCurrentIndex(index);
            break;
        }
        case ExportSettings::Control::Member:
            (entry.key == u"XMLRecIdFld"_s ? m_xmlRecIdFldName : m_xmlDescrFldName) = value;
            break;
        }
    }
}

void ExportDialog::SetExportFldListe(QTreeWidget* callerFieldList)
{
    m_callerFieldList = callerFieldList;
    m_xmlIdField->clear();
    m_xmlCaptionField->clear();
    m_xmlIdField->addItem(QString(), 0);
    m_xmlCaptionField->addItem(QString(), 0);
    for (int i = 0; i < m_feldListe->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_feldListe->topLevelItem(i);
        // Only fields of the table part can name or caption a record.
        if (!ErpText2Bool(item->text(1)))
            continue;
        const QString text = item->text(0);
        m_xmlIdField->addItem(text, i + 1);
        m_xmlCaptionField->addItem(text, i + 1);
        const int entry = m_xmlIdField->count() - 1;
        if (m_xmlRecIdFldName.isEmpty() ? m_xmlIdField->currentIndex() == 0 && text.startsWith(u"num"_s)
                                        : text == m_xmlRecIdFldName)
            m_xmlIdField->setCurrentIndex(entry);
        if (m_xmlDescrFldName.isEmpty() ? m_xmlCaptionField->currentIndex() == 0 && text == u"name"_s
                                        : text == m_xmlDescrFldName)
            m_xmlCaptionField->setCurrentIndex(entry);
    }
}

QTreeWidgetItem* ExportDialog::AddExportField(QTreeWidget* list, const QString& key, const QString& caption,
                                              const QString& tablePartText, const QString& tag)
{
    auto* item = new QTreeWidgetItem(list);
    item->setText(0, caption);
    item->setText(1, tablePartText);
    item->setData(0, FieldKeyRole, key);
    item->setData(0, FieldTagRole, tag);
    return item;
}

void ExportDialog::dbTypeChanged()
{
    // A data source has no file to choose and no program to open it with; its name (or a
    // connection string) is typed into the name box.
    const bool odbc = m_dbTypes->currentData().toInt() == OdbcData;
    control<QPushButton>(u"DBAuswaehlenButton"_s)->setEnabled(!odbc);
    auto* start = control<QCheckBox>(u"AccessStarten"_s);
    if (odbc)
        start->setChecked(false);
    start->setEnabled(!odbc);
}

// ---- Option handlers ----------------------------------------------------------------------

void ExportDialog::chooseSaveFile(QLineEdit* target, int titleMessage, const QString& suffix,
                                  const QStringList& filters, bool confirmOverwrite)
{
    QFileDialog chooser(this, GetMessageTextByNr(titleMessage));
    chooser.setObjectName(u"ExportFileChooser"_s);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setOption(QFileDialog::DontConfirmOverwrite, !confirmOverwrite);
    chooser.setDefaultSuffix(suffix);
    if (!filters.isEmpty())
        chooser.setNameFilters(filters);
    chooser.selectFile(target->text());
    // A cancelled chooser leaves the box as it was.
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
        target->setText(chooser.selectedFiles().constFirst());
}

void ExportDialog::chooseDatabase()
{
    if (m_dbTypes->currentData().toInt() == OdbcData) {
        ShowMessageBox(GetMessageTextByNr(MsgOdbcChooser));
        return;
    }
    if (m_dbTypes->currentIndex() < 0) {
        chooseSaveFile(control<QLineEdit>(u"ExportDBName"_s), MsgDatabaseChooser, QString(),
                       {filter(MsgAllFiles, u"*"_s)}, false);
        return;
    }
    chooseSaveFile(control<QLineEdit>(u"ExportDBName"_s), MsgDatabaseChooser, u"sqlite"_s,
                   {filter(MsgDatabaseFiles, u"*.sqlite *.db"_s), filter(MsgAllFiles, u"*"_s)}, false);
}

QString ExportDialog::ChooseApplicationFile(const QString& current)
{
    QFileDialog chooser(this, GetMessageTextByNr(MsgProgramChooser));
    chooser.setObjectName(u"ExportProgramChooser"_s);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    // Any program the user may run: an executable file, whatever its name.
    chooser.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
    chooser.setNameFilters({filter(MsgPrograms, u"*"_s), filter(MsgAllFiles, u"*"_s)});
    if (!current.isEmpty())
        chooser.selectFile(current);
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
        return chooser.selectedFiles().constFirst();
    return current;
}

QString ExportDialog::ConvertHTMLColor(const QString& current)
{
    return ExportColor::Convert(
        current,
        [] {
            return ShowMessageBox(GetMessageTextByNr(MsgNotAColour), QMessageBox::Yes | QMessageBox::No) ==
                   QMessageBox::Yes;
        },
        [this](int value) {
            const QColor start(value % 256, (value / 256) % 256, (value / 65536) % 256);
            QColorDialog chooser(start, this);
            chooser.setObjectName(u"ExportColourChooser"_s);
            chooser.setOption(QColorDialog::DontUseNativeDialog);
            if (chooser.exec() != QDialog::Accepted)
                return value;
            const QColor chosen = chooser.selectedColor();
            return chosen.red() + 256 * chosen.green() + 65536 * chosen.blue();
        });
}

void ExportDialog::ShowExportHelp()
{
    ShowHelpTopic(GetMessageTextByNr(helpMessage(m_exportType)));
}

bool ExportDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && (m_engine || m_starting) &&
        (watched == m_caller.data() || watched == m_watchedMain.data()))
        endForClosing();
    if (FormSupport::helpOrHardcopyKeyIn(this, watched, event, helpMessage(m_exportType)))
        return true;
    return QDialog::eventFilter(watched, event);
}

// ---- Start --------------------------------------------------------------------------------

QString ExportDialog::controlValue(const QString& name) const
{
    if (auto* box = control<QCheckBox>(name))
        return box->isChecked() ? u"1"_s : u"0"_s;
    if (auto* box = control<QLineEdit>(name))
        return box->text();
    if (auto* box = control<QComboBox>(name))
        return box->currentText();
    return QString();
}

ExportJob ExportDialog::currentJob() const
{
    ExportJob job;
    job.exportType = m_exportType;
    job.caption = controlValue(u"Tabelle"_s);
    job.tableId = controlValue(u"TabellenID"_s);
    job.rowsFromCaller = m_rowsFromCaller;
    job.criteria = controlValue(u"Bedingungen"_s);
    job.key = controlValue(u"Schluessel"_s);
    job.sortKey = m_rowsFromCaller || job.key == App().NoKeyText ? QString() : job.key;
    job.storageKindText = controlValue(u"AblageartText"_s);
    job.byRows = control<QCheckBox>(u"ZeilenSelektion"_s)->isChecked();
    job.andJunction = control<QRadioButton>(u"UNDVerknuepfung"_s)->isChecked();
    job.ascending = control<QRadioButton>(u"Aufsteigend"_s)->isChecked();
    job.xmlRecIdIndex = m_xmlIdField->currentData().toInt();
    job.xmlDescrIndex = m_xmlCaptionField->currentData().toInt();
    for (const ExportSettings::Entry& entry : ExportSettings::EntriesOf(m_exportType))
        job.options.insert(entry.key, controlValue(entry.control));
    // The worksheet is named by the caption, not stored.
    if (m_exportType == 1)
        job.options.insert(u"ExcelWorksheet"_s, controlValue(u"ExcelWorksheet"_s));

    // Each field's type comes from the caller's field list, found by the field's key.
    const KLVTools tools;
    for (int i = 0; i < m_feldListe->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_feldListe->topLevelItem(i);
        ExportField field;
        field.caption = item->text(0);
        field.key = item->data(0, FieldKeyRole).toString();
        field.tag = item->data(0, FieldTagRole).toString();
        field.tablePart = ErpText2Bool(item->text(1));
        QString typeCode;
        if (m_callerFieldList) {
            for (int r = 0; r < m_callerFieldList->topLevelItemCount(); ++r) {
                const QTreeWidgetItem* row = m_callerFieldList->topLevelItem(r);
                if (row->data(0, FieldKeyRole).toString() == field.key) {
                    typeCode = QueryTag::Tag2Field(row->data(0, FieldTagRole).toString(), 5);
                    break;
                }
            }
        }
        field.type = tools.GetTAVArtInfo(typeCode);
        job.fields.append(field);
    }
    return job;
}

void ExportDialog::storeSettings()
{
    const QString name = ExportSettings::ExportName(controlValue(u"Tabelle"_s));
    for (const ExportSettings::Entry& entry : ExportSettings::EntriesOf(m_exportType))
        ExportSettings::Write(entry, name, controlValue(entry.control));
}

void ExportDialog::setStarting(bool starting)
{
    m_starting = starting;
    m_startButton->setEnabled(!starting);
    m_abbruchButton->setEnabled(!starting);
}

void ExportDialog::setMousePointer(int pointer)
{
    if (App().MainForm)
        App().MainForm->setProperty("MousePointer", pointer);
}

void ExportDialog::StarteExport()
{
    if (m_starting || m_exportAktiv)
        return;
    const QPointer<ExportDialog> self(this);
    setStarting(true);
    const auto stop = [this, &self] {
        if (self)
            setStarting(false);
    };

    const ExportJob job = currentJob();
    std::unique_ptr<ExportWriter> writer = ExportWriterRegistry::Create(job);
    if (!writer) {
        ShowMessageBox(GetMessageTextByNr(MsgNoWriter));
        return stop();
    }
    QString focus;
    if (!writer->checkTarget(focus)) {
        if (self && !focus.isEmpty()) {
            if (QWidget* w = control<QWidget>(focus))
                w->setFocus();
        }
        return stop();
    }
    if (!self)
        return;
    if (m_rowsFromCaller && m_callerRowCount == 0) {
        ShowMessageBox(GetMessageTextByNr(MsgNoRows));
        return stop();
    }
    storeSettings();
    m_progress = ExportProgressDialog::DefaultInstance();
    m_progress->SetInitialValues(this, job.caption);

    m_closeRequested = false;
    watchCaller(true);
    std::unique_ptr<ExportRowSource> source;
    if (m_rowsFromCaller) {
        QStringList keys;
        for (const ExportField& field : job.fields)
            keys.append(field.key);
        source = std::make_unique<ExportCallerSource>(m_caller.data(), keys, m_callerRowCount);
    } else {
        QSharedPointer<KLVQuery> query;
        const bool started = startQuery(query, job);
        if (!self)
            return;
        if (!started || m_closeRequested) {
            if (query)
                query->Break();
            watchCaller(false);
            if (m_progress)
                m_progress->Unload();
            return stop();
        }
        source = std::make_unique<ExportQuerySource>(query);
    }

    ExportFailure failure;
    if (!writer->open(failure)) {
        source.reset();
        watchCaller(false);
        if (m_progress)
            m_progress->Unload();
        ShowMessageBox(failure.text());
        return stop();
    }

    setMousePointer(13);
    m_progress->setCursor(Qt::BusyCursor);
    m_exportAktiv = true;
    runningDialog = this;
    m_engine = new ExportEngine(std::move(source), std::move(writer), int(job.fields.size()));
    const QPointer<ExportProgressDialog> progress = m_progress;
    connect(m_engine, &ExportEngine::recordCount, this, [progress](qint64 rows) {
        if (progress)
            progress->SetRecordCount(rows);
    });
    connect(m_engine, &ExportEngine::finished, this, &ExportDialog::BeendeExport);
    setStarting(false);
    hide();
    m_progress->setWindowModality(m_rowsFromCaller ? Qt::ApplicationModal : Qt::NonModal);
    m_progress->show();
    m_progress->raise();
    m_engine->start();
}

bool ExportDialog::startQuery(QSharedPointer<KLVQuery>& query, const ExportJob& job)
{
    const QSharedPointer<KLV> session = App().MainSession.toStrongRef();
    if (!session) {
        ShowMessageBox(GetMessageTextByNr(MsgQueryRefused) + u"\r\n"_s + GetMessageTextByNr(MsgNotConnected));
        return false;
    }
    query = session->CreateQuery();
    const QPointer<ExportProgressDialog> progress = m_progress;
    connect(query.data(), &KLVQuery::StatusMessage, this, [progress](QString& message) {
        if (progress)
            progress->AddMessage(GetMessageTextByNr(MsgStatus) + u' ' + message);
    });
    connect(query.data(), &KLVQuery::ErrorMessage, this, [progress](QString& message) {
        if (progress)
            progress->AddMessage(GetMessageTextByNr(MsgError) + u' ' + message);
    });
    QStringList fields;
    for (const ExportField& field : job.fields)
        fields.append(field.tag);
    m_startingQuery = query;
    const QPointer<ExportDialog> self(this);
    const bool started = query->StartQueryZOA(job.tableId, fields.join(u','), job.criteria, job.sortKey, job.byRows,
                                              m_exportAliveFlag, job.ascending, job.andJunction, 0, -1);
    if (!self)
        return false;
    m_startingQuery.reset();
    if (!started && !m_closeRequested)
        ShowMessageBox(GetMessageTextByNr(MsgQueryRefused) + u"\r\n"_s + query->GetLastError());
    return started;
}

// ---- Running and the end --------------------------------------------------------------------

void ExportDialog::ExportAbbrechen()
{
    if (m_engine)
        m_engine->cancel();
}

void ExportDialog::watchCaller(bool on)
{
    // Closing the calling window or the main window ends a running export at once, with the
    // rows written so far, before the session and the window go.
    QObject* caller = m_caller.data();
    if (on) {
        if (caller)
            caller->installEventFilter(this);
        m_watchedMain = App().MainForm.data();
        if (m_watchedMain && m_watchedMain != caller)
            m_watchedMain->installEventFilter(this);
        if (caller)
            connect(caller, &QObject::destroyed, this, &ExportDialog::endForClosing, Qt::UniqueConnection);
        connect(qApp, &QCoreApplication::aboutToQuit, this, &ExportDialog::endForClosing, Qt::UniqueConnection);
    } else {
        if (caller) {
            caller->removeEventFilter(this);
            disconnect(caller, &QObject::destroyed, this, &ExportDialog::endForClosing);
        }
        if (m_watchedMain)
            m_watchedMain->removeEventFilter(this);
        m_watchedMain.clear();
        disconnect(qApp, &QCoreApplication::aboutToQuit, this, &ExportDialog::endForClosing);
    }
}

void ExportDialog::endForClosing()
{
    if (m_engine) {
        m_engine->endNow();
    } else if (m_starting) {
        // The start waits for the server: it ends there, and nothing is opened.
        m_closeRequested = true;
        if (m_startingQuery)
            m_startingQuery->Break();
    }
}

void ExportDialog::BeendeExport(ExportEngine::Outcome outcome)
{
    ExportEngine* engine = m_engine.data();
    m_exportAktiv = false;
    watchCaller(false);
    setMousePointer(0);
    if (m_progress)
        m_progress->unsetCursor();

    switch (outcome) {
    case ExportEngine::Outcome::Completed:
    case ExportEngine::Outcome::Cancelled:
    case ExportEngine::Outcome::Closed:
        if (m_progress)
            m_progress->ShowEnd(engine->rowsWritten(), engine->endNotes());
        // A window that closed takes the export with it, not a program with it.
        if (outcome != ExportEngine::Outcome::Closed)
            engine->writer()->startFollowUp();
        break;
    case ExportEngine::Outcome::WriteFailed:
        if (m_progress)
            m_progress->Unload();
        ShowMessageBox(engine->failure().text());
        break;
    case ExportEngine::Outcome::ReadFailed:
        if (m_progress)
            m_progress->Unload();
        ShowMessageBox(GetMessageTextByNr(MsgReadFailed) + u"\r\n"_s + engine->readError());
        break;
    }
    m_engine.clear();
    unload();
}

void ExportDialog::unload()
{
    m_unloaded = true;
    hide();
    deleteLater();
}

void ExportDialog::reject()
{
    if (m_starting || m_exportAktiv)
        return;
    // The progress dialog was never shown for this dialog; nothing is stored.
    unload();
}

void ExportDialog::closeEvent(QCloseEvent* event)
{
    if (m_starting || m_exportAktiv) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
    if (event->isAccepted())
        m_unloaded = true;
}
