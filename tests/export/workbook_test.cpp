// The workbook, read back with openpyxl: the sheet, the header, values with their types and
// number formats, column widths, a value that looks like a formula; the sheet-name check and
// the questions before a workbook is made or replaced; a cell that cannot be written; the
// sheet's last row; and writes that fail (the old workbook stays, no hidden file is left).
#include "ExportEngine.h"
#include "ExportRowSource.h"
#include "ExportWorkbookWriter.h"
#include "export_support.h"

#include "MainModul.h"

#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;
using namespace ExportTest;

// Cells read back show as JSON in a failure.
void PrintTo(const QJsonArray& array, std::ostream* out)
{
    *out << QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
}

namespace {

class Workbook : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(loadEnglishTexts()); }

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // The options of a workbook of the folder and a sheet "Kunde - Kunde".
    ExportWorkbookWriter::Options workbook(const QString& name) const
    {
        ExportWorkbookWriter::Options options;
        options.fileName = path(name);
        options.sheetName = u"Kunde - Kunde"_s;
        return options;
    }

    // Opens, writes every row and finishes; false at the first step that does not go on.
    static bool writeAll(ExportWorkbookWriter& writer, const QList<QStringList>& rows, ExportFailure& failure)
    {
        if (!writer.open(failure))
            return false;
        qint64 n = 0;
        for (const QStringList& row : rows) {
            if (writer.writeRow(row, ++n, failure) != ExportWriter::Step::Continue)
                return false;
        }
        return writer.finish(failure);
    }

    // The files in the folder: a finished or failed export leaves no hidden one behind.
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};

// [type, value, number format] of a cell read back.
QJsonArray cell(const QJsonValue& content, int row, int column)
{
    return content[u"rows"_s][row][column].toArray();
}

// Rows counted up from 1, one field.
class CountingRows : public ExportRowSource
{
public:
    explicit CountingRows(qint64 count) : m_count(count) {}
    bool next() override
    {
        if (m_cancelled || m_row >= m_count) {
            setState(State::Ended);
            return false;
        }
        ++m_row;
        return true;
    }
    void values(int count, QStringList& out) override
    {
        out.resize(count);
        out[0] = QString::number(m_row);
    }
    void cancel() override { m_cancelled = true; }

private:
    qint64 m_count;
    qint64 m_row = 0;
    bool m_cancelled = false;
};

} // namespace

