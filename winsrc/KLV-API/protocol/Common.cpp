#include "Common.h"

#include <QLocale>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <limits>

using namespace Qt::StringLiterals;

#ifndef KLVAPI_VERSION_MAJOR
#define KLVAPI_VERSION_MAJOR 2
#define KLVAPI_VERSION_MINOR 27
#define KLVAPI_VERSION_PATCH 0
#endif

KLVRuntimeError::KLVRuntimeError(int number, const QString& text)
    : std::runtime_error(text.toStdString()), m_number(number)
{}

namespace {

bool g_traceFlag = false;
int g_messageBase = 2000;

struct ErrorText
{
    int code;
    const char16_t* english;
    const char16_t* german;
};

// The library's string table: English at 2000 + code, German at 1000 + code.
const ErrorText kErrorTexts[] = {
    {1, u"Unexpected server answer", u"Unerwartete Serverantwort"},
    {2, u"Invalid date mode", u"Ungültiger Datumsmodus"},
    {3, u"Invalid reference mode", u"Ungültiger Verweismodus"},
    {4, u"Connection to KLV server failed", u"Verbindung zum KLV-Server fehlgeschlagen"},
    {5, u"Connection to KLV server aborted", u"Verbindung zum KLV-Server abgebrochen"},
    {6, u"Invalid field number", u"Ungültige Feldnummer"},
    {7, u"Empty reference not allowed", u"Leerer Verweis nicht erlaubt"},
    {8, u"Cannot create socket object", u"Socket-Objekt kann nicht erzeugt werden"},
    {9, u"Runtime error", u"Laufzeitfehler"},
    {10, u"Function not supported by this wexa version", u"Funktion wird von dieser wexa-Version nicht unterstützt"},
    {11, u"cannot be opened", u"kann nicht geöffnet werden"},
    {12, u"Unexpected transaction id - access conflict", u"Unerwartete Transaktions-ID - Zugriffskonflikt"},
    {13, u"KLV server version too low for this function", u"KLV-Server-Version zu niedrig für diese Funktion"},
    {14, u"Empty field list not allowed", u"Leere Feldliste nicht erlaubt"},
    {15, u"Invalid decimal point", u"Ungültiger Dezimalpunkt"},
    {16, u"Cant read data (result.getNext)", u"Daten können nicht gelesen werden (result.getNext)"},
    {17, u"KLV connection blocked for too long", u"KLV-Verbindung zu lange blockiert"},
    {18, u"Cant send command to server", u"Kommando kann nicht an den Server gesendet werden"},
    {19, u"Invalid free text mode", u"Ungültiger Freitextmodus"},
    {20, u"Cant open free text file for reading", u"Freitextdatei kann nicht zum Lesen geöffnet werden"},
    {21, u"Error while reading from free text file", u"Fehler beim Lesen aus der Freitextdatei"},
    {22, u"Cant open free text file for writing", u"Freitextdatei kann nicht zum Schreiben geöffnet werden"},
    {23, u"Error while writing to free text file", u"Fehler beim Schreiben in die Freitextdatei"},
    {24, u"Already connected", u"Verbindung besteht bereits"},
    {25, u"Empty enumeration name not allowed", u"Leerer Aufzählungsname nicht erlaubt"},
    {26, u"Error while modifying fields", u"Fehler beim Ändern der Felder"},
    {27, u"Not all commands were successful", u"Nicht alle Kommandos waren erfolgreich"},
    {28, u"Reference type is missing", u"Verweistyp fehlt"},
    {29, u"WEXA Type missing", u"Artangabe fehlt"},
    {30, u"Invalid lock behavior", u"Ungültiges Sperrverhalten"},
    {31, u"Field name missing", u"Feldname fehlt"},
    {32, u"Request broken off", u"Anforderung abgebrochen"},
    {999, u"Undefined error", u"Undefinierter Fehler"},
};

// The string table looked up by resource number, as the library's resources are.
QString loadString(int resource)
{
    for (const ErrorText& e : kErrorTexts) {
        if (resource == 2000 + e.code)
            return QString::fromUtf16(e.english);
        if (resource == 1000 + e.code)
            return QString::fromUtf16(e.german);
    }
    return {};
}

bool sameWord(const QString& a, QLatin1StringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

namespace Common {

bool TraceFlag()
{
    return g_traceFlag;
}

void SetTraceFlag(bool on)
{
    g_traceFlag = on;
}

int MessageBase()
{
    return g_messageBase;
}

const QString& LineFeed()
{
    static const QString lf = u"\n"_s;
    return lf;
}

QString LibraryTitle()
{
    return u"KLV-API"_s;
}

int VersionMajor()
{
    return KLVAPI_VERSION_MAJOR;
}

int VersionMinor()
{
    return KLVAPI_VERSION_MINOR;
}

int VersionRevision()
{
    return KLVAPI_VERSION_PATCH;
}

int GetTerminalSessionId()
{
    return -1;
}

int PrimaryLangId(int languageId)
{
    return languageId & 0x3FF;
}

int UserLanguageId()
{
    switch (QLocale::system().language()) {
    case QLocale::German:
        return 7;
    case QLocale::English:
        return 9;
    case QLocale::Spanish:
        return 10;
    case QLocale::French:
        return 12;
    case QLocale::Italian:
        return 16;
    case QLocale::Dutch:
        return 19;
    case QLocale::Polish:
        return 21;
    case QLocale::Portuguese:
        return 22;
    case QLocale::Russian:
        return 25;
    case QLocale::Czech:
        return 5;
    case QLocale::Danish:
        return 6;
    case QLocale::Swedish:
        return 29;
    default:
        return 0;
    }
}

void InitMessageLanguage()
{
    InitMessageLanguage(UserLanguageId());
}

void InitMessageLanguage(int languageId)
{
    g_messageBase = PrimaryLangId(languageId) == 7 ? 1000 : 2000;
}

QString GetErrorText(int code)
{
    QString text = loadString(code + g_messageBase);
    if (text.isEmpty())
        text = loadString(code + 2000);
    if (text.isEmpty())
        text = u"Error "_s + QString::number(code) + u" (Cant load message text)"_s;
    return u"KLVAPI: "_s + text;
}

namespace {
TraceSink* g_traceSink = nullptr;
} // namespace

void SetTraceSink(TraceSink* sink)
{
    g_traceSink = sink;
}

TraceSink* GetTraceSink()
{
    return g_traceSink;
}

void WriteTrace(const QString& text)
{
    if (!g_traceFlag)
        return;
    if (g_traceSink) {
        g_traceSink->print(text);
        return;
    }
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

QString MaskSecrets(const QString& text)
{
    static const QString keyword = u"ONETIMEPWD|"_s;
    if (!text.contains(keyword, Qt::CaseInsensitive))
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView line = QStringView(text).sliced(pos, end - pos);
        // "D", the transaction id, then the keyword: the value runs to the next bar that no
        // backslash escapes, or to the line's end.
        const qsizetype tidEnd = line.startsWith(u"D|") ? line.indexOf(u'|', 2) : -1;
        if (tidEnd > 0 && line.sliced(tidEnd + 1).startsWith(keyword, Qt::CaseInsensitive)) {
            const qsizetype valueStart = tidEnd + 1 + keyword.size();
            qsizetype valueEnd = valueStart;
            while (valueEnd < line.size() && line[valueEnd] != u'|')
                valueEnd += line[valueEnd] == u'\\' ? 2 : 1;
            valueEnd = std::min(valueEnd, line.size());
            out += line.first(valueStart);
            out += u'*';
            out += line.sliced(valueEnd);
        } else {
            out += line;
        }
        pos = end;
        while (pos < text.size() && (text[pos] == u'\n' || text[pos] == u'\r'))
            out += text[pos++];
    }
    return out;
}

void AssertLibraryThread(const QObject* object)
{
    Q_ASSERT_X(!object || object->thread() == QThread::currentThread(), "klvapi",
               "the library is used from one thread: the one its objects were made in");
    Q_UNUSED(object)
}

QStringList SplitList(const QString& text)
{
    if (text.isEmpty())
        return {};
    return text.split(u',');
}

QString JoinLongArray(const QList<int>& values, const QString& separator)
{
    QString out;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += separator;
        out += QString::number(values[i]);
    }
    return out;
}

bool IsEmptyList(const QStringList& list)
{
    return list.isEmpty() || (list.size() == 1 && list.first().isEmpty());
}

QString BoolToFlag(bool value)
{
    return value ? u"1"_s : u"0"_s;
}

bool ParseBool(const QString& text)
{
    const QString upper = text.toUpper();
    return upper == u"T"_s || upper == u"TRUE"_s || upper == u"YES"_s || upper == u"JA"_s || text == u"1"_s;
}

bool IsNullRefText(const QString& text)
{
    return text.isEmpty() || text == u"(0,0,0)"_s;
}

bool IsNoTID(const QString& tid)
{
    return tid.isEmpty() || tid == u"0"_s;
}

bool IsAnswerEnd(QStringView code)
{
    return code == u"EOD"_s || code == u"NAK"_s || code == u"ACK"_s;
}

int ToLong(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded > double(std::numeric_limits<int>::max()) || rounded < double(std::numeric_limits<int>::min()))
        return 0;
    return int(rounded);
}

QString DisplayModeWord(int mode)
{
    switch (mode) {
    case klvDispModeOutput:
        return u"OUTPUT"_s;
    case klvDispModeUniversal:
        return u"UNIVERSAL"_s;
    default:
        return u"OPERATING"_s;
    }
}

KLV_DisplayMode DisplayModeFromWord(const QString& word)
{
    if (sameWord(word, "OUTPUT"_L1))
        return klvDispModeOutput;
    if (sameWord(word, "UNIVERSAL"_L1) || word == u"0"_s)
        return klvDispModeUniversal;
    return klvDispModeOperating;
}

QString DecimalPointWord(int mode)
{
    switch (mode) {
    case klvDecimalPointPeriod:
        return u"PERIOD"_s;
    case klvDecimalPointComma:
        return u"COMMA"_s;
    default:
        return {};
    }
}

KLV_Decimalpoint DecimalPointFromWord(const QString& word)
{
    return sameWord(word, "COMMA"_L1) ? klvDecimalPointComma : klvDecimalPointPeriod;
}

QString VerwModeWord(int mode)
{
    switch (mode) {
    case klvVerwModeExt:
        return u"EXT"_s;
    case klvVerwModeRef:
        return u"REF"_s;
    case klvVerwModeNum:
        return u"NUM"_s;
    case klvVerwModeSW:
        return u"SW"_s;
    default:
        return {};
    }
}

KLV_VerwMode VerwModeFromWord(const QString& word)
{
    if (sameWord(word, "REF"_L1))
        return klvVerwModeRef;
    if (sameWord(word, "NUM"_L1))
        return klvVerwModeNum;
    if (sameWord(word, "SW"_L1))
        return klvVerwModeSW;
    return klvVerwModeExt;
}

QString DateModeWord(int mode)
{
    switch (mode) {
    case klvDateModeTAV:
        return u"TAV"_s;
    case klvDateModeTAV4:
        return u"TAV4"_s;
    case klvDateModeSort:
        return u"SORT"_s;
    default:
        return {};
    }
}

KLV_DateMode DateModeFromWord(const QString& word)
{
    if (sameWord(word, "TAV4"_L1))
        return klvDateModeTAV4;
    if (sameWord(word, "SORT"_L1))
        return klvDateModeSort;
    return klvDateModeTAV;
}

QString NumModeWord(int mode)
{
    switch (mode) {
    case klvNumModeTAV:
        return u"TAV"_s;
    case klvNumModeRaw:
        return u"RAW"_s;
    case klvNumModeExt:
        return u"EXT"_s;
    default:
        return {};
    }
}

KLV_NumMode NumModeFromWord(const QString& word)
{
    if (sameWord(word, "RAW"_L1))
        return klvNumModeRaw;
    if (sameWord(word, "EXT"_L1))
        return klvNumModeExt;
    return klvNumModeTAV;
}

QString BoolModeWord(int mode)
{
    switch (mode) {
    case klvBoolModeTAV:
        return u"TAV"_s;
    case klvBoolModeNum:
        return u"NUM"_s;
    default:
        return {};
    }
}

KLV_BoolMode BoolModeFromWord(const QString& word)
{
    return sameWord(word, "NUM"_L1) ? klvBoolModeNum : klvBoolModeTAV;
}

QString EnumModeWord(int mode)
{
    switch (mode) {
    case klvEnumModeText:
        return u"TEXT"_s;
    case klvEnumModeCode:
        return u"CODE"_s;
    case klvEnumModeBriefDesc:
        return u"BRIEFDESC"_s;
    default:
        return {};
    }
}

KLV_EnumMode EnumModeFromWord(const QString& word)
{
    if (sameWord(word, "CODE"_L1))
        return klvEnumModeCode;
    if (sameWord(word, "BRIEFDESC"_L1))
        return klvEnumModeBriefDesc;
    return klvEnumModeText;
}

QString UpdateModeWord(int mode)
{
    switch (mode) {
    case klvUpdateModeBatch:
        return u"BATCH"_s;
    case klvUpdateModeStrict:
        return u"STRICT"_s;
    case klvUpdateModeErrAbort:
        return u"ERRABORT"_s;
    default:
        return u"STANDARD"_s;
    }
}

KLV_UpdateMode UpdateModeFromWord(const QString& word)
{
    if (sameWord(word, "BATCH"_L1))
        return klvUpdateModeBatch;
    if (sameWord(word, "STRICT"_L1))
        return klvUpdateModeStrict;
    if (sameWord(word, "ERRABORT"_L1))
        return klvUpdateModeErrAbort;
    return klvUpdateModeStandard;
}

QString StoreRowModeWord(int mode)
{
    switch (mode) {
    case klvStoreRowModeDeleteTailModified:
        return u"DELTAILMOD"_s;
    case klvStoreRowModeDeleteNone:
        return u"DELNONE"_s;
    default:
        return u"DELTAIL"_s;
    }
}

KLV_StoreRowMode StoreRowModeFromWord(const QString& word)
{
    if (sameWord(word, "DELTAILMOD"_L1))
        return klvStoreRowModeDeleteTailModified;
    if (sameWord(word, "DELNONE"_L1))
        return klvStoreRowModeDeleteNone;
    return klvStoreRowModeDeleteTail;
}

QString LineBreakWord(int mode)
{
    return mode == klvLineBreakLF ? u"LF"_s : u"CRLF"_s;
}

KLV_LineBreak LineBreakFromWord(const QString& word)
{
    return sameWord(word, "LF"_L1) ? klvLineBreakLF : klvLineBreakCRLF;
}

QString VariableLanguageWord(int language)
{
    return language == klvVarLangEnglish ? u"en"_s : u"de"_s;
}

KLV_VariableLanguage VariableLanguageFromWord(const QString& word)
{
    return sameWord(word, "en"_L1) ? klvVarLangEnglish : klvVarLangGerman;
}

QString FTModeWord(int mode, int length)
{
    switch (mode) {
    case klvFTModeExt:
        return u"EXT"_s;
    case klvFTModeText:
        return u"TEXT:"_s + QString::number(length);
    case klvFTModeTextCurrLen:
        return u"TEXT"_s;
    case klvFTModeTextAll:
        return u"TEXT:0"_s;
    default:
        return {};
    }
}

KLV_FTMode FTModeFromWord(const QString& word, int& length)
{
    length = 0;
    if (word.isEmpty())
        return klvFTModeNone;
    if (sameWord(word, "EXT"_L1))
        return klvFTModeExt;
    const qsizetype colon = word.indexOf(u':');
    if (colon >= 0)
        length = ToLong(word.mid(colon + 1));
    return length != 0 ? klvFTModeText : klvFTModeTextAll;
}

QString LockBehaviorWord(int behavior, int duration)
{
    switch (behavior) {
    case klvLockBehaviorWaitInfinite:
        return u"WAIT"_s;
    case klvLockBehaviorWait:
        return u"WAIT:"_s + QString::number(duration);
    case klvLockBehaviorNoWait:
        return u"NOWAIT"_s;
    default:
        return {};
    }
}

KLV_LockBehavior LockBehaviorFromWord(const QString& word, int& duration)
{
    duration = 0;
    if (word.isEmpty() || sameWord(word, "WAIT"_L1))
        return klvLockBehaviorWaitInfinite;
    if (sameWord(word, "NOWAIT"_L1))
        return klvLockBehaviorNoWait;
    const QStringList pieces = word.split(u':');
    if (pieces.size() > 1)
        duration = ToLong(pieces[1]);
    return duration != 0 ? klvLockBehaviorWait : klvLockBehaviorWaitInfinite;
}

QString AppLockWord(int lock)
{
    switch (lock) {
    case klvAppLockSingleUser:
        return u"SINGLEUSER"_s;
    case klvAppLockInterrupt:
        return u"INTERRUPT"_s;
    case klvAppLockBackup:
        return u"BACKUP"_s;
    case klvAppLockReadOnly:
        return u"READONLY"_s;
    default:
        return {};
    }
}

QString LockModeWord(int mode)
{
    switch (mode) {
    case klvLockModeExclusive:
        return u"EXCLUSIVE"_s;
    case klvLockModeModify:
        return u"MODIFY"_s;
    case klvLockModeReadOnly:
        return u"READONLY"_s;
    case klvLockModeUnlock:
        return u"UNLOCK"_s;
    default:
        return {};
    }
}

} // namespace Common
