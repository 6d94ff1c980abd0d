// The registry of a query window's extra tables and its section "ExtraTables" of
// "ViewerConfig.ini": what is written for every database, in the table list's order.
#include "ChildRun.h"
#include "IniFile.h"
#include "QueryExtraTables.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

using Entries = QList<QPair<QString, QString>>;

} // namespace

TEST(QueryExtraTables, everyDatabaseIsWrittenWithItsTablesInListOrder)
{
    QueryExtraTables t;
    t.registerTable(u"B:Zwei"_s, u"12"_s);
    t.registerTable(u"A:Eins"_s, u"3"_s);
    t.registerTable(u"C:Drei"_s, u"12"_s);
    const QStringList rows{u"Kunde:Kunde"_s, u"C:Drei"_s, u"A:Eins"_s, u"B:Zwei"_s};
    EXPECT_EQ(t.entries(rows), (Entries{{u"12"_s, u"C:Drei,B:Zwei"_s}, {u"3"_s, u"A:Eins"_s}}));
    EXPECT_TRUE(t.isExtraTable(u"c:drei"_s));
    EXPECT_FALSE(t.isExtraTable(u"Kunde:Kunde"_s));

    // A removed table leaves its database with an empty value, so the file forgets it too.
    t.unregister(u"A:Eins"_s);
    EXPECT_EQ(t.entries({u"C:Drei"_s, u"B:Zwei"_s}), (Entries{{u"12"_s, u"C:Drei,B:Zwei"_s}, {u"3"_s, QString()}}));
}

TEST(QueryExtraTables, aNameKeepsItsFirstDatabaseAndNumbersAreKeptOnce)
{
    QueryExtraTables t;
    t.addDatabase(u" 12"_s);
    t.addDatabase(u"12"_s);
    t.registerTable(u"X:Y"_s, u"4"_s);
    t.registerTable(u"X:Y"_s, u"5"_s);
    EXPECT_EQ(t.databases(), (QStringList{u"12"_s, u"4"_s, u"5"_s}));
    EXPECT_EQ(t.databaseOf(u"X:Y"_s), u"4"_s);
}

TEST(QueryExtraTables, aRenameMovesTheDatabaseUnlessARowStillShowsTheOldName)
{
    QueryExtraTables t;
    t.registerTable(u"Alt:Tabelle"_s, u"12"_s);
    t.rename(u"Alt:Tabelle"_s, u"Neu:Tabelle"_s, {u"Neu:Tabelle"_s});
    EXPECT_FALSE(t.isExtraTable(u"Alt:Tabelle"_s));
    EXPECT_EQ(t.databaseOf(u"Neu:Tabelle"_s), u"12"_s);

    // Renamed to a list that holds the old name again: that row stays an extra table.
    t.rename(u"Neu:Tabelle"_s, u"Neu:Tabelle,Mehr:Tabelle"_s, {u"Neu:Tabelle"_s, u"Mehr:Tabelle"_s});
    EXPECT_TRUE(t.isExtraTable(u"Neu:Tabelle"_s));
    // A new name that has a database already keeps it.
    t.registerTable(u"Mehr:Tabelle"_s, u"7"_s);
    t.rename(u"Neu:Tabelle"_s, u"Mehr:Tabelle"_s, {u"Mehr:Tabelle"_s});
    EXPECT_EQ(t.databaseOf(u"Mehr:Tabelle"_s), u"7"_s);
}

TEST(QueryExtraTables, savingWritesOnlyItsSectionAndReadsBack)
{
    QTemporaryDir dir;
    const QString file = dir.path() + u"/100/ViewerConfig.ini"_s;
    QueryExtraTables t;
    t.registerTable(u"Einstellungen:Druckeinstellung"_s, u"12"_s);
    t.addDatabase(u"4"_s);
    // The folder is made when it is not there yet.
    ASSERT_TRUE(t.save(file, {u"Einstellungen:Druckeinstellung"_s}));
    ASSERT_TRUE(IniFile::WriteIniString(file, u"Other"_s, u"12"_s, u"stays"_s));
    EXPECT_EQ(QueryExtraTables::load(file, u"12"_s), u"Einstellungen:Druckeinstellung"_s);

    t.unregister(u"Einstellungen:Druckeinstellung"_s);
    ASSERT_TRUE(t.save(file, {}));
    IniFile ini(file);
    ASSERT_TRUE(ini.load());
    EXPECT_TRUE(ini.contains(u"ExtraTables"_s, u"12"_s));
    EXPECT_EQ(ini.value(u"ExtraTables"_s, u"12"_s), QString());
    EXPECT_EQ(ini.value(u"ExtraTables"_s, u"4"_s), QString());
    EXPECT_EQ(ini.value(u"Other"_s, u"12"_s), u"stays"_s);
    // A second save of the same registry writes the same again.
    ASSERT_TRUE(t.save(file, {}));
    EXPECT_EQ(QueryExtraTables::load(file, u"12"_s), QString());
    EXPECT_FALSE(t.save(QString(), {}));
}

TEST(QueryExtraTables, aFileThatCouldNotBeReadIsNotWrittenBack)
{
    // File permissions hold for an ordinary user only.
    if (ChildRun::privileged()) {
        const ChildRun::Result child = ChildRun::unprivileged(ChildRun::currentGoogleTest());
        if (!child.started)
            GTEST_SKIP() << "no ordinary user to run as: " << child.output.toStdString();
        EXPECT_EQ(child.exitCode, 0) << child.output.toStdString();
        return;
    }
    // The query window's other sections share the file; it cannot be read at the moment.
    QTemporaryDir dir;
    const QString file = dir.filePath(u"ViewerConfig.ini"_s);
    const QByteArray held = "[QueryForm]\r\nWidth=9000\r\n[ExtraTables]\r\n12=A:B\r\n";
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(held);
    }
    ASSERT_TRUE(QFile::setPermissions(file, {}));
    EXPECT_EQ(QueryExtraTables::load(file, u"12"_s), QString());
    QueryExtraTables t;
    t.registerTable(u"C:D"_s, u"12"_s);
    QString why;
    EXPECT_FALSE(t.save(file, {u"C:D"_s}, &why));
    EXPECT_EQ(why, QString::fromLocal8Bit(std::strerror(EACCES)));
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), held);
}

TEST(QueryExtraTables, aListIsReadAsNamesEachOnceAndListedNamesAreKept)
{
    EXPECT_EQ(QueryExtraTables::SplitNames(u" , ,"_s), QStringList());
    EXPECT_EQ(QueryExtraTables::SplitNames(u"A:B, a:b ,,C:D,A:B"_s), (QStringList{u"A:B"_s, u"C:D"_s}));

    // A stored name the server lists itself has no row, and is written back after the rows of
    // its database, once.
    QueryExtraTables t;
    t.addDatabase(u"1"_s);
    t.registerTable(u"X:Y"_s, u"1"_s);
    t.keepListed(u"1"_s, u"1:1"_s);
    t.keepListed(u"1"_s, u"1:1"_s);
    t.keepListed(u"1"_s, u"x:y"_s);
    EXPECT_EQ(t.entries({u"Kunde:Kunde"_s, u"X:Y"_s}), (Entries{{u"1"_s, u"X:Y,1:1"_s}}));
    t.clear();
    EXPECT_TRUE(t.entries({}).isEmpty());
}
