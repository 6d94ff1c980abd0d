#include "ExportTextWriter.h"

#include "ExportFollowUp.h"
#include "MainModul.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int MsgEmptySeparator = 293;
constexpr int MsgBadRfcSeparator = 294;

} // namespace

ExportTextWriter::ExportTextWriter(ExportJob job)
    : ExportFileWriter(std::move(job), u"ExportFileName"_s, u"ExportDateiName"_s, Encoding::Utf8),
      m_rfc4180(this->job().flag(u"FormatRFC4180"_s)), m_separator(this->job().text(u"FieldSeparator"_s)),
      m_lineBreak(this->job().text(u"LineBreakChar"_s))
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

bool ExportTextWriter::checkOptions(QString& focusControl)
{
    int message = 0;
    if (m_separator.isEmpty())
        message = MsgEmptySeparator;
    else if (m_rfc4180 && (m_separator.contains(u'"') || m_separator.contains(u'\r') || m_separator.contains(u'\n')))
        message = MsgBadRfcSeparator;
    if (message == 0)
        return true;
    MainModul::ShowMessageBox(MainModul::GetMessageTextByNr(message));
    focusControl = u"Feldtrennzeichen"_s;
    return false;
}

void ExportTextWriter::writeHead()
{
    if (!job().flag(u"WithFieldList"_s))
        return;
    // The captions go as they are, also in RFC 4180.
    for (qsizetype i = 0; i < job().fields.size(); ++i) {
        if (i > 0)
            append(m_separator);
        append(job().fields[i].caption);
    }
    endLine();
}

void ExportTextWriter::writeRecord(const QStringList& values, qint64 row)
{
    Q_UNUSED(row);
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            append(m_separator);
        append(GetConvField(values[i], m_rfc4180, m_lineBreak));
    }
    endLine();
}

void ExportTextWriter::startFollowUp()
{
    const QString program = job().text(u"FileApp"_s);
    if (job().flag(u"StartFileApp"_s) && !program.isEmpty())
        ExportFollowUp::StartProgram(program, fileName());
    else if (job().flag(u"StartFileAppExt"_s))
        ExportFollowUp::OpenWithDesktopApp(fileName());
}
