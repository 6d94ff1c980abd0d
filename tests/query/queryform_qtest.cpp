// The query window's frame: its panes in splitters and layouts at any size and in every window
// state, the sizes kept from one start to the next, the smallest size, the keys the window
// takes before its controls, the context menus, and closing with the question about a
// changed query.
#include "ConditionsPanel.h"
#include "FontSettings.h"
#include "LayoutStore.h"
#include "MainMenus.h"
#include "QueryStatusBar.h"
#include "ResultPane.h"
#include "SettingsStore.h"
#include "StatusPanel.h"
#include "TestEnvironment.h"
#include "Twips.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"
#include "WindowGeometry.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

namespace {

const QString Section = u"QueryWindowSettings"_s;

QMdiSubWindow* frameOf(QueryForm* form)
{
    return qobject_cast<QMdiSubWindow*>(form->parentWidget());
}

QString stored(const QString& key)
{
    return SettingsStore::GetSetting(App().RegAppName, Section, key);
}

void store(const QString& key, int value)
{
    SettingsStore::SaveSetting(App().RegAppName, Section, key, QString::number(value));
}

// What is wrong with a query window in its frame: the general check, and the panes a user
// needs having room.
QStringList faultsOf(QueryForm* form)
{
    QStringList faults = WindowGeometry::problems(frameOf(form));
    for (QWidget* pane : {static_cast<QWidget*>(form->datenListe()), static_cast<QWidget*>(form->conditions()),
                          static_cast<QWidget*>(form->statusBar()), static_cast<QWidget*>(form->tabellenListe())}) {
        if (!pane->isVisible() || pane->height() < 20)
            faults.append(pane->objectName() + u" has no height: "_s + QString::number(pane->height()) + u" in "_s +
                          QString::number(form->height()));
    }
    return faults;
}

} // namespace

class QueryFormFrameTest : public QueryWindowTest
{
    Q_OBJECT

private:
    QMenu* menu(const QString& name) const { return viewer.window->menus().menu(name); }

    // The query windows of the frame, in the order they were opened.
    QList<QueryForm*> forms() const
    {
        QList<QueryForm*> list;
        for (QMdiSubWindow* sub : viewer.window->mdiArea()->subWindowList())
            list.append(qobject_cast<QueryForm*>(sub->widget()));
        return list;
    }

    // The window menu's entry, chosen with the mouse.
    bool chooseWindowEntry(const QString& entry)
    {
        return UserInput::chooseMenuEntry(viewer.window->menuBar(), menu(u"FensterMenue"_s),
                                          viewer.window->menus().action(entry));
    }

    // Every window lies well in its frame, and a double click on a table fills its field list.
    void checkEveryWindowWorks(int expectedWindows)
    {
        const QList<QueryForm*> all = forms();
        QCOMPARE(all.size(), expectedWindows);
        const int minHeight = Twips::toPixelsY(viewer.window->MinHeight());
        for (QueryForm* w : all) {
            QVERIFY2(faultsOf(w).isEmpty(), qPrintable(faultsOf(w).join(u"\n"_s)));
            if (!frameOf(w)->isMaximized())
                QVERIFY(frameOf(w)->height() >= minHeight);
            QVERIFY(doubleClickTable(w, u"Kunde:Kunde"_s));
        }
    }

private Q_SLOTS:
    // Each test logs on itself, some of them more than once.
    void init() {}

    void theSplittersShareTheWindowAndKeepEveryPane()
    {
        QueryForm form;
        form.resize(800, 600);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSplitter* lists = form.tablesAndFields();
        QSplitter* data = form.listsAndResults();
        QWidget* tables = form.tabellenListe();
        QWidget* fields = form.feldListe();
        QWidget* results = form.resultPane();
        // Nothing stored: the lists share the width, and have half the height they share with
        // the result list.
        QVERIFY(std::abs(tables->width() - fields->width()) <= 1);
        QVERIFY(std::abs(tables->height() - results->height()) <= 1);

        // A handle dragged beyond the window leaves each pane its margin.
        const QRect conditions = form.conditions()->geometry();
        UserInput::dragSplitter(lists, 1, -2000);
        QCOMPARE(tables->width(), tables->minimumWidth());
        QVERIFY(tables->minimumWidth() > 0);
        UserInput::dragSplitter(lists, 1, 5000);
        QCOMPARE(fields->width(), fields->minimumWidth());
        UserInput::dragSplitter(data, 1, -2000);
        QCOMPARE(tables->height(), tables->minimumHeight());
        UserInput::dragSplitter(data, 1, 5000);
        QCOMPARE(results->height(), results->minimumHeight());
        QVERIFY(results->height() > 0);
        QCOMPARE(form.conditions()->geometry(), conditions);
        QVERIFY(WindowGeometry::problems(&form).isEmpty());

        // A wider window shares the change between the two lists; a taller one gives it to
        // the result list.
        UserInput::dragSplitter(lists, 1, -300);
        UserInput::dragSplitter(data, 1, -200);
        const QSize t = tables->size();
        const QSize f = fields->size();
        const int r = results->height();
        form.resize(1000, 700);
        QCOMPARE(tables->width(), t.width() + 100);
        QCOMPARE(fields->width(), f.width() + 100);
        QCOMPARE(tables->height(), t.height());
        QCOMPARE(results->height(), r + 100);
        QVERIFY2(WindowGeometry::problems(&form).isEmpty(), qPrintable(WindowGeometry::problems(&form).join(u"\n"_s)));
    }

