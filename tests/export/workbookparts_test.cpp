// The pieces of a merge into an existing workbook: names that refer to a deleted sheet, the
// cell formats carried into another workbook's styles (read back by Python's XML reader),
// changes spliced into a part that keep the rest of it, and the temporary files a killed
// export leaves, which only their own program removes, once their process has gone.
#include "ExportTemporaryFiles.h"
#include "WorkbookFormula.h"
#include "WorkbookStyles.h"
#include "WorkbookXml.h"
#include "export_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ExportTest;

void PrintTo(const QString& text, std::ostream* out)
{
    *out << text.toStdString();
}

void PrintTo(const QJsonValue& value, std::ostream* out)
{
    *out << QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact).toStdString();
}

TEST(WorkbookFormulaTest, ReferencesToTheDeletedSheetBecomeRefErrorsAndRangesAcrossSheetsShrink)
{
    const QStringList sheets{u"Jan"_s, u"Feb"_s, u"Mar"_s, u"Kunde - Kunde"_s, u"It's"_s};
    const auto without = [&](const QString& formula, const QString& sheet) {
        return WorkbookFormula::WithoutSheet(formula, sheet, sheets);
    };
    EXPECT_EQ(without(u"'Kunde - Kunde'!$A$1:$C$9"_s, u"Kunde - Kunde"_s), u"#REF!$A$1:$C$9"_s);
    // Names compare as the spreadsheet compares them; other sheets stay as they were written.
    EXPECT_EQ(without(u"SUM(jan!A1,Feb!B2:B3)"_s, u"JAN"_s), u"SUM(#REF!A1,Feb!B2:B3)"_s);
    EXPECT_EQ(without(u"'It''s'!A1+'It''s'!B1"_s, u"It's"_s), u"#REF!A1+#REF!B1"_s);
    EXPECT_EQ(without(u"'It''s'!A1"_s, u"Jan"_s), u"'It''s'!A1"_s);
    // Across sheets: an end that goes moves inward; a sheet in between takes nothing away.
    EXPECT_EQ(without(u"SUM(Jan:Mar!B2)"_s, u"Mar"_s), u"SUM('Jan:Feb'!B2)"_s);
    EXPECT_EQ(without(u"SUM('Jan:Mar'!B2)"_s, u"Jan"_s), u"SUM('Feb:Mar'!B2)"_s);
    EXPECT_EQ(without(u"SUM(Jan:Mar!B2)"_s, u"Feb"_s), u"SUM(Jan:Mar!B2)"_s);
    EXPECT_EQ(without(u"Jan:Feb!B2"_s, u"Feb"_s), u"'Jan'!B2"_s);
    EXPECT_EQ(without(u"Jan:Jan!B2"_s, u"Jan"_s), u"#REF!B2"_s);
    // Texts, other workbooks, names and sheets whose name only ends like it are not references to it.
    EXPECT_EQ(without(u"\"Jan!A1\"&Jan!A1&\"x\"\"Jan!\""_s, u"Jan"_s), u"\"Jan!A1\"&#REF!A1&\"x\"\"Jan!\""_s);
    EXPECT_EQ(without(u"[1]Jan!A1+'[2]Jan'!A1"_s, u"Jan"_s), u"[1]Jan!A1+'[2]Jan'!A1"_s);
    EXPECT_EQ(without(u"Jan+XJan!A1+Jan.5"_s, u"Jan"_s), u"Jan+XJan!A1+Jan.5"_s);
}

