#pragma once

// The plain writer of the export benchmark's file anchors: a buffer of its own, written to its
// file with fwrite and on disk at the end, as the export's file is.

#include <QFile>
#include <QString>
#include <QStringView>

#include <unistd.h>

#include <cstdio>
#include <string>

namespace ExportAnchors {

// A buffer written to its file with fwrite once it holds a MiB, or appended to a string of the
// caller's (the benchmark times the writing without the file system that way).
class PlainFile
{
public:
    explicit PlainFile(const QString& name)
        : m_file(std::fopen(QFile::encodeName(name).constData(), "wb")), m_failed(!m_file)
    {
        m_bytes.reserve(Flush + 4096);
    }
    explicit PlainFile(std::string& sink) : m_file(nullptr), m_sink(&sink), m_failed(false)
    {
        m_bytes.reserve(Flush + 4096);
    }
    ~PlainFile() { close(); }
    bool ok() const { return !m_failed; }
    void bytes(const char* data, size_t size)
    {
        m_bytes.append(data, size);
        if (m_bytes.size() >= Flush)
            flush();
    }
    // Text as UTF-8.
    void utf8(QStringView text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t c = text[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
            if (c < 0x80) {
                m_bytes.push_back(char(c));
            } else if (c < 0x800) {
                m_bytes.push_back(char(0xC0 | (c >> 6)));
                m_bytes.push_back(char(0x80 | (c & 0x3F)));
            } else if (c < 0x10000) {
                m_bytes.push_back(char(0xE0 | (c >> 12)));
                m_bytes.push_back(char(0x80 | ((c >> 6) & 0x3F)));
                m_bytes.push_back(char(0x80 | (c & 0x3F)));
            } else {
                m_bytes.push_back(char(0xF0 | (c >> 18)));
                m_bytes.push_back(char(0x80 | ((c >> 12) & 0x3F)));
                m_bytes.push_back(char(0x80 | ((c >> 6) & 0x3F)));
                m_bytes.push_back(char(0x80 | (c & 0x3F)));
            }
        }
        if (m_bytes.size() >= Flush)
            flush();
    }
    // Text as UTF-16 little-endian (the machine's own order).
    void utf16(QStringView text) { bytes(reinterpret_cast<const char*>(text.utf16()), size_t(text.size()) * 2); }
    // On disk before it counts as written, as the export's file is.
    void close()
    {
        if (m_sink) {
            flush();
            return;
        }
        if (!m_file)
            return;
        flush();
        m_failed = std::fflush(m_file) != 0 || ::fsync(fileno(m_file)) != 0 || m_failed;
        m_failed = std::fclose(m_file) != 0 || m_failed;
        m_file = nullptr;
    }

private:
    static constexpr size_t Flush = 1 << 20;
    void flush()
    {
        if (m_sink)
            m_sink->append(m_bytes);
        else if (m_file && !m_bytes.empty() && std::fwrite(m_bytes.data(), 1, m_bytes.size(), m_file) != m_bytes.size())
            m_failed = true;
        m_bytes.clear();
    }
    std::FILE* m_file;
    std::string* m_sink = nullptr;
    std::string m_bytes;
    bool m_failed;
};

} // namespace ExportAnchors
