#include "KLVViewerWindow.h"

#include "AboutDialog.h"
#include "AufzInfoForm.h"
#include "ChildWindowCommands.h"
#include "ChildWindowFrame.h"
#include "Common.h"
#include "DatabaseInfoForm.h"
#include "FileTrouble.h"
#include "FontSettings.h"
#include "InfosysForm.h"
#include "InfosysInfoForm.h"
#include "KLV.h"
#include "KLVEinstellungenDialog.h"
#include "KLVLogon.h"
#include "KLVQuery.h"
#include "KLVSockComm.h"
#include "LayoutStore.h"
#include "MainMenus.h"
#include "MainModul.h"
#include "MandInfoForm.h"
#include "MemberCall.h"
#include "MenuArray.h"
#include "MsgInfoForm.h"
#include "NumberText.h"
#include "ProgramInfo.h"
#include "ProtocolLogFile.h"
#include "QueryForm.h"
#include "QueryListForm.h"
#include "SavedQueryStore.h"
#include "SchlInfoForm.h"
#include "ServerWait.h"
#include "SessionSettingsPush.h"
#include "SettingsStore.h"
#include "Twips.h"
#include "VerwInfoForm.h"
#include "ViewerConfig.h"
#include "ViewerEinstellungenDialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

const QString settingsSection = u"Settings"_s;
constexpr int F1 = 112;

// The main window keeps its place where the viewer's settings are.
void savePlace(LayoutStore::WindowKey key, int twips)
{
    LayoutStore::SetWindowValue(settingsSection, key, QString::number(twips));
}

int twipsX(int pixels)
{
    return int(std::lround(Twips::fromPixelsX(pixels)));
}

int twipsY(int pixels)
{
    return int(std::lround(Twips::fromPixelsY(pixels)));
}

// What a logon attempt's break-off breaks. While the session connects and waits for the
// server's greeting no request runs that the session's Break could end, so the attempt's
// connection is closed: whatever the attempt waits for then ends at once.
class LogonAttempt
{
public:
    explicit LogonAttempt(const QSharedPointer<KLV>& session) : m_session(session) {}
    void Break()
    {
        if (const QSharedPointer<KLV> session = m_session.toStrongRef())
            session->Connection()->Disconnect();
    }

private:
    QWeakPointer<KLV> m_session;
};

} // namespace

// ---- Load -----------------------------------------------------------------------------

KLVViewerWindow::KLVViewerWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(u"KLVViewer"_s);
    setWindowTitle(u"KLVViewer"_s);
    // Every window of the program shows the program's icon, the child windows included.
    QApplication::setWindowIcon(ProgramInfo::Icon());
    setWindowIcon(QApplication::windowIcon());
    App().MainForm = this;

    m_tav = QSharedPointer<KLV>::create();
    App().MainSession = m_tav;
    connect(m_tav.data(), &KLV::StatusMessage, this,
            [this](QString& text) { sessionMessage(GetMessageTextByNr(21), text); });
    connect(m_tav.data(), &KLV::ErrorMessage, this,
            [this](QString& text) { sessionMessage(GetMessageTextByNr(22), text); });
    // The one watch on the connection: whichever window's command runs into a server that went
    // away (or none runs at all), the connection's close is seen here.
    connect(m_tav->Connection(), &KLVSockComm::activity, this, &KLVViewerWindow::CheckConnection);

    // The logon waits as every window's server wait does: Esc, the logon wait's Cancel and
    // closing the window break it off.
    m_logonWait = new ServerWait(this);

    InitDefaultFonts();
    buildWindow();
    InitFormCommon(this);
    connectMenus();
    // The query windows' key information button opens the key information window.
    QueryForm::SetKeyInfoHandler([](const QSharedPointer<KLV>& session, const QString& tableName,
                                    const QString& tableId, const QString& keyName) {
        const QPointer<SchlInfoForm> dialog = SchlInfoForm::DefaultInstance();
        QString key = keyName;
        bool ok = false;
        dialog->FillSchlInfo(session, tableName, tableId, key, ok);
        if (ok && dialog)
            dialog->exec();
    });

    // The spreadsheet export writes workbooks itself, always in the current format.
    App().ExcelFileExt = u"xlsx"_s;
    setEntryEnabled(u"ExportExcelMenue"_s, true);
    setEntryEnabled(u"DatenExportierenExcelMenue"_s, true);

    SetDisconnectedState();
    // No child yet: the child windows' menus start switched off.
    SetMenues(this);
    m_minWidth = twipsX(600);
    m_minHeight = twipsY(400);
    restoreGeometryFromSettings();

    m_sessionDialog = new KLVEinstellungenDialog(this);
    m_sessionDialog->LoadKLVSessionSettings();
    m_viewerDialog = new ViewerEinstellungenDialog(this);
    m_viewerDialog->LoadKLVViewerSettings();
    m_settingsLoaded = true;
    // A settings file that could not be read is told before the logon, which reads it too.
    FileTrouble::SetListener([self = QPointer<KLVViewerWindow>(this)] {
        if (self)
            QMetaObject::invokeMethod(self, &KLVViewerWindow::TellFileTrouble, Qt::QueuedConnection);
    });
    TellFileTrouble();

    // The stored fonts came with the settings, after the window took the default ones.
    ApplyFonts();
    SetElementsSize();
}

KLVViewerWindow::~KLVViewerWindow()
{
    setMousePointer(0);
    if (!m_unloaded)
        unload();
    // The children go while the menus they switch still exist.
    m_destroying = true;
    delete m_mdi;
    m_mdi = nullptr;
    if (App().MainForm == this) {
        App().MainForm = nullptr;
        FileTrouble::SetListener(nullptr);
    }
}

KLVEinstellungenDialog* KLVViewerWindow::sessionSettingsDialog() const
{
    return m_sessionDialog;
}

