// Hand-offs outside the program: commands to the ERP GUI client, help pages and files on the
// desktop, programs started for a file, and the printed window picture.
#include "DesktopLauncher.h"
#include "GuiLink.h"
#include "Hardcopy.h"
#include "MainModul.h"
#include "MessageBoxes.h"
#include "opener_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ViewerTest::MessageBoxes;
using namespace MainModul;

namespace {

// A program that writes its arguments, one a line, next to itself, for tests to read.
QString recorder(const QTemporaryDir& dir, const QString& name = u"recorder"_s)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\"\nmv \"$0.tmp\" \"$0.out\"\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// The recorder's output once it is there (it runs detached).
QStringList recorded(const QString& recorderPath)
{
    QFile out(recorderPath + u".out"_s);
    QElapsedTimer t;
    t.start();
    while (!out.exists() && t.elapsed() < 20000)
        QThread::msleep(20);
    if (!out.open(QIODevice::ReadOnly))
        return {u"<nothing recorded>"_s};
    QStringList lines = QString::fromUtf8(out.readAll()).split(u'\n');
    lines.removeLast();
    return lines;
}

} // namespace

TEST(GuiLink, CommandTextsForRecordsAndInformationSystems)
{
    // A record handed over for editing and for showing.
    EXPECT_EQ(GuiLink::CommandText(QString(), u"(12,24,1234)"_s, GuiLink::ActionEdit, u"D"_s), u"(12,24,1234)<ändern>");
    EXPECT_EQ(GuiLink::CommandText(QString(), u"(12,24,1234)"_s, GuiLink::ActionEdit, u"E"_s), u"(12,24,1234)<edit>");
    EXPECT_EQ(GuiLink::CommandText(QString(), u"(12,24,1234)"_s, GuiLink::ActionShow, u"E"_s), u"(12,24,1234)");
    // An information system run and shown; a name goes in front in angle brackets.
    EXPECT_EQ(GuiLink::CommandText(QString(), u"UMSATZ"_s, GuiLink::ActionRun, u"E"_s), u"UMSATZ<call>");
    EXPECT_EQ(GuiLink::CommandText(QString(), u"UMSATZ"_s, GuiLink::ActionRun, u"e"_s), u"UMSATZ<hole>");
    EXPECT_EQ(GuiLink::CommandText(QString(), u"UMSATZ"_s, GuiLink::ActionShow, QString()), u"UMSATZ");
    EXPECT_EQ(GuiLink::CommandText(u"Kunde"_s, u"4711"_s, GuiLink::ActionShow, u"D"_s), u"<Kunde>4711");
}

TEST(GuiLink, TheServiceFollowsTheSessionsClient)
{
    EXPECT_EQ(GuiLink::ServiceFor(QString(), u"WEXA-M1"_s), u"WEXA-TAV");
    EXPECT_EQ(GuiLink::ServiceFor(u"M1"_s, u"WEXA-M1"_s), u"WEXA-M1");
    EXPECT_EQ(GuiLink::ServiceFor(u"M1"_s, QString()), u"WEXA-TAV");
    EXPECT_EQ(GuiLink::Arguments(u"WEXA-TAV"_s, u"x<call>"_s), (QStringList{u"WEXA-TAV|COMMAND"_s, u"x<call>"_s}));
}

TEST(GuiLink, TheCommandGoesToTheConfiguredProgramAsItsLastArgument)
{
    QTemporaryDir dir;
    const QString program = recorder(dir);
    qputenv("KLV_GUI_COMMAND", QFile::encodeName(program));
    MessageBoxes boxes;
    QString infosys = u"UMSATZ \"Q1\"; rm -rf x"_s; // handed over as one argument, never to a shell
    RunInfosysInGui(infosys);
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_EQ(recorded(program), (QStringList{u"WEXA-TAV|COMMAND"_s, u"UMSATZ \"Q1\"; rm -rf x<hole>"_s}));
    qunsetenv("KLV_GUI_COMMAND");
}