namespace {

const QString Main = u"http://schemas.openxmlformats.org/spreadsheetml/2006/main"_s;

// The cell formats of a style sheet as Python's XML reader finds them: [number format id,
// its code, font id, bold, font name, fill id, border id, cell style].
QJsonValue cellFormats(const QByteArray& styles)
{
    const QString file = QDir::temp().filePath(u"klv-styles-%1.xml"_s.arg(QCoreApplication::applicationPid()));
    writeFile(file, styles);
    const QJsonValue out =
        python(u"import json,sys\n"
               "import xml.etree.ElementTree as ET\n"
               "ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}\n"
               "root = ET.parse(sys.argv[1]).getroot()\n"
               "codes = {f.get('numFmtId'): f.get('formatCode') for f in root.findall('m:numFmts/m:numFmt', ns)}\n"
               "fonts = root.findall('m:fonts/m:font', ns)\n"
               "lists = ['m:numFmts', 'm:fonts', 'm:fills', 'm:borders', 'm:cellXfs']\n"
               "for l in lists:\n"
               "    e = root.find(l, ns)\n"
               "    if e is not None and e.get('count') is not None and int(e.get('count')) != len(e):\n"
               "        raise SystemExit('count of ' + l)\n"
               "out = []\n"
               "for x in root.findall('m:cellXfs/m:xf', ns):\n"
               "    font = fonts[int(x.get('fontId'))]\n"
               "    name = font.find('m:name', ns)\n"
               "    out.append([x.get('numFmtId'), codes.get(x.get('numFmtId')), x.get('fontId'),\n"
               "                font.find('m:b', ns) is not None, name.get('val') if name is not None else None,\n"
               "                x.get('fillId'), x.get('borderId'), x.get('xfId')])\n"
               "print(json.dumps(out))\n"_s,
               {file});
    QFile::remove(file);
    return out;
}

} // namespace

