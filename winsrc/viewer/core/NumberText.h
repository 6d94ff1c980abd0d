#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// Numbers typed by people or stored by the Windows program in text: message files, the
// command line, settings. The rules are those of the program's original platform (a leading
// number is read and the rest ignored; halves round to the even neighbour), so files and
// command lines written for it keep their meaning.
class NumberText
{
public:
    // The number at the start of text: leading blanks skipped, then an optional sign, digits,
    // an optional decimal point with digits and an optional exponent; reading stops at the
    // first character that cannot continue the number. No number gives 0.
    static double leadingValue(const QString& text);

    // True when the whole text, blanks around it aside, is one decimal number.
    static bool isNumber(const QString& text);

    // True when the value is a number, or a text that isNumber() accepts.
    static bool isNumber(const QVariant& value);

    // value rounded half to even, or nothing when it does not fit into 32 bits.
    static std::optional<qint32> roundToInt32(double value);

    // A single-precision value as the program stores it in settings: shortest decimal form.
    static QString singleText(double value);

    // Reads a stored number back; a decimal comma (written by a German installation) counts
    // as a point. Gives fallback when the text holds no number.
    static double parseStored(const QString& text, double fallback);
};
