#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class KlvServer;
class KLVQuery;

// A selection the stand-in server answers from a script, so that a test knows every byte
// of every answer: the query's EXQ gets the first block, each GNR of its transaction the
// next one. A test cuts the answers into pieces, holds them back, doubles them or adds
// bytes of its own through pieces().
class KlvScriptedSelection
{
public:
    // One write of the server, after a pause of delayMs.
    struct Piece
    {
        QByteArray bytes;
        int delayMs = 0;
    };
    // What the server sends for the answer of block n (0 the first). answer(n) is that
    // block's own answer.
    using Pieces = std::function<QList<Piece>(int block)>;

    // The records are the field texts of each record ("1|eins"), in blocks of blockSize.
    KlvScriptedSelection(const QStringList& records, int blockSize, const QString& tid = QStringLiteral("5"));

    int blockCount() const;
    const QStringList& records() const { return m_records; }
    // The wire bytes of block n's answer: BOD, its records, EOD (the last one's end flag set).
    QByteArray answer(int block) const;

    // Answers EXQ and GNR from now on; by default each answer whole, in one write.
    void install(KlvServer& server, Pieces pieces = {}) const;
    // Starts the query on it: block size and a field list of two fields.
    bool start(KLVQuery& query) const;

private:
    QStringList m_records;
    int m_blockSize;
    QString m_tid;
};

// How a read of a selection ended: the values of field 2 of the records read, in order, and
// the library's error code when the read stopped on an error (0 when it came to the end).
struct KlvSelectionRead
{
    QStringList values;
    int error = 0;
};
// Reads every record forward until the query has no further one.
KlvSelectionRead readSelection(KLVQuery& query);
// The record texts' field 2 ("1|eins" gives "eins").
QStringList secondFields(const QStringList& records);
