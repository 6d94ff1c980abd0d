// The database table, read back with the sqlite3 program: the schema (every column nullable,
// every name quoted and unique), the stored type of each value, NULL for empty values, the
// Boolean as 0 and 1; a new file only after the user agreed, a table replaced only after OK;
// a file that may not grow leaves the old table (a refused commit is the dialog test's). The
// same through unixODBC with the SQLite ODBC driver, by connection string and by data source
// name. And the password that is never stored.
#include "ExportSettings.h"
#include "OdbcTableWriter.h"
#include "database_support.h"

#include "MainModul.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;
using namespace ExportTest;
using DatabaseTest::DatabaseExport;
using DatabaseTest::DatabaseWriter;
using DatabaseTest::exportRows;
using DatabaseTest::Target;
using MainModul::FormatMessage;
using MainModul::GetMessageTextByNr;

namespace {

class Database : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(loadEnglishTexts());
        // unixODBC finds its drivers and data sources through files of the test's own, read
        // when a connection is made.
        odbcDir = new QTemporaryDir;
        ASSERT_TRUE(configureOdbc(odbcDir->path(), odbcDir->filePath(u"dsn.sqlite"_s)));
    }
    static void TearDownTestSuite() { delete odbcDir; }
    static inline QTemporaryDir* odbcDir = nullptr;

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    static DatabaseExport databaseJob(const QList<ExportField>& fields, Target target, const QString& name,
                                      const QString& table = u"Kunde:Kunde"_s, bool withPrefix = false)
    {
        return DatabaseTest::databaseJob(fields, target, name, table, withPrefix);
    }

    // A table made by the sqlite3 program, standing for what the user had before.
    void oldTable(const QString& file, const QString& table = u"Kunde:Kunde"_s)
    {
        ASSERT_FALSE(
            run(u"/usr/bin/sqlite3"_s, {file, u"CREATE TABLE \""_s + table + u"\" (old TEXT); INSERT INTO \""_s +
                                                  table + u"\" VALUES ('kept'), ('too');"_s})
                .isNull());
    }
    static QString oldRows(const QString& file, const QString& table = u"Kunde:Kunde"_s)
    {
        return sqliteValue(file, u"SELECT group_concat(old) FROM \""_s + table + u'"');
    }
};

const QList<ExportField> typedFields{typedField(u"nummer"_s, u"I6"_s),    typedField(u"umsatz"_s, u"R12.2"_s),
                                     typedField(u"aktiv"_s, u"B"_s),      typedField(u"gruendung"_s, u"GD8"_s),
                                     typedField(u"kontakt"_s, u"GD14"_s), typedField(u"name"_s, u"GL40"_s),
                                     typedField(u"notiz"_s, u"T80"_s),    typedField(u"besuch"_s, u"Z"_s)};

const QList<QStringList> typedRows{
    {u"123"_s, u"1.234,56"_s, u"1"_s, u"24.12.2023"_s, u"24.12.2023 10:30:15"_s, u"=1+1"_s, u"one\ntwo\r\nthree"_s,
     u"10:30"_s},
    {QString(), QString(), QString(), QString(), QString(), QString(), QString(), QString()},
    {u"abc"_s, u"12.5"_s, u"0"_s, u"31.02.2023"_s, u"20231224103015"_s, u"O'Brien \"x\""_s, u"plain"_s, u"x"_s},
};

} // namespace

