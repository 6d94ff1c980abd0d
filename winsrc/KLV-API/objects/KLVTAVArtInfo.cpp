#include "KLVTAVArtInfo.h"
#include "KLVLikePattern.h"
#include "KLVTools.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace {

QString flag(bool value)
{
    return value ? u"True"_s : u"False"_s;
}

bool like(const QString& code, const char16_t* pattern)
{
    return KLVLikePattern::Matches(code, QStringView(pattern));
}

QChar charAt(const QString& code, qsizetype oneBased)
{
    return oneBased >= 1 && oneBased <= code.size() ? code[oneBased - 1] : QChar();
}

// The number at the start of the code's rest from the i-th character (1-based).
int numberFrom(const QString& code, qsizetype oneBased)
{
    return KLVLikePattern::LeadingNumber(QStringView(code).mid(std::min(oneBased - 1, code.size())));
}

} // namespace

KLVTAVArtInfo::KLVTAVArtInfo(QObject* parent) : QObject(parent) {}

KLV_DataType KLVTAVArtInfo::GetDataType(const QString& TAVArt) const
{
    return KLVTools::DataTypeOf(TAVArt);
}

void KLVTAVArtInfo::ParseTypeCode(const QString& code)
{
    m_tavArt = code;
    m_dataType = KLVTools::DataTypeOf(code);
    switch (m_dataType) {
    case klvByte:
    case klvInteger:
    case klvLongInt:
        parseNumber(code);
        break;
    case klvReal:
        parseReal(code);
        break;
    case klvBool:
        m_universal = charAt(code, 2) == u'1';
        m_maxLen = m_universal ? 1 : 4;
        m_info = u"BOOL"_s;
        break;
    case klvReference:
    case klvRowReference:
        parseReference(code);
        break;
    case klvTime:
        m_maxLen = 5;
        m_info = u"TIME"_s;
        break;
    case klvDate:
        m_universal = code == u"GD8"_s;
        m_maxLen = m_universal ? 8 : 10;
        m_info = u"DATE"_s;
        break;
    case klvDateTime:
        m_universal = code == u"GD14"_s;
        m_maxLen = m_universal ? 14 : 19;
        m_info = u"DATETIME"_s;
        break;
    case klvWeek:
        m_maxLen = 8;
        m_info = u"WEEK"_s;
        break;
    case klvPeriod:
        m_maxLen = 20;
        m_info = u"PERIOD"_s;
        break;
    case klvButton:
        m_maxLen = 1;
        m_info = u"BUTTON"_s;
        break;
    case klvFText:
        m_maxLen = std::numeric_limits<int>::max();
        m_lineLen = 3000;
        m_multiLine = true;
        m_info = u"FTEXT"_s;
        break;
    case klvEnumeration:
        if (like(code, u"TAZ*")) {
            const QString head = code.left(4);
            m_universal = head == u"TAZU"_s;
            m_maxLen = m_universal ? 7 : head == u"TAZI"_s ? 3 : head == u"TAZV"_s ? 2 : 40;
        } else {
            const QChar c = charAt(code, 2);
            m_universal = c == u'U';
            m_maxLen = c == u'K' ? 1 : c == u'N' ? 3 : m_universal ? 5 : 40;
        }
        m_info = u"ENUM"_s;
        break;
    case klvEnumReference: {
        const qsizetype p = charAt(code, 3) == u'M' ? 4 : 3;
        m_maxLen = charAt(code, p) == u'K' ? 15 : 50;
        m_info = u"ENUMREF"_s;
        break;
    }
    default:
        parseText(code);
        m_info = u"TEXT"_s;
        break;
    }
    if (m_universal)
        m_info += u" UNIVERSAL"_s;
    m_info += u" MAXLEN="_s + QString::number(m_maxLen);
    if (m_multiLine)
        m_info += u" MULTILINE MAXLINELEN="_s + QString::number(m_lineLen);
}

