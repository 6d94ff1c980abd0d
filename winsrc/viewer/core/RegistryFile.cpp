#include "RegistryFile.h"

#include "IniFile.h"

#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// The text inside the quotes of a value as exported registry files write it ("\\" and "\"").
bool unescapeQuoted(const QString& raw, QString& out)
{
    if (raw.size() < 2 || !raw.startsWith(u'"') || !raw.endsWith(u'"'))
        return false;
    out.clear();
    for (qsizetype i = 1; i < raw.size() - 1; ++i) {
        if (raw[i] == u'\\' && i + 1 < raw.size() - 1)
            ++i;
        out += raw[i];
    }
    return true;
}

} // namespace

QString RegistryFile::RootName(quint32 rootKey)
{
    switch (rootKey) {
    case 0x80000000u:
        return u"HKEY_CLASSES_ROOT"_s;
    case 0x80000001u:
        return u"HKEY_CURRENT_USER"_s;
    case 0x80000002u:
        return u"HKEY_LOCAL_MACHINE"_s;
    case 0x80000003u:
        return u"HKEY_USERS"_s;
    default:
        return QString();
    }
}

QString RegistryFile::Path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/KLV/registry.reg"_s;
}

bool RegistryFile::ReadValue(const QString& path, quint32 rootKey, const QString& subKey, const QString& valueName,
                             QString& result)
{
    const QString root = RootName(rootKey);
    if (root.isEmpty())
        return false;
    IniFile file(path);
    if (!file.load())
        return false;
    QString key = subKey;
    while (key.startsWith(u'\\'))
        key.remove(0, 1);
    const QString section = key.isEmpty() ? root : root + u'\\' + key;
    // Value names are written in quotes; the default value is "@".
    QString entry = valueName.isEmpty() ? u"@"_s : u'"' + valueName + u'"';
    if (!file.contains(section, entry)) {
        if (valueName.isEmpty() || !file.contains(section, valueName))
            return false;
        entry = valueName;
    }
    // IniFile has dropped one pair of quotes around a plain string already.
    const QString raw = file.value(section, entry);
    QString text;
    if (raw.startsWith(u"dword:"_s, Qt::CaseInsensitive)) {
        bool ok = false;
        const quint32 v = raw.mid(6).trimmed().toUInt(&ok, 16);
        if (!ok)
            return false;
        result = QString::number(qint32(v));
        return true;
    }
    if (raw.startsWith(u"str(2):"_s, Qt::CaseInsensitive)) {
        if (!unescapeQuoted(raw.mid(7).trimmed(), text))
            return false;
        const QString expanded = ExpandEnvironmentStrings(text);
        if (expanded.isEmpty()) {
            result.clear();
            return false;
        }
        result = expanded;
        return true;
    }
    if (raw.contains(u':') && !raw.startsWith(u'"')) {
        const QString kind = raw.left(raw.indexOf(u':'));
        if (kind.startsWith(u"hex"_s, Qt::CaseInsensitive))
            return true; // another type: the caller's text stays
    }
    if (unescapeQuoted(u'"' + raw + u'"', text))
        result = text;
    else
        result = raw;
    return true;
}

QString RegistryFile::ExpandEnvironmentStrings(const QString& text)
{
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == u'%') {
            const qsizetype end = text.indexOf(u'%', i + 1);
            if (end > i + 1) {
                const QString name = text.mid(i + 1, end - i - 1);
                if (qEnvironmentVariableIsSet(name.toLocal8Bit().constData())) {
                    out += qEnvironmentVariable(name.toLocal8Bit().constData());
                    i = end + 1;
                    continue;
                }
            }
        }
        out += text[i];
        ++i;
    }
    return out;
}
