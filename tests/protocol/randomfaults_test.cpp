// Selections read against a server whose answers come cut at random points with pauses
// between the pieces, some with a fault of the kinds a faulty or overloaded server sends: a
// copy of an answer (whole, or cut after some bytes) behind it or in front of the next one,
// a stray line behind an answer, a line of another transaction, a continuation after a BOD,
// garbage. Every read must end with all its records, or with an error after exactly the
// records of the blocks before the faulty one: never wrong records, never a success with a
// fault. The runs are random but the same in every test run.
#include "KLV.h"
#include "KLVError.h"
#include "KLVQuery.h"
#include "KlvScriptedSelection.h"
#include "KlvSessionFixture.h"

#include <algorithm>
#include <random>

using namespace Qt::StringLiterals;

namespace {

enum class Fault {
    None,
    CopyBehind,    // a copy of the answer, or its first bytes, right behind it
    CopyInFront,   // a whole copy of the answer before, in front of this one
    CopyAround,    // a copy cut in two: its first bytes behind the answer, the rest in front of the next
    StrayBehind,   // a record of no answer behind the answer
    ForeignInside, // a record of another transaction inside the answer
    ContinuationAfterBod,
    GarbageInside,
};
constexpr int FaultKinds = 8;

// One answer's bytes with the places where no pause may fall: there the fault and the real
// bytes next to it must come in one read, or nothing could tell the fault from an answer.
struct Stream
{
    QByteArray bytes;
    QList<qsizetype> joined;
};

class RandomFaultsTest : public KlvSessionFixture
{
protected:
    std::mt19937 random{23};

    int below(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(random)); }

    // Cuts the stream at random points, pausing a millisecond at some of them.
    QList<KlvScriptedSelection::Piece> cut(const Stream& stream)
    {
        QList<KlvScriptedSelection::Piece> pieces;
        qsizetype from = 0;
        const int cuts = below(6);
        QList<qsizetype> at;
        for (int i = 0; i < cuts && stream.bytes.size() > 1; ++i)
            at.append(1 + below(int(stream.bytes.size() - 1)));
        std::sort(at.begin(), at.end());
        for (qsizetype pos : std::as_const(at)) {
            if (pos <= from || stream.joined.contains(pos))
                continue;
            pieces.append({stream.bytes.mid(from, pos - from), pieces.isEmpty() ? 0 : 1});
            from = pos;
        }
        pieces.append({stream.bytes.mid(from), pieces.isEmpty() ? 0 : 1});
        return pieces;
    }

    static QByteArray insertAfterLine(const QByteArray& answer, int line, const QByteArray& extra)
    {
        qsizetype pos = 0;
        for (int i = 0; i < line && pos < answer.size(); ++i)
            pos = answer.indexOf('\n', pos) + 1;
        return answer.left(pos) + extra + answer.mid(pos);
    }
};

} // namespace

TEST_F(RandomFaultsTest, EveryReadEndsCompleteOrWithAnErrorAfterTheRecordsBeforeTheFault)
{
    int faultsMet = 0;
    for (int run = 0; run < 300; ++run) {
        QStringList records;
        const int count = 1 + below(12);
        for (int i = 1; i <= count; ++i)
            records << QString::number(i) + u"|v"_s + QString::number(run) + u'_' + QString::number(i);
        const int blockSize = 1 + below(4);
        const KlvScriptedSelection selection(records, blockSize);
        const int blocks = selection.blockCount();
        auto fault = below(3) == 0 ? Fault::None : Fault(1 + below(FaultKinds - 1));
        const int at = below(blocks);
        if (fault == Fault::CopyInFront && at == 0)
            fault = Fault::None;
        const int copyBytes = 1 + below(int(selection.answer(at).size()));

        QHash<int, Stream> streams;
        for (int block = 0; block < blocks; ++block)
            streams[block] = {selection.answer(block), {}};
        Stream& faulty = streams[at];
        const QByteArray own = faulty.bytes;
        switch (fault) {
        case Fault::None:
            break;
        case Fault::CopyBehind:
            faulty.bytes += own.left(copyBytes);
            faulty.joined = {own.size()};
            break;
        case Fault::CopyInFront: {
            const QByteArray copy = selection.answer(at - 1);
            faulty.bytes = copy + own;
            faulty.joined = {copy.size()};
            break;
        }
        case Fault::CopyAround:
            faulty.bytes += own.left(copyBytes);
            faulty.joined = {own.size()};
            if (at + 1 < blocks)
                streams[at + 1].bytes.prepend(own.mid(copyBytes));
            break;
        case Fault::StrayBehind:
            faulty.bytes += "D|5|0|stray\r\n";
            faulty.joined = {own.size()};
            break;
        case Fault::ForeignInside:
            faulty.bytes = insertAfterLine(own, 1 + below(int(own.count('\n')) - 1), "D|9|fremd\r\n");
            break;
        case Fault::ContinuationAfterBod:
            faulty.bytes = insertAfterLine(own, 1, "DC|5|XX\r\n");
            break;
        case Fault::GarbageInside:
            faulty.bytes = insertAfterLine(own, below(int(own.count('\n'))), "%%garbage%%\r\n");
            break;
        }
        QHash<int, QList<KlvScriptedSelection::Piece>> pieces;
        for (int block = 0; block < blocks; ++block)
            pieces[block] = cut(streams[block]);
        selection.install(server(), [pieces](int block) { return pieces.value(block); });

        const QStringList truth = secondFields(records);
        const QString context = u"run "_s + QString::number(run) + u", fault "_s + QString::number(int(fault)) +
                                u" in block "_s + QString::number(at);
        SCOPED_TRACE(context.toStdString());
        KlvSelectionRead read;
        if (selection.start(*query))
            read = readSelection(*query);
        else
            read.error = query->GetLastKLVError()->ApiErrorCode();
        if (fault == Fault::None) {
            EXPECT_EQ(read.error, 0) << query->GetLastError().toStdString();
            EXPECT_EQ(read.values, truth);
            EXPECT_TRUE(session->IsConnected());
        } else {
            ++faultsMet;
            EXPECT_NE(read.error, 0);
            EXPECT_EQ(read.values, truth.mid(0, qsizetype(at) * blockSize)) << read.values.join(u',').toStdString();
            EXPECT_FALSE(session->IsConnected());
        }
        if (::testing::Test::HasFailure())
            break;
        server().setScript({});
        if (!session->IsConnected()) {
            ASSERT_TRUE(logOn(*session)) << session->GetLastError().toStdString();
        }
    }
    EXPECT_GT(faultsMet, 100);
}
