#pragma once

#include <QFont>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

#include <memory>

class KLV;
class KLVEinstellungenDialog;
class KLVLogon;
class MainMenus;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class ServerWait;
class ViewerEinstellungenDialog;

// The program's frame window "KLVViewer": the child windows (query windows, information
// windows) open inside it. It owns the program's one session TAV, logs it on through the
// logon component, shows the connection in its status bar and caption, pushes the session
// settings, owns every menu of the program and keeps them in step with the active child, and
// ends the session when it closes. Other windows reach it as App().MainForm and call its
// members by name.
//
// Status bar "StatusBar": panels "Panel1" (connection), "Panel2" (user), "Panel3" (Mandant),
// "Panel4" (server version), "Panel5" (protocol version).
class KLVViewerWindow : public QMainWindow
{
    Q_OBJECT
    Q_PROPERTY(QString Host READ Host WRITE setHost)
    Q_PROPERTY(int Port READ Port WRITE setPort)
    Q_PROPERTY(QString MandID READ MandID WRITE setMandID)
    Q_PROPERTY(QString MandDirUNC READ MandDirUNC WRITE setMandDirUNC)
    Q_PROPERTY(int MinWidth READ MinWidth WRITE setMinWidth)
    Q_PROPERTY(int MinHeight READ MinHeight WRITE setMinHeight)
    Q_PROPERTY(bool loggingOn READ loggingOn)
    Q_PROPERTY(int MousePointer READ MousePointer WRITE setMousePointer)

public:
    // The load: creates the session, the menus and the two settings dialogs (loaded hidden,
    // with their stored settings) and restores the window's place.
    explicit KLVViewerWindow(QWidget* parent = nullptr);
    ~KLVViewerWindow() override;