    void aNormalWindowSnapsBackToTheSmallestSizeAndKeepsItsPanes()
    {
        QVERIFY(logOn());
        QMdiSubWindow* sub = frameOf(form);
        sub->showNormal();
        sub->resize(100, 100);
        // The main window's least size, or what the window's contents need when that is more.
        const QSize least = sub->minimumSizeHint().expandedTo(
            QSize(Twips::toPixelsX(viewer.window->MinWidth()), Twips::toPixelsY(viewer.window->MinHeight())));
        QCOMPARE(sub->size(), least);
        const QStringList faults =
            WindowGeometry::problemsAtMinimumAndSize(form, QSize(Twips::toPixelsX(9600), Twips::toPixelsY(7200)));
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
    }

    void aNewWindowOpensWorkingInEveryStoredState_data()
    {
        QTest::addColumn<int>("storedState");
        QTest::addColumn<bool>("normalChild");
        QTest::newRow("stored maximised, no child") << 2 << false;
        QTest::newRow("stored normal, no child") << 0 << false;
        QTest::newRow("stored maximised, a normal child") << 2 << true;
        QTest::newRow("stored normal, a normal child") << 0 << true;
    }

    void aNewWindowOpensWorkingInEveryStoredState()
    {
        QFETCH(int, storedState);
        QFETCH(bool, normalChild);
        QVERIFY(logOn());
        QVERIFY(viewer.window->isVisible());
        if (normalChild)
            frameOf(form)->showNormal();
        else
            frameOf(form)->close();
        QTRY_COMPARE(forms().size(), normalChild ? 1 : 0);
        store(u"WindowState"_s, storedState);
        store(u"WindowLeft"_s, 1500);
        store(u"WindowTop"_s, 750);
        store(u"WindowWidth"_s, 10500);
        store(u"WindowHeight"_s, 7500);

        QVERIFY(chooseWindowEntry(u"NeuesQueryFensterMenue"_s));
        QTRY_COMPARE(forms().size(), normalChild ? 2 : 1);
        QueryForm* added = forms().last();
        QMdiSubWindow* sub = frameOf(added);
        QVERIFY(sub->isVisible());
        // The active child's state, else maximised; the stored place is the normal one.
        QCOMPARE(sub->isMaximized(), !normalChild);
        if (normalChild)
            QCOMPARE(sub->geometry(), QRect(100, 50, 700, 500));
        QVERIFY2(faultsOf(added).isEmpty(), qPrintable(faultsOf(added).join(u"\n"_s)));
        QVERIFY(doubleClickTable(added, u"Artikel:Artikel"_s));

        // Whatever state the user moves it to, it keeps working.
        sub->showNormal();
        QCOMPARE(sub->geometry(), QRect(100, 50, 700, 500));
        QVERIFY2(faultsOf(added).isEmpty(), qPrintable(faultsOf(added).join(u"\n"_s)));
        sub->showMaximized();
        QVERIFY2(faultsOf(added).isEmpty(), qPrintable(faultsOf(added).join(u"\n"_s)));
    }

