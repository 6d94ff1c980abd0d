// Throughput of reading answer lines: 1,000,000 10-field "D" lines go through the transport's
// line reader and the result set (stored, then cut into fields as a reader walks them), beside
// two baselines over the same bytes: one that only finds the line feeds, and one that also
// cuts every line into its fields as views, allocating nothing. A million lines, because a
// hundred thousand fit in the processor's cache and flatter the baselines.
//
// The allocations a run makes are counted (malloc is wrapped in this program) and reported
// per record as "allocs/record".
#include "KLVLineReader.h"
#include "KLVRequest.h"
#include "KLVResultSet.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>

extern "C" void* __libc_malloc(size_t size);

namespace {

std::atomic<bool> g_counting{false};
std::atomic<long long> g_allocations{0};

} // namespace

// Every allocation of the program passes here, Qt's included.
extern "C" void* malloc(size_t size)
{
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

namespace {

constexpr int kLines = 1000000;
constexpr int kFields = 10;
constexpr qsizetype kChunk = 64 * 1024;

// An answer as the server sends it: a block header, 10-field records, the end line. One
// field in seven holds an escaped bar, as addresses and texts now and then do.
const QByteArray& answerBytes()
{
    static const QByteArray bytes = [] {
        QByteArray out = "BOD|5||1000000\r\n";
        out.reserve(qsizetype(kLines) * 90);
        for (int i = 0; i < kLines; ++i) {
            out += "D|5|" + QByteArray::number(100000 + i) + "|Kunde " + QByteArray::number(i) +
                   (i % 7 == 0 ? "|M\xfcnchen\\|Ost" : "|M\xfcnchen") + "|Hauptstr. " + QByteArray::number(i % 200) +
                   "|80331|DE|" + QByteArray::number(i % 7) + "|12.50|1|(12," + QByteArray::number(i) + ",1)\r\n";
        }
        out += "EOD|5|||T\r\n";
        return out;
    }();
    return bytes;
}

const QList<QByteArray>& answerChunks()
{
    static const QList<QByteArray> chunks = [] {
        QList<QByteArray> out;
        const QByteArray& bytes = answerBytes();
        for (qsizetype pos = 0; pos < bytes.size(); pos += kChunk)
            out << bytes.mid(pos, kChunk);
        return out;
    }();
    return chunks;
}

void setCounters(benchmark::State& state, long long allocations = -1)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * (kLines + 2));
    state.SetBytesProcessed(int64_t(state.iterations()) * answerBytes().size());
    if (allocations >= 0)
        state.counters["allocs/record"] = double(allocations) / double(state.iterations()) / kLines;
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

// The least a reader of records must do: find each line, skip code and transaction id, and
// cut the rest into fields at the bars that no backslash escapes, as views.
void BM_BaselineSplitIntoFields(benchmark::State& state)
{
    const QByteArray& bytes = answerBytes();
    for (auto _ : state) {
        size_t fields = 0;
        size_t length = 0;
        const char* p = bytes.constData();
        const char* end = p + bytes.size();
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            if (!lf)
                break;
            const char* stop = lf > p && lf[-1] == '\r' ? lf - 1 : lf;
            if (stop - p > 2 && p[0] == 'D' && p[1] == '|') {
                const char* q = static_cast<const char*>(std::memchr(p + 2, '|', size_t(stop - p - 2)));
                const char* field = q ? q + 1 : stop;
                for (const char* c = field; c < stop; ++c) {
                    if (*c == '\\') {
                        ++c;
                    } else if (*c == '|') {
                        length += size_t(c - field);
                        ++fields;
                        field = c + 1;
                    }
                }
                length += size_t(stop - field);
                ++fields;
            }
            p = lf + 1;
        }
        benchmark::DoNotOptimize(fields);
        benchmark::DoNotOptimize(length);
    }
    setCounters(state);
}

// Reads the answer through the reader into a result set; with walk, visits every record's
// fields as a caller that reads them all would.
void readAnswer(benchmark::State& state, bool walk)
{
    const QList<QByteArray>& chunks = answerChunks();
    long long allocations = 0;
    for (auto _ : state) {
        g_allocations = 0;
        g_counting = true;
        {
            KLVLineReader reader;
            KLVResultSet rs;
            rs.setDataCacheSize(0);
            rs.prepareAnswer(QStringLiteral("5"));
            KLVRequest request;
            request.SetState(KLVRequest::Waiting);
            QByteArrayView line;
            const QByteArray* source = nullptr;
            for (const QByteArray& chunk : chunks) {
                reader.append(chunk);
                while (reader.takeLineView(line, &source))
                    rs.ReceiveLine(line, true, &request, source);
            }
            if (request.GetState() != KLVRequest::Done || rs.GetRecordCount() != kLines) {
                g_counting = false;
                state.SkipWithError("answer not read");
                return;
            }
            if (walk) {
                qsizetype fields = 0;
                qsizetype length = 0;
                while (rs.MoveNext(true)) {
                    const int count = rs.GetFieldCount();
                    for (int i = 1; i <= count; ++i)
                        length += rs.fieldBytes(i).size();
                    fields += count;
                }
                benchmark::DoNotOptimize(length);
                if (fields != qsizetype(kLines) * kFields) {
                    g_counting = false;
                    state.SkipWithError("fields not cut");
                    return;
                }
                benchmark::DoNotOptimize(fields);
            }
        }
        g_counting = false;
        allocations += g_allocations;
    }
    setCounters(state, allocations);
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
BENCHMARK(BM_BaselineSplitIntoFields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineReaderAndResultSet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineReaderResultSetAndFields)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
