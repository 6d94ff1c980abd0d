#include "KLVEinstellungenDialog.h"

#include "KLV.h"
#include "KLVQuery.h"
#include "MainModul.h"
#include "NumberText.h"
#include "ViewerConfig.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScopeGuard>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgSamplePrefix = 505;
constexpr int MsgFreeTextSample = 524;
constexpr int MsgEnumTextSample = 535;
constexpr int MsgHelpTopic = 913;
constexpr int MsgBadFlagNumber = 1347;

using Key = ViewerConfig::Key;

// One option group of a display mode: its key, and per button the stored word. Reading
// selects the button of the first word that matches exactly, else the last button; writing
// stores the word of the first checked button, else the last word.
struct OptionGroup
{
    Key key;
    QList<QPair<const char16_t*, const char16_t*>> buttons; // (control, word); the last is the fallback
};

const QList<OptionGroup>& modeGroups()
{
    static const QList<OptionGroup> groups{
        {Key::VerwMode,
         {{u"VerweisDarstExt", u"EXT"},
          {u"VerweisDarstNummer", u"NUM"},
          {u"VerweisDarstSuchwort", u"SW"},
          {u"VerweisDarstRef", u"REF"}}},
        {Key::DateMode, {{u"DatumTAV4", u"TAV4"}, {u"DatumSort", u"SORT"}, {u"DatumTAV", u"TAV"}}},
        {Key::NumMode, {{u"ZahlenDarstRoh", u"RAW"}, {u"ZahlenDarstExt", u"EXT"}, {u"ZahlenDarstTAV", u"TAV"}}},
        {Key::DecimalPoint, {{u"DezPunktPunkt", u"PERIOD"}, {u"DezPunktKomma", u"COMMA"}}},
        {Key::BoolMode, {{u"BoolDarstNum", u"NUM"}, {u"BoolDarstTAV", u"TAV"}}},
        {Key::EnumMode,
         {{u"AufzDarstCode", u"CODE"}, {u"AufzDarstBriefDesc", u"BRIEFDESC"}, {u"AufzDarstText", u"TEXT"}}},
    };
    return groups;
}

// The viewer settings' check box, else its stored value.
bool saveViewerSettings()
{
    return ViewerFlag(u"SaveViewerSettings"_s, Key::SaveViewerSettings);
}

QRadioButton* radio(QWidget* parent, const char16_t* name, const QString& caption)
{
    auto* b = new QRadioButton(caption, parent);
    b->setObjectName(QString::fromUtf16(name));
    return b;
}

QLabel* sampleLabel(QWidget* parent, const char16_t* name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromUtf16(name));
    l->setMinimumWidth(140);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

// A group of option buttons (one per row) with an optional sample label beside them.
QGroupBox* optionGroup(QWidget* parent, const char16_t* name, const QString& title,
                       const QList<QPair<const char16_t*, QString>>& buttons, const char16_t* sample)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromUtf16(name));
    auto* layout = new QGridLayout(box);
    int row = 0;
    for (const auto& [control, caption] : buttons)
        layout->addWidget(radio(box, control, caption), row++, 0);
    if (sample)
        layout->addWidget(sampleLabel(box, sample), 0, 1, qMax(row, 1), 1);
    layout->setColumnStretch(1, 1);
    return box;
}

} // namespace

KLVEinstellungenDialog::KLVEinstellungenDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"KLVEinstellungenDialog"_s);
    setWindowTitle(u"1300"_s);
    buildControls();
    InitFormCommon(this);
    m_samplePrefix = GetMessageTextByNr(MsgSamplePrefix);
    connectControls();
    findChild<QTabWidget*>(u"OptionenTab"_s)->setCurrentIndex(0);
    // A form without stored settings shows the designed choices.
    check(u"DisplaymodeOperating");
    check(u"VerweisDarstRef");
    check(u"DatumTAV4");
    check(u"ZahlenDarstTAV");
    check(u"DezPunktKomma");
    check(u"BoolDarstTAV");
    check(u"AufzDarstText");
    check(u"FTextDarstExt");
    check(u"ZeilenumbruchLF");
    check(u"VarLangDeutsch");
    showAllSamples();
    App().SessionSettingsForm = this;
}

