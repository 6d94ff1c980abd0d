#pragma once

#include "ExportMarkup.h"
#include "ExportWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <memory>

class QFile;
class QIODevice;
class ExportTemporaryFile;

// What the text, XML and HTML writers share: the file, written beside its target under a
// hidden name (ExportTemporaryFile) that takes the target's place once complete, so a failed,
// discarded or killed export leaves an older file as it was, or none; in UTF-8 or in UTF-16
// little-endian with its byte-order mark, lines ended by CR LF. Lines are gathered in memory
// and written in pieces of about BufferChars characters (whole rows: a piece grows to hold a
// longer one), so memory does not grow with the rows; the first failed write fails the export
// (message 241 with the system's description and error number).
//
// The formats put their rows together from pieces (append, appendEscaped): each is copied
// into the buffer once, with no string of its own, so the writing costs little more than the
// bytes it writes. Lines that do not change from row to row are best made once, indent and
// line end included.
class ExportFileWriter : public ExportWriter
{
public:
    enum class Encoding { Utf8, Utf16LE };
    static constexpr qsizetype BufferChars = 128 * 1024;

    // fileOption is the format's number for its file name option, which a check names for
    // the focus.
    ExportFileWriter(ExportJob job, QString fileName, int fileOption, Encoding encoding);
    ~ExportFileWriter() override;

    // Writes into device instead of the named file: it is open for writing and stays the
    // caller's; finish then writes the tail and nothing is renamed.
    void setDevice(QIODevice* device);
    QString fileName() const { return m_fileName; }

    // An empty name (234), a folder (241), the format's own options, and a question before an
    // existing file that holds anything is replaced (233, 239).
    ExportCheck checkTarget() override;
    bool open(ExportFailure& failure) override;
    Step writeRow(const QStringList& values, qint64 row, ExportFailure& failure) override;
    bool finish(ExportFailure& failure) override;
    void discard() override;
    // How many characters were written as U+FFFD.
    QStringList endNotes() const override;
    qint64 replacedCharacters() const { return m_replaced; }

protected:
    // The format's own options.
    virtual ExportCheck checkOptions() { return {}; }
    virtual void writeHead() = 0;
    virtual void writeRecord(const QStringList& values, qint64 row) = 0;
    virtual void writeTail() = 0;

    void append(QStringView text) { m_buffer.append(text); }
    void append(char16_t c) { m_buffer.append(c); }
    void appendIndent(int indent);
    void endLine() { m_buffer.append(u"\r\n"); }
    // indent blanks, the text, CR LF.
    void writeLine(QStringView text, int indent = 0);
    // The text escaped; counts the characters replaced.
    void appendEscaped(QStringView text, ExportMarkup::Mode mode)
    {
        ExportMarkup::Append(m_buffer, text, mode, &m_replaced);
    }
    QString escape(const QString& text, ExportMarkup::Mode mode)
    {
        return ExportMarkup::Escape(text, mode, &m_replaced);
    }

private:
    // The characters gathered for the next write.
    class Buffer final : public ExportMarkup::Output
    {
    public:
        Buffer();
        void append(QStringView text) override
        {
            if (m_end - m_pos < text.size())
                grow(text.size());
            m_pos = std::copy_n(text.utf16(), text.size(), m_pos);
        }
        void append(char16_t c)
        {
            if (m_pos == m_end)
                grow(1);
            *m_pos++ = c;
        }
        QStringView text() const { return QStringView(m_data.get(), m_pos - m_data.get()); }
        qsizetype size() const { return m_pos - m_data.get(); }
        // Emptied, not freed: the next piece is gathered in the same memory.
        void clear() { m_pos = m_data.get(); }

    private:
        void grow(qsizetype more);

        std::unique_ptr<char16_t[]> m_data;
        char16_t* m_pos = nullptr;
        char16_t* m_end = nullptr;
    };

    bool flush();
    void fail(int errorNumber, const QString& description = QString());

    QString m_fileName;
    int m_fileOption;
    Encoding m_encoding;
    QIODevice* m_device = nullptr;
    std::unique_ptr<ExportTemporaryFile> m_temporary;
    std::unique_ptr<QFile> m_file;
    Buffer m_buffer;
    QByteArray m_bytes;
    bool m_failed = false;
    ExportFailure m_failure;
    qint64 m_replaced = 0;
};
