#pragma once

// Wildcard patterns as the type-code rules are written: "*" any run of characters, "#" one
// digit, "[...]" one character of a set (ranges allowed). Case-sensitive.

#include <QStringView>

class KLVLikePattern
{
public:
    static bool Matches(QStringView text, QStringView pattern);
    // The number written at the start of text (0 when it starts with no digit). Numbers too
    // large for 32 bits read as the largest one.
    static int LeadingNumber(QStringView text);
    // Position of the first digit, -1 when there is none.
    static qsizetype FirstDigit(QStringView text);
};
