#include "MainModul.h"

#include "Common.h"
#include "DataFolder.h"
#include "DesktopLauncher.h"
#include "FileNames.h"
#include "FontSettings.h"
#include "FormLocalizer.h"
#include "GuiLink.h"
#include "Hardcopy.h"
#include "IniFile.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "Languages.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MemberCall.h"
#include "PlainTextGuard.h"
#include "RegistryFile.h"
#include "ViewerConfig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include <cstdio>
#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace MainModul {

namespace {

constexpr qint32 FirstClipboardFormat = 0xC000;

QString programDirectory()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

// A member of a window, called by name; "" when the window or the member is missing.
QString callText(QObject* object, const char* member)
{
    QString result;
    if (object)
        QMetaObject::invokeMethod(object, member, Qt::DirectConnection, Q_RETURN_ARG(QString, result));
    return result;
}

FileNames::QuerySaveOptions querySaveOptions()
{
    FileNames::QuerySaveOptions options;
    options.byUser = ViewerFlag(u"SaveQueryByUser"_s, ViewerConfig::Key::QuerySaveByUser);
    options.inMandDir = ViewerFlag(u"SaveQueryInMand"_s, ViewerConfig::Key::QuerySaveInMand);
    // Of the two stored options the client directory wins, as in the dialog that loads them.
    options.indivDir = !options.inMandDir && ViewerFlag(u"SaveQueryIndivDir"_s, ViewerConfig::Key::QuerySaveIndiv);
    QLineEdit* dirBox =
        App().ViewerSettingsForm ? App().ViewerSettingsForm->findChild<QLineEdit*>(u"SaveQueryDir"_s) : nullptr;
    if (dirBox)
        options.dirText = dirBox->text();
    else if (options.indivDir)
        options.dirText = ViewerConfig::get(ViewerConfig::Key::QuerySaveDirIndiv);
    else if (options.inMandDir)
        options.dirText = ViewerConfig::get(ViewerConfig::Key::QuerySaveDirMand);
    return options;
}

} // namespace

bool ViewerFlag(const QString& control, ViewerConfig::Key key)
{
    if (App().ViewerSettingsForm) {
        if (auto* button = App().ViewerSettingsForm->findChild<QAbstractButton*>(control))
            return button->isChecked();
    }
    return ViewerConfig::getBool(key);
}

// ---- Message boxes ------------------------------------------------------------------------

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    App().messageBoxHandler = std::move(handler);
}

