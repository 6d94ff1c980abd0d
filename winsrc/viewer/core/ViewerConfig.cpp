#include "ViewerConfig.h"

#include "AppContext.h"
#include "FontSettings.h"
#include "NumberText.h"
#include "SettingsStore.h"

#include <QDir>
#include <QStandardPaths>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

using Key = ViewerConfig::Key;
using Type = ViewerConfig::Type;

struct Entry
{
    Key key;
    const char16_t* section; // "%1" is the argument sub
    const char16_t* name;    // "%1" is the argument sub
    Type type;
    const char16_t* fallback; // nullptr: worked out in defaultValue()
};

constexpr Entry entries[] = {
    {Key::Logging, u"Settings", u"Logging", Type::Bool, u"0"},
    {Key::Logfile, u"Settings", u"Logfile", Type::Text, nullptr},
    {Key::QueryAutoSave, u"Settings", u"QueryAutoSave", Type::Bool, u"1"},
    {Key::QuerySaveByUser, u"Settings", u"QuerySaveByUser", Type::Bool, u"1"},
    {Key::QuerySaveIndiv, u"Settings", u"QuerySaveIndiv", Type::Bool, u"1"},
    {Key::QuerySaveInMand, u"Settings", u"QuerySaveInMand", Type::Bool, u"0"},
    {Key::QuerySaveDirIndiv, u"Settings", u"QuerySaveDirIndiv", Type::Text, nullptr},
    {Key::QuerySaveDirMand, u"Settings", u"QuerySaveDirMand", Type::Text, nullptr},
    {Key::SaveViewerSettings, u"Settings", u"SaveViewerSettings", Type::Bool, u"1"},
    {Key::SaveWindowState, u"Settings", u"SaveWindowState", Type::Bool, u"1"},
    {Key::QueryChangeDontSave, u"Settings", u"QueryChangeDontSave", Type::Bool, u"0"},
    {Key::QueryChangeSaveAlways, u"Settings", u"QueryChangeSaveAlways", Type::Bool, u"0"},
    {Key::QueryChangeAskUser, u"Settings", u"QueryChangeAskUser", Type::Bool, u"1"},
    {Key::ColHeadersNames, u"Settings", u"ColHeadersNames", Type::Bool, u"1"},
    {Key::ColHeadersDesc, u"Settings", u"ColHeadersDesc", Type::Bool, u"0"},

    {Key::FontName, u"Settings", u"%1FontName", Type::Text, nullptr},
    {Key::FontSize, u"Settings", u"%1FontSize", Type::Number, nullptr},
    {Key::FontBold, u"Settings", u"%1FontBold", Type::Bool, u"0"},
    {Key::FontItalic, u"Settings", u"%1FontItalic", Type::Bool, u"0"},
    {Key::FontUnderline, u"Settings", u"%1FontUnderline", Type::Bool, u"0"},
    {Key::FontStrikethrough, u"Settings", u"%1FontStrikethrough", Type::Bool, u"0"},

    {Key::DisplayMode, u"Settings", u"DisplayMode", Type::Text, u""},
    {Key::AusgabeSprache, u"Settings", u"AusgabeSprache", Type::Text, u"(68)"},
    {Key::FTextMode, u"Settings", u"FTextMode", Type::Text, u"EXT"},
    {Key::FTextLen, u"Settings", u"FTextLen", Type::Number, u"300"},
    {Key::LineBreak, u"Settings", u"LineBreak", Type::Text, u"LF"},
    {Key::TrimValues, u"Settings", u"TrimValues", Type::Bool, u"0"},
    {Key::VarLang, u"Settings", u"VarLang", Type::Text, u"D"},
    {Key::UsePasswordLang, u"Settings", u"UsePasswordLang", Type::Bool, u"1"},
    {Key::Lang, u"Settings", u"Lang", Type::Text, u"D"},
    {Key::DatasetSize, u"Settings", u"DatasetSize", Type::Number, u"200"},

    {Key::VerwMode, u"Settings\\%1", u"VerwMode", Type::Text, u"REF"},
    {Key::DateMode, u"Settings\\%1", u"DateMode", Type::Text, u"TAV4"},
    {Key::NumMode, u"Settings\\%1", u"NumMode", Type::Text, u"TAV"},
    {Key::DecimalPoint, u"Settings\\%1", u"DecimalPoint", Type::Text, u"COMMA"},
    {Key::BoolMode, u"Settings\\%1", u"BoolMode", Type::Text, u"TAV"},
    {Key::EnumMode, u"Settings\\%1", u"EnumMode", Type::Text, u"TEXT"},

    {Key::ShowInfosysForm, u"\\", u"ShowInfosysForm", Type::Bool, u"0"},
    {Key::SchluesselSchaetzen, u"\\", u"Schl\u00fcsselSch\u00e4tzen", Type::Bool, u"0"},

    {Key::KeyListAutoSort, u"SchlWindowSettings", u"KeyListAutoSort", Type::Bool, u"0"},
    {Key::ExcludeVRefs, u"VerwWindowSettings", u"ExcludeVRefs", Type::Bool, u"0"},
};

