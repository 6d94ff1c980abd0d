#pragma once

#include <QString>

// The viewer's own stored settings: one table of typed keys with their names, sections and
// defaults, one place to read and write them. The values live in the per-user settings store
// under the application name "KLVViewer"; Booleans are stored as "1"/"0" and only "1" reads
// as true.
class ViewerConfig
{
public:
    enum class Key {
        Logging,
        Logfile,
        QueryAutoSave,
        QuerySaveByUser,
        QuerySaveIndiv,
        QuerySaveInMand,
        QuerySaveDirIndiv,
        QuerySaveDirMand,
        SaveViewerSettings,
        SaveWindowState,
        QueryChangeDontSave,
        QueryChangeSaveAlways,
        QueryChangeAskUser,
        ColHeadersNames,
        ColHeadersDesc,
        ShowInfosysForm,
    };

    static QString name(Key key);
    static QString section(Key key);
    // The value a missing key reads as (worked out when asked: some depend on the program's
    // directory, the temporary directory or the message table).
    static QString defaultValue(Key key);

    static QString get(Key key);
    static bool getBool(Key key);
    static void set(Key key, const QString& value);
    static void setBool(Key key, bool value);
};
