#pragma once

// What the database tests share: the job of a database export, a writer driven through its
// checks, rows and end as the dialog drives it, the engine run to its end over the rows a
// window shows, and the same as the dialog runs it, with the progress window in front.

#include "ExportCallerSource.h"
#include "ExportDatabaseWriter.h"
#include "ExportEngine.h"
#include "ExportProgressDialog.h"
#include "ExportRun.h"
#include "export_support.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QJsonArray& array, std::ostream* out)
{
    *out << QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
}

inline void PrintTo(const QJsonValue& value, std::ostream* out)
{
    *out << QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

namespace DatabaseTest {

using namespace ExportTest;

using Target = ExportDatabaseWriter::Target;

// A database export: the job and the writer's options, as the database's page makes them.
struct DatabaseExport
{
    ExportJob job;
    ExportDatabaseWriter::Options options;
};

inline DatabaseExport databaseJob(const QList<ExportField>& fields, Target target, const QString& name,
                                  const QString& table, bool withPrefix = false)
{
    DatabaseExport e{job(2, fields), {}};
    e.options.target = target;
    e.options.database = name;
    e.options.table = table;
    e.options.withTablePrefix = withPrefix;
    e.options.startProgram = true;
    return e;
}

// The writer of such an export.
class DatabaseWriter : public ExportDatabaseWriter
{
public:
    explicit DatabaseWriter(const DatabaseExport& e) : ExportDatabaseWriter(e.job, e.options) {}
};

// Checks as the dialog does, opens, writes every row and finishes; false at the first step
// that does not go on. The user's answers come from boxes.
inline bool exportRows(ExportDatabaseWriter& writer, const QList<QStringList>& rows, ExportFailure& failure)
{
    if (!checkAsTheDialogDoes(writer) || !writer.open(failure))
        return false;
    qint64 n = 0;
    for (const QStringList& row : rows) {
        if (writer.writeRow(row, ++n, failure) != ExportWriter::Step::Continue)
            return false;
    }
    return writer.finish(failure);
}

struct EngineRun
{
    ExportEngine::Outcome outcome = ExportEngine::Outcome::ReadFailed;
    qint64 finalCount = -1; // the count the progress window shows at the end
    ExportFailure failure;
    QStringList notes;
};

// The rows of a window exported through the engine into the writer, whose checks have passed
// and whose target is open; act runs when the engine reads the first field of row actAt.
inline EngineRun runEngine(std::unique_ptr<ExportWriter> writer, const QList<QStringList>& rows, int actAt = 0,
                           const std::function<void(ExportEngine*)>& act = {})
{
    const int columns = rows.isEmpty() ? 0 : int(rows.first().size());
    QStringList keys;
    for (int i = 0; i < columns; ++i)
        keys.append(QStringLiteral("f%1#0#S").arg(i));
    RowsWindow window(keys, rows);
    auto* engine = new ExportEngine(std::make_unique<ExportCallerSource>(&window, keys, int(rows.size())),
                                    std::move(writer), columns);
    EngineRun run;
    window.onRowNumber = actAt;
    window.onRow = [&] {
        if (act)
            act(engine);
    };
    QEventLoop loop;
    bool ended = false;
    QObject::connect(engine, &ExportEngine::recordCount, [&run](qint64 count) { run.finalCount = count; });
    QObject::connect(engine, &ExportEngine::finished, [&](ExportEngine::Outcome outcome) {
        run.outcome = outcome;
        run.failure = engine->failure();
        run.notes = engine->endNotes();
        ended = true;
        loop.quit();
    });
    engine->start();
    if (!ended) {
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return run;
}

// How the progress window ended an export of a window's rows run as the dialog runs it: the
// writer's checks, then the start (the target confirmed and opened, the questions as message
// boxes), the engine with the progress window in front, and the end; act runs when the engine
// reads the first field of row actAt.
struct ProgressEnd
{
    bool started = false;
    ExportProgressDialog::End end = ExportProgressDialog::End::Finished;
    QString caption;
    QString count;
};

inline ProgressEnd runWithProgress(std::unique_ptr<ExportWriter> writer, const QList<QStringList>& rows, int actAt,
                                   const std::function<void()>& act)
{
    ProgressEnd result;
    writer->setPrompt(&BoxPrompt::instance());
    if (!writer->checkTarget().passed())
        return result;
    ExportJob job = writer->job();
    job.rowsFromCaller = true;
    QStringList keys;
    for (const ExportField& field : job.fields)
        keys.append(field.key);
    RowsWindow window(keys, rows);
    window.onRowNumber = actAt;
    window.onRow = act;
    CancelCounter cancels;
    ExportRun run(job, std::move(writer), &window, int(rows.size()), &cancels);
    QEventLoop loop;
    bool ended = false;
    QObject::connect(&run, &ExportRun::finished, &loop, [&] {
        ended = true;
        loop.quit();
    });
    result.started = run.start().passed();
    if (result.started && !ended) {
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    ExportProgressDialog* progress = ExportProgressDialog::DefaultInstance();
    result.end = progress->end();
    result.caption = progress->windowTitle();
    result.count = progress->findChild<QLineEdit*>(QStringLiteral("AnzahlSaetze"))->text();
    progress->Unload();
    return result;
}

} // namespace DatabaseTest
