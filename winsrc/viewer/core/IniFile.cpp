#include "IniFile.h"

#include "MainModul.h"
#include "TextFileDecoder.h"
#include "UserFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>

#include <cerrno>

using namespace Qt::StringLiterals;
using MainModul::FormatMessage;

namespace {

bool hasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

bool hasOuterBlanks(const QString& text)
{
    return !text.isEmpty() && (text.front().isSpace() || text.back().isSpace());
}

bool equalNames(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

IniFile::IniFile(const QString& path) : m_path(path) {}

bool IniFile::load()
{
    m_lines.clear();
    m_lineEnd = u"\r\n"_s;
    m_error.clear();
    m_loadFailed = false;
    m_loadError.clear();
    if (m_path.isEmpty()) {
        m_error = u"No file name"_s;
        return false;
    }
    const UserFile::ReadResult read = UserFile::Read(m_path);
    if (read.status != UserFile::ReadStatus::Read) {
        m_loadFailed = read.status == UserFile::ReadStatus::Failed;
        m_error = m_loadFailed ? read.error : UserFile::SystemText(ENOENT);
        m_loadError = read.error;
        return false;
    }
    if (read.bytes.contains("\n") && !read.bytes.contains("\r\n"))
        m_lineEnd = u"\n"_s;
    m_lines = TextFileDecoder::splitLines(TextFileDecoder::decode(read.bytes));
    return true;
}

bool IniFile::save()
{
    m_error.clear();
    if (m_path.isEmpty()) {
        m_error = u"No file name"_s;
        return false;
    }
    // What could not be read would be lost by writing what was.
    if (m_loadFailed) {
        m_error = m_loadError;
        return false;
    }
    QString text;
    for (const QString& line : std::as_const(m_lines))
        text += line + m_lineEnd;
    m_error = UserFile::Replace(m_path, text.toUtf8());
    return m_error.isEmpty();
}

QString IniFile::LockFileName(const QString& path)
{
    const QFileInfo info(path);
    return info.absolutePath() + u"/."_s + info.fileName() + u".lock"_s;
}

bool IniFile::Update(const QString& path, const std::function<Change(IniFile&)>& change, QString* errorText)
{
    const auto fail = [errorText](const QString& why) {
        if (errorText)
            *errorText = why;
        return false;
    };
    if (path.isEmpty())
        return fail(u"No file name"_s);
    QLockFile lock(LockFileName(path));
    // A lock that cannot be made at all (a folder that cannot be written) is no reason to
    // stop: the write itself then fails and tells why. Only a lock held by another program is.
    if (!lock.tryLock(LockWaitMs) && lock.error() == QLockFile::LockFailedError)
        return fail(FormatMessage(1396, u"Another program is changing the file: please try again in a moment."_s));
    IniFile file(path);
    if (!file.load() && file.loadFailed())
        return fail(file.errorString());
    switch (change(file)) {
    case Change::Keep:
        return true;
    case Change::Refuse:
        return fail(file.errorString());
    case Change::Save:
        break;
    }
    if (!file.save())
        return fail(file.errorString());
    return true;
}

IniFile::Line IniFile::classify(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u'[')) {
        qsizetype end = trimmed.indexOf(u']');
        if (end < 0)
            end = trimmed.size();
        return {Line::Section, trimmed.mid(1, end - 1).trimmed()};
    }
    if (trimmed.startsWith(u';'))
        return {};
    const qsizetype eq = trimmed.indexOf(u'=');
    if (eq < 0)
        return {};
    return {Line::Entry, trimmed.left(eq).trimmed()};
}

QString IniFile::unquote(const QString& rawValue)
{
    const QString v = rawValue.trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return v.mid(1, v.size() - 2);
    return v;
}

QString IniFile::quoteIfNeeded(const QString& value)
{
    const bool quotedLook =
        value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front();
    if (hasOuterBlanks(value) || quotedLook)
        return u'"' + value + u'"';
    return value;
}

qsizetype IniFile::findSection(const QString& section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line l = classify(m_lines[i]);
        if (l.kind == Line::Section && equalNames(l.name, section.trimmed()))
            return i;
    }
    return -1;
}

qsizetype IniFile::sectionEnd(qsizetype headerIndex) const
{
    qsizetype i = headerIndex + 1;
    while (i < m_lines.size() && classify(m_lines[i]).kind != Line::Section)
        ++i;
    return i;
}

qsizetype IniFile::findKey(qsizetype headerIndex, const QString& key) const
{
    const qsizetype end = sectionEnd(headerIndex);
    for (qsizetype i = headerIndex + 1; i < end; ++i) {
        const Line l = classify(m_lines[i]);
        if (l.kind == Line::Entry && equalNames(l.name, key.trimmed()))
            return i;
    }
    return -1;
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    const qsizetype header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

QString IniFile::value(const QString& section, const QString& key, const QString& Default) const
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return Default;
    const qsizetype index = findKey(header, key);
    if (index < 0)
        return Default;
    const QString& line = m_lines[index];
    return unquote(line.mid(line.indexOf(u'=') + 1));
}