KLVEinstellungenDialog::~KLVEinstellungenDialog() = default;

void KLVEinstellungenDialog::buildControls()
{
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(u"OptionenTab"_s);

    // Tab 0: how values are shown.
    auto* display = new QWidget(tabs);
    auto* grid = new QGridLayout(display);
    auto* modeBox = new QGroupBox(u"1303"_s, display);
    modeBox->setObjectName(u"DisplaymodeFrame"_s);
    auto* modeLayout = new QHBoxLayout(modeBox);
    modeLayout->addWidget(radio(modeBox, u"DisplaymodeOperating", u"1304"_s));
    modeLayout->addWidget(radio(modeBox, u"DisplaymodeOutput", u"1305"_s));
    modeLayout->addWidget(radio(modeBox, u"DisplaymodeUniversal", u"1306"_s));
    modeLayout->addStretch();
    grid->addWidget(modeBox, 0, 0, 1, 2);
    grid->addWidget(optionGroup(display, u"VerweisFrame", u"1307"_s,
                                {{u"VerweisDarstRef", u"1308"_s},
                                 {u"VerweisDarstNummer", u"1309"_s},
                                 {u"VerweisDarstSuchwort", u"1310"_s},
                                 {u"VerweisDarstExt", u"1311"_s}},
                                u"BeispielVerweis"),
                    1, 0);
    grid->addWidget(optionGroup(display, u"DatumFrame", u"1312"_s,
                                {{u"DatumTAV", u"1313"_s}, {u"DatumTAV4", u"1314"_s}, {u"DatumSort", u"1315"_s}},
                                u"BeispielDatum"),
                    1, 1);

    auto* numberBox = new QGroupBox(u"1316"_s, display);
    numberBox->setObjectName(u"ZahlenFrame"_s);
    auto* numberLayout = new QGridLayout(numberBox);
    numberLayout->addWidget(radio(numberBox, u"ZahlenDarstTAV", u"1317"_s), 0, 0);
    numberLayout->addWidget(radio(numberBox, u"ZahlenDarstExt", u"1318"_s), 1, 0);
    numberLayout->addWidget(radio(numberBox, u"ZahlenDarstRoh", u"1319"_s), 2, 0);
    auto* pointBox = new QGroupBox(u"1320"_s, numberBox);
    pointBox->setObjectName(u"DezPunktFrame"_s);
    auto* pointLayout = new QVBoxLayout(pointBox);
    pointLayout->addWidget(radio(pointBox, u"DezPunktKomma", u"1321"_s));
    pointLayout->addWidget(radio(pointBox, u"DezPunktPunkt", u"1322"_s));
    numberLayout->addWidget(pointBox, 0, 1, 3, 1);
    numberLayout->addWidget(sampleLabel(numberBox, u"BeispielZahl"), 3, 0, 1, 2);
    grid->addWidget(numberBox, 2, 0);

    auto* right = new QVBoxLayout;
    right->addWidget(optionGroup(display, u"BoolFrame", u"1323"_s,
                                 {{u"BoolDarstTAV", u"1324"_s}, {u"BoolDarstNum", u"1325"_s}}, u"BeispielBool"));
    right->addWidget(
        optionGroup(display, u"AufzFrame", u"1326"_s,
                    {{u"AufzDarstText", u"1327"_s}, {u"AufzDarstCode", u"1328"_s}, {u"AufzDarstBriefDesc", u"1329"_s}},
                    u"BeispielAufzaehlung"));
    grid->addLayout(right, 2, 1);
    grid->setRowStretch(3, 1);
    tabs->addTab(display, u"1301"_s);

    // Tab 1: texts, languages and block size.
    auto* texts = new QWidget(tabs);
    auto* textGrid = new QGridLayout(texts);
    auto* freeBox = new QGroupBox(u"1330"_s, texts);
    freeBox->setObjectName(u"FreitextFrame"_s);
    auto* freeLayout = new QGridLayout(freeBox);
    freeLayout->addWidget(radio(freeBox, u"FTextDarstExt", u"1331"_s), 0, 0);
    freeLayout->addWidget(radio(freeBox, u"FTextDarstText", u"1332"_s), 1, 0);
    m_ftLaenge = new QLineEdit(freeBox);
    m_ftLaenge->setObjectName(u"FTLaenge"_s);
    m_ftLaenge->setMaximumWidth(70);
    freeLayout->addWidget(m_ftLaenge, 1, 1);
    freeLayout->addWidget(sampleLabel(freeBox, u"BeispielFreitext"), 0, 2, 2, 1);
    freeLayout->setColumnStretch(2, 1);
    textGrid->addWidget(freeBox, 0, 0, 1, 2);
    textGrid->addWidget(optionGroup(texts, u"ZeilenumbruchFrame", u"1333"_s,
                                    {{u"ZeilenumbruchLF", u"LF"_s}, {u"ZeilenumbruchCRLF", u"CR LF"_s}}, nullptr),
                        1, 0);
    textGrid->addWidget(optionGroup(texts, u"VarLangFrame", u"1336"_s,
                                    {{u"VarLangDeutsch", u"1337"_s}, {u"VarLangEnglisch", u"1338"_s}},
                                    u"BeispielVarLang"),
                        1, 1);

    auto* trimBox = new QGroupBox(texts);
    trimBox->setObjectName(u"TrimFrame"_s);
    auto* trimLayout = new QHBoxLayout(trimBox);
    auto* trim = new QCheckBox(u"1339"_s, trimBox);
    trim->setObjectName(u"FeldwerteTrimmen"_s);
    trimLayout->addWidget(trim);
    trimLayout->addWidget(sampleLabel(trimBox, u"BeispielTrimValues"), 1);
    textGrid->addWidget(trimBox, 2, 0, 1, 2);

    auto* langBox = new QGroupBox(texts);
    langBox->setObjectName(u"SpracheFrame"_s);
    auto* langLayout = new QGridLayout(langBox);
    auto* aktLabel = new QLabel(u"1340"_s, langBox);
    aktLabel->setObjectName(u"AktSpracheLabel"_s);
    m_aktSprache = new QComboBox(langBox);
    m_aktSprache->setObjectName(u"AktSprache"_s);
    auto* usePassword = new QCheckBox(u"1341"_s, langBox);
    usePassword->setObjectName(u"UsePasswordLang"_s);
    auto* outLabel = new QLabel(u"1342"_s, langBox);
    outLabel->setObjectName(u"AusgabeSpracheLabel"_s);
    m_ausgabeSprache = new QComboBox(langBox);
    m_ausgabeSprache->setObjectName(u"AusgabeSprache"_s);
    auto* sizeLabel = new QLabel(u"1343"_s, langBox);
    sizeLabel->setObjectName(u"DatasetSizeLabel"_s);
    m_datasetSize = new QLineEdit(langBox);
    m_datasetSize->setObjectName(u"DatasetSize"_s);
    m_datasetSize->setMaximumWidth(70);
    // Digits only, typed or pasted.
    m_datasetSize->setValidator(new QRegularExpressionValidator(QRegularExpression(u"[0-9]*"_s), m_datasetSize));
    langLayout->addWidget(aktLabel, 0, 0);
    langLayout->addWidget(m_aktSprache, 0, 1);
    langLayout->addWidget(usePassword, 1, 1);
    langLayout->addWidget(outLabel, 2, 0);
    langLayout->addWidget(m_ausgabeSprache, 2, 1);
    langLayout->addWidget(sizeLabel, 3, 0);
    langLayout->addWidget(m_datasetSize, 3, 1, Qt::AlignLeft);
    langLayout->setColumnStretch(1, 1);
    textGrid->addWidget(langBox, 3, 0, 1, 2);
    textGrid->setRowStretch(4, 1);
    tabs->addTab(texts, u"1302"_s);

    auto* help = new QPushButton(u"1346"_s, this);
    help->setObjectName(u"HilfeButton"_s);
    auto* ok = new QPushButton(u"1344"_s, this);
    ok->setObjectName(u"OKButton"_s);
    ok->setDefault(true);
    auto* cancel = new QPushButton(u"1345"_s, this);
    cancel->setObjectName(u"AbbrechenButton"_s);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);
}

