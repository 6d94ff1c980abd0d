#include "ProgramInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

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
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal unit = size / 16.0;
        const QRectF frame(0.5 * unit, 1.5 * unit, 15 * unit, 13 * unit);
        p.setPen(QPen(QColor(0x1f, 0x4e, 0x79), std::max(1.0, 0.75 * unit)));
        p.setBrush(Qt::white);
        p.drawRoundedRect(frame, 1.5 * unit, 1.5 * unit);
        // The header bar and the rows of a list.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2e, 0x75, 0xb6));
        p.drawRoundedRect(QRectF(frame.left(), frame.top(), frame.width(), 3.5 * unit), 1.5 * unit, 1.5 * unit);
        p.drawRect(QRectF(frame.left(), frame.top() + 2 * unit, frame.width(), 1.5 * unit));
        p.setBrush(QColor(0x9d, 0xc3, 0xe6));
        for (int row = 0; row < 3; ++row)
            p.drawRect(QRectF(2.5 * unit, (6.5 + 2.6 * row) * unit, 11 * unit, 1.3 * unit));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
