#pragma once

// What the query window's tests share: the program's main window logged on to klvserver with
// its first query window, saved queries and "ViewerConfig.ini" in a temporary folder, a
// library session for the dialogs that need no main window, and drivers for the windows'
// input boxes and dialogs.

#include "../shell/mainwindow_support.h"
#include "../utils/DialogDriver.h"
#include "KLV.h"
#include "KLVViewerWindow.h"
#include "KlvServer.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "QueryForm.h"
#include "ResultListView.h"
#include "UserInput.h"
#include "ViewerConfig.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace QueryFormTest {

using namespace MainWindowTest;
using namespace DialogDriver;

// The program's main window, logged on as admin to the server, with saved queries and
// "ViewerConfig.ini" in dir.
class Viewer
{
public:
    std::unique_ptr<KLVViewerWindow> window;

    // A first run clears every stored setting first; a later run keeps what the earlier ones
    // stored.
    bool logOn(quint16 port, const QString& dir, bool firstRun = true)
    {
        if (firstRun)
            clearSettings();
        storeConnection(QStringLiteral("Demo"), QStringLiteral("127.0.0.1"), port, QStringLiteral("100"),
                        QStringLiteral("admin"));
        ViewerConfig::setBool(ViewerConfig::Key::QuerySaveIndiv, true);
        ViewerConfig::setBool(ViewerConfig::Key::QuerySaveInMand, false);
        ViewerConfig::setBool(ViewerConfig::Key::QuerySaveByUser, false);
        ViewerConfig::set(ViewerConfig::Key::QuerySaveDirIndiv, dir);
        ViewerConfig::setBool(ViewerConfig::Key::QueryAutoSave, false);
        window = std::make_unique<KLVViewerWindow>();
        QString name = QStringLiteral("Demo");
        if (!window->StartUp(name, QStringLiteral("admin"), QStringLiteral("secret"), QString()))
            return false;
        window->show();
        return form() != nullptr;
    }

    // The first query window, the one the logon opened.
    QueryForm* form(int index = 0) const
    {
        const QList<QMdiSubWindow*> subs = window ? window->mdiArea()->subWindowList() : QList<QMdiSubWindow*>();
        return index < subs.size() ? qobject_cast<QueryForm*>(subs[index]->widget()) : nullptr;
    }

    void reset()
    {
        if (window)
            window->close();
        window.reset();
    }
};

// What a test class of the query window holds beside its QObject base: the stand-in server,
// the main window logged on to it, the folder of its saved queries and the query window the
// logon opened. Each member says which QtTest slot it belongs in.
class QueryWindowTest
{
protected:
    KlvServer server;
    Viewer viewer;
    QTemporaryDir dir;
    QueryForm* form = nullptr;

    // initTestCase: the server runs and the program's English texts are loaded.
    bool startServer()
    {
        if (!server.start())
            return false;
        loadTexts();
        return true;
    }

    // init, or a test: logs on with the saved queries in folder (dir when none is given) and
    // takes the first query window as form.
    bool logOn(const QString& folder = QString(), bool firstRun = true)
    {
        form = viewer.logOn(server.port(), folder.isNull() ? dir.path() : folder, firstRun) ? viewer.form() : nullptr;
        return form != nullptr;
    }

    // init, or a test: logs on again as a later start of the program does, with the settings
    // the earlier starts stored.
    bool logOnAgain() { return logOn(QString(), false); }

    // cleanup: the main window closes; false when a dialog a test waited for never came.
    bool closeViewer()
    {
        const bool allShown = finishPendingActs();
        viewer.reset();
        form = nullptr;
        return allShown;
    }
};

// The English message table read straight from "msg_en.txt" beside the test, and the
// program-wide texts taken from it; false when the file cannot be read.
inline bool loadEnglishTexts()
{
    if (!MainModul::MessageTexts.LoadFile(QCoreApplication::applicationDirPath() + QStringLiteral("/msg_en.txt")))
        return false;
    MainModul::InitAppGlobals();
    return true;
}

// What a test class of a dialog holds that works on a library session without the main
// window: the stand-in server, a session logged on to it, and the message boxes shown.
class SessionTest
{
protected:
    std::unique_ptr<KlvServer> server;
    QSharedPointer<KLV> session;
    QStringList boxes;