TEST_F(Database, AnSqliteTableHasTypedNullableColumnsAndEveryValueItsType)
{
    const QString file = path(u"kunde.sqlite"_s);
    Answers boxes;
    FollowUps followUps;
    DatabaseWriter writer(databaseJob(typedFields, Target::SQLite, file));
    ExportFailure failure;
    ASSERT_TRUE(exportRows(writer, typedRows, failure)) << qPrintable(failure.text());
    // The file was not there: made after the question.
    EXPECT_EQ(boxes.texts, QStringList{GetMessageTextByNr(242)});
    writer.startFollowUp();
    ASSERT_EQ(followUps.starts.size(), 1);
    EXPECT_EQ(followUps.starts[0].kind, ExportFollowUp::Kind::DesktopApp);
    EXPECT_EQ(followUps.starts[0].file, file);

    EXPECT_EQ(sqliteValue(file, u"SELECT sql FROM sqlite_master WHERE name = 'Kunde:Kunde'"_s),
              u"CREATE TABLE \"Kunde:Kunde\" (\"nummer\" INTEGER, \"umsatz\" DOUBLE PRECISION, \"aktiv\" BOOLEAN, "
              "\"gruendung\" DATE, \"kontakt\" TIMESTAMP, \"name\" VARCHAR(40), \"notiz\" TEXT, \"besuch\" "
              "VARCHAR(5))"_s);
    EXPECT_EQ(sqliteValue(file, u"SELECT count(*) FROM pragma_table_info('Kunde:Kunde') WHERE \"notnull\""_s), u"0"_s);
    EXPECT_EQ(sqliteValue(file, u"PRAGMA integrity_check"_s), u"ok"_s);

    const QJsonArray rows =
        sqliteRows(file, u"SELECT rowid, nummer, typeof(nummer) AS tn, umsatz, typeof(umsatz) AS tu, aktiv, "
                         "typeof(aktiv) AS ta, gruendung, kontakt, name, notiz, besuch, typeof(name) AS tname "
                         "FROM \"Kunde:Kunde\" ORDER BY rowid"_s);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].toObject(), (QJsonObject{{u"rowid"_s, 1},
                                               {u"nummer"_s, 123},
                                               {u"tn"_s, u"integer"_s},
                                               {u"umsatz"_s, 1234.56},
                                               {u"tu"_s, u"real"_s},
                                               {u"aktiv"_s, 1},
                                               {u"ta"_s, u"integer"_s},
                                               {u"gruendung"_s, u"2023-12-24"_s},
                                               {u"kontakt"_s, u"2023-12-24 10:30:15"_s},
                                               {u"name"_s, u"=1+1"_s},
                                               {u"notiz"_s, u"one\r\ntwo\r\nthree"_s},
                                               {u"besuch"_s, u"10:30"_s},
                                               {u"tname"_s, u"text"_s}}));
    // Empty values are NULL in every column, the Boolean's too.
    EXPECT_EQ(sqliteValue(file, u"SELECT count(*) FROM \"Kunde:Kunde\" WHERE rowid = 2 AND coalesce(nummer, umsatz, "
                                "aktiv, gruendung, kontakt, name, notiz, besuch) IS NULL"_s),
              u"1"_s);
    // What does not read as the column's type is kept as the text it is.
    EXPECT_EQ(rows[2].toObject().value(u"nummer"_s), u"abc"_s);
    EXPECT_EQ(rows[2].toObject().value(u"tn"_s), u"text"_s);
    EXPECT_EQ(rows[2].toObject().value(u"umsatz"_s), 12.5);
    EXPECT_EQ(rows[2].toObject().value(u"aktiv"_s), 0);
    EXPECT_EQ(rows[2].toObject().value(u"gruendung"_s), u"31.02.2023"_s);
    EXPECT_EQ(rows[2].toObject().value(u"kontakt"_s), u"2023-12-24 10:30:15"_s);
    EXPECT_EQ(rows[2].toObject().value(u"name"_s), u"O'Brien \"x\""_s);
}

