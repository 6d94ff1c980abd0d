#include "KlvOptionTable.h"

using namespace Qt::StringLiterals;

namespace {
bool isNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    for (QChar c : text) {
        if (!c.isDigit() || c.unicode() > 0x7F)
            return false;
    }
    return true;
}

// "WORD" or "WORD:" and a decimal number, normalised (leading zeros dropped).
std::optional<QString> wordWithNumber(const QString& value, const QString& word)
{
    const QString upper = value.toUpper();
    if (upper == word)
        return word;
    if (upper.startsWith(word + u':') && isNumber(QStringView(upper).mid(word.size() + 1)))
        return word + u':' + QString::number(upper.mid(word.size() + 1).toInt());
    return std::nullopt;
}
} // namespace

const QList<KlvOptionTable::Option>& KlvOptionTable::options()
{
    static const QList<Option> table = {
        {u"DISPLAYMODE"_s, Kind::Words, u"UNIVERSAL"_s, {u"OPERATING"_s, u"OUTPUT"_s, u"UNIVERSAL"_s}},
        {u"DECIMALPOINT"_s, Kind::Words, u"COMMA"_s, {u"PERIOD"_s, u"COMMA"_s}},
        {u"VERWMODE"_s, Kind::Words, u"NUM"_s, {u"EXT"_s, u"REF"_s, u"NUM"_s, u"SW"_s}},
        {u"DATEMODE"_s, Kind::Words, u"TAV4"_s, {u"TAV"_s, u"TAV4"_s, u"SORT"_s}},
        {u"FTMODE"_s, Kind::FreeTextMode, u"TEXT:500"_s, {}},
        {u"NUMMODE"_s, Kind::Words, u"EXT"_s, {u"TAV"_s, u"RAW"_s, u"EXT"_s}},
        {u"BOOLMODE"_s, Kind::Words, u"NUM"_s, {u"TAV"_s, u"NUM"_s}},
        {u"ENUMMODE"_s, Kind::Words, u"BRIEFDESC"_s, {u"TEXT"_s, u"CODE"_s, u"BRIEFDESC"_s}},
        {u"UPDATEMODE"_s, Kind::Words, u"STRICT"_s, {u"STANDARD"_s, u"BATCH"_s, u"STRICT"_s, u"ERRABORT"_s}},
        {u"STOREROWMODE"_s, Kind::Words, u"DELNONE"_s, {u"DELTAIL"_s, u"DELTAILMOD"_s, u"DELNONE"_s}},
        {u"LINEBREAK"_s, Kind::Words, u"LF"_s, {u"LF"_s, u"CRLF"_s}},
        {u"VARLANG"_s, Kind::Words, u"en"_s, {u"de"_s, u"en"_s}},
        {u"LOCKBEHAVIOR"_s, Kind::LockBehaviour, u"WAIT:15"_s, {}},
        {u"FOPMODE"_s, Kind::Boolean, u"1"_s, {}},
        {u"TRIMVALUES"_s, Kind::Boolean, u"0"_s, {}},
        {u"TRUNCTEXT"_s, Kind::Boolean, u"1"_s, {}},
        {u"AUTOROUND"_s, Kind::Boolean, u"0"_s, {}},
        {u"LONGLOCKMSG"_s, Kind::Boolean, u"1"_s, {}},
        {u"SHOWNOTES"_s, Kind::Boolean, u"0"_s, {}},
        {u"SHOWTEXT"_s, Kind::Boolean, u"1"_s, {}},
        {u"LANG"_s, Kind::Words, u"D"_s, {u"D"_s, u"E"_s}},
        {u"CONTEXT"_s, Kind::Text, QString(), {}},
        {u"CHARSET"_s, Kind::Words, u"ANSI"_s, {u"ANSI"_s, u"UTF-8"_s}},
        {u"OTPWUSER"_s, Kind::User, QString(), {}},
        {u"OTPWWEBUSER"_s, Kind::User, QString(), {}},
    };
    return table;
}

const KlvOptionTable::Option* KlvOptionTable::find(const QString& keyword)
{
    for (const Option& o : options()) {
        if (o.keyword.compare(keyword, Qt::CaseInsensitive) == 0)
            return &o;
    }
    return nullptr;
}

bool KlvOptionTable::isTrue(const QString& value)
{
    const QString upper = value.toUpper();
    return upper == u"T" || upper == u"TRUE" || upper == u"YES" || upper == u"JA" || value == u"1";
}

std::optional<QString> KlvOptionTable::normalise(const Option& option, const QString& value)
{
    switch (option.kind) {
    case Kind::Words:
        for (const QString& w : option.words) {
            if (w.compare(value, Qt::CaseInsensitive) == 0)
                return w;
        }
        if (option.keyword == u"CHARSET" && value.compare(u"UTF8", Qt::CaseInsensitive) == 0)
            return u"UTF-8"_s;
        return std::nullopt;
    case Kind::Boolean: {
        if (isTrue(value))
            return u"1"_s;
        const QString upper = value.toUpper();
        if (value == u"0" || upper == u"F" || upper == u"FALSE" || upper == u"NO" || upper == u"NEIN")
            return u"0"_s;
        return std::nullopt;
    }
    case Kind::Text:
    case Kind::User:
        return value;
    case Kind::FreeTextMode:
        if (value.compare(u"EXT", Qt::CaseInsensitive) == 0)
            return u"EXT"_s;
        return wordWithNumber(value, u"TEXT"_s);
    case Kind::LockBehaviour:
        if (value.compare(u"NOWAIT", Qt::CaseInsensitive) == 0)
            return u"NOWAIT"_s;
        return wordWithNumber(value, u"WAIT"_s);
    }
    return std::nullopt;
}
