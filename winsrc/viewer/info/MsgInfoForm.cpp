#include "MsgInfoForm.h"

#include "ChildWindowFrame.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVTools.h"
#include "MainModul.h"
#include "NumberText.h"
#include "ServerWait.h"
#include "SpaltenWahlForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using namespace MainModul;

MsgInfoForm::MsgInfoForm(QWidget* parent)
    : CatalogueWindow(u"MsgInfoForm"_s, u"1022"_s, u"MsgInfoWindowSettings"_s, 926, parent)
{
    const int margin = this->margin();

    m_textsuche = new QRadioButton(u"1023"_s, this);
    m_textsuche->setObjectName(u"Textsuche"_s);
    m_textsuche->setChecked(true);
    m_nummernsuche = new QRadioButton(u"1024"_s, this);
    m_nummernsuche->setObjectName(u"Nummernsuche"_s);
    m_msgText = new QLineEdit(this);
    m_msgText->setObjectName(u"MsgText"_s);
    m_msgNummern = new QLineEdit(this);
    m_msgNummern->setObjectName(u"MsgNummern"_s);
    auto* dictionaryLabel = new QLabel(u"1025"_s, this);
    dictionaryLabel->setObjectName(u"WoerterbuchLabel"_s);
    m_woerterbuch = new QComboBox(this);
    m_woerterbuch->setObjectName(u"Woerterbuch"_s);
    dictionaryLabel->setBuddy(m_woerterbuch);
    m_ignoreCase = new QCheckBox(u"1027"_s, this);
    m_ignoreCase->setObjectName(u"GrossKleinIgnorieren"_s);
    auto* languagesLabel = new QLabel(u"1026"_s, this);
    languagesLabel->setObjectName(u"SprachenLabel"_s);
    m_sprachenListe = new QListWidget(this);
    m_sprachenListe->setObjectName(u"SprachenListe"_s);
    m_sprachenListe->setSelectionMode(QAbstractItemView::MultiSelection);
    m_sprachenListe->setMaximumHeight(m_sprachenListe->fontMetrics().height() * 5);
    languagesLabel->setBuddy(m_sprachenListe);
    auto* start = new QPushButton(u"1028"_s, this);
    start->setObjectName(u"StartButton"_s);

    auto* search = new QGridLayout;
    search->setHorizontalSpacing(margin);
    search->addWidget(m_textsuche, 0, 0);
    search->addWidget(m_msgText, 0, 1);
    search->addWidget(m_nummernsuche, 1, 0);
    search->addWidget(m_msgNummern, 1, 1);
    search->addWidget(dictionaryLabel, 2, 0);
    search->addWidget(m_woerterbuch, 2, 1);
    search->addWidget(m_ignoreCase, 3, 1);
    search->addWidget(languagesLabel, 0, 2);
    search->addWidget(m_sprachenListe, 1, 2, 3, 1);
    search->addWidget(start, 0, 3, Qt::AlignTop);
    search->setColumnStretch(1, 2);
    search->setColumnStretch(2, 1);

    m_msgListe = makeList(u"MsgListe"_s, u"MsgList"_s);
    m_status = new QLabel(this);
    m_status->setObjectName(u"MsgStatusInfo"_s);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(u"MsgProgress"_s);
    m_progress->setVisible(false);
    setBody(search, m_msgListe, {m_status, m_progress});

    m_columns.resize(KLVTools().MessageFieldCount());
    InitListViewColumnProps(1750, m_columns);
    m_columns[3].Width = 9000; // the text
    keepListLayout(m_msgListe, &m_columns, false);
    finishLoad();
    BuildListViewColumns(m_msgListe, 1750, m_columns, {});
    for (int message = 1010; message <= 1019; ++message)
        m_woerterbuch->addItem(GetMessageTextByNr(message));
    m_woerterbuch->setCurrentIndex(0);

    connect(m_msgText, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty())
            m_textsuche->setChecked(true);
    });
    connect(m_msgNummern, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty())
            m_nummernsuche->setChecked(true);
    });
    connect(start, &QPushButton::clicked, this, [this] { SearchMessages(); });
}

QSharedPointer<KLVQuery> MsgInfoForm::ownQuery()
{
    if (!m_query)
        m_query = createQuery(mainSession());
    return m_query;
}

QString MsgInfoForm::statusText() const
{
    return m_status->text();
}

void MsgInfoForm::ShowForm()
{
    if (App().ServerProtocolVersion < 3.0) {
        closeWindow();
        return;
    }
    if (!m_languagesRead && !refused() && !FillSprachenListe()) {
        closeWindow();
        return;
    }
    if (closing())
        return;
    frame()->show();
}

void MsgInfoForm::ReloadForm()
{
    if (refused())
        return;
    if (FillSprachenListe()) {
        SearchMessages();
        return;
    }
    // Languages that cannot be read any more (the server's language changed with them) close
    // the window, as they keep it from opening; one the user broke off stays as it was.
    if (!brokenOff())
        closeWindow();
}

