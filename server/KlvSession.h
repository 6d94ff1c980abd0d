#pragma once

#include <QHash>
#include <QSet>
#include <QString>

// What the server remembers about one connection's session: the Mandant, the user once logged
// on, the session options and test flags, and whether a server transaction is open.
class KlvSession
{
public:
    KlvSession();

    bool loggedOn = false;
    QString mandant; // set by CHM, or by LGN when it carries one
    QString user;
    QString station;
    QString clientVersion;
    QString applicationName;
    bool transactionOpen = false;
    QSet<int> testFlags;

    // Keyword in upper case.
    QString option(const QString& keyword) const { return m_options.value(keyword); }
    void setOption(const QString& keyword, const QString& value) { m_options.insert(keyword, value); }

private:
    QHash<QString, QString> m_options;
};
