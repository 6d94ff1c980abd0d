#include "KlvBlockWriter.h"

#include "KlvWire.h"

using namespace Qt::StringLiterals;

KlvBlockWriter::KlvBlockWriter(QString tid, int maxLineLength)
    : m_tid(std::move(tid)), m_maxLineLength(qMax(16, maxLineLength))
{}

void KlvBlockWriter::newLine()
{
    if (!m_text.isEmpty())
        m_text += u"\r\n";
}

void KlvBlockWriter::begin(const QString& word, int total)
{
    newLine();
    m_text += u"BOD|" + m_tid + u'|' + word + u'|' + QString::number(total);
}

void KlvBlockWriter::metadata(const QStringList& line)
{
    newLine();
    m_text += u"DM|" + m_tid;
    for (const QString& v : line) {
        m_text += u'|';
        KlvWire::appendEscaped(m_text, v);
    }
}

void KlvBlockWriter::beginRecord()
{
    newLine();
    m_text += u"D|" + m_tid + u'|';
    m_recordStart = m_text.size();
    m_firstField = true;
}

void KlvBlockWriter::field(QStringView value)
{
    if (!m_firstField)
        m_text += u'|';
    m_firstField = false;
    KlvWire::appendEscaped(m_text, value);
}

void KlvBlockWriter::endRecord()
{
    if (m_text.size() - m_recordStart <= m_maxLineLength)
        return;
    // Too long for one line: the record goes on in "DC" lines.
    const QString text = m_text.mid(m_recordStart);
    m_text.truncate(m_recordStart);
    const QList<QStringView> pieces = KlvWire::cutRecord(text, m_maxLineLength);
    m_text += pieces.first();
    for (qsizetype i = 1; i < pieces.size(); ++i)
        m_text += u"\r\nDC|" + m_tid + u'|' + pieces.at(i);
}

void KlvBlockWriter::end(const QString& word, int count, bool last)
{
    newLine();
    m_text += u"EOD|" + m_tid + u'|' + word + u'|' + QString::number(count) + (last ? u"|1"_s : u"|0"_s);
}

QString KlvBlockWriter::take()
{
    return std::exchange(m_text, {});
}
