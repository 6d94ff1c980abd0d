// The user's settings file and protocol log when they cannot be read, written or opened: the
// main window tells each trouble once, naming the file and the system's reason, and a settings
// file is left as it was: never written over when it could not be read, never cut short by a
// disk that fills.
#include "ChildRun.h"
#include "DialogDriver.h"
#include "KLV.h"
#include "KLVViewerWindow.h"
#include "MainModul.h"
#include "MessageBoxes.h"
#include "SettingsStore.h"
#include "ViewerEinstellungenDialog.h"
#include "ViewerSession.h"
#include "ViewerTestMain.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace DialogDriver;
using ViewerTest::MessageBoxes;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString settingsFile()
{
    return SettingsStore::FileName(App().RegAppName);
}

const QString columnWidths = u"1440,2000,900,1440,2000,900,1440,2000,900,1440,2000,900,1440,2000,900,1440,2000"_s;

// Settings as a user collects them: a stored connection, the viewer's choices, window places.
void storeSomeSettings()
{
    ViewerTest::storeConnection(u"Demo"_s, u"127.0.0.1"_s, 6550, u"100"_s, u"admin"_s);
    for (int i = 0; i < 150; ++i)
        SettingsStore::SaveSetting(App().RegAppName, u"QueryForm"_s, u"Column"_s + QString::number(i), columnWidths);
    SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"Logging"_s, u"0"_s);
}

// Takes the read permission from the file. The program keeps what it read of a file while
// the file's size and time stay, so the time goes back as well: the program then reads the
// file anew, as at its next start.
bool makeUnreadable(const QString& file)
{
    const QByteArray name = QFile::encodeName(file);
    const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
    return ::utimensat(AT_FDCWD, name.constData(), times, 0) == 0 && QFile::setPermissions(file, {});
}

// Opens the main window, changes a setting the close stores, and closes it again.
void openChangeAndClose()
{
    KLVViewerWindow window;
    window.show();
    window.viewerSettingsDialog()->findChild<QAbstractButton*>(u"ProtokAktiv"_s)->setChecked(true);
    window.close();
}

} // namespace

class SettingsTroubleTest : public QObject
{
    Q_OBJECT

private:
    // Each test starts with a context of its own: what was told is told again.
    std::unique_ptr<AppContext> context;

    // File permissions hold for an ordinary user only: run as root, the test runs again as
    // one. True when it did (the caller then ends).
    static bool ranAsOrdinaryUser(ChildRun::Result& child)
    {
        if (!ChildRun::privileged())
            return false;
        child = ChildRun::unprivileged({QString::fromLatin1(QTest::currentTestFunction())});
        return true;
    }

private Q_SLOTS:
    void init()
    {
        context = std::make_unique<AppContext>();
        ViewerTest::loadTexts();
        ViewerTest::clearSettings();
    }

    void cleanup()
    {
        QVERIFY(finishPendingActs());
        context.reset();
    }

    void aSettingsFolderThatCannotBeWrittenIsToldOnceByName()
    {
        ChildRun::Result child;
        if (ranAsOrdinaryUser(child)) {
            if (!child.started)
                QSKIP("no ordinary user to run as here");
            QVERIFY2(child.exitCode == 0, qPrintable(child.output));
            return;
        }
        storeSomeSettings();
        const QString file = settingsFile();
        const QByteArray held = contents(file);
        const QString folder = QFileInfo(file).absolutePath();
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const auto writable =
            qScopeGuard([&] { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        MessageBoxes boxes;
        openChangeAndClose();
        // Every setting of the close failed; the user hears of it once.
        QVERIFY2(boxes.texts == QStringList{FormatMessage(1393, QString(), file, systemText(EACCES))},
                 qPrintable(boxes.texts.join(u" | "_s)));
        QCOMPARE(contents(file), held);
    }

    void aSettingsFileThatCannotBeReadIsToldAndNeverWrittenOver()
    {
        ChildRun::Result child;
        if (ranAsOrdinaryUser(child)) {
            if (!child.started)
                QSKIP("no ordinary user to run as here");
            QVERIFY2(child.exitCode == 0, qPrintable(child.output));
            return;
        }
        storeSomeSettings();
        const QString file = settingsFile();
        const QByteArray held = contents(file);
        QVERIFY(makeUnreadable(file));
        const auto readable = qScopeGuard([&] { QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner); });
        MessageBoxes boxes;
        const QString told = FormatMessage(1394, QString(), file, systemText(EACCES));
        {
            KLVViewerWindow window;
            // Told when the settings are read, before the logon.
            QCOMPARE(boxes.texts, QStringList{told});
            // The stored connection cannot be found in a file that cannot be read: the user
            // has heard why, and picks one in the dialog (here: cancels).
            bool dialogShown = false;
            whenShown(u"Logon"_s, [&dialogShown](QWidget* w) {
                dialogShown = true;
                click(w, u"AbbruchButton"_s);
            });
            QString connection = u"Demo"_s;
            QVERIFY(!window.StartUp(connection, u"admin"_s, u"secret"_s, QString()));
            QVERIFY(dialogShown);
        }
        QCOMPARE(boxes.texts, QStringList{told});
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(contents(file), held);
    }

    void aDiskThatFillsNeitherCutsTheSettingsShortNorGoesUntold()
    {
        // Runs again as a child with a small disk of its own for the settings folder.
        const QString disk = qEnvironmentVariable("KLV_SETTINGS_DISK");
        if (disk.isEmpty()) {
            QTemporaryDir folder;
            QProcessEnvironment env;
            env.insert(u"KLV_SETTINGS_DISK"_s, folder.path());
            const ChildRun::Result child =
                ChildRun::onSmallDisk(folder.path(), 64, {QString::fromLatin1(QTest::currentTestFunction())}, env);
            if (!child.started)
                QSKIP("no file system of a process's own can be mounted here");
            QVERIFY2(child.exitCode == 0, qPrintable(child.output));
            return;
        }
        const QString file = settingsFile();
        const QString folder = QFileInfo(file).absolutePath();
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QFile::link(disk, folder));
        storeSomeSettings();
        const QByteArray held = contents(file);
        QVERIFY(held.size() > 3 * 4096);

        // Some room is left, less than the file needs: the write is cut short.
        {
            QFile filler(disk + u"/filler"_s);
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size()) {
            }
            QVERIFY(filler.resize(filler.size() - 4096));
        }
        MessageBoxes boxes;
        openChangeAndClose();
        QCOMPARE(boxes.texts, QStringList{FormatMessage(1393, QString(), file, systemText(ENOSPC))});
        QCOMPARE(contents(file), held);
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, u"QueryForm"_s, u"Column149"_s), columnWidths);
    }

    void aProtocolLogThatCannotBeOpenedIsToldOnce()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(u"missing/klv.log"_s);
        MessageBoxes boxes;
        KLVViewerWindow window;
        window.viewerSettingsDialog()->findChild<QAbstractButton*>(u"ProtokAktiv"_s)->setChecked(true);
        window.viewerSettingsDialog()->findChild<QLineEdit*>(u"LogfileName"_s)->setText(log);
        window.SetKLVLogging();
        window.SetKLVLogging();
        QCOMPARE(boxes.texts, QStringList{FormatMessage(1395, QString(), log, systemText(ENOENT))});
        // The session keeps the name: it opens the log itself once it can.
        QCOMPARE(window.TAV()->LogFile(), log);
    }
};

VIEWER_TEST_MAIN(SettingsTroubleTest)

#include "settingstrouble_qtest.moc"
