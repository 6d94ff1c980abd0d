// The reference catalogue: every reference field of the catalogue, once per target, shown
// for the database or group chosen in the tree.
#include "VerwInfoForm.h"
#include "ViewerTestMain.h"
#include "catalogue_support.h"

#include <QCheckBox>
#include <QPointer>
#include <QTabWidget>

using namespace CatalogueTest;
using namespace MainModul;

namespace {

QTreeWidgetItem* node(QTreeWidget* tree, const QString& database, const QString& group = QString())
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* db = tree->topLevelItem(i);
        if (db->text(0) != database)
            continue;
        if (group.isEmpty())
            return db;
        for (int j = 0; j < db->childCount(); ++j) {
            if (db->child(j)->text(0) == group)
                return db->child(j);
        }
    }
    return nullptr;
}

// Opens the database node in the tree and clicks the group node below it.
void clickGroup(QTreeWidget* tree, const QString& database, const QString& group)
{
    QTreeWidgetItem* db = node(tree, database);
    QVERIFY(db);
    tree->expandItem(db);
    QTreeWidgetItem* g = node(tree, database, group);
    QVERIFY(g);
    clickRow(tree, g);
}

} // namespace

class ReferencesTest : public CatalogueWindowTest
{
    Q_OBJECT

private:
    VerwInfoForm* open()
    {
        server.clearReceived();
        return openFromMenu<VerwInfoForm>(u"VerwInfoMenue"_s);
    }

private Q_SLOTS:
    void aGroupShowsItsReferencesFromAndTheReferencesTo()
    {
        VerwInfoForm* w = open();
        QVERIFY(w);
        QCOMPARE(column(w->dbListe()),
                 (QStringList{u"Kunde (1)"_s, u"Artikel (2)"_s, u"Auftrag (3)"_s, u"Mitarbeiter (4)"_s,
                              u"Einstellungen (12)"_s, u"Infosystem (65)"_s}));
        // Each reference type is asked for once.
        QStringList types = received(u"GRI|"_s);
        QCOMPARE(QSet<QString>(types.cbegin(), types.cend()).size(), types.size());

        clickGroup(w->dbListe(), u"Kunde (1)"_s, u"Kunde (1)"_s);
        QCOMPARE(column(w->vonVerwListe()),
                 (QStringList{u"vertreter"_s, u"betreuer"_s, u"bezug"_s, u"bezug"_s, u"bevartikel"_s}));
        const QTreeWidgetItem* first = w->vonVerwListe()->topLevelItem(0);
        QCOMPARE(first->text(1), Bool2MsgText(false));
        QCOMPARE(first->text(2), u"P4:1"_s);
        QCOMPARE(first->text(3), u"4"_s);
        QCOMPARE(first->text(5), u"1"_s);
        // The customers are referred to by themselves, the articles and both order groups.
        QCOMPARE(column(w->nachVerwListe(), 4), (QStringList{u"bezug"_s, u"lieferant"_s, u"kunde"_s, u"kunde"_s}));
        QCOMPARE(column(w->nachVerwListe(), 3), (QStringList{u"Kunde"_s, u"Artikel"_s, u"Auftrag"_s, u"Angebot"_s}));

        // A database node has no references from.
        clickRow(w->dbListe(), node(w->dbListe(), u"Artikel (2)"_s));
        QCOMPARE(w->vonVerwListe()->topLevelItemCount(), 0);

        // Multiple references are left out from the next fill on.
        clickButton(w, u"ExcludeVRefs"_s);
        QTest::keyClick(w->dbListe(), Qt::Key_F5);
        clickGroup(w->dbListe(), u"Kunde (1)"_s, u"Kunde (1)"_s);
        QCOMPARE(column(w->vonVerwListe()), (QStringList{u"vertreter"_s, u"bezug"_s, u"bezug"_s, u"bevartikel"_s}));
    }

    void multipleReferencesAreThoseAboveFifty()
    {
        QVERIFY(VerwInfoForm::IsMultipleReference(u"VPK51"_s));
        QVERIFY(!VerwInfoForm::IsMultipleReference(u"VPK50"_s));
        QVERIFY(!VerwInfoForm::IsMultipleReference(u"VP7"_s));
        QVERIFY(!VerwInfoForm::IsMultipleReference(u"PK51"_s));
    }