void KLVTAVArtInfo::parseNumber(const QString& code)
{
    const QString word = m_dataType == klvByte ? u"BYTE"_s : m_dataType == klvInteger ? u"INTEGER"_s : u"LONGINT"_s;
    if (like(code, u"GR*")) {
        m_info = u"BYTE"_s;
        m_integerDigits = 2;
        m_positiveOnly = true;
    } else if (code == u"TZN"_s) {
        m_info = u"INTEGER"_s;
        m_integerDigits = 5;
        m_positiveOnly = true;
    } else {
        // A code that does not end in a digit has no digit count to read: 0.
        m_integerDigits = code == u"I"_s ? 9 : numberFrom(code, code.size());
        m_info = word;
        m_positiveOnly = code.contains(u'P');
        m_blankWhenZero = code.contains(u'N');
        m_universal = code.contains(u'U');
    }
    m_maxLen = m_integerDigits;
    m_info += u'(' + QString::number(m_integerDigits) + u')' + u" POSITIVE="_s + flag(m_positiveOnly) +
              u" BLANK-WHEN-ZERO="_s + flag(m_blankWhenZero);
}

void KLVTAVArtInfo::parseReal(QString code)
{
    if (like(code, u"ARTR*"))
        code = u"R"_s;
    m_grouping = code.contains(u'T');
    m_positiveOnly = code.contains(u'P');
    m_trailingZeroes = !code.startsWith(u'M');
    m_universal = code.contains(u'U');
    m_blankWhenZero = code.contains(u'N');
    const qsizetype first = KLVLikePattern::FirstDigit(code);
    if (first < 0) {
        m_integerDigits = 15;
        m_fractionDigits = 9;
        m_maxLen = m_grouping ? 21 : 17;
    } else {
        const QStringView digits = QStringView(code).mid(first);
        m_integerDigits = KLVLikePattern::LeadingNumber(digits);
        // Digits without "." have no fraction.
        const qsizetype dot = digits.indexOf(u'.');
        m_fractionDigits = dot < 0 ? 0 : KLVLikePattern::LeadingNumber(digits.mid(dot + 1));
        qint64 len = m_integerDigits;
        if (m_grouping && m_integerDigits > 0)
            len += (m_integerDigits - 1) / 3;
        if (m_fractionDigits > 0)
            len += qint64(m_fractionDigits) + 1;
        m_maxLen = int(std::min<qint64>(len, std::numeric_limits<int>::max()));
    }
    m_info = u"REAL("_s + QString::number(m_integerDigits) + u',' + QString::number(m_fractionDigits) +
             u") GROUPING="_s + flag(m_grouping) + u" POSITIVE="_s + flag(m_positiveOnly) + u" BLANK-WHEN-ZERO="_s +
             flag(m_blankWhenZero) + u" TRAILINGFRACTZEROES="_s + flag(m_trailingZeroes);
}

void KLVTAVArtInfo::parseReference(const QString& code)
{
    m_maxLen = 30;
    m_info = m_dataType == klvRowReference ? u"TABREF"_s : u"REF"_s;
    const auto echoRule = [&code] {
        if (code.contains(u'S'))
            return refEchoSW;
        if (code.contains(u"ID"_s))
            return refEchoRef;
        return refEchoNum;
    };
    if (code.startsWith(u'V')) {
        m_refDatabaseNr = -1;
        m_refGroupNr = -1;
        m_echoType = echoRule();
        m_info += u" (VIRTUAL)"_s;
    } else if (code.startsWith(u'C')) {
        const qsizetype first = KLVLikePattern::FirstDigit(code);
        m_refDatabaseNr = 12;
        m_refGroupNr = first < 0 ? 0 : KLVLikePattern::LeadingNumber(QStringView(code).mid(first));
        m_echoType = refEchoNum;
        m_info += u"(12:"_s + QString::number(m_refGroupNr) + u')';
    } else {
        m_echoType = echoRule();
        const qsizetype first = KLVLikePattern::FirstDigit(code);
        const QStringView rest = first < 0 ? QStringView() : QStringView(code).mid(first);
        m_refDatabaseNr = KLVLikePattern::LeadingNumber(rest);
        const qsizetype colon = rest.indexOf(u':');
        const QStringView groupText = colon < 0 ? QStringView() : rest.mid(colon + 1);
        if (colon >= 0 && !groupText.contains(u'.')) {
            m_refGroupNr = KLVLikePattern::LeadingNumber(groupText);
            m_info += u'(' + QString::number(m_refDatabaseNr) + u',' + QString::number(m_refGroupNr) + u')';
        } else {
            m_refGroupNr = -1;
            m_info += u'(' + QString::number(m_refDatabaseNr) + u')';
        }
    }
    m_info += u" ECHO="_s + echoWord();
}

