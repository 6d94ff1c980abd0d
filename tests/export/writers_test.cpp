// The text, XML and HTML files: golden bytes of small exports, each format read back by a
// reader our code does not share, escaping and the characters a file cannot hold, the value
// conversions, a write that fails, an export killed half way and the hidden files of an export
// that the next one into the folder removes.
#include "ExportColor.h"
#include "ExportHtmlWriter.h"
#include "ExportMarkup.h"
#include "ExportTemporaryFile.h"
#include "ExportTemporaryFiles.h"
#include "ExportTextWriter.h"
#include "ExportXmlWriter.h"
#include "MainModul.h"
#include "export_support.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

using namespace Qt::StringLiterals;
using namespace ExportTest;

namespace {

class Writers : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(loadEnglishTexts()); }

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // A writer's file for the rows, in the folder of the test.
    template <class Writer>
    bool writeFile(const ExportJob& j, typename Writer::Options options, const QString& name,
                   const QList<QStringList>& rows)
    {
        options.fileName = path(name);
        Writer writer(j, options);
        ExportFailure failure;
        if (!writer.open(failure))
            return false;
        qint64 n = 0;
        for (const QStringList& row : rows) {
            if (writer.writeRow(row, ++n, failure) != ExportWriter::Step::Continue)
                return false;
        }
        return writer.finish(failure);
    }
};

} // namespace

TEST_F(Writers, TextFileIsUtf8WithoutByteOrderMarkAndKeepsEachRecordOnOneLine)
{
    ExportTextWriter writer(job(0, {field(u"nummer"_s), field(u"name"_s, false)}), {});
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writer.setDevice(&buffer);
    const QByteArray bytes =
        writeAll(writer, buffer, {{u"7"_s, u"Müller"_s}, {u"8"_s, u"a\r\nb\rc\nd"_s}, {u"9"_s, u"\"x\""_s}});
    EXPECT_EQ(bytes, u"nummer;name\r\n7;Müller\r\n8;a#b#c#d\r\n9;\"x\"\r\n"_s.toUtf8());
}

TEST_F(Writers, ValueConversionOfTheTextFile)
{
    // RFC 4180: always quoted, quotes doubled, line breaks kept.
    EXPECT_EQ(ExportTextWriter::GetConvField(u"a\"b"_s, true, u"#"_s), u"\"a\"\"b\""_s);
    EXPECT_EQ(ExportTextWriter::GetConvField(u"a\r\nb"_s, true, u"#"_s), u"\"a\r\nb\""_s);
    // Otherwise quotes stay, and every kind of line break is replaced, also mixed in one value.
    EXPECT_EQ(ExportTextWriter::GetConvField(u"a\"b"_s, false, u"#"_s), u"a\"b"_s);
    EXPECT_EQ(ExportTextWriter::GetConvField(u"1\r\n2\n3\r4"_s, false, u"#"_s), u"1#2#3#4"_s);
    EXPECT_EQ(ExportTextWriter::GetConvField(u"1\n\n2"_s, false, u" / "_s), u"1 /  / 2"_s);
}

TEST_F(Writers, Rfc4180FileReadsBackExactlyThroughPythonsCsv)
{
    ExportTextWriter::Options options;
    options.rfc4180 = true;
    options.separator = u","_s;
    const QList<QStringList> rows{{u"1"_s, u"He said \"hi\", then left"_s, u"line 1\r\nline 2\nline 3"_s},
                                  {u"2"_s, QString(), u"ü,\"ß\"\r"_s}};
    ASSERT_TRUE(writeFile<ExportTextWriter>(job(0, {field(u"nr"_s), field(u"text"_s), field(u"memo"_s)}), options,
                                            u"rfc.csv"_s, rows));
    // The header is never quoted.
    EXPECT_TRUE(readFile(path(u"rfc.csv"_s)).startsWith("nr,text,memo\r\n\"1\","));
    const QJsonArray read = csvRows(path(u"rfc.csv"_s), u","_s).toArray();
    ASSERT_EQ(read.size(), 3);
    EXPECT_EQ(read[0].toVariant().toStringList(), (QStringList{u"nr"_s, u"text"_s, u"memo"_s}));
    EXPECT_EQ(read[1].toVariant().toStringList(), rows[0]);
    EXPECT_EQ(read[2].toVariant().toStringList(), rows[1]);
}

