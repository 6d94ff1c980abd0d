#include "DesktopLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The openers that still run. They are not ended with the program: a browser that xdg-open
// runs in the foreground stays open after it.
QSet<QProcess*>& runningOpeners()
{
    static auto* openers = new QSet<QProcess*>;
    return *openers;
}

} // namespace

QUrl DesktopLauncher::HelpAddress(const QString& programDir, const QString& helpFileName, const QString& topic)
{
    QString dir = programDir;
    dir.replace(u'\\', u'/');
    QString file = helpFileName;
    file.replace(u'\\', u'/');
    while (dir.size() > 1 && dir.endsWith(u'/'))
        dir.chop(1);
    QUrl url = QUrl::fromLocalFile(dir + u'/' + file);
    if (!topic.isEmpty())
        url.setFragment(topic);
    return url;
}

QString DesktopLauncher::FileExtension(const QString& filePath)
{
    const QString name = QFileInfo(filePath).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QStringList DesktopLauncher::CommandArguments(const QString& command, const QString& filePath)
{
    const QString whole = command.trimmed();
    const QFileInfo program(whole);
    QStringList words = !whole.contains(u'"') && program.isFile() && program.isExecutable()
                            ? QStringList{whole}
                            : QProcess::splitCommand(command);
    if (command.contains(u"%1"_s)) {
        for (QString& word : words)
            word.replace(u"%1"_s, filePath);
    } else {
        words.append(filePath);
    }
    return words;
}

QString DesktopLauncher::QuotedProgram(const QString& path)
{
    if (!std::any_of(path.cbegin(), path.cend(), [](QChar c) { return c.isSpace() || c == u'"'; }))
        return path;
    QString quoted = path;
    quoted.replace(u"\""_s, u"\"\"\""_s);
    return u'"' + quoted + u'"';
}

void DesktopLauncher::OpenUrl(const QUrl& url, const std::function<void()>& failed)
{
    const auto fail = [failed] {
        if (failed)
            failed();
    };
    if (!url.isValid()) {
        fail();
        return;
    }
    const QString opener = QStandardPaths::findExecutable(u"xdg-open"_s);
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(url))
            fail();
        return;
    }
    auto* process = new QProcess;
    runningOpeners().insert(process);
    process->setProgram(opener);
    process->setArguments({url.toString(QUrl::FullyEncoded)});
    // What the opener and its program write goes where the program's own output goes, never
    // into a buffer here that nobody reads.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    const auto ended = [process, fail](bool opened) {
        if (!runningOpeners().remove(process))
            return;
        process->deleteLater();
        if (!opened)
            fail();
    };
    QObject::connect(process, &QProcess::finished, process, [ended](int code, QProcess::ExitStatus status) {
        ended(status == QProcess::NormalExit && code == 0);
    });
    // A crash is followed by finished; a program that never started is not.
    QObject::connect(process, &QProcess::errorOccurred, process, [ended](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended(false);
    });
    process->start();
}

int DesktopLauncher::RunningOpeners()
{
    return int(runningOpeners().size());
}

bool DesktopLauncher::StartCommand(const QString& command, const QString& filePath, QString* errorText)
{
    QStringList words = CommandArguments(command, filePath);
    if (command.trimmed().isEmpty() || words.isEmpty() || words.first().isEmpty()) {
        if (errorText)
            *errorText = command;
        return false;
    }
    QProcess process;
    process.setProgram(words.takeFirst());
    process.setArguments(words);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        if (errorText)
            *errorText = process.errorString();
        return false;
    }
    return true;
}
