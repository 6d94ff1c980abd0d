#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text files that may come from the Windows program: UTF-8 (with or without a byte-order
// mark), otherwise Windows-1252; UTF-16 when a byte-order mark says so.
class TextFileDecoder
{
public:
    // Decodes bytes as UTF-8 when they are valid UTF-8. Otherwise each line is decoded by
    // itself, as UTF-8 when it is valid UTF-8, else as Windows-1252: a file in a folder shared
    // with the Windows program may hold lines that program wrote beside lines of ours.
    // wasUtf8 tells whether the whole file was UTF-8.
    static QString decode(const QByteArray& bytes, bool* wasUtf8 = nullptr);

    // Splits text into lines at CR LF, LF or CR; a final line end adds no empty line.
    static QStringList splitLines(const QString& text);
};
