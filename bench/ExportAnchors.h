#pragma once

// The export benchmark's anchors: each writes what one format of the export writes, from the
// same read (the export's own row source on the query it starts), with no program around it.
// They are the independent measure of the writing, so none calls the program's writers or its
// conversions of values: each converts the texts the session shows on its own.

#include "PlainFile.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

class ExportRowSource;

namespace ExportAnchors {

// The same bytes the export writes for the text (kind 0), XML (3) or HTML (4) file of the
// benchmark's fields with the options' defaults (no heading in HTML), row by row, through a
// buffer of its own written with fwrite and on disk at the end (PlainFile). The values are
// converted here, as the file format asks, without the program's conversions.
class PlainExport
{
public:
    // Opens the file and writes the head.
    PlainExport(int kind, const QString& file);
    // The same bytes appended to sink instead of a file.
    PlainExport(int kind, std::string& sink);
    // One row of the benchmark's fields.
    void row(const QStringList& values);
    // The tail, and the file on disk; false when it could not be written.
    bool close();

private:
    void head();

    int m_kind;
    PlainFile m_out;
    qint64 m_rows = 0;
};

// The file of a kind from the rows source gives, as PlainExport writes it. False when the file
// could not be written or the read did not end; rows counts what was written.
bool writePlain(int kind, ExportRowSource& source, const QString& file, qint64& rows);

// Each logs on to the server at port, reads the export's query in blocks of block records and
// prints the run's line; 0 when all rows were written.
//   sqlite3's prepared statements in one transaction, into a file of a temporary folder; the
//   seconds printed are the writing's alone, the read's the baseline.
int runSqliteAnchor(quint16 port, int block, int rows);
//   The ODBC driver with a prepared INSERT and parameter arrays of 1,000 rows in one
//   transaction, into the data source the parent names (ExportBench::PgConnectionVariable);
//   timed as the SQLite anchor.
int runOdbcAnchor(quint16 port, int block, int rows);
//   libxlsxwriter's constant-memory writer alone on the export's cells, types, number formats
//   and widths; the seconds printed are the read's and the writing's together, the read's own
//   the baseline.
int runWorkbookAlone(quint16 port, int block, int rows);

} // namespace ExportAnchors
