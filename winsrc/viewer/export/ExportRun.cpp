#include "ExportRun.h"

#include "ExportCallerSource.h"
#include "ExportProgressDialog.h"
#include "ExportQuerySource.h"
#include "ExportWriter.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "MainModul.h"

#include <QApplication>
#include <QEvent>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgStatus = 21;
constexpr int MsgError = 22;
constexpr int MsgNotConnected = 16;
constexpr int MsgQueryRefused = 140;
constexpr int MsgReadFailed = 299;

void setMousePointer(int pointer)
{
    if (App().MainForm)
        App().MainForm->setProperty("MousePointer", pointer);
}

} // namespace

ExportRun::ExportRun(ExportJob job, std::unique_ptr<ExportWriter> writer, QObject* caller, int callerRowCount,
                     QObject* cancelForm)
    : m_job(std::move(job)), m_writer(std::move(writer)), m_caller(caller), m_callerRowCount(callerRowCount),
      m_cancelForm(cancelForm)
{}

ExportRun::~ExportRun()
{
    // The run goes while the export runs (the main window goes): the rows written so far are
    // kept and the file finished; no program is started and nothing is shown.
    if (m_engine) {
        disconnect(m_engine, nullptr, this, nullptr);
        m_engine->endNow();
        setMousePointer(0);
        if (m_progress)
            m_progress->Unload();
    }
    if (m_startingQuery)
        m_startingQuery->Break();
    watchWindows(false);
}

ExportCheck ExportRun::start()
{
    if (m_starting || m_engine || !m_writer)
        return ExportCheck::Declined();
    const QPointer<ExportRun> self(this);
    // Held here while the start asks the user: the run may go meanwhile (the main window
    // closes), the writer whose question is open may not.
    std::unique_ptr<ExportWriter> writer = std::move(m_writer);
    m_starting = true;
    m_closeRequested = false;
    m_progress = ExportProgressDialog::DefaultInstance();
    m_progress->SetInitialValues(m_cancelForm.data(), m_job.caption);
    watchWindows(true);

    std::unique_ptr<ExportRowSource> source;
    if (m_job.rowsFromCaller) {
        QStringList keys;
        for (const ExportField& field : m_job.fields)
            keys.append(field.key);
        source = std::make_unique<ExportCallerSource>(m_caller.data(), keys, m_callerRowCount);
    } else {
        QSharedPointer<KLVQuery> query;
        QString refusal;
        const bool started = startQuery(query, refusal);
        if (!self)
            return ExportCheck::Declined();
        if (!started || m_closeRequested) {
            if (query)
                query->Break();
            stopStarting();
            return ExportCheck::Refused(m_closeRequested ? QString() : refusal);
        }
        source = std::make_unique<ExportQuerySource>(query);
    }

    // The target only once the server took the query: a user who agreed to replace a table
    // or a sheet, or logged on to a data source, is not told afterwards that there is nothing
    // to export. A target refused or declined ends the query already sent (the source breaks
    // it off on the server as it goes), and nothing is written.
    const ExportCheck confirmed = writer->confirmTarget();
    if (!self)
        return ExportCheck::Declined();
    if (!confirmed.passed() || m_closeRequested) {
        source.reset();
        stopStarting();
        return m_closeRequested ? ExportCheck::Declined() : confirmed;
    }

    ExportFailure failure;
    if (!writer->open(failure)) {
        source.reset();
        stopStarting();
        return ExportCheck::Refused(failure.text());
    }

    setMousePointer(13);
    m_progress->setCursor(Qt::BusyCursor);
    m_engine = new ExportEngine(std::move(source), std::move(writer), int(m_job.fields.size()));
    const QPointer<ExportProgressDialog> progress = m_progress;
    connect(m_engine, &ExportEngine::recordCount, this, [progress](qint64 rows) {
        if (progress)
            progress->SetRecordCount(rows);
    });
    connect(m_engine, &ExportEngine::finished, this, &ExportRun::ended);
    m_starting = false;
    m_progress->setWindowModality(m_job.rowsFromCaller ? Qt::ApplicationModal : Qt::NonModal);
    m_progress->show();
    m_progress->raise();
    m_engine->start();
    return {};
}

void ExportRun::stopStarting()
{
    m_starting = false;
    watchWindows(false);
    if (m_progress)
        m_progress->Unload();
}

