#include "ConditionsPanel.h"

#include "FormSupport.h"
#include "KLVMessageCollector.h"
#include "KLVQuery.h"
#include "KLVSelection.h"
#include "MainModul.h"
#include "MenuArray.h"
#include "QueryContext.h"
#include "QueryRules.h"
#include "ServerWait.h"
#include "ViewerConfig.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

const QString CrLf = u"\r\n"_s;
const QString TemplateTable = u"12:24"_s;

QString storageKindName(const QString& code)
{
    for (const auto& [key, text] : std::as_const(App().AblageartenListe)) {
        if (key == code)
            return text;
    }
    return QString();
}

} // namespace

ConditionsPanel::ConditionsPanel(QueryContext* context, QWidget* parent)
    : QGroupBox(u"1464"_s, parent), m_context(context)
{
    setObjectName(u"BedingungenFrame"_s);
    buildControls();

    // The key estimation is offered only where the settings ask for it, and works only with a
    // server that knows it.
    m_schaetzenButton->setVisible(ViewerConfig::getBool(ViewerConfig::Key::SchluesselSchaetzen));
    m_schaetzenButton->setEnabled(App().ServerProtocolVersion >= 3.31);
}

void ConditionsPanel::buildControls()
{
    m_schluessel = FormSupport::named(new QComboBox(this), u"Schluessel"_s);
    m_schluessel->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_schluessel->setMinimumContentsLength(12);
    m_schlInfoButton = FormSupport::named(new QPushButton(u"1453"_s, this), u"SchlInfoButton"_s);
    m_schlInfoButton->setEnabled(false);
    m_schaetzenButton = FormSupport::named(new QPushButton(u"1454"_s, this), u"SchluesselSchaetzenButton"_s);
    m_ablageart = FormSupport::named(new QComboBox(this), u"Ablageart"_s);
    m_ablageart->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_ablageart->setMinimumContentsLength(8);
    m_kriterien = FormSupport::named(new QLineEdit(this), u"Kriterien"_s);
    m_sortierung = FormSupport::named(new QLineEdit(this), u"Sortierung"_s);

    auto* direction = FormSupport::named(new QWidget(this), u"RichtungBox"_s);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->setContentsMargins(0, 0, 0, 0);
    m_aufsteigend = FormSupport::named(new QRadioButton(u"1459"_s, direction), u"Aufsteigend"_s);
    m_absteigend = FormSupport::named(new QRadioButton(u"1460"_s, direction), u"Absteigend"_s);
    directionLayout->addWidget(m_aufsteigend);
    directionLayout->addWidget(m_absteigend);
    m_aufsteigend->setChecked(true);

    auto* junction = FormSupport::named(new QWidget(this), u"VerknuepfungBox"_s);
    auto* junctionLayout = new QHBoxLayout(junction);
    junctionLayout->setContentsMargins(0, 0, 0, 0);
    m_und = FormSupport::named(new QRadioButton(u"1461"_s, junction), u"UNDVerknuepfung"_s);
    m_oder = FormSupport::named(new QRadioButton(u"1462"_s, junction), u"ODERVerknuepfung"_s);
    m_zeilenSelektion = FormSupport::named(new QCheckBox(u"1463"_s, junction), u"ZeilenSelektion"_s);
    junctionLayout->addWidget(m_und);
    junctionLayout->addWidget(m_oder);
    junctionLayout->addSpacing(12);
    junctionLayout->addWidget(m_zeilenSelektion);
    junctionLayout->addStretch(1);
    m_und->setChecked(true);

    const auto label = [this](const QString& name, const QString& caption, QWidget* buddy) {
        auto* l = FormSupport::named(new QLabel(caption, this), name);
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(label(u"SchluesselLabel"_s, u"1455"_s, m_schluessel), 0, 0);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(m_schluessel, 1);
    keyRow->addWidget(m_schlInfoButton);
    keyRow->addWidget(m_schaetzenButton);
    keyRow->addSpacing(12);
    keyRow->addWidget(label(u"AblageartLabel"_s, u"1456"_s, m_ablageart));
    keyRow->addWidget(m_ablageart, 1);
    grid->addLayout(keyRow, 0, 1);
    grid->addWidget(label(u"KriterienLabel"_s, u"1457"_s, m_kriterien), 1, 0);
    grid->addWidget(m_kriterien, 1, 1);
    grid->addWidget(label(u"SortierungLabel"_s, u"1458"_s, m_sortierung), 2, 0);
    auto* sortRow = new QHBoxLayout;
    sortRow->addWidget(m_sortierung, 1);
    sortRow->addWidget(direction);
    grid->addLayout(sortRow, 2, 1);
    grid->addWidget(junction, 3, 1);
    grid->setColumnStretch(1, 1);

    m_startButton = FormSupport::named(new QPushButton(u"1451"_s, this), u"StartQueryButton"_s);
    m_breakButton = FormSupport::named(new QPushButton(u"1452"_s, this), u"BreakQueryButton"_s);
    m_startButton->setEnabled(false);
    m_breakButton->setEnabled(false);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_startButton);
    buttons->addStretch(1);
    buttons->addWidget(m_breakButton);
    buttons->addStretch(1);

    auto* frameLayout = new QHBoxLayout(this);
    frameLayout->addLayout(grid, 1);
    frameLayout->addSpacing(8);
    frameLayout->addLayout(buttons);

    connect(m_schluessel, &QComboBox::currentIndexChanged, this, [this] { keyChosen(); });
    connect(m_schlInfoButton, &QPushButton::clicked, this, &ConditionsPanel::keyInfoClicked);
    connect(m_schaetzenButton, &QPushButton::clicked, this, &ConditionsPanel::estimateClicked);
    connect(m_startButton, &QPushButton::clicked, this, &ConditionsPanel::startClicked);
    connect(m_breakButton, &QPushButton::clicked, this, &ConditionsPanel::breakClicked);
}