ViewerEinstellungenDialog* KLVViewerWindow::viewerSettingsDialog() const
{
    return m_viewerDialog;
}

void KLVViewerWindow::buildWindow()
{
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(u"MDIArea"_s);
    // A child window that stands beyond the frame's edge stays in reach.
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) { refreshMenus(); });

    QStatusBar* bar = statusBar();
    bar->setObjectName(u"StatusBar"_s);
    bar->setSizeGripEnabled(true);
    for (int p = 1; p <= 5; ++p) {
        auto* label = new QLabel(bar);
        label->setObjectName(u"Panel"_s + QString::number(p));
        label->setFrameShape(QFrame::StyledPanel);
        bar->addWidget(label, p == 1 ? 3 : 1);
    }

    // Carries the window font: the status bar's height follows it.
    m_ddeLabel = new QLabel(u"DDELabel"_s, this);
    m_ddeLabel->setObjectName(u"DDELabel"_s);
    m_ddeLabel->hide();

    m_menus = std::make_unique<MainMenus>(this);
}

void KLVViewerWindow::restoreGeometryFromSettings()
{
    resize(1000, 750);
    LayoutStore::LoadFormPosition(this, settingsSection, {});
    takeNormalPlace();
}

void KLVViewerWindow::takeNormalPlace()
{
    const QRect frame = frameGeometry();
    m_normalLeft = twipsX(frame.x());
    m_normalTop = twipsY(frame.y());
    m_normalWidth = twipsX(width());
    m_normalHeight = twipsY(height());
}

void KLVViewerWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        takeNormalPlace();
}

void KLVViewerWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        takeNormalPlace();
}

// ---- Connection -----------------------------------------------------------------------

bool KLVViewerWindow::StartUp(QString& ConnName, const QString& ConnUser, const QString& ConnPwd,
                              const QString& TAVLanguage)
{
    if (!buildKLVConnection(ConnName, ConnUser, ConnPwd)) {
        unload();
        hide();
        return false;
    }
    LoadAblagearten(m_tav);
    QString language = TAVLanguage;
    SetDataLanguage(language);
    SetConnectedState();
    AddQueryForm();
    return true;
}

bool KLVViewerWindow::buildKLVConnection(QString& ConnName, const QString& UserName, const QString& Passwort)
{
    QString userName = UserName;
    QString password = Passwort;
    bool skipDialog = !password.isEmpty();
    if (!m_tav)
        return false;
    App().ServerProtocolVersion = 0;
    m_tav->setClientKLVVersion(u"3.24"_s);
    m_tav->setDatasetSize(200);
    m_tav->setAppName(ProgramInfo::Title() + u' ' + QString::number(ProgramInfo::Major()) + u'.' +
                      QString::number(ProgramInfo::Minor()) + u'.' + QString::number(ProgramInfo::Revision()));
    SetKLVLogging();
    if (!skipDialog)
        show();

    m_logon = std::make_unique<KLVLogon>();
    connect(m_logon.get(), &KLVLogon::KeyPressed, this,
            [this](QString& formName, int& keyCode, int&) { logonKeyPressed(formName, keyCode); });
    m_logon->setLanguage(App().UILangId);
    // A new connection starts from the one in use, which a start without the dialog never
    // stored as the last used.
    bool preselected = false;
    if (!ConnName.isEmpty()) {
        m_logon->setConnectionName(ConnName);
    } else if (!m_connectionInUse.isEmpty()) {
        m_logon->setConnectionName(m_connectionInUse);
        preselected = true;
    }

    for (;;) {
        const KLVLogon::Logon_Result rc = m_logon->GetKLVLogonInfoUser(App().RegAppName, m_host, m_port, m_logonMandant,
                                                                       userName, password, !skipDialog, false);
        if (std::exchange(preselected, false)) {
            // Only the first dialog starts there; later ones start from the user's last choice.
            // One removed meanwhile leaves the dialog as it would be without it.
            m_logon->setConnectionName(QString());
            if (rc == KLVLogon::logonUnknownConnection)
                continue;
        }
        if (rc == KLVLogon::logonUnknownConnection) {
            // The named connection is not stored: say so, then let the user pick one. A settings
            // file that cannot be read holds no connection at all, which is what the user hears.
            if (SettingsStore::Readable(App().RegAppName))
                ShowMessageBox(m_logon->GetLastError());
            else
                TellFileTrouble();
            m_logon->setConnectionName(QString());
            skipDialog = false;
            continue;
        }
        if (rc != KLVLogon::logonOK)
            return false;
        skipDialog = false;

        // Without a host no server can be reached: the user is told where to set one instead
        // of what the system says of an empty host name.
        if (m_host.trimmed().isEmpty()) {
            ShowMessageBox(GetMessageTextByNr(11) + u"\r\n"_s +
                           m_logon->ConnectFailureText(KLVLogon::connectNoHost, m_host, m_port));
            continue;
        }
        // Ports run to 65535; anything else cannot reach a server and is not tried.
        if (m_port < 1 || m_port > 65535) {
            ShowMessageBox(FormatMessage(742, u"The port {1} is not valid: ports run from 1 to 65535."_s, m_port));
            continue;
        }

        m_loggingOn = true;
        m_logonMessages.clear();
        const bool connected = beginSession(userName, password);
        m_loggingOn = false;
        if (std::exchange(m_closeDuringLogon, false))
            return false;
        if (m_logonWait->wasBrokenOff()) {
            // The user broke the wait off (in the logon's wait or the frame) and is back in the
            // dialog; what the attempt may have reached goes.
            if (m_tav->IsConnected())
                endSession();
            continue;
        }
        if (connected)
            break;

        QString text = GetMessageTextByNr(11) + u"\r\n"_s + logonFailureText();
        if (!m_logonMessages.isEmpty())
            text += u"\r\n\r\n"_s + GetMessageTextByNr(12) + u' ' + m_logonMessages;
        ShowMessageBox(text);
    }

    m_connectionInUse = m_logon->ChosenConnection();
    App().ServerProtocolVersion = NumberText::leadingValue(m_tav->GetKLVVersion());
    for (const qint32 flag : std::as_const(App().SessionFlags))
        m_tav->SetFlag(flag, true);
    return true;
}

