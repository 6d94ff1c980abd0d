#pragma once

// What the export's tests share: jobs and fields, a writer run into memory, readers that our
// code does not share (Python's csv, xml.etree, html.parser and openpyxl, xmllint, the sqlite3
// program), a device that fails on demand, recorders of the programs an export would start, of
// the questions a writer asks and of the message boxes the dialog shows, and a window whose
// shown rows are exported through GetResultField.

#include "ExportFollowUp.h"
#include "ExportJob.h"
#include "ExportPrompt.h"
#include "ExportWriter.h"
#include "KLVTAVArtInfo.h"
#include "KLVTools.h"
#include "MainModul.h"
#include "MessageBoxes.h"
#include "ViewerSession.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>

#include <functional>

namespace ExportTest {

using ViewerTest::loadEnglishTexts;

inline ExportField field(const QString& caption, bool tablePart = true, const QString& key = QString())
{
    ExportField f;
    f.caption = caption;
    f.key = key.isEmpty() ? caption + QStringLiteral("#0#S") : key;
    f.tag = (tablePart ? QStringLiteral("1:") : QStringLiteral("0:")) + caption;
    f.tablePart = tablePart;
    return f;
}

// A field of an ERP type ("I6", "R12.2", "GD8", ...).
inline ExportField typedField(const QString& caption, const QString& typeCode, bool tablePart = true)
{
    ExportField f = field(caption, tablePart);
    f.type = KLVTools().GetTAVArtInfo(typeCode);
    return f;
}

inline ExportJob job(int kind, const QList<ExportField>& fields)
{
    ExportJob j;
    j.exportType = kind;
    j.caption = QStringLiteral("Kunde:Kunde");
    j.tableId = QStringLiteral("1:1");
    j.fields = fields;
    return j;
}

// The writer's whole output for the rows, written into memory; empty when it failed.
inline QByteArray writeAll(ExportWriter& writer, QIODevice& device, const QList<QStringList>& rows)
{
    ExportFailure failure;
    if (!writer.open(failure))
        return {};
    qint64 n = 0;
    for (const QStringList& row : rows) {
        if (writer.writeRow(row, ++n, failure) != ExportWriter::Step::Continue)
            return {};
    }
    if (!writer.finish(failure))
        return {};
    auto* buffer = qobject_cast<QBuffer*>(&device);
    return buffer ? buffer->data() : QByteArray();
}

// Bytes as UTF-16 little-endian, the byte-order mark included.
inline QByteArray utf16le(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

inline QString fromUtf16le(const QByteArray& bytes)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
}

// Runs a program; its standard output, or a null string when it did not end with 0.
inline QString run(const QString& program, const QStringList& arguments, QString* errors = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    if (errors)
        *errors = QString::fromUtf8(process.readAllStandardError());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    return out.isNull() ? QStringLiteral("") : out;
}

// A Python script's JSON answer for a file.
inline QJsonValue python(const QString& script, const QStringList& arguments)
{
    const QString out = run(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + arguments);
    if (out.isNull())
        return {};
    const QJsonDocument doc = QJsonDocument::fromJson(out.toUtf8());
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

// The rows Python's csv module reads from a file in UTF-8.
inline QJsonValue csvRows(const QString& file, const QString& separator)
{
    return python(QStringLiteral("import csv,json,sys\n"
                                 "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                 "    print(json.dumps(list(csv.reader(f, delimiter=sys.argv[2]))))\n"),
                  {file, separator});
}

// The records xml.etree reads: [{"id", "caption", "head": [[name, value]...], "rows": [[number,
// [[name, value]...]]...]}], plus the declared encoding.
inline QJsonValue xmlRecords(const QString& file)
{
    return python(
        QStringLiteral("import json,sys\n"
                       "import xml.etree.ElementTree as ET\n"
                       "root = ET.parse(sys.argv[1]).getroot()\n"
                       "out = []\n"
                       "for rec in root.find('RecordSet').findall('Record'):\n"
                       "    head = rec.find('Head')\n"
                       "    out.append({'id': rec.get('id'), 'caption': rec.get('caption'),\n"
                       "        'head': None if head is None else [[f.get('name'), f.text or ''] for f in head],\n"
                       "        'rows': [[r.get('number'), [[f.get('name'), f.text or ''] for f in r]]\n"
                       "                 for r in rec.findall('Row')]})\n"
                       "print(json.dumps(out))\n"),
        {file});
}

// What html.parser finds in a page: the title, the background of each data row (TR with
// VALIGN), the cells' texts with <BR> as "\n", and the links.
inline QJsonValue htmlContent(const QString& file)
{
    return python(
        QStringLiteral(
            "import json,sys\n"
            "from html.parser import HTMLParser\n"
            "class P(HTMLParser):\n"
            "    def __init__(s):\n"
            "        super().__init__(convert_charrefs=True)\n"
            "        s.title=''; s.rows=[]; s.links=[]; s.cell=None; s.intitle=False\n"
            "    def handle_starttag(s, tag, attrs):\n"
            "        a = dict(attrs)\n"
            "        if tag == 'title': s.intitle = True\n"
            "        if tag == 'tr': s.rows.append({'bg': a.get('bgcolor'), 'data': 'valign' in a, 'cells': []})\n"
            "        if tag == 'td': s.cell = ''\n"
            "        if tag == 'br' and s.cell is not None: s.cell += '\\n'\n"
            "        if tag == 'font' and s.rows: s.rows[-1]['fg'] = a.get('color')\n"
            "        if tag == 'a': s.links.append(a.get('href'))\n"
            "    def handle_endtag(s, tag):\n"
            "        if tag == 'title': s.intitle = False\n"
            "        if tag == 'td': s.rows[-1]['cells'].append(s.cell); s.cell = None\n"
            "    def handle_data(s, d):\n"
            "        if s.intitle: s.title += d\n"
            "        elif s.cell is not None: s.cell += d.replace('\\r\\n', '')\n"
            "p = P()\n"
            "p.feed(open(sys.argv[1], encoding='utf-16', newline='').read())\n"
            "print(json.dumps({'title': p.title, 'rows': p.rows, 'links': p.links}))\n"),
        {file});
}

// What openpyxl reads from a workbook: {"sheets": [names], "rows": [[[type, value, number
// format]...]...] of the first sheet, "widths": {column letter: width}}. Types are "int",
// "float", "str", "datetime", "time", "date", "bool" and "none".
inline QJsonValue workbookContent(const QString& file)
{
    return python(QStringLiteral("import datetime,json,sys,openpyxl\n"
                                 "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                 "ws = wb[wb.sheetnames[0]]\n"
                                 "def cell(c):\n"
                                 "    v = c.value\n"
                                 "    if v is None: t = 'none'\n"
                                 "    elif isinstance(v, datetime.datetime): t = 'datetime'; v = v.isoformat()\n"
                                 "    elif isinstance(v, datetime.time): t = 'time'; v = v.isoformat()\n"
                                 "    elif isinstance(v, datetime.date): t = 'date'; v = v.isoformat()\n"
                                 "    else: t = type(v).__name__\n"
                                 "    return [t, v, c.number_format]\n"
                                 "print(json.dumps({'sheets': wb.sheetnames,\n"
                                 "    'rows': [[cell(c) for c in r] for r in ws.iter_rows()],\n"
                                 "    'widths': {k: d.width for k, d in ws.column_dimensions.items()}}))\n"),
                  {file});
}

// The rows the sqlite3 program gives for a query, as JSON objects; empty when it failed.
inline QJsonArray sqliteRows(const QString& file, const QString& sql)
{
    const QString out = run(QStringLiteral("/usr/bin/sqlite3"), {QStringLiteral("-json"), file, sql});
    return QJsonDocument::fromJson(out.toUtf8()).array();
}

// One text the sqlite3 program prints for a query (the first column of the first row).
inline QString sqliteValue(const QString& file, const QString& sql)
{
    return run(QStringLiteral("/usr/bin/sqlite3"), {file, sql}).trimmed();
}

// xmllint reads the file without a complaint (in HTML mode for a page).
inline bool xmllintAccepts(const QString& file, bool html, QString* errors = nullptr)
{
    QStringList arguments{QStringLiteral("--noout")};
    if (html)
        arguments.append(QStringLiteral("--html"));
    arguments.append(file);
    QString stderrText;
    const bool ok = !run(QStringLiteral("/usr/bin/xmllint"), arguments, &stderrText).isNull();
    if (errors)
        *errors = stderrText;
    return ok && stderrText.trimmed().isEmpty();
}

inline QByteArray readFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The SQLite ODBC driver's library (in the architecture's folder); empty when not installed.
inline QString sqliteOdbcDriver()
{
    const QDir lib(QStringLiteral("/usr/lib"));
    for (const QString& arch : lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString driver = lib.filePath(arch + QStringLiteral("/odbc/libsqlite3odbc.so"));
        if (QFile::exists(driver))
            return driver;
    }
    return {};
}

// A driver configuration of the test's own in folder (named "SQLite3"), and unixODBC pointed
// at it; a data source "klvtest" on the file dataSource when one is given.
inline bool configureOdbc(const QString& folder, const QString& dataSource = QString())
{
    const QString driver = sqliteOdbcDriver();
    if (driver.isEmpty() || !writeFile(folder + QStringLiteral("/odbcinst.ini"),
                                       "[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=" + driver.toUtf8() + "\n"))
        return false;
    if (!dataSource.isEmpty() && !writeFile(folder + QStringLiteral("/odbc.ini"),
                                            "[klvtest]\nDriver=SQLite3\nDatabase=" + dataSource.toUtf8() + "\n"))
        return false;
    qputenv("ODBCSYSINI", QFile::encodeName(folder));
    qputenv("ODBCINI", QFile::encodeName(folder + QStringLiteral("/odbc.ini")));
    return true;
}

// Takes everything written until limit bytes, then fails every write.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 limit) : m_limit(limit) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (written.size() + size > m_limit) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        written.append(data, size);
        return size;
    }

private:
    qint64 m_limit;
};