void KLVEinstellungenDialog::connectControls()
{
    const QList<QPair<const char16_t*, int>> modes{
        {u"DisplaymodeOperating", Operating}, {u"DisplaymodeOutput", Output}, {u"DisplaymodeUniversal", Universal}};
    for (const auto& [name, mode] : modes) {
        connect(button(name), &QAbstractButton::toggled, this, [this, mode = mode](bool on) {
            if (on && !m_restoring)
                displayModeClicked(mode);
        });
    }
    const QList<const char16_t*> sampled{u"DatumTAV",
                                         u"DatumTAV4",
                                         u"DatumSort",
                                         u"VerweisDarstExt",
                                         u"VerweisDarstNummer",
                                         u"VerweisDarstRef",
                                         u"VerweisDarstSuchwort",
                                         u"BoolDarstTAV",
                                         u"BoolDarstNum",
                                         u"AufzDarstText",
                                         u"AufzDarstCode",
                                         u"AufzDarstBriefDesc",
                                         u"FTextDarstExt",
                                         u"FTextDarstText",
                                         u"VarLangDeutsch",
                                         u"VarLangEnglisch"};
    for (const char16_t* name : sampled) {
        QAbstractButton* b = button(name);
        connect(b, &QAbstractButton::toggled, this, [this, b](bool on) {
            if (on)
                showSample(b);
        });
    }
    connect(button(u"FeldwerteTrimmen"), &QAbstractButton::toggled, this,
            [this] { showSample(button(u"FeldwerteTrimmen")); });
    for (const char16_t* name :
         {u"ZahlenDarstTAV", u"ZahlenDarstExt", u"ZahlenDarstRoh", u"DezPunktKomma", u"DezPunktPunkt"}) {
        connect(button(name), &QAbstractButton::toggled, this, [this](bool on) {
            if (on && !m_restoring)
                UpdateNumberSample();
        });
    }
    connect(button(u"UsePasswordLang"), &QAbstractButton::toggled, this,
            [this](bool on) { m_aktSprache->setEnabled(!on); });
    connect(m_ausgabeSprache, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_filling && index >= 0 && index < m_ausgabeSprachCodes.size())
            m_outputCode = m_ausgabeSprachCodes[index];
    });

    connect(findChild<QPushButton*>(u"OKButton"_s), &QPushButton::clicked, this, &KLVEinstellungenDialog::okClicked);
    connect(findChild<QPushButton*>(u"AbbrechenButton"_s), &QPushButton::clicked, this, &QDialog::reject);
    connect(findChild<QPushButton*>(u"HilfeButton"_s), &QPushButton::clicked, this,
            [] { ShowHelpTopic(GetMessageTextByNr(MsgHelpTopic)); });

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WidgetWithChildrenShortcut);
    connect(f1, &QShortcut::activated, this, [] { ShowHelpTopic(GetMessageTextByNr(MsgHelpTopic)); });
    auto* print = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Print), this);
    print->setContext(Qt::WidgetWithChildrenShortcut);
    connect(print, &QShortcut::activated, this, [this] { PrintFormHardcopy(this); });
    auto* flag = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), this);
    flag->setContext(Qt::WidgetWithChildrenShortcut);
    connect(flag, &QShortcut::activated, this, &KLVEinstellungenDialog::ToggleSessionFlag);
}