TEST_F(Writers, XmlGoldenBytes)
{
    ExportXmlWriter::Options options;
    options.suppressEmptyFields = false;
    options.recordIdField = 1;
    options.captionField = 2;
    ExportXmlWriter writer(job(3, {field(u"nummer"_s), field(u"name"_s), field(u"bemerk"_s, false)}), options);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writer.setDevice(&buffer);
    const QByteArray bytes =
        writeAll(writer, buffer, {{u"7"_s, u"A"_s, u"h1"_s}, {u"7"_s, u"B"_s, u"h1"_s}, {u"8"_s, u"C"_s, QString()}});
    const QString expected = QChar(0xFEFF) + u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
                                             "<WEXAData>\r\n"
                                             "  <RecordSet source=\"KLVViewer\" sourcetype=\"DataQuery\">\r\n"
                                             "    <Record id=\"7\" caption=\"A\">\r\n"
                                             "      <Head>\r\n"
                                             "        <Field name=\"bemerk\">h1</Field>\r\n"
                                             "      </Head>\r\n"
                                             "      <Row number=\"1\">\r\n"
                                             "        <Field name=\"nummer\">7</Field>\r\n"
                                             "        <Field name=\"name\">A</Field>\r\n"
                                             "      </Row>\r\n"
                                             "      <Row number=\"2\">\r\n"
                                             "        <Field name=\"nummer\">7</Field>\r\n"
                                             "        <Field name=\"name\">B</Field>\r\n"
                                             "      </Row>\r\n"
                                             "    </Record>\r\n"
                                             "    <Record id=\"8\" caption=\"C\">\r\n"
                                             "      <Head>\r\n"
                                             "        <Field name=\"bemerk\"></Field>\r\n"
                                             "      </Head>\r\n"
                                             "      <Row number=\"1\">\r\n"
                                             "        <Field name=\"nummer\">8</Field>\r\n"
                                             "        <Field name=\"name\">C</Field>\r\n"
                                             "      </Row>\r\n"
                                             "    </Record>\r\n"
                                             "  </RecordSet>\r\n"
                                             "</WEXAData>\r\n"_s;
    EXPECT_EQ(bytes, utf16le(expected));
    EXPECT_TRUE(bytes.startsWith("\xFF\xFE<\0?\0"));
}

TEST_F(Writers, XmlRecordsGroupByTheIdFieldAsEtreeReadsThem)
{
    const QList<ExportField> fields{field(u"nummer"_s), field(u"menge"_s)};
    const auto records = [&](int idIndex, const QList<QStringList>& rows, const QString& name) {
        ExportXmlWriter::Options options;
        options.recordIdField = idIndex;
        EXPECT_TRUE(writeFile<ExportXmlWriter>(job(3, fields), options, name, rows));
        EXPECT_TRUE(xmllintAccepts(path(name), false));
        return xmlRecords(path(name)).toArray();
    };
    const auto rowNumbers = [](const QJsonValue& record) {
        QStringList numbers;
        for (const QJsonValue& row : record[u"rows"_s].toArray())
            numbers.append(row.toArray()[0].toString());
        return numbers;
    };

    // 7, 7, 8: two records, the first with rows 1 and 2.
    QJsonArray read = records(1, {{u"7"_s, u"1"_s}, {u"7"_s, u"2"_s}, {u"8"_s, u"3"_s}}, u"a.xml"_s);
    ASSERT_EQ(read.size(), 2);
    EXPECT_EQ(read[0][u"id"_s].toString(), u"7"_s);
    EXPECT_EQ(rowNumbers(read[0]), (QStringList{u"1"_s, u"2"_s}));
    EXPECT_EQ(rowNumbers(read[1]), QStringList{u"1"_s});

    // A record of many rows counts them on into two and three digits.
    QList<QStringList> many;
    QStringList numbers;
    for (int n = 1; n <= 120; ++n) {
        many.append({u"9"_s, QString::number(n)});
        numbers.append(QString::number(n));
    }
    read = records(1, many, u"many.xml"_s);
    ASSERT_EQ(read.size(), 1);
    EXPECT_EQ(rowNumbers(read[0]), numbers);
    // Without head fields there is no Head.
    EXPECT_TRUE(read[0][u"head"_s].isNull());

    // 7, 8, 7: an id that comes back starts a record of its own.
    read = records(1, {{u"7"_s, u"1"_s}, {u"8"_s, u"2"_s}, {u"7"_s, u"3"_s}}, u"b.xml"_s);
    ASSERT_EQ(read.size(), 3);
    EXPECT_EQ(read[2][u"id"_s].toString(), u"7"_s);

    // No id field: every row is a record with one row 1 and no id.
    read = records(0, {{u"7"_s, u"1"_s}, {u"7"_s, u"2"_s}}, u"c.xml"_s);
    ASSERT_EQ(read.size(), 2);
    EXPECT_TRUE(read[1][u"id"_s].isNull());
    EXPECT_EQ(rowNumbers(read[1]), QStringList{u"1"_s});

    // No rows: head and tail, no record.
    EXPECT_EQ(records(1, {}, u"d.xml"_s).size(), 0);
}