bool KLVViewerWindow::beginSession(const QString& userName, const QString& password)
{
    setPanel(1, FormatMessage(1811, u"Connecting to {1} (port {2}) ..."_s, m_host, m_port));
    // The first attempt with a password given runs with the window hidden. One that takes long
    // (a server that does not answer is waited for a while) shows the window for as long as it
    // waits, so that the user sees what the program waits for.
    const bool wasVisible = isVisible();
    bool connected = false;
    {
        // The pointer keeps its arrow: the wait's Cancel is there to be clicked.
        const auto attempt = QSharedPointer<LogonAttempt>::create(m_tav);
        const ServerWait::Scope busy(m_logonWait, 13, attempt);
        connected = m_logon->WaitForLogon(
            m_host, m_port, [&] { return m_tav->BeginSessionUser(m_host, m_port, m_logonMandant, userName, password); },
            [this] { m_logonWait->breakOff(); });
    }
    if (!wasVisible)
        hide();
    setPanel(1, GetMessageTextByNr(16));
    return connected;
}

QString KLVViewerWindow::logonFailureText() const
{
    const QSharedPointer<KLVError> error = m_tav->GetLastKLVError();
    const int code = error ? error->ApiErrorCode() : 0;
    if (code == 4) {
        // The library's own text means no answer in time; any other is the system's reason
        // why the connection could not be made.
        const QString reason = error->Message();
        if (reason == Common::GetErrorText(4))
            return m_logon->ConnectFailureText(KLVLogon::connectNoAnswer, m_host, m_port);
        return m_logon->ConnectFailureText(KLVLogon::connectRefused, m_host, m_port, reason);
    }
    if (code == 5)
        return m_logon->ConnectFailureText(KLVLogon::connectClosed, m_host, m_port);
    return m_tav->GetLastError();
}

void KLVViewerWindow::sessionMessage(const QString& labelText, const QString& text)
{
    if (m_loggingOn)
        m_logonMessages += u"\r\n"_s + labelText + u' ' + text;
}

void KLVViewerWindow::logonKeyPressed(const QString& formName, int keyCode)
{
    if (keyCode != F1)
        return;
    if (formName == u"Logon")
        ShowHelpTopic(GetMessageTextByNr(902));
    else if (formName == u"ConnectionData")
        ShowHelpTopic(GetMessageTextByNr(903));
}

void KLVViewerWindow::LoadAblagearten(const QSharedPointer<KLV>& session)
{
    App().AblageartenListe.clear();
    const QSharedPointer<KLVQuery> query = session ? session->CreateQuery() : nullptr;
    if (!query)
        return;
    if (!query->GetEnumPos(u"A48"_s, false).toBool()) {
        ShowMessageBox(GetMessageTextByNr(305) + u" A48\r\n"_s + ServerErrorText(query->GetLastError()));
        return;
    }
    while (query->GetNextRecord())
        App().AblageartenListe.append({query->GetField(1), query->GetField(2)});
}

void KLVViewerWindow::SetDisconnectedState()
{
    m_connectionShown = false;
    setEntryEnabled(u"NeueVerbindungMenue"_s, false);
    setPanel(1, GetMessageTextByNr(16));
    for (int p = 2; p <= 5; ++p)
        setPanel(p, QString());
    setWindowTitle(objectName());
    setEntryEnabled(u"KLVSettingsMenue"_s, false);
    closeChildWindows();
}

void KLVViewerWindow::SetConnectedState()
{
    setPanel(1, GetMessageTextByNr(17) + u' ' + m_host);
    const QString ref = m_tav->GetPasswordRef();
    if (m_tav->GetRecordByRef(u"12:11"_s, ref, u"bezeich"_s))
        setPanel(2, m_tav->GetField(1));
    setPanel(3, m_tav->GetMandantName());
    if (panel(3).isEmpty())
        setPanel(3, GetMessageTextByNr(18));
    setPanel(4, m_tav->GetTAVVersion());
    setPanel(5, GetMessageTextByNr(19) + u' ' + QLocale().toString(App().ServerProtocolVersion));
    setWindowTitle(FormatMessage(20, QString(), objectName(), m_logonMandant, m_host));
    m_mandID = m_tav->GetMandantID();
    if (m_mandID.isEmpty())
        m_mandID = GetMessageTextByNr(18);
    m_mandDirUNC = m_tav->GetMandantDirUNC();
    setEntryEnabled(u"NeueVerbindungMenue"_s, true);
    setEntryEnabled(u"KLVSettingsMenue"_s, true);
    bool withLanguage = true;
    SetKLVSessionSettings(withLanguage);
    if (ViewerConfig::getBool(ViewerConfig::Key::ShowInfosysForm)) {
        if (QAction* a = m_menus->action(u"ShowInfosysFormMenue"_s)) {
            a->setVisible(true);
            a->setEnabled(true);
        }
    }
    m_connectionShown = true;
    // The connection may have gone while the state was set up.
    CheckConnection();
}

void KLVViewerWindow::SetConnectionLostState()
{
    m_connectionShown = false;
    setPanel(1, FormatMessage(1810, u"Not connected: the connection to {1} is lost"_s, m_host));
    for (int p = 2; p <= 5; ++p)
        setPanel(p, QString());
    setWindowTitle(objectName());
    setEntryEnabled(u"KLVSettingsMenue"_s, false);
    // The way back to the server.
    setEntryEnabled(u"NeueVerbindungMenue"_s, true);
}