QAbstractButton* KLVEinstellungenDialog::button(const char16_t* name) const
{
    auto* b = findChild<QAbstractButton*>(QString::fromUtf16(name));
    Q_ASSERT(b);
    return b;
}

bool KLVEinstellungenDialog::isChecked(const char16_t* name) const
{
    return button(name)->isChecked();
}

void KLVEinstellungenDialog::check(const char16_t* name)
{
    button(name)->setChecked(true);
}

QString KLVEinstellungenDialog::GetDisplayModeName(int mode)
{
    switch (mode) {
    case Operating:
        return u"Operating"_s;
    case Output:
        return u"Output"_s;
    case Universal:
        return u"Universal"_s;
    default:
        return QString();
    }
}

// ---- Languages ---------------------------------------------------------------------------

void KLVEinstellungenDialog::LoadLanguages(const QSharedPointer<KLVQuery>& query)
{
    // While the lists fill, the output language asked for stays what it was.
    m_filling = true;
    const auto filled = qScopeGuard([this] { m_filling = false; });
    m_aktSprache->clear();
    m_aktSprachCodes.clear();
    m_ausgabeSprache->clear();
    m_ausgabeSprachCodes.clear();
    if (!query)
        return;
    if (query->GetEnumPos(u"A72"_s).toBool()) {
        while (query->GetNextRecord()) {
            // The code is the character whose number field 1 holds (68 is "D").
            const auto number = NumberText::roundToInt32(NumberText::leadingValue(query->GetField(1)));
            const bool valid = number && *number > 0 && *number <= 0xFFFF && !QChar::isSurrogate(char16_t(*number));
            m_aktSprache->addItem(query->GetField(2));
            m_aktSprachCodes.append(valid ? QString(QChar(char16_t(*number))) : QString());
        }
    }
    // Nothing chosen until the caller chooses: "Lang" stores "" for no choice.
    m_aktSprache->setCurrentIndex(-1);
    if (!query->GetEnumPos(u"A159"_s).toBool())
        return;
    while (query->GetNextRecord()) {
        m_ausgabeSprache->addItem(query->GetField(2));
        m_ausgabeSprachCodes.append(query->GetField(4));
    }
    m_ausgabeSprache->setCurrentIndex(-1);
    // The stored output language was asked for before the list existed. Without an entry of
    // its code the first entry is the one in force (GetAktOutputSpr), and the box shows it.
    SetAktOutputSpr(m_outputCode);
    if (m_ausgabeSprache->currentIndex() < 0 && m_ausgabeSprache->count() > 0)
        m_ausgabeSprache->setCurrentIndex(0);
    m_filling = false;
}