const Entry& entry(Key key)
{
    const auto* found =
        std::find_if(std::begin(entries), std::end(entries), [key](const Entry& e) { return e.key == key; });
    Q_ASSERT(found != std::end(entries));
    return *found;
}

QString filled(const char16_t* text, const QString& sub)
{
    QString result = QString::fromUtf16(text);
    result.replace(u"%1"_s, sub);
    return result;
}

} // namespace

QString ViewerConfig::name(Key key, const QString& sub)
{
    return filled(entry(key).name, sub);
}

QString ViewerConfig::section(Key key, const QString& sub)
{
    return filled(entry(key).section, sub);
}

ViewerConfig::Type ViewerConfig::type(Key key)
{
    return entry(key).type;
}

QString ViewerConfig::defaultValue(Key key, const QString& sub)
{
    Q_UNUSED(sub)
    switch (key) {
    case Key::Logfile: {
        // The user's own data folder: a fixed name in the shared temporary folder is one that
        // anyone may lay first, or read.
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QDir().mkpath(folder);
        return QDir::toNativeSeparators(folder + u"/klv.log"_s);
    }
    case Key::QuerySaveDirIndiv:
        // The program's own folder is not the user's to write on Linux; the user's data
        // folder takes its place.
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/KLV/KLVViewer"_s;
    case Key::QuerySaveDirMand:
        return App().MessageTexts.GetMessageTextByNr(563);
    case Key::FontName:
        return FontSettings::DefaultFont().family();
    case Key::FontSize:
        return QString::number(std::max(1, FontSettings::DefaultFont().pointSize()));
    default:
        return QString::fromUtf16(entry(key).fallback);
    }
}

QString ViewerConfig::get(Key key, const QString& sub)
{
    const QString fallback = defaultValue(key, sub);
    const QString value = getRaw(section(key, sub), name(key, sub), fallback);
    // A number the program cannot read (a hand-edited or damaged file) is as good as none: it
    // would otherwise count as 0 wherever it is used. (The font size has no fixed default: the
    // font reader stops at a value it cannot read.)
    if (type(key) == Type::Number && entry(key).fallback && !NumberText::isNumber(value))
        return fallback;
    return value;
}

bool ViewerConfig::getBool(Key key, const QString& sub)
{
    if (const std::optional<bool> value = parseBool(get(key, sub)))
        return *value;
    return parseBool(defaultValue(key, sub)).value_or(false);
}

void ViewerConfig::set(Key key, const QString& value, const QString& sub)
{
    setRaw(section(key, sub), name(key, sub), value);
}

void ViewerConfig::setBool(Key key, bool value, const QString& sub)
{
    set(key, boolText(value), sub);
}

bool ViewerConfig::isStored(Key key, const QString& sub)
{
    const QString wanted = name(key, sub);
    const QStringList present = SettingsStore::GetAllKeys(App().RegAppName, section(key, sub));
    return std::any_of(present.begin(), present.end(),
                       [&wanted](const QString& k) { return k.compare(wanted, Qt::CaseInsensitive) == 0; });
}

void ViewerConfig::remove(Key key, const QString& sub)
{
    removeRaw(section(key, sub), name(key, sub));
}

std::optional<bool> ViewerConfig::parseBool(const QString& text)
{
    const QString t = text.trimmed();
    if (NumberText::isNumber(t))
        return NumberText::leadingValue(t) != 0.0;
    if (t.compare(u"True"_s, Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(u"False"_s, Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

QString ViewerConfig::boolText(bool value)
{
    return value ? u"1"_s : u"0"_s;
}

QString ViewerConfig::getRaw(const QString& section, const QString& key, const QString& Default)
{
    return SettingsStore::GetSetting(App().RegAppName, section, key, Default);
}

void ViewerConfig::setRaw(const QString& section, const QString& key, const QString& value)
{
    SettingsStore::SaveSetting(App().RegAppName, section, key, value);
}

void ViewerConfig::removeRaw(const QString& section, const QString& key)
{
    SettingsStore::DeleteSetting(App().RegAppName, section, key);
}