QMessageBox::StandardButton ShowMessageBox(const QString& text, QMessageBox::StandardButtons buttons)
{
    if (App().messageBoxHandler)
        return App().messageBoxHandler(text, buttons);
    // The text often quotes the server or a user's file: it is shown as it is, never as markup.
    QMessageBox box(QMessageBox::NoIcon, u"KLVViewer"_s, QString(), buttons, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    return QMessageBox::StandardButton(box.exec());
}

// ---- Start-up -------------------------------------------------------------------------

CommandLine::Result ParseCommandLine(const QStringList& args)
{
    CommandLine::Values values;
    values.StartConnectionName = App().StartConnectionName;
    values.StartUserName = App().StartUserName;
    values.StartPassword = App().StartPassword;
    values.StartDataLanguage = App().StartDataLanguage;
    values.HiddenStartFlag = App().HiddenStartFlag;
    values.HiddenStartValue = App().HiddenStartValue;
    values.SessionFlags = App().SessionFlags;
    values.UILangId = App().UILangId;
    values.UILanguage = App().UILanguage;
    const CommandLine::Result result =
        CommandLine::ParseCommandLine(args, values, [](int nr) { return GetMessageTextByNr(nr); });
    App().StartConnectionName = values.StartConnectionName;
    App().StartUserName = values.StartUserName;
    App().StartPassword = values.StartPassword;
    App().StartDataLanguage = values.StartDataLanguage;
    App().HiddenStartFlag = values.HiddenStartFlag;
    App().HiddenStartValue = values.HiddenStartValue;
    App().SessionFlags = values.SessionFlags;
    App().UILangId = values.UILangId;
    App().UILanguage = values.UILanguage;
    return result;
}

QStringList SplitQuoted(const QString& text, QChar separator)
{
    return CommandLine::SplitQuoted(text, separator);
}

int GetPrimaryLangId(int langId)
{
    return Languages::GetPrimaryLangId(langId);
}

int LangArgToLangId(const QString& argument)
{
    return Languages::LangArgToLangId(argument);
}

void LangIdToCode(int& langId)
{
    App().UILanguage = Languages::LangIdToCode(langId);
    App().UILangId = langId;
}

bool StartsWithUpper(const QString& text, const QString& prefix)
{
    return Languages::StartsWithUpper(text, prefix);
}

void InitAppGlobals()
{
    App().RegAppName = u"KLVViewer"_s;
    App().MsgTrueText = GetMessageTextByNr(28);
    App().MsgFalseText = GetMessageTextByNr(29);
    App().DefaultQueryNameText = GetMessageTextByNr(123);
    App().NoKeyText = App().DefaultQueryNameText;
    App().HelpFileName = GetMessageTextByNr(901);
    App().ErpTrueText = App().MsgTrueText;
    App().ErpFalseText = App().MsgFalseText;
}

qint32 RegisterClipboardFormat(const QString& name)
{
    QStringList& names = App().clipboardFormats;
    qsizetype index = names.indexOf(name);
    if (index < 0) {
        names.append(name);
        index = names.size() - 1;
    }
    return FirstClipboardFormat + qint32(index);
}

QString ClipboardFormatName(qint32 format)
{
    const qsizetype index = format - FirstClipboardFormat;
    const QStringList& names = App().clipboardFormats;
    return index >= 0 && index < names.size() ? names[index] : QString();
}

// ---- Message texts and forms ----------------------------------------------------------

QString MessageDirectory()
{
    if (App().messageDirectory.isEmpty())
        App().messageDirectory = DataFolder::Find(programDirectory());
    return App().messageDirectory;
}

void SetMessageDirectory(const QString& dir)
{
    App().messageDirectory = dir;
}

bool LoadMessageFile()
{
    QString path = MessageDirectory() + u"/msg_"_s + App().UILanguage + u".txt"_s;
    for (;;) {
        QString error;
        if (App().MessageTexts.LoadFile(path, &error))
            return true;
        const QString text = u"Error reading message file "_s + path + u'\n' + error + u"\nRetry using english?"_s;
        // Said on standard error too: without its texts the program may be started where
        // nobody sees a box, and a packaging fault should be found from a terminal.
        std::fprintf(stderr, "%s\n", qPrintable(u"Error reading message file "_s + path + u": "_s + error));
        if (ShowMessageBox(text, QMessageBox::Retry | QMessageBox::Cancel) != QMessageBox::Retry)
            return false;
        path = MessageDirectory() + u"/msg_en.txt"_s;
    }
}

QString GetMessageTextByNr(const QVariant& number, const QVariant& Default)
{
    return App().MessageTexts.GetMessageTextByNr(number, Default);
}

QString FormatMessage(const QVariant& number, const QString& defaultText, const QVariantList& values)
{
    return App().MessageTexts.FormatMessage(number, defaultText, values);
}

QString Bool2MsgText(bool value)
{
    return value ? App().MsgTrueText : App().MsgFalseText;
}

QString Bool2ErpText(bool value)
{
    return value ? App().ErpTrueText : App().ErpFalseText;
}

bool ErpText2Bool(const QString& text)
{
    // The server's word is data, not a pattern: compared as it is.
    return text == u"1" || (!App().ErpTrueText.isEmpty() && text == App().ErpTrueText);
}

void LoadErpBoolTexts(const QSharedPointer<KLV>& session)
{
    App().ErpTrueText = Bool2MsgText(true);
    App().ErpFalseText = Bool2MsgText(false);
    if (!session)
        return;
    const QSharedPointer<KLVQuery> query = session->CreateQuery();
    if (!query)
        return;
    if (!query->GetEnumPos(u"A2"_s, false).toBool()) {
        ShowMessageBox(GetMessageTextByNr(305) + u" A2\n"_s + query->GetLastError());
        return;
    }
    while (query->GetNextRecord()) {
        const QString code = query->GetField(1);
        if (code == u"1")
            App().ErpTrueText = query->GetField(2);
        else if (code == u"0")
            App().ErpFalseText = query->GetField(2);
    }
}

// ---- The connection -------------------------------------------------------------------

namespace {

// A menu entry's text as the user reads it in the menu: without its access key and the dots
// of an entry that opens a dialog.
QString menuText(int number)
{
    QString text = GetMessageTextByNr(number);
    text.remove(u'&');
    while (text.endsWith(u'.'))
        text.chop(1);
    return text.trimmed();
}

} // namespace

bool ConnectionLost()
{
    const QSharedPointer<KLV> session = App().MainSession.toStrongRef();
    return session && !session->IsConnected();
}

QString ServerErrorText(const QString& errorText)
{
    // The way back is the main window's: without one the library's text is all there is.
    QWidget* main = App().MainForm;
    if (!main || !ConnectionLost())
        return errorText;
    // The main window shows the loss where it shows the connection.
    MemberCall::Invoke(main, "CheckConnection");
    const QString host = main->property("Host").toString();
    const QString port = main->property("Port").toString();
    return FormatMessage(1809, u"The connection to the KLV server {1} (port {2}) is lost. {3} > {4} logs on again."_s,
                         host, port, menuText(700), menuText(701));
}

void InitFormCommon(QWidget* form)
{
    PlainTextGuard::Install();
    FormLocalizer([](const QString& text) { return GetMessageTextByNr(text, text); }).localize(form);
    ApplyControlFont(form);
}

void InitDefaultFonts()
{
    App().FormFont = FontSettings::DefaultFont();
    App().DataFont = FontSettings::DefaultFont();
}

void ApplyControlFont(QWidget* form)
{
    FormLocalizer::applyFonts(form, App().FormFont, App().DataFont);
}

// ---- Window and list-view layouts ------------------------------------------------------

void SaveFormPosition(QWidget* form, const QString& section, const QList<QWidget*>& controls)
{
    LayoutStore::SaveFormPosition(form, section, controls);
}

void LoadFormPosition(QWidget* form, const QString& section, const QList<QWidget*>& controls)
{
    LayoutStore::LoadFormPosition(form, section, controls);
}

void SaveListViewColumns(QAbstractItemView* view, const QString& section, bool withPosition,
                         ListViewColumnArray* columns)
{
    LayoutStore::SaveListViewColumns(view, section, withPosition, columns);
}

void LoadListViewColumns(QAbstractItemView* view, const QString& section, bool withPosition,
                         ListViewColumnArray* columns)
{
    LayoutStore::LoadListViewColumns(view, section, withPosition, columns);
}

void InitListViewColumnProps(qint32 messageBase, ListViewColumnArray& columns)
{
    LayoutStore::InitListViewColumnProps(messageBase, columns);
}

void BuildListViewColumns(QTreeWidget* view, qint32 messageBase, ListViewColumnArray& columns,
                          const QList<QSharedPointer<KLVQueryFieldMetaData>>& fieldMetaData, QMenu* captionMenu)
{
    LayoutStore::BuildListViewColumns(view, messageBase, columns, fieldMetaData, captionMenu);
}

void StoreListViewColumnWidths(const QAbstractItemView* view, ListViewColumnArray& columns)
{
    LayoutStore::StoreListViewColumnWidths(view, columns);
}

bool IsNumericFieldType(const QString& typeCode)
{
    return LayoutStore::IsNumericFieldType(typeCode);
}

// ---- List views -----------------------------------------------------------------------

void FillListViewFromQuery(const QSharedPointer<KLVQuery>& query, QTreeWidget* view, ListViewColumnArray& columns,
                           QProgressBar* progressBar, qint32 tagField)
{
    ListViewHelpers::FillListViewFromQuery(query, view, columns, progressBar, tagField);
}

void SortListViewByColumn(QAbstractItemView* view, int sortKey)
{
    ListViewHelpers::SortListViewByColumn(view, sortKey);
}

void SetListItemFormat(QTreeWidgetItem* item, qint32 colour, bool bold)
{
    ListViewHelpers::SetListItemFormat(item, colour, bold);
}

void CopyListViewToClipboard(QWidget* control)
{
    ListViewHelpers::CopyListViewToClipboard(control);
}

void PrintFormHardcopy(QWidget* form)
{
    Hardcopy::PrintFormHardcopy(form);
}

// ---- ERP GUI client, help, browser, programs --------------------------------------------

void SendGuiCommand(const QString& name, const QString& text, int action)
{
    QString client;
    QString sessionService;
    if (const QSharedPointer<KLV> session = App().MainSession.toStrongRef()) {
        client = session->GetMandantName();
        if (!client.isEmpty())
            sessionService = session->GetGUIDDESrvName();
    }
    const QString service = GuiLink::ServiceFor(client, sessionService);
    const QString command =
        GuiLink::CommandText(name, text, action, callText(App().SessionSettingsForm, "GetAktSprKZ"));
    QString error;
    if (GuiLink::Execute(service, command, &error))
        return;
    QString message = FormatMessage(145, u"GUI for Mandant {1} not started"_s, client);
    if (!error.isEmpty())
        message += u'\n' + GetMessageTextByNr(146) + u' ' + error;
    else
        message += u'\n' + GetMessageTextByNr(
                               144, u"No GUI program is set: the environment variable KLV_GUI_COMMAND names it."_s);
    ShowMessageBox(message);
}

void RunInfosysInGui(const QString& text)
{
    SendGuiCommand(QString(), text, GuiLink::ActionRun);
}

void ViewInfosysInGui(const QString& text)
{
    SendGuiCommand(QString(), text, GuiLink::ActionShow);
}

void ShowHelpTopic(const QString& topic)
{
    OpenUrlInBrowser(DesktopLauncher::HelpAddress(MessageDirectory(), App().HelpFileName, topic).toString());
}

void OpenUrlInBrowser(const QString& url)
{
    const QUrl address(url);
    // A page of ours is named by its path, which the user can open by hand.
    const QString shown = address.isLocalFile() ? address.toLocalFile() : url;
    DesktopLauncher::OpenUrl(address, [shown] { ShowMessageBox(GetMessageTextByNr(23) + u'\n' + shown); });
}

void OpenFileWithAssociatedApp(const QString& file)
{
    if (!QFileInfo(file).fileName().contains(u'.')) {
        ShowMessageBox(GetMessageTextByNr(252));
        return;
    }
    const QString extension = DesktopLauncher::FileExtension(file);
    DesktopLauncher::OpenUrl(QUrl::fromLocalFile(file), [extension] {
        ShowMessageBox(GetMessageTextByNr(24) + u'\n' + GetMessageTextByNr(25) + u" open "_s + GetMessageTextByNr(26) +
                       u' ' + extension);
    });
}

void ShellWithFileArgument(const QString& command, const QString& file)
{
    QString error;
    if (!DesktopLauncher::StartCommand(command, file, &error))
        ShowMessageBox(GetMessageTextByNr(253) + u'\n' + error);
}

// ---- Values, settings, INI files and paths ---------------------------------------------

bool IsVerknFeld(const QString& name)
{
    return name.contains(u'^');
}

QString BuildFeldKey(const QString& first, const QString& second, bool isExtra)
{
    return first + u'#' + second + u'#' + (isExtra ? u'E' : u'S');
}

bool IsExtraFeldKey(const QString& key)
{
    return key.endsWith(u"#E"_s);
}

bool IsDbGroupName(const QString& name)
{
    return name.contains(u':');
}

QString Bool2Str(bool value)
{
    return value ? u"1"_s : u"0"_s;
}

bool Str2Bool(const QString& text)
{
    return text == u"1";
}

bool GetRegistryValue(quint32 rootKey, const QString& subKey, const QString& valueName, QString& result)
{
    const bool found = RegistryFile::ReadValue(RegistryFile::Path(), rootKey, subKey, valueName, result);
    if (!found)
        result.clear();
    return found;
}

QString ReadIniString(const QString& file, const QString& section, const QString& key, const QString& Default)
{
    return IniFile::ReadIniString(file, section, key, Default);
}

QString GetWindowsUserName()
{
    const passwd* pw = getpwuid(geteuid());
    return pw && pw->pw_name ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

QString GetQuerySettingsDir()
{
    const QString mandId = App().MainForm ? App().MainForm->property("MandID").toString() : QString();
    const QString mandDir = App().MainForm ? App().MainForm->property("MandDirUNC").toString() : QString();
    return FileNames::BuildQuerySettingsDir(querySaveOptions(), GetWindowsUserName(), mandId, mandDir);
}

QString GetViewerConfigFile()
{
    const QString dir = GetQuerySettingsDir();
    return dir.isEmpty() ? QString() : dir + u"/ViewerConfig.ini"_s;
}

bool EnsureQuerySettingsDir()
{
    const QString dir = GetQuerySettingsDir();
    if (dir.isEmpty())
        return false;
    int number = 0;
    QString description;
    if (FileNames::MakeDirTree(dir, &number, &description))
        return true;
    App().QuerySettingsDirError = u'(' + QString::number(number) + u") "_s + description;
    ShowMessageBox(GetMessageTextByNr(27) + u'\n' + dir + u'\n' + App().QuerySettingsDirError);
    return false;
}

bool MakeDirTree(const QString& path)
{
    return FileNames::MakeDirTree(path);
}

QString ParentPath(const QString& path)
{
    return FileNames::ParentPath(path);
}

QString HexPadded(qint32 value, qint32 length)
{
    const QString digits = QString::number(quint32(value), 16).toUpper();
    return length > 0 ? digits.rightJustified(length, u'0') : digits;
}

QString MakeValidFileName(const QString& name, bool keepPaths)
{
    return FileNames::MakeValidFileName(name, keepPaths);
}

} // namespace MainModul