void KLVEinstellungenDialog::SetAktSprache(const QString& text, bool byCode)
{
    for (int i = 0; i < m_aktSprache->count(); ++i) {
        const QString candidate = byCode ? m_aktSprachCodes.value(i) : m_aktSprache->itemText(i);
        if (candidate == text) {
            m_aktSprache->setCurrentIndex(i);
            return;
        }
    }
}

QString KLVEinstellungenDialog::GetAktSprKZ() const
{
    const int index = m_aktSprache->currentIndex();
    return index >= 0 ? m_aktSprachCodes.value(index) : QString();
}

QString KLVEinstellungenDialog::GetAktOutputSpr() const
{
    const int index = m_ausgabeSprache->currentIndex();
    if (index >= 0)
        return m_ausgabeSprachCodes.value(index);
    return m_ausgabeSprachCodes.value(0);
}

void KLVEinstellungenDialog::SetAktOutputSpr(const QString& code)
{
    m_outputCode = code;
    const qsizetype index = m_ausgabeSprachCodes.indexOf(code);
    if (index >= 0)
        m_ausgabeSprache->setCurrentIndex(int(index));
}

// ---- Stored settings ---------------------------------------------------------------------

void KLVEinstellungenDialog::LoadKLVSessionSettings()
{
    const QString mode = ViewerConfig::get(Key::DisplayMode);
    if (mode.compare(u"Output"_s, Qt::CaseInsensitive) == 0)
        m_mode = Output;
    else if (mode.compare(u"Universal"_s, Qt::CaseInsensitive) == 0)
        m_mode = Universal;
    else
        m_mode = Operating;
    // The index is set first, so the button's click only sets the enabling.
    check(m_mode == Output      ? u"DisplaymodeOutput"
          : m_mode == Universal ? u"DisplaymodeUniversal"
                                : u"DisplaymodeOperating");
    displayModeClicked(m_mode);

    SetAktOutputSpr(ViewerConfig::get(Key::AusgabeSprache));
    LoadModeSettings();
    check(ViewerConfig::get(Key::FTextMode) == u"EXT"_s ? u"FTextDarstExt" : u"FTextDarstText");
    m_ftLaenge->setText(ViewerConfig::get(Key::FTextLen));
    check(ViewerConfig::get(Key::LineBreak) == u"CRLF"_s ? u"ZeilenumbruchCRLF" : u"ZeilenumbruchLF");
    button(u"FeldwerteTrimmen")->setChecked(ViewerConfig::getBool(Key::TrimValues));
    check(ViewerConfig::get(Key::VarLang) == u"E"_s ? u"VarLangEnglisch" : u"VarLangDeutsch");
    button(u"UsePasswordLang")->setChecked(ViewerConfig::getBool(Key::UsePasswordLang));
    m_datasetSize->setText(ViewerConfig::get(Key::DatasetSize));
    showAllSamples();
}

