// The helpers against a session of the stand-in server: a list view filled from a running query
// (260 records in three blocks, progress, columns, sort, clipboard text), the server's words for
// true and false, and a record handed to the ERP GUI client of the session's client.
#include "KLV.h"
#include "KLVQuery.h"
#include "KlvServer.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "MessageBoxes.h"
#include "TestEnvironment.h"
#include "ViewerTestMain.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using ViewerTest::MessageBoxes;
using namespace MainModul;

namespace {

constexpr int RecordCount = 260;
constexpr int BlockSize = 100;

// Record i (1-based): number, name, an internal code, the active flag and a remark, which
// only record 7 has (with a line break); the others end after the flag.
QString recordLine(int i)
{
    return u"D|7|"_s + QString::number(i) + u"|Kunde "_s + QString::number(1000 - i) + u"|r"_s +
           QString::number(i % 3) + u'|' + (i % 2 ? u"1"_s : u"0"_s) + (i == 7 ? u"|first\\nsecond"_s : QString());
}

// Answers the query's EXQ with the metadata and the first block, each GNR with the next; the
// announced total (150) is below the real count, as the server's estimates can be.
bool answer(const QString& line, KlvScriptReply& reply, int& sent)
{
    if (line.startsWith(u"EXQ|"_s)) {
        sent = 0;
        reply.sendLine(u"BOD|7|EXQ|150"_s);
        reply.sendLine(u"DM|7|NAME|nummer|name|intern|aktiv|bem"_s);
        reply.sendLine(u"DM|7|DESC|Number|Name|Internal|Active|Remark"_s);
        reply.sendLine(u"DM|7|TYPE|I|A20|A10|B|A40"_s);
    } else if (line.startsWith(u"GNR|7"_s)) {
        reply.sendLine(u"BOD|7|GNR|150"_s);
    } else {
        return false;
    }
    const int end = std::min(sent + BlockSize, RecordCount);
    for (int i = sent + 1; i <= end; ++i)
        reply.sendLine(recordLine(i));
    reply.sendLine(u"EOD|7|EXQ|"_s + QString::number(end - sent) + (end == RecordCount ? u"|1"_s : u"|0"_s));
    sent = end;
    return true;
}

QStringList headerTexts(const QTreeWidget& view)
{
    QStringList texts;
    for (int c = 0; c < view.columnCount(); ++c)
        texts << view.headerItem()->text(c);
    return texts;
}

// Stands in for the session-settings dialog: it answers the data language's letter.
class LanguageForm : public QWidget
{
    Q_OBJECT
public:
    Q_INVOKABLE QString GetAktSprKZ() const { return u"E"_s; }
};

} // namespace

