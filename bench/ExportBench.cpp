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

bool UserRows::next()
{
    QElapsedTimer timer;
    if (m_readNs)
        timer.start();
    const bool more = m_rows->next();
    if (m_readNs)
        *m_readNs += timer.nsecsElapsed();
    if (!more) {
        setState(m_rows->state(), m_rows->errorText());
        return false;
    }
    ++m_row;
    return true;
}

void UserRows::values(int count, QStringList& out)
{
    QElapsedTimer timer;
    if (m_readNs)
        timer.start();
    m_rows->values(count, out);
    Vary(m_row, out);
    if (m_readNs)
        *m_readNs += timer.nsecsElapsed();
}

void UserRows::Vary(qint64 row, QStringList& values)
{
    // The name and the place of the generated table.
    constexpr int Name = 2;
    constexpr int Place = 3;
    if (values.size() <= Place)
        return;
    QString& name = values[Name];
    const QString number = QString::number(row);
    switch (row % 100) {
    case 1:
    case 2:
        name += u" & Söhne"_s;
        break;
    case 3:
        name = u'<' + name + u'>';
        break;
    case 4:
        name = u"\"Nord\" "_s + name + u" 5\" > 4\""_s;
        break;
    case 5:
    case 6:
        name += u"\r\nHof 2\nTor 3"_s;
        break;
    case 7:
        name += u"\rLager"_s;
        break;
    case 8:
    case 9:
        name += u" https://example.com/m?id="_s + number + u"&s=1"_s;
        break;
    case 10:
        name = u"file:///srv/daten/"_s + number + u".txt"_s;
        break;
    case 11:
        name = u"siehe http://a.example/x und HTTPS://b.example/"_s + number;
        break;
    case 12:
        name += u"\t\x01\x1F"_s;
        break;
    case 13:
        name += u" \U0001F600 caf\u00E9"_s;
        break;
    case 14:
    case 15:
    case 16:
        values[Place].clear();
        break;
    default:
        break;
    }
}

std::unique_ptr<ExportRowSource> exportRows(const QSharedPointer<KLVQuery>& query, qint64* readNanoseconds)
{
    return std::make_unique<UserRows>(std::make_unique<ExportQuerySource>(query), readNanoseconds);
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
