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

namespace {

const QString NoValue;

// The value at position i (from 0); none when the row is shorter.
const QString& valueAt(const QStringList& values, qsizetype i)
{
    return i >= 0 && i < values.size() ? values[i] : NoValue;
}

} // namespace

void ExportXmlWriter::writeHead()
{
    for (const ExportField& field : job().fields)
        m_fieldStarts.append(u"        <Field name=\""_s + escape(field.caption, Mode::XmlAttribute) + u"\">"_s);
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
        const QString& id = valueAt(values, idIndex - 1);
        if (id != m_lastRecordId) {
            m_lastRecordId = id;
            m_recordRowNumber = 0;
        }
    } else {
        m_recordRowNumber = 0;
    }

    if (m_recordRowNumber == 0) {
        // The caption of the row that starts the record.
        if (captionIndex > 0)
            m_lastCaption = valueAt(values, captionIndex - 1);
        if (row > 1)
            append(u"    </Record>\r\n");
        append(u"    <Record");
        if (!m_lastRecordId.isEmpty()) {
            append(u" id=\"");
            appendEscaped(m_lastRecordId, Mode::XmlAttribute);
            append(u'"');
        }
        if (!m_lastCaption.isEmpty()) {
            append(u" caption=\"");
            appendEscaped(m_lastCaption, Mode::XmlAttribute);
            append(u'"');
        }
        append(u">\r\n");
        if (!m_headFields.isEmpty()) {
            append(u"      <Head>\r\n");
            writeFields(m_headFields, values);
            append(u"      </Head>\r\n");
        }
    }
    ++m_recordRowNumber;
    if (!m_rowFields.isEmpty()) {
        // The number's digits from the back.
        char16_t digits[24];
        char16_t* first = std::end(digits);
        for (qint64 n = m_recordRowNumber; n > 0 || first == std::end(digits); n /= 10)
            *--first = char16_t(u'0' + n % 10);
        append(u"      <Row number=\"");
        append(QStringView(first, std::end(digits)));
        append(u"\">\r\n");
        writeFields(m_rowFields, values);
        append(u"      </Row>\r\n");
    }
}

void ExportXmlWriter::writeFields(const QList<int>& positions, const QStringList& values)
{
    for (const int i : positions) {
        const QString& value = valueAt(values, i);
        if (m_options.suppressEmptyFields && value.isEmpty())
            continue;
        append(m_fieldStarts[i]);
        appendEscaped(value, Mode::XmlContent);
        append(u"</Field>\r\n");
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