TEST(WorkbookStylesTest, TheSheetsFormatsKeepTheirNumbersAndBringWhatTheyReferTo)
{
    // Another program's styles: prefixed names, no number formats of its own, two fonts, two
    // cell formats, and markup of its own that stays.
    const QByteArray workbook =
        "<?xml version=\"1.0\"?>\n<x:styleSheet xmlns:x=\"" + Main.toUtf8() +
        "\"><x:fonts count=\"2\"><x:font><x:sz val=\"10\"/><x:name val=\"Arial\"/></x:font>"
        "<x:font><x:b/><x:sz val=\"12\"/><x:name val=\"Arial\"/></x:font></x:fonts>"
        "<x:fills count='2'><x:fill><x:patternFill patternType='none'/></x:fill>"
        "<x:fill><x:patternFill patternType='gray125'/></x:fill></x:fills>"
        "<x:borders count=\"1\"><x:border/></x:borders>"
        "<x:cellStyleXfs count=\"1\"><x:xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></x:cellStyleXfs>"
        "<x:cellXfs count=\"2\"><x:xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
        "<x:xf numFmtId=\"3\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></x:cellXfs>"
        "<!-- kept --><x:extLst><x:ext uri=\"{X}\"/></x:extLst></x:styleSheet>";
    // The sheet's styles: two formats of no account, then its own three.
    const QByteArray sheet =
        "<styleSheet xmlns=\"" + Main.toUtf8() +
        "\"><numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"0.00\"/>"
        "<numFmt numFmtId=\"165\" formatCode=\"#,##0 &quot;EUR&quot;\"/></numFmts>"
        "<fonts count=\"3\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font>"
        "<font><b/><sz val=\"12\"/><name val=\"Arial\"/></font><font><i/><sz val=\"9\"/><name val=\"Courier\"/></font>"
        "</fonts><fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border/></borders>"
        "<cellXfs count=\"5\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
        "<xf numFmtId=\"1\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"><alignment indent=\"1\"/></xf>"
        "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
        "<xf numFmtId=\"165\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
        "<xf numFmtId=\"14\" fontId=\"2\" fillId=\"0\" borderId=\"0\" xfId=\"0\"><alignment wrapText=\"1\"/></xf>"
        "</cellXfs></styleSheet>";
    WorkbookXml styles;
    WorkbookXml sheetStyles;
    ASSERT_TRUE(styles.parse(workbook)) << qPrintable(styles.error());
    ASSERT_TRUE(sheetStyles.parse(sheet)) << qPrintable(sheetStyles.error());
    EXPECT_EQ(WorkbookStyles::CellFormatCount(styles), 2);
    // The sheet's numbers must start where the workbook's end.
    WorkbookXml again = styles;
    EXPECT_FALSE(WorkbookStyles::Merge(again, sheetStyles, 1).isEmpty());

    ASSERT_EQ(WorkbookStyles::Merge(styles, sheetStyles, 2), QString());
    const QByteArray merged = styles.result();
    EXPECT_EQ(cellFormats(merged),
              (QJsonArray{QJsonArray{u"0"_s, QJsonValue(), u"0"_s, false, u"Arial"_s, u"0"_s, u"0"_s, u"0"_s},
                          QJsonArray{u"3"_s, QJsonValue(), u"1"_s, true, u"Arial"_s, u"0"_s, u"0"_s, u"0"_s},
                          // The default font is the workbook's; an equal font is the workbook's own.
                          QJsonArray{u"164"_s, u"0.00"_s, u"0"_s, false, u"Arial"_s, u"0"_s, u"0"_s, u"0"_s},
                          QJsonArray{u"165"_s, u"#,##0 \"EUR\""_s, u"1"_s, true, u"Arial"_s, u"0"_s, u"0"_s, u"0"_s},
                          QJsonArray{u"14"_s, QJsonValue(), u"2"_s, false, u"Courier"_s, u"0"_s, u"0"_s, u"0"_s}}));
    EXPECT_TRUE(merged.contains("<x:xf numFmtId=\"14\" fontId=\"2\" fillId=\"0\" borderId=\"0\" xfId=\"0\">"
                                "<x:alignment wrapText=\"1\"/></x:xf>"));
    EXPECT_TRUE(merged.contains("<x:fills count='2'>"));
    EXPECT_TRUE(merged.contains("<!-- kept --><x:extLst><x:ext uri=\"{X}\"/></x:extLst></x:styleSheet>"));

    // A number format the workbook has is its own; new ones are numbered on from its highest;
    // fonts it has not are added.
    WorkbookXml other;
    ASSERT_TRUE(other.parse("<styleSheet xmlns=\"" + Main.toUtf8() +
                            "\"><numFmts count=\"1\"><numFmt numFmtId=\"170\" formatCode=\"0.00\"/></numFmts>"
                            "<fonts count=\"1\"><font><name val=\"Times\"/></font></fonts>"
                            "<fills count=\"1\"><fill/></fills><borders count=\"1\"><border/></borders>"
                            "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\"/><xf numFmtId=\"0\" fontId=\"0\"/>"
                            "</cellXfs></styleSheet>"));
    ASSERT_EQ(WorkbookStyles::Merge(other, sheetStyles, 2), QString());
    const QJsonArray formats = cellFormats(other.result()).toArray();
    ASSERT_EQ(formats.size(), 5);
    EXPECT_EQ(formats[2], (QJsonArray{u"170"_s, u"0.00"_s, u"0"_s, false, u"Times"_s, u"0"_s, u"0"_s, u"0"_s}));
    EXPECT_EQ(formats[3], (QJsonArray{u"171"_s, u"#,##0 \"EUR\""_s, u"1"_s, true, u"Arial"_s, u"0"_s, u"0"_s, u"0"_s}));
    EXPECT_EQ(formats[4], (QJsonArray{u"14"_s, QJsonValue(), u"2"_s, false, u"Courier"_s, u"0"_s, u"0"_s, u"0"_s}));
}

