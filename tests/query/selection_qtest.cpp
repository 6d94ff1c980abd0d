// The selection the query window's controls describe, as the server receives it in "EXQ":
// criteria, key, sort order, direction, AND/OR, row selection and storage kind, always on the
// window's current table; and the query-string window that shows it.
#include "KLVSelection.h"
#include "TestEnvironment.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

class SelectionTest : public QueryWindowTest
{
    Q_OBJECT

private:
    template <class T>
    T* control(const QString& name)
    {
        return form->findChild<T*>(name);
    }

    QString runAndTakeSelection()
    {
        server.clearReceived();
        control<QPushButton>(u"StartQueryButton"_s)->click();
        const QStringList exq = queries(server);
        return exq.size() == 1 ? exq.first().section(u'|', 2, 3) : u"<%1 queries>"_s.arg(exq.size());
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(logOn());
        QVERIFY(openTable(form, u"Artikel:Artikel"_s));
        check(form, {u"nummer"_s, u"name"_s});
    }

    void theControlsBecomeTheSelectionOnTheWire()
    {
        MessageBoxes boxes;
        auto* key = control<QComboBox>(u"Schluessel"_s);
        auto* kind = control<QComboBox>(u"Ablageart"_s);
        key->setCurrentIndex(key->findText(u"name"_s));
        kind->setCurrentIndex(kind->findData(1));
        control<QLineEdit>(u"Kriterien"_s)->setText(u"name=S*;preis>10"_s);
        control<QRadioButton>(u"Absteigend"_s)->setChecked(true);
        control<QRadioButton>(u"ODERVerknuepfung"_s)->setChecked(true);
        control<QCheckBox>(u"ZeilenSelektion"_s)->setChecked(true);
        QCOMPARE(runAndTakeSelection(),
                 u"2:1,@sort=name;@richtung=rueckw;@verkn=oder;@zeilen=ja;@ablageart=lebendig;name=S*;preis>10|"
                 u"0:nummer,0:name,+id"_s);
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u" | "_s)));
        QCOMPARE(form->panelText(6), u"@sort=name;@richtung=rueckw;@verkn=oder;@zeilen=ja;@ablageart=lebendig;"
                                     u"name=S*;preis>10"_s);

        // A sort order of its own carries the direction; no key, filed only, AND, no rows.
        key->setCurrentIndex(0);
        kind->setCurrentIndex(kind->findData(2));
        control<QLineEdit>(u"Kriterien"_s)->clear();
        control<QLineEdit>(u"Sortierung"_s)->setText(u"preis.rueckw"_s);
        control<QRadioButton>(u"UNDVerknuepfung"_s)->setChecked(true);
        control<QCheckBox>(u"ZeilenSelektion"_s)->setChecked(false);
        QCOMPARE(runAndTakeSelection(), u"2:1,@ordnung=preis.rueckw;@ablageart=abgelegt|0:nummer,0:name,+id"_s);
        QVERIFY(boxes.texts.isEmpty());
    }

    void theSelectionIsOnTheCurrentTableWhateverRowIsSelected()
    {
        auto* kind = control<QComboBox>(u"Ablageart"_s);
        form->tabellenListe()->setCurrentItem(row(form->tabellenListe(), u"Kunde:Kunde"_s));
        QSharedPointer<KLVSelection> selection = form->GetSelection();
        QCOMPARE(selection->TableName(), u"2:1"_s);
        // The no-key entry is no key; without a storage kind every record is asked for.
        QCOMPARE(selection->Key(), QString());
        kind->setCurrentIndex(-1);
        control<QCheckBox>(u"ZeilenSelektion"_s)->setCheckState(Qt::PartiallyChecked);
        selection = form->GetSelection();
        QCOMPARE(selection->AliveFlag(), 9);
        QVERIFY(!selection->ByRows());
        QVERIFY(selection != form->GetSelection());
    }

    void theQueryStringWindowShowsTheSelectionAndTheFields()
    {
        control<QLineEdit>(u"Kriterien"_s)->setText(u"name=S*"_s);
        control<QCheckBox>(u"ZeilenSelektion"_s)->setChecked(false);
        auto* kind = control<QComboBox>(u"Ablageart"_s);
        kind->setCurrentIndex(kind->findData(3));
        form->UpdateDataColumns();
        form->ShowQueryStringWindow();
        QueryStringForm* strings = form->queryStringWindow();
        QVERIFY(strings && strings->isVisible());
        QCOMPARE(strings->findChild<QLineEdit*>(u"PureQueryString"_s)->text(), u"@ablageart=beides;name=S*"_s);
        QVERIFY(strings->findChild<QLineEdit*>(u"klvexportString"_s)->text().contains(u"-f \"0:nummer,0:name\""_s));
        QVERIFY(strings->windowTitle().endsWith(u"[Artikel:Artikel/2:1]"_s));

        // A click on the selection panel after a run opens it too.
        strings->hide();
        control<QPushButton>(u"StartQueryButton"_s)->click();
        QTest::mouseClick(form->findChild<QLabel*>(u"Panel6"_s), Qt::LeftButton);
        QVERIFY(form->queryStringWindow()->isVisible());
    }
};

VIEWER_TEST_MAIN(SelectionTest)

#include "selection_qtest.moc"
