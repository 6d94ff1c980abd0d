#pragma once

#include "MessageTable.h"

#include <QFont>
#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWeakPointer>

#include <functional>

class KLV;
class QWidget;

// What the program holds for its whole run: the interface language and its message table,
// the start-up values of the command line, the program's and the server's words, the fonts,
// the session and the windows that other windows read by name. main() makes one and keeps it
// until the program ends; every window reaches it through App().
//
// The members keep the names the windows and the documented helpers of MainModul use for
// them. A context makes itself the one App() answers while it lives, and gives the place back
// to the one before it when it goes: a test makes a context of its own and has a fresh
// program state.
class AppContext
{
public:
    AppContext();
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    // Every message box of the helpers goes through here (OK only unless buttons say more); an
    // empty handler shows the real boxes.
    using MessageBoxHandler =
        std::function<QMessageBox::StandardButton(const QString& text, QMessageBox::StandardButtons buttons)>;

    // ---- Language and texts -------------------------------------------------------------------
    int UILangId = 9;                                 // Windows primary language id of the interface
    QString UILanguage = QStringLiteral("en");        // its two-letter code; names the message file
    QString RegAppName = QStringLiteral("KLVViewer"); // application name of every per-user setting
    MessageTable MessageTexts;
    QString messageDirectory;     // where the message files are read from; "" until first asked
    QString MsgTrueText;          // message 28
    QString MsgFalseText;         // message 29
    QString DefaultQueryNameText; // message 123
    QString NoKeyText;            // message 123 as well: the key box's entry for no key
    QString HelpFileName;         // message 901, relative to the program's data folder
    QString ErpTrueText;          // the server's word for true (enumeration "A2", code "1")
    QString ErpFalseText;         // the server's word for false (code "0")
    QFont FormFont;               // font of windows and their controls
    QFont DataFont;               // font of list and tree views

    // ---- Start-up values --------------------------------------------------------------------
    QStringList CommandLineWords; // the words the program was started with
    QString StartConnectionName;  // -c
    QString StartUserName;        // -u
    QString StartPassword;        // -p
    QString StartDataLanguage;    // -L
    bool HiddenStartFlag = false; // -e: the main window is not shown at the end of start-up
    QString HiddenStartValue;     // the argument of -e
    QList<qint32> SessionFlags;   // -f, in the order given
    qint32 GuiDragDropFormat = 0; // the clipboard format "CF_WEXA_GUI_DRAGDROP"
    QStringList clipboardFormats; // registered format names, from the first number on

    // ---- The session and its windows ----------------------------------------------------------
    double ServerProtocolVersion = 0.0;              // after logon; 0 before
    QString ExcelFileExt = QStringLiteral("xlsx");   // "xls" or "xlsx"
    QList<QPair<QString, QString>> AblageartenListe; // storage kinds: (code, text) in server order
    QString QuerySettingsDirError;                   // the last failure to create the saved-query folder
    // The main window and the two settings dialogs register themselves here when they load,
    // and the main window its session when it creates it. Their documented members are read
    // by name: the main window's properties "MandID" and "MandDirUNC"; the session-settings
    // dialog's invokable "GetAktSprKZ"; the viewer-settings dialog's controls
    // "SaveQueryByUser", "SaveQueryIndivDir", "SaveQueryInMand" and "SaveQueryDir". Before the
    // dialog exists the stored settings stand in for its controls.
    QPointer<QWidget> MainForm;
    QPointer<QWidget> SessionSettingsForm;
    QPointer<QWidget> ViewerSettingsForm;
    QWeakPointer<KLV> MainSession;

    MessageBoxHandler messageBoxHandler;

    // ---- Trouble with the files kept for the user (FileTrouble) ------------------------------
    QStringList fileTroubleTexts;              // noted and not yet told, oldest first
    QStringList fileTroubleKeys;               // what was noted in this run
    std::function<void()> fileTroubleListener; // called when something is noted

private:
    AppContext* m_previous;
};

// The context of the program: the latest AppContext still alive. There is always one while
// the program (or a test) runs windows; asking without one is a programming fault.
AppContext& App();
