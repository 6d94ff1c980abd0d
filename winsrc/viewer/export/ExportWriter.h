#pragma once

#include "ExportCheck.h"
#include "ExportJob.h"

#include <QString>
#include <QStringList>

class ExportPrompt;

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

// One output format of the export, typed options of its own beside the job. Whoever runs it
// (the export dialog, a benchmark, a test) drives it in this order:
//
//   checkTarget     the options and the target name; nothing is touched yet
//   (the settings are stored, a fresh query is started)
//   confirmTarget   what needs the target itself: a logon, a question before a table or a
//                   workbook is made or replaced; a refusal here ends the query again
//   open            the target opened, the head written
//   writeRow        once per record, in the order read
//   finish          the tail written and the target made final; or discard: nothing of this
//                   export stays, an older target is kept
//   startFollowUp   the program the user chose, after a successful finish only
//
// A writer shows nothing: a check answers a value (ExportCheck), a failure is an
// ExportFailure, and a question goes to its prompt, which whoever runs it answers.
//
// A new format is one unit (its writer with its Options, its options page) and one entry in
// ExportFormatRegistry; the dialog, the engine and the other formats stay as they are.
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

    // Where the questions go; it outlives the writer's work. Without one every question is
    // declined.
    void setPrompt(ExportPrompt* prompt) { m_prompt = prompt; }
    ExportPrompt& prompt() const;

    virtual ExportCheck checkTarget() = 0;
    virtual ExportCheck confirmTarget() { return {}; }
    virtual bool open(ExportFailure& failure) = 0;
    // values holds one text per field, in the job's field order; row counts from 1.
    virtual Step writeRow(const QStringList& values, qint64 row, ExportFailure& failure) = 0;
    // On false nothing of this export stays.
    virtual bool finish(ExportFailure& failure) = 0;
    virtual void discard() = 0;
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
    ExportPrompt* m_prompt = nullptr;
};