TEST(WorkbookXmlTest, ChangesAreSplicedInAndTheRestStaysAsItWas)
{
    WorkbookXml xml;
    ASSERT_TRUE(xml.parse("\xEF\xBB\xBF<a  x='1' y=\"&amp;\">\n  <b/><!-- c --><c>t&lt;</c><d>gone</d></a>"));
    EXPECT_EQ(xml.text(2), u"t<"_s);
    EXPECT_EQ(xml.text(0), QString());
    EXPECT_EQ(xml.attribute(0, u"y"), u"&"_s);
    xml.setAttribute(0, u"x"_s, u"2 & \"3\""_s);
    xml.setAttribute(1, u"z"_s, u"new"_s);
    xml.append(1, u"<e/>"_s);
    xml.replaceText(2, u"<u>"_s);
    xml.remove(3);
    xml.insertAfter(2, u"<f/>"_s);
    EXPECT_EQ(xml.result(), QByteArray("\xEF\xBB\xBF<a  x='2 &amp; &quot;3&quot;' y=\"&amp;\">\n  <b z=\"new\"><e/></b>"
                                       "<!-- c --><c>&lt;u&gt;</c><f/></a>"));
    // Another encoding than UTF-8 is refused, as is what is not well-formed.
    for (const QByteArray& bad :
         {QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>"), QByteArray("\xFF\xFE<\0a\0/\0>\0", 10),
          QByteArray("<a>\xC3</a>"), QByteArray("<a><b></a>"), QByteArray()}) {
        EXPECT_FALSE(xml.parse(bad)) << bad.toStdString();
        EXPECT_FALSE(xml.error().isEmpty());
    }
}

namespace {

// A pid no process has: a child's that has ended.
pid_t endedProcess()
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

} // namespace

TEST(ExportTemporaryFilesTest, OnlyThisProgramsFilesOfProcessesThatHaveGoneAreRemoved)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"kunde.xlsx"_s);
    const QString own = ExportTemporaryFiles::Name(target, 3);
    EXPECT_EQ(QFileInfo(own).absolutePath(), dir.path());
    EXPECT_TRUE(QFileInfo(own).fileName().startsWith(u".kunde.xlsx."_s));
    EXPECT_EQ(ExportTemporaryFiles::Owner(QFileInfo(own).fileName()), QCoreApplication::applicationPid());
    EXPECT_EQ(ExportTemporaryFiles::Owner(QFileInfo(own).fileName() + u".Ab3xYz"_s),
              QCoreApplication::applicationPid());

    // The same names for another process, another computer and of other programs.
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const auto renamed = [&](const QString& name, qint64 process) {
        QString n = QFileInfo(name).fileName();
        n.replace(u'-' + pid + u'-', u'-' + QString::number(process) + u'-');
        return n;
    };
    const QString gone = renamed(own, endedProcess());
    const QString goneZip = renamed(ExportTemporaryFiles::Name(target, 4), endedProcess()) + u".Zz9abc"_s;
    const QString running = renamed(own, getppid());
    QString otherComputer = gone;
    otherComputer.replace(u".klv-"_s, u".klv-elsewhere"_s);
    const QStringList others{u".kunde.xlsx.4711-0.tmp"_s, u"kunde.xlsx.klv-x-1-0.tmp"_s, u".kunde.xlsx~"_s,
                             otherComputer, QFileInfo(own).fileName()};
    EXPECT_GT(ExportTemporaryFiles::Owner(gone), 0);
    for (const QString& name : others.mid(0, 4))
        EXPECT_EQ(ExportTemporaryFiles::Owner(name), 0) << qPrintable(name);
    for (const QString& name : QStringList{gone, goneZip, running} + others)
        ASSERT_TRUE(writeFile(dir.filePath(name), "x")) << qPrintable(name);
    // A folder of the name is no file of an export.
    const QString goneFolder = renamed(ExportTemporaryFiles::Name(target, 5), endedProcess());
    ASSERT_TRUE(QDir(dir.path()).mkdir(goneFolder));

    EXPECT_EQ(ExportTemporaryFiles::RemoveStale(dir.path()), 2);
    QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QStringList expected = QStringList{running, goneFolder} + others;
    left.sort();
    expected.sort();
    EXPECT_EQ(left, expected);
}
