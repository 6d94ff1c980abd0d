#pragma once

#include <QString>

#include <optional>

// The viewer's stored settings: one table of typed keys, each with its section, name, type
// and default, and one place to read and write them. The values live in the per-user
// settings store under the program's application name ("KLVViewer").
//
// Some keys repeat per display mode or per font: their section or name holds "%1", which the
// argument sub fills ("Operating" for a mode, "Form" or "Data" for a font).
//
// Booleans are written "1"/"0". Read are "1"/"0" and any other number (not 0 is true) and the
// words "True"/"False" in any case, as the Windows program wrote both; anything else reads as
// the default. A number key of a fixed default whose stored text is no number reads as that
// default too.
//
// Window layouts (places, sizes, list columns) are keys formed from a window's section and a
// control name: the layout store keeps them (LayoutStore), the export dialog its options per
// exported table (ExportSettings); both go through the raw access at the end.
class ViewerConfig
{
public:
    enum class Key {
        // Viewer settings dialog, section "Settings".
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
        // The two fonts, sub "Form" or "Data".
        FontName,
        FontSize,
        FontBold,
        FontItalic,
        FontUnderline,
        FontStrikethrough,
        // Session settings dialog, section "Settings".
        DisplayMode,
        AusgabeSprache,
        FTextMode,
        FTextLen,
        LineBreak,
        TrimValues,
        VarLang,
        UsePasswordLang,
        Lang,
        DatasetSize,
        // Per display mode, section "Settings\<mode>".
        VerwMode,
        DateMode,
        NumMode,
        DecimalPoint,
        BoolMode,
        EnumMode,
        // Switches of the settings' root, set by hand.
        ShowInfosysForm,
        SchluesselSchaetzen,
        // Options that windows keep beside their layout.
        KeyListAutoSort,
        ExcludeVRefs,
    };
    enum class Type { Text, Bool, Number };

    static QString name(Key key, const QString& sub = QString());
    static QString section(Key key, const QString& sub = QString());
    static Type type(Key key);
    // The value a missing key reads as (worked out when asked: some depend on the temporary
    // folder, the user's data folder, the system font or the message table).
    static QString defaultValue(Key key, const QString& sub = QString());

    static QString get(Key key, const QString& sub = QString());
    static bool getBool(Key key, const QString& sub = QString());
    static void set(Key key, const QString& value, const QString& sub = QString());
    static void setBool(Key key, bool value, const QString& sub = QString());
    // Whether the key is stored at all, and forgetting it.
    static bool isStored(Key key, const QString& sub = QString());
    static void remove(Key key, const QString& sub = QString());

    // A stored Boolean as read (see above); nothing for a text that is none.
    static std::optional<bool> parseBool(const QString& text);
    // The one spelling written: "1" or "0".
    static QString boolText(bool value);

    // Raw access for the layout store's and the export dialog's own keys.
    static QString getRaw(const QString& section, const QString& key, const QString& Default = QString());
    static void setRaw(const QString& section, const QString& key, const QString& value);
    // Removes one key, or the whole section when key is empty.
    static void removeRaw(const QString& section, const QString& key = QString());
};
