#pragma once

#include <QString>

// The interface languages: Windows primary language ids (the logon component takes them),
// their two-letter codes (which name the message file) and the letters of the "-l" switch.
class Languages
{
public:
    static constexpr int English = 9;
    static constexpr int German = 7;

    // The primary language of a Windows language id.
    static int GetPrimaryLangId(int langId);

    // The language id for the argument of "-l" (already upper-cased); 9 when nothing fits.
    static int LangArgToLangId(const QString& argument);

    // The two-letter code of a language id; an id without a code becomes 9 ("en").
    static QString LangIdToCode(int& langId);

    // True when text starts with the upper-cased prefix (exact comparison).
    static bool StartsWithUpper(const QString& text, const QString& prefix);

    // Qt's own texts (message-box buttons, the file dialog) in the language of code, from
    // Qt's translations where Debian installs them (qt6-translations-l10n), in place of those
    // an earlier call loaded. False when there are none for the language: Qt's texts are
    // English then.
    static bool InstallQtTranslations(const QString& code);
};