void KLVEinstellungenDialog::LoadModeSettings()
{
    const QString mode = GetDisplayModeName(m_mode);
    for (const OptionGroup& group : modeGroups()) {
        const QString word = ViewerConfig::get(group.key, mode);
        const char16_t* chosen = group.buttons.back().first;
        for (const auto& [control, value] : group.buttons) {
            if (word == QString::fromUtf16(value)) {
                chosen = control;
                break;
            }
        }
        check(chosen);
    }
}

void KLVEinstellungenDialog::SaveModeSettings(int mode)
{
    const QString modeName = GetDisplayModeName(mode);
    for (const OptionGroup& group : modeGroups()) {
        // The word of the checked button; the last word when none of the others is.
        QString word = QString::fromUtf16(group.buttons.back().second);
        for (const auto& [control, value] : group.buttons) {
            if (isChecked(control)) {
                word = QString::fromUtf16(value);
                break;
            }
        }
        ViewerConfig::set(group.key, word, modeName);
    }
}

void KLVEinstellungenDialog::SaveKLVSessionSettings()
{
    if (!saveViewerSettings())
        return;
    ViewerConfig::set(Key::DisplayMode, GetDisplayModeName(m_mode));
    ViewerConfig::set(Key::AusgabeSprache, GetAktOutputSpr());
    SaveModeSettings(m_mode);
    ViewerConfig::set(Key::FTextMode, isChecked(u"FTextDarstExt") ? u"EXT"_s : u"TEXT"_s);
    ViewerConfig::set(Key::FTextLen, m_ftLaenge->text());
    ViewerConfig::set(Key::LineBreak, isChecked(u"ZeilenumbruchCRLF") ? u"CRLF"_s : u"LF"_s);
    ViewerConfig::setBool(Key::TrimValues, isChecked(u"FeldwerteTrimmen"));
    ViewerConfig::set(Key::VarLang, isChecked(u"VarLangEnglisch") ? u"E"_s : u"D"_s);
    ViewerConfig::setBool(Key::UsePasswordLang, isChecked(u"UsePasswordLang"));
    ViewerConfig::set(Key::Lang, GetAktSprKZ());
    ViewerConfig::set(Key::DatasetSize, m_datasetSize->text());
}

// ---- Display mode, samples ---------------------------------------------------------------

void KLVEinstellungenDialog::displayModeClicked(int mode)
{
    const int old = m_mode;
    m_mode = mode;
    m_ausgabeSprache->setEnabled(mode == Output);
    if (old == mode)
        return;
    // The options on show belong to the old mode: they wait in its section until it returns.
    SaveModeSettings(old);
    LoadModeSettings();
    showAllSamples();
}

QString KLVEinstellungenDialog::FormatSampleText(const QString& text) const
{
    return m_samplePrefix + u"\r\n"_s + text;
}

