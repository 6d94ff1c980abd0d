#include "ExportTextWriter.h"

#include "ExportFollowUp.h"
#include "MainModul.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int MsgEmptySeparator = 293;
constexpr int MsgBadRfcSeparator = 294;

} // namespace

ExportTextWriter::ExportTextWriter(ExportJob job, Options options)
    : ExportFileWriter(std::move(job), options.fileName, FileName, Encoding::Utf8), m_options(std::move(options))
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
        append(GetConvField(values[i], m_options.rfc4180, m_options.lineBreak));
    }
    endLine();
}

void ExportTextWriter::startFollowUp()
{
    if (m_options.startProgram && !m_options.program.isEmpty())
        ExportFollowUp::StartProgram(m_options.program, fileName());
    else if (m_options.startDesktopApp)
        ExportFollowUp::OpenWithDesktopApp(fileName());
}