TEST_F(Workbook, ValuesKeepTheirTypesAndColumnsTheirFormatsAndWidths)
{
    const QList<ExportField> fields{typedField(u"nummer"_s, u"I6"_s),      typedField(u"umsatz"_s, u"R12.2"_s),
                                    typedField(u"kredlim"_s, u"RT10.2"_s), typedField(u"gewicht"_s, u"M8.3"_s),
                                    typedField(u"gruendung"_s, u"GD8"_s),  typedField(u"kontakt"_s, u"GD14"_s),
                                    typedField(u"besuch"_s, u"Z"_s),       typedField(u"kw"_s, u"W"_s),
                                    typedField(u"name"_s, u"GL40"_s),      typedField(u"aktiv"_s, u"B"_s),
                                    typedField(u"notiz"_s, u"T120"_s),     typedField(u"kurz"_s, u"T20"_s)};
    const QList<QStringList> rows{
        {u"123"_s, u"1.234,56"_s, u"12.345,00"_s, u"1,5"_s, u"24.12.2023"_s, u"24.12.2023 10:30:15"_s, u"10:30"_s,
         u"51/2023"_s, u"=1+1"_s, u"1"_s, u"line one\nline two"_s, u"x"_s},
        {u"-7"_s, u"12.5"_s, QString(), u"0,125"_s, u"20231224"_s, u"20231224103015"_s, u"1030"_s, QString(),
         u"Müller"_s, u"0"_s, QString(), QString()},
        {u"abc"_s, u"1.2.3"_s, u"123456789012345678"_s, QString(), u"31.02.2023"_s, u"24.12.2023 25:00"_s, u"9:5"_s,
         QString(), u"=SUM(A1:A2)"_s, QString(), QString(), QString()},
    };
    FollowUps followUps;
    ExportWorkbookWriter::Options options = workbook(u"kunde.xlsx"_s);
    options.startProgram = true;
    ExportWorkbookWriter writer(job(1, fields), options);
    ExportFailure failure;
    ASSERT_TRUE(writeAll(writer, rows, failure)) << qPrintable(failure.text());
    writer.startFollowUp();
    ASSERT_EQ(followUps.starts.size(), 1);
    EXPECT_EQ(followUps.starts[0].kind, ExportFollowUp::Kind::DesktopApp);
    EXPECT_EQ(followUps.starts[0].file, path(u"kunde.xlsx"_s));
    EXPECT_EQ(files(), QStringList{u"kunde.xlsx"_s});

    const QJsonValue content = workbookContent(path(u"kunde.xlsx"_s));
    ASSERT_TRUE(content.isObject());
    EXPECT_EQ(content[u"sheets"_s].toArray(), QJsonArray{u"Kunde - Kunde"_s});
    // The header in the plain format, whatever the column's.
    for (int i = 0; i < fields.size(); ++i)
        EXPECT_EQ(cell(content, 0, i), (QJsonArray{u"str"_s, fields[i].caption, u"General"_s})) << i;

    const QJsonArray expected[3][12] = {
        {{u"int"_s, 123, u"0"_s},
         {u"float"_s, 1234.56, u"0.00"_s},
         {u"int"_s, 12345, u"0.00"_s},
         {u"float"_s, 1.5, u"0.000"_s},
         {u"datetime"_s, u"2023-12-24T00:00:00"_s, u"dd.mm.yyyy"_s},
         {u"datetime"_s, u"2023-12-24T10:30:15"_s, u"dd.mm.yyyy hh:mm"_s},
         {u"time"_s, u"10:30:00"_s, u"hh:mm"_s},
         {u"str"_s, u"51/2023"_s, u"@"_s},
         {u"str"_s, u"=1+1"_s, u"@"_s},
         {u"str"_s, u"1"_s, u"General"_s},
         {u"str"_s, u"line one\nline two"_s, u"@"_s},
         {u"str"_s, u"x"_s, u"@"_s}},
        {{u"int"_s, -7, u"0"_s},
         {u"float"_s, 12.5, u"0.00"_s},
         {u"none"_s},
         {u"float"_s, 0.125, u"0.000"_s},
         {u"datetime"_s, u"2023-12-24T00:00:00"_s, u"dd.mm.yyyy"_s},
         {u"datetime"_s, u"2023-12-24T10:30:15"_s, u"dd.mm.yyyy hh:mm"_s},
         {u"time"_s, u"10:30:00"_s, u"hh:mm"_s},
         {u"none"_s},
         {u"str"_s, u"Müller"_s, u"@"_s},
         {u"str"_s, u"0"_s, u"General"_s},
         {u"none"_s},
         {u"none"_s}},
        // What does not read as its type is text; a number of more digits than a double
        // keeps too.
        {{u"str"_s, u"abc"_s, u"0"_s},
         {u"str"_s, u"1.2.3"_s, u"0.00"_s},
         {u"str"_s, u"123456789012345678"_s, u"0.00"_s},
         {u"none"_s},
         {u"str"_s, u"31.02.2023"_s, u"dd.mm.yyyy"_s},
         {u"str"_s, u"24.12.2023 25:00"_s, u"dd.mm.yyyy hh:mm"_s},
         {u"str"_s, u"9:5"_s, u"hh:mm"_s},
         {u"none"_s},
         {u"str"_s, u"=SUM(A1:A2)"_s, u"@"_s},
         {u"none"_s},
         {u"none"_s},
         {u"none"_s}},
    };
    ASSERT_EQ(content[u"rows"_s].toArray().size(), 4);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 12; ++c) {
            // An empty value leaves the cell out: only its column formats it.
            const QJsonArray read = cell(content, r + 1, c);
            EXPECT_EQ(expected[r][c].size() == 1 ? QJsonArray{read[0]} : read, expected[r][c])
                << "row " << r + 1 << " column " << c;
        }
    }

    // Widths in characters (the file adds the spreadsheet's padding): numbers as wide as their
    // type, texts at most 80, date columns as wide as their format.
    const QJsonObject widths = content[u"widths"_s].toObject();
    const QList<std::pair<QString, double>> expectedWidths{{u"A"_s, 6},  {u"B"_s, 15}, {u"C"_s, 16}, {u"D"_s, 12},
                                                           {u"E"_s, 12}, {u"F"_s, 18}, {u"G"_s, 7},  {u"I"_s, 40},
                                                           {u"K"_s, 80}, {u"L"_s, 20}};
    for (const auto& [column, width] : expectedWidths)
        EXPECT_NEAR(widths[column].toDouble(), width + 0.71, 0.01) << qPrintable(column);
    EXPECT_FALSE(widths.contains(u"J"_s));
}

