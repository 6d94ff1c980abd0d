#pragma once

// What the export benchmark's runs and its anchors share: the exported table and its fields,
// the logon, the line every run prints, the query the export starts, and the export's writer
// driven as the dialog drives it.

#include "ExportJob.h"
#include "ExportPrompt.h"
#include "ExportRowSource.h"
#include "ExportWriter.h"

#include <QElapsedTimer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

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

// The writer driven as the dialog drives it: checks, open, the engine to its end. True when
// the export completed; rows is what it wrote.
bool runWriter(std::unique_ptr<ExportRowSource> source, std::unique_ptr<ExportWriter> writer, int fields, qint64& rows);

// The rows of the table the export or an anchor wrote into the server, asked through the
// driver; -1 when that fails.
qint64 pgRowCount(const QString& connection, const QString& table);

} // namespace ExportBench
