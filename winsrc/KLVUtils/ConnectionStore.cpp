#include "ConnectionStore.h"

#include <QFile>
#include <QSaveFile>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace klvutils {

namespace {

const QString connInfosSection = u"ConnInfos"_s;
const QString connectionSection = u"Connection"_s;
const QString lruKey = u"LRU"_s;

// What a connection without a record reads as.
const QString defaultRecord = u";6550;erp;0"_s;

// Fields are joined by ";", so a ";" inside a field is written as "%3B" and the "%" itself
// as "%25". A record without either character is stored exactly as before, and only these
// two sequences are read back, so records written without the escape read unchanged.
QString encodeField(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (const QChar c : field) {
        if (c == u'%')
            out += u"%25"_s;
        else if (c == u';')
            out += u"%3B"_s;
        else
            out += c;
    }
    return out;
}

// Connection names become keys, and QSettings takes "/" and "\" in a key as a path.
QString encodeKey(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c == u'%')
            out += u"%25"_s;
        else if (c == u'/')
            out += u"%2F"_s;
        else if (c == u'\\')
            out += u"%5C"_s;
        else
            out += c;
    }
    return out;
}

// Reads back the sequences of the two encoders above; every other "%" stays as it is.
QString decodePercent(const QString& text)
{
    if (!text.contains(u'%'))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'%' && i + 2 < text.size()) {
            const QString hex = text.mid(i + 1, 2).toUpper();
            if (hex == u"25"_s || hex == u"3B"_s || hex == u"2F"_s || hex == u"5C"_s) {
                out += QChar(hex.toUShort(nullptr, 16));
                i += 2;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The keys a file written by QSettings holds: one line of "key=value" each.
qsizetype keyLines(const QByteArray& bytes)
{
    qsizetype count = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArray line = bytes.sliced(start, end - start).trimmed();
        if (!line.isEmpty() && !line.startsWith('[') && line.contains('='))
            ++count;
        start = end + 1;
    }
    return count;
}

} // namespace

ConnectionStore::ConnectionStore(const QString& application)
    : m_settings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, application)
{}

QString ConnectionStore::sectionPath(const QString& section) const
{
    const QStringList groups = m_settings.childGroups();
    for (const QString& g : groups) {
        if (g.compare(section, Qt::CaseInsensitive) == 0)
            return g;
    }
    return section;
}

QString ConnectionStore::storedKey(const QString& sectionPath, const QString& name) const
{
    if (name.isEmpty())
        return {};
    m_settings.beginGroup(sectionPath);
    const QStringList keys = m_settings.childKeys();
    m_settings.endGroup();
    for (const QString& k : keys) {
        if (decodePercent(k).compare(name, Qt::CaseInsensitive) == 0)
            return k;
    }
    return {};
}

QString ConnectionStore::text(const QString& path) const
{
    const QVariant v = m_settings.value(path);
    // A hand-edited value with unquoted commas comes back as a list.
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(u',');
    return v.toString();
}

bool ConnectionStore::commit()
{
    // The store shares its file with the calling program's other settings. QSettings takes a
    // write that a nearly full disk cut short for a whole one and puts the cut file in the old
    // one's place: what it wrote is read back, and a file that lacks keys gets back what it held
    // (the room of the cut file and of the old one suffice for that).
    const QString path = m_settings.fileName();
    const QByteArray before = fileBytes(path);
    m_settings.sync();
    if (m_settings.status() != QSettings::NoError)
        return false;
    const QByteArray after = fileBytes(path);
    if (after == before || keyLines(after) >= m_settings.allKeys().size())
        return true;
    if (!before.isEmpty()) {
        QSaveFile restore(path);
        if (restore.open(QIODevice::WriteOnly) && restore.write(before) == before.size())
            restore.commit();
    }
    return false;
}

QStringList ConnectionStore::names() const
{
    m_settings.beginGroup(sectionPath(connInfosSection));
    QStringList keys = m_settings.childKeys();
    m_settings.endGroup();
    for (QString& k : keys)
        k = decodePercent(k);
    return keys;
}

QString ConnectionStore::storedName(const QString& name) const
{
    return decodePercent(storedKey(sectionPath(connInfosSection), name));
}

void ConnectionStore::read(const QString& name, QString& host, int& port, QString& mandant, bool& withUserName,
                           QString& userName) const
{
    const QString section = sectionPath(connInfosSection);
    const QString key = storedKey(section, name);
    const QString value = key.isEmpty() ? defaultRecord : text(section + u'/' + key);
    const QStringList fields = value.isEmpty() ? QStringList() : value.split(u';');

    if (fields.size() > 0)
        host = decodePercent(fields.at(0));
    if (fields.size() > 1) {
        bool ok = false;
        const int p = decodePercent(fields.at(1)).trimmed().toInt(&ok);
        if (ok)
            port = p;
    }
    if (port == 0)
        port = DefaultPort;
    if (fields.size() > 2)
        mandant = decodePercent(fields.at(2));
    if (mandant.isEmpty())
        mandant = u"erp"_s;
    if (fields.size() > 3)
        withUserName = fields.at(3) == u"1"_s;
    if (fields.size() > 4)
        userName = decodePercent(fields.at(4));
}

bool ConnectionStore::setText(const QString& section, const QString& name, const QString& value)
{
    if (name.isEmpty())
        return false;
    const QString path = sectionPath(section);
    const QString existing = storedKey(path, name);
    const QString key = encodeKey(name);
    // A name that differs only in case is the same entry: it takes the new spelling.
    if (!existing.isEmpty() && existing != key)
        m_settings.remove(path + u'/' + existing);
    m_settings.setValue(path + u'/' + key, value);
    return commit();
}

bool ConnectionStore::write(const QString& name, const QString& host, int port, const QString& mandant,
                            bool withUserName, const QString& userName)
{
    const QString value = encodeField(host) + u';' + QString::number(port) + u';' + encodeField(mandant) + u';' +
                          (withUserName ? u"1"_s : u"0"_s) + u';' + encodeField(userName);
    return setText(connInfosSection, name, value);
}

bool ConnectionStore::remove(const QString& name)
{
    const QString path = sectionPath(connInfosSection);
    const QString key = storedKey(path, name);
    if (key.isEmpty())
        return true;
    m_settings.remove(path + u'/' + key);
    return commit();
}

QString ConnectionStore::lastUsed() const
{
    const QString path = sectionPath(connectionSection);
    const QString key = storedKey(path, lruKey);
    return key.isEmpty() ? QString() : text(path + u'/' + key);
}

bool ConnectionStore::setLastUsed(const QString& name)
{
    return setText(connectionSection, lruKey, name);
}

QString ConnectionStore::fileName() const
{
    return m_settings.fileName();
}

} // namespace klvutils
