#include "ProgramInfo.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

int ProgramInfo::Major()
{
    return KLVVIEWER_VERSION_MAJOR;
}

int ProgramInfo::Minor()
{
    return KLVVIEWER_VERSION_MINOR;
}

int ProgramInfo::Revision()
{
    return KLVVIEWER_VERSION_PATCH;
}

QString ProgramInfo::Title()
{
    return u"KLVViewer"_s;
}

QString ProgramInfo::ExecutableName()
{
    const QString path = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? Title() : name;
}

QString ProgramInfo::CommandLineText(const QStringList& words)
{
    // The switches that take the next word as their argument, whatever that word looks like:
    // "-c -p" names a connection "-p", and only the word after a real "-p" is a password.
    static const QStringList withArgument{u"-c"_s, u"-u"_s, u"-p"_s, u"-e"_s, u"-l"_s, u"-L"_s, u"-f"_s};
    QStringList shown;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        shown.append(word);
        if (withArgument.contains(word) && i + 1 < words.size()) {
            ++i;
            shown.append(word == u"-p" ? PasswordMask() : words[i]);
        }
    }
    for (QString& w : shown) {
        if (w.isEmpty() || w.contains(u' ') || w.contains(u'\t'))
            w = u'"' + w + u'"';
    }
    return shown.join(u' ');
}

QIcon ProgramInfo::Icon()
{
    // The icon the desktop entry names, as installed; the copy built into the program where
    // the desktop has none.
    return QIcon::fromTheme(u"klvviewer"_s, QIcon(u":/klvviewer/klvviewer.png"_s));
}