void ConditionsPanel::setRunning(bool running)
{
    m_breakButton->setEnabled(running);
    m_startButton->setEnabled(!running);
}

void ConditionsPanel::fillKeys()
{
    const QPointer<ConditionsPanel> self(this);
    m_schluessel->clear();
    m_schluessel->addItem(App().NoKeyText, QueryRules::All);

    auto* keyMenu = qobject_cast<MenuArray*>(FormSupport::mainMenu(u"TabListeKeyInfosMenue"_s));
    if (keyMenu) {
        const QList<QAction*> entries = keyMenu->entries();
        for (int i = 0; i < entries.size(); ++i) {
            entries[i]->setVisible(i == 0);
            if (i == 0) {
                entries[i]->setText(GetMessageTextByNr(137));
                entries[i]->setEnabled(false);
            }
        }
        if (entries.isEmpty()) {
            QAction* first = keyMenu->addEntry(keyMenu->firstIndex(), GetMessageTextByNr(137));
            first->setEnabled(false);
        }
    }

    const QSharedPointer<KLVQuery> query = m_context->query;
    if (query && !m_context->aktTableID.isEmpty()) {
        if (query->GetKeyNames(m_context->aktTableID)) {
            while (self && query->GetNextRecord())
                m_schluessel->addItem(query->GetField(1), QueryRules::KeyFlagOf(query->GetField(10)));
            if (!self)
                return;
        } else if (self && !ServerWait::wasBrokenOff(query)) {
            ShowMessageBox(GetMessageTextByNr(138) + CrLf + ServerErrorText(query->GetLastError()));
        }
    }
    if (!self)
        return;
    m_schluessel->setCurrentIndex(0);

    if (keyMenu) {
        QStringList names;
        for (int i = 1; i < m_schluessel->count(); ++i) {
            const QString name = m_schluessel->itemText(i);
            if (name != App().NoKeyText)
                names.append(name);
        }
        keyMenu->setEntries(keyMenu->firstIndex(), names);
    }
    keyChosen();
}

void ConditionsPanel::keyChosen()
{
    m_schlInfoButton->setEnabled(!keyName().isEmpty());
}

QString ConditionsPanel::keyName() const
{
    const QString key = m_schluessel->currentIndex() >= 0 ? m_schluessel->currentText() : QString();
    return key == App().NoKeyText ? QString() : key;
}

bool ConditionsPanel::key4AblageartExists(int AblArt) const
{
    for (int i = 0; i < m_schluessel->count(); ++i) {
        if (m_schluessel->itemData(i).toInt() == AblArt)
            return true;
    }
    return false;
}

