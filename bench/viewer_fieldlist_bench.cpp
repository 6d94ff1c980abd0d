// The query window's field list for a table with many fields: the sample ERP with one more
// table, "Breit:Felder" (91:1), of N fields of every kind, read from a data file written for
// the run. For each N (5,000, 20,000 and 50,000 by default):
// - the library's field-list request alone (GetFieldNames, each record read with GetFields,
//   as the list reads them): the anchor;
// - the same records put into a plain QTreeWidget, shown offscreen, one column per field of
//   the catalogue record as the field list shows them at first: as plain a list of the same
//   rows and columns as there can be;
// - the program's own query window: the main window logged on, and the table opened in it as
//   the user opens it (Enter on its row), until the field list, the key list and the status
//   bar are filled and painted.
// Each run goes in a child process of its own with its own server. Without --run the program
// runs every size three times and prints the medians and the ratios to the anchors.
//   viewer_fieldlist_bench [--sizes 5000,20000,50000] [--repeat N]
//   viewer_fieldlist_bench --run library|tree|window --rows N
#include "AppContext.h"
#include "BenchProcess.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVQueryMetaData.h"
#include "KLVViewerWindow.h"
#include "MessageBoxes.h"
#include "QueryForm.h"
#include "QueryWindowInput.h"
#include "ViewerSession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString TableId = u"91:1"_s;
const QString TableName = u"Breit:Felder"_s;

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

QString fieldName(int n)
{
    return u"feld%1"_s.arg(n, 5, 10, QChar(u'0'));
}

// The built-in sample ERP with the wide table added, written to a file in dir.
QString writeData(const QString& dir, int fields)
{
    QFile builtIn(u":/klvserver/erp.json"_s);
    if (!builtIn.open(QIODevice::ReadOnly))
        return QString();
    QJsonObject root = QJsonDocument::fromJson(builtIn.readAll()).object();
    static const char16_t* const Types[] = {u"GL40", u"I6", u"B", u"GD8", u"R12.2", u"TN"};
    QJsonArray list;
    for (int n = 1; n <= fields; ++n) {
        list.append(QJsonObject{
            {u"name"_s, fieldName(n)},
            {u"type"_s, QString::fromUtf16(Types[n % int(std::size(Types))])},
            {u"desc"_s, QJsonObject{{u"de"_s, u"Feld %1"_s.arg(n)}, {u"en"_s, u"Field %1"_s.arg(n)}}}});
    }
    const QJsonObject group{{u"nr"_s, 1}, {u"name"_s, u"Felder"_s}, {u"fields"_s, list}};
    QJsonArray databases = root.value(u"databases"_s).toArray();
    databases.append(QJsonObject{{u"nr"_s, 91},
                                 {u"name"_s, QJsonObject{{u"de"_s, u"Breit"_s}, {u"en"_s, u"Breit"_s}}},
                                 {u"groups"_s, QJsonArray{group}}});
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
    if (!inOrder || !boxes.texts.isEmpty()) {
        std::fprintf(stderr, "window: %d of %d fields, in order: %d; %s\n", list->topLevelItemCount(), fields,
                     int(inOrder), qPrintable(boxes.texts.join(u" / "_s)));
        return 1;
    }
    std::printf("%d %.6f %ld\n", list->topLevelItemCount(), opened, BenchProcess::peakKilobytes());
    return 0;
}

int runChild(int argc, char** argv, const QString& kind, int fields)
{
    // The program's settings go to a folder of the run's own, never the user's.
    QTemporaryDir settings;
    if (kind == u"window"_s)
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    AppContext context;
    std::unique_ptr<QCoreApplication> app;
    if (kind == u"library"_s) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    }
    QTemporaryDir data;
    const QString dataFile = writeData(data.path(), fields);
    if (dataFile.isEmpty()) {
        std::fprintf(stderr, "cannot write the data file\n");
        return 2;
    }
    const std::unique_ptr<KlvServer> server = startServer(dataFile);
    if (!server)
        return 2;
    int rc = 1;
    if (kind == u"library"_s)
        rc = runLibrary(server->port(), fields);
    else if (kind == u"tree"_s)
        rc = runTree(server->port(), fields);
    else if (kind == u"window"_s)
        rc = runWindow(server->port(), fields);
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
    QList<int> sizes{5000, 20000, 50000};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") == 0) {
            sizes.clear();
            for (const QByteArray& part : QByteArray(argv[i + 1]).split(','))
                sizes.append(part.toInt());
        }
    }
    const int repeat = std::max(1, BenchProcess::argValue(argc, argv, "--repeat", 3));

    QCoreApplication app(argc, argv);
    const QString program = app.applicationFilePath();
    std::printf("the field list of %s with N fields; each run in a process of its own (server included), median "
                "of %d runs\n",
                qPrintable(TableName), repeat);
    std::printf("%8s %12s %12s %12s %12s %12s %10s\n", "fields", "library s", "plain tree s", "window s",
                "vs library", "vs tree", "peak MiB");
    for (int fields : std::as_const(sizes)) {
        QList<double> library;
        QList<double> tree;
        QList<double> window;
        QList<double> peak;
        for (int r = 0; r < repeat; ++r) {
            const QStringList a = BenchProcess::runChild(program, u"library"_s, 0, fields, 3);
            const QStringList b = BenchProcess::runChild(program, u"tree"_s, 0, fields, 2);
            const QStringList c = BenchProcess::runChild(program, u"window"_s, 0, fields, 3);
            if (a.isEmpty() || b.isEmpty() || c.isEmpty()) {
                std::fprintf(stderr, "a run with %d fields failed\n", fields);
                return 1;
            }
            library.append(a[1].toDouble());
            tree.append(b[1].toDouble());
            window.append(c[1].toDouble());
            peak.append(c[2].toDouble());
        }
        const double l = median(library);
        const double t = median(tree);
        const double w = median(window);
        std::printf("%8d %12.3f %12.3f %12.3f %11.2fx %11.2fx %10.1f\n", fields, l, t, w, w / l, w / t,
                    median(peak) / 1024.0);
        std::fflush(stdout);
    }
    return 0;
}
