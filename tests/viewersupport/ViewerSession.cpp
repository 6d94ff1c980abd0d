#include "ViewerSession.h"

#include "ConnectionStore.h"
#include "DialogDriver.h"
#include "KLV.h"
#include "KLVViewerWindow.h"
#include "KlvScriptReply.h"
#include "MainModul.h"
#include "QueryForm.h"
#include "ViewerConfig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace ViewerTest {

void loadTexts()
{
    App().UILanguage = u"en"_s;
    App().UILangId = 9;
    MainModul::SetMessageDirectory(QCoreApplication::applicationDirPath());
    MainModul::LoadMessageFile();
    MainModul::InitAppGlobals();
}

bool loadEnglishTexts()
{
    if (!App().MessageTexts.LoadFile(QCoreApplication::applicationDirPath() + u"/msg_en.txt"_s))
        return false;
    MainModul::InitAppGlobals();
    return true;
}

void storeConnection(const QString& name, const QString& host, int port, const QString& mandant, const QString& user)
{
    klvutils::ConnectionStore store(App().RegAppName);
    store.write(name, host, port, mandant, !user.isEmpty(), user);
}

void clearSettings()
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, App().RegAppName);
    settings.clear();
    settings.sync();
}

QStringList linesStartingWith(const KlvServer& server, const QString& prefix)
{
    QStringList found;
    for (const QString& line : server.receivedLines()) {
        if (line.startsWith(prefix))
            found.append(line);
    }
    return found;
}

bool waitForLine(const KlvServer& server, const QString& line, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!server.receivedLines().contains(line)) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

QStringList queries(const KlvServer& server)
{
    return linesStartingWith(server, u"EXQ|"_s);
}

std::shared_ptr<std::atomic_bool> slowFirst(KlvServer& server, const QString& prefix, int ms)
{
    auto arrived = std::make_shared<std::atomic_bool>(false);
    server.setScript([prefix, arrived, ms](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting || !line.startsWith(prefix) || arrived->exchange(true))
            return false;
        reply.delay(ms);
        reply.defaultAnswer();
        return true;
    });
    return arrived;
}

std::shared_ptr<std::atomic_bool> holdFirst(KlvServer& server, const QString& prefix)
{
    return slowFirst(server, prefix, 60000);
}

QString statusPanel(const KLVViewerWindow& window, int n)
{
    const auto* label = window.statusBar()->findChild<QLabel*>(u"Panel"_s + QString::number(n));
    return label ? label->text() : u"<no panel>"_s;
}

QString configFile(const QString& dir)
{
    return dir + u"/100/ViewerConfig.ini"_s;
}

// ---- The main window ---------------------------------------------------------------------

Viewer::Viewer() = default;
Viewer::~Viewer() = default;

bool Viewer::logOn(quint16 port, const QString& dir, bool firstRun)
{
    if (firstRun)
        clearSettings();
    storeConnection(u"Demo"_s, u"127.0.0.1"_s, port, u"100"_s, u"admin"_s);
    ViewerConfig::setBool(ViewerConfig::Key::QuerySaveIndiv, true);
    ViewerConfig::setBool(ViewerConfig::Key::QuerySaveInMand, false);
    ViewerConfig::setBool(ViewerConfig::Key::QuerySaveByUser, false);
    ViewerConfig::set(ViewerConfig::Key::QuerySaveDirIndiv, dir);
    ViewerConfig::setBool(ViewerConfig::Key::QueryAutoSave, false);
    window = std::make_unique<KLVViewerWindow>();
    QString name = u"Demo"_s;
    if (!window->StartUp(name, u"admin"_s, u"secret"_s, QString()))
        return false;
    window->show();
    return form() != nullptr;
}

QueryForm* Viewer::form(int index) const
{
    const QList<QMdiSubWindow*> subs = window ? window->mdiArea()->subWindowList() : QList<QMdiSubWindow*>();
    return index < subs.size() ? qobject_cast<QueryForm*>(subs[index]->widget()) : nullptr;
}

void Viewer::reset()
{
    if (window)
        window->close();
    window.reset();
}

bool QueryWindowTest::startServer()
{
    if (!server.start())
        return false;
    loadTexts();
    return true;
}

bool QueryWindowTest::logOn(const QString& folder, bool firstRun)
{
    form = viewer.logOn(server.port(), folder.isNull() ? dir.path() : folder, firstRun) ? viewer.form() : nullptr;
    return form != nullptr;
}

bool QueryWindowTest::logOnAgain()
{
    return logOn(QString(), false);
}

bool QueryWindowTest::closeViewer()
{
    const bool allShown = DialogDriver::finishPendingActs();
    viewer.reset();
    form = nullptr;
    return allShown;
}

// ---- A library session -------------------------------------------------------------------

void SessionTest::startSession()
{
    QVERIFY(loadEnglishTexts());
    server = std::make_unique<KlvServer>();
    QVERIFY2(server->start(), qPrintable(server->errorString()));
    session = QSharedPointer<KLV>::create();
    QVERIFY2(session->BeginSession(u"127.0.0.1"_s, server->port(), u"100"_s, u"secret"_s),
             qPrintable(session->GetLastError()));
}

void SessionTest::recordBoxes()
{
    recorded = std::make_unique<MessageBoxes>();
}

void SessionTest::stopSession()
{
    recorded.reset();
    session.reset();
    server.reset();
}

} // namespace ViewerTest
