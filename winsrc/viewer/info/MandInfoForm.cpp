#include "MandInfoForm.h"

#include "FormSupport.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "MainModul.h"
#include "ProgramInfo.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <functional>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

// A row of a tab: a text field, or a check box when the name starts with "?".
struct Row
{
    const char16_t* name;
    const char16_t* caption;
};

struct Tab
{
    const char16_t* caption;
    QList<Row> rows;
};

const QList<Tab>& tabSpecs()
{
    static const QList<Tab> list{
        {u"1031",
         {{u"MandBez", u"1035"},
          {u"MandID", u"1036"},
          {u"MandVerz", u"1037"},
          {u"MandVerzUNC", u"1038"},
          {u"HOMEDIR", u"1039"},
          {u"HOMEDIRUNC", u"1040"},
          {u"GUIDDEName", u"1041"}}},
        {u"1032",
         {{u"TAVVersion", u"1042"},
          {u"ServerKLVVersion", u"1043"},
          {u"?IstWartungsmodus", u"1044"},
          {u"ServerPID", u"1050"},
          {u"TAVServer", u"1051"},
          {u"NetzPort", u"1052"}}},
        {u"1033",
         {{u"AktBenutzer", u"1045"},
          {u"AktZeichen", u"1046"},
          {u"AktSprache", u"1047"},
          {u"?EFOPsAusfuehren", u"1048"},
          {u"Aufrufernummer", u"1049"}}},
        {u"1034",
         {{u"AnwName", u"1053"},
          {u"ProgVersion", u"1054"},
          {u"ClientKLVVersion", u"1055"},
          {u"MaxClientKLVVersion", u"1056"},
          {u"KLVDLLVersion", u"1057"}}},
    };
    return list;
}

} // namespace

