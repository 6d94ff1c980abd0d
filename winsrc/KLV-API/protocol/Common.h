#pragma once

// Library-wide state and small helpers shared by every class of klvapi: the trace switch,
// the language of the error texts, the error texts themselves, Boolean and list
// conversions, and the keyword words of the session options.

#include "KLVEnums.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <stdexcept>

// Raised only for programming faults of a caller (the equivalent of a run-time error of the
// automation interface): a request without result set or connection, a batch that is full.
class KLVRuntimeError : public std::runtime_error
{
public:
    KLVRuntimeError(int number, const QString& text);
    int number() const { return m_number; }

private:
    int m_number;
};

namespace Common {

// Library-wide state.
bool TraceFlag();
void SetTraceFlag(bool on);
int MessageBase();
const QString& LineFeed();

// Library title and version as used in the default application name and ProgVersion.
QString LibraryTitle();
int VersionMajor();
int VersionMinor();
int VersionRevision();

// There are no terminal-services sessions here: always -1.
int GetTerminalSessionId();
int PrimaryLangId(int languageId);
// Picks German (base 1000) or English (base 2000) texts from the user's language.
void InitMessageLanguage();
// The same for a given Windows language identifier (7 German, 9 English, ...).
void InitMessageLanguage(int languageId);
// The Windows language identifier of the user's locale (German 7, English 9, ...).
int UserLanguageId();

// "KLVAPI: " followed by the text of a library error number.
QString GetErrorText(int code);

// Where trace lines go while tracing is on. The library itself knows no windows: a widget
// application installs the trace window (klvapi_trace, KLVTraceWindow::Install); without one
// the lines go to standard error.
class TraceSink
{
public:
    virtual ~TraceSink() = default;
    virtual void print(const QString& line) = 0;
    // Tracing was switched on or off.
    virtual void setShown(bool shown) = 0;
};
// The sink stays the caller's; nullptr goes back to standard error.
void SetTraceSink(TraceSink* sink);
TraceSink* GetTraceSink();

void WriteTrace(const QString& text);

// Writes ">" prefix name on entry and "<" prefix name on exit while tracing is on
// ("Query.", "GetTableNames"). Loops call through one per record: nothing is built while the
// trace is off.
class CallTrace
{
public:
    CallTrace(const char* prefix, const char* name) : m_prefix(prefix), m_name(name) { write(u'>'); }
    ~CallTrace() { write(u'<'); }
    CallTrace(const CallTrace&) = delete;
    CallTrace& operator=(const CallTrace&) = delete;

private:
    void write(QChar mark) const
    {
        if (TraceFlag())
            WriteTrace(mark + QLatin1StringView(m_prefix) + QLatin1StringView(m_name));
    }
    const char* m_prefix;
    const char* m_name;
};

// Received text as the log and the trace may show it: the value of every one-time password
// line ("D|tid|ONETIMEPWD|value") is replaced by "*", as the logon password is.
QString MaskSecrets(const QString& text);

// The library is used from one thread, the one its objects were made in; debug builds stop
// at an entry point that is called from another.
void AssertLibraryThread(const QObject* object);

QStringList SplitList(const QString& text);
QString JoinLongArray(const QList<int>& values, const QString& separator);
bool IsEmptyList(const QStringList& list);
QString BoolToFlag(bool value);
bool ParseBool(const QString& text);
bool IsNullRefText(const QString& text);
bool IsNoTID(const QString& tid);
bool IsAnswerEnd(QStringView code);

// A number in an answer line: blanks ignored, decimals rounded half to even, anything that
// is not a number (or does not fit 32 bits) reads as 0.
int ToLong(const QString& text);

// Words of the session options on the wire and back.
QString DisplayModeWord(int mode);
KLV_DisplayMode DisplayModeFromWord(const QString& word);
QString DecimalPointWord(int mode); // empty for a value outside the enumeration
KLV_Decimalpoint DecimalPointFromWord(const QString& word);
QString VerwModeWord(int mode);
KLV_VerwMode VerwModeFromWord(const QString& word);
QString DateModeWord(int mode);
KLV_DateMode DateModeFromWord(const QString& word);
QString NumModeWord(int mode);
KLV_NumMode NumModeFromWord(const QString& word);
QString BoolModeWord(int mode);
KLV_BoolMode BoolModeFromWord(const QString& word);
QString EnumModeWord(int mode);
KLV_EnumMode EnumModeFromWord(const QString& word);
QString UpdateModeWord(int mode);
KLV_UpdateMode UpdateModeFromWord(const QString& word);
QString StoreRowModeWord(int mode);
KLV_StoreRowMode StoreRowModeFromWord(const QString& word);
QString LineBreakWord(int mode);
KLV_LineBreak LineBreakFromWord(const QString& word);
QString VariableLanguageWord(int language);
KLV_VariableLanguage VariableLanguageFromWord(const QString& word);
QString FTModeWord(int mode, int length);
KLV_FTMode FTModeFromWord(const QString& word, int& length);
QString LockBehaviorWord(int behavior, int duration);
KLV_LockBehavior LockBehaviorFromWord(const QString& word, int& duration);
QString AppLockWord(int lock);
QString LockModeWord(int mode);

} // namespace Common
