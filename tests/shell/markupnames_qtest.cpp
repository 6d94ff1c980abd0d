// Names from the server are shown as the text they are, never as markup: the sample ERP with a
// database, tables, fields, an enumeration and an information system whose names hold a bold
// tag, a link and images (one from a file, one from /dev/zero, which a label rendering its text
// as markup would read until memory runs out), and the windows a user opens on them. Every
// label of every window then shows its text as plain text, the names in it literally.
#include "AufzInfoForm.h"
#include "DatabaseInfoForm.h"
#include "InfosysForm.h"
#include "InfosysInfoForm.h"
#include "MainMenus.h"
#include "StatusPanel.h"
#include "VerknAuswahlForm.h"
#include "VerwInfoForm.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QAction>
#include <QFile>
#include <QHelpEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QTextDocument>

#include <memory>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

namespace {

const QString Bold = u"<b>Kunde</b>"_s;
const QString Link = u"<a href=\"x\">Mitarbeiter</a>"_s;
const QString FileImage = u"<img src=\"/etc/passwd\">"_s;
const QString ZeroImage = u"<img src=\"/dev/zero\">"_s;
// The server keeps field names in lower case.
const QString ReferenceField = u"<img src=\"/dev/zero\">verweis"_s;
const QString DataField = u"<b>feld</b>"_s;
const QString Enumeration = u"<a href=\"x\">A999</a>"_s;
const QString InfosysLabel = u"<a href=\"y\">Ort</a>"_s;

const QString MarkupTable = Bold + u':' + ZeroImage;
const QString TargetTable = Link + u':' + FileImage;

QJsonObject both(const QString& text)
{
    return {{u"de"_s, text}, {u"en"_s, text}};
}

// The sample ERP of the server with those names, written into folder; its path.
QString markupErp(const QString& folder)
{
    QFile builtIn(QStringLiteral(KLV_SOURCE_DIR) + u"/server/data/erp.json"_s);
    if (!builtIn.open(QIODevice::ReadOnly))
        return QString();
    QJsonObject erp = QJsonDocument::fromJson(builtIn.readAll()).object();

    QJsonArray databases = erp.value(u"databases"_s).toArray();
    for (qsizetype i = 0; i < databases.size(); ++i) {
        QJsonObject database = databases[i].toObject();
        QJsonArray groups = database.value(u"groups"_s).toArray();
        QJsonObject group = groups[0].toObject();
        const int nr = database.value(u"nr"_s).toInt();
        if (nr == 1) {
            // Customers: the table the query window opens, with a reference to the employees
            // and a data field of markup names.
            database[u"name"_s] = both(Bold);
            group[u"name"_s] = both(ZeroImage);
            QJsonArray fields = group.value(u"fields"_s).toArray();
            fields.append(
                QJsonObject{{u"name"_s, ReferenceField}, {u"type"_s, u"P4:1"_s}, {u"desc"_s, both(FileImage)}});
            fields.append(QJsonObject{{u"name"_s, DataField}, {u"type"_s, u"GL20"_s}, {u"desc"_s, both(Link)}});
            group[u"fields"_s] = fields;
        } else if (nr == 4) {
            database[u"name"_s] = both(Link);
            group[u"name"_s] = both(FileImage);
        } else if (nr == 65) {
            // Information system 1: its description and the label of its place parameter.
            QJsonArray records = group.value(u"records"_s).toArray();
            QJsonObject first = records[0].toObject();
            QJsonObject head = first.value(u"head"_s).toObject();
            head[u"name"_s] = Bold;
            head[u"nameen"_s] = Bold;
            first[u"head"_s] = head;
            QJsonArray rows = first.value(u"rows"_s).toArray();
            for (qsizetype r = 0; r < rows.size(); ++r) {
                QJsonObject row = rows[r].toObject();
                if (row.value(u"vname"_s).toString() == u"ikort") {
                    row[u"vbed"_s] = InfosysLabel;
                    row[u"extbez"_s] = InfosysLabel;
                    rows[r] = row;
                }
            }
            first[u"rows"_s] = rows;
            records[0] = first;
            group[u"records"_s] = records;
        }
        groups[0] = group;
        database[u"groups"_s] = groups;
        databases[i] = database;
    }
    erp[u"databases"_s] = databases;

    QJsonArray enumerations = erp.value(u"enumerations"_s).toArray();
    enumerations.prepend(
        QJsonObject{{u"name"_s, Enumeration},
                    {u"id"_s, 999},
                    {u"desc"_s, both(Bold)},
                    {u"positions"_s, QJsonArray{QJsonObject{{u"code"_s, u"1"_s}, {u"text"_s, both(ZeroImage)}}}}});
    erp[u"enumerations"_s] = enumerations;

    QFile file(folder + u"/erp.json"_s);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(erp).toJson()) < 0)
        return QString();
    return file.fileName();
}

