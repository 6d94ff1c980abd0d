// A status panel as its texts change quickly (a record count while a query reads): what it
// shows and the room it asks for follow every new text, every width and every font.
#include "StatusPanel.h"
#include "ViewerTestMain.h"

#include <QHBoxLayout>
#include <QTest>

namespace {

// Counts the events of a kind a widget receives.
class EventCount : public QObject
{
public:
    explicit EventCount(QEvent::Type type) : m_type(type) {}
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == m_type)
            ++count;
        return QObject::eventFilter(watched, event);
    }

private:
    QEvent::Type m_type;
};

} // namespace

using namespace Qt::StringLiterals;

class StatusPanelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theShownTextAndTheRoomFollowTextWidthAndFont()
    {
        QWidget bar;
        auto* layout = new QHBoxLayout(&bar);
        auto* count = new StatusPanel(true, &bar);
        auto* rest = new StatusPanel(false, &bar);
        layout->addWidget(count);
        layout->addWidget(rest, 1);
        bar.resize(600, 30);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));

        // Counts one after the other: each is shown whole, and the room grows with the text.
        int lastWidth = 0;
        for (const QString& text : {u"100 records"_s, u"200 records"_s, u"1000 records"_s, u"10000 records"_s}) {
            count->setText(text);
            layout->activate();
            QCOMPARE(count->shownText(), text);
            QVERIFY(count->sizeHint().width() >= lastWidth);
            lastWidth = count->sizeHint().width();
        }

        // More lines than one: the first, with an ellipsis; "\r" alone ends a line too.
        layout->activate();
        rest->setText(u"first\r\nsecond"_s);
        QCOMPARE(rest->shownText(), u"first"_s + QChar(0x2026));
        rest->setText(u"one\rtwo"_s);
        QCOMPARE(rest->shownText(), u"one"_s + QChar(0x2026));

        // Narrower than the text: cut where the panel ends; wide again: whole.
        const QString longText = QString(200, u'x');
        rest->setText(longText);
        bar.resize(300, 30);
        QTRY_VERIFY(rest->shownText().endsWith(QChar(0x2026)));
        QVERIFY(rest->shownText().size() < longText.size());
        rest->setText(u"short"_s);
        QCOMPARE(rest->shownText(), u"short"_s);

        // A larger font asks for more room for the same text.
        const int before = count->sizeHint().width();
        QFont big = count->font();
        big.setPointSizeF(big.pointSizeF() * 2);
        count->setFont(big);
        QVERIFY(count->sizeHint().width() > before);
    }

    void aTextInTheSameRoomIsPaintedWithoutLayingTheBarOutAndTheLabelFollows()
    {
        QWidget bar;
        auto* layout = new QHBoxLayout(&bar);
        auto* count = new StatusPanel(true, &bar);
        layout->addWidget(count);
        layout->addStretch(1);
        count->setText(u"1234 records"_s);
        bar.resize(600, 30);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QTRY_COMPARE(count->width(), count->sizeHint().width());
        EventCount requests(QEvent::LayoutRequest);
        bar.installEventFilter(&requests);
        EventCount paints(QEvent::Paint);
        count->installEventFilter(&paints);

        // The same digits in another order: the same room in any font without kerning.
        const QSize room = count->sizeHint();
        count->setText(u"4321 records"_s);
        QCOMPARE(count->text(), u"4321 records"_s);
        QCOMPARE(count->shownText(), u"4321 records"_s);
        QCoreApplication::processEvents();
        if (count->sizeHint() == room)
            QCOMPARE(requests.count, 0);
        // Texts in quick succession: the last is painted.
        count->setText(u"3421 records"_s);
        count->setText(u"2431 records"_s);
        paints.count = 0;
        QTRY_VERIFY(paints.count > 0);
        QCOMPARE(count->shownText(), u"2431 records"_s);
        // The label has the text a moment later, and what is set through it counts.
        QTRY_COMPARE(static_cast<QLabel*>(count)->text(), u"2431 records"_s);
        static_cast<QLabel*>(count)->setText(u"set as a label"_s);
        QCOMPARE(count->text(), u"set as a label"_s);

        // A text that needs more room has the bar laid out at once, and the label has it.
        requests.count = 0;
        count->setText(u"1234 records of many, many more"_s);
        QCOMPARE(static_cast<QLabel*>(count)->text(), u"1234 records of many, many more"_s);
        QTRY_VERIFY(requests.count > 0);
        QTRY_COMPARE(count->width(), count->sizeHint().width());
        QCOMPARE(count->shownText(), u"1234 records of many, many more"_s);
    }
};

VIEWER_TEST_MAIN(StatusPanelTest)

#include "statuspanel_qtest.moc"
