#pragma once

// A stand-in for the desktop's opener: an "xdg-open" first on PATH for as long as it lives,
// which records every address it is given and ends with the code a test chooses (0 opened,
// anything else as xdg-open says it could not open the address).

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

class FakeOpener
{
public:
    explicit FakeOpener(int exitCode = 0) : m_path(qgetenv("PATH"))
    {
        QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
        if (!script.open(QIODevice::WriteOnly))
            qFatal("the stand-in opener cannot be written");
        script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.out\"\nexit " + QByteArray::number(exitCode) + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(m_dir.path()) + ':' + m_path);
    }
    ~FakeOpener() { qputenv("PATH", m_path); }
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    // The addresses given so far, once there are count of them (the event loop runs
    // meanwhile, at most ten seconds).
    QStringList addresses(qsizetype count = 1) const
    {
        QStringList lines;
        [[maybe_unused]] const bool all = QTest::qWaitFor(
            [&] {
                lines = read();
                return lines.size() >= count;
            },
            10000);
        return lines;
    }

private:
    QStringList read() const
    {
        QFile out(m_dir.filePath(QStringLiteral("xdg-open.out")));
        if (!out.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(out.readAll()).split(QLatin1Char('\n'));
        lines.removeLast();
        return lines;
    }

    QTemporaryDir m_dir;
    QByteArray m_path;
};
