// The query window's field list for a table with many fields: the sample ERP with one more
// table, "Breit:Felder" (91:1), of N fields of every kind and N / 20 keys, read from a data file
// written for the run. For each N (5,000, 20,000 and 50,000 by default):
// - the library's field-list request alone (GetFieldNames, each record read with GetFields,
//   as the list reads them): the anchor;
// - the same records put into a plain QTreeWidget, shown offscreen, one column per field of
//   the catalogue record as the field list shows them at first: as plain a list of the same
//   rows and columns as there can be;
// - the same answer through the catalogue windows' fill (ListViewHelpers::FillListViewFromQuery)
//   into a list shown offscreen, as the information windows fill theirs;
// - the program's own query window: the main window logged on, and the table opened in it as
//   the user opens it (Enter on its row), until the field list, the key list and the status
//   bar are filled and painted; then the reference-path chooser prepared on the table, its
//   list of data fields filled.
// The same for the table list of a catalogue of many tables: the sample ERP with the database
// "Viele" (92) of N tables, for each N (5,000 and 20,000 by default) the library's table-list
// request alone beside the query window's table list filled anew (F5 on it) until painted.
// And the saved-query list of a table with N saved queries (250 and 1,000, the most the list
// takes, by default): the list filled from the table's file beside the file read once; and
// the column chooser over N columns (every other one shown), opened and closed with OK, beside
// a plain list of the same entries.
// Each run goes in a child process of its own with its own server. Without --run the program
// runs every size three times and prints the medians and the ratios to the anchors.
//   viewer_fieldlist_bench [--sizes 5000,20000,50000] [--table-sizes 5000,20000]
//                          [--query-sizes 250,1000] [--chooser-sizes 1000,10000] [--repeat N]
//   viewer_fieldlist_bench --run library|tree|catalogue|window|tablelibrary|tablewindow|inifile|querylist|
//                          choiceanchor|chooser
//                          --rows N
#include "AppContext.h"
#include "BenchProcess.h"
#include "IniFile.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVQueryMetaData.h"
#include "KLVViewerWindow.h"
#include "ListViewHelpers.h"
#include "MessageBoxes.h"
#include "QueryContext.h"
#include "QueryForm.h"
#include "QueryListForm.h"
#include "QueryWindowInput.h"
#include "SpaltenWahlForm.h"
#include "VerknAuswahlForm.h"
#include "ViewerSession.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString TableId = u"91:1"_s;
const QString TableName = u"Breit:Felder"_s;
constexpr int ManyTablesDatabase = 92;

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

QString fieldName(int n)
{
    return u"feld%1"_s.arg(n, 5, 10, QChar(u'0'));
}

QJsonObject field(int n)
{
    static const char16_t* const Types[] = {u"GL40", u"I6", u"B", u"GD8", u"R12.2", u"TN"};
    return QJsonObject{{u"name"_s, fieldName(n)},
                       {u"type"_s, QString::fromUtf16(Types[n % int(std::size(Types))])},
                       {u"desc"_s, QJsonObject{{u"de"_s, u"Feld %1"_s.arg(n)}, {u"en"_s, u"Field %1"_s.arg(n)}}}};
}

// The keys of the wide table: one for every twenty fields, each on one of the first fields.
int keyCount(int fields)
{
    return fields / 20;
}

QJsonObject database(int number, const QString& name, const QJsonArray& groups)
{
    return QJsonObject{
        {u"nr"_s, number}, {u"name"_s, QJsonObject{{u"de"_s, name}, {u"en"_s, name}}}, {u"groups"_s, groups}};
}

// The built-in sample ERP with the wide table of that many fields added, and with that many
// more tables of two fields each in a database of their own, written to a file in dir.
QString writeData(const QString& dir, int fields, int tables)
{
    QFile builtIn(u":/klvserver/erp.json"_s);
    if (!builtIn.open(QIODevice::ReadOnly))
        return QString();
    QJsonObject root = QJsonDocument::fromJson(builtIn.readAll()).object();
    QJsonArray databases = root.value(u"databases"_s).toArray();
    QJsonArray list;
    for (int n = 1; n <= fields; ++n)
        list.append(field(n));
    QJsonArray keys;
    for (int n = 1; n <= keyCount(fields); ++n)
        keys.append(QJsonObject{{u"name"_s, u"s%1"_s.arg(n)}, {u"fields"_s, fieldName(n)}});
    databases.append(database(
        91, u"Breit"_s, {QJsonObject{{u"nr"_s, 1}, {u"name"_s, u"Felder"_s}, {u"fields"_s, list}, {u"keys"_s, keys}}}));
    QJsonArray groups;
    for (int n = 1; n <= tables; ++n) {
        groups.append(QJsonObject{
            {u"nr"_s, n}, {u"name"_s, u"Tabelle %1"_s.arg(n)}, {u"fields"_s, QJsonArray{field(1), field(2)}}});
    }
    if (tables > 0)
        databases.append(database(ManyTablesDatabase, u"Viele"_s, groups));
    root.insert(u"databases"_s, databases);
    QFile file(dir + u"/erp.json"_s);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson(QJsonDocument::Compact)) < 0)
        return QString();
    return file.fileName();
}