void KLVViewerWindow::CheckConnection()
{
    if (m_connectionShown && m_tav && !m_tav->IsConnected())
        SetConnectionLostState();
}

void KLVViewerWindow::endSession()
{
    m_connectionShown = false;
    if (m_tav)
        m_tav->EndSession();
}

void KLVViewerWindow::NewConnection()
{
    // The children go first: one that stays open (its user cancelled) keeps the session.
    if (!closeChildWindows())
        return;
    endSession();
    SetDisconnectedState();
    QString name;
    if (buildKLVConnection(name, QString(), QString())) {
        SetConnectedState();
        AddQueryForm();
    } else {
        close();
    }
}

// ---- Session settings, data language, log, fonts ----------------------------------------

void KLVViewerWindow::SetKLVSessionSettings(bool& WithLanguage)
{
    if (!m_tav)
        return;
    SessionSettingsPush::Push(*m_tav, m_sessionDialog);
    if (!WithLanguage)
        return;
    QString code;
    if (!SessionSettingsPush::IsChecked(m_sessionDialog, u"UsePasswordLang"_s)) {
        QVariant current;
        MemberCall::Invoke(m_sessionDialog, "GetAktSprKZ", {}, &current);
        code = current.toString();
    }
    SetDataLanguage(code);
}

void KLVViewerWindow::SetDataLanguage(QString& Language)
{
    if (!m_tav)
        return;
    if (Language.isEmpty() && !SessionSettingsPush::IsChecked(m_sessionDialog, u"UsePasswordLang"_s))
        Language = ViewerConfig::get(ViewerConfig::Key::Lang);
    bool isExplicit = true;
    if (Language.isEmpty()) {
        Language = m_tav->GetTAVLanguage();
        isExplicit = false;
    } else {
        m_tav->SetTAVLanguage(Language);
    }
    if (m_sessionDialog) {
        m_sessionDialog->LoadLanguages(m_tav->CreateQuery());
        m_sessionDialog->SetAktSprache(Language, isExplicit);
        // The session names its own language by code: find it by code as well.
        if (!isExplicit)
            m_sessionDialog->SetAktSprache(Language, true);
    }
    LoadAblagearten(m_tav);
    LoadErpBoolTexts(m_tav);
    ReloadAllMDIChilds();
}

void KLVViewerWindow::SetKLVLogging()
{
    if (!m_tav)
        return;
    if (SessionSettingsPush::IsChecked(m_viewerDialog, u"ProtokAktiv"_s)) {
        const QString file = SessionSettingsPush::Text(m_viewerDialog, u"LogfileName"_s);
        // The session runs without a log it cannot open; the user hears why, once.
        if (const QString why = ProtocolLogFile::Problem(file); !why.isEmpty()) {
            FileTrouble::Note(u"log\n"_s + file + u'\n' + why,
                              FormatMessage(1395, u"The protocol log {1} could not be opened: {2}"_s, file, why));
        }
        m_tav->setLogFile(file);
    } else {
        m_tav->setLogFile(QString());
    }
    TellFileTrouble();
}

void KLVViewerWindow::TellFileTrouble()
{
    for (const QString& text : FileTrouble::Take())
        ShowMessageBox(text);
}

void KLVViewerWindow::LoadFontSettings(const QString& Prefix, QFont& Font)
{
    FontSettings::LoadFontSettings(Prefix, Font);
}

// ---- Child windows --------------------------------------------------------------------

QWidget* KLVViewerWindow::activeChild() const
{
    // The current subwindow stays current while a dialog of the program has the focus.
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    if (!sub)
        sub = m_mdi->currentSubWindow();
    return sub && sub->isVisible() ? sub->widget() : nullptr;
}

QWidget* KLVViewerWindow::activeQueryWindow() const
{
    QWidget* child = activeChild();
    return ChildWindowCommands::IsQueryForm(child) ? child : nullptr;
}

void KLVViewerWindow::AddQueryForm()
{
    // A maximised child is followed by a maximised new one; without a child it opens maximised.
    int state = 2;
    if (QMdiSubWindow* current = m_mdi->currentSubWindow(); current && current->isVisible())
        state = current->isMinimized() ? 1 : current->isMaximized() ? 2 : 0;

    auto* form = new QueryForm;
    // In the frame first; then its place and state, once, in the frame's real size.
    childAdded(form->frame()->addTo(m_mdi, state));
    form->frame()->show();
    MemberCall::Invoke(form, "InitControls");
    SetMenues(form);
    ++m_queryWindowCount;
}

void KLVViewerWindow::AddInfosysForm()
{
    auto* form = new InfosysForm;
    // Without a connection of its own the window has nothing to show: it does not open.
    if (!form->hasSession()) {
        delete form;
        return;
    }
    InitFormCommon(form);
    childAdded(form->frame()->addTo(m_mdi));
    MemberCall::Invoke(form, "InitControls");
    ShowChildWindow(form);
}

void KLVViewerWindow::setMousePointer(int pointer)
{
    if (pointer == m_mousePointer)
        return;
    if (m_mousePointer != 0)
        QApplication::restoreOverrideCursor();
    m_mousePointer = pointer;
    if (pointer == 11)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (pointer == 13)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        m_mousePointer = 0;
}

void KLVViewerWindow::QueryWindowClosed()
{
    --m_queryWindowCount;
    if (m_queryWindowCount == 0)
        SetMenues(this);
}

