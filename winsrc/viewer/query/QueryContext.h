#pragma once

#include <QSharedPointer>
#include <QString>

class KLV;
class KLVMessageCollector;
class KLVQuery;

// What the panes of one query window share: the window's two queries on the main window's
// session, and its current table and saved query. The window owns it and hands each pane a
// pointer; the panes read and, where their Part says so, change it.
class QueryContext
{
public:
    // Runs the user's query and the catalogue reads of the lists.
    QSharedPointer<KLVQuery> query;
    // Reads that must not disturb query (extra tables and fields, templates, record origin);
    // its server errors go to tmpCollector.
    QSharedPointer<KLVQuery> tmpQuery;
    QSharedPointer<KLVMessageCollector> tmpCollector;

    // The table whose fields are shown: its name, its numeric id (catalogue field 3) and
    // whether it has a table part (catalogue field 11).
    QString aktTableName;
    QString aktTableID;
    bool aktTableHasTable = false;
    // The saved query the window shows.
    QString aktQueryName;

    // The main window's session; null without one.
    static QSharedPointer<KLV> session();
};