std::unique_ptr<KlvServer> startServer(const QString& dataFile)
{
    KlvServerOptions options;
    options.dataFile = dataFile;
    options.recordReceived = false;
    auto server = std::make_unique<KlvServer>(options);
    if (!server->start()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(server->errorString()));
        return nullptr;
    }
    return server;
}

struct Session
{
    QSharedPointer<KLV> session;
    QSharedPointer<KLVQuery> query;
};

// Logged on as the query window is: a query with the fields' descriptions.
bool logOn(quint16 port, Session& s)
{
    s.session = QSharedPointer<KLV>::create();
    if (!s.session->BeginSession(u"127.0.0.1"_s, port, u"100"_s, u"secret"_s)) {
        std::fprintf(stderr, "logon: %s\n", qPrintable(s.session->GetLastError()));
        return false;
    }
    s.query = s.session->CreateQuery();
    s.query->setEnableQueryMetaData(true);
    return true;
}

// The anchor: the field-list request through the library alone.
int runLibrary(quint16 port, int fields)
{
    Session s;
    if (!logOn(port, s))
        return 1;
    QElapsedTimer timer;
    timer.start();
    if (!s.query->GetFieldNames(TableId)) {
        std::fprintf(stderr, "library: %s\n", qPrintable(s.query->GetLastError()));
        return 1;
    }
    int records = 0;
    qint64 chars = 0;
    while (s.query->GetNextRecord()) {
        const QStringList record = s.query->GetFields();
        chars += record.value(0).size();
        ++records;
    }
    const double read = seconds(timer);
    if (records != fields) {
        std::fprintf(stderr, "library: %d of %d fields\n", records, fields);
        return 1;
    }
    s.session->EndSession();
    std::printf("%d %.6f %lld\n", records, read, chars);
    return 0;
}

// The same records as rows of a plain QTreeWidget, shown: every row made first and added in
// one call, as plain a fill as Qt allows.
int runTree(quint16 port, int fields)
{
    QTreeWidget tree;
    tree.setRootIsDecorated(false);
    tree.setUniformRowHeights(true);
    tree.resize(600, 800);
    tree.show();
    QApplication::processEvents();
    Session s;
    if (!logOn(port, s))
        return 1;
    QElapsedTimer timer;
    timer.start();
    if (!s.query->GetFieldNames(TableId)) {
        std::fprintf(stderr, "tree: %s\n", qPrintable(s.query->GetLastError()));
        return 1;
    }
    const QSharedPointer<KLVQueryMetaData> meta = s.query->GetQueryMetaData();
    tree.setColumnCount(meta ? int(meta->GetFieldMetaDataArray().size()) : 1);
    QList<QTreeWidgetItem*> rows;
    while (s.query->GetNextRecord()) {
        auto* item = new QTreeWidgetItem(s.query->GetFields());
        item->setCheckState(0, Qt::Unchecked);
        rows.append(item);
    }
    tree.addTopLevelItems(rows);
    QApplication::processEvents();
    const double filled = seconds(timer);
    if (tree.topLevelItemCount() != fields) {
        std::fprintf(stderr, "tree: %d of %d rows\n", tree.topLevelItemCount(), fields);
        return 1;
    }
    s.session->EndSession();
    std::printf("%d %.6f\n", tree.topLevelItemCount(), filled);
    return 0;
}

