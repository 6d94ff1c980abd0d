#pragma once

#include "ExportFileWriter.h"

// The delimited text file: an optional line of the field captions, then one line per record,
// the values joined by the field separator. In UTF-8 without a byte-order mark (the system's
// own encoding on Linux), lines ended by CR LF.
//
// Options: "ExportFileName", "WithFieldList", "FormatRFC4180", "FieldSeparator",
// "LineBreakChar", "StartFileApp", "FileApp", "StartFileAppExt".
class ExportTextWriter : public ExportFileWriter
{
public:
    explicit ExportTextWriter(ExportJob job);

    // One value as the file holds it. RFC 4180: in double quotes, a double quote inside
    // doubled, line breaks kept. Otherwise every line break (CR LF, then a CR or an LF on its
    // own) becomes lineBreak, so a record stays on one line.
    static QString GetConvField(const QString& value, bool rfc4180, const QString& lineBreak);

    void startFollowUp() override;

protected:
    // An empty separator, or in RFC 4180 one holding a double quote, CR or LF, would give a
    // file whose fields cannot be told apart.
    bool checkOptions(QString& focusControl) override;
    void writeHead() override;
    void writeRecord(const QStringList& values, qint64 row) override;
    void writeTail() override {}

private:
    bool m_rfc4180;
    QString m_separator;
    QString m_lineBreak;
};
