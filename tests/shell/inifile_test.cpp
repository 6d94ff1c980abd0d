// INI files as the Windows program wrote them, and what we write into them.
#include "ChildRun.h"
#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    QString write(const QByteArray& bytes)
    {
        const QString path = dir.filePath(u"t.ini"_s);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    QByteArray read(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    QTemporaryDir dir;
};

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

TEST_F(IniFileTest, ReadsAFileWrittenOnWindows)
{
    const QString path = write("; saved queries\r\n"
                               "[Default]\r\n"
                               "Fields=0:nummer,0:name\r\n"
                               "  Krit  =  name=A*  \r\n"
                               "Quoted=\"  padded  \"\r\n"
                               "Single='x'\r\n"
                               "Half=\"open\r\n"
                               "Empty=\r\n"
                               "\r\n"
                               "[default]\r\n"
                               "Fields=second section of the same name\r\n"
                               "[Other]\r\n"
                               "fields=other\r\n");
    EXPECT_EQ(IniFile::ReadIniString(path, u"DEFAULT"_s, u"FIELDS"_s, u"d"_s), u"0:nummer,0:name");
    EXPECT_EQ(IniFile::ReadIniString(path, u"Default"_s, u"Krit"_s, u"d"_s), u"name=A*");
    EXPECT_EQ(IniFile::ReadIniString(path, u"Default"_s, u"Quoted"_s, u"d"_s), u"  padded  ");
    EXPECT_EQ(IniFile::ReadIniString(path, u"Default"_s, u"Single"_s, u"d"_s), u"x");
    EXPECT_EQ(IniFile::ReadIniString(path, u"Default"_s, u"Half"_s, u"d"_s), u"\"open");
    EXPECT_EQ(IniFile::ReadIniString(path, u"Default"_s, u"Empty"_s, u"d"_s), QString());
    EXPECT_EQ(IniFile::ReadIniString(path, u"Other"_s, u"Fields"_s, u"d"_s), u"other");
    // Missing section, missing key, missing file: the default.
    EXPECT_EQ(IniFile::ReadIniString(path, u"Nope"_s, u"Fields"_s, u"d"_s), u"d");
    EXPECT_EQ(IniFile::ReadIniString(path, u"Default"_s, u"Nope"_s, u"d"_s), u"d");
    EXPECT_EQ(IniFile::ReadIniString(dir.filePath(u"none.ini"_s), u"Default"_s, u"Fields"_s, u"d"_s), u"d");
    // A comment line is no key.
    EXPECT_EQ(IniFile::ReadIniString(path, u"Default"_s, u"; saved queries"_s, u"d"_s), u"d");
    EXPECT_EQ(IniFile::ReadSectionNames(path), (QStringList{u"Default"_s, u"Other"_s}));
}

TEST_F(IniFileTest, Windows1252FilesAreReadAndRewrittenAsUtf8)
{
    const QString path = write("[Abfrage \xC4nderung]\r\nKrit=gr\xF6\xDF"
                               "e>5\r\n");
    EXPECT_EQ(IniFile::ReadIniString(path, u"Abfrage \u00c4nderung"_s, u"Krit"_s, QString()), u"gr\u00f6\u00dfe>5");
    ASSERT_TRUE(IniFile::WriteIniString(path, u"Abfrage \u00c4nderung"_s, u"Order"_s, u"name"_s));
    EXPECT_EQ(read(path), QByteArray("[Abfrage \xC3\x84nderung]\r\nKrit=gr\xC3\xB6\xC3\x9F"
                                     "e>5\r\nOrder=name\r\n"));
}

TEST_F(IniFileTest, WritingChangesOnlyItsLineAndKeepsTheRest)
{
    const QString path = write("; comment\n[A]\nKey=1\nother = 2\n\n[B]\nx=y\n");
    ASSERT_TRUE(IniFile::WriteIniString(path, u"a"_s, u"KEY"_s, u"3"_s));
    ASSERT_TRUE(IniFile::WriteIniString(path, u"A"_s, u"New"_s, u"4"_s));
    ASSERT_TRUE(IniFile::WriteIniString(path, u"C"_s, u"z"_s, u"5"_s));
    // The file's LF line ends stay; the key keeps its stored spelling; a new key goes behind
    // the section's last entry; a new section goes at the end.
    EXPECT_EQ(read(path), QByteArray("; comment\n[A]\nKey=3\nother = 2\nNew=4\n\n[B]\nx=y\n[C]\nz=5\n"));
}

TEST_F(IniFileTest, ANewFileGetsCrLfLineEnds)
{
    const QString path = dir.filePath(u"new.ini"_s);
    ASSERT_TRUE(IniFile::WriteIniString(path, u"Default"_s, u"Fields"_s, u"0:a"_s));
    EXPECT_EQ(read(path), QByteArray("[Default]\r\nFields=0:a\r\n"));
}

TEST_F(IniFileTest, WhatWeWriteReadsBackUnchanged)
{
    const QString path = dir.filePath(u"rt.ini"_s);
    const QStringList values{u"plain"_s, u"  blanks around  "_s,  u"\"quoted\""_s, u"'single'"_s,  u"a=b;c"_s,
                             QString(),  u"\u00e4\u20ac\u4e2d"_s, u"\"half"_s,     u"[bracket]"_s, u"tab\tinside"_s};
    for (qsizetype i = 0; i < values.size(); ++i)
        ASSERT_TRUE(IniFile::WriteIniString(path, u"Query \u00e4"_s, u"K"_s + QString::number(i), values[i]));
    for (qsizetype i = 0; i < values.size(); ++i)
        EXPECT_EQ(IniFile::ReadIniString(path, u"query \u00c4"_s.toLower(), u"k"_s + QString::number(i), u"-"_s),
                  values[i])
            << i;
}

TEST_F(IniFileTest, TextThatCannotBeALineIsRefusedAndNothingIsWritten)
{
    const QString path = write("[A]\r\nk=v\r\n");
    QString error;
    EXPECT_FALSE(IniFile::WriteIniString(path, u"A"_s, u"k"_s, u"two\r\nlines"_s, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(IniFile::WriteIniString(path, u"A"_s, u"a=b"_s, u"v"_s));
    EXPECT_FALSE(IniFile::WriteIniString(path, u"A]x"_s, u"k"_s, u"v"_s));
    EXPECT_FALSE(IniFile::WriteIniString(path, u" A"_s, u"k"_s, u"v"_s));
    EXPECT_FALSE(IniFile::WriteIniString(path, u"A"_s, QString(), u"v"_s));
    EXPECT_EQ(read(path), QByteArray("[A]\r\nk=v\r\n"));
}

TEST_F(IniFileTest, SectionsAndKeysCanBeRemoved)
{
    const QString path = write("[A]\r\nk=1\r\nj=2\r\n[B]\r\nk=3\r\n");
    ASSERT_TRUE(IniFile::DeleteIniKey(path, u"a"_s, u"K"_s));
    ASSERT_TRUE(IniFile::DeleteIniSection(path, u"b"_s));
    ASSERT_TRUE(IniFile::DeleteIniSection(path, u"missing"_s));
    EXPECT_EQ(read(path), QByteArray("[A]\r\nj=2\r\n"));
}

TEST_F(IniFileTest, LongValuesAreCutAsTheWindowsProgramCutThem)
{
    const QString path = dir.filePath(u"long.ini"_s);
    const QString value(40000, u'x');
    ASSERT_TRUE(IniFile::WriteIniString(path, u"A"_s, u"k"_s, value));
    EXPECT_EQ(IniFile::ReadIniString(path, u"A"_s, u"k"_s, QString()).size(), IniFile::MaxValueLength);
    IniFile file(path);
    ASSERT_TRUE(file.load());
    EXPECT_EQ(file.value(u"A"_s, u"k"_s), value);
}

TEST_F(IniFileTest, AFileThatCannotBeReadIsNeverWrittenOver)
{
    // File permissions hold for an ordinary user only.
    if (ChildRun::privileged()) {
        const ChildRun::Result child = ChildRun::unprivileged(ChildRun::currentGoogleTest());
        if (!child.started)
            GTEST_SKIP() << "no ordinary user to run as: " << child.output.toStdString();
        EXPECT_EQ(child.exitCode, 0) << child.output.toStdString();
        return;
    }
    const QString path = write("[A]\r\nk=1\r\n[B]\r\nk=2\r\n");
    ASSERT_TRUE(QFile::setPermissions(path, {}));
    IniFile file(path);
    EXPECT_FALSE(file.load());
    EXPECT_TRUE(file.loadFailed());
    // What was read (nothing) is less than the file holds: it is not written.
    ASSERT_TRUE(file.setValue(u"A"_s, u"k"_s, u"3"_s));
    EXPECT_FALSE(file.save());
    EXPECT_EQ(file.errorString(), systemText(EACCES));
    QString error;
    EXPECT_FALSE(IniFile::WriteIniString(path, u"A"_s, u"k"_s, u"3"_s, &error));
    EXPECT_EQ(error, systemText(EACCES));
    EXPECT_FALSE(IniFile::DeleteIniSection(path, u"B"_s));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(read(path), QByteArray("[A]\r\nk=1\r\n[B]\r\nk=2\r\n"));
}

TEST_F(IniFileTest, APipeInTheFilesPlaceIsNeitherWaitedForNorReplaced)
{
    QString error;
    const QString pipe = dir.filePath(u"pipe.ini"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(IniFile::ReadIniString(pipe, u"A"_s, u"k"_s, u"d"_s), u"d"_s);
    EXPECT_FALSE(IniFile::WriteIniString(pipe, u"A"_s, u"k"_s, u"3"_s, &error));
    EXPECT_EQ(error, u"Not a regular file"_s);
    EXPECT_FALSE(QFileInfo(pipe).isFile());
}

TEST_F(IniFileTest, AllValuesReadInOnePassAreThoseReadOneByOne)
{
    // Names in any case, a section and a key given twice (the first counts), keys before any
    // section, quotes, comments, an empty section name, sections named like others' keys.
    IniFile file(write("Vorher=1\r\n"
                       "[Abfrage]\r\nKrit = a=1 \r\nkrit=zweiter\r\nFields=\"  x  \"\r\n; Order=nein\r\n"
                       "[leer]\r\n"
                       "[ABFRAGE]\r\nOrder=spaeter\r\n"
                       "[ Krit ]\r\nAbfrage=3\r\nohne Gleich\r\n"
                       "[]\r\nNamenlos=4\r\n"));
    ASSERT_TRUE(file.load());
    const IniFile::Values values = file.values();
    for (const QString& section :
         {u"Abfrage"_s, u"abfrage"_s, u" ABFRAGE "_s, u"leer"_s, u"Krit"_s, QString(), u"fehlt"_s}) {
        for (const QString& key : {u"Krit"_s, u"KRIT"_s, u"Fields"_s, u"Order"_s, u"Abfrage"_s, u"Vorher"_s,
                                   u"Namenlos"_s, u"ohne Gleich"_s}) {
            EXPECT_EQ(values.value(section, key, u"-"_s), file.value(section, key, u"-"_s))
                << qPrintable(section) << " / " << qPrintable(key);
        }
    }
    EXPECT_EQ(values.value(u"abfrage"_s, u"krit"_s), u"a=1"_s);
    EXPECT_EQ(values.value(u"Abfrage"_s, u"Fields"_s), u"  x  "_s);
    EXPECT_EQ(file.sectionNames(), (QStringList{u"Abfrage"_s, u"leer"_s, u"Krit"_s}));
}