// The same records through the catalogue windows' fill into a list shown, each field a column.
int runCatalogue(quint16 port, int fields)
{
    QTreeWidget tree;
    tree.setRootIsDecorated(false);
    tree.setUniformRowHeights(true);
    tree.resize(600, 800);
    tree.show();
    QApplication::processEvents();
    Session s;
    if (!logOn(port, s))
        return 1;
    QElapsedTimer timer;
    timer.start();
    if (!s.query->GetFieldNames(TableId)) {
        std::fprintf(stderr, "catalogue: %s\n", qPrintable(s.query->GetLastError()));
        return 1;
    }
    const QSharedPointer<KLVQueryMetaData> meta = s.query->GetQueryMetaData();
    ListViewColumnArray columns(meta ? meta->GetFieldMetaDataArray().size() : 1);
    for (ListViewColumnProperty& column : columns)
        column.Visible = true;
    tree.setColumnCount(int(columns.size()));
    ListViewHelpers::FillListViewFromQuery(s.query, &tree, columns, nullptr, 0);
    QApplication::processEvents();
    const double filled = seconds(timer);
    if (tree.topLevelItemCount() != fields || tree.topLevelItem(fields - 1)->text(0) != fieldName(fields)) {
        std::fprintf(stderr, "catalogue: %d of %d rows\n", tree.topLevelItemCount(), fields);
        return 1;
    }
    s.session->EndSession();
    std::printf("%d %.6f\n", tree.topLevelItemCount(), filled);
    return 0;
}

// The program's query window opening the table as the user does, until it is painted.
int runWindow(quint16 port, int fields)
{
    QTemporaryDir dir;
    ViewerTest::loadTexts();
    const ViewerTest::MessageBoxes boxes;
    ViewerTest::Viewer viewer;
    if (!viewer.logOn(port, dir.path())) {
        std::fprintf(stderr, "window: no logon\n");
        return 1;
    }
    viewer.window->resize(1200, 800);
    QueryForm* form = viewer.form();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    if (!ViewerTest::openTable(form, TableName)) {
        std::fprintf(stderr, "window: the table %s did not open\n", qPrintable(TableName));
        return 1;
    }
    QApplication::processEvents();
    const double opened = seconds(timer);
    // Not timed: every field came, in the server's order.
    const QTreeWidget* list = form->feldListe();
    bool inOrder = list->topLevelItemCount() == fields;
    for (int i = 0; inOrder && i < fields; i += std::max(1, fields / 100))
        inOrder = list->topLevelItem(i)->text(0) == fieldName(i + 1);
    // The key list: "no key" and every key.
    const auto* keyList = form->findChild<QComboBox*>(u"Schluessel"_s);
    if (!inOrder || !boxes.texts.isEmpty() || !keyList || keyList->count() != keyCount(fields) + 1) {
        std::fprintf(stderr, "window: %d of %d fields, in order: %d; %s\n", list->topLevelItemCount(), fields,
                     int(inOrder), qPrintable(boxes.texts.join(u" / "_s)));
        return 1;
    }
    // The reference-path chooser on the same table: every field is a data field.
    VerknAuswahlForm* chooser = VerknAuswahlForm::DefaultInstance();
    bool ok = false;
    timer.restart();
    chooser->InitVerknInfo(QueryContext::session(), TableId, TableName, QString(), QString(), ok);
    QApplication::processEvents();
    const double paths = seconds(timer);
    if (!ok || chooser->datenFeldListe()->topLevelItemCount() != fields) {
        std::fprintf(stderr, "window: the path chooser lists %d of %d fields\n",
                     chooser->datenFeldListe()->topLevelItemCount(), fields);
        return 1;
    }
    std::printf("%d %.6f %ld %.6f\n", list->topLevelItemCount(), opened, BenchProcess::peakKilobytes(), paths);
    return 0;
}

// The anchor of the table list: the library's table-list request alone.
int runTableLibrary(quint16 port, int tables)
{
    Session s;
    if (!logOn(port, s))
        return 1;
    QElapsedTimer timer;
    timer.start();
    if (!s.query->GetTableNames(QString())) {
        std::fprintf(stderr, "tables: %s\n", qPrintable(s.query->GetLastError()));
        return 1;
    }
    int records = 0;
    while (s.query->GetNextRecord()) {
        const QStringList record = s.query->GetFields();
        records += record.isEmpty() ? 0 : 1;
    }
    const double read = seconds(timer);
    if (records < tables) {
        std::fprintf(stderr, "tables: %d records for %d tables\n", records, tables);
        return 1;
    }
    s.session->EndSession();
    std::printf("%d %.6f\n", records, read);
    return 0;
}

