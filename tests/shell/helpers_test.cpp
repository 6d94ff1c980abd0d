// The small program-wide helpers: values, file names, the saved-query directory, the settings
// store and the stand-in for registry values.
#include "FileNames.h"
#include "MainModul.h"
#include "MessageBoxes.h"
#include "RegistryFile.h"
#include "SettingsStore.h"
#include "ViewerConfig.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ViewerTest::MessageBoxes;
using namespace MainModul;

namespace {} // namespace

TEST(Values, FieldKeysAndNames)
{
    EXPECT_EQ(BuildFeldKey(u"ADRESSE"_s, u"NAME"_s, false), u"ADRESSE#NAME#S");
    EXPECT_EQ(BuildFeldKey(u"x"_s, u"1"_s, true), u"x#1#E");
    EXPECT_TRUE(IsExtraFeldKey(u"a#0#E"_s));
    EXPECT_FALSE(IsExtraFeldKey(u"a#0#e"_s));
    EXPECT_TRUE(IsVerknFeld(u"kunde^name"_s));
    EXPECT_FALSE(IsVerknFeld(u"name"_s));
    EXPECT_TRUE(IsDbGroupName(u"12:24"_s));
    EXPECT_FALSE(IsDbGroupName(u"Rohling"_s));
}

TEST(Values, BooleanTexts)
{
    EXPECT_EQ(Bool2Str(true), u"1");
    EXPECT_EQ(Bool2Str(false), u"0");
    EXPECT_TRUE(Str2Bool(u"1"_s));
    for (const QString& t : {u"True"_s, u"-1"_s, u" 1"_s, QString(), u"01"_s})
        EXPECT_FALSE(Str2Bool(t)) << t.toStdString();
}

TEST(Values, TheServersTrueWordIsComparedAsItIs)
{
    App().ErpTrueText = u"Ja"_s;
    EXPECT_TRUE(ErpText2Bool(u"Ja"_s));
    EXPECT_TRUE(ErpText2Bool(u"1"_s));
    EXPECT_FALSE(ErpText2Bool(u"ja"_s));
    EXPECT_FALSE(ErpText2Bool(u"Nein"_s));
    // Pattern characters in the server's word are plain characters.
    App().ErpTrueText = u"[x"_s;
    EXPECT_TRUE(ErpText2Bool(u"[x"_s));
    App().ErpTrueText = u"J*"_s;
    EXPECT_FALSE(ErpText2Bool(u"Ja"_s));
    App().ErpTrueText = u"#"_s;
    EXPECT_FALSE(ErpText2Bool(u"7"_s));
    App().ErpTrueText.clear();
    EXPECT_FALSE(ErpText2Bool(QString()));
}

TEST(Values, HexAndMinMax)
{
    EXPECT_EQ(HexPadded(255, 4), u"00FF");
    EXPECT_EQ(HexPadded(255, 1), u"FF");
    EXPECT_EQ(HexPadded(255, 0), u"FF");
    EXPECT_EQ(HexPadded(-1, 2), u"FFFFFFFF");
    EXPECT_EQ(MaxValue(3, 5), 5);
    EXPECT_EQ(MinValue(3, 5), 3);
    EXPECT_DOUBLE_EQ(MaxValue(2, 2.5), 2.5);
    EXPECT_DOUBLE_EQ(MinValue(2.5, 2), 2.0);
    // Of two equal values the first comes back.
    const QString a = u"x"_s;
    const QString b = u"x"_s;
    EXPECT_EQ(MaxValue(a, b).constData(), a.constData());
    EXPECT_EQ(MinValue(a, b).constData(), a.constData());
}

TEST(FileNames, CleaningNames)
{
    EXPECT_EQ(MakeValidFileName(u"12:24/a\\b"_s, false), u"12_24_a_b");
    EXPECT_EQ(MakeValidFileName(u"dir\\sub/x:y"_s, true), u"dir/sub/x_y");
    EXPECT_EQ(MakeValidFileName(u"a*b?c\"d<e>f|g h.ini"_s, false), u"a_b_c_d_e_f_g h.ini");
    EXPECT_EQ(FileNames::SafePathComponent(u".."_s), u"__");
    EXPECT_EQ(FileNames::SafePathComponent(u"../etc"_s), u".._etc");
    EXPECT_EQ(ParentPath(u"name"_s), QString());
    EXPECT_EQ(ParentPath(u"/a/b/"_s), u"/a/b");
    EXPECT_EQ(ParentPath(u"/a/b"_s), u"/a");
}

