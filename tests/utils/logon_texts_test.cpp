// The component's texts by number and language.
#include "LogonTexts.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using klvutils::LogonTexts;

TEST(LogonTexts, GermanAndEnglishTextsByNumber)
{
    LogonTexts texts;
    texts.setLanguage(7);
    EXPECT_EQ(texts.langId(), 7);
    EXPECT_EQ(texts.base(), 1000);
    EXPECT_EQ(texts.messageText(20), u"KLV-Verbindung herstellen"_s);
    EXPECT_EQ(texts.messageText(23), u"&Ändern"_s);
    EXPECT_EQ(texts.messageText(30), u"Can't connect:"_s) << "no German text: the English one";
    EXPECT_EQ(texts.messageText(31), u"Keine Verbindungsinformationen ausgewählt"_s);

    texts.setLanguage(9);
    EXPECT_EQ(texts.base(), 2000);
    EXPECT_EQ(texts.messageText(20), u"Connect to KLV server"_s);
    EXPECT_EQ(texts.messageText(11), u"wexa server (&host)"_s);
    EXPECT_EQ(texts.messageText(31), u"No connection information selected"_s);
}

TEST(LogonTexts, MissingTextFallsBackToTheDefaultThenToAPlaceholder)
{
    LogonTexts texts;
    texts.setLanguage(7);
    EXPECT_EQ(texts.messageText(32, u"Default"_s), u"Default"_s);
    EXPECT_EQ(texts.messageText(32), u"Error 32 (Cant load message)"_s);
    EXPECT_EQ(texts.messageText(999, 5), u"5"_s);
}

TEST(LogonTexts, EveryLanguageButGermanIsEnglish)
{
    LogonTexts texts;
    EXPECT_EQ(texts.langId(), 0);
    for (int lang : {0, 9, 12, 1031}) {
        texts.setLanguage(lang);
        EXPECT_EQ(texts.langId(), 9) << lang;
        EXPECT_EQ(texts.base(), 2000) << lang;
    }
}
