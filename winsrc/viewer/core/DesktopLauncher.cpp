#include "DesktopLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

using namespace Qt::StringLiterals;

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

bool DesktopLauncher::OpenUrl(const QUrl& url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
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
