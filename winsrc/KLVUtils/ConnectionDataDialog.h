#pragma once

#include <QDialog>

#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace klvutils {

// The dialog "ConnectionData" in which one stored connection is created, changed or
// deleted. It only edits its boxes; the logon dialog stores what it returns.
class ConnectionDataDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ConnectionDataDialog(QWidget* parent = nullptr);

    // 1 after save, 2 after cancel or closing.
    int Aktion() const { return m_aktion; }

    // Gives every label, button and the check box its text by number.
    void localise(const std::function<QString(int)>& messageText);

    void setRecord(const QString& name, const QString& host, int port, const QString& mandant, bool withUserName,
                   const QString& userName);
    // For a deletion the boxes only show the record that goes.
    void setReadOnly(bool readOnly);

    QString connName() const;
    QString host() const;
    // An empty port box stands for the default port.
    int port() const;
    QString mandant() const;
    bool withUserName() const;
    QString userName() const;

Q_SIGNALS:
    void keyReleased(const QString& formName, int keyCode, int shift);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void updateUserNameBox();
    void updateSaveButton();
    bool portValid() const;

    QLabel* m_connNameLabel;
    QLineEdit* m_connName;
    QLabel* m_hostLabel;
    QLineEdit* m_host;
    QLabel* m_portLabel;
    QLineEdit* m_port;
    QLabel* m_mandantLabel;
    QLineEdit* m_mandant;
    QCheckBox* m_mitUsername;
    QLabel* m_userNameLabel;
    QLineEdit* m_userName;
    QPushButton* m_speichern;
    QPushButton* m_abbruch;

    std::vector<std::pair<QWidget*, int>> m_captions;
    bool m_readOnly = false;
    int m_aktion = 2;
};

} // namespace klvutils
