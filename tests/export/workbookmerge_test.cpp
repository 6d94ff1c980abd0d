// An export into a workbook that exists, read back with openpyxl and Python's zip and XML
// readers: the workbook's other sheets, names, styles and parts stay; the export's sheet is
// replaced or added where the spreadsheet puts it; files that are no workbook, and sheets the
// spreadsheet would refuse, are refused and the files left as they were; a killed export leaves nothing a user would
// keep, and the next export to the folder removes what it left.
#include "ExportTemporaryFiles.h"
#include "ExportWorkbookWriter.h"
#include "WorkbookMerge.h"
#include "export_support.h"
#include "workbook_support.h"

#include "MainModul.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace ExportTest;
using namespace WorkbookTest;
using MainModul::GetMessageTextByNr;

// Values read back show as JSON in a failure.
void PrintTo(const QJsonValue& value, std::ostream* out)
{
    *out << (value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject()))
                .toJson(QJsonDocument::Compact)
                .toStdString();
}

namespace {

// Another program's workbook: three sheets, the second the export's, with number formats,
// fonts, formulas (one refers to the export's sheet), widths, a comment, a print area and
// names; the first sheet is active.
const QString OtherProgramsWorkbook =
    u"wb = openpyxl.Workbook()\n"
    "ws = wb.active\n"
    "ws.title = 'Umsatz'\n"
    "ws['A1'] = 'Monat'\n"
    "ws['A1'].font = Font(name='Arial', size=12, bold=True)\n"
    "for i, (m, v) in enumerate([('Jan', 1234.5), ('Feb', 99.25), ('Mar', -7)], start=2):\n"
    "    ws.cell(i, 1, m)\n"
    "    ws.cell(i, 2, v).number_format = '#,##0.00 \"EUR\"'\n"
    "ws['B5'] = '=SUM(B2:B4)'\n"
    "ws['B5'].number_format = '0.0%'\n"
    "ws['C2'] = \"='Kunde - Kunde'!A2*2\"\n"
    "ws.column_dimensions['A'].width = 22.5\n"
    "ws.column_dimensions['B'].width = 14\n"
    "old = wb.create_sheet('Kunde - Kunde')\n"
    "old['A1'] = 'old rows'\n"
    "old['A2'] = 42\n"
    "old['A1'].comment = Comment('a note', 'someone')\n"
    "old.print_area = 'A1:B2'\n"
    "notes = wb.create_sheet('Notizen')\n"
    "notes['A1'] = 'keep me'\n"
    "notes['B1'] = datetime.date(2024, 1, 31)\n"
    "notes['B1'].number_format = 'yyyy-mm-dd'\n"
    "notes.print_area = 'A1:B1'\n"
    "wb.defined_names.append(DefinedName('Gesamt', attr_text='Umsatz!$B$5'))\n"
    "wb.defined_names.append(DefinedName('Alt', attr_text=\"'Kunde - Kunde'!$A$1:$A$2\"))\n"
    "wb.active = 0\n"
    "wb.save(path)\n"_s;

// The same with a sheet of texts that do not compress: the workbook outgrows what the export's
// own sheet needs.
const QString BigWorkbook = OtherProgramsWorkbook.left(OtherProgramsWorkbook.lastIndexOf(u"wb.save")) +
                            u"import random\n"
                            "random.seed(7)\n"
                            "big = wb.create_sheet('Gross')\n"
                            "for r in range(1, 2000):\n"
                            "    big.cell(r, 1, '%032x' % random.getrandbits(128))\n"
                            "wb.save(path)\n"_s;

const QList<ExportField> Fields{typedField(u"nummer"_s, u"I6"_s), typedField(u"betrag"_s, u"R12.2"_s),
                                typedField(u"datum"_s, u"GD8"_s), typedField(u"name"_s, u"GL40"_s)};
const QList<QStringList> Rows{{u"1"_s, u"12,50"_s, u"24.12.2023"_s, u"Müller"_s},
                              {u"2"_s, u"-3,25"_s, u"01.01.2024"_s, u"_x0041_"_s}};

// The cells the export writes for Rows, as openpyxl reads them back.
QJsonArray exportedCells()
{
    const auto c = [](const char* cell, const char* type, const QJsonValue& value, const char* format) {
        return QJsonArray{QString::fromLatin1(cell), QString::fromLatin1(type), value, QString::fromLatin1(format)};
    };
    return {c("A1", "s", u"nummer"_s, "General"), c("B1", "s", u"betrag"_s, "General"),
            c("C1", "s", u"datum"_s, "General"), c("D1", "s", u"name"_s, "General"), c("A2", "n", 1, "0"),
            c("B2", "n", 12.5, "0.00"), c("C2", "d", u"2023-12-24T00:00:00"_s, "dd.mm.yyyy"),
            c("D2", "s", u"Müller"_s, "@"), c("A3", "n", 2, "0"), c("B3", "n", -3.25, "0.00"),
            c("C3", "d", u"2024-01-01T00:00:00"_s, "dd.mm.yyyy"),
            // openpyxl takes inline text as it stands: the escaped underscore shows.
            c("D3", "s", u"_x005F_x0041_"_s, "@")};
}

// [cell, type, value, number format] of a sheet's cells, without the fonts.
QJsonArray cellsOf(const QJsonValue& snapshot, const QString& sheet)
{
    QJsonArray out;
    for (const QJsonValue c : snapshot[u"content"_s][sheet][u"cells"_s].toArray())
        out.append(QJsonArray{c[0], c[1], c[2], c[3]});
    return out;
}

class WorkbookMergeTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(loadEnglishTexts()); }

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // Checks the target and exports Rows into the sheet, the questions answered by answers.
    bool exportInto(const QString& file, const QString& sheet, Answers& /*boxes*/, ExportFailure& failure,
                    const QList<QStringList>& rows = Rows) const
    {
        WorkbookWriter writer(workbookJob(file, sheet, Fields));
        if (!checkAsTheDialogDoes(writer))
            return false;
        return writeRows(writer, rows, failure);
    }
};

} // namespace

