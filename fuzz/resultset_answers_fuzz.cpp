// Feeds whole answers to a result set, one request after another, as the queue does: the
// input is cut into answers at a byte 0xFF, and each answer into lines. The first byte of
// each answer picks the transaction id of its command, whether it clears the data, the cache
// size and the character set. After each answer every record is walked, and each record's
// fields must be what the text splitter makes of the record's text: the field cutter on the
// bytes and the splitter on the decoded text are two readings of the same rules.
#include "AnsiCodec.h"
#include "Common.h"
#include "KLVCmdParser.h"
#include "KLVQueryFieldMetaData.h"
#include "KLVRequest.h"
#include "KLVResultSet.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>

namespace {

QString decode(QByteArrayView bytes, bool unicode)
{
    return unicode ? QString::fromUtf8(bytes) : AnsiCodec::decode(bytes);
}

// The raw text of every record the harness saw stored, as the result set should hold it.
struct Expected
{
    std::deque<QByteArray> records;
    bool unicode = false;
};

void walk(KLVResultSet& rs, const std::deque<QByteArray>& expected, int dropped)
{
    for (int n = 0; n <= rs.GetRecordCount() + 1; ++n) {
        const bool held = n > rs.droppedCount() && n <= rs.GetRecordCount();
        if (rs.SetCurrRecord(n, true) != held)
            std::abort();
        if (!held)
            continue;
        const size_t index = size_t(n - 1 - dropped);
        if (index >= expected.size())
            continue; // records of earlier answers the harness no longer tracks
        QStringList fields;
        KLVCmdParser::GetFieldsArray(decode(expected[index], rs.recordIsUnicode()), fields, true,
                                     KLVResultSet::MaxRecordFields);
        if (rs.GetFields() != fields)
            std::abort();
        for (int f = 0; f <= rs.GetFieldCount() + 1; ++f) {
            if (rs.GetFieldVal(f) != (f >= 1 && f <= fields.size() ? fields[f - 1] : QString()))
                std::abort();
            if (f >= 1 && f <= rs.GetFieldCount() && decode(rs.fieldBytes(f), rs.recordIsUnicode()) != fields[f - 1])
                std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    KLVResultSet rs;
    std::deque<QByteArray> expected; // raw texts of the records since the data was last cleared
    int expectedDropped = 0;
    // False once an answer was not followed (a batch's): what the result set holds is then
    // unknown until the data is cleared again.
    bool known = true;

    for (const QByteArray& answer : input.split('\xff')) {
        if (answer.isEmpty())
            continue;
        const uint8_t mode = uint8_t(answer[0]);
        const QByteArray tid = QByteArray::number(mode & 3);
        const bool clear = mode & 4;
        rs.setDataCacheSize((mode >> 3) & 3);
        rs.setUnicode(mode & 0x20);
        try {
            for (int i = 0; i < ((mode >> 6) & 3); ++i)
                rs.SendCommandLineBatch(QStringLiteral("RIN|1|1"), (mode & 0x40) != 0);
        } catch (const KLVRuntimeError&) {
            // A full batch refuses further commands: that is the documented outcome.
        }
        rs.prepareAnswer(QString::fromLatin1(tid));
        if (clear) {
            rs.ClearDataLines();
            expected.clear();
            expectedDropped = 0;
            known = true;
        }

        // The lines of the answer as the reader would hand them out: from one received chunk.
        const QByteArray chunk = answer.mid(1);
        KLVRequest request;
        request.SetState(KLVRequest::Waiting);
        bool tracking = known && rs.batchCount() == 0;
        qsizetype pos = 0;
        while (pos <= chunk.size() && request.GetState() == KLVRequest::Waiting) {
            qsizetype lf = chunk.indexOf('\n', pos);
            if (lf < 0)
                lf = chunk.size();
            const QByteArrayView line = QByteArrayView(chunk).sliced(pos, lf - pos);
            pos = lf + 1;
            if (line.isEmpty())
                continue;
            const int before = rs.GetRecordCount();
            const int droppedBefore = rs.droppedCount();
            rs.ReceiveLine(line, true, &request, &chunk);
            if (!tracking)
                continue;
            // Follow what was stored, so that the walk can compare.
            const QByteArrayView code = KLVCmdParser::CodeBytes(line);
            if (rs.GetRecordCount() == before + 1 && code == "D")
                expected.push_back(KLVCmdParser::FieldBytes(line).toByteArray());
            else if (code == "DC" && !expected.empty() && rs.GetRecordCount() == before &&
                     request.GetState() == KLVRequest::Waiting)
                expected.back().append(KLVCmdParser::FieldBytes(line));
            else if (rs.GetRecordCount() < before)
                tracking = false; // cleared by a batch answer: stop comparing
            for (int d = droppedBefore; d < rs.droppedCount() && !expected.empty(); ++d) {
                expected.pop_front();
                ++expectedDropped;
            }
        }
        if (request.GetState() == KLVRequest::Waiting)
            rs.ReceiveLine(QByteArrayView(), false, &request);
        known = tracking;
        if (tracking && expectedDropped == rs.droppedCount())
            walk(rs, expected, expectedDropped);
        else
            walk(rs, {}, rs.droppedCount());
        for (const auto& column : rs.GetFieldMetaData())
            column->ToString();
        rs.GetCurrentError()->ErrInfo();
    }
    return 0;
}
