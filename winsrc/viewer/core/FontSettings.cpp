#include "FontSettings.h"

#include "AppContext.h"
#include "NumberText.h"
#include "SettingsStore.h"

#include <QFontDatabase>

#include <algorithm>

using namespace Qt::StringLiterals;

std::optional<bool> FontSettings::ReadBool(const QString& text)
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

QFont FontSettings::DefaultFont()
{
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

void FontSettings::LoadFontSettings(const QString& prefix, QFont& font)
{
    const auto get = [&prefix](const char16_t* key, const QString& def) {
        return SettingsStore::GetSetting(App().RegAppName, u"Settings"_s, prefix + QString::fromUtf16(key), def);
    };
    const QFont system = DefaultFont();
    font.setFamily(get(u"FontName", system.family()));

    const QString sizeText = get(u"FontSize", QString::number(std::max(1, system.pointSize())));
    if (!NumberText::isNumber(sizeText))
        return;
    const std::optional<qint32> size = NumberText::roundToInt32(NumberText::leadingValue(sizeText));
    if (!size || *size <= 0)
        return;
    font.setPointSize(*size);

    const std::optional<bool> bold = ReadBool(get(u"FontBold", u"0"_s));
    if (!bold)
        return;
    font.setBold(*bold);
    const std::optional<bool> italic = ReadBool(get(u"FontItalic", u"0"_s));
    if (!italic)
        return;
    font.setItalic(*italic);
    const std::optional<bool> underline = ReadBool(get(u"FontUnderline", u"0"_s));
    if (!underline)
        return;
    font.setUnderline(*underline);
    const std::optional<bool> strikeOut = ReadBool(get(u"FontStrikethrough", u"0"_s));
    if (!strikeOut)
        return;
    font.setStrikeOut(*strikeOut);
}
