#include "ViewerEinstellungenDialog.h"

#include "FormSupport.h"
#include "MainModul.h"
#include "ViewerConfig.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;
using Key = ViewerConfig::Key;

namespace {

constexpr int MsgFormFontTitle = 588;
constexpr int MsgDataFontTitle = 589;
constexpr int MsgFontDialogTitle = 590;
constexpr int MsgHelpOtherTab = 914;
constexpr int MsgHelpFirstTab = 922; // 922 to 925: tabs 0 to 3

// Option buttons are set one by one as the store says: choosing one clears the others of its
// group, and clearing one may leave the group without a choice, which an exclusive group would
// not let go of by itself.
void setOption(QAbstractButton* button, bool on)
{
    if (!button || button->isChecked() == on)
        return;
    if (on) {
        button->setChecked(true);
        return;
    }
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(exclusive);
}

// A method of the main window, called by name; nothing when it lacks it.
bool callMain(const char* signature, QGenericArgument a0 = QGenericArgument(), QGenericArgument a1 = QGenericArgument())
{
    QObject* main = App().MainForm.data();
    if (!main)
        return false;
    const int index = main->metaObject()->indexOfMethod(QMetaObject::normalizedSignature(signature).constData());
    return index >= 0 && main->metaObject()->method(index).invoke(main, Qt::DirectConnection, a0, a1);
}

} // namespace

ViewerEinstellungenDialog::ViewerEinstellungenDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"ViewerEinstellungenDialog"_s);
    setWindowTitle(u"1350"_s);
    buildControls();
    InitFormCommon(this);
    if (QLabel* dataSample = fontControl<QLabel>(u"SampleText", 1))
        dataSample->setFont(App().DataFont);
    m_tabs->setCurrentIndex(0);
    // The third tab's controls are read by nothing: it stays out of sight.
    m_tabs->setTabVisible(2, false);
    m_logfileName->setEnabled(isChecked(u"ProtokAktiv"));
    App().ViewerSettingsForm = this;
}

ViewerEinstellungenDialog::~ViewerEinstellungenDialog() = default;

