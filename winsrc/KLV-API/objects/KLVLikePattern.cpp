#include "KLVLikePattern.h"

#include <limits>

namespace {

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Matches one "[...]" set at pattern[p] against c; end receives the index behind "]".
bool matchSet(QChar c, QStringView pattern, qsizetype p, qsizetype& end)
{
    qsizetype i = p + 1;
    bool found = false;
    while (i < pattern.size() && pattern[i] != u']') {
        const QChar from = pattern[i];
        if (i + 2 < pattern.size() && pattern[i + 1] == u'-' && pattern[i + 2] != u']') {
            if (c >= from && c <= pattern[i + 2])
                found = true;
            i += 3;
        } else {
            if (c == from)
                found = true;
            ++i;
        }
    }
    end = i < pattern.size() ? i + 1 : i;
    return found;
}

bool matchFrom(QStringView text, qsizetype t, QStringView pattern, qsizetype p)
{
    while (p < pattern.size()) {
        const QChar pc = pattern[p];
        if (pc == u'*') {
            // Runs of "*" are one "*"; then try every rest of the text.
            while (p < pattern.size() && pattern[p] == u'*')
                ++p;
            if (p == pattern.size())
                return true;
            for (qsizetype k = t; k <= text.size(); ++k) {
                if (matchFrom(text, k, pattern, p))
                    return true;
            }
            return false;
        }
        if (t >= text.size())
            return false;
        const QChar tc = text[t];
        if (pc == u'#') {
            if (!isAsciiDigit(tc))
                return false;
            ++p;
        } else if (pc == u'[') {
            qsizetype end = p;
            if (!matchSet(tc, pattern, p, end))
                return false;
            p = end;
        } else {
            if (tc != pc)
                return false;
            ++p;
        }
        ++t;
    }
    return t == text.size();
}

} // namespace

bool KLVLikePattern::Matches(QStringView text, QStringView pattern)
{
    return matchFrom(text, 0, pattern, 0);
}

int KLVLikePattern::LeadingNumber(QStringView text)
{
    qint64 value = 0;
    for (QChar c : text) {
        if (!isAsciiDigit(c))
            break;
        value = value * 10 + (c.unicode() - u'0');
        if (value > std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
    }
    return int(value);
}

qsizetype KLVLikePattern::FirstDigit(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isAsciiDigit(text[i]))
            return i;
    }
    return -1;
}
