#pragma once

#include <QFont>
#include <QString>

#include <optional>

// The two fonts of the program (FormFont for windows and controls, DataFont for list and tree
// views) as the per-user settings keep them: section "Settings" of "KLVViewer", keys prefix &
// "FontName", "FontSize", "FontBold", "FontItalic", "FontUnderline", "FontStrikethrough"
// (prefix "Form" or "Data").
class FontSettings
{
public:
    // Reads the six values in this order into font. A stored value that cannot be read as its
    // kind stops there: what was set stays, the rest keep their values; no message. A name or
    // size that is not stored is the system's default font's; an empty name keeps the font's
    // family.
    static void LoadFontSettings(const QString& prefix, QFont& font);

    // The font the program uses while none is stored: the desktop's general font, where the
    // Windows program used its dialog font "MS Sans Serif", 8 points.
    static QFont DefaultFont();

    // A stored Boolean as the program reads it: a number (0 false, any other true), or the
    // words True and False in any case. Nothing for any other text.
    static std::optional<bool> ReadBool(const QString& text);
};