void ViewerEinstellungenDialog::buildControls()
{
    m_tabs = FormSupport::named(new QTabWidget(this), u"ViewerEinstellungenTab"_s);

    // Tab 0: log, column headings, what is saved.
    auto* general = new QWidget(m_tabs);
    auto* generalLayout = new QVBoxLayout(general);
    auto* logBox = FormSupport::named(new QGroupBox(u"1355"_s, general), u"ProtokollFrame"_s);
    auto* logLayout = new QGridLayout(logBox);
    logLayout->addWidget(FormSupport::named(new QCheckBox(u"1356"_s, logBox), u"ProtokAktiv"_s), 0, 0, 1, 3);
    logLayout->addWidget(FormSupport::named(new QLabel(u"1357"_s, logBox), u"LogfileNameLabel"_s), 1, 0);
    m_logfileName = FormSupport::named(new QLineEdit(logBox), u"LogfileName"_s);
    m_logfileName->setMinimumWidth(260);
    logLayout->addWidget(m_logfileName, 1, 1);
    logLayout->addWidget(FormSupport::named(new QPushButton(u"1358"_s, logBox), u"OpenLogFileButton"_s), 1, 2);
    logLayout->setColumnStretch(1, 1);
    generalLayout->addWidget(logBox);

    auto* headBox = FormSupport::named(new QGroupBox(u"1359"_s, general), u"ColumnHeadersFrame"_s);
    auto* headLayout = new QVBoxLayout(headBox);
    headLayout->addWidget(FormSupport::named(new QRadioButton(u"1360"_s, headBox), u"ColumnHeadersNames"_s));
    headLayout->addWidget(FormSupport::named(new QRadioButton(u"1361"_s, headBox), u"ColumnHeadersDesc"_s));
    generalLayout->addWidget(headBox);

    auto* saveBox = FormSupport::named(new QGroupBox(general), u"SpeichernFrame"_s);
    auto* saveLayout = new QVBoxLayout(saveBox);
    saveLayout->addWidget(FormSupport::named(new QCheckBox(u"1362"_s, saveBox), u"SaveViewerSettings"_s));
    saveLayout->addWidget(FormSupport::named(new QCheckBox(u"1363"_s, saveBox), u"SaveWindowState"_s));
    generalLayout->addWidget(saveBox);
    generalLayout->addStretch();
    m_tabs->addTab(general, u"1351"_s);

    // Tab 1: saved queries.
    auto* queries = new QWidget(m_tabs);
    auto* queriesLayout = new QVBoxLayout(queries);
    auto* storeBox = FormSupport::named(new QGroupBox(u"1382"_s, queries), u"AbfrageAblageFrame"_s);
    auto* storeLayout = new QGridLayout(storeBox);
    storeLayout->addWidget(FormSupport::named(new QCheckBox(u"1364"_s, storeBox), u"SaveQueryAuto"_s), 0, 0, 1, 2);
    storeLayout->addWidget(FormSupport::named(new QCheckBox(u"1365"_s, storeBox), u"SaveQueryByUser"_s), 1, 0, 1, 2);
    storeLayout->addWidget(FormSupport::named(new QRadioButton(u"1366"_s, storeBox), u"SaveQueryIndivDir"_s), 2, 0, 1,
                           2);
    storeLayout->addWidget(FormSupport::named(new QRadioButton(u"1367"_s, storeBox), u"SaveQueryInMand"_s), 3, 0, 1, 2);
    storeLayout->addWidget(FormSupport::named(new QLabel(u"1368"_s, storeBox), u"SaveQueryDirLabel"_s), 4, 0);
    m_saveQueryDir = FormSupport::named(new QLineEdit(storeBox), u"SaveQueryDir"_s);
    m_saveQueryDir->setMinimumWidth(300);
    storeLayout->addWidget(m_saveQueryDir, 4, 1);
    storeLayout->setColumnStretch(1, 1);
    queriesLayout->addWidget(storeBox);

    auto* changeBox = FormSupport::named(new QGroupBox(u"1369"_s, queries), u"QueryChangeFrame"_s);
    auto* changeLayout = new QVBoxLayout(changeBox);
    changeLayout->addWidget(FormSupport::named(new QRadioButton(u"1370"_s, changeBox), u"QueryChangeDontSave"_s));
    changeLayout->addWidget(FormSupport::named(new QRadioButton(u"1371"_s, changeBox), u"QueryChangeAskUser"_s));
    changeLayout->addWidget(FormSupport::named(new QRadioButton(u"1372"_s, changeBox), u"QueryChangeSaveAlways"_s));
    queriesLayout->addWidget(changeBox);
    queriesLayout->addStretch();
    m_tabs->addTab(queries, u"1352"_s);

    m_tabs->addTab(new QWidget(m_tabs), u"1353"_s);

    // Tab 3: the two fonts, each with its own sample.
    auto* fonts = new QWidget(m_tabs);
    auto* fontsLayout = new QVBoxLayout(fonts);
    for (int index : {0, 1}) {
        auto* box = new QGroupBox(QString::number(index == 0 ? MsgFormFontTitle : MsgDataFontTitle), fonts);
        box->setObjectName(index == 0 ? u"FormFontFrame"_s : u"DataFontFrame"_s);
        auto* grid = new QGridLayout(box);
        auto* choose = new QPushButton(u"1374"_s, box);
        choose->setObjectName(index == 0 ? u"FormFontButton"_s : u"DataFontButton"_s);
        auto indexed = [index](QWidget* w, const char16_t* name) {
            w->setObjectName(QString::fromUtf16(name));
            w->setProperty("Index", index);
            return w;
        };
        grid->addWidget(new QLabel(u"1380"_s, box), 0, 0);
        grid->addWidget(indexed(new QLabel(box), u"FontNameLabel"), 0, 1);
        grid->addWidget(new QLabel(u"1381"_s, box), 1, 0);
        grid->addWidget(indexed(new QLabel(box), u"FontSizeLabel"), 1, 1);
        auto* styles = new QHBoxLayout;
        const QList<QPair<const char16_t*, QString>> boxes{{u"FontBoldBox", u"1375"_s},
                                                           {u"FontItalicBox", u"1376"_s},
                                                           {u"FontUnderlineBox", u"1377"_s},
                                                           {u"FontStrikethroughBox", u"1378"_s}};
        for (const auto& [name, caption] : boxes) {
            auto* styleBox = new QCheckBox(caption, box);
            // They show the font; the font dialog changes it.
            styleBox->setEnabled(false);
            styles->addWidget(indexed(styleBox, name));
        }
        styles->addStretch();
        grid->addLayout(styles, 2, 0, 1, 2);
        auto* sample = new QLabel(u"1379"_s, box);
        sample->setMinimumHeight(36);
        sample->setFrameShape(QFrame::StyledPanel);
        grid->addWidget(indexed(sample, u"SampleText"), 3, 0, 1, 2);
        grid->addWidget(choose, 0, 2, 2, 1, Qt::AlignTop);
        grid->setColumnStretch(1, 1);
        fontsLayout->addWidget(box);
    }
    fontsLayout->addStretch();
    m_tabs->addTab(fonts, u"1354"_s);

    auto* help = FormSupport::named(new QPushButton(u"1346"_s, this), u"HilfeButton"_s);
    auto* ok = FormSupport::named(new QPushButton(u"1344"_s, this), u"OKButton"_s);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);

    connect(button(u"ProtokAktiv"), &QAbstractButton::toggled, m_logfileName, &QWidget::setEnabled);
    connect(button(u"OpenLogFileButton"), &QAbstractButton::clicked, this, [this] {
        if (!m_logfileName->text().isEmpty())
            OpenFileWithAssociatedApp(m_logfileName->text());
    });
    connect(button(u"SaveQueryIndivDir"), &QAbstractButton::toggled, this, [this](bool on) {
        if (on)
            m_saveQueryDir->setText(ViewerConfig::get(Key::QuerySaveDirIndiv));
    });
    connect(button(u"SaveQueryInMand"), &QAbstractButton::toggled, this, [this](bool on) {
        if (on)
            m_saveQueryDir->setText(ViewerConfig::get(Key::QuerySaveDirMand));
    });
    connect(button(u"FormFontButton"), &QAbstractButton::clicked, this,
            [this] { ChooseFont(App().FormFont, GetMessageTextByNr(MsgFormFontTitle)); });
    connect(button(u"DataFontButton"), &QAbstractButton::clicked, this,
            [this] { ChooseFont(App().DataFont, GetMessageTextByNr(MsgDataFontTitle)); });
    connect(ok, &QAbstractButton::clicked, this, &ViewerEinstellungenDialog::accept);
    connect(help, &QAbstractButton::clicked, this, &ViewerEinstellungenDialog::ShowHelpForTab);

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WidgetWithChildrenShortcut);
    connect(f1, &QShortcut::activated, this, &ViewerEinstellungenDialog::ShowHelpForTab);
    auto* print = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Print), this);
    print->setContext(Qt::WidgetWithChildrenShortcut);
    connect(print, &QShortcut::activated, this, [this] { PrintFormHardcopy(this); });
}

