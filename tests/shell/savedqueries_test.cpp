// Saved queries in their INI files, without a window: what is written is what is read, names
// that would break the file are refused, a table's list of saved queries, a file the Windows
// program wrote lines into, and two programs saving into one file at once.
#include "ChildRun.h"
#include "SavedQuerySettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <string>

using namespace Qt::StringLiterals;

namespace {

QString readText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void writeText(const QString& path, const QString& text)
{
    writeBytes(path, text.toUtf8());
}

SavedQuerySettings sample()
{
    SavedQuerySettings s;
    s.Fields = u"0:nummer,0:name,1:abmenge"_s;
    s.FieldWidths = u"1440,2000,900"_s;
    s.Krit = u"name=M*"_s;
    s.ByRows = u"1"_s;
    s.AliveFlag = u"2"_s;
    s.Ascending = u"0"_s;
    s.Order = u"name"_s;
    s.AndJunction = u"0"_s;
    s.SortKey = u"nummer"_s;
    return s;
}

class SavedQuerySettingsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString file() const { return dir.filePath(u"12_24.ini"_s); }
};

TEST_F(SavedQuerySettingsTest, TheFileIsTheTableNameMadeFileSafeAndNoDirectoryGivesNoFile)
{
    EXPECT_EQ(SavedQuerySettings::FileFor(u"/q"_s, u"12:24"_s), u"/q/12_24.ini"_s);
    EXPECT_EQ(SavedQuerySettings::FileFor(u"/q"_s, u"a/b\\c*?"_s), u"/q/a_b_c__.ini"_s);
    EXPECT_EQ(SavedQuerySettings::FileFor(QString(), u"12:24"_s), QString());
}

TEST_F(SavedQuerySettingsTest, TheNineKeysAreWrittenInTheirOrderAndReadBackUnchanged)
{
    QString error;
    ASSERT_TRUE(sample().write(file(), u"Offene Posten"_s, &error)) << error.toStdString();
    EXPECT_EQ(readText(file()), u"[Offene Posten]\r\nFields=0:nummer,0:name,1:abmenge\r\nFieldWidths=1440,2000,900\r\n"
                                u"Krit=name=M*\r\nByRows=1\r\nAliveFlag=2\r\nAscending=0\r\nOrder=name\r\n"
                                u"AndJunction=0\r\nSortKey=nummer\r\n"_s);
    EXPECT_EQ(SavedQuerySettings::read(file(), u"Offene Posten"_s, {}), sample());
}

TEST_F(SavedQuerySettingsTest, ValuesWithBlanksQuotesAndAnyTextComeBackAsTheyWere)
{
    const QStringList values{u"  name=M*"_s,
                             u"name=M*  "_s,
                             u"\"quoted\""_s,
                             u"'single'"_s,
                             u"\"open"_s,
                             u"a\"b\"c"_s,
                             u"ort=Köln;land=Österreich"_s,
                             u"名前=東京"_s,
                             u"x=;y==z"_s,
                             u"\" both \""_s,
                             QString()};
    for (const QString& v : values) {
        SavedQuerySettings s = sample();
        s.Krit = v;
        s.Order = v;
        ASSERT_TRUE(s.write(file(), u"Q"_s));
        const SavedQuerySettings back = SavedQuerySettings::read(file(), u"Q"_s, {});
        EXPECT_EQ(back.Krit, v) << v.toStdString();
        EXPECT_EQ(back.Order, v) << v.toStdString();
    }
    // Rewriting left one section with one line per key.
    EXPECT_EQ(readText(file()).count(u"Krit="_s), 1);
}

TEST_F(SavedQuerySettingsTest, NamesThatWouldSplitOrMergeSectionsAreRefusedAndTheFileStays)
{
    ASSERT_TRUE(sample().write(file(), u"Alt"_s));
    const QString before = readText(file());
    for (const QString& name : {u"a]b"_s, u"[a"_s, u"a\nb"_s, u"a\rb"_s, u" a"_s, u"a "_s, QString()}) {
        EXPECT_FALSE(SavedQuerySettings::IsStorableName(name));
        QString error;
        EXPECT_FALSE(sample().write(file(), name, &error));
        EXPECT_EQ(readText(file()), before);
    }
    for (const QString& name : {u"a b"_s, u"x=y"_s, u";note"_s, u"Größe & Preis"_s, u"Default"_s})
        EXPECT_TRUE(SavedQuerySettings::IsStorableName(name)) << name.toStdString();
}

