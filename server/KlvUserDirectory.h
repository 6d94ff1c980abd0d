#pragma once

#include <QHash>
#include <QList>
#include <QString>

// The Mandants (ERP clients) and users the stand-in server knows, and the one-time passwords
// it has handed out. The names and passwords are listed in server/README.md.
class KlvUserDirectory
{
public:
    struct User
    {
        QString name;
        QString password;
        QString operatorCode;
        QString passwordRef; // the user's password record, as a reference
        QString homeDir;
    };
    struct Mandant
    {
        QString id;
        QString name;
        QString dir;
        QString dbClientId;
        QList<User> users;
    };

    KlvUserDirectory();

    const Mandant* mandant(const QString& id) const;
    // Case-insensitive, as ERP user names are.
    const User* user(const QString& mandantId, const QString& name) const;
    // A logon without a user name names the user by the password alone.
    const User* userByPassword(const QString& mandantId, const QString& password) const;

    // A fresh password that logs the user on once.
    QString issueOneTimePassword(const QString& mandantId, const QString& userName);
    // The user a one-time password was issued for (empty when it is unknown or used up); the
    // password is spent by this call.
    QString redeemOneTimePassword(const QString& mandantId, const QString& password);

private:
    QList<Mandant> m_mandants;
    QHash<QString, QString> m_oneTimePasswords; // Mandant "\n" password -> user name
};
