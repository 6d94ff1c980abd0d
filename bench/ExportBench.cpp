#include "ExportBench.h"

#include "BenchProcess.h"
#include "ExportEngine.h"
#include "ExportQuerySource.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVTAVArtInfo.h"
#include "KLVTools.h"

#include <QEventLoop>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace ExportBench {

const QString Table = u"90:1"_s;
const QString Caption = u"Massendaten:Messwert"_s;
const QStringList Fields{u"nummer"_s, u"such"_s,  u"name"_s,  u"ort"_s,       u"datum"_s,
                         u"betrag"_s, u"menge"_s, u"aktiv"_s, u"kategorie"_s, u"kunde"_s};
const QStringList Types{u"I9"_s,    u"SW"_s, u"GL30"_s, u"GL20"_s, u"GD8"_s,
                        u"R10.2"_s, u"I6"_s, u"B"_s,    u"A131"_s, u"P1:1"_s};
const QString SheetName = u"Massendaten - Messwert"_s;

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

QSharedPointer<KLV> logOn(quint16 port, int block)
{
    auto session = QSharedPointer<KLV>::create();
    if (!session->BeginSession(u"127.0.0.1"_s, port, u"100"_s, u"secret"_s)) {
        std::fprintf(stderr, "logon: %s\n", qPrintable(session->GetLastError()));
        return {};
    }
    session->setDatasetSize(block);
    return session;
}

void report(qint64 records, double secs, qint64 bytes, double baseline)
{
    std::printf("%lld %.6f %ld %lld %.6f\n", records, secs, BenchProcess::peakKilobytes(), bytes, baseline);
}

ExportJob exportJob(int kind, bool shownRows)
{
    ExportJob job;
    job.exportType = kind;
    job.caption = Caption;
    job.tableId = Table;
    job.rowsFromCaller = shownRows;
    const KLVTools tools;
    for (qsizetype i = 0; i < Fields.size(); ++i) {
        ExportField field;
        field.caption = Fields[i];
        field.key = Fields[i] + u"#0#S"_s;
        field.tag = u"0:"_s + Fields[i];
        field.type = tools.GetTAVArtInfo(Types[i]);
        job.fields.append(field);
    }
    return job;
}

void Agreeing::tell(const QString& text)
{
    std::fprintf(stderr, "told: %s\n", qPrintable(text));
}

QSharedPointer<KLVQuery> startQuery(const QSharedPointer<KLV>& session, const ExportJob& job)
{
    QSharedPointer<KLVQuery> query = session->CreateQuery();
    if (!ExportQuerySource::Start(*query, job)) {
        std::fprintf(stderr, "query: %s\n", qPrintable(query->GetLastError()));
        return {};
    }
    return query;
}

bool runWriter(std::unique_ptr<ExportRowSource> source, std::unique_ptr<ExportWriter> writer, int fields, qint64& rows)
{
    Agreeing prompt;
    writer->setPrompt(&prompt);
    ExportFailure failure;
    if (!writer->checkTarget().passed() || !writer->confirmTarget().passed() || !writer->open(failure)) {
        std::fprintf(stderr, "start: %s\n", qPrintable(failure.text()));
        return false;
    }
    auto* engine = new ExportEngine(std::move(source), std::move(writer), fields);
    QEventLoop loop;
    ExportEngine::Outcome outcome = ExportEngine::Outcome::ReadFailed;
    QObject::connect(engine, &ExportEngine::finished, &loop, [&](ExportEngine::Outcome o) {
        outcome = o;
        rows = engine->rowsWritten();
        if (o == ExportEngine::Outcome::WriteFailed)
            std::fprintf(stderr, "write: %s\n", qPrintable(engine->failure().text()));
        loop.quit();
    });
    engine->start();
    loop.exec();
    return outcome == ExportEngine::Outcome::Completed;
}

qint64 pgRowCount(const QString& connection, const QString& table)
{
    qint64 count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QODBC"_s, u"count"_s);
        db.setDatabaseName(connection);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(u"SELECT count(*) FROM \""_s + table + u'"') && query.next())
                count = query.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(u"count"_s);
    return count;
}

} // namespace ExportBench
