#include "SavedQuerySettings.h"

#include "FileNames.h"
#include "IniFile.h"

using namespace Qt::StringLiterals;

namespace {

// The members in the order of KeyNames().
QString SavedQuerySettings::*const members[] = {
    &SavedQuerySettings::Fields, &SavedQuerySettings::FieldWidths, &SavedQuerySettings::Krit,
    &SavedQuerySettings::ByRows, &SavedQuerySettings::AliveFlag,   &SavedQuerySettings::Ascending,
    &SavedQuerySettings::Order,  &SavedQuerySettings::AndJunction, &SavedQuerySettings::SortKey,
};

} // namespace

const QStringList& SavedQuerySettings::KeyNames()
{
    static const QStringList names{u"Fields"_s,    u"FieldWidths"_s, u"Krit"_s,        u"ByRows"_s, u"AliveFlag"_s,
                                   u"Ascending"_s, u"Order"_s,       u"AndJunction"_s, u"SortKey"_s};
    return names;
}

QString SavedQuerySettings::DefaultName()
{
    return u"Default"_s;
}

bool SavedQuerySettings::IsStorableName(const QString& name)
{
    if (name.isEmpty() || name.front().isSpace() || name.back().isSpace())
        return false;
    for (const QChar c : name) {
        if (c == u'[' || c == u']' || c == u'\r' || c == u'\n')
            return false;
    }
    return true;
}

QString SavedQuerySettings::FileFor(const QString& dir, const QString& table)
{
    // Without a directory or a table there is no file ("dir/.ini" would be a hidden file of
    // no table).
    if (dir.isEmpty() || table.trimmed().isEmpty())
        return QString();
    return dir + u'/' + FileNames::MakeValidFileName(table, false) + u".ini"_s;
}

bool SavedQuerySettings::write(const QString& file, const QString& name, QString* errorText) const
{
    if (!IsStorableName(name)) {
        if (errorText)
            *errorText = name;
        return false;
    }
    // Read, changed and written under the file's lock: two programs saving queries of the same
    // table at once each keep the other's.
    return IniFile::Update(
        file,
        [&](IniFile& ini) {
            const QStringList& keys = KeyNames();
            for (qsizetype i = 0; i < keys.size(); ++i) {
                if (!ini.setValue(name, keys[i], this->*members[i]))
                    return IniFile::Change::Refuse;
            }
            return IniFile::Change::Save;
        },
        errorText);
}

SavedQuerySettings SavedQuerySettings::read(const QString& file, const QString& name,
                                            const SavedQuerySettings& defaults)
{
    SavedQuerySettings result = defaults;
    IniFile ini(file);
    if (!ini.load())
        return result;
    const QStringList& keys = KeyNames();
    for (qsizetype i = 0; i < keys.size(); ++i)
        result.*members[i] = ini.value(name, keys[i], defaults.*members[i]).left(IniFile::MaxValueLength);
    return result;
}

QStringList SavedQuerySettings::QueryNames(const QString& file)
{
    QStringList names = IniFile::ReadSectionNames(file);
    if (names.size() > MaxQueryNames)
        names.resize(MaxQueryNames);
    if (names.isEmpty())
        names.append(DefaultName());
    return names;
}

void SavedQuerySettings::remove(const QString& file, const QString& name)
{
    if (!file.isEmpty())
        IniFile::DeleteIniSection(file, name);
}
