#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// An INI file read and written the way the Windows profile functions do it: sections and
// keys are found without regard to case, the first match wins, blanks around keys and values
// and one pair of matching quotes around a value are dropped. Writing changes only the line
// it concerns; the order, the comments and every other line stay. The file is read as UTF-8,
// a line that is not valid UTF-8 as Windows-1252, and written as UTF-8 with the line ends it
// had (CR LF for a new file, as the Windows program writes them).
//
// A file is written only over what was read of it: after a load that failed for any reason
// but a missing file, save refuses, so a file the program could not read is never replaced by
// the little it knows of it. Update serialises a read-change-write between programs.
class IniFile
{
public:
    // The longest value ReadIniString hands out (the Windows program's buffer less its NUL).
    static constexpr qsizetype MaxValueLength = 31999;

    explicit IniFile(const QString& path);

    // Reads the file; a missing file reads as empty and gives false, as does a file that
    // cannot be read (loadFailed() tells the two apart, errorString() why).
    bool load();
    bool loadFailed() const { return m_loadFailed; }
    // Writes the file whole or not at all (UserFile): a failed write leaves the old one as
    // it was, and errorString() says why in the system's words.
    bool save();

    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

    bool contains(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& Default = QString()) const;
    // Section names in file order (each once, as first spelled).
    QStringList sectionNames() const;
    // Key names of a section in file order.
    QStringList keys(const QString& section) const;

    // Every value of the file, read in one pass for a caller that reads many sections: each
    // found as value() finds it (names without regard to case, the first section and the first
    // key of a name count).
    class Values
    {
    public:
        QString value(const QString& section, const QString& key, const QString& Default = QString()) const;

    private:
        friend class IniFile;
        QHash<QString, QHash<QString, QString>> m_sections; // by case-folded section and key names
    };
    Values values() const;

    // Sets a value; false (nothing changed) when the section, key or value cannot be stored
    // in an INI line: line breaks, a key with "=" or a section with "]", names with blanks
    // around them. A value with blanks around it, or with quotes at both ends, is written in
    // quotes so it reads back as it was.
    bool setValue(const QString& section, const QString& key, const QString& value);
    bool removeKey(const QString& section, const QString& key);
    bool removeSection(const QString& section);

    // What a change made in Update asks for.
    enum class Change { Save, Keep, Refuse };

    // Reads the file, applies change and writes the file back when it asks for it, while
    // holding a lock beside the file (a hidden "<name>.lock"), so that programs changing the
    // same file one after the other each see what the one before wrote. A missing file reads
    // as empty; a file that cannot be read is not written. False, with the reason in
    // errorText, when the file cannot be read or written, the change refuses (its reason is
    // the file's errorString()), or another program holds the lock for longer than LockWaitMs.
    static bool Update(const QString& path, const std::function<Change(IniFile&)>& change,
                       QString* errorText = nullptr);
    static constexpr int LockWaitMs = 10000;
    static QString LockFileName(const QString& path);

    // One-call forms in the manner of the profile functions: each reads the file anew; the
    // writing ones go through Update.
    static QString ReadIniString(const QString& path, const QString& section, const QString& key,
                                 const QString& Default);
    static bool WriteIniString(const QString& path, const QString& section, const QString& key, const QString& value,
                               QString* errorText = nullptr);
    static QStringList ReadSectionNames(const QString& path);
    static bool DeleteIniSection(const QString& path, const QString& section, QString* errorText = nullptr);
    static bool DeleteIniKey(const QString& path, const QString& section, const QString& key,
                             QString* errorText = nullptr);

private:
    struct Line
    {
        enum Kind { Other, Section, Entry } kind = Other;
        QString name; // section or key name, trimmed
    };
    static Line classify(const QString& line);
    static QString unquote(const QString& rawValue);
    static QString quoteIfNeeded(const QString& value);

    qsizetype findSection(const QString& section) const; // index of the header line or -1
    qsizetype sectionEnd(qsizetype headerIndex) const;   // index after the section's last line
    qsizetype findKey(qsizetype headerIndex, const QString& key) const;

    QString m_path;
    QStringList m_lines;
    QString m_lineEnd = QStringLiteral("\r\n");
    QString m_error;
    bool m_loadFailed = false;
    QString m_loadError;
};