MandInfoForm::MandInfoForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"MandInfoForm"_s);
    setWindowTitle(u"1030"_s);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(u"MandInfoTab"_s);
    for (const Tab& tab : tabSpecs()) {
        auto* page = new QWidget(m_tabs);
        auto* form = new QFormLayout(page);
        for (const Row& row : tab.rows) {
            QString name = QString::fromUtf16(row.name);
            if (name.startsWith(u'?')) {
                name.remove(0, 1);
                auto* box = new QCheckBox(QString::fromUtf16(row.caption), page);
                box->setObjectName(name);
                // Shown, not changed.
                box->setAttribute(Qt::WA_TransparentForMouseEvents);
                box->setFocusPolicy(Qt::NoFocus);
                form->addRow(QString(), box);
                m_boxes.insert(name, box);
                continue;
            }
            auto* edit = new QLineEdit(page);
            edit->setObjectName(name);
            edit->setReadOnly(true);
            edit->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
            auto* label = new QLabel(QString::fromUtf16(row.caption), page);
            label->setBuddy(edit);
            form->addRow(label, edit);
            m_fields.insert(name, edit);
        }
        m_tabs->addTab(page, QString::fromUtf16(tab.caption));
    }

    auto* ok = new QPushButton(u"32"_s, this);
    ok->setObjectName(u"OKButton"_s);
    ok->setDefault(true);
    auto* help = FormSupport::helpButton(this, 915);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);

    InitFormCommon(this);
    FormSupport::watchKeys(this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

MandInfoForm* MandInfoForm::DefaultInstance()
{
    return FormSupport::defaultInstance<MandInfoForm>();
}

QString MandInfoForm::text(const QString& field) const
{
    const QLineEdit* edit = m_fields.value(field);
    return edit ? edit->text() : QString();
}

bool MandInfoForm::isChecked(const QString& box) const
{
    const QCheckBox* b = m_boxes.value(box);
    return b && b->isChecked();
}

void MandInfoForm::setText(const QString& field, const QString& value)
{
    if (QLineEdit* edit = m_fields.value(field)) {
        edit->setText(value);
        edit->setCursorPosition(0);
    }
}

void MandInfoForm::setChecked(const QString& box, bool on)
{
    if (QCheckBox* b = m_boxes.value(box))
        b->setChecked(on);
}

void MandInfoForm::LoadMandInfos(const QSharedPointer<KLV>& session)
{
    // A second request while the first one waits for the server is not taken.
    if (m_loading || !session)
        return;
    m_loading = true;
    const QPointer<MandInfoForm> self(this);
    m_tabs->setCurrentIndex(0);
    // Each value as the session answers it, in this order.
    const QList<std::pair<const char16_t*, std::function<QString()>>> values{
        {u"MandBez", [&] { return session->GetMandantName(); }},
        {u"MandID", [&] { return session->GetMandantID(); }},
        {u"MandVerz", [&] { return session->GetMandantDir(); }},
        {u"MandVerzUNC", [&] { return session->GetMandantDirUNC(); }},
        {u"HOMEDIR", [&] { return session->GetHomeDir(); }},
        {u"HOMEDIRUNC", [&] { return session->GetHomeDirUNC(); }},
        {u"GUIDDEName", [&] { return session->GetGUIDDESrvName(); }},
        {u"TAVVersion", [&] { return session->GetTAVVersion(); }},
        {u"ServerKLVVersion", [&] { return session->GetKLVVersion(); }},
    };
    for (const auto& [name, read] : values) {
        const QString value = read();
        if (!self)
            return;
        setText(QString::fromUtf16(name), value);
    }
    const bool maintenance = session->IsMaintMode();
    if (!self)
        return;
    setChecked(u"IstWartungsmodus"_s, maintenance);

    // The user: name and description of the password record.
    QString user;
    const QString ref = session->GetPasswordRef();
    if (!self)
        return;
    if (const QSharedPointer<KLVQuery> query = session->CreateQuery(); query && !ref.isEmpty()) {
        const bool read = query->ReadRecord(ref, u"name,bezeich"_s);
        if (!self)
            return;
        if (read)
            user = query->GetField(1) + u" ("_s + query->GetField(2) + u')';
    }
    setText(u"AktBenutzer"_s, user);
    const QList<std::pair<const char16_t*, std::function<QString()>>> more{
        {u"AktZeichen", [&] { return session->GetOperatorCode(); }},
        {u"AktSprache", [&] { return session->GetTAVLanguage(); }},
    };
    for (const auto& [name, read] : more) {
        const QString value = read();
        if (!self)
            return;
        setText(QString::fromUtf16(name), value);
    }
    const bool fop = session->GetFOPMode();
    if (!self)
        return;
    setChecked(u"EFOPsAusfuehren"_s, fop);
    const QString caller = session->GetDBClientID();
    if (!self)
        return;
    setText(u"Aufrufernummer"_s, caller);
    const QString pid = session->GetServerPID();
    if (!self)
        return;
    setText(u"ServerPID"_s, pid);

    const QWidget* main = App().MainForm;
    setText(u"TAVServer"_s, main ? main->property("Host").toString() : QString());
    setText(u"NetzPort"_s, main ? QString::number(main->property("Port").toInt()) : QString());
    setText(u"AnwName"_s, ProgramInfo::Title());
    setText(u"ProgVersion"_s, QString::number(ProgramInfo::Major()) + u'.' + QString::number(ProgramInfo::Minor()) +
                                  u'.' + QString::number(ProgramInfo::Revision()));
    setText(u"ClientKLVVersion"_s, session->ClientKLVVersion());
    setText(u"MaxClientKLVVersion"_s, session->MaxKLVVersion());
    setText(u"KLVDLLVersion"_s, session->ProgVersion());
    m_loading = false;
}

bool MandInfoForm::eventFilter(QObject* watched, QEvent* event)
{
    if (FormSupport::helpOrHardcopyKeyIn(this, watched, event, 915))
        return true;
    return QDialog::eventFilter(watched, event);
}