// The query window's table list filled anew as the user asks for it (F5 on the list), until
// it is painted.
int runTableWindow(quint16 port, int tables)
{
    QTemporaryDir dir;
    ViewerTest::loadTexts();
    const ViewerTest::MessageBoxes boxes;
    ViewerTest::Viewer viewer;
    if (!viewer.logOn(port, dir.path())) {
        std::fprintf(stderr, "table window: no logon\n");
        return 1;
    }
    viewer.window->resize(1200, 800);
    QueryForm* form = viewer.form();
    QTreeWidget* list = form->tabellenListe();
    list->setFocus();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(list, Qt::Key_F5);
    QApplication::processEvents();
    const double filled = seconds(timer);
    const QString last = u"Viele:Tabelle %1"_s.arg(tables);
    if (list->topLevelItemCount() < tables || !boxes.texts.isEmpty() ||
        list->topLevelItem(list->topLevelItemCount() - 1)->text(0) != last) {
        std::fprintf(stderr, "table window: %d rows for %d tables; %s\n", list->topLevelItemCount(), tables,
                     qPrintable(boxes.texts.join(u" / "_s)));
        return 1;
    }
    std::printf("%d %.6f %ld\n", list->topLevelItemCount(), filled, BenchProcess::peakKilobytes());
    return 0;
}

// A table's file of that many saved queries, each with every value the list shows.
QString writeSavedQueries(const QString& dir, int queries)
{
    QFile file(dir + u"/Breit_Felder.ini"_s);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QByteArray text;
    for (int n = 1; n <= queries; ++n) {
        text += "[Abfrage " + QByteArray::number(n) + "]\r\nFields=0:feld00001,0:feld00002,0:feld0000" +
                QByteArray::number(n % 10) + "\r\nKrit=feld00001>" + QByteArray::number(n) +
                "\r\nANDJunction=1\r\nOrder=feld00002.vorw\r\nAscending=1\r\nByRows=0\r\nAliveFlag=3\r\n"
                "SortKey=nummer\r\n";
    }
    return file.write(text) == text.size() ? file.fileName() : QString();
}

// The anchor of the saved-query list: the file read once, and its section names.
int runIniFile(int queries)
{
    QTemporaryDir dir;
    const QString path = writeSavedQueries(dir.path(), queries);
    QElapsedTimer timer;
    timer.start();
    IniFile file(path);
    file.load();
    const qsizetype sections = file.sectionNames().size();
    const double read = seconds(timer);
    if (sections != queries)
        return 1;
    std::printf("%lld %.6f\n", qint64(sections), read);
    return 0;
}

// The saved-query list of the table filled from its file, as the main window fills it.
int runQueryList(int queries)
{
    QTemporaryDir dir;
    QString path = writeSavedQueries(dir.path(), queries);
    ViewerTest::loadTexts();
    QueryListForm form;
    QString table = TableName;
    QElapsedTimer timer;
    timer.start();
    form.LoadQueryList(table, path);
    const double filled = seconds(timer);
    const QTreeWidget* list = form.queryList();
    if (list->topLevelItemCount() != queries ||
        list->topLevelItem(queries - 1)->text(2) != u"feld00001>%1"_s.arg(queries)) {
        std::fprintf(stderr, "query list: %d rows for %d queries\n", list->topLevelItemCount(), queries);
        return 1;
    }
    std::printf("%d %.6f\n", list->topLevelItemCount(), filled);
    return 0;
}

ListViewColumnArray chooserColumns(int count)
{
    ListViewColumnArray columns(count);
    for (int i = 0; i < count; ++i) {
        columns[i].Descr = u"Spalte %1"_s.arg(i + 1);
        columns[i].Visible = i % 2 == 0;
    }
    return columns;
}

// The anchor of the column chooser: a plain list of the same entries with the same ones
// selected, shown, and the choice read back.
int runChoiceAnchor(int count)
{
    const ListViewColumnArray columns = chooserColumns(count);
    QElapsedTimer timer;
    timer.start();
    QListWidget list;
    list.setSelectionMode(QAbstractItemView::MultiSelection);
    QItemSelection selection;
    for (int i = 0; i < count; ++i) {
        new QListWidgetItem(columns[i].Descr, &list);
        if (columns[i].Visible)
            selection.select(list.model()->index(i, 0), list.model()->index(i, 0));
    }
    list.selectionModel()->select(selection, QItemSelectionModel::Select);
    list.show();
    QApplication::processEvents();
    int shown = 0;
    for (const QModelIndex& index : list.selectionModel()->selectedIndexes())
        shown += index.isValid() ? 1 : 0;
    const double seconds_ = seconds(timer);
    if (shown != (count + 1) / 2)
        return 1;
    std::printf("%d %.6f\n", count, seconds_);
    return 0;
}

