#include "ExportEngine.h"

#include <QElapsedTimer>
#include <QPointer>

ExportEngine::ExportEngine(std::unique_ptr<ExportRowSource> source, std::unique_ptr<ExportWriter> writer,
                           int fieldCount)
    : m_source(std::move(source)), m_writer(std::move(writer)), m_fieldCount(fieldCount)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &ExportEngine::tick);
}

ExportEngine::~ExportEngine()
{
    // Deleted before its end (the program goes): it ends as after a cancel, what was written
    // kept and finished.
    m_destroying = true;
    if (m_running && !m_inTick) {
        m_writer->cancelled();
        finish(m_closing ? Outcome::Closed : Outcome::Cancelled);
    }
}

void ExportEngine::start()
{
    if (m_running || m_ended)
        return;
    m_running = true;
    m_timer.start();
}

void ExportEngine::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    endEarly();
}

void ExportEngine::endEarly()
{
    m_writer->cancelled();
    m_source->cancel();
}

void ExportEngine::endNow()
{
    if (!m_running)
        return;
    m_closing = true;
    endEarly();
    if (!m_inTick) {
        m_timer.stop();
        finish(Outcome::Closed);
    }
}

void ExportEngine::tick()
{
    if (!m_running)
        return;
    m_inTick = true;
    const QPointer<ExportEngine> self(this);
    QElapsedTimer clock;
    clock.start();
    bool more = true;
    do {
        more = writeBlock();
        if (!self)
            return;
    } while (more && !m_closing && clock.elapsed() < TickMilliseconds);
    m_inTick = false;
    if (more && !m_closing)
        m_timer.start();
    else
        finish(more ? Outcome::Closed : m_pending);
}

bool ExportEngine::writeBlock()
{
    for (int n = 0; n < BlockRows; ++n) {
        if (!m_source->next()) {
            m_pending = endOfSource();
            return false;
        }
        ++m_rows;
        m_source->values(m_fieldCount, m_values);
        switch (m_writer->writeRow(m_values, m_rows, m_failure)) {
        case ExportWriter::Step::Continue:
            break;
        case ExportWriter::Step::Cancel:
            cancel();
            break;
        case ExportWriter::Step::Stop:
            --m_rows;
            m_stopped = true;
            endEarly();
            break;
        case ExportWriter::Step::Fail:
            m_pending = Outcome::WriteFailed;
            return false;
        }
    }
    Q_EMIT recordCount(rowsWritten());
    return true;
}

ExportEngine::Outcome ExportEngine::endOfSource() const
{
    switch (m_source->state()) {
    case ExportRowSource::State::Failed:
        // A window closing breaks the query: that is no failure of the read.
        return m_closing ? Outcome::Closed : Outcome::ReadFailed;
    case ExportRowSource::State::SourceGone:
        return Outcome::Closed;
    default:
        if (m_closing)
            return Outcome::Closed;
        if (m_cancelled)
            return Outcome::Cancelled;
        return m_stopped ? Outcome::Stopped : Outcome::Completed;
    }
}

void ExportEngine::finish(Outcome outcome)
{
    if (m_ended)
        return;
    m_ended = true;
    m_running = false;
    m_timer.stop();
    if (outcome == Outcome::ReadFailed)
        m_readError = m_source->errorText();
    // The source first: a query still open on the server is broken off.
    m_source.reset();
    if (outcome == Outcome::WriteFailed || outcome == Outcome::ReadFailed) {
        m_writer->discard();
    } else if (!m_writer->finish(m_failure)) {
        outcome = Outcome::WriteFailed;
    } else {
        m_endNotes = m_writer->endNotes();
    }
    // Nothing of a failed export stays: the last count says so.
    m_failed = outcome == Outcome::WriteFailed || outcome == Outcome::ReadFailed;
    Q_EMIT recordCount(rowsWritten());
    Q_EMIT finished(outcome);
    if (!m_destroying)
        deleteLater();
}
