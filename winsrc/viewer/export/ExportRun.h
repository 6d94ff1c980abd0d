#pragma once

#include "ExportCheck.h"
#include "ExportEngine.h"
#include "ExportJob.h"

#include <QObject>
#include <QPointer>
#include <QSharedPointer>

#include <memory>

class ExportProgressDialog;
class ExportWriter;
class KLVQuery;

// One export on its way, from the start (a fresh query asked of the server, or the rows a
// window shows) through the rows written by an ExportEngine with the progress window in front,
// to its end: the progress window says how it ended (finished, cancelled, failed) with the
// count the target holds, a failure is shown, and the program the user chose is started.
// Closing the window whose rows go, or the main window, ends it at once with the rows written
// so far, before the session and the window go.
//
// The start asks the server first and the target after: the query is started (a refusal
// ends the start before the target was touched), then the writer confirms its target (a
// logon, a question before a table or workbook is made or replaced) and opens it. A target
// refused or declined then ends the query already sent, and nothing is written.
//
// The export dialog makes it once the checks passed and the settings are stored, and goes
// with it; the writer's questions go to the prompt it was given.
class ExportRun : public QObject
{
    Q_OBJECT

public:
    // caller answers GetResultField for the rows it shows (rowsFromCaller), callerRowCount of
    // them; cancelForm is what the progress window calls ExportAbbrechen on by name.
    ExportRun(ExportJob job, std::unique_ptr<ExportWriter> writer, QObject* caller, int callerRowCount,
              QObject* cancelForm);
    ~ExportRun() override;

    // Passed when the rows are on their way. Otherwise the start ended and nothing was opened:
    // the check holds what to show (none when the user declined a question or the window
    // closed) and the option of the writer to correct.
    ExportCheck start();
    // Ends the export at the next row; any number of times.
    void cancel();
    // The start waits for the server.
    bool isStarting() const { return m_starting; }
    // Rows are being written.
    bool isRunning() const { return m_engine; }

Q_SIGNALS:
    // The export ended; the run may go.
    void finished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // False when the query did not start; refusal then says why (empty when a window closed).
    bool startQuery(QSharedPointer<KLVQuery>& query, QString& refusal);
    void ended(ExportEngine::Outcome outcome);
    void endForClosing();
    void watchWindows(bool on);
    void stopStarting();

    ExportJob m_job;
    std::unique_ptr<ExportWriter> m_writer;
    QPointer<QObject> m_caller;
    int m_callerRowCount;
    QPointer<QObject> m_cancelForm;
    bool m_starting = false;
    bool m_closeRequested = false;
    QSharedPointer<KLVQuery> m_startingQuery;
    QPointer<ExportEngine> m_engine;
    QPointer<ExportProgressDialog> m_progress;
    QPointer<QWidget> m_watchedMain;
};
