#include "FontSettings.h"

#include "NumberText.h"
#include "ViewerConfig.h"

#include <QFontDatabase>

#include <algorithm>

using namespace Qt::StringLiterals;

std::optional<bool> FontSettings::ReadBool(const QString& text)
{
    return ViewerConfig::parseBool(text);
}

QFont FontSettings::DefaultFont()
{
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

void FontSettings::LoadFontSettings(const QString& prefix, QFont& font)
{
    using Key = ViewerConfig::Key;
    const auto get = [&prefix](Key key) { return ViewerConfig::get(key, prefix); };
    // A family without a name would be the platform's fallback (a serif face), not a choice:
    // the font keeps its own.
    const QString name = get(Key::FontName).trimmed();
    if (!name.isEmpty())
        font.setFamily(name);

    const QString sizeText = get(Key::FontSize);
    if (!NumberText::isNumber(sizeText))
        return;
    const std::optional<qint32> size = NumberText::roundToInt32(NumberText::leadingValue(sizeText));
    if (!size || *size <= 0)
        return;
    font.setPointSize(*size);

    const std::optional<bool> bold = ReadBool(get(Key::FontBold));
    if (!bold)
        return;
    font.setBold(*bold);
    const std::optional<bool> italic = ReadBool(get(Key::FontItalic));
    if (!italic)
        return;
    font.setItalic(*italic);
    const std::optional<bool> underline = ReadBool(get(Key::FontUnderline));
    if (!underline)
        return;
    font.setUnderline(*underline);
    const std::optional<bool> strikeOut = ReadBool(get(Key::FontStrikethrough));
    if (!strikeOut)
        return;
    font.setStrikeOut(*strikeOut);
}