TEST_F(WorkbookMergeTest, ReplacingASheetKeepsEverythingElseOfTheWorkbook)
{
    const QString file = path(u"fremd.xlsx"_s);
    ASSERT_TRUE(writeWithOpenpyxl(file, OtherProgramsWorkbook));
    const QJsonValue before = snapshot(file);
    ASSERT_TRUE(before.isObject());
    ASSERT_EQ(package(file)[u"problems"_s].toArray(), QJsonArray());

    Answers boxes;
    ExportFailure failure;
    ASSERT_TRUE(exportInto(file, u"Kunde - Kunde"_s, boxes, failure)) << qPrintable(failure.text());
    // The question names the sheet, not the file.
    EXPECT_EQ(boxes.texts, QStringList{GetMessageTextByNr(238) + u" Kunde - Kunde\r\n"_s + GetMessageTextByNr(239)});
    EXPECT_EQ(GetMessageTextByNr(238), u"The worksheet already exists:"_s);

    const QJsonValue after = snapshot(file);
    ASSERT_TRUE(after.isObject());
    // Not the active sheet: the new one goes before the active sheet, which stays active.
    EXPECT_EQ(after[u"sheets"_s].toArray(), (QJsonArray{u"Kunde - Kunde"_s, u"Umsatz"_s, u"Notizen"_s}));
    EXPECT_EQ(after[u"active"_s].toInt(), 1);
    EXPECT_EQ(after[u"firstTab"_s].toInt(), 0);
    EXPECT_FALSE(after[u"content"_s][u"Kunde - Kunde"_s][u"selected"_s].toBool());
    // The other sheets as they were: values, formulas, number formats, fonts, widths, print
    // areas. A formula that refers to the new sheet by name stays as it was written.
    for (const QString& sheet : {u"Umsatz"_s, u"Notizen"_s})
        EXPECT_EQ(after[u"content"_s][sheet], before[u"content"_s][sheet]) << qPrintable(sheet);
    // The names: the replaced sheet's own is gone, one that referred to it refers to nothing,
    // the others are as they were.
    EXPECT_EQ(after[u"names"_s].toArray(), (QJsonArray{QJsonArray{u"Alt"_s, QJsonValue(), u"#REF!$A$1:$A$2"_s},
                                                       QJsonArray{u"Gesamt"_s, QJsonValue(), u"Umsatz!$B$5"_s}}));
    EXPECT_TRUE(after[u"content"_s][u"Kunde - Kunde"_s][u"printArea"_s].isNull());
    EXPECT_EQ(after[u"content"_s][u"Notizen"_s][u"printArea"_s], before[u"content"_s][u"Notizen"_s][u"printArea"_s]);
    EXPECT_EQ(cellsOf(after, u"Kunde - Kunde"_s), exportedCells());

    // The package: everything reached and typed; the replaced sheet's comment went with it.
    const QJsonValue parts = package(file);
    EXPECT_EQ(parts[u"problems"_s].toArray(), QJsonArray());
    for (const QJsonValue part : parts[u"parts"_s].toArray())
        EXPECT_FALSE(part.toString().contains(u"comment"_s) || part.toString().contains(u"vml"_s))
            << qPrintable(part.toString());
    EXPECT_EQ(filesIn(dir.path()), QStringList{u"fremd.xlsx"_s});
}