void KLVEinstellungenDialog::showSample(QAbstractButton* b)
{
    const QString name = b->objectName();
    auto show = [this](const char16_t* label, const QString& text) {
        if (auto* l = findChild<QLabel*>(QString::fromUtf16(label)))
            l->setText(FormatSampleText(text));
    };
    if (name == u"DatumTAV"_s)
        show(u"BeispielDatum", u"03.10.99"_s);
    else if (name == u"DatumTAV4"_s)
        show(u"BeispielDatum", u"03.10.1999"_s);
    else if (name == u"DatumSort"_s)
        show(u"BeispielDatum", u"19991003"_s);
    else if (name == u"VerweisDarstExt"_s)
        show(u"BeispielVerweis", u"     4711"_s);
    else if (name == u"VerweisDarstNummer"_s)
        show(u"BeispielVerweis", u"100201"_s);
    else if (name == u"VerweisDarstRef"_s)
        show(u"BeispielVerweis", u"(3827,4,0)"_s);
    else if (name == u"VerweisDarstSuchwort"_s)
        show(u"BeispielVerweis", u"DEMO.123"_s);
    else if (name == u"BoolDarstTAV"_s)
        show(u"BeispielBool", Bool2ErpText(true));
    else if (name == u"BoolDarstNum"_s)
        show(u"BeispielBool", u"1"_s);
    else if (name == u"AufzDarstText"_s)
        show(u"BeispielAufzaehlung", GetMessageTextByNr(MsgEnumTextSample));
    else if (name == u"AufzDarstCode"_s)
        show(u"BeispielAufzaehlung", u"(69)"_s);
    else if (name == u"AufzDarstBriefDesc"_s)
        show(u"BeispielAufzaehlung", u"E"_s);
    else if (name == u"FTextDarstExt"_s) {
        show(u"BeispielFreitext", u"*"_s);
        m_ftLaenge->setEnabled(false);
    } else if (name == u"FTextDarstText"_s) {
        show(u"BeispielFreitext", GetMessageTextByNr(MsgFreeTextSample));
        m_ftLaenge->setEnabled(true);
    } else if (name == u"FeldwerteTrimmen"_s)
        show(u"BeispielTrimValues", b->isChecked() ? u"\"1,234.56\""_s : u"\"     1,234.56\""_s);
    else if (name == u"VarLangDeutsch"_s)
        show(u"BeispielVarLang", u"sucherw"_s);
    else if (name == u"VarLangEnglisch"_s)
        show(u"BeispielVarLang", u"searchExt"_s);
}

void KLVEinstellungenDialog::showAllSamples()
{
    for (QAbstractButton* b : findChildren<QAbstractButton*>()) {
        if (b->isCheckable() && (b->isChecked() || b->objectName() == u"FeldwerteTrimmen"_s))
            showSample(b);
    }
    UpdateNumberSample();
}

void KLVEinstellungenDialog::UpdateNumberSample()
{
    auto* label = findChild<QLabel*>(u"BeispielZahl"_s);
    const bool tav = isChecked(u"ZahlenDarstTAV");
    button(u"DezPunktKomma")->setEnabled(tav);
    button(u"DezPunktPunkt")->setEnabled(tav);
    QString sample;
    if (tav) {
        sample = isChecked(u"DezPunktKomma") ? u"  1234567,89"_s : u"  1234567.89"_s;
    } else if (isChecked(u"ZahlenDarstRoh")) {
        sample = u"1234567.89"_s;
    } else {
        // The server's own formatting; without a connection the value as it is kept.
        sample = u"1234567.89"_s;
        const QSharedPointer<KLV> session = App().MainSession.toStrongRef();
        if (session && session->IsConnected()) {
            const QSharedPointer<KLVQuery> query = session->CreateQuery();
            const QString formatted = query ? query->TestGetFieldValue(u"RDT10.2"_s, sample) : QString();
            if (!formatted.isEmpty() && formatted != QString(QChar(0)))
                sample = formatted;
        }
    }
    label->setText(FormatSampleText(sample));
}

// ---- Showing -----------------------------------------------------------------------------

void KLVEinstellungenDialog::DialogZeigen()
{
    m_result = 3;
    const QString language = m_aktSprache->currentText();
    const Snapshot before = takeSnapshot();
    // The examples speak the server's words, which the logon brought after the dialog was made.
    showAllSamples();
    exec();
    if (m_result != 1) {
        restoreSnapshot(before);
        return;
    }
    bool languageChanged = m_aktSprache->currentText() != language;
    if (QObject* main = App().MainForm.data()) {
        const QMetaObject* meta = main->metaObject();
        int index = meta->indexOfMethod("SetKLVSessionSettings(bool&)");
        if (index >= 0) {
            meta->method(index).invoke(main, Qt::DirectConnection, Q_ARG(bool&, languageChanged));
        } else if ((index = meta->indexOfMethod("SetKLVSessionSettings(bool)")) >= 0) {
            meta->method(index).invoke(main, Qt::DirectConnection, Q_ARG(bool, languageChanged));
        }
    }
    SaveKLVSessionSettings();
}

