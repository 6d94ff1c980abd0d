// The message table: reading message files, looking texts up, filling placeholders.
#include "LogonTexts.h"
#include "MainModul.h"
#include "MessageBoxes.h"
#include "MessageTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using ViewerTest::MessageBoxes;

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

} // namespace

TEST(MessageFile, NumbersTextsCommentsAndRange)
{
    MessageTable table;
    table.LoadText(u"\" a comment 0028 Nope\n"
                   "0028 Yes\n"
                   "28 abc\n"   // number from the first four characters, text from the sixth
                   "0029\tNo\n" // any fifth character separates
                   "2500 Out of range\n"
                   "-001 Negative\n"
                   "0030 \n"
                   "0031 first\n"
                   "0031 second\n"
                   "  32 Blanks before the number\n"
                   "0033 {1} keeps its braces\n"
                   "\n"_s);
    EXPECT_EQ(table.Text(28), u"c");
    EXPECT_EQ(table.Text(29), u"No");
    EXPECT_EQ(table.Text(30), QString());
    EXPECT_EQ(table.Text(31), u"second");
    EXPECT_EQ(table.Text(32), u"Blanks before the number");
    EXPECT_EQ(table.Text(33), u"{1} keeps its braces");
    // A line without number, the empty line included, lands in message 0.
    EXPECT_EQ(table.Text(0), QString());
    table.LoadText(u"text without number\n"_s);
    EXPECT_EQ(table.Text(0), u"without number");
    EXPECT_EQ(table.Text(2500), QString());
}

TEST(MessageFile, ASecondFileReplacesOnlyItsOwnNumbers)
{
    QTemporaryDir dir;
    const QString de = writeFile(dir, u"msg_de.txt"_s, "0028 Ja\r\n0029 Nein\r\n0040 Nur deutsch\r\n");
    const QString en = writeFile(dir, u"msg_en.txt"_s, "0028 Yes\n0029 No\n");
    MessageTable table;
    ASSERT_TRUE(table.LoadFile(de));
    ASSERT_TRUE(table.LoadFile(en));
    EXPECT_EQ(table.Text(28), u"Yes");
    EXPECT_EQ(table.Text(29), u"No"); // CR LF and LF files both lose their line ends
    EXPECT_EQ(table.Text(40), u"Nur deutsch");
}

TEST(MessageFile, Utf8AndWindows1252FilesReadTheSame)
{
    QTemporaryDir dir;
    const QString utf8 = writeFile(dir, u"u.txt"_s,
                                   "\xEF\xBB\xBF"
                                   "0100 \xC3\xA4nderung \xE2\x82\xAC\n");
    const QString ansi = writeFile(dir, u"a.txt"_s, "0100 \xE4nderung \x80\r\n");
    MessageTable a;
    MessageTable b;
    ASSERT_TRUE(a.LoadFile(utf8));
    ASSERT_TRUE(b.LoadFile(ansi));
    EXPECT_EQ(a.Text(100), u"\u00e4nderung \u20ac");
    EXPECT_EQ(b.Text(100), a.Text(100));
}