QAbstractButton* ViewerEinstellungenDialog::button(const char16_t* name) const
{
    auto* b = findChild<QAbstractButton*>(QString::fromUtf16(name));
    Q_ASSERT(b);
    return b;
}

bool ViewerEinstellungenDialog::isChecked(const char16_t* name) const
{
    return button(name)->isChecked();
}

// ---- Stored settings ---------------------------------------------------------------------

void ViewerEinstellungenDialog::LoadKLVViewerSettings()
{
    button(u"ProtokAktiv")->setChecked(ViewerConfig::getBool(Key::Logging));
    m_logfileName->setText(ViewerConfig::get(Key::Logfile));
    button(u"SaveQueryAuto")->setChecked(ViewerConfig::getBool(Key::QueryAutoSave));
    button(u"SaveQueryByUser")->setChecked(ViewerConfig::getBool(Key::QuerySaveByUser));
    // One after the other: with both stored the second wins, and its directory shows.
    setOption(button(u"SaveQueryIndivDir"), ViewerConfig::getBool(Key::QuerySaveIndiv));
    setOption(button(u"SaveQueryInMand"), ViewerConfig::getBool(Key::QuerySaveInMand));
    button(u"SaveViewerSettings")->setChecked(ViewerConfig::getBool(Key::SaveViewerSettings));
    button(u"SaveWindowState")->setChecked(ViewerConfig::getBool(Key::SaveWindowState));
    if (ViewerConfig::getBool(Key::QueryChangeDontSave))
        setOption(button(u"QueryChangeDontSave"), true);
    else if (ViewerConfig::getBool(Key::QueryChangeSaveAlways))
        setOption(button(u"QueryChangeSaveAlways"), true);
    else
        setOption(button(u"QueryChangeAskUser"), true);
    setOption(button(u"ColumnHeadersNames"), ViewerConfig::getBool(Key::ColHeadersNames));
    setOption(button(u"ColumnHeadersDesc"), ViewerConfig::getBool(Key::ColHeadersDesc));
    callMain("LoadFontSettings(QString,QFont&)", Q_ARG(QString, u"Form"_s), Q_ARG(QFont&, App().FormFont));
    callMain("LoadFontSettings(QString,QFont&)", Q_ARG(QString, u"Data"_s), Q_ARG(QFont&, App().DataFont));
    if (QLabel* dataSample = fontControl<QLabel>(u"SampleText", 1))
        dataSample->setFont(App().DataFont);
}

