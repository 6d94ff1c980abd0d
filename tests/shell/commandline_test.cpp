// The command line of KLVViewer: splitting, every switch, repeated switches, errors, and the
// interface languages the "-l" switch chooses.
#include "CommandLine.h"
#include "Languages.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString messageText(int nr)
{
    return u"<"_s + QString::number(nr) + u">"_s;
}

CommandLine::Result parse(const QStringList& words, CommandLine::Values& values)
{
    return CommandLine::ParseCommandLine(words, values, messageText);
}

} // namespace

TEST(SplitQuoted, QuotesGroupBlanksAndAreDropped)
{
    EXPECT_EQ(CommandLine::SplitQuoted(u"-c \"My Conn\" -u anna"_s, u' '),
              (QStringList{u"-c"_s, u"My Conn"_s, u"-u"_s, u"anna"_s}));
    // A quote in the middle of a word joins the quoted stretch to the word.
    EXPECT_EQ(CommandLine::SplitQuoted(u"ab\"c d\"e f"_s, u' '), (QStringList{u"abc de"_s, u"f"_s}));
    // An unclosed quote runs to the end.
    EXPECT_EQ(CommandLine::SplitQuoted(u"-c \"a b"_s, u' '), (QStringList{u"-c"_s, u"a b"_s}));
}

TEST(SplitQuoted, RunsOfSeparatorsCountOnceAndEndsGiveEmptyParts)
{
    EXPECT_EQ(CommandLine::SplitQuoted(u"a  b"_s, u' '), (QStringList{u"a"_s, u"b"_s}));
    EXPECT_EQ(CommandLine::SplitQuoted(u" a"_s, u' '), (QStringList{QString(), u"a"_s}));
    EXPECT_EQ(CommandLine::SplitQuoted(u"a "_s, u' '), (QStringList{u"a"_s, QString()}));
    EXPECT_EQ(CommandLine::SplitQuoted(QString(), u' '), QStringList{QString()});
    // A quoted empty word is a word of its own.
    EXPECT_EQ(CommandLine::SplitQuoted(u"a \"\" b"_s, u' '), (QStringList{u"a"_s, QString(), u"b"_s}));
}

TEST(ParseCommandLine, EverySwitchSetsItsValue)
{
    CommandLine::Values v;
    const auto r = parse({u"-c"_s, u"My Conn"_s, u"-u"_s, u"anna"_s, u"-p"_s, u"-secret"_s, u"-e"_s, u"x"_s, u"-L"_s,
                          u"E"_s, u"-f"_s, u"3"_s},
                         v);
    EXPECT_EQ(r.outcome, CommandLine::Outcome::Start);
    EXPECT_EQ(v.StartConnectionName, u"My Conn");
    EXPECT_EQ(v.StartUserName, u"anna");
    // An argument is taken as it stands, also when it begins with "-".
    EXPECT_EQ(v.StartPassword, u"-secret");
    EXPECT_TRUE(v.HiddenStartFlag);
    EXPECT_EQ(v.HiddenStartValue, u"x");
    EXPECT_EQ(v.StartDataLanguage, u"E");
    EXPECT_EQ(v.SessionFlags, QList<qint32>{3});
    EXPECT_EQ(v.UILanguage, u"en"); // untouched without -l
}

TEST(ParseCommandLine, AnEmptyCommandLineStartsWithTheDefaults)
{
    CommandLine::Values v;
    v.UILangId = 7;
    v.UILanguage = u"de"_s;
    EXPECT_EQ(parse(CommandLine::SplitQuoted(QString(), u' '), v).outcome, CommandLine::Outcome::Start);
    EXPECT_EQ(v.UILanguage, u"de");
    EXPECT_FALSE(v.HiddenStartFlag);
    EXPECT_TRUE(v.StartConnectionName.isEmpty());
}

TEST(ParseCommandLine, ALaterSwitchReplacesAnEarlierOneButFlagsCollect)
{
    CommandLine::Values v;
    parse({u"-u"_s, u"a"_s, u"-u"_s, u"b"_s, u"-f"_s, u"3"_s, u"-f"_s, u"0"_s, u"-f"_s, u"word"_s, u"-f"_s, u"12"_s,
           u"-f"_s, u"-4"_s, u"-f"_s, u"2147483647"_s, u"-f"_s, u"2.5"_s},
          v);
    EXPECT_EQ(v.StartUserName, u"b");
    // 0, words and negative numbers are no flags; halves round to even; the 32-bit range is whole.
    EXPECT_EQ(v.SessionFlags, (QList<qint32>{3, 12, 2147483647, 2}));
}