TEST_F(Workbook, WithoutFormattingDatesStillShowAsDatesAndRowsStartAtTheTop)
{
    const QList<ExportField> fields{typedField(u"nummer"_s, u"I6"_s), typedField(u"datum"_s, u"GD8"_s),
                                    typedField(u"zeit"_s, u"Z"_s), typedField(u"stempel"_s, u"GD14"_s),
                                    field(u"untyped"_s)};
    ExportWorkbookWriter::Options options = workbook(u"plain.xlsx"_s);
    options.formatColumns = false;
    options.withFieldNames = false;
    ExportWorkbookWriter writer(job(1, fields), options);
    ExportFailure failure;
    ASSERT_TRUE(writeAll(writer, {{u"5"_s, u"01.02.2024"_s, u"08:15"_s, u"01.02.24 08:15"_s, u"42"_s}}, failure));
    const QJsonValue content = workbookContent(path(u"plain.xlsx"_s));
    ASSERT_EQ(content[u"rows"_s].toArray().size(), 1);
    EXPECT_EQ(cell(content, 0, 0), (QJsonArray{u"int"_s, 5, u"General"_s}));
    // The spreadsheet's own date and time formats, shown in the reader's locale.
    EXPECT_EQ(cell(content, 0, 1), (QJsonArray{u"datetime"_s, u"2024-02-01T00:00:00"_s, u"mm-dd-yy"_s}));
    EXPECT_EQ(cell(content, 0, 2), (QJsonArray{u"time"_s, u"08:15:00"_s, u"h:mm"_s}));
    EXPECT_EQ(cell(content, 0, 3), (QJsonArray{u"datetime"_s, u"2024-02-01T08:15:00"_s, u"m/d/yy h:mm"_s}));
    // A field of no known type is text.
    EXPECT_EQ(cell(content, 0, 4), (QJsonArray{u"str"_s, u"42"_s, u"General"_s}));
    // No column is widened.
    for (const QJsonValue width : content[u"widths"_s].toObject())
        EXPECT_LT(width.toDouble(), 9.2);
}