// The programs an export would start, recorded instead of started.
class FollowUps
{
public:
    struct Start
    {
        ExportFollowUp::Kind kind;
        QString program;
        QString file;
    };
    FollowUps()
    {
        ExportFollowUp::SetHandler([this](ExportFollowUp::Kind kind, const QString& program, const QString& file) {
            starts.append({kind, program, file});
        });
    }
    ~FollowUps() { ExportFollowUp::SetHandler({}); }
    FollowUps(const FollowUps&) = delete;
    FollowUps& operator=(const FollowUps&) = delete;
    QList<Start> starts;
};

// A writer's questions and notices, recorded; each question is answered by the next of answers,
// and once they are used up by agreeing.
class Prompts : public ExportPrompt
{
public:
    explicit Prompts(QList<bool> inTurn = {}) : answers(std::move(inTurn)) {}
    bool ask(const QString& question, Choice choice) override
    {
        asked.append(question);
        choices.append(choice);
        return answers.isEmpty() || answers.takeFirst();
    }
    void tell(const QString& text) override { told.append(text); }

    QList<bool> answers;
    QStringList asked;
    QList<Choice> choices;
    QStringList told;
};

// The dialog's way with a writer, for tests that look at what the user would see: each question
// a message box (which Answers records and answers), each refusal of a check shown as one.
class BoxPrompt : public ExportPrompt
{
public:
    bool ask(const QString& question, Choice choice) override
    {
        if (choice == Choice::YesNo)
            return MainModul::ShowMessageBox(question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        return MainModul::ShowMessageBox(question, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    }
    void tell(const QString& text) override { MainModul::ShowMessageBox(text); }

    static BoxPrompt& instance()
    {
        static BoxPrompt prompt;
        return prompt;
    }
};

// The checks as the dialog makes them, before and after the settings are stored, with the
// writer's questions as message boxes from then on; false at the first refusal, whose message
// is shown and whose option goes to option.
inline bool checkAsTheDialogDoes(ExportWriter& writer, int* option = nullptr)
{
    writer.setPrompt(&BoxPrompt::instance());
    for (const bool confirm : {false, true}) {
        const ExportCheck check = confirm ? writer.confirmTarget() : writer.checkTarget();
        if (check.passed())
            continue;
        if (!check.message().isEmpty())
            MainModul::ShowMessageBox(check.message());
        if (option)
            *option = check.option();
        return false;
    }
    return true;
}

// The message boxes shown meanwhile, recorded; each is answered by the next of answers, and
// once they are used up by agreeing (Yes or OK, whichever the box offers).
struct Answers : ViewerTest::MessageBoxes
{
    explicit Answers(QList<QMessageBox::StandardButton> inTurn = {}) : MessageBoxes(std::move(inTurn)) {}
};

// A window that shows rows: GetResultField by name gives the cell of a field key in a row
// (from 1). It counts the calls and can run something on a given call (a cancel mid-way).
class RowsWindow : public QObject
{
    Q_OBJECT

public:
    RowsWindow(QStringList keys, QList<QStringList> rows) : m_keys(std::move(keys)), m_rows(std::move(rows)) {}

    Q_INVOKABLE QString GetResultField(int& row, QString& fieldKey)
    {
        ++calls;
        if (onRow && row == onRowNumber && m_keys.indexOf(fieldKey) == 0)
            onRow();
        return m_rows.value(row - 1).value(int(m_keys.indexOf(fieldKey)));
    }

    int calls = 0;
    int onRowNumber = 0;
    std::function<void()> onRow;

private:
    QStringList m_keys;
    QList<QStringList> m_rows;
};

// A form that only counts the cancels it is asked for, as the export dialog is asked by the
// progress window.
class CancelCounter : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE void ExportAbbrechen() { ++cancels; }
    int cancels = 0;
};

} // namespace ExportTest