TEST_F(WorkbookMergeTest, AnAddedSheetGoesBeforeTheActiveOneAndReplacingTheActiveSheetKeepsItsPlace)
{
    const QString file = path(u"fremd.xlsx"_s);
    ASSERT_TRUE(writeWithOpenpyxl(file, OtherProgramsWorkbook + u"wb.active = 2\nwb.save(path)\n"_s));
    const QJsonValue before = snapshot(file);
    Answers boxes;
    ExportFailure failure;
    ASSERT_TRUE(exportInto(file, u"Neu"_s, boxes, failure)) << qPrintable(failure.text());
    // A sheet that is not there yet is not asked about.
    EXPECT_TRUE(boxes.texts.isEmpty());
    QJsonValue after = snapshot(file);
    EXPECT_EQ(after[u"sheets"_s].toArray(), (QJsonArray{u"Umsatz"_s, u"Kunde - Kunde"_s, u"Neu"_s, u"Notizen"_s}));
    EXPECT_EQ(after[u"active"_s].toInt(), 3);
    // Nothing of the other sheets changed; the print areas still belong to their sheets.
    for (const QString& sheet : {u"Umsatz"_s, u"Kunde - Kunde"_s, u"Notizen"_s})
        EXPECT_EQ(after[u"content"_s][sheet], before[u"content"_s][sheet]) << qPrintable(sheet);
    EXPECT_EQ(after[u"names"_s], before[u"names"_s]);
    EXPECT_EQ(cellsOf(after, u"Neu"_s), exportedCells());
    EXPECT_EQ(package(file)[u"problems"_s].toArray(), QJsonArray());

    // The active sheet replaced, in another case of letters: the new one takes its place and
    // is the active, selected sheet, under the export's name.
    const QJsonValue added = after;
    ASSERT_TRUE(exportInto(file, u"NOTIZEN"_s, boxes, failure, {{u"9"_s}})) << qPrintable(failure.text());
    after = snapshot(file);
    EXPECT_EQ(after[u"sheets"_s].toArray(), (QJsonArray{u"Umsatz"_s, u"Kunde - Kunde"_s, u"Neu"_s, u"NOTIZEN"_s}));
    EXPECT_EQ(after[u"active"_s].toInt(), 3);
    EXPECT_TRUE(after[u"content"_s][u"NOTIZEN"_s][u"selected"_s].toBool());
    EXPECT_EQ(cellsOf(after, u"NOTIZEN"_s)[4], (QJsonArray{u"A2"_s, u"n"_s, 9, u"0"_s}));
    for (const QString& sheet : {u"Umsatz"_s, u"Kunde - Kunde"_s, u"Neu"_s})
        EXPECT_EQ(after[u"content"_s][sheet], added[u"content"_s][sheet]) << qPrintable(sheet);
    EXPECT_EQ(package(file)[u"problems"_s].toArray(), QJsonArray());
    EXPECT_EQ(filesIn(dir.path()), QStringList{u"fremd.xlsx"_s});
}

