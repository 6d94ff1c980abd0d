#pragma once

#include "ExportJob.h"

#include <QString>
#include <QStringList>

// Why an export could not open, write or finish its target: the number of the message that
// leads the box, the system's description and its error number.
struct ExportFailure
{
    int message = 0;
    QString description;
    int number = 0;

    // The message, CR LF, the description, " (", the number, ")".
    QString text() const;
};

// One output format of the export. The engine drives it: open once (the head is written),
// one writeRow per record in the order read, then finish (the tail is written and the target
// made final) or discard (nothing of this export stays; an older target is kept). A writer
// never starts anything itself; startFollowUp runs only after a successful finish.
//
// A new target (a workbook, a database table) is one more subclass and one line in
// ExportWriterRegistry; the dialog, the engine and the other writers stay as they are.
class ExportWriter
{
public:
    enum class Step {
        Continue, // the row is written (or skipped as the user chose); go on
        Cancel,   // the user chose to end the export: it ends as a cancel does
        Stop,     // the target holds no more rows (the user was told): this row is not
                  // written, and the export ends as a cancel does
        Fail      // the target cannot take more: the export fails, failure says why
    };

    explicit ExportWriter(ExportJob job) : m_job(std::move(job)) {}
    virtual ~ExportWriter();
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;

    const ExportJob& job() const { return m_job; }

    // The checks of the target before anything is stored or started. A refusal has been told
    // to the user (message box or question); focusControl then names the dialog control that
    // should take the focus, or stays empty.
    virtual bool checkTarget(QString& focusControl) = 0;
    // Opens the target and writes what comes before the rows.
    virtual bool open(ExportFailure& failure) = 0;
    // values holds one text per field, in the job's field order; row counts from 1.
    virtual Step writeRow(const QStringList& values, qint64 row, ExportFailure& failure) = 0;
    // Writes what comes after the rows and makes the target final. On false nothing of this
    // export stays.
    virtual bool finish(ExportFailure& failure) = 0;
    // Drops what this export wrote.
    virtual void discard() = 0;
    // The program the user chose to run on the finished target, if any.
    virtual void startFollowUp() = 0;
    // Lines for the progress dialog once the export ended (what was changed on the way).
    virtual QStringList endNotes() const { return {}; }
    // The export ends before its last row (a cancel, or the window closes); finish follows.
    // A target that would replace what the user had may keep the old one instead.
    virtual void cancelled() {}
    // Rows handed to writeRow that the finished target does not hold (refused by a database,
    // or all of them when a cancel kept the old target): the final count leaves them out.
    virtual qint64 rowsNotKept() const { return 0; }

private:
    ExportJob m_job;
};
