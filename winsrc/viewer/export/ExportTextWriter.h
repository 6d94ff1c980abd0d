#pragma once

#include "ExportFileWriter.h"

// The delimited text file: an optional line of the field captions, then one line per record,
// the values joined by the field separator. In UTF-8 without a byte-order mark (the system's
// own encoding on Linux), lines ended by CR LF.
class ExportTextWriter : public ExportFileWriter
{
public:
    struct Options
    {
        QString fileName;
        bool withFieldList = true;
        bool rfc4180 = false;
        QString separator = QStringLiteral(";");
        QString lineBreak = QStringLiteral("#");
        // Afterwards: the program the user named, or else the desktop's program for the file.
        bool startProgram = false;
        QString program;
        bool startDesktopApp = false;
    };
    // The options a check names for the focus.
    enum Option { FileName, Separator };

    ExportTextWriter(ExportJob job, Options options);

    // One value as the file holds it. RFC 4180: in double quotes, a double quote inside
    // doubled, line breaks kept. Otherwise every line break (CR LF, then a CR or an LF on its
    // own) becomes lineBreak, so a record stays on one line.
    static QString GetConvField(const QString& value, bool rfc4180, const QString& lineBreak);

    const Options& options() const { return m_options; }
    void startFollowUp() override;

protected:
    // An empty separator, or in RFC 4180 one holding a double quote, CR or LF, would give a
    // file whose fields cannot be told apart.
    ExportCheck checkOptions() override;
    void writeHead() override;
    void writeRecord(const QStringList& values, qint64 row) override;
    void writeTail() override {}

private:
    // GetConvField of value, appended.
    void appendConverted(const QString& value);

    Options m_options;
    // The line break's replacement holds no CR or LF, so every line break can be replaced in
    // one pass.
    bool m_simpleLineBreak;
};