TEST_F(WorkbookMergeTest, AWorkbookOfThisProgramTakesMoreSheetsWithTheirOwnFormats)
{
    // The program's own workbook, then a second sheet, then the first replaced: each sheet's
    // cells keep their number formats, which the merged styles number on.
    const QString file = path(u"eigen.xlsx"_s);
    Answers boxes;
    ExportFailure failure;
    ASSERT_TRUE(exportInto(file, u"Erste"_s, boxes, failure)) << qPrintable(failure.text());
    WorkbookWriter second(workbookJob(file, u"Zweite"_s,
                                      {typedField(u"zeit"_s, u"Z"_s), typedField(u"menge"_s, u"R8.3"_s)},
                                      [](ExportWorkbookWriter::Options& o) { o.timeFormat = u"hh:mm:ss"_s; }));
    ASSERT_TRUE(checkAsTheDialogDoes(second));
    ASSERT_TRUE(writeRows(second, {{u"10:30"_s, u"1,5"_s}}, failure)) << qPrintable(failure.text());
    QJsonValue after = snapshot(file);
    EXPECT_EQ(after[u"sheets"_s].toArray(), (QJsonArray{u"Zweite"_s, u"Erste"_s}));
    EXPECT_EQ(package(file)[u"titles"_s].toArray(), (QJsonArray{u"Worksheets"_s, u"Zweite"_s, u"Erste"_s}));
    EXPECT_EQ(cellsOf(after, u"Erste"_s), exportedCells());
    EXPECT_EQ(cellsOf(after, u"Zweite"_s), (QJsonArray{QJsonArray{u"A1"_s, u"s"_s, u"zeit"_s, u"General"_s},
                                                       QJsonArray{u"B1"_s, u"s"_s, u"menge"_s, u"General"_s},
                                                       QJsonArray{u"A2"_s, u"d"_s, u"10:30:00"_s, u"hh:mm:ss"_s},
                                                       QJsonArray{u"B2"_s, u"n"_s, 1.5, u"0.000"_s}}));

    ASSERT_TRUE(exportInto(file, u"Erste"_s, boxes, failure, {{u"3"_s, u"1"_s, u"02.02.2024"_s, u"x"_s}}))
        << qPrintable(failure.text());
    after = snapshot(file);
    EXPECT_EQ(after[u"sheets"_s].toArray(), (QJsonArray{u"Zweite"_s, u"Erste"_s}));
    EXPECT_EQ(cellsOf(after, u"Zweite"_s)[2], (QJsonArray{u"A2"_s, u"d"_s, u"10:30:00"_s, u"hh:mm:ss"_s}));
    EXPECT_EQ(cellsOf(after, u"Erste"_s)[6], (QJsonArray{u"C2"_s, u"d"_s, u"2024-02-02T00:00:00"_s, u"dd.mm.yyyy"_s}));
    // The document's properties name the sheets in their order, under their heading's count.
    const QJsonValue parts = package(file);
    EXPECT_EQ(parts[u"problems"_s].toArray(), QJsonArray());
    EXPECT_EQ(parts[u"titles"_s].toArray(), (QJsonArray{u"Worksheets"_s, u"Zweite"_s, u"Erste"_s}));
    EXPECT_EQ(parts[u"counts"_s].toArray(), QJsonArray{2});
    EXPECT_EQ(filesIn(dir.path()), QStringList{u"eigen.xlsx"_s});
}

