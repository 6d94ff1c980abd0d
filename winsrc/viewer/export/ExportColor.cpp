#include "ExportColor.h"

#include "MainModul.h"

using namespace Qt::StringLiterals;

namespace {

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The hexadecimal number the two characters from position start begin with.
int pairValue(const QString& text, qsizetype start)
{
    int value = 0;
    for (qsizetype i = start; i < start + 2 && i < text.size(); ++i) {
        const int digit = hexDigit(text[i].unicode());
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

int ExportColor::ColorValue(const QString& text)
{
    return pairValue(text, 1) + 256 * pairValue(text, 3) + 65536 * pairValue(text, 5);
}

QString ExportColor::ColorText(int value)
{
    return u'#' + MainModul::HexPadded(value % 256, 2) + MainModul::HexPadded((value / 256) % 256, 2) +
           MainModul::HexPadded((value / 65536) % 256, 2);
}

bool ExportColor::IsColorText(const QString& text)
{
    if (text.size() != 7 || text[0] != u'#')
        return false;
    for (qsizetype i = 1; i < 7; ++i) {
        if (hexDigit(text[i].unicode()) < 0)
            return false;
    }
    return true;
}

QString ExportColor::Convert(const QString& text, const std::function<bool()>& useBlack,
                             const std::function<int(int)>& choose)
{
    QString start = text;
    if (!start.startsWith(u'#')) {
        if (!useBlack())
            return text;
        start = u"#000000"_s;
    }
    return ColorText(choose(ColorValue(start)));
}