// The column chooser opened over the columns and closed with OK at once.
int runChooser(int count)
{
    ListViewColumnArray columns = chooserColumns(count);
    SpaltenWahlForm form;
    QElapsedTimer timer;
    QTimer::singleShot(0, &form, [&form] { form.findChild<QPushButton*>(u"OKButton"_s)->click(); });
    timer.start();
    const int result = form.SelectColumns(columns);
    const double seconds_ = seconds(timer);
    int shown = 0;
    for (const ListViewColumnProperty& column : std::as_const(columns))
        shown += column.Visible ? 1 : 0;
    if (result != SpaltenWahlForm::ResultOk || shown != (count + 1) / 2 || !columns[0].Visible || columns[1].Visible) {
        std::fprintf(stderr, "chooser: %d of %d columns shown\n", shown, count);
        return 1;
    }
    std::printf("%d %.6f\n", count, seconds_);
    return 0;
}

int runChild(int argc, char** argv, const QString& kind, int size)
{
    if (kind == u"choiceanchor"_s || kind == u"chooser"_s) {
        QTemporaryDir settings;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        AppContext context;
        QApplication app(argc, argv);
        return kind == u"chooser"_s ? runChooser(size) : runChoiceAnchor(size);
    }
    if (kind == u"inifile"_s)
        return runIniFile(size);
    if (kind == u"querylist"_s) {
        QTemporaryDir settings;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        AppContext context;
        QApplication app(argc, argv);
        return runQueryList(size);
    }
    const bool tableRun = kind.startsWith(u"table"_s);
    // The program's settings go to a folder of the run's own, never the user's.
    QTemporaryDir settings;
    if (kind == u"window"_s)
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    AppContext context;
    std::unique_ptr<QCoreApplication> app;
    if (kind == u"library"_s || kind == u"tablelibrary"_s) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    }
    QTemporaryDir data;
    const QString dataFile = writeData(data.path(), tableRun ? 0 : size, tableRun ? size : 0);
    if (dataFile.isEmpty()) {
        std::fprintf(stderr, "cannot write the data file\n");
        return 2;
    }
    const std::unique_ptr<KlvServer> server = startServer(dataFile);
    if (!server)
        return 2;
    int rc = 1;
    if (kind == u"library"_s)
        rc = runLibrary(server->port(), size);
    else if (kind == u"tree"_s)
        rc = runTree(server->port(), size);
    else if (kind == u"catalogue"_s)
        rc = runCatalogue(server->port(), size);
    else if (kind == u"window"_s)
        rc = runWindow(server->port(), size);
    else if (kind == u"tablelibrary"_s)
        rc = runTableLibrary(server->port(), size);
    else if (kind == u"tablewindow"_s)
        rc = runTableWindow(server->port(), size);
    server->stop();
    return rc;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--run") == 0)
            return runChild(argc, argv, QString::fromLocal8Bit(argv[i + 1]),
                            BenchProcess::argValue(argc, argv, "--rows", 20000));
    }
    const auto sizesOf = [argc, argv](const char* name, QList<int> sizes) {
        for (int i = 1; i + 1 < argc; ++i) {
            if (std::strcmp(argv[i], name) == 0) {
                sizes.clear();
                for (const QByteArray& part : QByteArray(argv[i + 1]).split(','))
                    sizes.append(part.toInt());
            }
        }
        sizes.removeAll(0);
        return sizes;
    };
    const QList<int> sizes = sizesOf("--sizes", {5000, 20000, 50000});
    const QList<int> tableSizes = sizesOf("--table-sizes", {5000, 20000});
    const QList<int> querySizes = sizesOf("--query-sizes", {250, 1000});
    const QList<int> chooserSizes = sizesOf("--chooser-sizes", {1000, 10000});
    const int repeat = std::max(1, BenchProcess::argValue(argc, argv, "--repeat", 3));

    QCoreApplication app(argc, argv);
    const QString program = app.applicationFilePath();
    std::printf("the field list of %s with N fields; each run in a process of its own (server included), median "
                "of %d runs\n",
                qPrintable(TableName), repeat);
    std::printf("%8s %10s %10s %10s %10s %10s %10s %10s %10s %10s %10s\n", "fields", "library s", "tree s", "catalog s",
                "window s", "paths s", "cat/tree", "win/lib", "win/tree", "paths/tree", "peak MiB");
    for (int fields : std::as_const(sizes)) {
        QList<double> library;
        QList<double> tree;
        QList<double> catalogue;
        QList<double> window;
        QList<double> paths;
        QList<double> peak;
        for (int r = 0; r < repeat; ++r) {
            const QStringList a = BenchProcess::runChild(program, u"library"_s, 0, fields, 3);
            const QStringList b = BenchProcess::runChild(program, u"tree"_s, 0, fields, 2);
            const QStringList d = BenchProcess::runChild(program, u"catalogue"_s, 0, fields, 2);
            const QStringList c = BenchProcess::runChild(program, u"window"_s, 0, fields, 4);
            if (a.isEmpty() || b.isEmpty() || c.isEmpty() || d.isEmpty()) {
                std::fprintf(stderr, "a run with %d fields failed\n", fields);
                return 1;
            }
            library.append(a[1].toDouble());
            tree.append(b[1].toDouble());
            catalogue.append(d[1].toDouble());
            window.append(c[1].toDouble());
            peak.append(c[2].toDouble());
            paths.append(c[3].toDouble());
        }
        const double l = median(library);
        const double t = median(tree);
        const double p = median(paths);
        const double k = median(catalogue);
        const double w = median(window);
        std::printf("%8d %10.3f %10.3f %10.3f %10.3f %10.3f %9.2fx %9.2fx %9.2fx %9.2fx %10.1f\n", fields, l, t, k, w,
                    p, k / t, w / l, w / t, p / t, median(peak) / 1024.0);
        std::fflush(stdout);
    }
    std::printf("\nthe table list with N more tables (F5 on it), median of %d runs\n", repeat);
    std::printf("%8s %12s %12s %12s %10s\n", "tables", "library s", "window s", "vs library", "peak MiB");
    for (int tables : std::as_const(tableSizes)) {
        QList<double> library;
        QList<double> window;
        QList<double> peak;
        for (int r = 0; r < repeat; ++r) {
            const QStringList a = BenchProcess::runChild(program, u"tablelibrary"_s, 0, tables, 2);
            const QStringList c = BenchProcess::runChild(program, u"tablewindow"_s, 0, tables, 3);
            if (a.isEmpty() || c.isEmpty()) {
                std::fprintf(stderr, "a run with %d tables failed\n", tables);
                return 1;
            }
            library.append(a[1].toDouble());
            window.append(c[1].toDouble());
            peak.append(c[2].toDouble());
        }
        const double l = median(library);
        const double w = median(window);
        std::printf("%8d %12.3f %12.3f %11.2fx %10.1f\n", tables, l, w, w / l, median(peak) / 1024.0);
        std::fflush(stdout);
    }
    std::printf("\nthe saved-query list of a table with N saved queries, median of %d runs\n", repeat);
    std::printf("%8s %12s %12s %12s\n", "queries", "file read s", "list s", "vs file");
    for (int queries : std::as_const(querySizes)) {
        QList<double> file;
        QList<double> list;
        for (int r = 0; r < repeat; ++r) {
            const QStringList a = BenchProcess::runChild(program, u"inifile"_s, 0, queries, 2);
            const QStringList c = BenchProcess::runChild(program, u"querylist"_s, 0, queries, 2);
            if (a.isEmpty() || c.isEmpty()) {
                std::fprintf(stderr, "a run with %d saved queries failed\n", queries);
                return 1;
            }
            file.append(a[1].toDouble());
            list.append(c[1].toDouble());
        }
        const double f = median(file);
        const double l = median(list);
        std::printf("%8d %12.4f %12.4f %11.2fx\n", queries, f, l, l / f);
        std::fflush(stdout);
    }
    std::printf("\nthe column chooser over N columns, median of %d runs\n", repeat);
    std::printf("%8s %12s %12s %12s\n", "columns", "plain list s", "chooser s", "vs list");
    for (int count : std::as_const(chooserSizes)) {
        QList<double> plain;
        QList<double> chooser;
        for (int r = 0; r < repeat; ++r) {
            const QStringList a = BenchProcess::runChild(program, u"choiceanchor"_s, 0, count, 2);
            const QStringList c = BenchProcess::runChild(program, u"chooser"_s, 0, count, 2);
            if (a.isEmpty() || c.isEmpty()) {
                std::fprintf(stderr, "a run with %d columns failed\n", count);
                return 1;
            }
            plain.append(a[1].toDouble());
            chooser.append(c[1].toDouble());
        }
        const double p = median(plain);
        const double c = median(chooser);
        std::printf("%8d %12.4f %12.4f %11.2fx\n", count, p, c, c / p);
        std::fflush(stdout);
    }
    return 0;
}
