#include "MandInfoForm.h"

#include "ChildWindowFrame.h"
#include "FormSupport.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "MainModul.h"
#include "ProgramInfo.h"
#include "ServerWait.h"

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

MandInfoForm::MandInfoForm(QWidget* parent) : ServerWaitDialog(parent)
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
    new ChildWindowFrame(this, QString());
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

bool MandInfoForm::LoadMandInfos(const QSharedPointer<KLV>& session)
{
    ServerWait* const wait = serverWait();
    // A second request while the first one waits for the server is not taken.
    if (wait->isBusy() || !session)
        return false;
    const ServerWait::Scope busy(wait, 11, session);
    const QPointer<MandInfoForm> self(this);
    m_tabs->setCurrentIndex(0);
    // A read that failed for the connection (it is gone) or that the user broke off ends
    // the filling; a value the server only refused stays empty.
    const auto failed = [&] { return !self || wait->wasBrokenOff() || !session->IsConnected(); };
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
        {u"?IstWartungsmodus", [&] { return session->IsMaintMode() ? u"1"_s : QString(); }},
        {u"AktBenutzer", [&] { return userText(session); }},
        {u"AktZeichen", [&] { return session->GetOperatorCode(); }},
        {u"AktSprache", [&] { return session->GetTAVLanguage(); }},
        {u"?EFOPsAusfuehren", [&] { return session->GetFOPMode() ? u"1"_s : QString(); }},
        {u"Aufrufernummer", [&] { return session->GetDBClientID(); }},
        {u"ServerPID", [&] { return session->GetServerPID(); }},
    };
    for (const auto& [name, read] : values) {
        const QString value = read();
        if (failed()) {
            if (!self)
                return false;
            // The window says why it shows nothing.
            fillFailed(GetMessageTextByNr(1058) + u"\r\n"_s + ServerErrorText(session->GetLastError()));
            return false;
        }
        const QString field = QString::fromUtf16(name);
        if (field.startsWith(u'?'))
            setChecked(field.mid(1), !value.isEmpty());
        else
            setText(field, value);
    }

    const QWidget* main = App().MainForm;
    setText(u"TAVServer"_s, main ? main->property("Host").toString() : QString());
    setText(u"NetzPort"_s, main ? QString::number(main->property("Port").toInt()) : QString());
    setText(u"AnwName"_s, ProgramInfo::Title());
    setText(u"ProgVersion"_s, QString::number(ProgramInfo::Major()) + u'.' + QString::number(ProgramInfo::Minor()) +
                                  u'.' + QString::number(ProgramInfo::Revision()));
    setText(u"ClientKLVVersion"_s, session->ClientKLVVersion());
    setText(u"MaxClientKLVVersion"_s, session->MaxKLVVersion());
    setText(u"KLVDLLVersion"_s, session->ProgVersion());
    return mayShowFilled();
}

QString MandInfoForm::userText(const QSharedPointer<KLV>& session)
{
    // The user: name and description of the password record; empty when it cannot be read.
    const QPointer<MandInfoForm> self(this);
    const QString ref = session->GetPasswordRef();
    const QSharedPointer<KLVQuery> query = self && !ref.isEmpty() ? session->CreateQuery() : nullptr;
    if (!query)
        return QString();
    const ServerWait::Scope busy(serverWait(), 0, query);
    if (!query->ReadRecord(ref, u"name,bezeich"_s) || !self)
        return QString();
    return query->GetField(1) + u" ("_s + query->GetField(2) + u')';
}

bool MandInfoForm::eventFilter(QObject* watched, QEvent* event)
{
    if (FormSupport::helpOrHardcopyKeyIn(this, watched, event, 915))
        return true;
    return QDialog::eventFilter(watched, event);
}
