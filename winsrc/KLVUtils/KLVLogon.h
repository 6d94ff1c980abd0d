#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace klvutils {
class LogonDialog;
}

// The logon component: gives a program the data with which to open a KLV session, either
// from the logon dialog over the connections stored under the program's application name,
// or from a stored connection without a dialog. It never connects to anything itself.
//
// Arguments passed by reference are in/out: they are changed only when the call returns
// logonOK.
class KLVLogon : public QObject
{
    Q_OBJECT
    // The connection to preselect in the dialog, or to read without one.
    Q_PROPERTY(QString ConnectionName READ ConnectionName WRITE setConnectionName)
    // The dialogs' language as a Windows primary language id: 7 German, every other value
    // English (read back as 9). Unset, the user's language.
    Q_PROPERTY(int Language READ Language WRITE setLanguage)

public:
    enum Logon_Result {
        logonOK = 0,
        logonAbort = 1,
        // ConnectionName names no stored connection; GetLastError says which.
        logonUnknownConnection = 2
    };
    Q_ENUM(Logon_Result)

    // Why a session could not be opened on the data a logon gave, as the caller's session
    // found it.
    enum Connect_Failure {
        // Nothing came back in time: the connection could not be made, or the server took it
        // and never greeted.
        connectNoAnswer = 1,
        // The connection could not be made (refused, host not found); the reason says which.
        connectRefused = 2,
        // The server closed the connection before the logon was through.
        connectClosed = 3,
        // The connection the last logon gave names no host (as the one stored connection of a
        // fresh install does until the user sets one).
        connectNoHost = 4
    };
    Q_ENUM(Connect_Failure)

    explicit KLVLogon(QObject* parent = nullptr);
    ~KLVLogon() override;

    Q_INVOKABLE Logon_Result GetKLVLogonInfo(QString Application, QString& Host, int& Port, QString& Mandant,
                                             QString& Passwort, bool ShowDialog = false,
                                             QVariant IgnoreSavedSettings = 0);

    QString ConnectionName() const { return m_connectionName; }
    void setConnectionName(const QString& name) { m_connectionName = name; }

    int Language();
    void setLanguage(int language);

    Q_INVOKABLE Logon_Result GetKLVConnInfo(QString Application, QString Connection, QString& Host, int& Port,
                                            QString& Mandant);

    Q_INVOKABLE Logon_Result GetKLVLogonInfoUser(QString Application, QString& Host, int& Port, QString& Mandant,
                                                 QString& UserName, QString& Passwort, bool ShowDialog = false,
                                                 QVariant IgnoreSavedSettings = 0);

    Q_INVOKABLE Logon_Result GetKLVConnInfoUser(QString Application, QString Connection, QString& Host, int& Port,
                                                QString& Mandant, bool& WithUserName);

    // Why the last call did not return logonOK or logonAbort; empty otherwise.
    Q_INVOKABLE QString GetLastError() const { return m_lastError; }

    // The stored connection whose data the last logon gave (logonOK); empty before one did.
    // A caller that logs on anew preselects it as ConnectionName.
    Q_INVOKABLE QString ChosenConnection() const { return m_chosenConnection; }

    // What to tell the user when no session could be opened on Host and Port: which server,
    // what went wrong and what to check, in the dialogs' language. Reason is the system's
    // word for a refused connection ("Connection refused").
    Q_INVOKABLE QString ConnectFailureText(Connect_Failure Failure, const QString& Host, int Port,
                                           const QString& Reason = QString());

    // The caller's wait for the session it opens on Host and Port: Attempt runs (opening the
    // session; it keeps the event loop running while it waits), and meanwhile, once it lasts,
    // the window "LogonWait" says which server is waited for. Esc, its Cancel button or
    // closing it break the wait off: BreakOff runs then and must make Attempt return at once.
    // Returns what Attempt returned; LogonWaitBrokenOff tells whether the user broke it off.
    bool WaitForLogon(const QString& Host, int Port, const std::function<bool()>& Attempt,
                      const std::function<void()>& BreakOff);
    // True when the user broke the last WaitForLogon off.
    Q_INVOKABLE bool LogonWaitBrokenOff() const { return m_waitBrokenOff; }

Q_SIGNALS:
    // A function key F1 to F16 (KeyCode 112 to 127) released in one of the dialogs;
    // FormName is "Logon" or "ConnectionData", Shift 1 Shift + 2 Ctrl + 4 Alt.
    void KeyPressed(QString& FormName, int& KeyCode, int& Shift);

private:
    friend class klvutils::LogonDialog;

    klvutils::LogonDialog& form();
    Logon_Result runLogon(const QString& application, QString& host, int& port, QString& mandant, QString& userName,
                          QString& passwort, bool& withUserName, bool showDialog);
    void formKeyUp(const QString& formName, int keyCode, int shift);

    QString m_connectionName;
    QString m_lastError;
    QString m_chosenConnection;
    bool m_waitBrokenOff = false;
    std::shared_ptr<klvutils::LogonDialog> m_form;
};