void KLVEinstellungenDialog::okClicked()
{
    m_result = 1;
    accept();
}

KLVEinstellungenDialog::Snapshot KLVEinstellungenDialog::takeSnapshot() const
{
    Snapshot s;
    s.mode = m_mode;
    for (QAbstractButton* b : findChildren<QAbstractButton*>()) {
        if (b->isCheckable())
            s.checked.insert(b->objectName(), b->isChecked());
    }
    s.texts.insert(m_ftLaenge->objectName(), m_ftLaenge->text());
    s.texts.insert(m_datasetSize->objectName(), m_datasetSize->text());
    s.aktSprache = m_aktSprache->currentIndex();
    s.ausgabeSprache = m_ausgabeSprache->currentIndex();
    for (int mode : {Operating, Output, Universal}) {
        const QString modeName = GetDisplayModeName(mode);
        for (const OptionGroup& group : modeGroups()) {
            s.modeSettings.insert(modeName + u'|' + QString::number(int(group.key)),
                                  ViewerConfig::isStored(group.key, modeName)
                                      ? QVariant(ViewerConfig::get(group.key, modeName))
                                      : QVariant());
        }
    }
    return s;
}

void KLVEinstellungenDialog::restoreSnapshot(const Snapshot& s)
{
    // Nothing of the mode switching may run while the old state comes back.
    m_restoring = true;
    m_mode = s.mode;
    // Option buttons first unchecked as a whole, so exclusive groups take the old choice.
    for (auto it = s.checked.cbegin(); it != s.checked.cend(); ++it) {
        if (QAbstractButton* b = findChild<QAbstractButton*>(it.key()); b && it.value())
            b->setChecked(true);
    }
    for (auto it = s.checked.cbegin(); it != s.checked.cend(); ++it) {
        QAbstractButton* b = findChild<QAbstractButton*>(it.key());
        if (b && !it.value() && !qobject_cast<QRadioButton*>(b))
            b->setChecked(false);
    }
    m_ftLaenge->setText(s.texts.value(m_ftLaenge->objectName()));
    m_datasetSize->setText(s.texts.value(m_datasetSize->objectName()));
    m_aktSprache->setCurrentIndex(s.aktSprache);
    m_ausgabeSprache->setCurrentIndex(s.ausgabeSprache);
    m_ausgabeSprache->setEnabled(m_mode == Output);
    for (auto it = s.modeSettings.cbegin(); it != s.modeSettings.cend(); ++it) {
        const QString modeName = it.key().section(u'|', 0, 0);
        const auto key = Key(it.key().section(u'|', 1).toInt());
        if (it.value().isValid())
            ViewerConfig::set(key, it.value().toString(), modeName);
        else
            ViewerConfig::remove(key, modeName);
    }
    m_restoring = false;
    showAllSamples();
}

// ---- Session flag ------------------------------------------------------------------------

void KLVEinstellungenDialog::ToggleSessionFlag()
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(this, u"Flaggen"_s, u"Nummer"_s, QLineEdit::Normal, QString(), &ok).trimmed();
    if (!ok || text.isEmpty())
        return;
    // Flags run through the 32-bit range; anything else is no flag number.
    const std::optional<qint32> number =
        NumberText::isNumber(text) ? NumberText::roundToInt32(NumberText::leadingValue(text)) : std::nullopt;
    if (!number) {
        ShowMessageBox(GetMessageTextByNr(MsgBadFlagNumber) + u"\r\n"_s + text);
        return;
    }
    if (*number <= 0)
        return;
    const QSharedPointer<KLV> session = App().MainSession.toStrongRef();
    if (!session || !session->IsConnected())
        return;
    const bool current = session->IsFlagSet(*number);
    const QString question = u"Aktueller Wert: "_s + (current ? u"True"_s : u"False"_s) + u"\r\n"_s + u"Umschalten?"_s;
    if (ShowMessageBox(question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        session->SetFlag(*number, !current);
}