TEST_F(Writers, XmlEscapesEveryTextAndReplacesWhatAFileCannotHold)
{
    ExportXmlWriter::Options options;
    options.suppressEmptyFields = true;
    options.recordIdField = 2;
    options.fileName = path(u"e.xml"_s);
    const QString bad = u"x"_s + QChar(0x01) + QChar(0xD800) + u"y"_s + QChar(0xFFFF) + QChar(0xD83D) + QChar(0xDE00);
    const QList<QStringList> rows{{u"<&>\""_s, bad, QString()}, {u"line\r\nnext"_s, u"id \"2\"\t"_s, u"z"_s}};
    ExportXmlWriter writer(job(3, {field(u"a\"&<b"_s, false), field(u"wert"_s), field(u"leer"_s)}), options);
    ExportFailure failure;
    ASSERT_TRUE(writer.open(failure));
    EXPECT_EQ(writer.writeRow(rows[0], 1, failure), ExportWriter::Step::Continue);
    EXPECT_EQ(writer.writeRow(rows[1], 2, failure), ExportWriter::Step::Continue);
    ASSERT_TRUE(writer.finish(failure));
    // The control, the lone surrogate and U+FFFF, in the field and in the record's id; the pair
    // stays.
    EXPECT_EQ(writer.replacedCharacters(), 6);
    EXPECT_EQ(writer.endNotes(), QStringList{MainModul::FormatMessage(295, QString(), u"6"_s)});

    QString errors;
    EXPECT_TRUE(xmllintAccepts(path(u"e.xml"_s), false, &errors)) << errors.toStdString();
    const QJsonArray read = xmlRecords(path(u"e.xml"_s)).toArray();
    ASSERT_EQ(read.size(), 2);
    const QString replaced =
        u"x"_s + QChar(0xFFFD) + QChar(0xFFFD) + u"y"_s + QChar(0xFFFD) + QChar(0xD83D) + QChar(0xDE00);
    EXPECT_EQ(read[0][u"id"_s].toString(), replaced);
    EXPECT_EQ(read[0][u"head"_s].toArray()[0].toArray()[0].toString(), u"a\"&<b"_s);
    EXPECT_EQ(read[0][u"head"_s].toArray()[0].toArray()[1].toString(), u"<&>\""_s);
    // The empty field is left out; a CR in content and a TAB in an attribute come back.
    EXPECT_EQ(read[0][u"rows"_s].toArray()[0].toArray()[1].toArray().size(), 1);
    EXPECT_EQ(read[1][u"head"_s].toArray()[0].toArray()[1].toString(), u"line\r\nnext"_s);
    EXPECT_EQ(read[1][u"id"_s].toString(), u"id \"2\"\t"_s);
}

