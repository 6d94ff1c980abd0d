// Stored connections: the record format other readers rely on, reading back exactly what
// was written, and the registry's look-up without regard to case.
#include "ChildRun.h"
#include "ConnectionStore.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using klvutils::ConnectionStore;

namespace {

QString iniPath(const QString& app)
{
    return TestEnvironment::settingsDir() + u"/KLV/"_s + app + u".ini"_s;
}

void writeIni(const QString& app, const QByteArray& content)
{
    QDir().mkpath(TestEnvironment::settingsDir() + u"/KLV"_s);
    QFile f(iniPath(app));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

struct Record
{
    QString host = u"caller-host"_s;
    int port = 0;
    QString mandant;
    bool withUserName = false;
    QString userName = u"caller-user"_s;
};

Record read(const QString& app, const QString& name, Record r = {})
{
    ConnectionStore(app).read(name, r.host, r.port, r.mandant, r.withUserName, r.userName);
    return r;
}

} // namespace

TEST(ConnectionStore, ConnectionWithoutRecordReadsAsDefaultsAndKeepsTheUserName)
{
    const Record r = read(u"NoRecord"_s, u"Missing"_s);
    EXPECT_EQ(r.host, u""_s);
    EXPECT_EQ(r.port, 6550);
    EXPECT_EQ(r.mandant, u"erp"_s);
    EXPECT_FALSE(r.withUserName);
    EXPECT_EQ(r.userName, u"caller-user"_s);
    EXPECT_TRUE(ConnectionStore(u"NoRecord"_s).names().isEmpty());
    EXPECT_FALSE(QFile::exists(iniPath(u"NoRecord"_s))) << "reading must not create the settings";
}

TEST(ConnectionStore, RecordIsStoredInThePlainFormAndFoundAfterARestart)
{
    ASSERT_TRUE(ConnectionStore(u"Plain"_s).write(u"Prod"_s, u"erp.example.com"_s, 7000, u"m1"_s, true, u"meier"_s));
    ASSERT_TRUE(ConnectionStore(u"Plain"_s).setLastUsed(u"Prod"_s));
    const QSettings raw(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, u"Plain"_s);
    EXPECT_EQ(raw.value(u"ConnInfos/Prod"_s).toString(), u"erp.example.com;7000;m1;1;meier"_s);
    EXPECT_EQ(raw.value(u"Connection/LRU"_s).toString(), u"Prod"_s);

    const ConnectionStore restarted(u"Plain"_s);
    EXPECT_EQ(restarted.names(), QStringList{u"Prod"_s});
    EXPECT_EQ(restarted.lastUsed(), u"Prod"_s);
    const Record r = read(u"Plain"_s, u"Prod"_s);
    EXPECT_EQ(r.host, u"erp.example.com"_s);
    EXPECT_EQ(r.port, 7000);
    EXPECT_EQ(r.mandant, u"m1"_s);
    EXPECT_TRUE(r.withUserName);
    EXPECT_EQ(r.userName, u"meier"_s);
}

TEST(ConnectionStore, SeparatorAndEscapeCharactersInFieldsReadBackExactly)
{
    ConnectionStore(u"Escape"_s).write(u"c"_s, u"h;1"_s, 6551, u"a;b%3B"_s, false, u"dom;user%25;"_s);
    const Record r = read(u"Escape"_s, u"c"_s);
    EXPECT_EQ(r.host, u"h;1"_s);
    EXPECT_EQ(r.port, 6551);
    EXPECT_EQ(r.mandant, u"a;b%3B"_s);
    EXPECT_FALSE(r.withUserName);
    EXPECT_EQ(r.userName, u"dom;user%25;"_s);
}

TEST(ConnectionStore, HandWrittenRecordsFollowTheReadingRules)
{
    writeIni(u"Legacy"_s, "[ConnInfos]\n"
                          "four=\"host;0;;1\"\n"
                          "badport=\"host;abc;m\"\n"
                          "extra=\"h;6552;m;0;u;ignored;too\"\n"
                          "percent=\"50%off;1;m%41\"\n");
    Record r = read(u"Legacy"_s, u"four"_s);
    EXPECT_EQ(r.port, 6550);
    EXPECT_EQ(r.mandant, u"erp"_s);
    EXPECT_TRUE(r.withUserName);
    EXPECT_EQ(r.userName, u"caller-user"_s);

    Record caller;
    caller.port = 1234;
    EXPECT_EQ(read(u"Legacy"_s, u"badport"_s, caller).port, 1234) << "an unreadable port leaves the caller's";
    EXPECT_EQ(read(u"Legacy"_s, u"badport"_s).port, 6550);

    r = read(u"Legacy"_s, u"extra"_s);
    EXPECT_EQ(r.userName, u"u"_s);
    EXPECT_EQ(r.port, 6552);

    r = read(u"Legacy"_s, u"percent"_s);
    EXPECT_EQ(r.host, u"50%off"_s) << "only the store's own escapes are decoded";
    EXPECT_EQ(r.mandant, u"m%41"_s);
}

TEST(ConnectionStore, NamesWithUnusualCharactersAreListedAndReadBack)
{
    const QStringList names{u"a/b"_s,   u"C:\\dir"_s, u"x;y=z"_s,    u"100%"_s,    u"#hash"_s,
                            u"[sec]"_s, u" lead"_s,   u"Müller ß"_s, u"q\"uote"_s, u"a%2Fb"_s};
    ConnectionStore store(u"Unusual"_s);
    for (const QString& n : names)
        ASSERT_TRUE(store.write(n, n, 1, u"m"_s, false, QString())) << qPrintable(n);

    QStringList listed = ConnectionStore(u"Unusual"_s).names();
    QStringList expected = names;
    listed.sort();
    expected.sort();
    EXPECT_EQ(listed, expected);
    for (const QString& n : names)
        EXPECT_EQ(read(u"Unusual"_s, n).host, n) << qPrintable(n);
}

TEST(ConnectionStore, NamesAndSectionsAreFoundWithoutRegardToCase)
{
    writeIni(u"Case"_s, "[conninfos]\nProd=h1;1;m;0;\n[CONNECTION]\nlru=Prod\n");
    ConnectionStore store(u"Case"_s);
    EXPECT_EQ(read(u"Case"_s, u"PROD"_s).host, u"h1"_s);
    EXPECT_EQ(store.storedName(u"prod"_s), u"Prod"_s);
    EXPECT_EQ(store.lastUsed(), u"Prod"_s);

    ASSERT_TRUE(store.write(u"prod"_s, u"h2"_s, 2, u"m"_s, false, QString()));
    EXPECT_EQ(ConnectionStore(u"Case"_s).names(), QStringList{u"prod"_s}) << "one entry, in the new spelling";
    EXPECT_EQ(read(u"Case"_s, u"Prod"_s).host, u"h2"_s);

    ASSERT_TRUE(ConnectionStore(u"Case"_s).remove(u"PrOd"_s));
    EXPECT_TRUE(ConnectionStore(u"Case"_s).names().isEmpty());
    EXPECT_TRUE(ConnectionStore(u"Case"_s).remove(u"gone"_s)) << "removing what is not stored is no failure";
}

TEST(ConnectionStore, AStoreThatCannotBeWrittenReportsIt)
{
    // A file where the application's folder should be: nothing can be written below it.
    writeIni(u"Blocked"_s, "");
    const QString app = u"Blocked.ini/App"_s;
    ConnectionStore store(app);
    EXPECT_TRUE(store.names().isEmpty());
    EXPECT_FALSE(store.write(u"c"_s, u"h"_s, 1, u"m"_s, false, QString()));
    EXPECT_FALSE(ConnectionStore(app).setLastUsed(u"c"_s));
    EXPECT_FALSE(ConnectionStore(app).write(QString(), u"h"_s, 1, u"m"_s, false, QString()));
}

TEST(ConnectionStore, ADiskThatFillsDoesNotCutTheStoreShort)
{
    // Runs again as a child, with a small disk of its own for the settings folder.
    const QString disk = qEnvironmentVariable("KLV_STORE_DISK");
    if (disk.isEmpty()) {
        QTemporaryDir folder;
        QProcessEnvironment env;
        env.insert(u"KLV_STORE_DISK"_s, folder.path());
        const ChildRun::Result child = ChildRun::onSmallDisk(folder.path(), 64, ChildRun::currentGoogleTest(), env);
        if (!child.started)
            GTEST_SKIP() << "no file system of a process's own can be mounted here";
        EXPECT_EQ(child.exitCode, 0) << child.output.toStdString();
        return;
    }
    const QString folder = TestEnvironment::settingsDir() + u"/KLV"_s;
    QDir(folder).removeRecursively();
    ASSERT_TRUE(QFile::link(disk, folder));
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(ConnectionStore(u"Full"_s).write(u"Verbindung "_s + QString::number(i), u"erp.example.com"_s, 6550,
                                                     u"mandant"_s, true, u"a user name of some length"_s));
    QFile file(iniPath(u"Full"_s));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray held = file.readAll();
    file.close();
    ASSERT_GT(held.size(), 3 * 4096);
    // Less room is left than the file needs: the write is cut short, and the store says so.
    {
        QFile filler(disk + u"/filler"_s);
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        ASSERT_TRUE(filler.resize(filler.size() - 4096));
    }
    EXPECT_FALSE(ConnectionStore(u"Full"_s).setLastUsed(u"Verbindung 7"_s));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), held);
    EXPECT_EQ(ConnectionStore(u"Full"_s).names().size(), 200);
}