TEST_F(Database, NamesWithAnyCharacterAreQuotedAndRepeatsMadeUnique)
{
    const QString file = path(u"names.sqlite"_s);
    ASSERT_FALSE(run(u"/usr/bin/sqlite3"_s, {file, u"CREATE TABLE other (x);"_s}).isNull());
    Answers boxes;
    ExportFailure failure;
    {
        // With the table-part prefix the columns are named by the query's names; a field
        // without one by its caption.
        ExportField untagged = field(u"Summe"_s);
        untagged.tag.clear();
        DatabaseWriter writer(databaseJob({field(u"nummer"_s, false), field(u"kunde^name"_s, true), untagged},
                                          Target::SQLite, file, u"a.b \"c\" [d]"_s, true));
        ASSERT_TRUE(exportRows(writer, {{u"1"_s, u"Meier"_s, u"3"_s}}, failure)) << qPrintable(failure.text());
    }
    {
        // Without, by the captions: repeated ones (also in another case) get a number, an
        // empty one its position.
        DatabaseWriter writer(databaseJob({field(u"name"_s), field(u"Name"_s), field(u"name"_s), field(u"name_2"_s),
                                           field(u"Kd.-Nr."_s), field(QString())},
                                          Target::SQLite, file, u"Kunde:Kunde"_s));
        ASSERT_TRUE(exportRows(writer, {{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s}}, failure))
            << qPrintable(failure.text());
    }
    EXPECT_TRUE(boxes.texts.isEmpty()) << qPrintable(boxes.texts.join(u'|'));
    EXPECT_EQ(sqliteValue(file, u"SELECT group_concat(name, '|') FROM pragma_table_info('a.b \"c\" [d]')"_s),
              u"0:nummer|1:kunde^name|Summe"_s);
    EXPECT_EQ(
        sqliteRows(file, u"SELECT * FROM \"a.b \"\"c\"\" [d]\""_s),
        (QJsonArray{QJsonObject{{u"0:nummer"_s, u"1"_s}, {u"1:kunde^name"_s, u"Meier"_s}, {u"Summe"_s, u"3"_s}}}));
    EXPECT_EQ(sqliteValue(file, u"SELECT group_concat(name, '|') FROM pragma_table_info('Kunde:Kunde')"_s),
              u"name|Name_2|name_3|name_2_2|Kd.-Nr.|F6"_s);
    EXPECT_EQ(sqliteValue(file, u"SELECT count(*) FROM sqlite_master WHERE type = 'table'"_s), u"3"_s);
    EXPECT_EQ(sqliteValue(file, u"PRAGMA integrity_check"_s), u"ok"_s);
}

TEST_F(Database, AFileIsMadeAndATableReplacedOnlyWhenTheUserAgrees)
{
    const QString file = path(u"ask.sqlite"_s);
    const QList<ExportField> fields{typedField(u"nummer"_s, u"I6"_s)};
    ExportFailure failure;
    int option = -1;
    {
        // No to a new file: nothing is made.
        Answers boxes({QMessageBox::No});
        DatabaseWriter writer(databaseJob(fields, Target::SQLite, file));
        EXPECT_FALSE(checkAsTheDialogDoes(writer, &option));
        ASSERT_EQ(boxes.texts.size(), 2);
        EXPECT_EQ(boxes.texts[0], GetMessageTextByNr(242));
        EXPECT_TRUE(boxes.texts[1].startsWith(GetMessageTextByNr(243) + u"\r\n"_s));
        EXPECT_FALSE(QFile::exists(file));
    }
    oldTable(file);
    {
        // Cancel to replacing the table: it stays as it was.
        Answers boxes({QMessageBox::Cancel});
        DatabaseWriter writer(databaseJob(fields, Target::SQLite, file));
        EXPECT_FALSE(exportRows(writer, {{u"1"_s}}, failure));
        EXPECT_EQ(boxes.texts, QStringList{GetMessageTextByNr(240) + u" Kunde:Kunde\r\n"_s + GetMessageTextByNr(239)});
        EXPECT_EQ(oldRows(file), u"kept,too"_s);
    }
    {
        // A name in another case is the same table to SQLite.
        Answers boxes;
        DatabaseWriter writer(databaseJob(fields, Target::SQLite, file, u"KUNDE:kunde"_s));
        ASSERT_TRUE(exportRows(writer, {{u"1"_s}, {u"2"_s}}, failure)) << qPrintable(failure.text());
        EXPECT_EQ(boxes.texts.size(), 1);
        EXPECT_EQ(sqliteValue(file, u"SELECT group_concat(nummer) FROM \"Kunde:Kunde\""_s), u"1,2"_s);
        EXPECT_EQ(sqliteValue(file, u"SELECT count(*) FROM sqlite_master"_s), u"1"_s);
    }
    {
        // An empty table name or no file name is refused at once.
        Answers boxes;
        DatabaseWriter unnamed(databaseJob(fields, Target::SQLite, file, QString()));
        EXPECT_FALSE(checkAsTheDialogDoes(unnamed, &option));
        EXPECT_EQ(option, ExportDatabaseWriter::Table);
        DatabaseWriter noFile(databaseJob(fields, Target::SQLite, QString()));
        EXPECT_FALSE(checkAsTheDialogDoes(noFile, &option));
        EXPECT_EQ(option, ExportDatabaseWriter::Database);
        EXPECT_EQ(boxes.texts, (QStringList{GetMessageTextByNr(285), GetMessageTextByNr(237)}));
    }
}

