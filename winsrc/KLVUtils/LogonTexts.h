#pragma once

#include <QString>
#include <QVariant>

namespace klvutils {

// The component's own German and English texts and the rule that picks one by number and
// language. A text n lives at 1000 + n (German) and 2000 + n (English).
class LogonTexts
{
public:
    static constexpr int German = 7;
    static constexpr int English = 9;

    // Texts the component adds to its table: failures the caller or the user must be told.
    static constexpr int UnknownConnection = 40;
    static constexpr int SettingsNotSaved = 41;
    // Why no session could be opened on a connection: %1 the host, %2 the port, %3 the
    // system's reason.
    static constexpr int ServerNoAnswer = 42;
    static constexpr int ServerRefused = 43;
    static constexpr int ServerClosed = 44;
    // What the logon waits for: %1 the host, %2 the port.
    static constexpr int Connecting = 45;
    // A connection without host: %1 its name, %2 and %3 the captions of the buttons that set
    // one.
    static constexpr int NoHost = 46;
    // The captions of the logon dialog's buttons New and Modify.
    static constexpr int NewButton = 22;
    static constexpr int ModifyButton = 23;

    // 0 until a language is set; then 7 (German) or 9 (English).
    int langId() const { return m_langId; }
    int base() const { return m_base; }

    // German for 7; every other primary language id, 0 included, becomes English.
    void setLanguage(int langId);

    // The text of number n in the current language, else the English one, else the given
    // default, else a placeholder naming the number. Never fails.
    QString messageText(int msgNr, const QVariant& defaultText = QVariant()) const;

    // The string resource with this id, empty when there is none.
    static QString resource(int id);

    // The user's language as a Windows primary language id: German 7, anything else 9
    // (the component knows no other language).
    static int systemLanguageId();

private:
    int m_langId = 0;
    int m_base = 2000;
};

} // namespace klvutils