TEST_F(Writers, HtmlGoldenBytes)
{
    ExportHtmlWriter::Options options;
    options.withHeading = false;
    options.borderSize = u"2"_s;
    options.evenForeground = u"#000001"_s;
    options.oddForeground = u"#000002"_s;
    options.borderColor = u"#0000FF"_s;
    ExportHtmlWriter writer(job(4, {field(u"nr"_s), field(u"name"_s)}), options);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writer.setDevice(&buffer);
    const QByteArray bytes = writeAll(writer, buffer, {{u"1"_s, u"a<b"_s}, {u"2"_s, u"x\ny"_s}});
    const QString expected = QChar(0xFEFF) +
                             u"<HTML>\r\n"
                             "   <HEAD>\r\n"
                             "      <TITLE>Kunde:Kunde</TITLE>\r\n"
                             "      <META http-equiv=\"content-type\" content=\"text/html; charset=UTF-16\"/>\r\n"
                             "   </HEAD>\r\n"
                             "   <BODY>\r\n"
                             "      <TABLE BORDER=\"0\" BGCOLOR=\"#0000FF\" CELLPADDING=\"5\" CELLSPACING=\"2\">\r\n"
                             "         <TR BGCOLOR=\"#FFFFFF\">\r\n"
                             "            <TD NOWRAP><B><FONT COLOR=\"#000000\">nr</FONT></B></TD>\r\n"
                             "            <TD NOWRAP><B><FONT COLOR=\"#000000\">name</FONT></B></TD>\r\n"
                             "         </TR>\r\n"
                             "         <TR VALIGN=\"top\" BGCOLOR=\"#F8F8F8\">\r\n"
                             "            <TD NOWRAP><TT><FONT COLOR=\"#000002\">1</FONT></TT></TD>\r\n"
                             "            <TD NOWRAP><TT><FONT COLOR=\"#000002\">a&lt;b</FONT></TT></TD>\r\n"
                             "         </TR>\r\n"
                             "         <TR VALIGN=\"top\" BGCOLOR=\"#F0F0F0\">\r\n"
                             "            <TD NOWRAP><TT><FONT COLOR=\"#000001\">2</FONT></TT></TD>\r\n"
                             "            <TD NOWRAP><TT><FONT COLOR=\"#000001\">x<BR>\r\ny</FONT></TT></TD>\r\n"
                             "         </TR>\r\n"
                             "      </TABLE>\r\n"
                             "   </BODY>\r\n"
                             "</HTML>\r\n"_s;
    EXPECT_EQ(bytes, utf16le(expected));
}

TEST_F(Writers, HtmlPageReadsBackThroughHtmlParserAndXmllint)
{
    ExportJob j = job(4, {field(u"nr"_s), field(u"text"_s)});
    ExportHtmlWriter::Options options;
    options.borderSize = u"100"_s;
    options.evenBackground = u"#E0E0E0"_s;
    options.oddBackground = u"red\" onload=\"x"_s;
    j.caption = u"<Kunde> & \"Co\""_s;
    j.criteria = u"ort=<Berlin>"_s;
    j.key = u"nummer"_s;
    j.sortKey = u"nummer"_s;
    const QList<QStringList> rows{
        {u"1"_s, u"<b>bold</b> & more"_s},
        {u"2"_s, u"see https://example.com/a?b=1&c=2 and FILE:///tmp/x.txt"_s},
        {u"3"_s, u"one\r\ntwo\rthree\nfour"_s},
        {u"4"_s, u"http://"_s},
    };
    ASSERT_TRUE(writeFile<ExportHtmlWriter>(j, options, u"p.html"_s, rows));
    QString errors;
    EXPECT_TRUE(xmllintAccepts(path(u"p.html"_s), true, &errors)) << errors.toStdString();

    const QJsonObject page = htmlContent(path(u"p.html"_s)).toObject();
    EXPECT_EQ(page[u"title"_s].toString(), j.caption);
    QList<QJsonObject> data;
    QStringList heading;
    for (const QJsonValue& row : page[u"rows"_s].toArray()) {
        if (row[u"data"_s].toBool())
            data.append(row.toObject());
        else if (row[u"cells"_s].toArray().size() == 3)
            heading.append(row[u"cells"_s].toArray()[2].toString());
    }
    // The heading: table, storage kind, row selection, criteria, junction, sort key, key, direction.
    EXPECT_EQ(heading.size(), 8);
    EXPECT_TRUE(heading.contains(j.caption));
    EXPECT_TRUE(heading.contains(u"ort=<Berlin>"_s));
    ASSERT_EQ(data.size(), 4);
    // Row 1 is odd: its colour was not a colour, so the default stands.
    EXPECT_EQ(data[0][u"bg"_s].toString(), u"#F8F8F8"_s);
    EXPECT_EQ(data[1][u"bg"_s].toString(), u"#E0E0E0"_s);
    EXPECT_EQ(data[0][u"cells"_s].toArray()[1].toString(), u"<b>bold</b> & more"_s);
    EXPECT_EQ(data[1][u"cells"_s].toArray()[1].toString(), rows[1][1]);
    EXPECT_EQ(data[2][u"cells"_s].toArray()[1].toString(), u"one\ntwo\nthree\nfour"_s);
    EXPECT_EQ(page[u"links"_s].toVariant().toStringList(),
              (QStringList{u"https://example.com/a?b=1&c=2"_s, u"FILE:///tmp/x.txt"_s}));
    // A border size outside 0 to 99 is 1.
    EXPECT_TRUE(fromUtf16le(readFile(path(u"p.html"_s))).contains(u"CELLSPACING=\"1\""_s));
}