    QString Host() const { return m_host; }
    void setHost(const QString& host) { m_host = host; }
    int Port() const { return m_port; }
    void setPort(int port) { m_port = port; }
    QString MandID() const { return m_mandID; }
    void setMandID(const QString& id) { m_mandID = id; }
    QString MandDirUNC() const { return m_mandDirUNC; }
    void setMandDirUNC(const QString& dir) { m_mandDirUNC = dir; }
    // Smallest size, in twips, of the query and information windows.
    int MinWidth() const { return m_minWidth; }
    void setMinWidth(int twips) { m_minWidth = twips; }
    int MinHeight() const { return m_minHeight; }
    void setMinHeight(int twips) { m_minHeight = twips; }
    // True only while a logon attempt runs: server messages are collected then.
    bool loggingOn() const { return m_loggingOn; }
    // The pointer the windows set around long operations: 11 hourglass, 13 arrow with
    // hourglass, 0 the normal one.
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);

    QSharedPointer<KLV> TAV() const { return m_tav; }
    KLVLogon* logon() const { return m_logon.get(); }
    QMdiArea* mdiArea() const { return m_mdi; }
    const MainMenus& menus() const { return *m_menus; }
    KLVEinstellungenDialog* sessionSettingsDialog() const;
    ViewerEinstellungenDialog* viewerSettingsDialog() const;
    // The active child window (the form inside the MDI frame), or null.
    QWidget* activeChild() const;

    // Connection.
    // Logs on (without the logon dialog for the first attempt when a password is given) and
    // opens the first query window. False when the logon was cancelled: the window is then
    // unloaded and the program ends.
    Q_INVOKABLE bool StartUp(QString& ConnName, const QString& ConnUser, const QString& ConnPwd,
                             const QString& TAVLanguage);
    // Runs the logon dialog and the session's logon until a session stands; false when the
    // user cancels.
    bool buildKLVConnection(QString& ConnName, const QString& UserName, const QString& Passwort);
    void SetConnectedState();
    void SetDisconnectedState();
    // Shows a connection that was lost while the program ran: the status bar and caption say
    // it is gone, New connection stays on to log on again; the child windows stay open with
    // what they show.
    void SetConnectionLostState();
    // Shows the loss when the session's connection has gone since the logon. The session's
    // connection calls it whenever it changes, windows whose command failed call it by name.
    Q_INVOKABLE void CheckConnection();
    void LoadAblagearten(const QSharedPointer<KLV>& session);
    // The connection menu's command: closes the child windows (a child that stays open stops
    // it), ends the session and logs on anew; a cancelled logon ends the program.
    void NewConnection();
    // The server messages collected during the current logon attempt.
    QString LogonMessages() const { return m_logonMessages; }

    // Child windows.
    Q_INVOKABLE void AddQueryForm();
    // A further information-system window, set up with its InitControls.
    Q_INVOKABLE void AddInfosysForm();
    Q_INVOKABLE void QueryWindowClosed();
    int QueryWindowCount() const { return m_queryWindowCount; }
    // The one instance of an information window, created inside the frame on first use.
    QWidget* InfoWindow(const QString& formName);
    void ShowChildWindow(QWidget* form);

    // Menu state and all windows at once.
    Q_INVOKABLE void SetMenues(QWidget* window);
    int GetVisibleFormCount() const;
    Q_INVOKABLE void UpdateAllQueryDataColumnHeaders();
    Q_INVOKABLE void ReloadAllMDIChilds();
    Q_INVOKABLE void SetElementsSize();
    // FormFont and DataFont to everything that is open, as the windows' load step gives
    // them to a window that opens.
    Q_INVOKABLE void ApplyFonts();
    void ExportActiveChild(int type, bool shownRows);

    // Session settings, data language, protocol log, fonts.
    Q_INVOKABLE void SetKLVSessionSettings(bool& WithLanguage);
    Q_INVOKABLE void SetDataLanguage(QString& Language);
    Q_INVOKABLE void SetKLVLogging();
    Q_INVOKABLE void LoadFontSettings(const QString& Prefix, QFont& Font);
    // Tells what was noted of the user's files (a settings file that cannot be read or written,
    // a protocol log that cannot be opened) and not told yet, each in a box of its own. Runs
    // once the event loop is back whenever something is noted, and at once after the settings
    // are loaded, when the log is switched and when the program ends.
    Q_INVOKABLE void TellFileTrouble();

    // The query window reports the column its lists are sorted by.
    Q_INVOKABLE void SetTabListeSortColumn(int column);
    Q_INVOKABLE void SetFldListeSortColumn(int column);

    // Saved queries, for the windows that call them by name.
    Q_INVOKABLE bool SaveQuerySettings(QWidget* window, const QString& table, const QString& name);
    Q_INVOKABLE QStringList GetTableQueries(const QString& table);
    Q_INVOKABLE void GetQuerySettings(QWidget* window, const QString& table, const QString& templateRef, QString& name,
                                      bool byRowsDefault);
    Q_INVOKABLE void DeleteQuerySetting(const QString& table, const QString& name);
    Q_INVOKABLE void CheckQuerySettingsChanges(QWidget* window, int& result);
    Q_INVOKABLE void FillTableQueries(QWidget* window, const QString& table);
    Q_INVOKABLE void ShowQuerySettingsDlg(QWidget* window);
    Q_INVOKABLE QString GetQuerySettingsFile(const QString& table);

    // The window's state and last normal place, in twips, as the close stores them.
    int NormalLeft() const { return m_normalLeft; }
    int NormalTop() const { return m_normalTop; }
    int NormalWidth() const { return m_normalWidth; }
    int NormalHeight() const { return m_normalHeight; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void buildWindow();
    void connectMenus();
    void restoreGeometryFromSettings();
    void takeNormalPlace();
    void sessionMessage(const QString& labelText, const QString& text);
    // One logon attempt of the session on the connection the logon component gave; the status
    // bar says where it connects to meanwhile.
    bool beginSession(const QString& userName, const QString& password);
    // What the user is told of a logon attempt that failed: the logon component's text for a
    // server that cannot be reached, else the session's last error.
    QString logonFailureText() const;
    // Ends the session on the program's behalf: its close is not a loss to show.
    void endSession();
    void logonKeyPressed(const QString& formName, int keyCode);
    // Follows a child window added to the frame: the menus when it goes, and the end of the
    // program that waited for it.
    void childAdded(QMdiSubWindow* sub);
    // Closes every child window; false when one stays open.
    bool closeChildWindows();
    // What closing does once the children are gone: settings, window place, session, dialogs.
    void unload();
    void arrange(int arrangement);
    void refreshMenus();
    QWidget* activeQueryWindow() const;
    void setPanel(int panel, const QString& text);
    QString panel(int panel) const;
    void setEntryEnabled(const QString& name, bool enabled);
    void showInfoCatalogue(const QString& formName);
    void checkSortEntry(const QString& arrayName, int column);

    QString m_host;
    int m_port = 0;
    QString m_mandID;
    QString m_mandDirUNC;
    int m_minWidth = 0;
    int m_minHeight = 0;
    bool m_loggingOn = false;
    // The status bar shows a standing connection: a loss of it is to be shown.
    bool m_connectionShown = false;
    int m_mousePointer = 0;
    QSharedPointer<KLV> m_tav;
    std::unique_ptr<KLVLogon> m_logon;

    QString m_logonMandant;
    bool m_settingsLoaded = false;
    QString m_logonMessages;
    int m_normalLeft = 0;
    int m_normalTop = 0;
    int m_normalWidth = 0;
    int m_normalHeight = 0;
    int m_queryWindowCount = 0;
    bool m_unloaded = false;
    // The window was closed while a logon attempt ran: the logon ends as cancelled.
    bool m_closeDuringLogon = false;
    // The wait of a logon attempt.
    ServerWait* m_logonWait = nullptr;
    // The stored connection of the session; a new connection starts from it.
    QString m_connectionInUse;
    bool m_destroying = false;
    // The program ends once the child windows that close after their wait have gone.
    bool m_closeAfterChildren = false;

    QMdiArea* m_mdi = nullptr;
    QLabel* m_ddeLabel = nullptr;
    std::unique_ptr<MainMenus> m_menus;
    QPointer<KLVEinstellungenDialog> m_sessionDialog;
    QPointer<ViewerEinstellungenDialog> m_viewerDialog;
    QHash<QString, QPointer<QWidget>> m_infoWindows;
};
