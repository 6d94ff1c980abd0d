// Feeds arbitrary bytes as answer lines through the transport's line reader, the line
// parser and a result set, as if a server had sent them. The first byte picks the character
// set, the receive mode, the cache size and how many batch commands are waiting; the rest is
// cut into chunks at arbitrary places.
#include "KLVCmdParser.h"
#include "KLVLineReader.h"
#include "KLVQueryFieldMetaData.h"
#include "KLVRequest.h"
#include "KLVResultSet.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t mode = data[0];
    const uint8_t chunking = data[1];
    data += 2;
    size -= 2;

    KLVLineReader reader(mode & 1);
    reader.setUnicode(mode & 2);
    KLVResultSet rs;
    rs.setDataCacheSize((mode >> 2) & 3);
    for (int i = 0; i < ((mode >> 4) & 3); ++i)
        rs.SendCommandLineBatch(QStringLiteral("ACK|0"), (mode & 0x40) != 0);
    rs.prepareAnswer((mode & 0x80) ? QStringLiteral("5") : QStringLiteral("0"));

    auto request = std::make_unique<KLVRequest>();
    request->SetState(KLVRequest::Waiting);

    rs.setUnicode(mode & 2);
    const size_t step = 1 + chunking;
    for (size_t pos = 0; pos < size; pos += step) {
        const size_t n = std::min(step, size - pos);
        reader.append(QByteArray(reinterpret_cast<const char*>(data + pos), qsizetype(n)));
        // The lines looked at ahead are the lines then taken, and the last of them is the
        // last line when the reader knows it.
        QList<QByteArray> looked;
        reader.peekLines([&looked](QByteArrayView line) {
            looked << line.toByteArray();
            return true;
        });
        const QByteArray last = reader.lastLine().toByteArray();
        qsizetype taken = 0;
        QByteArray lastTaken;
        QByteArrayView bytes;
        const QByteArray* source = nullptr;
        while (reader.takeLineView(bytes, &source)) {
            if (taken >= looked.size() || looked[taken] != bytes)
                __builtin_trap();
            ++taken;
            lastTaken = bytes.toByteArray();
            const QString line = reader.decode(bytes);
            KLVCmdParser::GetCMD(line);
            KLVCmdParser::getTID(line);
            QStringList fields(3);
            KLVCmdParser::GetFieldsArray(line, fields, (mode & 8) != 0, 99);
            if (request->GetState() != KLVRequest::Waiting) {
                request = std::make_unique<KLVRequest>();
                request->SetState(KLVRequest::Waiting);
            }
            rs.ReceiveLine(bytes, true, request.get(), source);
        }
        if (!reader.overflowed() && (taken != looked.size() || (!last.isEmpty() && last != lastTaken)))
            __builtin_trap();
    }
    rs.ReceiveLine(QByteArrayView(), false, request.get());

    for (int n = 0; n <= rs.GetRecordCount() + 1; ++n) {
        if (rs.SetCurrRecord(n, true)) {
            for (int f = 0; f <= rs.GetFieldCount() + 1; ++f)
                rs.GetFieldVal(f);
        }
    }
    for (const auto& column : rs.GetFieldMetaData())
        column->ToString();
    rs.GetCurrentError()->ErrInfo();
    return 0;
}