TEST_F(Writers, HtmlLinksAndLineBreaks)
{
    const auto html = [](const QString& text) { return ExportMarkup::XMLEscape(text, true); };
    EXPECT_EQ(html(u"go to http://a.b/c?x=1&y=2 now"_s),
              u"go to <A HREF=\"http://a.b/c?x=1&amp;y=2\">http://a.b/c?x=1&amp;y=2</A> now"_s);
    // At the end of the value the address runs to the end; a line break ends it too.
    EXPECT_EQ(html(u"Https://x"_s), u"<A HREF=\"Https://x\">Https://x</A>"_s);
    EXPECT_EQ(html(u"file://f\r\nnext"_s), u"<A HREF=\"file://f\">file://f</A><BR>\r\nnext"_s);
    // A scheme alone is no address; plain text is left as it is.
    EXPECT_EQ(html(u"http:// x"_s), u"http:// x"_s);
    EXPECT_EQ(html(u"no link"_s), u"no link"_s);
    // Plain XML keeps line breaks and escapes a CR so that a reader keeps it.
    EXPECT_EQ(ExportMarkup::XMLEscape(u"a\r\nb"_s, false), u"a&#13;\nb"_s);
}

TEST_F(Writers, AValueFullOfAddressesIsLookedThroughOnce)
{
    // Two hundred thousand addresses in one value, and the schemes that find none further
    // on: each is looked for once, not once per address, or this would not end.
    QString value;
    QString expected;
    constexpr int Addresses = 200000;
    for (int i = 0; i < Addresses; ++i) {
        value += u"http://x "_s;
        expected += u"<A HREF=\"http://x\">http://x</A> "_s;
    }
    value += u"FILE://end"_s;
    expected += u"<A HREF=\"FILE://end\">FILE://end</A>"_s;
    EXPECT_TRUE(ExportMarkup::XMLEscape(value, true) == expected);
}

TEST_F(Writers, ARowLongerThanTheWriteBufferReadsBackWhole)
{
    // Memo fields of a hundred thousand characters with everything a file has to treat, between
    // short rows: the buffer takes the whole row, and no character pair is parted.
    QString memo;
    for (int i = 0; memo.size() < 100000; ++i)
        memo += u"Zeile "_s + QString::number(i) + u" <&> \"caf\u00E9\" \U0001F600\t"_s;
    const QList<ExportField> fields{field(u"nr"_s, false), field(u"a"_s, false), field(u"b"_s, false),
                                    field(u"c"_s, false)};
    QList<QStringList> rows;
    for (int n = 1; n <= 3000; ++n) {
        const QString other = u"kurz \U0001F600"_s;
        rows.append({QString::number(n), n == 1500 ? memo : other, n == 1500 ? memo : other, n == 1500 ? memo : other});
    }
    ASSERT_GT(3 * memo.size(), ExportFileWriter::BufferChars + 4096);

    ExportTextWriter::Options text;
    text.rfc4180 = true;
    ASSERT_TRUE(writeFile<ExportTextWriter>(job(0, fields), text, u"long.csv"_s, rows));
    const QJsonArray csv = csvRows(path(u"long.csv"_s), u";"_s).toArray();
    ASSERT_EQ(csv.size(), 3001);
    EXPECT_TRUE(csv[1500].toVariant().toStringList() == rows[1499]);
    EXPECT_EQ(csv[3000].toVariant().toStringList(), rows[2999]);

    ASSERT_TRUE(writeFile<ExportXmlWriter>(job(3, fields), {}, u"long.xml"_s, rows));
    EXPECT_TRUE(xmllintAccepts(path(u"long.xml"_s), false));
    const QJsonArray xml = xmlRecords(path(u"long.xml"_s)).toArray();
    ASSERT_EQ(xml.size(), 3000);
    EXPECT_TRUE(xml[1499][u"head"_s].toArray()[3].toArray()[1].toString() == memo);
    EXPECT_EQ(xml[2999][u"head"_s].toArray()[3].toArray()[1].toString(), rows[2999][3]);
}