TEST(GuiLink, WithoutAGuiClientTheUserIsTold)
{
    qunsetenv("KLV_GUI_COMMAND");
    MessageBoxes boxes;
    QString text = u"4711"_s;
    ViewInfosysInGui(text);
    ASSERT_EQ(boxes.texts.size(), 1);
    // Where the GUI program is set.
    EXPECT_TRUE(boxes.texts[0].startsWith(u"GUI for Mandant  not started\n"_s)) << boxes.texts[0].toStdString();
    EXPECT_TRUE(boxes.texts[0].contains(u"KLV_GUI_COMMAND"_s)) << boxes.texts[0].toStdString();

    App().MessageTexts.SetText(146, u"Reason:"_s);
    qputenv("KLV_GUI_COMMAND", "/nonexistent/gui-client");
    SendGuiCommand(QString(), text, GuiLink::ActionShow);
    ASSERT_EQ(boxes.texts.size(), 2);
    EXPECT_TRUE(boxes.texts[1].startsWith(u"GUI for Mandant  not started\nReason: "_s)) << boxes.texts[1].toStdString();
    qunsetenv("KLV_GUI_COMMAND");
    App().MessageTexts.SetText(146, QString());
}

TEST(Desktop, HelpAddresses)
{
    EXPECT_EQ(DesktopLauncher::HelpAddress(u"/opt/klv"_s, u"help\\klvviewer.html"_s, QString()).toString(),
              u"file:///opt/klv/help/klvviewer.html");
    EXPECT_EQ(DesktopLauncher::HelpAddress(u"/opt/klv/"_s, u"klv.html"_s, u"Abfrage"_s).toString(),
              u"file:///opt/klv/klv.html#Abfrage");

    FakeOpener opener;
    MessageBoxes boxes;
    App().HelpFileName = u"help\\klv.html"_s;
    ShowHelpTopic(u"Start"_s);
    OpenUrlInBrowser(u"https://example.org/a b"_s);
    QStringList opened = opener.addresses(2);
    ASSERT_EQ(opened.size(), 2);
    // The two openers run side by side.
    opened.sort();
    const QUrl help(opened[0]);
    EXPECT_EQ(help.toLocalFile(), QCoreApplication::applicationDirPath() + u"/help/klv.html"_s);
    EXPECT_EQ(help.fragment(), u"Start");
    EXPECT_EQ(QUrl(opened[1]).host(), u"example.org");
    // Openers that succeed are not heard of.
    EXPECT_TRUE(QTest::qWaitFor([] { return DesktopLauncher::RunningOpeners() == 0; }, 10000));
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join(u'|').toStdString();
}

// An opener that cannot open a file (no program for its type) is told once it has said so.
TEST(Desktop, AnOpenerThatFailsIsTold)
{
    FakeOpener opener(3);
    MessageBoxes boxes;
    App().MessageTexts.SetText(24, u"No program is registered."_s);
    OpenFileWithAssociatedApp(u"/tmp/export.v2/daten.csv"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !boxes.texts.isEmpty(); }, 10000));
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith(u"No program is registered.\n"_s)) << boxes.texts[0].toStdString();
    EXPECT_TRUE(boxes.texts[0].endsWith(u" csv"_s)) << boxes.texts[0].toStdString();
    App().MessageTexts.SetText(24, QString());
}

TEST(Desktop, FilesOpenWithTheirProgramOnlyWithAnExtension)
{
    EXPECT_EQ(DesktopLauncher::FileExtension(u"/tmp/export.v2/daten.csv"_s), u"csv");
    EXPECT_EQ(DesktopLauncher::FileExtension(u"/tmp/export.v2/daten"_s), QString());
    FakeOpener opener;
    MessageBoxes boxes;
    App().MessageTexts.SetText(252, u"The file has no extension."_s);
    OpenFileWithAssociatedApp(u"/tmp/export.v2/daten"_s);
    EXPECT_EQ(boxes.texts, QStringList{u"The file has no extension."_s});
    OpenFileWithAssociatedApp(u"/tmp/export.v2/daten.csv"_s);
    const QStringList opened = opener.addresses();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(QUrl(opened[0]).toLocalFile(), u"/tmp/export.v2/daten.csv");
    App().MessageTexts.SetText(252, QString());
}

