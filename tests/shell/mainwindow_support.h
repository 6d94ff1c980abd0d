#pragma once

// What the tests of the main window share: the program's texts, stored connections in the
// redirected settings, a recorder of message boxes, and a wait for lines at the server.

#include "ConnectionStore.h"
#include "KlvServer.h"
#include "MainModul.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSettings>
#include <QStringList>
#include <QTest>

#include <functional>

namespace MainWindowTest {

// The English message table of the program, as the start-up loads it.
inline void loadTexts()
{
    MainModul::UILanguage = QStringLiteral("en");
    MainModul::UILangId = 9;
    MainModul::SetMessageDirectory(QCoreApplication::applicationDirPath());
    MainModul::LoadMessageFile();
    MainModul::InitAppGlobals();
}

// A stored connection of the viewer's logon settings.
inline void storeConnection(const QString& name, const QString& host, int port, const QString& mandant,
                            const QString& user)
{
    klvutils::ConnectionStore store(MainModul::RegAppName);
    store.write(name, host, port, mandant, !user.isEmpty(), user);
}

// Removes every stored setting of the viewer, so each test starts as a first run.
inline void clearSettings()
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("KLV"), MainModul::RegAppName);
    settings.clear();
    settings.sync();
}

// Records every message box instead of showing it; answers with answer (OK by default), which
// a test may change as it goes.
class MessageBoxes
{
public:
    explicit MessageBoxes(QMessageBox::StandardButton first = QMessageBox::Ok) : answer(first)
    {
        MainModul::SetMessageBoxHandler([this](const QString& text, QMessageBox::StandardButtons) {
            texts.append(text);
            if (onBox)
                onBox(text);
            return answer;
        });
    }
    ~MessageBoxes() { MainModul::SetMessageBoxHandler({}); }
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;

    QMessageBox::StandardButton answer;
    QStringList texts;
    std::function<void(const QString&)> onBox;
};

// The lines the server received that start with prefix, in order.
inline QStringList linesStartingWith(const KlvServer& server, const QString& prefix)
{
    QStringList found;
    for (const QString& line : server.receivedLines()) {
        if (line.startsWith(prefix))
            found.append(line);
    }
    return found;
}

// Waits (with the event loop running) until the server received a line equal to line.
inline bool waitForLine(const KlvServer& server, const QString& line, int timeoutMs = 10000)
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

} // namespace MainWindowTest
