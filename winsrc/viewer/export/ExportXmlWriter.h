#pragma once

#include "ExportFileWriter.h"

#include <QList>
#include <QString>

// The XML file: UTF-16 little-endian with its byte-order mark, lines indented by blanks and
// ended by CR LF:
//
//   <?xml version="1.0" encoding="UTF-16"?>
//   <WEXAData>
//     <RecordSet source="KLVViewer" sourcetype="DataQuery">
//       <Record id="7" caption="Smith">        (id and caption only when they have a value)
//         <Head>                               (only with head fields)
//           <Field name="nummer">7</Field>
//         </Head>
//         <Row number="1">                     (one per row of the record, with table-part fields)
//           <Field name="menge">5</Field>
//         </Row>
//       </Record>
//     </RecordSet>
//   </WEXAData>
//
// Consecutive rows with the same value of the record id field form one record; without an
// id field every row is a record of its own. Every text is escaped.
class ExportXmlWriter : public ExportFileWriter
{
public:
    struct Options
    {
        QString fileName;
        // Positions (from 1) of the record id and caption fields among the job's fields; 0
        // for none.
        int recordIdField = 0;
        int captionField = 0;
        // A field without a value is left out.
        bool suppressEmptyFields = true;
        // Afterwards: the program the user named, or else the desktop's program for the file.
        bool startProgram = false;
        QString program;
        bool startDesktopApp = false;
    };
    enum Option { FileName };

    ExportXmlWriter(ExportJob job, Options options);

    const Options& options() const { return m_options; }
    void startFollowUp() override;

protected:
    void writeHead() override;
    void writeRecord(const QStringList& values, qint64 row) override;
    void writeTail() override;

private:
    void writeFields(const QList<int>& positions, const QStringList& values);

    QList<int> m_headFields; // positions (from 0) in the job's fields
    QList<int> m_rowFields;
    QStringList m_fieldStarts; // "<Field name=\"...\">" of each field, indented, escaped once
    Options m_options;
    QString m_lastRecordId;
    QString m_lastCaption;
    qint64 m_recordRowNumber = 0;
    qint64 m_rows = 0;
};