TEST(Desktop, CommandsGetTheFileInPlaceOfEveryPercentOneOrAtTheEnd)
{
    EXPECT_EQ(DesktopLauncher::CommandArguments(u"\"/opt/my office/calc\" --view"_s, u"/tmp/a b.xlsx"_s),
              (QStringList{u"/opt/my office/calc"_s, u"--view"_s, u"/tmp/a b.xlsx"_s}));
    EXPECT_EQ(DesktopLauncher::CommandArguments(u"prog -i \"%1\" -o %1.bak"_s, u"/tmp/x"_s),
              (QStringList{u"prog"_s, u"-i"_s, u"/tmp/x"_s, u"-o"_s, u"/tmp/x.bak"_s}));

    QTemporaryDir dir;
    const QString program = recorder(dir);
    MessageBoxes boxes;
    QString command = u'"' + program + u"\" --file=%1"_s;
    ShellWithFileArgument(command, u"/tmp/a b;c.txt"_s);
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_EQ(recorded(program), QStringList{u"--file=/tmp/a b;c.txt"_s});

    App().MessageTexts.SetText(253, u"Cannot start:"_s);
    QString missing = u"/nonexistent/program"_s;
    ShellWithFileArgument(missing, u"/tmp/x"_s);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith(u"Cannot start:\n"_s));
    App().MessageTexts.SetText(253, QString());
}

TEST(Desktop, AProgramWhosePathHoldsABlankStartsQuotedAndAsWrittenBefore)
{
    EXPECT_EQ(DesktopLauncher::QuotedProgram(u"/opt/calc"_s), u"/opt/calc"_s);
    EXPECT_EQ(DesktopLauncher::QuotedProgram(u"/opt/my office/calc"_s), u"\"/opt/my office/calc\""_s);
    for (const QString& program : {u"/opt/my office/calc"_s, u"/opt/\"quoted\" name"_s, u"/opt/tab\there"_s})
        EXPECT_EQ(DesktopLauncher::CommandArguments(DesktopLauncher::QuotedProgram(program), u"/tmp/a b"_s),
                  (QStringList{program, u"/tmp/a b"_s}))
            << program.toStdString();

    QTemporaryDir dir;
    const QString program = recorder(dir, u"my recorder"_s);
    MessageBoxes boxes;
    ShellWithFileArgument(DesktopLauncher::QuotedProgram(program), u"/tmp/a b.txt"_s);
    EXPECT_EQ(recorded(program), QStringList{u"/tmp/a b.txt"_s});
    QFile::remove(program + u".out"_s);
    // Unquoted, as a chooser wrote it before: the whole text names the program.
    ShellWithFileArgument(program, u"/tmp/c.txt"_s);
    EXPECT_EQ(recorded(program), QStringList{u"/tmp/c.txt"_s});
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join(u'|').toStdString();
}

TEST(Hardcopy, ThePictureFitsThePageAndKeepsItsProportions)
{
    const QRectF page(0, 0, 1000, 700);
    EXPECT_EQ(Hardcopy::FitRect(QSizeF(500, 200), page), QRectF(0, 0, 1000, 400));   // wide: width limits
    EXPECT_EQ(Hardcopy::FitRect(QSizeF(300, 300), page), QRectF(0, 0, 700, 700));    // tall: height limits
    EXPECT_EQ(Hardcopy::FitRect(QSizeF(4000, 1400), page), QRectF(0, 0, 1000, 350)); // larger: shrinks
}

TEST(Hardcopy, PrintsOneLandscapePageAndRestoresTheOrientation)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(u"hardcopy.pdf"_s));
    printer.setPageOrientation(QPageLayout::Portrait);
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    ASSERT_TRUE(Hardcopy::PrintPicture(picture, printer));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
    QFile pdf(dir.filePath(u"hardcopy.pdf"_s));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page "), 1);
    EXPECT_FALSE(Hardcopy::PrintPicture(QImage(), printer));
}