bool MsgInfoForm::FillSprachenListe()
{
    if (refused())
        return false;
    const QSharedPointer<KLVQuery> query = ownQuery();
    const ServerWait::Scope busy(serverWait(), 11, query);
    const QPointer<MsgInfoForm> self(this);
    // Both enumerations are read before the list changes.
    QList<QPair<QString, int>> languages;
    if (!query || !query->GetEnumPos(u"A158"_s, false).toBool()) {
        if (self && !brokenOff())
            showMessage(GetMessageTextByNr(1020) + u" (A158)"_s);
        return false;
    }
    while (query->GetNextRecord()) {
        const QString code = query->GetField(KLVActiveX::fldEnumPosCode);
        if (query->GetField(KLVActiveX::fldEnumPosBriefDesc) != u"=" && code != u"0")
            languages.append({query->GetField(KLVActiveX::fldEnumPosText), int(NumberText::leadingValue(code))});
    }
    if (!self)
        return false;
    QHash<QString, QString> identifiers;
    if (!query->GetEnumPos(u"A73"_s, false).toBool()) {
        if (self && !brokenOff())
            showMessage(GetMessageTextByNr(1020) + u" (A73)"_s);
        return false;
    }
    while (query->GetNextRecord())
        identifiers.insert(query->GetField(KLVActiveX::fldEnumPosCode), query->GetField(KLVActiveX::fldEnumPosText));
    if (!self)
        return false;

    m_sprachKennungen = identifiers;
    m_sprachenListe->clear();
    for (const auto& [text, code] : std::as_const(languages)) {
        auto* item = new QListWidgetItem(text, m_sprachenListe);
        item->setData(Qt::UserRole, code);
    }
    m_languagesRead = true;
    return true;
}

QStringList MsgInfoForm::GetSelectedLanguages() const
{
    QStringList languages;
    for (int i = 0; i < m_sprachenListe->count(); ++i) {
        const QListWidgetItem* item = m_sprachenListe->item(i);
        if (!item->isSelected())
            continue;
        // A language without an identifier is left out.
        const QString identifier = m_sprachKennungen.value(QString::number(item->data(Qt::UserRole).toInt()));
        if (!identifier.isEmpty())
            languages.append(identifier);
    }
    return languages;
}

QStringList MsgInfoForm::GetSelectedDictionaries() const
{
    return {m_woerterbuch->currentIndex() > 0 ? m_woerterbuch->currentText().left(2) : QString()};
}

void MsgInfoForm::StringArray2LongArray(const QStringList& texts, QList<int>& numbers, int& count)
{
    numbers = QList<int>(texts.size(), 0);
    count = 0;
    for (const QString& text : texts) {
        const double value = NumberText::leadingValue(text);
        if (value <= 0)
            continue;
        // A number beyond a whole number's range names no message either.
        if (const std::optional<qint32> whole = NumberText::roundToInt32(value); whole && *whole > 0)
            numbers[count++] = *whole;
    }
    if (count > 0)
        numbers.resize(count);
}

void MsgInfoForm::SearchMessages()
{
    if (refused())
        return;
    // Input errors change nothing and send nothing.
    QList<int> numbers;
    if (!m_textsuche->isChecked()) {
        if (m_msgNummern->text().isEmpty()) {
            ShowMessageBox(u"Mindestens eine Nummer angeben"_s);
            return;
        }
        if (m_woerterbuch->currentIndex() <= 0) {
            ShowMessageBox(u"Nummern können nur in einzelnem Wörterbuch gelesen werden"_s);
            return;
        }
        int count = 0;
        StringArray2LongArray(m_msgNummern->text().split(u' '), numbers, count);
        if (count == 0) {
            ShowMessageBox(u"Keine nummerischen Meldungsnummern"_s);
            return;
        }
    }

    const QSharedPointer<KLVQuery> query = ownQuery();
    const ServerWait::Scope busy(serverWait(), 11, query);
    const QPointer<MsgInfoForm> self(this);
    clearList(m_msgListe);
    m_status->setText(GetMessageTextByNr(1021) + u": "_s);
    bool accepted = false;
    QString headline;
    if (m_textsuche->isChecked()) {
        headline = u"Suche des Textes gescheitert"_s;
        accepted = query && query->SearchMessageTexts(GetSelectedDictionaries(), m_msgText->text(),
                                                      GetSelectedLanguages(), m_ignoreCase->isChecked());
    } else {
        headline = u"Lesen der Meldungsnummern gescheitert"_s;
        accepted =
            query && query->GetMessageTexts(m_woerterbuch->currentText().left(2), numbers, GetSelectedLanguages());
    }
    if (!self)
        return;
    if (accepted) {
        showAnswer(m_msgListe, m_columns, 1750, 0, query, m_progress);
        if (!self)
            return;
    } else {
        // A refused search keeps the columns the list has.
        showRefusal(headline, errInfo(query));
    }
    m_status->setText(GetMessageTextByNr(1021) + u": "_s + QString::number(m_msgListe->topLevelItemCount()));
}

bool MsgInfoForm::handleKey(QWidget* control, const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key->key() == Qt::Key_F5 && mods == Qt::NoModifier) {
        SearchMessages();
        return true;
    }
    return CatalogueWindow::handleKey(control, key);
}

void MsgInfoForm::SelectColumns()
{
    if (refused() || focusedList() != m_msgListe)
        return;
    StoreListViewColumnWidths(m_msgListe, m_columns);
    if (SpaltenWahlForm::DefaultInstance()->SelectColumns(m_columns) == SpaltenWahlForm::ResultOk)
        SearchMessages();
}