TEST_F(Writers, HtmlColoursAndBorderFromTheOptions)
{
    EXPECT_EQ(ExportHtmlWriter::Color(u"#a0B0c0"_s, u"#F0F0F0"_s), u"#a0B0c0"_s);
    EXPECT_EQ(ExportHtmlWriter::Color(u"#a0B0c"_s, u"#F0F0F0"_s), u"#F0F0F0"_s);
    EXPECT_EQ(ExportHtmlWriter::Color(QString(), u"#F8F8F8"_s), u"#F8F8F8"_s);
    for (const auto& [given, used] :
         {std::pair{u"0"_s, u"0"_s}, std::pair{u"99"_s, u"99"_s}, std::pair{u"-1"_s, u"1"_s},
          std::pair{u"1.5"_s, u"1"_s}, std::pair{u"\"5"_s, u"1"_s}, std::pair{QString(), u"1"_s}})
        EXPECT_EQ(ExportHtmlWriter::BorderSize(given), used) << given.toStdString();
}

TEST_F(Writers, ColourTextsAndValues)
{
    EXPECT_EQ(ExportColor::ColorValue(u"#12"_s), 0x12);
    EXPECT_EQ(ExportColor::ColorValue(u"#0000FF"_s), 255 * 65536);
    EXPECT_EQ(ExportColor::ColorValue(u"#1G2H3I"_s), 1 + 256 * 2 + 65536 * 3);
    EXPECT_EQ(ExportColor::ColorText(0x12 + 256 * 0xAB), u"#12AB00"_s);
    EXPECT_TRUE(ExportColor::IsColorText(u"#f0F0f0"_s));
    EXPECT_FALSE(ExportColor::IsColorText(u"f0f0f0"_s));

    // A cancelled chooser gives the start colour back, in upper case.
    const auto cancelled = [](int start) { return start; };
    EXPECT_EQ(ExportColor::Convert(
                  u"#f0f0f0"_s, [] { return true; }, cancelled),
              u"#F0F0F0"_s);
    // Without "#": No keeps the text, Yes starts on black.
    int started = -1;
    EXPECT_EQ(ExportColor::Convert(
                  u"red"_s, [] { return false; }, cancelled),
              u"red"_s);
    EXPECT_EQ(ExportColor::Convert(
                  u"red"_s, [] { return true; },
                  [&started](int start) {
                      started = start;
                      return 0x0080FF;
                  }),
              u"#FF8000"_s);
    EXPECT_EQ(started, 0);
}

TEST_F(Writers, AFailingWriteFailsTheExportAndLeavesTheOldFile)
{
    // Into a device that fills up: the row that overflows it fails, with message 241.
    QList<QStringList> rows;
    for (int i = 0; i < 5000; ++i)
        rows.append({QString::number(i), u"some text to fill the device"_s});
    ExportXmlWriter writer(job(3, {field(u"nr"_s), field(u"text"_s)}), {});
    FailingDevice device(100000);
    writer.setDevice(&device);
    ExportFailure failure;
    ASSERT_TRUE(writer.open(failure));
    ExportWriter::Step step = ExportWriter::Step::Continue;
    qint64 n = 0;
    while (step == ExportWriter::Step::Continue && n < rows.size()) {
        step = writer.writeRow(rows[n], n + 1, failure);
        ++n;
    }
    EXPECT_EQ(step, ExportWriter::Step::Fail);
    EXPECT_LT(n, rows.size());
    EXPECT_EQ(failure.message, 241);
    EXPECT_EQ(failure.description, u"No space left on device"_s);
    EXPECT_FALSE(writer.finish(failure));

    // A file in a folder that does not exist cannot be opened.
    ExportFailure openFailure;
    ExportTextWriter::Options options;
    options.fileName = path(u"no/such/file.exp"_s);
    ExportTextWriter missing(job(0, {}), options);
    EXPECT_FALSE(missing.open(openFailure));
    EXPECT_EQ(openFailure.message, 241);
    EXPECT_EQ(openFailure.number, ENOENT);

    // A discarded export leaves the old file as it was.
    ASSERT_TRUE(ExportTest::writeFile(path(u"old.exp"_s), "old content"));
    {
        options.fileName = path(u"old.exp"_s);
        ExportTextWriter writer2(job(0, {field(u"nr"_s)}), options);
        ASSERT_TRUE(writer2.open(failure));
        writer2.writeRow({u"1"_s}, 1, failure);
        writer2.discard();
    }
    EXPECT_EQ(readFile(path(u"old.exp"_s)), "old content");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"old.exp"_s});
}

