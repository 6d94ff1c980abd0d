#include "KlvScriptedSelection.h"

#include "KLVError.h"
#include "KLVQuery.h"
#include "KlvServer.h"

#include <atomic>

using namespace Qt::StringLiterals;

KlvScriptedSelection::KlvScriptedSelection(const QStringList& records, int blockSize, const QString& tid)
    : m_records(records), m_blockSize(blockSize < 1 ? 1 : blockSize), m_tid(tid)
{}

int KlvScriptedSelection::blockCount() const
{
    return m_records.isEmpty() ? 1 : int((m_records.size() + m_blockSize - 1) / m_blockSize);
}

QByteArray KlvScriptedSelection::answer(int block) const
{
    const QByteArray tid = m_tid.toLatin1();
    QByteArray bytes = "BOD|" + tid + "||" + QByteArray::number(m_records.size()) + "\r\n";
    for (qsizetype i = qsizetype(block) * m_blockSize; i < m_records.size() && i < qsizetype(block + 1) * m_blockSize;
         ++i)
        bytes += "D|" + tid + '|' + m_records[i].toLatin1() + "\r\n";
    bytes += "EOD|" + tid + "|||" + (block + 1 >= blockCount() ? "T" : "F") + "\r\n";
    return bytes;
}

void KlvScriptedSelection::install(KlvServer& server, Pieces pieces) const
{
    const auto next = std::make_shared<std::atomic_int>(0);
    const QString gnr = u"GNR|"_s + m_tid;
    const KlvScriptedSelection self = *this;
    server.setScript([=](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        int block = -1;
        if (!greeting && line.startsWith(u"EXQ|"_s)) {
            next->store(1);
            block = 0;
        } else if (!greeting && (line == gnr || line.startsWith(gnr + u'|'))) {
            block = next->fetch_add(1);
        }
        if (block < 0 || block >= self.blockCount())
            return false;
        const QList<Piece> parts = pieces ? pieces(block) : QList<Piece>{{self.answer(block), 0}};
        for (const Piece& piece : parts) {
            if (piece.delayMs > 0)
                reply.delay(piece.delayMs);
            if (!piece.bytes.isEmpty())
                reply.sendRaw(piece.bytes);
        }
        return true;
    });
}

bool KlvScriptedSelection::start(KLVQuery& query) const
{
    query.setDatasetSize(m_blockSize);
    return query.StartQuery(u"KUNDEN"_s, u"nr,name"_s);
}

KlvSelectionRead readSelection(KLVQuery& query)
{
    KlvSelectionRead read;
    while (query.GetNextRecord())
        read.values.append(query.GetField(2));
    read.error = query.GetLastKLVError()->ApiErrorCode();
    if (read.error == 0 && !query.GetLastError().isEmpty())
        read.error = -1; // an error of the server's
    return read;
}

QStringList secondFields(const QStringList& records)
{
    QStringList values;
    for (const QString& record : records)
        values.append(record.section(u'|', 1, 1));
    return values;
}