QWidget* KLVViewerWindow::InfoWindow(const QString& formName)
{
    if (QWidget* existing = m_infoWindows.value(formName))
        return existing;
    QWidget* form = nullptr;
    if (formName == u"DatabaseInfoForm")
        form = new DatabaseInfoForm;
    else if (formName == u"InfosysInfoForm")
        form = new InfosysInfoForm;
    else if (formName == u"AufzInfoForm")
        form = new AufzInfoForm;
    else if (formName == u"VerwInfoForm")
        form = new VerwInfoForm;
    else if (formName == u"MsgInfoForm")
        form = new MsgInfoForm;
    else if (formName == u"InfosysForm")
        form = new InfosysForm;
    if (!form)
        return nullptr;
    if (auto* infosys = qobject_cast<InfosysForm*>(form); infosys && !infosys->hasSession()) {
        delete form;
        return nullptr;
    }
    InitFormCommon(form);
    // In the frame first, hidden: it shows in its place once it is filled.
    if (ChildWindowFrame* frame = ChildWindowFrame::of(form))
        childAdded(frame->addTo(m_mdi));
    m_infoWindows.insert(formName, form);
    return form;
}

void KLVViewerWindow::ShowChildWindow(QWidget* form)
{
    if (!form)
        return;
    if (ChildWindowFrame* frame = ChildWindowFrame::of(form))
        frame->show();
    else
        form->show();
    SetMenues(form);
}

void KLVViewerWindow::childAdded(QMdiSubWindow* sub)
{
    connect(sub, &QObject::destroyed, this, [this] {
        QTimer::singleShot(0, this, [this] {
            refreshMenus();
            // The end of the program waited for this window.
            if (m_closeAfterChildren)
                close();
        });
    });
}

bool KLVViewerWindow::closeChildWindows()
{
    bool allClosed = true;
    const QList<QMdiSubWindow*> children = m_mdi->subWindowList();
    for (QMdiSubWindow* sub : children) {
        if (!sub->close())
            allClosed = false;
    }
    return allClosed;
}

void KLVViewerWindow::refreshMenus()
{
    if (m_destroying)
        return;
    QWidget* child = activeChild();
    SetMenues(child ? child : this);
}

// ---- Menu state -----------------------------------------------------------------------

void KLVViewerWindow::SetMenues(QWidget* window)
{
    if (m_destroying)
        return;
    const bool query = ChildWindowCommands::IsQueryForm(window);
    const bool infosys = ChildWindowCommands::IsInfosysForm(window);
    setEntryEnabled(u"TabListeMenue"_s, query);
    setEntryEnabled(u"FldListeMenue"_s, query);
    setEntryEnabled(u"DatenlisteMenue"_s, query);
    setEntryEnabled(u"InfosysMenue"_s, infosys);
    setEntryEnabled(u"ExportMenue"_s, query || infosys);
    setEntryEnabled(u"FensterSchliessenMenue"_s, GetVisibleFormCount() >= 1);
}

int KLVViewerWindow::GetVisibleFormCount() const
{
    int count = 0;
    for (const QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (sub->isVisible())
            ++count;
    }
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (w == this || !w->isVisible())
            continue;
        const Qt::WindowType type = w->windowType();
        if (type == Qt::Window || type == Qt::Dialog)
            ++count;
    }
    return count;
}

void KLVViewerWindow::UpdateAllQueryDataColumnHeaders()
{
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (ChildWindowCommands::IsQueryForm(sub->widget()))
            MemberCall::Invoke(sub->widget(), "UpdateDataColumnHeaderText");
    }
}

void KLVViewerWindow::ReloadAllMDIChilds()
{
    QList<QWidget*> windows;
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (sub->widget())
            windows.append(sub->widget());
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != this && !windows.contains(w))
            windows.append(w);
    }
    for (const QPointer<QWidget> w : windows) {
        if (!w)
            continue;
        w->update();
        MemberCall::Invoke(w, "ReloadForm");
    }
}

void KLVViewerWindow::ApplyFonts()
{
    // The window, its menus and status bar, and everything in it: the child windows in the
    // frame and the dialogs it keeps.
    ApplyControlFont(this);
}

void KLVViewerWindow::SetElementsSize()
{
    m_ddeLabel->setFont(font());
    const int height = int(std::lround(1.5 * m_ddeLabel->sizeHint().height()));
    statusBar()->setFixedHeight(height);
}

void KLVViewerWindow::ExportActiveChild(int type, bool shownRows)
{
    QWidget* child = activeChild();
    if (ChildWindowCommands::IsQueryForm(child))
        MemberCall::Invoke(child, "ShowExportDialog", {type, shownRows});
    else if (ChildWindowCommands::IsInfosysForm(child))
        MemberCall::Invoke(child, "ShowExportDialog", {type});
}

void KLVViewerWindow::checkSortEntry(const QString& arrayName, int column)
{
    MenuArray* array = m_menus->array(arrayName);
    if (!array)
        return;
    const QList<QAction*> entries = array->entries();
    int lowest = 0;
    bool first = true;
    for (QAction* a : entries) {
        const int i = array->indexOf(a);
        if (first || i < lowest)
            lowest = i;
        first = false;
    }
    for (QAction* a : entries) {
        a->setCheckable(true);
        a->setChecked(array->indexOf(a) - lowest == column);
    }
}

void KLVViewerWindow::SetTabListeSortColumn(int column)
{
    checkSortEntry(u"TabListeSortByFeldMenue"_s, column);
}

void KLVViewerWindow::SetFldListeSortColumn(int column)
{
    checkSortEntry(u"FldListeSortByFeldMenue"_s, column);
}

// ---- Saved queries ----------------------------------------------------------------------

bool KLVViewerWindow::SaveQuerySettings(QWidget* window, const QString& table, const QString& name)
{
    return SavedQueryStore::SaveQuerySettings(window, table, name);
}

QStringList KLVViewerWindow::GetTableQueries(const QString& table)
{
    return SavedQueryStore::GetTableQueries(table);
}

