#include "TestEnvironment.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<QTemporaryDir>& tempDir()
{
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}
} // namespace

namespace TestEnvironment {

void redirectSettings()
{
    if (!tempDir()) {
        tempDir() = std::make_unique<QTemporaryDir>();
        const QByteArray path = QFile::encodeName(tempDir()->path());
        setenv("XDG_CONFIG_HOME", path.constData(), 1);
        setenv("XDG_DATA_HOME", path.constData(), 1);
        setenv("XDG_CACHE_HOME", path.constData(), 1);
        QStandardPaths::setTestModeEnabled(false);
    }
}

QString settingsDir()
{
    return tempDir() ? tempDir()->path() : QString();
}

} // namespace TestEnvironment
