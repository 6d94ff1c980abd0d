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
    m_record.clear();
    m_firstField = true;
}

void KlvBlockWriter::field(QStringView value)
{
    if (!m_firstField)
        m_record += u'|';
    m_firstField = false;
    appendEscaped(m_record, value);
}

void KlvBlockWriter::endRecord()
{
    // The client joins a DC line's text straight onto the record, so a record may be cut
    // anywhere; cutting neither an escape nor a surrogate pair keeps every line readable alone.
    const QString& text = m_record;
    const QString* code = nullptr;
    static const QString d = u"D|"_s;
    static const QString dc = u"DC|"_s;
    code = &d;
    qsizetype pos = 0;
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
        newLine();
        m_text += *code + m_tid + u'|' + QStringView(text).mid(pos, end - pos);
        code = &dc;
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