bool ExportRun::startQuery(QSharedPointer<KLVQuery>& query, QString& refusal)
{
    const QSharedPointer<KLV> session = App().MainSession.toStrongRef();
    if (!session) {
        refusal = GetMessageTextByNr(MsgQueryRefused) + u"\r\n"_s + GetMessageTextByNr(MsgNotConnected);
        return false;
    }
    query = session->CreateQuery();
    const QPointer<ExportProgressDialog> progress = m_progress;
    connect(query.data(), &KLVQuery::StatusMessage, this, [progress](QString& message) {
        if (progress)
            progress->AddMessage(GetMessageTextByNr(MsgStatus) + u' ' + message);
    });
    connect(query.data(), &KLVQuery::ErrorMessage, this, [progress](QString& message) {
        if (progress)
            progress->AddMessage(GetMessageTextByNr(MsgError) + u' ' + message);
    });
    m_startingQuery = query;
    const QPointer<ExportRun> self(this);
    const bool started = ExportQuerySource::Start(*query, m_job);
    if (!self)
        return false;
    m_startingQuery.reset();
    if (!started && !m_closeRequested)
        refusal = GetMessageTextByNr(MsgQueryRefused) + u"\r\n"_s + ServerErrorText(query->GetLastError());
    return started;
}

void ExportRun::cancel()
{
    if (m_engine)
        m_engine->cancel();
}

bool ExportRun::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && (m_engine || m_starting) &&
        (watched == m_caller.data() || watched == m_watchedMain.data()))
        endForClosing();
    return QObject::eventFilter(watched, event);
}

void ExportRun::watchWindows(bool on)
{
    QObject* caller = m_caller.data();
    if (on) {
        if (caller)
            caller->installEventFilter(this);
        m_watchedMain = App().MainForm.data();
        if (m_watchedMain && m_watchedMain != caller)
            m_watchedMain->installEventFilter(this);
        if (caller)
            connect(caller, &QObject::destroyed, this, &ExportRun::endForClosing, Qt::UniqueConnection);
        if (qApp)
            connect(qApp, &QCoreApplication::aboutToQuit, this, &ExportRun::endForClosing, Qt::UniqueConnection);
    } else {
        if (caller) {
            caller->removeEventFilter(this);
            disconnect(caller, &QObject::destroyed, this, &ExportRun::endForClosing);
        }
        if (m_watchedMain)
            m_watchedMain->removeEventFilter(this);
        m_watchedMain.clear();
        if (qApp)
            disconnect(qApp, &QCoreApplication::aboutToQuit, this, &ExportRun::endForClosing);
    }
}

void ExportRun::endForClosing()
{
    if (m_engine) {
        m_engine->endNow();
    } else if (m_starting) {
        // The start waits for the server: it ends there, and nothing is opened.
        m_closeRequested = true;
        if (m_startingQuery)
            m_startingQuery->Break();
    }
}

void ExportRun::ended(ExportEngine::Outcome outcome)
{
    using End = ExportProgressDialog::End;
    ExportEngine* engine = m_engine.data();
    watchWindows(false);
    setMousePointer(0);
    if (m_progress)
        m_progress->unsetCursor();
    // The progress window ends as the target does: how the export ended and the count the
    // target holds (none after a failure), before a failure's message stands over it.
    switch (outcome) {
    case ExportEngine::Outcome::Completed:
    case ExportEngine::Outcome::Stopped:
    case ExportEngine::Outcome::Cancelled:
    case ExportEngine::Outcome::Closed:
        if (m_progress)
            m_progress->ShowEnd(outcome == ExportEngine::Outcome::Completed || outcome == ExportEngine::Outcome::Stopped
                                    ? End::Finished
                                    : End::Cancelled,
                                engine->rowsWritten(), engine->endNotes());
        // A window that closed takes the export with it, not a program with it.
        if (outcome != ExportEngine::Outcome::Closed)
            engine->writer()->startFollowUp();
        break;
    case ExportEngine::Outcome::WriteFailed:
        if (m_progress)
            m_progress->ShowEnd(End::Failed, engine->rowsWritten(), {});
        ShowMessageBox(engine->failure().text());
        break;
    case ExportEngine::Outcome::ReadFailed:
        if (m_progress)
            m_progress->ShowEnd(End::Failed, engine->rowsWritten(), {});
        ShowMessageBox(GetMessageTextByNr(MsgReadFailed) + u"\r\n"_s + engine->readError());
        break;
    }
    m_engine.clear();
    Q_EMIT finished();
}
