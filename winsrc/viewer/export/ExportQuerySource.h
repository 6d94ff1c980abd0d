#pragma once

#include "ExportRowSource.h"

#include <QSharedPointer>

class ExportJob;
class KLVQuery;
class KLVSelection;

// The rows of a started query: GetNextRecord fetches block after block from the server,
// GetField reads field 1 to n. A cancel breaks the query, so a fetch that waits returns at
// once.
class ExportQuerySource : public ExportRowSource
{
public:
    explicit ExportQuerySource(QSharedPointer<KLVQuery> query);
    ~ExportQuerySource() override;

    // The selection a fresh query of the job starts with: the window's as the dialog shows it,
    // its explicit order included, so the rows come in the order the window lists them.
    static QSharedPointer<KLVSelection> Selection(const ExportJob& job);
    // The fields' query names, joined by ",".
    static QString FieldList(const ExportJob& job);
    // Starts the job's query (StartQuerySel with the two above).
    static bool Start(KLVQuery& query, const ExportJob& job);

    bool next() override;
    void values(int count, QStringList& out) override;
    void cancel() override;

private:
    QSharedPointer<KLVQuery> m_query;
    bool m_cancelled = false;
};