TEST(FileNames, TheSavedQueryDirectory)
{
    FileNames::QuerySaveOptions own{true, true, false, u"/data/queries/"_s};
    EXPECT_EQ(FileNames::BuildQuerySettingsDir(own, u"anna"_s, u"M1"_s, QString()), u"/data/queries/anna/M1");
    own.byUser = false;
    EXPECT_EQ(FileNames::BuildQuerySettingsDir(own, u"anna"_s, u"M1"_s, QString()), u"/data/queries/M1");
    // A client id from the server stays one directory below the chosen one.
    EXPECT_EQ(FileNames::BuildQuerySettingsDir(own, u"anna"_s, u"../../etc"_s, QString()), u"/data/queries/.._.._etc");
    EXPECT_EQ(FileNames::BuildQuerySettingsDir(own, u"anna"_s, u".."_s, QString()), u"/data/queries/__");

    FileNames::QuerySaveOptions mand{true, false, true, u"KLVViewer"_s};
    EXPECT_EQ(FileNames::BuildQuerySettingsDir(mand, u"anna"_s, u"M1"_s, u"\\\\srv\\erp\\m1\\"_s),
              u"//srv/erp/m1/win/KLVViewer/anna");

    // No option, no directory text, no client directory: no place at all (never the root).
    EXPECT_EQ(FileNames::BuildQuerySettingsDir({true, false, false, u"/x"_s}, u"anna"_s, u"M1"_s, u"/m"_s), QString());
    EXPECT_EQ(FileNames::BuildQuerySettingsDir({true, true, false, QString()}, u"anna"_s, u"M1"_s, QString()),
              QString());
    EXPECT_EQ(FileNames::BuildQuerySettingsDir({true, false, true, u"x"_s}, u"anna"_s, u"M1"_s, QString()), QString());
}

TEST(FileNames, DirectoryTreesAreCreatedAndFailuresReported)
{
    QTemporaryDir dir;
    const QString deep = dir.filePath(u"a/b/c"_s);
    EXPECT_TRUE(MakeDirTree(deep));
    EXPECT_TRUE(QFileInfo(deep).isDir());
    EXPECT_TRUE(MakeDirTree(deep)); // exists: left alone

    QFile blocker(dir.filePath(u"file"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    int number = 0;
    QString text;
    EXPECT_FALSE(FileNames::MakeDirTree(dir.filePath(u"file/sub"_s), &number, &text));
    EXPECT_NE(number, 0);
    EXPECT_FALSE(text.isEmpty());
}

class QueryDirectory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SettingsStore::DeleteSetting(App().RegAppName, u"Settings"_s);
        ViewerConfig::set(ViewerConfig::Key::QuerySaveDirIndiv, root.path());
        form.setProperty("MandID", u"M/1"_s);
        form.setProperty("MandDirUNC", u"\\\\srv\\m1"_s);
        App().MainForm = &form;
    }
    void TearDown() override
    {
        App().MainForm = nullptr;
        App().ViewerSettingsForm = nullptr;
        SettingsStore::DeleteSetting(App().RegAppName, u"Settings"_s);
    }
    QTemporaryDir root;
    QWidget form;
};