    // initTestCase: the program's English texts, the server and the logged-on session.
    void startSession()
    {
        QVERIFY(loadEnglishTexts());
        server = std::make_unique<KlvServer>();
        QVERIFY2(server->start(), qPrintable(server->errorString()));
        session = QSharedPointer<KLV>::create();
        QVERIFY2(session->BeginSession(QStringLiteral("127.0.0.1"), server->port(), QStringLiteral("100"),
                                       QStringLiteral("secret")),
                 qPrintable(session->GetLastError()));
    }

    // initTestCase: every message box is answered OK and its text kept in boxes instead of
    // being shown.
    void recordBoxes()
    {
        MainModul::SetMessageBoxHandler([this](const QString& text, QMessageBox::StandardButtons) {
            boxes << text;
            return QMessageBox::Ok;
        });
    }

    // cleanupTestCase, once the dialog is gone.
    void stopSession()
    {
        session.reset();
        server.reset();
    }
};

// "ViewerConfig.ini" of the Mandant the viewer logs on to, in the saved-query folder dir.
inline QString configFile(const QString& dir)
{
    return dir + QStringLiteral("/100/ViewerConfig.ini");
}

// The query window's tests call the shell's recorder of message boxes by this name.
using Boxes = MainWindowTest::MessageBoxes;

// The row texts of a list.
inline QStringList texts(const QTreeWidget* list, int column = 0)
{
    QStringList result;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        result.append(list->topLevelItem(i)->text(column));
    return result;
}

inline QTreeWidgetItem* row(const QTreeWidget* list, const QString& text)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->text(0) == text)
            return list->topLevelItem(i);
    }
    return nullptr;
}

inline QStringList checkedKeys(const QTreeWidget* fields)
{
    QStringList keys;
    for (int i = 0; i < fields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = fields->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked)
            keys.append(item->data(0, QueryForm::RowKeyRole).toString());
    }
    return keys;
}

// Makes the table the window's table by a double click on its row; false when the list has no
// such row or the table did not become the window's.
inline bool doubleClickTable(QueryForm* form, const QString& name)
{
    QTreeWidgetItem* item = row(form->tabellenListe(), name);
    if (!item)
        return false;
    UserInput::doubleClickItem(form->tabellenListe(), item);
    return form->AktTableName() == name && form->feldListe()->topLevelItemCount() > 0;
}

// Selects the table row and makes it the window's table, as Enter on it does.
inline bool openTable(QueryForm* form, const QString& name)
{
    QTreeWidgetItem* item = row(form->tabellenListe(), name);
    if (!item)
        return false;
    form->tabellenListe()->setCurrentItem(item);
    QTest::keyClick(form->tabellenListe(), Qt::Key_Return);
    return form->AktTableName() == name;
}

inline void check(QueryForm* form, const QStringList& fieldNames)
{
    for (const QString& name : fieldNames) {
        if (QTreeWidgetItem* item = row(form->feldListe(), name))
            item->setCheckState(0, Qt::Checked);
    }
}

// Answers the next input box with text (a null text cancels it), and records its prompt and
// default text.
struct InputBox
{
    QString prompt;
    QString defaultText;
    bool shown = false;
};

inline void answerInputBox(const QString& text, InputBox* seen = nullptr)
{
    whenShown(QStringLiteral("QInputDialog"), [text, seen](QWidget* w) {
        auto* box = qobject_cast<QInputDialog*>(w);
        if (seen) {
            seen->shown = true;
            seen->prompt = box->labelText();
            seen->defaultText = box->textValue();
        }
        if (text.isNull()) {
            box->reject();
        } else {
            box->setTextValue(text);
            box->accept();
        }
    });
}

// Answers the next input boxes one after the other (a null text cancels one).
inline void answerInputBoxes(const QStringList& answers, QList<InputBox>* seen = nullptr)
{
    if (answers.isEmpty())
        return;
    whenShown(QStringLiteral("QInputDialog"), [answers, seen](QWidget* w) {
        auto* box = qobject_cast<QInputDialog*>(w);
        if (seen)
            seen->append({box->labelText(), box->textValue(), true});
        // The next box is answered only once this one is gone.
        answerInputBoxes(answers.mid(1), seen);
        if (answers.first().isNull()) {
            box->reject();
        } else {
            box->setTextValue(answers.first());
            box->accept();
        }
    });
}

// The EXQ lines the server received.
inline QStringList queries(const KlvServer& server)
{
    return linesStartingWith(server, QStringLiteral("EXQ|"));
}

} // namespace QueryFormTest