void ViewerEinstellungenDialog::SaveKLVViewerSettings()
{
    if (isChecked(u"SaveViewerSettings")) {
        ViewerConfig::setBool(Key::Logging, isChecked(u"ProtokAktiv"));
        ViewerConfig::set(Key::Logfile, m_logfileName->text());
        SaveQuerySettingsBoxes();
        ViewerConfig::setBool(Key::ColHeadersNames, isChecked(u"ColumnHeadersNames"));
        ViewerConfig::setBool(Key::ColHeadersDesc, isChecked(u"ColumnHeadersDesc"));
    }
    ViewerConfig::setBool(Key::SaveViewerSettings, isChecked(u"SaveViewerSettings"));
    ViewerConfig::setBool(Key::SaveWindowState, isChecked(u"SaveWindowState"));
}

void ViewerEinstellungenDialog::SaveQuerySettingsBoxes()
{
    ViewerConfig::setBool(Key::QueryAutoSave, isChecked(u"SaveQueryAuto"));
    ViewerConfig::setBool(Key::QuerySaveByUser, isChecked(u"SaveQueryByUser"));
    ViewerConfig::setBool(Key::QuerySaveIndiv, isChecked(u"SaveQueryIndivDir"));
    ViewerConfig::setBool(Key::QuerySaveInMand, isChecked(u"SaveQueryInMand"));
    ViewerConfig::set(isChecked(u"SaveQueryIndivDir") ? Key::QuerySaveDirIndiv : Key::QuerySaveDirMand,
                      m_saveQueryDir->text());
    ViewerConfig::setBool(Key::QueryChangeDontSave, isChecked(u"QueryChangeDontSave"));
    ViewerConfig::setBool(Key::QueryChangeAskUser, isChecked(u"QueryChangeAskUser"));
    ViewerConfig::setBool(Key::QueryChangeSaveAlways, isChecked(u"QueryChangeSaveAlways"));
}