    void tiledAndCascadedWindowsKeepWorking_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("windows");
        QTest::newRow("tile horizontally, 2") << u"FensterHorizontalAnordnenMenue"_s << 2;
        QTest::newRow("tile vertically, 2") << u"FensterVertikalAnordnenMenue"_s << 2;
        QTest::newRow("tile horizontally, 3") << u"FensterHorizontalAnordnenMenue"_s << 3;
        QTest::newRow("cascade, 2") << u"FensterUeberlappendAnordnenMenue"_s << 2;
        QTest::newRow("cascade, 3") << u"FensterUeberlappendAnordnenMenue"_s << 3;
    }

    void tiledAndCascadedWindowsKeepWorking()
    {
        QFETCH(QString, entry);
        QFETCH(int, windows);
        QVERIFY(logOn());
        for (int i = 1; i < windows; ++i)
            QVERIFY(chooseWindowEntry(u"NeuesQueryFensterMenue"_s));
        QTRY_COMPARE(forms().size(), windows);
        QVERIFY(chooseWindowEntry(entry));
        QTRY_VERIFY(!frameOf(forms().first())->isMaximized());
        // Tiled windows stand side by side, each at least at its smallest size.
        if (!entry.contains(u"Ueberlappend"_s)) {
            const QList<QueryForm*> all = forms();
            for (qsizetype i = 1; i < all.size(); ++i)
                QVERIFY(!frameOf(all[i - 1])->geometry().intersects(frameOf(all[i])->geometry()));
        }
        checkEveryWindowWorks(windows);
    }

    void storedSizesStayTheSameOverFourStarts()
    {
        QVERIFY(logOn());
        QVERIFY(closeViewer());
        const QString width = stored(u"TableListWidth"_s);
        const QString height = stored(u"TableListHeight"_s);
        QVERIFY(width.toInt() > 0 && height.toInt() > 0);
        for (int start = 2; start <= 4; ++start) {
            QVERIFY(logOnAgain());
            QVERIFY(closeViewer());
            QCOMPARE(stored(u"TableListWidth"_s), width);
            QCOMPARE(stored(u"TableListHeight"_s), height);
        }
    }

    void aDraggedSplitterComesBackToThePixel()
    {
        QVERIFY(logOn());
        UserInput::dragSplitter(form->tablesAndFields(), 1, -37);
        UserInput::dragSplitter(form->listsAndResults(), 1, 23);
        const QSize tables = form->tabellenListe()->size();
        QVERIFY(closeViewer());
        QCOMPARE(stored(u"TableListWidth"_s).toInt(), qRound(Twips::fromPixelsX(tables.width())));

        QVERIFY(logOnAgain());
        QCOMPARE(form->tabellenListe()->size(), tables);
        // The window's own size came back as well, and the other panes fit around the lists.
        QVERIFY2(faultsOf(form).isEmpty(), qPrintable(faultsOf(form).join(u"\n"_s)));
    }

    void theUpperListsStayReadableWhenTheWindowShrinks()
    {
        // Stored by a window closed while its table list was squeezed.
        store(u"TableListWidth"_s, 870);
        QVERIFY(logOn(QString(), false));
        QWidget* tables = form->tabellenListe();
        QWidget* fields = form->feldListe();
        const int readable = 20 * QFontMetrics(tables->font()).averageCharWidth();
        QVERIFY2(tables->width() >= readable, qPrintable(QString::number(tables->width())));

        // Maximised, the table list made narrow; back to normal, the window shrinks.
        frameOf(form)->showMaximized();
        QTRY_VERIFY(frameOf(form)->isMaximized());
        UserInput::dragSplitter(form->tablesAndFields(), 1, readable + 40 - tables->width());
        frameOf(form)->showNormal();
        QTRY_VERIFY(!frameOf(form)->isMaximized());
        QVERIFY2(tables->width() >= readable && fields->width() >= readable,
                 qPrintable(u"%1 and %2"_s.arg(tables->width()).arg(fields->width())));
        // At its least size too.
        frameOf(form)->resize(100, 100);
        QTRY_VERIFY(tables->width() >= readable && fields->width() >= readable);
        QVERIFY(closeViewer());
        QVERIFY(stored(u"TableListWidth"_s).toInt() >= qRound(Twips::fromPixelsX(readable)));
    }

    void aFocusedListShowsItsFocus()
    {
        QVERIFY(logOn());
        viewer.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(viewer.window.get()));
        ResultListView* results = form->datenListe();
        QTreeWidget* tables = form->tabellenListe();
        const QColor mark = results->palette().color(QPalette::Highlight);
        const QColor none = results->palette().color(QPalette::Base);
        // The colour at the middle of a list's lower edge, where no row stands.
        const auto edge = [](QAbstractItemView* view) {
            const QImage shown = view->viewport()->grab().toImage();
            return QColor(shown.pixel(shown.width() / 2, shown.height() - 1));
        };
        QCOMPARE(results->rowCount(), 0);
        QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, results->viewport()->rect().center());
        QVERIFY(results->hasFocus());
        QCOMPARE(edge(results), mark);
        UserInput::clickItem(tables, row(tables, u"Kunde:Kunde"_s));
        QVERIFY(tables->hasFocus());
        QCOMPARE(edge(results), none);
        QCOMPARE(edge(tables), mark);
        // The keyboard takes it on, and the mark with it.
        QTest::keyClick(tables, Qt::Key_Tab);
        QVERIFY(!tables->hasFocus());
        QCOMPARE(edge(tables), none);
    }

    void defaultColumnWidthsFollowTheDataFontAndStoredOnesStay()
    {
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"DataFontSize"_s, u"16"_s);
        store(u"TableList.Col2.Width"_s, 1234);
        QVERIFY(logOn(QString(), false));
        QTreeWidget* tables = form->tabellenListe();
        QCOMPARE(tables->font().pointSize(), 16);
        QVERIFY(doubleClickTable(form, u"Kunde:Kunde"_s));
        QTest::mouseClick(form->findChild<QPushButton*>(u"StartQueryButton"_s), Qt::LeftButton);
        QTRY_VERIFY(form->datenListe()->rowCount() > 0);
        // Every default width grew with the font, and no header is cut (the geometry check).
        const double ratio = QFontMetricsF(tables->font()).averageCharWidth() /
                             QFontMetricsF(FontSettings::DefaultFont()).averageCharWidth();
        QVERIFY(ratio > 1.3);
        QHeaderView* header = tables->header();
        for (int c = 0; c < header->count(); ++c) {
            if (LayoutStore::ColumnKey(tables, c) == u"K2")
                QCOMPARE(header->sectionSize(c), Twips::toPixelsX(1234));
            else if (c > 0) // the first column fits the table names
                QVERIFY2(header->sectionSize(c) >= int(Twips::toPixelsX(1000) * ratio) - 1,
                         qPrintable(QString::number(c)));
        }
        QHeaderView* data = form->datenListe()->horizontalHeader();
        for (int c = 0; c < data->count(); ++c)
            QVERIFY(data->sectionSize(c) >= int(Twips::toPixelsX(1440) * ratio) - 1);
        QVERIFY2(faultsOf(form).isEmpty(), qPrintable(faultsOf(form).join(u"\n"_s)));
        SettingsStore::DeleteSetting(App().RegAppName, u"Settings"_s, u"DataFontSize"_s);
    }

    void theWindowTakesItsKeysBeforeTheControls()
    {
        MessageBoxes boxes;
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

    void eachListOpensItsMenuByMouseMenuKeyAndShiftF10()
    {
        MessageBoxes boxes;
        QVERIFY(logOn());
        QTreeWidget* tables = form->tabellenListe();
        // Without a table the result list has nothing to offer and says so.
        ResultListView* data = form->datenListe();
        UserInput::rightClick(data->viewport(), data->viewport()->rect().center());
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(139)});

        // A right click on a row selects it and opens the table list's menu, with the entries
        // about the window's table on only for that table's row.
        QVERIFY(doubleClickTable(form, u"Kunde:Kunde"_s));
        QTreeWidgetItem* other = row(tables, u"Artikel:Artikel"_s);
        UserInput::rightClick(tables->viewport(), UserInput::indexCenter(tables, UserInput::indexOf(tables, other)));
        QTRY_VERIFY(menu(u"TabListeMenue"_s)->isVisible());
        QCOMPARE(tables->currentItem(), other);
        QVERIFY(!viewer.window->menus().menu(u"TabAbfrageLadenMenue"_s)->menuAction()->isEnabled());
        menu(u"TabListeMenue"_s)->hide();

        // Shift+F10 opens the field list's menu at its current row.
        QTest::keyClick(form->feldListe(), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(menu(u"FldListeMenue"_s)->isVisible());
        menu(u"FldListeMenue"_s)->hide();

        // The Menu key reaches a list as a context-menu event from the keyboard.
        UserInput::clickItem(tables, row(tables, u"Kunde:Kunde"_s));
        QTest::keyClick(form->findChild<QPushButton*>(u"StartQueryButton"_s), Qt::Key_Space);
        QVERIFY(data->rowCount() > 0);
        data->setFocus();
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0), data->mapToGlobal(QPoint(0, 0)));
        QApplication::sendEvent(data, &menuKey);
        QTRY_VERIFY(menu(u"DatenlisteMenue"_s)->isVisible());
        menu(u"DatenlisteMenue"_s)->hide();
        QCOMPARE(boxes.texts.size(), 1);
    }

    void aServerThatStoppedAnsweringIsBrokenOffWithEscAndTheStatusBarSaysSo()
    {
        QVERIFY(logOn());
        // The table list asked for again, and the server holds its answer.
        const auto arrived = holdFirst(server, u"GTN|"_s);
        QTreeWidget* tables = form->tabellenListe();
        whenTrue([arrived] { return arrived->load(); }, [tables] { QTest::keyClick(tables, Qt::Key_Escape); });
        tables->setFocus();
        QTest::keyClick(tables, Qt::Key_F5);
        QVERIFY(arrived->load());
        QVERIFY(!form->isBusy());
        QCOMPARE(form->panelText(4), GetMessageTextByNr(35));
        QVERIFY(waitForLine(server, u"BRQ|0"_s) || !linesStartingWith(server, u"BRQ|"_s).isEmpty());
        // The window works on: the next F5 fills the list.
        server.setScript({});
        QTest::keyClick(tables, Qt::Key_F5);
        QVERIFY(tables->topLevelItemCount() > 0);
    }

    void statusPanelsFollowTheirLists()
    {
        MessageBoxes boxes;
        QVERIFY(logOn());
        // Start without a chosen table says so.
        form->tabellenListe()->clearSelection();
        QTest::mouseClick(form->findChild<QPushButton*>(u"StartQueryButton"_s), Qt::LeftButton);
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(139)});
        QCOMPARE(form->panelText(1), u"8 "_s + GetMessageTextByNr(125));

        QVERIFY(doubleClickTable(form, u"Kunde:Kunde"_s));
        const int fields = form->feldListe()->topLevelItemCount();
        QCOMPARE(form->panelText(2), u"Kunde:Kunde: %1 "_s.arg(fields) + GetMessageTextByNr(128));
        QTest::mouseClick(form->findChild<QPushButton*>(u"StartQueryButton"_s), Qt::LeftButton);
        QVERIFY(form->panelText(4).startsWith(QString::number(form->datenListe()->rowCount()) + u' '));

        // An added field counts at once.
        answerInputBox(u"vertreter^name"_s);
        QTest::keyClick(form->feldListe(), Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(form->feldListe()->topLevelItemCount(), fields + 1);
        QCOMPARE(form->panelText(2), u"Kunde:Kunde: %1 "_s.arg(fields + 1) + GetMessageTextByNr(128));

        // Another table takes the rows and their count away.
        QVERIFY(doubleClickTable(form, u"Artikel:Artikel"_s));
        QCOMPARE(form->datenListe()->rowCount(), 0);
        QCOMPARE(form->panelText(4), QString());

        // A long selection string is cut where its panel ends, and kept whole.
        auto* criteria = form->findChild<QLineEdit*>(u"Kriterien"_s);
        criteria->setText(u"name="_s + QString(400, u'x'));
        QTest::keyClick(criteria, Qt::Key_Return);
        auto* panel = form->findChild<StatusPanel*>(u"Panel6"_s);
        QVERIFY(panel->text().contains(QString(400, u'x')));
        QVERIFY(panel->shownText().endsWith(QChar(0x2026)));
        QVERIFY(panel->geometry().right() < form->statusBar()->width());
    }

    void aTableListRefreshLeavesNoChangedQueryBehind()
    {
        // The refresh asks about the changed query (answered No) while the window shows it.
        MessageBoxes boxes(QMessageBox::No);
        QVERIFY(logOn());
        QVERIFY(doubleClickTable(form, u"Kunde:Kunde"_s));
        form->setAktQueryName(u"Mine"_s);
        form->findChild<QLineEdit*>(u"Kriterien"_s)->setText(u"ort=Berlin"_s);
        QTest::keyClick(form->tabellenListe(), Qt::Key_F5);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(GetMessageTextByNr(182) + u" Mine"_s));
        boxes.texts.clear();
        QCOMPARE(form->AktTableName(), QString());
        QCOMPARE(form->AktQueryName(), QString());
        QCOMPARE(form->panelText(3), QString());
        // Nothing is asked when the window closes, and nothing is written without a table.
        frameOf(form)->close();
        QTRY_COMPARE(forms().size(), 0);
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u" | "_s)));
        QVERIFY(!QFile::exists(dir.path() + u"/100/.ini"_s));
        QVERIFY(!QFile::exists(dir.path() + u"/.ini"_s));
    }

    void cancellingTheQuestionKeepsTheWindowOpen()
    {
        QVERIFY(logOn());
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        form->setAktQueryName(u"Mine"_s);
        form->findChild<QLineEdit*>(u"Kriterien"_s)->setText(u"ort=Berlin"_s);
        QVERIFY(form->queryStringWindow());

        const QPointer<QueryForm> watched(form);
        QMdiSubWindow* sub = frameOf(form);
        MessageBoxes boxes(QMessageBox::Cancel);
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

VIEWER_TEST_MAIN(QueryFormFrameTest)

#include "queryform_qtest.moc"
