#include "ExportXmlWriter.h"

#include "ExportFollowUp.h"

using namespace Qt::StringLiterals;
using Mode = ExportMarkup::Mode;

ExportXmlWriter::ExportXmlWriter(ExportJob job, Options options)
    : ExportFileWriter(std::move(job), options.fileName, FileName, Encoding::Utf16LE), m_options(std::move(options))
{
    const QList<ExportField>& fields = this->job().fields;
    for (int i = 0; i < int(fields.size()); ++i)
        (fields[i].tablePart ? m_rowFields : m_headFields).append(i);
}

void ExportXmlWriter::writeHead()
{
    for (const ExportField& field : job().fields)
        m_fieldStarts.append(u"<Field name=\""_s + escape(field.caption, Mode::XmlAttribute) + u"\">"_s);
    writeLine(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
    writeLine(u"<WEXAData>");
    writeLine(u"<RecordSet source=\"KLVViewer\" sourcetype=\"DataQuery\">", 2);
}

void ExportXmlWriter::writeRecord(const QStringList& values, qint64 row)
{
    m_rows = row;
    const int idIndex = m_options.recordIdField;
    const int captionIndex = m_options.captionField;
    if (idIndex > 0) {
        const QString id = values.value(idIndex - 1);
        if (id != m_lastRecordId) {
            m_lastRecordId = id;
            m_recordRowNumber = 0;
        }
    } else {
        m_recordRowNumber = 0;
    }
    if (captionIndex > 0)
        m_lastCaption = values.value(captionIndex - 1);

    if (m_recordRowNumber == 0) {
        if (row > 1)
            writeLine(u"</Record>", 4);
        appendIndent(4);
        append(u"<Record");
        if (!m_lastRecordId.isEmpty())
            append(QString(u" id=\""_s + escape(m_lastRecordId, Mode::XmlAttribute) + u'"'));
        if (!m_lastCaption.isEmpty())
            append(QString(u" caption=\""_s + escape(m_lastCaption, Mode::XmlAttribute) + u'"'));
        append(u">");
        endLine();
        if (!m_headFields.isEmpty()) {
            writeLine(u"<Head>", 6);
            writeFields(m_headFields, values);
            writeLine(u"</Head>", 6);
        }
    }
    ++m_recordRowNumber;
    if (!m_rowFields.isEmpty()) {
        writeLine(QString(u"<Row number=\""_s + QString::number(m_recordRowNumber) + u"\">"_s), 6);
        writeFields(m_rowFields, values);
        writeLine(u"</Row>", 6);
    }
}

void ExportXmlWriter::writeFields(const QList<int>& positions, const QStringList& values)
{
    for (const int i : positions) {
        const QString value = values.value(i);
        if (m_options.suppressEmptyFields && value.isEmpty())
            continue;
        appendIndent(8);
        append(m_fieldStarts[i]);
        append(escape(value, Mode::XmlContent));
        append(u"</Field>");
        endLine();
    }
}

void ExportXmlWriter::writeTail()
{
    if (m_rows > 0)
        writeLine(u"</Record>", 4);
    writeLine(u"</RecordSet>", 2);
    writeLine(u"</WEXAData>");
}

void ExportXmlWriter::startFollowUp()
{
    if (m_options.startProgram && !m_options.program.isEmpty())
        ExportFollowUp::StartProgram(m_options.program, fileName());
    else if (m_options.startDesktopApp)
        ExportFollowUp::OpenWithDesktopApp(fileName());
}