TEST_F(Workbook, SheetNamesAreCheckedBeforeAnythingIsTouched)
{
    for (const QString& name : {u"Kunde - Kunde"_s, QString(31, u'x'), QString(31, QChar(0xE4)), u"a'b"_s})
        EXPECT_TRUE(ExportWorkbookWriter::ValidSheetName(name)) << qPrintable(name);
    for (const QString& name : {QString(), QString(32, u'x'), u"a[b"_s, u"a]b"_s, u"a:b"_s, u"a*b"_s, u"a?b"_s,
                                u"a/b"_s, u"a\\b"_s, u"'ab"_s, u"ab'"_s})
        EXPECT_FALSE(ExportWorkbookWriter::ValidSheetName(name)) << qPrintable(name);

    ExportWorkbookWriter::Options options = workbook(u"sheet.xlsx"_s);
    options.sheetName = u"Kunde:Kunde/1"_s;
    ExportWorkbookWriter writer(job(1, {field(u"nr"_s)}), options);
    const ExportCheck check = writer.checkTarget();
    EXPECT_FALSE(check.passed());
    EXPECT_EQ(check.message(), MainModul::GetMessageTextByNr(283));
    EXPECT_EQ(check.option(), ExportWorkbookWriter::SheetName);
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(Workbook, AWorkbookIsMadeOrReplacedOnlyWhenTheUserAgrees)
{
    using MainModul::GetMessageTextByNr;
    const QString file = path(u"book.xlsx"_s);
    const ExportJob j = job(1, {typedField(u"nr"_s, u"I6"_s)});
    // The target is looked at before anything is stored, the questions asked after.
    const auto confirm = [&](Prompts& prompts) {
        ExportWorkbookWriter writer(j, workbook(u"book.xlsx"_s));
        writer.setPrompt(&prompts);
        EXPECT_TRUE(writer.checkTarget().passed());
        EXPECT_TRUE(prompts.asked.isEmpty());
        return writer.confirmTarget();
    };
    {
        // No workbook: the user is asked to make one; No ends the start.
        Prompts prompts({false});
        const ExportCheck check = confirm(prompts);
        EXPECT_FALSE(check.passed());
        EXPECT_EQ(prompts.asked, QStringList{GetMessageTextByNr(247)});
        EXPECT_EQ(prompts.choices, QList{ExportPrompt::Choice::YesNo});
        EXPECT_TRUE(check.message().startsWith(GetMessageTextByNr(248) + u"\r\n"_s));
        EXPECT_FALSE(QFile::exists(file));
    }
    {
        // One that exists: the question says the whole file goes; Cancel keeps it as it is.
        ASSERT_TRUE(writeFile(file, "an older workbook"));
        Prompts prompts({false});
        const ExportCheck check = confirm(prompts);
        EXPECT_FALSE(check.passed());
        EXPECT_TRUE(check.message().isEmpty());
        EXPECT_EQ(prompts.asked,
                  QStringList{GetMessageTextByNr(238) + u' ' + file + u"\r\n"_s + GetMessageTextByNr(239)});
        EXPECT_EQ(prompts.choices, QList{ExportPrompt::Choice::OkCancel});
        EXPECT_EQ(readFile(file), QByteArray("an older workbook"));
    }
    {
        // OK: a new workbook with the export's sheet alone takes its place.
        Prompts prompts;
        ExportWorkbookWriter writer(j, workbook(u"book.xlsx"_s));
        writer.setPrompt(&prompts);
        EXPECT_TRUE(writer.confirmTarget().passed());
        ExportFailure failure;
        ASSERT_TRUE(writeAll(writer, {{u"1"_s}}, failure));
        EXPECT_EQ(workbookContent(file)[u"sheets"_s].toArray(), QJsonArray{u"Kunde - Kunde"_s});
    }
    {
        // An empty file is taken without a question.
        ASSERT_TRUE(writeFile(file, QByteArray()));
        Prompts prompts;
        EXPECT_TRUE(confirm(prompts).passed());
        EXPECT_TRUE(prompts.asked.isEmpty());
    }
    EXPECT_EQ(files(), QStringList{u"book.xlsx"_s});
}

TEST_F(Workbook, ACellThatCannotBeWrittenAsksWhetherToGoOn)
{
    using MainModul::GetMessageTextByNr;
    // A cell holds at most 32,767 characters.
    const QString tooLong(40000, u'x');
    ExportWorkbookWriter writer(job(1, {field(u"text"_s), field(u"nr"_s)}), workbook(u"cells.xlsx"_s));
    Prompts prompts({true, false});
    writer.setPrompt(&prompts);
    ExportFailure failure;
    ASSERT_TRUE(writer.open(failure));
    {
        EXPECT_EQ(writer.writeRow({tooLong, u"1"_s}, 1, failure), ExportWriter::Step::Continue);
        ASSERT_EQ(prompts.asked.size(), 1);
        EXPECT_EQ(prompts.choices, QList{ExportPrompt::Choice::OkCancel});
        const QString& text = prompts.asked[0];
        EXPECT_TRUE(text.startsWith(GetMessageTextByNr(286) + u"\r\n"_s)) << qPrintable(text);
        EXPECT_TRUE(text.contains(u"\r\n"_s + GetMessageTextByNr(287) + u" 1\r\n"_s)) << qPrintable(text);
        EXPECT_TRUE(text.contains(GetMessageTextByNr(288) + u" text = xxx"_s)) << qPrintable(text);
        EXPECT_LT(text.size(), 1000);
    }
    EXPECT_EQ(writer.writeRow({tooLong, u"2"_s}, 2, failure), ExportWriter::Step::Cancel);
    EXPECT_EQ(prompts.asked.size(), 2);
    ASSERT_TRUE(writer.finish(failure));
    const QJsonValue content = workbookContent(path(u"cells.xlsx"_s));
    // After OK the row goes on without the cell.
    EXPECT_EQ(cell(content, 1, 0)[0], u"none"_s);
    EXPECT_EQ(cell(content, 1, 1)[1], u"1"_s);
}

TEST_F(Workbook, AFullSheetEndsTheExportOnceWithEveryRowUpToItsLast)
{
    Prompts prompts;
    auto writer =
        std::make_unique<ExportWorkbookWriter>(job(1, {typedField(u"nr"_s, u"I9"_s)}), workbook(u"full.xlsx"_s));
    writer->setPrompt(&prompts);
    ExportFailure failure;
    ASSERT_TRUE(writer->open(failure));
    auto* engine =
        new ExportEngine(std::make_unique<CountingRows>(ExportWorkbookWriter::MaxSheetRows + 10), std::move(writer), 1);
    QEventLoop loop;
    ExportEngine::Outcome outcome = ExportEngine::Outcome::ReadFailed;
    qint64 finalCount = 0;
    QObject::connect(engine, &ExportEngine::recordCount, [&finalCount](qint64 rows) { finalCount = rows; });
    QObject::connect(engine, &ExportEngine::finished, [&](ExportEngine::Outcome o) {
        outcome = o;
        loop.quit();
    });
    engine->start();
    QTimer::singleShot(240000, &loop, &QEventLoop::quit);
    loop.exec();

    // The header takes the first row: 1,048,575 records, told once.
    const qint64 records = ExportWorkbookWriter::MaxSheetRows - 1;
    EXPECT_EQ(outcome, ExportEngine::Outcome::Cancelled);
    EXPECT_EQ(finalCount, records);
    EXPECT_EQ(prompts.told, QStringList{MainModul::FormatMessage(284, QString(), QString::number(records))});
    EXPECT_TRUE(prompts.asked.isEmpty());
    const QJsonValue rows =
        python(u"import json,re,sys,zipfile\n"
               "x = zipfile.ZipFile(sys.argv[1]).read('xl/worksheets/sheet1.xml')\n"
               "last = x[x.rfind(b'<row '):]\n"
               "print(json.dumps([x.count(b'<row '), re.search(rb'<v>(\\d+)</v>', last).group(1).decode()]))\n"_s,
               {path(u"full.xlsx"_s)});
    EXPECT_EQ(rows, (QJsonArray{double(ExportWorkbookWriter::MaxSheetRows), QString::number(records)}));
}

// A workbook export in a child process whose files may grow to limit bytes only, a write
// beyond being an error of the write rather than a signal. The old workbook stays and no
// hidden file is left; the child ends with 0 when the export failed as it should.
void exportWithFileLimit(const QString& folder, long limit, int rows)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit files{rlim_t(limit), rlim_t(limit)};
    setrlimit(RLIMIT_FSIZE, &files);
    ExportWorkbookWriter::Options options;
    options.fileName = folder + u"/limited.xlsx"_s;
    options.sheetName = u"S"_s;
    ExportWorkbookWriter writer(job(1, {typedField(u"nr"_s, u"I9"_s), field(u"name"_s)}), options);
    ExportFailure failure;
    bool failed = !writer.open(failure);
    for (int n = 1; !failed && n <= rows; ++n)
        failed = writer.writeRow({QString::number(n), u"a value that fills the file"_s}, n, failure) ==
                 ExportWriter::Step::Fail;
    if (!failed)
        failed = !writer.finish(failure);
    std::fprintf(stderr, "%s\n", qPrintable(failure.text()));
    std::fflush(stderr);
    std::_Exit(failed && failure.message == 249 ? 0 : 1);
}

