#pragma once

#include <QString>

// Values that the Windows program reads from the registry (the program paths of "App Paths"
// and the like) are kept in a file in the format of exported registry files: sections named by
// the full key ("[HKEY_LOCAL_MACHINE\SOFTWARE\...]"), "@" for a key's default value, and values
// written as "text", str(2):"text with %VARIABLES%" or dword:0000002a. The user's file is
// KLV/registry.reg in the configuration directory; keys and value names are found without
// regard to case.
class RegistryFile
{
public:
    // The name of a root key handle ("HKEY_CURRENT_USER", ...); "" for an unknown handle.
    static QString RootName(quint32 rootKey);

    // The file that is read.
    static QString Path();

    // Reads one value of the file at path: strings as they are, expandable strings with the
    // environment variables filled in (an expansion that yields nothing fails), 32-bit values
    // as signed decimal text. A value of another form leaves result unchanged. False when the
    // key or the value is missing.
    static bool ReadValue(const QString& path, quint32 rootKey, const QString& subKey, const QString& valueName,
                          QString& result);

    // Replaces every %NAME% by the environment variable's value (unknown names stay).
    static QString ExpandEnvironmentStrings(const QString& text);
};