class SessionHelpersTest : public QObject
{
    Q_OBJECT

private:
    KlvServer server;
    int sent = 0;
    QSharedPointer<KLV> session;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(server.start());
        server.setScript([this](int, const QString& line, bool isGreeting, KlvScriptReply& reply) {
            return !isGreeting && answer(line, reply, sent);
        });
        session = QSharedPointer<KLV>::create();
        QVERIFY2(session->BeginSessionUser(u"127.0.0.1"_s, server.port(), u"100"_s, u"demo"_s, u"demo"_s),
                 qPrintable(session->GetLastError()));
        App().ErpTrueText = u"Ja"_s;
        App().ErpFalseText = u"Nein"_s;
    }

    void cleanupTestCase()
    {
        session->EndSession();
        server.stop();
    }

    void theListFillsBlockByBlockWithProgressSortsAndCopies()
    {
        QSharedPointer<KLVQuery> query = session->CreateQuery();
        query->setDatasetSize(BlockSize);
        query->setEnableQueryMetaData(true);
        server.clearReceived();
        QVERIFY2(query->StartQuery(u"12:11"_s, u"nummer,name,intern,aktiv,bem"_s), qPrintable(query->GetLastError()));

        QTreeWidget view;
        ListViewColumnArray columns(5);
        InitListViewColumnProps(1500, columns);
        for (ListViewColumnProperty& c : columns) {
            c.Visible = true;
            c.Descr.clear(); // captions from the field descriptions
        }
        columns[2].Visible = false; // the internal code is not shown, but is the row's tag
        BuildListViewColumns(&view, 1500, columns, query->GetQueryMetaData()->GetFieldMetaDataArray());
        QProgressBar bar;
        bar.setVisible(false);
        QSignalSpy values(&bar, &QProgressBar::valueChanged);
        QList<int> maxima;
        connect(&bar, &QProgressBar::valueChanged, this, [&] { maxima.append(bar.maximum()); });

        FillListViewFromQuery(query, &view, columns, &bar, 3);

        QCOMPARE(view.topLevelItemCount(), RecordCount);
        // Progress: reset to 0, then every 100 records; the bar grows past the estimate.
        QList<int> steps;
        for (const QList<QVariant>& v : values)
            steps << v.at(0).toInt();
        QCOMPARE(steps, (QList<int>{0, 100, 200}));
        QCOMPARE(maxima, (QList<int>{150, 150, 200}));
        QVERIFY(bar.isHidden());
        // Two more blocks were fetched with the query's transaction id.
        QStringList fetches;
        for (const QString& line : server.receivedLines()) {
            if (!line.startsWith(u"EXQ|"_s))
                fetches << line.left(5);
        }
        QCOMPARE(fetches, (QStringList{u"GNR|7"_s, u"GNR|7"_s}));

        // Columns: number, name, the server's word for the flag, the remark; the hidden code
        // leaves no gap and is the row's tag.
        QTreeWidgetItem* first = view.topLevelItem(0);
        QCOMPARE(view.currentItem(), first);
        QCOMPARE(first->text(0), u"1"_s);
        QCOMPARE(first->text(1), u"Kunde 999"_s);
        QCOMPARE(first->text(2), u"Ja"_s);
        QCOMPARE(first->data(0, ListViewHelpers::RowTagRole).toString(), u"r1"_s);
        QCOMPARE(view.topLevelItem(1)->text(2), u"Nein"_s);
        QCOMPARE(view.topLevelItem(6)->text(3), u"first\nsecond"_s);
        QCOMPARE(headerTexts(view), (QStringList{u"Number"_s, u"Name"_s, u"Active"_s, u"Remark"_s}));

        // Sorted by name (as text): "Kunde 740" (record 260) first.
        SortListViewByColumn(&view, 1);
        QCOMPARE(view.topLevelItem(0)->text(0), u"260"_s);
        CopyListViewToClipboard(&view);
        QString expected = u"Number\tName\tActive\tRemark\r\n"_s;
        for (int i = RecordCount; i >= 1; --i)
            expected += QString::number(i) + u"\tKunde "_s + QString::number(1000 - i) + u'\t' +
                        (i % 2 ? u"Ja"_s : u"Nein"_s) + u'\t' + (i == 7 ? u"first#second"_s : QString()) + u"\r\n"_s;
        QCOMPARE(QApplication::clipboard()->text(), expected);
    }

    void aListClosedWhileTheNextBlockIsAwaitedEndsTheFill()
    {
        QSharedPointer<KLVQuery> query = session->CreateQuery();
        query->setDatasetSize(BlockSize);
        QVERIFY(query->StartQuery(u"12:11"_s, u"nummer,name,intern,aktiv,bem"_s));
        auto* view = new QTreeWidget;
        QPointer<QTreeWidget> watch(view);
        ListViewColumnArray columns(5);
        // The first event loop after the start is the wait for the second block.
        QTimer::singleShot(0, view, [view] { delete view; });
        FillListViewFromQuery(query, view, columns, nullptr, 0);
        QVERIFY(watch.isNull());
    }

    void aQueryWithoutRecordsLeavesTheListEmpty()
    {
        server.setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"EXQ|"_s))
                return false;
            reply.sendLine(u"BOD|8|EXQ|0"_s);
            reply.sendLine(u"EOD|8|EXQ|0|1"_s);
            return true;
        });
        QSharedPointer<KLVQuery> query = session->CreateQuery();
        QVERIFY(query->StartQuery(u"12:11"_s, u"nummer"_s));
        QTreeWidget view;
        ListViewColumnArray columns(1);
        QProgressBar bar;
        FillListViewFromQuery(query, &view, columns, &bar, 0);
        QCOMPARE(view.topLevelItemCount(), 0);
        QVERIFY(bar.isHidden());
        QCOMPARE(view.currentItem(), nullptr);
    }

    void theServersWordsForTrueAndFalseComeFromEnumerationA2()
    {
        server.setScript({});
        App().MsgTrueText = u"Yes"_s;
        App().MsgFalseText = u"No"_s;
        QVERIFY(session->SetTAVLanguage(u"E"_s));
        LoadErpBoolTexts(session);
        QCOMPARE(App().ErpTrueText, u"yes"_s);
        QCOMPARE(App().ErpFalseText, u"no"_s);
        QCOMPARE(Bool2ErpText(true), u"yes"_s);
    }

    void withoutEnumerationA2TheProgramsOwnWordsStay()
    {
        server.setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"GAZ|"_s))
                return false;
            reply.sendLine(u"NAK|0|Unknown enumeration A2|1010|"_s);
            return true;
        });
        MessageBoxes boxes;
        App().MessageTexts.SetText(305, u"Enumeration not readable:"_s);
        LoadErpBoolTexts(session);
        QCOMPARE(App().ErpTrueText, u"Yes"_s);
        QCOMPARE(App().ErpFalseText, u"No"_s);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts[0].startsWith(u"Enumeration not readable: A2\n"_s), qPrintable(boxes.texts[0]));
        QVERIFY(boxes.texts[0].contains(u"Unknown enumeration A2"_s));
    }

    void aRecordGoesToTheGuiServiceOfTheSessionsClient()
    {
        server.setScript({});
        QTemporaryDir dir;
        const QString program = dir.filePath(u"gui"_s);
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" \"$2\" > \"$0.tmp\"\nmv \"$0.tmp\" \"$0.out\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("KLV_GUI_COMMAND", QFile::encodeName(program));
        LanguageForm language;
        App().SessionSettingsForm = &language;
        App().MainSession = session;

        SendGuiCommand(QString(), u"(12,11,5)"_s, 2);

        QFile out(program + u".out"_s);
        QTRY_VERIFY_WITH_TIMEOUT(out.exists(), 20000);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QString client = session->GetMandantName();
        QVERIFY(!client.isEmpty());
        const QString service = session->GetGUIDDESrvName().isEmpty() ? u"WEXA-TAV"_s : session->GetGUIDDESrvName();
        QCOMPARE(QString::fromUtf8(out.readAll()), service + u"|COMMAND\n(12,11,5)<edit>\n"_s);
        qunsetenv("KLV_GUI_COMMAND");
        App().SessionSettingsForm = nullptr;
        App().MainSession.clear();
    }
};

VIEWER_TEST_MAIN(SessionHelpersTest)

#include "session_qtest.moc"
