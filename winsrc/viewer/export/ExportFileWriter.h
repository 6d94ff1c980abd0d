#pragma once

#include "ExportMarkup.h"
#include "ExportWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <memory>

class QIODevice;
class QSaveFile;

// What the text, XML and HTML writers share: the file named by one option of the job,
// written through a QSaveFile (a failed or discarded export leaves an older file as it was,
// or none), in UTF-8 or in UTF-16 little-endian with its byte-order mark, lines ended by
// CR LF. Lines are gathered in memory and written in pieces of BufferChars characters, so
// memory does not grow with the rows; the first failed write fails the export (message 241
// with the system's description and error number).
class ExportFileWriter : public ExportWriter
{
public:
    enum class Encoding { Utf8, Utf16LE };
    static constexpr qsizetype BufferChars = 128 * 1024;

    // fileSetting names the job's option that holds the file name, fileControl the dialog's
    // box in which the user types it.
    ExportFileWriter(ExportJob job, QString fileSetting, QString fileControl, Encoding encoding);
    ~ExportFileWriter() override;

    // Writes into device instead of the named file: it is open for writing and stays the
    // caller's; finish then writes the tail and nothing is renamed.
    void setDevice(QIODevice* device);
    QString fileName() const;

    // An empty name (234), a folder (241), the kind's own options, and a question before an
    // existing file that holds anything is replaced (233, 239).
    bool checkTarget(QString& focusControl) override;
    bool open(ExportFailure& failure) override;
    Step writeRow(const QStringList& values, qint64 row, ExportFailure& failure) override;
    bool finish(ExportFailure& failure) override;
    void discard() override;
    // How many characters were written as U+FFFD.
    QStringList endNotes() const override;
    qint64 replacedCharacters() const { return m_replaced; }

protected:
    // The kind's options; false once the user has been told why not.
    virtual bool checkOptions(QString& focusControl);
    virtual void writeHead() = 0;
    virtual void writeRecord(const QStringList& values, qint64 row) = 0;
    virtual void writeTail() = 0;

    void append(QStringView text) { m_buffer.append(text); }
    void appendIndent(int indent);
    void endLine() { m_buffer.append(u"\r\n"); }
    // indent blanks, the text, CR LF.
    void writeLine(QStringView text, int indent = 0);
    // Escapes and counts the characters replaced.
    QString escape(const QString& text, ExportMarkup::Mode mode)
    {
        return ExportMarkup::Escape(text, mode, &m_replaced);
    }

private:
    bool flush();
    void fail(int errorNumber, const QString& description);

    QString m_fileSetting;
    QString m_fileControl;
    Encoding m_encoding;
    QIODevice* m_device = nullptr;
    std::unique_ptr<QSaveFile> m_file;
    QString m_buffer;
    QByteArray m_bytes;
    bool m_failed = false;
    ExportFailure m_failure;
    qint64 m_replaced = 0;
};