void KLVViewerWindow::GetQuerySettings(QWidget* window, const QString& table, const QString& templateRef, QString& name,
                                       bool byRowsDefault)
{
    SavedQueryStore::GetQuerySettings(window, table, templateRef, name, byRowsDefault);
}

void KLVViewerWindow::DeleteQuerySetting(const QString& table, const QString& name)
{
    SavedQueryStore::DeleteQuerySetting(table, name);
}

void KLVViewerWindow::CheckQuerySettingsChanges(QWidget* window, int& result)
{
    SavedQueryStore::CheckQuerySettingsChanges(window, result);
}

void KLVViewerWindow::FillTableQueries(QWidget*, const QString& table)
{
    SavedQueryStore::FillTableQueries(this, table);
}

void KLVViewerWindow::ShowQuerySettingsDlg(QWidget* window)
{
    if (ChildWindowCommands::IsQueryForm(window))
        SavedQueryStore::ShowQuerySettingsDlg(window, QueryListForm::DefaultInstance());
}

QString KLVViewerWindow::GetQuerySettingsFile(const QString& table)
{
    return SavedQueryStore::GetQuerySettingsFile(table);
}

// ---- Closing --------------------------------------------------------------------------

void KLVViewerWindow::closeEvent(QCloseEvent* event)
{
    if (m_loggingOn) {
        // The session is in the middle of its logon: it is not ended under it. The attempt is
        // broken off, and the logon ends as cancelled once it has returned.
        m_closeDuringLogon = true;
        event->ignore();
        m_logonWait->breakOff();
        return;
    }
    if (!m_unloaded) {
        // A child window that waits for the server breaks the wait off and closes once it has
        // ended, and the program ends then; a child window that stays open (its user
        // cancelled) keeps the program and the session as they are.
        if (!closeChildWindows()) {
            m_closeAfterChildren = false;
            for (const QMdiSubWindow* sub : m_mdi->subWindowList()) {
                if (sub->widget() && sub->widget()->property(ServerWait::ClosePendingProperty).toBool())
                    m_closeAfterChildren = true;
            }
            event->ignore();
            return;
        }
        unload();
        // What the end could not store is told before the program goes.
        TellFileTrouble();
    }
    event->accept();
}

void KLVViewerWindow::keyPressEvent(QKeyEvent* event)
{
    // Before the logon's wait shows its window, Esc in the frame breaks it off all the same.
    if (event->key() == Qt::Key_Escape && m_logonWait->isBusy()) {
        m_logonWait->breakOff();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void KLVViewerWindow::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_settingsLoaded) {
        if (m_viewerDialog)
            m_viewerDialog->SaveKLVViewerSettings();
        if (SessionSettingsPush::IsChecked(m_viewerDialog, u"SaveWindowState"_s)) {
            int state = 0;
            if (windowState() & Qt::WindowMaximized)
                state = 2;
            if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
                takeNormalPlace();
            savePlace(LayoutStore::WindowKey::WindowState, state);
            savePlace(LayoutStore::WindowKey::WindowHeight, m_normalHeight);
            savePlace(LayoutStore::WindowKey::WindowWidth, m_normalWidth);
            savePlace(LayoutStore::WindowKey::WindowLeft, m_normalLeft);
            savePlace(LayoutStore::WindowKey::WindowTop, m_normalTop);
        }
    }
    if (m_tav) {
        endSession();
        if (App().MainSession == m_tav)
            App().MainSession.clear();
        m_tav.clear();
    }
    delete m_sessionDialog;
    delete m_viewerDialog;
}

// ---- Menus --------------------------------------------------------------------------

void KLVViewerWindow::setPanel(int panel, const QString& text)
{
    if (auto* label = statusBar()->findChild<QLabel*>(u"Panel"_s + QString::number(panel)))
        label->setText(text);
}

QString KLVViewerWindow::panel(int panel) const
{
    const auto* label = statusBar()->findChild<QLabel*>(u"Panel"_s + QString::number(panel));
    return label ? label->text() : QString();
}

void KLVViewerWindow::setEntryEnabled(const QString& name, bool enabled)
{
    if (QAction* a = m_menus->action(name))
        a->setEnabled(enabled);
    // A menu that a child pops up is enabled as a widget as well: its entry in the bar may be
    // hidden, and a hidden entry stays disabled.
    if (QMenu* menu = m_menus->menu(name))
        menu->setEnabled(enabled);
}

void KLVViewerWindow::arrange(int arrangement)
{
    if (arrangement == 0) {
        m_mdi->cascadeSubWindows();
        return;
    }
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (sub->isVisible() && !sub->isMinimized())
            windows.append(sub);
    }
    if (windows.isEmpty())
        return;
    // Each window gets its share of the frame, but never less than its smallest size: windows
    // that do not fit then stand beyond the frame's edge, and its scroll bar reaches them.
    const bool stacked = arrangement == 1;
    const QRect area = m_mdi->viewport()->rect();
    const int along = stacked ? area.height() : area.width();
    int across = stacked ? area.width() : area.height();
    const int n = int(windows.size());
    QList<int> extents;
    int total = 0;
    for (int i = 0; i < n; ++i) {
        const int share = i == n - 1 ? along - (n - 1) * (along / n) : along / n;
        const int least = stacked ? windows[i]->minimumHeight() : windows[i]->minimumWidth();
        extents.append(std::max(share, least));
        total += extents.last();
    }
    // The scroll bar that then shows takes its room from the other direction.
    if (total > along)
        across -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_mdi);
    int offset = 0;
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = windows[i];
        sub->showNormal();
        if (stacked)
            sub->setGeometry(0, offset, std::max(across, sub->minimumWidth()), extents[i]);
        else
            sub->setGeometry(offset, 0, extents[i], std::max(across, sub->minimumHeight()));
        offset += extents[i];
    }
}

