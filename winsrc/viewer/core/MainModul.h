#pragma once

// The helpers every window of KLVViewer uses, on the program's state in App(): message texts and
// form localisation, settings, INI files and paths, window and list-view layouts, list-view
// filling, sorting and copying, and the hand-off to the ERP GUI client, the browser and other
// programs. The names are those every window of the viewer calls them by.

#include "AppContext.h"
#include "CommandLine.h"
#include "ListViewColumnProperty.h"
#include "MessageTable.h"
#include "ViewerConfig.h"

#include <QFont>
#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QWeakPointer>

#include <functional>
#include <type_traits>

class KLV;
class KLVQuery;
class KLVQueryFieldMetaData;
class QAbstractItemView;
class QMenu;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace MainModul {

// ---- Program-wide state ---------------------------------------------------------------

// The state lives in the program's AppContext (App()); these helpers work on it.

// A check box or option button of the viewer-settings dialog while it is loaded, else the
// stored setting it edits.
bool ViewerFlag(const QString& control, ViewerConfig::Key key);

// Every message box of these helpers goes through here (OK only unless buttons say more);
// tests put a handler of their own in place. An empty handler restores the real boxes.
using MessageBoxHandler = AppContext::MessageBoxHandler;
void SetMessageBoxHandler(MessageBoxHandler handler);
QMessageBox::StandardButton ShowMessageBox(const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// ---- Start-up -------------------------------------------------------------------------

// The start-up itself (StartUp, driven by main()) uses these.

// Reads the command-line words into the start-up state (and the interface language).
CommandLine::Result ParseCommandLine(const QStringList& args);
QStringList SplitQuoted(const QString& text, QChar separator);
int GetPrimaryLangId(int langId);
int LangArgToLangId(const QString& argument);
void LangIdToCode(int& langId);
bool StartsWithUpper(const QString& text, const QString& prefix);
void InitAppGlobals();

// A stable number for a clipboard format name, and the name (a MIME type) back.
qint32 RegisterClipboardFormat(const QString& name);
QString ClipboardFormatName(qint32 format);

// ---- Message texts and forms ----------------------------------------------------------

// Reads msg_<UILanguage>.txt from the message directory into the table. On a failure asks
// whether to retry with the English file; false when the user declines (the program ends).
bool LoadMessageFile();
// The directory the message files are read from (the program's directory unless set).
QString MessageDirectory();
void SetMessageDirectory(const QString& dir);

QString GetMessageTextByNr(const QVariant& number, const QVariant& Default = QVariant());
QString FormatMessage(const QVariant& number, const QString& defaultText, const QVariantList& values);
template <typename... Values>
QString FormatMessage(const QVariant& number, const QString& defaultText, const Values&... values)
{
    return FormatMessage(number, defaultText, QVariantList{QVariant::fromValue(values)...});
}

QString Bool2MsgText(bool value);
QString Bool2ErpText(bool value);
// True for exactly "1" and for exactly the server's word for true.
bool ErpText2Bool(const QString& text);
// Reloads the server's words for true and false from enumeration "A2".
void LoadErpBoolTexts(const QSharedPointer<KLV>& session);

// The load step of every window: its texts, its fonts, and the guard that shows every label's
// text as plain text (PlainTextGuard), in place from the first window on.
void InitFormCommon(QWidget* form);
void InitDefaultFonts();
void ApplyControlFont(QWidget* form);

// ---- The connection -------------------------------------------------------------------

// True when the program's session has no connection to the server; the windows that ask
// run only once it was opened, so for them the connection is lost.
bool ConnectionLost();
// What a window shows of a command to the server that failed: while the connection is lost,
// that it is and how to log on again through the main window (which is told to show the
// loss); otherwise, or without a main window, errorText as the library gave it.
QString ServerErrorText(const QString& errorText);

// ---- Window and list-view layouts ------------------------------------------------------

void SaveFormPosition(QWidget* form, const QString& section, const QList<QWidget*>& controls = {});
void LoadFormPosition(QWidget* form, const QString& section, const QList<QWidget*>& controls = {});
void SaveListViewColumns(QAbstractItemView* view, const QString& section, bool withPosition,
                         ListViewColumnArray* columns = nullptr);
void LoadListViewColumns(QAbstractItemView* view, const QString& section, bool withPosition,
                         ListViewColumnArray* columns = nullptr);
void InitListViewColumnProps(qint32 messageBase, ListViewColumnArray& columns);
void BuildListViewColumns(QTreeWidget* view, qint32 messageBase, ListViewColumnArray& columns,
                          const QList<QSharedPointer<KLVQueryFieldMetaData>>& fieldMetaData,
                          QMenu* captionMenu = nullptr);
void StoreListViewColumnWidths(const QAbstractItemView* view, ListViewColumnArray& columns);
bool IsNumericFieldType(const QString& typeCode);

// ---- List views -----------------------------------------------------------------------

void FillListViewFromQuery(const QSharedPointer<KLVQuery>& query, QTreeWidget* view, ListViewColumnArray& columns,
                           QProgressBar* progressBar, qint32 tagField);
void SortListViewByColumn(QAbstractItemView* view, int sortKey);
void SetListItemFormat(QTreeWidgetItem* item, qint32 colour, bool bold);
void CopyListViewToClipboard(QWidget* control);
void PrintFormHardcopy(QWidget* form);

// ---- ERP GUI client, help, browser, programs --------------------------------------------

void SendGuiCommand(const QString& name, const QString& text, int action);
void RunInfosysInGui(const QString& text);
void ViewInfosysInGui(const QString& text);
void ShowHelpTopic(const QString& topic);
void OpenUrlInBrowser(const QString& url);
void OpenFileWithAssociatedApp(const QString& file);
void ShellWithFileArgument(const QString& command, const QString& file);

// ---- Values, settings, INI files and paths ---------------------------------------------

bool IsVerknFeld(const QString& name);
QString BuildFeldKey(const QString& first, const QString& second, bool isExtra);
bool IsExtraFeldKey(const QString& key);
bool IsDbGroupName(const QString& name);
QString Bool2Str(bool value);
bool Str2Bool(const QString& text);

// Root keys of GetRegistryValue.
constexpr quint32 HKEY_CLASSES_ROOT = 0x80000000u;
constexpr quint32 HKEY_CURRENT_USER = 0x80000001u;
constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;
bool GetRegistryValue(quint32 rootKey, const QString& subKey, const QString& valueName, QString& result);

QString ReadIniString(const QString& file, const QString& section, const QString& key, const QString& Default);
QString GetWindowsUserName();
QString GetQuerySettingsDir();
QString GetViewerConfigFile();
bool EnsureQuerySettingsDir();
bool MakeDirTree(const QString& path);
QString ParentPath(const QString& path);
QString HexPadded(qint32 value, qint32 length);
QString MakeValidFileName(const QString& name, bool keepPaths);

// The larger and the smaller of two values; of two equal values the first.
template <typename A, typename B>
std::common_type_t<A, B> MaxValue(const A& a, const B& b)
{
    return a < b ? std::common_type_t<A, B>(b) : std::common_type_t<A, B>(a);
}

template <typename A, typename B>
std::common_type_t<A, B> MinValue(const A& a, const B& b)
{
    return b < a ? std::common_type_t<A, B>(b) : std::common_type_t<A, B>(a);
}

} // namespace MainModul
