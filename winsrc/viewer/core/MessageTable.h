#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

// The numbered interface texts of one run, read from the message files of the interface
// languages. A later file only replaces the numbers it holds.
class MessageTable
{
public:
    static constexpr int Size = 2000;
    // The most a message file can hold: 2000 lines of a thousand characters, and room to
    // spare. A larger file is none, and is not read.
    static constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

    MessageTable();

    // Reads a message file into the table. The file is UTF-8; a file that is not valid UTF-8
    // is read as Windows-1252, as files written on Windows are. False with errorText when the
    // file cannot be read, is no regular file (a pipe, a device, a folder) or is larger than
    // MaxFileBytes; the table then keeps what it held.
    bool LoadFile(const QString& path, QString* errorText = nullptr);

    // Reads message lines from decoded text (the file's whole contents).
    void LoadText(const QString& text);

    // The stored text of a number, "" outside 0 to 1999 or where none was loaded.
    QString Text(int number) const;
    void SetText(int number, const QString& text);
    void Clear();

    // The text of a message number (an integer or a text that reads as a number); when there
    // is none, the default when one is given (a valid QVariant), else the "can't load" text.
    QString GetMessageTextByNr(const QVariant& number, const QVariant& Default = QVariant()) const;

    // Fills the placeholders "{1}", "{2}", ... with the values, all in one pass: a value that
    // itself contains "{2}" stays as it is. Placeholders without a value stay.
    static QString FillPlaceholders(const QString& text, const QStringList& values);

    // The message text (defaultText when it is empty and defaultText is not) with its
    // placeholders filled.
    QString FormatMessage(const QVariant& number, const QString& defaultText, const QVariantList& values) const;

private:
    QStringList m_texts;
};