namespace {

// A text export that is killed half way, run in a child of the test.
void killedHalfWay(const QString& file)
{
    ExportTextWriter::Options options;
    options.fileName = file;
    ExportTextWriter writer(job(0, {field(u"nr"_s), field(u"text"_s)}), options);
    ExportFailure failure;
    if (!writer.open(failure))
        std::_Exit(1);
    for (int n = 1; n <= 20000; ++n)
        writer.writeRow({QString::number(n), u"a row on its way"_s}, n, failure);
    std::raise(SIGKILL);
}

QStringList hiddenOnes(const QStringList& names)
{
    QStringList hidden;
    for (const QString& name : names) {
        if (name.startsWith(u'.'))
            hidden.append(name);
    }
    return hidden;
}

} // namespace

TEST_F(Writers, AKilledExportLeavesTheOldFileAndTheNextExportIntoTheFolderRemovesWhatItLeft)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child runs this test again up to its death: it finds the folder through the
    // environment it inherits.
    const char* folderVariable = "KLV_KILLED_EXPORT_FOLDER";
    if (!qEnvironmentVariableIsSet(folderVariable))
        qputenv(folderVariable, QFile::encodeName(dir.path()));
    const QDir folder(qEnvironmentVariable(folderVariable));
    const QString file = folder.filePath(u"kunde.exp"_s);
    ASSERT_TRUE(ExportTest::writeFile(file, "old content"));
    EXPECT_EXIT(killedHalfWay(file), ::testing::KilledBySignal(SIGKILL), "");
    qunsetenv(folderVariable);
    // Nothing new under a name a user keeps: the rows so far lie in a hidden file of the
    // program's own.
    const QStringList left = folder.entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(left.size(), 2) << left.join(u' ').toStdString();
    EXPECT_TRUE(left.contains(u"kunde.exp"_s));
    const QStringList hidden = hiddenOnes(left);
    ASSERT_EQ(hidden.size(), 1);
    EXPECT_GT(ExportTemporaryFiles::Owner(hidden[0]), 0) << hidden[0].toStdString();
    EXPECT_EQ(readFile(file), "old content");

    // The next export into that folder, of any format and name, removes it.
    ASSERT_TRUE(writeFile<ExportXmlWriter>(job(3, {field(u"nr"_s)}), {}, u"other.xml"_s, {{u"1"_s}}));
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), (QStringList{u"kunde.exp"_s, u"other.xml"_s}));
}

TEST(TemporaryFiles, ARunningExportsFileStaysAndACommitKeepsTheOlderFilesPermissions)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"running.exp"_s);
    ExportTemporaryFile running(target);
    int error = 0;
    ASSERT_TRUE(running.create(error)) << error;
    // Another export into the folder meanwhile leaves it.
    ExportTemporaryFile other(dir.filePath(u"other.exp"_s));
    ASSERT_TRUE(other.create(error)) << error;
    EXPECT_TRUE(QFile::exists(running.fileName()));
    other.remove();

    // The older file's permissions stay with the new content.
    ASSERT_TRUE(ExportTest::writeFile(target, "old"));
    const QFile::Permissions kept = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(target, kept));
    ASSERT_EQ(::write(running.handle(), "new", 3), 3);
    ASSERT_TRUE(running.commit(error)) << error;
    EXPECT_TRUE(running.fileName().isEmpty());
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(QFile::permissions(target) & QFile::Permissions(0x7077), kept);

    // A link is followed: the file it names gets the content, the link stays a link.
    const QString link = dir.filePath(u"link.exp"_s);
    ASSERT_TRUE(QFile::link(target, link));
    ExportTemporaryFile linked(link);
    ASSERT_TRUE(linked.create(error));
    ASSERT_EQ(::write(linked.handle(), "linked", 6), 6);
    ASSERT_TRUE(linked.commit(error));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(target), "linked");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{u"link.exp"_s, u"running.exp"_s}));
}