void KLVViewerWindow::showInfoCatalogue(const QString& formName)
{
    if (formName == u"MandInfoForm") {
        // A modal dialog, filled anew every time.
        const QPointer<MandInfoForm> dialog = MandInfoForm::DefaultInstance();
        if (dialog->LoadMandInfos(m_tav) && dialog)
            dialog->exec();
        return;
    }
    const QPointer<QWidget> form = InfoWindow(formName);
    if (!form)
        return;
    const QVariantList session{QVariant::fromValue(m_tav)};
    if (formName == u"DatabaseInfoForm") {
        MemberCall::Invoke(form, "FillDBListe", session);
        if (form)
            ShowChildWindow(form);
        return;
    }
    if (formName == u"MsgInfoForm") {
        MemberCall::Invoke(form, "ShowForm");
        if (form && form->isVisible())
            SetMenues(form);
        return;
    }
    bool filled = false;
    if (formName == u"AufzInfoForm") {
        QVariantList args{QVariant::fromValue(m_tav), false};
        MemberCall::Invoke(form, "FillAufzListe", args);
        filled = args.value(1).toBool();
    } else {
        QVariant result;
        MemberCall::Invoke(form, formName == u"InfosysInfoForm" ? "FillInfosysListe" : "FillVerwInfos", session,
                           &result);
        filled = result.toBool();
    }
    if (filled && form)
        ShowChildWindow(form);
}

