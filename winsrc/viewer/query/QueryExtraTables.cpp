#include "QueryExtraTables.h"

#include "IniFile.h"
#include "NumberText.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString nameKey(const QString& name)
{
    return name.toLower();
}

} // namespace

QString QueryExtraTables::normalizedDb(const QString& db)
{
    const QString t = db.trimmed();
    if (NumberText::isNumber(t)) {
        const double v = NumberText::leadingValue(t);
        if (std::isfinite(v) && v == std::trunc(v) && std::abs(v) < 1e15)
            return QString::number(qint64(v));
    }
    return t;
}

QStringList QueryExtraTables::SplitNames(const QString& list)
{
    QStringList names;
    for (const QString& part : list.split(u',')) {
        const QString name = part.trimmed();
        if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive))
            names.append(name);
    }
    return names;
}

void QueryExtraTables::clear()
{
    m_databases.clear();
    m_dbByName.clear();
    m_listed.clear();
}

void QueryExtraTables::keepListed(const QString& db, const QString& name)
{
    const QString key = normalizedDb(db);
    QStringList& names = m_listed[key];
    if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive))
        names.append(name);
}

void QueryExtraTables::addDatabase(const QString& db)
{
    const QString key = normalizedDb(db);
    if (!key.isEmpty() && !m_databases.contains(key))
        m_databases.append(key);
}

void QueryExtraTables::registerTable(const QString& name, const QString& db)
{
    if (name.isEmpty())
        return;
    addDatabase(db);
    const QString key = nameKey(name);
    if (!m_dbByName.contains(key))
        m_dbByName.insert(key, normalizedDb(db));
}

void QueryExtraTables::unregister(const QString& name)
{
    m_dbByName.remove(nameKey(name));
}

void QueryExtraTables::rename(const QString& oldName, const QString& newName, const QStringList& rowTexts)
{
    const QString db = databaseOf(oldName);
    if (!rowTexts.contains(oldName, Qt::CaseInsensitive))
        m_dbByName.remove(nameKey(oldName));
    if (db.isEmpty() || newName.isEmpty())
        return;
    const QString key = nameKey(newName);
    if (!m_dbByName.contains(key))
        m_dbByName.insert(key, db);
}

bool QueryExtraTables::isExtraTable(const QString& name) const
{
    return !m_dbByName.value(nameKey(name)).isEmpty();
}

QString QueryExtraTables::databaseOf(const QString& name) const
{
    return m_dbByName.value(nameKey(name));
}

QList<QPair<QString, QString>> QueryExtraTables::entries(const QStringList& rowTexts) const
{
    QMap<QString, QStringList> byDb;
    const auto add = [&byDb](const QString& db, const QString& name) {
        QStringList& names = byDb[db];
        if (!names.contains(name, Qt::CaseInsensitive))
            names.append(name);
    };
    for (const QString& row : rowTexts) {
        if (isExtraTable(row))
            add(databaseOf(row), row);
    }
    for (auto it = m_listed.cbegin(); it != m_listed.cend(); ++it) {
        for (const QString& name : it.value())
            add(it.key(), name);
    }
    QList<QPair<QString, QString>> result;
    for (const QString& db : m_databases)
        result.append({db, byDb.value(db).join(u',')});
    return result;
}

bool QueryExtraTables::save(const QString& file, const QStringList& rowTexts, QString* errorText) const
{
    if (file.isEmpty())
        return false;
    const QList<QPair<QString, QString>> list = entries(rowTexts);
    if (list.isEmpty())
        return true;
    // A directory that is not there yet is made; if that fails the write below fails too.
    QDir().mkpath(QFileInfo(file).absolutePath());
    // The file holds the query window's other sections as well: one that could not be read is
    // left alone (Update writes nothing then), and another window's entries written meanwhile
    // stay, as the file is read again under its lock.
    bool refused = false;
    QString refusal;
    const bool written = IniFile::Update(
        file,
        [&](IniFile& ini) {
            for (const auto& [db, value] : list) {
                if (!ini.setValue(QString::fromUtf16(Section), db, value)) {
                    refused = true;
                    refusal = ini.errorString();
                }
            }
            return IniFile::Change::Save;
        },
        errorText);
    if (written && refused && errorText)
        *errorText = refusal;
    return written && !refused;
}

QString QueryExtraTables::load(const QString& file, const QString& db)
{
    if (file.isEmpty())
        return QString();
    return IniFile::ReadIniString(file, QString::fromUtf16(Section), normalizedDb(db), QString()).trimmed();
}
