#include "ExportProgressDialog.h"

#include "FormSupport.h"
#include "MainModul.h"
#include "MemberCall.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgCaption = 263;
constexpr int MsgMinimisedCount = 265;
constexpr int MsgFinished = 297;
constexpr int MsgCancelled = 1225;
constexpr int MsgFailed = 1226;
constexpr int MsgHelpTopic = 908;
constexpr int MsgClose = 1402;
constexpr int MsgCancel = 33;

} // namespace

ExportProgressDialog::ExportProgressDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"ExportProgressDialog"_s);
    setWindowTitle(QString::number(MsgCaption));
    buildControls();
    InitFormCommon(this);
    // The full size takes the message list in; until a message comes only the name, the count
    // and the button are seen.
    m_fullHeight = std::max(sizeHint().height(), 280);
    collapse();
    FormSupport::watchKeys(this);
}

ExportProgressDialog::~ExportProgressDialog() = default;

ExportProgressDialog* ExportProgressDialog::DefaultInstance()
{
    return FormSupport::defaultInstance<ExportProgressDialog>();
}

void ExportProgressDialog::buildControls()
{
    auto* label1 = new QLabel(u"202"_s, this);
    label1->setObjectName(u"Label1"_s);
    m_name = new QLineEdit(this);
    m_name->setObjectName(u"Tabellenname"_s);
    m_name->setReadOnly(true);
    m_name->setFocusPolicy(Qt::ClickFocus);
    m_name->setMinimumWidth(260);
    auto* label2 = new QLabel(u"161"_s, this);
    label2->setObjectName(u"Label2"_s);
    m_count = new QLineEdit(this);
    m_count->setObjectName(u"AnzahlSaetze"_s);
    m_count->setReadOnly(true);
    m_count->setFocusPolicy(Qt::ClickFocus);
    m_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_cancel = new QPushButton(QString::number(MsgCancel), this);
    m_cancel->setObjectName(u"AbbrechenButton"_s);
    // An Enter meant for another window must not end the export.
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &ExportProgressDialog::cancelClicked);

    m_messages = new QListWidget(this);
    m_messages->setObjectName(u"MeldungenListe"_s);

    auto* top = new QGridLayout;
    top->addWidget(label1, 0, 0);
    top->addWidget(m_name, 0, 1);
    top->addWidget(label2, 1, 0);
    top->addWidget(m_count, 1, 1);
    top->addWidget(m_cancel, 1, 2);
    top->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    // The list lies below everything else, so the window can end above it.
    layout->addWidget(m_messages, 1);
}

void ExportProgressDialog::collapse()
{
    m_messages->hide();
    adjustSize();
    resize(std::max(width(), 420), sizeHint().height());
}

void ExportProgressDialog::expand()
{
    if (isMinimized())
        showNormal();
    m_messages->show();
    resize(width(), std::max(m_fullHeight, sizeHint().height()));
}

bool ExportProgressDialog::isExpanded() const
{
    return !m_messages->isHidden();
}

void ExportProgressDialog::SetInitialValues(QObject* callerForm, const QString& name)
{
    m_caller = callerForm;
    m_ended = false;
    m_programClose = false;
    m_name->setText(name);
    m_count->setText(u"0"_s);
    m_messages->clear();
    m_cancel->setText(GetMessageTextByNr(MsgCancel));
    collapse();
    updateCaption();
}

void ExportProgressDialog::SetRecordCount(qint64 count)
{
    m_count->setText(QString::number(count));
    if (isMinimized() && !m_ended)
        setWindowTitle(FormatMessage(MsgMinimisedCount, QString(), m_count->text()));
}

void ExportProgressDialog::AddMessage(const QString& text)
{
    if (m_messages->count() == 0)
        expand();
    m_messages->addItem(text);
    m_messages->setCurrentRow(m_messages->count() - 1);
}

void ExportProgressDialog::ShowEnd(End end, qint64 count, const QStringList& notes)
{
    SetRecordCount(count);
    m_ended = true;
    m_end = end;
    updateCaption();
    // An end the user may not expect is said in the window as well, where a caption cut by
    // the window's width or a minimised window cannot hide it.
    if (end != End::Finished)
        AddMessage(endText());
    for (const QString& note : notes)
        AddMessage(note);
    m_cancel->setText(GetMessageTextByNr(MsgClose));
}

QString ExportProgressDialog::endText() const
{
    const int message = m_end == End::Finished ? MsgFinished : m_end == End::Cancelled ? MsgCancelled : MsgFailed;
    return FormatMessage(message, QString(), m_count->text());
}

void ExportProgressDialog::Unload()
{
    m_programClose = true;
    close();
    m_programClose = false;
}

void ExportProgressDialog::updateCaption()
{
    if (m_ended)
        setWindowTitle(endText());
    else if (!isMinimized())
        setWindowTitle(GetMessageTextByNr(MsgCaption));
}

void ExportProgressDialog::changeEvent(QEvent* event)
{
    // Back from the minimised state the caption no longer needs the count.
    if (event->type() == QEvent::WindowStateChange)
        updateCaption();
    QDialog::changeEvent(event);
}

void ExportProgressDialog::cancelClicked()
{
    if (m_ended) {
        Unload();
        return;
    }
    // The export ends at its next row and then tells this window.
    if (m_caller)
        MemberCall::Invoke(m_caller, "ExportAbbrechen");
}

void ExportProgressDialog::reject()
{
    // A user who closes the window (its close button, Escape) while the export runs cancels
    // it; the close is not refused. The dialog's close comes here as well.
    if (!m_programClose && !m_ended && m_caller)
        MemberCall::Invoke(m_caller, "ExportAbbrechen");
    QDialog::reject();
}

bool ExportProgressDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        FormSupport::helpOrHardcopyKey(this, static_cast<QKeyEvent*>(event), MsgHelpTopic))
        return true;
    return QDialog::eventFilter(watched, event);
}