TEST(ParseCommandLine, AFlagNumberBeyondThirtyTwoBitsIsRefusedWithAMessage)
{
    CommandLine::Values v;
    const auto r = parse({u"-f"_s, u"3"_s, u"-f"_s, u"2147483648"_s}, v);
    EXPECT_EQ(r.outcome, CommandLine::Outcome::Error);
    EXPECT_EQ(r.usageText, u"<743> 2147483648");
}

TEST(ParseCommandLine, SwitchesAreCaseSensitive)
{
    CommandLine::Values v;
    parse({u"-L"_s, u"D"_s}, v);
    EXPECT_EQ(v.StartDataLanguage, u"D");
    EXPECT_EQ(v.UILanguage, u"en");
    const auto r = parse({u"-C"_s, u"x"_s}, v);
    EXPECT_EQ(r.outcome, CommandLine::Outcome::Error);
    EXPECT_EQ(r.usageText, u"<69> -C");
}

TEST(ParseCommandLine, UsageRequestsAndErrorsStopTheVisit)
{
    CommandLine::Values v;
    EXPECT_EQ(parse({u"-h"_s, u"-u"_s, u"x"_s}, v).outcome, CommandLine::Outcome::Usage);
    EXPECT_TRUE(v.StartUserName.isEmpty());
    EXPECT_EQ(parse({u"-?"_s}, v).usageText, QString());

    const auto unknown = parse({u"-u"_s, u"a"_s, u"stray"_s, u"-p"_s, u"pw"_s}, v);
    EXPECT_EQ(unknown.outcome, CommandLine::Outcome::Error);
    EXPECT_EQ(unknown.usageText, u"<69> stray");
    EXPECT_TRUE(v.StartPassword.isEmpty());

    for (const QString& sw : {u"-c"_s, u"-u"_s, u"-p"_s, u"-e"_s, u"-l"_s, u"-L"_s, u"-f"_s}) {
        CommandLine::Values w;
        const auto missing = parse({u"-u"_s, u"a"_s, sw}, w);
        EXPECT_EQ(missing.outcome, CommandLine::Outcome::Error) << sw.toStdString();
        EXPECT_EQ(missing.usageText, u"<44> "_s + sw);
    }
}

TEST(ParseCommandLine, EmptyWordsAreIgnored)
{
    CommandLine::Values v;
    EXPECT_EQ(parse({QString(), u"-u"_s, u"a"_s, QString()}, v).outcome, CommandLine::Outcome::Start);
    EXPECT_EQ(v.StartUserName, u"a");
}

TEST(ParseCommandLine, TheLanguageSwitchChoosesIdAndCode)
{
    struct Case
    {
        QString arg;
        int id;
        QString code;
    };
    const Case cases[] = {
        {u"fr"_s, 12, u"fr"_s}, {u"F"_s, 12, u"fr"_s}, {u"FRA"_s, 12, u"fr"_s}, {u"de"_s, 7, u"de"_s},
        {u"a"_s, 9, u"en"_s},   {u"x"_s, 2, u"bg"_s},  {u"w"_s, 27, u"sk"_s},   {u"pt"_s, 22, u"pt"_s},
        {u"zz"_s, 9, u"en"_s},  {u"DX"_s, 9, u"en"_s}, {u"eng"_s, 9, u"en"_s},
    };
    for (const Case& c : cases) {
        CommandLine::Values v;
        v.UILangId = 7;
        v.UILanguage = u"de"_s;
        parse({u"-l"_s, c.arg}, v);
        EXPECT_EQ(v.UILangId, c.id) << c.arg.toStdString();
        EXPECT_EQ(v.UILanguage, c.code) << c.arg.toStdString();
    }
}

TEST(Languages, IdsWithoutCodeBecomeEnglish)
{
    int id = 0x407;
    EXPECT_EQ(Languages::GetPrimaryLangId(id), 7);
    id = 17; // Japanese: the program has no message file for it
    EXPECT_EQ(Languages::LangIdToCode(id), u"en");
    EXPECT_EQ(id, 9);
    id = 36;
    EXPECT_EQ(Languages::LangIdToCode(id), u"sl");
    EXPECT_EQ(id, 36);
}

TEST(Languages, StartsWithUpperComparesExactly)
{
    EXPECT_TRUE(Languages::StartsWithUpper(u"FRA"_s, u"fr"_s));
    EXPECT_FALSE(Languages::StartsWithUpper(u"fra"_s, u"fr"_s));
    EXPECT_FALSE(Languages::StartsWithUpper(u"F"_s, u"fr"_s));
}