void ViewerEinstellungenDialog::SaveFontSettings(const QString& prefix, const QFont& font)
{
    ViewerConfig::set(Key::FontName, font.family(), prefix);
    ViewerConfig::set(Key::FontSize, QString::number(qRound(font.pointSizeF())), prefix);
    ViewerConfig::setBool(Key::FontBold, font.bold(), prefix);
    ViewerConfig::setBool(Key::FontItalic, font.italic(), prefix);
    ViewerConfig::setBool(Key::FontUnderline, font.underline(), prefix);
    ViewerConfig::setBool(Key::FontStrikethrough, font.strikeOut(), prefix);
}

// ---- Fonts -------------------------------------------------------------------------------

void ViewerEinstellungenDialog::ChooseFont(QFont& font, const QString& title)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, this, GetMessageTextByNr(MsgFontDialogTitle) + u' ' + title);
    if (ok) {
        font.setFamily(chosen.family());
        if (chosen.pointSizeF() > 0)
            font.setPointSizeF(chosen.pointSizeF());
        font.setBold(chosen.bold());
        font.setItalic(chosen.italic());
        font.setStrikeOut(chosen.strikeOut());
        font.setUnderline(chosen.underline());
        // What is open takes the font at once, this dialog as well; its samples then show
        // the two fonts again.
        callMain("ApplyFonts()");
        if (&font == &App().FormFont)
            callMain("SetElementsSize()");
    }
    ShowFontSample(0, App().FormFont);
    ShowFontSample(1, App().DataFont);
}

void ViewerEinstellungenDialog::ShowFontSample(int index, const QFont& font)
{
    if (auto* name = fontControl<QLabel>(u"FontNameLabel", index))
        name->setText(font.family());
    if (auto* size = fontControl<QLabel>(u"FontSizeLabel", index))
        size->setText(QString::number(font.pointSizeF()));
    if (auto* b = fontControl<QCheckBox>(u"FontBoldBox", index))
        b->setChecked(font.bold());
    if (auto* b = fontControl<QCheckBox>(u"FontItalicBox", index))
        b->setChecked(font.italic());
    if (auto* b = fontControl<QCheckBox>(u"FontUnderlineBox", index))
        b->setChecked(font.underline());
    if (auto* b = fontControl<QCheckBox>(u"FontStrikethroughBox", index))
        b->setChecked(font.strikeOut());
    if (auto* sample = fontControl<QLabel>(u"SampleText", index))
        sample->setFont(font);
}

// ---- Showing and closing -----------------------------------------------------------------

void ViewerEinstellungenDialog::showEvent(QShowEvent* event)
{
    m_namesAtActivation = isChecked(u"ColumnHeadersNames");
    ShowFontSample(0, App().FormFont);
    ShowFontSample(1, App().DataFont);
    QDialog::showEvent(event);
}

void ViewerEinstellungenDialog::okClicked()
{
    SaveQuerySettingsBoxes();
    SaveFontSettings(u"Form"_s, App().FormFont);
    SaveFontSettings(u"Data"_s, App().DataFont);
}

void ViewerEinstellungenDialog::accept()
{
    okClicked();
    QDialog::accept();
    if (isChecked(u"ColumnHeadersNames") != m_namesAtActivation) {
        m_namesAtActivation = isChecked(u"ColumnHeadersNames");
        callMain("UpdateAllQueryDataColumnHeaders()");
    }
}

void ViewerEinstellungenDialog::reject()
{
    // Without a cancel, closing the dialog is its OK: the changes are in effect already.
    accept();
}

// ---- Help --------------------------------------------------------------------------------

QString ViewerEinstellungenDialog::HelpTopic() const
{
    const int tab = m_tabs->currentIndex();
    return GetMessageTextByNr(tab >= 0 && tab <= 3 ? MsgHelpFirstTab + tab : MsgHelpOtherTab);
}

void ViewerEinstellungenDialog::ShowHelpForTab()
{
    ShowHelpTopic(HelpTopic());
}
