// Sorting list views on a column click, copying them to the clipboard, row formats, column
// widths and header texts, and the localisation of windows at load.
#include "FormLocalizer.h"
#include "LayoutStore.h"
#include "ListTexts.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "ReadableColour.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "Twips.h"
#include "UserInput.h"
#include "ViewerTestMain.h"
#include "WindowGeometry.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using ViewerTest::column;
using namespace MainModul;

namespace {

QTreeWidgetItem* row(QTreeWidget& view, const QStringList& cells)
{
    auto* item = new QTreeWidgetItem(cells);
    view.addTopLevelItem(item);
    return item;
}

// A paint device that keeps the texts drawn on it and where each begins.
class TextRecorder : public QPaintDevice
{
public:
    struct Text
    {
        QString text;
        QPointF at;
    };

    explicit TextRecorder(const QSize& size) : m_engine(this), m_size(size) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }
    const QList<Text>& texts() const { return m_texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        explicit Engine(TextRecorder* device) : m_device(device) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& state) override
        {
            if (state.state() & DirtyTransform)
                m_transform = state.transform();
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF& p, const QTextItem& item) override
        {
            m_device->m_texts.append({item.text(), m_transform.map(p)});
        }
        Type type() const override { return User; }

    private:
        TextRecorder* m_device;
        QTransform m_transform;
    };

    mutable Engine m_engine;
    QSize m_size;
    QList<Text> m_texts;
};

// A list of many wide columns, scrolled sideways: its middle column in view.
void fillWide(QTreeWidget& view)
{
    view.setColumnCount(8);
    for (int r = 0; r < 40; ++r) {
        QStringList cells;
        for (int c = 0; c < 8; ++c)
            cells.append(u"%1"_s.arg((r * 7 + c * 3) % 40, 2, 10, QChar(u'0')));
        row(view, cells);
    }
    view.header()->setStretchLastSection(false);
    for (int c = 0; c < 8; ++c)
        view.header()->resizeSection(c, 150);
}

} // namespace

class ListViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clickingAColumnSortsAscendingThenDescendingThenAscending()
    {
        // Clicked as a user clicks: Qt moves the indicator itself before the click is
        // reported, and the order still alternates.
        QTreeWidget view;
        view.setColumnCount(2);
        row(view, {u"b"_s, u"2"_s});
        row(view, {u"C"_s, u"10"_s});
        row(view, {u"a"_s, u"9"_s});
        ListViewHelpers::ConnectHeaderSorting(&view);
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QHeaderView* header = view.header();
        const QStringList up{u"a"_s, u"b"_s, u"C"_s}; // case aside
        const QStringList down{u"C"_s, u"b"_s, u"a"_s};
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder, Qt::AscendingOrder}) {
            UserInput::clickHeader(header, 0);
            QCOMPARE(column(view, 0), order == Qt::AscendingOrder ? up : down);
            QCOMPARE(header->sortIndicatorOrder(), order);
            QCOMPARE(header->sortIndicatorSection(), 0);
        }
        // Another column starts ascending again, and compares texts, not numbers.
        UserInput::clickHeader(header, 1);
        QCOMPARE(column(view, 1), (QStringList{u"10"_s, u"2"_s, u"9"_s}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        QVERIFY(!view.isSortingEnabled());
        // Called by name, as the menus do, it alternates the same way.
        SortListViewByColumn(&view, 1);
        QCOMPARE(column(view, 1), (QStringList{u"9"_s, u"2"_s, u"10"_s}));
    }

    void aColumnOfNumbersOrDatesSortsByValue()
    {
        // What the server sends: whole and decimal numbers, dates as shown; empty cells and
        // cells that are no value of the column's type.
        QTreeWidget view;
        view.setColumnCount(3);
        row(view, {u"10"_s, u"1.234,5"_s, u"03.02.2001"_s});
        row(view, {u"2"_s, u"-7,25"_s, u"01.12.1999"_s});
        row(view, {QString(), u"12,5"_s, u"15.01.2001"_s});
        row(view, {u"9"_s, QString(), u"unknown"_s});
        row(view, {u"x"_s, u"0,5"_s, QString()});
        ListViewHelpers::SetColumnDataType(&view, 0, KLVActiveX::klvLongInt);
        ListViewHelpers::SetColumnDataType(&view, 1, KLVActiveX::klvReal);
        ListViewHelpers::SetColumnDataType(&view, 2, KLVActiveX::klvDate);
        ListViewHelpers::ConnectHeaderSorting(&view);
        view.resize(400, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QHeaderView* header = view.header();

        // Empty first, the values in their order, then what is no value.
        UserInput::clickHeader(header, 0);
        QCOMPARE(column(view, 0), (QStringList{QString(), u"2"_s, u"9"_s, u"10"_s, u"x"_s}));
        UserInput::clickHeader(header, 0);
        QCOMPARE(column(view, 0), (QStringList{u"x"_s, u"10"_s, u"9"_s, u"2"_s, QString()}));
        UserInput::clickHeader(header, 1);
        QCOMPARE(column(view, 1), (QStringList{QString(), u"-7,25"_s, u"0,5"_s, u"12,5"_s, u"1.234,5"_s}));
        UserInput::clickHeader(header, 2);
        QCOMPARE(column(view, 2),
                 (QStringList{QString(), u"01.12.1999"_s, u"15.01.2001"_s, u"03.02.2001"_s, u"unknown"_s}));
        UserInput::clickHeader(header, 2);
        QCOMPARE(column(view, 2),
                 (QStringList{u"unknown"_s, u"03.02.2001"_s, u"15.01.2001"_s, u"01.12.1999"_s, QString()}));
    }

    void aSortedListStaysSortedWhenRowsCome()
    {
        QTreeWidget view;
        view.setColumnCount(1);
        row(view, {u"b"_s});
        ListViewHelpers::SetListViewSorting(&view, true, 0, Qt::DescendingOrder);
        row(view, {u"c"_s});
        row(view, {u"a"_s});
        ListViewHelpers::ApplyListViewSorting(&view);
        QCOMPARE(column(view, 0), (QStringList{u"c"_s, u"b"_s, u"a"_s}));
    }

    void theSelectionSurvivesSorting()
    {
        QTreeWidget view;
        view.setColumnCount(1);
        row(view, {u"b"_s});
        QTreeWidgetItem* a = row(view, {u"a"_s});
        view.setCurrentItem(a);
        SortListViewByColumn(&view, 0);
        QCOMPARE(view.currentItem(), a);
        QVERIFY(a->isSelected());
    }

    void aSortKeepsTheClickedColumnOfASidewaysScrolledListInView_data()
    {
        QTest::addColumn<bool>("table");
        QTest::newRow("list of items, a row current") << false;
        QTest::newRow("table over a model") << true;
    }

    void aSortKeepsTheClickedColumnOfASidewaysScrolledListInView()
    {
        QFETCH(bool, table);
        QTreeWidget tree;
        fillWide(tree);
        tree.setCurrentItem(tree.topLevelItem(5));
        QStandardItemModel model(0, 8);
        for (int r = 0; r < tree.topLevelItemCount(); ++r) {
            QList<QStandardItem*> cells;
            for (int c = 0; c < 8; ++c)
                cells.append(new QStandardItem(tree.topLevelItem(r)->text(c)));
            model.appendRow(cells);
        }
        QTableView tableView;
        tableView.setModel(&model);
        QAbstractItemView* view = table ? static_cast<QAbstractItemView*>(&tableView) : &tree;
        QHeaderView* header = LayoutStore::HeaderOf(view);
        for (int c = 0; c < 8; ++c)
            header->resizeSection(c, 150);
        ListViewHelpers::ConnectHeaderSorting(view);
        view->resize(400, 300);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));

        QScrollBar* sideways = view->horizontalScrollBar();
        sideways->setValue(sideways->maximum() / 2);
        const int scrolled = sideways->value();
        QVERIFY(scrolled > 0);
        const int clicked = header->logicalIndexAt(view->viewport()->width() / 2);
        const int place = header->sectionViewportPosition(clicked);
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            UserInput::clickHeader(header, clicked);
            QCOMPARE(header->sortIndicatorOrder(), order);
            QStringList cells = column(view, clicked);
            if (order == Qt::DescendingOrder)
                std::reverse(cells.begin(), cells.end());
            QVERIFY(std::is_sorted(cells.begin(), cells.end()));
            QCOMPARE(sideways->value(), scrolled);
            QCOMPARE(header->sectionViewportPosition(clicked), place);
        }
    }

    void aTableOverAModelSortsThroughItsModel()
    {
        QStandardItemModel model(0, 1);
        for (const QString& t : {u"b"_s, u"a"_s})
            model.appendRow(new QStandardItem(t));
        QTableView view;
        view.setModel(&model);
        SortListViewByColumn(&view, 0);
        QCOMPARE(model.item(0)->text(), u"a"_s);
        SortListViewByColumn(&view, 0);
        QCOMPARE(model.item(0)->text(), u"b"_s);
    }

    void copyingGivesTabsAndCrLfsAndKeepsTheTableShape()
    {
        QTreeWidget view;
        view.setHeaderLabels({u"Nr"_s, u"Text\tHead"_s, u"Note"_s});
        row(view, {u"1"_s, u"two\r\nlines"_s, u"a\rb"_s});
        row(view, {u"2"_s, u"tab\there"_s, u"x\ny"_s});
        row(view, {u"3"_s}); // missing cells are empty
        CopyListViewToClipboard(&view);
        QCOMPARE(QApplication::clipboard()->text(),
                 u"Nr\tText Head\tNote\r\n1\ttwo#lines\ta#b\r\n2\ttab here\tx#y\r\n3\t\t\r\n"_s);
        QVERIFY(QApplication::clipboard()->mimeData()->hasText());
    }

    void copyingFollowsTheSortedOrderAndAnEmptyListGivesItsHeaders()
    {
        QTreeWidget view;
        view.setHeaderLabels({u"A"_s, u"B"_s});
        row(view, {u"z"_s, u"1"_s});
        row(view, {u"y"_s, u"2"_s});
        SortListViewByColumn(&view, 0);
        CopyListViewToClipboard(&view);
        QCOMPARE(QApplication::clipboard()->text(), u"A\tB\r\ny\t2\r\nz\t1\r\n"_s);
        view.clear();
        CopyListViewToClipboard(&view);
        QCOMPARE(QApplication::clipboard()->text(), u"A\tB\r\n"_s);
    }

    void copyingATableModelAndIgnoringOtherControls()
    {
        QStandardItemModel model(1, 2);
        model.setHorizontalHeaderLabels({u"H1"_s, u"H2"_s});
        model.setItem(0, 0, new QStandardItem(u"a"_s));
        model.setItem(0, 1, new QStandardItem(u"b"_s));
        QTableView table;
        table.setModel(&model);
        CopyListViewToClipboard(&table);
        QCOMPARE(QApplication::clipboard()->text(), u"H1\tH2\r\na\tb\r\n"_s);
        QLineEdit edit(u"not a list"_s);
        CopyListViewToClipboard(&edit);
        CopyListViewToClipboard(nullptr);
        QCOMPARE(QApplication::clipboard()->text(), u"H1\tH2\r\na\tb\r\n"_s);
    }

    void aRowFormatReachesEveryCell()
    {
        QTreeWidget view;
        view.setColumnCount(3);
        QTreeWidgetItem* item = row(view, {u"a"_s, u"b"_s, u"c"_s});
        SetListItemFormat(item, 0x0000FF, true); // red, as the Windows program writes RGB values
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(item->foreground(c).color(), QColor(255, 0, 0));
            QVERIFY(item->font(c).bold());
        }
        SetListItemFormat(item, 0x7F7F7F, false);
        QCOMPARE(item->foreground(2).color(), QColor(0x7F, 0x7F, 0x7F));
        QVERIFY(!item->font(2).bold());
    }

    void markedRowsStayReadableOnADarkList()
    {
        QTreeWidget view;
        view.setColumnCount(2);
        QPalette dark = view.palette();
        dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
        dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
        view.setPalette(dark);
        QTreeWidgetItem* item = row(view, {u"a"_s, u"b"_s});
        // Dark red, dark green and grey, as the key estimation marks its rows.
        for (const qint32 colour : {0xAF, 0x7F00, 0x7F7F7F}) {
            const QColor named(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
            SetListItemFormat(item, colour, false);
            const QColor shown = item->foreground(1).color();
            const double onWhite = ReadableColour::Contrast(named, Qt::white);
            QVERIFY2(ReadableColour::Contrast(shown, QColor(0x1E, 0x1E, 0x1E)) >= std::min(4.5, onWhite) - 0.01,
                     qPrintable(shown.name()));
            // Still the colour it was meant to be.
            QCOMPARE(shown.hslHue(), named.hslHue());
        }
    }

    void defaultColumnWidthsFitTheirHeadersAndFollowTheFont()
    {
        const QString section = u"ListViewTestSettings"_s;
        SettingsStore::DeleteSetting(App().RegAppName, section);
        App().MessageTexts.SetText(1502, u"Meaning message no."_s);
        App().MessageTexts.SetText(1503, u"Description"_s);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* view = new QTreeWidget;
        view->setObjectName(u"MsgListe"_s);
        view->header()->setStretchLastSection(false);
        layout->addWidget(view);
        ListViewColumnArray columns(4);
        InitListViewColumnProps(1500, columns);
        // The last column's width was stored.
        SettingsStore::SaveSetting(App().RegAppName, section, u"MsgListe.Col4.Width"_s, u"900"_s);
        LoadListViewColumns(view, section, false, &columns);
        ListViewHelpers::ConnectHeaderSorting(view);
        view->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        BuildListViewColumns(view, 1500, columns, {});
        window.resize(900, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY2(WindowGeometry::problems(&window).isEmpty(),
                 qPrintable(WindowGeometry::problems(&window).join(u'\n')));
        QCOMPARE(view->header()->sectionSize(3), Twips::toPixelsX(900));

        // A larger font for the rows: the default widths grow with it, the stored one stays.
        const int before = view->header()->sectionSize(0);
        QFont large = view->font();
        large.setPointSize(large.pointSize() * 2);
        const double ratio = QFontMetricsF(large).averageCharWidth() / QFontMetricsF(view->font()).averageCharWidth();
        view->setFont(large);
        QVERIFY(view->header()->sectionSize(0) >= int(before * ratio) - 1);
        QCOMPARE(view->header()->sectionSize(3), Twips::toPixelsX(900));
        // A larger font for the header: every default width still shows its text whole.
        QFont largeHeader = view->header()->font();
        largeHeader.setPointSize(largeHeader.pointSize() * 2);
        view->header()->setFont(largeHeader);
        QTest::qWait(0);
        QStringList cut = WindowGeometry::problems(&window);
        QCOMPARE(cut.size(), 1); // the stored width is the user's
        QVERIFY2(cut.first().contains(u"Col 4"_s), qPrintable(cut.first()));

        // Saved, the default widths are saved as their design, which reads back as default.
        SaveListViewColumns(view, section, false, &columns);
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, section, u"MsgListe.Col1.Width"_s), u"1000"_s);
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, section, u"MsgListe.Col4.Width"_s), u"900"_s);
        App().MessageTexts.Clear();
    }

    void aHeaderTooNarrowForItsTextCutsItsEnd()
    {
        QTreeWidget view;
        view.setHeaderLabels({u"Message no."_s, u"Description"_s});
        view.headerItem()->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        ListViewHelpers::ConnectHeaderSorting(&view);
        QHeaderView* header = view.header();
        header->setStretchLastSection(false);
        for (int c = 0; c < 2; ++c)
            header->resizeSection(c, header->fontMetrics().horizontalAdvance(u"Mess"_s) + 20);
        view.resize(300, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        TextRecorder drawn(header->size());
        header->render(&drawn);
        QCOMPARE(drawn.texts().size(), 2);
        for (int c = 0; c < 2; ++c) {
            const TextRecorder::Text& text = drawn.texts()[c];
            const QString whole = view.headerItem()->text(c);
            // Its beginning shows, within its section, and the ellipsis says there is more.
            QVERIFY2(text.text.endsWith(QChar(0x2026)) && whole.startsWith(text.text.chopped(1)),
                     qPrintable(text.text));
            QVERIFY(text.at.x() >= header->sectionViewportPosition(c));
        }
    }

    void aWindowShowsItsMessagesAfterLoad()
    {
        App().MessageTexts.Clear();
        App().MessageTexts.SetText(900, u"Query window"_s);
        App().MessageTexts.SetText(912, u"Close"_s);
        App().MessageTexts.SetText(914, u"Help"_s);
        App().MessageTexts.SetText(915, u"File"_s);
        App().MessageTexts.SetText(916, u"Open"_s);
        App().MessageTexts.SetText(917, u"Tab one"_s);
        App().MessageTexts.SetText(918, u"Number"_s);
        App().MessageTexts.SetText(919, u"Ready"_s);
        App().MessageTexts.SetText(920, u"Group"_s);
        QMainWindow form;
        form.setWindowTitle(u"900"_s);
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        auto* close = new QPushButton(u"912"_s);
        close->setToolTip(u"914"_s);
        auto* unknown = new QPushButton(u"913"_s); // no message: keeps its number
        auto* plain = new QLabel(u"Plain text"_s);
        auto* group = new QGroupBox(u"920"_s);
        auto* tabs = new QTabWidget;
        tabs->addTab(new QWidget, u"917"_s);
        auto* list = new QTreeWidget;
        list->setHeaderLabels({u"918"_s, u"x"_s});
        for (QWidget* w : {static_cast<QWidget*>(close), static_cast<QWidget*>(unknown), static_cast<QWidget*>(plain),
                           static_cast<QWidget*>(group), static_cast<QWidget*>(tabs), static_cast<QWidget*>(list)})
            layout->addWidget(w);
        form.setCentralWidget(central);
        QMenu* file = form.menuBar()->addMenu(u"915"_s);
        file->addAction(u"916"_s);
        auto* panel = new QLabel(u"919"_s);
        form.statusBar()->addWidget(panel);
        InitDefaultFonts();
        App().DataFont.setPointSize(11);
        InitFormCommon(&form);

        QCOMPARE(form.windowTitle(), u"Query window"_s);
        QCOMPARE(close->text(), u"Close"_s);
        QCOMPARE(close->toolTip(), u"Help"_s);
        QCOMPARE(unknown->text(), u"913"_s);
        QCOMPARE(plain->text(), u"Plain text"_s);
        QCOMPARE(group->title(), u"Group"_s);
        QCOMPARE(tabs->tabText(0), u"Tab one"_s);
        QCOMPARE(list->headerItem()->text(0), u"Number"_s);
        QCOMPARE(list->headerItem()->text(1), u"x"_s);
        QCOMPARE(file->title(), u"File"_s);
        QCOMPARE(file->actions().first()->text(), u"Open"_s);
        QCOMPARE(panel->text(), u"Ready"_s);
        // Lists take the data font, everything else the form font.
        QCOMPARE(list->font().pointSize(), 11);
        QCOMPARE(close->font().family(), App().FormFont.family());
        QCOMPARE(close->font().pointSize(), App().FormFont.pointSize());
        App().MessageTexts.Clear();
    }
};

VIEWER_TEST_MAIN(ListViewTest)

#include "listview_qtest.moc"