TEST_F(WorkbookMergeTest, WhatIsNoWorkbookIsRefusedAndLeftAsItWas)
{
    const QString valid = path(u"valid.xlsx"_s);
    ASSERT_TRUE(writeWithOpenpyxl(valid, OtherProgramsWorkbook));
    const QByteArray workbook = readFile(valid);
    QByteArray noWorkbook;
    {
        // A zip archive of something else.
        const QString zip = path(u"other.zip"_s);
        ASSERT_FALSE(run(u"/usr/bin/python3"_s, {u"-c"_s,
                                                 u"import sys,zipfile\n"
                                                 "zipfile.ZipFile(sys.argv[1], 'w').writestr('a.txt', 'text')\n"_s,
                                                 zip})
                         .isNull());
        noWorkbook = readFile(zip);
        ASSERT_TRUE(QFile::remove(zip));
    }
    QByteArray brokenPart = workbook;
    {
        // Its workbook part cut short: stored again in a zip that is sound in itself.
        const QString zip = path(u"broken.zip"_s);
        ASSERT_FALSE(run(u"/usr/bin/python3"_s,
                         {u"-c"_s,
                          u"import sys,zipfile\n"
                          "src = zipfile.ZipFile(sys.argv[1])\n"
                          "with zipfile.ZipFile(sys.argv[2], 'w') as out:\n"
                          "    for n in src.namelist():\n"
                          "        data = src.read(n)\n"
                          "        out.writestr(n, data[:len(data) // 2] if n == 'xl/workbook.xml' else data)\n"_s,
                          valid, zip})
                         .isNull());
        brokenPart = readFile(zip);
        ASSERT_TRUE(QFile::remove(zip));
    }
    ASSERT_TRUE(QFile::remove(valid));
    const QList<std::pair<const char*, QByteArray>> cases{{"text", "not a workbook at all"},
                                                          {"zip of another kind", noWorkbook},
                                                          {"cut in half", workbook.left(workbook.size() / 2)},
                                                          {"a part cut short", brokenPart},
                                                          {"zeros", QByteArray(4096, '\0')}};
    const QString file = path(u"kaputt.xlsx"_s);
    for (const auto& [label, content] : cases) {
        ASSERT_TRUE(writeFile(file, content));
        {
            // Checked before the rows: the box says why; nothing is asked.
            Answers boxes;
            WorkbookWriter writer(workbookJob(file, u"Kunde - Kunde"_s, Fields));
            int option = -1;
            EXPECT_FALSE(checkAsTheDialogDoes(writer, &option)) << label;
            ASSERT_EQ(boxes.texts.size(), 1) << label;
            EXPECT_TRUE(boxes.texts[0].startsWith(GetMessageTextByNr(248) + u"\r\n"_s)) << label;
            EXPECT_EQ(option, ExportWorkbookWriter::FileName);
        }
        {
            // And when it becomes such a file after the check: a failure of the start.
            WorkbookWriter writer(workbookJob(file, u"Kunde - Kunde"_s, Fields));
            ExportFailure failure;
            EXPECT_FALSE(writer.open(failure)) << label;
            EXPECT_EQ(failure.message, 248) << label;
            EXPECT_FALSE(failure.description.isEmpty()) << label;
        }
        EXPECT_EQ(readFile(file), content) << label;
        EXPECT_EQ(filesIn(dir.path()), QStringList{u"kaputt.xlsx"_s}) << label;
    }
}

TEST_F(WorkbookMergeTest, WhatTheSpreadsheetWouldRefuseIsRefusedAndTheWorkbookStaysAsItWas)
{
    // A chart sheet keeps its name from a worksheet; a workbook whose structure is protected
    // has no sheet deleted (251) or added (250).
    const QString protect = u"from openpyxl.workbook.protection import WorkbookProtection\n"
                            "wb.security = WorkbookProtection(lockStructure=True)\n"_s;
    const QList<std::tuple<QString, QString, int>> cases{
        {u"wb.create_chartsheet('Kunde - Kunde')\n"_s, u"kunde - KUNDE"_s, 250},
        {protect + u"wb.create_sheet('Kunde - Kunde')\n"_s, u"Kunde - Kunde"_s, 251},
        {protect, u"Kunde - Kunde"_s, 250}};
    const QString file = path(u"refused.xlsx"_s);
    for (const auto& [script, sheet, message] : cases) {
        ASSERT_TRUE(writeWithOpenpyxl(file, u"wb = openpyxl.Workbook()\nwb.active['A1'] = 1\n"_s + script +
                                                u"wb.save(path)\n"_s));
        const QByteArray content = readFile(file);
        Answers boxes;
        WorkbookWriter writer(workbookJob(file, sheet, Fields));
        int option = -1;
        EXPECT_FALSE(checkAsTheDialogDoes(writer, &option)) << message;
        // Told at once, without asking first.
        ASSERT_EQ(boxes.texts.size(), 1) << message;
        EXPECT_TRUE(boxes.texts[0].startsWith(GetMessageTextByNr(message) + u"\r\n"_s)) << qPrintable(boxes.texts[0]);
        EXPECT_EQ(option, ExportWorkbookWriter::SheetName);
        ExportFailure failure;
        EXPECT_FALSE(writer.open(failure));
        EXPECT_EQ(failure.message, message);
        EXPECT_EQ(readFile(file), content);
        EXPECT_EQ(filesIn(dir.path()), QStringList{u"refused.xlsx"_s});
    }
}