    void aDatabaseNamedTwiceIsWalkedOnceATypeWithoutTargetsGivesNoRecordAndFlagsAreWords()
    {
        server.setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            QStringList lines;
            if (line.startsWith(u"GDN|"_s))
                lines = {u"BOD|0|GDN|3"_s, u"D|0|Kunde|1|1|1|0|KUNDE"_s, u"D|0|Kunde|1|1|1|0|KUNDE"_s,
                         u"D|0|Mitarbeiter|4|1|1|1|PERSONAL"_s, u"EOD|0|GDN|3|1"_s};
            else if (line.startsWith(u"GRI|0|P4:1|"_s))
                lines = emptyAnswer(u"GRI"_s);
            else if (line.startsWith(u"GFN|0|4:1|"_s))
                // A table field whose flag comes as the server's word.
                lines = {
                    u"BOD|0|GFN|1"_s,
                    u"D|0|kontakt|A|30|Kontakt|P2:1|ja|0|kontakt|3|||0|0|kontakt|Kontakt|fd|0|Kontakt|fd|0|Kontakt|fd|0"_s,
                    u"EOD|0|GFN|1|1"_s};
            for (const QString& l : std::as_const(lines))
                reply.sendLine(l);
            return !lines.isEmpty();
        });
        MessageBoxes boxes;
        VerwInfoForm* w = open();
        QVERIFY(w);
        QCOMPARE(column(w->dbListe()), (QStringList{u"Kunde (1)"_s, u"Mitarbeiter (4)"_s}));
        QCOMPARE(received(u"GGN|"_s).size(), 2);
        QStringList fields;
        for (const VerwFeldInfo& info : w->verwFeldInfos())
            fields.append(info.FldName);
        QCOMPARE(fields, (QStringList{u"betreuer"_s, u"bezug"_s, u"bezug"_s, u"bevartikel"_s, u"kontakt"_s}));
        QVERIFY(boxes.texts.isEmpty());
        clickGroup(w->dbListe(), u"Mitarbeiter (4)"_s, u"Mitarbeiter (1)"_s);
        QCOMPARE(column(w->vonVerwListe()), QStringList{u"kontakt"_s});
        QCOMPARE(w->vonVerwListe()->topLevelItem(0)->text(1), Bool2MsgText(true));
    }

    void theOkButtonBreaksAFillOffAndSaysSo()
    {
        // The window of an earlier fill is there: the next fill is the one broken off.
        VerwInfoForm* w = open();
        QVERIFY(w);
        MessageBoxes boxes;
        // The fields of the customers' group are on their way when OK is clicked.
        const auto arrived = holdFirst(server, u"GFN|0|1:1|"_s);
        bool clicked = false;
        after(0, w, [w] { QTest::keyClick(w->dbListe(), Qt::Key_F5); });
        whenTrue([arrived] { return arrived->load(); },
                 [w, &clicked] {
                     QCOMPARE(w->okButton()->text(), GetMessageTextByNr(33));
                     clickButton(w, u"OKButton"_s);
                     clicked = true;
                 });
        QTRY_VERIFY_WITH_TIMEOUT(clicked, 10000);
        // The request of the group being read is broken off too, and the window says so.
        QTRY_VERIFY_WITH_TIMEOUT(!w->isBusy(), 10000);
        QCOMPARE(w->okButton()->text(), GetMessageTextByNr(32));
        QCOMPARE(column(w->dbListe()), QStringList{u"Kunde (1)"_s});
        QTRY_VERIFY(!received(u"BRQ|"_s).isEmpty());
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(35)});
        QVERIFY(w->isVisible());
    }

    void aCloseDuringAFillClosesOnceTheFillEnded()
    {
        VerwInfoForm* w = open();
        QVERIFY(w);
        const QPointer<VerwInfoForm> window(w);
        delayAnswers(u"GFN|0|2:1|"_s, 20000);
        after(0, w, [w] { QTest::keyClick(w->dbListe(), Qt::Key_F5); });
        after(300, w, [w] { frameOf(w)->close(); });
        QTRY_VERIFY_WITH_TIMEOUT(!window, 15000);
        QVERIFY(!received(u"BRQ|"_s).isEmpty());
    }
};

VIEWER_TEST_MAIN(ReferencesTest)
#include "references_qtest.moc"
