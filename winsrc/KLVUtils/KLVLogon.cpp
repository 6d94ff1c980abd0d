#include "KLVLogon.h"

#include "ConnectionStore.h"
#include "KeyCodes.h"
#include "LogonDialog.h"
#include "LogonWaitDialog.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScopeGuard>
#include <QtDebug>

using namespace Qt::StringLiterals;
using klvutils::LogonDialog;

namespace {

// The dialogs are shared by every KLVLogon alive, so that a caller that makes a new
// KLVLogon for each attempt finds its boxes as the user left them. They go with the last
// KLVLogon, before the application object does.
std::weak_ptr<LogonDialog>& sharedForm()
{
    static std::weak_ptr<LogonDialog> form;
    return form;
}

// Clears the password box however the run ends: a password is used for one logon only and
// not kept in a hidden window for the next caller.
class PasswordWiper
{
public:
    explicit PasswordWiper(LogonDialog& form) : m_form(form) {}
    ~PasswordWiper() { m_form.setPasswordText(QString()); }
    PasswordWiper(const PasswordWiper&) = delete;
    PasswordWiper& operator=(const PasswordWiper&) = delete;

private:
    LogonDialog& m_form;
};

} // namespace

KLVLogon::KLVLogon(QObject* parent) : QObject(parent) {}

KLVLogon::~KLVLogon() = default;

LogonDialog& KLVLogon::form()
{
    if (!m_form) {
        m_form = sharedForm().lock();
        if (!m_form) {
            m_form = std::make_shared<LogonDialog>();
            sharedForm() = m_form;
        }
    }
    return *m_form;
}

int KLVLogon::Language()
{
    return form().LangID();
}

void KLVLogon::setLanguage(int language)
{
    form().LoadMessages(language);
}

KLVLogon::Logon_Result KLVLogon::GetKLVLogonInfo(QString Application, QString& Host, int& Port, QString& Mandant,
                                                 QString& Passwort, bool ShowDialog, QVariant IgnoreSavedSettings)
{
    QString userName;
    return GetKLVLogonInfoUser(Application, Host, Port, Mandant, userName, Passwort, ShowDialog, IgnoreSavedSettings);
}

KLVLogon::Logon_Result KLVLogon::GetKLVConnInfo(QString Application, QString Connection, QString& Host, int& Port,
                                                QString& Mandant)
{
    bool withUserName = false;
    return GetKLVConnInfoUser(Application, Connection, Host, Port, Mandant, withUserName);
}

KLVLogon::Logon_Result KLVLogon::GetKLVLogonInfoUser(QString Application, QString& Host, int& Port, QString& Mandant,
                                                     QString& UserName, QString& Passwort, bool ShowDialog,
                                                     QVariant /*IgnoreSavedSettings*/)
{
    bool withUserName = false;
    return runLogon(Application, Host, Port, Mandant, UserName, Passwort, withUserName, ShowDialog);
}

KLVLogon::Logon_Result KLVLogon::GetKLVConnInfoUser(QString Application, QString Connection, QString& Host, int& Port,
                                                    QString& Mandant, bool& WithUserName)
{
    m_connectionName = Connection;
    QString userName;
    QString passwort;
    return runLogon(Application, Host, Port, Mandant, userName, passwort, WithUserName, false);
}

KLVLogon::Logon_Result KLVLogon::runLogon(const QString& application, QString& host, int& port, QString& mandant,
                                          QString& userName, QString& passwort, bool& withUserName, bool showDialog)
{
    m_lastError.clear();
    LogonDialog& logon = form();
    const PasswordWiper wiper(logon);

    logon.setAppl(application);
    logon.LoadConnectionList();
    // A name the caller gives that is not stored is the caller's to report, not a dialog
    // that silently shows another connection.
    if (!m_connectionName.isEmpty() && !logon.selectConnection(m_connectionName)) {
        m_lastError = logon.GetMessageText(klvutils::LogonTexts::UnknownConnection).arg(m_connectionName);
        return logonUnknownConnection;
    }
    if (!userName.isEmpty() && logon.userNameEnabled())
        logon.setUserNameText(userName);
    if (!passwort.isEmpty())
        logon.setPasswordText(passwort);
    logon.setKeyEventRecipient(this);

    if (!showDialog) {
        m_chosenConnection = logon.connectionText();
        logon.ReadConnInfo(m_chosenConnection, host, port, mandant, withUserName, userName);
        return logonOK;
    }

    for (;;) {
        logon.exec();
        if (logon.Aktion() != 1)
            return logonAbort;
        if (!logon.connectionText().isEmpty())
            break;
        QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), QString(), QMessageBox::Ok,
                        &logon);
        box.setTextFormat(Qt::PlainText);
        box.setText(logon.GetMessageText(30) + u"\n"_s + logon.GetMessageText(31));
        box.exec();
    }

    const QString chosen = logon.connectionText();
    m_chosenConnection = chosen;
    logon.ReadConnInfo(chosen, host, port, mandant, withUserName, userName);
    userName = logon.userNameText();
    passwort = logon.passwordText();
    // Not remembering the choice is no reason to refuse the logon.
    klvutils::ConnectionStore store(application);
    if (!store.setLastUsed(chosen))
        qWarning("klvutils: the last-used connection could not be saved to %s", qPrintable(store.fileName()));
    return logonOK;
}

QString KLVLogon::ConnectFailureText(Connect_Failure Failure, const QString& Host, int Port, const QString& Reason)
{
    const QString port = QString::number(Port);
    switch (Failure) {
    case connectNoAnswer:
        return form().GetMessageText(klvutils::LogonTexts::ServerNoAnswer).arg(Host, port);
    case connectRefused:
        return form().GetMessageText(klvutils::LogonTexts::ServerRefused).arg(Host, port, Reason);
    case connectNoHost: {
        // The buttons' captions without their access keys, as the user reads them.
        const auto caption = [this](int number) { return form().GetMessageText(number).remove(u'&'); };
        return form()
            .GetMessageText(klvutils::LogonTexts::NoHost)
            .arg(m_chosenConnection, caption(klvutils::LogonTexts::NewButton),
                 caption(klvutils::LogonTexts::ModifyButton));
    }
    case connectClosed:
        break;
    }
    return form().GetMessageText(klvutils::LogonTexts::ServerClosed).arg(Host, port);
}

bool KLVLogon::WaitForLogon(const QString& Host, int Port, const std::function<bool()>& Attempt,
                            const std::function<void()>& BreakOff)
{
    m_waitBrokenOff = false;
    klvutils::LogonWaitDialog& wait = *form().waitDialog();
    wait.begin(form().GetMessageText(klvutils::LogonTexts::Connecting).arg(Host, QString::number(Port)),
               [this, BreakOff] {
                   m_waitBrokenOff = true;
                   if (BreakOff)
                       BreakOff();
               });
    const auto ended = qScopeGuard([&wait] { wait.end(); });
    return Attempt && Attempt();
}

void KLVLogon::formKeyUp(const QString& formName, int keyCode, int shift)
{
    if (keyCode < klvutils::KeyCodes::F1 || keyCode > klvutils::KeyCodes::F16)
        return;
    QString name = formName;
    int code = keyCode;
    int state = shift;
    Q_EMIT KeyPressed(name, code, state);
}
