#include "ViewerConfig.h"

#include "AppContext.h"
#include "SettingsStore.h"

#include <QDir>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

struct Entry
{
    ViewerConfig::Key key;
    const char16_t* section;
    const char16_t* name;
    const char16_t* fallback; // nullptr: worked out in defaultValue()
};

constexpr Entry entries[] = {
    {ViewerConfig::Key::Logging, u"Settings", u"Logging", u"0"},
    {ViewerConfig::Key::Logfile, u"Settings", u"Logfile", nullptr},
    {ViewerConfig::Key::QueryAutoSave, u"Settings", u"QueryAutoSave", u"1"},
    {ViewerConfig::Key::QuerySaveByUser, u"Settings", u"QuerySaveByUser", u"1"},
    {ViewerConfig::Key::QuerySaveIndiv, u"Settings", u"QuerySaveIndiv", u"1"},
    {ViewerConfig::Key::QuerySaveInMand, u"Settings", u"QuerySaveInMand", u"0"},
    {ViewerConfig::Key::QuerySaveDirIndiv, u"Settings", u"QuerySaveDirIndiv", nullptr},
    {ViewerConfig::Key::QuerySaveDirMand, u"Settings", u"QuerySaveDirMand", nullptr},
    {ViewerConfig::Key::SaveViewerSettings, u"Settings", u"SaveViewerSettings", u"1"},
    {ViewerConfig::Key::SaveWindowState, u"Settings", u"SaveWindowState", u"1"},
    {ViewerConfig::Key::QueryChangeDontSave, u"Settings", u"QueryChangeDontSave", u"0"},
    {ViewerConfig::Key::QueryChangeSaveAlways, u"Settings", u"QueryChangeSaveAlways", u"0"},
    {ViewerConfig::Key::QueryChangeAskUser, u"Settings", u"QueryChangeAskUser", u"1"},
    {ViewerConfig::Key::ColHeadersNames, u"Settings", u"ColHeadersNames", u"1"},
    {ViewerConfig::Key::ColHeadersDesc, u"Settings", u"ColHeadersDesc", u"0"},
    {ViewerConfig::Key::ShowInfosysForm, u"\\", u"ShowInfosysForm", u"0"},
};

const Entry& entry(ViewerConfig::Key key)
{
    for (const Entry& e : entries) {
        if (e.key == key)
            return e;
    }
    Q_UNREACHABLE();
}

} // namespace

QString ViewerConfig::name(Key key)
{
    return QString::fromUtf16(entry(key).name);
}

QString ViewerConfig::section(Key key)
{
    return QString::fromUtf16(entry(key).section);
}

QString ViewerConfig::defaultValue(Key key)
{
    switch (key) {
    case Key::Logfile:
        return QDir::toNativeSeparators(QDir::tempPath() + u"/klv.log"_s);
    case Key::QuerySaveDirIndiv:
        // The program's own folder is not the user's to write on Linux; the user's data
        // folder takes its place.
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/KLV/KLVViewer"_s;
    case Key::QuerySaveDirMand:
        return App().MessageTexts.GetMessageTextByNr(563);
    default:
        return QString::fromUtf16(entry(key).fallback);
    }
}

QString ViewerConfig::get(Key key)
{
    return SettingsStore::GetSetting(App().RegAppName, section(key), name(key), defaultValue(key));
}

bool ViewerConfig::getBool(Key key)
{
    return get(key) == u"1";
}

void ViewerConfig::set(Key key, const QString& value)
{
    SettingsStore::SaveSetting(App().RegAppName, section(key), name(key), value);
}

void ViewerConfig::setBool(Key key, bool value)
{
    set(key, value ? u"1"_s : u"0"_s);
}
