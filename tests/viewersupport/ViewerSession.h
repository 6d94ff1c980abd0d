#pragma once

// The program as the viewer's tests set it up: its English texts, stored connections and
// settings in the redirected settings folder, the main window logged on to klvserver with its
// first query window, or a library session of its own for the dialogs that need no main
// window; and what the server received.

#include "KlvServer.h"
#include "MessageBoxes.h"
#include "WhenTrue.h"

#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <functional>
#include <memory>

class KLV;
class KLVViewerWindow;
class QueryForm;

namespace ViewerTest {

// The English message table of the program, as the start-up loads it from the message files
// beside the test, and the program-wide texts taken from it.
void loadTexts();
// The same read straight from "msg_en.txt"; false when the file cannot be read.
bool loadEnglishTexts();

// A stored connection of the viewer's logon settings.
void storeConnection(const QString& name, const QString& host, int port, const QString& mandant, const QString& user);
// Removes every stored setting of the viewer, so a test starts as a first run.
void clearSettings();

// The lines the server received that start with prefix, in order.
QStringList linesStartingWith(const KlvServer& server, const QString& prefix);
// Waits (with the event loop running) until the server received a line equal to line.
bool waitForLine(const KlvServer& server, const QString& line, int timeoutMs = 10000);
// The EXQ lines the server received.
QStringList queries(const KlvServer& server);

// Answers the first line that starts with prefix late (after ms), as the server would; every
// other line at once. The flag tells when the line arrived.
std::shared_ptr<std::atomic_bool> slowFirst(KlvServer& server, const QString& prefix, int ms);
// Holds the first line that starts with prefix until a BRQ breaks it off (the server then
// refuses it), as a server that stopped answering would.
std::shared_ptr<std::atomic_bool> holdFirst(KlvServer& server, const QString& prefix);
using TestEvents::whenTrue;

// The text of the main window's status panel n ("<no panel>" when it has none).
QString statusPanel(const KLVViewerWindow& window, int n);

// "ViewerConfig.ini" of the Mandant the viewer logs on to, in the saved-query folder dir.
QString configFile(const QString& dir);

// The program's main window, logged on as admin to the server, with saved queries and
// "ViewerConfig.ini" in a folder of the test.
class Viewer
{
public:
    Viewer();
    ~Viewer();

    std::unique_ptr<KLVViewerWindow> window;

    // A first run clears every stored setting first; a later run keeps what the earlier ones
    // stored.
    bool logOn(quint16 port, const QString& dir, bool firstRun = true);
    // The query window number index, the first the one the logon opened.
    QueryForm* form(int index = 0) const;
    void reset();
};

// The base of a test class of a window in the main window: the stand-in server, the main
// window logged on to it, the folder of its saved queries and the query window the logon
// opened. Its slots are the common course, which a test class replaces where it differs: the
// server runs for the whole program, each test logs on afresh to a server without a script
// and closes the main window at its end.
class QueryWindowTest : public QObject
{
    Q_OBJECT

protected:
    KlvServer server;
    Viewer viewer;
    QTemporaryDir dir;
    QueryForm* form = nullptr;

    // initTestCase: the server runs and the program's English texts are loaded.
    bool startServer();
    // init, or a test: logs on with the saved queries in folder (dir when none is given) and
    // takes the first query window as form.
    bool logOn(const QString& folder = QString(), bool firstRun = true);
    // init, or a test: logs on again as a later start of the program does, with the settings
    // the earlier starts stored.
    bool logOnAgain();
    // cleanup: the main window closes; false when a dialog a test waited for never came.
    bool closeViewer();

private Q_SLOTS:
    void initTestCase() { QVERIFY(startServer()); }
    void init()
    {
        server.setScript({});
        QVERIFY(logOn());
    }
    void cleanup() { QVERIFY(closeViewer()); }
    void cleanupTestCase() { server.stop(); }
};

// What a test class of a dialog holds that works on a library session without the main
// window: the stand-in server, a session logged on to it, and the message boxes shown.
class SessionTest
{
protected:
    std::unique_ptr<KlvServer> server;
    QSharedPointer<KLV> session;
    std::unique_ptr<MessageBoxes> recorded;

    // initTestCase: the program's English texts, the server and the logged-on session.
    void startSession();
    // initTestCase: every message box is answered OK and its text kept in recorded instead
    // of being shown.
    void recordBoxes();
    // cleanupTestCase, once the dialog is gone.
    void stopSession();
};

} // namespace ViewerTest
