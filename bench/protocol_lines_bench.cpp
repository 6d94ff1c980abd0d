// Throughput of reading answer lines: 10-field "D" lines go through the transport's line
// reader and the result set (stored, then split into fields as a reader walks them), beside a
// baseline that only splits the same bytes at line feeds.
#include "KLVLineReader.h"
#include "KLVRequest.h"
#include "KLVResultSet.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr int kLines = 100000;
constexpr qsizetype kChunk = 64 * 1024;

// An answer as the server sends it: a block header, 10-field records, the end line.
const QByteArray& answerBytes()
{
    static const QByteArray bytes = [] {
        QByteArray out = "BOD|5||100000\r\n";
        for (int i = 0; i < kLines; ++i) {
            out += "D|5|" + QByteArray::number(100000 + i) + "|Kunde " + QByteArray::number(i) +
                   "|M\xfcnchen|Hauptstr. " + QByteArray::number(i % 200) + "|80331|DE|" + QByteArray::number(i % 7) +
                   "|12.50|1|(12," + QByteArray::number(i) + ",1)\r\n";
        }
        out += "EOD|5|||T\r\n";
        return out;
    }();
    return bytes;
}

void setCounters(benchmark::State& state)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * (kLines + 2));
    state.SetBytesProcessed(int64_t(state.iterations()) * answerBytes().size());
}

void BM_BaselineSplitAtLineFeeds(benchmark::State& state)
{
    const QByteArray& bytes = answerBytes();
    for (auto _ : state) {
        size_t lines = 0;
        size_t length = 0;
        const char* p = bytes.constData();
        const char* end = p + bytes.size();
        while (p < end) {
            const void* lf = std::memchr(p, '\n', size_t(end - p));
            if (!lf)
                break;
            length += size_t(static_cast<const char*>(lf) - p);
            ++lines;
            p = static_cast<const char*>(lf) + 1;
        }
        benchmark::DoNotOptimize(lines);
        benchmark::DoNotOptimize(length);
    }
    setCounters(state);
}

// Reads the answer through the reader into a result set; with split, walks every record.
void readAnswer(benchmark::State& state, bool split)
{
    const QByteArray& bytes = answerBytes();
    QList<QByteArray> chunks;
    for (qsizetype pos = 0; pos < bytes.size(); pos += kChunk)
        chunks << bytes.mid(pos, kChunk);
    for (auto _ : state) {
        KLVLineReader reader;
        KLVResultSet rs;
        rs.setDataCacheSize(0);
        rs.prepareAnswer(QStringLiteral("5"));
        KLVRequest request;
        request.SetState(KLVRequest::Waiting);
        QString line;
        for (const QByteArray& chunk : chunks) {
            reader.append(chunk);
            while (reader.takeLine(line))
                rs.ReceiveLine(line, true, &request);
        }
        if (request.GetState() != KLVRequest::Done || rs.GetRecordCount() != kLines) {
            state.SkipWithError("answer not read");
            return;
        }
        if (split) {
            qsizetype fields = 0;
            while (rs.MoveNext(true))
                fields += rs.GetFieldCount();
            benchmark::DoNotOptimize(fields);
        }
    }
    setCounters(state);
}

void BM_LineReaderAndResultSet(benchmark::State& state)
{
    readAnswer(state, false);
}

void BM_LineReaderResultSetAndFields(benchmark::State& state)
{
    readAnswer(state, true);
}

} // namespace

BENCHMARK(BM_BaselineSplitAtLineFeeds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineReaderAndResultSet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineReaderResultSetAndFields)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
