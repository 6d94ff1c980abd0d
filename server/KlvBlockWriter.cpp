#include "KlvBlockWriter.h"

using namespace Qt::StringLiterals;

KlvBlockWriter::KlvBlockWriter(QString tid, int maxLineLength)
    : m_tid(std::move(tid)), m_maxLineLength(qMax(16, maxLineLength))
{}

void KlvBlockWriter::newLine()
{
    if (!m_text.isEmpty())
        m_text += u"\r\n";
}

void KlvBlockWriter::appendEscaped(QString& out, QStringView value)
{
    for (QChar c : value) {
        switch (c.unicode()) {
        case u'|':
            out += u"\\|";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        case u'\\':
            out += u"\\\\";
            break;
        case 0:
            out += u"\\0";
            break;
        default:
            out += c;
        }
    }
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
        appendEscaped(m_text, v);
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
    appendEscaped(m_text, value);
}

void KlvBlockWriter::endRecord()
{
    if (m_text.size() - m_recordStart <= m_maxLineLength)
        return;
    // Too long for one line: the record goes on in "DC" lines. The client joins a DC line's
    // text straight onto the record, so a record may be cut anywhere; cutting neither an
    // escape nor a surrogate pair keeps every line readable alone.
    const QString text = m_text.mid(m_recordStart);
    m_text.truncate(m_recordStart);
    qsizetype pos = 0;
    bool first = true;
    do {
        qsizetype end = qMin(text.size(), pos + m_maxLineLength);
        if (end < text.size()) {
            qsizetype backslashes = 0;
            for (qsizetype i = end - 1; i >= pos && text.at(i) == u'\\'; --i)
                ++backslashes;
            if (backslashes % 2 == 1)
                --end;
            if (text.at(end - 1).isHighSurrogate())
                --end;
        }
        if (!first)
            m_text += u"\r\nDC|" + m_tid + u'|';
        m_text += QStringView(text).mid(pos, end - pos);
        first = false;
        pos = end;
    } while (pos < text.size());
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
