#include "ExportTextWriter.h"

#include "ExportFollowUp.h"
#include "MainModul.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int MsgEmptySeparator = 293;
constexpr int MsgBadRfcSeparator = 294;

} // namespace

ExportTextWriter::ExportTextWriter(ExportJob job, Options options)
    : ExportFileWriter(std::move(job), options.fileName, FileName, Encoding::Utf8), m_options(std::move(options)),
      m_simpleLineBreak(!m_options.lineBreak.contains(u'\r') && !m_options.lineBreak.contains(u'\n'))
{}

QString ExportTextWriter::GetConvField(const QString& value, bool rfc4180, const QString& lineBreak)
{
    if (rfc4180) {
        QString quoted = value;
        quoted.replace(u'"', u"\"\""_s);
        return u'"' + quoted + u'"';
    }
    if (!value.contains(u'\n') && !value.contains(u'\r'))
        return value;
    QString joined = value;
    joined.replace(u"\r\n"_s, lineBreak);
    joined.replace(u'\r', lineBreak);
    joined.replace(u'\n', lineBreak);
    return joined;
}

ExportCheck ExportTextWriter::checkOptions()
{
    const QString& separator = m_options.separator;
    if (separator.isEmpty())
        return ExportCheck::Refused(MainModul::GetMessageTextByNr(MsgEmptySeparator), Separator);
    if (m_options.rfc4180 && (separator.contains(u'"') || separator.contains(u'\r') || separator.contains(u'\n')))
        return ExportCheck::Refused(MainModul::GetMessageTextByNr(MsgBadRfcSeparator), Separator);
    return {};
}

void ExportTextWriter::writeHead()
{
    if (!m_options.withFieldList)
        return;
    // The captions go as they are, also in RFC 4180.
    for (qsizetype i = 0; i < job().fields.size(); ++i) {
        if (i > 0)
            append(m_options.separator);
        append(job().fields[i].caption);
    }
    endLine();
}

void ExportTextWriter::writeRecord(const QStringList& values, qint64 row)
{
    Q_UNUSED(row);
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            append(m_options.separator);
        appendConverted(values[i]);
    }
    endLine();
}

void ExportTextWriter::appendConverted(const QString& value)
{
    const char16_t* text = QStringView(value).utf16();
    const qsizetype n = value.size();
    qsizetype from = 0;
    if (m_options.rfc4180) {
        append(u'"');
        for (qsizetype i = 0; i < n; ++i) {
            if (text[i] != u'"')
                continue;
            // The quote goes with the piece before it, and once more.
            append(QStringView(text + from, i + 1 - from));
            from = i;
        }
        append(QStringView(text + from, n - from));
        append(u'"');
        return;
    }
    qsizetype i = 0;
    while (i < n && text[i] != u'\r' && text[i] != u'\n')
        ++i;
    if (i == n) {
        append(value);
        return;
    }
    if (!m_simpleLineBreak) {
        append(GetConvField(value, false, m_options.lineBreak));
        return;
    }
    // CR LF, a CR alone and an LF alone each become the replacement.
    for (; i < n; ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        append(QStringView(text + from, i - from));
        append(m_options.lineBreak);
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        from = i + 1;
    }
    append(QStringView(text + from, n - from));
}

void ExportTextWriter::startFollowUp()
{
    if (m_options.startProgram && !m_options.program.isEmpty())
        ExportFollowUp::StartProgram(m_options.program, fileName());
    else if (m_options.startDesktopApp)
        ExportFollowUp::OpenWithDesktopApp(fileName());
}