bool rendersMarkup(const QLabel* label)
{
    const Qt::TextFormat format = label->textFormat();
    return format == Qt::RichText || format == Qt::MarkdownText ||
           (format == Qt::AutoText && Qt::mightBeRichText(label->text()));
}

// Every label of the program that would render its text as markup: window, name and text.
QStringList labelsRenderingMarkup()
{
    QStringList found;
    const QList<QWidget*> widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets) {
        const auto* label = qobject_cast<const QLabel*>(widget);
        if (label && rendersMarkup(label))
            found << label->window()->objectName() + u'/' + label->objectName() + u": "_s + label->text();
    }
    return found;
}

// The texts of the labels of window that hold text as it is.
QStringList labelsShowing(const QWidget* window, const QString& text)
{
    QStringList found;
    const QList<QLabel*> labels = window->findChildren<QLabel*>();
    for (const QLabel* label : labels) {
        if (label->text().contains(text))
            found << label->text();
    }
    return found;
}

template <class Form>
Form* openFromMenu(const ViewerTest::Viewer& viewer, const QString& entry)
{
    viewer.window->menus().action(entry)->trigger();
    Form* window = viewer.window->findChild<Form*>();
    return window && window->isVisible() ? window : nullptr;
}

} // namespace

class MarkupNamesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<KlvServer> server;
    Viewer viewer;
    QueryForm* form = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        KlvServerOptions options;
        options.dataFile = markupErp(dir.path());
        QVERIFY(!options.dataFile.isEmpty());
        server = std::make_unique<KlvServer>(options);
        QVERIFY2(server->start(), qPrintable(server->errorString()));
        loadTexts();
    }

    void init()
    {
        form = viewer.logOn(server->port(), dir.path()) ? viewer.form() : nullptr;
        QVERIFY(form);
        QVERIFY(openTable(form, MarkupTable));
    }

    void cleanup()
    {
        server->setScript({});
        QVERIFY(DialogDriver::finishPendingActs());
        viewer.reset();
        form = nullptr;
    }

    void cleanupTestCase() { server.reset(); }

    void theQueryWindowAndTheReferenceChooserShowTheNamesLiterally()
    {
        QVERIFY(row(form->feldListe(), ReferenceField));
        QVERIFY(row(form->feldListe(), DataField));
        QCOMPARE(form->panelText(2).left(MarkupTable.size()), MarkupTable);

        bool chosen = false;
        whenShown(u"VerknAuswahlForm"_s, [&chosen](QWidget* w) {
            auto* chooser = qobject_cast<VerknAuswahlForm*>(w);
            QCOMPARE(labelsShowing(chooser, MarkupTable), (QStringList{GetMessageTextByNr(452) + u' ' + MarkupTable,
                                                                       GetMessageTextByNr(453) + u' ' + MarkupTable}));
            // The reference leads to its one target table, a level further.
            QTreeWidgetItem* reference = row(chooser->verwFeldListe(), ReferenceField);
            QVERIFY(reference);
            UserInput::doubleClickItem(chooser->verwFeldListe(), reference);
            QCOMPARE(chooser->AktEbene(), 1);
            QCOMPARE(labelsShowing(chooser, TargetTable), (QStringList{GetMessageTextByNr(452) + u' ' + TargetTable,
                                                                       GetMessageTextByNr(453) + u' ' + TargetTable}));
            QCOMPARE(labelsShowing(chooser, ReferenceField),
                     QStringList{ReferenceField + u" (P4:1) "_s + GetMessageTextByNr(454)});
            QCOMPARE(labelsRenderingMarkup(), QStringList());
            chosen = true;
            QTest::mouseClick(chooser->findChild<QPushButton*>(u"AbbrechenButton"_s), Qt::LeftButton);
        });
        QTest::keyClick(form->feldListe(), Qt::Key_Insert);
        QVERIFY(chosen);
        QCOMPARE(labelsRenderingMarkup(), QStringList());
    }

    void aMessageBoxShowsTheNameTheServerRefusedLiterally()
    {
        // No recorder: the program's own message box shows.
        const QString typed = Link + u'^' + ZeroImage;
        bool told = false;
        whenShown(u"QMessageBox"_s, [&told, typed](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QVERIFY2(box->text().startsWith(GetMessageTextByNr(136) + u' ' + typed), qPrintable(box->text()));
            QCOMPARE(labelsRenderingMarkup(), QStringList());
            told = true;
            box->accept();
        });
        answerInputBoxes({typed, QString()});
        QTest::keyClick(form->feldListe(), Qt::Key_Insert, Qt::ShiftModifier);
        QVERIFY(told);
    }

    void theCatalogueWindowsShowTheNamesLiterally()
    {
        auto* databases = openFromMenu<DatabaseInfoForm>(viewer, u"DBInfoMenue"_s);
        QVERIFY(databases);
        QCOMPARE(databases->gruppenlisteUeberschrift()->text(), GetMessageTextByNr(356) + u" \""_s + Bold + u"\":"_s);

        auto* enumerations = openFromMenu<AufzInfoForm>(viewer, u"AufzInfoMenue"_s);
        QVERIFY(enumerations);
        QCOMPARE(enumerations->aufzPosListeLabel()->text(), GetMessageTextByNr(303) + u' ' + Enumeration + u':');

        // The reference catalogue names each database as it reads it; on a slow server its window
        // shows meanwhile.
        slowFirst(*server, u"GGN|0|4|"_s, 1000);
        QStringList loading;
        whenTrue(
            [this] {
                auto* references = viewer.window->findChild<VerwInfoForm*>();
                auto* label = references ? references->findChild<QLabel*>(u"LoadingLabel"_s) : nullptr;
                return label && label->isVisible() && label->text().contains(Link);
            },
            [this, &loading] {
                loading = labelsShowing(viewer.window->findChild<VerwInfoForm*>(), Link);
                loading += labelsRenderingMarkup();
            });
        QVERIFY(openFromMenu<VerwInfoForm>(viewer, u"VerwInfoMenue"_s));
        QCOMPARE(loading, QStringList{GetMessageTextByNr(372) + u' ' + Link});

        // The information system's mask labels its fields with the server's texts.
        auto* infosystems = openFromMenu<InfosysInfoForm>(viewer, u"InfosystemInfoMenue"_s);
        QVERIFY(infosystems);
        QTreeWidget* list = infosystems->findChild<QTreeWidget*>(u"InfosysListe"_s);
        QTreeWidgetItem* first = list->topLevelItem(0);
        QVERIFY(first);
        UserInput::clickItem(list, first);
        viewer.window->menus().action(u"ShowInfosysFormMenue"_s)->trigger();
        auto* mask = viewer.window->findChild<InfosysForm*>();
        QVERIFY(mask && mask->isVisible());
        QTRY_COMPARE(labelsShowing(mask, InfosysLabel), QStringList{u'&' + InfosysLabel});
        QCOMPARE(mask->windowTitle(), Bold);

        QCOMPARE(labelsRenderingMarkup(), QStringList());
    }

    void theServersMessagesShowLiterallyInTheirPanelItsTipAndItsBox()
    {
        const QString first = ZeroImage + u" Erste Meldung"_s;
        const QString second = Link + u" Zweite Meldung"_s;
        server->setScript([first, second](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"EXQ|"))
                return false;
            reply.sendLine(u"S|0|"_s + first + u"|INFO|1"_s);
            reply.sendLine(u"S|0|"_s + second + u"|INFO|2"_s);
            reply.defaultAnswer();
            return true;
        });
        check(form, {u"nummer"_s});
        QTest::mouseClick(form->findChild<QPushButton*>(u"StartQueryButton"_s), Qt::LeftButton);
        auto* panel = form->findChild<StatusPanel*>(u"Panel5"_s);
        const QString messages =
            GetMessageTextByNr(21) + u' ' + first + u"\r\n"_s + GetMessageTextByNr(21) + u' ' + second;
        QTRY_COMPARE(panel->text(), messages);

        // The panel shows what fits of the first line; the whole comes as its tip when the mouse
        // rests on it.
        QVERIFY(panel->shownText() != messages);
        const QPoint at = panel->rect().center();
        QHelpEvent hover(QEvent::ToolTip, at, panel->mapToGlobal(at));
        QApplication::sendEvent(panel, &hover);
        const QLabel* tip = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->inherits("QTipLabel") && w->isVisible())
                tip = qobject_cast<const QLabel*>(w);
        }
        QVERIFY(tip);
        QCOMPARE(tip->text(), messages);
        QVERIFY(!rendersMarkup(tip));

        // A click shows them all in a box.
        bool told = false;
        whenShown(u"QMessageBox"_s, [&told, messages](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QCOMPARE(box->text(), GetMessageTextByNr(147) + u"\r\n\r\n"_s + messages);
            QCOMPARE(labelsRenderingMarkup(), QStringList());
            told = true;
            box->accept();
        });
        QTest::mouseClick(panel, Qt::LeftButton);
        QVERIFY(told);
        QCOMPARE(labelsRenderingMarkup(), QStringList());
    }
};

VIEWER_TEST_MAIN(MarkupNamesTest)
#include "markupnames_qtest.moc"
