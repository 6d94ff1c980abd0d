#include "ExportQuerySource.h"

#include "ExportJob.h"
#include "KLVQuery.h"
#include "KLVSelection.h"

ExportQuerySource::ExportQuerySource(QSharedPointer<KLVQuery> query) : m_query(std::move(query)) {}

QSharedPointer<KLVSelection> ExportQuerySource::Selection(const ExportJob& job)
{
    auto selection = QSharedPointer<KLVSelection>::create();
    selection->setTableName(job.tableId);
    selection->SetSelection(job.criteria, job.sortKey, job.byRows, job.aliveFlag, job.ascending, job.andJunction,
                            job.order);
    return selection;
}

QString ExportQuerySource::FieldList(const ExportJob& job)
{
    QStringList names;
    for (const ExportField& field : job.fields)
        names.append(field.tag);
    return names.join(u',');
}

bool ExportQuerySource::Start(KLVQuery& query, const ExportJob& job)
{
    return query.StartQuerySel(Selection(job), FieldList(job));
}

ExportQuerySource::~ExportQuerySource()
{
    // A selection left open on the server goes with a break.
    if (m_query && state() == State::Reading)
        m_query->Break();
}

bool ExportQuerySource::next()
{
    if (state() != State::Reading)
        return false;
    if (m_cancelled || !m_query) {
        setState(State::Ended);
        return false;
    }
    // Keeps the query while it waits, whatever its owner does meanwhile.
    const QSharedPointer<KLVQuery> query = m_query;
    if (query->GetNextRecord())
        return true;
    // The end of the data, a cancel, or a block that could not be fetched.
    const QString error = query->GetLastError();
    if (m_cancelled || error.isEmpty())
        setState(State::Ended);
    else
        setState(State::Failed, error);
    return false;
}

void ExportQuerySource::values(int count, QStringList& out)
{
    out.resize(count);
    for (int i = 0; i < count; ++i)
        out[i] = m_query->GetField(i + 1);
}

void ExportQuerySource::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    if (m_query && state() == State::Reading)
        m_query->Break();
}
