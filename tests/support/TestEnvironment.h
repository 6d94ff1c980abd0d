#pragma once

#include <QString>

// Keeps tests away from the user's real settings and files.
namespace TestEnvironment {

// Points XDG_CONFIG_HOME (and so every QSettings file) at a temporary folder that lives
// until the process ends. Call before the QApplication is created.
void redirectSettings();

// The temporary folder that holds the redirected settings.
QString settingsDir();

} // namespace TestEnvironment
