#include "SchlInfoForm.h"

#include "ChildWindowFrame.h"
#include "FormSupport.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "MainModul.h"
#include "ServerWait.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

// The fields in the order they are filled, with the caption of their label.
struct FieldRow
{
    const char16_t* name;
    const char16_t* caption;
};
constexpr FieldRow FieldRows[] = {
    {u"Schluesselname", u"312"},
    {u"Bedingungsfeld", u"313"},
    {u"Schluesselfelder", u"314"},
    {u"Schluesselart", u"316"},
    {u"Datenbank", u"317"},
    {u"GruppenNamen", u"318"},
    {u"GruppenNummern", u"319"},
    {u"Ablageart", u"320"},
    {u"SchluesselNr", u"321"},
    {u"SchlNamePrimaerSprache", u"322"},
    {u"SchluesselBezeichner", u"323"},
    {u"SchluesselZahl", u"324"},
};

} // namespace

SchlInfoForm::SchlInfoForm(QWidget* parent) : ServerWaitDialog(parent)
{
    setObjectName(u"SchlInfoForm"_s);
    setWindowTitle(u"311"_s);
    auto* form = new QFormLayout;
    int label = 1;
    for (const FieldRow& row : FieldRows) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromUtf16(row.name));
        edit->setReadOnly(true);
        edit->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
        auto* caption = new QLabel(QString::fromUtf16(row.caption), this);
        caption->setObjectName(u"Label"_s + QString::number(label++));
        caption->setBuddy(edit);
        form->addRow(caption, edit);
        m_fields.append(edit);
        if (edit->objectName() == u"Schluesselfelder") {
            // The table-key box follows the key fields.
            m_tableKey = new QCheckBox(u"315"_s, this);
            m_tableKey->setObjectName(u"Tabellenschluessel"_s);
            // Shown, not changed: the catalogue says what it is.
            m_tableKey->setAttribute(Qt::WA_TransparentForMouseEvents);
            m_tableKey->setFocusPolicy(Qt::NoFocus);
            form->addRow(QString(), m_tableKey);
        }
    }

    auto* ok = new QPushButton(u"32"_s, this);
    ok->setObjectName(u"OKButton"_s);
    ok->setDefault(true);
    auto* help = FormSupport::helpButton(this, 912);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    InitFormCommon(this);
    FormSupport::watchKeys(this);
    new ChildWindowFrame(this, QString());
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

SchlInfoForm* SchlInfoForm::DefaultInstance()
{
    return FormSupport::defaultInstance<SchlInfoForm>();
}

QLineEdit* SchlInfoForm::field(const QString& name) const
{
    for (QLineEdit* edit : m_fields) {
        if (edit->objectName() == name)
            return edit;
    }
    return nullptr;
}

void SchlInfoForm::clearFields()
{
    for (QLineEdit* edit : std::as_const(m_fields))
        edit->clear();
    m_tableKey->setChecked(false);
}

void SchlInfoForm::FillSchlInfo(const QSharedPointer<KLV>& session, const QString& tableName, const QString& tableId,
                                QString& keyName, bool& ok)
{
    ok = false;
    // A second request while the first one waits for the server is not taken.
    if (serverWait()->isBusy())
        return;
    const QPointer<SchlInfoForm> self(this);
    const QSharedPointer<KLVQuery> query = session ? session->CreateQuery() : nullptr;
    ServerWait::Scope busy(serverWait(), 11, query);
    clearFields();
    if (!query || !query->GetKeyNames(tableId, keyName)) {
        if (!self)
            return;
        // Refused, it says why.
        const QSharedPointer<KLVError> error = query ? query->GetLastKLVError() : nullptr;
        fillFailed(GetMessageTextByNr(346) + u"\r\n"_s + ServerErrorText(error ? error->ErrInfo() : QString()));
        return;
    }
    if (!self)
        return;
    const bool found = query->GetNextRecord();
    if (!self)
        return;
    if (!found) {
        ShowMessageBox(GetMessageTextByNr(342) + u"\r\n"_s + GetMessageTextByNr(344) + u" \""_s + tableName +
                       u"\", "_s + GetMessageTextByNr(343) + u" \""_s + keyName + u"\"\r\n"_s +
                       GetMessageTextByNr(345));
        hide();
        return;
    }

    const auto f = [&query](int number) { return query->GetField(number); };
    const QString condition = f(KLVActiveX::fldKeyCondType);
    QString conditionField;
    QString keyFields = f(KLVActiveX::fldKeyFields);
    if (condition == u"1" || condition == u"2") {
        // The element after the first comma is the condition field; the key fields are the
        // text after the first comma. Without a comma there is no condition field.
        const qsizetype comma = keyFields.indexOf(u',');
        if (comma >= 0) {
            conditionField = keyFields.split(u',').value(1);
            keyFields = keyFields.mid(comma + 1);
        }
    }
    const QStringList values{f(KLVActiveX::fldKeyName),
                             conditionField,
                             keyFields,
                             f(KLVActiveX::fldKeyRange) + u" ("_s + condition + u')',
                             f(KLVActiveX::fldKeyDBNr),
                             f(KLVActiveX::fldKeyGroupNames),
                             f(KLVActiveX::fldKeyGroupNrs),
                             f(KLVActiveX::fldKeyAliveRecs) + u" ("_s + f(KLVActiveX::fldKeyAliveFlag) + u')',
                             f(KLVActiveX::fldKeyNr),
                             f(KLVActiveX::fldKeyNamePrimaryLang),
                             f(KLVActiveX::fldKeyIdentifier),
                             f(KLVActiveX::fldKeyKeyCount)};
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        m_fields[i]->setText(values.value(i));
        m_fields[i]->setCursorPosition(0);
    }
    m_tableKey->setChecked(f(KLVActiveX::fldKeyIsTabKey) == u"1");
    ok = mayShowFilled();
}

bool SchlInfoForm::eventFilter(QObject* watched, QEvent* event)
{
    if (FormSupport::helpOrHardcopyKeyIn(this, watched, event, 912))
        return true;
    return QDialog::eventFilter(watched, event);
}