TEST_F(Database, TextGoesInAsUtf8AndACancelKeepsTheOldTable)
{
    const QString file = path(u"cancel.sqlite"_s);
    oldTable(file);
    const QList<ExportField> fields{typedField(u"nummer"_s, u"I6"_s), typedField(u"name"_s, u"GL40"_s)};
    const QString text = u"\u00dcberweisung \u65e5\u672c \U0001F600"_s;
    Answers boxes;
    ExportFailure failure;
    {
        // Replacing: the cancel leaves the user's table, and no row counts as written.
        DatabaseWriter writer(databaseJob(fields, Target::SQLite, file));
        ASSERT_TRUE(checkAsTheDialogDoes(writer) && writer.open(failure)) << qPrintable(failure.text());
        for (int n = 1; n <= 3; ++n)
            ASSERT_EQ(writer.writeRow({QString::number(n), text}, n, failure), ExportWriter::Step::Continue);
        writer.cancelled();
        ASSERT_TRUE(writer.finish(failure)) << qPrintable(failure.text());
        EXPECT_EQ(writer.rowsNotKept(), 3);
        EXPECT_EQ(writer.endNotes(), QStringList{FormatMessage(1222, QString(), u"Kunde:Kunde"_s)});
        EXPECT_EQ(oldRows(file), u"kept,too"_s);
    }
    {
        // A new table keeps the rows so far.
        DatabaseWriter writer(databaseJob(fields, Target::SQLite, file, u"neu"_s));
        ASSERT_TRUE(checkAsTheDialogDoes(writer) && writer.open(failure)) << qPrintable(failure.text());
        for (int n = 1; n <= 2; ++n)
            ASSERT_EQ(writer.writeRow({QString::number(n), text}, n, failure), ExportWriter::Step::Continue);
        writer.cancelled();
        ASSERT_TRUE(writer.finish(failure)) << qPrintable(failure.text());
        EXPECT_EQ(writer.rowsNotKept(), 0);
        EXPECT_TRUE(writer.endNotes().isEmpty());
    }
    EXPECT_EQ(
        sqliteValue(file, u"SELECT group_concat(name || '|' || length(name) || '|' || hex(name), ',') FROM neu"_s),
        QStringList(2, text + u"|16|"_s + QString::fromLatin1(text.toUtf8().toHex().toUpper())).join(u','));
    EXPECT_EQ(boxes.texts.size(), 1); // the question before the replace
}

