#pragma once

#include "ExportRowSource.h"

#include <QSharedPointer>

class ExportJob;
class KLVQuery;

// The rows of a started query: GetNextRecord fetches block after block from the server,
// GetField reads field 1 to n. A cancel breaks the query, so a fetch that waits returns at
// once.
class ExportQuerySource : public ExportRowSource
{
public:
    explicit ExportQuerySource(QSharedPointer<KLVQuery> query);
    ~ExportQuerySource() override;

    // Starts the job's query: its table, fields and selection.
    static bool Start(KLVQuery& query, const ExportJob& job);

    bool next() override;
    void values(int count, QStringList& out) override;
    void cancel() override;

private:
    QSharedPointer<KLVQuery> m_query;
    bool m_cancelled = false;
};