TEST_F(SavedQuerySettingsTest, OtherKeysOfTheSectionAndOtherSectionsStay)
{
    writeText(file(), u"; kept\r\n[Q]\r\nComment=mine\r\nKrit=old\r\n\r\n[Other]\r\nKrit=x\r\n"_s);
    ASSERT_TRUE(sample().write(file(), u"q"_s));
    const QString text = readText(file());
    EXPECT_TRUE(text.startsWith(u"; kept\r\n[Q]\r\nComment=mine\r\nKrit=name=M*\r\n"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"[Other]\r\nKrit=x\r\n"_s));
    EXPECT_EQ(SavedQuerySettings::read(file(), u"Other"_s, {}).Krit, u"x"_s);
}

TEST_F(SavedQuerySettingsTest, MissingKeysSectionsAndFilesReadAsTheDefaultsAndKeysIgnoreCase)
{
    SavedQuerySettings defaults;
    defaults.AliveFlag = u"9"_s;
    defaults.Ascending = u"1"_s;
    defaults.AndJunction = u"1"_s;
    defaults.SortKey = u"Default"_s;
    EXPECT_EQ(SavedQuerySettings::read(dir.filePath(u"none.ini"_s), u"Q"_s, defaults), defaults);

    writeText(file(), u"[Q]\nANDJUNCTION=0\nkrit=a\n"_s);
    const SavedQuerySettings s = SavedQuerySettings::read(file(), u"q"_s, defaults);
    EXPECT_EQ(s.AndJunction, u"0"_s);
    EXPECT_EQ(s.Krit, u"a"_s);
    EXPECT_EQ(s.AliveFlag, u"9"_s);
    EXPECT_EQ(s.SortKey, u"Default"_s);
    EXPECT_EQ(SavedQuerySettings::read(file(), u"Other"_s, defaults), defaults);
}

TEST_F(SavedQuerySettingsTest, TheListHoldsTheSectionsInFileOrderOrDefaultAndAtMostAThousand)
{
    EXPECT_EQ(SavedQuerySettings::QueryNames(dir.filePath(u"none.ini"_s)), QStringList{u"Default"_s});
    writeText(file(), u"; only a comment\r\n"_s);
    EXPECT_EQ(SavedQuerySettings::QueryNames(file()), QStringList{u"Default"_s});

    ASSERT_TRUE(sample().write(file(), u"Zuletzt"_s));
    ASSERT_TRUE(sample().write(file(), u"Alle Kunden"_s));
    ASSERT_TRUE(sample().write(file(), u"zuletzt"_s)); // the same section
    EXPECT_EQ(SavedQuerySettings::QueryNames(file()), (QStringList{u"Zuletzt"_s, u"Alle Kunden"_s}));

    QString many;
    for (int i = 1; i <= 1001; ++i)
        many += u"[Q"_s + QString::number(i) + u"]\r\nKrit=x\r\n"_s;
    writeText(file(), many);
    const QStringList names = SavedQuerySettings::QueryNames(file());
    ASSERT_EQ(names.size(), 1000);
    EXPECT_EQ(names.first(), u"Q1"_s);
    EXPECT_EQ(names.last(), u"Q1000"_s);
}

TEST_F(SavedQuerySettingsTest, RemovingTakesOutTheWholeSectionAndNothingElse)
{
    ASSERT_TRUE(sample().write(file(), u"A"_s));
    ASSERT_TRUE(sample().write(file(), u"B"_s));
    SavedQuerySettings::remove(file(), u"a"_s);
    EXPECT_EQ(SavedQuerySettings::QueryNames(file()), QStringList{u"B"_s});
    SavedQuerySettings::remove(file(), u"missing"_s);
    SavedQuerySettings::remove(dir.filePath(u"none.ini"_s), u"B"_s);
    EXPECT_FALSE(QFile::exists(dir.filePath(u"none.ini"_s)));
    EXPECT_EQ(SavedQuerySettings::read(file(), u"B"_s, {}), sample());
}

TEST_F(SavedQuerySettingsTest, AFileThatCannotBeWrittenIsReportedAndLeftAsItWas)
{
    const QString locked = dir.filePath(u"locked"_s);
    ASSERT_TRUE(QDir().mkdir(locked));
    const QString path = locked + u"/1_1.ini"_s;
    ASSERT_TRUE(sample().write(path, u"A"_s));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    SavedQuerySettings changed = sample();
    changed.Krit = u"new"_s;
    QString error;
    const bool written = changed.write(path, u"A"_s, &error);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (written)
        GTEST_SKIP() << "the directory stays writable (running as root)";
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(SavedQuerySettings::read(path, u"A"_s, {}).Krit, u"name=M*"_s);
}