TEST(MessageFile, AMissingFileIsAnErrorAndKeepsTheTable)
{
    MessageTable table;
    table.SetText(5, u"kept"_s);
    QString error;
    EXPECT_FALSE(table.LoadFile(u"/nonexistent/msg_xx.txt"_s, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(table.Text(5), u"kept");
}

// A pipe (which would block the reader until someone writes) and a file larger than any message
// file are refused at once, and the table keeps what it held.
TEST(MessageFile, APipeOrAHugeFileIsRefusedWithoutReading)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath(u"msg_en.txt"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString huge = dir.filePath(u"msg_de.txt"_s);
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("0005 Not read\n");
        ASSERT_TRUE(f.resize(qint64(1) << 31)); // sparse: 2 GB that take no room
    }
    const QString justRight =
        writeFile(dir, u"msg_xx.txt"_s, QByteArray(MessageTable::MaxFileBytes - 11, ' ') + "\n0005 Read\n");

    MessageTable table;
    table.SetText(5, u"kept"_s);
    QString pipeError;
    QString hugeError;
    QString folderError;
    EXPECT_FALSE(table.LoadFile(pipe, &pipeError));
    EXPECT_FALSE(table.LoadFile(huge, &hugeError));
    EXPECT_FALSE(table.LoadFile(dir.path(), &folderError));
    EXPECT_EQ(pipeError, u"Not a regular file");
    EXPECT_EQ(folderError, u"Not a regular file");
    EXPECT_TRUE(hugeError.startsWith(u"Larger than a message file can be"_s)) << hugeError.toStdString();
    EXPECT_EQ(table.Text(5), u"kept");
    EXPECT_TRUE(table.LoadFile(justRight));
    EXPECT_EQ(table.Text(5), u"Read");
}

TEST(GetMessageTextByNr, DefaultsAndTheCantLoadText)
{
    MessageTable table;
    table.SetText(912, u"Close"_s);
    EXPECT_EQ(table.GetMessageTextByNr(912), u"Close");
    EXPECT_EQ(table.GetMessageTextByNr(u" 912 "_s), u"Close");
    EXPECT_EQ(table.GetMessageTextByNr(911.6), u"Close"); // rounded
    EXPECT_EQ(table.GetMessageTextByNr(4711), u"Error 4711 (Cant load message)");
    EXPECT_EQ(table.GetMessageTextByNr(4711, u"fallback"_s), u"fallback");
    EXPECT_EQ(table.GetMessageTextByNr(913, u"fallback"_s), u"fallback");
    EXPECT_EQ(table.GetMessageTextByNr(u"Caption"_s, u"Caption"_s), u"Caption");
    // No number and no default: the "can't load" text, not a failure.
    EXPECT_EQ(table.GetMessageTextByNr(u"abc"_s), u"Error abc (Cant load message)");
    EXPECT_EQ(table.GetMessageTextByNr(u"12abc"_s, u"d"_s), u"d");
}

TEST(FormatMessage, PlaceholdersAreFilledInOnePass)
{
    MessageTable table;
    table.SetText(20, u"{1} - Mandant {2} on {3}"_s);
    EXPECT_EQ(table.FormatMessage(20, QString(), {u"KLVViewer"_s, u"M1"_s, u"host"_s}),
              u"KLVViewer - Mandant M1 on host");
    // An empty message takes the default; a {3} without value stays.
    EXPECT_EQ(table.FormatMessage(21, u"{1} and {2} and {3}"_s, {u"A"_s, u"B"_s}), u"A and B and {3}");
    // A value that holds a placeholder is not filled again.
    EXPECT_EQ(table.FormatMessage(21, u"{1}/{2}"_s, {u"{2}"_s, u"x"_s}), u"{2}/x");
    // Numbers and repeated placeholders; {01} and {0} are no placeholders.
    EXPECT_EQ(table.FormatMessage(21, u"{1}{1} {01} {0} {"_s, {42}), u"4242 {01} {0} {");
    // No message and no default: the "can't load" text, its "{" untouched.
    EXPECT_EQ(table.FormatMessage(22, QString(), {u"v"_s}), u"Error 22 (Cant load message)");
}

TEST(FormatMessage, TheModuleFormTakesAnyValues)
{
    App().MessageTexts.SetText(145, u"GUI for Mandant {1} not started ({2})"_s);
    EXPECT_EQ(MainModul::FormatMessage(145, QString(), u"M1"_s, 7), u"GUI for Mandant M1 not started (7)");
    App().MessageTexts.SetText(145, QString());
}

// Every message number the shell's code asks for is in both message files of the program.
TEST(MessageFiles, HoldEveryNumberTheShellUses)
{
    const QDir source(QString::fromUtf8(KLV_SOURCE_DIR));
    const int used[] = {23, 24, 25, 26, 27, 28, 29, 44, 48, 69, 123, 139, 145, 146, 252, 253, 305, 563, 901};
    for (const QString& lang : {u"en"_s, u"de"_s}) {
        const QString path = source.filePath(u"winsrc/viewer/messages/msg_"_s + lang + u".txt"_s);
        MessageTable table;
        ASSERT_TRUE(table.LoadFile(path)) << path.toStdString();
        for (int nr : used)
            EXPECT_FALSE(table.Text(nr).isEmpty()) << "message " << nr << " missing in msg_" << lang.toStdString();
    }
}

// F1 and the help buttons open the help page of the language (message 901) at a topic that
// a message of 902 to 927 names, or at the column chooser's own topic: each page has them all.
TEST(HelpPages, HoldEveryTopicTheWindowsOpen)
{
    const QDir source(QString::fromUtf8(KLV_SOURCE_DIR));
    for (const QString& lang : {u"en"_s, u"de"_s}) {
        MessageTable table;
        ASSERT_TRUE(table.LoadFile(source.filePath(u"winsrc/viewer/messages/msg_"_s + lang + u".txt"_s)));
        QFile page(source.filePath(u"winsrc/viewer/"_s + table.Text(901)));
        ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
        const QString html = QString::fromUtf8(page.readAll());
        QStringList topics{u"SpaltenAuswahl"_s};
        for (int nr = 902; nr <= 927; ++nr) {
            if (!table.Text(nr).isEmpty())
                topics << table.Text(nr);
        }
        for (const QString& topic : topics)
            EXPECT_TRUE(html.contains(u"id=\""_s + topic + u'"'))
                << topic.toStdString() << " missing in " << page.fileName().toStdString();
    }
}

// The help's logon section names the button the logon dialog shows, in each language, and the
// column chooser's section the button its dialog has (message 32).
TEST(HelpPages, NameTheButtonsTheDialogsShow)
{
    const QDir source(QString::fromUtf8(KLV_SOURCE_DIR));
    for (const int langId : {klvutils::LogonTexts::English, klvutils::LogonTexts::German}) {
        const QString lang = langId == klvutils::LogonTexts::German ? u"de"_s : u"en"_s;
        MessageTable table;
        ASSERT_TRUE(table.LoadFile(source.filePath(u"winsrc/viewer/messages/msg_"_s + lang + u".txt"_s)));
        QFile page(source.filePath(u"winsrc/viewer/"_s + table.Text(901)));
        ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
        const QString html = QString::fromUtf8(page.readAll());
        const auto section = [&html](const QString& topic) {
            const qsizetype start = html.indexOf(u"id=\""_s + topic + u'"');
            return start < 0 ? QString() : html.mid(start, html.indexOf(u"<h2"_s, start) - start);
        };
        klvutils::LogonTexts logon;
        logon.setLanguage(langId);
        const QString connect = logon.messageText(26).remove(u'&');
        EXPECT_TRUE(section(u"Anmeldung"_s).contains(u"<em>"_s + connect + u"</em>"_s)) << lang.toStdString();
        EXPECT_TRUE(section(u"SpaltenAuswahl"_s).contains(u"<em>"_s + table.Text(32) + u"</em>"_s))
            << lang.toStdString();
    }
}

// Each test starts the program anew: a context of its own, message files in a folder of its
// own.
class StartupMessages : public ::testing::Test
{
protected:
    void SetUp() override { MainModul::SetMessageDirectory(dir.path()); }
    AppContext context;
    QTemporaryDir dir;
    MessageBoxes boxes{QMessageBox::Retry};
};

TEST_F(StartupMessages, TheLanguageSwitchLoadsItsFileOverTheFirst)
{
    writeFile(dir, u"msg_de.txt"_s, "0028 Ja\n0029 Nein\n0123 (kein)\n0901 hilfe.html\n0777 Nur deutsch\n");
    writeFile(dir, u"msg_en.txt"_s, "0028 Yes\n0029 No\n0123 (none)\n0901 help.html\n");
    App().UILanguage = u"de"_s;
    ASSERT_TRUE(MainModul::LoadMessageFile());
    const auto parsed = MainModul::ParseCommandLine({u"-l"_s, u"en"_s});
    EXPECT_EQ(parsed.outcome, CommandLine::Outcome::Start);
    EXPECT_EQ(App().UILanguage, u"en");
    EXPECT_EQ(App().UILangId, 9);
    ASSERT_TRUE(MainModul::LoadMessageFile());
    MainModul::InitAppGlobals();
    EXPECT_EQ(App().MsgTrueText, u"Yes");
    EXPECT_EQ(App().MsgFalseText, u"No");
    EXPECT_EQ(App().DefaultQueryNameText, u"(none)");
    EXPECT_EQ(App().NoKeyText, u"(none)");
    EXPECT_EQ(App().HelpFileName, u"help.html");
    EXPECT_EQ(App().ErpTrueText, u"Yes"); // the server's words until they are loaded
    EXPECT_EQ(MainModul::Bool2MsgText(false), u"No");
    EXPECT_EQ(MainModul::GetMessageTextByNr(777), u"Nur deutsch");
    EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST_F(StartupMessages, AMissingFileOffersTheEnglishOne)
{
    writeFile(dir, u"msg_en.txt"_s, "0028 Yes\n");
    App().UILanguage = u"fr"_s;
    ASSERT_TRUE(MainModul::LoadMessageFile());
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith(u"Error reading message file "_s + dir.filePath(u"msg_fr.txt"_s)));
    EXPECT_TRUE(boxes.texts[0].endsWith(u"\nRetry using english?"_s));
    EXPECT_EQ(MainModul::GetMessageTextByNr(28), u"Yes");
}

// The start-up says why a file is refused and offers the English one, as for any file it
// cannot read; refused again, Cancel ends the start.
TEST_F(StartupMessages, APipeInPlaceOfTheFileIsRefusedAndTheEnglishOneOffered)
{
    const QString pipe = dir.filePath(u"msg_de.txt"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    writeFile(dir, u"msg_en.txt"_s, "0028 Yes\n");
    App().UILanguage = u"de"_s;
    ASSERT_TRUE(MainModul::LoadMessageFile());
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(boxes.texts[0],
              u"Error reading message file "_s + pipe + u"\nNot a regular file\nRetry using english?"_s);
    EXPECT_EQ(MainModul::GetMessageTextByNr(28), u"Yes");

    QFile english(dir.filePath(u"msg_en.txt"_s));
    ASSERT_TRUE(english.resize(MessageTable::MaxFileBytes + 1));
    boxes.texts.clear();
    boxes.answers = {QMessageBox::Retry, QMessageBox::Cancel};
    EXPECT_FALSE(MainModul::LoadMessageFile());
    ASSERT_EQ(boxes.texts.size(), 2);
    EXPECT_TRUE(boxes.texts[1].startsWith(u"Error reading message file "_s + english.fileName() + u"\nLarger than"_s))
        << boxes.texts[1].toStdString();
}

TEST_F(StartupMessages, CancelEndsTheStart)
{
    App().UILanguage = u"fr"_s;
    boxes.answer = QMessageBox::Cancel;
    EXPECT_FALSE(MainModul::LoadMessageFile());
    EXPECT_EQ(boxes.texts.size(), 1);
}

TEST_F(StartupMessages, UsageTextsComeFromTheTableBeforeTheSwitches)
{
    writeFile(dir, u"msg_de.txt"_s, "0044 Argument fehlt:\n0069 Unbekannt:\n");
    App().UILanguage = u"de"_s;
    ASSERT_TRUE(MainModul::LoadMessageFile());
    EXPECT_EQ(MainModul::ParseCommandLine({u"-l"_s, u"en"_s, u"-c"_s}).usageText, u"Argument fehlt: -c");
    EXPECT_EQ(MainModul::ParseCommandLine({u"/x"_s}).usageText, u"Unbekannt: /x");
}
