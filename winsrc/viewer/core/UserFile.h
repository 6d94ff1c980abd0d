#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A small file of the user's (saved queries, the viewer's configuration) read and replaced
// whole, with every failure in the system's own words ("No space left on device").
//
// Reading opens without waiting and takes only a regular file: a pipe in the file's place
// would hold the program for ever. Replacing writes the new content into a hidden file beside
// the old one, checks every step up to the disk (each write, the flush to the disk, the
// close), and only then renames it over the old file, so a failure at any step leaves the old
// file exactly as it was. A link is followed: its target is replaced and the link stays.
class UserFile
{
public:
    enum class ReadStatus { Read, Missing, Failed };
    struct ReadResult
    {
        ReadStatus status = ReadStatus::Missing;
        QByteArray bytes;
        QString error; // why it could not be read (Failed only)
    };

    static ReadResult Read(const QString& path);

    // Replaces the file's content (making the file when there is none); "" when done, else
    // why not. The old file's permissions carry over to the new one.
    static QString Replace(const QString& path, QByteArrayView content);

    // Why a file of about size bytes could not be written at path, found by doing what a
    // writer does (opening the file for writing, making the folder and a file in it, writing
    // that much and flushing it to the disk) and taking the system's word for the first step
    // that fails; "" when none does. Nothing of the user's is changed.
    static QString WhyNotWritable(const QString& path, qint64 size);

    // The system's text of an error number.
    static QString SystemText(int errorNumber);
};