TEST_F(SavedQuerySettingsTest, AFileWithLinesOfTheWindowsProgramKeepsEveryNameWhenReadAndSaved)
{
    // A folder shared with the Windows program: one query saved there in Windows-1252, one
    // saved here in UTF-8.
    writeBytes(file(), "[M\xC3\xBCller]\r\nKrit=ort=K\xC3\xB6ln\r\n"
                       "[B\xE4"
                       "cker]\r\nKrit=gr\xF6\xDF"
                       "e>5\r\n");
    EXPECT_EQ(SavedQuerySettings::QueryNames(file()), (QStringList{u"Müller"_s, u"Bäcker"_s}));
    EXPECT_EQ(SavedQuerySettings::read(file(), u"Müller"_s, {}).Krit, u"ort=Köln"_s);
    EXPECT_EQ(SavedQuerySettings::read(file(), u"Bäcker"_s, {}).Krit, u"größe>5"_s);

    ASSERT_TRUE(sample().write(file(), u"Neu"_s));
    QFile f(file());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(f.readAll());
    EXPECT_FALSE(utf8.hasError());
    EXPECT_TRUE(text.startsWith(u"[Müller]\r\nKrit=ort=Köln\r\n[Bäcker]\r\nKrit=größe>5\r\n[Neu]\r\n"_s))
        << text.toStdString();
    EXPECT_EQ(SavedQuerySettings::QueryNames(file()), (QStringList{u"Müller"_s, u"Bäcker"_s, u"Neu"_s}));
}

TEST_F(SavedQuerySettingsTest, TwoProgramsSavingIntoOneFileAtOnceLoseNoQuery)
{
    // The child: waits for the word, then saves its thirty queries as fast as it can.
    if (const QString prefix = qEnvironmentVariable("KLV_SAVER_PREFIX"); !prefix.isEmpty()) {
        std::printf("READY\n");
        std::fflush(stdout);
        std::string go;
        std::getline(std::cin, go);
        for (int i = 1; i <= 30; ++i) {
            QString error;
            ASSERT_TRUE(sample().write(qEnvironmentVariable("KLV_SAVER_FILE"), prefix + QString::number(i), &error))
                << error.toStdString();
        }
        return;
    }
    // A table with many saved queries already: each save reads and writes a file of some size.
    QString held;
    for (int i = 1; i <= 40; ++i) {
        held += u"[Before "_s + QString::number(i) + u"]\r\n"_s;
        for (const QString& key : SavedQuerySettings::KeyNames())
            held += key + u"=1440,2000,900\r\n"_s;
    }
    writeText(file(), held);
    QProcess children[2];
    for (int c = 0; c < 2; ++c) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KLV_SAVER_PREFIX"_s, c == 0 ? u"First "_s : u"Second "_s);
        env.insert(u"KLV_SAVER_FILE"_s, file());
        children[c].setProcessEnvironment(env);
        children[c].start(QCoreApplication::applicationFilePath(), ChildRun::currentGoogleTest());
    }
    // Both wait for the word before either saves.
    QByteArray output[2];
    for (int c = 0; c < 2; ++c) {
        while (!output[c].contains("READY") && children[c].waitForReadyRead(60000))
            output[c] += children[c].readAllStandardOutput();
        ASSERT_TRUE(output[c].contains("READY")) << output[c].toStdString();
    }
    // (Written out to each at once: a child's input goes out only while someone waits on it.)
    for (QProcess& child : children) {
        child.write("go\n");
        ASSERT_TRUE(child.waitForBytesWritten(10000));
    }
    for (int c = 0; c < 2; ++c) {
        ASSERT_TRUE(children[c].waitForFinished(120000));
        output[c] += children[c].readAll();
        EXPECT_EQ(children[c].exitCode(), 0) << output[c].toStdString();
    }
    const QStringList names = SavedQuerySettings::QueryNames(file());
    EXPECT_EQ(names.size(), 100) << names.join(u", "_s).toStdString();
    for (int i = 1; i <= 30; ++i) {
        EXPECT_TRUE(names.contains(u"First "_s + QString::number(i))) << i;
        EXPECT_TRUE(names.contains(u"Second "_s + QString::number(i))) << i;
    }
    EXPECT_TRUE(readText(file()).startsWith(held));
    // Nothing is left beside the file but the file.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"12_24.ini"_s});
}

} // namespace