// An export into file killed by its file-size limit (a write beyond it); 0 when the child
// got as far as it may.
int killedExport(const QString& file, long limit, int rows)
{
    return inChild(limit, false, [&] {
        WorkbookWriter writer(workbookJob(file, u"Kunde - Kunde"_s, Fields));
        ExportFailure failure;
        if (!writer.open(failure))
            return 2;
        for (int n = 1; n <= rows; ++n) {
            if (writer.writeRow({QString::number(n), u"1,5"_s, u"24.12.2023"_s, u"a value that fills the file"_s}, n,
                                failure) != ExportWriter::Step::Continue)
                return 3;
        }
        return writer.finish(failure) ? 4 : 5;
    });
}

TEST_F(WorkbookMergeTest, AKilledExportLeavesNothingAUserWouldKeepAndTheNextOneRemovesIt)
{
    const QString file = path(u"fremd.xlsx"_s);
    ASSERT_TRUE(writeWithOpenpyxl(file, BigWorkbook));
    const QByteArray content = readFile(file);
    ASSERT_GT(content.size(), 40 * 1024);
    // Killed while the rows are written (they outgrow the limit) and while the merge is
    // written (the workbook outgrows it).
    const QList<std::pair<long, int>> stages{{16 * 1024, 5000}, {36 * 1024, 20}};
    for (const auto& [limit, rows] : stages) {
        const int status = killedExport(file, limit, rows);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << limit << " status " << status;
        EXPECT_EQ(readFile(file), content) << limit;
        // What is left is hidden and this program's, of a process that has gone.
        const QStringList files = filesIn(dir.path());
        EXPECT_GE(files.size(), 2) << limit;
        for (const QString& name : files) {
            if (name == u"fremd.xlsx"_s)
                continue;
            EXPECT_TRUE(name.startsWith(u'.')) << qPrintable(name);
            EXPECT_GT(ExportTemporaryFiles::Owner(name), 0) << qPrintable(name);
        }
    }
    // A file of another program, and one of this program whose process runs, stay.
    const QString foreign = path(u".fremd.xlsx.other-123-0.tmp"_s);
    const QString running = ExportTemporaryFiles::Name(file, 999);
    ASSERT_TRUE(writeFile(foreign, "x"));
    ASSERT_TRUE(writeFile(running, "x"));
    Answers boxes;
    ExportFailure failure;
    ASSERT_TRUE(exportInto(file, u"Kunde - Kunde"_s, boxes, failure)) << qPrintable(failure.text());
    QStringList expected{QFileInfo(foreign).fileName(), QFileInfo(running).fileName(), u"fremd.xlsx"_s};
    expected.sort();
    EXPECT_EQ(filesIn(dir.path()), expected);
    EXPECT_EQ(cellsOf(snapshot(file), u"Kunde - Kunde"_s), exportedCells());
}

TEST_F(WorkbookMergeTest, AFullDiskWhileTheMergeIsWrittenKeepsTheWorkbookAndLeavesNothing)
{
    const QString file = path(u"fremd.xlsx"_s);
    ASSERT_TRUE(writeWithOpenpyxl(file, BigWorkbook));
    const QByteArray content = readFile(file);
    const QString folder = dir.path();
    const int status = inChild(36 * 1024, true, [&] {
        WorkbookWriter writer(workbookJob(file, u"Kunde - Kunde"_s, Fields));
        ExportFailure failure;
        const bool written = writeRows(writer, Rows, failure);
        // The system's reason, and nothing left in the folder.
        const bool told = failure.message == 249 && failure.description.contains(u"File too large"_s);
        return !written && told && filesIn(folder) == QStringList{u"fremd.xlsx"_s} ? 0 : 1;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readFile(file), content);
}
