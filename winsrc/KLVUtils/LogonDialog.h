#pragma once

#include "LogonTexts.h"

#include <QDialog>
#include <QPointer>

#include <utility>
#include <vector>

class KLVLogon;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace klvutils {

class ConnectionDataDialog;
class ConnectionStore;
class LogonWaitDialog;

// The dialog "Logon": the user picks a stored connection and types user name and password,
// or opens the connection-data dialog to create, change or delete one. One instance serves
// every KLVLogon alive; it stays, hidden, between runs and its boxes keep their contents.
class LogonDialog : public QDialog
{
    Q_OBJECT
public:
    explicit LogonDialog(QWidget* parent = nullptr);
    ~LogonDialog() override;

    // The caller's application name: the stored connections live in its settings.
    QString Appl() const { return m_appl; }
    void setAppl(const QString& appl) { m_appl = appl; }

    // 1 after OK, 2 after cancel or closing.
    int Aktion() const { return m_aktion; }

    int LangID() const { return m_texts.langId(); }
    QString RememberedUserName() const { return m_rememberedUserName; }

    // The KLVLogon that raises KeyPressed for the keys of both dialogs.
    void setKeyEventRecipient(KLVLogon* recipient) { m_keyEventRecipient = recipient; }

    // Sets the language (7 German, anything else English) and gives both dialogs its texts.
    void LoadMessages(int lang);
    QString GetMessageText(int msgNr, const QVariant& defaultText = QVariant()) const;

    // Fills the connection list and preselects the last-used connection.
    void LoadConnectionList();
    void FillConnList(const QStringList& names);
    // Makes the stored connection of this name (any case) the choice; false when the list
    // has no such entry.
    bool selectConnection(const QString& name);
    // The chosen connection, empty when there is no choice.
    QString connectionText() const;

    // Enables or disables the user-name box as the chosen connection asks.
    void SetInputProperties();
    void SetInitialFocus();

    // Creates ("N"), changes ("A") or deletes ("L") a connection through the
    // connection-data dialog.
    void ShowConnData(const QString& editOp);

    void ReadConnInfo(const QString& name, QString& host, int& port, QString& mandant, bool& withUserName,
                      QString& userName) const;

    QString userNameText() const;
    void setUserNameText(const QString& userName);
    bool userNameEnabled() const;
    QString passwordText() const;
    void setPasswordText(const QString& password);

    ConnectionDataDialog* connectionDataDialog() const { return m_connectionData; }
    // The window of a caller's wait for the session it opens (KLVLogon::WaitForLogon).
    LogonWaitDialog* waitDialog() const { return m_wait; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void localise();
    void passKey(const QString& formName, int keyCode, int shift);
    void showSaveFailure(const ConnectionStore& store);
    bool storeConnData(const QString& editOp);
    void placeConnectionData();

    QLabel* m_label5;
    QComboBox* m_verbindungen;
    QPushButton* m_neueVerbindung;
    QPushButton* m_verbindungAendern;
    QPushButton* m_verbindungLoeschen;
    QLabel* m_label1;
    QLineEdit* m_userName;
    QLabel* m_passwortLabel;
    QLineEdit* m_passwort;
    QPushButton* m_okButton;
    QPushButton* m_abbruchButton;
    ConnectionDataDialog* m_connectionData;
    LogonWaitDialog* m_wait;

    std::vector<std::pair<QWidget*, int>> m_captions;
    LogonTexts m_texts;
    QString m_appl;
    QString m_rememberedUserName;
    QPointer<KLVLogon> m_keyEventRecipient;
    int m_aktion = 2;
};

} // namespace klvutils
