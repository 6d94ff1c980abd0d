// Keys and storage kinds the query window offers for a table, the main window's key menu,
// the key information and the key-count estimation on the window's current table.
#include "MenuArray.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

namespace {

QStringList entries(const QComboBox* box)
{
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result.append(box->itemText(i) + u'=' + box->itemData(i).toString());
    return result;
}

QStringList visibleKeyEntries(const KLVViewerWindow* window)
{
    QStringList result;
    auto* menu = window->findChild<MenuArray*>(u"TabListeKeyInfosMenue"_s);
    for (QAction* a : menu->entries()) {
        if (a->isVisible())
            result.append(a->text() + (a->isEnabled() ? QString() : u" (off)"_s));
    }
    return result;
}

} // namespace

class KeysTest : public QueryWindowTest
{
    Q_OBJECT

private:
private Q_SLOTS:
    void cleanup()
    {
        QueryForm::SetKeyInfoHandler({});
        QVERIFY(closeViewer());
    }

    void aTablesKeysBringTheirStorageKindsAndTheKeyMenu()
    {
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        auto* key = form->findChild<QComboBox*>(u"Schluessel"_s);
        QCOMPARE(entries(key), (QStringList{App().NoKeyText + u"=9"_s, u"nummer=3"_s, u"such=3"_s, u"name=1"_s,
                                            u"ort=1"_s, u"aktivkat=1"_s, u"abgelegt=2"_s, u"plz=1"_s}));
        QCOMPARE(key->currentIndex(), 0);
        auto* kind = form->findChild<QComboBox*>(u"Ablageart"_s);
        QCOMPARE(kind->count(), 3);
        QCOMPARE(kind->itemData(0).toInt(), 1);
        QCOMPARE(kind->itemData(2).toInt(), 3);
        QVERIFY(form->Key4AblageartExists(2));
        QVERIFY(!form->Key4AblageartExists(0));
        QCOMPARE(visibleKeyEntries(viewer.window.get()),
                 (QStringList{u"nummer"_s, u"such"_s, u"name"_s, u"ort"_s, u"aktivkat"_s, u"abgelegt"_s, u"plz"_s}));

        // The information button needs a key.
        auto* info = form->findChild<QPushButton*>(u"SchlInfoButton"_s);
        QVERIFY(!info->isEnabled());
        key->setCurrentIndex(4);
        QVERIFY(info->isEnabled());
        key->setCurrentIndex(0);
        QVERIFY(!info->isEnabled());

        // A table with fewer keys hides the rest of the menu.
        QVERIFY(openTable(form, u"Mitarbeiter:Mitarbeiter"_s));
        QCOMPARE(visibleKeyEntries(viewer.window.get()), (QStringList{u"nummer"_s, u"such"_s, u"name"_s}));
        QVERIFY(!form->Key4AblageartExists(2));
    }

    void aRefusedKeyCatalogueLeavesTheNoKeyEntry()
    {
        server.setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"GKN|"))
                return false;
            reply.sendLine(u"NAK|0|Keine Schlüssel|1103|"_s);
            return true;
        });
        MessageBoxes boxes;
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(GetMessageTextByNr(138) + u"\r\n"_s));
        QVERIFY(boxes.texts.first().contains(u"Keine Schlüssel"_s));
        QCOMPARE(entries(form->findChild<QComboBox*>(u"Schluessel"_s)), QStringList{App().NoKeyText + u"=9"_s});
        QCOMPARE(form->findChild<QComboBox*>(u"Ablageart"_s)->count(), 1);
        QCOMPARE(visibleKeyEntries(viewer.window.get()), QStringList{GetMessageTextByNr(137) + u" (off)"_s});
    }

    void keyInformationIsAboutTheCurrentTable()
    {
        QStringList asked;
        QueryForm::SetKeyInfoHandler(
            [&asked](const QSharedPointer<KLV>& session, const QString& table, const QString& id, const QString& name) {
                asked << (session ? u"session "_s : u"none "_s) + table + u' ' + id + u' ' + name;
            });
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        auto* key = form->findChild<QComboBox*>(u"Schluessel"_s);
        key->setCurrentIndex(key->findText(u"ort"_s));
        form->tabellenListe()->setCurrentItem(row(form->tabellenListe(), u"Artikel:Artikel"_s));
        form->findChild<QPushButton*>(u"SchlInfoButton"_s)->click();
        QCOMPARE(asked, QStringList{u"session Kunde:Kunde 1:1 ort"_s});
        form->ShowSchluesselInfo(u"Kunde:Kunde"_s, u"1:1"_s, App().NoKeyText);
        form->ShowSchluesselInfo(QString(), u"1:1"_s, u"ort"_s);
        QCOMPARE(asked.size(), 1);
    }

    void keyEstimationIsOfferedBySettingAndNeedsATable()
    {
        QVERIFY(!form->findChild<QPushButton*>(u"SchluesselSchaetzenButton"_s)->isVisibleTo(form));
        SettingsStore::SaveSetting(App().RegAppName, u"\\"_s, u"SchlüsselSchätzen"_s, u"1"_s);
        viewer.window->AddQueryForm();
        QueryForm* second = viewer.form(1);
        QVERIFY(second);
        SettingsStore::DeleteSetting(App().RegAppName, u"\\"_s, u"SchlüsselSchätzen"_s);
        auto* estimate = second->findChild<QPushButton*>(u"SchluesselSchaetzenButton"_s);
        QVERIFY(estimate->isVisibleTo(second));
        QVERIFY(estimate->isEnabled()); // the server speaks 3.31

        MessageBoxes boxes;
        estimate->click();
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(139)});

        QVERIFY(openTable(second, u"Kunde:Kunde"_s));
        second->tabellenListe()->setCurrentItem(row(second->tabellenListe(), u"Artikel:Artikel"_s));
        QString table;
        whenShown(u"SchluesselSchaetzenForm"_s, [&table](QWidget* w) {
            table = w->findChild<QLineEdit*>(u"Tabelle"_s)->text();
            qobject_cast<QDialog*>(w)->reject();
        });
        estimate->click();
        QCOMPARE(table, u"1:1"_s);
    }
};

VIEWER_TEST_MAIN(KeysTest)

#include "keys_qtest.moc"