TEST_F(Workbook, AWriteThatFailsKeepsTheOldWorkbookAndLeavesNoHiddenFile)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString file = path(u"limited.xlsx"_s);
    const auto keepsOld = [&] {
        return readFile(file) == QByteArray("old workbook") && files() == QStringList{u"limited.xlsx"_s};
    };
    ASSERT_TRUE(writeFile(file, "old workbook"));
    // The rows outgrow the limit on their way.
    EXPECT_EXIT(exportWithFileLimit(dir.path(), 256 * 1024, 50000), ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(keepsOld());

    // The rows fit, but copying them into the workbook does not: the library reports no
    // failure there itself. The limit lies a little beyond the rows' own bytes.
    {
        const QString reference = path(u"reference.xlsx"_s);
        ExportWorkbookWriter::Options options;
        options.fileName = reference;
        options.sheetName = u"S"_s;
        ExportWorkbookWriter writer(job(1, {typedField(u"nr"_s, u"I9"_s), field(u"name"_s)}), options);
        QList<QStringList> rows;
        for (int n = 1; n <= 2000; ++n)
            rows.append({QString::number(n), u"a value that fills the file"_s});
        ExportFailure failure;
        ASSERT_TRUE(writeAll(writer, rows, failure));
        const QJsonValue sizes = python(u"import json,sys,zipfile\n"
                                        "x = zipfile.ZipFile(sys.argv[1]).read('xl/worksheets/sheet1.xml')\n"
                                        "start = x.index(b'<sheetData>') + len(b'<sheetData>')\n"
                                        "print(json.dumps([x.index(b'</sheetData>') - start]))\n"_s,
                                        {reference});
        ASSERT_TRUE(QFile::remove(reference));
        const long rowBytes = long(sizes[0].toDouble());
        ASSERT_GT(rowBytes, 10000);
        EXPECT_EXIT(exportWithFileLimit(dir.path(), rowBytes + 10, 2000), ::testing::ExitedWithCode(0), "");
        EXPECT_TRUE(keepsOld());
    }
}
