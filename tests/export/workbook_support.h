#pragma once

// What the workbook tests share beyond export_support.h: workbooks written by openpyxl from a
// script, everything openpyxl reads back from every sheet, a check of the package's parts and
// relationships by Python's own zip and XML readers, and exports run in a child process that
// may be stopped by a file-size limit.

#include "ExportWorkbookWriter.h"
#include "export_support.h"

#include <QDir>
#include <QJsonObject>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

namespace WorkbookTest {

// Runs an openpyxl script with the workbook's file name in `path`; true when it saved it.
inline bool writeWithOpenpyxl(const QString& file, const QString& script)
{
    const QString program = QStringLiteral("import datetime,sys,openpyxl\n"
                                           "from openpyxl.styles import Font\n"
                                           "from openpyxl.comments import Comment\n"
                                           "from openpyxl.workbook.defined_name import DefinedName\n"
                                           "path = sys.argv[1]\n") +
                            script;
    return !ExportTest::run(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), program, file}).isNull() &&
           QFile::exists(file);
}

// What openpyxl reads from a workbook: {"sheets": [names], "active": index, "firstTab": the
// first sheet the tabs show, "names":
// [[name, local sheet, formula]...], "content": {sheet: {"cells": [[cell, type, value, number
// format, bold, font, size]...], "widths": {column: width}, "selected": bool, "printArea"}}}.
// Chart sheets have no content.
inline QJsonValue snapshot(const QString& file)
{
    return ExportTest::python(
        QStringLiteral(
            "import datetime,json,sys,openpyxl\n"
            "wb = openpyxl.load_workbook(sys.argv[1])\n"
            "def value(v):\n"
            "    return v.isoformat() if hasattr(v, 'isoformat') else v\n"
            "content = {}\n"
            "for ws in wb.worksheets:\n"
            "    cells = [[c.coordinate, c.data_type, value(c.value), c.number_format, bool(c.font.b), c.font.name,\n"
            "              c.font.sz] for r in ws.iter_rows() for c in r if c.value is not None]\n"
            "    content[ws.title] = {'cells': cells, 'selected': bool(ws.sheet_view.tabSelected),\n"
            "        'widths': {k: d.width for k, d in ws.column_dimensions.items() if d.customWidth},\n"
            "        'printArea': ws.print_area}\n"
            "print(json.dumps({'sheets': wb.sheetnames, 'active': wb.index(wb.active),\n"
            "    'firstTab': wb.views[0].firstSheet,\n"
            "    'names': sorted([[d.name, d.localSheetId, d.attr_text] for d in wb.defined_names.definedName],\n"
            "                    key=str),\n"
            "    'content': content}))\n"),
        {file});
}

// The package as Python's zip and XML readers see it: {"parts": [names], "titles": [the texts
// of the document's properties' headings and parts], "counts": [their headings' counts],
// "problems": [...]}:
// a relationship to a part that is not there, a part without a content type, a content type
// for a part that is not there, a part no relationship reaches, an entry that does not unpack.
inline QJsonValue package(const QString& file)
{
    return ExportTest::python(
        QStringLiteral(
            "import json,posixpath,sys,zipfile\n"
            "import xml.etree.ElementTree as ET\n"
            "z = zipfile.ZipFile(sys.argv[1])\n"
            "names = [n for n in z.namelist() if not n.endswith('/')]\n"
            "lower = {n.lower(): n for n in names}\n"
            "problems = []\n"
            "bad = z.testzip()\n"
            "if bad: problems.append('does not unpack: ' + bad)\n"
            "ct = ET.fromstring(z.read('[Content_Types].xml'))\n"
            "ns = '{http://schemas.openxmlformats.org/package/2006/content-types}'\n"
            "defaults = {e.get('Extension').lower() for e in ct.iter(ns + 'Default')}\n"
            "overrides = {e.get('PartName').lstrip('/').lower() for e in ct.iter(ns + 'Override')}\n"
            "problems += ['type without part: ' + o for o in overrides if o not in lower]\n"
            "def rels_of(part):\n"
            "    d, f = posixpath.split(part)\n"
            "    return posixpath.join(d, '_rels', f + '.rels')\n"
            "reached = set()\n"
            "todo = ['']\n"
            "while todo:\n"
            "    part = todo.pop()\n"
            "    r = rels_of(part).lower()\n"
            "    if r not in lower: continue\n"
            "    for rel in ET.fromstring(z.read(lower[r])):\n"
            "        if rel.get('TargetMode') == 'External': continue\n"
            "        t = rel.get('Target')\n"
            "        p = t.lstrip('/') if t.startswith('/') else posixpath.normpath(\n"
            "            posixpath.join(posixpath.dirname(part), t))\n"
            "        if p.lower() not in lower: problems.append('missing: ' + p); continue\n"
            "        if p.lower() not in reached: reached.add(p.lower()); todo.append(lower[p.lower()])\n"
            "for n in names:\n"
            "    if n == '[Content_Types].xml' or n.endswith('.rels'): continue\n"
            "    if n.lower() not in overrides and n.rsplit('.', 1)[-1].lower() not in defaults:\n"
            "        problems.append('no type: ' + n)\n"
            "    if n.lower() not in reached: problems.append('not reached: ' + n)\n"
            "    else: ET.fromstring(z.read(n)) if n.endswith('.xml') else None\n"
            "titles = []\n"
            "counts = []\n"
            "if 'docProps/app.xml' in names:\n"
            "    vt = '{http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes}'\n"
            "    app = ET.fromstring(z.read('docProps/app.xml'))\n"
            "    titles = [t.text for t in app.iter(vt + 'lpstr')]\n"
            "    counts = [int(t.text) for t in app.iter(vt + 'i4')]\n"
            "print(json.dumps({'parts': sorted(names), 'titles': titles, 'counts': counts, 'problems': problems}))\n"),
        {file});
}

// A workbook export of fields into file's sheet, the columns formatted: the job and the
// writer's options.
struct WorkbookExport
{
    ExportJob job;
    ExportWorkbookWriter::Options options;
};

inline WorkbookExport workbookJob(const QString& file, const QString& sheet, const QList<ExportField>& fields,
                                  const std::function<void(ExportWorkbookWriter::Options&)>& change = {})
{
    WorkbookExport e{ExportTest::job(1, fields), {}};
    e.options.fileName = file;
    e.options.sheetName = sheet;
    if (change)
        change(e.options);
    return e;
}

// The writer of such an export, as the workbook's page makes it.
class WorkbookWriter : public ExportWorkbookWriter
{
public:
    explicit WorkbookWriter(const WorkbookExport& e) : ExportWorkbookWriter(e.job, e.options) {}
};

// Opens, writes every row and finishes; false at the first step that does not go on.
inline bool writeRows(ExportWriter& writer, const QList<QStringList>& rows, ExportFailure& failure)
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

// The files in a folder, hidden ones too.
inline QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The wait status of a child process that runs body, which gives its exit code. The child
// may write files up to fileLimit bytes (0: no limit); beyond, a write fails when ignoreLimit,
// else the child is killed by SIGXFSZ in the middle of that write.
inline int inChild(long fileLimit, bool ignoreLimit, const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, ignoreLimit ? SIG_IGN : SIG_DFL);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        if (fileLimit > 0) {
            const rlimit files{rlim_t(fileLimit), rlim_t(fileLimit)};
            setrlimit(RLIMIT_FSIZE, &files);
        }
        const int code = body();
        std::fflush(nullptr);
        _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

} // namespace WorkbookTest