TEST_F(QueryDirectory, FollowsTheStoredSettingsAndTheMainWindow)
{
    const QString user = FileNames::SafePathComponent(GetWindowsUserName());
    ASSERT_FALSE(user.isEmpty());
    EXPECT_EQ(GetQuerySettingsDir(), root.path() + u'/' + user + u"/M_1"_s);
    EXPECT_EQ(GetViewerConfigFile(), root.path() + u'/' + user + u"/M_1/ViewerConfig.ini"_s);

    ViewerConfig::setBool(ViewerConfig::Key::QuerySaveByUser, false);
    ViewerConfig::setBool(ViewerConfig::Key::QuerySaveInMand, true);
    ViewerConfig::set(ViewerConfig::Key::QuerySaveDirMand, u"Abfragen"_s);
    // Both options stored: the client directory wins.
    EXPECT_EQ(GetQuerySettingsDir(), u"//srv/m1/win/Abfragen"_s);

    ViewerConfig::setBool(ViewerConfig::Key::QuerySaveIndiv, false);
    ViewerConfig::setBool(ViewerConfig::Key::QuerySaveInMand, false);
    EXPECT_EQ(GetQuerySettingsDir(), QString());
    EXPECT_EQ(GetViewerConfigFile(), QString());
}

TEST_F(QueryDirectory, TheOpenSettingsDialogsControlsWin)
{
    QWidget dialog;
    auto* byUser = new QCheckBox(&dialog);
    byUser->setObjectName(u"SaveQueryByUser"_s);
    auto* indiv = new QRadioButton(&dialog);
    indiv->setObjectName(u"SaveQueryIndivDir"_s);
    indiv->setChecked(true);
    auto* dirBox = new QLineEdit(root.filePath(u"typed"_s), &dialog);
    dirBox->setObjectName(u"SaveQueryDir"_s);
    App().ViewerSettingsForm = &dialog;
    EXPECT_EQ(GetQuerySettingsDir(), root.filePath(u"typed/M_1"_s));
}