bool ConditionsPanel::keyServesStorageKind() const
{
    if (keyName().isEmpty())
        return true;
    const int kind = m_ablageart->currentIndex() < 0 ? QueryRules::All : m_ablageart->currentData().toInt();
    return QueryRules::KeyServesStorageKind(m_schluessel->currentData().toInt(), kind);
}

void ConditionsPanel::fillStorageKinds()
{
    m_ablageart->clear();
    QList<int> flags;
    for (int i = 0; i < m_schluessel->count(); ++i)
        flags.append(m_schluessel->itemData(i).toInt());
    for (const int code : QueryRules::StorageKindsFor(flags))
        m_ablageart->addItem(storageKindName(QString::number(code)), code);
    m_ablageart->setCurrentIndex(0);
}

QSharedPointer<KLVSelection> ConditionsPanel::selection() const
{
    auto selection = QSharedPointer<KLVSelection>::create();
    // The window's current table, the one the field list shows, whatever row is selected.
    selection->setTableName(m_context->aktTableID);
    selection->setKrit(m_kriterien->text());
    selection->setKey(keyName());
    selection->setAscending(m_aufsteigend->isChecked());
    selection->setByRows(m_zeilenSelektion->checkState() == Qt::Checked);
    selection->setAliveFlag(m_ablageart->currentIndex() < 0 ? int(QueryRules::All)
                                                            : m_ablageart->currentData().toInt());
    selection->setAndJunction(m_und->isChecked());
    selection->setOrder(m_sortierung->text());
    return selection;
}

void ConditionsPanel::resetSelection()
{
    m_kriterien->clear();
    m_sortierung->clear();
    m_zeilenSelektion->setChecked(false);
    m_aufsteigend->setChecked(true);
    m_und->setChecked(true);
    if (m_ablageart->count() > 0)
        m_ablageart->setCurrentIndex(0);
    if (const int none = m_schluessel->findText(App().NoKeyText); none >= 0)
        m_schluessel->setCurrentIndex(none);
}

void ConditionsPanel::loadTemplate(const QString& ref)
{
    resetSelection();
    const QSharedPointer<KLVQuery> tmp = m_context->tmpQuery;
    if (!tmp)
        return;
    const QPointer<ConditionsPanel> self(this);
    m_context->tmpCollector->Reset();
    if (!tmp->GetRecordByRef(TemplateTable, ref, u"baum,iverk(0),iricht(0),vart(0),sabl(text),izeilen(0),iordnung"_s) ||
        !self)
        return;
    const auto flag = [&tmp](const QString& field) { return tmp->GetFieldN(field) == u"(1)"; };
    (flag(u"iverk(0)"_s) ? m_oder : m_und)->setChecked(true);
    m_sortierung->setText(tmp->GetFieldN(u"iordnung"_s));
    (flag(u"iricht(0)"_s) ? m_absteigend : m_aufsteigend)->setChecked(true);
    m_zeilenSelektion->setChecked(flag(u"izeilen(0)"_s));
    if (m_ablageart->count() > 0) {
        const int kind = m_ablageart->findText(tmp->GetFieldN(u"sabl(text)"_s));
        m_ablageart->setCurrentIndex(std::max(0, kind));
    }
    const QString key = tmp->GetFieldN(u"baum"_s);
    if (!key.isEmpty()) {
        if (const int index = m_schluessel->findText(key); index >= 0)
            m_schluessel->setCurrentIndex(index);
    }

    m_context->tmpCollector->Reset();
    QString criteria;
    if (tmp->StartQueryZ(TemplateTable, u"merkmaltyp(0),merkmalname,vname,sini"_s, u"num12="_s + ref + u";sini<>`"_s,
                         QString(), true, true, true)) {
        while (self && tmp->GetNextRecord()) {
            QueryRules::AppendTemplateCriterion(criteria, tmp->GetFieldN(u"merkmalname"_s), tmp->GetFieldN(u"vname"_s),
                                                tmp->GetFieldN(u"sini"_s));
        }
    }
    if (self)
        m_kriterien->setText(criteria);
}

void ConditionsPanel::clear()
{
    m_schluessel->clear();
    m_ablageart->clear();
    m_kriterien->clear();
    m_sortierung->clear();
}
