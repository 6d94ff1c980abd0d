#pragma once

#include "ExportRowSource.h"
#include "ExportWriter.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

// Writes the rows of a source through a writer, tick by tick on the event loop, so the
// program stays responsive and a cancel is seen.
//
// One tick writes blocks of BlockRows rows until about TickMilliseconds have passed, then
// returns to the event loop; the next tick follows on a zero-interval timer. After every
// block recordCount tells the rows written so far, and once more with the final count at the
// end. The end comes when the source has no more rows, after cancel() (the rows written so
// far stay, the target is finished as for a complete export, unless the writer keeps the
// older target it would replace), when the target takes no more rows (the same; the writer
// told the user), after endNow() (the same, for a window that closes), or with a failure
// (nothing of this export stays). The count is what the finished target holds: it leaves out
// the rows the writer did not keep, and after a failure it is 0.
//
// The engine owns the source and the writer and deletes itself after finished: it lives on
// while the windows that started it close, until the target is finished.
//
//   auto* engine = new ExportEngine(std::move(source), std::move(writer), fieldCount);
//   connect(engine, &ExportEngine::recordCount, progress, ...);
//   connect(engine, &ExportEngine::finished, this, [](ExportEngine::Outcome o) { ... });
//   engine->start();
class ExportEngine : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Completed,   // every row written, the target finished
        Cancelled,   // cancelled: the rows so far written, the target finished
        Stopped,     // the target took no more rows (its writer told the user): the rows up
                     // to there written, the target finished
        Closed,      // ended by endNow(): the rows so far written, the target finished
        WriteFailed, // the target failed (failure() says why); nothing of it stays
        ReadFailed   // a row could not be read (readError() says why); nothing of it stays
    };
    Q_ENUM(Outcome)

    // The unit of the progress count.
    static constexpr int BlockRows = 100;
    static constexpr int TickMilliseconds = 30;

    // The writer's target is open (its head written).
    ExportEngine(std::unique_ptr<ExportRowSource> source, std::unique_ptr<ExportWriter> writer, int fieldCount);
    ~ExportEngine() override;

    void start();
    // Ends the export at the next row; any number of times.
    void cancel();
    // Ends the export now: the rows written so far stay and the target is finished before
    // this returns. Called while a tick waits for the server, the end follows when it returns.
    void endNow();

    bool isRunning() const { return m_running; }
    // The rows the target holds: those handed to the writer less those it did not keep; none
    // once the export failed.
    qint64 rowsWritten() const { return m_failed ? 0 : m_rows - m_writer->rowsNotKept(); }
    ExportFailure failure() const { return m_failure; }
    QString readError() const { return m_readError; }
    // The writer's notes on the finished target.
    QStringList endNotes() const { return m_endNotes; }
    ExportWriter* writer() const { return m_writer.get(); }

Q_SIGNALS:
    void recordCount(qint64 rows);
    // The target is finished or dropped; the engine goes after this.
    void finished(ExportEngine::Outcome outcome);

private:
    void tick();
    // One block; false when the export ends.
    bool writeBlock();
    void finish(Outcome outcome);
    Outcome endOfSource() const;
    // No row after this one: the writer and the source are told.
    void endEarly();

    std::unique_ptr<ExportRowSource> m_source;
    std::unique_ptr<ExportWriter> m_writer;
    int m_fieldCount;
    QTimer m_timer;
    QStringList m_values;
    qint64 m_rows = 0;
    bool m_running = false;
    bool m_inTick = false;
    bool m_cancelled = false;
    bool m_stopped = false;
    bool m_closing = false;
    bool m_failed = false;
    bool m_ended = false;
    bool m_destroying = false;
    Outcome m_pending = Outcome::Completed;
    ExportFailure m_failure;
    QString m_readError;
    QStringList m_endNotes;
};
