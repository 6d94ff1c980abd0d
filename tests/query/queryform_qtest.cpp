// The query window's frame: its splitters within their bounds, the smallest size, the keys
// the window takes before its controls, and closing with the question about a changed query.
#include "SpaltenWahlForm.h"
#include "TestEnvironment.h"
#include "queryform_support.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMouseEvent>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace QueryFormTest;

namespace {

// Drags a splitter by delta with the left button held.
void drag(QWidget* splitter, const QPoint& delta)
{
    const QPoint start(1, 1);
    QTest::mousePress(splitter, Qt::LeftButton, {}, start);
    const QPointF to = QPointF(start + delta);
    QMouseEvent move(QEvent::MouseMove, to, splitter->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(splitter, &move);
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, start + delta);
}

} // namespace

class QueryFormFrameTest : public QObject, private QueryWindowTest
{
    Q_OBJECT

private:
private Q_SLOTS:
    void initTestCase() { QVERIFY(startServer()); }

    void cleanup() { QVERIFY(closeViewer()); }

    void cleanupTestCase() { server.stop(); }

    void theSplittersStayWithinTheirBounds()
    {
        QueryForm form;
        form.resize(800, 600);
        form.show();
        const int h = form.HRand();
        const int v = form.VRand();
        QWidget* vertical = form.findChild<QWidget*>(u"TabFldSplit"_s);
        QWidget* horizontal = form.findChild<QWidget*>(u"DatenSplit"_s);
        QWidget* conditions = form.findChild<QWidget*>(u"BedingungenFrame"_s);

        drag(vertical, QPoint(-2000, 0));
        QCOMPARE(vertical->x(), h);
        QCOMPARE(form.tabellenListe()->width(), 0);
        drag(vertical, QPoint(5000, 0));
        QCOMPARE(vertical->x(), form.width() - 2 * h);
        QCOMPARE(form.feldListe()->width(), 0);
        drag(vertical, QPoint(-300, 0));
        QCOMPARE(form.feldListe()->x(), form.tabellenListe()->width() + 2 * h);
        QCOMPARE(form.feldListe()->geometry().right() + 1, form.width() - h);

        drag(horizontal, QPoint(0, -2000));
        QCOMPARE(horizontal->y(), v);
        QCOMPARE(form.tabellenListe()->height(), 0);
        drag(horizontal, QPoint(0, 5000));
        QCOMPARE(horizontal->y(), conditions->y() - v);
        QCOMPARE(form.datenListe()->height(), 0);
        QCOMPARE(form.feldListe()->height(), form.tabellenListe()->height());

        // A wider window shares the change between the two upper lists.
        drag(horizontal, QPoint(0, -200));
        const int tables = form.tabellenListe()->width();
        const int fields = form.feldListe()->width();
        form.resize(1000, 600);
        QCOMPARE(form.tabellenListe()->width(), tables + 100);
        QCOMPARE(form.feldListe()->width(), fields + 100);
        QVERIFY(form.datenListe()->height() > 0);
    }

    void aNormalWindowSnapsBackToTheSmallestSize()
    {
        QVERIFY(logOn());
        auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
        sub->showNormal();
        sub->resize(100, 100);
        QVERIFY(sub->width() >= 600);
        QVERIFY(sub->height() >= 400);
    }

    void theWindowTakesItsKeysBeforeTheControls()
    {
        Boxes boxes;
        QVERIFY(logOn());
        // F7 on a list opens the column chooser for it.
        bool chooser = false;
        whenShown(u"SpaltenWahlForm"_s, [&chooser](QWidget* w) {
            chooser = true;
            qobject_cast<QDialog*>(w)->reject();
        });
        QTest::keyClick(form->tabellenListe(), Qt::Key_F7);
        QVERIFY(chooser);
        // Enter in a text box starts the query of the shown table, not in the table list.
        QVERIFY(openTable(form, u"Mitarbeiter:Mitarbeiter"_s));
        server.clearReceived();
        QTest::keyClick(form->tabellenListe(), Qt::Key_Return);
        QVERIFY(queries(server).isEmpty());
        QTest::keyClick(form->findChild<QLineEdit*>(u"Kriterien"_s), Qt::Key_Return);
        QCOMPARE(queries(server).size(), 1);
        QCOMPARE(form->datenListe()->rowCount(), 6);
        // Ctrl+C in a text box stays the box's own.
        auto* criteria = form->findChild<QLineEdit*>(u"Kriterien"_s);
        criteria->setText(u"name=M*"_s);
        criteria->selectAll();
        QTest::keyClick(criteria, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), u"name=M*"_s);
        QVERIFY(boxes.texts.isEmpty());
    }

    void cancellingTheQuestionKeepsTheWindowOpen()
    {
        QVERIFY(logOn());
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        form->setAktQueryName(u"Mine"_s);
        form->findChild<QLineEdit*>(u"Kriterien"_s)->setText(u"ort=Berlin"_s);
        QVERIFY(form->queryStringWindow());

        const QPointer<QueryForm> watched(form);
        auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
        Boxes boxes(QMessageBox::Cancel);
        sub->close();
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(GetMessageTextByNr(182) + u" Mine"_s));
        QVERIFY(watched && watched->isVisible());
        QCOMPARE(viewer.window->QueryWindowCount(), 1);
        // Cancel to the same question keeps the table too.
        QVERIFY(!openTable(form, u"Artikel:Artikel"_s));
        QCOMPARE(form->AktTableName(), u"Kunde:Kunde"_s);
        QCOMPARE(boxes.texts.size(), 2);
        // Its query-string window went, and comes again on demand.
        QVERIFY(!form->queryStringWindow());
        form->ShowQueryStringWindow();
        QVERIFY(form->queryStringWindow() && form->queryStringWindow()->isVisible());

        boxes.answer = QMessageBox::No;
        sub->close();
        QTRY_VERIFY(!watched);
        QCOMPARE(viewer.window->QueryWindowCount(), 0);
    }
};

int main(int argc, char** argv)
{
    TestEnvironment::redirectSettings();
    QApplication app(argc, argv);
    QueryFormFrameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "queryform_qtest.moc"
