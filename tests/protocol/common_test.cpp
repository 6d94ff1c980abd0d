// Library-wide helpers: Boolean and list conversions, numbers in answers, error texts, trace.
#include "AnsiCodec.h"
#include "Common.h"
#include "TraceForm.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Common, ParseBoolAcceptsOnlyTheKnownTrueWords)
{
    for (const QString& yes : {u"ja"_s, u"Yes"_s, u"t"_s, u"1"_s, u"TRUE"_s, u"JA"_s})
        EXPECT_TRUE(Common::ParseBool(yes)) << yes.toStdString();
    for (const QString& no : {u"y"_s, QString(), u"2"_s, u"0"_s, u"nein"_s, u" 1"_s})
        EXPECT_FALSE(Common::ParseBool(no)) << no.toStdString();
}

TEST(Common, ListHelpers)
{
    EXPECT_TRUE(Common::IsEmptyList({}));
    EXPECT_TRUE(Common::IsEmptyList({QString()}));
    EXPECT_FALSE(Common::IsEmptyList({QString(), QString()}));
    EXPECT_EQ(Common::SplitList(QString()), QStringList());
    EXPECT_EQ(Common::SplitList(u"a, b,"_s), (QStringList{u"a"_s, u" b"_s, QString()}));
    EXPECT_EQ(Common::JoinLongArray({3, 4, 5}, u";"_s), u"3;4;5"_s);
    EXPECT_TRUE(Common::IsNullRefText(u"(0,0,0)"_s));
    EXPECT_TRUE(Common::IsNullRefText(QString()));
    EXPECT_FALSE(Common::IsNullRefText(u"(0,0,1)"_s));
    EXPECT_TRUE(Common::IsNoTID(u"0"_s));
    EXPECT_FALSE(Common::IsNoTID(u"00"_s));
    EXPECT_TRUE(Common::IsAnswerEnd(u"EOD"_s));
    EXPECT_FALSE(Common::IsAnswerEnd(u"D"_s));
}

TEST(Common, NumbersThatAreNoNumbersReadAsZero)
{
    EXPECT_EQ(Common::ToLong(u"123"_s), 123);
    EXPECT_EQ(Common::ToLong(u" -7 "_s), -7);
    EXPECT_EQ(Common::ToLong(u"2.5"_s), 2);
    EXPECT_EQ(Common::ToLong(u"3.5"_s), 4);
    EXPECT_EQ(Common::ToLong(u"abc"_s), 0);
    EXPECT_EQ(Common::ToLong(QString()), 0);
    EXPECT_EQ(Common::ToLong(u"99999999999"_s), 0);
    EXPECT_EQ(Common::ToLong(u"nan"_s), 0);
}

TEST(Common, ErrorTextsFollowTheUserLanguageWithFallbacks)
{
    Common::InitMessageLanguage(0x0407);
    EXPECT_EQ(Common::GetErrorText(24), u"KLVAPI: Verbindung besteht bereits"_s);
    EXPECT_EQ(Common::GetErrorText(29), u"KLVAPI: Artangabe fehlt"_s);
    Common::InitMessageLanguage(0x0409);
    EXPECT_EQ(Common::GetErrorText(24), u"KLVAPI: Already connected"_s);
    EXPECT_EQ(Common::GetErrorText(999), u"KLVAPI: Undefined error"_s);
    EXPECT_EQ(Common::GetErrorText(77), u"KLVAPI: Error 77 (Cant load message text)"_s);
    Common::InitMessageLanguage(0x040C);
    EXPECT_EQ(Common::GetErrorText(5), u"KLVAPI: Connection to KLV server aborted"_s);
}

TEST(Common, OptionWordsReadBackWithTheirLengths)
{
    int len = -1;
    EXPECT_EQ(Common::FTModeWord(klvFTModeText, 300), u"TEXT:300"_s);
    EXPECT_EQ(Common::FTModeFromWord(u"TEXT:300"_s, len), klvFTModeText);
    EXPECT_EQ(len, 300);
    EXPECT_EQ(Common::FTModeFromWord(u"TEXT"_s, len), klvFTModeTextAll);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(Common::FTModeFromWord(QString(), len), klvFTModeNone);
    EXPECT_EQ(Common::FTModeWord(-1, 0), QString());

    EXPECT_EQ(Common::LockBehaviorWord(klvLockBehaviorWait, 30), u"WAIT:30"_s);
    EXPECT_EQ(Common::LockBehaviorFromWord(u"WAIT:30"_s, len), klvLockBehaviorWait);
    EXPECT_EQ(len, 30);
    EXPECT_EQ(Common::LockBehaviorFromWord(u"WAIT:0"_s, len), klvLockBehaviorWaitInfinite);
    EXPECT_EQ(Common::LockBehaviorFromWord(u"NOWAIT"_s, len), klvLockBehaviorNoWait);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(Common::LockBehaviorFromWord(u"WAIT:x"_s, len), klvLockBehaviorWaitInfinite);

    EXPECT_EQ(Common::DisplayModeFromWord(u"0"_s), klvDispModeUniversal);
    EXPECT_EQ(Common::DisplayModeWord(7), u"OPERATING"_s);
    EXPECT_EQ(Common::LineBreakFromWord(u"anything"_s), klvLineBreakCRLF);
    EXPECT_EQ(Common::AppLockWord(7), QString());
    EXPECT_EQ(Common::LockModeWord(-1), u"UNLOCK"_s);
}

TEST(Common, TraceKeepsTheLastTenThousandLines)
{
    TraceForm* form = TraceForm::instance();
    form->clear();
    form->show();
    Common::SetTraceFlag(true);
    for (int i = 1; i <= 10001; ++i)
        Common::WriteTrace(u"line "_s + QString::number(i));
    Common::SetTraceFlag(false);
    Common::WriteTrace(u"not traced"_s);
    const QStringList lines = form->lines();
    ASSERT_EQ(lines.size(), 10000);
    EXPECT_EQ(lines.first(), u"line 2"_s);
    EXPECT_EQ(lines.last(), u"line 10001"_s);
    // A text with line ends of its own is still one line of the trace.
    Common::SetTraceFlag(true);
    Common::WriteTrace(u"two\r\nparts"_s);
    Common::SetTraceFlag(false);
    EXPECT_EQ(form->lines().size(), 10000);
    EXPECT_EQ(form->lines().last(), u"two\nparts"_s);
    form->hide();
}

TEST(AnsiCodec, WindowsCodePageMapsBothWays)
{
    const QString text = u"äöüß€‚…"_s;
    QByteArray bytes;
    ASSERT_TRUE(AnsiCodec::encode(text, bytes));
    EXPECT_EQ(bytes, QByteArray("\xE4\xF6\xFC\xDF\x80\x82\x85"));
    EXPECT_EQ(AnsiCodec::decode(bytes), text);

    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    QByteArray back;
    ASSERT_TRUE(AnsiCodec::encode(AnsiCodec::decode(all), back));
    EXPECT_EQ(back, all);
}

TEST(AnsiCodec, TextOutsideTheCodePageIsRefused)
{
    QByteArray bytes;
    qsizetype pos = -1;
    EXPECT_FALSE(AnsiCodec::encode(u"ab\u4E2Dc"_s, bytes, &pos));
    EXPECT_EQ(pos, 2);
    EXPECT_FALSE(AnsiCodec::canEncode(u"\u0100"_s));
    EXPECT_TRUE(AnsiCodec::canEncode(u"plain ÄÖÜ"_s));
}
