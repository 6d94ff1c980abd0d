// The workbook, read back with openpyxl: the sheet, the header, values with their types and
// number formats, column widths, a value that looks like a formula; the sheet-name check and
// the questions before a workbook is made or a sheet replaced; texts that look like character
// codes; a cell that cannot be written; the sheet's last row; and writes that fail (the old
// workbook stays, no hidden file is left).
#include "ExportEngine.h"
#include "ExportRowSource.h"
#include "ExportWorkbookWriter.h"
#include "export_support.h"
#include "workbook_support.h"

#include "MainModul.h"

#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ExportTest;
using WorkbookTest::WorkbookWriter;

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

    // An export of the fields into the folder's workbook, sheet "Kunde - Kunde".
    WorkbookTest::WorkbookExport
    workbookJob(const QList<ExportField>& fields, const QString& name,
                const std::function<void(ExportWorkbookWriter::Options&)>& change = {}) const
    {
        return WorkbookTest::workbookJob(path(name), u"Kunde - Kunde"_s, fields, change);
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
    WorkbookWriter writer(
        workbookJob(fields, u"kunde.xlsx"_s, [](ExportWorkbookWriter::Options& o) { o.startProgram = true; }));
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
    WorkbookWriter writer(workbookJob(fields, u"plain.xlsx"_s, [](ExportWorkbookWriter::Options& o) {
        o.formatColumns = false;
        o.withFieldNames = false;
    }));
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

    Answers boxes;
    WorkbookWriter writer(workbookJob({field(u"nr"_s)}, u"sheet.xlsx"_s,
                                      [](ExportWorkbookWriter::Options& o) { o.sheetName = u"Kunde:Kunde/1"_s; }));
    int option = -1;
    EXPECT_FALSE(checkAsTheDialogDoes(writer, &option));
    EXPECT_EQ(boxes.texts, QStringList{MainModul::GetMessageTextByNr(283)});
    EXPECT_EQ(option, ExportWorkbookWriter::SheetName);
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(Workbook, AWorkbookIsMadeOrReplacedOnlyWhenTheUserAgrees)
{
    using MainModul::GetMessageTextByNr;
    const QString file = path(u"book.xlsx"_s);
    const WorkbookTest::WorkbookExport j = workbookJob({typedField(u"nr"_s, u"I6"_s)}, u"book.xlsx"_s);
    {
        // No workbook: the user is asked to make one; No ends the start.
        Answers boxes({QMessageBox::No});
        WorkbookWriter writer(j);
        EXPECT_FALSE(checkAsTheDialogDoes(writer));
        ASSERT_EQ(boxes.texts.size(), 2);
        EXPECT_EQ(boxes.texts[0], GetMessageTextByNr(247));
        EXPECT_TRUE(boxes.texts[1].startsWith(GetMessageTextByNr(248) + u"\r\n"_s));
        EXPECT_FALSE(QFile::exists(file));
    }
    {
        // Yes: a new workbook with the export's sheet alone.
        Answers boxes({QMessageBox::Yes});
        WorkbookWriter writer(j);
        EXPECT_TRUE(checkAsTheDialogDoes(writer));
        EXPECT_EQ(boxes.texts, QStringList{GetMessageTextByNr(247)});
        ExportFailure failure;
        ASSERT_TRUE(writeAll(writer, {{u"1"_s}}, failure));
        EXPECT_EQ(workbookContent(file)[u"sheets"_s].toArray(), QJsonArray{u"Kunde - Kunde"_s});
    }
    {
        // Its sheet exists: the question names the sheet; Cancel keeps the workbook as it is.
        const QByteArray written = readFile(file);
        Answers boxes({QMessageBox::Cancel});
        WorkbookWriter writer(j);
        EXPECT_FALSE(checkAsTheDialogDoes(writer));
        EXPECT_EQ(boxes.texts,
                  QStringList{GetMessageTextByNr(238) + u" Kunde - Kunde\r\n"_s + GetMessageTextByNr(239)});
        EXPECT_EQ(readFile(file), written);
    }
    {
        // OK: the sheet is replaced.
        Answers boxes;
        WorkbookWriter writer(j);
        EXPECT_TRUE(checkAsTheDialogDoes(writer));
        ExportFailure failure;
        ASSERT_TRUE(writeAll(writer, {{u"2"_s}}, failure));
        const QJsonValue content = workbookContent(file);
        EXPECT_EQ(content[u"sheets"_s].toArray(), QJsonArray{u"Kunde - Kunde"_s});
        EXPECT_EQ(cell(content, 1, 0), (QJsonArray{u"int"_s, 2, u"0"_s}));
    }
    {
        // An empty file is taken without a question.
        ASSERT_TRUE(writeFile(file, QByteArray()));
        Answers boxes;
        WorkbookWriter writer(j);
        EXPECT_TRUE(checkAsTheDialogDoes(writer));
        EXPECT_TRUE(boxes.texts.isEmpty());
    }
    EXPECT_EQ(files(), QStringList{u"book.xlsx"_s});
}

TEST_F(Workbook, TextsThatLookLikeCharacterCodesReadBackAsTheyWere)
{
    // A reader takes "_x" with four hexadecimal digits and "_" for the character of that code;
    // control characters are written as such codes, once, a NUL too (not the end of the text).
    const QStringList texts{u"_x0041_"_s,          u"a_x00e9_b_X0041_"_s, u"_x005F_x0041_"_s, u"_x41_ _xGGGG_"_s,
                            u"tab\there\x01end"_s, u"__x0041__"_s,        u"_x004"_s,         u"nul\0inside_x0041_"_s};
    QList<QStringList> rows;
    for (const QString& t : texts)
        rows.append({t});
    WorkbookWriter writer(workbookJob({field(u"_x0042_"_s)}, u"codes.xlsx"_s));
    ExportFailure failure;
    ASSERT_TRUE(writeAll(writer, rows, failure)) << qPrintable(failure.text());
    // The cells' texts as stored, decoded by openpyxl's own rule for such codes.
    const QJsonValue read = python(u"import json,sys,zipfile\n"
                                   "import xml.etree.ElementTree as ET\n"
                                   "from openpyxl.utils.escape import unescape\n"
                                   "x = ET.fromstring(zipfile.ZipFile(sys.argv[1]).read('xl/worksheets/sheet1.xml'))\n"
                                   "ns = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'\n"
                                   "print(json.dumps([unescape(t.text) for t in x.iter(ns + 't')]))\n"_s,
                                   {path(u"codes.xlsx"_s)});
    EXPECT_EQ(read.toArray(), QJsonArray::fromStringList(QStringList{u"_x0042_"_s} + texts));
    EXPECT_EQ(ExportWorkbookWriter::CellText(u"plain text"_s), u"plain text"_s);
}

TEST_F(Workbook, ACellThatCannotBeWrittenAsksWhetherToGoOn)
{
    using MainModul::GetMessageTextByNr;
    // A cell holds at most 32,767 characters.
    const QString tooLong(40000, u'x');
    WorkbookWriter writer(workbookJob({field(u"text"_s), field(u"nr"_s)}, u"cells.xlsx"_s));
    // The questions on the way as the dialog asks them.
    writer.setPrompt(&BoxPrompt::instance());
    ExportFailure failure;
    ASSERT_TRUE(writer.open(failure));
    {
        Answers boxes({QMessageBox::Ok});
        EXPECT_EQ(writer.writeRow({tooLong, u"1"_s}, 1, failure), ExportWriter::Step::Continue);
        ASSERT_EQ(boxes.texts.size(), 1);
        const QString& text = boxes.texts[0];
        EXPECT_TRUE(text.startsWith(GetMessageTextByNr(286) + u"\r\n"_s)) << qPrintable(text);
        EXPECT_TRUE(text.contains(u"\r\n"_s + GetMessageTextByNr(287) + u" 1\r\n"_s)) << qPrintable(text);
        EXPECT_TRUE(text.contains(GetMessageTextByNr(288) + u" text = xxx"_s)) << qPrintable(text);
        EXPECT_LT(text.size(), 1000);
    }
    {
        Answers boxes({QMessageBox::Cancel});
        EXPECT_EQ(writer.writeRow({tooLong, u"2"_s}, 2, failure), ExportWriter::Step::Cancel);
        EXPECT_EQ(boxes.texts.size(), 1);
    }
    ASSERT_TRUE(writer.finish(failure));
    const QJsonValue content = workbookContent(path(u"cells.xlsx"_s));
    // After OK the row goes on without the cell.
    EXPECT_EQ(cell(content, 1, 0)[0], u"none"_s);
    EXPECT_EQ(cell(content, 1, 1)[1], u"1"_s);
}

TEST_F(Workbook, AFullSheetEndsTheExportOnceWithEveryRowUpToItsLast)
{
    Answers boxes;
    auto writer = std::make_unique<WorkbookWriter>(workbookJob({typedField(u"nr"_s, u"I9"_s)}, u"full.xlsx"_s));
    writer->setPrompt(&BoxPrompt::instance());
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
    // Not cancelled: the export ended where the sheet did.
    EXPECT_EQ(outcome, ExportEngine::Outcome::Stopped);
    EXPECT_EQ(finalCount, records);
    EXPECT_EQ(boxes.texts, QStringList{MainModul::FormatMessage(284, QString(), QString::number(records))});
    const QJsonValue rows =
        python(u"import json,re,sys,zipfile\n"
               "x = zipfile.ZipFile(sys.argv[1]).read('xl/worksheets/sheet1.xml')\n"
               "last = x[x.rfind(b'<row '):]\n"
               "print(json.dumps([x.count(b'<row '), re.search(rb'<v>(\\d+)</v>', last).group(1).decode()]))\n"_s,
               {path(u"full.xlsx"_s)});
    EXPECT_EQ(rows, (QJsonArray{double(ExportWorkbookWriter::MaxSheetRows), QString::number(records)}));
}

// A workbook export in a child process whose files may grow to limit bytes only, a write
// beyond being an error of the write rather than a signal: true when it failed as it should.
bool failsWithFileLimit(const QString& file, long limit, int rows)
{
    const int status = WorkbookTest::inChild(limit, true, [&] {
        WorkbookWriter writer(
            WorkbookTest::workbookJob(file, u"S"_s, {typedField(u"nr"_s, u"I9"_s), field(u"name"_s)}));
        ExportFailure failure;
        bool failed = !writer.open(failure);
        for (int n = 1; !failed && n <= rows; ++n)
            failed = writer.writeRow({QString::number(n), u"a value that fills the file"_s}, n, failure) ==
                     ExportWriter::Step::Fail;
        if (!failed)
            failed = !writer.finish(failure);
        return failed && failure.message == 249 ? 0 : 1;
    });
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(Workbook, AWriteThatFailsKeepsTheOldWorkbookAndLeavesNoHiddenFile)
{
    const QString file = path(u"limited.xlsx"_s);
    ASSERT_TRUE(WorkbookTest::writeWithOpenpyxl(file, u"wb = openpyxl.Workbook()\n"
                                                      "wb.active['A1'] = 'old workbook'\n"
                                                      "wb.save(path)\n"_s));
    const QByteArray old = readFile(file);
    const auto keepsOld = [&] { return readFile(file) == old && files() == QStringList{u"limited.xlsx"_s}; };
    // The rows outgrow the limit on their way.
    EXPECT_TRUE(failsWithFileLimit(file, 256 * 1024, 50000));
    EXPECT_TRUE(keepsOld());

    // The rows fit, but copying them into the workbook does not: the library reports no
    // failure there itself. The limit lies a little beyond the rows' own bytes.
    {
        const QString reference = path(u"reference.xlsx"_s);
        WorkbookWriter writer(
            WorkbookTest::workbookJob(reference, u"S"_s, {typedField(u"nr"_s, u"I9"_s), field(u"name"_s)}));
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
        EXPECT_TRUE(failsWithFileLimit(file, rowBytes + 10, 2000));
        EXPECT_TRUE(keepsOld());
    }
}
