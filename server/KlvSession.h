#pragma once

#include "KlvEditorState.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <map>
#include <memory>

class KlvQueryCursor;

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

    // --- editor: the connection's edit transactions -----------------------------------------
    KlvEditorState editor;
    // --- end of editor ------------------------------------------------------------------------

    // Keyword in upper case.
    QString option(const QString& keyword) const { return m_options.value(keyword); }
    void setOption(const QString& keyword, const QString& value) { m_options.insert(keyword, value); }

    // Answers of queries and catalogue lists still to be read with "GNR", by transaction id;
    // "BRQ" drops one. Their ids count from 500001, apart from those of edit transactions.
    std::map<QString, std::shared_ptr<KlvQueryCursor>> queries;
    int nextQueryTid = 500001;

private:
    QHash<QString, QString> m_options;
};
