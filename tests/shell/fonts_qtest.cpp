// The two fonts of the program reach everything that is open: the stored ones at the start,
// and a font chosen in the viewer settings at once, the main window's menus and status bar and
// the open child windows included, whose panes keep room for their rows. A stored font without a name keeps the
// system's.
#include "ConditionsPanel.h"
#include "FontSettings.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "ViewerEinstellungenDialog.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QFontDialog>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace ViewerTest;

namespace {

void store(const QString& key, const QString& value)
{
    SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, key, value);
}

// The widgets whose font is not the expected one.
QStringList notIn(const QList<const QWidget*>& widgets, const QFont& font)
{
    QStringList wrong;
    for (const QWidget* w : widgets) {
        if (w->font().family() != font.family() || w->font().pointSize() != font.pointSize())
            wrong.append(u"%1 has %2 %3"_s.arg(w->objectName(), w->font().family()).arg(w->font().pointSize()));
    }
    return wrong;
}

} // namespace

class FontsTest : public QueryWindowTest
{
    Q_OBJECT

private:
    // What shows the form font and the data font in the main window and the query window.
    QList<const QWidget*> formFontWidgets() const
    {
        return {viewer.window->menuBar(), viewer.window->statusBar(), form,
                static_cast<const QWidget*>(form->conditions())};
    }
    QList<const QWidget*> dataFontWidgets() const { return {form->tabellenListe(), form->feldListe()}; }

    // Chooses a font in the viewer settings with the button of that name: the font dialog
    // takes the family and size.
    void chooseFont(const QString& buttonName, const QString& family, int size)
    {
        ViewerEinstellungenDialog* settings = viewer.window->viewerSettingsDialog();
        settings->show();
        QVERIFY(QTest::qWaitForWindowExposed(settings));
        auto* button = settings->findChild<QPushButton*>(buttonName);
        QVERIFY(button);
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            QFont font(family);
            font.setPointSize(size);
            dialog->setCurrentFont(font);
            answered = true;
            dialog->accept();
        });
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(answered);
        settings->hide();
    }

private Q_SLOTS:
    void init() {}

    void aChosenFontReachesWhatIsOpen()
    {
        QVERIFY(logOn());
        const QFont system = FontSettings::DefaultFont();
        const int formSize = system.pointSize() + 3;
        const int dataSize = system.pointSize() + 5;
        chooseFont(u"FormFontButton"_s, system.family(), formSize);
        QCOMPARE(App().FormFont.pointSize(), formSize);
        QStringList wrong = notIn(formFontWidgets(), App().FormFont);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u"\n"_s)));
        // The lists keep the data font.
        wrong = notIn(dataFontWidgets(), App().DataFont);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u"\n"_s)));
        QVERIFY(form->tabellenListe()->font().pointSize() != formSize);

        const int leastResults = form->datenListe()->parentWidget()->minimumHeight();
        chooseFont(u"DataFontButton"_s, system.family(), dataSize);
        // The panes keep room for their rows in the larger font.
        QVERIFY(form->datenListe()->parentWidget()->minimumHeight() > leastResults);
        wrong = notIn(dataFontWidgets(), App().DataFont) + notIn(formFontWidgets(), App().FormFont);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u"\n"_s)));
        QCOMPARE(form->tabellenListe()->font().pointSize(), dataSize);
        // The settings dialog's own samples show the two fonts.
        ViewerEinstellungenDialog* settings = viewer.window->viewerSettingsDialog();
        QCOMPARE(settings->fontControl<QLabel>(u"SampleText", 0)->font().pointSize(), formSize);
        QCOMPARE(settings->fontControl<QLabel>(u"SampleText", 1)->font().pointSize(), dataSize);
        QVERIFY(closeViewer());
    }

    // The stored fonts reach the main window itself at the start, not only the windows it
    // opens; a stored empty name is no family and the system's stays.
    void storedFontsReachTheMainWindowAndAnEmptyNameKeepsTheSystemFont()
    {
        QVERIFY(logOn());
        QVERIFY(closeViewer());
        const QFont system = FontSettings::DefaultFont();
        store(u"FormFontName"_s, u"Form Sans"_s);
        store(u"FormFontSize"_s, QString::number(system.pointSize() + 2));
        store(u"DataFontName"_s, QString());
        store(u"DataFontSize"_s, QString::number(system.pointSize() + 4));
        QVERIFY(logOnAgain());
        QCOMPARE(App().FormFont.family(), u"Form Sans"_s);
        QCOMPARE(App().DataFont.family(), system.family());
        QCOMPARE(App().DataFont.pointSize(), system.pointSize() + 4);
        const QStringList wrong = notIn(formFontWidgets(), App().FormFont) + notIn(dataFontWidgets(), App().DataFont);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u"\n"_s)));
        QVERIFY(closeViewer());
    }
};

VIEWER_TEST_MAIN(FontsTest)
#include "fonts_qtest.moc"