// A database export in a child process whose files may grow to limit bytes only. The child
// ends with 0 when the export failed.
void exportWithFileLimit(const QString& file, long limit)
{
    std::signal(SIGXFSZ, SIG_IGN);
    Answers boxes;
    DatabaseWriter writer(DatabaseTest::databaseJob({typedField(u"nummer"_s, u"I9"_s), field(u"text"_s)},
                                                    Target::SQLite, file, u"Kunde:Kunde"_s));
    ExportFailure failure;
    if (!checkAsTheDialogDoes(writer))
        std::_Exit(2);
    const rlimit files{rlim_t(limit), rlim_t(limit)};
    setrlimit(RLIMIT_FSIZE, &files);
    bool failed = !writer.open(failure);
    for (int n = 1; !failed && n <= 100000; ++n)
        failed = writer.writeRow({QString::number(n), u"a value that fills the file quickly"_s}, n, failure) !=
                 ExportWriter::Step::Continue;
    if (!failed)
        failed = !writer.finish(failure);
    std::fprintf(stderr, "%s\n%s\n", qPrintable(failure.text()), qPrintable(boxes.texts.join(u'|')));
    std::fflush(stderr);
    std::_Exit(failed ? 0 : 1);
}

TEST_F(Database, AFileThatCannotGrowEndsTheExportAndLeavesTheOldTableOrNoNewFile)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString file = path(u"limited.sqlite"_s);
    oldTable(file);
    EXPECT_EXIT(exportWithFileLimit(file, 512 * 1024), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(oldRows(file), u"kept,too"_s);
    EXPECT_EQ(sqliteValue(file, u"PRAGMA integrity_check"_s), u"ok"_s);

    // A file made for the export goes again.
    const QString fresh = path(u"fresh.sqlite"_s);
    EXPECT_EXIT(exportWithFileLimit(fresh, 512 * 1024), ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(QFile::exists(fresh));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"limited.sqlite"_s});
}

TEST_F(Database, AnOdbcDataSourceTakesTheTableByConnectionStringOrName)
{
    const QString file = path(u"odbc.sqlite"_s);
    oldTable(file);
    const QString connection = u"DRIVER=SQLite3;Database="_s + file;
    ExportFailure failure;
    {
        // The old table goes only once the new one is complete.
        Answers boxes;
        FollowUps followUps;
        DatabaseWriter writer(databaseJob(typedFields, Target::Odbc, connection));
        EXPECT_TRUE(writer.isOdbc());
        ASSERT_TRUE(exportRows(writer, typedRows, failure)) << qPrintable(failure.text());
        EXPECT_EQ(boxes.texts, QStringList{GetMessageTextByNr(240) + u" Kunde:Kunde\r\n"_s + GetMessageTextByNr(239)});
        // A data source has no file for a program.
        writer.startFollowUp();
        EXPECT_TRUE(followUps.starts.isEmpty());
    }
    EXPECT_EQ(sqliteValue(file, u"SELECT group_concat(name, '|') FROM sqlite_master"_s), u"Kunde:Kunde"_s);
    EXPECT_EQ(sqliteValue(file, u"SELECT group_concat(type, '|') FROM pragma_table_info('Kunde:Kunde')"_s),
              u"INTEGER|DOUBLE PRECISION|SMALLINT|DATE|TIMESTAMP|TEXT|TEXT|TEXT"_s);
    const QJsonArray rows = sqliteRows(file, u"SELECT nummer, typeof(nummer) AS tn, umsatz, aktiv, name, notiz "
                                             "FROM \"Kunde:Kunde\" ORDER BY rowid"_s);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].toObject(), (QJsonObject{{u"nummer"_s, 123},
                                               {u"tn"_s, u"integer"_s},
                                               {u"umsatz"_s, 1234.56},
                                               {u"aktiv"_s, 1},
                                               {u"name"_s, u"=1+1"_s},
                                               {u"notiz"_s, u"one\r\ntwo\r\nthree"_s}}));
    EXPECT_EQ(sqliteValue(file, u"SELECT count(*) FROM \"Kunde:Kunde\" WHERE rowid = 2 AND coalesce(nummer, umsatz, "
                                "aktiv, gruendung, kontakt, name, notiz, besuch) IS NULL"_s),
              u"1"_s);
    EXPECT_EQ(rows[2].toObject().value(u"aktiv"_s), 0);
    EXPECT_EQ(sqliteValue(file, u"PRAGMA integrity_check"_s), u"ok"_s);

    // By the data source's name, also written as "DSN=", with more rows than one INSERT takes.
    const QString dsnFile = odbcDir->filePath(u"dsn.sqlite"_s);
    QList<QStringList> many;
    for (int n = 1; n <= OdbcTableWriter::GroupRows * 20 + 5; ++n)
        many.append({QString::number(n)});
    for (const QString& name : {u"klvtest"_s, u"DSN=klvtest;UID=nobody"_s}) {
        Answers boxes;
        DatabaseWriter writer(databaseJob({typedField(u"nummer"_s, u"I6"_s)}, Target::Odbc, name, u"many"_s));
        ASSERT_TRUE(exportRows(writer, many, failure)) << qPrintable(failure.text());
        EXPECT_EQ(sqliteValue(dsnFile, u"SELECT count(*) || ',' || sum(nummer) FROM many"_s),
                  QString::number(many.size()) + u',' + QString::number(many.size() * (many.size() + 1) / 2));
    }
    EXPECT_EQ(sqliteValue(dsnFile, u"SELECT group_concat(name) FROM sqlite_master"_s), u"many"_s);
}