TEST_F(QueryDirectory, IsCreatedWhenAskedAlsoWithoutAutomaticSaving)
{
    MessageBoxes boxes;
    ViewerConfig::setBool(ViewerConfig::Key::QueryAutoSave, false);
    ViewerConfig::setBool(ViewerConfig::Key::QuerySaveByUser, false);
    EXPECT_TRUE(EnsureQuerySettingsDir());
    EXPECT_TRUE(QFileInfo(root.filePath(u"M_1"_s)).isDir());
    EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST_F(QueryDirectory, AFailureIsShownWithMessage27AndKept)
{
    MessageBoxes boxes;
    App().MessageTexts.SetText(27, u"Cannot create:"_s);
    QFile blocker(root.filePath(u"file"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ViewerConfig::set(ViewerConfig::Key::QuerySaveDirIndiv, root.filePath(u"file"_s));
    ViewerConfig::setBool(ViewerConfig::Key::QuerySaveByUser, false);
    EXPECT_FALSE(EnsureQuerySettingsDir());
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith(u"Cannot create:\n"_s + root.filePath(u"file/M_1"_s) + u"\n("_s))
        << boxes.texts[0].toStdString();
    EXPECT_FALSE(App().QuerySettingsDirError.isEmpty());
    App().MessageTexts.SetText(27, QString());
}

TEST(SettingsStore, SectionsAndKeysAreFoundWithoutRegardToCase)
{
    SettingsStore::SaveSetting(u"KLVTest"_s, u"QueryWindowSettings"_s, u"TabellenListeTop"_s, u"120"_s);
    EXPECT_EQ(SettingsStore::GetSetting(u"KLVTest"_s, u"querywindowsettings"_s, u"TabellenListetop"_s), u"120");
    SettingsStore::SaveSetting(u"KLVTest"_s, u"QUERYWINDOWSETTINGS"_s, u"tabellenlistetop"_s, u"240"_s);
    EXPECT_EQ(SettingsStore::GetAllKeys(u"KLVTest"_s, u"QueryWindowSettings"_s), QStringList{u"TabellenListeTop"_s});
    EXPECT_EQ(SettingsStore::GetSetting(u"KLVTest"_s, u"QueryWindowSettings"_s, u"TabellenListeTop"_s), u"240");
    EXPECT_EQ(SettingsStore::GetSetting(u"KLVTest"_s, u"Nope"_s, u"x"_s, u"d"_s), u"d");
}

TEST(SettingsStore, NestedSectionsAndTheTopLevel)
{
    SettingsStore::SaveSetting(u"KLVTest"_s, u"Export\\Kunden"_s, u"Delimiter"_s, u";"_s);
    SettingsStore::SaveSetting(u"KLVTest"_s, u"\\"_s, u"SchlüsselSchätzen"_s, u"1"_s);
    EXPECT_EQ(SettingsStore::GetSetting(u"KLVTest"_s, u"export\\KUNDEN"_s, u"delimiter"_s), u";");
    EXPECT_EQ(SettingsStore::GetSetting(u"KLVTest"_s, u"\\"_s, u"schlüsselschätzen"_s), u"1");
    // The store is a file of the user's own configuration directory, never the real one in tests.
    EXPECT_TRUE(SettingsStore::FileName(u"KLVTest"_s).endsWith(u"/KLV/KLVTest.ini"_s));
    SettingsStore::DeleteSetting(u"KLVTest"_s, u"Export"_s);
    EXPECT_EQ(SettingsStore::GetSetting(u"KLVTest"_s, u"Export\\Kunden"_s, u"Delimiter"_s, u"gone"_s), u"gone");
}

TEST(ViewerConfig, DefaultsWithoutStoredSettings)
{
    SettingsStore::DeleteSetting(App().RegAppName, u"Settings"_s);
    EXPECT_FALSE(ViewerConfig::getBool(ViewerConfig::Key::Logging));
    EXPECT_TRUE(ViewerConfig::get(ViewerConfig::Key::Logfile).endsWith(u"/klv.log"_s));
    EXPECT_TRUE(ViewerConfig::getBool(ViewerConfig::Key::SaveWindowState));
    EXPECT_TRUE(ViewerConfig::getBool(ViewerConfig::Key::QueryAutoSave));
    EXPECT_TRUE(ViewerConfig::getBool(ViewerConfig::Key::ColHeadersNames));
    EXPECT_FALSE(ViewerConfig::getBool(ViewerConfig::Key::ColHeadersDesc));
    // Saved queries go to the user's data folder, not beside the program.
    EXPECT_EQ(ViewerConfig::get(ViewerConfig::Key::QuerySaveDirIndiv),
              QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/KLV/KLVViewer"_s);
    EXPECT_EQ(ViewerConfig::section(ViewerConfig::Key::ShowInfosysForm), u"\\");
    SettingsStore::SaveSetting(App().RegAppName, u"settings"_s, u"savewindowstate"_s, u"0"_s);
    EXPECT_FALSE(ViewerConfig::getBool(ViewerConfig::Key::SaveWindowState));
    SettingsStore::DeleteSetting(App().RegAppName, u"Settings"_s);
}

// The Windows program wrote Booleans both as "1"/"0" and as "True"/"False"; both read, one is
// written. A text that is neither reads as the key's default.
TEST(ViewerConfig, BooleansReadInBothSpellingsAndAreWrittenAsOneOrZero)
{
    using Key = ViewerConfig::Key;
    const auto stored = [](Key key, const QString& text, const QString& sub = QString()) {
        SettingsStore::SaveSetting(App().RegAppName, ViewerConfig::section(key, sub), ViewerConfig::name(key, sub),
                                   text);
    };
    for (const QString& yes : {u"1"_s, u"True"_s, u"TRUE"_s, u" true"_s, u"-1"_s}) {
        stored(Key::SaveWindowState, yes);
        EXPECT_TRUE(ViewerConfig::getBool(Key::SaveWindowState)) << yes.toStdString();
    }
    for (const QString& no : {u"0"_s, u"False"_s, u"false"_s}) {
        stored(Key::SaveWindowState, no);
        EXPECT_FALSE(ViewerConfig::getBool(Key::SaveWindowState)) << no.toStdString();
    }
    stored(Key::SaveWindowState, u"ja"_s);
    EXPECT_TRUE(ViewerConfig::getBool(Key::SaveWindowState));
    stored(Key::ColHeadersDesc, u"ja"_s);
    EXPECT_FALSE(ViewerConfig::getBool(Key::ColHeadersDesc));

    ViewerConfig::setBool(Key::KeyListAutoSort, true);
    EXPECT_EQ(SettingsStore::GetSetting(App().RegAppName, u"SchlWindowSettings"_s, u"KeyListAutoSort"_s), u"1");
    ViewerConfig::setBool(Key::FontBold, false, u"Data"_s);
    EXPECT_EQ(SettingsStore::GetSetting(App().RegAppName, u"Settings"_s, u"DataFontBold"_s), u"0");
    // A display mode's keys lie in the mode's own section.
    ViewerConfig::set(Key::DateMode, u"SORT"_s, u"Output"_s);
    EXPECT_EQ(SettingsStore::GetSetting(App().RegAppName, u"Settings\\Output"_s, u"DateMode"_s), u"SORT");
    EXPECT_EQ(ViewerConfig::get(Key::DateMode, u"Universal"_s), u"TAV4");
    SettingsStore::DeleteSetting(App().RegAppName, u"Settings"_s);
    SettingsStore::DeleteSetting(App().RegAppName, u"SchlWindowSettings"_s);
}

TEST(RegistryFile, ValuesOfEveryStoredForm)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"registry.reg"_s);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\EXCEL.EXE]\r\n"
            "@=\"/usr/bin/localc\"\r\n"
            "\"Path\"=\"C:\\\\Office \\\"16\\\"\"\r\n"
            "\"Count\"=dword:00000100\r\n"
            "\"Minus\"=dword:ffffffff\r\n"
            "\"Home\"=str(2):\"%KLV_REG_TEST%/x\"\r\n"
            "\"Nothing\"=str(2):\"%KLV_REG_UNSET_EMPTY%\"\r\n"
            "\"Binary\"=hex:01,02\r\n");
    f.close();
    qputenv("KLV_REG_TEST", "/home/anna");
    qputenv("KLV_REG_UNSET_EMPTY", "");
    const QString key = u"software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\excel.exe"_s;
    QString v;
    EXPECT_TRUE(RegistryFile::ReadValue(path, HKEY_LOCAL_MACHINE, key, QString(), v));
    EXPECT_EQ(v, u"/usr/bin/localc");
    EXPECT_TRUE(RegistryFile::ReadValue(path, HKEY_LOCAL_MACHINE, key, u"path"_s, v));
    EXPECT_EQ(v, u"C:\\Office \"16\"");
    EXPECT_TRUE(RegistryFile::ReadValue(path, HKEY_LOCAL_MACHINE, key, u"Count"_s, v));
    EXPECT_EQ(v, u"256");
    EXPECT_TRUE(RegistryFile::ReadValue(path, HKEY_LOCAL_MACHINE, key, u"Minus"_s, v));
    EXPECT_EQ(v, u"-1");
    EXPECT_TRUE(RegistryFile::ReadValue(path, HKEY_LOCAL_MACHINE, key, u"Home"_s, v));
    EXPECT_EQ(v, u"/home/anna/x");
    EXPECT_FALSE(RegistryFile::ReadValue(path, HKEY_LOCAL_MACHINE, key, u"Nothing"_s, v));
    v = u"as passed"_s;
    EXPECT_TRUE(RegistryFile::ReadValue(path, HKEY_LOCAL_MACHINE, key, u"Binary"_s, v));
    EXPECT_EQ(v, u"as passed");
    EXPECT_FALSE(RegistryFile::ReadValue(path, HKEY_CURRENT_USER, key, QString(), v));
    EXPECT_FALSE(RegistryFile::ReadValue(path, HKEY_LOCAL_MACHINE, key, u"Missing"_s, v));
    // The program's own look-up reads the user's file; there is none in a fresh folder.
    QString r = u"x"_s;
    EXPECT_FALSE(GetRegistryValue(HKEY_LOCAL_MACHINE, key, QString(), r));
    EXPECT_EQ(r, QString());
}

TEST(ClipboardFormats, ANameKeepsItsNumber)
{
    const qint32 a = RegisterClipboardFormat(u"CF_WEXA_GUI_DRAGDROP"_s);
    EXPECT_EQ(RegisterClipboardFormat(u"CF_WEXA_GUI_DRAGDROP"_s), a);
    EXPECT_NE(RegisterClipboardFormat(u"other"_s), a);
    EXPECT_EQ(ClipboardFormatName(a), u"CF_WEXA_GUI_DRAGDROP");
    EXPECT_EQ(ClipboardFormatName(0), QString());
}
