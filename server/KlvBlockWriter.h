#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Builds the lines of one answer block into one text: "BOD", the "DM" lines, the records as
// "D" lines (continued in "DC" lines beyond the line length) and "EOD". The connection sends
// the text in one piece, so a block of thousands of records costs one write and one flush.
class KlvBlockWriter
{
public:
    KlvBlockWriter(QString tid, int maxLineLength);

    // "BOD|tid|word|total".
    void begin(const QString& word, int total);
    // One "DM" line: keyword, then one value per column.
    void metadata(const QStringList& line);
    void beginRecord();
    void field(QStringView value);
    void endRecord();
    // "EOD|tid|word|count|end flag".
    void end(const QString& word, int count, bool last);

    // The lines joined by CR LF, without the last line end (the connection adds it).
    QString take();

private:
    void newLine();

    QString m_tid;
    int m_maxLineLength;
    QString m_text;
    qsizetype m_recordStart = 0;
    bool m_firstField = true;
};
