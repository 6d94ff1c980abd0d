#pragma once

// What the benchmarks share that run each measurement in a child process of its own, with
// its own stand-in server, so that the peak memory a run reports (ru_maxrss, server
// included) is its own.

#include "KlvServer.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace BenchProcess {

// The number that follows the switch name on the command line, else fallback.
inline int argValue(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    }
    return fallback;
}

// The most memory this process has held so far, in KiB.
inline long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A running server whose generated table "90:1" has rows records; null (with the reason on
// standard error) when it cannot start.
inline std::unique_ptr<KlvServer> startServer(int rows)
{
    KlvServerOptions options;
    options.generatedRows = rows;
    auto server = std::make_unique<KlvServer>(options);
    if (!server->start()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(server->errorString()));
        return nullptr;
    }
    return server;
}

// Runs program --run kind --block block --rows rows and returns the numbers of the line it
// printed; empty when it failed or printed fewer than minFields. Its standard error passes
// through.
inline QStringList runChild(const QString& program, const QString& kind, int block, int rows, int minFields)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {QStringLiteral("--run"), kind, QStringLiteral("--block"), QString::number(block),
                          QStringLiteral("--rows"), QString::number(rows)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return {};
    const QStringList parts = QString::fromUtf8(child.readAllStandardOutput()).split(u' ', Qt::SkipEmptyParts);
    return parts.size() < minFields ? QStringList() : parts;
}

} // namespace BenchProcess