TEST_F(Database, OdbcCancelAndFailureKeepTheOldTable)
{
    const QString file = path(u"odbc-keep.sqlite"_s);
    oldTable(file);
    const QString connection = u"DRIVER=SQLite3;Database="_s + file;
    ExportFailure failure;
    {
        Answers boxes({QMessageBox::Cancel});
        DatabaseWriter writer(databaseJob(typedFields, Target::Odbc, connection));
        EXPECT_FALSE(exportRows(writer, typedRows, failure));
    }
    {
        // Dropped mid-way: the rows so far go with their table.
        Answers boxes;
        DatabaseWriter writer(databaseJob(typedFields, Target::Odbc, connection));
        ASSERT_TRUE(checkAsTheDialogDoes(writer) && writer.open(failure));
        EXPECT_EQ(writer.writeRow(typedRows[0], 1, failure), ExportWriter::Step::Continue);
        writer.discard();
    }
    EXPECT_EQ(oldRows(file), u"kept,too"_s);
    EXPECT_EQ(sqliteValue(file, u"SELECT group_concat(name) FROM sqlite_master"_s), u"Kunde:Kunde"_s);

    // A data source that cannot be reached says so at the start.
    Answers boxes;
    DatabaseWriter writer(databaseJob(typedFields, Target::Odbc, u"no-such-source"_s));
    EXPECT_FALSE(checkAsTheDialogDoes(writer));
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith(GetMessageTextByNr(243) + u"\r\n"_s)) << qPrintable(boxes.texts[0]);
}

TEST(DatabaseNames, PasswordsAreLeftOutOfTheStoredConnectionString)
{
    EXPECT_EQ(ExportSettings::WithoutPassword(u"DRIVER={SQL Server};SERVER=db;UID=me;PWD=secret;Database=erp"_s),
              u"DRIVER={SQL Server};SERVER=db;UID=me;Database=erp"_s);
    EXPECT_EQ(ExportSettings::WithoutPassword(u"DSN=erp; password = {a;b}}c} ;UID=me;"_s), u"DSN=erp;UID=me"_s);
    EXPECT_EQ(ExportSettings::WithoutPassword(u"pwd=x"_s), QString());
    // Anything else is kept as it is, a file name too.
    for (const QString& text : {u"erp"_s, u"DSN=erp;UID=me;"_s, u"/home/me/PWD=x.sqlite"_s, u"DRIVER={a;PWD=b}"_s})
        EXPECT_EQ(ExportSettings::WithoutPassword(text), text);

    EXPECT_EQ(ExportDatabaseWriter::OdbcDatabaseName(u" DSN=erp;UID=me"_s), u"erp;UID=me"_s);
    EXPECT_EQ(ExportDatabaseWriter::OdbcDatabaseName(u"DSN=erp;DRIVER=x"_s), u"DSN=erp;DRIVER=x"_s);
    EXPECT_EQ(ExportDatabaseWriter::OdbcDatabaseName(u"erp"_s), u"erp"_s);
}
