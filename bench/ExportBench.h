#pragma once

// What the export benchmark's runs and its anchors share: the exported table and its fields,
// the logon, the line every run prints, the query the export starts and the rows it gives (the
// server's, a share of them as a user's data has them), the export's writer driven as the dialog
// drives it, and the clock of the writing.

#include "ExportJob.h"
#include "ExportPrompt.h"
#include "ExportRowSource.h"
#include "ExportWriter.h"

#include <QElapsedTimer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

#include <ctime>
#include <memory>

class KLV;
class KLVQuery;

namespace ExportBench {

// The stand-in server's generated table, its caption and the fields exported.
extern const QString Table;
extern const QString Caption;
extern const QStringList Fields;
// Their ERP types, as the server's field catalogue gives them.
extern const QStringList Types;
// The sheet the workbook export writes into, named after the caption.
extern const QString SheetName;
// The environment variable that hands a child run the ODBC connection string of the
// PostgreSQL server the parent started.
inline constexpr const char* PgConnectionVariable = "KLV_BENCH_PG_CONNECTION";

double seconds(const QElapsedTimer& timer);

// A session on the server at port with the given block size; null (with the reason on
// standard error) when the logon fails.
QSharedPointer<KLV> logOn(quint16 port, int block);

// What every run prints: records, seconds, peak KiB, file bytes, baseline seconds.
void report(qint64 records, double secs, qint64 bytes, double baseline);

// The export of the query window's fields, as it hands them over: head fields with their
// query names and types, the selection of the whole table.
ExportJob exportJob(int kind, bool shownRows);

// The user who agrees to every question (a new workbook or database file) and reads every
// notice.
class Agreeing : public ExportPrompt
{
public:
    bool ask(const QString&, Choice) override { return true; }
    void tell(const QString& text) override;
};

// The query the export starts for the job, started; null (with the reason on standard error)
// when it does not start.
QSharedPointer<KLVQuery> startQuery(const QSharedPointer<KLV>& session, const ExportJob& job);

// The rows of a source with a share of them as a user's data has them: about one row in six
// holds in its name or place what the export has to treat: "&", "<", ">", double quotes, line
// breaks (CR LF, LF, a CR alone), a TAB and other controls, a character outside the basic plane,
// one or two web or file addresses, or nothing at all. Which row gets what follows from its
// number alone, so every run writes the same texts. The values stay short enough for the ODBC
// anchor's text columns.
//
// With readNanoseconds it also sums the time spent reading (in next() and values()) there, so
// that a run can tell its writing from its read in the same process.
class UserRows : public ExportRowSource
{
public:
    explicit UserRows(std::unique_ptr<ExportRowSource> rows, qint64* readNanoseconds = nullptr)
        : m_rows(std::move(rows)), m_readNs(readNanoseconds)
    {}

    bool next() override;
    void values(int count, QStringList& out) override;
    void cancel() override { m_rows->cancel(); }

    // What row (from 1) holds as a user's data: changed in place.
    static void Vary(qint64 row, QStringList& values);

private:
    std::unique_ptr<ExportRowSource> m_rows;
    qint64* m_readNs;
    qint64 m_row = 0;
};

// The rows the export reads from the query: the server's, varied as UserRows does; the time
// spent reading summed into *readNanoseconds when given.
std::unique_ptr<ExportRowSource> exportRows(const QSharedPointer<KLVQuery>& query, qint64* readNanoseconds = nullptr);

// The CPU time this thread has used: the client's own work, whatever the server's thread does
// meanwhile and however long the disk takes.
inline qint64 threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The time a piece of work takes, summed over its runs: the thread's CPU time and the time on
// the clock.
class WorkClock
{
public:
    void start()
    {
        m_cpuStart = threadCpuNanoseconds();
        m_wall.start();
    }
    void stop()
    {
        m_lastCpu = threadCpuNanoseconds() - m_cpuStart;
        m_cpu += m_lastCpu;
        m_wallNs += m_wall.nsecsElapsed();
    }
    double cpuSeconds() const { return double(m_cpu) / 1e9; }
    // The CPU time of the last run alone.
    double lastCpuSeconds() const { return double(m_lastCpu) / 1e9; }
    double wallSeconds() const { return double(m_wallNs) / 1e9; }

private:
    QElapsedTimer m_wall;
    qint64 m_cpuStart = 0;
    qint64 m_lastCpu = 0;
    qint64 m_cpu = 0;
    qint64 m_wallNs = 0;
};

// The writer driven as the dialog drives it: checks, open, the engine to its end. True when
// the export completed; rows is what it wrote.
bool runWriter(std::unique_ptr<ExportRowSource> source, std::unique_ptr<ExportWriter> writer, int fields, qint64& rows);

// The rows of the table the export or an anchor wrote into the server, asked through the
// driver; -1 when that fails.
qint64 pgRowCount(const QString& connection, const QString& table);

} // namespace ExportBench