QString KLVTAVArtInfo::echoWord() const
{
    switch (m_echoType) {
    case refEchoSW:
        return u"SW"_s;
    case refEchoRef:
        return u"REF"_s;
    default:
        return u"NUM"_s;
    }
}

void KLVTAVArtInfo::parseText(const QString& code)
{
    const auto multiLine = [this](int lineLen) {
        m_maxLen = 2999;
        m_lineLen = lineLen;
        m_multiLine = true;
    };
    if (like(code, u"GRDB*"))
        m_maxLen = 20;
    else if (like(code, u"GRB*"))
        m_maxLen = 80;
    else if (code.startsWith(u'N') && like(code.mid(1, 1), u"[LK0-9]"))
        m_maxLen = 22;
    else if (like(code, u"SW*"))
        m_maxLen = 30;
    else if (code == u"ZAE0"_s)
        m_maxLen = 4;
    else if (code == u"ZAE1"_s)
        m_maxLen = 22;
    else if (like(code, u"DV*"))
        m_maxLen = code.contains(u'Z') ? 1 : 255;
    else if (like(code, u"GJ*"))
        m_maxLen = 4;
    else if (like(code, u"TU[0-9]*") || like(code, u"[SB]T[0-9]*"))
        multiLine(numberFrom(code, 3));
    else if (code == u"T"_s)
        multiLine(2999);
    else if (like(code, u"T[0-9]*"))
        multiLine(numberFrom(code, 2));
    else if (like(code, u"BGL[UP][0-9]*"))
        m_maxLen = numberFrom(code, 5);
    else if (like(code, u"GLU[0-9]*") || like(code, u"BGL[0-9]*") || like(code, u"GLA[0-9]*"))
        m_maxLen = numberFrom(code, 4);
    else if (code == u"GL"_s)
        m_maxLen = 2999;
    else if (like(code, u"NT[0-9]*") || like(code, u"GL[0-9]*"))
        m_maxLen = numberFrom(code, 3);
    else if (like(code, u"uSH*"))
        m_maxLen = 6;
    else
        m_maxLen = 2999;
}

void KLVTAVArtInfo::InitFromRefTypeRow(int databaseNr, const QString& databaseName, int groupNr,
                                       const QString& groupName, const QString& echoText, int echoLength)
{
    m_dataType = klvReference;
    m_refDatabaseNr = databaseNr;
    m_refDatabaseName = databaseName;
    m_refGroupNr = groupNr;
    m_refGroupName = groupName;
    QString prefix = u"P"_s;
    if (echoText == u"NUM"_s) {
        m_echoType = refEchoNum;
    } else if (echoText == u"SW"_s) {
        m_echoType = refEchoSW;
        prefix = u"PS"_s;
    } else if (echoText == u"REF"_s) {
        m_echoType = refEchoRef;
        prefix = u"ID"_s;
    } else {
        m_echoType = refEchoUnknown;
    }
    m_tavArt = prefix + QString::number(databaseNr);
    if (groupNr >= 0)
        m_tavArt += u':' + QString::number(groupNr);
    m_maxLen = echoLength;
    m_info = u"REF ("_s + QString::number(databaseNr) + u':' + QString::number(groupNr) + u") ("_s + databaseName +
             u':' + groupName + u')' + u" ECHO="_s + echoText + u" MAXLEN="_s + QString::number(echoLength);
}