QStringList IniFile::sectionNames() const
{
    QStringList names;
    QSet<QString> seen;
    for (const QString& line : m_lines) {
        const Line l = classify(line);
        if (l.kind != Line::Section || l.name.isEmpty())
            continue;
        const QString folded = l.name.toCaseFolded();
        if (!seen.contains(folded)) {
            seen.insert(folded);
            names.append(l.name);
        }
    }
    return names;
}

IniFile::Values IniFile::values() const
{
    Values values;
    // The keys of the section being read; null in a section whose name came before.
    QHash<QString, QString>* keys = nullptr;
    for (const QString& line : m_lines) {
        const Line l = classify(line);
        if (l.kind == Line::Section) {
            const QString folded = l.name.toCaseFolded();
            keys = values.m_sections.contains(folded) ? nullptr : &values.m_sections[folded];
        } else if (l.kind == Line::Entry && keys) {
            const QString folded = l.name.toCaseFolded();
            if (!keys->contains(folded))
                keys->insert(folded, unquote(line.mid(line.indexOf(u'=') + 1)));
        }
    }
    return values;
}

QString IniFile::Values::value(const QString& section, const QString& key, const QString& Default) const
{
    const auto s = m_sections.constFind(section.trimmed().toCaseFolded());
    if (s == m_sections.cend())
        return Default;
    const auto k = s->constFind(key.trimmed().toCaseFolded());
    return k == s->cend() ? Default : k.value();
}

QStringList IniFile::keys(const QString& section) const
{
    QStringList names;
    const qsizetype header = findSection(section);
    if (header < 0)
        return names;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line l = classify(m_lines[i]);
        if (l.kind == Line::Entry)
            names.append(l.name);
    }
    return names;
}

bool IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    m_error.clear();
    if (section.isEmpty() || hasLineBreak(section) || section.contains(u']') || hasOuterBlanks(section)) {
        m_error = u"The section name cannot be stored: "_s + section;
        return false;
    }
    if (key.isEmpty() || hasLineBreak(key) || key.contains(u'=') || key.startsWith(u'[') || key.startsWith(u';') ||
        hasOuterBlanks(key)) {
        m_error = u"The key name cannot be stored: "_s + key;
        return false;
    }
    if (hasLineBreak(value)) {
        m_error = u"A value with a line break cannot be stored under "_s + key;
        return false;
    }
    const QString stored = quoteIfNeeded(value);
    qsizetype header = findSection(section);
    if (header < 0) {
        m_lines.append(u'[' + section + u']');
        m_lines.append(key + u'=' + stored);
        return true;
    }
    const qsizetype index = findKey(header, key);
    if (index >= 0) {
        // The key keeps the spelling the file gave it.
        m_lines[index] = classify(m_lines[index]).name + u'=' + stored;
        return true;
    }
    // A new key goes behind the section's last entry, before the blank lines that part it
    // from the next section.
    qsizetype insertAt = sectionEnd(header);
    while (insertAt > header + 1 && m_lines[insertAt - 1].trimmed().isEmpty())
        --insertAt;
    m_lines.insert(insertAt, key + u'=' + stored);
    return true;
}

bool IniFile::removeKey(const QString& section, const QString& key)
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return false;
    const qsizetype index = findKey(header, key);
    if (index < 0)
        return false;
    m_lines.removeAt(index);
    return true;
}

bool IniFile::removeSection(const QString& section)
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return false;
    m_lines.remove(header, sectionEnd(header) - header);
    return true;
}

QString IniFile::ReadIniString(const QString& path, const QString& section, const QString& key, const QString& Default)
{
    IniFile file(path);
    if (!file.load())
        return Default;
    return file.value(section, key, Default).left(MaxValueLength);
}

bool IniFile::WriteIniString(const QString& path, const QString& section, const QString& key, const QString& value,
                             QString* errorText)
{
    return Update(
        path, [&](IniFile& file) { return file.setValue(section, key, value) ? Change::Save : Change::Refuse; },
        errorText);
}

QStringList IniFile::ReadSectionNames(const QString& path)
{
    IniFile file(path);
    file.load();
    return file.sectionNames();
}

bool IniFile::DeleteIniSection(const QString& path, const QString& section, QString* errorText)
{
    // A file that is not there has nothing to remove, and is not made.
    if (!QFileInfo::exists(path))
        return true;
    return Update(
        path, [&](IniFile& file) { return file.removeSection(section) ? Change::Save : Change::Keep; }, errorText);
}

bool IniFile::DeleteIniKey(const QString& path, const QString& section, const QString& key, QString* errorText)
{
    if (!QFileInfo::exists(path))
        return true;
    return Update(
        path, [&](IniFile& file) { return file.removeKey(section, key) ? Change::Save : Change::Keep; }, errorText);
}
