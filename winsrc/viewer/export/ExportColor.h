#pragma once

#include <QString>

#include <functional>

// The colours of the HTML export: texts "#RRGGBB" (red, green, blue, two hexadecimal digits
// each) and colour values as the Windows program keeps them (red + 256 * green + 65536 *
// blue), and the colour buttons' conversion between the two.
class ExportColor
{
public:
    // The value of a colour text: each pair after the "#" read as the hexadecimal digits it
    // begins with; a pair without digits, or missing, gives 0.
    static int ColorValue(const QString& text);
    // "#" and the upper-case digits of red, green and blue.
    static QString ColorText(int value);
    // Exactly "#" and six hexadecimal digits.
    static bool IsColorText(const QString& text);

    // A colour button: a text without "#" first asks useBlack (false: the text comes back
    // unchanged; true: the chooser starts on black). choose gets the start colour value and
    // answers the chosen one (the start value when the user cancelled).
    static QString Convert(const QString& text, const std::function<bool()>& useBlack,
                           const std::function<int(int)>& choose);
};