void KLVViewerWindow::connectMenus()
{
    const MainMenus& m = *m_menus;
    const auto on = [this, &m](const QString& name, auto handler) {
        if (QAction* a = m.action(name))
            connect(a, &QAction::triggered, this, handler);
    };

    // Connection, settings, end.
    on(u"KLVSettingsMenue"_s, [this] {
        if (m_sessionDialog)
            m_sessionDialog->DialogZeigen();
    });
    on(u"NeueVerbindungMenue"_s, [this] { NewConnection(); });
    on(u"BeendenMenue"_s, [this] { close(); });
    on(u"ViewerSettingsMenue"_s, [this] {
        if (m_viewerDialog)
            m_viewerDialog->exec();
        SetKLVLogging();
    });

    // Export of the active child: the export dialog runs the window's query afresh.
    const QStringList mainExports{u"ExportDateiMenue"_s, u"ExportExcelMenue"_s, u"ExportDBMenue"_s, u"ExportXMLMenue"_s,
                                  u"ExportHTMLMenue"_s};
    for (int type = 0; type < mainExports.size(); ++type)
        on(mainExports[type], [this, type] { ExportActiveChild(type, false); });
    // The result list's export hands on the rows the window shows.
    const QStringList rowExports{u"DatenExportierenDateiMenue"_s, u"DatenExportierenExcelMenue"_s,
                                 u"DatenExportierenDBMenue"_s, u"DatenExportierenXMLMenue"_s,
                                 u"DatenExportierenHTMLMenue"_s};
    for (int type = 0; type < rowExports.size(); ++type)
        on(rowExports[type], [this, type] { ExportActiveChild(type, true); });

    // Windows.
    on(u"FensterUeberlappendAnordnenMenue"_s, [this] { arrange(0); });
    on(u"FensterHorizontalAnordnenMenue"_s, [this] { arrange(1); });
    on(u"FensterVertikalAnordnenMenue"_s, [this] { arrange(2); });
    on(u"FensterSchliessenMenue"_s, [this] {
        QWidget* child = activeChild();
        if (auto* sub = child ? qobject_cast<QMdiSubWindow*>(child->parentWidget()) : nullptr)
            sub->close();
    });
    on(u"NeuesQueryFensterMenue"_s, [this] { AddQueryForm(); });
    on(u"DBInfoMenue"_s, [this] { showInfoCatalogue(u"DatabaseInfoForm"_s); });
    on(u"InfosystemInfoMenue"_s, [this] { showInfoCatalogue(u"InfosysInfoForm"_s); });
    on(u"AufzInfoMenue"_s, [this] { showInfoCatalogue(u"AufzInfoForm"_s); });
    on(u"VerwInfoMenue"_s, [this] { showInfoCatalogue(u"VerwInfoForm"_s); });
    on(u"MeldungsInfoMenue"_s, [this] { showInfoCatalogue(u"MsgInfoForm"_s); });
    on(u"MandInfoMenue"_s, [this] { showInfoCatalogue(u"MandInfoForm"_s); });

    // Help.
    on(u"ViewerHilfeMenue"_s, [] { ShowHelpTopic(QString()); });
    on(u"UeberMenue"_s, [this] {
        AboutDialog about(App().CommandLineWords, this);
        about.exec();
    });

    // Table list.
    const auto byName = [this](const char* member) {
        return [this, member] { MemberCall::Invoke(activeChild(), member); };
    };
    on(u"TabListeNeuMenue"_s, byName("FillTabellenListe"));
    on(u"TabListeAddTableMenue"_s, byName("AddExtraTable"));
    on(u"TabListeChangeTableNameMenue"_s, byName("ChangeTableName"));
    on(u"TabListeRemoveTableMenue"_s, byName("RemoveExtraTable"));
    on(u"TabListeSpaltenWaehlenMenue"_s, byName("SelectTableColumns"));
    on(u"TabListeBuildFldListeMenue"_s, [this] { ChildWindowCommands::BuildFieldListOfSelectedTable(activeChild()); });
    if (QMenu* extra = m.menu(u"TabListeExtraTableMenue"_s))
        connect(extra, &QMenu::aboutToShow, this,
                [this] { ChildWindowCommands::EnableExtraTableMenu(activeChild(), *m_menus); });
    if (MenuArray* sort = m.array(u"TabListeSortByFeldMenue"_s))
        connect(sort, &MenuArray::Click, this, [this](int i) { ChildWindowCommands::SortTableList(activeChild(), i); });
    if (MenuArray* keys = m.array(u"TabListeKeyInfosMenue"_s))
        connect(keys, &MenuArray::Click, this, [this, keys](int i) {
            if (QAction* entry = keys->entry(i))
                ChildWindowCommands::ShowKeyInfo(activeChild(), entry->text());
        });

    // Field list.
    if (QMenu* fld = m.menu(u"FldListeMenue"_s))
        connect(fld, &QMenu::aboutToShow, this,
                [this] { ChildWindowCommands::EnableFieldListMenu(activeChild(), *m_menus); });
    on(u"FldListeNeuMenue"_s, [this] {
        if (QWidget* child = activeQueryWindow())
            MemberCall::Invoke(child, "FillFeldListe", {true});
    });
    on(u"FldListeSpaltenWaehlenMenue"_s, byName("SelectFieldColumns"));
    on(u"FldListeSortBySelectedMenue"_s, [this] { MemberCall::Invoke(activeChild(), "ResortFeldListe", {-1}); });
    if (MenuArray* sort = m.array(u"FldListeSortByFeldMenue"_s))
        connect(sort, &MenuArray::Click, this, [this](int i) { ChildWindowCommands::SortFieldList(activeChild(), i); });
    on(u"VerknHinzufuegenMenue"_s, [this] { ChildWindowCommands::AddLinkField(activeChild()); });
    on(u"VerknAendernMenue"_s, [this] { ChildWindowCommands::ChangeLinkField(activeChild()); });
    on(u"VerknEntfernenMenue"_s, [this] { ChildWindowCommands::RemoveLinkField(activeChild()); });
    on(u"FeldExpModusMenue"_s, [this] { ChildWindowCommands::ExpressionField(activeChild()); });
    const QList<std::tuple<QString, int, int>> selections{
        {u"FldListeSelectAllMenue"_s, 1, 1},    {u"FldListeSelectAllHeadMenue"_s, 2, 1},
        {u"FldListeSelectAllTabMenue"_s, 3, 1}, {u"FldListeSelectAllSkipMenue"_s, 4, 1},
        {u"FldListeSelectNoneMenue"_s, 1, 2},   {u"FldListeSelectNoHeadMenue"_s, 2, 2},
        {u"FldListeSelectNoTabMenue"_s, 3, 2},  {u"FldListeSelectNoSkipMenue"_s, 4, 2},
        {u"FldListeInvertSelMenue"_s, 1, 3}};
    for (const auto& [name, scope, action] : selections) {
        on(name, [this, scope = scope, action = action] {
            ChildWindowCommands::SetActiveFieldsSelection(activeChild(), scope, action);
        });
    }

    // Result list and saved queries.
    if (QMenu* data = m.menu(u"DatenlisteMenue"_s))
        connect(data, &QMenu::aboutToShow, this,
                [this] { ChildWindowCommands::EnableDataListMenu(activeChild(), *m_menus); });
    for (const char16_t* name : {u"AbfrageLadenMenue", u"TabAbfrageLadenMenue", u"AbfrageSpeichernMenue"}) {
        if (QMenu* menu = m.menu(QString::fromUtf16(name)))
            connect(menu, &QMenu::triggered, this, [this](QAction* entry) {
                if (QWidget* window = activeQueryWindow())
                    SavedQueryStore::MenuEntryTriggered(this, window, entry);
            });
    }
    for (const char16_t* name : {u"AbfragenVerwaltenMenue", u"TabAbfragenVerwaltenMenue"})
        on(QString::fromUtf16(name), [this] { ShowQuerySettingsDlg(activeQueryWindow()); });
    on(u"DatensatzZeigenMenue"_s, [this] { MemberCall::Invoke(activeChild(), "GUIOeffnen", {false}); });
    on(u"DatensatzAendernMenue"_s, [this] { MemberCall::Invoke(activeChild(), "GUIOeffnen", {true}); });
    on(u"SortWieFeldlisteMenue"_s, byName("ResortDataColumns"));
    on(u"DatenListeAbfrageStringMenue"_s, byName("ShowQueryStringWindow"));

    // Information systems and the information windows' lists.
    on(u"ShowInfosysFormMenue"_s, [this] {
        QWidget* catalogue = activeChild();
        if (!ChildWindowCommands::SelectedItem(catalogue, u"InfosysListe"_s))
            return;
        QWidget* infosys = InfoWindow(u"InfosysForm"_s);
        if (ChildWindowCommands::OpenSelectedInfosys(catalogue, infosys))
            ShowChildWindow(infosys);
    });
    on(u"RunInfosystemMenue"_s, [this] { ChildWindowCommands::RunSelectedInfosys(activeChild()); });
    on(u"ViewInfosystemMenue"_s,
       [this] { ChildWindowCommands::ViewSelectedInfosys(m_infoWindows.value(u"InfosysInfoForm"_s)); });
    on(u"InfosysListeSpaltenWaehlenMenue"_s, byName("SelectColumns"));
    on(u"UniversalSpaltenWaehlenMenue"_s, byName("SelectColumns"));
    // The information-system window's entries, typed to that window.
    const auto onInfosys = [this, &on](const QString& entry, const char* member) {
        on(entry, [this, member] {
            if (QWidget* child = activeChild(); ChildWindowCommands::IsInfosysForm(child))
                MemberCall::Invoke(child, member);
        });
    };
    onInfosys(u"InfosysKFNeuAufbauenMenue"_s, "BuildAktInfosysInfos");
    onInfosys(u"InfosysDLFeldNeuMenue"_s, "DatenlisteFeldNeu");
    onInfosys(u"InfosysDLFeldLoeschenMenue"_s, "DatenlisteFeldLoeschen");
}
